#pragma once

#include <QString>

namespace mss::data {

// Every value that goes between single quotes in a statement passes through here: doubling the
// quote keeps an apostrophe in a name as typed and stops any typed text from ending the literal.
QString q(const QString &value);

// The value as a whole literal, quotes included: O'Brien becomes 'O''Brien'.
QString quoted(const QString &value);

} // namespace mss::data
