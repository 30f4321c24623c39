// The referral and discharge notice lists with many notices, and tagging a referral.
#include "bench.h"

#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "domain/dischargerecord.h"
#include "domain/referralrecord.h"
#include "notices/frmdischargenotice.h"
#include "notices/frmreferralapproval.h"
#include "notices/frmreferraltomedicalteam.h"
#include "notices/noticelist.h"
#include "notices/referralopener.h"
#include "ui/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <algorithm>

using namespace mss;

namespace {

// Tops the demo's notices up to `count` of each kind, spread over the in-patient admissions:
// referrals all waiting, discharge notices half of them cleared today, so that both lists
// show every one of them.
void addNotices(data::EmbeddedConnection &db, int count)
{
    const auto missing = [&](const QString &table) {
        return std::max(0, count - db.open(QStringLiteral("SELECT count(*) FROM ") + table).text(0).toInt());
    };
    db.execute(QStringLiteral("UPDATE tbMSSReferralNotice SET Status = 'P'"));
    db.execute(QStringLiteral("UPDATE tbMSSDischargeNotice SET Revoked = 0, ClearDate = NULL"));
    const QString admissions = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < :count), "
        "p AS (SELECT IdNum, HospNum, row_number() OVER (ORDER BY IdNum) - 1 AS k FROM PATIENT_DATA.tbPatient2), "
        "c AS (SELECT count(*) AS total FROM PATIENT_DATA.tbPatient2) ");
    db.query(admissions
            + QStringLiteral("INSERT INTO tbMSSReferralNotice (IdNum, HospNum, Diagnosis, Category, ReferralDate, "
                             "ReferredBy, Tick1, Tick4, Status, ScheduleDate) "
                             "SELECT p.IdNum, p.HospNum, 'COMMUNITY ACQUIRED PNEUMONIA', 'FINANCIAL', "
                             "datetime('now', 'localtime', '-' || (n.i % 5000) || ' minutes'), 'DR. CRUZ', 'Y', 'N', "
                             "'P', '1900-01-01' FROM n, c JOIN p ON p.k = n.i % c.total"),
        { { QStringLiteral(":count"), missing(QStringLiteral("tbMSSReferralNotice")) } });
    db.query(admissions
            + QStringLiteral("INSERT INTO tbMSSDischargeNotice (IdNum, HospNum, NoticeDate, OrderedDate, "
                             "DischargeNurse, Remarks, UserId, ClearDate, ClearRemarks) "
                             "SELECT p.IdNum, p.HospNum, datetime('now', 'localtime', '-' || (n.i % 5000) || ' "
                             "minutes'), date('now'), 'RN. LUZ REYES', 'MAY GO HOME', "
                             "CASE WHEN n.i % 2 = 0 THEN 'MSS01' END, "
                             "CASE WHEN n.i % 2 = 0 THEN datetime('now', 'localtime') END, "
                             "CASE WHEN n.i % 2 = 0 THEN 'CLEARED' END FROM n, c JOIN p ON p.k = n.i % c.total"),
        { { QStringLiteral(":count"), missing(QStringLiteral("tbMSSDischargeNotice")) } });
}

// Filling the window's list (reading through the driver included) over the raw query.
template <typename Window>
void reportFillRatio(data::EmbeddedConnection &db, Window &window, const QString &procedure, const QString &statement,
    const QString &name)
{
    window.resize(1000, 600);
    window.show();
    QApplication::processEvents();
    int rows = 0;
    const double fill = bench::bestOf(5, [&] {
        window.load();
        QApplication::processEvents(); // the view lays out and paints what it shows
        rows = window.model()->rowCount();
    });
    const QByteArray source = bench::procedureSource(db.handle(), procedure);
    int rawRows = 0;
    const double raw
        = bench::bestOf(5, [&] { rawRows = bench::runProcedureTextRaw(db.handle(), source, nullptr, {}); });
    if (rows != rawRows || rows == 0)
        throw std::runtime_error("the notice list and the raw query disagree");
    // How much of it is the driver's reading of the same rows.
    const double queryOnly = bench::bestOf(5, [&] { db.open(statement); });
    bench::report(name + QStringLiteral("_query_only_ratio"), queryOnly / raw);
    bench::report(name + QStringLiteral("_rows"), rows);
    bench::report(name + QStringLiteral("_fill_ms"), fill * 1e3, QStringLiteral("ms"));
    bench::report(name + QStringLiteral("_fill_ratio"), fill / raw);
}

