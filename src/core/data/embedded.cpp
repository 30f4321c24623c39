#include "data/embedded.h"

#include "data/procedureparams.h"
#include "data/sqlfunctions.h"
#include "data/tsql.h"
#include "data/values.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Embedded database");

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Most cells are short ASCII (codes, names, dates): widened in one pass, they cost a recordset
// no more than the allocation of their text.
QString cellText(const char *utf8, int size)
{
    QString text(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (int i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80)
            return QString::fromUtf8(utf8, size);
        out[i] = c;
    }
    return text;
}

// A result cell read through its value: each sqlite3_column_* call would look the column up and
// enter the connection's mutex again, three times a cell. Values read this way are valid until
// the next step, and a connection is only ever used from the thread that opened it.
QVariant columnValue(sqlite3_stmt *stmt, int i)
{
    sqlite3_value *value = sqlite3_column_value(stmt, i);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_value_int64(value)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return QVariant(cellText(text, sqlite3_value_bytes(value)));
    }
    case SQLITE_BLOB: {
        const auto *blob = static_cast<const char *>(sqlite3_value_blob(value));
        return QVariant(QByteArray(blob, sqlite3_value_bytes(value)));
    }
    default:
        return QVariant();
    }
}

// Bound text is mostly short ASCII (codes, names, dates): narrowed on the stack, SQLite's own
// copy is the only one made.
int bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    if (text.size() <= 64) {
        char ascii[64];
        const QChar *units = text.constData();
        qsizetype n = 0;
        for (; n < text.size() && units[n].unicode() < 0x80; ++n)
            ascii[n] = char(units[n].unicode());
        if (n == text.size())
            return sqlite3_bind_text(stmt, index, ascii, int(n), SQLITE_TRANSIENT);
    }
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

int bindValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QDate:
        return bindText(stmt, index, value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QDateTime:
        return bindText(stmt, index, value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QString:
        return bindText(stmt, index, *static_cast<const QString *>(value.constData()));
    default:
        return bindText(stmt, index, value.toString());
    }
}

struct StatementDeleter {
    void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The column names of a prepared statement, kept between its runs. They change only when a
// schema change makes SQLite prepare the statement again, which its reprepare count tells.
class ColumnNames {
public:
    const std::shared_ptr<const ColumnIndex> &of(sqlite3_stmt *stmt, int columns)
    {
        const int prepared = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
        if (!m_index || prepared != m_prepared || m_index->names().size() != columns) {
            QStringList names;
            names.reserve(columns);
            for (int i = 0; i < columns; ++i)
                names.append(fromUtf8(sqlite3_column_name(stmt, i)));
            m_index = std::make_shared<const ColumnIndex>(std::move(names));
            m_prepared = prepared;
        }
        return m_index;
    }

private:
    std::shared_ptr<const ColumnIndex> m_index;
    int m_prepared = 0;
};

// Rows read into a recordset of values, as open() and query() return them.
class RecordsetSink final : public EmbeddedConnection::ResultSink {
public:
    void begin(const std::shared_ptr<const ColumnIndex> &columns) override
    {
        m_columns = columns;
        m_rows.clear();
    }
    void addRow(sqlite3_stmt *stmt, int columns) override
    {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(columnValue(stmt, i));
        m_rows.append(std::move(row));
    }
    void keep() override { m_result.emplace(m_columns, std::exchange(m_rows, {})); }
    Recordset take() { return m_result ? std::move(*m_result) : Recordset(); }

private:
    std::shared_ptr<const ColumnIndex> m_columns;
    QList<QVariantList> m_rows;
    std::optional<Recordset> m_result;
};

// Rows kept as SQLite's UTF-8 text, converted by nobody until they are shown.
class RowTableSink final : public EmbeddedConnection::ResultSink {
public:
    void begin(const std::shared_ptr<const ColumnIndex> &columns) override { m_rows = RowTable(columns->names()); }
    void addRow(sqlite3_stmt *stmt, int columns) override
    {
        for (int i = 0; i < columns; ++i) {
            sqlite3_value *value = sqlite3_column_value(stmt, i); // as columnValue reads it
            switch (sqlite3_value_type(value)) {
            case SQLITE_NULL:
                m_rows.appendNull();
                break;
            case SQLITE_FLOAT:
                // As a recordset's double reads: its shortest form.
                if (const double d = sqlite3_value_double(value); std::isfinite(d)) {
                    const QByteArray text = shortestText(d).toLatin1();
                    m_rows.appendText(text.constData(), text.size());
                    break;
                }
                [[fallthrough]];
            default: {
                const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
                m_rows.appendText(text, sqlite3_value_bytes(value));
            }
            }
        }
    }
    void keep() override { m_result.emplace(std::exchange(m_rows, {})); }
    RowTable take() { return m_result ? std::move(*m_result) : RowTable(); }

private:
    RowTable m_rows;
    std::optional<RowTable> m_result;
};

// Steps a prepared statement to its end; its rows become the result when it has result
// columns. Returns the SQLite result code of the last step.
int stepAll(sqlite3_stmt *stmt, EmbeddedConnection::ResultSink &sink, ColumnNames &names)
{
    // The columns are read after the first step: a schema change makes SQLite prepare the
    // statement again there, and "SELECT *" may then have other columns than before.
    int rc = sqlite3_step(stmt);
    const int columns = sqlite3_column_count(stmt);
    if (columns > 0)
        sink.begin(names.of(stmt, columns));
    bool anyRow = false;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        anyRow = true;
        sink.addRow(stmt, columns);
    }
    // A guard such as "SELECT mss_error('…') WHERE …" that let the call pass is not its result.
    const bool guard = columns == 1 && !anyRow && QByteArray(sqlite3_column_name(stmt, 0)).startsWith("mss_error(");
    if (rc == SQLITE_DONE && columns > 0 && !guard)
        sink.keep();
    return rc;
}

