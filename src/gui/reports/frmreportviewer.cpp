#include "reports/frmreportviewer.h"
#include "reports/reportpageview.h"
#include "reports/reportprinting.h"

#include "engine/reportjob.h"
#include "ui/messages.h"
#include "ui_frmreportviewer.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolBar>

#include <exception>
#include <utility>

namespace mss::reports {

frmReportViewer::frmReportViewer(std::unique_ptr<ReportJob> layout, const QString &caption, QWidget *parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::frmReportViewer>()),
      m_layout(std::move(layout)),
      m_pages(m_layout->model())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    ensureReportFonts();
    CRViewer1 = m_ui->CRViewer1;
    lblPage = m_ui->lblPage;
    cboZoom = m_ui->cboZoom;
    m_first = m_ui->actFirstPage;
    m_previous = m_ui->actPreviousPage;
    m_next = m_ui->actNextPage;
    m_last = m_ui->actLastPage;

    // The page label sits between "<" and ">", the zoom list between "-" and "+".
    m_ui->tbrViewer->insertWidget(m_next, lblPage);
    m_ui->tbrViewer->insertWidget(m_ui->actZoomIn, cboZoom);
    lblPage->setMinimumWidth(lblPage->fontMetrics().horizontalAdvance(QStringLiteral(" 9999 of 9999 ")));
    for (int percent : { 50, 75, 100, 125, 150, 200 })
        cboZoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    // The platform's own keys, which a form can only spell one way.
    m_ui->actPrint->setShortcuts(QKeySequence::Print);
    m_ui->actZoomOut->setShortcuts(QKeySequence::ZoomOut);
    m_ui->actZoomIn->setShortcuts(QKeySequence::ZoomIn);
    connect(m_ui->actPrint, &QAction::triggered, this, &frmReportViewer::print);
    connect(m_ui->actExportPdf, &QAction::triggered, this, &frmReportViewer::exportPdf);
    connect(m_first, &QAction::triggered, this, &frmReportViewer::firstPage);
    connect(m_previous, &QAction::triggered, this, &frmReportViewer::previousPage);
    connect(m_next, &QAction::triggered, this, &frmReportViewer::nextPage);
    connect(m_last, &QAction::triggered, this, &frmReportViewer::lastPage);
    connect(m_ui->actZoomOut, &QAction::triggered, this, &frmReportViewer::zoomOut);
    connect(m_ui->actZoomIn, &QAction::triggered, this, &frmReportViewer::zoomIn);

    connect(CRViewer1, &ReportPageView::currentPageChanged, this, &frmReportViewer::updateNavigation);
    connect(cboZoom, &QComboBox::activated, this, [this](int index) {
        if (index == 0)
            zoomToPageWidth();
        else if (index == 1)
            zoomToWholePage();
        else
            CRViewer1->setZoomFactor(cboZoom->itemData(index).toInt() / 100.0);
    });

    CRViewer1->setModel(m_pages);
    zoomToPageWidth();
    updateNavigation();
    connect(m_layout.get(), &ReportJob::pagesAdded, this, [this] {
        CRViewer1->pagesChanged();
        updateNavigation();
    });
    connect(m_layout.get(), &ReportJob::finished, this, &frmReportViewer::layoutEnded);
    if (m_pages->state() != PageModel::State::LayingOut)
        QMetaObject::invokeMethod(this, &frmReportViewer::layoutEnded, Qt::QueuedConnection);
}

frmReportViewer::~frmReportViewer()
{
    // The layout stops before its pages and their temporary file go.
    m_layout.reset();
}

int frmReportViewer::pageCount() const
{
    return CRViewer1->pageCount();
}

int frmReportViewer::currentPage() const
{
    return CRViewer1->currentPage();
}

void frmReportViewer::setCurrentPage(int page)
{
    CRViewer1->setCurrentPage(page);
    updateNavigation();
}

bool frmReportViewer::isLaidOut() const
{
    return m_ended && m_pages->isComplete();
}

QString frmReportViewer::pageLabelText() const
{
    return m_ended ? tr("%1 of %2").arg(currentPage()).arg(pageCount())
                   : tr("%1 of %2+").arg(currentPage()).arg(pageCount());
}

void frmReportViewer::updateNavigation()
{
    lblPage->setText(pageLabelText());
    const int page = currentPage();
    m_first->setEnabled(page > 1);
    m_previous->setEnabled(page > 1);
    m_next->setEnabled(page < pageCount());
    m_last->setEnabled(page < pageCount());
}

