// The runner as every caller uses it (OpenReport, OpenSubreport, ShowReport) and the viewer
// window: callers' paths, values by position, failures that open no viewer, several viewers,
// page navigation, printing and export through the dialog seam.
#include "reporttesting.h"

#include "engine/reportfiles.h"
#include "reports/frmreportviewer.h"
#include "reports/reportpageview.h"
#include "reports/reportrunner.h"
#include "ui/messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QtTest>

using namespace mss;
using namespace mss::reports;

class TestReportRunner : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void callersPathsFindTheFile();
    void valuesGoByPosition();
    void failuresOpenNoViewer();
    void viewersKeepTheirOwnReports();
    void viewersOutliveTheirRunner();
    void navigationAndZoom();
    void printAndExportGoThroughTheSeam();

private:
    QList<frmReportViewer *> viewers() const;

    test::TempHospital m_db;
    ReportContext m_context;
    std::unique_ptr<ReportRunner> m_runner;
    QTemporaryDir m_reports;
    QList<ui::Messages::Shown> m_shown;
};

namespace {

const QString listing = QStringLiteral(R"(<report title="Listing">
  <param name="Kind" type="number"/><param name="Label"/>
  <query name="main">SELECT Name, :Kind AS Kind FROM tbCensus ORDER BY Seq</query>
  <reportHeader height="16"><text>{report.hospitalName}: {param.Label} kind {param.Kind}</text></reportHeader>
  <detail query="main" height="14"><text>{Name}</text></detail>
  <pageFooter height="14"><text>Page {page} of {pages}</text></pageFooter>
</report>)");

} // namespace

void TestReportRunner::init()
{
    test::fillCensus(m_db.connection(), 120);
    test::writeFile(m_reports.path(), QStringLiteral("Listing.rpt"), listing);
    test::writeFile(m_reports.path(), QStringLiteral("ER_Census_Report_New.rpt"), listing);
    test::writeFile(m_reports.path(), QStringLiteral("BadQuery.rpt"),
        QStringLiteral("<report>\n<query name=\"main\">SELECT Missing FROM tbCensus</query>\n"
                       "<detail query=\"main\" height=\"10\"><text>{Missing}</text></detail>\n</report>"));
    m_context = test::contextOf(m_db.connection());
    m_context.reportsPath = m_reports.path() + QLatin1Char('/');
    m_runner = std::make_unique<ReportRunner>(nullptr, [this] { return m_context; });
    m_shown.clear();
    ui::Messages::setBoxHandler([this](const ui::Messages::Shown &shown) {
        m_shown.append(shown);
        return QMessageBox::Ok;
    });
}

void TestReportRunner::cleanup()
{
    for (frmReportViewer *v : viewers())
        delete v;
    m_runner.reset();
    ui::Messages::setBoxHandler(nullptr);
    ui::Messages::setDialogHandler(nullptr);
}

QList<frmReportViewer *> TestReportRunner::viewers() const
{
    QList<frmReportViewer *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<frmReportViewer *>(w))
            out.append(v);
    return out;
}

void TestReportRunner::callersPathsFindTheFile()
{
    const QString path = m_context.reportsPath; // ends in a separator, as callers have it
    QVERIFY(QFileInfo(resolveReportPath(path + QStringLiteral("\\Listing.rpt"))).isFile());
    QVERIFY(QFileInfo(resolveReportPath(path + QStringLiteral("\\\\Listing.rpt"))).isFile());
    QVERIFY(QFileInfo(
        resolveReportPath(QString(path).replace(QLatin1Char('/'), QLatin1Char('\\')) + QStringLiteral("Listing.rpt")))
                .isFile());
    // A caller spelling the name in another letter case still finds it.
    QCOMPARE(QFileInfo(resolveReportPath(path + QStringLiteral("\\ER_Census_Report_new.RPT"))).fileName(),
        QStringLiteral("ER_Census_Report_New.rpt"));
    m_runner->OpenReport(path + QStringLiteral("\\ER_Census_Report_new.RPT"), { 2, QStringLiteral("ER") });
    QVERIFY(m_runner->CurrentReport());
}

