// The report PDF written by our own writer against what Qt's PDF engine makes of the same page
// (the path the viewer's printing still takes): the same words at the same places, the same
// pixels, fonts embedded, and failures reported.

#include "engine/pagemodel.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace mss::reports;

namespace {

struct Word {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0;
};

QString toolOutput(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<Word> wordsOf(const QString &pdf)
{
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    std::vector<Word> words;
    const QString html = toolOutput(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") });
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back(
            { m.captured(4), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble() });
    }
    return words;
}

// Pixels that differ by more than anti-aliasing does, page by page at 100 dpi.
int pixelsApart(const QString &a, const QString &b, const QString &dir)
{
    const QString pa = dir + QStringLiteral("/a"), pb = dir + QStringLiteral("/b");
    toolOutput(
        QStringLiteral("pdftoppm"), { QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"), a, pa });
    toolOutput(
        QStringLiteral("pdftoppm"), { QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"), b, pb });
    int apart = 0;
    for (int page = 1;; ++page) {
        const QImage ia(pa + QStringLiteral("-%1.pgm").arg(page)), ib(pb + QStringLiteral("-%1.pgm").arg(page));
        if (ia.isNull() || ib.isNull())
            return ia.isNull() && ib.isNull() && page > 1 ? apart : -1;
        if (ia.size() != ib.size())
            return -1;
        for (int y = 0; y < ia.height(); ++y)
            for (int x = 0; x < ia.width(); ++x)
                if (std::abs(qGray(ia.pixel(x, y)) - qGray(ib.pixel(x, y))) > 77)
                    ++apart;
    }
}

// A device that takes nothing, as a full disk does.
class FullDevice : public QIODevice {
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override
    {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
};

} // namespace

class TestPdfDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pagesReadAndLookAsQtDrewThem();
    void fontsAreEmbeddedAndTheTitleKept();
    void aDeviceThatFailsIsReported();

private:
    // Two pages: the second brings a font the first did not use, as a subreport's band does.
    void addPages(PageSink &sink) const;
    void writeQtReference(const QString &path) const;

    QTemporaryDir m_dir;
    QList<FontSpec> m_fonts;
    QPageLayout m_layout = pageLayoutOf(QStringLiteral("Legal"), true);
};

void TestPdfDocument::initTestCase()
{
    ensureReportFonts();
    const QString family = QStringLiteral("Liberation Sans");
    m_fonts = { { family, 9, false, false }, { family, 13, true, false }, { family, 8.5, false, true } };
}

void TestPdfDocument::addPages(PageSink &sink) const
{
    Page first;
    // Kerning pairs (AV, Te, Yo, LT), letters beyond ASCII, figures aligned on the right.
    first.addText({ 36, 40 }, u"AVAILABLE WAVE Today: Yolanda LTD", 1);
    first.addText({ 36, 60 }, u"Peñafrancia, Nuñez — Ñino «Élan» café", 0);
    first.addText({ 36, 75 }, u"Fe/Fo, \"quoted\", 1,234,567.89 – 0.00", 0);
    for (int row = 0; row < 20; ++row) {
        const double y = 100 + row * 12;
        first.addText(
            { 36, y }, QStringLiteral("%1  DELA CRUZ, JUAN %2").arg(row + 1).arg(QChar(char16_t(u'A' + row))), 0);
        const QString amount = QStringLiteral("%1.%2").arg(1000 + row * 137).arg(row * 7 % 100, 2, 10, QChar(u'0'));
        first.addText({ 400 - amount.size() * 5.0, y }, amount, 0);
    }
    first.boxes.push_back({ QRectF(30, 90, 400, 250), 0.5, QColor(0xe6, 0xe6, 0xe6), true });
    first.boxes.push_back({ QRectF(30, 20, 400, 30), 1.0, QColor(), true });
    first.lines.push_back({ QLineF(30, 345.3, 430, 345.3), 0.5 });
    first.lines.push_back({ QLineF(30, 350.15, 430, 350.15), 1.0 });
    sink.addPage(std::move(first), {}, m_fonts.mid(0, 2));

    Page second;
    second.addText({ 36, 40 }, u"Page two in italic: WAVE AV", 2);
    second.addText({ 500, 40 }, u"Total", 1);
    second.lines.push_back({ QLineF(36, 44, 200, 44), 0.75 });
    sink.addPage(std::move(second), { { QPointF(700, 580), QStringLiteral("Page 2 of 2"), 0 } }, m_fonts);
}

void TestPdfDocument::writeQtReference(const QString &path) const
{
    // What the sink wrote before it wrote PDF itself: the page painted on Qt's PDF engine.
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(m_layout);
    QPainter painter(&writer);
    struct Painting : PageSink {
        QPdfWriter *writer = nullptr;
        QPainter *painter = nullptr;
        int pages = 0;
        void addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts) override
        {
            for (const TextRun &t : countTexts)
                page.addText(t.origin, t.text, t.font);
            if (pages++ > 0)
                writer->newPage();
            page.paint(*painter, fonts);
        }
    } painting;
    painting.writer = &writer;
    painting.painter = &painter;
    addPages(painting);
}

void TestPdfDocument::pagesReadAndLookAsQtDrewThem()
{
    const QString ours = m_dir.filePath(QStringLiteral("ours.pdf"));
    const QString qt = m_dir.filePath(QStringLiteral("qt.pdf"));
    {
        QFile file(ours);
        QVERIFY(file.open(QIODevice::WriteOnly));
        PdfPageSink sink(file, QStringLiteral("Census"), m_layout);
        addPages(sink);
        sink.finish();
    }
    writeQtReference(qt);

    const std::vector<Word> want = wordsOf(qt);
    const std::vector<Word> got = wordsOf(ours);
    QVERIFY(want.size() > 60);
    QCOMPARE(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        QCOMPARE(got[i].text, want[i].text);
        const QString where = QStringLiteral("%1: (%2, %3) was (%4, %5)")
                                  .arg(got[i].text)
                                  .arg(got[i].xMin)
                                  .arg(got[i].yMin)
                                  .arg(want[i].xMin)
                                  .arg(want[i].yMin);
        QVERIFY2(std::abs(got[i].xMin - want[i].xMin) < 0.005, qPrintable(where));
        QVERIFY2(std::abs(got[i].yMin - want[i].yMin) < 0.005, qPrintable(where));
        QVERIFY2(std::abs(got[i].xMax - want[i].xMax) < 0.01, qPrintable(where));
    }
    QCOMPARE(toolOutput(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), ours, QStringLiteral("-") }),
        toolOutput(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), qt, QStringLiteral("-") }));
    QCOMPARE(pixelsApart(qt, ours, m_dir.path()), 0);
}

