#include "engine/reportfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <optional>

namespace mss::reports {

QString resolveReportPath(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool unc = p.startsWith(QLatin1String("//"));
    static const QRegularExpression doubled(QStringLiteral("/{2,}"));
    p.replace(doubled, QStringLiteral("/"));
    if (unc)
        p.prepend(QLatin1Char('/'));
    if (QFileInfo(p).isFile())
        return p;
    // Callers spell some names with another letter case ("….RPT"); on a file system that
    // tells cases apart the file is still the one they mean.
    const QFileInfo info(p);
    const QDir dir = info.dir();
    if (dir.exists()) {
        const QStringList entries = dir.entryList(QDir::Files);
        for (const QString &entry : entries)
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
    }
    return p;
}

Report openReportFile(const QString &file, const QVariantList &values)
{
    const QString path = resolveReportPath(file);
    if (!QFileInfo(path).isFile())
        throw ReportError(QFileInfo(path).fileName(), 0, 0,
            QStringLiteral("the report file does not exist: %1").arg(QDir::toNativeSeparators(path)));
    Report report(loadDefinition(path));
    report.setParameters(values);
    return report;
}

namespace {

void addFontsOf(const std::optional<Band> &band, QList<FontSpec> &fonts)
{
    if (!band)
        return;
    for (const Element &e : band->elements)
        if (e.kind == Element::Text && !fonts.contains(e.font))
            fonts.append(e.font);
}

// Every font a definition's texts may print in.
QList<FontSpec> fontsOf(const ReportDefinition &def)
{
    QList<FontSpec> fonts;
    addFontsOf(def.pageHeader, fonts);
    addFontsOf(def.pageFooter, fonts);
    QList<const ReportBody *> bodies { &def.main };
    for (const ReportBody &sub : def.subreports)
        bodies.append(&sub);
    for (const ReportBody *body : bodies) {
        addFontsOf(body->reportHeader, fonts);
        addFontsOf(body->detail, fonts);
        addFontsOf(body->noRows, fonts);
        addFontsOf(body->reportFooter, fonts);
        for (const GroupDef &g : body->groups) {
            addFontsOf(g.header, fonts);
            addFontsOf(g.footer, fonts);
        }
    }
    return fonts;
}

} // namespace

int renderToPdf(const QString &definitionPath, const ReportContext &context, const QVariantList &values,
    const QList<SubreportValues> &subreports, const QString &pdfPath, const std::atomic<bool> *cancel)
{
    Report report = openReportFile(definitionPath, values);
    for (const SubreportValues &sub : subreports)
        report.setSubreportParameters(sub.name, sub.values);
    const auto prepared = report.prepare(context);
    // "Page n of m" needs m on page 1. Our PDF writer prints such texts once the last page is
    // laid out; for Qt's engine a first pass counts the pages and keeps none of them.
    int known = -1;
    if (prepared->printsPageCount() && !PdfPageSink::printsPageCountAtTheEnd(fontsOf(report.definition())))
        known = prepared->countPages(cancel);
    // The file appears only when the whole document is written: a failure or a stop half way
    // leaves no half report behind, and no earlier file is lost to it.
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("The PDF file \"%1\" cannot be written: %2")
                              .arg(QDir::toNativeSeparators(pdfPath), file.errorString()));
    int pages = 0;
    {
        PdfPageSink pdf(file, report.definition().title,
            pageLayoutOf(report.definition().paperName, report.definition().landscape));
        pages = prepared->layOut(pdf, cancel, known);
        pdf.finish();
    }
    if (!file.commit())
        throw ReportError(QStringLiteral("The PDF file \"%1\" could not be completed: %2")
                              .arg(QDir::toNativeSeparators(pdfPath), file.errorString()));
    return pages;
}

} // namespace mss::reports
