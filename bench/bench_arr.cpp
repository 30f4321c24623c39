// The assessment-and-referral window on a big hospital: opening a full record, one save, and
// the service picker's tree.
#include "bench.h"

#include "data/connection.h"
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "domain/arrrecord.h"
#include "domain/arrstatements.h"
#include "referral/frmarr.h"
#include "referral/frmsearchcatalogue.h"
#include "session/sessionstate.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"

#include <QApplication>
#include <QListWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

using namespace mss;

namespace {

const bench::Register arr(QStringLiteral("arr"), [](bool quick) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    {
        auto db = data::createHospitalDatabase(dir.path());
        data::DemoOptions options;
        options.admissions = quick ? 2000 : data::kDemoMaxAdmissions;
        data::generateDemoData(*db, options);
    }
    if (!test::startDemoSession(dir.path()))
        throw std::runtime_error("no main window");
    data::Connection &c = *shell::Session().SharedConnection;
    // A full record: services, activities and documents, in the middle of the admissions.
    const QString full
        = QStringLiteral("FROM MSS..tbMSSAssessment a JOIN MSS..tbMSSCaseHistory h ON h.IdNum = a.IdNum "
                         "WHERE ifnull(a.ServiceID, '') <> '' AND ifnull(h.ActivityID, '') <> '' AND a.Code <> '' "
                         "AND a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%'");
    const int records = test::scalar(c, QStringLiteral("SELECT count(*) ") + full).toInt();
    const QString id = test::scalar(
        c, QStringLiteral("SELECT a.IdNum %1 ORDER BY a.IdNum LIMIT 1 OFFSET %2").arg(full).arg(records / 2));
    const QString hosp
        = test::scalar(c, QStringLiteral("SELECT HospNum FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    if (id.isEmpty())
        throw std::runtime_error("no assessed admission");
    test::MessageLog answers(QMessageBox::Yes);

    std::unique_ptr<referral::frmARR> window;
    const double open = bench::bestOf(5, [&] {
        window = std::make_unique<referral::frmARR>(shell::sessionWorkContext());
        window->HospNum = hosp;
        window->IDNUM = id;
        window->load();
        window->show();
        QApplication::processEvents();
    });
    if (window->lstServices->count() == 0 || !answers.shown.isEmpty())
        throw std::runtime_error("the record did not load");
    bench::report(QStringLiteral("arr_open_ms"), open * 1000, QStringLiteral("ms"));

    const double save = bench::bestOf(5, [&] {
        if (!window->SaveAssessmentRecord())
            throw std::runtime_error("the save failed");
    });
    bench::report(QStringLiteral("arr_save_ms"), save * 1000, QStringLiteral("ms"));
    // The same statements without the commit: what is left is the cost of making the commit durable
    // across the database files it touches.
    const referral::ArrSaveValues values = window->saveValues();
    const double statements = bench::bestOf(5, [&] {
        c.beginTrans();
        referral::ArrStore(c).writeAssessment(values);
        c.rollbackTrans();
    });
    bench::report(QStringLiteral("arr_save_statements_ms"), statements * 1000, QStringLiteral("ms"));
    window.reset();

    const double picker = bench::bestOf(5, [&] {
        referral::frmSearchService p(c);
        p.setResultCode(QStringLiteral("1.1.1|1.3.1|"));
        p.load();
    });
    bench::report(QStringLiteral("service_picker_open_ms"), picker * 1000, QStringLiteral("ms"));
    test::endDemoSession();
});

} // namespace