void TestPdfDocument::fontsAreEmbeddedAndTheTitleKept()
{
    const QString pdf = m_dir.filePath(QStringLiteral("fonts.pdf"));
    const QString title = QStringLiteral("Censo de Pacientes – Niño «1»");
    {
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        PdfPageSink sink(file, title, m_layout);
        addPages(sink);
        sink.finish();
        QCOMPARE(sink.pageCount(), 2);
    }
    const QString info = toolOutput(QStringLiteral("pdfinfo"), { pdf });
    QVERIFY2(info.contains(QStringLiteral("Title:           ") + title), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Pages:           2")), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Page size:       1008 x 612 pts")), qPrintable(info));
    QVERIFY2(!info.contains(QStringLiteral("Error")), qPrintable(info));

    // One embedded font a face, the italic one too though it came with the second page.
    const QStringList fonts = toolOutput(QStringLiteral("pdffonts"), { pdf }).split(QLatin1Char('\n')).mid(2);
    QStringList faces;
    for (const QString &line : fonts) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList cols = line.simplified().split(QLatin1Char(' '));
        QVERIFY2(cols.size() >= 7 && cols.at(cols.size() - 5) == QStringLiteral("yes")
                && cols.at(cols.size() - 3) == QStringLiteral("yes"),
            qPrintable(line)); // embedded, with a ToUnicode map
        faces.append(cols.first().section(QLatin1Char('+'), 1));
    }
    faces.sort();
    QCOMPARE(faces,
        QStringList({ QStringLiteral("LiberationSans-Bold"), QStringLiteral("LiberationSans-Italic"),
            QStringLiteral("LiberationSans-Regular") }));
    // Ghostscript reads the file through without a complaint, where it is installed.
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (!gs.isEmpty()) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(gs,
            { QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                QStringLiteral("-sDEVICE=nullpage"), pdf });
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAll());
        QVERIFY2(p.exitCode() == 0 && !said.contains(QStringLiteral("rror")), qPrintable(said));
    }
}

void TestPdfDocument::aDeviceThatFailsIsReported()
{
    FullDevice device;
    QVERIFY(device.open(QIODevice::WriteOnly));
    PdfPageSink sink(device, QStringLiteral("Census"), m_layout);
    bool reported = false;
    try {
        addPages(sink);
        sink.finish();
    } catch (const ReportError &e) {
        reported = QString::fromUtf8(e.what()).contains(QStringLiteral("No space left on device"));
    }
    QVERIFY(reported);
}

QTEST_MAIN(TestPdfDocument)
#include "tst_pdfdocument.moc"
