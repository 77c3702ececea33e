// A quick look at the structure of a database file, page by page, for the
// backup that must not copy a damaged notebook over a good backup: SQLite's
// own integrity check reads every page of the file, the pictures' pages
// too, and takes longer than the copy; this one reads the pages that hold
// the tables' and indexes' trees and the list of free pages, and accounts
// for the pictures' pages by the lengths the trees give them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QFile;
class SqliteDb;

namespace PageCheck {

struct Result {
    // What does not add up (empty for a file that passed), in SQLite's
    // manner of speaking; for the details of a message.
    QStringList problems;
    // The check could not speak for the file (a file SQLite keeps in a form
    // this check does not read, such as one that vacuums itself): it has to
    // be checked by SQLite.
    bool undecided = false;
    bool passed() const { return problems.isEmpty() && !undecided; }
};

// Checks `file`, whose trees begin at `roots` (the root pages of every
// table and index, as sqlite_master lists them; page 1 is added). The file
// must not change while it is read (the caller holds SQLite's lock).
//
// What is checked: the file's head; its length against the page count;
// every page of every tree (its kind, its cells within the page and in
// order, children of the right kind, every leaf at one depth, keys of a
// table in ascending order); the free pages; that no page is used twice;
// and that the pages used by the trees, by the free list and, as their
// lengths say, by the values that overflow add up to the pages of the file.
// What is not: the inside of the overflow pages and of the records, and
// whether an index agrees with its table (SQLite's integrity check does).
// `file` is open for reading; it is read at given offsets (its position is
// left alone) and stays open, so a lock the process holds on it is kept.
Result check(QFile &file, const QList<quint32> &roots);
// The same for a file by its name, which is opened and closed here.
Result check(const QString &file, const QList<quint32> &roots);

// The root pages of the tables and indexes of the database open in `db`,
// as sqlite_master lists them: what check() is given. Throws DbError.
QList<quint32> rootPages(SqliteDb &db);

} // namespace PageCheck
