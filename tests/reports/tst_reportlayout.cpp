// Running definitions on a real embedded database: bound values, totals against SQL, and the
// invariants of pagination from an empty report to 5,000 rows; then the PDF agrees with the model.
#include "reporttesting.h"

#include "data/format.h"
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "engine/reportfiles.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace mss;
using namespace mss::reports;

class TestReportLayout : public QObject {
    Q_OBJECT

private slots:
    void pagination_data();
    void pagination();
    void groupsAndTotals();
    void oversizedBandEnds();
    void bindingKeepsValuesData();
    void parameterCountsAndTypes();
    void failuresNameTheLine();
    void subreportsTakeTheirOwnValues();
    void pdfAgreesWithTheModel();
    void shippedCensusOnTheDemoDatabase();

private:
    test::TempHospital m_db;
};

namespace {

// Printable 720 pt; header and footer 20 each leave 680; the report header takes 40 on the first
// page. So page 1 holds 40 rows of 16 pt and every later page 42.
const QString listDefinition = QStringLiteral(R"(<report title="List">
  <param name="Upto" type="number" default="1000000"/>
  <query name="main">SELECT Seq, Name, Amount FROM tbCensus WHERE Seq &lt;= :Upto ORDER BY Seq</query>
  <reportHeader height="40"><text h="20" bold="true" size="12">{report.hospitalName}</text><text y="20" h="20">{report.title}</text></reportHeader>
  <pageHeader height="20"><text w="100">Name</text><text x="440" w="100" align="right">Amount</text></pageHeader>
  <detail query="main" height="16"><text w="100">{Name}</text><text x="440" w="100" align="right">{Amount:##,###,###,##0.00}</text></detail>
  <pageFooter height="20"><text w="300">Page total {sum(Amount)}</text><text x="340" w="200" align="right">Page {page} of {pages}</text></pageFooter>
</report>)");

void checkInvariants(const PageModel &model, int rows)
{
    int expectedRow = 0;
    for (int p = 0; p < model.pageCount(); ++p) {
        const Page page = model.page(p);
        const PlacedBand *lastBody = nullptr;
        for (const PlacedBand &band : page.bands) {
            if (band.kind == BandKind::PageFooter) {
                QVERIFY(std::abs(band.rect.top() - model.bodyBottom) < 0.01);
                continue;
            }
            QVERIFY2(band.rect.bottom() <= model.bodyBottom + 0.01,
                qPrintable(QStringLiteral("a band on page %1 reaches over the page footer").arg(p + 1)));
            if (band.kind == BandKind::Detail && band.body == 0 && !band.continued) {
                QCOMPARE(band.row, expectedRow);
                ++expectedRow;
            }
            if (band.kind != BandKind::PageHeader)
                lastBody = &band;
        }
        if (lastBody)
            QVERIFY2(lastBody->kind != BandKind::GroupHeader,
                qPrintable(QStringLiteral("a group header is left alone at the foot of page %1").arg(p + 1)));
        for (const TextRun &t : page.texts())
            QVERIFY(t.origin.y() <= model.pageSize.height() && t.origin.x() >= 0);
        QVERIFY2(model.pageText(p).contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(model.pageCount())),
            qPrintable(model.pageText(p).right(80)));
    }
    QCOMPARE(expectedRow, rows);
}

std::shared_ptr<const PageModel> runXml(data::Connection &c, const QString &xml, const QVariantList &values = {})
{
    Report report(test::parse(xml));
    report.setParameters(values);
    return report.run(test::contextOf(c));
}

} // namespace

void TestReportLayout::pagination_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("no rows") << 0 << 1;
    QTest::newRow("one row") << 1 << 1;
    QTest::newRow("exactly one page") << 40 << 1;
    QTest::newRow("one page and one row") << 41 << 2;
    QTest::newRow("exactly two pages") << 82 << 2;
    QTest::newRow("5,000 rows") << 5000 << 1 + (4960 + 41) / 42;
}

