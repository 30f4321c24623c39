#include "reports/reportrunner.h"

#include "auth/currentuser.h"
#include "engine/reportfiles.h"
#include "engine/reportjob.h"
#include "reports/frmreportviewer.h"
#include "reports/reportprinting.h"
#include "session/sessionstate.h"
#include "ui/commandguard.h"
#include "ui/windowgeometry.h"

#include <QPrinter>

#include <limits>

namespace mss::reports {

ReportContext sessionReportContext()
{
    // Reports run on the user's own connection: no administrator log-on is needed for them.
    const shell::SessionState &s = shell::Session();
    if (!s.CurrentUser)
        return { nullptr, s.HospitalName, s.ReportsPath, QString(), QDateTime() };
    return { s.CurrentUser->sqlconnection(), s.HospitalName, s.ReportsPath, s.CurrentUser->EmployeeName(),
        QDateTime() };
}

ReportRunner::ReportRunner(QObject *parent, std::function<ReportContext()> context)
    : QObject(parent), m_context(std::move(context))
{
}

ReportRunner::~ReportRunner() = default;

void ReportRunner::OpenReport(const QString &file, const QVariantList &values)
{
    m_current.reset();
    m_current = std::make_shared<Report>(openReportFile(file, values));
}

void ReportRunner::OpenSubreport(const QString &name, const QVariantList &values)
{
    if (!m_current)
        throw ReportError(QStringLiteral("No report is open, so its subreport \"%1\" cannot be opened.").arg(name));
    m_current->setSubreportParameters(name, values);
}

frmReportViewer *ReportRunner::ShowReport(bool showGroupTree, const QString &caption, bool directPrint)
{
    Q_UNUSED(showGroupTree) // the viewer has no group tree; every caller asks for none
    const std::shared_ptr<Report> report = m_current;
    if (!report)
        throw ReportError(QStringLiteral("No report is open to be shown."));
    auto layout = std::make_unique<ReportJob>(runQueries(*report));
    const std::shared_ptr<PageModel> pages = layout->model();
    {
        // The window opens with its first page; a report that fails before it opens none.
        ui::WaitCursor wait;
        layout->start();
        layout->waitForPages(directPrint ? std::numeric_limits<int>::max() : 1);
    }
    if (pages->state() == PageModel::State::Failed)
        std::rethrow_exception(pages->error());
    if (directPrint) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(caption.isEmpty() ? pages->title : caption);
        printModel(*pages, printer);
        m_current.reset();
        return nullptr;
    }
    auto *viewer = new frmReportViewer(std::move(layout), caption);
    // Closing a viewer releases the current report; the viewer keeps showing its own pages.
    connect(viewer, &frmReportViewer::closed, this, [this] { m_current.reset(); });
    if (m_viewerHost)
        m_viewerHost(viewer);
    else {
        ui::rememberGeometry(viewer, viewer->objectName());
        viewer->show();
    }
    return viewer;
}

std::shared_ptr<PreparedReport> ReportRunner::runQueries(const Report &report) const
{
    // The statements run here, on the window's thread, like every other statement of the program.
    ui::WaitCursor wait;
    return report.prepare(m_context());
}

} // namespace mss::reports
