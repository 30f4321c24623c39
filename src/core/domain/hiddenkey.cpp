#include "domain/hiddenkey.h"

namespace mss::domain {

QString withHiddenKey(const QString &name, const QString &key, int blanks)
{
    return name + QString(blanks, QLatin1Char(' ')) + key;
}

QString hiddenKey(const QString &entry, int width)
{
    return entry.right(width).trimmed();
}

QString hiddenKeyName(const QString &entry, int width)
{
    return entry.left(qMax(0, entry.size() - width)).trimmed();
}

QString joinCodes(const QStringList &codes)
{
    QString text;
    for (const QString &code : codes)
        text += code + QLatin1Char('|');
    return text;
}

QStringList splitCodes(const QString &codeText)
{
    QStringList parts = codeText.split(QLatin1Char('|'));
    parts.removeLast();
    return parts;
}

} // namespace mss::domain
