#include "reports/reportrunner.h"

#include "reports/frmreportviewer.h"
#include "ui/commandguard.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>

namespace mss::reports {

namespace {

std::function<void(frmReportViewer *)> &viewerHost()
{
    static std::function<void(frmReportViewer *)> host;
    return host;
}

} // namespace

ReportContext &reportContext()
{
    static ReportContext context;
    return context;
}

std::shared_ptr<Report> &CurrentReport()
{
    static std::shared_ptr<Report> report;
    return report;
}

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

void OpenReport(const QString &file, const QVariantList &values)
{
    CurrentReport().reset();
    const QString path = resolveReportPath(file);
    if (!QFileInfo(path).isFile())
        throw ReportError(QFileInfo(path).fileName(), 0, 0,
                          QStringLiteral("the report file does not exist: %1").arg(QDir::toNativeSeparators(path)));
    auto report = std::make_shared<Report>(loadDefinition(path));
    report->setParameters(values);
    CurrentReport() = std::move(report);
}

void OpenSubreport(const QString &name, const QVariantList &values)
{
    if (!CurrentReport())
        throw ReportError(QStringLiteral("No report is open, so its subreport \"%1\" cannot be opened.").arg(name));
    CurrentReport()->setSubreportParameters(name, values);
}

frmReportViewer *ShowReport(bool showGroupTree, const QString &caption, bool directPrint)
{
    Q_UNUSED(showGroupTree) // the viewer has no group tree; every caller asks for none
    const std::shared_ptr<Report> report = CurrentReport();
    if (!report)
        throw ReportError(QStringLiteral("No report is open to be shown."));
    std::shared_ptr<const PageModel> pages;
    {
        ui::WaitCursor wait;
        pages = report->run(reportContext());
    }
    if (directPrint) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(caption.isEmpty() ? pages->title : caption);
        printModel(*pages, printer);
        CurrentReport().reset();
        return nullptr;
    }
    auto *viewer = new frmReportViewer(pages, caption);
    // Closing a viewer releases the current report; the viewer keeps showing its own pages.
    QObject::connect(viewer, &frmReportViewer::closed, [] { CurrentReport().reset(); });
    if (viewerHost())
        viewerHost()(viewer);
    else
        viewer->show();
    return viewer;
}

void setViewerHost(std::function<void(frmReportViewer *)> host)
{
    viewerHost() = std::move(host);
}

int renderToPdf(const QString &definitionPath, const ReportContext &context, const QVariantList &values,
                const QList<SubreportValues> &subreports, const QString &pdfPath)
{
    const QString path = resolveReportPath(definitionPath);
    Report report(loadDefinition(path));
    report.setParameters(values);
    for (const SubreportValues &sub : subreports)
        report.setSubreportParameters(sub.name, sub.values);
    const auto pages = report.run(context);
    writePdf(*pages, pdfPath);
    return pages->pageCount();
}

} // namespace mss::reports
