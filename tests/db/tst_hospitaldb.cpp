// The embedded hospital database: creation and versions, the demo data, and the stored
// procedures by family, called exactly as the windows call them.
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "db/password.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss::data;

namespace {

const QDate kToday(2026, 3, 15);

struct Hospital {
    QTemporaryDir dir;
    std::unique_ptr<EmbeddedConnection> db;
    explicit Hospital(int admissions = 400, std::uint64_t seed = 7)
    {
        db = createHospitalDatabase(dir.path());
        DemoOptions o;
        o.admissions = admissions;
        o.seed = seed;
        o.today = kToday;
        o.fastPasswordHashes = true;
        generateDemoData(*db, o);
    }
    Recordset open(const QString &s) { return db->open(s); }
    QString one(const QString &s) // first column of the first row
    {
        const Recordset rs = db->open(s);
        return rs.isEmpty() ? QStringLiteral("<none>") : rs.text(0);
    }
};

// Runs a call that must fail and returns the error's description.
// Marks all four files as written at an older schema version.
QString allFilesAtVersion(int version)
{
    QString script;
    for (const char *schema : { "main", "PATIENT_DATA", "BILLING", "RADIOLOGY" })
        script += QStringLiteral("UPDATE %1.mss_schema SET version = %2; ").arg(QLatin1String(schema)).arg(version);
    return script;
}

QString failure(Hospital &h, const QString &statement)
{
    try {
        h.db->execute(statement);
    } catch (const DbError &e) {
        return e.description();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestHospitalDb : public QObject {
    Q_OBJECT

private slots:
    void creationAndVersions();
    void demoIsDeterministicAndComplete();
    void listSearches();
    void listProceduresReturnEveryMatchingAdmissionInOrder();
    void intakeSaveAndLoad();
    void intakeRefusesBadInputAtomically();
    void familyComposition();
    void mssNumbers();
    void arrSaveAndLoad();
    void referrals();
    void discharge();
    void classificationMaintenance();
    void discountMedicareShares();
    void discountSpecialArrangementAndRates();
    void reportsAndLookups();
    void everyQuotedReadReturnsItsColumns();
    void toolExecAndUsers();
};

void TestHospitalDb::creationAndVersions()
{
    QTemporaryDir dir;
    {
        auto db = createHospitalDatabase(dir.path());
        QCOMPARE(hospitalSchemaVersion(*db), kHospitalSchemaVersion);
        QCOMPARE(db->open(QStringLiteral("SELECT count(*) FROM mss_procedures")).text(0),
            QString::number(shippedProcedureNames().filter(QStringLiteral("MSS.")).size()));
    }
    // An existing database is never replaced by accident.
    QVERIFY_THROWS_EXCEPTION(DbError, createHospitalDatabase(dir.path()));

    // An older database is upgraded and gets this program's procedures back.
    {
        auto db = openHospitalDatabase(dir.path());
        db->executeScript(QStringLiteral("UPDATE BILLING.mss_schema SET version = 0; "
                                         "DELETE FROM main.mss_procedures WHERE name = 'sp_MSS_GetService'"));
    }
    {
        auto db = openHospitalDatabase(dir.path());
        QCOMPARE(hospitalSchemaVersion(*db), kHospitalSchemaVersion);
        QCOMPARE(db->open(QStringLiteral("MSS..sp_MSS_GetService '0'")).columns(),
            (QStringList { QStringLiteral("Code"), QStringLiteral("Description") }));
    }
    // A file written before the patient list had its views: they are made when it is opened, so
    // the procedures installed with them find them.
    {
        auto db = openHospitalDatabase(dir.path());
        db->executeScript(QStringLiteral("DROP VIEW PATIENT_DATA.vwInPatientList; "
                                         "DROP VIEW PATIENT_DATA.vwOutPatientList; "
                                         "DROP VIEW PATIENT_DATA.vwERPatientList; ")
            + allFilesAtVersion(1));
    }
    {
        auto db = openHospitalDatabase(dir.path());
        QCOMPARE(hospitalSchemaVersion(*db), kHospitalSchemaVersion);
        for (const QString &procedure :
            { QStringLiteral("sp_MSS_LoadInPatient"), QStringLiteral("sp_MSS_LoadOutPatient"),
                QStringLiteral("sp_MSS_LoadERPatient"), QStringLiteral("sp_MSS_LoadAllServicePatient") })
            QCOMPARE(db->open(QStringLiteral("MSS..%1 '', '','','',''").arg(procedure)).columns().size(), 11);
    }
    // A database from before the lock-out was kept with the user gets its columns.
    {
        auto db = openHospitalDatabase(dir.path());
        db->executeScript(QStringLiteral("ALTER TABLE main.tbMSSUser DROP COLUMN FailedLogOns; "
                                         "ALTER TABLE main.tbMSSUser DROP COLUMN LockedUntil; "
                                         "ALTER TABLE main.tbMSSUser DROP COLUMN LockOuts; "
                                         "UPDATE main.mss_schema SET version = 2;"));
    }
    {
        auto db = openHospitalDatabase(dir.path());
        QCOMPARE(hospitalSchemaVersion(*db), kHospitalSchemaVersion);
        QCOMPARE(
            db->open(QStringLiteral("SELECT FailedLogOns, LockOuts, LockedUntil FROM MSS..tbMSSUser")).columns().size(),
            3);
    }
    // A database from before the address search and the statement read views gets them.
    {
        auto db = openHospitalDatabase(dir.path());
        db->executeScript(QStringLiteral("DROP VIEW PATIENT_DATA.vwMSSZipCode; DROP VIEW BILLING.vwMSSRevenueCode; "
                                         "DROP VIEW BILLING.vwMSSPayment; DROP VIEW BILLING.vwMSSMedicareBenefit; ")
            + allFilesAtVersion(3));
    }
    {
        auto db = openHospitalDatabase(dir.path());
        QCOMPARE(hospitalSchemaVersion(*db), kHospitalSchemaVersion);
        QCOMPARE(db->open(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..vwMSSZipCode")).text(0),
            db->open(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbZipCode")).text(0));
        QCOMPARE(db->open(QStringLiteral("SELECT * FROM BILLING..vwMSSRevenueCode")).columns().size(), 4);
        QCOMPARE(db->open(QStringLiteral("SELECT * FROM BILLING..vwMSSPayment")).columns().size(), 2);
        QCOMPARE(db->open(QStringLiteral("SELECT * FROM BILLING..vwMSSMedicareBenefit")).columns().size(), 2);
        db->executeScript(
            QStringLiteral("UPDATE RADIOLOGY.mss_schema SET version = %1").arg(kHospitalSchemaVersion + 1));
    }
    // A newer one is refused with a message that says why.
    try {
        openHospitalDatabase(dir.path());
        QFAIL("a newer database was opened");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("newer version")), qPrintable(e.description()));
    }
}

void TestHospitalDb::demoIsDeterministicAndComplete()
{
    const auto digest = [](Hospital &h) {
        QString all;
        for (const char *q :
            { "SELECT group_concat(HospNum || LastName || FirstName || ifnull(MSSNum,'')) FROM PATIENT_DATA..tbMaster",
                "SELECT count(*) || '/' || sum(Amount) FROM BILLING..tbBillDailyBill",
                "SELECT group_concat(IdNum || Code) FROM tbMSSAssessment" })
            all += h.one(QString::fromLatin1(q));
        return all;
    };
    Hospital a(300, 11), b(300, 11), c(300, 12);
    QCOMPARE(digest(a), digest(b));
    QVERIFY(digest(a) != digest(c));

    Hospital &h = a;
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbHospitalInfo")), QStringLiteral("1"));
    QCOMPARE(h.one(QStringLiteral("SELECT (SELECT count(*) FROM PATIENT_DATA..tbPatient2) + (SELECT count(*) FROM "
                                  "PATIENT_DATA..tbOutPatient) + (SELECT count(*) FROM PATIENT_DATA..tbERMaster)")),
        QStringLiteral("300"));
    // Out-patient numbers ending in "B", all-digit in-patient numbers, classifications expired and current.
    QVERIFY(h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbOutPatient WHERE IdNum LIKE '%B'")).toInt() > 0);
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbPatient2 WHERE IdNum GLOB '*[^0-9]*'")),
        QStringLiteral("0"));
    QVERIFY(h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster WHERE MSSDiscountExpiry < '2026-03-15'"))
                .toInt()
        > 0);
    QVERIFY(h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster WHERE MSSDiscountExpiry >= '2026-03-15'"))
                .toInt()
        > 0);
    // Bills touch every revenue group of the discount table, Medicare items exist.
    QVERIFY(h.one(QStringLiteral("SELECT count(DISTINCT RevenueID) FROM BILLING..tbBillDailyBill")).toInt() >= 20);
    QVERIFY(h.one(QStringLiteral("SELECT count(*) FROM BILLING..tbBillMedicareItem")).toInt() > 0);
    // Referral states and the picker's fixed parents.
    QVERIFY(h.one(QStringLiteral("SELECT count(DISTINCT Status) FROM tbMSSReferralNotice")).toInt() >= 2);
    for (const char *parent : { "1.1", "1.2", "1.2.3", "1.3", "1.3.2", "1.3.5", "1.4", "1.5", "1.6", "1.7", "1.8",
             "1.8.1", "1.8.2", "1.8.3" }) {
        QVERIFY2(
            h.open(QStringLiteral("MSS..sp_MSS_GetService '%1'").arg(QString::fromLatin1(parent))).recordCount() > 0,
            parent);
        QVERIFY2(
            h.open(QStringLiteral("MSS..sp_MSS_GetActivity '%1'").arg(QString::fromLatin1(parent))).recordCount() > 0,
            parent);
    }
    // Demo users: hashed passwords, one with right "A", one without.
    const Recordset users = h.open(QStringLiteral("SELECT UserCode, PasswordHash FROM tbMSSUser ORDER BY UserCode"));
    QCOMPARE(users.recordCount(), 2);
    QVERIFY(mss::data::verifyPassword(
        users.text(QStringLiteral("PasswordHash")), QString::fromLatin1(kDemoAdministrator.password)));
    QVERIFY(!mss::data::verifyPassword(users.text(QStringLiteral("PasswordHash")), QStringLiteral("wrong")));
    QVERIFY(!users.text(QStringLiteral("PasswordHash")).contains(QString::fromLatin1(kDemoAdministrator.password)));
    QCOMPARE(h.one(QStringLiteral("SELECT group_concat(UserCode || RightCode) FROM tbMSSUserRight")),
        QStringLiteral("MSS01A"));

    QVERIFY_THROWS_EXCEPTION(DbError, Hospital(99));
}

void TestHospitalDb::listSearches()
{
    Hospital h;
    const QStringList columns = { "IDNUM", "HospNum", "AdmDate", "LastName", "FirstName", "MiddleName", "RoomID", "MSS",
        "Address", "dcrdate", "BillingDate" };
    const Recordset all = h.open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', '','','',''"));
    QCOMPARE(all.columns(), columns);
    QCOMPARE(
        QString::number(all.recordCount()), h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbPatient2")));

    // Prefix match, any letter case, combined criteria narrowing the first.
    const Recordset san = h.open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', 'san','','',''"));
    QVERIFY(san.recordCount() > 0);
    for (const QVariantList &row : san.rows())
        QVERIFY2(row[3].toString().startsWith(QStringLiteral("SAN")), qPrintable(row[3].toString()));
    QCOMPARE(QString::number(san.recordCount()),
        h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbPatient2 a JOIN PATIENT_DATA..tbMaster m ON "
                             "m.HospNum = a.HospNum WHERE m.LastName LIKE 'SAN%'")));
    const QString first = san.rows().first()[4].toString().left(2);
    const Recordset both = h.open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', 'SAN','','%1',''").arg(first));
    QVERIFY(both.recordCount() > 0 && both.recordCount() <= san.recordCount());
    for (const QVariantList &row : both.rows())
        QVERIFY(row[4].toString().startsWith(first));

    // Number prefixes, the other kinds, nothing found, a typed apostrophe turned to a backquote.
    const QString idNum = all.rows().first()[0].toString();
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', '','%1','',''").arg(idNum)).recordCount(), 1);
    const Recordset out = h.open(QStringLiteral("MSS..sp_MSS_LoadOutPatient '', '','0','',''"));
    QVERIFY(out.recordCount() > 0);
    for (const QVariantList &row : out.rows())
        QCOMPARE(row[6].toString(), QStringLiteral("OPD"));
    QVERIFY(h.open(QStringLiteral("MSS..sp_MSS_LoadERPatient '', '','ER','',''")).recordCount() > 0);
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', 'D`ANGELO','','',''")).recordCount(), 0);
    const Recordset service = h.open(QStringLiteral("MSS..sp_MSS_LoadAllServicePatient '', 'S','','',''"));
    QVERIFY(service.recordCount() > 0);
    QCOMPARE(QString::number(service.recordCount()),
        h.one(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..vwAdmission a JOIN PATIENT_DATA..tbMaster m ON "
                             "m.HospNum = a.HospNum WHERE m.LastName LIKE 'S%' AND a.PatientClass = 'S'")));
    const Recordset mss = h.open(QStringLiteral("MSS..sp_MSS_LoadMSSPatient '', '','','',''"));
    QCOMPARE(mss.columns(), columns.mid(0, 10));
    QCOMPARE(QString::number(mss.recordCount()), h.one(QStringLiteral("SELECT count(*) FROM tbMSSAssessment")));
}

void TestHospitalDb::listProceduresReturnEveryMatchingAdmissionInOrder()
{
    Hospital h(600, 11);
    struct Kind {
        QString procedure;
        QString where; // which admissions the procedure lists
    };
    const QList<Kind> kinds = {
        { QStringLiteral("sp_MSS_LoadInPatient"), QStringLiteral("a.Kind = 'I'") },
        { QStringLiteral("sp_MSS_LoadOutPatient"), QStringLiteral("a.Kind = 'O'") },
        { QStringLiteral("sp_MSS_LoadERPatient"), QStringLiteral("a.Kind = 'E'") },
        { QStringLiteral("sp_MSS_LoadAllServicePatient"), QStringLiteral("a.PatientClass = 'S'") },
    };
    const QString sample = h.one(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbMaster ORDER BY HospNum LIMIT 1"));
    // HospNum, LastName, IdNum, FirstName, MiddleName, as the list sends them.
    const QList<QStringList> criteria = {
        { "", "", "", "", "" },
        { "", "san", "", "", "" },
        { "", "S", "", "a", "" },
        { "", "", "", "MA", "" },
        { "", "", "", "", "c" },
        { "", "", "0", "", "" },
        { "", "", "er", "", "" },
        { "", "", "o", "", "" },
        { sample.left(4), "", "", "", "" },
        { sample.left(4), "a", "", "", "" },
        { "", "g", "", "j", "d" },
        { "", "D`ANGELO", "", "", "" },
    };
    const auto like = [](const QString &column, const QString &value) {
        return value.isEmpty() ? QString() : QStringLiteral(" AND %1 LIKE '%2%'").arg(column, value);
    };
    const auto sorted = [](QList<QVariantList> rows) {
        std::sort(rows.begin(), rows.end(), [](const QVariantList &a, const QVariantList &b) {
            for (int i = 0; i < a.size(); ++i) {
                if (a[i].toString() != b[i].toString())
                    return a[i].toString() < b[i].toString();
            }
            return false;
        });
        return rows;
    };
    int listed = 0;
    for (const Kind &kind : kinds) {
        for (const QStringList &c : criteria) {
            const QString call
                = QStringLiteral("MSS..%1 '%2', '%3','%4','%5','%6'").arg(kind.procedure, c[0], c[1], c[2], c[3], c[4]);
            const Recordset rs = h.open(call);
            QCOMPARE(rs.columns(),
                (QStringList { "IDNUM", "HospNum", "AdmDate", "LastName", "FirstName", "MiddleName", "RoomID", "MSS",
                    "Address", "dcrdate", "BillingDate" }));
            const Recordset expected
                = h.open(QStringLiteral(
                             "SELECT a.IdNum, a.HospNum, a.AdmDate, m.LastName, m.FirstName, m.MiddleName, a.RoomID, "
                             "m.MSSNum, ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || "
                             "ifnull(m.Town || ', ', '') || ifnull(m.Province, ''), a.DcrDate, a.BillingDate "
                             "FROM PATIENT_DATA..vwAdmission a JOIN PATIENT_DATA..tbMaster m ON m.HospNum = a.HospNum "
                             "WHERE ")
                    + kind.where + like(QStringLiteral("a.HospNum"), c[0]) + like(QStringLiteral("m.LastName"), c[1])
                    + like(QStringLiteral("a.IdNum"), c[2]) + like(QStringLiteral("m.FirstName"), c[3])
                    + like(QStringLiteral("m.MiddleName"), c[4]));
            QVERIFY2(sorted(rs.rows()) == sorted(expected.rows()), qPrintable(call));
            listed += int(rs.rows().size());
            // By name, then the most recent admission first.
            for (qsizetype i = 1; i < rs.rows().size(); ++i) {
                const QVariantList &a = rs.rows()[i - 1], &b = rs.rows()[i];
                int byName = 0;
                for (int column = 3; column <= 5 && byName == 0; ++column)
                    byName = a[column].toString().compare(b[column].toString(), Qt::CaseInsensitive);
                QVERIFY2(byName < 0 || (byName == 0 && a[2].toString() >= b[2].toString()), qPrintable(call));
            }
        }
    }
    QVERIFY(listed > 1000);
}

void TestHospitalDb::intakeSaveAndLoad()
{
    Hospital h;
    const Recordset adm = h.open(QStringLiteral("SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 LIMIT 1"));
    const QString id = adm.text(0), hn = adm.text(1);
    h.db->execute(
        QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '%1','3/15/2026','SERVICE C-2','IM','5000','HIGH SCHOOL','101',"
                       "'O''HARA','ANA','CRUZ','1 RIZAL ST','POBLACION','3000','MALOLOS, BULACAN','Female',"
                       "'01/02/1970','Married','VENDOR','56','0917','123','MALOLOS','ROMAN CATHOLIC','NONE','',"
                       "'%2','03/01/2026','01','3/15/2026','3/15/2027','ZZ-0001','1'")
            .arg(hn, id));
    h.db->execute(
        QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '%1','DR. REYES','3/14/2026','ADDR','dswd','ao','coe',"
                       "'mayor','brgy','others','dialysis','other md','relatives','rent','1','0','0','0','1',"
                       "'other problem','goals','action','PH-1','self','EMPLOYED','impression', 'SELF'")
            .arg(hn));
    h.db->execute(
        QStringLiteral("MSS..sp_MSS_SavePatientData'%1','%2','ZZ-0001','C2','IM','10','03/15/2026','03/15/2027',"
                       "'DIZON, ROMEO','MSS01','1','01','Y'")
            .arg(hn, id));

