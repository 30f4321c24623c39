#include "engine/pagemodel.h"

#include "engine/pdfdocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <optional>

namespace mss::reports {

// --- Page ------------------------------------------------------------------------------------

void Page::addText(QPointF origin, QStringView text, int font)
{
    // A text longer than a run can say is split; no band text comes near it.
    while (text.size() > 0xFFFF) {
        addText(origin, text.left(0xFFFF), font);
        text = text.mid(0xFFFF);
    }
    Run r;
    r.x = origin.x();
    r.y = origin.y();
    r.offset = quint32(m_chars.size());
    r.length = quint16(text.size());
    r.font = quint16(font);
    m_chars.append(text);
    m_runs.push_back(r);
}

TextRun Page::text(int i) const
{
    const Run &r = m_runs[size_t(i)];
    return { QPointF(r.x, r.y), m_chars.mid(r.offset, r.length), r.font };
}

Page::TextView Page::textView(int i) const
{
    const Run &r = m_runs[size_t(i)];
    return { r.x, r.y, QStringView(m_chars).mid(r.offset, r.length), r.font };
}

std::vector<TextRun> Page::texts() const
{
    std::vector<TextRun> out;
    out.reserve(m_runs.size());
    for (int i = 0; i < textCount(); ++i)
        out.push_back(text(i));
    return out;
}

size_t Page::bytes() const
{
    return sizeof(Page) + size_t(m_chars.capacity()) * sizeof(QChar) + m_runs.capacity() * sizeof(Run)
        + lines.capacity() * sizeof(RuleItem) + boxes.capacity() * sizeof(BoxItem)
        + bands.capacity() * sizeof(PlacedBand);
}

void Page::paint(QPainter &painter, const QList<FontSpec> &fonts) const
{
    const double sx = painter.device()->logicalDpiX() / 72.0;
    const double sy = painter.device()->logicalDpiY() / 72.0;
    auto rect = [&](const QRectF &r) { return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy); };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const BoxItem &b : boxes) {
        if (b.fill.isValid())
            painter.fillRect(rect(b.rect), b.fill);
        if (b.stroke) {
            painter.setPen(QPen(Qt::black, b.width * sx));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect(b.rect));
        }
    }
    for (const RuleItem &l : lines) {
        painter.setPen(QPen(Qt::black, l.width * sx, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(l.line.x1() * sx, l.line.y1() * sy), QPointF(l.line.x2() * sx, l.line.y2() * sy));
    }
    painter.setPen(Qt::black);
    int current = -1;
    std::vector<std::optional<QFont>> cache(size_t(fonts.size()));
    for (const Run &r : m_runs) {
        if (r.font != current) {
            auto &f = cache[r.font];
            if (!f)
                f = fonts.at(r.font).font();
            painter.setFont(*f);
            current = r.font;
        }
        // The page's own characters, without a copy: the text lives as long as the call.
        painter.drawText(
            QPointF(r.x * sx, r.y * sy), QString::fromRawData(m_chars.constData() + r.offset, qsizetype(r.length)));
    }
    painter.restore();
}

QString Page::readingText() const
{
    std::vector<const Run *> runs;
    runs.reserve(m_runs.size());
    for (const Run &r : m_runs)
        runs.push_back(&r);
    std::stable_sort(runs.begin(), runs.end(), [](const Run *a, const Run *b) {
        if (std::abs(a->y - b->y) > 0.5)
            return a->y < b->y;
        return a->x < b->x;
    });
    QString out;
    double y = -1e9;
    for (const Run *r : runs) {
        if (!out.isEmpty())
            out += std::abs(r->y - y) > 0.5 ? QLatin1Char('\n') : QLatin1Char(' ');
        out += QStringView(m_chars).mid(r->offset, r->length);
        y = r->y;
    }
    return out;
}

void Page::squeeze()
{
    m_chars.squeeze();
    m_runs.shrink_to_fit();
    lines.shrink_to_fit();
    boxes.shrink_to_fit();
    bands.shrink_to_fit();
}

