#include "engine/reportengine.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/recordset.h"
#include "data/values.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace mss::reports {

namespace {

constexpr double measureDpi = 1200.0;
constexpr double padding = 1.5; // blank kept inside a text's box, left and right
constexpr double eps = 0.01;
const QChar pagesMark(0xE000); // stands for {pages} until the page count is known
const QChar pageMark(0xE001); // stands for {page} until the band has found its page

// Measures text once, at a fixed high resolution, whatever the output will be: widths at
// screen resolution differ by a percent or two, and a layout must not depend on them.
class Measurer {
public:
    explicit Measurer(QList<FontSpec> &fonts) : m_fonts(fonts), m_device(1, 1, QImage::Format_ARGB32)
    {
        m_device.setDotsPerMeterX(qRound(measureDpi / 0.0254));
        m_device.setDotsPerMeterY(qRound(measureDpi / 0.0254));
    }

    int fontIndex(const FontSpec &wanted)
    {
        for (int i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i] == wanted)
                return i;
        m_fonts.append(wanted);
        m_metrics.emplace_back(wanted.font(), &m_device);
        m_space.push_back(m_metrics.back().horizontalAdvance(QLatin1Char(' ')) * k);
        m_widths.emplace_back();
        m_advances.emplace_back(256, -1.0);
        return int(m_fonts.size()) - 1;
    }
    // Whether a text fits a width. Most texts of a long report are far narrower than their
    // boxes, and the sum of their characters' own advances, with room for kerning, says so
    // without shaping them; only a text near its box's width is measured exactly.
    bool fits(int f, const QString &s, double maxWidth) const
    {
        if (const std::optional<double> rough = roughWidth(f, s); rough && *rough * 1.03 + 0.5 <= maxWidth)
            return true;
        return width(f, s) <= maxWidth;
    }
    // Shaping a text is most of what measuring costs, and a long report measures the same
    // amounts, dates, wards and captions on every page: each font remembers the widths of the
    // texts it measured last.
    double width(int f, const QString &s) const
    {
        QHash<QString, double> &known = m_widths[size_t(f)];
        if (const auto it = known.constFind(s); it != known.cend())
            return *it;
        if (known.size() >= maxKnownWidths)
            known.clear();
        const double w = m_metrics[size_t(f)].horizontalAdvance(s) * k;
        known.insert(s, w);
        return w;
    }
    // Latin-1 texts only: other scripts may shape far from their characters' advances.
    std::optional<double> roughWidth(int f, const QString &s) const
    {
        std::vector<double> &advances = m_advances[size_t(f)];
        double sum = 0;
        for (const QChar c : s) {
            const char16_t u = c.unicode();
            if (u < 0x20 || u >= 0x100)
                return std::nullopt;
            double &advance = advances[u];
            if (advance < 0)
                advance = m_metrics[size_t(f)].horizontalAdvance(c) * k;
            sum += advance;
        }
        return sum;
    }
    double lineHeight(int f) const { return m_metrics[size_t(f)].lineSpacing() * k; }
    double ascent(int f) const { return m_metrics[size_t(f)].ascent() * k; }
    QString elide(int f, const QString &s, double w) const
    {
        return m_metrics[size_t(f)].elidedText(s, Qt::ElideRight, w / k);
    }

    // Greedy word wrap; a word longer than a line is broken between characters.
    QStringList wrap(int f, const QString &text, double maxWidth) const
    {
        QStringList out;
        const QStringList paragraphs = text.split(QLatin1Char('\n'));
        for (const QString &para : paragraphs) {
            if (fits(f, para, maxWidth)) {
                out.append(para);
                continue;
            }
            const QStringList words = para.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QString line;
            double lineWidth = 0;
            for (const QString &word : words) {
                const double w = width(f, word);
                if (!line.isEmpty() && lineWidth + m_space[size_t(f)] + w <= maxWidth) {
                    line += QLatin1Char(' ') + word;
                    lineWidth += m_space[size_t(f)] + w;
                    continue;
                }
                if (!line.isEmpty())
                    out.append(line);
                if (w <= maxWidth) {
                    line = word;
                    lineWidth = w;
                    continue;
                }
                QString piece;
                for (QChar c : word) {
                    if (!piece.isEmpty() && width(f, piece + c) > maxWidth) {
                        out.append(piece);
                        piece.clear();
                    }
                    piece += c;
                }
                line = piece;
                lineWidth = width(f, piece);
            }
            out.append(line);
        }
        return out;
    }

private:
    static constexpr double k = 72.0 / measureDpi;
    static constexpr qsizetype maxKnownWidths = 4096;
    QList<FontSpec> &m_fonts;
    QImage m_device;
    std::vector<QFontMetricsF> m_metrics;
    std::vector<double> m_space;
    mutable std::vector<QHash<QString, double>> m_widths;
    mutable std::vector<std::vector<double>> m_advances; // per font, of the Latin-1 characters
};

struct LineRun {
    TextRun run;
    double top = 0;
    double bottom = 0;
    bool deferred = false; // holds a page mark: aligned once the numbers are known
    double boxX = 0, boxWidth = 0;
    Align align = Align::Left;
};

struct Ctx {
    BandKind kind = BandKind::Detail;
    int row = -1;
    int level = -1;
};

} // namespace

struct BodyRun;

namespace {

// A band filled with its values and measured, in points relative to the band's top.
struct BandInstance {
    double height = 0;
    std::vector<LineRun> texts;
    std::vector<RuleItem> lines;
    std::vector<BoxItem> boxes;
    // Counting pages, only what decides the height is built; a band that has to be split over
    // pages is built whole from here.
    const Band *partOf = nullptr;
    BodyRun *body = nullptr;
    Ctx ctx;
};

} // namespace

