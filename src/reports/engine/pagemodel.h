#pragma once

#include "engine/reportdefinition.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QMutex>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringView>
#include <QWaitCondition>

#include <exception>
#include <memory>
#include <vector>

class QIODevice;
class QPainter;
class QPdfWriter;
class QTemporaryFile;

namespace mss::reports {

// A laid-out report: pages of positioned texts, lines and boxes, in points from the paper's
// top-left corner. Every output (preview, printer, PDF) paints the same pages, so they cannot
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

// One page as a small display list. A census page holds some four hundred texts; kept as
// strings of their own they cost more than the rows they came from, so a page keeps all its
// characters in one string and each text as a position and a slice of it.
class Page {
public:
    void addText(QPointF origin, QStringView text, int font);
    int textCount() const { return int(m_runs.size()); }
    TextRun text(int i) const;
    // A text without a copy of its characters, valid while the page lives and is not changed.
    struct TextView {
        double x = 0, y = 0;
        QStringView text;
        int font = 0;
    };
    TextView textView(int i) const;
    std::vector<TextRun> texts() const;

    std::vector<RuleItem> lines;
    std::vector<BoxItem> boxes;
    std::vector<PlacedBand> bands;

    // Paints the page on a painter whose device is set up with the report's page layout and no
    // margins. Coordinates are multiplied by the device's dpi/72; the painter is not scaled, so
    // point-sized fonts keep their size and a PDF keeps real text.
    void paint(QPainter &painter, const QList<FontSpec> &fonts) const;
    // The texts in reading order (top to bottom, left to right), one band line a line.
    QString readingText() const;

    // About what the page takes in memory, for deciding when pages go to disk.
    size_t bytes() const;
    // Gives back what its lists reserved while it was filled.
    void squeeze();
    void writeTo(QIODevice &out) const;
    static Page readFrom(QIODevice &in);

private:
    struct Run {
        double x = 0, y = 0; // as laid out: a float moves text by enough to change a PDF's columns
        quint32 offset = 0;
        quint16 length = 0;
        quint16 font = 0;
    };
    QString m_chars;
    std::vector<Run> m_runs;
};

// Takes pages as the layout finishes them. Texts that print the page count ({pages}) come
// apart from the page when the count is not known yet: first as they print meanwhile, then,
// once the last page is laid out, as they print for good.
class PageSink {
public:
    virtual ~PageSink();
    // The default forgets the page.
    virtual void addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts);
    virtual void setCountTexts(int page, std::vector<TextRun> texts);
};

// The pages of one report, filled by its layout (possibly on another thread) while windows read
// them. Pages past a memory budget go to a private temporary file that goes with the model.
class PageModel final : public PageSink {
public:
    enum class State { LayingOut, Complete, Failed, Cancelled };

    QString title;
    QString paperName; // "Letter", "Legal", "A4"
    bool landscape = false;
    QSizeF pageSize; // points, as printed
    double bodyBottom = 0; // points from the top: where the page footer begins

    PageModel();
    ~PageModel() override;
    PageModel(const PageModel &) = delete;
    PageModel &operator=(const PageModel &) = delete;

    QPageLayout pageLayout() const;

    int pageCount() const;
    State state() const;
    bool isComplete() const { return state() == State::Complete; }
    // A copy of the page with its page-count texts; ReportError when it cannot be read back
    // from disk.
    Page page(int index) const;
    QList<FontSpec> fonts() const;
    QFont font(int index) const;

    void paintPage(QPainter &painter, int index) const;
    QString pageText(int index) const;

    // Waits until the model has `count` pages or its layout has ended, whichever comes first.
    void waitForPages(int count) const;
    void waitUntilDone() const;

    // Pages kept in memory before later ones go to the temporary file.
    void setMemoryBudget(size_t bytes) { m_budget = bytes; }
    // Whether pages went to disk, and where: for tests that check the file goes too.
    QString spillFileName() const;
    size_t bytesInMemory() const;

    // --- filled by the layout ---
    void addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts) override;
    void setCountTexts(int page, std::vector<TextRun> texts) override;
    void finish(State state, std::exception_ptr error = {});
    // The failure that ended the layout, to be thrown again where it is reported.
    std::exception_ptr error() const;

private:
    struct Slot {
        std::shared_ptr<const Page> page; // null: on disk
        qint64 offset = 0;
        std::vector<TextRun> countTexts;
    };
    mutable QMutex m_mutex;
    mutable QWaitCondition m_changed;
    std::vector<Slot> m_pages;
    QList<FontSpec> m_fonts;
    State m_state = State::LayingOut;
    std::exception_ptr m_error;
    size_t m_budget = 4u << 20;
    size_t m_inMemory = 0;
    std::unique_ptr<QTemporaryFile> m_spill;
};

// Makes the report fonts known to Qt, once: the Liberation families, found in the program's
// "fonts" folder or where Debian installs them. Text then measures the same on every machine.
// Needs a QGuiApplication (the offscreen platform will do); without one throws ReportError.
void ensureReportFonts();

// Hands memory that a finished report freed back to the system. The C library keeps freed
// memory for the process by default, and a year's census frees tens of megabytes at once.
void returnFreedMemory();

// The paper of a report as a page layout without margins.
QPageLayout pageLayoutOf(const QString &paperName, bool landscape);

class PdfDocument;

// Writes pages to a PDF as they come, with the report's title; only the page being written is
// held. ReportError when the device cannot be written. The PDF is written directly, with the
// report fonts embedded; a report whose fonts are not the report fonts' files is painted through
// Qt's PDF engine at 1200 dpi instead.
class PdfPageSink final : public PageSink {
public:
    PdfPageSink(QIODevice &device, const QString &title, const QPageLayout &layout);
    ~PdfPageSink() override;
    void addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts) override;
    void setCountTexts(int page, std::vector<TextRun> texts) override;
    // Whether a report with these fonts may come without its page count, which the sink then
    // prints once the last page is laid out; otherwise the count must be known before page 1.
    static bool printsPageCountAtTheEnd(const QList<FontSpec> &fonts);
    // Ends the document; ReportError when it could not be completed.
    void finish();
    int pageCount() const { return m_pages; }

private:
    void startQtWriter();

    QIODevice &m_device;
    QString m_title;
    QPageLayout m_layout;
    std::unique_ptr<PdfDocument> m_document;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    int m_pages = 0;
};

// Writes every page of a complete model to a PDF file, replacing the file only when the whole
// document is written; ReportError on failure.
void writePdf(const PageModel &model, const QString &path);

} // namespace mss::reports
