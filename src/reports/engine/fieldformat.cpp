#include "engine/fieldformat.h"

#include "data/format.h"
#include "data/recordset.h"
#include "data/values.h"

#include <cmath>

namespace mss::reports {

namespace {

const char *const monthNames[] = { "January", "February", "March", "April", "May", "June", "July", "August",
    "September", "October", "November", "December" };

bool isNumberMask(const QString &mask)
{
    if (mask.isEmpty())
        return false;
    for (QChar c : mask)
        if (c != QLatin1Char('#') && c != QLatin1Char('0') && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    return true;
}

} // namespace

std::optional<FieldFormat> FieldFormat::parse(const QString &mask, QString *error)
{
    FieldFormat f;
    const QString named = mask.trimmed().toLower();
    static const QList<std::pair<QString, Kind>> names = { { QStringLiteral("general date"), Kind::GeneralDate },
        { QStringLiteral("long date"), Kind::LongDate }, { QStringLiteral("general time"), Kind::GeneralTime },
        { QStringLiteral("short time"), Kind::ShortTime }, { QStringLiteral("general number"), Kind::GeneralNumber },
        { QStringLiteral("upper"), Kind::Upper }, { QStringLiteral("lower"), Kind::Lower } };
    for (const auto &[name, kind] : names) {
        if (named == name) {
            f.m_kind = kind;
            return f;
        }
    }
    if (named == QLatin1String("short date"))
        return parse(QStringLiteral("m/d/yyyy"), error);
    return isNumberMask(mask) ? parseNumberMask(mask, error) : parseDateMask(mask, error);
}

std::optional<FieldFormat> FieldFormat::parseNumberMask(const QString &mask, QString *error)
{
    FieldFormat f;
    f.m_kind = Kind::Number;
    const qsizetype dot = mask.indexOf(QLatin1Char('.'));
    if (dot >= 0 && mask.indexOf(QLatin1Char('.'), dot + 1) >= 0) {
        *error = QStringLiteral("the number mask \"%1\" has more than one decimal point").arg(mask);
        return std::nullopt;
    }
    const QString whole = dot >= 0 ? mask.left(dot) : mask;
    const QString fraction = dot >= 0 ? mask.mid(dot + 1) : QString();
    if (fraction.contains(QLatin1Char(','))) {
        *error = QStringLiteral("the number mask \"%1\" has a thousands separator after the decimal point").arg(mask);
        return std::nullopt;
    }
    f.m_grouping = whole.contains(QLatin1Char(','));
    f.m_minWhole = int(whole.count(QLatin1Char('0')));
    f.m_maxDecimals = int(fraction.size());
    // Decimals shown always are the leading zeros of the fraction ("0.00##": two to four).
    int zeros = 0;
    while (zeros < fraction.size() && fraction[zeros] == QLatin1Char('0'))
        ++zeros;
    if (fraction.indexOf(QLatin1Char('0'), zeros) >= 0) {
        *error = QStringLiteral("in the number mask \"%1\" a '0' follows a '#' after the decimal point").arg(mask);
        return std::nullopt;
    }
    f.m_minDecimals = zeros;
    if (f.m_maxDecimals > 9) {
        *error = QStringLiteral("the number mask \"%1\" has more than nine decimals").arg(mask);
        return std::nullopt;
    }
    return f;
}

// A date mask is read token by token; letters of no token are refused so that a typo does not
// print literally on every page.
std::optional<FieldFormat> FieldFormat::parseDateMask(const QString &mask, QString *error)
{
    FieldFormat f;
    f.m_kind = Kind::Date;
    const QString lower = mask.toLower();
    bool hasHour = false;
    for (qsizetype i = 0; i < lower.size();) {
        const qsizetype taken = f.readDatePart(mask, lower, i, hasHour, error);
        if (taken == 0)
            return std::nullopt;
        i += taken;
    }
    if (f.m_parts.isEmpty() || std::all_of(f.m_parts.begin(), f.m_parts.end(), [](const DatePart &p) {
            return p.type == DatePart::Literal;
        })) {
        *error = QStringLiteral("the mask \"%1\" has no digit, date or time part").arg(mask);
        return std::nullopt;
    }
    return f;
}

void FieldFormat::addDatePart(DatePart::Type type, const QString &literal)
{
    if (type == DatePart::Literal && !m_parts.isEmpty() && m_parts.last().type == DatePart::Literal)
        m_parts.last().literal += literal;
    else
        m_parts.append({ type, literal });
}

qsizetype FieldFormat::readDatePart(
    const QString &mask, const QString &lower, qsizetype i, bool &hasHour, QString *error)
{
    if (lower.mid(i, 5) == QLatin1String("am/pm")) {
        addDatePart(DatePart::AmPm);
        m_twelveHour = true;
        return 5;
    }
    const QChar c = lower[i];
    if (!c.isLetterOrNumber()) {
        addDatePart(DatePart::Literal, mask.mid(i, 1));
        return 1;
    }
    qsizetype n = 0;
    while (i + n < lower.size() && lower[i + n] == c)
        ++n;
    std::optional<DatePart::Type> type;
    switch (c.unicode()) {
    case u'm':
        type = monthPart(mask, n, hasHour, error);
        break;
    case u'd':
    case u'h':
        if (n > 2) {
            *error = QStringLiteral("the date mask \"%1\" has %2 %3's in a row").arg(mask).arg(n).arg(c);
            return 0;
        }
        type = c == u'd' ? (n == 1 ? DatePart::Day : DatePart::Day2) : (n == 1 ? DatePart::Hour : DatePart::Hour2);
        hasHour = hasHour || c == u'h';
        break;
    case u'y':
        if (n != 4) {
            *error = QStringLiteral("the date mask \"%1\" must write the year as \"yyyy\": "
                                    "no date is printed with a two-digit year")
                         .arg(mask);
            return 0;
        }
        type = DatePart::Year4;
        break;
    case u'n':
    case u's':
        if (n != 2) {
            *error = QStringLiteral("the date mask \"%1\" must write %2 with two letters (\"%3\")")
                         .arg(mask, c == QLatin1Char('n') ? QStringLiteral("minutes") : QStringLiteral("seconds"),
                             QString(2, c));
            return 0;
        }
        type = c == QLatin1Char('n') ? DatePart::Minute2 : DatePart::Second2;
        break;
    default:
        *error = QStringLiteral("the mask \"%1\" is neither a number mask nor a date mask (\"%2\" is not a date part)")
                     .arg(mask, mask.mid(i, 1));
        return 0;
    }
    if (!type)
        return 0;
    addDatePart(*type);
    return n;
}

// "m" to "mmmm" is the month; right after an hour and a colon, "mm" is what Qt would read as
// minutes, and is refused rather than guessed.
std::optional<FieldFormat::DatePart::Type> FieldFormat::monthPart(
    const QString &mask, qsizetype n, bool hasHour, QString *error) const
{
    if (n > 4) {
        *error = QStringLiteral("the date mask \"%1\" has %2 m's in a row").arg(mask).arg(n);
        return std::nullopt;
    }
    if (n <= 2 && hasHour && !m_parts.isEmpty() && m_parts.last().type == DatePart::Literal
        && m_parts.last().literal.endsWith(QLatin1Char(':'))) {
        *error = QStringLiteral("in the date mask \"%1\" \"mm\" after a colon would be read as the month; "
                                "write minutes as \"nn\"")
                     .arg(mask);
        return std::nullopt;
    }
    return n == 1 ? DatePart::Month : n == 2 ? DatePart::Month2 : n == 3 ? DatePart::MonthShort : DatePart::MonthLong;
}

QString FieldFormat::plain(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        FieldFormat f;
        f.m_kind = Kind::GeneralDate;
        return f.apply(value);
    }
    default:
        return data::variantText(value);
    }
}

