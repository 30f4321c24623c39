#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QLabel;
class QTableView;
class QStandardItemModel;

namespace mss::data {
class Connection;
}

namespace mss::suite {

struct AddressChoice {
    QString ResultCode; // the zip code
    QString Barangay;
    QString Town;
    QString Province;
};

// The address search of the code-search component: zip codes, barangays, towns and provinces,
// narrowed as the user types.
class frmAddressSearch final : public QDialog {
    Q_OBJECT

public:
    frmAddressSearch(data::Connection &connection, const QString &title, const QString &seed, QWidget *parent = nullptr);

    QLineEdit *txtSearch = nullptr;
    QTableView *grdAddress = nullptr;
    QLabel *lblCount = nullptr;

    void search(const QString &text);
    int rowCount() const;
    // Picks a row as a double click or Enter on it would.
    void choose(int row);
    const AddressChoice &chosen() const { return m_chosen; }

private:
    data::Connection &m_connection;
    QStandardItemModel *m_model = nullptr;
    AddressChoice m_chosen;
};

// The suite's code-search component, set up by start-up and used by the intake sheet's zip-code
// lookup.
class clsCodeSearch {
public:
    QString MTS_Server;
    bool SearchMode = false;
    QString CompanyName;
    QString SearchTitle;
    data::Connection *Connection = nullptr;

    void Initialize_Classes() {}

    // Shows the address search seeded with the text; true when the user chose an address, which
    // AddressRecord then holds.
    bool SearchListing(const QString &text, int mode);
    const AddressChoice &AddressRecord() const { return m_address; }

private:
    AddressChoice m_address;
};

} // namespace mss::suite