void TestReportRunner::valuesGoByPosition()
{
    const QString path = m_context.reportsPath + QStringLiteral("\\Listing.rpt");
    m_runner->OpenReport(
        path, { QStringLiteral("3"), QStringLiteral("In-Patient"), QStringLiteral("extra value"), 99 });
    frmReportViewer *viewer = m_runner->ShowReport(false, QStringLiteral("Daily ER Admission Report"), false);
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Daily ER Admission Report"));
    QCOMPARE(viewer->pages().pageText(0).section(QLatin1Char('\n'), 0, 0),
        QStringLiteral("PORT HALDEN GENERAL HOSPITAL: In-Patient kind 3"));

    // An empty list sets nothing: the report then says which value it lacks, and shows nothing.
    m_runner->OpenReport(path, {});
    try {
        m_runner->ShowReport(false, QStringLiteral("Empty"), false);
        QFAIL("a report without its values was shown");
    } catch (const ReportError &e) {
        QVERIFY2(
            QString::fromUtf8(e.what()).contains(QStringLiteral("parameter Kind (number 1) has no value")), e.what());
    }
    QCOMPARE(viewers().size(), 1);
}

void TestReportRunner::failuresOpenNoViewer()
{
    const QString folder = m_context.reportsPath;
    // A missing file: a clear error, and no report is left open to be shown by mistake.
    m_runner->OpenReport(folder + QStringLiteral("\\Listing.rpt"), { 1, QStringLiteral("a") });
    try {
        m_runner->OpenReport(folder + QStringLiteral("\\Nowhere.rpt"), {});
        QFAIL("a missing file opened");
    } catch (const ReportError &e) {
        QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("Nowhere.rpt")));
    }
    QVERIFY(!m_runner->CurrentReport());
    QVERIFY_THROWS_EXCEPTION(ReportError, m_runner->ShowReport(false, QStringLiteral("Stale"), false));
    // A value of the wrong type.
    QVERIFY_THROWS_EXCEPTION(
        ReportError, m_runner->OpenReport(folder + QStringLiteral("\\Listing.rpt"), { QStringLiteral("one") }));
    QVERIFY(!m_runner->CurrentReport());
    // A failing query: the error names the file and line, and no viewer opens.
    m_runner->OpenReport(folder + QStringLiteral("\\BadQuery.rpt"), {});
    try {
        m_runner->ShowReport(false, QStringLiteral("Bad"), false);
        QFAIL("a failing report was shown");
    } catch (const ReportError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).startsWith(QStringLiteral("BadQuery.rpt:2:")), e.what());
    }
    QVERIFY(viewers().isEmpty());
    // A subreport the report does not have.
    m_runner->OpenReport(folder + QStringLiteral("\\Listing.rpt"), { 1, QStringLiteral("a") });
    QVERIFY_THROWS_EXCEPTION(ReportError, m_runner->OpenSubreport(QStringLiteral("II.Caseload"), {}));
}

