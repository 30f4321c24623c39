// Windows come back at the size and place they were closed at, pulled back into what is there
// now when the screen or the main window got smaller; list columns keep their widths.
#include "ui/messages.h"
#include "ui/windowgeometry.h"

#include <QDialog>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

using namespace mss;

class TestWindowGeometry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fitInsideKeepsMovesAndShrinks();
    void topLevelWindowReopensWhereItWasClosed();
    void childWindowComesBackInsideASmallerMainWindow();
    void dialogsRememberThroughTheSeam();
    void columnWidthsAreKept();
    void eachUserKeepsTheirOwnLayout();
};

void TestWindowGeometry::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestWindowGeometry::init()
{
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).clear();
}

void TestWindowGeometry::cleanup()
{
    ui::Messages::setDialogHandler(nullptr);
}

void TestWindowGeometry::fitInsideKeepsMovesAndShrinks()
{
    const QRect screen(0, 0, 1366, 768);
    QCOMPARE(ui::fitInside(QRect(100, 50, 800, 600), screen), QRect(100, 50, 800, 600));
    // Left where a larger screen was: moved back, the size kept.
    QCOMPARE(ui::fitInside(QRect(1500, 700, 800, 600), screen), QRect(566, 168, 800, 600));
    QCOMPARE(ui::fitInside(QRect(-300, -40, 800, 600), screen), QRect(0, 0, 800, 600));
    // Larger than the whole screen: as large as the screen.
    QCOMPARE(ui::fitInside(QRect(200, 100, 1920, 1080), screen), screen);
    // A work area that does not start at the corner (a panel on the left or at the top).
    QCOMPARE(ui::fitInside(QRect(0, 0, 400, 300), QRect(60, 30, 1306, 738)), QRect(60, 30, 400, 300));
}

void TestWindowGeometry::topLevelWindowReopensWhereItWasClosed()
{
    const QRect where(40, 60, 420, 260);
    {
        QWidget window;
        QVERIFY(!ui::rememberGeometry(&window, QStringLiteral("frmSample"))); // nothing yet
        window.setGeometry(where);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QWidget again;
    QVERIFY(ui::rememberGeometry(&again, QStringLiteral("frmSample")));
    QCOMPARE(again.geometry(), where);
    // Another window's name has nothing remembered.
    QWidget other;
    QVERIFY(!ui::rememberGeometry(&other, QStringLiteral("frmOther")));
}

void TestWindowGeometry::childWindowComesBackInsideASmallerMainWindow()
{
    QMdiArea area;
    area.resize(900, 600);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    auto openChild = [&area] {
        auto *sub = area.addSubWindow(new QWidget);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        const bool remembered = ui::rememberGeometry(sub, QStringLiteral("frmChild"));
        sub->show();
        return std::pair { sub, remembered };
    };
    auto [first, remembered] = openChild();
    QVERIFY(!remembered);
    first->setGeometry(500, 300, 350, 250);
    const QRect closedAt = first->geometry();
    first->close();

    auto [second, back] = openChild();
    QVERIFY(back);
    QCOMPARE(second->geometry(), closedAt);
    second->close();

    // The main window got smaller: the child is pulled back inside, at its size.
    area.resize(600, 400);
    QTest::qWait(0);
    auto [third, inside] = openChild();
    QVERIFY(inside);
    QVERIFY2(area.viewport()->rect().contains(third->geometry()),
        qPrintable(
            QStringLiteral("%1,%2 %3x%4").arg(third->x()).arg(third->y()).arg(third->width()).arg(third->height())));
    QCOMPARE(third->size(), closedAt.size());

    // Maximized is remembered as such, and the place to go back to stays.
    third->showMaximized();
    third->close();
    auto [fourth, maximized] = openChild();
    QVERIFY(maximized);
    QVERIFY(fourth->isMaximized());
    fourth->close();
}

void TestWindowGeometry::dialogsRememberThroughTheSeam()
{
    QRect closedAt;
    ui::Messages::setDialogHandler([&closedAt](QDialog &dialog) {
        dialog.show();
        if (closedAt.isNull())
            dialog.setGeometry(70, 80, 330, 210); // where the user leaves it the first time
        closedAt = dialog.geometry(); // the second time: where it opened
        dialog.reject();
        return dialog.result();
    });
    {
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("frmSampleDialog"));
        ui::Messages::execDialog(dialog);
    }
    const QRect first = closedAt;
    {
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("frmSampleDialog"));
        ui::Messages::execDialog(dialog);
    }
    QCOMPARE(closedAt, first);
}

void TestWindowGeometry::columnWidthsAreKept()
{
    {
        QTableWidget list(0, 3);
        list.show();
        QVERIFY(!ui::rememberColumnWidths(list.horizontalHeader(), QStringLiteral("lvwSample")));
        list.horizontalHeader()->resizeSection(1, 222); // as a drag of the divider does
    }
    {
        QTableWidget list(0, 3);
        list.show();
        QVERIFY(ui::rememberColumnWidths(list.horizontalHeader(), QStringLiteral("lvwSample")));
        QCOMPARE(list.horizontalHeader()->sectionSize(1), 222);
    }
    // A list with other columns does not take widths that were not its own.
    QTableWidget wider(0, 4);
    wider.show();
    QVERIFY(!ui::rememberColumnWidths(wider.horizontalHeader(), QStringLiteral("lvwSample")));
}

// Two social workers share a desk: what one leaves is not what the other finds.
void TestWindowGeometry::eachUserKeepsTheirOwnLayout()
{
    QWidget first;
    QWidget second;
    ui::setWindowUser(&first, QStringLiteral("MSS01"));
    ui::setWindowUser(&second, QStringLiteral("MSS02"));
    first.show(); // a list keeps the widths the user drags, which needs it on screen
    const QRect where(30, 40, 300, 200);
    {
        QWidget child(&first, Qt::Window);
        QVERIFY(!ui::rememberGeometry(&child, QStringLiteral("frmShared")));
        child.setGeometry(where);
        child.show();
        QVERIFY(QTest::qWaitForWindowExposed(&child));
        child.close();
        QTableWidget list(0, 2, &first);
        list.show();
        QVERIFY(!ui::rememberColumnWidths(list.horizontalHeader(), QStringLiteral("lvwShared")));
        list.horizontalHeader()->resizeSection(0, 181);
    }
    QWidget otherUsers(&second, Qt::Window);
    QVERIFY(!ui::rememberGeometry(&otherUsers, QStringLiteral("frmShared")));
    QTableWidget otherList(0, 2, &second);
    QVERIFY(!ui::rememberColumnWidths(otherList.horizontalHeader(), QStringLiteral("lvwShared")));

    QWidget sameUser(&first, Qt::Window);
    QVERIFY(ui::rememberGeometry(&sameUser, QStringLiteral("frmShared")));
    QCOMPARE(sameUser.geometry(), where);
    QTableWidget sameList(0, 2, &first);
    QVERIFY(ui::rememberColumnWidths(sameList.horizontalHeader(), QStringLiteral("lvwShared")));
    QCOMPARE(sameList.horizontalHeader()->sectionSize(0), 181);
}

QTEST_MAIN(TestWindowGeometry)
#include "tst_windowgeometry.moc"
