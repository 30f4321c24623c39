#pragma once

#include <QString>

#include <functional>
#include <optional>

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

// The suite's code-search component, set up by start-up and used by the intake sheet's zip-code
// lookup.
class clsCodeSearch {
public:
    QString MTS_Server;
    bool SearchMode = false;
    QString CompanyName;
    QString SearchTitle;
    data::Connection *Connection = nullptr;

    void Initialize_Classes() { }

    // The window that lets the user pick an address; the session's shell provides it.
    std::function<std::optional<AddressChoice>(data::Connection &, const QString &title, const QString &seed)>
        AddressPicker;

    // Shows the address search seeded with the text; true when the user chose an address, which
    // AddressRecord then holds.
    bool SearchListing(const QString &text, int mode);
    const AddressChoice &AddressRecord() const { return m_address; }

private:
    AddressChoice m_address;
};

} // namespace mss::suite
