#include "data/connectionstring.h"

#include "data/dberror.h"

#include <QList>

namespace mss::data {

namespace {

struct Entry {
    QString key;
    QString value; // without braces
    QString text; // as written
};

QList<Entry> entriesOf(const QString &s)
{
    QList<Entry> entries;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype start = i;
        const qsizetype eq = s.indexOf(QLatin1Char('='), i);
        const qsizetype semi = s.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // A part without '=' is kept as it is written.
            const qsizetype end = semi < 0 ? s.size() : semi;
            if (!s.mid(start, end - start).trimmed().isEmpty())
                entries.append({ QString(), QString(), s.mid(start, end - start) });
            i = end + 1;
            continue;
        }
        Entry e;
        e.key = s.mid(start, eq - start).trimmed();
        qsizetype j = eq + 1;
        while (j < s.size() && s[j].isSpace())
            ++j;
        if (j < s.size() && s[j] == QLatin1Char('{')) {
            ++j;
            while (j < s.size()) {
                if (s[j] == QLatin1Char('}')) {
                    if (j + 1 < s.size() && s[j + 1] == QLatin1Char('}')) {
                        e.value += QLatin1Char('}');
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                e.value += s[j++];
            }
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            i = end < 0 ? s.size() : end;
        } else {
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            i = end < 0 ? s.size() : end;
            e.value = s.mid(j, i - j).trimmed();
        }
        e.text = s.mid(start, i - start);
        entries.append(e);
        ++i; // past the ';'
    }
    return entries;
}

bool isKey(const QString &key, const char *name)
{
    return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool isPasswordKey(const QString &key)
{
    return isKey(key, "PWD") || isKey(key, "Password");
}

// A limit in whole seconds from the string, or the default when it is absent or not a positive number.
int secondsValue(const QString &text, int fallback)
{
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : fallback;
}

// PWD=… as the driver reads it back into exactly the password typed. A value that needs no
// braces is written bare, which every grammar reads alike; blanks stay, since drivers take a
// bare value up to the ';' as it stands.
QString passwordEntry(const QString &password, BraceGrammar grammar)
{
    if (!password.contains(QLatin1Char(';')) && !password.startsWith(QLatin1Char('{')))
        return QStringLiteral("PWD=") + password + QLatin1Char(';');
    if (grammar == BraceGrammar::FreeTdsBefore14) {
        if (password.contains(QLatin1String("};")))
            throw DbError(0, QStringLiteral("ODBC"),
                QStringLiteral("This ODBC driver (FreeTDS before 1.4) cannot be given a password that holds \"};\". "
                               "Please change the SQL Server password, or use a newer driver."));
        return QStringLiteral("PWD={") + password + QStringLiteral("};");
    }
    QString braced = password;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QStringLiteral("PWD={") + braced + QStringLiteral("};");
}

} // namespace

QString connectionValue(const QString &connectionString, const QString &key)
{
    for (const Entry &e : entriesOf(connectionString))
        if (e.key.compare(key, Qt::CaseInsensitive) == 0)
            return e.value;
    return {};
}

DriverConnection driverConnection(const QString &connectionString, BraceGrammar grammar)
{
    DriverConnection result;
    QString password;
    bool hasPassword = false;
    bool hasApp = false;
    QStringList kept;
    for (const Entry &e : entriesOf(connectionString)) {
        if (isPasswordKey(e.key)) {
            password = e.value;
            hasPassword = true;
        } else if (isKey(e.key, "LoginTimeout")) {
            result.loginTimeoutSeconds = secondsValue(e.value, result.loginTimeoutSeconds);
        } else if (isKey(e.key, "QueryTimeout")) {
            result.queryTimeoutSeconds = secondsValue(e.value, result.queryTimeoutSeconds);
        } else {
            hasApp = hasApp || isKey(e.key, "APP");
            kept.append(e.text.trimmed());
        }
    }
    // A DBA's list of sessions then tells this program's apart.
    if (!hasApp)
        kept.append(QStringLiteral("APP=") + QLatin1String(kApplicationName));
    result.text = kept.join(QLatin1Char(';')) + QLatin1Char(';');
    if (hasPassword)
        result.text += passwordEntry(password, grammar);
    return result;
}

QString connectionPassword(const QString &connectionString)
{
    for (const Entry &e : entriesOf(connectionString))
        if (isPasswordKey(e.key))
            return e.value;
    return {};
}

QString withoutPassword(const QString &connectionString)
{
    QStringList kept;
    for (const Entry &e : entriesOf(connectionString))
        if (!isPasswordKey(e.key))
            kept.append(e.text.trimmed());
    return kept.join(QLatin1Char(';'));
}

QString withPassword(const QString &connectionString, const QString &password)
{
    QString s = withoutPassword(connectionString);
    if (password.isEmpty())
        return s;
    QString braced = password;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    if (!s.isEmpty())
        s += QLatin1Char(';');
    return s + QStringLiteral("PWD={") + braced + QStringLiteral("};");
}

QString hidePassword(const QString &message, const QString &connectionString)
{
    const QString password = connectionPassword(connectionString);
    if (password.isEmpty())
        return message;
    QString hidden = message;
    hidden.replace(password, QStringLiteral("***"));
    return hidden;
}

} // namespace mss::data
