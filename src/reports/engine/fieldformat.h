#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace mss::reports {

// A display mask of a report field, parsed once when the definition loads. Masks are read by
// this code alone and never handed to Qt as they stand: in Qt "mm" is minutes, here it is the
// month, and Qt's number formatting follows the locale while a printed report must not.
//
//   numbers:  "##,###,###,##0.00", "#,##0", "0.000"  ('0' a digit always shown, '#' a digit shown
//             when significant, ',' anywhere in the whole part turns thousands separators on)
//   dates:    m mm mmm mmmm (month), d dd (day), yyyy (year), h hh (hour, 12-hour when AM/PM is
//             present), nn (minutes), ss (seconds), AM/PM; any other character is printed as is.
//             "yy" is refused: no date is ever printed with a two-digit year.
//   named:    "general date", "short date", "long date", "general time", "short time",
//             "general number", "upper", "lower"
class FieldFormat {
public:
    // Parses a mask; on failure returns nothing and says why in *error.
    static std::optional<FieldFormat> parse(const QString &mask, QString *error);

    // The value as the mask prints it. Null prints as the empty text; a value the mask cannot
    // read (text under a date mask) prints as its own text rather than as nothing.
    QString apply(const QVariant &value) const;

    // The text of a value printed without a mask: numbers in their shortest form, date values
    // as a general date, everything else as its text.
    static QString plain(const QVariant &value);

private:
    enum class Kind { Number, Date, GeneralDate, LongDate, GeneralTime, ShortTime, GeneralNumber, Upper, Lower };
    struct DatePart {
        enum Type {
            Literal,
            Month,
            Month2,
            MonthShort,
            MonthLong,
            Day,
            Day2,
            Year4,
            Hour,
            Hour2,
            Minute2,
            Second2,
            AmPm
        };
        Type type;
        QString literal;
    };

    static std::optional<FieldFormat> parseNumberMask(const QString &mask, QString *error);
    static std::optional<FieldFormat> parseDateMask(const QString &mask, QString *error);
    // Reads the date part at i and returns how many characters it took; 0, with *error, for
    // letters no date part has.
    qsizetype readDatePart(const QString &mask, const QString &lower, qsizetype i, bool &hasHour, QString *error);
    std::optional<DatePart::Type> monthPart(const QString &mask, qsizetype n, bool hasHour, QString *error) const;
    void addDatePart(DatePart::Type type, const QString &literal = {});

    QString applyNumber(double value) const;
    QString applyDate(const QDateTime &value) const;

    Kind m_kind = Kind::GeneralNumber;
    // Number masks.
    int m_minWhole = 0;
    int m_minDecimals = 0;
    int m_maxDecimals = 0;
    bool m_grouping = false;
    // Date masks.
    QList<DatePart> m_parts;
    bool m_twelveHour = false;
};

} // namespace mss::reports
