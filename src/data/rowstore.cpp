// Packing values into the row store and reading them back.
#include "data/rowstore.h"

#include "data/sqlite.h"

#include <QMetaType>
#include <QString>
#include <cstring>

#include <sqlite3.h>

namespace {

// A value not held by the store: what a long column holds until it is read.
struct DeferredValue {
    bool operator==(const DeferredValue &) const { return true; }
};

enum Tag : unsigned char { Null, Int, Real, Text, Blob, Deferred };

constexpr size_t kBlockSize = 64 * 1024;

// Lengths and integers as variable-length numbers: seven bits a byte.
size_t varintSize(quint64 v)
{
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char *putVarint(char *p, quint64 v)
{
    while (v >= 0x80) {
        *p++ = char((v & 0x7f) | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

const char *getVarint(const char *p, quint64 *v)
{
    quint64 result = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        result |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            break;
        shift += 7;
    }
    *v = result;
    return p;
}

// Integers keep their sign in the lowest bit, so small negative numbers
// stay short.
quint64 zigzag(qint64 v)
{
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

qint64 unzigzag(quint64 v)
{
    return qint64(v >> 1) ^ -qint64(v & 1);
}

// Skips the value at `p`; returns where the next one begins.
const char *skip(const char *p)
{
    const auto tag = static_cast<unsigned char>(*p++);
    quint64 n = 0;
    switch (tag) {
    case Int:
        return getVarint(p, &n);
    case Real:
        return p + sizeof(double);
    case Text:
    case Blob:
        p = getVarint(p, &n);
        return p + n;
    default:
        return p;
    }
}

// One value of a statement's row as the store writes it.
struct Cell {
    unsigned char tag = Null;
    quint64 number = 0;      // Int: zigzagged; Text, Blob: the length
    double real = 0;
    const void *bytes = nullptr;

    size_t size() const
    {
        switch (tag) {
        case Int: return 1 + varintSize(number);
        case Real: return 1 + sizeof(double);
        case Text:
        case Blob: return 1 + varintSize(number) + number;
        default: return 1;
        }
    }
    char *write(char *p) const
    {
        *p++ = char(tag);
        switch (tag) {
        case Int:
            return putVarint(p, number);
        case Real:
            std::memcpy(p, &real, sizeof(double));
            return p + sizeof(double);
        case Text:
        case Blob:
            p = putVarint(p, number);
            if (number)
                std::memcpy(p, bytes, number);
            return p + number;
        default:
            return p;
        }
    }
};

} // namespace

Q_DECLARE_METATYPE(DeferredValue)

bool RowStore::isDeferred(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<DeferredValue>();
}

QVariant RowStore::deferred()
{
    return QVariant::fromValue(DeferredValue{});
}

void RowStore::clear()
{
    blocks_.clear();
    rows_.clear();
    rows_.shrink_to_fit();
    blockSize_ = blockUsed_ = allocated_ = 0;
}

char *RowStore::reserve(size_t bytes)
{
    if (blocks_.empty() || blockSize_ - blockUsed_ < bytes) {
        const size_t size = std::max(kBlockSize, bytes);
        blocks_.push_back(std::make_unique<char[]>(size));
        blockSize_ = size;
        blockUsed_ = 0;
        allocated_ += size;
    }
    char *p = blocks_.back().get() + blockUsed_;
    blockUsed_ += bytes;
    return p;
}

void RowStore::appendFrom(sqlite3_stmt *stmt, const std::vector<int> &columns)
{
    // Small rows are gathered on the stack, larger ones on the heap.
    Cell local[32];
    std::vector<Cell> heap;
    Cell *cells = local;
    if (columns.size() > std::size(local)) {
        heap.resize(columns.size());
        cells = heap.data();
    }
    size_t size = varintSize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        Cell &c = cells[i];
        c = Cell();
        const int column = columns[i];
        if (column < 0) {
            c.tag = Deferred;
        } else {
            switch (sqlite3_column_type(stmt, column)) {
            case SQLITE_INTEGER:
                c.tag = Int;
                c.number = zigzag(sqlite3_column_int64(stmt, column));
                break;
            case SQLITE_FLOAT:
                c.tag = Real;
                c.real = sqlite3_column_double(stmt, column);
                break;
            case SQLITE_TEXT:
                c.tag = Text;
                c.bytes = sqlite3_column_text(stmt, column);
                c.number = quint64(sqlite3_column_bytes(stmt, column));
                break;
            case SQLITE_BLOB:
                c.tag = Blob;
                c.bytes = sqlite3_column_blob(stmt, column);
                c.number = quint64(sqlite3_column_bytes(stmt, column));
                break;
            default:
                c.tag = Null;
                break;
            }
        }
        size += c.size();
    }
    char *p = reserve(size);
    rows_.push_back(p);
    p = putVarint(p, columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        p = cells[i].write(p);
}

const char *RowStore::encode(const QList<QVariant> &values)
{
    // The texts and bytes are converted once and kept until written.
    std::vector<Cell> cells(values.size());
    std::vector<QByteArray> held(values.size());
    size_t size = varintSize(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        Cell &c = cells[i];
        if (isDeferred(v)) {
            c.tag = Deferred;
        } else {
            // Held as SQLite would store it.
            switch (storageClass(v)) {
            case SQLITE_NULL:
                c.tag = Null;
                break;
            case SQLITE_INTEGER:
                c.tag = Int;
                c.number = zigzag(v.toLongLong());
                break;
            case SQLITE_FLOAT:
                c.tag = Real;
                c.real = v.toDouble();
                break;
            case SQLITE_BLOB:
                c.tag = Blob;
                held[i] = v.toByteArray();
                break;
            default:
                c.tag = Text;
                held[i] = v.toString().toUtf8();
                break;
            }
            if (c.tag == Text || c.tag == Blob) {
                c.bytes = held[i].constData();
                c.number = quint64(held[i].size());
            }
        }
        size += c.size();
    }
    char *start = reserve(size);
    char *p = putVarint(start, quint64(values.size()));
    for (const Cell &c : cells)
        p = c.write(p);
    return start;
}

const char *RowStore::field(int row, int column) const
{
    if (row < 0 || row >= size() || column < 0)
        return nullptr;
    quint64 count = 0;
    const char *p = getVarint(rows_[size_t(row)], &count);
    if (quint64(column) >= count)
        return nullptr;
    for (int i = 0; i < column; ++i)
        p = skip(p);
    return p;
}

QVariant RowStore::value(int row, int column) const
{
    const char *p = field(row, column);
    if (!p)
        return {};
    const auto tag = static_cast<unsigned char>(*p++);
    quint64 n = 0;
    switch (tag) {
    case Int:
        getVarint(p, &n);
        return qlonglong(unzigzag(n));
    case Real: {
        double d;
        std::memcpy(&d, p, sizeof(double));
        return d;
    }
    case Text:
        p = getVarint(p, &n);
        return n ? QString::fromUtf8(p, qsizetype(n)) : QString(QLatin1String(""));
    case Blob:
        p = getVarint(p, &n);
        return QByteArray(n ? p : "", qsizetype(n));
    case Deferred:
        return deferred();
    default:
        return {};
    }
}

bool RowStore::isNull(int row, int column) const
{
    const char *p = field(row, column);
    return !p || static_cast<unsigned char>(*p) == Null;
}

int RowStore::columnCount(int row) const
{
    if (row < 0 || row >= size())
        return 0;
    quint64 count = 0;
    getVarint(rows_[size_t(row)], &count);
    return int(count);
}

QList<QVariant> RowStore::row(int row) const
{
    QList<QVariant> values;
    const int n = columnCount(row);
    values.reserve(n);
    for (int c = 0; c < n; ++c)
        values.append(value(row, c));
    return values;
}

void RowStore::setRow(int row, const QList<QVariant> &values)
{
    if (row >= 0 && row < size())
        rows_[size_t(row)] = encode(values);
}

void RowStore::insertRow(int at, const QList<QVariant> &values)
{
    at = std::clamp(at, 0, size());
    const char *p = encode(values);
    rows_.insert(rows_.begin() + at, p);
}

void RowStore::removeRow(int row)
{
    if (row >= 0 && row < size())
        rows_.erase(rows_.begin() + row);
}

size_t RowStore::memoryBytes() const
{
    return allocated_ + rows_.capacity() * sizeof(const char *);
}
