#include "referral/arrprinting.h"

#include "reports/reportrunner.h"
#include "session/sessionstate.h"

namespace mss::referral {

void openArrReport(reports::ReportRunner &runner, const ArrReportValues &values)
{
    runner.OpenReport(shell::Session().ReportsPath + QStringLiteral("\\ARR_New.rpt"),
        { values.HospNum, values.IdNum, values.UserName, values.LicenseNo, values.Doctor });
}

void printArr(reports::ReportRunner &runner, const ArrReportValues &values, const QString &caption)
{
    openArrReport(runner, values);
    runner.ShowReport(false, caption, false);
}

} // namespace mss::referral
