// Byte copies of the database file: the automatic backup on every close and
// the manual backup to a file the user chooses.
#pragma once

#include <QDate>
#include <QString>

class DbConnection;

// Copies `source` to `target` whole. The copy is written beside the target
// under a temporary name and renamed over it only once complete, and the
// source is read under a shared lock of the database, so that a second
// running copy of the program cannot commit into it meanwhile. Throws
// DbError: "Cannot open file "%s". %s" when the source cannot be opened or
// locked, "Cannot create file "%s". %s" when the target cannot be written.
void CopyDbFile(const QString &source, const QString &target, int lockTimeoutMs = 5000);

namespace Backup {
QString backupFolder();                    // AppPath + "/databak"
QString databaseFile();                    // AppPath + "/jsbdbf.mdb"
QString fileNameFor(const QDate &date);    // "jsbdbf" + yyyymmdd + ".bak"
QString automaticTarget(const QDate &date);
// The automatic backup: closes the connection and copies the database into
// the dated file of databak. Throws DbError when the copy fails.
void runAutomatic(DbConnection *connection);
// The manual backup: asks for a file name; on a name, closes the connection,
// copies and shows "备份成功!". Throws DbError when the copy fails.
void runManual(DbConnection *connection);
} // namespace Backup