struct Accumulator {
    int start = -1;
    int upTo = -1;
    double sum = 0;
    qint64 count = 0;
    double min = 0, max = 0;
};

// One body (the report or a subreport) while it runs: its resolved definition, its rows and
// the groups that are open.
struct BodyRun {
    int index = 0;
    ReportBody body;
    QVariantList params;
    // By query index; only the variants that ran are filled.
    std::vector<std::shared_ptr<ReportRows>> results;
    int detail = -1; // index of the detail query
    std::vector<int> groupStart, groupEnd; // a group's end is -1 until something needs it
    std::vector<bool> headerPrinted, open;
    QHash<const Segment *, Accumulator> totals;
    QHash<QString, int> chosen; // lower-cased query name -> the variant that ran

    ReportRows &rows() const { return *results[size_t(detail)]; }
    // Whether the detail query has the row; waits while the rows are still being read.
    bool hasRow(int row) const { return detail >= 0 && rows().has(row); }
    int rowCount() const { return detail >= 0 ? rows().count() : 0; }
    // Whether the rows are in one group at the level and every level above it.
    bool sameGroup(int level, int row, int other) const
    {
        for (int l = 0; l <= level; ++l)
            if (!rows().sameText(row, other, body.groups[l].column))
                return false;
        return true;
    }
    // Whether the group open at the level ends with the row.
    bool groupEndsAt(int level, int row) const { return !hasRow(row + 1) || !sameGroup(level, row, row + 1); }
    // The end of the group open at the level: found by reading ahead, only when a total needs it.
    int groupEndOf(int level)
    {
        int &end = groupEnd[size_t(level)];
        if (end < 0) {
            end = groupStart[size_t(level)] + 1;
            while (!groupEndsAt(level, end - 1))
                ++end;
        }
        return end;
    }
};

namespace {

double numberOf(const QVariant &v, bool *ok)
{
    *ok = true;
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const auto parsed = data::parseNumber(v.toString());
        *ok = parsed.has_value();
        return parsed.value_or(0);
    }
    default:
        return v.toDouble(ok);
    }
}

// Lays pages out one after the other and hands each to a sink as soon as it is finished: what
// later pages need (totals, open groups, where the page footer begins) is all it keeps.
class Layout {
public:
    // Counting, the layout builds of each band only what decides its height, and hands the sink
    // empty pages.
    enum class Pass { Pages, Count };

    Layout(const ReportDefinition &def, const ReportContext &context, PageSink &sink, const std::atomic<bool> *cancel,
        int knownPageCount, Pass pass = Pass::Pages)
        : m_def(def),
          m_context(context),
          m_sink(sink),
          m_cancel(cancel),
          m_knownPages(knownPageCount),
          m_counting(pass == Pass::Count),
          m_measure(m_fonts),
          m_now(context.printedAt)
    {
        m_limit = bodyBottom(def);
    }

    static double bodyBottom(const ReportDefinition &def)
    {
        return def.pageSize.height() - def.marginBottom - (def.pageFooter ? def.pageFooter->height : 0);
    }

    int run(std::vector<BodyRun> &bodies)
    {
        m_bodies = &bodies;
        BodyRun &main = bodies.front();
        m_y = m_def.marginTop;
        m_nextMainRow = main.hasRow(0) ? 0 : -1;
        // The report header opens the first page, above the page header.
        if (main.body.reportHeader)
            place(build(*main.body.reportHeader, main, { BandKind::ReportHeader, m_nextMainRow }),
                { BandKind::ReportHeader, 0 });
        putPageHeader();
        runBody(main);
        for (size_t i = 1; i < bodies.size(); ++i)
            runBody(bodies[i]);
        if (main.body.reportFooter)
            place(build(*main.body.reportFooter, main, { BandKind::ReportFooter, main.rowCount() - 1 }),
                { BandKind::ReportFooter, 0 });
        finishPage();
        emitPage();
        if (m_knownPages < 0 && !m_counting)
            resolvePageMarks();
        return m_pageIndex + 1;
    }

private:
    void runBody(BodyRun &b)
    {
        const bool isMain = b.index == 0;
        m_active = &b;
        if (!isMain) {
            if (b.body.newPage && m_hasBody)
                newPage();
            if (b.body.reportHeader)
                place(build(*b.body.reportHeader, b, { BandKind::ReportHeader, b.hasRow(0) ? 0 : -1 }),
                    { BandKind::ReportHeader, b.index });
        }
        if (b.body.detail) {
            const int levels = int(b.body.groups.size());
            b.groupStart.assign(size_t(levels), 0);
            b.groupEnd.assign(size_t(levels), 0);
            b.headerPrinted.assign(size_t(levels), false);
            b.open.assign(size_t(levels), false);
            if (!b.hasRow(0) && b.body.noRows)
                place(build(*b.body.noRows, b, { BandKind::NoRows, -1 }), { BandKind::NoRows, b.index });
            for (int i = 0; b.hasRow(i); ++i) {
                if (m_cancel && m_cancel->load(std::memory_order_relaxed))
                    throw LayoutCancelled();
                if (isMain)
                    m_nextMainRow = i;
                int changed = levels;
                for (int level = 0; level < levels; ++level) {
                    if (i == 0 || !b.rows().sameText(i, i - 1, b.body.groups[level].column)) {
                        changed = level;
                        break;
                    }
                }
                bool breakPage = false;
                for (int level = changed; level < levels; ++level) {
                    b.groupStart[size_t(level)] = i;
                    b.groupEnd[size_t(level)] = -1;
                    b.headerPrinted[size_t(level)] = false;
                    b.open[size_t(level)] = true;
                    breakPage = breakPage || (b.body.groups[level].newPage && i > 0);
                }
                if (breakPage && m_hasBody)
                    newPage();
                // A group header stays with the group's first row: both go to the next page
                // when they do not fit together.
                std::vector<std::pair<BandInstance, PlacedBand>> chain;
                double total = 0;
                for (int level = changed; level < levels; ++level) {
                    if (const auto &header = b.body.groups[level].header) {
                        chain.emplace_back(build(*header, b, { BandKind::GroupHeader, i, level }),
                            PlacedBand { BandKind::GroupHeader, b.index, level });
                        total += chain.back().first.height;
                    }
                }
                chain.emplace_back(
                    build(*b.body.detail, b, { BandKind::Detail, i }), PlacedBand { BandKind::Detail, b.index, -1, i });
                total += chain.back().first.height;
                if (total > m_limit - m_y + eps && m_hasBody)
                    newPage();
                for (auto &[band, tag] : chain) {
                    place(std::move(band), tag);
                    if (tag.kind == BandKind::GroupHeader)
                        b.headerPrinted[size_t(tag.level)] = true;
                }
                for (int level = levels - 1; level >= 0; --level) {
                    if (!b.groupEndsAt(level, i))
                        continue;
                    b.groupEnd[size_t(level)] = i + 1;
                    b.open[size_t(level)] = false;
                    if (const auto &footer = b.body.groups[level].footer)
                        place(build(*footer, b, { BandKind::GroupFooter, i, level }),
                            { BandKind::GroupFooter, b.index, level });
                }
            }
        }
        if (!isMain && b.body.reportFooter)
            place(build(*b.body.reportFooter, b, { BandKind::ReportFooter, b.rowCount() - 1 }),
                { BandKind::ReportFooter, b.index });
        m_active = nullptr;
    }

