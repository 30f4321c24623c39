#pragma once

#include "data/recordset.h"
#include "support/fakeconnections.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace mss::test {

// What a window's statements answered on the embedded hospital, kept so that the TDS test
// server can answer the same statements, sent through FreeTDS, with the same rows.
class ExchangeRecorder : public RecordingConnection {
public:
    using RecordingConnection::RecordingConnection;

    struct Exchange {
        QString wireText; // the statement as it reaches SQL Server
        std::optional<data::Recordset> rows; // none for a statement run with execute()
    };
    QList<Exchange> exchanges;

    void execute(const QString &statement) override;
    data::Recordset open(const QString &statement, data::CursorType cursor = data::CursorType::Dynamic,
        data::LockType lock = data::LockType::ReadOnly) override;
    data::Recordset query(const QString &statement, const data::Bindings &bindings = {}) override;
};

// A statement with its ":Name" placeholders written as FreeTDS sends them (@P1, @P2, … in order).
QString wireText(const QString &statement);

// The rows as a result set of the TDS test server's script, each column typed from its values.
QJsonObject tdsResultSet(const data::Recordset &rows);

// One rule per statement, matching its whole text and answering what it answered when recorded.
// A statement recorded twice with different rows answers them in turn.
QJsonArray replayRules(const QList<ExchangeRecorder::Exchange> &exchanges);

} // namespace mss::test