// SQLite gives a journal the rights of its database file, but makes the super-journal of a
// commit over several files (mss.db-mj…) with the process's umask, readable by every account.
// The program's connections open files through this thin layer over the system's own, which
// makes that one private too.
int openPrivately(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *system = static_cast<sqlite3_vfs *>(vfs->pAppData);
    const int rc = system->xOpen(system, name, file, flags, outFlags);
    if (rc == SQLITE_OK && name && (flags & SQLITE_OPEN_SUPER_JOURNAL))
        ::chmod(name, 0600);
    return rc;
}

const char *privateFilesVfs()
{
    static const char *const name = [] {
        static sqlite3_vfs layer;
        sqlite3_vfs *system = sqlite3_vfs_find(nullptr);
        if (!system)
            return static_cast<const char *>(nullptr);
        layer = *system;
        layer.zName = "mss-private-files";
        layer.pNext = nullptr;
        // The system's functions read their own pAppData; only xOpen is ours, and it hands the
        // system's layer to the system's xOpen.
        layer.pAppData = system;
        layer.xOpen = openPrivately;
        if (sqlite3_vfs_register(&layer, 0) != SQLITE_OK)
            return static_cast<const char *>(nullptr);
        return layer.zName;
    }();
    return name;
}

// Procedure sources start with comment lines; "-- params: a, b float" names the arguments in
// order, with the type of those that are not text.
QList<ProcedureParam> declaredParams(const QString &source, bool *found)
{
    static const QRegularExpression line(QStringLiteral(R"(^\s*--\s*params\s*:(.*)$)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    const auto m = line.match(source);
    *found = m.hasMatch();
    return m.hasMatch() ? parseProcedureParams(m.captured(1)) : QList<ProcedureParam>();
}

} // namespace

const QStringList &embeddedDatabaseNames()
{
    static const QStringList names = { QStringLiteral("MSS"), QStringLiteral("PATIENT_DATA"), QStringLiteral("BILLING"),
        QStringLiteral("RADIOLOGY") };
    return names;
}

QString embeddedDatabaseFile(const QString &folder, const QString &database)
{
    return QDir(folder).filePath(database.toLower() + QStringLiteral(".db"));
}

// A stored procedure prepared for repeated calls: its statements are prepared one by one as
// the first call reaches them (a later statement may use a table an earlier one creates).
struct EmbeddedConnection::Procedure {
    QString name;
    QStringList params;
    QList<ProcedureParam> declared; // params with their types
    QByteArray body;
    struct Step {
        StatementPtr stmt;
        std::vector<int> argumentOf; // statement parameter i+1 -> argument index
        ColumnNames columns;
    };
    std::vector<Step> steps;
    int preparedUpTo = 0; // byte offset in body where the next unprepared statement starts
    bool complete = false;

    // One statement that only reads cannot be left half done, so it needs no savepoint.
    bool needsSavepoint() const
    {
        return !complete || steps.size() > 1 || (steps.size() == 1 && !sqlite3_stmt_readonly(steps[0].stmt.get()));
    }
    // Until its first call has prepared every statement, a procedure may write.
    bool writes() const
    {
        return !complete || std::any_of(steps.begin(), steps.end(), [](const Step &s) {
            return !sqlite3_stmt_readonly(s.stmt.get());
        });
    }
};

// SAVEPOINT, RELEASE and ROLLBACK TO of one savepoint name, prepared on first use; or, outside
// a transaction, BEGIN IMMEDIATE, COMMIT and ROLLBACK of a transaction of the work's own.
class EmbeddedConnection::Savepoint {
public:
    explicit Savepoint(sqlite3 *db, const char *name) : m_db(db)
    {
        const QByteArray n(name);
        m_set.sql = "SAVEPOINT " + n;
        m_release.sql = "RELEASE " + n;
        m_rollback.sql = "ROLLBACK TO " + n;
    }
    // A savepoint outside a transaction starts one that reads first and asks for the write lock
    // only at its first write; a writer waiting there while holding its read lock can deadlock
    // with another, and SQLite then fails it at once instead of letting it wait. A write of its
    // own therefore takes the write lock before it reads anything, and waits its turn for it.
    static std::unique_ptr<Savepoint> writeTransaction(sqlite3 *db)
    {
        auto t = std::make_unique<Savepoint>(db, "");
        t->m_set.sql = "BEGIN IMMEDIATE";
        t->m_release.sql = "COMMIT";
        t->m_rollback.sql = "ROLLBACK";
        t->m_releaseAfterRollback = false;
        return t;
    }
    int set() { return run(m_set); }
    int release() { return run(m_release); }
    // Undoes what happened since set() and ends the savepoint.
    void undo()
    {
        run(m_rollback);
        if (m_releaseAfterRollback)
            run(m_release);
    }

private:
    struct Prepared {
        QByteArray sql;
        StatementPtr stmt;
    };
    int run(Prepared &p)
    {
        if (!p.stmt) {
            sqlite3_stmt *raw = nullptr;
            if (const int rc = sqlite3_prepare_v3(
                    m_db, p.sql.constData(), int(p.sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
                rc != SQLITE_OK)
                return rc;
            p.stmt.reset(raw);
        }
        const int rc = sqlite3_step(p.stmt.get());
        sqlite3_reset(p.stmt.get());
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }

    sqlite3 *m_db;
    Prepared m_set, m_release, m_rollback;
    bool m_releaseAfterRollback = true;
};

EmbeddedConnection::Savepoint &EmbeddedConnection::savepoint(std::unique_ptr<Savepoint> &slot, const char *name)
{
    if (!slot)
        slot = std::make_unique<Savepoint>(m_db, name);
    return *slot;
}

EmbeddedConnection::Savepoint &EmbeddedConnection::scope(
    bool writes, std::unique_ptr<Savepoint> &slot, const char *name)
{
    if (!writes || !sqlite3_get_autocommit(m_db))
        return savepoint(slot, name);
    if (!m_writeTransaction)
        m_writeTransaction = Savepoint::writeTransaction(m_db);
    return *m_writeTransaction;
}

namespace {

// Waits for another connection's lock in short, uneven naps until the lock wait is over, so
// that every waiter gets its turn soon after the lock is free; SQLite's own timeout naps up to
// 100 ms, and a busy writer can take the lock again in each of those gaps.
int waitForLock(void *wait, int count)
{
    auto &w = *static_cast<EmbeddedConnection::LockWait *>(wait);
    if (count == 0)
        w.started.start();
    if (w.limitMs >= 0 && w.started.elapsed() >= w.limitMs)
        return 0;
    w.jitter = w.jitter * 1664525u + 1013904223u;
    const unsigned nap = count < 20 ? 100 + (w.jitter >> 8) % 400 : 500 + (w.jitter >> 8) % 1500;
    std::this_thread::sleep_for(std::chrono::microseconds(nap));
    return 1;
}

// Statements that SQLite does not allow inside a transaction, or that end one.
bool runsOutsideTransactions(sqlite3_stmt *stmt)
{
    const char *sql = sqlite3_sql(stmt);
    while (sql && (*sql == ' ' || *sql == '\t' || *sql == '\n' || *sql == '\r'))
        ++sql;
    static const char *const keywords[]
        = { "PRAGMA", "VACUUM", "ATTACH", "DETACH", "BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT", "RELEASE" };
    for (const char *k : keywords)
        if (sql && sqlite3_strnicmp(sql, k, int(std::strlen(k))) == 0)
            return true;
    return false;
}

bool isBusy(int code)
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

} // namespace

EmbeddedConnection::EmbeddedConnection(const QString &folder, EmbeddedOptions options)
    : m_folder(QDir(folder).absolutePath()), m_options(options), m_lockWaitMs(options.busyTimeoutMs)
{
    const QString where = QStringLiteral("opening the embedded database in %1").arg(m_folder);
    if (!QFileInfo(m_folder).isDir()) {
        if (!m_options.create || !QDir().mkpath(m_folder))
            fail(SQLITE_CANTOPEN, QStringLiteral("The database folder %1 does not exist").arg(m_folder), where);
    }
    for (const QString &name : embeddedDatabaseNames()) {
        const QString file = embeddedDatabaseFile(m_folder, name);
        if (!m_options.create && !QFileInfo::exists(file))
            fail(SQLITE_CANTOPEN, QStringLiteral("The %1 database file %2 is missing").arg(name, file), where);
    }

    // A connection lives on one thread, so SQLite need not lock its own handle around every
    // call; other programs and other connections are kept apart by the file locks as before.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (m_options.create ? SQLITE_OPEN_CREATE : 0);
    const QByteArray mainFile = embeddedDatabaseFile(m_folder, QStringLiteral("MSS")).toUtf8();
    if (const int rc = sqlite3_open_v2(mainFile.constData(), &m_db, flags, privateFilesVfs()); rc != SQLITE_OK) {
        const QString message = m_db ? fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(m_db);
        m_db = nullptr;
        fail(rc, QStringLiteral("Cannot open %1: %2").arg(QString::fromUtf8(mainFile), message), where);
    }
    sqlite3_extended_result_codes(m_db, 1);
    setLockWaitMs(m_options.busyTimeoutMs);
    registerSqlFunctions(m_db);

    try {
        // The main file is read first, so that its damage is not reported under the name of
        // the first file attached to it.
        if (sqlite3_exec(m_db, "SELECT count(*) FROM main.sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sqlite3_extended_errcode(m_db),
                isBusy(sqlite3_extended_errcode(m_db))
                    ? busyText(fromUtf8(sqlite3_errmsg(m_db)))
                    : QStringLiteral("The MSS database file %1 cannot be read: %2")
                          .arg(QString::fromUtf8(mainFile), fromUtf8(sqlite3_errmsg(m_db))),
                QString());
        for (const QString &name : embeddedDatabaseNames().mid(1)) {
            sqlite3_stmt *raw = nullptr;
            const QByteArray sql = QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(name).toUtf8();
            sqlite3_prepare_v2(m_db, sql.constData(), -1, &raw, nullptr);
            StatementPtr attach(raw);
            const QByteArray file = embeddedDatabaseFile(m_folder, name).toUtf8();
            sqlite3_bind_text(raw, 1, file.constData(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(raw) != SQLITE_DONE)
                fail(sqlite3_extended_errcode(m_db),
                    isBusy(sqlite3_extended_errcode(m_db))
                        ? busyText(fromUtf8(sqlite3_errmsg(m_db)))
                        : QStringLiteral("The %1 database file %2 cannot be read: %3")
                              .arg(name, QString::fromUtf8(file), fromUtf8(sqlite3_errmsg(m_db))),
                    QString());
        }
        // A rollback journal, not WAL: only then is a commit atomic across the attached files.
        // Checked first, so that opening needs no lock while another program is writing.
        for (const QString &name : embeddedDatabaseNames()) {
            const QString schema = tsql::schemaOf(name);
            // SQLite reads a file only when it is first used: make a damaged or foreign file
            // show up now, under its own name.
            try {
                run(QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schema), nullptr);
            } catch (const DbError &e) {
                if (isBusy(int(e.number())))
                    throw;
                fail(e.number(),
                    QStringLiteral("The %1 database file %2 cannot be read: %3")
                        .arg(name, embeddedDatabaseFile(m_folder, name), fromUtf8(sqlite3_errmsg(m_db))),
                    QString());
            }
            Recordset mode = run(QStringLiteral("PRAGMA %1.journal_mode").arg(schema), nullptr);
            if (mode.text(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
                executeScript(QStringLiteral("PRAGMA %1.journal_mode=DELETE;").arg(schema));
        }
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

EmbeddedConnection::~EmbeddedConnection()
{
    close();
}

void EmbeddedConnection::fail(int code, const QString &message, const QString &statement)
{
    // SQLite does not say which of the attached files is damaged; the check does.
    const bool damaged = (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
    QString text = message;
    if (isBusy(code))
        text = busyText(message);
    else if (damaged && !statement.isEmpty())
        text = QStringLiteral("%1 (a file of the database in %2 is damaged: \"mss-db check\" names it)")
                   .arg(message, m_folder);
    // The statement may carry a patient's data: it goes with the error for IT's eyes, not into
    // the text every user sees.
    DbErrorInfo info { code, kSource, text };
    m_errors = { info };
    throw DbError(info, statement.simplified());
}

QString EmbeddedConnection::busyText(const QString &message) const
{
    return QStringLiteral("The hospital database in %1 is busy with another program's work that did not end "
                          "within %2 s; nothing was changed. Please try again. (%3)")
        .arg(m_folder)
        .arg(m_lockWaitMs / 1000.0)
        .arg(message);
}

ConnectionState EmbeddedConnection::state() const
{
    return m_db ? ConnectionState::Open : ConnectionState::Closed;
}

void EmbeddedConnection::close()
{
    // Finalizes the prepared statements before the handle goes.
    clearProcedureCache();
    m_callSavepoint.reset();
    m_batchSavepoint.reset();
    m_writeTransaction.reset();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString EmbeddedConnection::connectionString() const
{
    return QStringLiteral("Driver=Embedded;Folder=%1").arg(m_folder);
}

void EmbeddedConnection::setLockWaitMs(int ms)
{
    m_lockWaitMs = ms;
    // The busy handler is the connection's only wait; it reads the limit at each lock attempt,
    // so the new wait applies from the next statement on. Negative waits for ever.
    m_lockWait.limitMs = ms;
    if (m_db)
        sqlite3_busy_handler(m_db, waitForLock, &m_lockWait);
}

void EmbeddedConnection::setDefaultDatabase(const QString &name)
{
    if (tsql::schemaOf(name).isEmpty())
        fail(911, QStringLiteral("Database \"%1\" does not exist").arg(name), QString());
    m_defaultDatabase = name.toUpper();
}

void EmbeddedConnection::execute(const QString &statement)
{
    run(statement, nullptr);
}

Recordset EmbeddedConnection::open(const QString &statement, CursorType, LockType)
{
    return run(statement, nullptr);
}

RowTable EmbeddedConnection::openTable(const QString &statement, CursorType, LockType)
{
    RowTableSink sink;
    run(statement, nullptr, sink);
    return sink.take();
}

Recordset EmbeddedConnection::query(const QString &statement, const Bindings &bindings)
{
    return run(statement, &bindings);
}

Recordset EmbeddedConnection::run(const QString &statement, const Bindings *bindings)
{
    RecordsetSink sink;
    run(statement, bindings, sink);
    return sink.take();
}

void EmbeddedConnection::run(const QString &statement, const Bindings *bindings, ResultSink &sink)
{
    m_errors.clear();
    if (!m_db)
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), statement);

    QString sqlite;
    try {
        if (!bindings) {
            if (auto call = tsql::parseProcedureCall(statement, &m_lastCall)) {
                callProcedure(*call, statement, sink);
                return;
            }
        }
        sqlite = tsql::translate(statement);
    } catch (const DbError &e) {
        rethrowWithStatement(e, statement);
    }
    const QByteArray utf8 = sqlite.toUtf8();
    const char *tail = utf8.constData();
    const char *end = tail + utf8.size();
    bool savepointSet = false;
    Savepoint *batchScope = nullptr;

    try {
        while (tail < end) {
            sqlite3_stmt *raw = nullptr;
            if (sqlite3_prepare_v2(m_db, tail, int(end - tail), &raw, &tail) != SQLITE_OK)
                fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
            if (!raw)
                break; // only blanks or comments were left
            StatementPtr stmt(raw);
            // Several statements in one text run all or nothing; a single write outside a
            // transaction runs in one of its own that waits for the write lock first.
            const QByteArray rest = QByteArray(tail, int(end - tail)).trimmed();
            const bool batch = !rest.isEmpty() && rest != ";";
            if (!savepointSet
                && (batch
                    || (!sqlite3_stmt_readonly(raw) && !runsOutsideTransactions(raw)
                        && sqlite3_get_autocommit(m_db)))) {
                batchScope = &scope(true, m_batchSavepoint, "mss_batch");
                if (batchScope->set() != SQLITE_OK)
                    fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
                savepointSet = true;
            }
            if (bindings)
                bindAll(raw, *bindings, statement);
            ColumnNames names;
            const int rc = stepAll(raw, sink, names);
            if (rc != SQLITE_DONE)
                fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
        }
        if (savepointSet && batchScope->release() != SQLITE_OK)
            fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
    } catch (...) {
        if (savepointSet)
            batchScope->undo();
        throw;
    }
}

void EmbeddedConnection::rethrowWithStatement(const DbError &e, const QString &statement)
{
    m_errors = { e.info() };
    if (!e.statement().isEmpty())
        throw e;
    throw DbError(e.info(), statement.simplified());
}

void EmbeddedConnection::bindAll(sqlite3_stmt *raw, const Bindings &bindings, const QString &statement)
{
    const int count = sqlite3_bind_parameter_count(raw);
    for (int i = 1; i <= count; ++i) {
        const QString name = fromUtf8(sqlite3_bind_parameter_name(raw, i)).mid(1);
        auto it = std::find_if(bindings.begin(), bindings.end(), [&](const auto &b) {
            QString key = b.first;
            if (key.startsWith(QLatin1Char(':')) || key.startsWith(QLatin1Char('@')))
                key.remove(0, 1);
            return key.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (name.isEmpty() || it == bindings.end())
            fail(SQLITE_RANGE, QStringLiteral("No value was given for the parameter \"%1\"").arg(name), statement);
        bindValue(raw, i, it->second);
    }
}

// Steps one read-only statement as its reader asks for rows. The statement stays prepared
// (and SQLite's read lock held) until the cursor goes.
class EmbeddedConnection::Cursor final : public RowCursor {
public:
    Cursor(EmbeddedConnection &connection, StatementPtr stmt, QString statement)
        : m_connection(connection), m_stmt(std::move(stmt)), m_statement(std::move(statement))
    {
    }
    const std::shared_ptr<const ColumnIndex> &columns() const override { return m_columns; }
    // The first step comes before the columns: a schema change may prepare the statement again there.
    void start()
    {
        step();
        m_columns = m_names.of(m_stmt.get(), sqlite3_column_count(m_stmt.get()));
    }
    bool next() override
    {
        if (m_pending) {
            m_pending = false;
            return m_row;
        }
        if (m_row)
            step();
        return m_row;
    }
    QVariant value(int column) const override { return columnValue(m_stmt.get(), column); }

private:
    void step()
    {
        const int rc = sqlite3_step(m_stmt.get());
        m_row = rc == SQLITE_ROW;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            m_connection.fail(
                sqlite3_extended_errcode(m_connection.m_db), fromUtf8(sqlite3_errmsg(m_connection.m_db)), m_statement);
    }

    EmbeddedConnection &m_connection;
    StatementPtr m_stmt;
    QString m_statement;
    ColumnNames m_names;
    std::shared_ptr<const ColumnIndex> m_columns;
    bool m_row = true;
    bool m_pending = true; // the first step is taken by start()
};

std::unique_ptr<RowCursor> EmbeddedConnection::queryRows(const QString &statement, const Bindings &bindings)
{
    m_errors.clear();
    if (!m_db)
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), statement);
    QString sqlite;
    try {
        sqlite = tsql::translate(statement);
    } catch (const DbError &e) {
        rethrowWithStatement(e, statement);
    }
    const QByteArray utf8 = sqlite.toUtf8();
    const char *tail = nullptr;
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &raw, &tail) != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
    StatementPtr stmt(raw);
    // Only a single read can be stepped at the reader's pace: batches and writes keep the
    // savepoints run() gives them, and are read whole.
    const QByteArray rest = QByteArray(tail, int(utf8.constData() + utf8.size() - tail)).trimmed();
    if (!raw || !sqlite3_stmt_readonly(raw) || (!rest.isEmpty() && rest != ";"))
        return Connection::queryRows(statement, bindings);
    bindAll(raw, bindings, statement);
    auto cursor = std::make_unique<Cursor>(*this, std::move(stmt), statement);
    cursor->start();
    return cursor;
}

EmbeddedConnection::Procedure &EmbeddedConnection::procedure(
    const QString &database, const QString &name, const QString &statement)
{
    const QString &db = database.isEmpty() ? m_defaultDatabase : database;
    if (auto it = m_proceduresAsCalled.constFind(name); it != m_proceduresAsCalled.cend())
        for (const CalledAs &spelling : *it)
            if (spelling.database == db)
                return *spelling.procedure;
    const QString schema = tsql::schemaOf(db);
    if (schema.isEmpty())
        fail(911, QStringLiteral("Database \"%1\" does not exist").arg(db), statement);
    const QString key = schema.toUpper() + QLatin1Char('.') + name.toUpper();
    if (auto it = m_procedures.find(key); it != m_procedures.end()) {
        m_proceduresAsCalled[name].push_back({ db, *it });
        return **it;
    }

    sqlite3_stmt *raw = nullptr;
    const QByteArray lookup
        = QStringLiteral("SELECT name, source FROM %1.mss_procedures WHERE name = ?1 COLLATE NOCASE")
              .arg(schema)
              .toUtf8();
    // A database locked by another program, or one that cannot be read, is said as such: the
    // procedure is not missing then, and the call may well work a moment later.
    if (sqlite3_prepare_v2(m_db, lookup.constData(), -1, &raw, nullptr) != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        if ((code & 0xff) != SQLITE_ERROR)
            fail(code, fromUtf8(sqlite3_errmsg(m_db)), statement);
        fail(2812,
            QStringLiteral("Could not find stored procedure '%1' (the %2 database holds no procedures: %3)")
                .arg(name, db.toUpper(), fromUtf8(sqlite3_errmsg(m_db))),
            statement);
    }
    StatementPtr stmt(raw);
    const QByteArray nameUtf8 = name.toUtf8();
    sqlite3_bind_text(raw, 1, nameUtf8.constData(), -1, SQLITE_TRANSIENT);
    if (const int rc = sqlite3_step(raw); rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);
        fail(2812, QStringLiteral("Could not find stored procedure '%1' in the %2 database").arg(name, db.toUpper()),
            statement);
    }

    auto proc = std::make_shared<Procedure>();
    proc->name
        = db.toUpper() + QStringLiteral("..") + fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 0)));
    const QString source = fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 1)));
    bool declared = false;
    try {
        proc->declared = declaredParams(source, &declared);
    } catch (const DbError &e) {
        fail(e.number(), QStringLiteral("In procedure %1: %2").arg(proc->name, e.description()), statement);
    }
    for (const ProcedureParam &p : std::as_const(proc->declared))
        proc->params.append(p.name);
    proc->body = source.toUtf8();
    m_procedures.insert(key, proc);
    m_proceduresAsCalled[name].push_back({ db, proc });
    return *proc;
}