    // --- pages -------------------------------------------------------------------------------

    void putPageHeader()
    {
        if (!m_def.pageHeader)
            return;
        BodyRun &main = m_bodies->front();
        const bool had = m_hasBody;
        put(build(*m_def.pageHeader, main, { BandKind::PageHeader, m_nextMainRow }), { BandKind::PageHeader, 0 });
        m_hasBody = had;
    }

    void newPage()
    {
        finishPage();
        emitPage();
        m_page = Page();
        ++m_pageIndex;
        m_y = m_def.marginTop;
        m_hasBody = false;
        m_firstRowOnPage = m_lastRowOnPage = -1;
        putPageHeader();
        // Open groups that asked for it print their header again above their next rows.
        if (m_active) {
            BodyRun &b = *m_active;
            for (int level = 0; level < int(b.open.size()); ++level) {
                const GroupDef &g = b.body.groups[level];
                if (!g.repeatHeader || !g.header || !b.open[size_t(level)] || !b.headerPrinted[size_t(level)])
                    continue;
                PlacedBand tag { BandKind::GroupHeader, b.index, level };
                tag.continued = true;
                put(build(*g.header, b, { BandKind::GroupHeader, b.groupStart[size_t(level)], level }), tag);
                m_hasBody = false;
            }
        }
    }

    void finishPage()
    {
        if (!m_def.pageFooter)
            return;
        BodyRun &main = m_bodies->front();
        const double y = m_y;
        m_y = m_limit;
        put(build(*m_def.pageFooter, main,
                { BandKind::PageFooter, m_lastRowOnPage >= 0 ? m_lastRowOnPage : m_lastPlacedMain }),
            { BandKind::PageFooter, 0 });
        m_y = y;
    }

    void place(BandInstance band, PlacedBand tag)
    {
        double room = m_limit - m_y;
        if (band.height > room + eps) {
            if (m_hasBody) {
                newPage();
                room = m_limit - m_y;
            }
            if (band.partOf && band.height > room + eps)
                band = build(*band.partOf, *band.body, band.ctx, true);
            // Taller than a whole page: it goes on line by line, so the layout always ends.
            while (band.height > room + eps) {
                auto [first, rest] = split(std::move(band), room);
                put(first, tag);
                tag.continued = true;
                newPage();
                band = std::move(rest);
                room = m_limit - m_y;
            }
        }
        put(band, tag);
    }

    static std::pair<BandInstance, BandInstance> split(BandInstance band, double cut)
    {
        double shift = cut;
        for (const LineRun &l : band.texts)
            if (l.bottom > cut + eps)
                shift = std::min(shift, l.top);
        if (shift <= eps) { // not even one line fits: take the first line anyway
            double top = 1e9;
            for (const LineRun &l : band.texts)
                top = std::min(top, l.top);
            shift = cut;
            for (const LineRun &l : band.texts)
                if (l.top <= top + eps)
                    shift = std::max(shift, l.bottom);
        }
        BandInstance first, rest;
        first.height = shift;
        rest.height = std::max(0.0, band.height - shift);
        for (LineRun &l : band.texts) {
            if (l.bottom <= shift + eps) {
                first.texts.push_back(l);
            } else {
                l.top -= shift;
                l.bottom -= shift;
                l.run.origin.ry() -= shift;
                rest.texts.push_back(l);
            }
        }
        for (const BoxItem &b : band.boxes) {
            if (b.rect.top() < shift - eps) {
                BoxItem part = b;
                part.rect.setBottom(std::min(b.rect.bottom(), shift));
                first.boxes.push_back(part);
            }
            if (b.rect.bottom() > shift + eps) {
                BoxItem part = b;
                part.rect.setTop(std::max(b.rect.top(), shift));
                part.rect.translate(0, -shift);
                rest.boxes.push_back(part);
            }
        }
        for (const RuleItem &r : band.lines) {
            const double top = std::min(r.line.y1(), r.line.y2());
            const double bottom = std::max(r.line.y1(), r.line.y2());
            if (top < shift - eps || (top == bottom && top <= shift)) {
                RuleItem part = r;
                if (top != bottom)
                    part.line = QLineF(r.line.x1(), top, r.line.x2(), std::min(bottom, shift));
                first.lines.push_back(part);
            }
            if (bottom > shift + eps) {
                RuleItem part = r;
                part.line = QLineF(r.line.x1(), std::max(top, shift) - shift, r.line.x2(), bottom - shift);
                rest.lines.push_back(part);
            }
        }
        return { std::move(first), std::move(rest) };
    }