void TestReportRunner::viewersKeepTheirOwnReports()
{
    const QString path = m_context.reportsPath + QStringLiteral("\\Listing.rpt");
    m_runner->OpenReport(path, { 1, QStringLiteral("First") });
    QPointer<frmReportViewer> first = m_runner->ShowReport(false, QStringLiteral("First report"), false);
    m_runner->OpenReport(path, { 2, QStringLiteral("Second") });
    QPointer<frmReportViewer> second = m_runner->ShowReport(false, QStringLiteral("Second report"), false);
    QCOMPARE(viewers().size(), 2);
    second->waitForLayout();
    const QString secondText = second->pages().pageText(0);
    const int secondPages = second->pageCount();
    QVERIFY(secondText.contains(QStringLiteral("Second kind 2")));

    QVERIFY(first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(!m_runner->CurrentReport()); // closing a viewer releases the current report
    QVERIFY(second);
    QCOMPARE(second->windowTitle(), QStringLiteral("Second report"));
    QCOMPARE(second->pages().pageText(0), secondText);
    QCOMPARE(second->pageCount(), secondPages);
}

void TestReportRunner::viewersOutliveTheirRunner()
{
    // A main window that goes away takes its runner with it; its viewers may still be open, and
    // closing them afterwards must touch nothing of the runner.
    QList<frmReportViewer *> hosted;
    m_runner->setViewerHost([&](frmReportViewer *viewer) { hosted.append(viewer); });
    m_runner->OpenReport(m_context.reportsPath + QStringLiteral("Listing.rpt"), { 1, QStringLiteral("x") });
    QPointer<frmReportViewer> viewer = m_runner->ShowReport(false, QStringLiteral("Listing"), false);
    QCOMPARE(hosted.size(), 1);
    m_runner.reset();
    QVERIFY(viewer);
    QVERIFY(viewer->close());
    delete viewer.data();

    // A runner of its own for the next window: its viewers go to its own host only.
    ReportRunner next(nullptr, [this] { return m_context; });
    next.OpenReport(m_context.reportsPath + QStringLiteral("Listing.rpt"), { 2, QStringLiteral("y") });
    std::unique_ptr<frmReportViewer> shown(next.ShowReport(false, QStringLiteral("Again"), false));
    QCOMPARE(hosted.size(), 1);
    QVERIFY(shown->pages().pageText(0).contains(QStringLiteral("y kind 2")));
    m_runner = std::make_unique<ReportRunner>(nullptr, [this] { return m_context; });
}

void TestReportRunner::navigationAndZoom()
{
    m_runner->OpenReport(m_context.reportsPath + QStringLiteral("Listing.rpt"), { 1, QStringLiteral("x") });
    frmReportViewer *viewer = m_runner->ShowReport(false, QStringLiteral("Listing"), false);
    viewer->waitForLayout();
    const int pages = viewer->pages().pageCount();
    QVERIFY(pages >= 3);
    QCOMPARE(viewer->pageCount(), pages); // the preview shows exactly the model's pages
    auto *preview = viewer->findChild<ReportPageView *>(QStringLiteral("CRViewer1"));
    QVERIFY(preview);
    QCOMPARE(preview->zoomMode(), ReportPageView::ZoomMode::FitToWidth);
    auto *label = viewer->findChild<QLabel *>(QStringLiteral("lblPage"));
    QCOMPARE(label->text(), QStringLiteral("1 of %1").arg(pages));
    viewer->findChild<QAction *>(QStringLiteral("actNextPage"))->trigger();
    QCOMPARE(label->text(), QStringLiteral("2 of %1").arg(pages));
    viewer->findChild<QAction *>(QStringLiteral("actLastPage"))->trigger();
    QCOMPARE(label->text(), QStringLiteral("%1 of %1").arg(pages));
    QVERIFY(!viewer->findChild<QAction *>(QStringLiteral("actNextPage"))->isEnabled());
    viewer->nextPage(); // past the end stays on the last page
    QCOMPARE(viewer->currentPage(), pages);
    viewer->findChild<QAction *>(QStringLiteral("actFirstPage"))->trigger();
    QCOMPARE(viewer->currentPage(), 1);
}

void TestReportRunner::printAndExportGoThroughTheSeam()
{
    m_runner->OpenReport(m_context.reportsPath + QStringLiteral("Listing.rpt"), { 1, QStringLiteral("x") });
    frmReportViewer *viewer = m_runner->ShowReport(false, QStringLiteral("Listing"), false);
    viewer->waitForLayout();
    const int pages = viewer->pages().pageCount();
    QTemporaryDir out;

    // Print: the dialog is answered with pages 2 to 3 on a PDF printer.
    const QString printed = out.filePath(QStringLiteral("printed.pdf"));
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto *print = qobject_cast<QPrintDialog *>(&dialog);
        if (!print)
            return int(QDialog::Rejected);
        QPrinter *printer = print->printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printed);
        printer->setPrintRange(QPrinter::PageRange);
        printer->setFromTo(2, 3);
        return int(QDialog::Accepted);
    });
    viewer->findChild<QAction *>(QStringLiteral("actPrint"))->trigger();
    QCOMPARE(test::pdfPageCount(printed), 2);
    QVERIFY(test::pdfText(printed, 1).contains(QStringLiteral("Page 2 of %1").arg(pages)));

    // Export: every page, to the file chosen in the dialog.
    const QString exported = out.filePath(QStringLiteral("exported.pdf"));
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto *files = qobject_cast<QFileDialog *>(&dialog);
        if (!files)
            return int(QDialog::Rejected);
        files->selectFile(exported);
        return int(QDialog::Accepted);
    });
    viewer->findChild<QAction *>(QStringLiteral("actExportPdf"))->trigger();
    QCOMPARE(test::pdfPageCount(exported), pages);
    QVERIFY(m_shown.isEmpty());

    // A file that cannot be written is reported through the message seam, not a crash.
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        qobject_cast<QFileDialog *>(&dialog)->selectFile(QStringLiteral("/nonexistent-folder/x.pdf"));
        return int(QDialog::Accepted);
    });
    viewer->exportPdf();
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown.first().text.contains(QStringLiteral("cannot be written")));
    QCOMPARE(m_shown.first().icon, QMessageBox::Critical);

    // Cancelled dialogs do nothing.
    ui::Messages::setDialogHandler([](QDialog &) { return int(QDialog::Rejected); });
    viewer->print();
    viewer->exportPdf();
    QCOMPARE(m_shown.size(), 1);
}

QTEST_MAIN(TestReportRunner)
#include "tst_reportrunner.moc"
