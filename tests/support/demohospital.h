#pragma once

#include "data/embedded.h"

#include <QTemporaryDir>

#include <memory>

namespace mss::test {

// A fresh copy of a small demo hospital (fixed seed, fixed day) in a temporary folder. The
// demo is generated once per test program and copied for each case, so cases stay independent
// and fast.
class DemoHospital {
public:
    // In a folder of its own under `parent` when one is given (the system's temporary folder otherwise).
    explicit DemoHospital(const QString &parent = {});
    QString folder() const { return m_dir.path(); }
    QString connectionString() const { return QStringLiteral("Driver=Embedded;Folder=") + m_dir.path(); }
    // A connection of the test's own, for arranging rows and checking what was stored.
    data::EmbeddedConnection &connection();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<data::EmbeddedConnection> m_connection;
};

// The first value of the first row of a query on the connection, as text ("" when no row).
QString scalar(data::Connection &connection, const QString &statement);

} // namespace mss::test
