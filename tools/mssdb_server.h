#pragma once

// mss-db on the hospital's SQL Server: where a command works (an embedded folder or an ODBC
// connection string) and the check of what a database holds of the objects the program uses.

#include "data/connection.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

namespace mssdb {

// Opens the database a command names: the folder it was given, or, with "--odbc STRING", the
// server. The server's password comes from the string, MSS_ODBC_PASSWORD or the prompt; no
// message ever shows it.
class DatabaseOpener {
public:
    using Prompt = std::function<QString(const QString &)>;
    DatabaseOpener(std::optional<QString> odbc, Prompt prompt);

    bool isOdbc() const { return m_odbc.has_value(); }
    std::unique_ptr<mss::data::Connection> open(const QString &folder) const;
    // A message about the database with its password written as ***.
    QString hide(const QString &message) const;

private:
    std::optional<QString> m_odbc;
    Prompt m_prompt;
    mutable std::optional<QString> m_password;
};

// Takes "--odbc STRING" out of the arguments; with it the command has no folder, so an empty
// folder argument is put where the command expects one (after `user`'s action, else first).
std::optional<QString> takeOdbcOption(QStringList &args);

// The folders a report file name is looked for in: beside the tool and, from a build folder,
// in the sources.
QStringList reportFolders();

// Lists every table, view and procedure the program uses and whether the database has it, and
// on a server whether the deployed version of the program's own objects fits. Returns the exit
// code: 0 when nothing is missing.
int check(mss::data::Connection &connection, QTextStream &out);

} // namespace mssdb
