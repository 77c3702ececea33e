// Byte copies of the database file: the automatic backup on every close and
// the manual backup to a file the user chooses.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class DbConnection;

namespace Backup {
QString backupFolder();                    // AppPath + "/databak"
QString databaseFile();                    // AppPath + "/jsbdbf.mdb"
// Whether `file` (as a database error names it) is the program's database.
bool isDatabaseFile(const QString &file);
QString fileNameFor(const QDate &date);    // "jsbdbf" + yyyymmdd + ".bak"
QString automaticTarget(const QDate &date);

// An automatic backup in databak: its file, the date in its name and when
// it was written.
struct Found {
    QString path;
    QDate date;
    QDateTime written;
};
// The automatic backups in databak, newest date first.
QList<Found> backupsNewestFirst();
// The newest of them that passes SQLite's integrity check and holds the
// program's tables.
std::optional<Found> newestUsableBackup();

// A backup is a whole copy of the database file: written beside the target
// under a temporary name and renamed over it only once complete, the file
// read under a shared lock of the database, so that a second running copy
// of the program cannot commit into it meanwhile. The copy throws DbError:
// "Cannot open file "%s". %s" when the database cannot be opened or locked
// (the reason "数据库正被另一个程序写入" when another connection holds the
// lock), "Cannot create file "%s". %s" when the target cannot be written.
//
// The automatic backup: closes the connection and copies the database into
// the dated file of databak. A damaged database is not copied: the user is
// told so, with the newest sound backup, and the close goes on. Throws
// DbError when the copy fails.
void runAutomatic(DbConnection *connection);
// The manual backup: asks for a file name; on a name, closes the connection,
// copies and shows "备份成功!". A damaged database is copied as it is, after
// saying that it is damaged. Throws DbError when the copy fails.
void runManual(DbConnection *connection);
} // namespace Backup
