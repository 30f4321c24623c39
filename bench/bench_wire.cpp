// The hospital's SQL Server from a clinic on the hospital's WAN: FreeTDS's ODBC driver against
// the TDS test server with 20 ms added each way. Each step's statements are first recorded on the
// demo hospital, so that the server answers them with the same rows; the figures are the round
// trips the server saw (from its log) and the time each step took.
#include "bench.h"

#include "auth/currentuser.h"
#include "data/connection.h"
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "db/password.h"
#include "db/serverobjects.h"
#include "patients/frmlistpatient.h"
#include "patients/patientselection.h"
#include "referral/frmarr.h"
#include "shell/startup.h"
#include "suite/frmlogon.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "support/tdsreplay.h"
#include "support/tdsserver.h"
#include "ui/messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

using namespace mss;

namespace {

constexpr int kLatencyMs = 20;
const QString kServerUser = QStringLiteral("mss_dept");
const QString kServerPassword = QStringLiteral("Ward;3");

// What the server waited for: each message the client sent and the server answered.
int roundTrips(const QList<QJsonObject> &events)
{
    int n = 0;
    for (const QJsonObject &e : events) {
        const QString kind = e.value(QStringLiteral("kind")).toString();
        n += kind == QLatin1String("prelogin") || kind == QLatin1String("login") || kind == QLatin1String("batch")
            || kind == QLatin1String("rpc") || kind == QLatin1String("tm");
    }
    return n;
}

QJsonObject resultRule(const QString &match, const data::Recordset &rows)
{
    return { { QStringLiteral("match"), match },
        { QStringLiteral("respond"), QJsonArray { test::tdsResultSet(rows) } } };
}

void fillIn(referral::frmARR &w)
{
    for (int i = 0; i < referral::frmARR::kDocumentCount; ++i)
        w.chkdoc->button(i)->setChecked(i == 0 || i == 17);
    w.chkSpecial->setChecked(false);
    w.txtNC->setText(QStringLiteral("2,500.50"));
    w.txtRemarks->setPlainText(QStringLiteral("Seen with the family"));
    w.mskIntake->setText(QStringLiteral("03/04/2026"));
    w.mskRange1->setText(QStringLiteral("12/31/2027"));
}

// Times one step against the server and reports its round trips and milliseconds.
void measure(test::TdsServer &server, const QString &name, int prescribed, const std::function<void()> &step)
{
    for (int i = 0; i < bench::repeatCount(); ++i) {
        server.forgetLog();
        QElapsedTimer clock;
        clock.start();
        step();
        const double ms = clock.nsecsElapsed() / 1e6;
        const int trips = roundTrips(server.events());
        bench::report(name + QStringLiteral("_round_trips"), trips);
        bench::report(name + QStringLiteral("_extra_round_trips"), trips - prescribed);
        bench::report(name + QStringLiteral("_ms"), ms, QStringLiteral("ms"));
    }
}

// The answers of the log-on: the schema version, the demo's first social worker and her rights,
// and the hospital as the demo holds it.
// An assessed in-patient admission of a classified patient: its admission and hospital numbers.
std::pair<QString, QString> assessedAdmission(data::Connection &embedded)
{
    const QString id = test::scalar(embedded,
        QStringLiteral("SELECT min(a.IdNum) FROM MSS..tbMSSAssessment a JOIN PATIENT_DATA..tbMaster m ON m.HospNum = "
                       "a.HospNum WHERE a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%' AND "
                       "ifnull(m.MSSNum, '') <> '' AND a.Code <> ''"));
    const QString hosp
        = test::scalar(embedded, QStringLiteral("SELECT HospNum FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    return { id, hosp };
}

QJsonArray logOnRules(const data::Recordset &hospital)
{
    const QString hash = data::hashPassword(QStringLiteral("Corazon-2026"), true);
    data::Recordset version(QStringList { QStringLiteral("Version") }, { { data::kServerSchemaVersion } });
    data::Recordset user(QStringList { QStringLiteral("UserCode"), QStringLiteral("PasswordHash"),
                             QStringLiteral("DeptCode"), QStringLiteral("Active"), QStringLiteral("FailedLogOns"),
                             QStringLiteral("LockOuts"), QStringLiteral("LockedUntil"), QStringLiteral("LastName"),
                             QStringLiteral("FirstName"), QStringLiteral("MiddleName") },
        { { QStringLiteral("MSS01"), hash, QStringLiteral("MSS"), 1, 0, 0, QVariant(), QStringLiteral("VILLANUEVA"),
            QStringLiteral("CORAZON"), QStringLiteral("M") } });
    data::Recordset rights(QStringList { QStringLiteral("RightCode") }, { { QStringLiteral("A") } });
    return { resultRule(QStringLiteral("^Select \\* from PATIENT_DATA\\.\\.tbHospitalInfo\\Z"), hospital),
        resultRule(QStringLiteral("^SELECT MAX\\(Version\\)"), version),
        resultRule(QStringLiteral("FROM MSS\\.\\.tbMSSUser u LEFT JOIN"), user),
        resultRule(QStringLiteral("^SELECT RightCode"), rights) };
}

void measureLogOnAndStartUp(test::TdsServer &server, const QString &connectionString)
{
    // Log-on: the pre-login and log-in of TDS, then the version, the user and the rights.
    measure(server, QStringLiteral("wire_logon"), 2 + 3, [&] {
        suite::clsCurrentUser session;
        suite::DataSource source;
        source.embedded = false;
        source.odbcConnection = connectionString;
        QString error;
        if (!session.logOn(source, QStringLiteral("MSS01"), QStringLiteral("Corazon-2026"), &error))
            throw std::runtime_error(error.toStdString());
    });

    // Start-up: the log-on, then the hospital's identity and the main window with its suite
    // components, as a social worker starts the program.
    test::endDemoSession();
    measure(server, QStringLiteral("wire_startup"), 2 + 3 + 2, [&] {
        ui::Messages::setDialogHandler([&](QDialog &dialog) {
            auto *logOn = qobject_cast<suite::frmLogOn *>(&dialog);
            if (!logOn)
                return int(QDialog::Rejected);
            logOn->optServer->setChecked(true);
            logOn->txtConnectionString->setText(connectionString);
            logOn->txtUserCode->setText(QStringLiteral("MSS01"));
            logOn->txtPassword->setText(QStringLiteral("Corazon-2026"));
            logOn->tryLogOn();
            return logOn->result();
        });
        shell::StartSession();
        ui::Messages::setDialogHandler(nullptr);
        if (!shell::MainWindow())
            throw std::runtime_error("no main window on the wire");
        bench::report(QStringLiteral("wire_startup_logins"), server.events(QStringLiteral("login")).size());
        test::endDemoSession();
    });
}

const bench::Register wire(
    QStringLiteral("wire"),
    [](bool quick) {
        if (test::freeTdsDriver().isEmpty())
            throw std::runtime_error("FreeTDS's ODBC driver (tdsodbc) is not installed");
        QStandardPaths::setTestModeEnabled(true);
        QTemporaryDir dir;
        {
            auto db = data::createHospitalDatabase(dir.path());
            data::DemoOptions options;
            options.admissions = quick ? 2000 : 20000;
            data::generateDemoData(*db, options);
        }
        if (!test::startDemoSession(dir.path()))
            throw std::runtime_error("no main window");
        auto embedded = data::openHospitalDatabase(dir.path());
        test::MessageLog answers(QMessageBox::Yes);

        // What each step sends and receives on the demo hospital.
        test::ExchangeRecorder search(embedded.get());
        patients::PatientSelection selection;
        int searchStatements = 0;
        {
            patients::frmListPatient list(selection, &search, &search);
            const qsizetype opening = search.exchanges.size();
            list.SearchPatients(QString(), QStringLiteral("SANT"), QString(), QString(), QString());
            searchStatements = int(search.exchanges.size() - opening);
        }
        const auto [id, hosp] = assessedAdmission(*embedded);
        test::ExchangeRecorder arr(embedded.get());
        int openStatements = 0, saveStatements = 0;
        {
            referral::frmARR w(shell::sessionWorkContext().on(&arr));
            w.HospNum = hosp;
            w.IDNUM = id;
            w.load();
            openStatements = int(arr.exchanges.size());
            fillIn(w);
            if (!w.save(false))
                throw std::runtime_error("the recorded ARR save failed");
            saveStatements = int(arr.exchanges.size()) - openStatements;
        }

        const data::Recordset hospital = embedded->open(QStringLiteral("Select * from PATIENT_DATA..tbHospitalInfo"));
        QJsonArray rules = logOnRules(hospital);
        for (const auto *recorded : { &search.exchanges, &arr.exchanges })
            for (const QJsonValue &rule : test::replayRules(*recorded))
                rules.append(rule);

        test::TdsServer server;
        QString why;
        if (!server.start({ { QStringLiteral("users"), QJsonObject { { kServerUser, kServerPassword } } },
                              { QStringLiteral("latency_ms"), kLatencyMs }, { QStringLiteral("rules"), rules },
                              { QStringLiteral("unmatched"), QStringLiteral("empty") } },
                &why))
            throw std::runtime_error(why.toStdString());
        const QString connectionString = server.connectionString(kServerUser, kServerPassword);

        measureLogOnAndStartUp(server, connectionString);

        auto connection = data::openConnection(connectionString);
        measure(server, QStringLiteral("wire_patient_search"), searchStatements, [&] {
            patients::frmListPatient list(selection, connection.get(), connection.get());
            server.forgetLog(); // the list's own lookups when it opens are not the search
            list.SearchPatients(QString(), QStringLiteral("SANT"), QString(), QString(), QString());
        });
        std::unique_ptr<referral::frmARR> window;
        measure(server, QStringLiteral("wire_arr_open"), openStatements, [&] {
            window = std::make_unique<referral::frmARR>(shell::sessionWorkContext().on(connection.get()));
            window->HospNum = hosp;
            window->IDNUM = id;
            window->load();
        });
        // The save's statements, its transaction's BEGIN and COMMIT.
        measure(server, QStringLiteral("wire_arr_save"), saveStatements + 2, [&] {
            fillIn(*window);
            if (!window->save(false))
                throw std::runtime_error("the ARR save failed on the wire");
        });
    },
    bench::Repetition::ByBenchmark);

} // namespace
