#pragma once

#include "data/connection.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace mss::data {

// The version of the program's own objects on the hospital's SQL Server (db/sqlserver/deploy.sql
// writes it into MSS..tbMSSSchemaVersion). Raise it with every change to the deployment script.
inline constexpr int kServerSchemaVersion = 2;

enum class ObjectKind { Table, View, Procedure, TableOrView };

// A table, view or procedure the program uses, and where it was found to be used.
struct DatabaseObject {
    QString database; // MSS, PATIENT_DATA, BILLING or RADIOLOGY
    QString name;
    ObjectKind kind = ObjectKind::TableOrView;
    QStringList usedBy;
    bool programOwn = false; // created by the deployment script, not by the hospital's suite
    bool embedded = false; // the embedded database's schema has it too

    QString fullName() const { return database + QStringLiteral("..") + name; }
};

QString kindName(ObjectKind kind);

// Statements from elsewhere (the report definitions) and where they come from.
struct StatementSource {
    QString origin;
    QString statement;
};

// Every table, view and procedure the program uses, sorted by database and name: those its own
// statements name ("DB..object", collected from the sources when the program is built), the
// procedures of the embedded procedure folder, the objects of the deployment script and those
// the given statements name. Kinds come from the embedded schema and the deployment script.
QList<DatabaseObject> programObjects(const QList<StatementSource> &statements = {});

// A column of a table or view that the program's statements or the given ones read, and where.
struct ColumnUse {
    QString database;
    QString object; // as the schema spells it
    QString column;
    QStringList usedBy;

    QString fullName() const { return database + QStringLiteral("..") + object + QLatin1Char('.') + column; }
};

// The columns the program's own statements and the given ones read, sorted by database, object
// and column. A column counts for an object a statement names when the statement uses the
// column's name, qualified by that object's alias or not qualified at all. Columns are known
// for the tables of the embedded schema, those of the deployment script and the views of the
// reports' script (by their column lists); objects with no known columns are left out.
QList<ColumnUse> programColumns(const QList<StatementSource> &statements = {});

// The columns of a table or view as the embedded schema, the deployment script or the report
// views' column lists define it; empty when none of them defines the object.
QStringList knownColumns(const QString &database, const QString &object);

// The columns of the list that the database behind the connection lacks, of objects it has:
// an object that is missing altogether is hasObject's to report. SQL Server is asked once per
// database (INFORMATION_SCHEMA), the embedded database once per object.
QList<ColumnUse> missingColumns(Connection &connection, const QList<ColumnUse> &columns);

// The "DB..object" names a statement uses outside its literals and comments.
QStringList objectNamesIn(const QString &statement);

// Whether the database behind the connection has the object: ODBC asks the driver's catalog,
// the embedded database its own.
bool hasObject(Connection &connection, const DatabaseObject &object);

// The schema version of the program's own objects on a server; nothing when it has none.
std::optional<int> deployedServerSchemaVersion(Connection &connection);

// What is wrong with the program's own objects on a server, in words for its IT staff: the ones
// missing, or a deployed version that does not fit this program. Empty when all is well.
QString serverSchemaProblem(Connection &connection);

} // namespace mss::data
