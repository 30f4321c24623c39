#pragma once

#include "engine/pagemodel.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>
#include <vector>

namespace mss::reports {

// The pages of a report one below the other, painted only where they are in view. The model
// may still be filling: pagesChanged() lets the view take in the pages that came.
class ReportPageView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum class ZoomMode { FitToWidth, FitInView, Custom };

    explicit ReportPageView(QWidget *parent = nullptr);
    ~ReportPageView() override;

    void setModel(std::shared_ptr<const PageModel> model);
    // New pages; with `textsChanged`, the page-count texts came too (once the last page is laid
    // out), so the pages already drawn are drawn again.
    void pagesChanged(bool textsChanged = false);

    int pageCount() const { return m_pageCount; }
    int currentPage() const { return m_current; } // from 1; 0 without pages
    void setCurrentPage(int page);

    ZoomMode zoomMode() const { return m_mode; }
    double zoomFactor() const { return m_zoom; }
    void fitToWidth();
    void fitInView();
    void setZoomFactor(double factor);

    // Whether page 1 has been on screen, for measuring how soon a report shows.
    bool firstPageShown() const { return m_firstShown; }

signals:
    void currentPageChanged(int page);
    void firstPageShownChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int dpi() const; // of the pages as drawn, from zoom and screen
    QSize pageSize() const; // in pixels
    int pageTop(int index) const; // in content pixels
    int pageAt(int y) const; // index of the page at content height y
    void applyZoom();
    void updateScrollBars();
    const QImage &pageImage(int index);

    std::shared_ptr<const PageModel> m_model;
    int m_pageCount = 0;
    int m_current = 0;
    ZoomMode m_mode = ZoomMode::FitToWidth;
    double m_zoom = 1.0;
    bool m_scrolling = false; // the view moves itself: the current page is already set
    bool m_firstShown = false;
    std::vector<std::pair<int, QImage>> m_images; // the last pages drawn, most recent last
};

} // namespace mss::reports
