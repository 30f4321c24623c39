// The patient list with many rows and awkward values: what it shows at the end of 50,000 rows,
// the memory a second search gives back, dates as the list shows and sorts them, and names
// from the whole alphabet sorted as the list always sorted them.
#include "data/embedded.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "support/messagelog.h"
#include "support/temphospital.h"

#include <QLabel>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>

#include <algorithm>

using namespace mss;
using patients::frmListPatient;
using patients::PatientListModel;
using patients::PatientSelection;

namespace {

// An in-patient list of `rows` admissions made up on the fly, with names and dates of every
// kind; an admission number narrows it to that one row.
void storeGeneratedList(data::EmbeddedConnection &c, int rows)
{
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_MSS_LoadInPatient"),
        QStringLiteral(
            "-- params: HospNum, LastName, IdNum, FirstName, MiddleName\n"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)\n"
            "SELECT printf('%08d', i) AS IDNUM, printf('H%07d', i) AS HospNum,\n"
            "       printf('%04d-%02d-%02d %02d:%02d:00', 1990 + i % 36, 1 + i % 12, 1 + i % 28, i % 24, i % 60)"
            " AS AdmDate,\n"
            "       CASE i % 4 WHEN 0 THEN 'PEÑA' WHEN 1 THEN 'DELA CRUZ' WHEN 2 THEN 'LI 😀' ELSE"
            " printf('%.300c', 'X') END AS LastName,\n"
            "       'JUAN' AS FirstName, 'SANTOS' AS MiddleName, printf('R%03d', i % 500) AS RoomID,\n"
            "       CASE WHEN i % 5 = 0 THEN NULL ELSE printf('M%06d', i) END AS MSS, 'MAIN STREET' AS Address,\n"
            "       CASE WHEN i % 2 = 0 THEN NULL ELSE printf('2026-%02d-01', 1 + i % 12) END AS dcrdate,\n"
            "       printf('2026-03-%02d 00:00:00', 1 + i % 28) AS BillingDate\n"
            "  FROM n WHERE @IdNum = '' OR printf('%08d', i) = @IdNum ORDER BY i;")
            .arg(rows));
}

QStringList column(const PatientListModel &model, int c)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts.append(model.displayText(r, c));
    return texts;
}

} // namespace

class TestPatientListRows : public QObject {
    Q_OBJECT

private slots:
    void fiftyThousandRowsToTheLastAndBack();
    void datesShownAsMonthDayYearAndSortedAsDates();
    void namesSortAsTextWithoutRegardToCase();
};

void TestPatientListRows::fiftyThousandRowsToTheLastAndBack()
{
    test::MessageLog log;
    test::TempHospital h;
    storeGeneratedList(h.connection(), 50000);
    PatientSelection selection;
    frmListPatient window(selection, &h.connection(), &h.connection());
    window.resize(1100, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.SearchPatients(QString(), QString(), QString(), QString(), QString());
    PatientListModel *model = window.model();
    QCOMPARE(model->rowCount(), 50000);
    QCOMPARE(window.lblRecCount->text(), QStringLiteral("Total No. of Records: 50000"));

    // Scrolled to its end, the list shows the last admission in its last visible line.
    QTreeView *view = window.lvwSearchPatient;
    view->scrollToBottom();
    QApplication::processEvents();
    QModelIndex last;
    for (int y = view->viewport()->height() - 1; y >= 0 && !last.isValid(); --y)
        last = view->indexAt(QPoint(4, y));
    QCOMPARE(last.row(), 49999);
    QCOMPARE(last.data().toString(), QStringLiteral("00050000"));
    QCOMPARE(model->index(49999, 2).data().toString(), QStringLiteral("09/21/2022 08:20"));
    QCOMPARE(model->displayText(49999, 3), QStringLiteral("PEÑA"));
    QCOMPARE(model->displayText(49998, 3), QString(300, QLatin1Char('X')));

    // The selection keeps the values as the database gave them.
    view->setCurrentIndex(last);
    window.SelectCurrentPatient();
    QCOMPARE(selection.IDNUM, QStringLiteral("00050000"));
    QCOMPARE(selection.Billdate, QStringLiteral("2026-03-21 00:00:00"));
    QCOMPARE(selection.PatientName, QStringLiteral("PEÑA, JUAN SANTOS"));
    QCOMPARE(selection.MSSID, QString()); // a null shows and selects as nothing

    // Sorted by admission date the other way round, the newest admission comes first.
    model->sortByColumn(2);
    QCOMPARE(model->sortOrder(), Qt::DescendingOrder);
    QVERIFY(model->text(0, 2).startsWith(QStringLiteral("2025-")));
    QVERIFY(model->text(49999, 2).startsWith(QStringLiteral("1990-")));

    // A second search gives the first one's rows back.
    const size_t fifty = model->bytesHeld();
    QVERIFY(fifty > 50000 * 11 * sizeof(quint32));
    window.SearchPatients(QString(), QString(), QStringLiteral("00000006"), QString(), QString());
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->text(0, 3), QStringLiteral("LI 😀"));
    QVERIFY2(model->bytesHeld() < fifty / 1000, qPrintable(QString::number(model->bytesHeld())));
    QVERIFY(log.shown.isEmpty());
}

