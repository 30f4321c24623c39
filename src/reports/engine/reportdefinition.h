#pragma once

#include <QFont>

#include "engine/fieldformat.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>

namespace mss::reports {

// Every failure of a report: a definition that does not load, a value of the wrong type, a
// query that fails, a field the query does not return. It names the file and, where the fault
// sits in the definition, its line and column, so the person who edits the file finds it.
class ReportError : public std::runtime_error {
public:
    ReportError(const QString &file, int line, int column, const QString &message);
    explicit ReportError(const QString &message);

    const QString &file() const { return m_file; }
    int line() const { return m_line; }
    int column() const { return m_column; }
    const QString &message() const { return m_message; }

private:
    QString m_file;
    int m_line = 0;
    int m_column = 0;
    QString m_message;
};

struct SourcePos {
    int line = 0;
    int column = 0;
};

enum class ParamType { Text, Number, Date };

struct ParamDef {
    QString name;
    ParamType type = ParamType::Text;
    std::optional<QString> defaultValue; // a parameter with a default may be left out by callers
    SourcePos pos;
};

struct QueryDef {
    QString name;
    QString sql;
    QString driver; // empty: any connection; otherwise only for connections of that driver
    QStringList parameters; // ":Name" placeholders used, each once
    SourcePos pos;
};

// One {…} of a text: what it prints, resolved against the rows when the report runs.
struct Segment {
    enum Kind { Literal, Field, QueryField, Param, ReportValue, Page, Pages, Aggregate };
    enum Function { Sum, Count, Avg, Min, Max };
    Kind kind = Literal;
    QString text; // literal text, or the field / parameter / report value / query name
    QString field; // QueryField: the column; Aggregate: the column (empty for count of rows)
    Function function = Sum;
    QString scope; // Aggregate: "", "report", "page" or a group's name
    std::optional<FieldFormat> format;
    int column = -1; // resolved when the report runs
    int query = -1; // QueryField: index of the query; Param: index of the parameter
};

enum class Align { Left, Center, Right };

struct FontSpec {
    QString family;
    double size = 9;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec &o) const = default;
    // The font as measured and painted: outlines without hinting, so that text measures the same
    // at every resolution.
    QFont font() const;
};

struct Element {
    enum Kind { Text, Line, Box };
    Kind kind = Text;
    QRectF rect; // Text and Box; for Line: x1,y1 in topLeft and x2,y2 in bottomRight
    double penWidth = 0.5; // Line and Box
    QColor fill; // Box: invalid when not filled
    bool stroke = true; // Box
    bool stretch = false; // Line and Box: grow with the band
    Align align = Align::Left;
    bool grow = false; // Text: wrap and let the band grow
    FontSpec font;
    QList<Segment> segments; // Text
    SourcePos pos;
};

enum class BandKind { ReportHeader, PageHeader, GroupHeader, Detail, GroupFooter, NoRows, ReportFooter, PageFooter };

struct Band {
    BandKind kind = BandKind::Detail;
    double height = 0;
    QList<Element> elements;
    SourcePos pos;
};

struct GroupDef {
    QString name;
    QString key; // column whose change starts a new group
    bool newPage = false; // every group after the first starts a page
    bool repeatHeader = false; // a group running onto a new page prints its header again
    std::optional<Band> header;
    std::optional<Band> footer;
    int column = -1; // resolved when the report runs
    SourcePos pos;
};

// What a report and each of its subreports have: parameters, queries and a body.
struct ReportBody {
    QString name; // subreports: the name callers open them by
    QList<ParamDef> params;
    QList<QueryDef> queries;
    std::optional<Band> reportHeader;
    QList<GroupDef> groups; // outermost first
    QString detailQuery; // empty when the body has no detail rows
    std::optional<Band> detail;
    std::optional<Band> noRows;
    std::optional<Band> reportFooter;
    bool newPage = false; // subreports: start on a new page
    SourcePos pos;

    int paramIndex(const QString &name) const;
    int queryIndex(const QString &name) const;
};

struct ReportDefinition {
    QString fileName; // as loaded, for messages
    QString title;
    QSizeF pageSize; // points, as printed (orientation applied)
    QString paperName; // "Letter", "Legal", "A4"
    bool landscape = false;
    double marginTop = 36, marginRight = 36, marginBottom = 36, marginLeft = 36;
    FontSpec font;
    std::optional<Band> pageHeader;
    std::optional<Band> pageFooter;
    ReportBody main;
    QList<ReportBody> subreports;

    double printableWidth() const { return pageSize.width() - marginLeft - marginRight; }
    double printableHeight() const { return pageSize.height() - marginTop - marginBottom; }
    int subreportIndex(const QString &name) const;
};

// Reads a definition strictly: an unknown element, attribute or {token}, a bad mask, a band
// that cannot fit on a page or an element outside the page is a ReportError with the file's
// line and column. `displayName` is what messages call the file.
ReportDefinition parseDefinition(const QByteArray &xml, const QString &displayName);
ReportDefinition loadDefinition(const QString &path);

} // namespace mss::reports