namespace {

template <typename T> void writeVector(QIODevice &out, const std::vector<T> &v)
{
    const quint32 n = quint32(v.size());
    out.write(reinterpret_cast<const char *>(&n), sizeof n);
    out.write(reinterpret_cast<const char *>(v.data()), qint64(n * sizeof(T)));
}

template <typename T> bool readVector(QIODevice &in, std::vector<T> &v)
{
    quint32 n = 0;
    if (in.read(reinterpret_cast<char *>(&n), sizeof n) != sizeof n)
        return false;
    v.resize(n);
    return in.read(reinterpret_cast<char *>(v.data()), qint64(n * sizeof(T))) == qint64(n * sizeof(T));
}

// What goes to disk of lines, boxes and bands: plain numbers, so the records can be copied as
// they are. The file never leaves the process that wrote it.
struct StoredBox {
    double x, y, w, h, width;
    QRgb fill;
    bool filled, stroke;
};
struct StoredBand {
    double x, y, w, h;
    qint32 kind, body, level, row;
    bool continued;
};

} // namespace

void Page::writeTo(QIODevice &out) const
{
    const quint32 chars = quint32(m_chars.size());
    out.write(reinterpret_cast<const char *>(&chars), sizeof chars);
    out.write(reinterpret_cast<const char *>(m_chars.constData()), qint64(chars * sizeof(QChar)));
    writeVector(out, m_runs);
    std::vector<double> lineValues;
    lineValues.reserve(lines.size() * 5);
    for (const RuleItem &l : lines)
        lineValues.insert(lineValues.end(), { l.line.x1(), l.line.y1(), l.line.x2(), l.line.y2(), l.width });
    writeVector(out, lineValues);
    std::vector<StoredBox> boxValues;
    for (const BoxItem &b : boxes)
        boxValues.push_back({ b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height(), b.width,
            b.fill.isValid() ? b.fill.rgba() : 0, b.fill.isValid(), b.stroke });
    writeVector(out, boxValues);
    std::vector<StoredBand> bandValues;
    for (const PlacedBand &b : bands)
        bandValues.push_back({ b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height(), qint32(b.kind), b.body, b.level,
            b.row, b.continued });
    writeVector(out, bandValues);
}

Page Page::readFrom(QIODevice &in)
{
    Page p;
    quint32 chars = 0;
    bool ok = in.read(reinterpret_cast<char *>(&chars), sizeof chars) == sizeof chars;
    if (ok) {
        p.m_chars.resize(qsizetype(chars));
        ok = in.read(reinterpret_cast<char *>(p.m_chars.data()), qint64(chars * sizeof(QChar)))
            == qint64(chars * sizeof(QChar));
    }
    std::vector<double> lineValues;
    std::vector<StoredBox> boxValues;
    std::vector<StoredBand> bandValues;
    ok = ok && readVector(in, p.m_runs) && readVector(in, lineValues) && readVector(in, boxValues)
        && readVector(in, bandValues);
    if (!ok)
        throw ReportError(QStringLiteral("A page of the report could not be read back from its temporary file."));
    for (size_t i = 0; i + 4 < lineValues.size(); i += 5)
        p.lines.push_back(
            { QLineF(lineValues[i], lineValues[i + 1], lineValues[i + 2], lineValues[i + 3]), lineValues[i + 4] });
    for (const StoredBox &b : boxValues)
        p.boxes.push_back(
            { QRectF(b.x, b.y, b.w, b.h), b.width, b.filled ? QColor::fromRgba(b.fill) : QColor(), b.stroke });
    for (const StoredBand &b : bandValues) {
        PlacedBand band(BandKind(b.kind), b.body, b.level, b.row);
        band.continued = b.continued;
        band.rect = QRectF(b.x, b.y, b.w, b.h);
        p.bands.push_back(band);
    }
    return p;
}

// --- sinks -----------------------------------------------------------------------------------

PageSink::~PageSink() = default;

void PageSink::addPage(Page, std::vector<TextRun>, const QList<FontSpec> &) { }

