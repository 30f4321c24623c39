#include "reports/frmreportviewer.h"
#include "reports/reportprinting.h"

#include "ui/messages.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace mss::reports {

frmReportViewer::frmReportViewer(std::shared_ptr<const PageModel> pages, const QString &caption, QWidget *parent)
    : QWidget(parent), m_pages(std::move(pages)), m_previewPrinter(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("frmReportViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    ensureReportFonts();

    m_previewPrinter.setFullPage(true);
    m_previewPrinter.setPageLayout(m_pages->pageLayout());
    m_previewPrinter.setDocName(caption.isEmpty() ? m_pages->title : caption);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbrViewer"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [&](const QString &name, const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = m_toolBar->addAction(text, this, slot);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    QAction *print = add(QStringLiteral("actPrint"), tr("&Print..."), QKeySequence::Print, &frmReportViewer::print);
    print->setToolTip(tr("Print the report"));
    add(QStringLiteral("actExportPdf"), tr("Export &PDF..."), QKeySequence(), &frmReportViewer::exportPdf);
    m_toolBar->addSeparator();
    m_first = add(
        QStringLiteral("actFirstPage"), tr("|<"), QKeySequence(Qt::CTRL | Qt::Key_Home), &frmReportViewer::firstPage);
    m_previous
        = add(QStringLiteral("actPreviousPage"), tr("<"), QKeySequence(Qt::Key_PageUp), &frmReportViewer::previousPage);
    lblPage = new QLabel(this);
    lblPage->setObjectName(QStringLiteral("lblPage"));
    lblPage->setMinimumWidth(lblPage->fontMetrics().horizontalAdvance(QStringLiteral(" 9999 of 9999 ")));
    lblPage->setAlignment(Qt::AlignCenter);
    m_toolBar->addWidget(lblPage);
    m_next = add(QStringLiteral("actNextPage"), tr(">"), QKeySequence(Qt::Key_PageDown), &frmReportViewer::nextPage);
    m_last = add(
        QStringLiteral("actLastPage"), tr(">|"), QKeySequence(Qt::CTRL | Qt::Key_End), &frmReportViewer::lastPage);
    m_first->setToolTip(tr("First page"));
    m_previous->setToolTip(tr("Previous page"));
    m_next->setToolTip(tr("Next page"));
    m_last->setToolTip(tr("Last page"));
    m_toolBar->addSeparator();
    add(QStringLiteral("actZoomOut"), tr("-"), QKeySequence::ZoomOut, &frmReportViewer::zoomOut)
        ->setToolTip(tr("Zoom out"));
    cboZoom = new QComboBox(this);
    cboZoom->setObjectName(QStringLiteral("cboZoom"));
    cboZoom->addItem(tr("Page width"));
    cboZoom->addItem(tr("Whole page"));
    for (int percent : { 50, 75, 100, 125, 150, 200 })
        cboZoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    m_toolBar->addWidget(cboZoom);
    add(QStringLiteral("actZoomIn"), tr("+"), QKeySequence::ZoomIn, &frmReportViewer::zoomIn)
        ->setToolTip(tr("Zoom in"));

    CRViewer1 = new QPrintPreviewWidget(&m_previewPrinter, this);
    CRViewer1->setObjectName(QStringLiteral("CRViewer1"));
    connect(CRViewer1, &QPrintPreviewWidget::paintRequested, this, &frmReportViewer::paintPreview);
    connect(CRViewer1, &QPrintPreviewWidget::previewChanged, this, &frmReportViewer::updateNavigation);
    connect(cboZoom, &QComboBox::activated, this, [this](int index) {
        if (index == 0)
            zoomToPageWidth();
        else if (index == 1)
            zoomToWholePage();
        else {
            CRViewer1->setZoomFactor(cboZoom->itemData(index).toInt() / 100.0);
        }
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(CRViewer1, 1);

    resize(900, 700);
    CRViewer1->updatePreview();
    zoomToPageWidth();
    updateNavigation();
}

frmReportViewer::~frmReportViewer() = default;

void frmReportViewer::paintPreview(QPrinter *printer)
{
    QPainter painter(printer);
    for (int i = 0; i < m_pages->pageCount(); ++i) {
        if (i > 0)
            printer->newPage();
        m_pages->paintPage(painter, i);
    }
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
    CRViewer1->setCurrentPage(std::clamp(page, 1, std::max(1, pageCount())));
    updateNavigation();
}

QString frmReportViewer::pageLabelText() const
{
    return tr("%1 of %2").arg(currentPage()).arg(pageCount());
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
    // The preview centres the current page; at page width a page is taller than the view, so a
    // report opens at the top of its first page, where the title is.
    QTimer::singleShot(0, this, [this] {
        if (auto *view = CRViewer1->findChild<QAbstractScrollArea *>(); view && currentPage() == 1)
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->minimum());
    });
}

void frmReportViewer::zoomToWholePage()
{
    CRViewer1->fitInView();
    cboZoom->setCurrentIndex(1);
}

void frmReportViewer::zoomIn()
{
    CRViewer1->zoomIn(1.25);
    cboZoom->setCurrentIndex(-1);
}

void frmReportViewer::zoomOut()
{
    CRViewer1->zoomOut(1.25);
    cboZoom->setCurrentIndex(-1);
}

void frmReportViewer::print()
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

void frmReportViewer::exportPdf()
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
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace mss::reports
