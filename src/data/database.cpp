// The database connection of the data module, the stored form of dates and
// times, and the Chinese meaning of SQLite's failures.
#include "data/database.h"

#include "data/sqlite.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

namespace DbDateTime {

QDate zeroDate() { return QDate(1899, 12, 30); }

static const char *const kFormat = "yyyy-MM-dd hh:mm:ss";

// The date and the time are written each on its own: no time zone takes
// part, so writing a value is cheap and never moves a time that the local
// clock skips (a change to summer time).
static QString stored(const QDate &d, const QTime &t)
{
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
         + QTime(t.hour(), t.minute(), t.second()).toString(QStringLiteral("hh:mm:ss"));
}

QString fromDate(const QDate &d)
{
    return stored(d, QTime(0, 0));
}

QString fromTime(const QTime &t)
{
    return stored(zeroDate(), t);
}

QString fromDateTime(const QDateTime &dt)
{
    return stored(dt.date(), dt.time());
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
    return QStringLiteral("yyyy-MM-dd");
}

QString longTimeFormat()
{
    return QStringLiteral("HH:mm:ss");
}

QString displayDate(const QDate &d)
{
    return d.isValid() ? d.toString(shortDateFormat()) : QString();
}

QDate parseShortDate(const QString &text, int currentYear)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('-'));
    if (parts.size() != 2 && parts.size() != 3)
        return {};
    const auto number = [](const QString &part, int minDigits, int maxDigits) {
        if (part.size() < minDigits || part.size() > maxDigits)
            return -1;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
        return part.toInt();
    };
    const bool withYear = parts.size() == 3;
    const int year = withYear ? number(parts.at(0), 4, 4) : currentYear;
    const int month = number(parts.at(withYear ? 1 : 0), 1, 2);
    const int day = number(parts.at(withYear ? 2 : 1), 1, 2);
    if (year < 1 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return {};
    return QDate(year, month, day);
}

QString display(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    QString s = displayDate(dt.date());
    const QTime t = dt.time();
    const QTime whole(t.hour(), t.minute(), t.second());
    if (whole != QTime(0, 0))
        s += QLatin1Char(' ') + whole.toString(longTimeFormat());
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

DbConnection::DbConnection(QObject *parent) : QObject(parent), db_(std::make_unique<SqliteDb>())
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
    return db_->isOpen();
}

SqliteDb &DbConnection::database()
{
    if (db_->isOpen())
        return *db_;
    const QString file = dataSource();
    // The program never creates the database file.
    if (!QFileInfo(file).isFile())
        throw DbError(QStringLiteral("找不到数据库文件“%1”!").arg(file));
    db_->open(file, SqliteDb::Mode::ReadWrite, busyTimeoutMs_);
    return *db_;
}

void DbConnection::close()
{
    db_->close();
}

void DbConnection::execRaw(const QString &sql)
{
    database().exec(sql);
}

bool DbConnection::inTransaction() const
{
    return db_->transactionDepth() > 0;
}

void DbConnection::beginTrans()
{
    database().begin();
}

void DbConnection::commitTrans()
{
    if (db_->isOpen())
        db_->commit();
}

void DbConnection::rollbackTrans()
{
    if (db_->isOpen())
        db_->rollback();
}

// --- what a failure means to the user ---------------------------------------------

bool isAccessFile(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(19);
    return head.size() == 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4))
           && (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

bool isDamage(const QString &file, int code)
{
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
        return true;
    case SQLITE_NOTADB:
        return !isAccessFile(file);
    default:
        return false;
    }
}

