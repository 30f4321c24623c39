#include "reports/reportcatalogue.h"

#include "auth/currentuser.h"
#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "domain/billingstatement.h"
#include "patients/patientselection.h"
#include "reports/reportdialogs.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QDate>
#include <QHash>

#include <functional>
#include <optional>

namespace mss::reports {

namespace {

using shell::Session;

// Which dialog an item asks its dates with.
enum class Ask {
    None,
    Date, // frmReportDate: one day
    Range, // frmReportDate2: a range of days
    RangeWorker, // frmReportDate2 with its social-worker row
    DateRange, // frmReportDateRange
};

// What the dialog answered: each date as the dialog wrote it (the system's short date form),
// as "mm/dd/yyyy" text and as a date value; reports differ in which they take.
struct Answer {
    QString d, e;
    QString D, E;
    QDate startDate, endDate;
    QString worker;
};

// The selected patient as the items use it: numbers with surrounding blanks removed.
struct Patient {
    QString HN, ID;
    const patients::PatientSelection &selection;
};

using Values = std::function<QVariantList(const Answer &, const Patient &)>;

struct Item {
    Ask ask = Ask::None;
    // A procedure call that prepares the data, completed with the start date ("mm/dd/yyyy").
    QString prepare;
    Values values;
    QString file;
    QString title;
};

QString userCode()
{
    return Session().CurrentUser ? Session().CurrentUser->employeecode() : QString();
}

QString userName()
{
    return Session().CurrentUser ? Session().CurrentUser->EmployeeName() : QString();
}

data::Connection *userConnection()
{
    data::Connection *c = Session().CurrentUser ? Session().CurrentUser->sqlconnection() : nullptr;
    if (!c)
        throw data::DbError(
            3704, QStringLiteral("Reports"), QStringLiteral("No one is logged on, so no report can run."));
    return c;
}

data::Connection *sharedConnection()
{
    if (!Session().SharedConnection)
        throw data::DbError(
            3704, QStringLiteral("Reports"), QStringLiteral("No one is logged on, so no report can run."));
    return Session().SharedConnection;
}

// The income, QC and unpaid-bills reports all take the same six values; only the dates' form,
// the patient type and the title printed on them differ.
Values income(bool dateValues, int patientType, const QString &printedTitle)
{
    return [=](const Answer &a, const Patient &) {
        return QVariantList { dateValues ? QVariant(a.startDate) : QVariant(a.D),
            dateValues ? QVariant(a.endDate) : QVariant(a.E), patientType, Session().HospitalName,
            Session().HospitalAddress, printedTitle };
    };
}

const QString kIncomeIn = QStringLiteral("Daily Service Income Report - In Patient");
const QString kIncomeOut = QStringLiteral("Daily Service Income Report - Out Patient");
const QString kIncomeER = QStringLiteral("Daily Service Income Report - ER Patient");
const QString kCensusTitle = QStringLiteral("List of Admitted Patients (Census)");
const QString kDailyAdmission = QStringLiteral("Patient_Data..sp_Adm_DailyAdmission '");
const QString kERDailyCensus = QStringLiteral("MSS..sp_MSS_getERDailyCensus '");

const QList<std::pair<QString, Item>> &items()
{
    static const QList<std::pair<QString, Item>> list = [] {
        const Values none = [](const Answer &, const Patient &) { return QVariantList {}; };
        const Values range = [](const Answer &a, const Patient &) { return QVariantList { a.D, a.E }; };
        const Values dayAndUser = [](const Answer &a, const Patient &) { return QVariantList { a.D, userCode() }; };
        const Values day = [](const Answer &a, const Patient &) { return QVariantList { a.D }; };
        const auto typeAndDay = [](const QString &type) {
            return Values([type](const Answer &a, const Patient &) { return QVariantList { type, a.D }; });
        };
        QList<std::pair<QString, Item>> l;
        const auto add = [&l](const QString &menu, Ask ask, const QString &prepare, const Values &values,
                             const QString &file, const QString &title) {
            l.append({ menu, Item { ask, prepare, values, file, title } });
        };

        add(QStringLiteral("mnuListGrantees"), Ask::None, {}, none, QStringLiteral("ListofGrantees.rpt"),
            QStringLiteral("List of Grantees"));
        add(QStringLiteral("mnuAssessment"), Ask::DateRange, {}, range, QStringLiteral("ListofAssessment.rpt"),
            QStringLiteral("List of Assessments"));
        add(
            QStringLiteral("mnuTransaction"), Ask::None, {},
            [](const Answer &, const Patient &p) { return QVariantList { p.HN }; },
            QStringLiteral("ARRTransactionReport.rpt"), QStringLiteral("Assessment Transaction Report"));
        // Both daily lists carry the same viewer title.
        add(QStringLiteral("mnuListAdmissions"), Ask::Date, QStringLiteral("Patient_data..sp_Adm_DailyAdmission '"),
            dayAndUser, QStringLiteral("Admissions.rpt"), QStringLiteral("DailyDischargeList"));
        add(QStringLiteral("mnuListDischarges"), Ask::Date, QStringLiteral("patient_data..sp_Adm_DailyDischarges '"),
            dayAndUser, QStringLiteral("DailyDischargeList.rpt"), QStringLiteral("DailyDischargeList"));
        add(QStringLiteral("mnuCensus"), Ask::Date, kDailyAdmission, dayAndUser,
            QStringLiteral("Daily_Report_Admission.rpt"), kCensusTitle);
        add(QStringLiteral("mnuDailyERCensus"), Ask::Date, kERDailyCensus, day,
            QStringLiteral("ER_Census_LikeAdmitting.rpt"), kCensusTitle);
        add(QStringLiteral("mnuERAdmission"), Ask::Date, {}, typeAndDay(QStringLiteral("2")),
            QStringLiteral("ERAdmission.rpt"), QStringLiteral("Daily ER Admission Report"));
        add(QStringLiteral("mnuDischarges"), Ask::Date, {}, typeAndDay(QStringLiteral("1")),
            QStringLiteral("ERAdmission.rpt"), QStringLiteral("Daily ER Discharges Report"));
        add(QStringLiteral("mnuAdmCensusService"), Ask::Date, kDailyAdmission, dayAndUser,
            QStringLiteral("Daily_Report_AdmissionService.rpt"), kCensusTitle);
        add(QStringLiteral("mnuERCensusService"), Ask::Date, kERDailyCensus, day,
            QStringLiteral("ER_Census_Service.rpt"), kCensusTitle);
        add(
            QStringLiteral("mnuDischargeNoticeReport"), Ask::Date, {},
            [](const Answer &a, const Patient &) { return QVariantList { a.startDate }; },
            QStringLiteral("DischargeNoticeMonitoring.rpt"), QStringLiteral("Discharge Notice Monitoring Report"));
        // The revoked notices take the dialog's dates as it wrote them.
        add(
            QStringLiteral("mnuDischargeNoticeRevoked"), Ask::Range, {},
            [](const Answer &a, const Patient &) {
                return QVariantList { a.d, a.e };
            },
            QStringLiteral("DischargeRevoked.rpt"), QStringLiteral("Revoked Discharge Notice Monitoring Report"));
        add(QStringLiteral("mnuServiceIncomeReportInpatient"), Ask::Range, {}, income(false, 1, kIncomeIn),
            QStringLiteral("MSSDailyDischargesReport.rpt"), kIncomeIn);
        add(QStringLiteral("mnuServiceIncomeReportOutpatient"), Ask::Range, {}, income(true, 3, kIncomeOut),
            QStringLiteral("MSSDailyDischargesReportOut.rpt"), kIncomeOut);
        add(QStringLiteral("mnuServiceIncomeReportERPatient"), Ask::Range, {}, income(false, 2, kIncomeER),
            QStringLiteral("MSSDailyDischargesReport.rpt"), kIncomeER);
        add(QStringLiteral("mnuQCIPD"), Ask::Range, {}, income(false, 1, QStringLiteral("QC Report - In Patients")),
            QStringLiteral("MSS_Report_QC.rpt"), QStringLiteral("QC Residents Report - In Patients"));
        add(QStringLiteral("mnuQCOPD"), Ask::Range, {}, income(false, 4, QStringLiteral("QC Report - OPD Patients")),
            QStringLiteral("MSS_Report_QC.rpt"), QStringLiteral("QC Residents Report - OPD Patients"));
        add(QStringLiteral("mnuQCER"), Ask::Range, {}, income(false, 2, QStringLiteral("QC Report - ER Patients")),
            QStringLiteral("MSS_Report_QC.rpt"), QStringLiteral("QC Residents Report - ER Patients"));
        add(QStringLiteral("mnuERCensus"), Ask::Range, {}, range, QStringLiteral("ER_Census_Report_new.RPT"),
            QStringLiteral("ER Census Report"));
        add(QStringLiteral("mnuERDischarges"), Ask::Range, {}, range, QStringLiteral("ER_Discharges_Report_New.RPT"),
            QStringLiteral("ER Discharges Report"));
        // The three unpaid-bills reports print the in-patient title; only the patient type differs.
        const QString unpaidTitle = QStringLiteral("Payables/Refund Report - In Patient");
        add(QStringLiteral("mnuPatientUnpaid_IPD"), Ask::Range, {}, income(false, 1, kIncomeIn),
            QStringLiteral("Checking_MSS_Report.rpt"), unpaidTitle);
        add(QStringLiteral("mnuPatientUnpaid_OPD"), Ask::Range, {}, income(false, 3, kIncomeIn),
            QStringLiteral("Checking_MSS_Report.rpt"), unpaidTitle);
        add(QStringLiteral("mnuPatientUnpaid_ER"), Ask::Range, {}, income(false, 2, kIncomeIn),
            QStringLiteral("Checking_MSS_Report.rpt"), unpaidTitle);
        add(QStringLiteral("mnuIn"), Ask::Range, {}, income(false, 1, kIncomeIn), QStringLiteral("SummaryIncome.rpt"),
            kIncomeIn);
        add(QStringLiteral("mnuOut"), Ask::Range, {}, income(true, 3, kIncomeOut),
            QStringLiteral("SummaryIncomeOutPatient.rpt"), kIncomeOut);
        add(QStringLiteral("mnuER"), Ask::Range, {}, income(false, 2, kIncomeER), QStringLiteral("SummaryIncome.rpt"),
            kIncomeER);
        add(
            QStringLiteral("mnuactivity"), Ask::RangeWorker, {},
            [](const Answer &a, const Patient &) {
                return QVariantList { userName(), a.D, a.E, a.worker };
            },
            QStringLiteral("ActivityComparison.rpt"), QStringLiteral("ACTIVITY COMPARISON TABLE"));
        // The contract slip finds the patient by the number exactly as the list holds it.
        add(
            QStringLiteral("mnuContractSlip"), Ask::None, {},
            [](const Answer &, const Patient &p) { return QVariantList { p.selection.HospNum }; },
            QStringLiteral("ContractSlip.rpt"), QStringLiteral("Contract Slip"));
        add(
            QStringLiteral("mnuRePrintIntake"), Ask::None, {},
            [](const Answer &, const Patient &p) {
                return QVariantList { QStringLiteral("MEDICAL SOCIAL SERVICE"),
                    QStringLiteral("Vellmore Avenue, Port Halden"), p.HN, p.HN };
            },
            QStringLiteral("IntakeSheet-Final.rpt"), QStringLiteral("Intake Sheet Data"));
        add(
            QStringLiteral("mnuViewPatientDatasheet"), Ask::None, {},
            [](const Answer &, const Patient &p) {
                return QVariantList { Session().HospitalAddress, p.selection.IDNUM };
            },
            QStringLiteral("DataSheet.rpt"), QStringLiteral("In-Patient Data Sheet"));
        return l;
    }();
    return list;
}

const Item *findItem(const QString &menuName)
{
    for (const auto &[name, item] : items())
        if (name == menuName)
            return &item;
    return nullptr;
}

// Shows the dialog an item asks with; nothing when the user closed it without "&Enter".
std::optional<Answer> ask(Ask kind, QWidget *parent)
{
    Answer a;
    switch (kind) {
    case Ask::None:
        return a;
    case Ask::Date: {
        frmReportDate dialog(parent);
        if (ui::Messages::execDialog(dialog) != QDialog::Accepted || dialog.CloseForm())
            return std::nullopt;
        a.d = dialog.startdate();
        break;
    }
    case Ask::Range:
    case Ask::RangeWorker: {
        frmReportDate2 dialog(userConnection(), parent);
        dialog.showWorkerRow(kind == Ask::RangeWorker);
        if (ui::Messages::execDialog(dialog) != QDialog::Accepted || dialog.CloseForm())
            return std::nullopt;
        a.d = dialog.startdate();
        a.e = dialog.enddate();
        a.worker = dialog.WorkerCode();
        break;
    }
    case Ask::DateRange: {
        frmReportDateRange dialog(parent);
        if (ui::Messages::execDialog(dialog) != QDialog::Accepted || dialog.CloseForm())
            return std::nullopt;
        a.d = dialog.startdate();
        a.e = dialog.enddate();
        break;
    }
    }
    a.startDate = data::parseDate(a.d).value_or(QDate());
    a.endDate = data::parseDate(a.e).value_or(QDate());
    a.D = a.startDate.isValid() ? data::formatMMDDYYYY(a.startDate) : QString();
    a.E = a.endDate.isValid() ? data::formatMMDDYYYY(a.endDate) : QString();
    return a;
}

QString reportFile(const QString &name)
{
    return Session().ReportsPath + QStringLiteral("\\") + name;
}

void detailedSoa(ReportRunner &runner, const Patient &p)
{
    if (p.ID.startsWith(QLatin1Char('T'))) {
        ui::Messages::show(QStringLiteral("Cannot generate SOA for Cash Patients."));
        return;
    }
    if (p.HN.isEmpty()) {
        ui::Messages::show(
            QStringLiteral("Please select a patient."), QStringLiteral("Message"), QMessageBox::Information);
        return;
    }
    QString patientName, address1, address2, accountNum, company, admDate, dcrDate, roomId, admTime, dcrTime, roomRate,
        opdIdnum;
    data::Recordset rs = sharedConnection()->open(QStringLiteral("MSS..sp_MSS_PatientInfoForSOA '") + data::q(p.HN)
            + QStringLiteral("','") + data::q(p.ID) + QStringLiteral("'"),
        data::CursorType::ForwardOnly, data::LockType::ReadOnly);
    if (!rs.eof()) {
        const auto date = [&rs](const QString &column) {
            const auto d = data::parseDate(rs.text(column));
            return d ? data::formatMMDDYYYY(*d) : QString();
        };
        patientName = rs.text(QStringLiteral("PatientName"));
        address1 = rs.text(QStringLiteral("Address1"));
        address2 = rs.text(QStringLiteral("Address2"));
        accountNum = rs.text(QStringLiteral("AccountNum"));
        company = rs.text(QStringLiteral("Company"));
        admDate = date(QStringLiteral("AdmDate"));
        dcrDate = date(QStringLiteral("dcrdate"));
        roomId = rs.text(QStringLiteral("RoomID"));
        admTime = rs.text(QStringLiteral("AdmTime"));
        dcrTime = rs.text(QStringLiteral("dcrtime"));
        roomRate = rs.text(QStringLiteral("RoomRate"));
        opdIdnum = rs.text(QStringLiteral("OPDIdnum"));
    }
    bool numeric = false;
    p.ID.toDouble(&numeric);
    const QVariantList heading { patientName, address1, address2, accountNum, company, p.ID, p.HN, admDate, dcrDate,
        roomId, roomRate, admTime, dcrTime };
    QVariantList values { p.ID };
    QString file;
    if (numeric && !opdIdnum.isEmpty()) {
        values << heading << opdIdnum << QString();
        file = QStringLiteral("DetailedSOAForVellmoreRefNumGroupedConsolidated.rpt");
    } else {
        values << (numeric ? QStringLiteral("501") : QStringLiteral("102")) << heading << false << QString();
        file = numeric ? QStringLiteral("DetailedSOAForVellmoreRefNumGrouped.rpt")
                       : QStringLiteral("DetailedSOAForVellmoreRefNumGrouped_opd.rpt");
    }
    runner.OpenReport(reportFile(file), values);
    runner.ShowReport(false, QStringLiteral("Detailed Statement of Accounts"), false);
}

void summarizedSoa(const Patient &p)
{
    if (p.ID.isEmpty()) {
        ui::Messages::show(QStringLiteral("Please select first a patient to process."), {}, QMessageBox::Information);
        return;
    }
    const shell::SessionState &s = Session();
    if (!s.BillingConnection || !s.BillingSoa || !s.CurrentUser)
        return;
    if (!s.BillingConnection->EstablishedConnection(s.CurrentUser->ServerName(), QStringLiteral("BILLING"), QString()))
        return;
    suite::clssoa &soa = *s.BillingSoa;
    soa.AdmissionNumber = p.ID;
    soa.UserId = userCode();
    soa.HospitalNumber = p.HN;
    soa.UserName = userName();
    soa.ShowSOA(p.ID);
}

void monthlyPerformance(ReportRunner &runner, QWidget *parent)
{
    const auto a = ask(Ask::RangeWorker, parent);
    if (!a)
        return;
    runner.OpenReport(reportFile(QStringLiteral("MonthlyPerformance.rpt")),
        { Session().HospitalName, Session().HospitalAddress, userName(), a->D, a->E, a->worker });
    const QVariantList period { a->D, a->E, a->worker };
    runner.OpenSubreport(QStringLiteral("I.SourceOfReferral"), period);
    runner.OpenSubreport(QStringLiteral("II.Caseload"), period);
    runner.OpenSubreport(QStringLiteral("III.CaseloadPerCategory"), period);
    runner.OpenSubreport(QStringLiteral("IV.Services"), period);
    runner.OpenSubreport(QStringLiteral("documentation"), QVariantList(period) << userCode());
    runner.ShowReport(false, QStringLiteral("Monthly Performance Report"), false);
}

// The answers of the NBB dialog are kept for a report that has not been drawn up yet.
void nbb(QWidget *parent)
{
    frmReportDateCategory dialog(userConnection(), parent);
    ui::Messages::execDialog(dialog);
}

const QStringList kSpecialItems { QStringLiteral("mnuViewPatientBill"), QStringLiteral("mnuSummarizedSOA"),
    QStringLiteral("mnuMonthlyPerformanceReport"), QStringLiteral("mnuNBB") };

} // namespace

QStringList catalogueItems()
{
    QStringList names;
    for (const auto &entry : items())
        names.append(entry.first);
    names.append(kSpecialItems);
    return names;
}

bool isCatalogueItem(const QString &menuName)
{
    return catalogueItems().contains(menuName);
}

void runCatalogueItem(
    const QString &menuName, const patients::PatientSelection &selection, ReportRunner &runner, QWidget *parent)
{
    const Patient patient { selection.HospNum.trimmed(), selection.IDNUM.trimmed(), selection };
    if (menuName == QStringLiteral("mnuViewPatientBill"))
        return detailedSoa(runner, patient);
    if (menuName == QStringLiteral("mnuSummarizedSOA"))
        return summarizedSoa(patient);
    if (menuName == QStringLiteral("mnuMonthlyPerformanceReport"))
        return monthlyPerformance(runner, parent);
    if (menuName == QStringLiteral("mnuNBB"))
        return nbb(parent);

    const Item *item = findItem(menuName);
    if (!item)
        throw ReportError(QStringLiteral("The menu item %1 runs no report.").arg(menuName));
    const auto answer = ask(item->ask, parent);
    if (!answer)
        return;
    if (!item->prepare.isEmpty()) {
        ui::WaitCursor wait;
        userConnection()->execute(item->prepare + data::q(answer->D) + QStringLiteral("'"));
    } else if (menuName == QStringLiteral("mnuViewPatientDatasheet")) {
        ui::WaitCursor wait;
        sharedConnection()->execute(
            QStringLiteral("Patient_Data..sp_Adm_PatientData '") + data::q(selection.IDNUM) + QStringLiteral("'"));
    }
    runner.OpenReport(reportFile(item->file), item->values(*answer, patient));
    runner.ShowReport(false, item->title, false);
}

} // namespace mss::reports
