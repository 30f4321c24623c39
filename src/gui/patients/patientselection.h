#pragma once

#include <QString>

namespace mss::patients {

// The patient chosen in the patient list: what the main window's commands and the windows they
// open read. It outlives the list window, which clears part of it when it closes.
struct PatientSelection {
    QString IDNUM;
    QString HospNum;
    QString RoomID;
    QString PatientName;
    QString MSSID;
    QString Billdate;
    QString PatientType = QStringLiteral("2"); // "2" until a patient type is clicked
};

} // namespace mss::patients
