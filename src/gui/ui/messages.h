#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace mss::ui {

// Every message box, question, input prompt and modal dialog of the program goes through here,
// so that tests can answer them without a native event loop.
class Messages {
public:
    using Button = QMessageBox::StandardButton;
    using Icon = QMessageBox::Icon;

    struct Shown {
        QString text;
        QString title;
        Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    // The title every box carries when its caller gives none.
    static QString applicationTitle();

    static Button show(const QString &text, const QString &title = {}, Icon icon = QMessageBox::NoIcon,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok, QWidget *parent = nullptr);
    static void information(const QString &text, const QString &title = {}, QWidget *parent = nullptr);
    static void warning(const QString &text, const QString &title = {}, QWidget *parent = nullptr);
    static void critical(const QString &text, const QString &title = {}, QWidget *parent = nullptr);
    // Yes/No; only Yes goes on.
    static bool question(const QString &text, const QString &title = {}, QWidget *parent = nullptr);

    // One-line prompt; nothing when the user cancels.
    static std::optional<QString> prompt(const QString &text, const QString &title = {}, const QString &initial = {},
        bool password = false, QWidget *parent = nullptr);

    // Runs a modal dialog and returns its result code.
    static int execDialog(QDialog &dialog);

    // The seam. Tests install handlers; a null handler restores the real one.
    using BoxHandler = std::function<Button(const Shown &)>;
    using PromptHandler = std::function<std::optional<QString>(const QString &text, const QString &title)>;
    using DialogHandler = std::function<int(QDialog &)>;
    static void setBoxHandler(BoxHandler handler);
    static void setPromptHandler(PromptHandler handler);
    static void setDialogHandler(DialogHandler handler);
};

} // namespace mss::ui
