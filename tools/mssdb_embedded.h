#pragma once

// The mss-db commands that look after an embedded hospital's files: check, backup, and the
// questions asked when a real hospital is created.

#include "db/catalogues.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace mssdb {

// mss-db check DIR: prints each finding; 0 when the database is sound, 1 on any fault.
int checkCommand(const QStringList &args);
// mss-db backup DIR DEST
int backupCommand(const QStringList &args);

// One line typed on the terminal after the prompt, surrounding blanks removed.
QString readAnswer(const QString &prompt);

// The hospital and its first administrator: each value from its option when given, otherwise
// asked for (answer(option, prompt)); the password from password().
mss::data::HospitalSetUp askHospitalSetUp(
    const std::function<QString(const QString &option, const QString &prompt)> &answer,
    const std::function<QString()> &password);

} // namespace mssdb
