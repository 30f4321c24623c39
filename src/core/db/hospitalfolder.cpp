#include "db/hospitalfolder.h"

#include "data/dberror.h"
#include "data/embedded.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Hospital database");

[[noreturn]] void refuse(const QString &message)
{
    throw DbError(0, kSource, message);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString octal(mode_t mode)
{
    return QStringLiteral("%1").arg(uint(mode & 0777), 4, 8, QLatin1Char('0'));
}

const QString kCreating = QStringLiteral(".creating-");
const QString kReplaced = QStringLiteral(".replaced-");

QString besideTarget(const QString &target, const QString &kind, qint64 pid)
{
    const QFileInfo info(QDir::cleanPath(QDir(target).absolutePath()));
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + kind + QString::number(pid));
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// Staged and replaced folders whose creator has gone were left by a creation that was killed.
void removeAbandoned(const QString &target)
{
    const QFileInfo info(QDir::cleanPath(QDir(target).absolutePath()));
    const QDir parent = info.dir();
    const QString prefix = QLatin1Char('.') + info.fileName();
    const QStringList entries
        = parent.entryList({ prefix + kCreating + QLatin1Char('*'), prefix + kReplaced + QLatin1Char('*') },
            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.mid(entry.lastIndexOf(QLatin1Char('-')) + 1).toLongLong(&ok);
        if (ok && (pid == QCoreApplication::applicationPid() || !processAlive(pid)))
            QDir(parent.filePath(entry)).removeRecursively();
    }
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

void makePrivateFolder(const QString &folder)
{
    if (!QDir().mkpath(folder))
        refuse(QStringLiteral("Cannot create the folder %1").arg(folder));
    if (::chmod(QFile::encodeName(folder).constData(), 0700) != 0)
        refuse(QStringLiteral("Cannot make the folder %1 private: %2").arg(folder, systemError()));
}

void makePrivateFile(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        refuse(QStringLiteral("Cannot create %1: %2").arg(file, systemError()));
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!ok)
        refuse(QStringLiteral("Cannot make %1 private: %2").arg(file, systemError()));
}

void keepFilePrivate(const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    struct stat st { };
    if (::stat(path.constData(), &st) == 0 && (st.st_mode & 0077) != 0)
        ::chmod(path.constData(), st.st_mode & 0700);
}

QStringList folderRightsProblems(const QString &folder)
{
    QStringList problems;
    struct stat st { };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return { QStringLiteral("The folder %1 cannot be read: %2").arg(folder, systemError()) };
    if (st.st_uid != ::geteuid())
        problems.append(
            QStringLiteral("The folder %1 belongs to another account (user id %2)").arg(folder).arg(st.st_uid));
    if ((st.st_mode & 0077) != 0)
        problems.append(QStringLiteral("The folder %1 has rights %2: other accounts can reach the patients' records "
                                       "(chmod 700 it)")
                            .arg(folder, octal(st.st_mode)));
    for (const QString &name : embeddedDatabaseNames()) {
        const QString file = embeddedDatabaseFile(folder, name);
        for (const QString &path : { file, file + QStringLiteral("-journal") }) {
            if (::stat(QFile::encodeName(path).constData(), &st) != 0)
                continue;
            if ((st.st_mode & 0077) != 0)
                problems.append(QStringLiteral("The file %1 has rights %2: other accounts can read it (chmod 600 it)")
                                    .arg(path, octal(st.st_mode)));
        }
    }
    return problems;
}

QString stagingFolderFor(const QString &target)
{
    const QString parent = QFileInfo(QDir::cleanPath(QDir(target).absolutePath())).absolutePath();
    if (!QDir().mkpath(parent))
        refuse(QStringLiteral("Cannot create the folder %1").arg(parent));
    removeAbandoned(target);
    const QString staging = besideTarget(target, kCreating, QCoreApplication::applicationPid());
    QDir(staging).removeRecursively();
    makePrivateFolder(staging);
    return staging;
}

void moveStagedFolder(const QString &staging, const QString &target, bool replace)
{
    const QString absolute = QDir::cleanPath(QDir(target).absolutePath());
    const QByteArray from = QFile::encodeName(staging);
    const QByteArray to = QFile::encodeName(absolute);
    const QFileInfo existing(absolute);
    if (!existing.exists() || (existing.isDir() && isEmptyFolder(absolute))) {
        // rename() replaces an empty folder in one step.
        if (::rename(from.constData(), to.constData()) != 0)
            refuse(QStringLiteral("Cannot move the new database into %1: %2").arg(absolute, systemError()));
        return;
    }
    if (!replace)
        refuse(QStringLiteral("The folder %1 is not empty; it is left as it is").arg(absolute));
    // Swapping the two folders at once leaves no moment without a hospital; where the file
    // system cannot, the old folder is moved aside first.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        QDir(staging).removeRecursively();
        return;
    }
    const QString aside = besideTarget(absolute, kReplaced, QCoreApplication::applicationPid());
    QDir(aside).removeRecursively();
    if (::rename(to.constData(), QFile::encodeName(aside).constData()) != 0)
        refuse(QStringLiteral("Cannot move the old database in %1 aside: %2").arg(absolute, systemError()));
    if (::rename(from.constData(), to.constData()) != 0) {
        const QString error = systemError();
        ::rename(QFile::encodeName(aside).constData(), to.constData());
        refuse(QStringLiteral("Cannot move the new database into %1: %2").arg(absolute, error));
    }
    QDir(aside).removeRecursively();
}

void discardStagedFolder(const QString &staging)
{
    QDir(staging).removeRecursively();
}

} // namespace mss::data
