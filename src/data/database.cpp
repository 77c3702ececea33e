#include "data/database.h"

#include "data/sqlite.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>

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

QString describeDbError(const QString &file, const QString &driverText, int code)
{
    switch (code & 0xff) {
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
