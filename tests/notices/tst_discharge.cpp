// Discharge notices and clearance: the list, the clearance window, the loop between them, and
// the main window's commands that open the notice windows.
#include "domain/dischargerecord.h"
#include "notices/frmclearpatient.h"
#include "notices/frmdischargenotice.h"
#include "notices/frmreferraltomedicalteam.h"
#include "notices/noticedesk.h"
#include "notices/noticelist.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/noticemonitor.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;
using namespace mss::notices;

namespace {

void selectRow(QTreeView *view, int row)
{
    view->selectionModel()->select(
        view->model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int rowOf(const NoticeListModel &model, const QString &idNum)
{
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.text(r, frmDischargeNotice::kAdmissionColumn) == idNum)
            return r;
    return -1;
}

} // namespace

class TestDischarge : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listShowsNoticesAndTheirState();
    void clearingAnOpenNotice();
    void clearedNoticeOpensReadOnly();
    void otherInfoFollowsTheFlags_data();
    void otherInfoFollowsTheFlags();
    void leavingTheClearanceBringsBackAFreshList();
    void failedClearanceIsReportedOnce();
    void mainWindowOpensTheNoticeWindows();

private:
    // An open (or, with a clearing time, cleared) notice on an in-patient still in the hospital.
    QString addNotice(bool cleared, bool withTime = true);
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    ui::WorkContext context(data::Connection *connection = nullptr)
    {
        return { connection ? connection : &m_hospital->connection(), QStringLiteral("MSS01"), QStringLiteral("MSS01"),
            QStringLiteral("SANTOS, MARIA") };
    }

    std::unique_ptr<test::DemoHospital> m_hospital;
    QStringList m_free; // in-patients without a discharge notice
};

void TestDischarge::init()
{
    m_hospital = std::make_unique<test::DemoHospital>();
    data::Recordset rs = m_hospital->connection().open(
        QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbPatient2 p WHERE DcrDate IS NULL AND NOT EXISTS "
                       "(SELECT 1 FROM tbMSSDischargeNotice n WHERE n.IdNum = p.IdNum) ORDER BY IdNum"));
    m_free.clear();
    for (; !rs.eof(); rs.moveNext())
        m_free.append(rs.text(0));
    QVERIFY(m_free.size() >= 4);
}

void TestDischarge::cleanup()
{
    ui::Messages::setDialogHandler(nullptr);
    m_hospital.reset();
}

QString TestDischarge::addNotice(bool cleared, bool withTime)
{
    const QString idNum = m_free.takeFirst();
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_hospital->connection().query(
        QStringLiteral("INSERT INTO tbMSSDischargeNotice (IdNum, HospNum, NoticeDate, OrderedDate, DischargeNurse, "
                       "Remarks, UserId, ClearDate, ClearRemarks) SELECT IdNum, HospNum, :notice, "
                       "'2026-12-09 06:00:00', 'RN. LUZ REYES', 'MAY GO HOME', :user, :clear, :remarks "
                       "FROM PATIENT_DATA..tbPatient2 WHERE IdNum = :id"),
        { { QStringLiteral(":notice"), withTime ? QVariant(QStringLiteral("2026-12-09 07:30:00")) : QVariant() },
            { QStringLiteral(":user"), cleared ? QVariant(QStringLiteral("MSS02")) : QVariant() },
            { QStringLiteral(":clear"), cleared ? QVariant(now) : QVariant() },
            { QStringLiteral(":remarks"), cleared ? QVariant(QStringLiteral("PAID IN FULL")) : QVariant() },
            { QStringLiteral(":id"), idNum } });
    return idNum;
}

