// Loading definitions strictly (every fault named with its line) and printing values through
// masks exactly as a hospital's forms show them, under any locale.
#include "data/format.h"
#include "engine/fieldformat.h"
#include "engine/reportdefinition.h"

#include <QDir>
#include <QLocale>
#include <QtTest>

using namespace mss::reports;

class TestReportDefinition : public QObject {
    Q_OBJECT

private slots:
    void faultsAreNamedWithTheirLine_data();
    void faultsAreNamedWithTheirLine();
    void aGoodDefinitionLoads();
    void shippedDefinitionsLoad();
    void missingFileIsNamed();
    void masks_data();
    void masks();
    void moneyMaskMatchesTheFormsAmounts();
    void masksIgnoreTheLocale();
    void badMasks_data();
    void badMasks();
};

namespace {

// A definition whose line 5 is replaced by the case's line, so every fault sits on line 5.
QString withLine(const QString &line, const QString &extraParams = {})
{
    return QStringLiteral("<report title=\"T\">\n"
                          "  <param name=\"From\" type=\"date\"/>%1\n"
                          "  <query name=\"main\">SELECT 1 AS A</query>\n"
                          "  <group name=\"ward\" key=\"A\"><header height=\"10\"/></group>\n"
                          "%2\n"
                          "  <detail query=\"main\" height=\"12\"><text>{A}</text></detail>\n"
                          "</report>\n")
        .arg(extraParams, line);
}

} // namespace