namespace {

// What a statement found missing, from SQLite's message: "数据表 x",
// "数据表 x 的字段 y" or "字段 y"; empty when nothing is missing.
QString missingPart(const QString &message)
{
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:main\\.)?(\\S+)"));
    static const QRegularExpression noColumnNamed(QStringLiteral("^table (\\S+) has no column named (\\S+)"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (\\S+)"));
    if (const auto m = noTable.match(message); m.hasMatch())
        return QStringLiteral("缺少数据表 %1").arg(m.captured(1));
    if (const auto m = noColumnNamed.match(message); m.hasMatch())
        return QStringLiteral("数据表 %1 缺少字段 %2").arg(m.captured(1), m.captured(2));
    if (const auto m = noColumn.match(message); m.hasMatch())
        return QStringLiteral("缺少字段 %1").arg(m.captured(1));
    return QString();
}

} // namespace

QString describeDbError(const QString &file, const QString &sqliteMessage, int code)
{
    if (isDamage(file, code))
        return QStringLiteral("数据库文件“%1”已损坏,不能正常读写!").arg(file);
    switch (code & 0xff) {
    case SQLITE_NOTADB: // an old Access database
        return QStringLiteral("文件“%1”不是本程序可用的数据库(可能是旧版本的 Access 数据库),文件未作任何改动!")
            .arg(file);
    case SQLITE_FULL:
        return QStringLiteral("数据库文件“%1”所在的磁盘已满,这次的内容没有保存。请腾出一些磁盘空间后再试!").arg(file);
    case SQLITE_READONLY:
        // A second running copy sees this once the database was restored
        // from a backup under it.
        if (code == SQLITE_READONLY_DBMOVED)
            return QStringLiteral("数据库文件“%1”已被改名或移走(可能已用备份恢复),这次的内容没有保存。请重新启动本程序!")
                .arg(file);
        if (code == SQLITE_READONLY_DIRECTORY)
            return QStringLiteral("数据库文件“%1”所在的文件夹不能写入(无法在其中建立日志文件),这次的内容没有保存。"
                                  "请检查文件夹的权限!")
                .arg(file);
        return QStringLiteral("数据库文件“%1”是只读的,这次的内容没有保存。请检查文件的属性和权限!").arg(file);
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开数据库文件“%1”:文件或它所在的文件夹不能读写。请检查文件和文件夹的权限!").arg(file);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("数据库文件“%1”正被另一个程序(可能是另一个正在运行的本程序)写入,等待超时,"
                              "这次的操作没有完成。请稍后再试!")
            .arg(file);
    case SQLITE_CONSTRAINT:
        // The constraint's name says in Chinese which field holds too much
        // (see the schema).
        if (code == SQLITE_CONSTRAINT_CHECK) {
            static const QString prefix = QStringLiteral("CHECK constraint failed: ");
            const QString name = sqliteMessage.startsWith(prefix) ? sqliteMessage.mid(prefix.size()) : sqliteMessage;
            return QStringLiteral("%1,没有保存!").arg(name);
        }
        return QStringLiteral("数据不符合数据库的约束,没有保存!");
    case SQLITE_IOERR:
        return QStringLiteral("读写数据库文件“%1”时出错(磁盘或文件系统的故障),这次的操作没有完成!").arg(file);
    case SQLITE_NOMEM:
        return QStringLiteral("内存不足,这次的操作没有完成!");
    case SQLITE_TOOBIG:
        return QStringLiteral("内容太大,数据库存不下,没有保存!");
    default:
        // An empty file or a database of another program opens as SQLite
        // but lacks the tables or columns.
        if (const QString missing = missingPart(sqliteMessage); !missing.isEmpty())
            return QStringLiteral("文件“%1”不是本程序的记事本数据库(%2),文件未作任何改动!").arg(file, missing);
        return QStringLiteral("数据库出错,这次的操作没有完成!");
    }
}

DbError DbError::fromSqlite(const QString &file, const QString &sqliteMessage, int code)
{
    DbError e(describeDbError(file, sqliteMessage, code), code, sqliteMessage);
    e.file_ = file;
    e.damaged_ = isDamage(file, code);
    e.accessFile_ = (code & 0xff) == SQLITE_NOTADB && isAccessFile(file);
    return e;
}
