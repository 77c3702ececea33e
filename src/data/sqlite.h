// The one path from the program to SQLite: a database handle opened by one
// function (journal mode, busy timeout, the pinyin collation), prepared
// statements with values bound by name or position, and the transaction
// guard. Every failure is a DbError carrying SQLite's result code.
#pragma once

#include "data/database.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// The name of the collation that orders Chinese text by pinyin (and Latin
// letters without regard to case); the schema declares it on the text
// columns that lists are ordered by.
inline constexpr const char *kPinyinCollation = "pinyin";
// Registers that collation on a handle opened elsewhere (SqliteDb::open
// does it for every connection of the program), for a reader that has to
// order those columns the way the program does.
void registerPinyinCollation(sqlite3 *db);

// How a value (already converted for storage, see toDbValue) is stored:
// SQLITE_NULL for a null value other than a text or bytes (a null text is
// the empty text, null bytes an empty picture), SQLITE_INTEGER for integers
// and booleans, SQLITE_FLOAT, SQLITE_BLOB for bytes, and SQLITE_TEXT for
// everything else, as its text.
int storageClass(const QVariant &value);

class SqliteStatement;

class SqliteDb {
public:
    enum class Mode {
        ReadWrite,  // the file must exist
        ReadOnly,   // the file must exist; nothing is written
        Create,     // the file is made when missing
    };

    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb &) = delete;
    SqliteDb &operator=(const SqliteDb &) = delete;

    // Opens `file`, waits up to `busyTimeoutMs` for another writer's lock,
    // keeps the rollback journal (the file holds everything once closed)
    // and registers the pinyin collation. Throws DbError.
    void open(const QString &file, Mode mode, int busyTimeoutMs = 5000);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    QString fileName() const { return file_; }
    sqlite3 *handle() const { return db_; }

    // Runs statements without parameters (several may be given at once).
    void exec(const QString &sql);
    // A prepared statement. A statement that goes is kept (reset, its
    // values cleared) and handed out again for the same text, so a
    // statement run row after row is compiled once.
    SqliteStatement prepare(const QString &sql);

    qint64 lastInsertRowId() const;
    int changes() const;

    // Transactions nest: the outermost one is a real transaction (taking the
    // write lock at once), the inner ones are savepoints.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }

    // SQLite's integrity check: the problems it finds (at most 20), none for
    // a sound file. A file too damaged to be checked throws DbError.
    QStringList integrityProblems();

    // The error of the last failing call, as the program reports it.
    DbError lastError(int rc) const;

private:
    friend class SqliteStatement;
    // Takes back a statement that is no longer used: kept for its text, or
    // finalized.
    void keep(const QByteArray &sql, sqlite3_stmt *stmt);
    void finalizeKept();

    sqlite3 *db_ = nullptr;
    QString file_;
    int depth_ = 0;
    QHash<QByteArray, sqlite3_stmt *> kept_;
};

// One prepared statement; when it goes, it is handed back to its database,
// which keeps it for its text (see SqliteDb::prepare).
class SqliteStatement {
public:
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    ~SqliteStatement();

    // Binds `value` (already converted for storage, see toDbValue) to the
    // parameter ":name" or to the 1-based position. A null QVariant binds
    // null. Binding a name the statement lacks is a programming error.
    void bind(const QString &name, const QVariant &value);
    void bind(int index, const QVariant &value);
    int parameterCount() const;

    // Runs the statement one step: true when a row is ready to read, false
    // when it is done. Throws DbError.
    bool step();
    // Runs a change to its end and returns the rows it changed.
    int run();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // Where a column of the result comes from: the table and the table's
    // column (empty for an expression).
    QString columnTable(int column) const;
    QString columnOrigin(int column) const;
    sqlite3_stmt *handle() const { return stmt_; }
    // The value of a column of the current row: integer, double, text (UTF-8
    // decoded), bytes or null.
    QVariant value(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;
    qint64 integer(int column) const;
    QByteArray bytes(int column) const;

private:
    friend class SqliteDb;
    SqliteStatement(SqliteDb *db, sqlite3_stmt *stmt, QByteArray sql)
        : db_(db), stmt_(stmt), sql_(std::move(sql)) {}
    void release();
    SqliteDb *db_;
    sqlite3_stmt *stmt_;
    QByteArray sql_;
};

// Begins a transaction and rolls it back when it leaves scope without a
// commit, so a write of several statements is stored whole or not at all.
// A failing roll-back is swallowed here: the error that ended the work is
// the one to report.
class Transaction {
public:
    explicit Transaction(SqliteDb &db);
    explicit Transaction(DbConnection *connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();
    void rollback();

private:
    SqliteDb *db_;
    bool open_ = true;
};
