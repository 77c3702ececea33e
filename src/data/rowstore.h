// The rows of an open dataset, packed: every value of a row is written one
// after the other into large blocks (a type byte, a length, the bytes as
// SQLite gives them: texts as UTF-8), so a result of many rows takes little
// more memory than its values themselves. A value is made into a QVariant
// only when it is read. A long column that is read on demand holds a
// marker instead of its value.
#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3_stmt;

class RowStore {
public:
    RowStore() = default;
    RowStore(RowStore &&) noexcept = default;
    RowStore &operator=(RowStore &&) noexcept = default;

    // The marker of a value that is not held (a long column read on demand).
    static bool isDeferred(const QVariant &value);
    static QVariant deferred();

    void clear();
    int size() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }

    // Appends the current row of `stmt`: `columns` of the row, each either
    // the index of a column of the statement or -1 for a value that is not
    // held.
    void appendFrom(sqlite3_stmt *stmt, const std::vector<int> &columns);

    // One value (a null QVariant for null; deferred() for a value not held),
    // a whole row, and whether a value is null.
    QVariant value(int row, int column) const;
    bool isNull(int row, int column) const;
    QList<QVariant> row(int row) const;
    int columnCount(int row) const;

    // Changes: the row is written anew (the old bytes stay unused until the
    // store is cleared; changes are few against what is read).
    void setRow(int row, const QList<QVariant> &values);
    void insertRow(int at, const QList<QVariant> &values);
    void removeRow(int row);

    // The bytes the store holds, blocks and row index together.
    size_t memoryBytes() const;

private:
    char *reserve(size_t bytes);
    const char *encode(const QList<QVariant> &values);
    const char *field(int row, int column) const;

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockSize_ = 0;  // of the last block
    size_t blockUsed_ = 0;  // in the last block
    size_t allocated_ = 0;
    std::vector<const char *> rows_;
};
