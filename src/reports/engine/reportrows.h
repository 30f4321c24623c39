#pragma once

#include "data/recordset.h"

#include <QString>
#include <QVariant>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace mss::data {
class RowCursor;
}

namespace mss::reports {

// Thrown out of a layout whose caller asked it to stop.
class LayoutCancelled : public std::exception {
public:
    const char *what() const noexcept override { return "the report's layout was stopped"; }
};

// The rows of one of a report's queries, kept compactly: a cell is a few bytes of text or number,
// not a QVariant with a string of its own, so a year's census fits in a few megabytes.
//
// One thread reads the rows in (the one the query runs on), another may lay them out at the
// same time: rows become visible to the layout in sealed blocks, and asking for a row not yet
// read waits for it. Only one thread reads the rows out at a time.
class ReportRows {
public:
    explicit ReportRows(std::shared_ptr<const data::ColumnIndex> columns);
    ReportRows(const ReportRows &) = delete;
    ReportRows &operator=(const ReportRows &) = delete;
    ~ReportRows();

    const QStringList &columnNames() const { return m_columns->names(); }
    int columnIndex(const QString &name) const { return m_columns->indexOf(name); }

    // --- reading in -----------------------------------------------------------------------
    // Keeps the cursor's current row.
    void append(const data::RowCursor &cursor);
    // Makes the rows appended so far visible to the layout.
    void seal();
    // The last row is in.
    void finish();
    // Reading failed: the layout fails with the same error once it asks for a row not read.
    void fail(std::exception_ptr error);
    // Nobody reads any more: a layout waiting for rows stops with LayoutCancelled.
    void abandon();

    // --- reading out ----------------------------------------------------------------------
    // Whether the row exists; waits until it is read or the rows have ended.
    bool has(int row);
    // The number of rows; waits for the last.
    int count();
    QVariant value(int row, int column);
    // The cell as Recordset::text and data::variantText give it.
    QString text(int row, int column);
    // Whether two rows hold the same text in a column, without making the texts.
    bool sameText(int row, int other, int column);

    // Memory the cells take.
    size_t bytesHeld() const;

private:
    enum class Kind : quint8 { Null, Int, LongLong, Double, Latin1, Utf16, Other };
    struct Cell {
        quint32 offset; // into the block's bytes, or its list of other values
        quint32 size : 28; // bytes
        quint32 kind : 4;
    };
    struct Block {
        int first = 0;
        int rows = 0;
        std::vector<Cell> cells;
        std::vector<char> bytes;
        std::vector<QVariant> others; // values no compact form keeps as they are (dates, typed nulls)
    };

    void appendValue(const QVariant &v);
    void appendBytes(Kind kind, const void *data, size_t size);
    // The block a visible row is in.
    const Block &blockOf(int row);
    const Cell &cellOf(int row, int column, const Block **block);
    // Waits until the row is visible or the rows ended; takes what was sealed since the last look.
    bool waitFor(int row);

    std::shared_ptr<const data::ColumnIndex> m_columns;
    int m_columnCount = 0;

    // The block being filled, seen by the reading-in thread only.
    std::shared_ptr<Block> m_filling;
    int m_appended = 0;

    // Shared between the threads, under the mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<const Block>> m_sealed;
    int m_sealedRows = 0;
    bool m_finished = false;
    bool m_abandoned = false;
    std::exception_ptr m_error;

    // What the reading-out thread has seen of m_sealed, so most reads take no lock.
    std::vector<std::shared_ptr<const Block>> m_seen;
    int m_seenRows = 0;
    bool m_seenEnd = false;
    size_t m_lastBlock = 0;
};

} // namespace mss::reports