// A procedure's statements are prepared one at a time, as the first call reaches each: a later
// statement may name a table an earlier one makes. False when the body has no statement left.
bool EmbeddedConnection::prepareNextStep(Procedure &proc, const QString &statement)
{
    if (proc.complete)
        return false;
    const char *begin = proc.body.constData() + proc.preparedUpTo;
    const char *end = proc.body.constData() + proc.body.size();
    const char *tail = nullptr;
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v3(m_db, begin, int(end - begin), SQLITE_PREPARE_PERSISTENT, &raw, &tail) != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db),
            QStringLiteral("In procedure %1: %2").arg(proc.name, fromUtf8(sqlite3_errmsg(m_db))), statement);
    proc.preparedUpTo = int(tail - proc.body.constData());
    if (!raw) {
        proc.complete = true;
        return false;
    }
    Procedure::Step step;
    step.stmt.reset(raw);
    const int count = sqlite3_bind_parameter_count(raw);
    for (int i = 1; i <= count; ++i) {
        const QString pname = fromUtf8(sqlite3_bind_parameter_name(raw, i));
        int index = -1;
        if (pname.isEmpty())
            index = i - 1;
        else if (pname.startsWith(QLatin1Char('?')))
            index = pname.mid(1).toInt() - 1;
        else {
            const QString wanted = pname.mid(1);
            for (int p = 0; p < proc.params.size() && index < 0; ++p)
                if (proc.params[p].compare(wanted, Qt::CaseInsensitive) == 0)
                    index = p;
        }
        if (index < 0 || index >= proc.params.size())
            fail(SQLITE_RANGE,
                QStringLiteral("Procedure %1 uses %2, which is not one of its params").arg(proc.name, pname),
                statement);
        step.argumentOf.push_back(index);
    }
    proc.steps.push_back(std::move(step));
    return true;
}