void PageSink::setCountTexts(int, std::vector<TextRun>) { }

// --- PageModel -------------------------------------------------------------------------------

PageModel::PageModel() = default;

PageModel::~PageModel()
{
    {
        QMutexLocker lock(&m_mutex);
        m_pages.clear();
        m_spill.reset();
    }
    returnFreedMemory();
}

void returnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

QPageLayout pageLayoutOf(const QString &paperName, bool landscape)
{
    const QPageSize size = paperName == QLatin1String("Legal") ? QPageSize(QPageSize::Legal)
        : paperName == QLatin1String("A4")                     ? QPageSize(QPageSize::A4)
                                                               : QPageSize(QPageSize::Letter);
    return QPageLayout(
        size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QPageLayout PageModel::pageLayout() const
{
    return pageLayoutOf(paperName, landscape);
}

int PageModel::pageCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_pages.size());
}

PageModel::State PageModel::state() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

std::exception_ptr PageModel::error() const
{
    QMutexLocker lock(&m_mutex);
    return m_error;
}

QList<FontSpec> PageModel::fonts() const
{
    QMutexLocker lock(&m_mutex);
    return m_fonts;
}

QFont PageModel::font(int index) const
{
    return fonts().at(index).font();
}

Page PageModel::page(int index) const
{
    QMutexLocker lock(&m_mutex);
    const Slot &slot = m_pages.at(size_t(index));
    Page page;
    if (slot.page) {
        page = *slot.page;
    } else {
        if (!m_spill || !m_spill->seek(slot.offset))
            throw ReportError(QStringLiteral("A page of the report could not be read back from its temporary file."));
        page = Page::readFrom(*m_spill);
        m_spill->seek(m_spill->size());
    }
    for (const TextRun &t : slot.countTexts)
        page.addText(t.origin, t.text, t.font);
    return page;
}

void PageModel::paintPage(QPainter &painter, int index) const
{
    page(index).paint(painter, fonts());
}

QString PageModel::pageText(int index) const
{
    return page(index).readingText();
}

void PageModel::waitForPages(int count) const
{
    QMutexLocker lock(&m_mutex);
    while (int(m_pages.size()) < count && m_state == State::LayingOut)
        m_changed.wait(&m_mutex);
}

void PageModel::waitUntilDone() const
{
    QMutexLocker lock(&m_mutex);
    while (m_state == State::LayingOut)
        m_changed.wait(&m_mutex);
}

QString PageModel::spillFileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_spill ? m_spill->fileName() : QString();
}

size_t PageModel::bytesInMemory() const
{
    QMutexLocker lock(&m_mutex);
    return m_inMemory;
}

void PageModel::addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts)
{
    QMutexLocker lock(&m_mutex);
    if (fonts.size() != m_fonts.size())
        m_fonts = fonts;
    Slot slot;
    slot.countTexts = std::move(countTexts);
    page.squeeze();
    const size_t size = page.bytes();
    if (m_inMemory + size <= m_budget) {
        m_inMemory += size;
        slot.page = std::make_shared<const Page>(std::move(page));
    } else {
        if (!m_spill) {
            // Private to the user (QTemporaryFile creates it 0600) and removed with the model.
            m_spill
                = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("mss-report-XXXXXX.pages")));
            if (!m_spill->open())
                throw ReportError(
                    QStringLiteral("The report's pages do not fit in memory and the temporary file \"%1\" "
                                   "cannot be written: %2")
                        .arg(QDir::toNativeSeparators(m_spill->fileName()), m_spill->errorString()));
        }
        slot.offset = m_spill->pos();
        page.writeTo(*m_spill);
        if (m_spill->error() != QFileDevice::NoError)
            throw ReportError(QStringLiteral("The report's temporary file \"%1\" cannot be written: %2")
                                  .arg(QDir::toNativeSeparators(m_spill->fileName()), m_spill->errorString()));
    }
    m_pages.push_back(std::move(slot));
    m_changed.wakeAll();
}