void TestReportDefinition::faultsAreNamedWithTheirLine_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    auto row = [](const char *name, const QString &line5, const char *message) {
        QTest::newRow(name) << withLine(line5) << 5 << QString::fromUtf8(message);
    };
    row("unknown element", QStringLiteral("  <summary height=\"10\"/>"), "<summary> is not allowed");
    row("unknown attribute", QStringLiteral("  <reportFooter height=\"10\" colour=\"red\"/>"),
        "no attribute \"colour\"");
    row("unknown element in a band", QStringLiteral("  <reportFooter height=\"10\"><image/></reportFooter>"),
        "not an element of a band");
    row("unknown report value",
        QStringLiteral("  <reportFooter height=\"10\"><text>{report.hospital}</text></reportFooter>"),
        "report values are");
    row("unknown token form", QStringLiteral("  <reportFooter height=\"10\"><text>{A + 1}</text></reportFooter>"),
        "is not a field");
    row("unclosed brace", QStringLiteral("  <reportFooter height=\"10\"><text>Total {A</text></reportFooter>"),
        "without its '}'");
    row("stray brace", QStringLiteral("  <reportFooter height=\"10\"><text>Total A}</text></reportFooter>"),
        "without its '{'");
    row("two-digit year", QStringLiteral("  <reportFooter height=\"10\"><text>{A:mm/dd/yy}</text></reportFooter>"),
        "two-digit year");
    row("minutes written as mm", QStringLiteral("  <reportFooter height=\"10\"><text>{A:hh:mm}</text></reportFooter>"),
        "write minutes as \"nn\"");
    row("not a mask", QStringLiteral("  <reportFooter height=\"10\"><text>{A:currency}</text></reportFooter>"),
        "neither a number mask");
    row("band taller than a page", QStringLiteral("  <reportFooter height=\"800\"/>"), "a page has room for");
    row("element past the printable width",
        QStringLiteral("  <reportFooter height=\"10\"><text x=\"500\" w=\"60\">x</text></reportFooter>"),
        "past the printable width");
    row("element below its band", QStringLiteral("  <reportFooter height=\"10\"><box y=\"5\" h=\"8\"/></reportFooter>"),
        "below the band's height");
    row("undeclared parameter", QStringLiteral("  <reportFooter height=\"10\"><text>{param.To}</text></reportFooter>"),
        "no parameter \"To\"");
    row("undeclared query", QStringLiteral("  <reportFooter height=\"10\"><text>{other.A}</text></reportFooter>"),
        "no query \"other\"");
    row("total in the page header", QStringLiteral("  <pageHeader height=\"10\"><text>{sum(A)}</text></pageHeader>"),
        "page totals go in the page footer");
    row("page total outside the page footer",
        QStringLiteral("  <reportFooter height=\"10\"><text>{sum(A)@page}</text></reportFooter>"),
        "only be printed in the page footer");
    row("unknown group", QStringLiteral("  <reportFooter height=\"10\"><text>{sum(A)@ward2}</text></reportFooter>"),
        "no group \"ward2\"");
    row("group total where the group is closed",
        QStringLiteral("  <reportFooter height=\"10\"><text>{sum(A)@ward}</text></reportFooter>"),
        "not open in this band");
    row("growing page footer", QStringLiteral("  <pageFooter height=\"10\"><text grow=\"true\">x</text></pageFooter>"),
        "cannot grow");
    row("bad boolean", QStringLiteral("  <reportFooter height=\"10\"><text bold=\"maybe\">x</text></reportFooter>"),
        "must be true or false");
    row("bad size", QStringLiteral("  <reportFooter height=\"ten\"/>"), "is not a size in points");
    row("unknown font",
        QStringLiteral("  <reportFooter height=\"10\"><text font=\"Comic Sans\">x</text></reportFooter>"),
        "is not one of Liberation Sans");
    row("query using an undeclared parameter",
        QStringLiteral("  <query name=\"q2\">SELECT * FROM t WHERE d = :To</query>"),
        "uses :To, which is not a declared parameter");
    row("duplicate query", QStringLiteral("  <query name=\"main\">SELECT 2</query>"), "declared twice");
    row("not well-formed", QStringLiteral("  <reportFooter height=\"10\"><text>a < b</text></reportFooter>"),
        "not well-formed");

    QTest::newRow("bad parameter type") << withLine(
        QString(), QStringLiteral("\n  <param name=\"N\" type=\"integer\"/>"))
                                        << 3 << QStringLiteral("must be text, number or date");
    QTest::newRow("detail over an undeclared query")
        << QStringLiteral("<report>\n<detail query=\"nope\" height=\"10\"/>\n</report>") << 2
        << QStringLiteral("not declared");
    QTest::newRow("field without detail rows")
        << QStringLiteral("<report>\n<query name=\"q\">SELECT 1 AS A</query>\n<reportHeader "
                          "height=\"10\">\n<text>{A}</text>\n</reportHeader>\n</report>")
        << 4 << QStringLiteral("as in {q.A}");
    QTest::newRow("placeholder line inside the query") << QStringLiteral(
        "<report>\n<param name=\"P\"/>\n<query name=\"q\"><![CDATA[SELECT 1\n  FROM t\n WHERE a = ':X' -- :Y\n   AND b "
        "= :Z]]></query>\n</report>") << 6 << QStringLiteral("uses :Z");
}

void TestReportDefinition::faultsAreNamedWithTheirLine()
{
    QFETCH(QString, xml);
    QFETCH(int, line);
    QFETCH(QString, message);
    try {
        parseDefinition(xml.toUtf8(), QStringLiteral("Broken.rpt"));
        QFAIL("the definition loaded");
    } catch (const ReportError &e) {
        const QString what = QString::fromUtf8(e.what());
        QVERIFY2(what.startsWith(QStringLiteral("Broken.rpt:%1:").arg(line)), qPrintable(what));
        QVERIFY2(what.contains(message), qPrintable(what));
        QCOMPARE(e.line(), line);
    }
}

