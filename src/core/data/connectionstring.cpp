#include "data/connectionstring.h"

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

bool isPasswordKey(const QString &key)
{
    return key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0
        || key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0;
}

} // namespace

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
    return s + QStringLiteral("PWD={") + braced + QLatin1Char('}');
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
