#include "patients/patientsearch.h"

#include "data/connection.h"
#include "data/quote.h"
#include "suite/patientcomponent.h"
#include "ui/messages.h"

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
            candidate->OpenConnection(strConnectionString);
            opened = candidate->ActiveConnection() != nullptr;
            if (opened)
                m_component = std::move(candidate);
        }
    } catch (...) {
        opened = false;
    }
    if (!opened) {
        ui::Messages::show(QStringLiteral("Unable to stablish a connection..."));
        return false;
    }
    if (!m_shared || m_shared->state() != data::ConnectionState::Open) {
        m_ownConnection = data::openConnection(strConnectionString);
        m_shared = m_ownConnection.get();
    }
    return true;
}

suite::clsPatientMaster &clsPatientSearch::PatientMaster()
{
    suite::clsPatientMaster &master = component().PatientMaster();
    if (m_requestedPatient != m_loadedPatient) {
        m_loadedPatient = m_requestedPatient;
        master.LoadPatient(m_loadedPatient);
    }
    return master;
}

suite::clsAdmission &clsPatientSearch::Admission()
{
    suite::clsAdmission &admission = component().Admission();
    if (m_requestedAdmission != m_loadedAdmission) {
        m_loadedAdmission = m_requestedAdmission;
        admission.OpenAdmission(m_loadedAdmission);
    }
    return admission;
}

suite::clsRoom &clsPatientSearch::Room()
{
    suite::clsRoom &room = component().RoomObject();
    if (m_requestedRoom != m_loadedRoom) {
        m_loadedRoom = m_requestedRoom;
        room.LoadRoom(m_loadedRoom);
    }
    return room;
}

bool clsPatientSearch::validate(const QString &statement, const QString &number, QString &requested)
{
    if (number.trimmed().isEmpty())
        return false;
    if (!m_shared)
        throw data::DbError(91, QStringLiteral("Patient search"), QStringLiteral("The patient search has no connection."));
    const data::Recordset rs = m_shared->open(statement, data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (rs.isEmpty())
        return false;
    requested = number;
    m_found = true;
    return true;
}

bool clsPatientSearch::ValidatePatient(const QString &HospNumber, const QString &, const QString &, const QString &,
                                       const QString &)
{
    // The hospital number goes in with its blanks, as typed.
    return validate(QStringLiteral("Patient_Data..sp_Adm_LoadPatient '") + data::q(HospNumber) + QStringLiteral("'"),
                    HospNumber, m_requestedPatient);
}

bool clsPatientSearch::ValidateAdmission(const QString &IDNumber, const QString &)
{
    return validate(QStringLiteral("Patient_Data..sp_Adm_LoadInPatient '") + data::q(IDNumber.trimmed()) + QStringLiteral("',''"),
                    IDNumber, m_requestedAdmission);
}

bool clsPatientSearch::ValidateRoom(const QString &RoomID, const QString &)
{
    return validate(QStringLiteral("Patient_Data..sp_Adm_RoomLoad '") + data::q(RoomID.trimmed()) + QStringLiteral("'"),
                    RoomID, m_requestedRoom);
}

} // namespace mss::patients