void TestDischarge::listShowsNoticesAndTheirState()
{
    const QString untimed = addNotice(false, false);
    const QString cleared = addNotice(true);
    test::RecordingConnection recording(&m_hospital->connection());
    frmDischargeNotice list(&recording);
    QVERIFY(!list.imgClear->isVisibleTo(&list));
    list.load();
    QCOMPARE(recording.statements, QStringList { QStringLiteral("MSS..sp_MSS_LoadDischargeNotice ") });
    QVERIFY(list.imgClear->isVisibleTo(&list) && list.imgOpen->isVisibleTo(&list));
    QStringList captions;
    for (int c = 0; c < list.model()->columnCount(); ++c)
        captions << list.model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions,
        QStringList({ QStringLiteral("Patient"), QStringLiteral("Room"), QStringLiteral("Adm. #"),
            QStringLiteral("Discharge Nurse"), QStringLiteral("Notice Time") }));

    const NoticeListModel &model = *list.model();
    const int open = rowOf(model, untimed);
    QVERIFY(open >= 0 && rowOf(model, cleared) >= 0);
    QCOMPARE(model.text(open, 4), QString());
    QCOMPARE(model.text(rowOf(model, cleared), 4), QStringLiteral("12/9/2026 7:30:00 AM"));
    QCOMPARE(model.text(open, 3), QStringLiteral("RN. LUZ REYES"));
    QCOMPARE(model.index(open, 0).data(Qt::UserRole).toString(), QStringLiteral("open"));
    QCOMPARE(model.index(rowOf(model, cleared), 0).data(Qt::UserRole).toString(), QStringLiteral("clear"));

    list.show();
    list.cmdSelect->click(); // nothing selected
    QVERIFY(list.isVisible());
    QVERIFY(!list.Valid());
    QVERIFY(!list.setProperty("IDNUM", QStringLiteral("X")));

    // A double click chooses the row as Select does.
    const QModelIndex cell = model.index(open, 1);
    list.lvwRequest->scrollTo(cell);
    const QPoint at = list.lvwRequest->visualRect(cell).center();
    QTest::mouseClick(list.lvwRequest->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.lvwRequest->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(list.Valid());
    QCOMPARE(list.IDNUM(), untimed);
    QCOMPARE(list.result(), int(QDialog::Accepted));
}

void TestDischarge::clearingAnOpenNotice()
{
    const QString idNum = addNotice(false);
    const QString hospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(idNum));
    m_hospital->connection().execute(
        QStringLiteral("INSERT OR REPLACE INTO tbMSSAssessment (IdNum, HospNum, MSSNum, Code, Category, IsPCSO, IsCDF, "
                       "IsSpecial, NC, AssessDate) VALUES ('%1', '%2', 'C-26-00042', 'C2', 'FINANCIAL', 1, 0, 1, 0, "
                       "'2026-12-08')")
            .arg(idNum, hospNum));

    test::RecordingConnection recording(&m_hospital->connection());
    frmClearPatient clearance(context(&recording));
    clearance.load(idNum);
    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("MSS..sp_MSS_LoadDischargeNoticePatient '%1'").arg(idNum),
            QStringLiteral("MSS..sp_MSS_PrintAssessment '%1','%2'").arg(hospNum, idNum) }));
    QCOMPARE(clearance.windowTitle(), QStringLiteral("Clear Patient"));
    QCOMPARE(clearance.txtAdmNo->text(), idNum);
    QCOMPARE(clearance.txtHospNo->text(), hospNum);
    QVERIFY(!clearance.txtSname->text().isEmpty());
    QCOMPARE(clearance.txtDischargeNurse->text(), QStringLiteral("RN. LUZ REYES"));
    QCOMPARE(clearance.txtRemarks->toPlainText(), QStringLiteral("MAY GO HOME"));
    QCOMPARE(clearance.txtNoticeDate->text(), QStringLiteral("12/9/2026 7:30:00 AM"));
    QCOMPARE(clearance.txtOrderDate->text(), QStringLiteral("12/9/2026 6:00:00 AM"));
    QVERIFY(!clearance.txtAdmDate->text().isEmpty());
    QCOMPARE(clearance.txtClearDate->text(), QStringLiteral("For clearing"));
    QCOMPARE(clearance.txtClearedBy->text(), QStringLiteral("(MSS01) SANTOS, MARIA"));
    QVERIFY(!clearance.txtClearRemarks->isReadOnly());
    QVERIFY(clearance.cmdSave->isEnabled());
    QCOMPARE(clearance.cmdIgnore->text(), QStringLiteral("&Ignore"));
    // The MSS number (the patient's own before the assessment's), not the hospital number.
    const QString patientsOwn
        = scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hospNum));
    QCOMPARE(clearance.txtMSSNum->text(), patientsOwn.isEmpty() ? QStringLiteral("C-26-00042") : patientsOwn);
    QVERIFY(clearance.txtMSSNum->text() != hospNum);
    QCOMPARE(clearance.txtCategory->text(), QStringLiteral("FINANCIAL"));
    QVERIFY(clearance.lblClassification->isVisibleTo(&clearance));
    QCOMPARE(clearance.lblClassification->text(), QStringLiteral("C2"));
    QCOMPARE(clearance.txtOtherInfo->text(), QStringLiteral("with PCSO; Special Arrangement"));

    clearance.txtClearRemarks->setPlainText(QStringLiteral("patient's family paid"));
    clearance.show();
    test::MessageLog log;
    clearance.cmdSave->click();
    QCOMPARE(recording.statements.last(),
        QStringLiteral("MSS..sp_MSS_ClearPatientForDischarge '%1','MSS01','patient`s family paid'").arg(idNum));
    QCOMPARE(log.texts(), QStringList { QStringLiteral("Patient has been cleared for discharge.") });
    QCOMPARE(log.shown[0].icon, QMessageBox::Information);
    QCOMPARE(log.shown[0].title, ui::Messages::applicationTitle());
    QCOMPARE(clearance.result(), int(QDialog::Accepted));

    data::Recordset stored = m_hospital->connection().open(
        QStringLiteral("SELECT UserId, ClearRemarks, ClearDate FROM tbMSSDischargeNotice WHERE IdNum = '%1'")
            .arg(idNum));
    QCOMPARE(stored.text(QStringLiteral("UserId")), QStringLiteral("MSS01"));
    QCOMPARE(stored.text(QStringLiteral("ClearRemarks")), QStringLiteral("patient`s family paid"));
    QVERIFY(!stored.isNull(QStringLiteral("ClearDate")));
}