    void put(const BandInstance &band, PlacedBand tag)
    {
        Page &page = m_page;
        const double y = m_y;
        for (const LineRun &l : band.texts) {
            if (l.deferred) {
                LineRun moved = l;
                moved.run.origin.ry() += y;
                m_deferred.push_back({ m_pageIndex, moved });
                continue;
            }
            page.addText(QPointF(l.run.origin.x(), l.run.origin.y() + y), l.run.text, l.run.font);
        }
        for (RuleItem r : band.lines) {
            r.line.translate(0, y);
            page.lines.push_back(r);
        }
        for (BoxItem b : band.boxes) {
            b.rect.translate(0, y);
            page.boxes.push_back(b);
        }
        tag.rect = QRectF(m_def.marginLeft, y, m_def.printableWidth(), band.height);
        page.bands.push_back(tag);
        m_y += band.height;
        if (tag.kind != BandKind::PageHeader && tag.kind != BandKind::PageFooter)
            m_hasBody = true;
        if (tag.kind == BandKind::Detail && tag.body == 0 && !tag.continued) {
            if (m_firstRowOnPage < 0)
                m_firstRowOnPage = tag.row;
            m_lastRowOnPage = tag.row;
            m_lastPlacedMain = tag.row;
        }
    }

    // Texts with {page} or {pages} are placed once their numbers are known, after the page's
    // other texts.
    TextRun numbered(int pageIndex, const LineRun &l, const QString &pages) const
    {
        TextRun run = l.run;
        run.text.replace(pagesMark, pages);
        run.text.replace(pageMark, QString::number(pageIndex + 1));
        run.text = m_measure.elide(run.font, run.text, l.boxWidth - 2 * padding);
        run.origin.setX(alignedX(run.font, run.text, l.boxX, l.boxWidth, l.align));
        return run;
    }

    void emitPage()
    {
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            throw LayoutCancelled();
        if (m_counting) {
            m_deferred.clear();
            return;
        }
        std::vector<TextRun> countTexts;
        if (m_knownPages >= 0) {
            const QString pages = QString::number(m_knownPages);
            for (const auto &[pageIndex, l] : m_deferred) {
                const TextRun run = numbered(pageIndex, l, pages);
                m_page.addText(run.origin, run.text, run.font);
            }
            m_deferred.clear();
        } else {
            // Shown until the last page is laid out.
            const QString pending = QStringLiteral("\u2026");
            for (size_t i = m_pageDeferred; i < m_deferred.size(); ++i)
                countTexts.push_back(numbered(m_deferred[i].first, m_deferred[i].second, pending));
            m_pageDeferred = m_deferred.size();
        }
        m_sink.addPage(std::move(m_page), std::move(countTexts), m_fonts);
    }

    void resolvePageMarks()
    {
        const QString pages = QString::number(m_pageIndex + 1);
        for (size_t i = 0; i < m_deferred.size();) {
            const int pageIndex = m_deferred[i].first;
            std::vector<TextRun> texts;
            for (; i < m_deferred.size() && m_deferred[i].first == pageIndex; ++i)
                texts.push_back(numbered(pageIndex, m_deferred[i].second, pages));
            m_sink.setCountTexts(pageIndex, std::move(texts));
        }
        m_deferred.clear();
    }

    double alignedX(int font, const QString &text, double x, double w, Align align) const
    {
        switch (align) {
        case Align::Left:
            return x + padding;
        case Align::Center:
            return x + (w - m_measure.width(font, text)) / 2;
        case Align::Right:
            return x + w - padding - m_measure.width(font, text);
        }
        return x;
    }

    // --- bands -------------------------------------------------------------------------------

