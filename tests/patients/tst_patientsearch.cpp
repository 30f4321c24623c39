// The patient search service: validations, the lazily loaded objects and a failing component.
#include "domain/patientcomponent.h"
#include "domain/patientsearch.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "ui/messages.h"

#include <QtTest>

using namespace mss;

class TestPatientSearch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_log.reset(); }
    void failingComponentSaysSoAndReturnsFalse();
    void blankNumbersNeverTouchTheDatabase();
    void statementsAsSent();
    void objectsLoadOncePerAcceptedNumber();
    void failedValidationKeepsTheEarlierNumber();
    void opensItsOwnConnectionWhenNoneIsShared();

private:
    std::optional<test::MessageLog> m_log;
};

void TestPatientSearch::init()
{
    m_log.emplace();
}

void TestPatientSearch::failingComponentSaysSoAndReturnsFalse()
{
    patients::clsPatientSearch search;
    QVERIFY(!search.InitConnection(QStringLiteral("  "), QString()));
    QVERIFY(!search.InitConnection(QStringLiteral("Driver=Embedded;Folder=/nonexistent/hospital"), QString()));
    // The search only says it failed; start-up tells the user, with this text.
    QVERIFY(m_log->texts().isEmpty());
    QCOMPARE(QString::fromLatin1(patients::clsPatientSearch::kConnectionFailed),
        QStringLiteral("Unable to stablish a connection..."));
    QVERIFY(!search.PatientClass());
}

void TestPatientSearch::blankNumbersNeverTouchTheDatabase()
{
    test::RecordingConnection recording;
    patients::clsPatientSearch search;
    search.setSharedConnection(&recording);
    QVERIFY(!search.ValidatePatient(QStringLiteral("   ")));
    QVERIFY(!search.ValidateAdmission(QString()));
    QVERIFY(!search.ValidateRoom(QStringLiteral("\t ")));
    QVERIFY(recording.statements.isEmpty());
    QVERIFY(!search.Found());
}

void TestPatientSearch::statementsAsSent()
{
    test::RecordingConnection recording;
    patients::clsPatientSearch search;
    search.setSharedConnection(&recording);
    search.ValidatePatient(QStringLiteral(" 000123 "));
    search.ValidateAdmission(QStringLiteral(" 4567 "), QString());
    search.ValidateRoom(QStringLiteral("W-1"), QString());
    search.ValidatePatient(QStringLiteral("O'Neil"));
    QCOMPARE(recording.statements,
        (QStringList { QStringLiteral("Patient_Data..sp_Adm_LoadPatient ' 000123 '"),
            QStringLiteral("Patient_Data..sp_Adm_LoadInPatient '4567',''"),
            QStringLiteral("Patient_Data..sp_Adm_RoomLoad 'W-1'"),
            QStringLiteral("Patient_Data..sp_Adm_LoadPatient 'O''Neil'") }));
}

void TestPatientSearch::objectsLoadOncePerAcceptedNumber()
{
    test::DemoHospital h;
    const QString hosp
        = test::scalar(h.connection(), QStringLiteral("SELECT min(HospNum) FROM PATIENT_DATA..tbPatient2"));
    const QString adm = test::scalar(h.connection(),
        QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2 WHERE HospNum = '%1'").arg(hosp));
    patients::clsPatientSearch search;
    search.setSharedConnection(&h.connection());
    QVERIFY(search.InitConnection(h.connectionString(), QString()));

    QVERIFY(search.ValidatePatient(hosp));
    QVERIFY(search.Found());
    suite::clsPatientMaster &first = search.PatientMaster();
    suite::clsPatientMaster &second = search.PatientMaster();
    QCOMPARE(&first, &second);
    QCOMPARE(first.loadCount(), 1);
    QCOMPARE(first.HospitalNumber, hosp);
    QVERIFY(!first.LastName.isEmpty());

    QVERIFY(search.ValidateAdmission(adm));
    suite::clsAdmission &admission = search.Admission();
    search.Admission();
    QCOMPARE(admission.loadCount(), 1);
    QCOMPARE(admission.IdNum, adm);
    QVERIFY(admission.AdmissionDate.isValid());
    QVERIFY(!admission.Room.RoomID.isEmpty());

    QVERIFY(search.ValidateRoom(admission.Room.RoomID));
    QCOMPARE(search.Room().RoomID, admission.Room.RoomID);
    QCOMPARE(search.Room().loadCount(), 1);
}

void TestPatientSearch::failedValidationKeepsTheEarlierNumber()
{
    test::DemoHospital h;
    const QString hosp
        = test::scalar(h.connection(), QStringLiteral("SELECT min(HospNum) FROM PATIENT_DATA..tbMaster"));
    patients::clsPatientSearch search;
    search.setSharedConnection(&h.connection());
    QVERIFY(search.InitConnection(h.connectionString(), QString()));
    QVERIFY(search.ValidatePatient(hosp));
    QVERIFY(!search.ValidatePatient(QStringLiteral("NO-SUCH-NUMBER")));
    QVERIFY(search.Found());
    QCOMPARE(search.requestedPatient(), hosp);
    QCOMPARE(search.PatientMaster().HospitalNumber, hosp);
}

void TestPatientSearch::opensItsOwnConnectionWhenNoneIsShared()
{
    test::DemoHospital h;
    patients::clsPatientSearch search;
    QVERIFY(search.InitConnection(h.connectionString(), QStringLiteral("  ")));
    QVERIFY(search.sharedConnection());
    QCOMPARE(search.sharedConnection()->state(), data::ConnectionState::Open);
    QVERIFY(m_log->shown.isEmpty());
}

QTEST_MAIN(TestPatientSearch)
#include "tst_patientsearch.moc"
