#include "suite/frmlogon.h"

#include "auth/currentuser.h"
#include "auth/settings.h"
#include "data/connectionstring.h"
#include "help/helpdesk.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmlogon.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace mss::suite {

frmLogOn::frmLogOn(clsCurrentUser &user, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmLogOn>()), m_user(user)
{
    m_ui->setupUi(this);
    new help::HelpDesk(this); // F1 before the main window, which has its own, exists
    bindControls();
    QFont titleFont = m_ui->lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_ui->lblTitle->setFont(titleFont);
    addButtons();
    auto *group = new QButtonGroup(this);
    group->addButton(optEmbedded, 0);
    group->addButton(optServer, 1);
    showRememberedSource();
    wireCommands();
    m_user.OpenServerConnection
        = [this](const QString &connectionString) { return openWhileResponsive(connectionString); };
}

void frmLogOn::bindControls()
{
    const Ui::frmLogOn &u = *m_ui;
    txtUserCode = u.txtUserCode;
    txtPassword = u.txtPassword;
    optEmbedded = u.optEmbedded;
    optServer = u.optServer;
    txtFolder = u.txtFolder;
    txtConnectionString = u.txtConnectionString;
    txtServerPassword = u.txtServerPassword;
    lblMessage = u.lblMessage;
}

void frmLogOn::addButtons()
{
    cmdLogOn = m_ui->buttons->addButton(QStringLiteral("&Log On"), QDialogButtonBox::AcceptRole);
    cmdLogOn->setObjectName(QStringLiteral("cmdLogOn"));
    cmdLogOn->setDefault(true);
    cmdCancel = m_ui->buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
}

void frmLogOn::showRememberedSource()
{
    const DataSource source = DataSource::remembered();
    (source.embedded ? optEmbedded : optServer)->setChecked(true);
    txtFolder->setText(QDir::toNativeSeparators(source.folder));
    txtConnectionString->setText(source.odbcConnection);
    txtUserCode->setText(Settings().lastUserCode());
    (txtUserCode->text().isEmpty() ? txtUserCode : txtPassword)->setFocus();
    updateSourceFields();
}

void frmLogOn::wireCommands()
{
    connect(optEmbedded, &QRadioButton::toggled, this, &frmLogOn::updateSourceFields);
    connect(txtConnectionString, &QLineEdit::editingFinished, this, &frmLogOn::takePasswordFromConnectionString);
    connect(m_ui->btnBrowse, &QToolButton::clicked, this, &frmLogOn::chooseFolder);
    ui::connectGuarded(m_ui->buttons, &QDialogButtonBox::accepted, this, [this] { tryLogOn(); });
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &frmLogOn::reject);
}

void frmLogOn::chooseFolder()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, QStringLiteral("Embedded database folder"), txtFolder->text());
    if (!folder.isEmpty())
        txtFolder->setText(QDir::toNativeSeparators(folder));
}

frmLogOn::~frmLogOn()
{
    m_user.OpenServerConnection = nullptr;
}

namespace {

// One try at the server's connection, shared by the dialog and the thread that makes it. A try
// the user stopped waiting for is closed by its thread when it ends.
struct ConnectionAttempt {
    std::mutex mutex;
    std::unique_ptr<data::Connection> connection;
    std::exception_ptr error;
    bool abandoned = false;
    std::atomic<bool> done = false;
};

} // namespace

std::unique_ptr<data::Connection> frmLogOn::openWhileResponsive(const QString &connectionString)
{
    auto attempt = std::make_shared<ConnectionAttempt>();
    std::thread([attempt, connectionString] {
        std::unique_ptr<data::Connection> opened;
        std::exception_ptr error;
        try {
            opened = data::openConnection(connectionString);
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(attempt->mutex);
            if (!attempt->abandoned) {
                attempt->connection = std::move(opened);
                attempt->error = error;
            }
        }
        attempt->done = true;
        // A connection nobody waits for any more is closed here, off the window's thread.
    }).detach();

    setConnecting(true);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (attempt->done || m_waitCancelled)
            loop.quit();
    });
    poll.start();
    loop.exec();
    poll.stop();
    setConnecting(false);

    const std::lock_guard lock(attempt->mutex);
    if (!attempt->done) {
        attempt->abandoned = true;
        throw data::DbError(clsCurrentUser::kConnectionCancelled, QStringLiteral("Log-on"),
            QStringLiteral("The log-on was cancelled."));
    }
    if (attempt->error)
        std::rethrow_exception(attempt->error);
    return std::move(attempt->connection);
}

void frmLogOn::setConnecting(bool connecting)
{
    m_connecting = connecting;
    m_waitCancelled = false;
    for (QWidget *field : { static_cast<QWidget *>(txtUserCode), static_cast<QWidget *>(txtPassword),
             static_cast<QWidget *>(optEmbedded), static_cast<QWidget *>(optServer), static_cast<QWidget *>(txtFolder),
             static_cast<QWidget *>(txtConnectionString), static_cast<QWidget *>(txtServerPassword),
             static_cast<QWidget *>(cmdLogOn) })
        field->setEnabled(!connecting);
    if (connecting) {
        lblMessage->setText(QStringLiteral("Connecting to the hospital's server… (Cancel stops waiting)"));
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
        updateSourceFields();
    }
}

void frmLogOn::reject()
{
    if (m_connecting) {
        m_waitCancelled = true;
        return;
    }
    QDialog::reject();
}

void frmLogOn::updateSourceFields()
{
    txtFolder->setEnabled(optEmbedded->isChecked());
    txtConnectionString->setEnabled(optServer->isChecked());
    txtServerPassword->setEnabled(optServer->isChecked());
}

void frmLogOn::takePasswordFromConnectionString()
{
    const QString typed = txtConnectionString->text();
    const QString password = data::connectionPassword(typed);
    if (password.isEmpty())
        return;
    txtServerPassword->setText(password);
    txtConnectionString->setText(data::withoutPassword(typed));
}

void frmLogOn::tryLogOn()
{
    DataSource source;
    source.embedded = optEmbedded->isChecked();
    source.folder = QDir::fromNativeSeparators(txtFolder->text().trimmed());
    takePasswordFromConnectionString();
    source.odbcConnection = data::withPassword(txtConnectionString->text().trimmed(), txtServerPassword->text());

    lblMessage->clear();
    QString error;
    bool ok = false;
    {
        ui::WaitCursor wait;
        ok = m_user.logOn(source, txtUserCode->text(), txtPassword->text(), &error);
    }
    txtPassword->clear(); // never left in a widget once used
    if (ok)
        txtServerPassword->clear();
    if (!ok) {
        lblMessage->setText(error);
        txtPassword->setFocus();
        return;
    }
    source.remember();
    Settings().setLastUserCode(txtUserCode->text());
    accept();
}

bool confirmDemoHospital(const QString &folder)
{
    return ui::Messages::question(
        QStringLiteral("There is no hospital database on this computer yet.\n\n"
                       "Make a demo hospital with made-up patients in %1 to try the program on? Its users' "
                       "passwords are printed in the program's instructions: never keep real patients in it.")
            .arg(QDir::toNativeSeparators(folder)));
}

bool showLogOnWindow(clsCurrentUser &user)
{
    frmLogOn dialog(user);
    return ui::Messages::execDialog(dialog) == QDialog::Accepted;
}

} // namespace mss::suite