    BandInstance build(const Band &band, BodyRun &b, Ctx c, bool whole = false)
    {
        BandInstance inst;
        inst.height = band.height;
        double extra = 0;
        const double left = m_def.marginLeft;
        const bool heightOnly = m_counting && !whole;
        if (heightOnly && !band.elements.isEmpty()) {
            inst.partOf = &band;
            inst.body = &b;
            inst.ctx = c;
        }
        for (const Element &e : band.elements) {
            if (e.kind != Element::Text)
                continue;
            // A text that does not grow leaves the band's height as it is.
            if (heightOnly && !e.grow)
                continue;
            bool deferred = false;
            const QString text = evaluate(e, b, c, &deferred);
            if (text.isEmpty())
                continue;
            const int f = m_measure.fontIndex(e.font);
            const double lh = m_measure.lineHeight(f);
            const double ascent = m_measure.ascent(f);
            const double inner = std::max(1.0, e.rect.width() - 2 * padding);
            QStringList lines = deferred ? QStringList { text } : m_measure.wrap(f, text, inner);
            if (!e.grow) {
                const int fits = std::max(1, int(std::floor((e.rect.height() + eps) / lh)));
                if (lines.size() > fits) {
                    lines.resize(fits);
                    lines.last() = m_measure.elide(f, lines.last() + QChar(0x2026), inner);
                }
            }
            const double block = lines.size() * lh;
            const double top = block <= e.rect.height() ? e.rect.y() + (e.rect.height() - block) / 2 : e.rect.y();
            if (e.grow)
                extra = std::max(extra, block - e.rect.height());
            for (int k = 0; k < lines.size(); ++k) {
                LineRun l;
                l.run.text = lines[k];
                l.run.font = f;
                l.top = top + k * lh;
                l.bottom = l.top + lh;
                l.run.origin = QPointF(
                    deferred ? 0 : alignedX(f, lines[k], left + e.rect.x(), e.rect.width(), e.align), l.top + ascent);
                l.deferred = deferred;
                l.boxX = left + e.rect.x();
                l.boxWidth = e.rect.width();
                l.align = e.align;
                inst.texts.push_back(std::move(l));
            }
        }
        inst.height += extra;
        if (heightOnly)
            return inst;
        for (const Element &e : band.elements) {
            if (e.kind == Element::Line) {
                QLineF line(left + e.rect.left(), e.rect.top(), left + e.rect.right(), e.rect.bottom());
                if (e.stretch) {
                    if (line.y1() == line.y2())
                        line.translate(0, extra);
                    else if (line.y1() > line.y2())
                        line.setP1(line.p1() + QPointF(0, extra));
                    else
                        line.setP2(line.p2() + QPointF(0, extra));
                }
                inst.lines.push_back({ line, e.penWidth });
            } else if (e.kind == Element::Box) {
                QRectF r = e.rect.translated(left, 0);
                if (e.stretch)
                    r.setHeight(r.height() + extra);
                inst.boxes.push_back({ r, e.penWidth, e.fill, e.stroke });
            }
        }
        return inst;
    }

    QString evaluate(const Element &e, BodyRun &b, const Ctx &c, bool *deferred)
    {
        QString out;
        for (const Segment &s : e.segments) {
            switch (s.kind) {
            case Segment::Literal:
                out += s.text;
                break;
            case Segment::Field:
                if (c.row >= 0)
                    out += show(s, b.rows().value(c.row, s.column));
                break;
            case Segment::QueryField: {
                ReportRows &rs = *b.results[size_t(s.query)];
                if (rs.has(0))
                    out += show(s, rs.value(0, s.column));
                break;
            }
            case Segment::Param:
                out += show(s, b.params[s.query]);
                break;
            case Segment::ReportValue:
                if (s.text == QLatin1String("hospitalName"))
                    out += m_context.hospitalName;
                else if (s.text == QLatin1String("title"))
                    out += m_def.title;
                else if (s.text == QLatin1String("userName"))
                    out += m_context.userName;
                else if (s.text == QLatin1String("printDate"))
                    out += s.format ? s.format->apply(m_now) : data::formatMMDDYYYY(m_now.date());
                else if (s.text == QLatin1String("printTime"))
                    out += s.format ? s.format->apply(m_now)
                                    : FieldFormat::parse(QStringLiteral("h:nn AM/PM"), nullptr)->apply(m_now);
                break;
            case Segment::Page:
                out += pageMark;
                *deferred = true;
                break;
            case Segment::Pages:
                out += pagesMark;
                *deferred = true;
                break;
            case Segment::Aggregate:
                out += show(s, total(s, e, b, c));
                break;
            }
        }
        return out;
    }

    static QString show(const Segment &s, const QVariant &v)
    {
        return s.format ? s.format->apply(v) : FieldFormat::plain(v);
    }

