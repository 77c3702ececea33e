// The statement helpers the dataset's parts share: parameters found in a
// text, statements prepared with their values bound by name and run.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

class DbConnection;
class SqliteStatement;

namespace DatasetSql {

[[noreturn]] void programmingError(const QString &what);

// A name as an SQL identifier, in double quotes.
QString quoted(const QString &name);

// The names after a colon in a statement, in order of first appearance;
// quoted texts are skipped.
QStringList scanParameters(const QString &sql);

// Prepares `sql` on the connection and binds every parameter `names` holds
// (the names of `sql`); a name left unbound is a programming error
// (std::logic_error).
SqliteStatement prepareStatement(DbConnection *connection, const QString &owner, const QString &sql,
                                 const QStringList &names, const QList<QPair<QString, QVariant>> &params);

struct RunResult {
    int rowsAffected = 0;
    qint64 lastInsertId = 0;
};
RunResult runStatement(DbConnection *connection, const QString &owner, const QString &sql,
                       const QStringList &names, const QList<QPair<QString, QVariant>> &params);

} // namespace DatasetSql
