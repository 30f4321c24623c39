// Reports at a hospital's scale: pages written to PDF as they are laid out (two passes when a
// page prints the page count), pages of a viewer laid out on a thread of their own and kept on
// disk past a budget, and what a stop or a failure half way leaves behind.
#include "reporttesting.h"

#include "data/format.h"
#include "data/recordset.h"
#include "engine/reportfiles.h"
#include "engine/reportjob.h"
#include "reports/frmreportviewer.h"
#include "reports/reportpageview.h"
#include "reports/reportrunner.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QtTest>

#include <thread>

using namespace mss;
using namespace mss::reports;

namespace {

// Printable 720 pt; a footer of 20 leaves 700, so exactly ten rows of 70 on every page.
const QString tallRows = QStringLiteral(R"(<report title="Tall rows">
  <query name="main">SELECT Seq, Name, Amount FROM tbCensus ORDER BY Seq</query>
  <detail query="main" height="70"><text w="200">{Name}</text><text x="300" w="200" align="right">{Amount:##,###,###,##0.00}</text></detail>
  <pageFooter height="20"><text w="300">Page total {sum(Amount):##,###,###,##0.00}</text><text x="340" w="200" align="right">Page {page} of {pages}</text></pageFooter>
</report>)");

// Wards of 37 rows, so that most wards run over a page break, with their totals at their end
// and the page's total at the foot of each page.
const QString wards = QStringLiteral(R"(<report title="Wards">
  <query name="main">SELECT Ward, Seq, Name, Amount FROM tbCensus ORDER BY Seq</query>
  <pageHeader height="14"><text>Name</text></pageHeader>
  <group name="ward" key="Ward" repeatHeader="true">
    <header height="20"><text h="20" bold="true">Ward {Ward}</text></header>
    <footer height="16"><text w="400">Total of {Ward}: {sum(Amount):##,###,###,##0.00} in {count} rows</text></footer>
  </group>
  <detail query="main" height="15"><text w="40">{count@ward}</text><text x="40" w="200">{Name}</text></detail>
  <reportFooter height="16"><text w="400">Grand total {sum(Amount):##,###,###,##0.00}</text></reportFooter>
  <pageFooter height="14"><text w="300">Page total {sum(Amount):##,###,###,##0.00}</text><text x="340" w="200" align="right">Page {page} of {pages}</text></pageFooter>
</report>)");

QString allPdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

double sqlSum(data::Connection &c, const QString &where)
{
    return c.query(QStringLiteral("SELECT SUM(Amount) FROM tbCensus WHERE ") + where).rows()[0][0].toDouble();
}

// A job for a definition on the test's database, its pages kept on disk past `budget` bytes.
std::unique_ptr<ReportJob> jobFor(const QString &xml, data::Connection &c, size_t budget)
{
    Report report(test::parse(xml));
    auto job = std::make_unique<ReportJob>(report.prepare(test::contextOf(c)));
    job->model()->setMemoryBudget(budget);
    return job;
}

} // namespace

class TestReportStreaming : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pageCountOnTheFirstAndLastPage();
    void groupTotalsAcrossPageBreaks();
    void countingAgreesWithTheLayout();
    void closingTheViewerStopsTheLayout();
    void printingWaitsForTheLastPage();
    void aStopOrAFailureLeavesNoFile();
    void aFailureHalfWayIsReportedOnce();
    void rowsKeepTheirValuesWhenReadAsTheyCome();
    void aLayoutWhileReadingGivesTheSamePages();
    void aReadFailingHalfWayFailsTheLayoutOnce();

private:
    test::TempHospital m_db;
    QTemporaryDir m_dir;
    QList<ui::Messages::Shown> m_shown;
};

void TestReportStreaming::init()
{
    m_shown.clear();
    ui::Messages::setBoxHandler([this](const ui::Messages::Shown &shown) {
        m_shown.append(shown);
        return QMessageBox::Ok;
    });
}

void TestReportStreaming::cleanup()
{
    ui::Messages::setBoxHandler(nullptr);
    ui::Messages::setDialogHandler(nullptr);
}

void TestReportStreaming::pageCountOnTheFirstAndLastPage()
{
    test::fillCensus(m_db.connection(), 3000);
    const QString definition = test::writeFile(m_dir.path(), QStringLiteral("Tall.rpt"), tallRows);

    // Streamed to PDF: "Page 1 of 300" is written before page 300 is laid out.
    const QString pdf = m_dir.filePath(QStringLiteral("tall.pdf"));
    QCOMPARE(renderToPdf(definition, test::contextOf(m_db.connection()), {}, {}, pdf), 300);
    QCOMPARE(test::pdfPageCount(pdf), 300);
    QVERIFY(test::pdfText(pdf, 1).contains(QStringLiteral("Page 1 of 300")));
    QVERIFY(test::pdfText(pdf, 1).contains(QStringLiteral("PATIENT 00010")));
    const QString last = test::pdfText(pdf, 300);
    QVERIFY2(last.contains(QStringLiteral("Page 300 of 300")), qPrintable(last));
    QVERIFY(last.contains(QStringLiteral("PATIENT 03000")));
    QVERIFY(last.contains(
        QStringLiteral("Page total ") + data::formatMoney(sqlSum(m_db.connection(), QStringLiteral("Seq > 2990")))));

    // Laid out on a thread, most pages on disk: the same texts once the last page is known, and
    // no number that is not yet true meanwhile.
    auto job = jobFor(tallRows, m_db.connection(), 64 * 1024);
    const std::shared_ptr<PageModel> model = job->model();
    job->start();
    job->waitForPages(1);
    const QString early = model->pageText(0);
    QVERIFY2(early.contains(QStringLiteral("Page 1 of 300")) || early.contains(QStringLiteral("Page 1 of \u2026")),
        qPrintable(early));
    job->wait();
    QCOMPARE(model->state(), PageModel::State::Complete);
    QCOMPARE(model->pageCount(), 300);
    QVERIFY(!model->spillFileName().isEmpty());
    QVERIFY(model->bytesInMemory() <= 64 * 1024);
    const auto inMemory = Report(test::parse(tallRows)).run(test::contextOf(m_db.connection()));
    for (int p : { 0, 1, 150, 299 })
        QCOMPARE(model->pageText(p), inMemory->pageText(p));
    QVERIFY(model->pageText(299).contains(QStringLiteral("Page 300 of 300")));
    // What went to disk comes back whole: bands, lines and boxes with the texts.
    QCOMPARE(model->page(299).bands.size(), inMemory->page(299).bands.size());
    QCOMPARE(model->page(299).bands.back().rect, inMemory->page(299).bands.back().rect);
}

void TestReportStreaming::groupTotalsAcrossPageBreaks()
{
    test::fillCensus(m_db.connection(), 400, 37);
    const QString definition = test::writeFile(m_dir.path(), QStringLiteral("Wards.rpt"), wards);
    const QString pdf = m_dir.filePath(QStringLiteral("wards.pdf"));
    const int pages = renderToPdf(definition, test::contextOf(m_db.connection()), {}, {}, pdf);
    QVERIFY(pages >= 3);
    const QString text = allPdfText(pdf);

    // Each ward's total is its own rows' sum, whichever pages they are on, after the pass that
    // counted the pages added the same rows up once already.
    const data::Recordset sums = m_db.connection().query(
        QStringLiteral("SELECT Ward, SUM(Amount), COUNT(*) FROM tbCensus GROUP BY Ward ORDER BY Ward"));
    for (const QVariantList &row : sums.rows())
        QVERIFY2(text.contains(QStringLiteral("Total of %1: %2 in %3 rows")
                                   .arg(row[0].toString(), data::formatMoney(row[1].toDouble()))
                                   .arg(row[2].toInt())),
            qPrintable(row[0].toString()));
    QVERIFY(text.contains(
        QStringLiteral("Grand total ") + data::formatMoney(sqlSum(m_db.connection(), QStringLiteral("1 = 1")))));

    // A page's total is the sum of the rows placed on that page.
    const auto model = Report(test::parse(wards)).run(test::contextOf(m_db.connection()));
    QCOMPARE(model->pageCount(), pages);
    for (int p = 0; p < pages; ++p) {
        int first = -1, last = -1;
        for (const PlacedBand &band : model->page(p).bands)
            if (band.kind == BandKind::Detail && !band.continued) {
                first = first < 0 ? band.row : first;
                last = band.row;
            }
        QVERIFY(first >= 0);
        const QString expected = QStringLiteral("Page total ")
            + data::formatMoney(
                sqlSum(m_db.connection(), QStringLiteral("Seq BETWEEN %1 AND %2").arg(first + 1).arg(last + 1)));
        QVERIFY2(test::pdfText(pdf, p + 1).contains(expected),
            qPrintable(QStringLiteral("page %1: %2").arg(p + 1).arg(expected)));
    }
}

void TestReportStreaming::countingAgreesWithTheLayout()
{
    // The counting pass measures only texts that grow; a band split over pages, a wrapped name
    // and a kept-together group header must still come to the same pages.
    test::fillCensus(m_db.connection(), 400, 37);
    QString words;
    for (int i = 0; i < 3000; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    m_db.connection().query(
        QStringLiteral("UPDATE tbCensus SET Name = :n WHERE Seq IN (5, 77, 300)"), { { QStringLiteral("n"), words } });
    const QString growing = QStringLiteral(R"(<report>
      <query name="main">SELECT Ward, Name, Amount FROM tbCensus ORDER BY Seq</query>
      <group name="ward" key="Ward" repeatHeader="true">
        <header height="30"><text h="30" bold="true">Ward {Ward}</text></header>
        <footer height="16"><text w="400">{sum(Amount)}</text></footer>
      </group>
      <detail query="main" height="28"><text w="120" h="28">{Name}</text><text x="130" w="120" grow="true">{Name} {Ward}</text></detail>
      <pageFooter height="14"><text>Page {page} of {pages}</text></pageFooter>
    </report>)");
    for (const QString &xml : { growing, wards, tallRows }) {
        Report report(test::parse(xml));
        const int pages = report.run(test::contextOf(m_db.connection()))->pageCount();
        QVERIFY(pages > 1);
        QCOMPARE(report.prepare(test::contextOf(m_db.connection()))->countPages(), pages);
    }
}

void TestReportStreaming::closingTheViewerStopsTheLayout()
{
    test::fillCensus(m_db.connection(), 100000);
    auto job = jobFor(tallRows, m_db.connection(), 0);
    std::shared_ptr<PageModel> model = job->model();
    job->start();
    job->waitForPages(1);
    // The rows are still being read, a slice between events, and their statement keeps
    // another program from writing meanwhile.
    const auto other = m_db.openAnother(0);
    QVERIFY_THROWS_EXCEPTION(
        data::DbError, other->execute(QStringLiteral("UPDATE tbCensus SET Name = Name WHERE Seq = 1")));
    QPointer<frmReportViewer> viewer = new frmReportViewer(std::move(job), QStringLiteral("Tall rows"));
    viewer->show();
    QVERIFY(viewer->pageCount() >= 1);
    QVERIFY(viewer->pageLabelText().endsWith(QLatin1Char('+')));
    const QString spill = model->spillFileName();
    QVERIFY(QFileInfo::exists(spill));
    QCOMPARE(QFileInfo(spill).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
        QFile::Permissions());

    QVERIFY(viewer->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!viewer);
    // The window waited for its layout to stop, long before the 10,000th page.
    QCOMPARE(model->state(), PageModel::State::Cancelled);
    QVERIFY(model->pageCount() < 2000);
    // Closing let the statement go with the rows: the other program writes at once.
    other->execute(QStringLiteral("UPDATE tbCensus SET Name = Name WHERE Seq = 1"));
    model.reset();
    QVERIFY(!QFileInfo::exists(spill));
}

void TestReportStreaming::printingWaitsForTheLastPage()
{
    test::fillCensus(m_db.connection(), 6000);
    auto job = jobFor(tallRows, m_db.connection(), 1u << 20);
    job->start();
    auto *viewer = new frmReportViewer(std::move(job), QStringLiteral("Tall rows"));
    QString exported = m_dir.filePath(QStringLiteral("exported.pdf"));
    int dialogs = 0;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        ++dialogs;
        qobject_cast<QFileDialog *>(&dialog)->selectFile(exported);
        return int(QDialog::Accepted);
    });
    viewer->exportPdf();
    QSignalSpy laidOut(viewer, &frmReportViewer::laidOut);
    if (!viewer->isLaidOut())
        QVERIFY(laidOut.wait(120000));
    QCOMPARE(dialogs, 1);
    QCOMPARE(viewer->pageCount(), 600);
    QCOMPARE(viewer->pageLabelText(), QStringLiteral("1 of 600"));
    QCOMPARE(test::pdfPageCount(exported), 600);
    QVERIFY(test::pdfText(exported, 600).contains(QStringLiteral("Page 600 of 600")));
    delete viewer;
}

void TestReportStreaming::aStopOrAFailureLeavesNoFile()
{
    test::fillCensus(m_db.connection(), 100000);
    const QString definition = test::writeFile(m_dir.path(), QStringLiteral("Tall.rpt"), tallRows);
    const QString pdf = m_dir.filePath(QStringLiteral("stopped.pdf"));

    // Stopped half way: no file, not even a partial one beside it. The report is long enough
    // (10,000 pages, a second or more) that the stop comes while it is being written.
    std::atomic<bool> stop { false };
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
    });
    QVERIFY_THROWS_EXCEPTION(
        LayoutCancelled, renderToPdf(definition, test::contextOf(m_db.connection()), {}, {}, pdf, &stop));
    stopper.join();
    QVERIFY(!QFileInfo::exists(pdf));
    QCOMPARE(QDir(m_dir.path()).entryList({ QStringLiteral("stopped*") }, QDir::Files), QStringList());

    // A failure on row 2,500 (page 250) leaves an earlier report of that name as it was.
    test::fillCensus(m_db.connection(), 3000);
    const QString earlier = m_dir.filePath(QStringLiteral("earlier.pdf"));
    QCOMPARE(renderToPdf(definition, test::contextOf(m_db.connection()), {}, {}, earlier), 300);
    const QByteArray before = [&] {
        QFile f(earlier);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    m_db.connection().executeScript(QStringLiteral("UPDATE tbCensus SET Amount = 'twelve' WHERE Seq = 2500;"));
    try {
        renderToPdf(definition, test::contextOf(m_db.connection()), {}, {}, earlier);
        QFAIL("a report that cannot add its totals was written");
    } catch (const ReportError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("\"twelve\" (row 2500)")), e.what());
    }
    QFile after(earlier);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestReportStreaming::aFailureHalfWayIsReportedOnce()
{
    // Page 1 lays out, so the viewer opens; row 15,000 (page 1,500) cannot be added up.
    test::fillCensus(m_db.connection(), 16000);
    m_db.connection().executeScript(QStringLiteral("UPDATE tbCensus SET Amount = 'twelve' WHERE Seq = 15000;"));
    test::writeFile(m_dir.path(), QStringLiteral("Tall.rpt"), tallRows);
    ReportContext context = test::contextOf(m_db.connection());
    ReportRunner runner(nullptr, [&] { return context; });
    QList<frmReportViewer *> hosted;
    runner.setViewerHost([&](frmReportViewer *viewer) { hosted.append(viewer); });
    runner.OpenReport(m_dir.path() + QStringLiteral("\\Tall.rpt"), {});
    QPointer<frmReportViewer> viewer;
    try {
        viewer = runner.ShowReport(false, QStringLiteral("Tall rows"), false);
    } catch (const ReportError &e) {
        // A machine that lays out 1,500 pages before the window opens tells the caller instead,
        // which reports it once; no window opens either way.
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("row 15000")), e.what());
        QVERIFY(hosted.isEmpty());
        return;
    }
    QVERIFY(viewer);
    // Asked to print meanwhile: nothing is printed from a report that failed.
    int dialogs = 0;
    ui::Messages::setDialogHandler([&](QDialog &) {
        ++dialogs;
        return int(QDialog::Rejected);
    });
    viewer->print();
    QSignalSpy laidOut(viewer.data(), &frmReportViewer::laidOut);
    QVERIFY(laidOut.wait(120000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!viewer);
    QCOMPARE(dialogs, 0);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.contains(QStringLiteral("row 15000")), qPrintable(m_shown.first().text));
    QCOMPARE(m_shown.first().icon, QMessageBox::Critical);
    QCOMPARE(m_shown.first().title, QStringLiteral("Tall rows"));
}

