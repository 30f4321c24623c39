#pragma once

#include "pagemodel.h"
#include "reportdefinition.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>

namespace mss::data {
class Connection;
}

namespace mss::reports {

// What a report needs of the session: the connection its queries run on (the user's own),
// the hospital's name it prints, the folder report files are found in and the user's name.
struct ReportContext {
    data::Connection *connection = nullptr;
    QString hospitalName;
    QString reportsPath;
    QString userName;
    // The moment printed as {report.printDate} and {report.printTime}; invalid: when the report
    // runs. Fixed by callers that must print the same text twice.
    QDateTime printedAt;
};

// A definition with the values of its parameters, ready to run. Values are given by position
// and converted to the declared types when they are set, so a value of the wrong type fails
// at once, naming the parameter.
class Report {
public:
    explicit Report(ReportDefinition definition);

    const ReportDefinition &definition() const { return m_def; }

    // Value i goes to parameter i; an empty list sets nothing, values beyond the declared
    // parameters are ignored.
    void setParameters(const QVariantList &values);
    // The same for a named subreport; ReportError when the report has no such subreport.
    void setSubreportParameters(const QString &name, const QVariantList &values);

    // The values exactly as the caller gave them (before conversion to the declared types), for
    // checking what a caller passes: a date value and a date text print alike but are not the same.
    const QVariantList &givenValues() const { return m_given; }
    QVariantList givenSubreportValues(const QString &name) const { return m_givenSubs.value(name); }

    // Runs the queries with bound values on the context's connection and lays the pages out.
    // A failing query, a field the query does not return or a parameter left without a value
    // is a ReportError naming the file and line.
    std::shared_ptr<const PageModel> run(const ReportContext &context) const;

private:
    struct Values {
        QVariantList values;
        QList<bool> set;
    };
    void assign(const ReportBody &body, Values &target, const QVariantList &values);

    ReportDefinition m_def;
    QVariantList m_given;
    QHash<QString, QVariantList> m_givenSubs;
    Values m_main;
    QList<Values> m_subs;
};

} // namespace mss::reports
