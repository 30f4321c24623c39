// Every report definition the program ships, rendered on the demo hospital: each must run its
// queries, print its title and the hospital's name, and show rows that really are in the database.
#include "reporttesting.h"

#include "data/format.h"
#include "db/hospitaldb.h"
#include "engine/reportfiles.h"
#include "support/demohospital.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <functional>

using namespace mss;
using namespace mss::reports;

namespace {

QString sourceDir()
{
    const QString env = qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    if (!env.isEmpty())
        return env;
    return QDir::cleanPath(
        QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absoluteFilePath(QStringLiteral(__FILE__))
        + QStringLiteral("/../../.."));
}

QString reportsDir()
{
    return sourceDir() + QStringLiteral("/REPORTS");
}

QString allText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What each shipped report printed on the demo hospital when its layout was last accepted, as
// pdftotext reads it: a change to the engine must not move a word of it. After a deliberate
// change to a definition or to the demo data, MSS_UPDATE_EXPECTED_TEXTS=1 writes them anew.
QString expectedTextFile(const QString &file, const QString &title)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    return sourceDir() + QStringLiteral("/tests/reports/expected/")
        + QString(file + QLatin1Char('_') + title).replace(unsafe, QStringLiteral("_")) + QStringLiteral(".txt");
}

// "YYYY-MM-DD…" from the database as the dialogs hand it on: "mm/dd/yyyy".
QString mdy(const QString &isoDate)
{
    return data::formatMMDDYYYY(QDate::fromString(isoDate.left(10), QStringLiteral("yyyy-MM-dd")));
}

// What a case renders: values by position, values of subreports, and a text of a real row that
// must be printed.
struct Rendering {
    QVariantList values;
    QList<SubreportValues> subs;
    QString mustShow;
};

struct Case {
    QString file;
    QString title;
    std::function<Rendering(data::Connection &)> arrange;
};

const QString kHospital = QStringLiteral("VELLMORE MEDICAL CENTER");
const QString kFrom = QStringLiteral("01/01/2020");
const QString kTo = QStringLiteral("12/31/2026");

QVariantList income(int type, const QString &title, bool dateValues = false)
{
    const QVariant from = dateValues ? QVariant(QDate(2020, 1, 1)) : QVariant(kFrom);
    const QVariant to = dateValues ? QVariant(QDate(2026, 12, 31)) : QVariant(kTo);
    return { from, to, type, kHospital, QStringLiteral("Vellmore Avenue, Port Halden"), title };
}