void EmbeddedConnection::callProcedure(tsql::ProcedureCall &call, const QString &statement, ResultSink &sink)
{
    Procedure &proc = procedure(call.database, call.name, statement);
    if (call.arguments.size() != proc.params.size())
        fail(8144,
            QStringLiteral("Procedure %1 expects %2 argument(s) (%3) but was given %4")
                .arg(proc.name)
                .arg(proc.params.size())
                .arg(proc.params.join(QStringLiteral(", ")))
                .arg(call.arguments.size()),
            statement);

    // Each argument as the parameter's type reads it, before anything runs.
    QVariantList &arguments = call.arguments;
    try {
        for (qsizetype i = 0; i < arguments.size(); ++i)
            arguments[i] = procedureArgument(proc.name, proc.declared[i], arguments[i], call.literals.value(i));
    } catch (const DbError &e) {
        fail(e.number(), e.description(), statement);
    }

    Savepoint *callSavepoint = proc.needsSavepoint() ? &scope(proc.writes(), m_callSavepoint, "mss_call") : nullptr;
    if (callSavepoint && callSavepoint->set() != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), statement);

    try {
        for (size_t k = 0;; ++k) {
            if (k == proc.steps.size() && !prepareNextStep(proc, statement))
                break;
            Procedure::Step &step = proc.steps[k];
            sqlite3_stmt *stmt = step.stmt.get();
            sqlite3_reset(stmt);
            for (size_t i = 0; i < step.argumentOf.size(); ++i)
                bindValue(stmt, int(i) + 1, arguments[step.argumentOf[i]]);
            const int rc = stepAll(stmt, sink, step.columns);
            if (rc != SQLITE_DONE) {
                const QString message = fromUtf8(sqlite3_errmsg(m_db));
                const int code = sqlite3_extended_errcode(m_db);
                sqlite3_reset(stmt);
                fail(code, QStringLiteral("%1 (procedure %2)").arg(message, proc.name), statement);
            }
            sqlite3_reset(stmt); // the values stay bound until the next call binds its own
        }
    } catch (...) {
        if (callSavepoint)
            callSavepoint->undo();
        throw;
    }
    if (callSavepoint && callSavepoint->release() != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        const QString message = fromUtf8(sqlite3_errmsg(m_db));
        callSavepoint->undo();
        fail(code, message, statement);
    }
}