    // The rows a total adds up, [start, end), as its band and scope say.
    std::pair<int, int> totalRange(const Segment &s, BodyRun &b, const Ctx &c)
    {
        int start = 0;
        int end = -1; // the last row: read only when a total needs it
        auto levelOf = [&](const QString &name) {
            for (int i = 0; i < b.body.groups.size(); ++i)
                if (b.body.groups[i].name.compare(name, Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        const bool reportScope = s.scope.compare(QLatin1String("report"), Qt::CaseInsensitive) == 0;
        switch (c.kind) {
        case BandKind::PageFooter:
            if (reportScope) {
                end = m_lastPlacedMain + 1;
            } else if (m_firstRowOnPage < 0) {
                start = end = 0;
            } else {
                start = m_firstRowOnPage;
                end = m_lastRowOnPage + 1;
            }
            break;
        case BandKind::Detail:
            end = c.row + 1; // running totals
            if (!s.scope.isEmpty() && !reportScope)
                start = b.groupStart[size_t(levelOf(s.scope))];
            break;
        case BandKind::GroupHeader:
        case BandKind::GroupFooter:
            if (!reportScope) {
                const int level = s.scope.isEmpty() ? c.level : levelOf(s.scope);
                start = b.groupStart[size_t(level)];
                end = b.groupEndOf(level);
            }
            break;
        default:
            break;
        }
        if (end < 0)
            end = b.rowCount();
        return { start, end };
    }

    QVariant total(const Segment &s, const Element &e, BodyRun &b, const Ctx &c)
    {
        const auto [start, end] = totalRange(s, b, c);
        Accumulator &a = b.totals[&s];
        if (a.start != start || a.upTo > end || a.upTo < start) {
            a = Accumulator();
            a.start = a.upTo = start;
        }
        ReportRows &rows = b.rows();
        for (int r = a.upTo; r < end; ++r) {
            if (s.field.isEmpty()) {
                ++a.count;
                continue;
            }
            const QVariant v = rows.value(r, s.column);
            if (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()))
                continue;
            bool ok = false;
            const double x = numberOf(v, &ok);
            if (!ok)
                throw ReportError(m_def.fileName, e.pos.line, e.pos.column,
                    QStringLiteral("the total of %1 cannot add \"%2\" (row %3): it is not a number")
                        .arg(s.field, v.toString())
                        .arg(r + 1));
            a.min = a.count == 0 ? x : std::min(a.min, x);
            a.max = a.count == 0 ? x : std::max(a.max, x);
            a.sum += x;
            ++a.count;
        }
        a.upTo = std::max(a.upTo, end);
        switch (s.function) {
        case Segment::Sum:
            return a.sum;
        case Segment::Count:
            return a.count;
        case Segment::Avg:
            return a.count ? QVariant(a.sum / double(a.count)) : QVariant();
        case Segment::Min:
            return a.count ? QVariant(a.min) : QVariant();
        case Segment::Max:
            return a.count ? QVariant(a.max) : QVariant();
        }
        return {};
    }

    const ReportDefinition &m_def;
    const ReportContext &m_context;
    PageSink &m_sink;
    const std::atomic<bool> *m_cancel = nullptr;
    int m_knownPages = -1;
    bool m_counting = false;
    QList<FontSpec> m_fonts;
    Measurer m_measure;
    QDateTime m_now;
    std::vector<BodyRun> *m_bodies = nullptr;
    BodyRun *m_active = nullptr;
    double m_limit = 0;
    double m_y = 0;
    bool m_hasBody = false;
    int m_nextMainRow = -1;
    int m_firstRowOnPage = -1, m_lastRowOnPage = -1, m_lastPlacedMain = -1;
    Page m_page;
    int m_pageIndex = 0;
    std::vector<std::pair<int, LineRun>> m_deferred; // page index, text waiting for its numbers
    size_t m_pageDeferred = 0; // those of earlier pages, already handed on
};

// Every field a text names must be a column of its query: a mistyped name fails here, with
// its line, instead of printing blank on every row.
int columnOf(const QString &file, const BodyRun &b, int query, const QString &field, SourcePos pos)
{
    const ReportRows &rs = *b.results[size_t(query)];
    const int c = rs.columnIndex(field);
    if (c < 0)
        throw ReportError(file, pos.line, pos.column,
            QStringLiteral("query \"%1\" returns no column \"%2\" (it returns: %3)")
                .arg(b.body.queries[query].name, field, rs.columnNames().join(QStringLiteral(", "))));
    return c;
}

void resolveBand(const QString &file, std::optional<Band> &band, const BodyRun &b)
{
    if (!band)
        return;
    for (Element &e : band->elements) {
        for (Segment &s : e.segments) {
            if (s.kind == Segment::Field || (s.kind == Segment::Aggregate && !s.field.isEmpty())) {
                s.column = columnOf(file, b, b.detail, s.kind == Segment::Field ? s.text : s.field, e.pos);
            } else if (s.kind == Segment::QueryField) {
                s.query = b.chosen.value(s.text.toLower(), -1);
                s.column = columnOf(file, b, s.query, s.field, e.pos);
            } else if (s.kind == Segment::Param) {
                s.query = b.body.paramIndex(s.text);
            }
        }
    }
}

QVariant convert(const QVariant &value, ParamType type, bool *ok)
{
    *ok = true;
    if (value.isNull())
        return QVariant();
    const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
    switch (type) {
    case ParamType::Text:
        if (value.typeId() == QMetaType::QDate)
            return data::formatMMDDYYYY(value.toDate());
        if (value.typeId() == QMetaType::QDateTime)
            return data::formatMMDDYYYY(value.toDateTime().date());
        if (value.typeId() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return data::variantText(value);
    case ParamType::Number: {
        if (isText) {
            if (value.toString().trimmed().isEmpty())
                return QVariant();
            const auto n = data::parseNumber(value.toString());
            *ok = n.has_value();
            return n ? QVariant(*n) : QVariant();
        }
        if (value.typeId() == QMetaType::Bool)
            return value.toBool() ? 1 : 0;
        if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong
            || value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULongLong)
            return value.toLongLong();
        const double d = value.toDouble(ok);
        *ok = *ok && std::isfinite(d);
        return d;
    }
    case ParamType::Date: {
        if (isText && value.toString().trimmed().isEmpty())
            return QVariant();
        const auto dt = data::dateTimeOf(value);
        if (!dt) {
            *ok = false;
            return QVariant();
        }
        return dt->time() == QTime(0, 0) ? QVariant(dt->date()) : QVariant(*dt);
    }
    }
    return QVariant();
}

// The variant of each query written for the connection's driver. A query without a driver is
// SQLite, the embedded database's dialect: sent to SQL Server it would fail with a syntax error
// far from its cause, so another driver gets only the variants written for it.
QHash<QString, int> chooseVariants(const ReportDefinition &def, const ReportBody &body, const QString &driver)
{
    const bool embedded = driver == QLatin1String("Embedded");
    QHash<QString, int> chosen;
    for (int qi = 0; qi < body.queries.size(); ++qi) {
        const QueryDef &q = body.queries[qi];
        const QString key = q.name.toLower();
        if (q.driver == driver || (embedded && q.driver.isEmpty() && !chosen.contains(key)))
            chosen[key] = qi;
    }
    for (const QueryDef &q : body.queries) {
        if (chosen.contains(q.name.toLower()))
            continue;
        const QString where = body.name.isEmpty() ? QString() : QStringLiteral(" of subreport %1").arg(body.name);
        throw ReportError(def.fileName, q.pos.line, q.pos.column,
            QStringLiteral("the report \"%1\" cannot run on the %2 driver: query \"%3\"%4 has no variant for it "
                           "(add a <query name=\"%3\" driver=\"%2\">)")
                .arg(def.title.isEmpty() ? def.fileName : def.title, driver, q.name, where));
    }
    return chosen;
}

QString typeName(ParamType t)
{
    return t == ParamType::Number ? QStringLiteral("number")
        : t == ParamType::Date    ? QStringLiteral("date")
                                  : QStringLiteral("text");
}

} // namespace

Report::Report(ReportDefinition definition) : m_def(std::move(definition))
{
    m_main.values = QVariantList(m_def.main.params.size());
    m_main.set = QList<bool>(m_def.main.params.size(), false);
    for (const ReportBody &sub : m_def.subreports)
        m_subs.append({ QVariantList(sub.params.size()), QList<bool>(sub.params.size(), false) });
}

void Report::assign(const ReportBody &body, Values &target, const QVariantList &values)
{
    const qsizetype n = std::min(values.size(), body.params.size());
    for (qsizetype i = 0; i < n; ++i) {
        const ParamDef &p = body.params[i];
        bool ok = false;
        const QVariant v = convert(values[i], p.type, &ok);
        if (!ok)
            throw ReportError(m_def.fileName, p.pos.line, p.pos.column,
                QStringLiteral("value %1 (\"%2\") for the %3 parameter %4 is not a %3")
                    .arg(i + 1)
                    .arg(values[i].toString(), typeName(p.type), p.name));
        target.values[i] = v;
        target.set[i] = true;
    }
}

void Report::setParameters(const QVariantList &values)
{
    assign(m_def.main, m_main, values);
    m_given = values;
}

void Report::setSubreportParameters(const QString &name, const QVariantList &values)
{
    const int i = m_def.subreportIndex(name);
    if (i < 0) {
        QStringList names;
        for (const ReportBody &sub : m_def.subreports)
            names.append(sub.name);
        throw ReportError(m_def.fileName, 0, 0,
            QStringLiteral("the report has no subreport named \"%1\" (it has: %2)")
                .arg(name, names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
    }
    assign(m_def.subreports[i], m_subs[i], values);
    m_givenSubs.insert(name, values);
}

struct PreparedReport::Data {
    ReportDefinition def; // with the page header and footer resolved against the report's rows
    ReportContext context;
    std::vector<BodyRun> bodies;
    // The main query while its rows are still being read, on the thread that ran the queries.
    std::unique_ptr<data::RowCursor> reading;
    std::shared_ptr<ReportRows> readingInto;
    QueryDef readingQuery;
};

PreparedReport::PreparedReport(std::unique_ptr<Data> data) : d(std::move(data)) { }

PreparedReport::~PreparedReport() = default;

namespace {

bool printsPageCount(const std::optional<Band> &band)
{
    if (!band)
        return false;
    for (const Element &e : band->elements)
        for (const Segment &s : e.segments)
            if (s.kind == Segment::Pages)
                return true;
    return false;
}

bool printsPageCount(const ReportBody &body)
{
    if (printsPageCount(body.reportHeader) || printsPageCount(body.detail) || printsPageCount(body.noRows)
        || printsPageCount(body.reportFooter))
        return true;
    for (const GroupDef &g : body.groups)
        if (printsPageCount(g.header) || printsPageCount(g.footer))
            return true;
    return false;
}

} // namespace

bool PreparedReport::printsPageCount() const
{
    if (reports::printsPageCount(d->def.pageHeader) || reports::printsPageCount(d->def.pageFooter))
        return true;
    for (const BodyRun &b : d->bodies)
        if (reports::printsPageCount(b.body))
            return true;
    return false;
}

std::shared_ptr<PageModel> PreparedReport::newModel() const
{
    auto model = std::make_shared<PageModel>();
    model->title = d->def.title;
    model->paperName = d->def.paperName;
    model->landscape = d->def.landscape;
    model->pageSize = d->def.pageSize;
    model->bodyBottom = Layout::bodyBottom(d->def);
    return model;
}

namespace {

// A failed read names the query and its place in the definition, as a failed statement does.
ReportError queryFailed(const QString &file, const QueryDef &q, const data::DbError &error)
{
    return ReportError(
        file, q.pos.line, q.pos.column, QStringLiteral("query \"%1\" failed: %2").arg(q.name, error.displayText()));
}

} // namespace

bool PreparedReport::readingRows() const
{
    return d->reading != nullptr;
}

bool PreparedReport::readRows(int budgetMs)
{
    if (!d->reading)
        return true;
    QElapsedTimer timer;
    timer.start();
    try {
        for (int n = 1;; ++n) {
            if (!d->reading->next()) {
                d->readingInto->finish();
                d->reading.reset();
                return true;
            }
            d->readingInto->append(*d->reading);
            if (n % 64 == 0 && timer.elapsed() >= budgetMs)
                break;
        }
    } catch (const data::DbError &error) {
        d->readingInto->fail(std::make_exception_ptr(queryFailed(d->def.fileName, d->readingQuery, error)));
        d->reading.reset();
        return true;
    } catch (...) {
        // Called between events: nothing may escape into the event loop.
        d->readingInto->fail(std::current_exception());
        d->reading.reset();
        return true;
    }
    d->readingInto->seal();
    return false;
}

void PreparedReport::readAllRows()
{
    if (!d->reading)
        return;
    const std::shared_ptr<ReportRows> rows = d->readingInto;
    readRows(std::numeric_limits<int>::max());
    rows->has(0); // rethrows what reading met
}

void PreparedReport::stopReading()
{
    if (!d->reading)
        return;
    d->reading.reset();
    d->readingInto->abandon();
}

int PreparedReport::countPages(const std::atomic<bool> *cancel)
{
    readAllRows();
    for (BodyRun &b : d->bodies)
        b.totals.clear();
    PageSink nowhere;
    Layout layout(d->def, d->context, nowhere, cancel, -1, Layout::Pass::Count);
    return layout.run(d->bodies);
}

int PreparedReport::layOut(PageSink &sink, const std::atomic<bool> *cancel, int knownPageCount)
{
    readAllRows();
    return layOutWhileReading(sink, cancel, knownPageCount);
}

int PreparedReport::layOutWhileReading(PageSink &sink, const std::atomic<bool> *cancel, int knownPageCount)
{
    // Each layout adds its totals up from the first row.
    for (BodyRun &b : d->bodies)
        b.totals.clear();
    Layout layout(d->def, d->context, sink, cancel, knownPageCount);
    return layout.run(d->bodies);
}

std::shared_ptr<const PageModel> Report::run(const ReportContext &context) const
{
    const auto prepared = prepare(context);
    auto model = prepared->newModel();
    prepared->layOut(*model);
    model->finish(PageModel::State::Complete);
    return model;
}

QVariantList Report::resolvedValues(const ReportBody &body, const Values &given) const
{
    QVariantList values = given.values;
    for (int i = 0; i < body.params.size(); ++i) {
        const ParamDef &p = body.params[i];
        if (given.set[i])
            continue;
        if (!p.defaultValue) {
            const auto count = std::count(given.set.cbegin(), given.set.cend(), true);
            throw ReportError(m_def.fileName, p.pos.line, p.pos.column,
                QStringLiteral("parameter %1 (number %2) has no value: %3 %4 given for %5 parameters")
                    .arg(p.name)
                    .arg(i + 1)
                    .arg(count)
                    .arg(count == 1 ? QStringLiteral("value was") : QStringLiteral("values were"))
                    .arg(body.params.size()));
        }
        bool ok = false;
        values[i] = convert(*p.defaultValue, p.type, &ok);
        if (!ok)
            throw ReportError(m_def.fileName, p.pos.line, p.pos.column,
                QStringLiteral("the default of parameter %1 is not a %2").arg(p.name, typeName(p.type)));
    }
    return values;
}

namespace {

// Every row of a cursor, read now.
std::shared_ptr<ReportRows> readWhole(data::RowCursor &cursor)
{
    auto rows = std::make_shared<ReportRows>(cursor.columns());
    while (cursor.next())
        rows->append(cursor);
    rows->finish();
    return rows;
}

// Resolves the body's bands against the columns its queries return.
void resolveBody(const QString &file, BodyRun &b)
{
    resolveBand(file, b.body.reportHeader, b);
    resolveBand(file, b.body.detail, b);
    resolveBand(file, b.body.noRows, b);
    resolveBand(file, b.body.reportFooter, b);
    for (GroupDef &g : b.body.groups) {
        resolveBand(file, g.header, b);
        resolveBand(file, g.footer, b);
        g.column = columnOf(file, b, b.detail, g.key, g.pos);
    }
}

} // namespace

// Runs the queries of one body. The main body's detail query, the one that may return a year
// of rows, is left open for its rows to be read as the layout goes; the others are read whole.
void Report::runQueries(
    BodyRun &b, const QString &driver, const ReportContext &context, PreparedReport::Data &out) const
{
    b.results.resize(size_t(b.body.queries.size()));
    b.chosen = chooseVariants(m_def, b.body, driver);
    if (b.body.detail)
        b.detail = b.chosen.value(b.body.detailQuery.toLower(), -1);
    for (int qi = 0; qi < b.body.queries.size(); ++qi) {
        const QueryDef &q = b.body.queries[qi];
        if (b.chosen.value(q.name.toLower(), -1) != qi)
            continue;
        data::Bindings bindings;
        for (const QString &name : q.parameters)
            bindings.append({ name, b.params[b.body.paramIndex(name)] });
        try {
            std::unique_ptr<data::RowCursor> cursor = context.connection->queryRows(q.sql, bindings);
            if (b.index == 0 && qi == b.detail) {
                b.results[size_t(qi)] = std::make_shared<ReportRows>(cursor->columns());
                out.reading = std::move(cursor);
                out.readingInto = b.results[size_t(qi)];
                out.readingQuery = q;
            } else {
                b.results[size_t(qi)] = readWhole(*cursor);
            }
        } catch (const data::DbError &error) {
            throw queryFailed(m_def.fileName, q, error);
        }
    }
}

std::shared_ptr<PreparedReport> Report::prepare(const ReportContext &context) const
{
    ensureReportFonts();
    if (!context.connection)
        throw ReportError(m_def.fileName, 0, 0, QStringLiteral("there is no database connection to run the report on"));
    const QString driver = context.connection->driverName();
    QList<const ReportBody *> sources { &m_def.main };
    for (const ReportBody &sub : m_def.subreports)
        sources.append(&sub);
    // Refused before any query runs, so a report never half runs on a driver it was not written for.
    for (const ReportBody *source : std::as_const(sources))
        chooseVariants(m_def, *source, driver);

    auto data = std::make_unique<PreparedReport::Data>();
    std::vector<BodyRun> bodies;
    for (int bi = 0; bi < sources.size(); ++bi) {
        BodyRun b;
        b.index = bi;
        b.body = *sources[bi];
        b.params = resolvedValues(b.body, bi == 0 ? m_main : m_subs[bi - 1]);
        runQueries(b, driver, context, *data);
        resolveBody(m_def.fileName, b);
        bodies.push_back(std::move(b));
    }

    // The page header and footer belong to the report and read its rows.
    data->def = m_def;
    data->def.main = bodies.front().body;
    resolveBand(m_def.fileName, data->def.pageHeader, bodies.front());
    resolveBand(m_def.fileName, data->def.pageFooter, bodies.front());
    data->context = context;
    // Every pass prints the same moment.
    if (!data->context.printedAt.isValid())
        data->context.printedAt = QDateTime::currentDateTime();
    data->bodies = std::move(bodies);
    return std::shared_ptr<PreparedReport>(new PreparedReport(std::move(data)));
}

} // namespace mss::reports
