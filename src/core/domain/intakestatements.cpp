#include "domain/intakestatements.h"

#include "data/quote.h"

#include <stdexcept>

namespace mss::intake {

namespace {

QString joined(const QStringList &values, qsizetype count, const QString &lastSeparator, qsizetype lastSeparators)
{
    if (values.size() != count)
        throw std::logic_error("an intake statement got the wrong number of values");
    QString text;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += i >= values.size() - lastSeparators ? lastSeparator : QStringLiteral("','");
        text += data::q(values[i]);
    }
    return text;
}

} // namespace

QString saveIntakeSheetDataStatement(const QStringList &values)
{
    return QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '") + joined(values, 32, {}, 0) + QStringLiteral("'");
}

QString saveOtherPatientInfoStatement(const QStringList &values)
{
    // The last two separators carry a blank.
    return QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '") + joined(values, 27, QStringLiteral("', '"), 2)
        + QStringLiteral("'");
}

QString savePatientDataStatement(const QStringList &values)
{
    // No blank between the name and the first quote.
    return QStringLiteral("MSS..sp_MSS_SavePatientData'") + joined(values, 13, {}, 0) + QStringLiteral("'");
}

} // namespace mss::intake
