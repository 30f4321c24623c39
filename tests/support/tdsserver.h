#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace mss::test {

// Pieces of the server's script (tests/tds/README.md).
namespace tds {
// Answers the requests whose text the regular expression finds (the first `times` of them).
QJsonObject rule(const QString &match, const QJsonArray &respond, int times = 0);
// A result set; `types` names one type for every column, or one each.
QJsonObject rows(const QStringList &names, const QStringList &types, const QList<QJsonArray> &values);
QJsonObject error(int number, const QString &message, int severity = 16);
} // namespace tds

// FreeTDS's ODBC driver by its path, so that the tests do not depend on odbcinst.ini; empty when
// it is not installed (Debian package tdsodbc).
QString freeTdsDriver();

// The TDS test server (tests/tds/tdsserver.py) in a process of its own on 127.0.0.1: it plays the
// hospital's SQL Server for FreeTDS, answers from a JSON script and logs every request.
class TdsServer {
public:
    TdsServer() = default;
    ~TdsServer();
    TdsServer(const TdsServer &) = delete;
    TdsServer &operator=(const TdsServer &) = delete;

    // Starts the server with the script; false with the reason when it does not come up.
    bool start(const QJsonObject &script, QString *error);
    // Gives the running server another script; it reads it before its next request.
    void setScript(const QJsonObject &script);
    int port() const { return m_port; }

    // A connection string for a log-in of the script, written as a user would (the password
    // in ODBC's brace grammar); `extra` is appended as it stands.
    QString connectionString(const QString &user, const QString &password, const QString &extra = {}) const;

    // Every event logged since the start (or since forgetLog), oldest first.
    QList<QJsonObject> events(const QString &kind = {}) const;
    // The texts of the batches and procedure calls, in the order they came.
    QStringList statements() const;
    // Later calls of events() and statements() see only what comes after this.
    void forgetLog();

private:
    QList<QJsonObject> allEvents() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    qsizetype m_logMark = 0;
};

} // namespace mss::test
