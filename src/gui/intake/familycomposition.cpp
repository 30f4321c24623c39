#include "intake/familycomposition.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "domain/intakestatements.h"
#include "ui/messages.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>
#include <stdexcept>

namespace mss::intake {

namespace {

const QStringList kNewHeaders
    = { QStringLiteral(" Family Member "), QStringLiteral(" Relationship "), QStringLiteral(" Age "),
          QStringLiteral(" Civil Status "), QStringLiteral(" Educ'l Attainment "), QStringLiteral(" Address "),
          QStringLiteral(" Occupation "), QStringLiteral(" Income "), QStringLiteral("Number ") };
const QList<int> kNewWidths = { 2800, 1200, 600, 1300, 1500, 2500, 1800, 1200, 0 };
const QStringList kStoredHeaders = { QStringLiteral("Family Members"), QStringLiteral("Rel. to Patient"),
    QStringLiteral("Age"), QStringLiteral("Civil Status"), QStringLiteral("Educ'l Attainment"),
    QStringLiteral("Address"), QStringLiteral("Occupation"), QStringLiteral("Income") };
const QList<int> kStoredWidths = { 2000, 1100, 500, 1100, 1500, 2400, 1300, 950 };

const QString kNotNumeric = QStringLiteral("Please Enter Numeric Values");

} // namespace

std::optional<double> incomeValue(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0.0;
    return data::parseNumber(text);
}

FamilyComposition::FamilyComposition(
    QTableWidget *grid, QLineEdit *totalIncome, QPushButton *addMembers, QObject *parent)
    : QObject(parent), FCFlexGrid(grid), m_total(totalIncome), m_add(addMembers)
{
    FCFlexGrid->setObjectName(QStringLiteral("FCFlexGrid"));
    FCFlexGrid->setEditTriggers(QAbstractItemView::NoEditTriggers); // edited through the two editors only
    FCFlexGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FCFlexGrid->verticalHeader()->hide();
    FCFlexGrid->setTabKeyNavigation(false); // the editors move the cursor, not the grid

    txtFlx = new QLineEdit(FCFlexGrid->viewport());
    txtFlx->setObjectName(QStringLiteral("txtFlx"));
    txtFlx->setFrame(false);
    txtFlx->hide();
    txtFlx->installEventFilter(this);
    cmbFlx = new QComboBox(FCFlexGrid->viewport());
    cmbFlx->setObjectName(QStringLiteral("cmbFlx"));
    cmbFlx->setEditable(true);
    cmbFlx->setInsertPolicy(QComboBox::NoInsert);
    cmbFlx->addItems({ QStringLiteral("SINGLE"), QStringLiteral("MARRIED"), QStringLiteral("WIDOW"),
        QStringLiteral("WIDOWER"), QStringLiteral("SEPARATED") });
    cmbFlx->hide();
    cmbFlx->installEventFilter(this);
    cmbFlx->lineEdit()->installEventFilter(this);

    connect(txtFlx, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!txtFlx->isHidden())
            setCell(FCFlexGrid->currentRow(), FCFlexGrid->currentColumn(), text);
    });
    connect(cmbFlx, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        if (!cmbFlx->isHidden() && FCFlexGrid->currentColumn() == kCivilStatusColumn)
            setCell(FCFlexGrid->currentRow(), kCivilStatusColumn, text);
    });
    connect(FCFlexGrid, &QTableWidget::cellClicked, this, [this](int row, int column) {
        moveTo(row, column);
        openEditor();
    });
}

void FamilyComposition::InitFamilyGrid()
{
    m_stored = false;
    FCFlexGrid->clear();
    FCFlexGrid->setColumnCount(int(kNewHeaders.size()));
    FCFlexGrid->setRowCount(1);
    FCFlexGrid->setHorizontalHeaderLabels(kNewHeaders);
    ui::setColumnWidthsInTwips(FCFlexGrid, kNewWidths);
    FCFlexGrid->setCurrentCell(0, 0);
}

