#include "engine/pdfdocument.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QPointF>
#include <QRawFont>
#include <QRectF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace mss::reports {

namespace {

// Object numbers fixed before the pages: the pages point to their tree and resources, which are
// written last, once every page and font is known.
constexpr int catalogId = 1;
constexpr int pageTreeId = 2;
constexpr int resourcesId = 3;
constexpr int infoId = 4;
constexpr int firstFreeId = 5;

// The resolution Qt's engine drew reports at: positions and glyph sizes round to its pixels.
constexpr double deviceDpi = 1200;

// Content streams are compressed for speed: a fast level makes them a little larger, and a
// year's census has megabytes of them.
constexpr int contentLevel = 1;

quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    return quint16((quint8(b[at]) << 8) | quint8(b[at + 1]));
}

qint16 s16(const QByteArray &b, qsizetype at)
{
    return qint16(u16(b, at));
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return (quint32(u16(b, at)) << 16) | u16(b, at + 2);
}

void put16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v & 0xFF);
}

void append16(QByteArray &b, quint16 v)
{
    b.append(char(v >> 8));
    b.append(char(v & 0xFF));
}

void append32(QByteArray &b, quint32 v)
{
    append16(b, quint16(v >> 16));
    append16(b, quint16(v & 0xFFFF));
}

// A number as Qt's engine wrote it: nine digits in all, the rest cut off, so that a thin rule
// falls on the same device pixel in a reader that snaps strokes to pixels.
void appendNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value) || std::abs(value) > 4294967295.0) {
        out.append('0');
        return;
    }
    if (value < 0) {
        out.append('-');
        value = -value;
    }
    double whole = 0;
    const double frac = std::modf(value, &whole);
    auto integer = quint32(whole);
    auto fraction = qint64(frac * 1000000000);
    if (fraction == 1000000000) {
        ++integer;
        fraction = 0;
    }
    int digits = 9;
    if (integer == 0) {
        out.append('0');
    } else {
        const QByteArray text = QByteArray::number(integer);
        out.append(text);
        for (qsizetype i = 0; i < text.size(); ++i) {
            fraction /= 10;
            --digits;
        }
    }
    if (fraction == 0 || digits <= 0)
        return;
    char buffer[9];
    for (int i = digits - 1; i >= 0; --i) {
        buffer[i] = char('0' + fraction % 10);
        fraction /= 10;
    }
    while (digits > 0 && buffer[digits - 1] == '0')
        --digits;
    if (digits > 0) {
        out.append('.');
        out.append(buffer, digits);
    }
}

// A text adjustment in thousandths of an em: four decimals put a glyph within a thousandth of a
// pixel of where Qt put it.
void appendAdjustment(QByteArray &out, double value)
{
    long long v = std::llround(value * 10000);
    if (v < 0) {
        out.append('-');
        v = -v;
    }
    out.append(QByteArray::number(v / 10000));
    if (v % 10000 == 0)
        return;
    char buffer[4];
    long long frac = v % 10000;
    for (int i = 3; i >= 0; --i) {
        buffer[i] = char('0' + frac % 10);
        frac /= 10;
    }
    int n = 4;
    while (buffer[n - 1] == '0')
        --n;
    out.append('.');
    out.append(buffer, n);
}

void appendHex4(QByteArray &out, quint32 v)
{
    static const char hex[] = "0123456789ABCDEF";
    const char d[4] = { hex[(v >> 12) & 0xF], hex[(v >> 8) & 0xF], hex[(v >> 4) & 0xF], hex[v & 0xF] };
    out.append(d, 4);
}

// A text string in the document's information, as UTF-16 so that any title survives.
QByteArray textString(const QString &text)
{
    QByteArray out("<FEFF");
    for (QChar c : text)
        appendHex4(out, c.unicode());
    out.append('>');
    return out;
}

QByteArray compressed(const QByteArray &data, int level)
{
    // qCompress puts the length in front of a zlib stream; FlateDecode wants the stream alone.
    return qCompress(data, level).mid(4);
}

