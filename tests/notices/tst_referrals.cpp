// Referrals from the medical team: the notice list, tagging a referral in the approval window
// and finding it again in the history.
#include "domain/referralrecord.h"
#include "notices/frmreferralapproval.h"
#include "notices/frmreferralhistory.h"
#include "notices/frmreferraltomedicalteam.h"
#include "notices/noticedesk.h"
#include "notices/noticelist.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;
using namespace mss::notices;

namespace {

// A referral of the test's own on an in-patient still in the hospital.
struct Referral {
    QString idNum;
    QString hospNum;
    QString referralNo;
};

void selectRow(QTreeView *view, int row)
{
    view->selectionModel()->select(
        view->model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int rowOf(const NoticeListModel &model, int column, const QString &text)
{
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.text(r, column) == text)
            return r;
    return -1;
}

} // namespace

class TestReferrals : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noticeListShowsEveryStateAndNullDates();
    void selectOpensTheApprovalAndForgetsTheNumbers();
    void eachApprovalWindowKeepsItsOwnReferral();
    void approvalShowsTheReferralAsStored();
    void savingStoresTheTagExactlyAsTyped();
    void savingWithoutAnOptionAsksToTagFirst();
    void refusalsAndCancelSaveNothing();
    void failedSaveIsReportedOnce();
    void historySearchesAndOpensReadOnly();

private:
    Referral addReferral(const QString &status, const QString &referralDate = QStringLiteral("2026-12-08 15:00:00"));
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    ui::WorkContext context(data::Connection *connection) const
    {
        return { connection, QStringLiteral("MSS01"), QStringLiteral("MSS01"), QStringLiteral("SANTOS, MARIA") };
    }
    // The approval window on a referral, as the notice list opens it.
    std::unique_ptr<frmReferralApproval> openFromList(const Referral &r, data::Connection *connection = nullptr);

    std::unique_ptr<test::DemoHospital> m_hospital;
    QList<std::pair<QString, QString>> m_inPatients; // (IdNum, HospNum) still in the hospital
};

// Answers as an opener would while it is Valid.
class FixedOpener final : public ReferralOpener {
public:
    FixedOpener(QString id, QString ref, bool valid) : m_id(std::move(id)), m_ref(std::move(ref)), m_valid(valid) { }
    QString IDNUM() const override { return m_id; }
    QString REFNUM() const override { return m_ref; }
    bool Valid() const override { return m_valid; }

private:
    QString m_id, m_ref;
    bool m_valid;
};

void TestReferrals::init()
{
    m_hospital = std::make_unique<test::DemoHospital>();
    m_inPatients.clear();
    data::Recordset rs = m_hospital->connection().open(QStringLiteral(
        "SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 WHERE DcrDate IS NULL ORDER BY IdNum LIMIT 10"));
    for (; !rs.eof(); rs.moveNext())
        m_inPatients.append({ rs.text(0), rs.text(1) });
    QVERIFY(m_inPatients.size() >= 4);
}

void TestReferrals::cleanup()
{
    ui::Messages::setDialogHandler(nullptr);
    m_hospital.reset();
}

