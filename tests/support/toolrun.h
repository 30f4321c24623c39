#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace mss::test {

// What a run of the database tool printed and how it ended.
struct ToolRun {
    int code = -1; // -1: it did not end within the limit
    QString out;
    QString err;
};

// mss-db as the build placed it (MSS_TOOLS_DIR, else the folder above the test programs).
QString mssDbPath();

// Runs mss-db with its input closed, in this process's environment changed by `environment`:
// a value sets a variable, a null QString removes it.
ToolRun runMssDb(const QStringList &args, const QMap<QString, QString> &environment = {});

} // namespace mss::test
