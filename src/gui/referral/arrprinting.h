#pragma once

#include <QString>

namespace mss::reports {
class ReportRunner;
}

namespace mss::referral {

// The five values the printed assessment-and-referral record is given, in its order.
struct ArrReportValues {
    QString HospNum;
    QString IdNum;
    QString UserName;
    QString LicenseNo;
    QString Doctor;
};

// Opens the ARR's report from the reports folder with its values.
void openArrReport(reports::ReportRunner &runner, const ArrReportValues &values);
// Opens it and shows it in a viewer, without the group tree.
void printArr(reports::ReportRunner &runner, const ArrReportValues &values, const QString &caption);

} // namespace mss::referral
