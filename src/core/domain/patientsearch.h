#pragma once

#include <QString>

#include <memory>

namespace mss::data {
class Connection;
class Recordset;
} // namespace mss::data

namespace mss::suite {
class clsPatient;
class clsPatientMaster;
class clsAdmission;
class clsRoom;
} // namespace mss::suite

namespace mss::patients {

// The patient search service: opens the suite's patient component on the session's connection
// string, checks that a hospital number, admission number or room exists, and hands out the
// component's objects loaded for the number last accepted. Each object is loaded again only when
// a different number was accepted since.
class clsPatientSearch {
public:
    clsPatientSearch();
    ~clsPatientSearch();

    // False when the patient component cannot be opened on the connection string; the caller
    // tells the user (kConnectionFailed).
    bool InitConnection(const QString &strConnectionString, const QString &strServerName);
    static constexpr const char *kConnectionFailed = "Unable to stablish a connection...";
    // The connection the validations run on (the session's shared connection).
    void setSharedConnection(data::Connection *connection) { m_shared = connection; }
    data::Connection *sharedConnection() const { return m_shared; }

    suite::clsPatient *PatientClass() const { return m_component.get(); }
    suite::clsPatientMaster &PatientMaster();
    suite::clsAdmission &Admission();
    suite::clsRoom &Room();

    bool ValidatePatient(const QString &HospNumber, const QString &FirstName = {}, const QString &MiddleName = {},
        const QString &Sex = {}, const QString &BirthDate = {});
    bool ValidateAdmission(const QString &IDNumber, const QString &StationID = {});
    bool ValidateRoom(const QString &RoomID, const QString &StationID = {});

    bool AllowReg = false; // accepted and ignored
    bool AllowNewPat = false; // accepted and ignored
    void SearchPatient() { }

    bool Found() const { return m_found; }
    QString requestedPatient() const { return m_requestedPatient; }
    QString requestedAdmission() const { return m_requestedAdmission; }
    QString requestedRoom() const { return m_requestedRoom; }

private:
    bool validate(const QString &statement, const QString &number, QString &requested);
    suite::clsPatient &component();

    std::unique_ptr<suite::clsPatient> m_component;
    std::unique_ptr<data::Connection> m_ownConnection; // only when no shared connection was open
    data::Connection *m_shared = nullptr;
    bool m_found = false;
    QString m_requestedPatient, m_requestedAdmission, m_requestedRoom;
    QString m_loadedPatient, m_loadedAdmission, m_loadedRoom;
};

} // namespace mss::patients
