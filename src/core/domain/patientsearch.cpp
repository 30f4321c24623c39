#include "domain/patientsearch.h"

#include "data/connection.h"
#include "data/quote.h"
#include "domain/patientcomponent.h"

namespace mss::patients {

clsPatientSearch::clsPatientSearch() = default;
clsPatientSearch::~clsPatientSearch() = default;

suite::clsPatient &clsPatientSearch::component()
{
    if (!m_component)
        throw data::DbError(91, QStringLiteral("Patient search"),
            QStringLiteral("The patient component is not open: the patient search has no connection."));
    return *m_component;
}

bool clsPatientSearch::InitConnection(const QString &strConnectionString, const QString &)
{
    // The component is local whatever server is named: there is no remote component host here.
    bool opened = false;
    try {
        if (!strConnectionString.trimmed().isEmpty()) {
            auto candidate = std::make_unique<suite::clsPatient>();
            candidate->OpenConnection(strConnectionString, m_shared);
            opened = candidate->ActiveConnection() != nullptr;
            if (opened)
                m_component = std::move(candidate);
        }
    } catch (...) {
        opened = false;
    }
    if (!opened)
        return false;
    if (!m_shared || m_shared->state() != data::ConnectionState::Open) {
        m_ownConnection = data::openConnection(strConnectionString);
        m_shared = m_ownConnection.get();
    }
    return true;
}

namespace {

// Each object is loaded again only when a different number was accepted since its last load.
template <typename Object, typename Loader>
Object &loadedFor(Object &object, const QString &requested, QString &loaded, Loader load)
{
    if (requested != loaded) {
        loaded = requested;
        (object.*load)(loaded);
    }
    return object;
}

} // namespace

suite::clsPatientMaster &clsPatientSearch::PatientMaster()
{
    return loadedFor(
        component().PatientMaster(), m_requestedPatient, m_loadedPatient, &suite::clsPatientMaster::LoadPatient);
}

suite::clsAdmission &clsPatientSearch::Admission()
{
    return loadedFor(
        component().Admission(), m_requestedAdmission, m_loadedAdmission, &suite::clsAdmission::OpenAdmission);
}

suite::clsRoom &clsPatientSearch::Room()
{
    return loadedFor(component().RoomObject(), m_requestedRoom, m_loadedRoom, &suite::clsRoom::LoadRoom);
}

bool clsPatientSearch::validate(const QString &statement, const QString &number, QString &requested)
{
    if (number.trimmed().isEmpty())
        return false;
    if (!m_shared)
        throw data::DbError(
            91, QStringLiteral("Patient search"), QStringLiteral("The patient search has no connection."));
    const data::Recordset rs = m_shared->open(statement, data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (rs.isEmpty())
        return false;
    requested = number;
    m_found = true;
    return true;
}

bool clsPatientSearch::ValidatePatient(
    const QString &HospNumber, const QString &, const QString &, const QString &, const QString &)
{
    // The hospital number goes in with its blanks, as typed.
    return validate(QStringLiteral("Patient_Data..sp_Adm_LoadPatient '") + data::q(HospNumber) + QStringLiteral("'"),
        HospNumber, m_requestedPatient);
}

bool clsPatientSearch::ValidateAdmission(const QString &IDNumber, const QString &)
{
    return validate(
        QStringLiteral("Patient_Data..sp_Adm_LoadInPatient '") + data::q(IDNumber.trimmed()) + QStringLiteral("',''"),
        IDNumber, m_requestedAdmission);
}

bool clsPatientSearch::ValidateRoom(const QString &RoomID, const QString &)
{
    return validate(QStringLiteral("Patient_Data..sp_Adm_RoomLoad '") + data::q(RoomID.trimmed()) + QStringLiteral("'"),
        RoomID, m_requestedRoom);
}

} // namespace mss::patients
