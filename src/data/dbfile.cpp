// Checking a database file whole, and putting a backup in the place of a
// damaged one.
#include "data/dbfile.h"

#include "data/database.h"
#include "data/privatefiles.h"
#include "data/schema.h"
#include "data/sqlite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace DbFile {

namespace {

// The files SQLite keeps beside a database while it works on it; a hot
// journal belongs to its database and must go wherever the database goes.
const char *const kCompanions[] = {"-journal", "-wal", "-shm"};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

Soundness checkNotebook(const QString &file, int busyTimeoutMs)
{
    try {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::ReadOnly, busyTimeoutMs);
        const QStringList problems = db.integrityProblems();
        if (!problems.isEmpty())
            return {false, problems.join(QLatin1Char('\n'))};
        for (const TableDef &t : Schema::tables()) {
            SqliteStatement st = db.prepare(QStringLiteral("select count(*) from sqlite_master where type='table' and name=?"));
            st.bind(1, t.name);
            if (!st.step() || st.integer(0) == 0)
                return {false, QStringLiteral("no such table: %1").arg(t.name)};
        }
        return {true, QString()};
    } catch (const DbError &e) {
        return {false, e.details().isEmpty() ? e.text() : e.details()};
    }
}

QString asideName(const QString &database)
{
    const QFileInfo info(database);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-damaged-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + QStringLiteral("-%1").arg(n) + suffix;
    return native(name);
}

QString replaceWithBackup(const QString &database, const QString &backup)
{
    QFile in(backup);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("不能读取备份文件“%1”:%2").arg(native(backup), in.errorString()));

    // The copy first, beside the database under a temporary name, so that
    // nothing has changed yet when it cannot be written whole.
    const bool existed = QFileInfo::exists(database);
    QSaveFile out(database);
    out.setDirectWriteFallback(false);
    const QString folder = native(QFileInfo(database).absolutePath());
    if (!out.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("不能在文件夹“%1”中写入备份的副本:%2").arg(folder, out.errorString()));
    PrivateFiles::restrictUnlessExisting(out, existed);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw DbError(QStringLiteral("不能读取备份文件“%1”:%2").arg(native(backup), in.errorString()));
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            throw DbError(QStringLiteral("不能在文件夹“%1”中写入备份的副本:%2").arg(folder, out.errorString()));
    }

    // The damaged file and its companions step aside under one new name.
    const QString aside = asideName(database);
    QStringList moved;
    const auto moveBack = [&] {
        for (const QString &from : moved)
            QFile::rename(aside + from, database + from);
    };
    if (QFileInfo::exists(database)) {
        QFile damaged(database);
        if (!damaged.rename(aside))
            throw DbError(QStringLiteral("不能把损坏的数据库文件“%1”改名为“%2”:%3")
                              .arg(native(database), aside, damaged.errorString()));
        moved << QString();
    }
    for (const char *companion : kCompanions) {
        const QString suffix = QString::fromLatin1(companion);
        if (!QFileInfo::exists(database + suffix))
            continue;
        QFile file(database + suffix);
        if (!file.rename(aside + suffix)) {
            const QString reason = file.errorString();
            moveBack();
            throw DbError(QStringLiteral("不能把损坏的数据库的日志文件“%1”改名:%2").arg(native(database + suffix), reason));
        }
        moved << suffix;
    }
    if (!out.commit()) {
        const QString reason = out.errorString();
        moveBack();
        throw DbError(QStringLiteral("不能把备份的副本放到“%1”:%2").arg(native(database), reason));
    }
    return aside;
}

} // namespace DbFile
