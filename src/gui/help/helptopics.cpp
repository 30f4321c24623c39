#include "help/helptopics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <array>

namespace mss::help {

namespace {

struct TopicEntry {
    const char *window;
    const char *page;
    const char *anchor;
};

// The one place that ties windows to the guide. Anchors are written into the chapters by hand
// (`<a id="…">`); the guide's build checks that every link reaches one, and the help test checks
// that every row of this table does.
constexpr std::array kTopics = {
    TopicEntry { "frmLogOn", "01-log-on-and-find-a-patient.html", "log-on" },
    TopicEntry { "mdiMSS", "01-log-on-and-find-a-patient.html", "main-window" },
    TopicEntry { "frmListPatient", "01-log-on-and-find-a-patient.html", "patient-list" },
    TopicEntry { "frmIntakeSurveySheet", "02-intake-interview.html", "intake-sheet" },
    TopicEntry { "frmEmployeeListing", "02-intake-interview.html", "social-worker" },
    TopicEntry { "frmAddressSearch", "02-intake-interview.html", "address" },
    TopicEntry { "frmAssessmentList", "02-intake-interview.html", "assessment-list" },
    TopicEntry { "frmARR", "03-assessment-and-referral.html", "arr" },
    TopicEntry { "frmSearchService", "03-assessment-and-referral.html", "services-and-activities" },
    TopicEntry { "frmSearchActivity", "03-assessment-and-referral.html", "services-and-activities" },
    TopicEntry { "frmNegotiatedCounterpart", "03-assessment-and-referral.html", "fund-allocation" },
    TopicEntry { "frmReprintARR", "03-assessment-and-referral.html", "reprint" },
    TopicEntry { "frmReferralToMedicalTeam", "04-referrals.html", "referral-notices" },
    TopicEntry { "frmReferralApproval", "04-referrals.html", "approval" },
    TopicEntry { "frmReferralHistory", "04-referrals.html", "history" },
    TopicEntry { "frmDischargeNotice", "05-discharge-clearance.html", "discharge-notices" },
    TopicEntry { "frmClearPatient", "05-discharge-clearance.html", "clearance" },
    TopicEntry { "frmEditClass", "06-classification-and-mss-number.html", "classification" },
    TopicEntry { "frmDeletePassword", "06-classification-and-mss-number.html", "delete-history" },
    TopicEntry { "frmEditMSSNumber", "06-classification-and-mss-number.html", "mss-number" },
    TopicEntry { "frmComputeDiscount", "07-discount.html", "discount" },
    TopicEntry { "frmSummarizedSOA", "08-reports.html", "statement-of-account" },
    TopicEntry { "frmReportViewer", "08-reports.html", "viewer" },
    TopicEntry { "frmReportDate", "08-reports.html", "dates" },
    TopicEntry { "frmReportDateRange", "08-reports.html", "dates" },
    TopicEntry { "frmReportDate2", "08-reports.html", "dates" },
    TopicEntry { "frmReportDateCategory", "08-reports.html", "dates" },
};

} // namespace

HelpTopic topicForWindow(const QString &objectName)
{
    for (const TopicEntry &entry : kTopics) {
        if (objectName == QLatin1String(entry.window))
            return { QString::fromLatin1(entry.page), QString::fromLatin1(entry.anchor) };
    }
    return { contentsPage(), QString() };
}

HelpTopic topicForWidget(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const HelpTopic topic = topicForWindow(w->objectName());
        if (topic.page != contentsPage())
            return topic;
    }
    return { contentsPage(), QString() };
}

QStringList describedWindows()
{
    QStringList names;
    for (const TopicEntry &entry : kTopics)
        names.append(QString::fromLatin1(entry.window));
    return names;
}

QStringList guideFolderCandidates()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return { QDir::cleanPath(program.filePath(QStringLiteral("guide"))),
        QDir::cleanPath(program.filePath(QStringLiteral("../guide"))),
        QDir::cleanPath(program.filePath(QStringLiteral("../../share/mss/guide"))) };
}

QString findGuideFolder(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (QFileInfo::exists(QDir(folder).filePath(contentsPage())))
            return folder;
    }
    return {};
}

} // namespace mss::help
