#include "shell/startup.h"

#include "auth/currentuser.h"
#include "data/connection.h"
#include "data/embedded.h"
#include "data/quote.h"
#include "db/demodata.h"
#include "domain/billingstatement.h"
#include "domain/codesearch.h"
#include "domain/keypress.h"
#include "domain/patientcomponent.h"
#include "domain/patientsearch.h"
#include "session/sessionstate.h"
#include "shell/mainwindowfactory.h"
#include "suite/frmaddresssearch.h"
#include "suite/frmlogon.h"
#include "suite/frmsummarizedsoa.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QPointer>

namespace mss::shell {

namespace {

QString reportsFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("REPORTS")) + QLatin1Char('/');
}

// Steps 6 to 15 of a session whose user has logged on; a failure ends the session.
void openSession(SessionState &s)
{
    suite::clsCurrentUser &user = *s.CurrentUser;
    data::Connection &connection = *user.sqlconnection();
    connection.setDefaultDatabase(QStringLiteral("MSS"));

    data::Recordset info = connection.open(QStringLiteral("Select * from PATIENT_DATA..tbHospitalInfo"),
        data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (info.eof())
        throw data::DbError(3021, QStringLiteral("Start-up"),
            QStringLiteral("The hospital's identity is missing: PATIENT_DATA..tbHospitalInfo has no row."));
    s.HospitalName = info.text(QStringLiteral("Company"));
    s.HospitalAddress = info.text(QStringLiteral("Address1"));
    s.HospitalTitle = info.text(QStringLiteral("Title"));
    s.HospitalTin = info.text(QStringLiteral("TinNo"));
    s.MtsServerName = info.text(QStringLiteral("MTSServerName"));

    s.KeyPressComponent = std::make_unique<suite::KeyPress>();
    s.PatientComponent = std::make_unique<suite::clsPatient>();

    s.CodeSearch = std::make_unique<suite::clsCodeSearch>();
    s.BillingConnection = std::make_unique<suite::clsOpenConnection>(&connection);
    s.BillingSoa = std::make_unique<suite::clssoa>(*s.BillingConnection);

    s.CodeSearch->MTS_Server = s.MtsServerName;
    s.CodeSearch->SearchMode = true;
    s.CodeSearch->Initialize_Classes();
    s.CodeSearch->CompanyName = s.HospitalName;
    s.CodeSearch->SearchTitle = QStringLiteral("Medical Social Service");
    s.CodeSearch->Connection = &connection;
    s.CodeSearch->AddressPicker = &suite::pickAddress;
    s.BillingSoa->StatementWindow = &suite::showSummarizedStatement;

    s.PatientSearch = std::make_unique<patients::clsPatientSearch>();
    // The search validates on the session's connection: handed over first, it opens no
    // connection of its own only to have it replaced a step later.
    s.PatientSearch->setSharedConnection(&connection);
    if (!s.PatientSearch->InitConnection(connection.connectionString(), s.MtsServerName)) {
        ui::Messages::show(QString::fromLatin1(patients::clsPatientSearch::kConnectionFailed));
        return;
    }

    s.SharedConnection = &connection;
    s.PatientComponent->OpenConnection(connection.connectionString(), &connection);
    s.AdmissionObject = &s.PatientComponent->Admission();
    s.PatientMasterObject = &s.PatientComponent->PatientMaster();

    QMainWindow *window = createMainWindow();
    s.MainWindow = window;
    window->show();
}

} // namespace

QMainWindow *MainWindow()
{
    return qobject_cast<QMainWindow *>(Session().MainWindow.data());
}

ui::WorkContext sessionWorkContext()
{
    const SessionState &s = Session();
    const suite::clsCurrentUser *user = s.CurrentUser.get();
    return { s.SharedConnection, s.EmployeeCode, user ? user->employeecode() : QString(),
        user ? user->EmployeeName() : QString() };
}

void EndSession()
{
    SessionState &s = detail::writableSession();
    s.PatientSearch.reset();
    s.BillingSoa.reset();
    s.BillingConnection.reset();
    s.CodeSearch.reset();
    s.AdmissionObject = nullptr;
    s.PatientMasterObject = nullptr;
    s.PatientComponent.reset();
    s.KeyPressComponent.reset();
    s.SharedConnection = nullptr;
    if (s.CurrentUser && s.CurrentUser->sqlconnection())
        s.CurrentUser->sqlconnection()->close();
    s.CurrentUser.reset();
}

void StartSession()
{
    SessionState &s = detail::writableSession();
    s.MainWindow = nullptr;
    EndSession(); // a new session overwrites every field of the old one
    s.HospitalName.clear();
    s.HospitalAddress.clear();
    s.HospitalTitle.clear();
    s.HospitalTin.clear();
    s.MtsServerName.clear();

    s.ReportsPath = reportsFolder();
    s.CurrentUser = std::make_unique<suite::clsCurrentUser>(&s.LogOnAttempts);
    s.CurrentUser->LogOnWindow = &suite::showLogOnWindow;
    // Whether to make a demo hospital is start-up's call, taken once, on the user's word.
    s.CurrentUser->MakeDemoHospital = [](const QString &folder) -> std::unique_ptr<data::Connection> {
        if (!suite::confirmDemoHospital(folder))
            return nullptr;
        return data::createDemoHospital(folder);
    };
    s.CurrentUser->PasswordDeptCode = QStringLiteral("MSS");
    s.CurrentUser->ShowMain();
    if (s.CurrentUser->Connected()) {
        // A failure here ends the session with the reason shown; the program then closes.
        if (!ui::runGuarded([&] { openSession(s); }, { .title = QStringLiteral("Medical Social Service") }))
            s.MainWindow = nullptr;
    }
    s.EmployeeCode = s.CurrentUser->employeecode();
}

void ChangeActiveUser()
{
    SessionState &s = detail::writableSession();
    if (QMainWindow *window = MainWindow()) {
        window->setProperty("changingUser", true);
        window->close();
        window->deleteLater();
    }
    s.MainWindow = nullptr;
    if (s.CurrentUser && s.CurrentUser->sqlconnection()
        && s.CurrentUser->sqlconnection()->state() != data::ConnectionState::Closed)
        s.CurrentUser->sqlconnection()->close();
    StartSession();
    if (!MainWindow())
        QCoreApplication::exit(0);
}

} // namespace mss::shell
