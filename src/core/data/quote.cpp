#include "data/quote.h"

namespace mss::data {

QString q(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

QString quoted(const QString &value)
{
    return QLatin1Char('\'') + q(value) + QLatin1Char('\'');
}

} // namespace mss::data