void frmReportViewer::waitForLayout()
{
    m_layout->wait();
    layoutEnded();
}

void frmReportViewer::layoutEnded()
{
    if (m_ended || m_pages->state() == PageModel::State::LayingOut)
        return;
    m_ended = true;
    switch (m_pages->state()) {
    case PageModel::State::LayingOut:
    case PageModel::State::Cancelled:
        return;
    case PageModel::State::Failed: {
        // Half a report is not shown as if it were the report: the failure is said once and the
        // window goes.
        QString message = tr("The report could not be laid out.");
        try {
            std::rethrow_exception(m_pages->error());
        } catch (const std::exception &e) {
            message = QString::fromUtf8(e.what());
        } catch (...) {
        }
        m_waiting = Waiting::Nothing;
        ui::Messages::critical(message, windowTitle(), this);
        emit laidOut();
        close();
        return;
    }
    case PageModel::State::Complete:
        break;
    }
    CRViewer1->pagesChanged(true);
    updateNavigation();
    emit laidOut();
    const Waiting waiting = std::exchange(m_waiting, Waiting::Nothing);
    if (waiting == Waiting::Print)
        printNow();
    else if (waiting == Waiting::Export)
        exportNow();
}

void frmReportViewer::firstPage()
{
    setCurrentPage(1);
}
void frmReportViewer::previousPage()
{
    setCurrentPage(currentPage() - 1);
}
void frmReportViewer::nextPage()
{
    setCurrentPage(currentPage() + 1);
}
void frmReportViewer::lastPage()
{
    setCurrentPage(pageCount());
}

void frmReportViewer::zoomToPageWidth()
{
    CRViewer1->fitToWidth();
    cboZoom->setCurrentIndex(0);
}

void frmReportViewer::zoomToWholePage()
{
    CRViewer1->fitInView();
    cboZoom->setCurrentIndex(1);
}

void frmReportViewer::zoomIn()
{
    CRViewer1->setZoomFactor(CRViewer1->zoomFactor() * 1.25);
    cboZoom->setCurrentIndex(-1);
}

void frmReportViewer::zoomOut()
{
    CRViewer1->setZoomFactor(CRViewer1->zoomFactor() / 1.25);
    cboZoom->setCurrentIndex(-1);
}

void frmReportViewer::print()
{
    if (isLaidOut())
        printNow();
    else if (!m_ended)
        m_waiting = Waiting::Print;
}

void frmReportViewer::exportPdf()
{
    if (isLaidOut())
        exportNow();
    else if (!m_ended)
        m_waiting = Waiting::Export;
}

void frmReportViewer::printNow()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle().isEmpty() ? m_pages->title : windowTitle());
    printer.setPageLayout(m_pages->pageLayout());
    printer.setFromTo(1, m_pages->pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    dialog.setMinMax(1, m_pages->pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    if (ui::Messages::execDialog(dialog) != QDialog::Accepted)
        return;
    if (printer.printRange() == QPrinter::CurrentPage)
        printer.setFromTo(currentPage(), currentPage());
    try {
        printModel(*m_pages, printer);
    } catch (const std::exception &e) {
        ui::Messages::critical(QString::fromUtf8(e.what()), windowTitle(), this);
    }
}

void frmReportViewer::exportNow()
{
    QString name = windowTitle().isEmpty() ? m_pages->title : windowTitle();
    static const QRegularExpression unsafe(QStringLiteral(R"([\\/:*?"<>|]+)"));
    name = name.replace(unsafe, QStringLiteral(" ")).simplified();
    if (name.isEmpty())
        name = QStringLiteral("Report");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(
        this, tr("Export to PDF"), QDir(folder).filePath(name + QStringLiteral(".pdf")), tr("PDF files (*.pdf)"));
    dialog.setObjectName(QStringLiteral("dlgExportPdf"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (ui::Messages::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    try {
        writePdf(*m_pages, dialog.selectedFiles().constFirst());
    } catch (const std::exception &e) {
        ui::Messages::critical(QString::fromUtf8(e.what()), windowTitle(), this);
    }
}

void frmReportViewer::closeEvent(QCloseEvent *event)
{
    m_layout->cancel();
    m_waiting = Waiting::Nothing;
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace mss::reports
