// Logging on to the hospital's SQL Server: the server's password never reaches the settings file
// or a message, and a database without the program's own objects is refused by name while the
// dialog stays open. The server here is unixODBC's SQLite driver.
#include "auth/currentuser.h"
#include "data/connection.h"
#include "suite/frmlogon.h"
#include "support/sqliteodbc.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss;
using suite::clsCurrentUser;
using suite::DataSource;

namespace {

const QString kSecret = QStringLiteral("Hosp1tal;Pa55}");

QByteArray settingsFileText()
{
    QSettings s(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"));
    s.sync();
    QFile f(s.fileName());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestServerLogOn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void theSettingsFileNeverHoldsTheServerPassword();
    void aServerWithoutTheProgramsObjectsIsRefusedByName();

private:
    QTemporaryDir m_dir;
    QString m_connectionString; // with the password written in, as a user might type it
};

void TestServerLogOn::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).clear();
    const QString driver = test::sqliteOdbcDriver();
    QVERIFY2(!driver.isEmpty(), "the SQLite ODBC driver (Debian package libsqliteodbc) is not installed");
    QString braced = kSecret;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    m_connectionString = QStringLiteral("Driver=%1;Database=%2;UID=mss_user;PWD={%3}")
                             .arg(driver, QDir(m_dir.path()).filePath(QStringLiteral("server.db")), braced);
}

void TestServerLogOn::theSettingsFileNeverHoldsTheServerPassword()
{
    DataSource source;
    source.embedded = false;
    source.odbcConnection = m_connectionString;
    source.remember();
    QVERIFY(!settingsFileText().isEmpty());
    QVERIFY2(!settingsFileText().contains(QByteArray("Pa55")), settingsFileText().constData());
    const DataSource back = DataSource::remembered();
    QVERIFY(!back.embedded);
    QVERIFY(back.odbcConnection.contains(QStringLiteral("UID=mss_user")));
    QVERIFY(!back.odbcConnection.contains(QStringLiteral("PWD"), Qt::CaseInsensitive));

    // What an older program left in the file is taken out the first time it is read.
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"))
        .setValue(QStringLiteral("logon/odbc"), m_connectionString);
    QVERIFY(settingsFileText().contains(QByteArray("Pa55")));
    QVERIFY(!DataSource::remembered().odbcConnection.contains(kSecret));
    QVERIFY2(!settingsFileText().contains(QByteArray("Pa55")), settingsFileText().constData());
}

void TestServerLogOn::aServerWithoutTheProgramsObjectsIsRefusedByName()
{
    clsCurrentUser user;
    suite::frmLogOn dialog(user);
    dialog.optServer->setChecked(true);
    dialog.txtUserCode->setText(QStringLiteral("MSS01"));
    dialog.txtPassword->setText(QStringLiteral("mss-admin"));
    dialog.txtConnectionString->setText(m_connectionString);
    // Typed into the string, the password moves to its own masked field once the field is left.
    emit dialog.txtConnectionString->editingFinished();
    QCOMPARE(dialog.txtServerPassword->text(), kSecret);
    QCOMPARE(dialog.txtServerPassword->echoMode(), QLineEdit::Password);
    QVERIFY(!dialog.txtConnectionString->text().contains(QStringLiteral("PWD"), Qt::CaseInsensitive));

    dialog.tryLogOn();
    QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open for another try
    QVERIFY(!user.Connected());
    const QString message = dialog.lblMessage->text();
    QVERIFY2(message.contains(QStringLiteral("MSS..tbMSSUser")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("MSS..tbMSSSchemaVersion")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("deploy.sql")), qPrintable(message));
    QVERIFY2(!message.contains(QStringLiteral("Pa55")), qPrintable(message));

    // A driver that does not exist: the cause is named, the password is not.
    dialog.txtConnectionString->setText(QStringLiteral("Driver={No Such ODBC Driver};Server=nowhere;UID=sa"));
    dialog.txtServerPassword->setText(kSecret);
    dialog.tryLogOn();
    QVERIFY(!dialog.lblMessage->text().isEmpty());
    QVERIFY2(!dialog.lblMessage->text().contains(QStringLiteral("Pa55")), qPrintable(dialog.lblMessage->text()));
    QVERIFY(!settingsFileText().contains(QByteArray("Pa55")));
}

QTEST_MAIN(TestServerLogOn)
#include "tst_serverlogon.moc"
