#include "ui/messages.h"

#include "ui/windowgeometry.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>

namespace mss::ui {

namespace {

Messages::BoxHandler &boxHandler()
{
    static Messages::BoxHandler handler;
    return handler;
}

Messages::PromptHandler &promptHandler()
{
    static Messages::PromptHandler handler;
    return handler;
}

Messages::DialogHandler &dialogHandler()
{
    static Messages::DialogHandler handler;
    return handler;
}

QWidget *defaultParent(QWidget *parent)
{
    return parent ? parent : QApplication::activeWindow();
}

} // namespace

QString Messages::applicationTitle()
{
    return QStringLiteral("Medical Social Service");
}

Messages::Button Messages::show(
    const QString &text, const QString &title, Icon icon, QMessageBox::StandardButtons buttons, QWidget *parent)
{
    const Shown shown { text, title.isEmpty() ? applicationTitle() : title, icon, buttons };
    if (boxHandler())
        return boxHandler()(shown);
    QMessageBox box(shown.icon, shown.title, shown.text, shown.buttons, defaultParent(parent));
    if (buttons.testFlag(QMessageBox::No))
        box.setDefaultButton(QMessageBox::No); // a stray Enter must not confirm a question
    return Button(box.exec());
}

void Messages::information(const QString &text, const QString &title, QWidget *parent)
{
    show(text, title, QMessageBox::Information, QMessageBox::Ok, parent);
}

void Messages::warning(const QString &text, const QString &title, QWidget *parent)
{
    show(text, title, QMessageBox::Warning, QMessageBox::Ok, parent);
}

void Messages::critical(const QString &text, const QString &title, QWidget *parent)
{
    show(text, title, QMessageBox::Critical, QMessageBox::Ok, parent);
}

bool Messages::question(const QString &text, const QString &title, QWidget *parent)
{
    return show(text, title, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, parent) == QMessageBox::Yes;
}

std::optional<QString> Messages::prompt(
    const QString &text, const QString &title, const QString &initial, bool password, QWidget *parent)
{
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    if (promptHandler())
        return promptHandler()(text, shownTitle);
    bool ok = false;
    const QString value = QInputDialog::getText(
        defaultParent(parent), shownTitle, text, password ? QLineEdit::Password : QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int Messages::execDialog(QDialog &dialog)
{
    // Every dialog opens where the user left it the last time.
    const QString name = dialog.objectName();
    rememberGeometry(&dialog, name.isEmpty() ? QString::fromLatin1(dialog.metaObject()->className()) : name);
    if (dialogHandler())
        return dialogHandler()(dialog);
    return dialog.exec();
}

void Messages::setBoxHandler(BoxHandler handler)
{
    boxHandler() = std::move(handler);
}

void Messages::setPromptHandler(PromptHandler handler)
{
    promptHandler() = std::move(handler);
}

void Messages::setDialogHandler(DialogHandler handler)
{
    dialogHandler() = std::move(handler);
}

} // namespace mss::ui
