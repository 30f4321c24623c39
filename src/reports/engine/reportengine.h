#pragma once

#include "engine/pagemodel.h"
#include "engine/reportdefinition.h"
#include "engine/reportrows.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <atomic>
#include <exception>
#include <memory>

namespace mss::data {
class Connection;
}

namespace mss::reports {

struct BodyRun;

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

// A report whose queries have run: its rows and resolved bands, ready to be laid out once or
// more. The layout touches no database, so it may run on another thread than the queries did,
// one layout at a time.
//
// The rows of the report's main query may still be coming: they are read on the queries'
// thread (readRows), and a layout on another thread can start on the first of them.
class PreparedReport {
public:
    ~PreparedReport();
    PreparedReport(const PreparedReport &) = delete;
    PreparedReport &operator=(const PreparedReport &) = delete;

    // Whether rows of the main query are still to be read.
    bool readingRows() const;
    // Reads more of them, for about `budgetMs`, on the thread that ran the queries. Returns true
    // once none are left to read. A failure does not throw here: the layout fails with it, so
    // that it is reported once, by whoever shows the layout's outcome.
    bool readRows(int budgetMs);
    // Reads the rest of them; a failure throws ReportError.
    void readAllRows();
    // Stops reading: the statement is closed and a layout waiting for rows stops.
    void stopReading();

    // Whether some text prints the page count: a PDF written as it is laid out learns the count
    // from a first pass.
    bool printsPageCount() const;
    // Lays the pages out without keeping them and returns their number: the first of two passes
    // when pages print their count. Only what decides a band's height is measured.
    int countPages(const std::atomic<bool> *cancel = nullptr);
    // An empty model with the report's title and paper, to be filled by layOut.
    std::shared_ptr<PageModel> newModel() const;
    // Lays the pages out into the sink and returns their number. With the page count known from
    // an earlier pass, pages come complete; otherwise their page-count texts come at the end
    // (PageSink::setCountTexts). When `cancel` is set between two rows, throws LayoutCancelled.
    int layOut(PageSink &sink, const std::atomic<bool> *cancel = nullptr, int knownPageCount = -1);
    // The same while another thread still reads the rows (readRows): a row not yet read is
    // waited for.
    int layOutWhileReading(PageSink &sink, const std::atomic<bool> *cancel = nullptr, int knownPageCount = -1);

private:
    friend class Report;
    struct Data;
    explicit PreparedReport(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d;
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

    // Runs the queries with bound values on the context's connection. A failing query, a field
    // the query does not return or a parameter left without a value is a ReportError naming the
    // file and line.
    std::shared_ptr<PreparedReport> prepare(const ReportContext &context) const;
    // Runs the queries and lays every page out in memory.
    std::shared_ptr<const PageModel> run(const ReportContext &context) const;

private:
    struct Values {
        QVariantList values;
        QList<bool> set;
    };
    void assign(const ReportBody &body, Values &target, const QVariantList &values);
    // The body's values, each parameter without one given taking its default.
    QVariantList resolvedValues(const ReportBody &body, const Values &given) const;
    void runQueries(BodyRun &b, const QString &driver, const ReportContext &context, PreparedReport::Data &out) const;

    ReportDefinition m_def;
    QVariantList m_given;
    QHash<QString, QVariantList> m_givenSubs;
    Values m_main;
    QList<Values> m_subs;
};

} // namespace mss::reports
