// Amounts, dates and sizes exactly as the forms, statements and reports show them.
#include "data/format.h"
#include "data/values.h"
#include "ui/twips.h"

#include <QLocale>
#include <QtTest>

using namespace mss::data;
using mss::ui::setColumnWidthsInTwips;
using mss::ui::twipsToPixels;

class TestFormat : public QObject {
    Q_OBJECT

private slots:
    void money_data();
    void money();
    void moneyIgnoresTheLocale();
    void shortestText_data();
    void shortestText();
    void dates();
    void parsing();
    void twips();
};

void TestFormat::money_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("negative zero") << -0.0 << "0.00";
    QTest::newRow("small") << 5.5 << "5.50";
    QTest::newRow("thousands") << 1234567.891 << "1,234,567.89";
    QTest::newRow("half cent written as .675") << 2.675 << "2.68";
    QTest::newRow("half cent .005") << 0.005 << "0.01";
    QTest::newRow("carry through nines") << 999999.995 << "1,000,000.00";
    QTest::newRow("just under half") << 1.00499 << "1.00";
    QTest::newRow("negative") << -1234.5 << "-1,234.50";
    QTest::newRow("negative rounding to zero") << -0.004 << "0.00";
    QTest::newRow("huge") << 12345678901234.5 << "12,345,678,901,234.50";
    QTest::newRow("exactly three digits") << 100.0 << "100.00";
    QTest::newRow("exactly four digits") << 1000.0 << "1,000.00";
}

void TestFormat::money()
{
    QFETCH(double, amount);
    QFETCH(QString, text);
    QCOMPARE(formatMoney(amount), text);
}

void TestFormat::moneyIgnoresTheLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = formatMoney(1234567.891) + numberText(1234.5);
    QLocale::setDefault(before);
    QCOMPARE(german, QStringLiteral("1,234,567.891234.5"));
}

void TestFormat::shortestText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 100.0 << "100";
    QTest::newRow("tenth") << 0.1 << "0.1";
    QTest::newRow("third") << 1.0 / 3 << "0.3333333333333333";
    QTest::newRow("sum noise kept") << 0.1 + 0.2 << "0.30000000000000004";
    QTest::newRow("small, no exponent") << 0.00001 << "0.00001";
    QTest::newRow("large, no exponent") << 123456789012.25 << "123456789012.25";
    QTest::newRow("negative") << -42.5 << "-42.5";
    QTest::newRow("negative zero") << -0.0 << "0";
}

void TestFormat::shortestText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(numberText(value), text);
    QCOMPARE(text.toDouble(), value);
}

void TestFormat::dates()
{
    const QDate d(2026, 3, 7);
    QCOMPARE(formatMMDDYYYY(d), QStringLiteral("03/07/2026"));
    QCOMPARE(shortDate(d), QStringLiteral("3/7/2026"));
    QCOMPARE(shortDate(QDate(1999, 12, 31)), QStringLiteral("12/31/1999")); // never a two-digit year
    QCOMPARE(formatMMDDYYYY(QDate()), QString());
    // A value read at 14:27 must not print minutes where the month goes.
    const auto dt = mss::data::parseDateTime(QStringLiteral("2026-12-09 14:27:00"));
    QVERIFY(dt);
    QCOMPARE(formatMMDDYYYY(dt->date()), QStringLiteral("12/09/2026"));

    // The general date and time of the lists: no time at midnight, 12-hour clock otherwise.
    QCOMPARE(generalDateText(QStringLiteral("2026-12-09 00:00:00")), QStringLiteral("12/9/2026"));
    QCOMPARE(generalDateText(QStringLiteral("2026-12-09 00:05:09")), QStringLiteral("12/9/2026 12:05:09 AM"));
    QCOMPARE(generalDateText(QStringLiteral("2026-12-09 12:00:00")), QStringLiteral("12/9/2026 12:00:00 PM"));
    QCOMPARE(generalDateText(QDateTime(QDate(2026, 1, 2), QTime(23, 59))), QStringLiteral("1/2/2026 11:59:00 PM"));
    QCOMPARE(generalDateText(QVariant()), QString());
    QCOMPARE(generalDateText(QStringLiteral("SOON")), QStringLiteral("SOON")); // shown, not hidden
}

void TestFormat::parsing()
{
    QCOMPARE(parseDate(QStringLiteral("12/09/2026")), QDate(2026, 12, 9));
    QCOMPARE(parseDate(QStringLiteral("2/29/2024")), QDate(2024, 2, 29));
    QCOMPARE(parseDate(QStringLiteral("2026-12-09T08:00:00.123")), QDate(2026, 12, 9));
    QCOMPARE(parseDate(QStringLiteral("1/2/49")), QDate(2049, 1, 2));
    QCOMPARE(parseDate(QStringLiteral("1/2/50")), QDate(1950, 1, 2));
    QVERIFY(!parseDate(QStringLiteral("2/29/2023")));
    QVERIFY(!parseDate(QStringLiteral("13/01/2026")));
    QVERIFY(!parseDate(QStringLiteral("  /  /    ")));
    QVERIFY(!parseDate(QStringLiteral("yesterday")));
    const auto pm = mss::data::parseDateTime(QStringLiteral("12/9/2026 2:05 PM"));
    QCOMPARE(pm->time(), QTime(14, 5));
    const auto midnight = mss::data::parseDateTime(QStringLiteral("12/9/2026 12:00 AM"));
    QCOMPARE(midnight->time(), QTime(0, 0));

    QCOMPARE(parseNumber(QStringLiteral(" 1,250.50 ")), 1250.5);
    QCOMPARE(parseNumber(QStringLiteral("-3")), -3.0);
    QVERIFY(!parseNumber(QStringLiteral("12a")));
    QVERIFY(!parseNumber(QString()));
    QVERIFY(!parseNumber(QStringLiteral("inf")));
    QVERIFY_THROWS_EXCEPTION(std::domain_error, numberText(std::numeric_limits<double>::infinity()));
    QVERIFY_THROWS_EXCEPTION(std::domain_error, numberText(std::nan("")));
}

void TestFormat::twips()
{
    QCOMPARE(twipsToPixelsF(1440, 96), 96.0);
    QCOMPARE(twipsToPixelsF(1440, 120), 120.0);
    QCOMPARE(twipsToPixelsF(15, 96), 1.0);
    QVERIFY(twipsToPixels(1440) > 0);
}

QTEST_MAIN(TestFormat)
#include "tst_format.moc"