    const Recordset rs = h.open(QStringLiteral("MSS..sp_MSS_LoadExistIntakeSheet'%1'").arg(hn));
    QCOMPARE(rs.recordCount(), 1);
    const QList<std::pair<const char *, const char *>> expected = { { "LastName", "O'HARA" },
        { "MSSNumber", "ZZ-0001" }, { "Code", "C2" }, { "Classification", "SERVICE C-2" }, { "category", "IM" },
        { "CategoryNum", "10" }, { "InterviewDate", "2026-03-15" }, { "ExpiryDate", "2027-03-15" },
        { "refpartyid", "1" }, { "ReferringParty", "SELF" }, { "casestatus", "01" }, { "Status", "NEW CASE" },
        { "activestatus", "Y" }, { "SeniorCitizen", "1" }, { "MSSW", "DIZON, ROMEO" }, { "Education", "HIGH SCHOOL" },
        { "WorkStatus", "EMPLOYED" }, { "Salary", "5000" }, { "InfoSource", "self" }, { "ReferredBy", "DR. REYES" },
        { "DateReferred", "2026-03-14" }, { "DSWDSCSR", "dswd" }, { "Others", "others" }, { "Treatment", "dialysis" },
        { "FinancialProb", "1" }, { "Difficulty", "0" }, { "IrregularCheckUp", "1" },
        { "DiagnosticImpress", "impression" }, { "HelpingGoals", "goals" }, { "ActionTaken", "action" } };
    for (const auto &[column, value] : expected)
        QCOMPARE(rs.text(QString::fromLatin1(column)), QString::fromUtf8(value));
    QVERIFY(!rs.text(QStringLiteral("Diagnosis")).isEmpty()); // from the admission, not blanked