Referral TestReferrals::addReferral(const QString &status, const QString &referralDate)
{
    static int next = 0;
    const auto &[idNum, hospNum] = m_inPatients[next++ % m_inPatients.size()];
    const bool settled = status != QLatin1String("P");
    m_hospital->connection().query(
        QStringLiteral("INSERT INTO tbMSSReferralNotice (IdNum, HospNum, Diagnosis, Category, ReferralDate, Tick1, "
                       "Tick4, Tick5, Others, Status, Remarks, ScheduleDate, DateApproved) VALUES (:id, :hosp, "
                       "'PNEUMONIA', 'FINANCIAL', :date, 'Y', 'Y', 'Y', 'REQUEST FOR BLOOD DONORS', :status, "
                       "'SEEN', :sched, :approved)"),
        { { QStringLiteral(":id"), idNum }, { QStringLiteral(":hosp"), hospNum },
            { QStringLiteral(":date"), referralDate.isEmpty() ? QVariant() : QVariant(referralDate) },
            { QStringLiteral(":status"), status },
            { QStringLiteral(":sched"), settled ? QStringLiteral("2026-12-20") : QStringLiteral("1900-01-01") },
            { QStringLiteral(":approved"),
                settled ? QVariant(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                        : QVariant() } });
    return { idNum, hospNum, scalar(QStringLiteral("SELECT max(ReferralNo) FROM tbMSSReferralNotice")) };
}

std::unique_ptr<frmReferralApproval> TestReferrals::openFromList(const Referral &r, data::Connection *connection)
{
    auto approval = std::make_unique<frmReferralApproval>(context(connection ? connection : &m_hospital->connection()));
    const FixedOpener list(r.idNum, r.referralNo, true);
    approval->load(&list, nullptr);
    return approval;
}

void TestReferrals::noticeListShowsEveryStateAndNullDates()
{
    const Referral undated = addReferral(QStringLiteral("P"), {});
    const Referral approved = addReferral(QStringLiteral("A"));
    const Referral justified = addReferral(QStringLiteral("D"));
    const Referral cash = addReferral(QStringLiteral("C"));

    test::RecordingConnection recording(&m_hospital->connection());
    frmReferralToMedicalTeam list(&recording, {});
    list.load();
    QCOMPARE(recording.statements, QStringList { QStringLiteral("MSS..sp_MSS_LoadReferralNotice") });
    QCOMPARE(list.windowTitle(), QStringLiteral("Referral"));

    const NoticeListModel &model = *list.model();
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c)
        captions << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions,
        QStringList({ QStringLiteral("Patient"), QStringLiteral("Admission #"), QStringLiteral("Hosp #"),
            QStringLiteral("Diagnosis"), QStringLiteral("Referral Date"), QStringLiteral("Referral No.") }));
    QVERIFY(list.lvwRequest->isColumnHidden(frmReferralToMedicalTeam::kReferralNoColumn)
        || list.lvwRequest->columnWidth(frmReferralToMedicalTeam::kReferralNoColumn) == 0);
    // The demo's own notices come too, in the order the procedure gives them.
    QVERIFY(model.rowCount() > 4);

    const auto row
        = [&](const Referral &r) { return rowOf(model, frmReferralToMedicalTeam::kReferralNoColumn, r.referralNo); };
    QVERIFY(row(undated) >= 0);
    QCOMPARE(model.text(row(undated), 4), QString());
    QCOMPARE(model.text(row(approved), 4), QStringLiteral("12/8/2026 3:00:00 PM"));
    QCOMPARE(model.index(row(undated), 0).data(Qt::UserRole).toString(), QStringLiteral("open"));
    for (const Referral &settled : { approved, justified, cash })
        QCOMPARE(model.index(row(settled), 0).data(Qt::UserRole).toString(), QStringLiteral("clear"));
    QCOMPARE(model.text(row(cash), 1), cash.idNum);
    QVERIFY(!model.index(row(cash), 0).data(Qt::DecorationRole).isNull());
}

void TestReferrals::selectOpensTheApprovalAndForgetsTheNumbers()
{
    const Referral r = addReferral(QStringLiteral("P"));
    QString seenId, seenRef;
    bool seenValid = false;
    int opened = 0;
    auto *list = new frmReferralToMedicalTeam(&m_hospital->connection(), [&](const ReferralOpener &opener) {
        ++opened;
        seenId = opener.IDNUM();
        seenRef = opener.REFNUM();
        seenValid = opener.Valid();
    });
    QPointer<frmReferralToMedicalTeam> guard(list);
    list->load();
    list->show();

    // Nothing selected: nothing happens and the list stays.
    list->cmdSelect->click();
    QCOMPARE(opened, 0);
    QVERIFY(list->isVisible());

    // What the window shows cannot be changed from outside.
    QVERIFY(!list->setProperty("Valid", true));
    QVERIFY(!list->setProperty("IDNUM", QStringLiteral("X")));
    QCOMPARE(list->Valid(), false);

    selectRow(list->lvwRequest, rowOf(*list->model(), frmReferralToMedicalTeam::kReferralNoColumn, r.referralNo));
    list->cmdSelect->click();
    QCOMPARE(opened, 1);
    QCOMPARE(seenId, r.idNum);
    QCOMPARE(seenRef, r.referralNo);
    QVERIFY(seenValid);
    QVERIFY(guard);
    QCOMPARE(list->IDNUM(), QString());
    QCOMPARE(list->Valid(), false);
    QVERIFY(!list->isVisible());
    QTRY_VERIFY(!guard); // closed for good
}

