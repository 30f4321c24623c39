#include "support/demohospital.h"

#include "db/demodata.h"
#include "db/hospitaldb.h"

#include <QDir>
#include <QFile>

namespace mss::test {

namespace {

const QString &templateFolder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        auto db = data::createHospitalDatabase(dir.path());
        data::DemoOptions options;
        options.admissions = 300;
        options.seed = 7;
        options.today = QDate(2026, 12, 9);
        options.fastPasswordHashes = true;
        data::generateDemoData(*db, options);
        return true;
    }();
    Q_UNUSED(made);
    static const QString path = dir.path();
    return path;
}

} // namespace

DemoHospital::DemoHospital(const QString &parent)
    : m_dir(
        parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/mss-XXXXXX") : parent + QStringLiteral("/mss-XXXXXX"))
{
    for (const QString &name : data::embeddedDatabaseNames())
        QFile::copy(data::embeddedDatabaseFile(templateFolder(), name), data::embeddedDatabaseFile(m_dir.path(), name));
}

data::EmbeddedConnection &DemoHospital::connection()
{
    if (!m_connection)
        m_connection = std::make_unique<data::EmbeddedConnection>(m_dir.path());
    return *m_connection;
}

QString scalar(data::Connection &connection, const QString &statement)
{
    data::Recordset rs = connection.open(statement);
    return rs.eof() ? QString() : rs.text(0);
}

} // namespace mss::test
