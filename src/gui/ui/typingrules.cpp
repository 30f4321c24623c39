#include "ui/typingrules.h"

#include <QLineEdit>

namespace mss::ui {

void applyTypingRules(QLineEdit *edit, bool upperCase, bool apostropheToBackquote)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, upperCase, apostropheToBackquote](const QString &text) {
        QString changed = upperCase ? text.toUpper() : text;
        if (apostropheToBackquote)
            changed.replace(QLatin1Char('\''), QLatin1Char('`'));
        if (changed == text)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(changed); // setText does not emit textEdited again
        edit->setCursorPosition(cursor);
    });
}

} // namespace mss::ui
