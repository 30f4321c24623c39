#include "reports/reportpageview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace mss::reports {

namespace {

constexpr int gap = 12; // pixels around and between pages
constexpr size_t keptImages = 6;

} // namespace

ReportPageView::ReportPageView(QWidget *parent) : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

ReportPageView::~ReportPageView() = default;

void ReportPageView::setModel(std::shared_ptr<const PageModel> model)
{
    m_model = std::move(model);
    m_pageCount = 0;
    m_current = 0;
    m_images.clear();
    applyZoom();
    pagesChanged(true);
}

void ReportPageView::pagesChanged(bool textsChanged)
{
    const int count = m_model ? m_model->pageCount() : 0;
    if (textsChanged)
        m_images.clear();
    if (count != m_pageCount) {
        m_pageCount = count;
        updateScrollBars();
        if (m_current == 0 && count > 0) {
            m_current = 1;
            emit currentPageChanged(m_current);
        }
    }
    viewport()->update();
}

int ReportPageView::dpi() const
{
    // Rounded down, so a page fitted to the view is never a pixel wider than it.
    return std::max(4, int(std::floor(m_zoom * logicalDpiX() + 1e-6)));
}

QSize ReportPageView::pageSize() const
{
    if (!m_model)
        return {};
    const double k = dpi() / 72.0;
    return QSize(int(std::floor(m_model->pageSize.width() * k)), int(std::floor(m_model->pageSize.height() * k)));
}

int ReportPageView::pageTop(int index) const
{
    return gap + index * (pageSize().height() + gap);
}

int ReportPageView::pageAt(int y) const
{
    const int step = pageSize().height() + gap;
    if (step <= 0 || m_pageCount == 0)
        return 0;
    return std::clamp((y - gap / 2) / step, 0, m_pageCount - 1);
}

void ReportPageView::applyZoom()
{
    if (!m_model || m_model->pageSize.isEmpty())
        return;
    const QSize view = viewport()->size();
    const double pointsToPixels = logicalDpiX() / 72.0;
    const double byWidth = (view.width() - 2 * gap) / (m_model->pageSize.width() * pointsToPixels);
    const double byHeight = (view.height() - 2 * gap) / (m_model->pageSize.height() * pointsToPixels);
    if (m_mode == ZoomMode::FitToWidth)
        m_zoom = byWidth;
    else if (m_mode == ZoomMode::FitInView)
        m_zoom = std::min(byWidth, byHeight);
    m_zoom = std::clamp(m_zoom, 0.1, 8.0);
    m_images.clear();
    updateScrollBars();
    viewport()->update();
}

void ReportPageView::updateScrollBars()
{
    const QSize page = pageSize();
    const QSize view = viewport()->size();
    const int contentHeight = m_pageCount == 0 ? 0 : pageTop(m_pageCount);
    const int contentWidth = page.width() + 2 * gap;
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
}

void ReportPageView::setCurrentPage(int page)
{
    if (m_pageCount == 0)
        return;
    page = std::clamp(page, 1, m_pageCount);
    m_scrolling = true;
    verticalScrollBar()->setValue(pageTop(page - 1) - gap);
    m_scrolling = false;
    if (page != m_current) {
        m_current = page;
        emit currentPageChanged(page);
    }
}

void ReportPageView::fitToWidth()
{
    const int page = m_current;
    m_mode = ZoomMode::FitToWidth;
    applyZoom();
    setCurrentPage(page);
}

void ReportPageView::fitInView()
{
    const int page = m_current;
    m_mode = ZoomMode::FitInView;
    applyZoom();
    setCurrentPage(page);
}

void ReportPageView::setZoomFactor(double factor)
{
    const int page = m_current;
    m_mode = ZoomMode::Custom;
    m_zoom = factor;
    applyZoom();
    setCurrentPage(page);
}

void ReportPageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int page = m_current;
    applyZoom();
    if (m_mode != ZoomMode::Custom)
        setCurrentPage(page);
}

void ReportPageView::scrollContentsBy(int, int)
{
    if (!m_scrolling && m_pageCount > 0) {
        const int page = pageAt(verticalScrollBar()->value() + viewport()->height() / 3) + 1;
        if (page != m_current) {
            m_current = page;
            emit currentPageChanged(page);
        }
    }
    viewport()->update();
}

const QImage &ReportPageView::pageImage(int index)
{
    for (auto it = m_images.begin(); it != m_images.end(); ++it) {
        if (it->first == index) {
            std::rotate(it, it + 1, m_images.end());
            return m_images.back().second;
        }
    }
    const QSize size = pageSize();
    QImage image(size, QImage::Format_RGB32);
    // The page is drawn as it prints, at the view's resolution: the same model, the same code.
    const int dotsPerMeter = int(std::lround(dpi() / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        m_model->paintPage(painter, index);
    }
    if (m_images.size() >= keptImages)
        m_images.erase(m_images.begin());
    m_images.emplace_back(index, std::move(image));
    return m_images.back().second;
}

void ReportPageView::paintEvent(QPaintEvent *event)
{
    if (!m_model || m_pageCount == 0)
        return;
    QPainter painter(viewport());
    const QSize page = pageSize();
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    const int left = std::max(gap, (viewport()->width() - page.width()) / 2) - dx;
    const QRect area = event->rect();
    for (int i = pageAt(dy + area.top()); i < m_pageCount; ++i) {
        const QRect target(left, pageTop(i) - dy, page.width(), page.height());
        if (target.top() > area.bottom())
            break;
        if (!target.intersects(area))
            continue;
        painter.fillRect(target.translated(3, 3), QColor(0, 0, 0, 60));
        try {
            painter.drawImage(target.topLeft(), pageImage(i));
        } catch (const std::exception &) {
            // A page that cannot be read back shows blank; printing and export report it.
            painter.fillRect(target, Qt::white);
        }
        if (i == 0 && !m_firstShown) {
            m_firstShown = true;
            emit firstPageShownChanged();
        }
    }
}

} // namespace mss::reports