void TestPatientListRows::datesShownAsMonthDayYearAndSortedAsDates()
{
    PatientListModel model;
    const QStringList columns = { QStringLiteral("IDNUM"), QStringLiteral("AdmDate"), QStringLiteral("BillingDate") };
    model.setRows(columns,
        { { QStringLiteral("1"), QStringLiteral("2024-04-07 21:46:00"), QStringLiteral("2024-04-08") },
            { QStringLiteral("2"), QStringLiteral("2023-12-31"), QVariant() },
            { QStringLiteral("3"), QVariant(), QStringLiteral("2024-04-08 00:00:00") },
            { QStringLiteral("4"), QStringLiteral("1999-01-05 08:05:30.123"), QStringLiteral("x") },
            { QStringLiteral("5"), QStringLiteral("4/7/2025 9:46 PM"), QString() },
            { QStringLiteral("6"), QDateTime(QDate(2024, 4, 7), QTime(9, 5)), QDate(2000, 2, 29) } });
    // Shown month first with the time where the value has one; kept as given.
    QCOMPARE(column(model, 2),
        (QStringList { QStringLiteral("04/07/2024 21:46"), QStringLiteral("12/31/2023"), QString(),
            QStringLiteral("01/05/1999 08:05"), QStringLiteral("04/07/2025 21:46"),
            QStringLiteral("04/07/2024 09:05") }));
    QCOMPARE(model.text(0, 2), QStringLiteral("2024-04-07 21:46:00"));
    QCOMPARE(model.index(0, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("04/07/2024 21:46"));
    QCOMPARE(column(model, 10),
        (QStringList { QStringLiteral("04/08/2024"), QString(), QStringLiteral("04/08/2024 00:00"), QStringLiteral("x"),
            QString(), QStringLiteral("02/29/2000") }));
    QCOMPARE(model.displayText(0, 0), QStringLiteral("1")); // other columns as they are

    // Sorted by the date, across years and forms; an empty date first when ascending.
    auto ids = [&] { return column(model, 0).join(QLatin1Char(',')); };
    model.sortByColumn(2);
    QCOMPARE(ids(), QStringLiteral("5,1,6,2,4,3"));
    model.sortByColumn(2);
    QCOMPARE(ids(), QStringLiteral("3,4,2,6,1,5"));
    // A column with a value that is no date sorts as text, as every list column did.
    model.sortByColumn(10);
    model.sortByColumn(10);
    QCOMPARE(model.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(ids(), QStringLiteral("2,5,6,1,3,4"));

    QCOMPARE(patients::listDateText("2024-02-30"), QStringLiteral("2024-02-30")); // not a day
    QCOMPARE(patients::listDateText("2024-04-07T21:46"), QStringLiteral("04/07/2024 21:46"));
}

void TestPatientListRows::namesSortAsTextWithoutRegardToCase()
{
    // Plain and accented letters, emoji, marks between the letters, a very long name, nothing.
    const QStringList names = { QStringLiteral("peña"), QStringLiteral("PENA"), QStringLiteral("Ábalos"),
        QStringLiteral("abad"), QStringLiteral("😀 LI"), QString(), QStringLiteral("A_B"), QStringLiteral("a[b"),
        QString(300, QLatin1Char('z')), QStringLiteral("ÑANDU"), QStringLiteral("nandu"), QStringLiteral("Zed"),
        QStringLiteral("PEÑA"), QStringLiteral("émile"), QStringLiteral("EMILE"), QStringLiteral("ﬀ") };
    QList<QVariantList> rows;
    for (int i = 0; i < names.size(); ++i)
        rows.append({ QString::number(i), i == 5 ? QVariant() : QVariant(names[i]) });
    PatientListModel model;
    model.setRows({ QStringLiteral("IDNUM"), QStringLiteral("LastName") }, rows);

    // What the list has always done: the names' texts compared without regard to case, ties kept.
    QStringList expected = names;
    std::stable_sort(expected.begin(), expected.end(),
        [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    model.sortByColumn(3);
    model.sortByColumn(3);
    QCOMPARE(column(model, 3), expected);
    expected = names;
    std::stable_sort(expected.begin(), expected.end(),
        [](const QString &a, const QString &b) { return b.compare(a, Qt::CaseInsensitive) < 0; });
    model.sortByColumn(3);
    QCOMPARE(column(model, 3), expected);
}

QTEST_MAIN(TestPatientListRows)
#include "tst_patientlistrows.moc"