void TestReportStreaming::rowsKeepTheirValuesWhenReadAsTheyCome()
{
    data::EmbeddedConnection &c = m_db.connection();
    c.executeScript(QStringLiteral(
        "CREATE TABLE tbMixed (Seq INTEGER, Amount REAL, Name TEXT, Note TEXT, Raw BLOB);"
        "INSERT INTO tbMixed VALUES (1, 12.5, 'PE\u00d1A', NULL, x'00ff'), (2, -0.1, '\u65e5\u672c', '', NULL),"
        " (3, 1e300, 'O''BRIEN', 'x', x''), (4, NULL, NULL, NULL, NULL);"));
    const QString sql
        = QStringLiteral("SELECT Seq, Amount, Name, Note, Raw, Seq * 2 AS Twice FROM tbMixed ORDER BY Seq");
    const data::Recordset whole = c.query(sql);
    std::unique_ptr<data::RowCursor> cursor = c.queryRows(sql);
    QCOMPARE(cursor->columns()->names(), whole.columns());
    ReportRows rows(cursor->columns());
    while (cursor->next())
        rows.append(*cursor);
    rows.finish();
    QCOMPARE(rows.count(), whole.recordCount());
    for (int r = 0; r < whole.recordCount(); ++r) {
        for (int col = 0; col < whole.columns().size(); ++col) {
            const QVariant expected = whole.rows()[r][col];
            const QVariant kept = rows.value(r, col);
            QCOMPARE(kept.typeId(), expected.typeId());
            QCOMPARE(kept.isNull(), expected.isNull());
            QCOMPARE(kept, expected);
            QCOMPARE(rows.text(r, col), data::variantText(expected));
        }
    }
    QVERIFY(rows.sameText(3, 3, 2));
    QVERIFY(!rows.sameText(0, 1, 2));
    QVERIFY(!rows.has(4));

    // What cannot be stepped at the reader's pace (a batch, a write) is read whole, as before.
    cursor = c.queryRows(
        QStringLiteral("UPDATE tbMixed SET Note = 'y' WHERE Seq = 4; SELECT Note FROM tbMixed WHERE Seq = 4"));
    QVERIFY(cursor->next());
    QCOMPARE(cursor->value(0).toString(), QStringLiteral("y"));
    QVERIFY(!cursor->next());

    // A row that fails when it is reached fails there, with the database's error.
    cursor = c.queryRows(QStringLiteral("SELECT Seq, CASE WHEN Seq = 3 THEN mss_error('row three') END FROM tbMixed"));
    QVERIFY(cursor->next());
    QVERIFY(cursor->next());
    QVERIFY_THROWS_EXCEPTION(data::DbError, cursor->next());
    QVERIFY(c.errors().size() == 1 && c.errors().first().description.contains(QStringLiteral("row three")));
}