void TestReferrals::eachApprovalWindowKeepsItsOwnReferral()
{
    const Referral first = addReferral(QStringLiteral("P"));
    const Referral second = addReferral(QStringLiteral("P"));
    QList<QPointer<frmReferralApproval>> opened;
    NoticeDesk desk([this] { return context(&m_hospital->connection()); }, nullptr, {});

    for (const Referral &r : { first, second }) {
        frmReferralToMedicalTeam *list = desk.showReferralNotices();
        QVERIFY(list && list->isVisible());
        selectRow(list->lvwRequest, rowOf(*list->model(), frmReferralToMedicalTeam::kReferralNoColumn, r.referralNo));
        list->select();
        QCOMPARE(list->Valid(), false);
        QTRY_VERIFY(!desk.referralNotices());
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows)
            if (auto *a = qobject_cast<frmReferralApproval *>(w); a && a->isVisible() && !opened.contains(a))
                opened.append(a);
    }
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0]->txtAdmNo->text(), first.idNum);
    QCOMPARE(opened[0]->referralNumber(), first.referralNo);
    QCOMPARE(opened[1]->txtAdmNo->text(), second.idNum);
    QCOMPARE(opened[1]->referralNumber(), second.referralNo);
    // Opened from the list: ready for editing at once.
    QVERIFY(opened[1]->cmdSave->isEnabled());
    QVERIFY(opened[1]->cmdEdit->isHidden());

    // Each saves its own referral, whichever is saved first.
    test::MessageLog log(QMessageBox::Ok);
    opened[1]->OptCash->setChecked(true);
    opened[1]->cmdSave->click();
    opened[0]->OptDeny->setChecked(true);
    opened[0]->cmdSave->click();
    QCOMPARE(
        scalar(QStringLiteral("SELECT Status FROM tbMSSReferralNotice WHERE ReferralNo = %1").arg(first.referralNo)),
        QStringLiteral("D"));
    QCOMPARE(
        scalar(QStringLiteral("SELECT Status FROM tbMSSReferralNotice WHERE ReferralNo = %1").arg(second.referralNo)),
        QStringLiteral("C"));
    for (const auto &a : opened)
        if (a)
            a->close();
}

