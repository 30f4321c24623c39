#include "engine/reportdefinition.h"

#include "data/placeholders.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace mss::reports {

ReportError::ReportError(const QString &file, int line, int column, const QString &message)
    : std::runtime_error((line > 0 ? QStringLiteral("%1:%2:%3: %4").arg(file).arg(line).arg(column).arg(message)
                                   : QStringLiteral("%1: %2").arg(file, message))
                             .toStdString()),
      m_file(file),
      m_line(line),
      m_column(column),
      m_message(message)
{
}

ReportError::ReportError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) { }

namespace {
// Names in a definition are matched as the report designer matches them: case aside.
template <typename Named> int indexByName(const QList<Named> &items, const QString &wanted)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

int ReportBody::paramIndex(const QString &wanted) const
{
    return indexByName(params, wanted);
}

int ReportBody::queryIndex(const QString &wanted) const
{
    return indexByName(queries, wanted);
}

int ReportDefinition::subreportIndex(const QString &wanted) const
{
    return indexByName(subreports, wanted);
}

namespace {

// The fonts a definition may name. Other names are refused: a family missing on one machine
// would be replaced silently and every report would paginate differently there.
QString fontFamily(const QString &name)
{
    static const QHash<QString, QString> families
        = { { QStringLiteral("liberation sans"), QStringLiteral("Liberation Sans") },
              { QStringLiteral("arial"), QStringLiteral("Liberation Sans") },
              { QStringLiteral("helvetica"), QStringLiteral("Liberation Sans") },
              { QStringLiteral("liberation serif"), QStringLiteral("Liberation Serif") },
              { QStringLiteral("times new roman"), QStringLiteral("Liberation Serif") },
              { QStringLiteral("liberation mono"), QStringLiteral("Liberation Mono") },
              { QStringLiteral("courier new"), QStringLiteral("Liberation Mono") } };
    return families.value(name.trimmed().toLower());
}

const QStringList reportValues = { QStringLiteral("hospitalName"), QStringLiteral("title"), QStringLiteral("printDate"),
    QStringLiteral("printTime"), QStringLiteral("userName") };

bool isIdentifier(const QString &s, bool allowDots = false)
{
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == QLatin1Char('_')))
        return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || (allowDots && c == QLatin1Char('.'))))
            return false;
    return true;
}

class Loader {
public:
    Loader(const QByteArray &xml, QString file) : m_xml(xml), m_file(std::move(file)) { }

    ReportDefinition run()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement()) {
                if (m_xml.name() != QLatin1String("report"))
                    fail(QStringLiteral("the definition must start with <report>, not <%1>").arg(m_xml.name()));
                readReport();
                break;
            }
            checkXml();
        }
        checkXml();
        if (m_def.pageSize.isEmpty())
            fail(QStringLiteral("the file holds no <report> element"));
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            checkXml();
            if (m_xml.isStartElement())
                fail(QStringLiteral("nothing may follow </report>"));
        }
        return std::move(m_def);
    }