quint32 tableChecksum(const QByteArray &table)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i < table.size(); i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < table.size() ? quint8(table[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// The tables a PDF reader needs to draw a TrueType font's glyphs. The character map, names and
// glyph names are left out: the PDF maps its codes to glyphs itself and carries the characters
// in its ToUnicode map.
const std::array<const char *, 9> embeddedTables
    = { "cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep" };

} // namespace

QString pdfCreator()
{
    return QStringLiteral("Medical Social Service");
}

// A TrueType face as the PDF uses it: the tables it is drawn from, what its glyphs advance and
// kern, and which glyphs the document used and for which characters.
struct PdfDocument::Face {
    FontSpec style;
    QRawFont raw;
    int unitsPerEm = 1000;
    int objectId = 0, fileId = 0, descriptorId = 0, toUnicodeId = 0;
    QByteArray postScriptName;
    bool italic = false;
    double toThousandths = 1; // font units to the PDF's thousandths of an em
    QByteArray glyf, loca;
    bool longLoca = false;
    std::vector<quint16> advances; // font units, by glyph
    QHash<quint32, qint16> kerning; // (left << 16 | right) to font units
    std::vector<char32_t> unicodeOf; // by glyph; 0 while the glyph is unused
    std::vector<quint16> glyphOfBmp; // by character; 0xFFFF not looked up yet
    QHash<char32_t, quint16> glyphOfOther;

    bool load(const QRawFont &font)
    {
        raw = font;
        glyf = raw.fontTable("glyf");
        loca = raw.fontTable("loca");
        const QByteArray head = raw.fontTable("head");
        const QByteArray hhea = raw.fontTable("hhea");
        const QByteArray hmtx = raw.fontTable("hmtx");
        const QByteArray maxp = raw.fontTable("maxp");
        if (glyf.isEmpty() || loca.isEmpty() || head.size() < 54 || hhea.size() < 36 || maxp.size() < 6)
            return false;
        unitsPerEm = u16(head, 18);
        if (unitsPerEm == 0)
            return false;
        toThousandths = 1000.0 / unitsPerEm;
        longLoca = s16(head, 50) == 1;
        const int glyphs = u16(maxp, 4);
        const int metrics = std::max(1, int(u16(hhea, 34)));
        if ((longLoca ? 4 : 2) * (glyphs + 1) > loca.size() || hmtx.size() < 4 * metrics)
            return false;
        advances.resize(size_t(glyphs));
        for (int g = 0; g < glyphs; ++g)
            advances[size_t(g)] = u16(hmtx, 4 * std::min(g, metrics - 1));
        unicodeOf.assign(size_t(glyphs), 0);
        glyphOfBmp.assign(0x10000, 0xFFFF);
        loadKerning(raw.fontTable("kern"));
        italic = raw.style() != QFont::StyleNormal;
        QString name = raw.familyName() + QLatin1Char('-') + raw.styleName();
        postScriptName = name.remove(QLatin1Char(' ')).toLatin1();
        if (postScriptName.isEmpty())
            postScriptName = "Font";
        return true;
    }

    // The classic kerning table's horizontal pairs (format 0), which for the report fonts are
    // the pairs Qt's shaping applies.
    void loadKerning(const QByteArray &kern)
    {
        if (kern.size() < 4 || u16(kern, 0) != 0)
            return;
        qsizetype at = 4;
        for (int t = u16(kern, 2); t > 0 && at + 6 <= kern.size(); --t) {
            const int length = u16(kern, at + 2);
            const int coverage = u16(kern, at + 4);
            if ((coverage & 0xFF0F) == 0x0001) {
                const int pairs = u16(kern, at + 6);
                for (int p = 0; p < pairs; ++p) {
                    const qsizetype pair = at + 14 + 6 * qsizetype(p);
                    if (pair + 6 > kern.size())
                        break;
                    kerning.insert(u32(kern, pair), s16(kern, pair + 4));
                }
            }
            if (length <= 0)
                break;
            at += length;
        }
    }

    // A glyph's width as the font gives it to PDF readers: whole thousandths of an em.
    long width(quint16 glyph) const { return std::lround(advances[glyph] * toThousandths); }

    quint16 glyphOf(char32_t c)
    {
        if (c < 0x10000) {
            quint16 &g = glyphOfBmp[c];
            if (g == 0xFFFF)
                g = lookUp(c);
            return g;
        }
        auto it = glyphOfOther.find(c);
        if (it == glyphOfOther.end())
            it = glyphOfOther.insert(c, lookUp(c));
        return *it;
    }

    quint16 lookUp(char32_t c) const
    {
        const char32_t chars[1] = { c };
        const QString text = QString::fromUcs4(chars, 1);
        quint32 glyphs[2] = { 0, 0 };
        int count = 2;
        if (!raw.glyphIndexesForChars(text.constData(), int(text.size()), glyphs, &count) || count < 1)
            return 0;
        return glyphs[0] < advances.size() ? quint16(glyphs[0]) : 0;
    }

    std::pair<qsizetype, qsizetype> glyphData(quint32 g) const
    {
        const qsizetype from = longLoca ? qsizetype(u32(loca, 4 * g)) : 2 * qsizetype(u16(loca, 2 * g));
        const qsizetype to = longLoca ? qsizetype(u32(loca, 4 * g + 4)) : 2 * qsizetype(u16(loca, 2 * g + 2));
        if (from > to || to > glyf.size())
            return { 0, 0 };
        return { from, to - from };
    }

    // The used glyphs and the glyphs they are composed of.
    std::set<quint32> usedGlyphs() const
    {
        std::set<quint32> used { 0 };
        std::vector<quint32> pending;
        for (size_t g = 0; g < unicodeOf.size(); ++g)
            if (unicodeOf[g] != 0)
                pending.push_back(quint32(g));
        while (!pending.empty()) {
            const quint32 g = pending.back();
            pending.pop_back();
            if (!used.insert(g).second)
                continue;
            const auto [from, size] = glyphData(g);
            if (size < 10 || s16(glyf, from) >= 0)
                continue;
            qsizetype at = from + 10;
            for (;;) {
                const quint16 flags = u16(glyf, at);
                const quint16 component = u16(glyf, at + 2);
                if (component < advances.size() && !used.count(component))
                    pending.push_back(component);
                at += 4 + ((flags & 0x0001) ? 4 : 2);
                if (flags & 0x0008)
                    at += 2;
                else if (flags & 0x0040)
                    at += 4;
                else if (flags & 0x0080)
                    at += 8;
                if (!(flags & 0x0020) || at + 4 > from + size)
                    break;
            }
        }
        return used;
    }

    // The font file with every unused glyph emptied: glyph numbers stay as they are, so the
    // pages' text needs no mapping, and the file shrinks to the glyphs a report prints.
    QByteArray subsetFile() const
    {
        const std::set<quint32> used = usedGlyphs();
        // Glyphs past the last used one go altogether; a report's letters come early in a font.
        const quint32 glyphCount = *used.rbegin() + 1;
        QByteArray newGlyf;
        QByteArray newLoca;
        for (quint32 g = 0; g < glyphCount; ++g) {
            append32(newLoca, quint32(newGlyf.size()));
            if (used.count(g)) {
                const auto [from, size] = glyphData(g);
                newGlyf.append(glyf.constData() + from, size);
                while (newGlyf.size() % 4)
                    newGlyf.append('\0');
            }
        }
        append32(newLoca, quint32(newGlyf.size()));

        std::vector<std::pair<QByteArray, QByteArray>> tables;
        for (const char *tag : embeddedTables) {
            QByteArray table;
            if (std::strcmp(tag, "glyf") == 0)
                table = newGlyf;
            else if (std::strcmp(tag, "loca") == 0)
                table = newLoca;
            else
                table = raw.fontTable(tag);
            if (std::strcmp(tag, "head") == 0) {
                put16(table, 50, 1); // the new loca has long offsets
                put16(table, 8, 0); // the checksum adjustment, recomputed below
                put16(table, 10, 0);
            } else if (std::strcmp(tag, "maxp") == 0) {
                put16(table, 4, quint16(glyphCount));
            } else if (std::strcmp(tag, "hhea") == 0) {
                put16(table, 34, quint16(std::min<quint32>(glyphCount, std::max(1, int(u16(table, 34))))));
            } else if (std::strcmp(tag, "hmtx") == 0) {
                const quint32 metrics = std::min<quint32>(glyphCount, std::max(1, int(u16(raw.fontTable("hhea"), 34))));
                table.truncate(std::min(table.size(), qsizetype(4 * metrics + 2 * (glyphCount - metrics))));
            }
            if (!table.isEmpty())
                tables.emplace_back(QByteArray(tag), table);
        }
        const int count = int(tables.size());
        int power = 1, log2 = 0;
        while (power * 2 <= count) {
            power *= 2;
            ++log2;
        }
        QByteArray file;
        append32(file, 0x00010000);
        append16(file, quint16(count));
        append16(file, quint16(power * 16));
        append16(file, quint16(log2));
        append16(file, quint16(count * 16 - power * 16));
        qsizetype offset = 12 + 16 * count;
        qsizetype headOffset = 0;
        for (const auto &[tag, table] : tables) {
            file.append(tag);
            append32(file, tableChecksum(table));
            append32(file, quint32(offset));
            append32(file, quint32(table.size()));
            if (tag == "head")
                headOffset = offset;
            offset += (table.size() + 3) / 4 * 4;
        }
        for (const auto &[tag, table] : tables) {
            file.append(table);
            while (file.size() % 4)
                file.append('\0');
        }
        const quint32 adjustment = 0xB1B0AFBAu - tableChecksum(file);
        put16(file, headOffset + 8, quint16(adjustment >> 16));
        put16(file, headOffset + 10, quint16(adjustment & 0xFFFF));
        return file;
    }
};

// A face at one size in whole device pixels, where its advances round as Qt rounds them.
struct PdfDocument::FaceSize {
    int face = 0;
    int ppem = 0;
    QRawFont raw;
    std::vector<double> advances; // device pixels, by glyph; negative until asked for

    double advanceOf(quint16 glyph)
    {
        double &advance = advances[glyph];
        if (advance < 0) {
            const quint32 index = glyph;
            QPointF pixels;
            advance = raw.advancesForGlyphIndexes(&index, &pixels, 1) ? pixels.x() : 0;
        }
        return advance;
    }
};

PdfDocument::PdfDocument(QIODevice &device, const QString &title, QSizeF pageSize, const QList<FontSpec> &fonts)
    : m_device(device), m_title(title), m_pageSize(pageSize), m_offsets(firstFreeId, 0)
{
    m_sizeOfFont.assign(size_t(fonts.size()), -1);
    // The binary comment tells transfer programs the file is not text.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PdfDocument::~PdfDocument() = default;

bool PdfDocument::canEmbed(const QList<FontSpec> &fonts)
{
    for (const FontSpec &wanted : fonts) {
        const QRawFont raw = QRawFont::fromFont(wanted.font());
        if (!raw.isValid() || raw.fontTable("glyf").isEmpty())
            return false;
    }
    return true;
}

int PdfDocument::sizeOf(const QList<FontSpec> &fonts, int index)
{
    if (size_t(index) >= m_sizeOfFont.size())
        m_sizeOfFont.resize(size_t(std::max(qsizetype(index + 1), fonts.size())), -1);
    int &found = m_sizeOfFont[size_t(index)];
    if (found >= 0)
        return found;
    FontSpec wanted = fonts.at(index);
    // Qt draws at whole device pixels per em; its glyphs' size and advances follow from it.
    const int ppem = qRound(wanted.size * deviceDpi / 72.0);
    int face = -1;
    for (size_t i = 0; i < m_faces.size() && face < 0; ++i)
        if (m_faces[i]->style.family == wanted.family && m_faces[i]->style.bold == wanted.bold
            && m_faces[i]->style.italic == wanted.italic)
            face = int(i);
    if (face < 0) {
        auto loaded = std::make_unique<Face>();
        loaded->style = wanted;
        if (!loaded->load(QRawFont::fromFont(wanted.font()))) {
            // A font added after the first page that cannot be embedded (outlines other than
            // TrueType's): its texts print in the report font of the same weight and slant.
            FontSpec substitute = wanted;
            substitute.family = QStringLiteral("Liberation Sans");
            if (!loaded->load(QRawFont::fromFont(substitute.font())))
                throw ReportError(QStringLiteral("The PDF cannot be written: the font \"%1\" cannot be embedded.")
                                      .arg(wanted.family));
        }
        m_faces.push_back(std::move(loaded));
        face = int(m_faces.size()) - 1;
    }
    for (size_t i = 0; i < m_sizes.size(); ++i)
        if (m_sizes[i]->face == face && m_sizes[i]->ppem == ppem)
            return found = int(i);
    auto size = std::make_unique<FaceSize>();
    size->face = face;
    size->ppem = ppem;
    size->raw = m_faces[size_t(face)]->raw;
    size->raw.setPixelSize(ppem);
    size->advances.assign(m_faces[size_t(face)]->advances.size(), -1);
    m_sizes.push_back(std::move(size));
    return found = int(m_sizes.size()) - 1;
}

void PdfDocument::appendText(QByteArray &out, FaceSize &size, QStringView text)
{
    Face &face = *m_faces[size_t(size.face)];
    out.append("[<");
    int previous = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const quint16 g = face.glyphOf(c);
        if (previous >= 0) {
            // Where Qt's shaping puts this glyph, in 64ths of a device pixel: the previous
            // glyph's advance at this size and the pair's kerning. The font's widths are whole
            // thousandths of an em, so the difference goes in as an adjustment.
            double pixels = size.advanceOf(quint16(previous));
            const auto kern = face.kerning.constFind((quint32(previous) << 16) | g);
            if (kern != face.kerning.constEnd())
                pixels += std::round(*kern * size.ppem * 64.0 / face.unitsPerEm) / 64.0;
            const double adjustment = face.width(quint16(previous)) - pixels * 1000.0 / size.ppem;
            if (std::abs(adjustment) >= 0.00005) {
                out.append('>');
                appendAdjustment(out, adjustment);
                out.append('<');
            }
        }
        if (face.unicodeOf[g] == 0 && g != 0)
            face.unicodeOf[g] = c;
        appendHex4(out, g);
        previous = g;
    }
    out.append(">]TJ\n");
}

void PdfDocument::appendDeviceSpace(QByteArray &content) const
{
    // Each content stream of a page keeps its state to itself: the texts that print the page
    // count come in a stream of their own.
    content.append("q 0.06 0 0 -0.06 0 ");
    appendNumber(content, m_pageSize.height());
    content.append(" cm\n");
}

void PdfDocument::appendTextRun(
    QByteArray &content, int &currentSize, double x, double y, QStringView text, int font, const QList<FontSpec> &fonts)
{
    if (text.isEmpty())
        return;
    const double k = deviceDpi / 72.0;
    const int size = sizeOf(fonts, font);
    if (size != currentSize) {
        currentSize = size;
        content.append("/F");
        content.append(QByteArray::number(m_sizes[size_t(size)]->face));
        content.append(' ');
        content.append(QByteArray::number(m_sizes[size_t(size)]->ppem));
        content.append(" Tf\n");
    }
    // The origin as Qt keeps it, in 64ths of a pixel; glyphs upright in the flipped space.
    content.append("1 0 0 -1 ");
    appendNumber(content, std::floor(x * k * 64) / 64);
    content.append(' ');
    appendNumber(content, std::floor(y * k * 64) / 64);
    content.append(" Tm");
    appendText(content, *m_sizes[size_t(size)], text);
}

QByteArray PdfDocument::countContent(const std::vector<TextRun> &texts, const QList<FontSpec> &fonts)
{
    QByteArray content;
    appendDeviceSpace(content);
    content.append("0 g\nBT\n");
    int current = -1;
    for (const TextRun &t : texts)
        appendTextRun(content, current, t.origin.x(), t.origin.y(), t.text, t.font, fonts);
    content.append("ET\nQ\n");
    return content;
}

void PdfDocument::addPage(const Page &page, const std::vector<TextRun> &countTexts, const QList<FontSpec> &fonts)
{
    m_fonts = fonts;
    // Drawn in device pixels with y down, as Qt's engine draws at this resolution, so that every
    // position rounds as it did there.
    const double k = deviceDpi / 72.0;
    QByteArray content;
    content.reserve(32 * 1024);
    appendDeviceSpace(content);
    QColor fill;
    for (const BoxItem &b : page.boxes) {
        const QRectF r(b.rect.x() * k, b.rect.y() * k, b.rect.width() * k, b.rect.height() * k);
        auto appendRect = [&] {
            for (double v : { r.x(), r.y(), r.width(), r.height() }) {
                appendNumber(content, v);
                content.append(' ');
            }
            content.append("re ");
        };
        if (b.fill.isValid()) {
            if (b.fill != fill) {
                fill = b.fill;
                for (double part : { fill.redF(), fill.greenF(), fill.blueF() }) {
                    appendNumber(content, part);
                    content.append(' ');
                }
                content.append("rg\n");
            }
            appendRect();
            content.append("f\n");
        }
        if (b.stroke) {
            // Qt's pens join corners bevelled.
            appendNumber(content, b.width * k);
            content.append(" w 2 j ");
            appendRect();
            content.append("S\n");
        }
    }
    for (const RuleItem &l : page.lines) {
        appendNumber(content, l.width * k);
        content.append(" w 0 J ");
        appendNumber(content, l.line.x1() * k);
        content.append(' ');
        appendNumber(content, l.line.y1() * k);
        content.append(" m ");
        appendNumber(content, l.line.x2() * k);
        content.append(' ');
        appendNumber(content, l.line.y2() * k);
        content.append(" l S\n");
    }
    if (page.textCount() > 0) {
        content.append("0 g\nBT\n");
        int current = -1;
        for (int i = 0; i < page.textCount(); ++i) {
            const Page::TextView t = page.textView(i);
            appendTextRun(content, current, t.x, t.y, t.text, t.font, fonts);
        }
        content.append("ET\n");
    }
    content.append("Q\n");

    const int contentId = beginObject();
    writeStream(compressed(content, contentLevel), "/Filter /FlateDecode");
    // Texts that print the page count go in a stream written when the count is known; until
    // then only they are kept, not the page.
    int countId = 0;
    if (!countTexts.empty()) {
        countId = int(m_offsets.size());
        m_offsets.push_back(0);
        m_pendingCounts.emplace(int(m_pageIds.size()), PendingCount { countId, countTexts });
    }
    const int pageId = beginObject();
    QByteArray object("<< /Type /Page /Parent 2 0 R /Resources 3 0 R /MediaBox [0 0 ");
    appendNumber(object, m_pageSize.width());
    object.append(' ');
    appendNumber(object, m_pageSize.height());
    object.append("] /Contents ");
    if (countId != 0)
        object.append("[" + QByteArray::number(contentId) + " 0 R " + QByteArray::number(countId) + " 0 R]");
    else
        object.append(QByteArray::number(contentId) + " 0 R");
    object.append(" >>\nendobj\n");
    write(object);
    m_pageIds.push_back(pageId);
    if (m_buffer.size() > (1 << 20))
        flush();
}

int PdfDocument::beginObject(int id)
{
    if (id == 0) {
        id = int(m_offsets.size());
        m_offsets.push_back(0);
    }
    m_offsets[size_t(id)] = m_written + m_buffer.size();
    write(QByteArray::number(id) + " 0 obj\n");
    return id;
}

void PdfDocument::writeStream(const QByteArray &data, const QByteArray &extraKeys)
{
    QByteArray head("<< /Length ");
    head.append(QByteArray::number(data.size()));
    if (!extraKeys.isEmpty()) {
        head.append(' ');
        head.append(extraKeys);
    }
    head.append(" >>\nstream\n");
    write(head);
    write(data);
    write("\nendstream\nendobj\n");
}

void PdfDocument::writeFace(Face &face, const QByteArray &baseFont)
{
    const QByteArray file = face.subsetFile();
    face.fileId = beginObject();
    writeStream(compressed(file, 6), "/Filter /FlateDecode /Length1 " + QByteArray::number(file.size()));

    const double k = face.toThousandths;
    const QByteArray head = face.raw.fontTable("head");
    const QByteArray hhea = face.raw.fontTable("hhea");
    const QByteArray os2 = face.raw.fontTable("OS/2");
    const QByteArray post = face.raw.fontTable("post");
    face.descriptorId = beginObject();
    QByteArray d("<< /Type /FontDescriptor /FontName /");
    d.append(baseFont);
    d.append(" /Flags ");
    d.append(QByteArray::number(face.italic ? 32 + 64 : 32));
    d.append(" /FontBBox [");
    for (int at : { 36, 38, 40, 42 }) {
        d.append(' ');
        appendNumber(d, s16(head, at) * k);
    }
    d.append(" ] /ItalicAngle ");
    appendNumber(d, post.size() >= 8 ? qint32(u32(post, 4)) / 65536.0 : 0.0);
    d.append(" /Ascent ");
    appendNumber(d, s16(hhea, 4) * k);
    d.append(" /Descent ");
    appendNumber(d, s16(hhea, 6) * k);
    d.append(" /CapHeight ");
    appendNumber(d, (os2.size() >= 90 && u16(os2, 0) >= 2 ? s16(os2, 88) : s16(hhea, 4)) * k);
    d.append(" /StemV 80 /FontFile2 ");
    d.append(QByteArray::number(face.fileId));
    d.append(" 0 R >>\nendobj\n");
    write(d);

    // What each glyph stands for, so that text extraction reads the characters.
    QByteArray cmap;
    QByteArray block;
    int mapped = 0;
    auto endBlock = [&] {
        if (mapped == 0)
            return;
        cmap.append(QByteArray::number(mapped) + " beginbfchar\n" + block + "endbfchar\n");
        block.clear();
        mapped = 0;
    };
    for (size_t g = 0; g < face.unicodeOf.size(); ++g) {
        const char32_t c = face.unicodeOf[g];
        if (c == 0)
            continue;
        block.append('<');
        appendHex4(block, quint32(g));
        block.append("> <");
        const char32_t chars[1] = { c };
        for (QChar unit : QString::fromUcs4(chars, 1))
            appendHex4(block, unit.unicode());
        block.append(">\n");
        if (++mapped == 100)
            endBlock();
    }
    endBlock();
    const QByteArray toUnicode = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                                 "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                                 "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                                 "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
        + cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    face.toUnicodeId = beginObject();
    writeStream(compressed(toUnicode, contentLevel), "/Filter /FlateDecode");

    QByteArray widths("[");
    for (size_t g = 0; g < face.unicodeOf.size(); ++g) {
        if (g != 0 && face.unicodeOf[g] == 0)
            continue;
        widths.append(QByteArray::number(qulonglong(g)));
        widths.append(" [");
        widths.append(QByteArray::number(qlonglong(face.width(quint16(g)))));
        widths.append("] ");
    }
    widths.append(']');
    const int cidFontId = beginObject();
    QByteArray cid("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /");
    cid.append(baseFont);
    cid.append(" /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ");
    cid.append(QByteArray::number(face.descriptorId));
    cid.append(" 0 R /CIDToGIDMap /Identity /W ");
    cid.append(widths);
    cid.append(" >>\nendobj\n");
    write(cid);

    beginObject(face.objectId);
    QByteArray type0("<< /Type /Font /Subtype /Type0 /BaseFont /");
    type0.append(baseFont);
    type0.append(" /Encoding /Identity-H /DescendantFonts [");
    type0.append(QByteArray::number(cidFontId));
    type0.append(" 0 R] /ToUnicode ");
    type0.append(QByteArray::number(face.toUnicodeId));
    type0.append(" 0 R >>\nendobj\n");
    write(type0);
}

void PdfDocument::setCountTexts(int page, const std::vector<TextRun> &texts)
{
    const auto it = m_pendingCounts.find(page);
    if (it == m_pendingCounts.end())
        return;
    beginObject(it->second.objectId);
    writeStream(compressed(countContent(texts, m_fonts), contentLevel), "/Filter /FlateDecode");
    m_pendingCounts.erase(it);
    if (m_buffer.size() > (1 << 20))
        flush();
}

void PdfDocument::finish()
{
    // A count never given (the layout did not get to it) prints as it did meanwhile.
    while (!m_pendingCounts.empty()) {
        const auto &[page, pending] = *m_pendingCounts.begin();
        setCountTexts(page, pending.texts);
    }

    QByteArray resources("<< /ProcSet [/PDF /Text] /Font <<");
    for (size_t i = 0; i < m_faces.size(); ++i) {
        Face &face = *m_faces[i];
        face.objectId = int(m_offsets.size());
        m_offsets.push_back(0);
        resources.append(" /F" + QByteArray::number(qulonglong(i)) + ' ' + QByteArray::number(face.objectId) + " 0 R");
    }
    resources.append(" >> >>\nendobj\n");
    for (size_t i = 0; i < m_faces.size(); ++i) {
        // A subset's name starts with six capitals of its own.
        const QByteArray baseFont = "MSSAA" + QByteArray(1, char('A' + i % 26)) + '+' + m_faces[i]->postScriptName;
        writeFace(*m_faces[i], baseFont);
    }
    beginObject(resourcesId);
    write(resources);
    beginObject(pageTreeId);
    QByteArray tree("<< /Type /Pages /Count ");
    tree.append(QByteArray::number(qulonglong(m_pageIds.size())));
    tree.append(" /Kids [");
    for (size_t i = 0; i < m_pageIds.size(); ++i) {
        tree.append(i % 16 == 0 ? '\n' : ' ');
        tree.append(QByteArray::number(m_pageIds[i]) + " 0 R");
    }
    tree.append("\n] >>\nendobj\n");
    write(tree);

    beginObject(catalogId);
    write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");

    beginObject(infoId);
    const QString now = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    write("<< /Title " + textString(m_title) + " /Creator " + textString(pdfCreator()) + " /Producer "
        + textString(pdfCreator()) + " /CreationDate (D:" + now.toLatin1() + "Z) >>\nendobj\n");

    const qint64 xref = m_written + m_buffer.size();
    QByteArray table("xref\n0 ");
    table.append(QByteArray::number(qulonglong(m_offsets.size())));
    table.append("\n0000000000 65535 f \n");
    for (size_t id = 1; id < m_offsets.size(); ++id) {
        table.append(QByteArray::number(m_offsets[id]).rightJustified(10, '0'));
        table.append(" 00000 n \n");
    }
    table.append("trailer\n<< /Size ");
    table.append(QByteArray::number(qulonglong(m_offsets.size())));
    table.append(" /Root 1 0 R /Info 4 0 R >>\nstartxref\n");
    table.append(QByteArray::number(xref));
    table.append("\n%%EOF\n");
    write(table);
    flush();
}

void PdfDocument::write(const QByteArray &bytes)
{
    m_buffer.append(bytes);
}

void PdfDocument::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (m_device.write(m_buffer) != m_buffer.size())
        throw ReportError(QStringLiteral("The PDF cannot be written: %1").arg(m_device.errorString()));
    m_written += m_buffer.size();
    m_buffer.truncate(0);
}

} // namespace mss::reports
