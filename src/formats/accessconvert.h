// Brings the notebook of the program's older Windows version over from its
// Access file into a fresh database of this program: every row of the seven
// tables with its key and every value as stored. The new database is written
// under a temporary name and takes its real name only once it is complete; a
// failure leaves nothing behind and the Access file is only ever read.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace AccessConvert {

struct TableSummary {
    QString table;
    qint64 rows = 0;
    qint64 milliseconds = 0;
    QStringList notes;   // columns left out, counters raised
};

struct Summary {
    QList<TableSummary> tables;   // in the order they were converted
    QStringList ignoredTables;    // tables of the old file this program does not know

    const TableSummary *table(const QString &name) const;
    // One line for each table and each note, for people.
    QStringList lines() const;
};

struct InPlaceResult {
    Summary summary;
    QString oldFile;   // where the Access file is now
};

// Reports the rows of `table` done so far and the rows it holds; returning
// false cancels the conversion, which then fails like any other.
using Progress = std::function<bool(const QString &table, qint64 rowsDone, qint64 rowsTotal)>;

// Writes the notebook of the Access file `oldFile` into the new database
// `newFile`, which must not exist yet. Throws DbError with the reason in
// Chinese: a file that is no Access notebook, a table or column missing, a
// damaged file, a text longer than its column here, a full disk, a cancel.
Summary convert(const QString &oldFile, const QString &newFile, const Progress &progress = {});

// The conversion at the program's start: `folder`/jsbdbf.mdb is an Access
// file. The new database takes its name, and the Access file stays beside
// it as jsbdbf-access.mdb (or jsbdbf-access-2.mdb, ... when that name is
// taken). On failure the folder is as it was. Throws DbError.
InPlaceResult convertInPlace(const QString &folder, const Progress &progress = {});
// The name the Access file in `folder` would be kept under now.
QString keptName(const QString &folder);

} // namespace AccessConvert
