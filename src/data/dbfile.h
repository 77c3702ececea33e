// The database file as a whole: whether a file is a sound notebook (SQLite's
// integrity check and the program's tables), and putting a backup in the
// place of a damaged database without losing the damaged file.
#pragma once

#include <QString>

namespace DbFile {

struct Soundness {
    bool sound = false;
    QString problem; // what SQLite found, for the details of a message
};

// Opens `file` read-only and checks it: SQLite's integrity check passes and
// every table of the program is there. Never throws.
Soundness checkNotebook(const QString &file, int busyTimeoutMs = 1000);

// The name the damaged `database` is given beside itself: its base name,
// "-damaged-", the time (yyyyMMdd-hhmmss) and its suffix, with a number
// added when that name is taken.
QString asideName(const QString &database);

// Puts a copy of `backup` in the place of `database`: the copy is written
// beside the database under a temporary name first; then the database (and
// a journal it may have) is renamed aside, never deleted, and the copy
// renamed into its place. On any failure the database stays where it was.
// Returns the name the damaged file now has. Throws DbError.
QString replaceWithBackup(const QString &database, const QString &backup);

} // namespace DbFile
