#pragma once

#include "domain/codesearch.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLineEdit;
class QLabel;
class QTableView;
class QStandardItemModel;

namespace Ui {
class frmAddressSearch;
}
namespace mss::data {
class Connection;
}

namespace mss::suite {

// The address search of the code-search component: zip codes, barangays, towns and provinces,
// narrowed as the user types.
class frmAddressSearch final : public QDialog {
    Q_OBJECT

public:
    frmAddressSearch(
        data::Connection &connection, const QString &title, const QString &seed, QWidget *parent = nullptr);
    ~frmAddressSearch() override;

    QLineEdit *txtSearch = nullptr;
    QTableView *grdAddress = nullptr;
    QLabel *lblCount = nullptr;

    void search(const QString &text);
    int rowCount() const;
    // Picks a row as a double click or Enter on it would.
    void choose(int row);
    const AddressChoice &chosen() const { return m_chosen; }

private:
    std::unique_ptr<Ui::frmAddressSearch> m_ui;
    data::Connection &m_connection;
    QStandardItemModel *m_model = nullptr;
    AddressChoice m_chosen;
};

// The address the user picks in the search window, seeded with a text; nothing when cancelled.
std::optional<AddressChoice> pickAddress(data::Connection &connection, const QString &title, const QString &seed);

} // namespace mss::suite
