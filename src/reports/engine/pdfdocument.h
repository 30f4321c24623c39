#pragma once

#include "engine/pagemodel.h"

#include <QByteArray>
#include <QList>
#include <QSizeF>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class QIODevice;

namespace mss::reports {

// The name a PDF of ours gives as the program that made it.
QString pdfCreator();

// A PDF written object by object as pages come: each page's drawing goes out compressed as soon
// as it is added, and only the fonts' used glyphs and the pages' page-count texts are kept until
// the end, when the fonts (cut down to those glyphs), the page tree and the cross-reference table
// are written. Pages are drawn in the device pixels Qt's engine drew them in at 1200 dpi, and
// text glyph by glyph with the advances and kerning pairs Qt's shaping gives the report fonts,
// rounded as it rounds them, so text sits where it sat, without shaping every text again.
class PdfDocument {
public:
    PdfDocument(QIODevice &device, const QString &title, QSizeF pageSize, const QList<FontSpec> &fonts);
    ~PdfDocument();
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    // Whether every font can be embedded as a TrueType font of its own (a font Qt draws from
    // outlines of another kind cannot).
    static bool canEmbed(const QList<FontSpec> &fonts);

    // `countTexts` print the page count as it reads meanwhile; setCountTexts gives them for good.
    void addPage(const Page &page, const std::vector<TextRun> &countTexts, const QList<FontSpec> &fonts);
    void setCountTexts(int page, const std::vector<TextRun> &texts);
    // Writes what the pages refer to and the document's tail; ReportError when the device fails.
    void finish();

    struct Face;
    struct FaceSize;

private:
    int sizeOf(const QList<FontSpec> &fonts, int index);
    void appendText(QByteArray &out, FaceSize &size, QStringView text);
    void appendTextRun(QByteArray &content, int &currentSize, double x, double y, QStringView text, int font,
        const QList<FontSpec> &fonts);
    void appendDeviceSpace(QByteArray &content) const;
    QByteArray countContent(const std::vector<TextRun> &texts, const QList<FontSpec> &fonts);
    int beginObject(int id = 0);
    void writeStream(const QByteArray &data, const QByteArray &extraKeys = {});
    void writeFace(Face &face, const QByteArray &baseFont);
    void write(const QByteArray &bytes);
    void flush();

    QIODevice &m_device;
    QString m_title;
    QSizeF m_pageSize;
    QByteArray m_buffer;
    qint64 m_written = 0;
    std::vector<qint64> m_offsets; // by object number; 0 not written yet
    std::vector<int> m_pageIds;
    std::vector<int> m_sizeOfFont; // by font index; -1 not resolved yet
    std::vector<std::unique_ptr<Face>> m_faces;
    std::vector<std::unique_ptr<FaceSize>> m_sizes;
    QList<FontSpec> m_fonts;
    struct PendingCount {
        int objectId = 0;
        std::vector<TextRun> texts;
    };
    std::map<int, PendingCount> m_pendingCounts; // by page
};

} // namespace mss::reports
