#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mss::data {
class Connection;
}

namespace mss::intake {

// The family composition of the intake sheet: the grid FCFlexGrid with its two in-place editors
// (txtFlx for text, cmbFlx for civil status) and the total family income field. Rows here are
// the grid's data rows; the header is the table's own header, so "row 1" of the form is row 0.
class FamilyComposition final : public QObject {
    Q_OBJECT

public:
    // The member columns, in the order of both layouts of the grid.
    static constexpr int kNameColumn = 0;
    static constexpr int kRelationshipColumn = 1;
    static constexpr int kAgeColumn = 2;
    static constexpr int kCivilStatusColumn = 3;
    static constexpr int kEducationColumn = 4;
    static constexpr int kAddressColumn = 5;
    static constexpr int kOccupationColumn = 6;
    static constexpr int kIncomeColumn = 7;

    FamilyComposition(QTableWidget *grid, QLineEdit *totalIncome, QPushButton *addMembers, QObject *parent = nullptr);

    QTableWidget *FCFlexGrid;
    QLineEdit *txtFlx;
    QComboBox *cmbFlx;

    void InitFamilyGrid();
    // Shows a stored composition (rows as the database returned them); false when there was none.
    bool LoadFamilyComposition(data::Connection &connection, const QString &hospitalNumber);
    // The total field takes the sum of the member rows' incomes. A text in the current row that
    // is not a number is refused: the user is told and the cell is emptied.
    void Compute_Total();
    // The sum of the incomes of the member rows; a cell that is not a number counts as nothing.
    double totalIncome() const;

    // Why a save cannot store the grid as it stands: the first row that holds some data but misses
    // a member value, or whose income is not a number or is negative. Wholly empty rows are not
    // members and are passed over.
    struct Problem {
        int row;
        int column;
        QString message;
    };
    std::optional<Problem> firstProblem() const;
    // Replaces the stored members of the patient by the member rows of the grid, each with the sum
    // of their incomes as the total. Runs inside the caller's transaction; a grid with a problem is
    // refused before anything is written.
    void Save_FamilyComposition(
        data::Connection &connection, const QString &hospNum, const QString &hospitalNumberText);

    // Opens the editor of the current cell, as a click or a cursor move does.
    void openEditor();
    void moveTo(int row, int column);
    QString cell(int row, int column) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setCell(int row, int column, const QString &text);
    void placeOver(QWidget *editor, int row, int column);
    void enterInTextField();
    int storedColumns() const; // columns the save checks: all but the last
    bool isEmptyRow(int row) const;

    QLineEdit *m_total;
    QPushButton *m_add;
    bool m_stored = false;
};

// A typed income as a number: empty is 0; anything else not a number gives nothing.
std::optional<double> incomeValue(const QString &text);

} // namespace mss::intake
