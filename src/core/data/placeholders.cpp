#include "data/placeholders.h"

namespace mss::data {

PlaceholderScan rewritePlaceholders(
    const QString &sql, const std::function<QString(const QString &name)> &replacement, bool blankComments)
{
    PlaceholderScan scan;
    scan.text.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    // Copies up to and including `end` (or to the end of the text) from i.
    auto copyThrough = [&](const QString &end, bool blank) {
        const qsizetype j = sql.indexOf(end, i + 1);
        const qsizetype stop = j < 0 ? n : j + end.size();
        if (blank) {
            for (qsizetype k = i; k < stop; ++k)
                scan.text += sql[k] == QLatin1Char('\n') ? QLatin1Char('\n') : QLatin1Char(' ');
        } else {
            scan.text += QStringView(sql).mid(i, stop - i);
        }
        i = stop;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'')) {
            copyThrough(QStringLiteral("'"), false); // a doubled quote is two literals in a row
        } else if (c == QLatin1Char('"')) {
            copyThrough(QStringLiteral("\""), false);
        } else if (c == QLatin1Char('[')) {
            copyThrough(QStringLiteral("]"), false);
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            // The line end itself is kept: it ends the comment for the database too.
            const qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
            const qsizetype stop = j < 0 ? n : j;
            scan.text += blankComments ? QString(stop - i, QLatin1Char(' ')) : sql.mid(i, stop - i);
            i = stop;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            copyThrough(QStringLiteral("*/"), blankComments);
        } else if (c == QLatin1Char(':') && i + 1 < n && (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_'))
            && (i == 0 || sql[i - 1] != QLatin1Char(':'))) {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_')))
                ++j;
            const QString name = sql.mid(i + 1, j - i - 1);
            scan.names.append(name);
            scan.offsets.append(i);
            scan.text += replacement(name);
            i = j;
        } else {
            scan.text += c;
            ++i;
        }
    }
    return scan;
}

} // namespace mss::data