QString FieldFormat::applyNumber(double value) const
{
    if (!std::isfinite(value))
        return QString();
    QString digits = data::roundedDigits(value, m_maxDecimals);
    QString whole = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.section(QLatin1Char('.'), 1);
    while (fraction.size() > m_minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (whole == QLatin1String("0") && m_minWhole == 0 && !fraction.isEmpty())
        whole.clear(); // "#.00" prints .50 as a spreadsheet does
    else if (whole.size() < m_minWhole)
        whole = whole.rightJustified(m_minWhole, QLatin1Char('0'));
    if (m_grouping) {
        QString grouped;
        for (qsizetype i = 0; i < whole.size(); ++i) {
            if (i > 0 && (whole.size() - i) % 3 == 0)
                grouped += QLatin1Char(',');
            grouped += whole[i];
        }
        whole = grouped;
    }
    QString result = fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
    if (result.isEmpty())
        result = QStringLiteral("0"); // a value never prints as nothing
    bool nonZero = false;
    for (QChar c : result)
        nonZero = nonZero || (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
    return value < 0 && nonZero ? QLatin1Char('-') + result : result;
}

QString FieldFormat::applyDate(const QDateTime &dt) const
{
    const QDate date = dt.date();
    const QTime time = dt.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    QString out;
    for (const DatePart &p : m_parts) {
        switch (p.type) {
        case DatePart::Literal:
            out += p.literal;
            break;
        case DatePart::Month:
            out += QString::number(date.month());
            break;
        case DatePart::Month2:
            out += two(date.month());
            break;
        case DatePart::MonthShort:
            out += QString::fromLatin1(monthNames[date.month() - 1]).left(3);
            break;
        case DatePart::MonthLong:
            out += QString::fromLatin1(monthNames[date.month() - 1]);
            break;
        case DatePart::Day:
            out += QString::number(date.day());
            break;
        case DatePart::Day2:
            out += two(date.day());
            break;
        case DatePart::Year4:
            out += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
            break;
        case DatePart::Hour:
        case DatePart::Hour2: {
            int h = time.hour();
            if (m_twelveHour)
                h = h % 12 == 0 ? 12 : h % 12;
            out += p.type == DatePart::Hour ? QString::number(h) : two(h);
            break;
        }
        case DatePart::Minute2:
            out += two(time.minute());
            break;
        case DatePart::Second2:
            out += two(time.second());
            break;
        case DatePart::AmPm:
            out += time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            break;
        }
    }
    return out;
}

QString FieldFormat::apply(const QVariant &value) const
{
    if (value.isNull())
        return QString();
    switch (m_kind) {
    case Kind::Upper:
        return plain(value).toUpper();
    case Kind::Lower:
        return plain(value).toLower();
    case Kind::GeneralNumber:
    case Kind::Number: {
        double number = 0;
        if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
            const auto parsed = data::parseNumber(value.toString());
            if (!parsed)
                return value.toString();
            number = *parsed;
        } else {
            bool ok = false;
            number = value.toDouble(&ok);
            if (!ok)
                return plain(value);
        }
        return m_kind == Kind::Number ? applyNumber(number) : data::shortestText(std::isfinite(number) ? number : 0);
    }
    default:
        break;
    }
    const auto dt = data::dateTimeOf(value);
    if (!dt)
        return plain(value);
    const QTime t = dt->time();
    switch (m_kind) {
    case Kind::GeneralDate:
        return data::generalDate(*dt);
    case Kind::LongDate:
        return QStringLiteral("%1 %2, %3")
            .arg(QString::fromLatin1(monthNames[dt->date().month() - 1]))
            .arg(dt->date().day())
            .arg(dt->date().year());
    case Kind::GeneralTime:
        return data::generalTime(t);
    case Kind::ShortTime:
        return QStringLiteral("%1:%2").arg(t.hour(), 2, 10, QLatin1Char('0')).arg(t.minute(), 2, 10, QLatin1Char('0'));
    default:
        return applyDate(*dt);
    }
}

} // namespace mss::reports
