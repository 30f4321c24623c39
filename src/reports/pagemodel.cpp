#include "pagemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace mss::reports {

namespace {

QPageSize pageSizeOf(const PageModel &model)
{
    if (model.paperName == QLatin1String("Legal"))
        return QPageSize(QPageSize::Legal);
    if (model.paperName == QLatin1String("A4"))
        return QPageSize(QPageSize::A4);
    return QPageSize(QPageSize::Letter);
}

} // namespace

QPageLayout PageModel::pageLayout() const
{
    return QPageLayout(pageSizeOf(*this), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QFont PageModel::font(int index) const
{
    return fonts.at(index).font();
}

void PageModel::paintPage(QPainter &painter, int index) const
{
    const Page &page = pages.at(size_t(index));
    const double sx = painter.device()->logicalDpiX() / 72.0;
    const double sy = painter.device()->logicalDpiY() / 72.0;
    auto rect = [&](const QRectF &r) { return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy); };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const BoxItem &b : page.boxes) {
        if (b.fill.isValid())
            painter.fillRect(rect(b.rect), b.fill);
        if (b.stroke) {
            painter.setPen(QPen(Qt::black, b.width * sx));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect(b.rect));
        }
    }
    for (const RuleItem &l : page.lines) {
        painter.setPen(QPen(Qt::black, l.width * sx, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(l.line.x1() * sx, l.line.y1() * sy), QPointF(l.line.x2() * sx, l.line.y2() * sy));
    }
    painter.setPen(Qt::black);
    int current = -1;
    std::vector<QFont> fontCache(size_t(fonts.size()));
    std::vector<bool> made(size_t(fonts.size()), false);
    for (const TextRun &t : page.texts) {
        if (t.font != current) {
            if (!made[size_t(t.font)]) {
                fontCache[size_t(t.font)] = font(t.font);
                made[size_t(t.font)] = true;
            }
            painter.setFont(fontCache[size_t(t.font)]);
            current = t.font;
        }
        painter.drawText(QPointF(t.origin.x() * sx, t.origin.y() * sy), t.text);
    }
    painter.restore();
}

QString PageModel::pageText(int index) const
{
    std::vector<const TextRun *> runs;
    for (const TextRun &t : pages.at(size_t(index)).texts)
        runs.push_back(&t);
    std::stable_sort(runs.begin(), runs.end(), [](const TextRun *a, const TextRun *b) {
        if (std::abs(a->origin.y() - b->origin.y()) > 0.5)
            return a->origin.y() < b->origin.y();
        return a->origin.x() < b->origin.x();
    });
    QString out;
    double y = -1e9;
    for (const TextRun *t : runs) {
        if (!out.isEmpty())
            out += std::abs(t->origin.y() - y) > 0.5 ? QLatin1Char('\n') : QLatin1Char(' ');
        out += t->text;
        y = t->origin.y();
    }
    return out;
}

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

void writePdf(const PageModel &model, const QString &path)
{
    ensureReportFonts();
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(model.pageLayout());
    writer.setTitle(model.title);
    writer.setCreator(QStringLiteral("Medical Social Service"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("The PDF file \"%1\" cannot be written.").arg(QDir::toNativeSeparators(path)));
    for (int i = 0; i < model.pageCount(); ++i) {
        if (i > 0)
            writer.newPage();
        model.paintPage(painter, i);
    }
    if (!painter.end())
        throw ReportError(
            QStringLiteral("The PDF file \"%1\" could not be completed.").arg(QDir::toNativeSeparators(path)));
}

} // namespace mss::reports
