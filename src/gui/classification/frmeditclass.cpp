#include "classification/frmeditclass.h"

#include "auth/currentuser.h"
#include "classification/frmdeletepassword.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "domain/classificationstore.h"
#include "patients/patientselection.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/windowgeometry.h"
#include "ui_frmeditclass.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>

#include <algorithm>

namespace mss::classification {

namespace {

constexpr int kNarrowTwips = 4815;
constexpr int kWideTwips = 9870;
const QList<int> kHistoryTwips = { 50, 1800, 500, 800, 1800 };
// The history grid keeps its first column for the row marker; the entries start at column 1.
constexpr int kDateColumn = 1;
constexpr int kClassColumn = 2;

} // namespace

frmEditClass::frmEditClass(const patients::PatientSelection &selection, data::Connection *connection,
    const suite::clsCurrentUser *user, QWidget *parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::frmEditClass>()),
      m_selection(selection),
      m_connection(connection),
      m_user(user)
{
    m_ui->setupUi(this);
    bindControls();
    m_panel->setFixedWidth(ui::twipsToPixels(kNarrowTwips, this) - 24);
    grdClassHistory->installEventFilter(this);
    grdClassHistory->viewport()->installEventFilter(this);
    resetHistoryGrid();
    buildDeleteMenu();
    resize(narrowWidth(), 330);
    wireCommands();
}

frmEditClass::~frmEditClass() = default;

void frmEditClass::bindControls()
{
    const Ui::frmEditClass &u = *m_ui;
    m_panel = u.fraPanel;
    fraInfo = u.fraInfo;
    txtIDNum = u.txtIDNum;
    txtName = u.txtName;
    txtHospNo = u.txtHospNo;
    txtMSSno = u.txtMSSno;
    optPay = u.optClass_0;
    optService = u.optClass_1;
    cmdSave = u.cmdSave;
    cmdPrev = u.cmdPrev;
    fraHistory = u.fraHistory;
    grdClassHistory = u.grdClassHistory;
    cmdBack = u.cmdBack;
    optClass = new QButtonGroup(this);
    optClass->setObjectName(QStringLiteral("optClass"));
    optClass->addButton(optPay, 0);
    optClass->addButton(optService, 1);
}

void frmEditClass::buildDeleteMenu()
{
    mnuFileDelete = new QMenu(QStringLiteral("File"), this);
    mnuFileDelete->setObjectName(QStringLiteral("mnuFileDelete"));
    mnuDelete = mnuFileDelete->addAction(QStringLiteral("Delete record"));
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
}

void frmEditClass::wireCommands()
{
    const ui::Guard guard { .connection = m_connection };
    ui::connectGuarded(
        cmdSave, &QPushButton::clicked, this, [this] { save(); }, guard);
    ui::connectGuarded(
        cmdPrev, &QPushButton::clicked, this, [this] { showHistory(); }, guard);
    connect(cmdBack, &QPushButton::clicked, this, &frmEditClass::hideHistory);
    ui::connectGuarded(
        mnuDelete, &QAction::triggered, this, [this] { deleteHistoryEntry(); }, guard);
}

void frmEditClass::deleteFromKey()
{
    ui::runGuarded(
        [this] { deleteHistoryEntry(); }, { .connection = m_connection, .title = windowTitle(), .parent = this });
}

ClassificationStore frmEditClass::store() const
{
    return ClassificationStore(ui::requireConnection(m_connection, windowTitle()));
}

QString frmEditClass::employeeCode() const
{
    return m_user ? m_user->employeecode() : QString();
}

void frmEditClass::load()
{
    txtHospNo->setText(m_selection.HospNum);
    txtMSSno->setText(m_selection.MSSID);
    txtName->setText(m_selection.PatientName);
    txtName->setCursorPosition(0);
    txtName->setToolTip(m_selection.PatientName);
    // A long name widens the panel rather than being cut off.
    const int nameWidth = txtName->fontMetrics().horizontalAdvance(m_selection.PatientName) + 16;
    const int fieldWidth
        = m_panel->width() - txtName->fontMetrics().horizontalAdvance(QStringLiteral("Hosp. No. :")) - 48;
    if (nameWidth > fieldWidth)
        m_panel->setFixedWidth(m_panel->width() + nameWidth - fieldWidth);
    txtIDNum->setText(m_selection.IDNUM);
    const QString type = store().patientType(m_selection.IDNUM);
    if (type == QLatin1String(kPayType))
        optPay->setChecked(true);
    else if (type == QLatin1String(kServiceType))
        optService->setChecked(true);
}

bool frmEditClass::save()
{
    const QDate day = today();
    QString code;
    if (optPay->isChecked()) {
        code = QString::fromLatin1(kPayType);
        const StoredClassification stored = store().storedClassification(txtHospNo->text());
        if (const std::optional<QString> refusal = payRefusal(stored, day)) {
            ui::Messages::show(*refusal, QStringLiteral("Message"), QMessageBox::Warning, QMessageBox::Ok, this);
            return false;
        }
    } else if (optService->isChecked()) {
        code = QString::fromLatin1(kServiceType);
    }
    store().updatePatientClass(txtIDNum->text(), code, employeeCode());
    ui::Messages::show(QStringLiteral("Record Updated"), {}, QMessageBox::Information, QMessageBox::Ok, this);
    accept();
    return true;
}

void frmEditClass::resetHistoryGrid()
{
    grdClassHistory->clear();
    grdClassHistory->setRowCount(0);
    grdClassHistory->setColumnCount(int(kHistoryTwips.size()));
    grdClassHistory->setHorizontalHeaderLabels({ QString(), QStringLiteral("Transdate"), QStringLiteral("Class"),
        QStringLiteral("UserID"), QStringLiteral("UserName") });
    ui::setColumnWidthsInTwips(grdClassHistory, kHistoryTwips);
}

void frmEditClass::showHistory()
{
    fraHistory->setVisible(true);
    // The panel keeps its own width beside the patient's part, however wide a name made that.
    resize(narrowWidth() + ui::twipsToPixels(kWideTwips - kNarrowTwips, this), height());
    resetHistoryGrid();
    const data::Recordset rows = store().history(txtIDNum->text());
    grdClassHistory->setRowCount(rows.recordCount());
    for (int r = 0; r < rows.recordCount(); ++r) {
        const QVariantList &row = rows.rows()[r];
        for (int c = 0; c < row.size() && c + 1 < grdClassHistory->columnCount(); ++c)
            grdClassHistory->setItem(r, c + 1, new QTableWidgetItem(data::variantText(row[c])));
    }
    // Dates and names are read whole; the row marker keeps its width.
    for (int c = 1; c < grdClassHistory->columnCount(); ++c) {
        const int configured = grdClassHistory->columnWidth(c);
        grdClassHistory->resizeColumnToContents(c);
        grdClassHistory->setColumnWidth(c, std::max(configured, grdClassHistory->columnWidth(c)));
    }
    fitHistoryColumns();
}

void frmEditClass::fitHistoryColumns()
{
    // Wider than its usual width when the entries need it, so that no column is read cut off;
    // never wider than the screen, and moved back onto it, since widening keeps the left edge.
    int needed = grdClassHistory->horizontalHeader()->length() + 2 * grdClassHistory->frameWidth()
        + grdClassHistory->verticalScrollBar()->sizeHint().width();
    if (grdClassHistory->verticalHeader()->isVisible())
        needed += grdClassHistory->verticalHeader()->width();
    layout()->activate();
    const int outside = width() - grdClassHistory->width();
    const QScreen *shown = screen();
    const QRect available = shown ? shown->availableGeometry() : QRect();
    if (!available.isEmpty())
        needed = std::min(needed, available.width() - outside);
    if (needed > grdClassHistory->width())
        resize(outside + needed, height());
    if (isWindow() && !available.isEmpty()) {
        const QRect frame = frameGeometry();
        move(pos() + ui::fitInside(frame, available).topLeft() - frame.topLeft());
    }
}

void frmEditClass::hideHistory()
{
    fraHistory->setVisible(false);
    // The layout still holds the panel's minimum width until it is told the panel has gone.
    layout()->activate();
    resize(narrowWidth(), height());
}

int frmEditClass::narrowWidth() const
{
    return std::max(ui::twipsToPixels(kNarrowTwips, this), m_panel->width() + 24);
}

void frmEditClass::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The width is the window's own, narrow or wide with the panel; the remembered place keeps
    // only where it stands and how tall it is.
    if (!fraHistory->isVisibleTo(this))
        resize(narrowWidth(), height());
}

