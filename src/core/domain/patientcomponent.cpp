#include "domain/patientcomponent.h"

#include "data/dberror.h"
#include "data/quote.h"
#include "data/values.h"

namespace mss::suite {

namespace {

data::Connection &require(data::Connection *connection)
{
    if (!connection)
        throw data::DbError(
            3704, QStringLiteral("Patient component"), QStringLiteral("The patient component has no open connection."));
    return *connection;
}

QDate dateOf(const data::Recordset &rs, const QString &column)
{
    const auto dt = data::dateTimeOf(rs.value(column));
    return dt ? dt->date() : QDate();
}

} // namespace

bool clsPatientMaster::LoadPatient(const QString &hospitalNumber)
{
    ++m_loads;
    HospitalNumber = LastName = FirstName = MiddleName = QString();
    Age = Sex = CivilStatus = Occupation = BirthPlace = TelNumber = PatientStatus = SSSGSIS = QString();
    BirthDate = QDate();
    Religion = {};
    Address = {};
    Employer = {};
    data::Recordset rs = require(m_connection)
                             .open(QStringLiteral("Patient_Data..sp_Adm_LoadPatient '")
                                 + data::q(hospitalNumber.trimmed()) + QStringLiteral("'"));
    if (rs.eof())
        return false;
    HospitalNumber = rs.text(QStringLiteral("HospNum"));
    LastName = rs.text(QStringLiteral("LastName"));
    FirstName = rs.text(QStringLiteral("FirstName"));
    MiddleName = rs.text(QStringLiteral("MiddleName"));
    Age = rs.text(QStringLiteral("Age"));
    Sex = rs.text(QStringLiteral("Sex"));
    CivilStatus = rs.text(QStringLiteral("CivilStatus"));
    Religion.Description = rs.text(QStringLiteral("Religion"));
    Occupation = rs.text(QStringLiteral("Occupation"));
    BirthDate = dateOf(rs, QStringLiteral("BirthDate"));
    BirthPlace = rs.text(QStringLiteral("BirthPlace"));
    Address = { rs.text(QStringLiteral("HouseStreet")), rs.text(QStringLiteral("Barangay")),
        rs.text(QStringLiteral("Town")), rs.text(QStringLiteral("Province")), rs.text(QStringLiteral("ZipCode")) };
    TelNumber = rs.text(QStringLiteral("TelNumber"));
    Employer = { rs.text(QStringLiteral("Employer")), rs.text(QStringLiteral("EmployerAddress")) };
    PatientStatus = rs.text(QStringLiteral("PatientStatus"));
    SSSGSIS = rs.text(QStringLiteral("SSSGSIS"));
    return true;
}

bool clsAdmission::OpenAdmission(const QString &admissionNumber)
{
    ++m_loads;
    IdNum = HospNum = REMARKS = ReferringDoctor = QString();
    AdmissionDate = QDate();
    Room = {};
    History = {};
    NewAdmission = false;
    data::Recordset rs = require(m_connection)
                             .open(QStringLiteral("Patient_Data..sp_Adm_LoadInPatient '")
                                 + data::q(admissionNumber.trimmed()) + QStringLiteral("',''"));
    if (rs.eof())
        return false;
    IdNum = rs.text(QStringLiteral("IdNum"));
    HospNum = rs.text(QStringLiteral("HospNum"));
    AdmissionDate = dateOf(rs, QStringLiteral("AdmDate"));
    Room.RoomID = rs.text(QStringLiteral("RoomID"));
    History = { rs.text(QStringLiteral("ChiefComplaint")), rs.text(QStringLiteral("AdmittingDiagnosis")),
        rs.text(QStringLiteral("Procedures")), rs.text(QStringLiteral("AdmittingImpression")) };
    REMARKS = rs.text(QStringLiteral("REMARKS"));
    ReferringDoctor = rs.text(QStringLiteral("ReferringDoctor"));
    NewAdmission = rs.number(QStringLiteral("NewAdmission")) != 0;
    return true;
}

bool clsRoom::LoadRoom(const QString &roomId)
{
    ++m_loads;
    RoomID.clear();
    Station.clear();
    RoomType.clear();
    RoomRate = 0;
    data::Recordset rs = require(m_connection)
                             .open(QStringLiteral("Patient_Data..sp_Adm_RoomLoad '") + data::q(roomId.trimmed())
                                 + QStringLiteral("'"));
    if (rs.eof())
        return false;
    RoomID = rs.text(QStringLiteral("RoomID"));
    Station = rs.text(QStringLiteral("Station"));
    RoomType = rs.text(QStringLiteral("RoomType"));
    RoomRate = rs.number(QStringLiteral("RoomRate"));
    return true;
}

clsPatient::clsPatient() = default;
clsPatient::~clsPatient() = default;

void clsPatient::OpenConnection(const QString &connectionString, data::Connection *session)
{
    m_connection = nullptr;
    m_owned.reset();
    if (session && session->state() == data::ConnectionState::Open && session->connectionString() == connectionString) {
        m_connection = session;
        return;
    }
    m_owned = data::openConnection(connectionString);
    m_connection = m_owned.get();
}

} // namespace mss::suite
