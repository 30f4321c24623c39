#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace mss::data {

// The "DB..object" texts of the program's own sources, collected when the program is built
// (tools/statement-objects.cmake), so that what a server must hold follows the statements.
QStringList statementObjectNames();

// A statement text of the program's sources that names a "DB..object", and the source file.
struct SourceStatement {
    QString origin;
    QString text;
};

// Every run of adjacent string literals in the program's sources that names a "DB..object":
// the statements, or the pieces of them that name their objects.
QList<SourceStatement> sourceStatements();

} // namespace mss::data