bool FamilyComposition::LoadFamilyComposition(data::Connection &connection, const QString &hospitalNumber)
{
    const data::Recordset rs = connection.open(
        QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '") + data::q(hospitalNumber) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (rs.isEmpty())
        return false;
    m_total->setText(data::variantText(rs.value(QStringLiteral("TotalIncome"))));
    m_stored = true;
    FCFlexGrid->show();
    FCFlexGrid->clear();
    FCFlexGrid->setColumnCount(int(rs.columns().size()));
    FCFlexGrid->setRowCount(rs.recordCount());
    FCFlexGrid->setHorizontalHeaderLabels(rs.columns());
    for (int c = 0; c < rs.columns().size(); ++c)
        FCFlexGrid->setColumnHidden(c, false);
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < rs.columns().size(); ++c)
            setCell(r, c, data::variantText(rs.rows()[r][c]));
    if (FCFlexGrid->rowCount() < 1) {
        FCFlexGrid->hide();
        return true;
    }
    m_add->setEnabled(false);
    for (int c = 0; c < kStoredHeaders.size() && c < FCFlexGrid->columnCount(); ++c)
        FCFlexGrid->setHorizontalHeaderItem(c, new QTableWidgetItem(kStoredHeaders[c]));
    ui::setColumnWidthsInTwips(FCFlexGrid, kStoredWidths);
    FCFlexGrid->setCurrentCell(0, 0);
    return true;
}

QString FamilyComposition::cell(int row, int column) const
{
    const QTableWidgetItem *item = FCFlexGrid->item(row, column);
    return item ? item->text() : QString();
}

void FamilyComposition::setCell(int row, int column, const QString &text)
{
    if (row < 0 || column < 0 || row >= FCFlexGrid->rowCount() || column >= FCFlexGrid->columnCount())
        return;
    if (QTableWidgetItem *item = FCFlexGrid->item(row, column))
        item->setText(text);
    else
        FCFlexGrid->setItem(row, column, new QTableWidgetItem(text));
}

void FamilyComposition::moveTo(int row, int column)
{
    FCFlexGrid->setCurrentCell(row, column);
}

void FamilyComposition::placeOver(QWidget *editor, int row, int column)
{
    const QRect rect = FCFlexGrid->visualRect(FCFlexGrid->model()->index(row, column));
    editor->setGeometry(rect.x(), rect.y(), rect.width(), std::max(rect.height(), editor->sizeHint().height()));
    editor->show();
    editor->raise();
}

void FamilyComposition::openEditor()
{
    const int row = FCFlexGrid->currentRow();
    const int column = FCFlexGrid->currentColumn();
    if (row < 0)
        return;
    FCFlexGrid->scrollTo(FCFlexGrid->model()->index(row, column));
    // The new editor takes the focus before the old one hides: a hidden focus widget hands the
    // focus on, and the grid would take that as a move to the next cell.
    if (column == kCivilStatusColumn) {
        placeOver(cmbFlx, row, column);
        cmbFlx->setFocus();
        cmbFlx->lineEdit()->selectAll(); // its text stays, but what is typed replaces it
        txtFlx->hide();
    } else if (column >= 0 && column <= kIncomeColumn) {
        {
            const QSignalBlocker block(txtFlx); // the cell already holds this text
            txtFlx->setText(cell(row, column));
        }
        placeOver(txtFlx, row, column);
        txtFlx->setEnabled(true);
        txtFlx->setFocus();
        txtFlx->selectAll();
        cmbFlx->hide();
    }
}

void FamilyComposition::Compute_Total()
{
    const int row = FCFlexGrid->currentRow();
    if (!incomeValue(cell(row, kIncomeColumn))) {
        // Refused where it would be computed: the cell is emptied so it is said once.
        setCell(row, kIncomeColumn, QString());
        if (FCFlexGrid->currentColumn() == kIncomeColumn && !txtFlx->isHidden()) {
            const QSignalBlocker block(txtFlx);
            txtFlx->clear();
        }
        ui::Messages::information(kNotNumeric);
    }
    m_total->setText(data::numberText(totalIncome()));
}

double FamilyComposition::totalIncome() const
{
    double total = 0;
    for (int row = 0; row < FCFlexGrid->rowCount(); ++row)
        total += incomeValue(cell(row, kIncomeColumn)).value_or(0.0);
    return total;
}

void FamilyComposition::enterInTextField()
{
    const int row = FCFlexGrid->currentRow();
    const int column = FCFlexGrid->currentColumn();
    if (column == kIncomeColumn) {
        if (!incomeValue(txtFlx->text())) {
            txtFlx->clear();
            ui::Messages::information(kNotNumeric);
        }
        setCell(row, column, txtFlx->text());
        FCFlexGrid->setRowCount(FCFlexGrid->rowCount() + 1); // a new row on every such Enter
        moveTo(row + 1, 0);
        openEditor();
        return;
    }
    moveTo(row, column + 1);
    Compute_Total();
    openEditor();
}