void TestReferrals::approvalShowsTheReferralAsStored()
{
    const Referral pending = addReferral(QStringLiteral("P"));
    auto approval = openFromList(pending);
    QCOMPARE(approval->windowTitle(), QStringLiteral("Referral From Medical Team"));
    QCOMPARE(approval->txtAdmNo->text(), pending.idNum);
    QCOMPARE(approval->txtHospNo->text(), pending.hospNum);
    QCOMPARE(approval->txtDiagnosis->text(), QStringLiteral("PNEUMONIA"));
    QCOMPARE(approval->txtCategory->text(), QStringLiteral("FINANCIAL"));
    QCOMPARE(approval->txtRemarks->toPlainText(), QStringLiteral("SEEN"));
    QVERIFY(!approval->txtFullName->text().isEmpty());
    // Stored as 1900-01-01: no schedule yet, so today is offered.
    QCOMPARE(approval->dtSchedDate->date(), QDate::currentDate());
    QVERIFY(!approval->OptApproved->isChecked() && !approval->OptDeny->isChecked() && !approval->OptCash->isChecked());
    QVERIFY(approval->chkTick1->isChecked());
    QVERIFY(!approval->chkTick2->isChecked());
    QVERIFY(!approval->chktick3->isChecked());
    QVERIFY(approval->chktick4->isChecked());
    QVERIFY(approval->chktick5->isChecked());
    QCOMPARE(approval->txtOtherReason->text(), QStringLiteral("REQUEST FOR BLOOD DONORS"));

    const Referral approved = addReferral(QStringLiteral("A"));
    auto second = openFromList(approved);
    QVERIFY(second->OptApproved->isChecked());
    QCOMPARE(second->dtSchedDate->date(), QDate(2026, 12, 20));

    // From the history the window is read-only until EDIT; the list takes precedence when both are Valid.
    frmReferralApproval viewed(context(&m_hospital->connection()));
    const FixedOpener history(approved.idNum, approved.referralNo, true);
    const FixedOpener idleList(pending.idNum, pending.referralNo, false);
    viewed.load(&idleList, &history);
    QCOMPARE(viewed.txtAdmNo->text(), approved.idNum);
    QVERIFY(!viewed.cmdEdit->isHidden());
    for (QWidget *w : std::initializer_list<QWidget *> { viewed.cmdSave, viewed.txtRemarks, viewed.OptApproved,
             viewed.OptDeny, viewed.OptCash, viewed.dtSchedDate })
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    viewed.cmdEdit->click();
    QVERIFY(viewed.cmdEdit->isHidden());
    QVERIFY(viewed.cmdSave->isEnabled() && viewed.txtRemarks->isEnabled() && viewed.dtSchedDate->isEnabled());

    // Neither opener Valid, or a referral no longer on file: an empty window.
    frmReferralApproval none(context(&m_hospital->connection()));
    none.load(&idleList, nullptr);
    QCOMPARE(none.txtAdmNo->text(), QString());
    m_hospital->connection().execute(
        QStringLiteral("DELETE FROM tbMSSReferralNotice WHERE ReferralNo = %1").arg(pending.referralNo));
    test::MessageLog log;
    auto gone = openFromList(pending);
    QCOMPARE(gone->txtAdmNo->text(), QString());
    QVERIFY(log.shown.isEmpty());
}