void TestReportDefinition::aGoodDefinitionLoads()
{
    const ReportDefinition def = parseDefinition(
        R"(<report title="Census" paper="Legal" orientation="landscape" margins="18,18,18,18" font="Arial" size="8">
             <param name="From" type="date"/><param name="Kind" type="number"/><param name="Who" default="x"/>
             <query name="main"><![CDATA[SELECT * FROM t WHERE d >= :From AND d < :From AND k = :Kind -- :Ignored
               AND n <> ':NotAParam']]></query>
             <group key="Ward"><header height="12"><text>{Ward}</text></header><footer height="12"><text>{sum(Amount)}</text></footer></group>
             <detail query="main" height="12"><text w="100">{Name} {{literal}}</text><line x2="100"/><box w="20" h="5" fill="#eeeeee"/></detail>
             <pageFooter height="12"><text>Page {page} of {pages} {sum(Amount)@page} {count@report}</text></pageFooter>
             <subreport name="II.Caseload" newPage="true"><param name="From" type="date"/>
               <query name="q">SELECT 1 AS A WHERE :From IS NOT NULL</query><detail query="q" height="10"><text>{A}</text></detail>
             </subreport>
           </report>)",
        QStringLiteral("Census.rpt"));
    QCOMPARE(def.pageSize, QSizeF(1008, 612));
    QCOMPARE(def.font.family, QStringLiteral("Liberation Sans"));
    QCOMPARE(def.main.params.size(), 3);
    QCOMPARE(def.main.queries.first().parameters, (QStringList { QStringLiteral("From"), QStringLiteral("Kind") }));
    QCOMPARE(def.main.groups.first().name, QStringLiteral("Ward"));
    QCOMPARE(def.subreportIndex(QStringLiteral("ii.caseload")), 0);
    const QList<Segment> &segments = def.main.detail->elements.first().segments;
    QCOMPARE(segments.size(), 2);
    QCOMPARE(segments.last().text, QStringLiteral(" {literal}"));
}

void TestReportDefinition::shippedDefinitionsLoad()
{
    // ctest names the source folder; run by hand, this file's path (relative to the build
    // folder, where the compiler ran) leads there.
    QString source = qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    if (source.isEmpty())
        source = QDir::cleanPath(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
                                     .absoluteFilePath(QStringLiteral(__FILE__))
            + QStringLiteral("/../../.."));
    const QDir dir(source + QStringLiteral("/REPORTS"));
    const QStringList files = dir.entryList({ QStringLiteral("*.rpt"), QStringLiteral("*.RPT") }, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &file : files) {
        try {
            loadDefinition(dir.filePath(file));
        } catch (const ReportError &e) {
            QFAIL(e.what());
        }
    }
}

void TestReportDefinition::missingFileIsNamed()
{
    try {
        loadDefinition(QStringLiteral("/nonexistent/Nothing.rpt"));
        QFAIL("loaded");
    } catch (const ReportError &e) {
        QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("Nothing.rpt")));
    }
}