void TestDischarge::clearedNoticeOpensReadOnly()
{
    const QString idNum = addNotice(true);
    m_hospital->connection().execute(QStringLiteral("DELETE FROM tbMSSAssessment WHERE IdNum = '%1'").arg(idNum));
    frmClearPatient clearance(context());
    clearance.load(idNum);
    QVERIFY(clearance.txtClearDate->text().startsWith(QDate::currentDate().toString(QStringLiteral("M/d/yyyy "))));
    QCOMPARE(clearance.txtClearedBy->text(), QStringLiteral("MSS02"));
    QCOMPARE(clearance.txtClearRemarks->toPlainText(), QStringLiteral("PAID IN FULL"));
    QVERIFY(clearance.txtClearRemarks->isReadOnly());
    QVERIFY(!clearance.cmdSave->isEnabled());
    QCOMPARE(clearance.cmdIgnore->text(), QStringLiteral("&Close"));
    // No assessment on file: nothing to tell.
    QCOMPARE(clearance.txtOtherInfo->text(), QString());
    QVERIFY(!clearance.lblClassification->isVisibleTo(&clearance));
}

void TestDischarge::otherInfoFollowsTheFlags_data()
{
    QTest::addColumn<bool>("cdf");
    QTest::addColumn<bool>("pcso");
    QTest::addColumn<bool>("special");
    QTest::addColumn<QString>("nc");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << false << false << false << "1500.00"
                             << "";
    QTest::newRow("CDF") << true << false << false << "0.00"
                         << "with CDF; ";
    QTest::newRow("CDF and PCSO") << true << true << false << "0.00"
                                  << "with CDF; with PCSO; ";
    QTest::newRow("special without NC") << false << false << true << "0.00"
                                        << "Special Arrangement";
    QTest::newRow("all with NC") << true << true << true << "1500.50"
                                 << "with CDF; with PCSO; Special Arrangement (NC: 1500.50)";
    QTest::newRow("PCSO, special, small NC") << false << true << true << "0.01"
                                             << "with PCSO; Special Arrangement (NC: 0.01)";
}

void TestDischarge::otherInfoFollowsTheFlags()
{
    QFETCH(bool, cdf);
    QFETCH(bool, pcso);
    QFETCH(bool, special);
    QFETCH(QString, nc);
    QFETCH(QString, expected);
    DischargeMssData data;
    data.CDF = cdf;
    data.PCSO = pcso;
    data.Special = special;
    data.NC = nc;
    QCOMPARE(data.otherInfo(), expected);

    // Through the procedure: NC comes back with two decimals.
    const QString idNum = addNotice(false);
    m_hospital->connection().query(
        QStringLiteral(
            "INSERT OR REPLACE INTO tbMSSAssessment (IdNum, HospNum, Code, Category, IsPCSO, IsCDF, IsSpecial, "
            "NC, AssessDate) SELECT IdNum, HospNum, 'C1', 'X', :pcso, :cdf, :special, :nc, '2026-12-08' "
            "FROM PATIENT_DATA..tbPatient2 WHERE IdNum = :id"),
        { { QStringLiteral(":pcso"), int(pcso) }, { QStringLiteral(":cdf"), int(cdf) },
            { QStringLiteral(":special"), int(special) }, { QStringLiteral(":nc"), nc.toDouble() },
            { QStringLiteral(":id"), idNum } });
    frmClearPatient clearance(context());
    clearance.load(idNum);
    QCOMPARE(clearance.txtOtherInfo->text(), expected);
}