QList<Case> cases()
{
    using data::Connection;
    const auto one = [](Connection &c, const QString &sql) { return test::scalar(c, sql); };
    QList<Case> l;
    l.append(
        { QStringLiteral("ListofGrantees.rpt"), QStringLiteral("List of Grantees"), [=](Connection &c) {
             return Rendering { {}, {},
                 one(c, QStringLiteral("SELECT HospNum FROM BILLING..tbBillCDFAllocation ORDER BY AllocationID")) };
         } });
    l.append({ QStringLiteral("ListofAssessment.rpt"), QStringLiteral("List of Assessments"), [=](Connection &c) {
                  return Rendering { { kFrom, kTo }, {},
                      one(c, QStringLiteral("SELECT IdNum FROM MSS..tbMSSAssessment ORDER BY AssessDate DESC")) };
              } });
    l.append({ QStringLiteral("ARRTransactionReport.rpt"), QStringLiteral("Assessment Transaction Report"),
        [=](Connection &c) {
            const QString hn = one(c, QStringLiteral("SELECT HospNum FROM MSS..tbMSSTransaction ORDER BY TransID"));
            return Rendering { { hn }, {},
                one(c, QStringLiteral("SELECT IdNum FROM MSS..tbMSSTransaction WHERE HospNum = '%1'").arg(hn)) };
        } });
    const auto daily = [=](const QString &where) {
        return [=](Connection &c) {
            const QString sql
                = QStringLiteral("SELECT IdNum, AdmDate FROM PATIENT_DATA..tbPatient2 WHERE %1 ORDER BY AdmDate DESC")
                      .arg(where);
            data::Recordset rs = c.open(sql);
            return Rendering { { mdy(rs.text(1)), QStringLiteral("MSS01") }, {}, rs.text(0) };
        };
    };
    l.append(
        { QStringLiteral("Admissions.rpt"), QStringLiteral("Daily Admission List"), daily(QStringLiteral("1 = 1")) });
    // In the census at the end of the day it came in: not discharged that same day.
    const QString stays = QStringLiteral("(DcrDate IS NULL OR date(DcrDate) > date(AdmDate))");
    l.append({ QStringLiteral("Daily_Report_Admission.rpt"), QStringLiteral("List of Admitted Patients (Census)"),
        daily(stays) });
    l.append({ QStringLiteral("Daily_Report_AdmissionService.rpt"),
        QStringLiteral("List of Admitted Service Patients (Census)"),
        daily(stays + QStringLiteral(" AND PatientClass = 'S'")) });
    l.append(
        { QStringLiteral("DailyDischargeList.rpt"), QStringLiteral("Daily Discharge List"), [=](Connection &c) {
             data::Recordset rs = c.open(QStringLiteral(
                 "SELECT IdNum, DcrDate FROM PATIENT_DATA..tbPatient2 WHERE DcrDate IS NOT NULL ORDER BY DcrDate"));
             return Rendering { { mdy(rs.text(1)), QStringLiteral("MSS01") }, {}, rs.text(0) };
         } });
    const auto erDay = [=](const QString &column, const QString &where, const QVariant &type) {
        return [=](Connection &c) {
            data::Recordset rs = c.open(
                QStringLiteral("SELECT IdNum, %1 FROM PATIENT_DATA..tbERMaster WHERE %1 IS NOT NULL AND %2 ORDER BY %1")
                    .arg(column, where));
            QVariantList values { mdy(rs.text(1)) };
            if (type.isValid())
                values.prepend(type);
            return Rendering { values, {}, rs.text(0) };
        };
    };
    l.append({ QStringLiteral("ER_Census_LikeAdmitting.rpt"), QStringLiteral("Daily ER Census"),
        erDay(QStringLiteral("AdmDate"), QStringLiteral("1 = 1"), {}) });
    l.append({ QStringLiteral("ER_Census_Service.rpt"), QStringLiteral("Daily ER Census - Service Patients"),
        erDay(QStringLiteral("AdmDate"), QStringLiteral("PatientClassification = 'S'"), {}) });
    l.append({ QStringLiteral("ERAdmission.rpt"), QStringLiteral("Daily ER Admission Report"),
        erDay(QStringLiteral("AdmDate"), QStringLiteral("1 = 1"), QStringLiteral("2")) });
    l.append({ QStringLiteral("ERAdmission.rpt"), QStringLiteral("Daily ER Discharges Report"),
        erDay(QStringLiteral("DcrDate"), QStringLiteral("1 = 1"), QStringLiteral("1")) });
    l.append({ QStringLiteral("ER_Census_Report_new.RPT"), QStringLiteral("ER Census Report"), [=](Connection &c) {
                  return Rendering { { kFrom, kTo }, {},
                      one(c, QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbERMaster ORDER BY AdmDate")) };
              } });
    l.append(
        { QStringLiteral("ER_Discharges_Report_New.RPT"), QStringLiteral("ER Discharges Report"), [=](Connection &c) {
             return Rendering { { kFrom, kTo }, {},
                 one(c, QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbERMaster WHERE DcrDate IS NOT NULL")) };
         } });
    l.append({ QStringLiteral("DischargeNoticeMonitoring.rpt"), QStringLiteral("Discharge Notice Monitoring Report"),
        [=](Connection &c) {
            data::Recordset rs
                = c.open(QStringLiteral("SELECT IdNum, NoticeDate FROM MSS..tbMSSDischargeNotice ORDER BY NoticeID"));
            return Rendering { { QDate::fromString(rs.text(1).left(10), QStringLiteral("yyyy-MM-dd")) }, {},
                rs.text(0) };
        } });
    l.append({ QStringLiteral("DischargeRevoked.rpt"), QStringLiteral("Revoked Discharge Notice Monitoring Report"),
        [=](Connection &c) {
            c.execute(QStringLiteral(
                "UPDATE MSS..tbMSSDischargeNotice SET Revoked = 1, RevokedDate = NoticeDate, RevokedBy = 'MSS01'"
                " WHERE NoticeID = (SELECT min(NoticeID) FROM MSS..tbMSSDischargeNotice)"));
            // The dialog's own short form, as the menu item passes it.
            return Rendering { { QStringLiteral("1/1/2020"), QStringLiteral("12/31/2026") }, {},
                one(c, QStringLiteral("SELECT IdNum FROM MSS..tbMSSDischargeNotice WHERE Revoked = 1")) };
        } });
    const QString assessedInPatient = QStringLiteral(
        "SELECT p.IdNum FROM PATIENT_DATA..tbPatient2 p JOIN MSS..tbMSSAssessment a ON a.IdNum = p.IdNum"
        " WHERE p.DcrDate IS NOT NULL ORDER BY p.DcrDate");
    const QString assessedOutPatient = QStringLiteral("SELECT p.IdNum FROM PATIENT_DATA..tbOutPatient p JOIN "
                                                      "MSS..tbMSSAssessment a ON a.IdNum = p.IdNum ORDER BY p.AdmDate");
    const QString inTitle = QStringLiteral("Daily Service Income Report - In Patient");
    const QString outTitle = QStringLiteral("Daily Service Income Report - Out Patient");
    l.append({ QStringLiteral("MSSDailyDischargesReport.rpt"), inTitle, [=](Connection &c) {
                  return Rendering { income(1, inTitle), {}, one(c, assessedInPatient) };
              } });
    l.append({ QStringLiteral("MSSDailyDischargesReportOut.rpt"), outTitle, [=](Connection &c) {
                  return Rendering { income(3, outTitle, true), {}, one(c, assessedOutPatient) };
              } });
    l.append(
        { QStringLiteral("MSS_Report_QC.rpt"), QStringLiteral("QC Report - In Patients"), [=](Connection &c) {
             return Rendering { income(1, QStringLiteral("QC Report - In Patients")), {}, one(c, assessedInPatient) };
         } });
    l.append({ QStringLiteral("Checking_MSS_Report.rpt"), QStringLiteral("Payables/Refund"), [=](Connection &) {
                  return Rendering { income(1, QStringLiteral("Payables/Refund")), {}, QStringLiteral("PAYABLES") };
              } });
    l.append({ QStringLiteral("SummaryIncome.rpt"), inTitle, [=](Connection &) {
                  return Rendering { income(1, inTitle), {}, QStringLiteral("ROOM AND BOARD") };
              } });
    l.append({ QStringLiteral("SummaryIncomeOutPatient.rpt"), outTitle, [=](Connection &c) {
                  return Rendering { income(3, outTitle, true), {},
                      one(c,
                          QStringLiteral("SELECT r.Department FROM BILLING..tbBillOPDailyOut b"
                                         " JOIN BILLING..tbBillRevenueCode r ON r.RevenueID = b.RevenueID"
                                         " WHERE b.IdNum = (%1) AND r.IsCharge = 1")
                              .arg(assessedOutPatient)) };
              } });
    l.append({ QStringLiteral("ActivityComparison.rpt"), QStringLiteral("Activity Comparison Table"),
        [=](Connection &c) {
            const QString worker
                = one(c, QStringLiteral("SELECT MSSW FROM MSS..tbMSSCaseHistory WHERE MSSW IS NOT NULL"));
            return Rendering { { QStringLiteral("DEMO USER"), kFrom, kTo, worker }, {},
                one(c, QStringLiteral("SELECT LastName FROM MSS..tbMSSEmployee WHERE EmployeeID = '%1'").arg(worker)) };
        } });
    l.append(
        { QStringLiteral("MonthlyPerformance.rpt"), QStringLiteral("Monthly Performance Report"), [=](Connection &c) {
             const QVariantList period { kFrom, kTo, QString() };
             return Rendering { { kHospital, QStringLiteral("Vellmore Avenue"), QStringLiteral("DEMO USER"), kFrom, kTo,
                                    QString() },
                 { { QStringLiteral("I.SourceOfReferral"), period }, { QStringLiteral("II.Caseload"), period },
                     { QStringLiteral("III.CaseloadPerCategory"), period }, { QStringLiteral("IV.Services"), period },
                     { QStringLiteral("documentation"), QVariantList(period) << QStringLiteral("MSS01") } },
                 one(c,
                     QStringLiteral("SELECT r.ReferringParty FROM MSS..tbMSSAssessment a"
                                    " JOIN MSS..tbMSSReferringParty r ON r.Code = a.ReferringPartyID")) };
         } });
    l.append({ QStringLiteral("ContractSlip.rpt"), QStringLiteral("CONTRACT SLIP"), [=](Connection &c) {
                  const QString hn
                      = one(c, QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 ORDER BY IdNum"));
                  // The menu passes the number as the list holds it, blanks and all.
                  return Rendering { { QStringLiteral(" ") + hn + QStringLiteral(" ") }, {},
                      one(c,
                          QStringLiteral(
                              "SELECT IdNum FROM PATIENT_DATA..vwAdmission WHERE HospNum = '%1' ORDER BY AdmDate DESC")
                              .arg(hn)) };
              } });
    l.append({ QStringLiteral("IntakeSheet-Final.rpt"), QStringLiteral("INTAKE SHEET"), [=](Connection &c) {
                  data::Recordset rs = c.open(
                      QStringLiteral("SELECT i.HospNum, i.MSSNumber, f.FamilyMember FROM MSS..tbMSSIntakeSheet i"
                                     " JOIN MSS..tbMSSFamilyComposition f ON f.HospNum = i.HospNum"
                                     " WHERE i.MSSNumber IS NOT NULL ORDER BY i.HospNum, f.Seq"));
                  return Rendering { { QStringLiteral("MEDICAL SOCIAL SERVICE"),
                                         QStringLiteral("Vellmore Avenue, Port Halden"), rs.text(0), rs.text(0) },
                      {}, rs.text(1) + QLatin1Char('|') + rs.text(2) };
              } });
    l.append(
        { QStringLiteral("ARR_New.rpt"), QStringLiteral("ASSESSMENT AND REFERRAL RECORD"), [=](Connection &c) {
             data::Recordset rs = c.open(QStringLiteral(
                 "SELECT HospNum, IdNum, MSSNum FROM MSS..tbMSSAssessment WHERE MSSNum IS NOT NULL ORDER BY IdNum"));
             return Rendering { { rs.text(0), rs.text(1), QStringLiteral("DEMO USER"), QStringLiteral("0012345"),
                                    QString() },
                 {}, rs.text(2) };
         } });
    l.append({ QStringLiteral("DataSheet.rpt"), QStringLiteral("IN-PATIENT DATA SHEET"), [=](Connection &c) {
                  data::Recordset rs
                      = c.open(QStringLiteral("SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 ORDER BY IdNum"));
                  return Rendering { { QStringLiteral("Vellmore Avenue"), rs.text(0) }, {}, rs.text(1) };
              } });
    const auto heading = [](const QString &id, const QString &hn) {
        return QVariantList { QStringLiteral("DOE, JUAN"), QStringLiteral("1 MAIN ST."), QStringLiteral("PORT HALDEN"),
            QString(), QString(), id, hn, QStringLiteral("10/24/2026"), QStringLiteral("10/31/2026"),
            QStringLiteral("304"), QStringLiteral("850"), QStringLiteral("08:00"), QStringLiteral("10:00") };
    };
    l.append({ QStringLiteral("DetailedSOAForVellmoreRefNumGrouped.rpt"), QStringLiteral("STATEMENT OF ACCOUNT"),
        [=](Connection &c) {
            data::Recordset rs = c.open(QStringLiteral(
                "SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 WHERE ifnull(OPDIdNum, '') = '' ORDER BY IdNum"));
            return Rendering { QVariantList { rs.text(0), QStringLiteral("501") } + heading(rs.text(0), rs.text(1))
                    + QVariantList { false, QString() },
                {}, QStringLiteral("ROOM AND BOARD") };
        } });
    l.append({ QStringLiteral("DetailedSOAForVellmoreRefNumGroupedConsolidated.rpt"),
        QStringLiteral("STATEMENT OF ACCOUNT"), [=](Connection &c) {
            data::Recordset rs = c.open(QStringLiteral("SELECT IdNum, HospNum, OPDIdNum FROM PATIENT_DATA..tbPatient2 "
                                                       "WHERE ifnull(OPDIdNum, '') <> '' ORDER BY IdNum"));
            return Rendering { QVariantList { rs.text(0) } + heading(rs.text(0), rs.text(1))
                    + QVariantList { rs.text(2), QString() },
                {}, rs.text(2) };
        } });
    l.append({ QStringLiteral("DetailedSOAForVellmoreRefNumGrouped_opd.rpt"), QStringLiteral("STATEMENT OF ACCOUNT"),
        [=](Connection &c) {
            data::Recordset rs = c.open(
                QStringLiteral("SELECT b.IdNum, o.HospNum, r.Department FROM BILLING..tbBillOPDailyOut b"
                               " JOIN PATIENT_DATA..tbOutPatient o ON o.IdNum = b.IdNum"
                               " JOIN BILLING..tbBillRevenueCode r ON r.RevenueID = b.RevenueID AND r.IsCharge = 1"
                               " ORDER BY b.LineID"));
            return Rendering { QVariantList { rs.text(0), QStringLiteral("102") } + heading(rs.text(0), rs.text(1))
                    + QVariantList { false, QString() },
                {}, rs.text(2) };
        } });
    return l;
}

} // namespace

class TestShippedReports : public QObject {
    Q_OBJECT

private slots:
    void everyDefinitionHasACase();
    void rendersWithRealRows_data();
    void rendersWithRealRows();
    void emptyPeriodsPrintTheirNote();
    void toolRendersByNameWithSubreports();
    void toolRefusesBadInput();
};

void TestShippedReports::everyDefinitionHasACase()
{
    QSet<QString> covered;
    for (const Case &c : cases())
        covered.insert(c.file);
    const QStringList files
        = QDir(reportsDir()).entryList({ QStringLiteral("*.rpt"), QStringLiteral("*.RPT") }, QDir::Files);
    for (const QString &f : files)
        QVERIFY2(covered.contains(f), qPrintable(f + QStringLiteral(" is shipped but never rendered by this test")));
    for (const QString &f : std::as_const(covered))
        QVERIFY2(files.contains(f), qPrintable(f + QStringLiteral(" is not in REPORTS")));
}

void TestShippedReports::rendersWithRealRows_data()
{
    QTest::addColumn<int>("index");
    const QList<Case> all = cases();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].file + QLatin1Char(' ') + all[i].title)) << i;
}

void TestShippedReports::rendersWithRealRows()
{
    QFETCH(int, index);
    const Case c = cases().at(index);
    test::DemoHospital hospital;
    const Rendering r = c.arrange(hospital.connection());
    QVERIFY2(!r.mustShow.isEmpty(), "the demo hospital has no row this report should print");
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("out.pdf"));
    ReportContext ctx = test::contextOf(hospital.connection());
    ctx.hospitalName = kHospital;
    ctx.printedAt = QDateTime(QDate(2026, 3, 15), QTime(14, 27));
    int pages = 0;
    try {
        pages = renderToPdf(reportsDir() + QLatin1Char('/') + c.file, ctx, r.values, r.subs, pdf);
    } catch (const ReportError &e) {
        QFAIL(e.what());
    }
    QVERIFY(pages >= 1);
    QCOMPARE(test::pdfPageCount(pdf), pages);
    const QString text = allText(pdf);
    QVERIFY2(text.contains(kHospital), qPrintable(text.left(400)));
    QVERIFY2(text.contains(c.title), qPrintable(c.title + QStringLiteral(" not in:\n") + text.left(600)));
    for (const QString &part : r.mustShow.split(QLatin1Char('|')))
        QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" not in:\n") + text.left(1500)));
    QVERIFY(!text.contains(QStringLiteral("No record for the period")));

    QFile expected(expectedTextFile(c.file, c.title));
    if (qEnvironmentVariableIntValue("MSS_UPDATE_EXPECTED_TEXTS") == 1) {
        QDir().mkpath(QFileInfo(expected).absolutePath());
        QVERIFY(expected.open(QIODevice::WriteOnly | QIODevice::Truncate));
        expected.write(text.toUtf8());
        return;
    }
    QVERIFY2(expected.open(QIODevice::ReadOnly), qPrintable(expected.fileName()));
    const QStringList want = QString::fromUtf8(expected.readAll()).split(QLatin1Char('\n'));
    const QStringList got = text.split(QLatin1Char('\n'));
    for (int i = 0; i < std::min(want.size(), got.size()); ++i)
        QVERIFY2(got[i] == want[i],
            qPrintable(QStringLiteral("line %1 differs:\n  was: %2\n  now: %3").arg(i + 1).arg(want[i], got[i])));
    QCOMPARE(got.size(), want.size());
}

