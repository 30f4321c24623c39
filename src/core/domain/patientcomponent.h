#pragma once

#include "data/connection.h"

#include <QDate>
#include <QString>

#include <memory>

namespace mss::suite {

struct Religion {
    QString Description;
};

struct Address {
    QString Housestreet;
    QString Barangay;
    QString Town;
    QString Province;
    QString Zipcode;
};

struct Employer {
    QString Name; // the employer itself, shown where the form asks for "Employer"
    QString EmployerAddress;
};

// A patient's registration data for life, loaded by hospital number.
class clsPatientMaster {
public:
    explicit clsPatientMaster(data::Connection *&connection) : m_connection(connection) { }
    // True when the patient was found; the members then hold its data, otherwise they are empty.
    bool LoadPatient(const QString &hospitalNumber);
    int loadCount() const { return m_loads; }

    QString HospitalNumber, LastName, FirstName, MiddleName;
    QString Age, Sex, CivilStatus, Occupation, BirthPlace, TelNumber, PatientStatus, SSSGSIS;
    QDate BirthDate;
    suite::Religion Religion;
    suite::Address Address;
    suite::Employer Employer;

private:
    data::Connection *&m_connection;
    int m_loads = 0;
};

struct Room {
    QString RoomID;
};

struct History {
    QString ChiefComplaint, AdmittingDiagnosis, Procedures, AdmittingImpression;
};

// One admission or visit, loaded by admission number.
class clsAdmission {
public:
    explicit clsAdmission(data::Connection *&connection) : m_connection(connection) { }
    bool OpenAdmission(const QString &admissionNumber);
    int loadCount() const { return m_loads; }

    QString IdNum, HospNum, REMARKS, ReferringDoctor;
    QDate AdmissionDate;
    suite::Room Room;
    suite::History History;
    bool NewAdmission = false;

private:
    data::Connection *&m_connection;
    int m_loads = 0;
};

// A room with its station and rate.
class clsRoom {
public:
    explicit clsRoom(data::Connection *&connection) : m_connection(connection) { }
    bool LoadRoom(const QString &roomId);
    int loadCount() const { return m_loads; }

    QString RoomID, Station, RoomType;
    double RoomRate = 0;

private:
    data::Connection *&m_connection;
    int m_loads = 0;
};

// The suite's patient component: patient, admission and room data from PATIENT_DATA, on a
// connection of its own opened from the session's connection string.
class clsPatient {
public:
    clsPatient();
    ~clsPatient();

    // Opens the component's connection; ActiveConnection is set when it succeeded. A failure
    // throws DbError.
    // A session connection already open on the same string is lent instead: a second log-on to
    // the hospital's server would cost round trips and an idle session there for the whole day.
    void OpenConnection(const QString &connectionString, data::Connection *session = nullptr);
    data::Connection *ActiveConnection() const { return m_connection; }

    clsPatientMaster &PatientMaster() { return m_master; }
    clsAdmission &Admission() { return m_admission; }
    clsRoom &RoomObject() { return m_room; }

private:
    std::unique_ptr<data::Connection> m_owned;
    data::Connection *m_connection = nullptr;
    clsPatientMaster m_master { m_connection };
    clsAdmission m_admission { m_connection };
    clsRoom m_room { m_connection };
};

} // namespace mss::suite
