// The three statements of an intake save, as the procedures have always been sent them.
#include "domain/intakestatements.h"

#include <QtTest>

using namespace mss::intake;

namespace {
QStringList numbered(int count)
{
    QStringList values;
    for (int i = 1; i <= count; ++i)
        values.append(QString::number(i));
    return values;
}
} // namespace

class TestIntakeStatements : public QObject {
    Q_OBJECT

private slots:
    void separatorsAsSent();
    void valuesAreQuotedSafely();
    void wrongValueCountIsAProgrammingError();
};

void TestIntakeStatements::separatorsAsSent()
{
    QString expected = QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '1");
    for (int i = 2; i <= 32; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(saveIntakeSheetDataStatement(numbered(32)), expected + QLatin1Char('\''));

    expected = QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '1");
    for (int i = 2; i <= 25; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(saveOtherPatientInfoStatement(numbered(27)), expected + QStringLiteral("', '26', '27'"));

    expected = QStringLiteral("MSS..sp_MSS_SavePatientData'1");
    for (int i = 2; i <= 13; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(savePatientDataStatement(numbered(13)), expected + QLatin1Char('\''));
}

void TestIntakeStatements::valuesAreQuotedSafely()
{
    QStringList values = numbered(13);
    values[8] = QStringLiteral("MA. O'BRIEN");
    values[2] = QStringLiteral("'; DROP TABLE tbMSSIntakeSheet; --");
    const QString statement = savePatientDataStatement(values);
    QVERIFY(statement.contains(QStringLiteral("'MA. O''BRIEN'")));
    QVERIFY(statement.contains(QStringLiteral("'''; DROP TABLE tbMSSIntakeSheet; --'")));
}

void TestIntakeStatements::wrongValueCountIsAProgrammingError()
{
    QVERIFY_THROWS_EXCEPTION(std::logic_error, savePatientDataStatement(numbered(12)));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, saveIntakeSheetDataStatement(numbered(33)));
}

QTEST_GUILESS_MAIN(TestIntakeStatements)
#include "tst_intakestatements.moc"
