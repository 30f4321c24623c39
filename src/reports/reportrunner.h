#pragma once

#include "reports/reportengine.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

class QWidget;

namespace mss::reports {

class frmReportViewer;

// The session's side of every report; start-up fills it once the user has logged on.
ReportContext &reportContext();

// The report opened by the last OpenReport: ShowReport and OpenSubreport work on it. It is
// released when a viewer closes; each viewer keeps its own pages.
std::shared_ptr<Report> &CurrentReport();

// Opens a definition and gives it its values by position. Callers build the path as the
// reports folder + "\" + file name; backslashes, doubled separators and the letter case of
// the file name are accepted on every platform. A missing or faulty file, or a value of the
// wrong type, throws ReportError and leaves no report open (so a later ShowReport cannot show
// an earlier report under a new caption).
void OpenReport(const QString &file, const QVariantList &values);
// Gives a subreport of the current report its own values.
void OpenSubreport(const QString &name, const QVariantList &values);
// Runs the current report and shows it in a new viewer with the caption (or prints it at once
// on the default printer when directPrint). The queries run before any window opens: a report
// that fails opens no viewer. Returns the viewer (nothing after a direct print).
frmReportViewer *ShowReport(bool showGroupTree, const QString &caption, bool directPrint);

// Where new viewers go: the main window puts them in its MDI area; by default they are shown
// as windows of their own.
void setViewerHost(std::function<void(frmReportViewer *)> host);

// The file a caller's path names: "\" and "/" both separate, doubled separators count once,
// and when no file has exactly that name, one differing only in letter case is taken.
QString resolveReportPath(const QString &path);

// Renders a definition to PDF without any window: for tools, tests and scheduled reports.
// Returns the number of pages written.
struct SubreportValues {
    QString name;
    QVariantList values;
};
int renderToPdf(const QString &definitionPath, const ReportContext &context, const QVariantList &values,
                const QList<SubreportValues> &subreports, const QString &pdfPath);

} // namespace mss::reports
