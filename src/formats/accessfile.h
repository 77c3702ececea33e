// Reads an Access database of the program's older Windows version (Jet 3,
// Jet 4, and ACE as far as mdbtools' libmdb reads it): its tables, their
// columns, and the rows of one table at a time with every value converted.
// The file is only ever opened for reading. Every failure is a DbError whose
// text tells the user in Chinese what is wrong with the file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

enum class AccessFormat { NotAccess, Jet3, Jet4, Ace };

namespace AccessHeader {
// Which Access format the first page names: isAccessFile() of the data layer
// tells an Access file, the version number at byte 0x14 (or the ACE name)
// which one. Never throws.
AccessFormat sniff(const QString &file);
} // namespace AccessHeader

struct AccessColumn {
    enum class Type {
        Bool, Byte, Integer, LongInteger, Money, Float, Double, DateTime, Binary, Text,
        LongBinary, Memo, ReplicationId, Numeric, Other
    };
    QString name;
    Type type = Type::Other;
    int size = 0;            // bytes in the file (a Jet 4 text column takes two a character)
    bool autoNumber = false;

    // The type as Access names it, for messages.
    QString typeName() const;
};

class AccessTable;

class AccessFile {
public:
    AccessFile();
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    // Opens `file` read-only and reads its list of tables. Throws DbError
    // when the file is missing, not an Access database, cut short or
    // damaged beyond reading.
    void open(const QString &file);
    void close();
    bool isOpen() const;

    // The user tables in the order the file lists them (system tables left out).
    QStringList tables() const;
    bool hasTable(const QString &name) const;   // names compare without regard to case

    // A reader of the rows of `name`; it must go before the file closes, and
    // only one reader at a time works on a file. Throws DbError.
    std::unique_ptr<AccessTable> table(const QString &name);

private:
    friend class AccessTable;
    void openFile(const QString &file);
    void checkCatalog();
    std::unique_ptr<AccessTable> readTable(void *catalogEntry);   // an MdbCatalogEntry
    struct Private;
    std::unique_ptr<Private> d;
};

// The rows of one table, one at a time: next() reads a row and converts the
// values of the chosen columns; value() returns them until the next call.
// Memo and long binary values of a row are held only while it is current.
class AccessTable {
public:
    ~AccessTable();
    AccessTable(const AccessTable &) = delete;
    AccessTable &operator=(const AccessTable &) = delete;

    const QList<AccessColumn> &columns() const;
    int columnIndex(const QString &name) const;   // -1 when absent; without regard to case
    // The number of rows the table's definition records.
    qint64 declaredRowCount() const;

    // Converts only these columns (all by default); the others read as null.
    void setWantedColumns(const QList<int> &columns);
    // A column whose value names the row in messages (the key), read first.
    void setKeyColumn(int column);

    // Reads the next row; false after the last one. Throws DbError when a
    // value cannot be read, or at the end when fewer rows were found than
    // the table records (a damaged or cut-short file).
    bool next();
    qint64 rowsRead() const { return rowsRead_; }

    // The value of the current row: null; bool (yes/no); qint64 (byte,
    // integer, long integer); double (single, double); QString (text and
    // memo in full, date/time as "yyyy-MM-dd hh:mm:ss" with a time of day on
    // 1899-12-30, currency, decimal and replication id as text); QByteArray
    // (binary and long binary, unchanged). An empty text reads as null:
    // libmdb cannot tell the two apart.
    const QVariant &value(int column) const { return values_.at(column); }
    // How the current row is named in messages: its key, or its position.
    QString rowLabel() const;

private:
    friend class AccessFile;
    struct Private;
    explicit AccessTable(std::unique_ptr<Private> d);
    QVariant readValue(int column) const;
    QByteArray readLongValue(int column, int start, int length) const;
    [[noreturn]] void damaged(int column, const QString &what) const;

    std::unique_ptr<Private> d;
    QList<QVariant> values_;
    QList<int> wanted_;
    int keyColumn_ = -1;
    bool checkCount_ = true;
    qint64 rowsRead_ = 0;
};