void TestReportLayout::pagination()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    test::fillCensus(m_db.connection(), rows);
    const auto model = runXml(m_db.connection(), listDefinition);
    QCOMPARE(model->pageCount(), pages);
    checkInvariants(*model, rows);
    if (rows > 0) {
        QVERIFY(model->pageText(0).contains(QStringLiteral("PORT HALDEN GENERAL HOSPITAL")));
        QVERIFY(model->pageText(0).contains(QStringLiteral("PATIENT 00001")));
        QVERIFY(model->pageText(pages - 1).contains(QStringLiteral("PATIENT %1").arg(rows, 5, 10, QLatin1Char('0'))));
        // The page total of page 1 is the SQL sum of its 40 (or fewer) rows.
        const double sum = m_db.connection()
                               .query(QStringLiteral("SELECT SUM(Amount) FROM tbCensus WHERE Seq <= 40"))
                               .rows()[0][0]
                               .toDouble();
        QVERIFY(model->pageText(0).contains(QStringLiteral("Page total ") + data::formatMoney(sum)));
    }
}

void TestReportLayout::groupsAndTotals()
{
    // Groups of 37 rows with a repeated header, a group newPage off, running numbers per group.
    test::fillCensus(m_db.connection(), 500, 37);
    const QString xml = QStringLiteral(R"(<report title="Wards">
      <query name="main">SELECT Ward, Seq, Name, Amount FROM tbCensus ORDER BY Seq</query>
      <pageHeader height="14"><text>Name</text></pageHeader>
      <group name="ward" key="Ward" repeatHeader="true">
        <header height="30"><text h="30" bold="true">Ward {Ward}</text></header>
        <footer height="16"><text w="300">Total of {Ward}: {sum(Amount)} in {count} rows</text></footer>
      </group>
      <detail query="main" height="15"><text w="40">{count@ward}</text><text x="40" w="200">{Name}</text><text x="300" w="200">{sum(Amount)}</text></detail>
      <reportFooter height="16"><text>Grand total {sum(Amount)} of {count:#,##0} rows, largest {max(Amount)}</text></reportFooter>
      <pageFooter height="14"><text>Page {page} of {pages}</text></pageFooter>
    </report>)");
    const auto model = runXml(m_db.connection(), xml);
    checkInvariants(*model, 500);
    QString all;
    for (int p = 0; p < model->pageCount(); ++p)
        all += model->pageText(p) + QLatin1Char('\n');
    const data::Recordset sums = m_db.connection().query(
        QStringLiteral("SELECT Ward, SUM(Amount), COUNT(*) FROM tbCensus GROUP BY Ward ORDER BY Ward"));
    QCOMPARE(sums.recordCount(), 14);
    for (const QVariantList &row : sums.rows())
        QVERIFY2(all.contains(QStringLiteral("Total of %1: %2 in %3 rows")
                                  .arg(row[0].toString(), data::formatMoney(row[1].toDouble()))
                                  .arg(row[2].toInt())),
            qPrintable(row[0].toString()));
    const data::Recordset total
        = m_db.connection().query(QStringLiteral("SELECT SUM(Amount), MAX(Amount) FROM tbCensus"));
    QVERIFY(all.contains(
        QStringLiteral("Grand total %1 of 500 rows, largest %2")
            .arg(data::formatMoney(total.rows()[0][0].toDouble()), data::formatMoney(total.rows()[0][1].toDouble()))));
    // The running total on the last row equals the grand total; numbering restarts per ward.
    QVERIFY(all.contains(QStringLiteral("37 PATIENT 00037")));
    QVERIFY(all.contains(QStringLiteral("1 PATIENT 00038")));
    // A ward running onto a new page shows its header again at the top of that page.
    int repeated = 0;
    for (int p = 0; p < model->pageCount(); ++p)
        for (const PlacedBand &band : model->page(p).bands)
            repeated += band.kind == BandKind::GroupHeader && band.continued ? 1 : 0;
    QVERIFY(repeated > 0);
}

void TestReportLayout::oversizedBandEnds()
{
    // One row whose text needs several pages, between ordinary rows: the layout goes on line by
    // line and ends, and nothing is printed over the page footer.
    test::fillCensus(m_db.connection(), 3);
    QString words;
    for (int i = 0; i < 6000; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    m_db.connection().query(
        QStringLiteral("UPDATE tbCensus SET Name = :n WHERE Seq = 2"), { { QStringLiteral("n"), words } });
    const QString xml = QStringLiteral(R"(<report>
      <query name="main">SELECT Name FROM tbCensus ORDER BY Seq</query>
      <detail query="main" height="14"><text grow="true">{Name}</text><line x1="0" y1="0" x2="0" y2="14" stretch="true"/></detail>
      <pageFooter height="14"><text>Page {page} of {pages}</text></pageFooter>
    </report>)");
    const auto model = runXml(m_db.connection(), xml);
    QVERIFY(model->pageCount() > 3);
    checkInvariants(*model, 3);
    QString all;
    for (int p = 0; p < model->pageCount(); ++p)
        all += model->pageText(p) + QLatin1Char(' ');
    QVERIFY(all.contains(QStringLiteral("word0 ")));
    QVERIFY(all.contains(QStringLiteral("word5999")));
    for (int p = 0; p < model->pageCount(); ++p)
        for (const RuleItem &l : model->page(p).lines)
            QVERIFY(std::max(l.line.y1(), l.line.y2()) <= model->bodyBottom + 0.01);
}

void TestReportLayout::bindingKeepsValuesData()
{
    test::fillCensus(m_db.connection(), 30);
    m_db.connection().executeScript(QStringLiteral("UPDATE tbCensus SET Name = NULL WHERE Seq = 5;"));
    const QString xml = QStringLiteral(R"(<report>
      <param name="Name"/><param name="From" type="date"/>
      <query name="main">SELECT COUNT(*) AS N FROM tbCensus WHERE (Name = :Name OR (:Name IS NULL AND Name IS NULL)) AND AdmDate >= :From</query>
      <reportHeader height="14"><text>Found {main.N}</text></reportHeader>
    </report>)");
    auto found = [&](const QVariantList &values) { return runXml(m_db.connection(), xml, values)->pageText(0); };
    QCOMPARE(found({ QStringLiteral("PATIENT 00003"), QStringLiteral("03/01/2026") }), QStringLiteral("Found 1"));
    QCOMPARE(found({ QStringLiteral("x' OR 1=1 --"), QStringLiteral("03/01/2026") }), QStringLiteral("Found 0"));
    QCOMPARE(found({ QStringLiteral("PATIENT 00003' OR '1'='1"), QDate(2026, 3, 1) }), QStringLiteral("Found 0"));
    QCOMPARE(found({ QVariant(), QDate(2026, 3, 1) }), QStringLiteral("Found 1")); // a null value is bound as null
    QCOMPARE(found({ QStringLiteral("PATIENT 00003"), QStringLiteral("03/05/2026") }), QStringLiteral("Found 0"));
}

void TestReportLayout::parameterCountsAndTypes()
{
    test::fillCensus(m_db.connection(), 10);
    const QString xml = QStringLiteral(R"(<report>
      <param name="Kind" type="number"/><param name="From" type="date"/><param name="Note" default="none"/>
      <query name="main">SELECT :Kind + 1 AS K, :From AS F, :Note AS N</query>
      <reportHeader height="14"><text>{main.K} {main.F:mm/dd/yyyy} {main.N} {param.Kind}</text></reportHeader>
    </report>)");
    // Extra values are ignored; a left-out parameter with a default takes it.
    QCOMPARE(
        runXml(m_db.connection(), xml, { 2, QStringLiteral("12/9/2026"), QStringLiteral("n"), QStringLiteral("extra") })
            ->pageText(0),
        QStringLiteral("3 12/09/2026 n 2"));
    QCOMPARE(runXml(m_db.connection(), xml, { QStringLiteral("2"), QDate(2026, 12, 9) })->pageText(0),
        QStringLiteral("3 12/09/2026 none 2"));
    // Too few values: the missing parameter is named with its line.
    try {
        runXml(m_db.connection(), xml, { 2 });
        QFAIL("ran with a parameter missing");
    } catch (const ReportError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("test.rpt:2:")), e.what());
        QVERIFY2(
            QString::fromUtf8(e.what()).contains(QStringLiteral("parameter From (number 2) has no value")), e.what());
    }
    // A value of the wrong type fails when it is set.
    Report report(test::parse(xml));
    QVERIFY_THROWS_EXCEPTION(ReportError, report.setParameters({ QStringLiteral("two") }));
    QVERIFY_THROWS_EXCEPTION(ReportError, report.setParameters({ 1, QStringLiteral("13/45/2026") }));
    report.setParameters({}); // an empty list sets nothing
    QVERIFY_THROWS_EXCEPTION(ReportError, report.run(test::contextOf(m_db.connection())));
}

