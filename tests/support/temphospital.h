#pragma once

#include "data/embedded.h"

#include <QTemporaryDir>

#include <memory>

namespace mss::test {

// A fresh, empty set of the four embedded database files in a temporary folder.
class TempHospital {
public:
    TempHospital();
    QString folder() const { return m_dir.path(); }
    data::EmbeddedConnection &connection() { return *m_connection; }
    // Another connection on the same files, as a second program would open them.
    std::unique_ptr<data::EmbeddedConnection> openAnother(int busyTimeoutMs = 5000) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<data::EmbeddedConnection> m_connection;
};

} // namespace mss::test
