#pragma once

#include <QStringList>

namespace mss::data {

// The "DB..object" texts of the program's own sources, collected when the program is built
// (tools/statement-objects.cmake), so that what a server must hold follows the statements.
QStringList statementObjectNames();

} // namespace mss::data
