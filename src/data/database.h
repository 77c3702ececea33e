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
// guard shows it in the standard error box, with SQLite's own message as
// the box's details.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message, int code = 0, const QString &details = QString())
        : std::runtime_error(message.toStdString()), text_(message), code_(code), details_(details) {}
    // A failure SQLite reported on `file`: the text is describeDbError's.
    static DbError fromSqlite(const QString &file, const QString &sqliteMessage, int code);

    const QString &text() const { return text_; }
    // SQLite's extended result code (0 for errors of the program's own) and
    // SQLite's own message.
    int code() const { return code_; }
    const QString &details() const { return details_; }
    // The database file SQLite reported on (empty for the program's own
    // errors), and whether SQLite found that file damaged.
    const QString &file() const { return file_; }
    bool damaged() const { return damaged_; }
    // Whether the file SQLite found no database in is an old Access file.
    bool accessFile() const { return accessFile_; }

private:
    QString text_;
    int code_;
    QString details_;
    QString file_;
    bool damaged_ = false;
    bool accessFile_ = false;
};

// The message the user sees for a failure SQLite reported on `file`: the
// plain Chinese meaning of the result code `code` (SQLite's extended code);
// SQLite's own message goes to the details of the error box.
QString describeDbError(const QString &file, const QString &sqliteMessage, int code);

// Whether `code` on `file` means the file is damaged: SQLite found its pages
// malformed, or found no database in a file that is not an old Access
// database (which is a file of another program, not a damaged notebook).
bool isDamage(const QString &file, int code);
// An Access database (Jet or ACE): 00 01 00 00 and "Standard Jet DB" or
// "Standard ACE DB" at offset 4.
bool isAccessFile(const QString &file);

// The one conversion between date/time values and their stored text.
// Every date/time column holds "yyyy-MM-dd hh:mm:ss": a whole day is the day
// at 00:00:00, a time of day lies on 30 December 1899, whole seconds.
namespace DbDateTime {
QDate zeroDate();                              // 1899-12-30
QString fromDate(const QDate &d);              // day at midnight
QString fromTime(const QTime &t);              // time of day on the zero date
QString fromDateTime(const QDateTime &dt);     // to the whole second
QDateTime parse(const QString &text);          // invalid for empty/garbage
// The program's one form of a date and a time for display and input:
// year-month-day with "-" and the time of day to the second. A stored
// date/time shows as the date, a blank and the time, the time left out at
// exactly midnight (so a whole day shows the date alone).
QString shortDateFormat();   // "yyyy-MM-dd"
QString longTimeFormat();    // "HH:mm:ss"
QString displayDate(const QDate &d);
QString display(const QDateTime &dt);
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
