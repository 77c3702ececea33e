// The database layer under the data module: one SQLite file, opened on the
// first statement, errors as exceptions.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>
#include <QVariant>
#include <memory>
#include <stdexcept>

class SqliteDb;

// A failure reported by the database (or by the file layer of the backups).
// It carries the text the user sees; windows never catch it, the action
// guard shows it in the standard error box.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message, int code = 0, const QString &details = QString())
        : std::runtime_error(message.toStdString()), text_(message), code_(code), details_(details) {}
    const QString &text() const { return text_; }
    // SQLite's extended result code (0 for errors of the program's own) and
    // SQLite's own message.
    int code() const { return code_; }
    const QString &details() const { return details_; }

private:
    QString text_;
    int code_;
    QString details_;
};

// The message the user sees for a failure SQLite reported on `file`.
QString describeDbError(const QString &file, const QString &sqliteMessage, int code);

// The one conversion between date/time values and their stored text.
// Every date/time column holds "yyyy-MM-dd hh:mm:ss": a whole day is the day
// at 00:00:00, a time of day lies on 30 December 1899, whole seconds.
namespace DbDateTime {
QDate zeroDate();                              // 1899-12-30
QString fromDate(const QDate &d);              // day at midnight
QString fromTime(const QTime &t);              // time of day on the zero date
QString fromDateTime(const QDateTime &dt);     // to the whole second
QDateTime parse(const QString &text);          // invalid for empty/garbage
// Display of a stored date/time: the system's short date, a blank and the
// long time, the time left out at exactly midnight.
QString display(const QDateTime &dt);
QString longTimeFormat();
QString shortDateFormat();
// A date typed in the program's one short form, year-month-day with "-":
// "y-m-d" with a four-digit year, or "m-d" in `currentYear`; month and day
// of one or two digits; blanks around the whole are allowed, nothing else.
// An invalid date for any other text or for a day the calendar lacks
// (1980-2-30).
QDate parseShortDate(const QString &text, int currentYear);
} // namespace DbDateTime

// Converts a value to what is bound to SQLite: dates and times become their
// canonical text, booleans 0/1, and a null text the empty text.
QVariant toDbValue(const QVariant &value);

// The connection `ADOConnection`: holds the connection text, opens the file
// it names on demand and closes it for the backups.
class DbConnection : public QObject {
    Q_OBJECT
public:
    explicit DbConnection(QObject *parent = nullptr);
    ~DbConnection() override;

    void setConnectionText(const QString &text);
    QString connectionText() const { return connectionText_; }
    // The file named after "Data Source=" up to the next ';'.
    QString dataSource() const;
    static QString dataSourceOf(const QString &connectionText);

    void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }
    int busyTimeoutMs() const { return busyTimeoutMs_; }

    bool connected() const;
    // Opens the file when it is not open yet; throws DbError on failure.
    SqliteDb &database();
    // Closes the connection so the file is released (the backups).
    void close();

    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    bool inTransaction() const;

    // Runs one statement without parameters (transaction control, pragmas).
    void execRaw(const QString &sql);

private:
    QString connectionText_;
    std::unique_ptr<SqliteDb> db_;
    int busyTimeoutMs_ = 5000;
};