    // The classification reached the admission and the patient master.
    const Recordset current = h.open(QStringLiteral(" sp_SearchCategoryandClassification '%1'").arg(id));
    QCOMPARE(current.text(QStringLiteral("classificationid")), QStringLiteral("C2"));
    QCOMPARE(current.text(QStringLiteral("categoryid")), QStringLiteral("10"));
    QCOMPARE(current.text(QStringLiteral("MSS")), QStringLiteral("ZZ-0001"));
    QCOMPARE(h.one(QStringLiteral("SELECT MSSNum || MSSClassification || MSSDiscountExpiry FROM PATIENT_DATA..tbMaster "
                                  "WHERE HospNum = '%1'")
                       .arg(hn)),
        QStringLiteral("ZZ-0001C22027-03-15"));

    // Saving again replaces, never duplicates.
    h.db->execute(
        QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '%1','DR. CRUZ','','','','','','','','','','','','','0',"
                       "'1','0','0','0','','','','','','','', ''")
            .arg(hn));
    QCOMPARE(
        h.one(QStringLiteral("SELECT count(*) || ReferredBy || Difficulty FROM tbMSSIntakeSheet WHERE HospNum = '%1'")
                  .arg(hn)),
        QStringLiteral("1DR. CRUZ1"));

    // A sheet without a referring party or case status leaves the assessment's as they were.
    h.db->execute(
        QStringLiteral("MSS..sp_MSS_SavePatientData'%1','%2','ZZ-0001','C2','IM','10','03/15/2026','03/15/2027',"
                       "'DIZON, ROMEO','MSS01','','','Y'")
            .arg(hn, id));
    QCOMPARE(
        h.one(QStringLiteral("SELECT ReferringPartyID || '/' || CaseStatus FROM tbMSSAssessment WHERE IdNum = '%1'")
                  .arg(id)),
        QStringLiteral("1/01"));
}

