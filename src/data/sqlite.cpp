// The database handle, the prepared statements and the transaction guard
// over SQLite's C API.
#include "data/sqlite.h"

#include "data/pinyin.h"
#include "data/privatefiles.h"

#include <QFileInfo>
#include <QUrl>
#include <stdexcept>

#include <sqlite3.h>

namespace {

[[noreturn]] void programmingError(const QString &what)
{
    throw std::logic_error(what.toStdString());
}

// The pinyin collation of the text columns: the program's one order of names.
int comparePinyin(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    const QStringView left(static_cast<const QChar *>(a), lengthA / 2);
    const QStringView right(static_cast<const QChar *>(b), lengthB / 2);
    return Pinyin::compare(left, right);
}

} // namespace

int storageClass(const QVariant &value)
{
    if (value.isNull() && value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        return SQLITE_NULL;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return SQLITE_INTEGER;
    case QMetaType::Double:
    case QMetaType::Float:
        return SQLITE_FLOAT;
    case QMetaType::QByteArray:
        return SQLITE_BLOB;
    default:
        return SQLITE_TEXT;
    }
}

void registerPinyinCollation(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, kPinyinCollation, SQLITE_UTF16_ALIGNED, nullptr, comparePinyin, nullptr);
}

// --- the database ------------------------------------------------------------------

SqliteDb::~SqliteDb()
{
    close();
}

void SqliteDb::open(const QString &file, Mode mode, int busyTimeoutMs)
{
    close();
    file_ = file;
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    const bool existed = QFileInfo::exists(file);
    // A URI, so that no character of the path is read as an option.
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded).toUtf8();
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &db, flags, nullptr);
    db_ = db;
    if (rc != SQLITE_OK) {
        const DbError e = lastError(rc);
        close();
        throw e;
    }
    // A database made here is the user's alone, before anything is in it.
    if (mode == Mode::Create && !existed)
        PrivateFiles::restrict(file);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    registerPinyinCollation(db_);
    try {
        // Reading the schema first tells a foreign file (an old Access
        // database) apart before anything could be written to it; the
        // rollback journal keeps everything in the one file once closed,
        // which the backups rely on.
        exec(QStringLiteral("select count(*) from sqlite_master"));
        if (mode != Mode::ReadOnly)
            exec(QStringLiteral("pragma journal_mode=delete"));
    } catch (...) {
        close();
        throw;
    }
}