// A day or period without data prints the report's own note, never a blank page.
void TestShippedReports::emptyPeriodsPrintTheirNote()
{
    test::DemoHospital hospital;
    const ReportContext ctx = test::contextOf(hospital.connection());
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("empty.pdf"));
    const struct {
        const char *file;
        QVariantList values;
        const char *note;
    } empty[] = {
        { "Admissions.rpt", { QStringLiteral("01/01/1990") }, "No patient was admitted on this day." },
        { "MSSDailyDischargesReport.rpt", { QStringLiteral("01/01/1990"), QStringLiteral("01/31/1990"), 1 },
            "No MSS patient was billed" },
        { "ARRTransactionReport.rpt", { QString() }, "This patient has no assessment transaction." },
        { "ContractSlip.rpt", { QString() }, "There is no visit of hospital number" },
    };
    for (const auto &e : empty) {
        QCOMPARE(renderToPdf(reportsDir() + QLatin1Char('/') + QLatin1String(e.file), ctx, e.values, {}, pdf), 1);
        QVERIFY2(allText(pdf).contains(QLatin1String(e.note)), e.file);
    }
}

void TestShippedReports::toolRendersByNameWithSubreports()
{
    const QString tool
        = qEnvironmentVariable("MSS_TOOLS_DIR", QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
        + QStringLiteral("/mss-db");
    if (!QFileInfo::exists(tool))
        QSKIP("mss-db is not built");
    test::DemoHospital hospital;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("monthly.pdf"));
    QStringList args { QStringLiteral("report"), hospital.folder(),
        reportsDir() + QStringLiteral("\\MonthlyPerformance.rpt"), pdf, QStringLiteral("X"), QStringLiteral("ADDR"),
        QStringLiteral("TESTER"), kFrom, kTo, QString() };
    for (const char *sub :
        { "I.SourceOfReferral", "II.Caseload", "III.CaseloadPerCategory", "IV.Services", "documentation" })
        args << QStringLiteral("--sub") << QLatin1String(sub) << kFrom << kTo << QString();
    QProcess p;
    p.start(tool, args);
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QString text = allText(pdf);
    // The hospital's name comes from the database, not from the values.
    QVERIFY(text.contains(QStringLiteral("Monthly Performance Report")));
    QVERIFY(text.contains(QStringLiteral("II. CASELOAD")));
    QVERIFY(text.contains(QStringLiteral("V. DOCUMENTATION")));
    QVERIFY(text.contains(QStringLiteral("TESTER")));
}

void TestShippedReports::toolRefusesBadInput()
{
    const QString tool
        = qEnvironmentVariable("MSS_TOOLS_DIR", QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
        + QStringLiteral("/mss-db");
    if (!QFileInfo::exists(tool))
        QSKIP("mss-db is not built");
    test::DemoHospital hospital;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("x.pdf"));
    const auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(tool, QStringList { QStringLiteral("report"), hospital.folder() } + args);
        p.waitForFinished(60000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
    };
    // A value of the wrong type names the parameter; a missing file names the file; neither writes a PDF.
    auto [code, err] = run({ reportsDir() + QStringLiteral("/Admissions.rpt"), pdf, QStringLiteral("13/45/2026") });
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(QStringLiteral("ReportDate")), qPrintable(err));
    std::tie(code, err) = run({ QStringLiteral("NoSuchReport.rpt"), pdf });
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(QStringLiteral("NoSuchReport.rpt")), qPrintable(err));
    QVERIFY(!QFileInfo::exists(pdf));
    std::tie(code, err) = run({ QStringLiteral("Admissions.rpt") });
    QCOMPARE(code, 2);
}

QTEST_MAIN(TestShippedReports)
#include "tst_shippedreports.moc"