class ListedReferral final : public notices::ReferralOpener {
public:
    QString id, ref;
    QString IDNUM() const override { return id; }
    QString REFNUM() const override { return ref; }
    bool Valid() const override { return true; }
};

const bench::Register noticeLists(QStringLiteral("notices"), [](bool quick) {
    const int notices = quick ? 1000 : 10000;
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    data::DemoOptions options;
    options.admissions = quick ? 500 : 4000;
    data::generateDemoData(*db, options);
    addNotices(*db, notices);

    {
        notices::frmReferralToMedicalTeam list(db.get(), {});
        list.setAttribute(Qt::WA_DeleteOnClose, false);
        reportFillRatio(*db, list, QStringLiteral("sp_MSS_LoadReferralNotice"),
            notices::ReferralStore::noticeListStatement(), QStringLiteral("referral_list"));
    }
    {
        notices::frmDischargeNotice list(db.get());
        reportFillRatio(*db, list, QStringLiteral("sp_MSS_LoadDischargeNotice"),
            notices::DischargeStore::noticeListStatement(), QStringLiteral("discharge_list"));
    }

    // Tagging: the approval window's save from the click to the closing message, the
    // confirmation answered at once.
    // Referrals of patients still in the hospital: a discharged patient's referral is refused.
    data::Recordset referrals = db->open(
        QStringLiteral("SELECT r.IdNum, r.ReferralNo FROM tbMSSReferralNotice r JOIN PATIENT_DATA.tbPatient2 p "
                       "ON p.IdNum = r.IdNum WHERE p.DcrDate IS NULL ORDER BY r.ReferralNo LIMIT 40"));
    ui::Messages::setBoxHandler([](const ui::Messages::Shown &) { return QMessageBox::Ok; });
    std::vector<double> times;
    std::vector<double> floor;
    for (; !referrals.eof(); referrals.moveNext()) {
        ListedReferral opener;
        opener.id = referrals.text(0);
        opener.ref = referrals.text(1);
        notices::frmReferralApproval approval({ db.get(), QStringLiteral("MSS01"), QStringLiteral("MSS01"), {} });
        approval.load(&opener, nullptr);
        approval.OptApproved->setChecked(true);
        // What any write costs on this disk, measured beside each save: one row updated and committed.
        QElapsedTimer timer;
        timer.start();
        db->execute(QStringLiteral("UPDATE tbMSSReferralNotice SET Remarks = 'FLOOR %1' WHERE ReferralNo = "
                                   "(SELECT min(ReferralNo) FROM tbMSSReferralNotice)")
                        .arg(times.size()));
        floor.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        approval.cmdSave->click();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    ui::Messages::setBoxHandler(nullptr);
    const int tagged
        = db->open(QStringLiteral("SELECT count(*) FROM tbMSSReferralNotice WHERE Status = 'A'")).text(0).toInt();
    if (times.empty() || tagged != int(times.size()))
        throw std::runtime_error("the referrals were not saved");
    std::sort(times.begin(), times.end());
    std::sort(floor.begin(), floor.end());
    bench::report(QStringLiteral("referral_save_ms"), times[times.size() / 2], QStringLiteral("ms"));
    bench::report(QStringLiteral("referral_save_commit_floor_ms"), floor[floor.size() / 2], QStringLiteral("ms"));
});

} // namespace
