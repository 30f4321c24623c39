#pragma once

#include "engine/reportengine.h"

#include <QList>
#include <QString>
#include <QVariantList>

namespace mss::reports {

// The file a caller's path names: "\" and "/" both separate, doubled separators count once,
// and when no file has exactly that name, one differing only in letter case is taken.
QString resolveReportPath(const QString &path);

// Opens a definition by a caller's path and gives it its values by position. A missing or
// faulty file, or a value of the wrong type, throws ReportError.
Report openReportFile(const QString &path, const QVariantList &values);

// Renders a definition to PDF without any window: for tools, tests and scheduled reports. Pages
// are written as they are laid out, so memory holds the rows and one page, not the document.
// Returns the number of pages written; when `cancel` is set, stops with LayoutCancelled and
// leaves no file.
struct SubreportValues {
    QString name;
    QVariantList values;
};
int renderToPdf(const QString &definitionPath, const ReportContext &context, const QVariantList &values,
    const QList<SubreportValues> &subreports, const QString &pdfPath, const std::atomic<bool> *cancel = nullptr);

} // namespace mss::reports
