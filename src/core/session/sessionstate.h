#pragma once

#include "auth/logonthrottle.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace mss::data {
class Connection;
}
namespace mss::suite {
class clsCurrentUser;
class KeyPress;
class clsPatient;
class clsAdmission;
class clsPatientMaster;
class clsCodeSearch;
class clsOpenConnection;
class clssoa;
} // namespace mss::suite
namespace mss::patients {
class clsPatientSearch;
}

namespace mss::shell {

// What the session obtained at start-up. Only start-up writes it; every window reads it.
//
// Nothing in this program reads HospitalTitle, HospitalTin, MtsServerName, KeyPressComponent,
// PatientComponent, AdmissionObject or PatientMasterObject: they are the suite's session as the
// hospital's other programs know it, made at start-up and kept for them.
//
// Besides this, the program keeps three things for the whole process, each for a reason:
// - the message seam's handlers (ui/messages.cpp), which tests replace to answer boxes;
// - the depth of the hourglass (ui/commandguard.cpp), because Qt's override cursor is itself
//   process-wide and the guard must take back exactly what a failed command pushed;
// - whether the report fonts were registered (reports' pagemodel.cpp), because Qt's font
//   database they go into is process-wide and takes each font once.
struct SessionState {
    SessionState();
    ~SessionState();
    SessionState(const SessionState &) = delete;
    SessionState &operator=(const SessionState &) = delete;

    QString ReportsPath; // the program's folder + "REPORTS/", ends in a separator
    std::unique_ptr<suite::clsCurrentUser> CurrentUser;
    QString EmployeeCode;
    QString HospitalName;
    QString HospitalAddress;
    QString HospitalTitle;
    QString HospitalTin;
    QString MtsServerName;
    data::Connection *SharedConnection = nullptr; // owned by CurrentUser
    std::unique_ptr<suite::KeyPress> KeyPressComponent;
    std::unique_ptr<suite::clsPatient> PatientComponent;
    suite::clsAdmission *AdmissionObject = nullptr;
    suite::clsPatientMaster *PatientMasterObject = nullptr;
    std::unique_ptr<suite::clsCodeSearch> CodeSearch;
    std::unique_ptr<suite::clsOpenConnection> BillingConnection;
    std::unique_ptr<suite::clssoa> BillingSoa;
    std::unique_ptr<patients::clsPatientSearch> PatientSearch;
    // Wrong passwords are counted across log-ons of the process, so "Change Active User" gives no
    // fresh tries.
    suite::LogOnThrottle LogOnAttempts;
    // The main window start-up opened; null when the log-on was given up or failed.
    QPointer<QObject> MainWindow;
};

// Read access for every window.
const SessionState &Session();

namespace detail {
// Write access, for start-up alone.
SessionState &writableSession();
} // namespace detail

} // namespace mss::shell
