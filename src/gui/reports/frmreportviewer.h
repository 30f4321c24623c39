#pragma once

#include "pagemodel.h"

#include <QPrinter>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QToolBar;
class QAction;

namespace mss::reports {

// The report viewer: the pages of one report with zoom, page navigation, printing and export
// to PDF. It holds its own pages, so it keeps showing them whatever reports are opened after it.
class frmReportViewer final : public QWidget {
    Q_OBJECT

public:
    frmReportViewer(std::shared_ptr<const PageModel> pages, const QString &caption, QWidget *parent = nullptr);
    ~frmReportViewer() override;

    const PageModel &pages() const { return *m_pages; }
    int pageCount() const;
    int currentPage() const;
    void setCurrentPage(int page);
    // "n of m" as the tool bar shows it.
    QString pageLabelText() const;

public slots:
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void zoomToPageWidth();
    void zoomToWholePage();
    void zoomIn();
    void zoomOut();
    // The system print dialog (through the dialog seam), then the chosen pages.
    void print();
    // A file dialog (through the dialog seam), then the PDF.
    void exportPdf();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void paintPreview(QPrinter *printer);
    void updateNavigation();

    std::shared_ptr<const PageModel> m_pages;
    QPrinter m_previewPrinter;
    QToolBar *m_toolBar = nullptr;
    QPrintPreviewWidget *CRViewer1 = nullptr;
    QLabel *lblPage = nullptr;
    QComboBox *cboZoom = nullptr;
    QAction *m_first = nullptr, *m_previous = nullptr, *m_next = nullptr, *m_last = nullptr;
};

} // namespace mss::reports
