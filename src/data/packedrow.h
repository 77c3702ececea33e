// One row of a dataset, packed: one block holds a small cell for every
// column (null, an integer or number in place, or where its text lies) and
// the texts of all columns after them; bytes (pictures) lie beside. Reading
// a large result so costs one allocation a row instead of one a column, and
// half the memory; a value is made when it is asked for.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringDecoder>
#include <QVariant>

class SqliteStatement;

class PackedRow {
public:
    PackedRow() = default;
    // Packs stored values: null, texts, integers, numbers and bytes.
    explicit PackedRow(const QList<QVariant> &values);

    // Reads the rows of one statement, reusing its buffers from row to row.
    class Reader {
    public:
        explicit Reader(int columns);
        PackedRow read(const SqliteStatement &st);

    private:
        int columns_;
        QByteArray scratch_;
        QStringDecoder decoder_;
    };

    int size() const { return columns_; }
    // The value as the database gave it: null, QString, qlonglong, double
    // or QByteArray.
    QVariant at(int column) const;
    QList<QVariant> unpacked() const;
    void set(int column, const QVariant &value);

private:
    enum class Kind : quint8 { Null, Text, Integer, Float, Bytes };
    struct Cell {
        qint64 payload = 0; // text: offset << 32 | length (UTF-16 units); integer; number bits; bytes: index
        Kind kind = Kind::Null;
    };
    static constexpr qsizetype kCellSize = 16;
    Cell cell(int column) const;

    QByteArray data_;         // the cells, then the texts in UTF-16
    QList<QByteArray> bytes_; // the bytes columns, when there are any
    int columns_ = 0;
};
// Its parts move by their bytes, so a list of rows grows by moving memory.
Q_DECLARE_TYPEINFO(PackedRow, Q_RELOCATABLE_TYPE);