void TestReportLayout::failuresNameTheLine()
{
    test::fillCensus(m_db.connection(), 3);
    auto failure = [&](const QString &xml) -> QString {
        try {
            runXml(m_db.connection(), xml);
        } catch (const ReportError &e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    };
    const QString badQuery
        = failure(QStringLiteral("<report>\n<query name=\"main\">SELECT Nope FROM tbCensus</query>\n"
                                 "<detail query=\"main\" height=\"10\"><text>{Nope}</text></detail>\n</report>"));
    QVERIFY2(badQuery.startsWith(QStringLiteral("test.rpt:2:"))
            && badQuery.contains(QStringLiteral("query \"main\" failed")),
        qPrintable(badQuery));
    const QString badField
        = failure(QStringLiteral("<report>\n<query name=\"main\">SELECT Name FROM tbCensus</query>\n"
                                 "<detail query=\"main\" height=\"10\">\n<text>{Nmae}</text></detail>\n</report>"));
    QVERIFY2(badField.startsWith(QStringLiteral("test.rpt:4:"))
            && badField.contains(QStringLiteral("no column \"Nmae\" (it returns: Name)")),
        qPrintable(badField));
    const QString badGroup
        = failure(QStringLiteral("<report>\n<query name=\"main\">SELECT Name FROM tbCensus</query>\n"
                                 "<group key=\"Ward\"/>\n<detail query=\"main\" height=\"10\"/>\n</report>"));
    QVERIFY2(badGroup.startsWith(QStringLiteral("test.rpt:3:")), qPrintable(badGroup));
    const QString badSum = failure(QStringLiteral("<report>\n<query name=\"main\">SELECT Name FROM tbCensus</query>\n"
                                                  "<detail query=\"main\" height=\"10\"/>\n<reportFooter "
                                                  "height=\"10\"><text>{sum(Name)}</text></reportFooter>\n</report>"));
    QVERIFY2(badSum.contains(QStringLiteral("is not a number")), qPrintable(badSum));
}

void TestReportLayout::subreportsTakeTheirOwnValues()
{
    test::fillCensus(m_db.connection(), 60);
    const QString xml = QStringLiteral(R"(<report title="Monthly">
      <param name="Who"/>
      <reportHeader height="20"><text>Prepared by {param.Who}</text></reportHeader>
      <subreport name="I.Source"><param name="Upto" type="number"/>
        <query name="q">SELECT Name, Amount FROM tbCensus WHERE Seq &lt;= :Upto ORDER BY Seq</query>
        <reportHeader height="16"><text bold="true">I. Source of referral</text></reportHeader>
        <detail query="q" height="14"><text>{Name}</text></detail>
        <reportFooter height="16"><text>Subtotal {sum(Amount)} of {count}</text></reportFooter>
      </subreport>
      <subreport name="documentation" newPage="true"><param name="From" type="date"/><param name="User"/>
        <query name="q">SELECT COUNT(*) AS N FROM tbCensus WHERE AdmDate &gt;= :From</query>
        <reportHeader height="16"><text>V. Documentation {q.N} by {param.User}</text></reportHeader>
      </subreport>
      <pageFooter height="14"><text>Page {page} of {pages}</text></pageFooter>
    </report>)");
    Report report(test::parse(xml));
    report.setParameters({ QStringLiteral("Ana") });
    report.setSubreportParameters(QStringLiteral("I.Source"), { 55 });
    report.setSubreportParameters(
        QStringLiteral("documentation"), { QStringLiteral("03/20/2026"), QStringLiteral("MSS01") });
    QVERIFY_THROWS_EXCEPTION(ReportError, report.setSubreportParameters(QStringLiteral("II.Caseload"), {}));
    const auto model = report.run(test::contextOf(m_db.connection()));
    QCOMPARE(model->pageCount(), 3);
    const double sum = m_db.connection()
                           .query(QStringLiteral("SELECT SUM(Amount) FROM tbCensus WHERE Seq <= 55"))
                           .rows()[0][0]
                           .toDouble();
    const int since = m_db.connection()
                          .query(QStringLiteral("SELECT COUNT(*) FROM tbCensus WHERE AdmDate >= '2026-03-20'"))
                          .rows()[0][0]
                          .toInt();
    QVERIFY(model->pageText(0).startsWith(QStringLiteral("Prepared by Ana\nI. Source of referral\nPATIENT 00001")));
    QVERIFY(model->pageText(1).contains(QStringLiteral("Subtotal %1 of 55").arg(data::formatMoney(sum))));
    QVERIFY(!model->pageText(1).contains(QStringLiteral("PATIENT 00056")));
    QVERIFY(model->pageText(2).startsWith(QStringLiteral("V. Documentation %1 by MSS01").arg(since)));
}

void TestReportLayout::pdfAgreesWithTheModel()
{
    test::fillCensus(m_db.connection(), 200);
    const auto model = runXml(m_db.connection(), listDefinition);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    writePdf(*model, pdf);
    QCOMPARE(test::pdfPageCount(pdf), model->pageCount());
    for (int p = 1; p <= model->pageCount(); ++p) {
        const QString text = test::pdfText(pdf, p);
        QVERIFY2(
            text.contains(QStringLiteral("Page %1 of %2").arg(p).arg(model->pageCount())), qPrintable(text.right(200)));
        const int firstRow = p == 1 ? 1 : 41 + (p - 2) * 42;
        QVERIFY2(text.contains(QStringLiteral("PATIENT %1").arg(firstRow, 5, 10, QLatin1Char('0'))),
            qPrintable(text.left(300)));
    }
    // Painting a page twice gives the same picture, at screen and at print resolution alike.
    for (int dpi : { 96, 300 }) {
        auto paint = [&] {
            QImage image(int(model->pageSize.width() * dpi / 72), int(model->pageSize.height() * dpi / 72),
                QImage::Format_RGB32);
            image.setDotsPerMeterX(qRound(dpi / 0.0254));
            image.setDotsPerMeterY(qRound(dpi / 0.0254));
            image.fill(Qt::white);
            QPainter painter(&image);
            model->paintPage(painter, 1);
            return image;
        };
        const QImage first = paint();
        QCOMPARE(first, paint());
        QImage blank(first.size(), first.format());
        blank.fill(Qt::white);
        QVERIFY(first != blank);
    }
    // The entry point for tools renders the same pages.
    const QString path = test::writeFile(dir.path(), QStringLiteral("List.rpt"), listDefinition);
    QCOMPARE(renderToPdf(path, test::contextOf(m_db.connection()), {}, {}, dir.filePath(QStringLiteral("again.pdf"))),
        model->pageCount());
    QCOMPARE(test::pdfPageCount(dir.filePath(QStringLiteral("again.pdf"))), model->pageCount());
}

void TestReportLayout::shippedCensusOnTheDemoDatabase()
{
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    data::DemoOptions options;
    options.admissions = 1500;
    options.today = QDate(2026, 3, 15);
    options.fastPasswordHashes = true;
    data::generateDemoData(*db, options);
    const QString hospital
        = db->query(QStringLiteral("SELECT Company FROM PATIENT_DATA.tbHospitalInfo")).rows()[0][0].toString();
    const int inHouse
        = db->query(QStringLiteral("SELECT COUNT(*) FROM PATIENT_DATA.tbPatient2 WHERE AdmDate < '2026-03-16'"
                                   " AND (DcrDate IS NULL OR DcrDate = '' OR DcrDate >= '2026-03-16')"))
              .rows()[0][0]
              .toInt();
    QVERIFY(inHouse > 0);

    const QString source = qEnvironmentVariable("MSS_TEST_SOURCE_DIR").isEmpty()
        ? QDir::cleanPath(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
                              .absoluteFilePath(QStringLiteral(__FILE__))
            + QStringLiteral("/../../.."))
        : qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    ReportContext ctx = test::contextOf(*db);
    ctx.hospitalName = hospital;
    const QString pdf = dir.filePath(QStringLiteral("census.pdf"));
    // The caller's form of the path: a backslash and a doubled separator.
    const int pages = renderToPdf(source + QStringLiteral("/REPORTS\\\\Daily_Report_Admission.rpt"), ctx,
        { QStringLiteral("03/15/2026"), QStringLiteral("MSS01") }, {}, pdf);
    QCOMPARE(test::pdfPageCount(pdf), pages);
    const QString first = test::pdfText(pdf, 1);
    QVERIFY2(first.contains(hospital), qPrintable(first.left(400)));
    QVERIFY(first.contains(QStringLiteral("List of Admitted Patients (Census)")));
    QVERIFY(first.contains(QStringLiteral("As of March 15, 2026")));
    const QString last = test::pdfText(pdf, pages);
    QVERIFY2(
        last.contains(QStringLiteral("Total patients in the hospital: %1").arg(inHouse)), qPrintable(last.right(600)));
    QVERIFY(last.contains(QStringLiteral("Page %1 of %1").arg(pages)));
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
