#pragma once

#include <QString>
#include <QStringList>

namespace mss::domain {

// List entries carry their key out of sight: the name, a run of blanks, then the key at the end of
// the text. The key is read back as the last characters of the entry, so it must not be longer
// than the width it is read with.
QString withHiddenKey(const QString &name, const QString &key, int blanks);
// The key of an entry: its last `width` characters, trimmed.
QString hiddenKey(const QString &entry, int width);
// The name of an entry: all but its last `width` characters, trimmed.
QString hiddenKeyName(const QString &entry, int width);

// Lists of codes travel as one text, each code followed by "|".
QString joinCodes(const QStringList &codes);
// The codes of such a text: every part before a "|"; the text after the last "|" is not a code.
QStringList splitCodes(const QString &codeText);

// The widths and runs of blanks the lists use.
inline constexpr int kCategoryKeyWidth = 2;
inline constexpr int kCodeKeyWidth = 10;
inline constexpr int kCategoryBlanks = 100;
inline constexpr int kArrListBlanks = 150;
inline constexpr int kPickerListBlanks = 100;

} // namespace mss::domain