void EmbeddedConnection::beginTrans()
{
    m_errors.clear();
    if (!m_db)
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), QStringLiteral("BEGIN"));
    if (inTransaction())
        fail(3251, QStringLiteral("A transaction is already open on this connection"), QStringLiteral("BEGIN"));
    // IMMEDIATE takes the write lock now, so two programs cannot deadlock upgrading later.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), QStringLiteral("BEGIN TRANSACTION"));
}

void EmbeddedConnection::commitTrans()
{
    m_errors.clear();
    if (!inTransaction())
        fail(3251, QStringLiteral("There is no open transaction to commit"), QStringLiteral("COMMIT"));
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), QStringLiteral("COMMIT TRANSACTION"));
}

void EmbeddedConnection::rollbackTrans()
{
    m_errors.clear();
    if (!inTransaction())
        fail(3251, QStringLiteral("There is no open transaction to roll back"), QStringLiteral("ROLLBACK"));
    if (sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db), fromUtf8(sqlite3_errmsg(m_db)), QStringLiteral("ROLLBACK TRANSACTION"));
}

bool EmbeddedConnection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void EmbeddedConnection::executeScript(const QString &sql)
{
    m_errors.clear();
    if (!m_db)
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), sql.left(100));
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = fromUtf8(error);
        sqlite3_free(error);
        fail(sqlite3_extended_errcode(m_db), message, sql.left(200));
    }
}

