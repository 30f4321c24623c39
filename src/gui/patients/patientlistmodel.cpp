#include "patients/patientlistmodel.h"

#include "data/recordset.h"
#include "data/values.h"

#include <QByteArray>
#include <QDate>
#include <QLatin1StringView>

#include <algorithm>
#include <optional>

namespace mss::patients {

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// What QString::compare(…, Qt::CaseInsensitive) gives for two ASCII texts, without making them.
int compareAsciiCaseInsensitive(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char ca = asciiLower(a[i]), cb = asciiLower(b[i]);
        if (ca != cb)
            return uchar(ca) < uchar(cb) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

struct DateValue {
    QDate date;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool hasTime = false;
};

int digits(QByteArrayView v, qsizetype from, qsizetype count)
{
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (v[i] < '0' || v[i] > '9')
            return -1;
        n = n * 10 + (v[i] - '0');
    }
    return n;
}

// The database's own form, "yyyy-mm-dd" with an optional " hh:mm[:ss[.fff]]", read without
// making a QString: the list reads it for every row when it sorts.
std::optional<DateValue> readIsoDate(QByteArrayView v)
{
    if (v.size() < 10 || v[4] != '-' || v[7] != '-')
        return std::nullopt;
    DateValue d;
    d.date = QDate(digits(v, 0, 4), digits(v, 5, 2), digits(v, 8, 2));
    if (!d.date.isValid())
        return std::nullopt;
    if (v.size() == 10)
        return d;
    if (v.size() < 16 || (v[10] != ' ' && v[10] != 'T') || v[13] != ':')
        return std::nullopt;
    d.hasTime = true;
    d.hour = digits(v, 11, 2);
    d.minute = digits(v, 14, 2);
    qsizetype pos = 16;
    if (pos < v.size() && v[pos] == ':') {
        if (v.size() < 19)
            return std::nullopt;
        d.second = digits(v, 17, 2);
        pos = 19;
        if (pos < v.size() && v[pos] == '.') {
            const qsizetype fraction = v.size() - pos - 1;
            if (fraction < 1 || fraction > 7 || digits(v, pos + 1, fraction) < 0)
                return std::nullopt;
            d.millisecond = digits(v, pos + 1, std::min<qsizetype>(fraction, 3));
            for (qsizetype i = fraction; i < 3; ++i)
                d.millisecond *= 10;
            pos = v.size();
        }
    }
    if (pos != v.size() || !QTime::isValid(d.hour, d.minute, d.second, d.millisecond))
        return std::nullopt;
    return d;
}

// Any other form a database or a user writes dates in ("04/07/2024", "4/7/2024 9:46 PM").
std::optional<DateValue> readDate(QByteArrayView v)
{
    if (auto iso = readIsoDate(v))
        return iso;
    const QString text = QString::fromUtf8(v);
    const auto parsed = data::parseDateTime(text);
    if (!parsed)
        return std::nullopt;
    DateValue d;
    d.date = parsed->date();
    const QTime t = parsed->time();
    d.hour = t.hour();
    d.minute = t.minute();
    d.second = t.second();
    d.millisecond = t.msec();
    d.hasTime = text.contains(QLatin1Char(':'));
    return d;
}

void appendTwoDigits(QString &out, int n)
{
    out.append(QLatin1Char(char('0' + n / 10 % 10)));
    out.append(QLatin1Char(char('0' + n % 10)));
}

} // namespace

QString listDateText(QByteArrayView value)
{
    const auto d = readDate(value);
    if (!d)
        return QString::fromUtf8(value);
    QString out;
    out.reserve(16);
    appendTwoDigits(out, d->date.month());
    out.append(QLatin1Char('/'));
    appendTwoDigits(out, d->date.day());
    out.append(QLatin1Char('/'));
    out.append(QString::number(d->date.year()).rightJustified(4, QLatin1Char('0')));
    if (d->hasTime) {
        out.append(QLatin1Char(' '));
        appendTwoDigits(out, d->hour);
        out.append(QLatin1Char(':'));
        appendTwoDigits(out, d->minute);
    }
    return out;
}