void TestReferrals::savingStoresTheTagExactlyAsTyped()
{
    const Referral r = addReferral(QStringLiteral("P"));
    test::RecordingConnection recording(&m_hospital->connection());
    auto approval = openFromList(r, &recording);
    const QString remark
        = QStringLiteral("patient's mother, Señora O'Brien\nsaid \"yes\"; ") + QString(1900, QLatin1Char('x'));
    approval->txtRemarks->setPlainText(remark);
    approval->OptApproved->setChecked(true);
    approval->dtSchedDate->setDate(QDate(2026, 12, 24));
    approval->show();
    test::MessageLog log(QMessageBox::Ok);
    approval->cmdSave->click();

    QCOMPARE(log.texts(),
        QStringList({ QStringLiteral("Are you sure you want to tag thi Referral as Include to Bill ? "),
            QStringLiteral("Successfuly saved") }));
    QCOMPARE(log.shown[0].title, QStringLiteral("Confirmation"));
    QCOMPARE(log.shown[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(log.shown[1].title, QStringLiteral("Message"));
    QCOMPARE(log.shown[1].icon, QMessageBox::Warning);
    QString doubled = remark;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    QCOMPARE(recording.statements.last(),
        QStringLiteral("MSS..sp_MSS_SaveReferralNoticePatient'%1', '%2','A','%3', 'FINANCIAL', '12/24/2026',"
                       "'MSS01','%4' ")
            .arg(r.idNum, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), doubled, r.referralNo));
    QVERIFY(!approval->isVisible());

    data::Recordset stored = m_hospital->connection().open(
        QStringLiteral("SELECT Status, Remarks, ScheduleDate, ApprovedBy, DateApproved FROM tbMSSReferralNotice "
                       "WHERE ReferralNo = %1")
            .arg(r.referralNo));
    QCOMPARE(stored.text(QStringLiteral("Status")), QStringLiteral("A"));
    QCOMPARE(stored.text(QStringLiteral("Remarks")), remark);
    QCOMPARE(stored.text(QStringLiteral("ScheduleDate")), QStringLiteral("2026-12-24"));
    QCOMPARE(stored.text(QStringLiteral("ApprovedBy")), QStringLiteral("MSS01"));
    QVERIFY(stored.text(QStringLiteral("DateApproved")).startsWith(QDate::currentDate().toString(Qt::ISODate)));

    // The window opened on it again shows the remark as typed.
    auto again = openFromList(r);
    QCOMPARE(again->txtRemarks->toPlainText(), remark);
}

void TestReferrals::savingWithoutAnOptionAsksToTagFirst()
{
    const Referral r = addReferral(QStringLiteral("P"));
    auto approval = openFromList(r);
    test::MessageLog log(QMessageBox::Ok);
    approval->cmdSave->click();
    QCOMPARE(log.texts(),
        QStringList({ QStringLiteral("Please Tag the Patient "),
            QStringLiteral("Are you sure you want to tag thi Referral as Pending ? "),
            QStringLiteral("Successfuly saved") }));
    QCOMPARE(log.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(log.shown[0].title, QStringLiteral("Message"));
    QCOMPARE(scalar(QStringLiteral("SELECT Status FROM tbMSSReferralNotice WHERE ReferralNo = %1").arg(r.referralNo)),
        QStringLiteral("P"));
}

void TestReferrals::refusalsAndCancelSaveNothing()
{
    const Referral r = addReferral(QStringLiteral("P"));
    const QString statusOf = QStringLiteral("SELECT Status || '|' || ifnull(Remarks, '') FROM tbMSSReferralNotice "
                                            "WHERE ReferralNo = %1")
                                 .arg(r.referralNo);
    const QString before = scalar(statusOf);
    test::RecordingConnection recording(&m_hospital->connection());

    {
        // Cancel at the confirmation: nothing sent, the window stays.
        auto approval = openFromList(r, &recording);
        approval->show();
        approval->OptCash->setChecked(true);
        approval->txtRemarks->setPlainText(QStringLiteral("CHANGED"));
        test::MessageLog log(QMessageBox::Cancel);
        approval->cmdSave->click();
        QCOMPARE(log.texts(),
            QStringList { QStringLiteral("Are you sure you want to tag thi Referral as For Cash Basis ? ") });
        QVERIFY(approval->isVisible());
        QVERIFY(std::none_of(recording.statements.cbegin(), recording.statements.cend(),
            [](const QString &s) { return s.contains(QStringLiteral("SaveReferral")); }));
    }

    // A stored "no discharge" date is no discharge: the save goes on to ask.
    m_hospital->connection().execute(
        QStringLiteral("UPDATE PATIENT_DATA..tbPatient2 SET DcrDate = '1900-01-01' WHERE IdNum = '%1'").arg(r.idNum));
    {
        auto notDischarged = openFromList(r);
        test::MessageLog log(QMessageBox::Cancel);
        notDischarged->cmdSave->click();
        QCOMPARE(log.texts().last(), QStringLiteral("Are you sure you want to tag thi Referral as Pending ? "));
    }
    {
        ReferralRecord kept;
        kept.DischargeDate = QStringLiteral("1/1/1900");
        QVERIFY(!kept.discharged());
        kept.DischargeDate = QStringLiteral("1900-01-01 00:00:00");
        QVERIFY(!kept.discharged());
        kept.DischargeDate = QStringLiteral("2026-12-01 10:00:00");
        QVERIFY(kept.discharged());
    }

    // A discharged patient's referral is refused before anything is asked.
    m_hospital->connection().execute(
        QStringLiteral("UPDATE PATIENT_DATA..tbPatient2 SET DcrDate = '2026-12-08 10:00:00' WHERE IdNum = '%1'")
            .arg(r.idNum));
    auto discharged = openFromList(r, &recording);
    discharged->show();
    discharged->OptApproved->setChecked(true);
    const int sent = int(recording.statements.size());
    test::MessageLog log(QMessageBox::Ok);
    discharged->cmdSave->click();
    QCOMPARE(log.texts(), QStringList { QStringLiteral("Discharged Patient Cannot Be Updated.") });
    QCOMPARE(log.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(log.shown[0].title, QStringLiteral("Message"));
    QCOMPARE(recording.statements.size(), sent);
    QVERIFY(discharged->isVisible());
    QCOMPARE(scalar(statusOf), before);
}

void TestReferrals::failedSaveIsReportedOnce()
{
    const Referral r = addReferral(QStringLiteral("P"));
    test::FaultInjectingConnection failing(&m_hospital->connection());
    auto approval = openFromList(r, &failing);
    approval->show();
    failing.failStatement = failing.statementCount + 1; // the save
    approval->OptApproved->setChecked(true);
    {
        test::MessageLog log(QMessageBox::Ok);
        approval->cmdSave->click();
        QCOMPARE(log.shown.size(), 2);
        QCOMPARE(log.shown[1].icon, QMessageBox::Critical);
        QVERIFY(!log.texts().contains(QStringLiteral("Successfuly saved")));
        QVERIFY(approval->isVisible());
    }

    // Deleted between the list and the save: the database refuses, the window says so once.
    m_hospital->connection().execute(
        QStringLiteral("DELETE FROM tbMSSReferralNotice WHERE ReferralNo = %1").arg(r.referralNo));
    failing.failStatement = 0;
    test::MessageLog log(QMessageBox::Ok);
    approval->cmdSave->click();
    QCOMPARE(log.shown.size(), 2);
    QVERIFY(log.shown[1].text.contains(QStringLiteral("does not exist")));
    QVERIFY(approval->isVisible());
}

void TestReferrals::historySearchesAndOpensReadOnly()
{
    const Referral r = addReferral(QStringLiteral("A"));
    const QString lastName
        = scalar(QStringLiteral("SELECT LastName FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(r.hospNum));
    m_hospital->connection().execute(
        QStringLiteral("UPDATE tbMSSReferralNotice SET DateApproved = NULL WHERE ReferralNo = %1").arg(r.referralNo));
    test::RecordingConnection recording(&m_hospital->connection());
    frmReferralHistory history(context(&recording));
    QCOMPARE(recording.statements, QStringList { QStringLiteral("MSS..sp_MSS_LoadReferralHistory'', '',''") });
    QCOMPARE(history.model()->columnCount(), 8);
    QCOMPARE(history.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Date Modified"));
    QCOMPARE(history.model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Refnum"));
    const int all = history.model()->rowCount();

    history.txtLastname->setText(QStringLiteral("  ") + lastName + QStringLiteral(" "));
    history.cmdSearch->click();
    QCOMPARE(recording.statements.last(), QStringLiteral("MSS..sp_MSS_LoadReferralHistory'', '%1',''").arg(lastName));
    QVERIFY(history.model()->rowCount() < all);
    const int row = rowOf(*history.model(), frmReferralHistory::kRefnumColumn, r.referralNo);
    QVERIFY(row >= 0);
    QCOMPARE(history.model()->text(row, 3), QString()); // never approved: no date
    QCOMPARE(history.model()->text(row, 5), QStringLiteral("A"));
    // Shown with what the code means, as the approval window calls it.
    QCOMPARE(history.model()->index(row, 5).data().toString(), QStringLiteral("A - Include to Bill"));
    QCOMPARE(history.model()->index(row, 0).data(Qt::UserRole).toString(), QStringLiteral("clear"));

    history.cmdSelect->click(); // nothing selected
    QVERIFY(!history.Valid());

    bool validWhileOpen = false;
    bool readOnly = false;
    QString shown;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto *approval = qobject_cast<frmReferralApproval *>(&dialog);
        if (!approval)
            return int(QDialog::Rejected);
        validWhileOpen = history.Valid() && history.IDNUM() == r.idNum && history.REFNUM() == r.referralNo;
        readOnly = !approval->cmdSave->isEnabled() && !approval->cmdEdit->isHidden();
        shown = approval->txtAdmNo->text();
        return int(QDialog::Rejected);
    });
    history.show();
    selectRow(history.lvwRequest, row);
    history.cmdSelect->click();
    QVERIFY(validWhileOpen);
    QVERIFY(readOnly);
    QCOMPARE(shown, r.idNum);
    QVERIFY(!history.Valid());
    QCOMPARE(history.IDNUM(), QString());
    QVERIFY(!history.isVisible());
}

QTEST_MAIN(TestReferrals)
#include "tst_referrals.moc"