void EmbeddedConnection::storeProcedure(const QString &database, const QString &name, const QString &source)
{
    const QString schema = tsql::schemaOf(database);
    if (schema.isEmpty())
        fail(911, QStringLiteral("Database \"%1\" does not exist").arg(database), QString());
    bool declared = false;
    try {
        declaredParams(source, &declared);
    } catch (const DbError &e) {
        fail(e.number(), QStringLiteral("In procedure %1: %2").arg(name, e.description()), QString());
    }
    if (!declared)
        fail(SQLITE_ERROR, QStringLiteral("Procedure %1 has no \"-- params:\" line").arg(name), QString());
    executeScript(QStringLiteral("CREATE TABLE IF NOT EXISTS %1.mss_procedures ("
                                 "name TEXT PRIMARY KEY COLLATE NOCASE, source TEXT NOT NULL)")
                      .arg(schema));
    query(QStringLiteral("INSERT OR REPLACE INTO %1.mss_procedures(name, source) VALUES (:name, :source)").arg(schema),
        { { QStringLiteral("name"), name }, { QStringLiteral("source"), source } });
    clearProcedureCache();
}

void EmbeddedConnection::clearProcedureCache()
{
    m_proceduresAsCalled.clear();
    m_procedures.clear();
}

} // namespace mss::data
