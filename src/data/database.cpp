#include "data/database.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace DbDateTime {

QDate zeroDate() { return QDate(1899, 12, 30); }

static const char *const kFormat = "yyyy-MM-dd hh:mm:ss";

QString fromDate(const QDate &d)
{
    return QDateTime(d, QTime(0, 0)).toString(QLatin1String(kFormat));
}

QString fromTime(const QTime &t)
{
    const QTime whole(t.hour(), t.minute(), t.second());
    return QDateTime(zeroDate(), whole).toString(QLatin1String(kFormat));
}

QString fromDateTime(const QDateTime &dt)
{
    const QTime t = dt.time();
    return QDateTime(dt.date(), QTime(t.hour(), t.minute(), t.second()))
        .toString(QLatin1String(kFormat));
}

QDateTime parse(const QString &text)
{
    if (text.isEmpty())
        return {};
    QDateTime dt = QDateTime::fromString(text, QLatin1String(kFormat));
    if (!dt.isValid()) // a date written without its time
        dt = QDateTime(QDate::fromString(text.left(10), Qt::ISODate), QTime(0, 0));
    return dt;
}

QString shortDateFormat()
{
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

QString longTimeFormat()
{
    // Qt's long format names the time zone; the clock and the grids show the
    // time of day alone.
    QString f = QLocale::system().timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return f.trimmed();
}

QString display(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    const QLocale loc = QLocale::system();
    QString s = loc.toString(dt.date(), shortDateFormat());
    if (dt.time() != QTime(0, 0))
        s += QLatin1Char(' ') + loc.toString(dt.time(), longTimeFormat());
    return s;
}

} // namespace DbDateTime

QVariant toDbValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString s = value.toString();
        return s.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(s);
    }
    // An invalid date would be stored as the empty text, which sorts before
    // every day (a memo so stored would always be due): a programming error.
    case QMetaType::QDate:
        if (!value.toDate().isValid())
            throw std::logic_error("an invalid date was bound");
        return DbDateTime::fromDate(value.toDate());
    case QMetaType::QTime:
        if (!value.toTime().isValid())
            throw std::logic_error("an invalid time was bound");
        return DbDateTime::fromTime(value.toTime());
    case QMetaType::QDateTime:
        if (!value.toDateTime().isValid())
            throw std::logic_error("an invalid date and time was bound");
        return DbDateTime::fromDateTime(value.toDateTime());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}

static QAtomicInt connectionCounter;

DbConnection::DbConnection(QObject *parent)
    : QObject(parent),
      connectionName_(QStringLiteral("quorvane-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
    setObjectName(QStringLiteral("ADOConnection"));
}

DbConnection::~DbConnection()
{
    close();
}

void DbConnection::setConnectionText(const QString &text)
{
    connectionText_ = text;
}

QString DbConnection::dataSourceOf(const QString &connectionText)
{
    static const QString key = QStringLiteral("Data Source=");
    const int at = connectionText.indexOf(key);
    if (at < 0)
        return QString();
    const int from = at + key.size();
    // The folder is not quoted and may itself hold a ';': the value ends at
    // the first ';' that is followed by the next "name=" (a name holds no
    // separator) or by nothing but blanks.
    for (int end = connectionText.indexOf(QLatin1Char(';'), from); end >= 0;
         end = connectionText.indexOf(QLatin1Char(';'), end + 1)) {
        const QString rest = connectionText.mid(end + 1);
        const int eq = rest.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? rest : rest.left(eq);
        const bool nextName = eq > 0 && !name.contains(QLatin1Char(';')) && !name.contains(QLatin1Char('/'))
                              && !name.contains(QLatin1Char('\\'));
        if (nextName || rest.trimmed().isEmpty())
            return connectionText.mid(from, end - from);
    }
    return connectionText.mid(from);
}

QString DbConnection::dataSource() const
{
    return dataSourceOf(connectionText_);
}

bool DbConnection::connected() const
{
    return open_;
}

QSqlDatabase &DbConnection::database()
{
    if (open_ && db_.isOpen())
        return db_;

    const QString file = dataSource();
    if (!QFileInfo(file).isFile())
        throw DbError(QStringLiteral("找不到数据库文件“%1”!").arg(file));

    if (!db_.isValid())
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    QSqlDatabase &db = db_;
    // mode=rw: the program never creates the database file.
    QUrl url = QUrl::fromLocalFile(file);
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        throw DbError(describe(e.databaseText(), e.nativeErrorCode().toInt()));
    }
    open_ = true;
    try {
        // Reading the schema first tells a foreign file (an old Access
        // database) apart before anything could be written to it.
        execRaw(QStringLiteral("select count(*) from sqlite_master"));
        // The rollback journal keeps everything in the one file once the
        // connection is closed, which the backups rely on.
        execRaw(QStringLiteral("pragma journal_mode=delete"));
    } catch (...) {
        close();
        throw;
    }
    return db;
}

void DbConnection::close()
{
    if (db_.isValid() && db_.isOpen())
        db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName_))
        QSqlDatabase::removeDatabase(connectionName_);
    open_ = false;
    transactionDepth_ = 0;
}

void DbConnection::execRaw(const QString &sql)
{
    QSqlDatabase &db = database();
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        const QSqlError e = q.lastError();
        throw DbError(describe(e.databaseText(), e.nativeErrorCode().toInt()));
    }
}

void DbConnection::beginTrans()
{
    if (transactionDepth_ == 0)
        execRaw(QStringLiteral("begin immediate"));
    else
        execRaw(QStringLiteral("savepoint sp%1").arg(transactionDepth_));
    ++transactionDepth_;
}

void DbConnection::commitTrans()
{
    if (transactionDepth_ <= 0)
        return;
    if (transactionDepth_ == 1)
        execRaw(QStringLiteral("commit"));
    else
        execRaw(QStringLiteral("release sp%1").arg(transactionDepth_ - 1));
    --transactionDepth_;
}

void DbConnection::rollbackTrans()
{
    if (transactionDepth_ <= 0)
        return;
    const int depth = transactionDepth_--;
    if (depth == 1) {
        execRaw(QStringLiteral("rollback"));
    } else {
        execRaw(QStringLiteral("rollback to sp%1").arg(depth - 1));
        execRaw(QStringLiteral("release sp%1").arg(depth - 1));
    }
}

QString DbConnection::describe(const QString &driverText, int sqliteCode) const
{
    const QString file = dataSource();
    switch (sqliteCode) {
    case 26: // SQLITE_NOTADB
        return QStringLiteral("文件“%1”不是本程序可用的数据库(可能是旧版本的 Access 数据库),"
                              "文件未作任何改动:%2")
            .arg(file, driverText);
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("无法打开数据库文件“%1”:%2").arg(file, driverText);
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("数据库文件“%1”正被另一个程序使用,请稍后再试:%2").arg(file, driverText);
    case 8: // SQLITE_READONLY
        return QStringLiteral("数据库文件“%1”只能读,不能写入:%2").arg(file, driverText);
    default:
        // An empty file or a database of another program opens as SQLite
        // but lacks the tables.
        if (driverText.startsWith(QLatin1String("no such table")))
            return QStringLiteral("文件“%1”不是本程序的数据库(缺少数据表),文件未作任何改动:%2").arg(file, driverText);
        if (driverText.startsWith(QLatin1String("no such column")))
            return QStringLiteral("数据库文件“%1”的数据表缺少本程序需要的字段:%2").arg(file, driverText);
        return driverText;
    }
}
