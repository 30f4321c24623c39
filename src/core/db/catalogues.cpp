#include "db/catalogues.h"

#include "data/dberror.h"
#include "data/embedded.h"
#include "db/password.h"

#include <QString>

#include <sqlite3.h>

#include <array>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Reference catalogues");

[[noreturn]] void failed(sqlite3 *db, const char *sql)
{
    throw DbError(sqlite3_errcode(db), kSource,
        QStringLiteral("%1 — in: %2").arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql).left(200)));
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failed(db, sql);
}

// One row of a tree catalogue: code, description, parent code, sort order.
class Insert {
public:
    Insert(sqlite3 *db, const char *sql) : m_db(db), m_sql(sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            failed(db, sql);
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert(const Insert &) = delete;
    Insert &operator=(const Insert &) = delete;
    void run(const QString &code, const QString &description, const QString &parent, int order)
    {
        const QByteArray values[] = { code.toUtf8(), description.toUtf8(), parent.toUtf8() };
        for (int i = 0; i < 3; ++i)
            sqlite3_bind_text(m_stmt, i + 1, values[i].constData(), int(values[i].size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(m_stmt, 4, order);
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            failed(m_db, m_sql);
    }

private:
    sqlite3 *m_db;
    const char *m_sql;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace

void insertReferenceCatalogues(sqlite3 *db)
{
    exec(db,
        "INSERT INTO PATIENT_DATA.tbReligion VALUES ('RC','ROMAN CATHOLIC'),('INC','IGLESIA NI CRISTO'),"
        "('ISL','ISLAM'),('AGL','AGLIPAYAN'),('BAP','BAPTIST'),('SDA','SEVENTH-DAY ADVENTIST'),"
        "('BA','BORN AGAIN CHRISTIAN'),('OTH','OTHERS')");
    exec(db,
        "INSERT INTO tbMSSClassificationScheme VALUES ('A','PAY'),('B','PARTIAL PAY'),('C1','SERVICE C-1'),"
        "('C2','SERVICE C-2'),('C3','SERVICE C-3'),('D','INDIGENT')");
    exec(db,
        "INSERT INTO tbMSSClassification VALUES "
        "('A','PAY',0,0,0,0,0,0,0),"
        "('B','PARTIAL PAY',0.1,0.1,0.1,0.1,0.1,0.1,0.1),"
        "('C1','SERVICE C-1',0.25,0.25,0.25,0.25,0.2,0.2,0.2),"
        "('C2','SERVICE C-2',0.5,0.5,0.5,0.5,0.4,0.4,0.4),"
        "('C3','SERVICE C-3',0.75,0.75,0.75,0.75,0.6,0.6,0.6),"
        "('D','INDIGENT',1,1,1,1,1,1,1)");
    exec(db,
        "INSERT INTO tbMSSParentCategory VALUES ('01','MEDICAL','A'),('02','SURGICAL','A'),"
        "('03','RENAL','A'),('04','PEDIATRIC','A'),('05','OTHERS','A')");
    exec(db,
        "INSERT INTO tbMSSCaseCategory VALUES ('01','HEMODIALYSIS','03','A'),('02','POST-TRANSPLANT','03','A'),"
        "('03','PERITONEAL DIALYSIS','03','A'),('04','DONOR WORK-UP','03','A'),('05','NEPHROLOGY','01','A'),"
        "('06','PEDIA-NEPHRO','04','A'),('07','UROLOGY','02','A'),('08','VASCULAR','02','A'),"
        "('09','GS','02','A'),('10','IM','01','A'),('11','RENAL TRANSPLANT RECIPIENT','03','A'),"
        "('12','DONOR NEPHRECTOMY','02','A'),('13','OTHERS','05','A')");
    exec(db,
        "INSERT INTO tbMSSActive VALUES ('01','NEW CASE'),('02','OLD CASE'),('03','CLOSED CASE'),"
        "('04','CARRY OVER')");
    exec(db,
        "INSERT INTO tbMSSReferringParty VALUES ('1','SELF'),('2','PHYSICIAN'),('3','NURSE'),"
        "('4','OTHER HOSPITAL'),('5','GOVERNMENT OFFICE'),('6','NGO'),('7','RELATIVE')");

    // Services and activities: the pickers open the top level, the children of 1.1 to 1.8 and
    // those of 1.2.3, 1.3.2, 1.3.5, 1.8.1 to 1.8.3; deeper levels open on demand.
    struct Node {
        const char *code;
        const char *service;
        const char *activity;
    };
    constexpr std::array nodes = { Node { "1", "CASE MANAGEMENT SERVICES", "DIRECT CASE WORK" },
        Node { "2", "CONCRETE SERVICES", "INDIRECT CASE WORK" },
        Node { "3", "REFERRAL SERVICES", "ADMINISTRATIVE WORK" },
        Node { "1.1", "PSYCHOSOCIAL ASSESSMENT", "INTAKE INTERVIEW" },
        Node { "1.1.1", "INITIAL ASSESSMENT", "NEW CASE INTERVIEW" },
        Node { "1.1.2", "RE-ASSESSMENT", "FOLLOW-UP INTERVIEW" }, Node { "1.2", "COUNSELING", "HOME VISIT" },
        Node { "1.2.1", "INDIVIDUAL COUNSELING", "HOME VISIT - WITHIN CITY" },
        Node { "1.2.2", "FAMILY COUNSELING", "HOME VISIT - OUTSIDE CITY" },
        Node { "1.2.3", "CRISIS INTERVENTION", "COLLATERAL VISITS" },
        Node { "1.2.3.1", "GRIEF COUNSELING", "BARANGAY VISIT" },
        Node { "1.2.3.2", "SUICIDE RISK INTERVENTION", "EMPLOYER VISIT" },
        Node { "1.2.3.1.1", "BEREAVEMENT FOLLOW-UP", "REPEAT BARANGAY VISIT" },
        Node { "1.3", "FINANCIAL ASSISTANCE", "RESOURCE MOBILIZATION" },
        Node { "1.3.1", "DISCOUNT ON HOSPITAL BILL", "LETTER TO SPONSOR" },
        Node { "1.3.2", "MEDICINE ASSISTANCE", "ENDORSEMENT TO PCSO" },
        Node { "1.3.2.1", "FREE MEDICINES", "PCSO GUARANTEE LETTER" },
        Node { "1.3.2.2", "DISCOUNTED MEDICINES", "PCSO ENDOWMENT" },
        Node { "1.3.3", "LABORATORY ASSISTANCE", "ENDORSEMENT TO LGU" },
        Node { "1.3.4", "PROCEDURE ASSISTANCE", "ENDORSEMENT TO NGO" },
        Node { "1.3.5", "DIALYSIS ASSISTANCE", "CDF REQUEST" },
        Node { "1.3.5.1", "HEMODIALYSIS SESSIONS", "CDF FOLLOW-UP" },
        Node { "1.3.5.2", "PERITONEAL DIALYSIS SUPPLIES", "CDF LIQUIDATION" },
        Node { "1.4", "TRANSPORTATION ASSISTANCE", "GROUP WORK" },
        Node { "1.4.1", "FARE ASSISTANCE", "PATIENT EDUCATION CLASS" },
        Node { "1.5", "DISCHARGE PLANNING", "CASE CONFERENCE" },
        Node { "1.5.1", "AFTER-CARE PLANNING", "MULTIDISCIPLINARY CONFERENCE" },
        Node { "1.6", "HEALTH EDUCATION", "DOCUMENTATION" },
        Node { "1.6.1", "DIET COUNSELING", "SOCIAL CASE STUDY REPORT" },
        Node { "1.7", "TRANSPLANT ORIENTATION", "NETWORKING" },
        Node { "1.7.1", "DONOR ORIENTATION", "COORDINATION WITH DSWD" },
        Node { "1.8", "PROTECTIVE SERVICES", "MONITORING" }, Node { "1.8.1", "ABANDONED PATIENTS", "WARD ROUNDS" },
        Node { "1.8.1.1", "TEMPORARY SHELTER", "DAILY WARD ROUNDS" },
        Node { "1.8.2", "ABUSED PATIENTS", "TELEPHONE FOLLOW-UP" },
        Node { "1.8.2.1", "REFERRAL TO WCPU", "TEXT FOLLOW-UP" },
        Node { "1.8.3", "UNIDENTIFIED PATIENTS", "BILL MONITORING" },
        Node { "1.8.3.1", "TRACING OF RELATIVES", "PROMISSORY NOTE FOLLOW-UP" },
        Node { "2.1", "BLOOD DONATION ASSISTANCE", "REPORT PREPARATION" },
        Node { "2.2", "CLOTHING ASSISTANCE", "STATISTICS" },
        Node { "3.1", "REFERRAL TO OTHER HOSPITALS", "INTER-AGENCY MEETING" },
        Node { "3.2", "REFERRAL TO GOVERNMENT AGENCIES", "TRAINING" } };
    Insert service(db, "INSERT INTO tbMSSServiceCategory (Code, Description, ParentCode, SortOrder) VALUES (?,?,?,?)");
    Insert activity(db, "INSERT INTO tbMSSActivity (Code, Description, ParentCode, SortOrder) VALUES (?,?,?,?)");
    int order = 0;
    for (const Node &n : nodes) {
        const QString code = QString::fromLatin1(n.code);
        const int dot = int(code.lastIndexOf(QLatin1Char('.')));
        const QString parent = dot < 0 ? QStringLiteral("0") : code.left(dot);
        service.run(code, QString::fromUtf8(n.service), parent, ++order);
        activity.run(code, QString::fromUtf8(n.activity), parent, order);
    }
}

QString hospitalSetUpProblem(const HospitalSetUp &setUp, bool withPassword)
{
    if (setUp.hospitalName.trimmed().isEmpty())
        return QStringLiteral("The hospital's name is missing.");
    if (setUp.administratorCode.trimmed().isEmpty())
        return QStringLiteral("The administrator's user code is missing.");
    if (setUp.administratorLastName.trimmed().isEmpty() || setUp.administratorFirstName.trimmed().isEmpty())
        return QStringLiteral("The administrator's last and first name are needed.");
    return withPassword ? data::passwordRuleProblem(setUp.administratorPassword, setUp.administratorCode,
               { setUp.administratorLastName, setUp.administratorFirstName })
                        : QString();
}

void setUpEmptyHospital(EmbeddedConnection &connection, const HospitalSetUp &setUp)
{
    if (const QString problem = hospitalSetUpProblem(setUp); !problem.isEmpty())
        throw DbError(0, kSource, problem);
    const QString code = setUp.administratorCode.trimmed().toUpper();
    const QString hash = data::hashPassword(setUp.administratorPassword, setUp.fastPasswordHash);
    connection.beginTrans();
    try {
        insertReferenceCatalogues(connection.handle());
        connection.query(QStringLiteral("INSERT INTO PATIENT_DATA.tbHospitalInfo (Company, Address1, Address2, Title, "
                                        "TinNo, MTSServerName) VALUES (:name, :address1, :address2, '', '', '')"),
            { { QStringLiteral("name"), setUp.hospitalName.trimmed() },
                { QStringLiteral("address1"), setUp.address1.trimmed() },
                { QStringLiteral("address2"), setUp.address2.trimmed() } });
        connection.query(QStringLiteral("INSERT INTO main.tbMSSEmployee (EmployeeID, LastName, FirstName, Position, "
                                        "IsSocialWorker, Active) VALUES (:code, :last, :first, 'ADMINISTRATOR', 0, 1)"),
            { { QStringLiteral("code"), code },
                { QStringLiteral("last"), setUp.administratorLastName.trimmed().toUpper() },
                { QStringLiteral("first"), setUp.administratorFirstName.trimmed().toUpper() } });
        connection.query(
            QStringLiteral("INSERT INTO main.tbMSSUser (UserCode, PasswordHash, CreatedDate, PasswordDate) "
                           "VALUES (:code, :hash, getdate(), getdate())"),
            { { QStringLiteral("code"), code }, { QStringLiteral("hash"), hash } });
        connection.query(QStringLiteral("INSERT INTO main.tbMSSUserRight VALUES (:code, 'A')"),
            { { QStringLiteral("code"), code } });
        connection.commitTrans();
    } catch (...) {
        if (connection.inTransaction())
            connection.rollbackTrans();
        throw;
    }
}

} // namespace mss::data