void TestReportStreaming::aLayoutWhileReadingGivesTheSamePages()
{
    test::fillCensus(m_db.connection(), 4000, 37);
    for (const QString &xml : { wards, tallRows }) {
        Report report(test::parse(xml));
        const auto whole = report.run(test::contextOf(m_db.connection()));
        auto job = std::make_unique<ReportJob>(report.prepare(test::contextOf(m_db.connection())));
        const std::shared_ptr<PageModel> model = job->model();
        QSignalSpy finished(job.get(), &ReportJob::finished);
        job->start();
        // The rows are read between events, as in the viewer.
        QVERIFY(finished.wait(120000));
        QCOMPARE(model->state(), PageModel::State::Complete);
        QCOMPARE(model->pageCount(), whole->pageCount());
        for (int page : { 0, 1, whole->pageCount() / 2, whole->pageCount() - 1 })
            QCOMPARE(model->pageText(page), whole->pageText(page));
    }
}

void TestReportStreaming::aReadFailingHalfWayFailsTheLayoutOnce()
{
    // The 3,000th row fails as it is read, long after page 1 was shown: the model ends failed
    // with the query's error, never complete, and the window reports it once.
    test::fillCensus(m_db.connection(), 6000);
    const QString failing = QString(tallRows).replace(QStringLiteral("SELECT Seq, Name, Amount FROM tbCensus"),
        QStringLiteral("SELECT Seq, Name, CASE WHEN Seq = 3000 THEN mss_error('the link was lost') ELSE Amount END AS "
                       "Amount FROM tbCensus"));
    auto job = jobFor(failing, m_db.connection(), 1u << 20);
    const std::shared_ptr<PageModel> model = job->model();
    job->start();
    job->waitForPages(1);
    QVERIFY(model->pageCount() >= 1);
    auto *viewer = new frmReportViewer(std::move(job), QStringLiteral("Tall rows"));
    QPointer<frmReportViewer> watched(viewer);
    QSignalSpy laidOut(viewer, &frmReportViewer::laidOut);
    viewer->show();
    QVERIFY(laidOut.wait(120000));
    QCOMPARE(model->state(), PageModel::State::Failed);
    QVERIFY(model->pageCount() < 300);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.contains(QStringLiteral("the link was lost")), qPrintable(m_shown.first().text));
    delete watched.data();
}

QTEST_MAIN(TestReportStreaming)
#include "tst_reportstreaming.moc"