void TestReportDefinition::masks_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("text");
    const QString money = QStringLiteral("##,###,###,##0.00");
    const QDateTime afternoon(QDate(2026, 12, 9), QTime(14, 27, 5));
    QTest::newRow("money zero") << QVariant(0.0) << money << "0.00";
    QTest::newRow("money negative") << QVariant(-1234.5) << money << "-1,234.50";
    QTest::newRow("money rounds half up at .005") << QVariant(1.005) << money << "1.01";
    QTest::newRow("money .675") << QVariant(2.675) << money << "2.68";
    QTest::newRow("money negative rounding to zero") << QVariant(-0.004) << money << "0.00";
    QTest::newRow("money beyond the mask's digits") << QVariant(123456789012345.0) << money << "123,456,789,012,345.00";
    QTest::newRow("money from text") << QVariant(QStringLiteral("1,250.5")) << money << "1,250.50";
    QTest::newRow("money from an integer") << QVariant(1000000) << money << "1,000,000.00";
    QTest::newRow("whole number") << QVariant(1234.5) << "#,##0"
                                  << "1,235";
    QTest::newRow("three decimals") << QVariant(0.0005) << "0.000"
                                    << "0.001";
    QTest::newRow("optional decimals") << QVariant(2.5) << "0.0#"
                                       << "2.5";
    QTest::newRow("no grouping") << QVariant(1234567.0) << "0"
                                 << "1234567";
    QTest::newRow("text under a number mask stays text") << QVariant(QStringLiteral("N/A")) << money << "N/A";
    QTest::newRow("null prints nothing") << QVariant() << money << "";
    QTest::newRow("month, not minutes") << QVariant(afternoon) << "mm/dd/yyyy"
                                        << "12/09/2026";
    QTest::newRow("month from database text") << QVariant(QStringLiteral("2026-12-09 14:27:00")) << "mm/dd/yyyy"
                                              << "12/09/2026";
    QTest::newRow("US text date") << QVariant(QStringLiteral("3/7/2026")) << "mm/dd/yyyy"
                                  << "03/07/2026";
    QTest::newRow("short month day") << QVariant(QDate(2026, 3, 7)) << "m/d/yyyy"
                                     << "3/7/2026";
    QTest::newRow("long month") << QVariant(QDate(2026, 3, 7)) << "mmmm d, yyyy"
                                << "March 7, 2026";
    QTest::newRow("time with minutes") << QVariant(afternoon) << "h:nn AM/PM"
                                       << "2:27 PM";
    QTest::newRow("24-hour time") << QVariant(afternoon) << "hh:nn:ss"
                                  << "14:27:05";
    QTest::newRow("midnight in 12-hour form") << QVariant(QDateTime(QDate(2026, 1, 1), QTime(0, 5))) << "h:nn AM/PM"
                                              << "12:05 AM";
    QTest::newRow("general date with time") << QVariant(afternoon) << "general date"
                                            << "12/9/2026 2:27:05 PM";
    QTest::newRow("general date at midnight") << QVariant(QDate(2026, 12, 9)) << "general date"
                                              << "12/9/2026";
    QTest::newRow("short date has four digits") << QVariant(QDate(2001, 2, 3)) << "short date"
                                                << "2/3/2001";
    QTest::newRow("text that is no date stays") << QVariant(QStringLiteral("pending")) << "mm/dd/yyyy"
                                                << "pending";
    QTest::newRow("upper") << QVariant(QStringLiteral("dela Cruz")) << "upper"
                           << "DELA CRUZ";
}

void TestReportDefinition::masks()
{
    QFETCH(QVariant, value);
    QFETCH(QString, mask);
    QFETCH(QString, text);
    QString error;
    const auto format = FieldFormat::parse(mask, &error);
    QVERIFY2(format, qPrintable(error));
    QCOMPARE(format->apply(value), text);
}

void TestReportDefinition::moneyMaskMatchesTheFormsAmounts()
{
    QString error;
    const auto format = FieldFormat::parse(QStringLiteral("##,###,###,##0.00"), &error);
    for (double v :
        { 0.0, 0.005, 0.015, 1.005, 2.675, 999.995, -999.995, 1e9 + 0.125, 12345678.9, -0.5, 1e-7, 4503599627370496.5 })
        QCOMPARE(format->apply(v), mss::data::formatMoney(v));
}

void TestReportDefinition::masksIgnoreTheLocale()
{
    QString error;
    const auto money = FieldFormat::parse(QStringLiteral("##,###,###,##0.00"), &error);
    const auto date = FieldFormat::parse(QStringLiteral("mmmm d, yyyy"), &error);
    const QString before = money->apply(1234567.891) + date->apply(QDate(2026, 5, 1)) + FieldFormat::plain(2.5);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString after = money->apply(1234567.891) + date->apply(QDate(2026, 5, 1)) + FieldFormat::plain(2.5);
    QLocale::setDefault(saved);
    QCOMPARE(after, before);
    QCOMPARE(before, QStringLiteral("1,234,567.89May 1, 20262.5"));
}

void TestReportDefinition::badMasks_data()
{
    QTest::addColumn<QString>("mask");
    QTest::newRow("two decimal points") << "0.0.0";
    QTest::newRow("separator in the decimals") << "0.0,0";
    QTest::newRow("zero after hash in the decimals") << "0.#0";
    QTest::newRow("five m's") << "mmmmm";
    QTest::newRow("one-letter minutes") << "h:n";
    QTest::newRow("literal text only") << "--";
}

void TestReportDefinition::badMasks()
{
    QFETCH(QString, mask);
    QString error;
    QVERIFY(!FieldFormat::parse(mask, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestReportDefinition)
#include "tst_reportdefinition.moc"