void SqliteDb::close()
{
    finalizeKept();
    if (db_) {
        // Statements still held elsewhere would keep the file open; the
        // close waits for nothing and releases the handle once they go.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    depth_ = 0;
}

void SqliteDb::exec(const QString &sql)
{
    if (!db_)
        programmingError(QStringLiteral("exec on a closed database"));
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_exec(db_, utf8.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw lastError(rc);
}

SqliteStatement SqliteDb::prepare(const QString &sql)
{
    if (!db_)
        programmingError(QStringLiteral("prepare on a closed database"));
    QByteArray utf8 = sql.toUtf8();
    if (sqlite3_stmt *kept = kept_.take(utf8))
        return SqliteStatement(this, kept, std::move(utf8));
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw lastError(rc);
    }
    return SqliteStatement(this, stmt, std::move(utf8));
}

void SqliteDb::keep(const QByteArray &sql, sqlite3_stmt *stmt)
{
    // Only a statement of the handle open now, one per text, a few dozen
    // texts at most (the program runs a small fixed set of statements).
    constexpr qsizetype MaxKept = 64;
    if (!db_ || sqlite3_db_handle(stmt) != db_ || kept_.contains(sql) || kept_.size() >= MaxKept) {
        sqlite3_finalize(stmt);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    kept_.insert(sql, stmt);
}

void SqliteDb::finalizeKept()
{
    for (sqlite3_stmt *stmt : std::as_const(kept_))
        sqlite3_finalize(stmt);
    kept_.clear();
}

qint64 SqliteDb::lastInsertRowId() const
{
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int SqliteDb::changes() const
{
    return db_ ? sqlite3_changes(db_) : 0;
}

void SqliteDb::begin()
{
    if (depth_ == 0)
        exec(QStringLiteral("begin immediate"));
    else
        exec(QStringLiteral("savepoint sp%1").arg(depth_));
    ++depth_;
}

void SqliteDb::commit()
{
    if (depth_ <= 0)
        return;
    if (depth_ == 1)
        exec(QStringLiteral("commit"));
    else
        exec(QStringLiteral("release sp%1").arg(depth_ - 1));
    --depth_;
}

void SqliteDb::rollback()
{
    if (depth_ <= 0)
        return;
    const int depth = depth_--;
    if (depth == 1) {
        // SQLite may already have rolled back by itself (a full disk, an
        // interrupted write); then there is nothing left to undo.
        if (db_ && !sqlite3_get_autocommit(db_))
            exec(QStringLiteral("rollback"));
    } else {
        exec(QStringLiteral("rollback to sp%1").arg(depth - 1));
        exec(QStringLiteral("release sp%1").arg(depth - 1));
    }
}

QStringList SqliteDb::integrityProblems()
{
    QStringList problems;
    SqliteStatement st = prepare(QStringLiteral("pragma integrity_check(20)"));
    while (st.step()) {
        const QString line = st.text(0);
        if (line != QLatin1String("ok"))
            problems << line;
    }
    return problems;
}

DbError SqliteDb::lastError(int rc) const
{
    const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
    const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
    return DbError::fromSqlite(file_, message, code);
}

// --- statements ----------------------------------------------------------------------

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : db_(other.db_), stmt_(other.stmt_), sql_(std::move(other.sql_))
{
    other.stmt_ = nullptr;
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        release();
        db_ = other.db_;
        stmt_ = other.stmt_;
        sql_ = std::move(other.sql_);
        other.stmt_ = nullptr;
    }
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    release();
}

void SqliteStatement::release()
{
    if (stmt_)
        db_->keep(sql_, stmt_);
    stmt_ = nullptr;
}

void SqliteStatement::bind(const QString &name, const QVariant &value)
{
    const QByteArray holder = ':' + name.toUtf8();
    const int index = sqlite3_bind_parameter_index(stmt_, holder.constData());
    if (index == 0)
        programmingError(QStringLiteral("the statement has no parameter :%1").arg(name));
    bind(index, value);
}

void SqliteStatement::bind(int index, const QVariant &value)
{
    int rc;
    switch (storageClass(value)) {
    case SQLITE_NULL:
        rc = sqlite3_bind_null(stmt_, index);
        break;
    case SQLITE_INTEGER:
        rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
        break;
    case SQLITE_FLOAT:
        rc = sqlite3_bind_double(stmt_, index, value.toDouble());
        break;
    case SQLITE_BLOB: {
        const QByteArray bytes = value.toByteArray();
        // Zero bytes are stored as an empty picture, not as null.
        rc = sqlite3_bind_blob64(stmt_, index, bytes.isNull() ? "" : bytes.constData(),
                                 sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text64(stmt_, index, text.isNull() ? "" : text.constData(), sqlite3_uint64(text.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
    if (rc != SQLITE_OK)
        throw db_->lastError(rc);
}

int SqliteStatement::parameterCount() const
{
    return sqlite3_bind_parameter_count(stmt_);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const DbError e = db_->lastError(rc);
    sqlite3_reset(stmt_);
    throw e;
}

int SqliteStatement::run()
{
    while (step()) {
    }
    return db_->changes();
}

void SqliteStatement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(stmt_);
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

QString SqliteStatement::columnTable(int column) const
{
    return QString::fromUtf8(sqlite3_column_table_name(stmt_, column));
}

QString SqliteStatement::columnOrigin(int column) const
{
    return QString::fromUtf8(sqlite3_column_origin_name(stmt_, column));
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return bytes(column);
    default:
        return QVariant();
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QString SqliteStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    QString s = QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
    s.squeeze(); // Chinese text takes a third of its UTF-8 size in UTF-16 units
    return s;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QByteArray SqliteStatement::bytes(int column) const
{
    const void *blob = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (!blob)
        return QByteArray("", 0);
    return QByteArray(static_cast<const char *>(blob), size);
}

// --- the transaction guard ------------------------------------------------------------

Transaction::Transaction(SqliteDb &db) : db_(&db)
{
    db_->begin();
}

Transaction::Transaction(DbConnection *connection) : Transaction(connection->database())
{
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        db_->rollback();
    } catch (const DbError &) {
        // the error that ended the work is the one to report
    }
}

void Transaction::commit()
{
    if (!open_)
        return;
    db_->commit();
    open_ = false;
}

void Transaction::rollback()
{
    if (!open_)
        return;
    open_ = false;
    db_->rollback();
}