void TestHospitalDb::intakeRefusesBadInputAtomically()
{
    Hospital h;
    const Recordset adm = h.open(QStringLiteral("SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 LIMIT 1"));
    const QString id = adm.text(0), hn = adm.text(1);
    const QString before = h.one(QStringLiteral("SELECT ifnull(MSSNum,'-') || ifnull(MSSClassification,'-') FROM "
                                                "PATIENT_DATA..tbMaster WHERE HospNum = '%1'")
                                     .arg(hn));
    const QString data = QStringLiteral(
        "MSS..sp_MSS_SavePatientData'%1','%2','%3','C2','IM','10','%4','03/15/2027','X','MSS01','1','01','Y'");

    QVERIFY(failure(h, data.arg(hn, id, QStringLiteral("12345678901"), QStringLiteral("03/15/2026")))
                .contains(QStringLiteral("longer than ten")));
    QVERIFY(failure(h, data.arg(hn, id, QStringLiteral("ZZ-1"), QStringLiteral("13/45/2026")))
                .contains(QStringLiteral("not a date")));
    QVERIFY(failure(h, data.arg(hn, QStringLiteral("99999999"), QStringLiteral("ZZ-1"), QStringLiteral("03/15/2026")))
                .contains(QStringLiteral("is not an admission")));
    // Nothing half-stored: neither the master nor an assessment changed.
    QCOMPARE(
        h.one(QStringLiteral("SELECT ifnull(MSSNum,'-') || ifnull(MSSClassification,'-') FROM PATIENT_DATA..tbMaster "
                             "WHERE HospNum = '%1'")
                  .arg(hn)),
        before);
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM tbMSSAssessment WHERE MSSNum = 'ZZ-1'")), QStringLiteral("0"));

    const QString sheet
        = QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '%1','3/15/2026','C','IM','','','','A','B','C','','','',"
                         "'','Male','%2','Single','','','','','','','','','%3','','01','3/15/2026',"
                         "'3/15/2027','%4','0'");
    QVERIFY(failure(h, sheet.arg(hn, QStringLiteral("not a date"), id, QStringLiteral("Z1")))
                .contains(QStringLiteral("not a date")));
    QVERIFY(failure(h, sheet.arg(hn, QString(), id, QStringLiteral("ABCDEFGHIJK")))
                .contains(QStringLiteral("longer than ten")));
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM tbMSSIntakeSheet WHERE LastName = 'A'")), QStringLiteral("0"));
}

void TestHospitalDb::familyComposition()
{
    Hospital h;
    const QString hn = h.one(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbMaster LIMIT 1"));
    h.db->execute(QStringLiteral("MSS..sp_MSS_ClearFamilyComposition '%1'").arg(hn));
    const QString save = QStringLiteral(
        "MSS..sp_MSS_SaveFamilyComposition '%1','%2','SON','12','SINGLE','ELEMENTARY','SAME','STUDENT','%3','15000.5'");
    h.db->execute(save.arg(
        hn, QStringLiteral("JUAN D'ANGELO").replace(QLatin1Char('\''), QStringLiteral("''")), QStringLiteral("0")));
    h.db->execute(save.arg(hn, QStringLiteral("ANA"), QStringLiteral("15000.5")));
    const Recordset rs = h.open(QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '%1'").arg(hn));
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.columns().mid(0, 8),
        (QStringList {
            "FamilyMember", "Relationship", "Age", "CivilStatus", "Education", "Address", "Occupation", "Income" }));
    QCOMPARE(rs.text(QStringLiteral("FamilyMember")), QStringLiteral("JUAN D'ANGELO"));
    QCOMPARE(rs.text(QStringLiteral("TotalIncome")), QStringLiteral("15000.5"));
    QCOMPARE(rs.rows()[1][7].toDouble(), 15000.5);

    QVERIFY(failure(h, save.arg(hn, QStringLiteral("X"), QStringLiteral("twelve")))
                .contains(QStringLiteral("not a number")));
    QVERIFY(
        failure(h, save.arg(hn, QStringLiteral("X"), QStringLiteral("inf"))).contains(QStringLiteral("not a number")));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '%1'").arg(hn)).recordCount(), 2);
    h.db->execute(QStringLiteral("MSS..sp_MSS_ClearFamilyComposition '%1'").arg(hn));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '%1'").arg(hn)).recordCount(), 0);
}

void TestHospitalDb::mssNumbers()
{
    Hospital h;
    const Recordset two
        = h.open(QStringLiteral("SELECT HospNum, MSSNum FROM PATIENT_DATA..tbMaster WHERE MSSNum <> '' LIMIT 2"));
    const QString ownerHn = two.rows()[0][0].toString(), ownerNum = two.rows()[0][1].toString();
    const QString otherHn = two.rows()[1][0].toString();

    const Recordset found = h.open(QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '%1', '%2'").arg(ownerNum, otherHn));
    QCOMPARE(found.text(QStringLiteral("HospNum")), ownerHn);
    QVERIFY(!found.text(QStringLiteral("PatientName")).isEmpty());
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '%1','%2'").arg(ownerNum, ownerHn))
                 .text(QStringLiteral("HospNum")),
        ownerHn);
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber 'NOBODY-1', '%1'").arg(ownerHn)).recordCount(), 0);

    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1','%2'").arg(otherHn, ownerNum))
                .contains(QStringLiteral("already belongs")));
    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1',''").arg(otherHn))
                .contains(QStringLiteral("empty")));
    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1','12345678901'").arg(otherHn))
                .contains(QStringLiteral("ten")));
    h.db->execute(QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1','NEW-0001'").arg(otherHn));
    QCOMPARE(h.one(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(otherHn)),
        QStringLiteral("NEW-0001"));
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM tbMSSAssessment WHERE HospNum = '%1' AND MSSNum <> 'NEW-0001'")
                       .arg(otherHn)),
        QStringLiteral("0"));
}