const QStringList &PatientListModel::headers()
{
    static const QStringList h = { QStringLiteral(" Adm. No."), QStringLiteral(" Hosp.No."),
        QStringLiteral(" Adm.Date"), QStringLiteral(" Last Name"), QStringLiteral(" First Name"),
        QStringLiteral(" Middle Name"), QStringLiteral(" Room No."), QStringLiteral(" MSS  "),
        QStringLiteral(" Address"), QStringLiteral(" Dcr.Date"), QStringLiteral(" BillingDate") };
    return h;
}

const QStringList &PatientListModel::resultColumns()
{
    static const QStringList c = { QStringLiteral("IDNUM"), QStringLiteral("HospNum"), QStringLiteral("AdmDate"),
        QStringLiteral("LastName"), QStringLiteral("FirstName"), QStringLiteral("MiddleName"), QStringLiteral("RoomID"),
        QStringLiteral("MSS"), QStringLiteral("Address"), QStringLiteral("dcrdate"), QStringLiteral("BillingDate") };
    return c;
}

const QList<int> &PatientListModel::widthsInTwips()
{
    static const QList<int> w = { 1000, 1050, 1900, 1550, 1550, 1550, 1000, 1350, 2300, 2500, 2500 };
    return w;
}

bool PatientListModel::isDateColumn(int column)
{
    return column == 2 || column == 9 || column == 10;
}

PatientListModel::PatientListModel(QObject *parent)
    : QAbstractTableModel(parent),
      m_arrowUp(QStringLiteral(":/icons/arrowup.svg")),
      m_arrowDown(QStringLiteral(":/icons/arrowdown.svg")),
      m_blank(QStringLiteral(":/icons/blank.svg"))
{
}

void PatientListModel::setTable(data::RowTable table, int filledColumns)
{
    beginResetModel();
    m_table = std::move(table);
    m_source.assign(kColumns, -1);
    for (int c = 0; c < std::min(filledColumns, kColumns); ++c)
        m_source[c] = m_table.columnIndex(resultColumns()[c]);
    // A new vector, not a resized one: the old order's memory goes with the old rows.
    m_sequence = std::vector<int>(size_t(m_table.rowCount()));
    for (size_t i = 0; i < m_sequence.size(); ++i)
        m_sequence[i] = int(i);
    endResetModel();
}

void PatientListModel::setRows(const QStringList &columns, QList<QVariantList> rows, int filledColumns)
{
    setTable(data::RowTable::fromRecordset(data::Recordset(columns, std::move(rows))), filledColumns);
}

void PatientListModel::clear()
{
    setTable(data::RowTable());
}

int PatientListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_sequence.size());
}

int PatientListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QByteArrayView PatientListModel::cell(int storedRow, int column) const
{
    const int source = m_source[column];
    return source < 0 ? QByteArrayView() : m_table.utf8(storedRow, source);
}

QString PatientListModel::text(int row, int column) const
{
    if (row < 0 || row >= int(m_sequence.size()) || column < 0 || column >= kColumns)
        return {};
    return QString::fromUtf8(cell(m_sequence[row], column));
}

int PatientListModel::rowOf(const QString &first, const QString &second) const
{
    const QByteArray firstBytes = first.toUtf8();
    const QByteArray secondBytes = second.toUtf8();
    for (int row = 0; row < int(m_sequence.size()); ++row)
        if (cell(m_sequence[row], 0) == firstBytes && cell(m_sequence[row], 1) == secondBytes)
            return row;
    return -1;
}

QString PatientListModel::displayText(int row, int column) const
{
    if (row < 0 || row >= int(m_sequence.size()) || column < 0 || column >= kColumns)
        return {};
    const QByteArrayView value = cell(m_sequence[row], column);
    return isDateColumn(column) && !value.isEmpty() ? listDateText(value) : QString::fromUtf8(value);
}

QVariant PatientListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return displayText(index.row(), index.column());
}

QVariant PatientListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headers()[section];
    if (role == Qt::DecorationRole) {
        if (section != m_sortColumn)
            return m_blank;
        return m_order == Qt::AscendingOrder ? m_arrowUp : m_arrowDown;
    }
    return {};
}

