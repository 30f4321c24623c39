#pragma once

#include <QString>
#include <QStringList>

namespace mss::data {

// The hospital's files hold patient records and password hashes: only the account that runs the
// program may read them, whatever the umask.

// Creates the folder (and any missing parents) and gives the folder itself rights 0700.
// Throws DbError when it cannot.
void makePrivateFolder(const QString &folder);
// Creates an empty file with rights 0600, or gives an existing one those rights.
void makePrivateFile(const QString &file);
// Gives an existing file rights 0600; a missing file is left missing.
void keepFilePrivate(const QString &file);

// What is wrong with the rights of a hospital folder and its database files: one text per
// fault, empty when only the owner can reach them.
QStringList folderRightsProblems(const QString &folder);

// A folder beside the target in which a new set of files is made before it is moved into
// place, so that an interrupted creation never looks like a hospital. Folders left behind by
// creations that were killed are removed first.
QString stagingFolderFor(const QString &target);
// Puts the staged folder where the target is: replaces a missing or empty target, or, when
// replace is set, swaps it with the existing one, which is then removed. Throws DbError.
void moveStagedFolder(const QString &staging, const QString &target, bool replace);
// Removes a staged folder and everything in it.
void discardStagedFolder(const QString &staging);

} // namespace mss::data