void PageModel::setCountTexts(int page, std::vector<TextRun> texts)
{
    QMutexLocker lock(&m_mutex);
    m_pages.at(size_t(page)).countTexts = std::move(texts);
}

void PageModel::finish(State state, std::exception_ptr error)
{
    QMutexLocker lock(&m_mutex);
    m_state = state;
    m_error = std::move(error);
    m_changed.wakeAll();
}

// --- fonts -----------------------------------------------------------------------------------

void ensureReportFonts()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        throw ReportError(QStringLiteral("Reports are laid out with fonts, which need a graphical application "
                                         "(QGuiApplication; the offscreen platform will do)."));
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList folders = { QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"),
        QStringLiteral("/usr/share/fonts/truetype/liberation2"),
        QStringLiteral("/usr/share/fonts/truetype/liberation") };
    QStringList found;
    for (const QString &folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList({ QStringLiteral("Liberation*.ttf") }, QDir::Files);
        for (const QFileInfo &file : files) {
            if (found.contains(file.fileName()))
                continue;
            if (QFontDatabase::addApplicationFont(file.absoluteFilePath()) >= 0)
                found.append(file.fileName());
        }
    }
    if (found.isEmpty())
        qWarning(
            "The Liberation fonts were not found; reports use the nearest system fonts and may paginate differently.");
}

// --- PDF -------------------------------------------------------------------------------------

PdfPageSink::PdfPageSink(QIODevice &device, const QString &title, const QPageLayout &layout)
    : m_device(device), m_title(title), m_layout(layout)
{
    ensureReportFonts();
}

PdfPageSink::~PdfPageSink()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void PdfPageSink::startQtWriter()
{
    m_writer = std::make_unique<QPdfWriter>(&m_device);
    m_painter = std::make_unique<QPainter>();
    m_writer->setResolution(1200);
    m_writer->setPageLayout(m_layout);
    m_writer->setTitle(m_title);
    m_writer->setCreator(pdfCreator());
    if (!m_painter->begin(m_writer.get()))
        throw ReportError(QStringLiteral("The PDF cannot be written."));
}

void PdfPageSink::addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts)
{
    if (m_pages == 0) {
        // Qt's engine shapes every text and compresses slowly; it stays for fonts that are not
        // files we can embed ourselves.
        if (PdfDocument::canEmbed(fonts))
            m_document = std::make_unique<PdfDocument>(m_device, m_title, m_layout.fullRectPoints().size(), fonts);
        else
            startQtWriter();
    } else if (m_writer) {
        m_writer->newPage();
    }
    if (m_document) {
        m_document->addPage(page, countTexts, fonts);
    } else {
        // Qt's engine cannot go back to a page: the count must be known before the first one.
        if (!countTexts.empty())
            throw ReportError(QStringLiteral("The PDF cannot be written: the page count is not known yet."));
        page.paint(*m_painter, fonts);
    }
    ++m_pages;
}

void PdfPageSink::setCountTexts(int page, std::vector<TextRun> texts)
{
    if (m_document)
        m_document->setCountTexts(page, texts);
}

bool PdfPageSink::printsPageCountAtTheEnd(const QList<FontSpec> &fonts)
{
    return PdfDocument::canEmbed(fonts);
}

void PdfPageSink::finish()
{
    if (m_document) {
        m_document->finish();
        return;
    }
    // A report without pages still makes a readable file: one empty page, as Qt writes it.
    if (!m_painter)
        startQtWriter();
    if (!m_painter->end())
        throw ReportError(QStringLiteral("The PDF could not be completed."));
}

void writePdf(const PageModel &model, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("The PDF file \"%1\" cannot be written: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
    {
        PdfPageSink sink(file, model.title, model.pageLayout());
        const QList<FontSpec> fonts = model.fonts();
        for (int i = 0; i < model.pageCount(); ++i)
            sink.addPage(model.page(i), {}, fonts);
        sink.finish();
    }
    if (!file.commit())
        throw ReportError(QStringLiteral("The PDF file \"%1\" could not be completed: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace mss::reports