void TestDischarge::leavingTheClearanceBringsBackAFreshList()
{
    const QString first = addNotice(false);
    const QString second = addNotice(false);
    NoticeDesk desk([this] { return context(); }, nullptr, {});

    // Clear one patient, leave the next one with Ignore fifty times, then close the list.
    QStringList steps;
    int depth = 0, deepest = 0, lists = 0;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        ++depth;
        deepest = std::max(deepest, depth);
        int result = QDialog::Rejected;
        if (auto *list = qobject_cast<frmDischargeNotice *>(&dialog)) {
            ++lists;
            const NoticeListModel &model = *list->model();
            if (lists == 1) {
                selectRow(list->lvwRequest, rowOf(model, first));
                list->cmdSelect->click();
            } else if (lists == 2) {
                steps << model.index(rowOf(model, first), 0).data(Qt::UserRole).toString();
                selectRow(list->lvwRequest, rowOf(model, second));
                list->cmdSelect->click();
            } else if (lists <= 51) {
                selectRow(list->lvwRequest, rowOf(model, second));
                list->cmdSelect->click();
            } else {
                list->cmdClose->click();
                steps << QStringLiteral("closed");
            }
            result = list->result();
        } else if (auto *clearance = qobject_cast<frmClearPatient *>(&dialog)) {
            if (clearance->txtAdmNo->text() == first) {
                clearance->txtClearRemarks->setPlainText(QStringLiteral("DONE"));
                clearance->cmdSave->click();
            } else {
                clearance->cmdIgnore->click();
            }
            result = clearance->result();
        }
        --depth;
        return result;
    });
    test::MessageLog log;
    desk.runDischargeNotices();
    QCOMPARE(steps, QStringList({ QStringLiteral("clear"), QStringLiteral("closed") }));
    QCOMPARE(lists, 52);
    QCOMPARE(deepest, 1); // one window at a time, none inside another's loop
    QCOMPARE(log.texts(), QStringList { QStringLiteral("Patient has been cleared for discharge.") });
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM tbMSSDischargeNotice WHERE IdNum = '%1' AND ClearDate IS NOT "
                                   "NULL")
                        .arg(second)),
        QStringLiteral("0"));
}

void TestDischarge::failedClearanceIsReportedOnce()
{
    const QString idNum = addNotice(false);
    test::FaultInjectingConnection failing(&m_hospital->connection());
    frmClearPatient clearance(context(&failing));
    clearance.load(idNum);
    clearance.show();
    failing.failStatement = failing.statementCount + 1;
    {
        test::MessageLog log;
        clearance.cmdSave->click();
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].icon, QMessageBox::Critical);
        QVERIFY(clearance.isVisible());
    }
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM tbMSSDischargeNotice WHERE IdNum = '%1' AND ClearDate IS NULL")
                        .arg(idNum)),
        QStringLiteral("1"));

    // An admission whose notice is gone: an empty window, and a save the database refuses.
    frmClearPatient gone(context());
    gone.load(QStringLiteral("NO-SUCH"));
    QCOMPARE(gone.txtAdmNo->text(), QString());
    QCOMPARE(gone.txtClearDate->text(), QStringLiteral("For clearing"));
    gone.show();
    test::MessageLog log;
    gone.txtClearRemarks->setPlainText(QStringLiteral("it's gone"));
    gone.cmdSave->click();
    QCOMPARE(log.shown.size(), 1);
    QVERIFY(log.shown[0].text.contains(QStringLiteral("no discharge notice")));
    QVERIFY(gone.isVisible());
}

void TestDischarge::mainWindowOpensTheNoticeWindows()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(main);
    for (const QString &name : { QStringLiteral("mnuDischargeNotice"), QStringLiteral("mnuReferral") })
        QVERIFY2(main->action(name)->isEnabled(), qPrintable(name));
    QVERIFY(main->btnReferralNotice->isEnabled() && main->btnDischargeNotice->isEnabled());

    main->monitor()->pollReferrals();
    QVERIFY(main->monitor()->alerting()); // the demo has referrals waiting
    main->btnReferralNotice->click();
    frmReferralToMedicalTeam *list = main->noticeDesk().referralNotices();
    QVERIFY(list && list->isVisible());
    QVERIFY(qobject_cast<QMdiSubWindow *>(list->parentWidget()));
    QVERIFY(list->model()->rowCount() > 0);
    QVERIFY(main->monitor()->alerting()); // opening the list leaves the alert as it was
    main->btnReferralNotice->click();
    QCOMPARE(main->noticeDesk().referralNotices(), list); // the open list comes to the front

    QStringList opened;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        opened << dialog.objectName();
        return int(QDialog::Rejected);
    });
    main->btnDischargeNotice->click();
    main->action(QStringLiteral("mnuDischargeNotice"))->trigger();
    main->action(QStringLiteral("mnuReferral"))->trigger();
    QCOMPARE(opened,
        QStringList({ QStringLiteral("frmDischargeNotice"), QStringLiteral("frmDischargeNotice"),
            QStringLiteral("frmReferralHistory") }));
    ui::Messages::setDialogHandler(nullptr);
    test::endDemoSession();
}

QTEST_MAIN(TestDischarge)
#include "tst_discharge.moc"
