#pragma once

#include "engine/reportengine.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace mss::reports {

class frmReportViewer;

// The session's side of every report: the user's own connection, the hospital and the user.
ReportContext sessionReportContext();

// Runs reports for one main window (or one test): opens a definition, gives it its values,
// runs it and shows it in a viewer. Its viewers go where its host puts them; it lives with its
// owner, so no viewer is ever handed to a window that is gone.
class ReportRunner final : public QObject {
    Q_OBJECT

public:
    explicit ReportRunner(QObject *parent = nullptr, std::function<ReportContext()> context = &sessionReportContext);
    ~ReportRunner() override;

    // Opens a definition and gives it its values by position. Callers build the path as the
    // reports folder + "\" + file name; backslashes, doubled separators and the letter case of
    // the file name are accepted on every platform. A missing or faulty file, or a value of the
    // wrong type, throws ReportError and leaves no report open (so a later ShowReport cannot
    // show an earlier report under a new caption).
    void OpenReport(const QString &file, const QVariantList &values);
    // Gives a subreport of the current report its own values.
    void OpenSubreport(const QString &name, const QVariantList &values);
    // Runs the current report and shows it in a new viewer with the caption (or prints it at
    // once on the default printer when directPrint). The queries run and the first page is laid
    // out before the window opens, so a report that fails opens no viewer; the other pages are
    // laid out while the viewer shows the first. Returns the viewer (nothing after a direct print).
    frmReportViewer *ShowReport(bool showGroupTree, const QString &caption, bool directPrint);

    // The report opened by the last OpenReport: ShowReport and OpenSubreport work on it. It is
    // released when a viewer closes; each viewer keeps its own pages.
    const std::shared_ptr<Report> &CurrentReport() const { return m_current; }
    void releaseCurrentReport() { m_current.reset(); }

    // Where new viewers go; without a host they are shown as windows of their own.
    void setViewerHost(std::function<void(frmReportViewer *)> host) { m_viewerHost = std::move(host); }

private:
    std::shared_ptr<PreparedReport> runQueries(const Report &report) const;

    std::function<ReportContext()> m_context;
    std::function<void(frmReportViewer *)> m_viewerHost;
    std::shared_ptr<Report> m_current;
};

} // namespace mss::reports
