#pragma once

#include <QList>
#include <QString>

#include <stdexcept>

namespace mss::data {

// One entry of a connection's error list: what a failing statement reports.
struct DbErrorInfo {
    long long number = 0;
    QString source;
    QString description;
};

// Raised by every failing statement, on either driver. The same entry is left in the connection's
// errors() list, so callers that "check the list after a step" see it as well.
class DbError : public std::runtime_error {
public:
    explicit DbError(DbErrorInfo info, QString statement = {});
    DbError(long long number, const QString &source, const QString &description);

    const DbErrorInfo &info() const { return m_info; }
    long long number() const { return m_info.number; }
    const QString &source() const { return m_info.source; }
    const QString &description() const { return m_info.description; }
    // The failing statement, for IT: it may hold a patient's data, so it is kept apart from the
    // description that users see.
    const QString &statement() const { return m_statement; }

    // "description (number, source)": the one way an error is shown to a user.
    QString displayText() const;

private:
    DbErrorInfo m_info;
    QString m_statement;
};

} // namespace mss::data
