#include "data/values.h"

#include <string>

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace mss::data {

QString shortestText(double value)
{
    if (!std::isfinite(value))
        throw std::domain_error("an amount is not a finite number");
    if (value == 0)
        return QStringLiteral("0"); // also turns -0 into 0
    char buffer[400];
    auto fmt
        = std::fabs(value) >= 1e21 || std::fabs(value) < 1e-9 ? std::chars_format::general : std::chars_format::fixed;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, fmt);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

namespace {

std::optional<QDateTime> build(int y, int mo, int d, int h, int mi, int s, int ms)
{
    QDate date(y, mo, d);
    QTime time(h, mi, s, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

int twoDigitYear(int y)
{
    // SQL Server's cut-off: 00-49 are 2000-2049, 50-99 are 1950-1999.
    return y < 50 ? 2000 + y : 1900 + y;
}

} // namespace

std::optional<QDateTime> parseDateTime(const QString &input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;

    static const QRegularExpression iso(
        QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?)?$)"));
    static const QRegularExpression us(QStringLiteral(
        R"(^(\d{1,2})/(\d{1,2})/(\d{4}|\d{2})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?\s*([AaPp][Mm])?)?$)"));
    static const QRegularExpression compact(QStringLiteral(R"(^(\d{4})(\d{2})(\d{2})$)"));

    auto num
        = [](const QRegularExpressionMatch &m, int i) { return m.captured(i).isEmpty() ? 0 : m.captured(i).toInt(); };
    auto millis
        = [](const QString &frac) { return frac.isEmpty() ? 0 : (frac + QStringLiteral("00")).left(3).toInt(); };

    if (auto m = iso.match(text); m.hasMatch())
        return build(num(m, 1), num(m, 2), num(m, 3), num(m, 4), num(m, 5), num(m, 6), millis(m.captured(7)));
    if (auto m = us.match(text); m.hasMatch()) {
        int year = num(m, 3);
        if (m.captured(3).size() == 2)
            year = twoDigitYear(year);
        int hour = num(m, 4);
        const QString half = m.captured(8).toUpper();
        if (!half.isEmpty()) {
            if (hour < 1 || hour > 12)
                return std::nullopt;
            hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
        }
        return build(year, num(m, 1), num(m, 2), hour, num(m, 5), num(m, 6), millis(m.captured(7)));
    }
    if (auto m = compact.match(text); m.hasMatch())
        return build(num(m, 1), num(m, 2), num(m, 3), 0, 0, 0, 0);
    return std::nullopt;
}

std::optional<QDateTime> dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    default:
        return parseDateTime(value.toString());
    }
}

bool isInPatientAdmission(const QString &admissionNumber)
{
    const QString n = admissionNumber.trimmed();
    return !n.isEmpty()
        && std::all_of(n.begin(), n.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

namespace {

// Format characters (U+200B zero-width space, U+200D joiner, U+2060, U+FEFF, direction marks …)
// and the blank-looking letters that Unicode does not count as white space.
bool hidden(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format || c == 0x115F || c == 0x1160 || c == 0x3164 || c == 0xFFA0
        || c == 0x2800 || c == 0x034F;
}

} // namespace

QString visibleText(const QString &text)
{
    const QList<uint> chars = text.toUcs4();
    std::u32string kept;
    kept.reserve(size_t(chars.size()));
    for (const uint c : chars)
        if (!hidden(char32_t(c)))
            kept.push_back(char32_t(c));
    size_t first = 0;
    size_t last = kept.size();
    while (first < last && QChar::isSpace(kept[first]))
        ++first;
    while (last > first && QChar::isSpace(kept[last - 1]))
        --last;
    return QString::fromUcs4(kept.data() + first, qsizetype(last - first));
}

} // namespace mss::data
