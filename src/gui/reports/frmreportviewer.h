#pragma once

#include "engine/pagemodel.h"

#include <QWidget>

#include <memory>

class QAction;
class QComboBox;
class QLabel;

namespace Ui {
class frmReportViewer;
}

namespace mss::reports {

class ReportJob;
class ReportPageView;

// The report viewer: the pages of one report with zoom, page navigation, printing and export
// to PDF. It shows the first page as soon as it is laid out while the layout goes on; printing
// and export wait for the last page, and closing the window stops the layout. It holds its own
// pages, so it keeps showing them whatever reports are opened after it.
class frmReportViewer final : public QWidget {
    Q_OBJECT

public:
    frmReportViewer(std::unique_ptr<ReportJob> layout, const QString &caption, QWidget *parent = nullptr);
    ~frmReportViewer() override;

    const PageModel &pages() const { return *m_pages; }
    // Pages laid out so far.
    int pageCount() const;
    int currentPage() const;
    void setCurrentPage(int page);
    // "n of m" as the tool bar shows it; "n of m+" while more pages are being laid out.
    QString pageLabelText() const;
    bool isLaidOut() const;
    // Waits for the layout to end, for callers that need every page at once.
    void waitForLayout();

public slots:
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void zoomToPageWidth();
    void zoomToWholePage();
    void zoomIn();
    void zoomOut();
    // The system print dialog (through the dialog seam), then the chosen pages; asked while
    // pages are still being laid out, it comes once the last one is.
    void print();
    // A file dialog (through the dialog seam), then the PDF; waits for the last page as print does.
    void exportPdf();

signals:
    void closed();
    // The last page is laid out (or the layout failed and the window closes).
    void laidOut();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Waiting { Nothing, Print, Export };
    void updateNavigation();
    void layoutEnded();
    void printNow();
    void exportNow();

    std::unique_ptr<Ui::frmReportViewer> m_ui;
    std::unique_ptr<ReportJob> m_layout;
    std::shared_ptr<PageModel> m_pages;
    Waiting m_waiting = Waiting::Nothing;
    bool m_ended = false;
    ReportPageView *CRViewer1 = nullptr;
    QLabel *lblPage = nullptr;
    QComboBox *cboZoom = nullptr;
    QAction *m_first = nullptr, *m_previous = nullptr, *m_next = nullptr, *m_last = nullptr;
};

} // namespace mss::reports
