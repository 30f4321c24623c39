#pragma once

#include "reportdefinition.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;

namespace mss::reports {

// A laid-out report: pages of positioned texts, lines and boxes, in points from the paper's
// top-left corner. Every output (preview, printer, PDF) paints this same model, so they cannot
// paginate differently, and none of them touches the database again.
struct TextRun {
    QPointF origin; // left end of the baseline
    QString text;
    int font = 0;
};

struct RuleItem {
    QLineF line;
    double width = 0.5;
};

struct BoxItem {
    QRectF rect;
    double width = 0.5;
    QColor fill; // invalid: not filled
    bool stroke = true;
};

// Where a band was placed, kept so that the invariants of a layout (rows in order, nothing
// over the page footer, no group header left alone at the foot of a page) can be checked.
struct PlacedBand {
    PlacedBand() = default;
    PlacedBand(BandKind k, int b, int l = -1, int r = -1) : kind(k), body(b), level(l), row(r) { }
    BandKind kind = BandKind::Detail;
    int body = 0; // 0 the report, 1 + i its subreport i
    int level = -1; // group bands: the group's level
    int row = -1; // detail bands: the row; -1 elsewhere
    bool continued = false; // the rest of a band too tall for one page
    QRectF rect;
};

struct Page {
    std::vector<TextRun> texts;
    std::vector<RuleItem> lines;
    std::vector<BoxItem> boxes;
    std::vector<PlacedBand> bands;
};

class PageModel {
public:
    QString title;
    QString paperName; // "Letter", "Legal", "A4"
    bool landscape = false;
    QSizeF pageSize; // points, as printed
    double bodyBottom = 0; // points from the top: where the page footer begins
    QList<FontSpec> fonts;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
    QPageLayout pageLayout() const;
    QFont font(int index) const;

    // Paints one page on any painter whose device is set up with this model's page layout and
    // no margins. Coordinates are multiplied by the device's dpi/72; the painter is not scaled,
    // so point-sized fonts keep their size and a PDF keeps real text.
    void paintPage(QPainter &painter, int index) const;
    // The page's texts in reading order (top to bottom, left to right), one band line a line.
    QString pageText(int index) const;
};

// Makes the report fonts known to Qt, once: the Liberation families, found in the program's
// "fonts" folder or where Debian installs them. Text then measures the same on every machine.
// Needs a QGuiApplication (the offscreen platform will do); without one throws ReportError.
void ensureReportFonts();

// Writes every page to a PDF file at 1200 dpi with the report's title; ReportError on failure.
void writePdf(const PageModel &model, const QString &path);

} // namespace mss::reports
