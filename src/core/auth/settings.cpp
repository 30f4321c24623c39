#include "auth/settings.h"

#include "data/connectionstring.h"
#include "db/hospitalfolder.h"

namespace mss::suite {

namespace {

const QString kSource = QStringLiteral("logon/source");
const QString kFolder = QStringLiteral("logon/folder");
const QString kConnectionString = QStringLiteral("logon/odbc");
const QString kUser = QStringLiteral("logon/user");
const QString kDemoFolderHeldHospital = QStringLiteral("logon/demoFolderHeldHospital");

QString userKey(const QString &kind, const QString &user, const QString &name)
{
    const QString who = user.trimmed();
    return QStringLiteral("%1/%2/%3").arg(kind, who.isEmpty() ? QStringLiteral("-") : who, name);
}

} // namespace

Settings::Settings() : m_file(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")) { }

QString Settings::fileName() const
{
    return m_file.fileName();
}

void Settings::writeThrough()
{
    m_file.sync();
    data::keepFilePrivate(m_file.fileName());
}

bool Settings::logOnEmbedded() const
{
    return m_file.value(kSource, QStringLiteral("embedded")).toString() != QLatin1String("odbc");
}

QString Settings::logOnFolder(const QString &fallback) const
{
    return m_file.value(kFolder, fallback).toString();
}

QString Settings::logOnConnectionString()
{
    const QString stored = m_file.value(kConnectionString).toString();
    if (data::connectionPassword(stored).isEmpty())
        return stored;
    // An older program kept the whole string: its password leaves the file now.
    const QString withoutPassword = data::withoutPassword(stored);
    m_file.setValue(kConnectionString, withoutPassword);
    return withoutPassword;
}

void Settings::setLogOnSource(bool embedded, const QString &folder, const QString &connectionString)
{
    m_file.setValue(kSource, embedded ? QStringLiteral("embedded") : QStringLiteral("odbc"));
    m_file.setValue(kFolder, folder);
    m_file.setValue(kConnectionString, data::withoutPassword(connectionString));
    writeThrough();
}

QString Settings::lastUserCode() const
{
    return m_file.value(kUser).toString();
}

void Settings::setLastUserCode(const QString &code)
{
    m_file.setValue(kUser, code.trimmed());
}

bool Settings::demoFolderHeldHospital() const
{
    return m_file.value(kDemoFolderHeldHospital).toBool();
}

void Settings::setDemoFolderHeldHospital()
{
    m_file.setValue(kDemoFolderHeldHospital, true);
}

Settings::WindowPlace Settings::windowPlace(const QString &user, const QString &window) const
{
    const QString key = userKey(QStringLiteral("windows"), user, window);
    return { m_file.value(key + QStringLiteral("/rect")).toRect(),
        m_file.value(key + QStringLiteral("/maximized")).toBool() };
}

void Settings::setWindowPlace(const QString &user, const QString &window, const QRect &normal, bool maximized)
{
    const QString key = userKey(QStringLiteral("windows"), user, window);
    m_file.setValue(key + QStringLiteral("/maximized"), maximized);
    if (!maximized)
        m_file.setValue(key + QStringLiteral("/rect"), normal);
}

QList<int> Settings::columnWidths(const QString &user, const QString &list) const
{
    QList<int> widths;
    for (const QVariant &w : m_file.value(userKey(QStringLiteral("columns"), user, list)).toList())
        widths.append(w.toInt());
    return widths;
}

void Settings::setColumnWidths(const QString &user, const QString &list, const QList<int> &widths)
{
    QList<QVariant> stored;
    for (int w : widths)
        stored.append(w);
    m_file.setValue(userKey(QStringLiteral("columns"), user, list), stored);
}

} // namespace mss::suite
