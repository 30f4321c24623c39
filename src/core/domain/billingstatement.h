#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace mss::data {
class Connection;
}

namespace mss::suite {

// The billing statement component's connection: the statement is read on the session's own
// connection, so establishing it checks that the billing database answers there.
class clsOpenConnection {
public:
    explicit clsOpenConnection(data::Connection *session = nullptr) : m_session(session) { }
    void setSessionConnection(data::Connection *session) { m_session = session; }

    bool EstablishedConnection(const QString &serverName, const QString &database, const QString &password);
    data::Connection *connection() const { return m_established ? m_session : nullptr; }

private:
    data::Connection *m_session;
    bool m_established = false;
};

// One line of a summarized statement of account.
struct SoaLine {
    QString section; // "Charges", "Discounts", "Medicare", "Payments"
    QString description;
    double amount = 0;
};

struct SummarizedStatement {
    QString patientName;
    QList<SoaLine> lines;
    double charges = 0, discounts = 0, medicare = 0, payments = 0;
    double balance() const { return charges - discounts - medicare - payments; }
};

// Reads the statement of an admission from the billing database.
SummarizedStatement loadSummarizedStatement(
    data::Connection &connection, const QString &admissionNumber, const QString &hospitalNumber);

// The billing statement-of-account class.
class clssoa {
public:
    explicit clssoa(clsOpenConnection &connection) : m_connection(connection) { }

    QString AdmissionNumber;
    QString UserId;
    QString HospitalNumber;
    QString UserName;
    // Shows a statement to the user; the session's shell provides the window.
    std::function<void(const SummarizedStatement &, const QString &admissionNumber, const QString &hospitalNumber,
        const QString &userName)>
        StatementWindow;

    // Shows the summarized statement of the admission.
    void ShowSOA(const QString &admissionNumber);

private:
    clsOpenConnection &m_connection;
};

} // namespace mss::suite
