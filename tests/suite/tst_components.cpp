// The suite's address search and summarized statement of account, on the demo hospital.
#include "domain/billingstatement.h"
#include "domain/codesearch.h"
#include "suite/frmaddresssearch.h"
#include "suite/frmsummarizedsoa.h"
#include "support/demohospital.h"
#include "ui/messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

using namespace mss;

class TestComponents : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ui::Messages::setDialogHandler(nullptr); }
    void addressSearchNarrowsAndReturnsTheChoice();
    void cancelledAddressSearchKeepsNothing();
    void statementTotalsMatchTheBill();
    void statementNeedsAnEstablishedConnection();
};

void TestComponents::addressSearchNarrowsAndReturnsTheChoice()
{
    test::DemoHospital h;
    auto &c = h.connection();
    const QString zip = test::scalar(c, QStringLiteral("SELECT min(ZipCode) FROM PATIENT_DATA..tbZipCode"));
    const QString town
        = test::scalar(c, QStringLiteral("SELECT Town FROM PATIENT_DATA..tbZipCode WHERE ZipCode = '%1'").arg(zip));
    const int all = test::scalar(c, QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbZipCode")).toInt();

    suite::clsCodeSearch search;
    search.Connection = &c;
    search.AddressPicker = &suite::pickAddress;
    search.SearchTitle = QStringLiteral("Medical Social Service");
    int shownRows = -1;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto &d = dynamic_cast<suite::frmAddressSearch &>(dialog);
        shownRows = d.rowCount();
        d.choose(0);
        return d.result();
    });
    QVERIFY(search.SearchListing(zip, 0));
    QVERIFY(shownRows >= 1 && shownRows < all);
    QCOMPARE(search.AddressRecord().ResultCode, zip);
    QCOMPARE(search.AddressRecord().Town, town);
    QVERIFY(!search.AddressRecord().Province.isEmpty());

    // An apostrophe in the search text is only text.
    suite::frmAddressSearch dialog(c, QString(), QStringLiteral("O'"));
    QCOMPARE(dialog.rowCount(), 0);
    dialog.txtSearch->clear();
    QCOMPARE(dialog.rowCount(), all);
}

void TestComponents::cancelledAddressSearchKeepsNothing()
{
    test::DemoHospital h;
    suite::clsCodeSearch search;
    search.Connection = &h.connection();
    search.AddressPicker = &suite::pickAddress;
    ui::Messages::setDialogHandler([](QDialog &) { return int(QDialog::Rejected); });
    QVERIFY(!search.SearchListing(QString(), 0));
    QVERIFY(search.AddressRecord().ResultCode.isEmpty());
}

void TestComponents::statementTotalsMatchTheBill()
{
    test::DemoHospital h;
    auto &c = h.connection();
    const QString id = test::scalar(
        c, QStringLiteral("SELECT IdNum FROM BILLING..tbBillDailyBill GROUP BY IdNum ORDER BY count(*) DESC LIMIT 1"));
    const QString hosp
        = test::scalar(c, QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id));
    const double charges = test::scalar(c,
        QStringLiteral("SELECT sum(b.Amount) FROM BILLING..tbBillDailyBill b LEFT JOIN BILLING..tbBillRevenueCode r ON "
                       "r.RevenueID = b.RevenueID "
                       "WHERE b.IdNum = '%1' AND ifnull(r.IsCharge, 1) = 1")
            .arg(id))
                               .toDouble();
    const double payments = test::scalar(
        c, QStringLiteral("SELECT ifnull(sum(Amount), 0) FROM BILLING..tbBillPayment WHERE IdNum = '%1'").arg(id))
                                .toDouble();

    const suite::SummarizedStatement soa = suite::loadSummarizedStatement(c, id, hosp);
    QVERIFY(charges > 0);
    QCOMPARE(soa.charges, charges);
    QCOMPARE(soa.payments, payments);
    QVERIFY(!soa.patientName.isEmpty());
    QVERIFY(qAbs(soa.balance() - (soa.charges - soa.discounts - soa.medicare - soa.payments)) < 1e-9);

    suite::clsOpenConnection connection(&c);
    QVERIFY(connection.EstablishedConnection(QStringLiteral("server"), QStringLiteral("BILLING"), QString()));
    suite::clssoa statement(connection);
    statement.HospitalNumber = hosp;
    statement.UserName = QStringLiteral("CORAZON M. VILLANUEVA");
    statement.StatementWindow = &suite::showSummarizedStatement;
    QString balanceShown;
    int rows = 0;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto &window = dynamic_cast<suite::frmSummarizedSOA &>(dialog);
        balanceShown = window.lblBalance->text();
        rows = window.grdStatement->rowCount();
        return int(QDialog::Rejected);
    });
    statement.ShowSOA(id);
    QVERIFY(rows > 4);
    QVERIFY2(balanceShown.startsWith(QStringLiteral("Balance due: ")), qPrintable(balanceShown));
}

void TestComponents::statementNeedsAnEstablishedConnection()
{
    suite::clsOpenConnection none;
    QVERIFY(!none.EstablishedConnection(QString(), QStringLiteral("BILLING"), QString()));
    suite::clssoa statement(none);
    QVERIFY_THROWS_EXCEPTION(data::DbError, statement.ShowSOA(QStringLiteral("1")));
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