void frmEditClass::done(int result)
{
    // Put away narrow, so that the place remembered is the place the window opens in.
    if (fraHistory->isVisibleTo(this))
        hideHistory();
    QDialog::done(result);
}

void frmEditClass::deleteHistoryEntry()
{
    frmDeletePassword prompt(m_user, this);
    prompt.setGetForm(2);
    ui::Messages::execDialog(prompt);
    if (!prompt.DeleteOK()) {
        ui::Messages::show(QStringLiteral("Unauthorized User."), {}, QMessageBox::Information, QMessageBox::Ok, this);
        return;
    }
    const QString reason = ui::Messages::prompt(QStringLiteral("Enter Reason for deleting the Class History: "),
        QStringLiteral("Update Record"), {}, false, this)
                               .value_or(QString());
    if (!deletionReasonAccepted(reason)) {
        ui::Messages::show(QStringLiteral("Deletion Unsuccessful. \nYou must have a reason for deleting the record. "
                                          "\nHwag ka na po mahiya. tell us your reason."),
            {}, QMessageBox::Critical, QMessageBox::Ok, this);
        return;
    }
    QString patientClass, transDate;
    if (const int last = grdClassHistory->rowCount() - 1; last >= 0) {
        const auto cellText = [this, last](int column) {
            const QTableWidgetItem *item = grdClassHistory->item(last, column);
            return item ? item->text().trimmed() : QString();
        };
        patientClass = cellText(kClassColumn);
        transDate = cellText(kDateColumn);
    }
    store().deleteHistoryEntry(txtIDNum->text(), patientClass, reason, transDate, employeeCode());
    showHistory();
    ui::Messages::show(
        QStringLiteral("Record Successfully deleted."), {}, QMessageBox::Information, QMessageBox::Ok, this);
}

void frmEditClass::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10) {
        deleteFromKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmEditClass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdClassHistory && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F10) {
        deleteFromKey();
        return true;
    }
    if (watched == grdClassHistory->viewport()) {
        const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
        const bool rightPress = event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
        if (doubleClick || rightPress) {
            mnuFileDelete->popup(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace mss::classification
