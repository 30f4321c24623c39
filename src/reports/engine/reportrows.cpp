#include "engine/reportrows.h"

#include "data/connection.h"

#include <algorithm>
#include <cstring>

namespace mss::reports {

namespace {

// Rows per sealed block while reading: small enough that the first page's rows show at once.
constexpr int blockRows = 256;

bool isLatin1(const QString &s)
{
    return std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c.unicode() < 0x100; });
}

} // namespace

ReportRows::ReportRows(std::shared_ptr<const data::ColumnIndex> columns)
    : m_columns(std::move(columns)), m_columnCount(int(m_columns->names().size()))
{
}

ReportRows::~ReportRows() = default;

void ReportRows::append(const data::RowCursor &cursor)
{
    if (!m_filling) {
        m_filling = std::make_shared<Block>();
        m_filling->first = m_appended;
        m_filling->cells.reserve(size_t(blockRows) * size_t(m_columnCount));
    }
    for (int c = 0; c < m_columnCount; ++c)
        appendValue(cursor.value(c));
    ++m_filling->rows;
    ++m_appended;
    if (m_filling->rows >= blockRows)
        seal();
}

void ReportRows::appendValue(const QVariant &v)
{
    if (!v.isValid()) {
        appendBytes(Kind::Null, nullptr, 0);
        return;
    }
    if (v.isNull()) { // a null of a type: kept as it came
        m_filling->cells.push_back({ quint32(m_filling->others.size()), 0, quint32(Kind::Other) });
        m_filling->others.push_back(v);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int: {
        const int i = v.toInt();
        appendBytes(Kind::Int, &i, sizeof i);
        return;
    }
    case QMetaType::LongLong: {
        const qlonglong i = v.toLongLong();
        appendBytes(Kind::LongLong, &i, sizeof i);
        return;
    }
    case QMetaType::Double: {
        const double d = v.toDouble();
        appendBytes(Kind::Double, &d, sizeof d);
        return;
    }
    case QMetaType::QString: {
        const QString s = v.toString();
        if (isLatin1(s)) {
            const size_t at = m_filling->bytes.size();
            m_filling->bytes.resize(at + size_t(s.size()));
            std::transform(s.cbegin(), s.cend(), m_filling->bytes.begin() + qsizetype(at),
                [](QChar c) { return char(c.unicode()); });
            m_filling->cells.push_back({ quint32(at), quint32(s.size()), quint32(Kind::Latin1) });
        } else {
            appendBytes(Kind::Utf16, s.constData(), size_t(s.size()) * sizeof(QChar));
        }
        return;
    }
    default:
        m_filling->cells.push_back({ quint32(m_filling->others.size()), 0, quint32(Kind::Other) });
        m_filling->others.push_back(v);
    }
}

void ReportRows::appendBytes(Kind kind, const void *data, size_t size)
{
    const size_t at = m_filling->bytes.size();
    if (size > 0) {
        m_filling->bytes.resize(at + size);
        std::memcpy(m_filling->bytes.data() + at, data, size);
    }
    m_filling->cells.push_back({ quint32(at), quint32(size), quint32(kind) });
}

void ReportRows::seal()
{
    if (!m_filling || m_filling->rows == 0)
        return;
    m_filling->cells.shrink_to_fit();
    m_filling->bytes.shrink_to_fit();
    std::shared_ptr<const Block> sealed = std::exchange(m_filling, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_sealedRows += sealed->rows;
        m_sealed.push_back(std::move(sealed));
    }
    m_changed.notify_all();
}

void ReportRows::finish()
{
    seal();
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

void ReportRows::fail(std::exception_ptr error)
{
    {
        std::lock_guard lock(m_mutex);
        m_error = std::move(error);
    }
    m_changed.notify_all();
}

void ReportRows::abandon()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
}

bool ReportRows::waitFor(int row)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return row < m_sealedRows || m_finished || m_error || m_abandoned; });
    while (m_seen.size() < m_sealed.size())
        m_seen.push_back(m_sealed[m_seen.size()]);
    m_seenRows = m_sealedRows;
    m_seenEnd = m_finished;
    if (row < m_seenRows)
        return true;
    if (m_seenEnd)
        return false;
    if (m_error)
        std::rethrow_exception(m_error);
    if (m_abandoned)
        throw LayoutCancelled();
    return false;
}

bool ReportRows::has(int row)
{
    if (row < 0)
        return false;
    if (row < m_seenRows)
        return true;
    if (m_seenEnd)
        return false;
    return waitFor(row);
}

int ReportRows::count()
{
    while (!m_seenEnd)
        waitFor(m_seenRows);
    return m_seenRows;
}

const ReportRows::Block &ReportRows::blockOf(int row)
{
    // The layout reads mostly forward, near the row it read last.
    if (m_lastBlock < m_seen.size()) {
        const Block &b = *m_seen[m_lastBlock];
        if (row >= b.first && row < b.first + b.rows)
            return b;
        if (m_lastBlock + 1 < m_seen.size()) {
            const Block &next = *m_seen[m_lastBlock + 1];
            if (row >= next.first && row < next.first + next.rows) {
                ++m_lastBlock;
                return next;
            }
        }
    }
    const auto it = std::upper_bound(
        m_seen.cbegin(), m_seen.cend(), row, [](int r, const auto &block) { return r < block->first; });
    m_lastBlock = size_t(it - m_seen.cbegin()) - 1;
    return *m_seen[m_lastBlock];
}

const ReportRows::Cell &ReportRows::cellOf(int row, int column, const Block **block)
{
    if (!has(row))
        throw std::out_of_range("a report read past its last row");
    const Block &b = blockOf(row);
    *block = &b;
    return b.cells[size_t(row - b.first) * size_t(m_columnCount) + size_t(column)];
}

QVariant ReportRows::value(int row, int column)
{
    const Block *b = nullptr;
    const Cell &cell = cellOf(row, column, &b);
    const char *bytes = b->bytes.data() + cell.offset;
    switch (Kind(cell.kind)) {
    case Kind::Null:
        return QVariant();
    case Kind::Int: {
        int i = 0;
        std::memcpy(&i, bytes, sizeof i);
        return i;
    }
    case Kind::LongLong: {
        qlonglong i = 0;
        std::memcpy(&i, bytes, sizeof i);
        return i;
    }
    case Kind::Double: {
        double d = 0;
        std::memcpy(&d, bytes, sizeof d);
        return d;
    }
    case Kind::Latin1:
        return QString::fromLatin1(bytes, qsizetype(cell.size));
    case Kind::Utf16: {
        QString s(qsizetype(cell.size / sizeof(QChar)), Qt::Uninitialized);
        std::memcpy(s.data(), bytes, cell.size);
        return s;
    }
    case Kind::Other:
        return b->others[cell.offset];
    }
    return QVariant();
}

QString ReportRows::text(int row, int column)
{
    return data::variantText(value(row, column));
}

bool ReportRows::sameText(int row, int other, int column)
{
    const Block *a = nullptr;
    const Block *b = nullptr;
    const Cell &x = cellOf(row, column, &a);
    const Cell &y = cellOf(other, column, &b);
    if (x.kind == y.kind && Kind(x.kind) != Kind::Other)
        return x.size == y.size && std::memcmp(a->bytes.data() + x.offset, b->bytes.data() + y.offset, x.size) == 0;
    return text(row, column) == text(other, column);
}

size_t ReportRows::bytesHeld() const
{
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const auto &b : m_sealed)
        n += b->cells.capacity() * sizeof(Cell) + b->bytes.capacity() + b->others.capacity() * sizeof(QVariant);
    return n;
}

} // namespace mss::reports
