#pragma once

#include "data/recordset.h"

#include <QDate>
#include <QString>

#include <optional>

namespace mss::data {
class Connection;
}

namespace mss::classification {

// Pay/service type codes of an admission.
inline constexpr const char *kPayType = "P";
inline constexpr const char *kServiceType = "S";

// The patient's classification in the patient master.
struct StoredClassification {
    QString classification; // empty when the patient has none
    QString expiry; // "mm/dd/yyyy" as the database writes it; empty when there is none
};

// The statements that correct what is stored about a patient's type, class history and MSS
// number. Every value but the deletion reason is trimmed before it goes in; all are quoted.
class ClassificationStore {
public:
    explicit ClassificationStore(data::Connection &connection) : m_connection(connection) { }

    // The first letter of the admission's patient type ("P", "S"); empty when the admission has none.
    QString patientType(const QString &idNum) const;
    // Raises a DbError when the patient is not in the master.
    StoredClassification storedClassification(const QString &hospNum) const;
    void updatePatientClass(const QString &idNum, const QString &typeCode, const QString &employeeCode) const;
    data::Recordset history(const QString &idNum) const;
    // Deletes (and records the deletion of) the history entries of the class and date given.
    void deleteHistoryEntry(const QString &idNum, const QString &patientClass, const QString &reason,
        const QString &transDate, const QString &employeeCode) const;
    void updateMSSNumber(const QString &hospNum, const QString &newNumber) const;

private:
    data::Connection &m_connection;
};

// Why the patient may not be made a pay patient on that day: a classification that has not
// expired yet. Nothing when the change may go ahead. Dates are compared as dates.
std::optional<QString> payRefusal(const StoredClassification &stored, const QDate &today);

// A deletion needs a stated reason of six characters or more, white space around it and
// invisible characters anywhere not counted.
bool deletionReasonAccepted(const QString &reason);

} // namespace mss::classification
