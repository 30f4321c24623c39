// The social-worker pick list: search as typed, the count, and the code kept across showings.
#include "patients/frmemployeelisting.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace mss;
using patients::frmEmployeeListing;

class TestEmployeeListing : public QObject {
    Q_OBJECT

private slots:
    void searchAsTypedAndCount();
    void chosenCodeIsKeptAcrossShowings();
    void gridLayout();
};

void TestEmployeeListing::searchAsTypedAndCount()
{
    test::DemoHospital h;
    test::RecordingConnection recording(&h.connection());
    frmEmployeeListing dialog(&recording);
    QCOMPARE(recording.statements, QStringList { QStringLiteral("MSS..sp_MSS_GetEmployees ''") });
    const int all = dialog.GridListWorkers->rowCount();
    QVERIFY(all >= 2);
    QCOMPARE(dialog.txtRecCount->text(), QStringLiteral("1 of %1").arg(all));

    QTest::keyClicks(dialog.txtSearch, QStringLiteral("VILL"));
    QCOMPARE(recording.statements.last(), QStringLiteral("MSS..sp_MSS_GetEmployees 'VILL'")); // the last key too
    QVERIFY(dialog.GridListWorkers->rowCount() < all);
    QVERIFY(dialog.GridListWorkers->item(0, 2)->text().contains(QStringLiteral("VILLANUEVA")));
    const int found = dialog.GridListWorkers->rowCount();

    // Nothing found: the earlier rows stay, the count says 0.
    QTest::keyClicks(dialog.txtSearch, QStringLiteral("'ZZ"));
    QCOMPARE(recording.statements.last(), QStringLiteral("MSS..sp_MSS_GetEmployees 'VILL''ZZ'"));
    QCOMPARE(dialog.GridListWorkers->rowCount(), found);
    QCOMPARE(dialog.txtRecCount->text(), QStringLiteral("1 of 0"));
}

void TestEmployeeListing::chosenCodeIsKeptAcrossShowings()
{
    test::DemoHospital h;
    {
        frmEmployeeListing dialog(&h.connection());
        dialog.cmdClose->click();
        QCOMPARE(dialog.WorkerCode(), QString()); // nothing chosen yet
    }
    QString chosen;
    {
        frmEmployeeListing dialog(&h.connection(), nullptr, QStringLiteral("EARLIER"));
        dialog.GridListWorkers->setCurrentCell(1, 1);
        chosen = dialog.GridListWorkers->item(1, 1)->text();
        dialog.cmdSelect->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.WorkerCode(), chosen);
        QCOMPARE(dialog.property("WorkerCode").toString(), chosen);
    }
    {
        // The caller hands over the worker it holds; closing without a choice gives it back.
        frmEmployeeListing dialog(&h.connection(), nullptr, chosen);
        dialog.cmdClose->click();
        QCOMPARE(dialog.WorkerCode(), chosen);
    }
}

void TestEmployeeListing::gridLayout()
{
    test::DemoHospital h;
    frmEmployeeListing dialog(&h.connection());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VMC: Medical Social Service"));
    QCOMPARE(dialog.GridListWorkers->columnCount(), 3);
    QCOMPARE(dialog.GridListWorkers->horizontalHeaderItem(1)->text(), QStringLiteral("EmployeeID"));
    QVERIFY(dialog.GridListWorkers->columnWidth(2) > dialog.GridListWorkers->columnWidth(1));
}

QTEST_MAIN(TestEmployeeListing)
#include "tst_employeelisting.moc"
