// The ARR window on the hospital's SQL Server: the window runs once on the demo hospital, where
// every statement and the rows it answered are recorded; the TDS test server then answers the
// same statements with the same rows, and the same window, on FreeTDS's ODBC driver, must send
// exactly those statements, save in one transaction, and say "Data Not Successfully Saved." when
// the server picks the save as a deadlock victim.
#include "data/connection.h"
#include "referral/frmarr.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "support/tdsreplay.h"
#include "support/tdsserver.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QtTest>

using namespace mss;
using referral::frmARR;

namespace {

const QString kUser = QStringLiteral("mss_dept");
const QString kPassword = QStringLiteral("Ward;3 ñ");

// What a social worker fills in before "Save/&Print".
void fillIn(frmARR &w)
{
    for (int i = 0; i < frmARR::kDocumentCount; ++i)
        w.chkdoc->button(i)->setChecked(i == 0 || i == 17);
    w.chkSpecial->setChecked(false);
    w.txtNC->setText(QStringLiteral("2,500.50"));
    w.txtRemarks->setPlainText(QStringLiteral("Seen with Mrs. O'Hara"));
    w.mskIntake->setText(QStringLiteral("03/04/2026"));
    w.mskRange1->setText(QStringLiteral("12/31/2027"));
}

// The batches and calls the window sent, without the transaction's own statements.
QStringList windowStatements(const QStringList &wire)
{
    QStringList sent;
    for (const QString &s : wire)
        if (!s.contains(QLatin1String("TRANSACTION")) && !s.startsWith(QLatin1String("SET DATEFORMAT")))
            sent.append(s);
    return sent;
}

} // namespace

class TestArrWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void theWindowSendsOnTheWireWhatItSendsEverywhere();
    void aDeadlockInTheSaveRollsBackAndSaysSo();

private:
    std::unique_ptr<frmARR> open(data::Connection &connection);

    std::unique_ptr<test::DemoHospital> m_hospital;
    test::TdsServer m_server;
    QList<test::ExchangeRecorder::Exchange> m_recorded;
    QString m_idNum;
};

void TestArrWire::initTestCase()
{
    if (test::freeTdsDriver().isEmpty())
        QSKIP("FreeTDS's ODBC driver (Debian package tdsodbc) is not installed");
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    m_idNum = test::scalar(m_hospital->connection(),
        QStringLiteral(
            "SELECT min(a.IdNum) FROM MSS..tbMSSAssessment a JOIN PATIENT_DATA..tbMaster m ON m.HospNum = "
            "a.HospNum WHERE a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%' AND ifnull(m.MSSNum, '') <> '' "
            "AND a.Code <> ''"));
    QVERIFY(!m_idNum.isEmpty());

    test::MessageLog log(QMessageBox::Yes);
    test::ExchangeRecorder recorder(&m_hospital->connection());
    auto w = open(recorder);
    fillIn(*w);
    QVERIFY(w->save(false));
    m_recorded = recorder.exchanges;
    QVERIFY(m_recorded.size() > 10);

    QJsonObject script { { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } },
        { QStringLiteral("rules"), test::replayRules(m_recorded) } };
    QString why;
    QVERIFY2(m_server.start(script, &why), qPrintable(why));
}

void TestArrWire::cleanupTestCase()
{
    test::endDemoSession();
}

std::unique_ptr<frmARR> TestArrWire::open(data::Connection &connection)
{
    auto w = std::make_unique<frmARR>(shell::sessionWorkContext().on(&connection));
    w->IDNUM = m_idNum;
    w->HospNum = test::scalar(m_hospital->connection(),
        QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(m_idNum));
    w->resize(1300, 700);
    w->show();
    w->load();
    return w;
}

void TestArrWire::theWindowSendsOnTheWireWhatItSendsEverywhere()
{
    auto server = data::openConnection(m_server.connectionString(kUser, kPassword));
    m_server.forgetLog();
    test::MessageLog log(QMessageBox::Yes);
    auto w = open(*server);
    fillIn(*w);
    QVERIFY(w->save(false));
    QVERIFY(w->IsSaved);
    QVERIFY2(log.shown.last().text.startsWith(QLatin1String("Clasification for ")), qPrintable(log.shown.last().text));

    QStringList recorded;
    for (const auto &e : std::as_const(m_recorded))
        recorded.append(e.wireText);
    QCOMPARE(windowStatements(m_server.statements()), recorded);

    // The save is one transaction: opened before its first statement, committed after its last.
    const QStringList wire = m_server.statements();
    const qsizetype begin = wire.indexOf(QStringLiteral("BEGIN TRANSACTION"));
    QVERIFY(begin > 0);
    QCOMPARE(wire.last(), QStringLiteral("COMMIT TRANSACTION"));
    QVERIFY(wire.mid(begin).filter(QStringLiteral("sp_MSS_SaveAssessment_NEW")).size() == 1);
}

void TestArrWire::aDeadlockInTheSaveRollsBackAndSaysSo()
{
    QJsonArray rules { QJsonObject { { QStringLiteral("match"), QStringLiteral("^MSS\\.\\.sp_MSS_SaveTransaction ") },
        { QStringLiteral("respond"),
            QJsonArray { QJsonObject { { QStringLiteral("error"),
                QJsonObject { { QStringLiteral("number"), 1205 }, { QStringLiteral("severity"), 13 },
                    { QStringLiteral("state"), 51 },
                    { QStringLiteral("message"),
                        QStringLiteral("Transaction (Process ID 57) was deadlocked on lock resources with another "
                                       "process and has been chosen as the deadlock victim. Rerun the transaction.") },
                    { QStringLiteral("procedure"), QStringLiteral("sp_MSS_SaveTransaction") },
                    { QStringLiteral("line"), 14 } } } } } } } };
    for (const QJsonValue &r : test::replayRules(m_recorded))
        rules.append(r);
    m_server.setScript(
        { { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } }, { QStringLiteral("rules"), rules } });

    auto server = data::openConnection(m_server.connectionString(kUser, kPassword));
    test::MessageLog log(QMessageBox::Yes);
    auto w = open(*server);
    fillIn(*w);
    m_server.forgetLog();
    QVERIFY(!w->save(false));
    QVERIFY(!w->IsSaved);
    const QString shown = log.shown.last().text;
    QVERIFY2(shown.startsWith(QLatin1String("Data Not Successfully Saved.\n")), qPrintable(shown));
    QVERIFY2(shown.contains(QLatin1String("deadlock victim")), qPrintable(shown));

    const QStringList wire = m_server.statements();
    QVERIFY(wire.contains(QStringLiteral("BEGIN TRANSACTION")));
    QCOMPARE(wire.last(), QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
    QVERIFY(!wire.contains(QStringLiteral("COMMIT TRANSACTION")));
    // Nothing after the failing statement was sent.
    QVERIFY(wire.filter(QStringLiteral("spMSS_SaveDocumentation")).isEmpty());
    QVERIFY(!server->inTransaction());
}

QTEST_MAIN(TestArrWire)
#include "tst_arrwire.moc"
