#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace mss::data {

// A statement's ":Name" placeholders, found the way the report definitions and the drivers agree
// on: outside '…' literals, "…" and […] names and -- / /* */ comments, never after another ':'.
struct PlaceholderScan {
    QString text; // the statement with every placeholder replaced (and comments blanked, if asked)
    QStringList names; // each placeholder's name in order of occurrence, repeats included
    QList<qsizetype> offsets; // where each placeholder's ':' is in the original statement
};

// Replaces each placeholder by what `replacement` makes of its name. With blankComments the
// comments become blanks of the same length, so that a driver that looks for placeholders
// itself cannot find one in a comment, and line and column numbers stay where they were.
PlaceholderScan rewritePlaceholders(const QString &statement,
    const std::function<QString(const QString &name)> &replacement, bool blankComments = false);

} // namespace mss::data
