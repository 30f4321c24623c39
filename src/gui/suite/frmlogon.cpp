#include "suite/frmlogon.h"

#include "auth/currentuser.h"
#include "data/connectionstring.h"
#include "help/helpdesk.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace mss::suite {

frmLogOn::frmLogOn(clsCurrentUser &user, QWidget *parent) : QDialog(parent), m_user(user)
{
    setObjectName(QStringLiteral("frmLogOn"));
    setWindowTitle(QStringLiteral("Medical Social Service - Log On"));
    setMinimumWidth(460);
    new help::HelpDesk(this); // F1 before the main window, which has its own, exists

    auto *title = new QLabel(QStringLiteral("Medical Social Service"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *subtitle = new QLabel(QStringLiteral("Log on with your user code and password."), this);

    txtUserCode = new QLineEdit(this);
    txtUserCode->setObjectName(QStringLiteral("txtUserCode"));
    txtUserCode->setMaxLength(20);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(128);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("&User code:"), txtUserCode);
    fields->addRow(QStringLiteral("&Password:"), txtPassword);

    auto *sourceBox = new QGroupBox(QStringLiteral("Data"), this);
    optEmbedded = new QRadioButton(QStringLiteral("&Embedded database on this computer"), sourceBox);
    optEmbedded->setObjectName(QStringLiteral("optEmbedded"));
    optServer = new QRadioButton(QStringLiteral("Hospital &SQL Server (ODBC connection string)"), sourceBox);
    optServer->setObjectName(QStringLiteral("optServer"));
    auto *group = new QButtonGroup(this);
    group->addButton(optEmbedded, 0);
    group->addButton(optServer, 1);
    txtFolder = new QLineEdit(sourceBox);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    auto *browse = new QToolButton(sourceBox);
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Choose the folder of the embedded database"));
    txtConnectionString = new QLineEdit(sourceBox);
    txtConnectionString->setObjectName(QStringLiteral("txtConnectionString"));
    txtConnectionString->setPlaceholderText(QStringLiteral("Driver=FreeTDS;Server=…;Database=MSS;UID=…"));
    txtServerPassword = new QLineEdit(sourceBox);
    txtServerPassword->setObjectName(QStringLiteral("txtServerPassword"));
    txtServerPassword->setEchoMode(QLineEdit::Password);
    txtServerPassword->setPlaceholderText(QStringLiteral("Password of the SQL Server log-in (PWD)"));
    txtServerPassword->setMaxLength(128);

    auto *folderRow = new QHBoxLayout;
    folderRow->addSpacing(22);
    folderRow->addWidget(txtFolder, 1);
    folderRow->addWidget(browse);
    auto *serverRow = new QHBoxLayout;
    serverRow->addSpacing(22);
    serverRow->addWidget(txtConnectionString, 1);
    auto *serverPasswordRow = new QHBoxLayout;
    serverPasswordRow->addSpacing(22);
    auto *serverPasswordLabel = new QLabel(QStringLiteral("Server pass&word:"), sourceBox);
    serverPasswordLabel->setBuddy(txtServerPassword);
    serverPasswordRow->addWidget(serverPasswordLabel);
    serverPasswordRow->addWidget(txtServerPassword, 1);
    auto *sourceLayout = new QVBoxLayout(sourceBox);
    sourceLayout->addWidget(optEmbedded);
    sourceLayout->addLayout(folderRow);
    sourceLayout->addWidget(optServer);
    sourceLayout->addLayout(serverRow);
    sourceLayout->addLayout(serverPasswordRow);

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setStyleSheet(QStringLiteral("color: #b00020;"));
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(this);
    cmdLogOn = buttons->addButton(QStringLiteral("&Log On"), QDialogButtonBox::AcceptRole);
    cmdLogOn->setObjectName(QStringLiteral("cmdLogOn"));
    cmdLogOn->setDefault(true);
    cmdCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(subtitle);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addWidget(sourceBox);
    layout->addWidget(lblMessage);
    layout->addWidget(buttons);

    const DataSource source = DataSource::remembered();
    (source.embedded ? optEmbedded : optServer)->setChecked(true);
    txtFolder->setText(QDir::toNativeSeparators(source.folder));
    txtConnectionString->setText(source.odbcConnection);
    txtUserCode->setText(QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"))
                             .value(QStringLiteral("logon/user"))
                             .toString());
    (txtUserCode->text().isEmpty() ? txtUserCode : txtPassword)->setFocus();
    updateSourceFields();

    connect(optEmbedded, &QRadioButton::toggled, this, &frmLogOn::updateSourceFields);
    connect(txtConnectionString, &QLineEdit::editingFinished, this, &frmLogOn::takePasswordFromConnectionString);
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString folder
            = QFileDialog::getExistingDirectory(this, QStringLiteral("Embedded database folder"), txtFolder->text());
        if (!folder.isEmpty())
            txtFolder->setText(QDir::toNativeSeparators(folder));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &frmLogOn::tryLogOn);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmLogOn::reject);
    m_user.OpenServerConnection
        = [this](const QString &connectionString) { return openWhileResponsive(connectionString); };
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
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"))
        .setValue(QStringLiteral("logon/user"), txtUserCode->text().trimmed());
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