private:
    [[noreturn]] void fail(const QString &message, SourcePos pos = {}) const
    {
        if (pos.line == 0)
            pos = here();
        throw ReportError(m_file, pos.line, pos.column, message);
    }
    SourcePos here() const { return { int(m_xml.lineNumber()), int(m_xml.columnNumber()) }; }
    void checkXml()
    {
        if (m_xml.hasError())
            fail(QStringLiteral("not well-formed XML: %1").arg(m_xml.errorString()));
    }

    void allowOnly(const QStringList &names)
    {
        for (const QXmlStreamAttribute &a : m_xml.attributes())
            if (!names.contains(a.name().toString()))
                fail(QStringLiteral("<%1> has no attribute \"%2\" (it takes: %3)")
                         .arg(m_xml.name(), a.name(),
                             names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
    }
    bool has(const QString &name) const { return m_xml.attributes().hasAttribute(name); }
    QString attr(const QString &name) const { return m_xml.attributes().value(name).toString(); }
    QString required(const QString &name)
    {
        if (!has(name))
            fail(QStringLiteral("<%1> needs the attribute \"%2\"").arg(m_xml.name(), name));
        return attr(name);
    }
    double number(const QString &name, double fallback, bool isRequired = false)
    {
        if (!has(name)) {
            if (isRequired)
                required(name);
            return fallback;
        }
        bool ok = false;
        const double v = attr(name).trimmed().toDouble(&ok);
        if (!ok || v < 0 || v > 5000)
            fail(QStringLiteral("%1=\"%2\" is not a size in points").arg(name, attr(name)));
        return v;
    }
    bool boolean(const QString &name, bool fallback)
    {
        if (!has(name))
            return fallback;
        const QString v = attr(name).trimmed().toLower();
        if (v == QLatin1String("true") || v == QLatin1String("yes"))
            return true;
        if (v == QLatin1String("false") || v == QLatin1String("no"))
            return false;
        fail(QStringLiteral("%1=\"%2\" must be true or false").arg(name, attr(name)));
    }
    // Skips blanks and comments up to the next child element or the end of the current one.
    bool nextChild()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            checkXml();
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement())
                return false;
            if (m_xml.isCharacters() && !m_xml.isWhitespace())
                fail(QStringLiteral("text \"%1\" is not allowed here; texts go inside <text>")
                         .arg(m_xml.text().trimmed().left(40)));
        }
        checkXml();
        return false;
    }

    void readReport()
    {
        allowOnly({ QStringLiteral("title"), QStringLiteral("paper"), QStringLiteral("orientation"),
            QStringLiteral("margins"), QStringLiteral("font"), QStringLiteral("size") });
        m_def.fileName = m_file;
        m_def.title = attr(QStringLiteral("title"));
        readPaper();
        if (has(QStringLiteral("margins")))
            readMargins();
        m_def.font.family = QStringLiteral("Liberation Sans");
        if (has(QStringLiteral("font"))) {
            m_def.font.family = fontFamily(attr(QStringLiteral("font")));
            if (m_def.font.family.isEmpty())
                fail(QStringLiteral("font=\"%1\" is not one of Liberation Sans, Liberation Serif, Liberation Mono "
                                    "(or Arial, Times New Roman, Courier New)")
                         .arg(attr(QStringLiteral("font"))));
        }
        m_def.font.size = fontSize(9);
        m_def.main.pos = here();

        readBody(m_def.main, true);
        checkRooms();
    }

    void readPaper()
    {
        const QString paper
            = has(QStringLiteral("paper")) ? attr(QStringLiteral("paper")).trimmed() : QStringLiteral("Letter");
        static const QHash<QString, QSizeF> papers = { { QStringLiteral("letter"), { 612, 792 } },
            { QStringLiteral("legal"), { 612, 1008 } }, { QStringLiteral("a4"), { 595.28, 841.89 } } };
        if (!papers.contains(paper.toLower()))
            fail(QStringLiteral("paper=\"%1\" is not one of Letter, Legal, A4").arg(paper));
        m_def.paperName = paper.toLower() == QLatin1String("a4") ? QStringLiteral("A4")
                                                                 : paper.left(1).toUpper() + paper.mid(1).toLower();
        m_def.pageSize = papers.value(paper.toLower());
        const QString orientation
            = has(QStringLiteral("orientation")) ? attr(QStringLiteral("orientation")) : QStringLiteral("portrait");
        if (orientation == QLatin1String("landscape")) {
            m_def.landscape = true;
            m_def.pageSize.transpose();
        } else if (orientation != QLatin1String("portrait")) {
            fail(QStringLiteral("orientation=\"%1\" must be portrait or landscape").arg(orientation));
        }
    }

    void readMargins()
    {
        const QStringList parts = attr(QStringLiteral("margins")).split(QLatin1Char(','));
        QList<double> values;
        for (const QString &p : parts) {
            bool ok = false;
            const double v = p.trimmed().toDouble(&ok);
            if (!ok || v < 0 || v > 200)
                fail(QStringLiteral("margins=\"%1\" must be four sizes in points: top,right,bottom,left")
                         .arg(attr(QStringLiteral("margins"))));
            values.append(v);
        }
        if (values.size() != 4)
            fail(QStringLiteral("margins=\"%1\" must be four sizes in points: top,right,bottom,left")
                     .arg(attr(QStringLiteral("margins"))));
        m_def.marginTop = values[0];
        m_def.marginRight = values[1];
        m_def.marginBottom = values[2];
        m_def.marginLeft = values[3];
    }

    // Checks that need the whole file.
    void checkRooms()
    {
        const double room = m_def.printableHeight() - (m_def.pageHeader ? m_def.pageHeader->height : 0)
            - (m_def.pageFooter ? m_def.pageFooter->height : 0);
        if (room < 12)
            fail(QStringLiteral("the page header and footer leave no room for the report (%1 pt)").arg(room),
                m_def.pageHeader ? m_def.pageHeader->pos : m_def.main.pos);
        auto checkRoom = [&](const std::optional<Band> &band) {
            if (band && band->height > room)
                fail(QStringLiteral(
                         "this band is %1 pt high, but a page has room for %2 pt between its header and footer")
                         .arg(band->height)
                         .arg(room),
                    band->pos);
        };
        QList<ReportBody *> bodies { &m_def.main };
        for (ReportBody &sub : m_def.subreports)
            bodies.append(&sub);
        for (ReportBody *body : bodies) {
            checkRoom(body->reportHeader);
            checkRoom(body->detail);
            checkRoom(body->noRows);
            checkRoom(body->reportFooter);
            for (const GroupDef &g : body->groups) {
                checkRoom(g.header);
                checkRoom(g.footer);
            }
            checkBody(*body);
        }
        checkBands(m_def.pageHeader, m_def.main, -1);
        checkBands(m_def.pageFooter, m_def.main, -1);
    }

    double fontSize(double fallback)
    {
        const double size = number(QStringLiteral("size"), fallback);
        if (size < 4 || size > 72)
            fail(QStringLiteral("size=\"%1\" must be a font size between 4 and 72 points")
                     .arg(attr(QStringLiteral("size"))));
        return size;
    }

    void readBody(ReportBody &body, bool isMain)
    {
        bool detailSeen = false;
        while (nextChild()) {
            const QString tag = m_xml.name().toString();
            const SourcePos pos = here();
            auto once = [&](const auto &slot) {
                if (slot)
                    fail(QStringLiteral("<%1> may appear only once here").arg(tag));
            };
            if (tag == QLatin1String("param")) {
                readParam(body, pos);
            } else if (tag == QLatin1String("query")) {
                readQuery(body, pos);
            } else if (isMain && tag == QLatin1String("pageHeader")) {
                once(m_def.pageHeader);
                m_def.pageHeader = readBand(BandKind::PageHeader);
            } else if (isMain && tag == QLatin1String("pageFooter")) {
                once(m_def.pageFooter);
                m_def.pageFooter = readBand(BandKind::PageFooter);
            } else if (tag == QLatin1String("reportHeader")) {
                once(body.reportHeader);
                body.reportHeader = readBand(BandKind::ReportHeader);
            } else if (tag == QLatin1String("reportFooter")) {
                once(body.reportFooter);
                body.reportFooter = readBand(BandKind::ReportFooter);
            } else if (tag == QLatin1String("noRows")) {
                once(body.noRows);
                body.noRows = readBand(BandKind::NoRows);
            } else if (tag == QLatin1String("group")) {
                if (detailSeen)
                    fail(QStringLiteral("<group> must come before <detail>"));
                readGroup(body);
            } else if (tag == QLatin1String("detail")) {
                once(body.detail);
                detailSeen = true;
                body.detailQuery = has(QStringLiteral("query")) ? attr(QStringLiteral("query")) : QString();
                if (body.detailQuery.isEmpty())
                    fail(QStringLiteral("<detail> needs the attribute \"query\""));
                body.detail = readBand(BandKind::Detail, { QStringLiteral("query") });
            } else if (isMain && tag == QLatin1String("subreport")) {
                readSubreport(pos);
            } else {
                fail(QStringLiteral("<%1> is not allowed in <%2>")
                         .arg(tag, isMain ? QStringLiteral("report") : QStringLiteral("subreport")));
            }
        }
        if (!body.groups.isEmpty() && !body.detail)
            fail(QStringLiteral("groups need a <detail> band"), body.groups.first().pos);
        if (body.detail && body.queryIndex(body.detailQuery) < 0)
            fail(QStringLiteral("<detail> reads query \"%1\", which is not declared").arg(body.detailQuery),
                body.detail->pos);
    }

    void readParam(ReportBody &body, SourcePos pos)
    {
        allowOnly({ QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("default") });
        ParamDef p;
        p.pos = pos;
        p.name = required(QStringLiteral("name"));
        if (!isIdentifier(p.name))
            fail(QStringLiteral("parameter name \"%1\" must be letters, digits and _").arg(p.name));
        if (body.paramIndex(p.name) >= 0)
            fail(QStringLiteral("parameter \"%1\" is declared twice").arg(p.name));
        const QString type = has(QStringLiteral("type")) ? attr(QStringLiteral("type")) : QStringLiteral("text");
        if (type == QLatin1String("text"))
            p.type = ParamType::Text;
        else if (type == QLatin1String("number"))
            p.type = ParamType::Number;
        else if (type == QLatin1String("date"))
            p.type = ParamType::Date;
        else
            fail(QStringLiteral("type=\"%1\" must be text, number or date").arg(type));
        if (has(QStringLiteral("default")))
            p.defaultValue = attr(QStringLiteral("default"));
        body.params.append(p);
        endEmpty();
    }

    void readQuery(ReportBody &body, SourcePos pos)
    {
        allowOnly({ QStringLiteral("name"), QStringLiteral("driver") });
        QueryDef q;
        q.pos = pos;
        q.name = required(QStringLiteral("name"));
        q.driver = attr(QStringLiteral("driver"));
        if (!isIdentifier(q.name) || q.name == QLatin1String("param") || q.name == QLatin1String("report"))
            fail(QStringLiteral("query name \"%1\" must be letters, digits and _ (and not param or report)")
                     .arg(q.name));
        if (!q.driver.isEmpty() && q.driver != QLatin1String("Embedded") && q.driver != QLatin1String("ODBC"))
            fail(QStringLiteral("driver=\"%1\" must be Embedded or ODBC").arg(q.driver));
        for (const QueryDef &other : std::as_const(body.queries))
            if (other.name.compare(q.name, Qt::CaseInsensitive) == 0 && other.driver == q.driver)
                fail(QStringLiteral("query \"%1\" is declared twice").arg(q.name));
        q.sql = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        checkXml();
        if (q.sql.trimmed().isEmpty())
            fail(QStringLiteral("query \"%1\" is empty").arg(q.name), pos);
        q.parameters = placeholders(q, body);
        body.queries.append(q);
    }

    void readSubreport(SourcePos pos)
    {
        allowOnly({ QStringLiteral("name"), QStringLiteral("newPage") });
        ReportBody sub;
        sub.pos = pos;
        sub.name = required(QStringLiteral("name"));
        if (!isIdentifier(sub.name, true))
            fail(QStringLiteral("subreport name \"%1\" must be letters, digits, _ and .").arg(sub.name));
        if (m_def.subreportIndex(sub.name) >= 0)
            fail(QStringLiteral("subreport \"%1\" is declared twice").arg(sub.name));
        sub.newPage = boolean(QStringLiteral("newPage"), false);
        readBody(sub, false);
        m_def.subreports.append(std::move(sub));
    }

    void endEmpty()
    {
        if (nextChild())
            fail(QStringLiteral("<%1> is not allowed here").arg(m_xml.name()));
    }

    void readGroup(ReportBody &body)
    {
        allowOnly({ QStringLiteral("name"), QStringLiteral("key"), QStringLiteral("newPage"),
            QStringLiteral("repeatHeader") });
        GroupDef g;
        g.pos = here();
        g.key = required(QStringLiteral("key"));
        g.name = has(QStringLiteral("name")) ? attr(QStringLiteral("name")) : g.key;
        if (!isIdentifier(g.name) || g.name == QLatin1String("report") || g.name == QLatin1String("page"))
            fail(
                QStringLiteral("group name \"%1\" must be letters, digits and _ (and not report or page)").arg(g.name));
        for (const GroupDef &other : std::as_const(body.groups))
            if (other.name.compare(g.name, Qt::CaseInsensitive) == 0)
                fail(QStringLiteral("group \"%1\" is declared twice").arg(g.name));
        g.newPage = boolean(QStringLiteral("newPage"), false);
        g.repeatHeader = boolean(QStringLiteral("repeatHeader"), false);
        while (nextChild()) {
            if (m_xml.name() == QLatin1String("header") && !g.header)
                g.header = readBand(BandKind::GroupHeader);
            else if (m_xml.name() == QLatin1String("footer") && !g.footer)
                g.footer = readBand(BandKind::GroupFooter);
            else
                fail(QStringLiteral("<group> holds one <header> and one <footer>, not <%1>").arg(m_xml.name()));
        }
        body.groups.append(g);
    }

    Band readBand(BandKind kind, QStringList extra = {})
    {
        extra.append(QStringLiteral("height"));
        allowOnly(extra);
        Band band;
        band.kind = kind;
        band.pos = here();
        band.height = number(QStringLiteral("height"), 0, true);
        const double width = m_def.printableWidth();
        while (nextChild()) {
            const QString tag = m_xml.name().toString();
            Element e;
            e.pos = here();
            if (tag == QLatin1String("text"))
                readText(e, band, width);
            else if (tag == QLatin1String("line"))
                readLine(e, width);
            else if (tag == QLatin1String("box"))
                readBox(e, band, width);
            else
                fail(QStringLiteral("<%1> is not an element of a band (text, line, box)").arg(tag));
            const QRectF r = e.rect.normalized();
            if (r.right() > width + 0.01)
                fail(QStringLiteral("this element reaches %1 pt, past the printable width of %2 pt")
                         .arg(r.right())
                         .arg(width),
                    e.pos);
            if (r.bottom() > band.height + 0.01)
                fail(QStringLiteral("this element reaches %1 pt, below the band's height of %2 pt")
                         .arg(r.bottom())
                         .arg(band.height),
                    e.pos);
            band.elements.append(e);
        }
        return band;
    }

    void readText(Element &e, const Band &band, double width)
    {
        const BandKind kind = band.kind;
        allowOnly({ QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("w"), QStringLiteral("h"),
            QStringLiteral("align"), QStringLiteral("bold"), QStringLiteral("italic"), QStringLiteral("size"),
            QStringLiteral("font"), QStringLiteral("grow") });
        e.kind = Element::Text;
        e.font = m_def.font;
        if (has(QStringLiteral("font"))) {
            e.font.family = fontFamily(attr(QStringLiteral("font")));
            if (e.font.family.isEmpty())
                fail(QStringLiteral("font=\"%1\" is not one of Liberation Sans, Liberation Serif, Liberation Mono "
                                    "(or Arial, Times New Roman, Courier New)")
                         .arg(attr(QStringLiteral("font"))));
        }
        e.font.size = fontSize(m_def.font.size);
        e.font.bold = boolean(QStringLiteral("bold"), false);
        e.font.italic = boolean(QStringLiteral("italic"), false);
        const double x = number(QStringLiteral("x"), 0);
        const double y = number(QStringLiteral("y"), 0);
        const double w = number(QStringLiteral("w"), width - x);
        const double h = number(QStringLiteral("h"), std::max(0.0, band.height - y)); // the rest of the band
        e.rect = QRectF(x, y, w, h);
        const QString align = has(QStringLiteral("align")) ? attr(QStringLiteral("align")) : QStringLiteral("left");
        if (align == QLatin1String("left"))
            e.align = Align::Left;
        else if (align == QLatin1String("center"))
            e.align = Align::Center;
        else if (align == QLatin1String("right"))
            e.align = Align::Right;
        else
            fail(QStringLiteral("align=\"%1\" must be left, center or right").arg(align));
        e.grow = boolean(QStringLiteral("grow"), false);
        if (e.grow && (kind == BandKind::PageHeader || kind == BandKind::PageFooter))
            fail(QStringLiteral("a text in the page header or footer cannot grow: their height is fixed"));
        const QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        checkXml();
        e.segments = parseTemplate(text, e.pos);
    }

    void readLine(Element &e, double width)
    {
        allowOnly({ QStringLiteral("x1"), QStringLiteral("y1"), QStringLiteral("x2"), QStringLiteral("y2"),
            QStringLiteral("width"), QStringLiteral("stretch") });
        e.kind = Element::Line;
        const double x1 = number(QStringLiteral("x1"), 0);
        const double y1 = number(QStringLiteral("y1"), 0);
        e.rect
            = QRectF(QPointF(x1, y1), QPointF(number(QStringLiteral("x2"), width), number(QStringLiteral("y2"), y1)));
        e.penWidth = number(QStringLiteral("width"), 0.5);
        e.stretch = boolean(QStringLiteral("stretch"), false);
        endEmpty();
    }

    void readBox(Element &e, const Band &band, double width)
    {
        allowOnly({ QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("w"), QStringLiteral("h"),
            QStringLiteral("width"), QStringLiteral("fill"), QStringLiteral("stroke"), QStringLiteral("stretch") });
        e.kind = Element::Box;
        const double x = number(QStringLiteral("x"), 0);
        const double y = number(QStringLiteral("y"), 0);
        e.rect = QRectF(x, y, number(QStringLiteral("w"), width - x), number(QStringLiteral("h"), band.height - y));
        e.penWidth = number(QStringLiteral("width"), 0.5);
        e.stroke = boolean(QStringLiteral("stroke"), true);
        e.stretch = boolean(QStringLiteral("stretch"), false);
        if (has(QStringLiteral("fill"))) {
            static const QRegularExpression hex(QStringLiteral("^#[0-9a-fA-F]{6}$"));
            if (!hex.match(attr(QStringLiteral("fill"))).hasMatch())
                fail(QStringLiteral("fill=\"%1\" must be a colour written #rrggbb").arg(attr(QStringLiteral("fill"))));
            e.fill = QColor(attr(QStringLiteral("fill")));
        }
        endEmpty();
    }

    QList<Segment> parseTemplate(const QString &raw, SourcePos pos)
    {
        // The file's indentation and line breaks are not part of a text: a text spread over
        // several lines of the file reads as one line with single blanks.
        static const QRegularExpression lineBreak(QStringLiteral(R"(\s*\n\s*)"));
        const QString text = QString(raw).replace(lineBreak, QStringLiteral(" ")).trimmed();
        QList<Segment> out;
        QString literal;
        auto flush = [&] {
            if (!literal.isEmpty()) {
                Segment s;
                s.text = literal;
                out.append(s);
                literal.clear();
            }
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('{') && i + 1 < text.size() && text[i + 1] == QLatin1Char('{')) {
                literal += c;
                ++i;
            } else if (c == QLatin1Char('}') && i + 1 < text.size() && text[i + 1] == QLatin1Char('}')) {
                literal += c;
                ++i;
            } else if (c == QLatin1Char('}')) {
                fail(QStringLiteral("a '}' without its '{' (write \"}}\" for the character itself)"), pos);
            } else if (c == QLatin1Char('{')) {
                const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
                if (close < 0)
                    fail(QStringLiteral("a '{' without its '}' (write \"{{\" for the character itself)"), pos);
                flush();
                out.append(parseToken(text.mid(i + 1, close - i - 1), pos));
                i = close;
            } else {
                literal += c;
            }
        }
        flush();
        return out;
    }

    Segment parseToken(const QString &token, SourcePos pos)
    {
        Segment s;
        QString body = token.trimmed();
        // The mask is everything after the first colon: "{AdmDate:mm/dd/yyyy}", "{x:h:nn AM/PM}".
        if (const qsizetype colon = body.indexOf(QLatin1Char(':')); colon >= 0) {
            const QString mask = body.mid(colon + 1);
            body = body.left(colon).trimmed();
            QString error;
            s.format = FieldFormat::parse(mask, &error);
            if (!s.format)
                fail(QStringLiteral("in {%1}: %2").arg(token, error), pos);
        }
        static const QRegularExpression aggregate(QStringLiteral(
            R"(^(sum|count|avg|min|max)(?:\(\s*([A-Za-z_][A-Za-z0-9_]*|\*)?\s*\))?(?:@([A-Za-z_][A-Za-z0-9_]*))?$)"));
        if (body == QLatin1String("page") || body == QLatin1String("pages")) {
            s.kind = body == QLatin1String("page") ? Segment::Page : Segment::Pages;
        } else if (auto m = aggregate.match(body); m.hasMatch()) {
            s.kind = Segment::Aggregate;
            const QString fn = m.captured(1);
            s.function = fn == QLatin1String("sum") ? Segment::Sum
                : fn == QLatin1String("count")      ? Segment::Count
                : fn == QLatin1String("avg")        ? Segment::Avg
                : fn == QLatin1String("min")        ? Segment::Min
                                                    : Segment::Max;
            s.field = m.captured(2) == QLatin1String("*") ? QString() : m.captured(2);
            s.scope = m.captured(3);
            if (s.field.isEmpty() && s.function != Segment::Count)
                fail(QStringLiteral("{%1}: %2 needs a field, as in %2(Amount)").arg(token, fn), pos);
            if (!s.format && s.function != Segment::Count)
                s.format = FieldFormat::parse(QStringLiteral("##,###,###,##0.00"), nullptr);
        } else if (body.startsWith(QLatin1String("param."))) {
            s.kind = Segment::Param;
            s.text = body.mid(6);
        } else if (body.startsWith(QLatin1String("report."))) {
            s.kind = Segment::ReportValue;
            s.text = body.mid(7);
            if (!reportValues.contains(s.text))
                fail(QStringLiteral("{%1}: the report values are %2")
                         .arg(token, QStringLiteral("report.") + reportValues.join(QStringLiteral(", report."))),
                    pos);
        } else if (body.count(QLatin1Char('.')) == 1 && isIdentifier(body, true)) {
            s.kind = Segment::QueryField;
            s.text = body.section(QLatin1Char('.'), 0, 0);
            s.field = body.section(QLatin1Char('.'), 1);
            if (!isIdentifier(s.text) || !isIdentifier(s.field))
                fail(QStringLiteral("{%1} is not a field").arg(token), pos);
        } else if (isIdentifier(body)) {
            s.kind = Segment::Field;
            s.text = body;
        } else {
            fail(QStringLiteral("{%1} is not a field, parameter, report value, page number or total").arg(token), pos);
        }
        return s;
    }

    // The ":Name" placeholders of a query, outside literals, quoted names and comments.
    QStringList placeholders(const QueryDef &q, const ReportBody &body)
    {
        QStringList names;
        const data::PlaceholderScan scan = data::rewritePlaceholders(q.sql, [](const QString &) { return QString(); });
        for (qsizetype k = 0; k < scan.names.size(); ++k) {
            const QString &name = scan.names[k];
            const qsizetype i = scan.offsets[k];
            if (body.paramIndex(name) < 0) {
                const int line = q.pos.line + int(q.sql.left(i).count(QLatin1Char('\n')));
                fail(QStringLiteral("query \"%1\" uses :%2, which is not a declared parameter").arg(q.name, name),
                    { line, int(i - q.sql.lastIndexOf(QLatin1Char('\n'), i)) });
            }
            const QString declared = body.params[body.paramIndex(name)].name;
            if (!names.contains(declared))
                names.append(declared);
        }
        return names;
    }

    // Tokens that can only be checked once the whole body is known.
    void checkBands(const std::optional<Band> &band, const ReportBody &body, int groupLevel)
    {
        if (!band)
            return;
        for (const Element &e : band->elements) {
            for (const Segment &s : e.segments) {
                const QString token = tokenText(s);
                switch (s.kind) {
                case Segment::Field:
                    if (body.detailQuery.isEmpty())
                        fail(QStringLiteral("{%1}: this %2 has no <detail> rows; name the query, as in {%3.%1}")
                                 .arg(token,
                                     body.name.isEmpty() ? QStringLiteral("report") : QStringLiteral("subreport"),
                                     body.queries.isEmpty() ? QStringLiteral("query") : body.queries.first().name),
                            e.pos);
                    if (band->kind == BandKind::NoRows)
                        fail(QStringLiteral("{%1}: the no-rows band has no row to print").arg(token), e.pos);
                    break;
                case Segment::QueryField:
                    if (body.queryIndex(s.text) < 0)
                        fail(QStringLiteral("{%1}: there is no query \"%2\"").arg(token, s.text), e.pos);
                    break;
                case Segment::Param:
                    if (body.paramIndex(s.text) < 0)
                        fail(QStringLiteral("{%1}: there is no parameter \"%2\"").arg(token, s.text), e.pos);
                    break;
                case Segment::Aggregate: {
                    if (body.detailQuery.isEmpty())
                        fail(QStringLiteral("{%1}: totals need <detail> rows").arg(token), e.pos);
                    if (band->kind == BandKind::PageHeader || band->kind == BandKind::NoRows)
                        fail(QStringLiteral(
                                 "{%1}: totals cannot be printed in this band; page totals go in the page footer")
                                 .arg(token),
                            e.pos);
                    const QString scope = s.scope;
                    if (scope == QLatin1String("page")) {
                        if (band->kind != BandKind::PageFooter)
                            fail(QStringLiteral("{%1}: page totals can only be printed in the page footer").arg(token),
                                e.pos);
                    } else if (!scope.isEmpty() && scope != QLatin1String("report")) {
                        int level = -1;
                        for (int i = 0; i < body.groups.size(); ++i)
                            if (body.groups[i].name.compare(scope, Qt::CaseInsensitive) == 0)
                                level = i;
                        if (level < 0)
                            fail(QStringLiteral("{%1}: there is no group \"%2\"").arg(token, scope), e.pos);
                        if (band->kind != BandKind::Detail && (groupLevel < 0 || level > groupLevel))
                            fail(
                                QStringLiteral("{%1}: group \"%2\" is not open in this band").arg(token, scope), e.pos);
                    }
                    break;
                }
                default:
                    break;
                }
            }
        }
    }

    static QString tokenText(const Segment &s)
    {
        switch (s.kind) {
        case Segment::QueryField:
            return s.text + QLatin1Char('.') + s.field;
        case Segment::Param:
            return QStringLiteral("param.") + s.text;
        case Segment::Aggregate:
            return s.field.isEmpty() ? QStringLiteral("count") : s.field;
        default:
            return s.text;
        }
    }

    void checkBody(const ReportBody &body)
    {
        checkBands(body.reportHeader, body, -1);
        checkBands(body.reportFooter, body, -1);
        checkBands(body.detail, body, int(body.groups.size()));
        checkBands(body.noRows, body, -1);
        for (int i = 0; i < body.groups.size(); ++i) {
            checkBands(body.groups[i].header, body, i);
            checkBands(body.groups[i].footer, body, i);
        }
    }

    QXmlStreamReader m_xml;
    QString m_file;
    ReportDefinition m_def;
};

} // namespace

ReportDefinition parseDefinition(const QByteArray &xml, const QString &displayName)
{
    return Loader(xml, displayName).run();
}

ReportDefinition loadDefinition(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(QFileInfo(path).fileName(), 0, 0,
            QStringLiteral("the report definition cannot be read (%1): %2").arg(file.errorString(), path));
    return parseDefinition(file.readAll(), QFileInfo(path).fileName());
}

QFont FontSpec::font() const
{
    QFont f(family);
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

} // namespace mss::reports