bool FamilyComposition::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFlx && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        Compute_Total();
        const int row = FCFlexGrid->currentRow();
        const int column = FCFlexGrid->currentColumn();
        int toRow = row, toColumn = column;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            enterInTextField();
            return true;
        case Qt::Key_Down:
            if (FCFlexGrid->rowCount() > 1 && row < FCFlexGrid->rowCount() - 1)
                toRow = row + 1;
            break;
        case Qt::Key_Up:
            if (row > 0)
                toRow = row - 1;
            break;
        case Qt::Key_Right:
            if (column != kIncomeColumn)
                toColumn = column + 1;
            break;
        case Qt::Key_Left:
            if (column != 0)
                toColumn = column - 1;
            break;
        default:
            return false;
        }
        if (toRow != row || toColumn != column) {
            moveTo(toRow, toColumn);
            openEditor();
        }
        return true;
    }
    if ((watched == cmbFlx || watched == cmbFlx->lineEdit()) && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (FCFlexGrid->currentColumn() == kCivilStatusColumn) {
                setCell(FCFlexGrid->currentRow(), kCivilStatusColumn, cmbFlx->currentText());
                moveTo(FCFlexGrid->currentRow(), kCivilStatusColumn + 1);
                openEditor();
                cmbFlx->hide();
            } else {
                cmbFlx->hide();
            }
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        auto *focus = static_cast<QFocusEvent *>(event);
        // A popup of the list box's own is not leaving it.
        if (focus->reason() != Qt::PopupFocusReason) {
            if (watched == txtFlx && !txtFlx->isHidden()) {
                txtFlx->hide();
                Compute_Total();
            } else if ((watched == cmbFlx || watched == cmbFlx->lineEdit()) && !cmbFlx->hasFocus()
                && !cmbFlx->lineEdit()->hasFocus()) {
                cmbFlx->hide();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

int FamilyComposition::storedColumns() const
{
    return std::min(FCFlexGrid->columnCount() - 1, kIncomeColumn + 1);
}

bool FamilyComposition::isEmptyRow(int row) const
{
    for (int c = 0; c < storedColumns(); ++c)
        if (!cell(row, c).trimmed().isEmpty())
            return false;
    return true;
}

std::optional<FamilyComposition::Problem> FamilyComposition::firstProblem() const
{
    for (int row = 0; row < FCFlexGrid->rowCount(); ++row) {
        if (isEmptyRow(row))
            continue;
        const QString name = cell(row, kNameColumn).trimmed();
        const QString member = QStringLiteral("Family member %1").arg(row + 1)
            + (name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name));
        for (int c = 0; c < storedColumns(); ++c) {
            if (!cell(row, c).trimmed().isEmpty())
                continue;
            const QTableWidgetItem *header = FCFlexGrid->horizontalHeaderItem(c);
            const QString column = header ? header->text().trimmed() : QString::number(c + 1);
            return Problem { row, c,
                member + QStringLiteral(" has no %1. Complete the row or clear it before saving.").arg(column) };
        }
        const QString income = cell(row, kIncomeColumn).trimmed();
        const std::optional<double> value = incomeValue(income);
        if (!value)
            return Problem { row, kIncomeColumn,
                member + QStringLiteral(": the income \"%1\" is not a number. ").arg(income) + kNotNumeric };
        if (*value < 0)
            return Problem { row, kIncomeColumn,
                member + QStringLiteral(": the income %1 is negative. An income cannot be less than 0.").arg(income) };
    }
    if (!std::isfinite(totalIncome()))
        return Problem { 0, kIncomeColumn, QStringLiteral("The incomes are too large to add up to a total.") };
    return std::nullopt;
}

void FamilyComposition::Save_FamilyComposition(
    data::Connection &connection, const QString &hospNum, const QString &hospitalNumberText)
{
    // Refused before the clear: a member the grid cannot store must not cost the stored ones.
    if (const std::optional<Problem> problem = firstProblem())
        throw std::runtime_error(problem->message.toStdString());
    const QString total = data::numberText(totalIncome());
    connection.execute(clearFamilyCompositionStatement(hospitalNumberText.trimmed()));
    for (int row = 0; row < FCFlexGrid->rowCount(); ++row) {
        if (isEmptyRow(row))
            continue; // the row the last Enter added, or one the user cleared
        FamilyMemberData member;
        member.HospNum = hospNum;
        member.FamilyMember = cell(row, kNameColumn);
        member.Relationship = cell(row, kRelationshipColumn);
        member.Age = cell(row, kAgeColumn);
        member.CivilStatus = cell(row, kCivilStatusColumn);
        member.Education = cell(row, kEducationColumn);
        member.Address = cell(row, kAddressColumn);
        member.Occupation = cell(row, kOccupationColumn);
        member.Income = data::numberText(*incomeValue(cell(row, kIncomeColumn)));
        member.TotalIncome = total;
        connection.execute(saveFamilyCompositionStatement(member));
    }
    m_total->setText(total);
}

} // namespace mss::intake