namespace {

// Stored rows in order of a key, ties in their stored order, empty cells first when ascending.
template <typename Less> std::vector<int> stableOrder(size_t rows, bool ascending, Less less)
{
    std::vector<int> order(rows);
    for (size_t i = 0; i < rows; ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ascending ? less(a, b) : less(b, a); });
    return order;
}

} // namespace

std::vector<int> PatientListModel::sortedByDate(int column, bool *dates) const
{
    // Milliseconds since an epoch long before any admission; -1 for an empty cell.
    const size_t rows = size_t(m_table.rowCount());
    std::vector<qint64> keys(rows, -1);
    *dates = m_source[column] >= 0;
    for (size_t i = 0; i < rows && *dates; ++i) {
        const QByteArrayView value = cell(int(i), column);
        if (value.isEmpty())
            continue;
        const auto d = readDate(value);
        if (!d) {
            *dates = false;
            break;
        }
        keys[i] = d->date.toJulianDay() * 86400000 + ((d->hour * 60 + d->minute) * 60 + d->second) * qint64(1000)
            + d->millisecond;
    }
    if (!*dates)
        return {};
    return stableOrder(rows, m_order == Qt::AscendingOrder, [&](int a, int b) { return keys[a] < keys[b]; });
}

std::vector<int> PatientListModel::sortedByNumber(int column, bool *numeric) const
{
    const size_t rows = size_t(m_table.rowCount());
    std::vector<double> numbers(rows);
    std::vector<bool> empty(rows);
    *numeric = m_source[column] >= 0;
    for (size_t i = 0; i < rows && *numeric; ++i) {
        const QByteArrayView value = cell(int(i), column);
        empty[i] = value.isEmpty();
        if (empty[i])
            continue;
        bool ok = false;
        numbers[i] = isAscii(value) ? QLatin1StringView(value.data(), value.size()).toDouble(&ok)
                                    : QString::fromUtf8(value).toDouble(&ok);
        *numeric = ok;
    }
    if (!*numeric)
        return {};
    return stableOrder(rows, m_order == Qt::AscendingOrder, [&](int a, int b) {
        // Empty cells first in ascending order, as an empty text would be.
        if (empty[a] || empty[b])
            return empty[a] && !empty[b];
        return numbers[a] < numbers[b];
    });
}

std::vector<int> PatientListModel::sortedByText(int column) const
{
    // Most names are plain ASCII and compare on their bytes; only the others become strings.
    const size_t rows = size_t(m_table.rowCount());
    std::vector<QByteArrayView> bytes(rows);
    std::vector<QString> strings(rows);
    std::vector<bool> ascii(rows, true);
    for (size_t i = 0; i < rows; ++i) {
        bytes[i] = cell(int(i), column);
        ascii[i] = isAscii(bytes[i]);
        if (!ascii[i])
            strings[i] = QString::fromUtf8(bytes[i]);
    }
    auto latin1 = [&](int i) { return QLatin1StringView(bytes[i].data(), bytes[i].size()); };
    return stableOrder(rows, m_order == Qt::AscendingOrder, [&](int a, int b) {
        if (ascii[a] && ascii[b])
            return compareAsciiCaseInsensitive(bytes[a], bytes[b]) < 0;
        if (ascii[a])
            return strings[b].compare(latin1(a), Qt::CaseInsensitive) > 0;
        if (ascii[b])
            return strings[a].compare(latin1(b), Qt::CaseInsensitive) < 0;
        return strings[a].compare(strings[b], Qt::CaseInsensitive) < 0;
    });
}

void PatientListModel::sortByColumn(int column)
{
    if (column < 0 || column >= kColumns)
        return;
    m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;

    bool done = false;
    std::vector<int> order;
    if (isDateColumn(column))
        order = sortedByDate(column, &done);
    if (!done)
        order = sortedByNumber(column, &done);
    if (!done)
        order = sortedByText(column);
    beginResetModel();
    m_sequence = std::move(order);
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

} // namespace mss::patients