void TestHospitalDb::arrSaveAndLoad()
{
    Hospital h;
    const Recordset adm
        = h.open(QStringLiteral("SELECT a.IdNum, a.HospNum FROM PATIENT_DATA..tbPatient2 a JOIN "
                                "PATIENT_DATA..tbMaster m ON m.HospNum = a.HospNum WHERE m.MSSNum IS NULL LIMIT 1"));
    const QString id = adm.text(0), hn = adm.text(1);
    const QString arr
        = QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW'%1','%2','ARR-1','C3','IM','10','needs help, it''s urgent',"
                         "'3/1/2026','%3','MSS02','MSS01','1','','1','%4','G','01','10','2','Y','01',"
                         "'1.1.1|1.3.1|'");
    h.db->beginTrans();
    h.db->execute(arr.arg(hn, id, QStringLiteral("3/1/2027"), QStringLiteral("2500.5")));
    h.db->execute(QStringLiteral(
        "MSS..sp_MSS_SaveTransaction '%1','%2','ARR-1','C3','3/1/2026','3/1/2027','IM','MSS02','MSS01','x'")
                      .arg(hn, id));
    h.db->execute(
        QStringLiteral("Mss..spMSS_SaveDocumentation '%1', '%2', 'Y', '01','1|0|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|1|', "
                       "'3/1/2026','MSS01','MSS02','1.1|1.2.1|'")
            .arg(hn, id));
    h.db->commitTrans();

    const Recordset rs = h.open(QStringLiteral("MSS..sp_MSS_GetAssessmentRecord '%1'").arg(id));
    const QList<std::pair<const char *, const char *>> expected
        = { { "HospNum", "" }, { "MSSNum", "ARR-1" }, { "Code", "C3" }, { "MSSW", "MSS02" },
              { "MSSWName", "DIZON, ROMEO" }, { "NC", "2500.5" }, { "REMARKS", "needs help, it's urgent" },
              { "IsCDF", "0" }, { "IsPCSO", "1" }, { "IsSpecial", "1" }, { "pcsotype", "G" }, { "CaseCategory", "10" },
              { "parentcategory", "01" }, { "ReferringPartyID", "2" }, { "serviceid", "1.1.1|1.3.1|" },
              { "MSSDiscountValidity", "2026-03-01" }, { "MSSDiscountExpiry", "2027-03-01" } };
    for (const auto &[column, value] : expected)
        QCOMPARE(rs.text(QString::fromLatin1(column)), *value ? QString::fromUtf8(value) : hn);
    const Recordset history = h.open(QStringLiteral("Mss..sp_LoadPatCaseHistory '%1', '%2'").arg(hn, id));
    QCOMPARE(history.text(QStringLiteral("docs")), QStringLiteral("1|0|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|1|"));
    QCOMPARE(history.text(QStringLiteral("casedesc")), QStringLiteral("NEW CASE"));
    QCOMPARE(history.text(QStringLiteral("activityid")), QStringLiteral("1.1|1.2.1|"));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_ReprintARR '%1'").arg(hn)).text(QStringLiteral("lisencenumber")),
        QStringLiteral("0011873"));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_PrintAssessment '%1','%2'").arg(hn, id)).text(QStringLiteral("NC")),
        QStringLiteral("2500.50"));

    // A second save replaces the record; bad values are refused and change nothing.
    h.db->execute(arr.arg(hn, id, QStringLiteral("3/1/2027"), QStringLiteral("0")));
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) || '/' || NC FROM tbMSSAssessment WHERE IdNum = '%1'").arg(id)),
        QStringLiteral("1/0.0"));
    QVERIFY(failure(h, arr.arg(hn, id, QStringLiteral("3/1/2027"), QStringLiteral("abc")))
                .contains(QStringLiteral("not a number")));
    QVERIFY(failure(h, arr.arg(hn, id, QStringLiteral("02/30/2027"), QStringLiteral("1")))
                .contains(QStringLiteral("not a date")));
    QCOMPARE(h.one(QStringLiteral("SELECT MSSDiscountExpiry FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hn)),
        QStringLiteral("2027-03-01"));

    // A patient whose classification expired shows an empty class on a new admission's record.
    h.db->executeScript(
        QStringLiteral("UPDATE PATIENT_DATA.tbMaster SET MSSDiscountExpiry = '2020-01-01' WHERE HospNum = '%1'; "
                       "DELETE FROM main.tbMSSAssessment WHERE IdNum = '%2'")
            .arg(hn, id));
    QCOMPARE(
        h.open(QStringLiteral("MSS..sp_MSS_GetAssessmentRecord '%1'").arg(id)).text(QStringLiteral("Code")), QString());
}

void TestHospitalDb::referrals()
{
    Hospital h(1500);
    const QString pending = h.one(QStringLiteral("SELECT count(*) FROM tbMSSReferralNotice WHERE Status = 'P'"));
    QVERIFY(pending.toInt() > 0);
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_LoadReferralNoticeCount")).text(QStringLiteral("recCount")), pending);
    const Recordset list = h.open(QStringLiteral("MSS..sp_MSS_LoadReferralNotice"));
    QCOMPARE(list.text(QStringLiteral("Status")), QStringLiteral("P"));

    const Recordset open
        = h.open(QStringLiteral("SELECT r.IdNum, r.ReferralNo FROM tbMSSReferralNotice r JOIN "
                                "PATIENT_DATA..tbPatient2 a ON a.IdNum = r.IdNum WHERE a.DcrDate IS NULL LIMIT 1"));
    const QString id = open.text(0), no = open.text(1);
    h.db->execute(QStringLiteral(
        "MSS..sp_MSS_SaveReferralNoticePatient'%1', '2026-03-15','A','with PN', 'IM', '3/20/2026','MSS01','%2' ")
                      .arg(id, no));
    const Recordset r = h.open(QStringLiteral("MSS..sp_MSS_LoadReferralNoticePatient'%1','%2'").arg(id, no));
    QCOMPARE(
        r.text(QStringLiteral("Status")) + r.text(QStringLiteral("REMARKS")) + r.text(QStringLiteral("ScheduleDate")),
        QStringLiteral("Awith PN2026-03-20"));
    QVERIFY(r.isNull(QStringLiteral("DischargeDate")));
    QCOMPARE(
        h.open(QStringLiteral("MSS..sp_MSS_LoadReferralNoticeCount")).text(0), QString::number(pending.toInt() - 1));
    QVERIFY(failure(h,
        QStringLiteral("MSS..sp_MSS_SaveReferralNoticePatient'%1', '2026-03-15','X','', '', '3/20/2026','MSS01','%2' ")
            .arg(id, no))
                .contains(QStringLiteral("P, A, D or C")));

    const Recordset discharged
        = h.open(QStringLiteral("SELECT r.IdNum, r.ReferralNo FROM tbMSSReferralNotice r JOIN "
                                "PATIENT_DATA..tbPatient2 a ON a.IdNum = r.IdNum WHERE a.DcrDate IS NOT NULL LIMIT 1"));
    QVERIFY(failure(h,
        QStringLiteral("MSS..sp_MSS_SaveReferralNoticePatient'%1', '2026-03-15','A','', '', '3/20/2026','MSS01','%2' ")
            .arg(discharged.text(0), discharged.text(1)))
                .contains(QStringLiteral("Discharged")));
    const Recordset history = h.open(QStringLiteral("MSS..sp_MSS_LoadReferralHistory'', '',''"));
    QCOMPARE(QString::number(history.recordCount()), h.one(QStringLiteral("SELECT count(*) FROM tbMSSReferralNotice")));
}

void TestHospitalDb::discharge()
{
    Hospital h(1500);
    const QString id = h.one(
        QStringLiteral("SELECT IdNum FROM tbMSSDischargeNotice WHERE ClearDate IS NULL AND Revoked = 0 LIMIT 1"));
    QVERIFY(h.open(QStringLiteral("MSS..sp_MSS_LoadDischargeNoticePatient '%1'").arg(id))
                .isNull(QStringLiteral("ClearDate")));
    h.db->execute(QStringLiteral("MSS..sp_MSS_ClearPatientForDischarge '%1','MSS01','cleared `ok`'").arg(id));
    const Recordset rs = h.open(QStringLiteral("MSS..sp_MSS_LoadDischargeNoticePatient '%1'").arg(id));
    QCOMPARE(rs.text(QStringLiteral("UserId")) + rs.text(QStringLiteral("ClearRemarks")),
        QStringLiteral("MSS01cleared `ok`"));
    QVERIFY(!rs.isNull(QStringLiteral("ClearDate")));
    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_ClearPatientForDischarge '%1','MSS02','again'").arg(id))
                .contains(QStringLiteral("no discharge notice waiting")));
    bool listed = false;
    const Recordset list = h.open(QStringLiteral("MSS..sp_MSS_LoadDischargeNotice "));
    for (const QVariantList &row : list.rows())
        listed = listed || (row[2].toString() == id && !row[5].isNull());
    QVERIFY(listed);
}

void TestHospitalDb::classificationMaintenance()
{
    Hospital h;
    const Recordset adm = h.open(QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbOutPatient LIMIT 1"));
    const QString id = adm.text(0);
    h.db->execute(QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','P','MSS01'").arg(id));
    h.db->execute(QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','S','MSS02'").arg(id));
    QCOMPARE(
        h.one(QStringLiteral(
            "SELECT left(isnull(PatientType,''),1) [PatientClass] FROM PATIENT_DATA..tbOutPatient WHERE IdNum = '%1'")
                  .arg(id)),
        QStringLiteral("S"));
    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','','MSS01'").arg(id))
                .contains(QStringLiteral("P (pay) or S")));
    QVERIFY(failure(h, QStringLiteral("MSS..sp_MSS_UpdatePatientClass 'NOPE','S','MSS01'"))
                .contains(QStringLiteral("does not exist")));

    const Recordset history = h.open(QStringLiteral("MSS..sp_MSS_GetPatClassHistory '%1'").arg(id));
    QCOMPARE(history.columns(), (QStringList { "TransDate", "Class", "UserID", "UserName" }));
    QCOMPARE(history.recordCount(), 2);
    // The window sends the last row's class (column 2) and date (column 1, twice).
    const QVariantList last = history.rows().last();
    const QString del = QStringLiteral("sp_MSS_SavePatClassHistory_Deletion '%1','%2','%3','%4','%4','MSS01'");
    QVERIFY(failure(h, del.arg(id, last[1].toString(), QStringLiteral("short"), last[0].toString()))
                .contains(QStringLiteral("six")));
    // The database refuses, whoever calls it, a reason nobody can see and a user who may not
    // delete (unknown, or without the right A); nothing is deleted then.
    const QString invisible = QString::fromUtf8("\u200B\u200B\u200B\u200B\u200B\u200B");
    const QString padded = QString::fromUtf8("\u00A0\u2060ab\uFEFF\u200Dcd\u200C\u2003");
    for (const QString &reason : { invisible, padded, QString::fromUtf8("\u200Bshort\u200B") })
        QVERIFY(failure(h, del.arg(id, last[1].toString(), reason, last[0].toString()))
                    .contains(QStringLiteral("six visible")));
    const QString delAs
        = QStringLiteral("sp_MSS_SavePatClassHistory_Deletion '%1','%2','typed by mistake','%3','%3','%4'");
    for (const QString &user : { QStringLiteral("NOBODY"), QStringLiteral("MSS02"), QString() })
        QVERIFY(failure(h, delAs.arg(id, last[1].toString(), last[0].toString(), user))
                    .contains(QStringLiteral("may not delete")));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetPatClassHistory '%1'").arg(id)).recordCount(), 2);
    QCOMPARE(h.one(QStringLiteral("SELECT count(*) FROM tbMSSPatClassHistoryDeletion WHERE IdNum = '%1'").arg(id)),
        QStringLiteral("0"));
    h.db->execute(del.arg(id, last[1].toString(), QStringLiteral("typed by mistake"), last[0].toString()));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetPatClassHistory '%1'").arg(id)).recordCount(), 1);
    QCOMPARE(h.one(QStringLiteral(
                 "SELECT PatientClass || Reason || DeletedBy FROM tbMSSPatClassHistoryDeletion WHERE IdNum = '%1'")
                       .arg(id)),
        QStringLiteral("Styped by mistakeMSS01"));
    h.db->execute(del.arg(id, QString(), QStringLiteral("empty grid row"), QString()));
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetPatClassHistory '%1'").arg(id)).recordCount(), 1);
}

// The in-patient bill of a made-up admission, replacing whatever the demo billed it.
static QString billAdmission(
    Hospital &h, const QString &classCode, std::initializer_list<std::pair<const char *, double>> lines)
{
    const QString id = h.one(QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbPatient2 ORDER BY IdNum LIMIT 1"));
    const QString hn = h.one(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id));
    h.db->executeScript(QStringLiteral(
        "DELETE FROM BILLING.tbBillDailyBill WHERE IdNum = '%1'; "
        "DELETE FROM BILLING.tbBillMedicareItem WHERE IdNum = '%1'; "
        "DELETE FROM BILLING.tbBillMedicareBenefit WHERE IdNum = '%1'; "
        "DELETE FROM main.tbMSSAssessment WHERE IdNum = '%1'; "
        "INSERT INTO main.tbMSSAssessment (IdNum, HospNum, Code, AssessDate) VALUES ('%1','%2','%3','2026-03-01')")
                            .arg(id, hn, classCode));
    for (const auto &[revenue, amount] : lines)
        h.db->query(QStringLiteral("INSERT INTO BILLING.tbBillDailyBill (IdNum, TransDate, RevenueID, Amount) VALUES "
                                   "(:id, '2026-03-01', :r, :a)"),
            { { QStringLiteral("id"), id }, { QStringLiteral("r"), QString::fromLatin1(revenue) },
                { QStringLiteral("a"), amount } });
    return id;
}

void TestHospitalDb::discountMedicareShares()
{
    Hospital h;
    const QString id
        = billAdmission(h, QStringLiteral("A"), { { "LB", 1500 }, { "XR", 2500 }, { "RA", 3000 }, { "QF", -200 } });
    h.db->execute(QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '%1','',3,1").arg(id));
    // Discount lines are not charges; one row per department.
    QCOMPARE(h.one(QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From "
                                  "Billing..tbDummyDiscountTable Where RevenueID <> 'MD'")),
        QStringLiteral("7000"));
    QCOMPARE(h.open(QStringLiteral("Select * From Billing..tbDummyDiscountTable")).recordCount(), 3);

    // Items of 300 and 700 under a total of 1000 store 300 and 700; items of 100 and 100, 500 each.
    h.db->execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '300','LB'"));
    h.db->execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '700','XR'"));
    QCOMPARE(h.one(QStringLiteral("SELECT group_concat(RevenueID || Medicare, ' ') FROM (SELECT * FROM "
                                  "BILLING..tbDummyDiscountTable ORDER BY RevenueID)")),
        QStringLiteral("LB300.0 RA0.0 XR700.0"));
    h.db->execute(QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '%1','',3,1").arg(id));
    h.db->execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '500','LB'"));
    h.db->execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '500','LB'"));
    h.db->execute(QStringLiteral(
        "Billing..sp_Billing_Update_DummyDiscountTable '250','MD'")); // no charges there: kept on a row of its own
    QCOMPARE(h.one(QStringLiteral("SELECT group_concat(RevenueID || Medicare, ' ') FROM (SELECT * FROM "
                                  "BILLING..tbDummyDiscountTable ORDER BY RevenueID)")),
        QStringLiteral("LB1000.0 MD250.0 RA0.0 XR0.0"));
    // A share from a division by zero never reaches the table.
    for (const char *bad : { "inf", "-nan", "1e999", "", "abc" })
        QVERIFY2(
            failure(h,
                QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '%1','LB'").arg(QString::fromLatin1(bad)))
                .contains(QStringLiteral("not a number")),
            bad);
    QVERIFY(failure(h, QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '%1','',5,1").arg(id))
                .contains(QStringLiteral("selection")));
}

void TestHospitalDb::discountSpecialArrangementAndRates()
{
    Hospital h;
    // NC 2000, bill total 10000, non-doctor total 8000: a department of 4000 gets 4000 ÷ 8000 × 8000.
    const QString id
        = billAdmission(h, QStringLiteral("C2"), { { "LB", 4000 }, { "XR", 3000 }, { "RA", 1000 }, { "MD", 2000 } });
    h.db->execute(QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '%1','',3,1").arg(id));
    const double nonDoctor = h.one(QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From "
                                                  "Billing..tbDummyDiscountTable Where RevenueID <> 'MD'"))
                                 .toDouble();
    const double bill
        = h.open(QStringLiteral("Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment '%1','', 6").arg(id))
              .number(QStringLiteral("Actual Charges"));
    QCOMPARE(nonDoctor, 8000.0);
    QCOMPARE(bill, 10000.0);
    const Recordset rows = h.open(QStringLiteral("Select * From Billing..tbDummyDiscountTable"));
    for (const QVariantList &row : rows.rows()) {
        const QString revenue = row[rows.columnIndex(QStringLiteral("RevenueID"))].toString();
        const double charges = row[rows.columnIndex(QStringLiteral("ActualCharges"))].toDouble();
        const double discount = revenue == QStringLiteral("MD") ? charges : charges / nonDoctor * (bill - 2000);
        h.db->execute(QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '%1','%2'")
                          .arg(discount)
                          .arg(revenue));
    }
    const Recordset special = h.open(QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable 'QF','2',1"));
    QCOMPARE(special.columns(),
        (QStringList { "IdNum", "RevenueID", "Department", "Actual Charges", "Medicare", "Discount" }));
    QHash<QString, double> discounts;
    for (const QVariantList &row : special.rows())
        discounts.insert(row[1].toString(), row[5].toDouble());
    QCOMPARE(discounts.value(QStringLiteral("LB")), 4000.0);
    QCOMPARE(discounts.value(QStringLiteral("MD")), 2000.0);

    // The computation is stored: it is found again until it is deleted.
    QCOMPARE(
        h.open(QStringLiteral("Billing..sp_Billing_Check_ExistingDiscount '%1','QF'").arg(id)).rows(), special.rows());
    h.db->execute(QStringLiteral("Billing..sp_Billing_Delete_Existing_ComputedDiscount_All '%1','%1','QF'").arg(id));
    QCOMPARE(h.open(QStringLiteral("Billing..sp_Billing_Check_ExistingDiscount '%1','QF'").arg(id)).recordCount(), 0);

    // Mode 1: the class's rates on what Medicare leaves (C2: half of everything, doctors whole).
    h.db->execute(QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '%1','',3,1").arg(id));
    h.db->execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '1000','LB'"));
    discounts.clear();
    const Recordset rated = h.open(QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable 'QF','1',1"));
    for (const QVariantList &row : rated.rows())
        discounts.insert(row[1].toString(), row[5].toDouble());
    QCOMPARE(discounts.value(QStringLiteral("LB")), 1500.0);
    QCOMPARE(discounts.value(QStringLiteral("XR")), 1500.0);
    QCOMPARE(discounts.value(QStringLiteral("RA")), 500.0);
    QCOMPARE(discounts.value(QStringLiteral("MD")), 2000.0);
}

void TestHospitalDb::reportsAndLookups()
{
    Hospital h(1500);
    const Recordset adm = h.open(QStringLiteral(
        "SELECT IdNum, HospNum, date(AdmDate) FROM PATIENT_DATA..tbPatient2 WHERE OPDIdNum <> '' LIMIT 1"));
    const QString id = adm.text(0), hn = adm.text(1);
    const QDate day = QDate::fromString(adm.text(2), QStringLiteral("yyyy-MM-dd"));
    const Recordset daily = h.open(
        QStringLiteral("Patient_Data..sp_Adm_DailyAdmission '%1'").arg(day.toString(QStringLiteral("MM/dd/yyyy"))));
    bool found = false;
    for (const QVariantList &row : daily.rows())
        found = found || row[0].toString() == id;
    QVERIFY(found);
    QCOMPARE(h.open(QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient '%1'").arg(id))
                 .text(QStringLiteral("OPDIdnum")),
        h.one(QStringLiteral("SELECT OPDIdNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id)));
    const Recordset soa = h.open(QStringLiteral("MSS..sp_MSS_PatientInfoForSOA '%1','%2'").arg(hn, id));
    QVERIFY(!soa.text(QStringLiteral("OPDIdnum")).isEmpty());
    QVERIFY(!soa.text(QStringLiteral("RoomRate")).isEmpty());
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetEmployeeName ''")).recordCount(), 0);
    QCOMPARE(h.open(QStringLiteral("MSS..sp_MSS_GetEmployeeName 'MSS11'")).recordCount(), 0); // has left
    const Recordset workers = h.open(QStringLiteral("MSS..sp_MSS_GetEmployees 'dizon'"));
    QVERIFY(workers.recordCount() >= 1);
    for (const QVariantList &row : workers.rows())
        QVERIFY(row[1].toString().startsWith(QStringLiteral("DIZON")));
    QVERIFY(
        failure(h, QStringLiteral("MSS..sp_MSS_getERDailyCensus 'yesterday'")).contains(QStringLiteral("not a date")));
    const QString company
        = h.one(QStringLiteral("SELECT IdNum FROM PATIENT_DATA..vwAdmission WHERE AccountNum LIKE 'C%' LIMIT 1"));
    QCOMPARE(h.open(QStringLiteral("Billing..sp_Pars_CheckCompany '%1'").arg(company)).recordCount(), 1);
    QCOMPARE(h.open(QStringLiteral("Billing..sp_Pars_CheckCompany 'NOPE'")).recordCount(), 0);
}

void TestHospitalDb::everyQuotedReadReturnsItsColumns()
{
    Hospital h(1500);
    const Recordset s = h.open(
        QStringLiteral("SELECT s.IdNum, s.HospNum, ifnull(m.MSSNum,'') FROM tbMSSAssessment s JOIN "
                       "PATIENT_DATA..tbMaster m ON m.HospNum = s.HospNum WHERE s.IdNum NOT GLOB '*[^0-9]*' LIMIT 1"));
    const QString id = s.text(0), hn = s.text(1), mss = s.text(2);
    const QString out = h.one(QStringLiteral("SELECT IdNum FROM PATIENT_DATA..tbOutPatient LIMIT 1"));
    const Recordset ref = h.open(QStringLiteral("SELECT IdNum, ReferralNo FROM tbMSSReferralNotice LIMIT 1"));
    struct Call {
        QString statement;
        QStringList columns;
    };
    const QList<Call> calls = {
        { QStringLiteral("Select * from PATIENT_DATA..tbHospitalInfo"),
            { "Company", "Address1", "Title", "TinNo", "MTSServerName" } },
        { QStringLiteral("Patient_Data..sp_Adm_LoadInPatient '%1',''").arg(id), { "AdmDate", "RoomID" } },
        { QStringLiteral("Patient_Data..sp_Adm_RoomLoad '101'"), { "RoomID" } },
        { QStringLiteral("Patient_Data..sp_Adm_LoadPatient '%1'").arg(hn),
            { "HospNum", "LastName", "Religion", "Age" } },
        { QStringLiteral(" sp_SearchCategoryandClassification '%1'").arg(id),
            { "Classification", "classificationid", "category", "categoryid", "MSS" } },
        { QStringLiteral("Radiology..spGlobal_RegisteredOPD '','1','%1'").arg(out), { "AdmDate" } },
        { QStringLiteral("MSS..sp_MSS_GetEmployeeName 'MSS01'"), { "EmployeeName", "licensenumber" } },
        { QStringLiteral("MSS..sp_MSS_GetPreviousAssessment '%1'").arg(hn),
            { "IdNum", "Code", "Classification", "Category", "AssessDate", "Remarks", "ExpiryDate" } },
        { QStringLiteral("RADIOLOGY..spRadio_CheckPatientClass '%1'").arg(id), { "PatientClass" } },
        { QStringLiteral("MSS..sp_MSS_PayPatientInfo '%1'").arg(id),
            { "LastName", "FirstName", "MiddleName", "HospNum", "IDNUM", "DoctorName", "RoomID" } },
        { QStringLiteral("MSS..sp_MSS_GetService '1.1'"), { "Code", "Description" } },
        { QStringLiteral("MSS..sp_MSS_ReprintARR '%1'").arg(hn), { "UserName", "lisencenumber" } },
        { QStringLiteral("MSS..sp_MSS_LoadReferralNoticePatient'%1','%2'").arg(ref.text(0), ref.text(1)),
            { "PatientName", "HospNum", "IDNUM", "Diagnosis", "category", "REMARKS", "ScheduleDate", "Status", "Tick1",
                "tick2", "tick3", "tick4", "tick5", "Others", "DischargeDate", "ReferralNo" } },
        { QStringLiteral("MSS..sp_MSS_PrintAssessment '%1','%2'").arg(hn, id),
            { "HospNum", "category", "Code", "CDF", "PCSO", "special", "NC" } },
        { QStringLiteral(
              "Select isnull(MSSClassification,'') as MSSClassification,  CONVERT(VARCHAR(10), MssDiscountExpiry, 101) "
              "as MssDiscountExpiry  From PATIENT_DATA..tbMaster WHERE HospNum = '%1'")
                .arg(hn),
            { "MSSClassification", "MssDiscountExpiry" } },
        { QStringLiteral("MSS..sp_Pars_Load_Existing_CDF_Allocation '%1', 1")
                .arg(h.one(QStringLiteral("SELECT HospNum FROM BILLING..tbBillCDFAllocation LIMIT 1"))),
            { "AllocatedFund", "UtilizedFund" } },
        { QStringLiteral("MSS..sp_MSS_GetPatientInfo '%1','%2'").arg(hn, id),
            { "Code", "Name", "HospNum", "MSSNumber", "RoomID" } },
        { QStringLiteral("MSS..sp_MSS_GetPatientInfoforARR '%1'").arg(id), { "Name", "HospNum", "RoomID" } },
        { QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id), { "IsSpecial", "NC" } },
        { QStringLiteral("SELECT * FROM MSS..tbMSSClassification where Type = 'C2'"),
            { "Procedures", "Supplies", "Medicines", "Room", "Procedures2", "Supplies2", "Medicines2" } },
        { QStringLiteral("Billing..sp_Billing_Get_MSS_SpecialArrangementRemarks '%1'").arg(id), { "IsSpecial", "NC" } },
        { QStringLiteral("MSS..sp_MSS_PatientInfoForSOA '%1','%2'").arg(hn, id),
            { "PatientName", "Address1", "Address2", "AccountNum", "Company", "AdmDate", "dcrdate", "RoomID", "AdmTime",
                "dcrtime", "RoomRate", "OPDIdnum" } },
        { QStringLiteral("MSS..sp_MSS_LoadDischargeNotice "),
            { "PatientName", "RoomID", "IDNUM", "DischargeNurse", "NoticeDate", "ClearDate" } },
        { QStringLiteral("MSS..sp_MSS_LoadReferralHistory'', '',''"),
            { "PatientName", "IDNUM", "HospNum", "DateApproved", "ReferralDate", "Status", "Diagnosis",
                "ReferralNo" } },
    };
    for (const Call &call : calls) {
        Recordset rs;
        try {
            rs = h.open(call.statement);
        } catch (const DbError &e) {
            QFAIL(qPrintable(call.statement + QStringLiteral(": ") + e.description()));
        }
        QVERIFY2(!rs.isEmpty(), qPrintable(call.statement));
        for (const QString &c : call.columns)
            QVERIFY2(rs.hasColumn(c) && rs.columns()[rs.columnIndex(c)] == c,
                qPrintable(call.statement + QStringLiteral(" lacks ") + c));
    }
    // The bill clean-up of the ARR save runs as quoted.
    h.db->execute(QStringLiteral(
        "DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF' and refNum = '%1' and IdNum = '%2'")
                      .arg(mss, id));
    QCOMPARE(
        h.one(QStringLiteral("SELECT count(*) FROM BILLING..tbBillDailyBill WHERE RevenueID = 'QF' AND IdNum = '%1'")
                  .arg(id)),
        QStringLiteral("0"));
}

void TestHospitalDb::toolExecAndUsers()
{
    const QString tool = qEnvironmentVariable("MSS_TOOLS_DIR") + QStringLiteral("/mss-db");
    if (!QFileInfo::exists(tool))
        QSKIP("mss-db is not built");
    QTemporaryDir dir;
    // New users' passwords go in through the environment or a file descriptor (here standard
    // input), never on the command line.
    const auto run = [&](const QStringList &args, QString *out = nullptr, QString *err = nullptr,
                         const QString &userPassword = {}, const QByteArray &input = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("MSS_USER_PASSWORD"));
        if (!userPassword.isNull())
            env.insert(QStringLiteral("MSS_USER_PASSWORD"), userPassword);
        p.setProcessEnvironment(env);
        p.start(tool, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QCOMPARE(run({ QStringLiteral("create"), dir.path(), QStringLiteral("--demo"), QStringLiteral("--patients"),
                 QStringLiteral("100") }),
        0);
    QString err;
    QCOMPARE(run({ QStringLiteral("create"), dir.path() }, nullptr, &err), 1);
    QVERIFY(err.contains(QStringLiteral("already exists")));

    QString out;
    QCOMPARE(
        run({ QStringLiteral("exec"), dir.path(), QStringLiteral("SELECT 'a''b' AS x, NULL AS y, 1.5 AS z") }, &out),
        0);
    QCOMPARE(out, QStringLiteral("x\ty\tz\na'b\tNULL\t1.5\n"));
    QCOMPARE(run({ QStringLiteral("exec"), dir.path(), QStringLiteral("MSS..sp_MSS_UpdateMSSNumber 'NOBODY','X'") },
                 &out, &err),
        1);
    QVERIFY(err.contains(QStringLiteral("does not exist")));

    QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("add"), dir.path(), QStringLiteral("nurse1"),
                     QStringLiteral("--last"), QStringLiteral("Reyes"), QStringLiteral("--first"),
                     QStringLiteral("Ana"), QStringLiteral("--rights"), QStringLiteral("A") },
                 nullptr, nullptr, QStringLiteral("s3cret-pw")),
        0);
    QCOMPARE(
        run({ QStringLiteral("user"), QStringLiteral("rights"), dir.path(), QStringLiteral("NURSE1"), QString() }), 0);
    QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("passwd"), dir.path(), QStringLiteral("NURSE1"),
                     QStringLiteral("--password-fd"), QStringLiteral("0") },
                 nullptr, &err, {}, "n3w-password\n"),
        0);
    // A password on the command line, where every user of the machine reads it, is refused.
    QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("passwd"), dir.path(), QStringLiteral("NURSE1"),
                     QStringLiteral("--password"), QStringLiteral("Tr4vel-Lamp-42") },
                 nullptr, &err),
        2);
    QVERIFY2(err.contains(QStringLiteral("not taken from the command line")), qPrintable(err));
    // Empty, short, dictionary and guessable passwords are refused in the library's words, and
    // change nothing.
    const QList<std::pair<QString, QString>> refused = { { QString(), QStringLiteral("password is empty") },
        { QStringLiteral("short"), QStringLiteral("password is too short") },
        { QStringLiteral("password"), QStringLiteral("dictionary") },
        { QStringLiteral("12345678"), QStringLiteral("monotonic sequence") },
        { QStringLiteral("        "), QStringLiteral("password is not accepted") },
        { QStringLiteral("nurse1-nurse1"), QStringLiteral("user name") },
        { QStringLiteral("Ana-Reyes-77"), QStringLiteral("user name") },
        { QStringLiteral("Qx7-zzzz-Lamp"), QStringLiteral("same characters consecutively") } };
    for (const auto &[bad, why] : refused) {
        QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("passwd"), dir.path(), QStringLiteral("NURSE1") },
                     nullptr, &err, bad),
            1);
        QVERIFY2(err.contains(why), qPrintable(bad + QStringLiteral(": ") + err));
    }
    for (const QString &bad : { QString(), QStringLiteral("short") })
        QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("add"), dir.path(), QStringLiteral("nurse2"),
                         QStringLiteral("--last"), QStringLiteral("Cruz"), QStringLiteral("--first"),
                         QStringLiteral("Ben") },
                     nullptr, &err, bad),
            1);
    // The administrator unlocks a user who is locked out.
    QCOMPARE(run({ QStringLiteral("exec"), dir.path(),
                 QStringLiteral("UPDATE MSS..tbMSSUser SET FailedLogOns = 7, LockOuts = 2, "
                                "LockedUntil = '2999-01-01 00:00:00' WHERE UserCode = 'NURSE1'") }),
        0);
    QCOMPARE(run({ QStringLiteral("user"), QStringLiteral("unlock"), dir.path(), QStringLiteral("nurse1") }), 0);
    auto db = openHospitalDatabase(dir.path());
    const Recordset u = db->open(QStringLiteral(
        "SELECT PasswordHash, (SELECT count(*) FROM tbMSSUserRight WHERE UserCode = 'NURSE1') AS rights, "
        "FailedLogOns || '/' || LockOuts || '/' || ifnull(LockedUntil, 'none') AS lockout "
        "FROM tbMSSUser WHERE UserCode = 'NURSE1'"));
    QVERIFY(mss::data::verifyPassword(u.text(0), QStringLiteral("n3w-password")));
    QCOMPARE(u.text(1), QStringLiteral("0"));
    QCOMPARE(u.text(2), QStringLiteral("0/0/none"));
    QCOMPARE(db->open(QStringLiteral("SELECT count(*) FROM tbMSSUser WHERE UserCode = 'NURSE2'")).text(0),
        QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestHospitalDb)
#include "tst_hospitaldb.moc"
