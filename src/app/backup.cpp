#include "app/backup.h"

#include "data/unitpath.h"
#include "data/database.h"
#include "data/sqlite.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

QString cannotOpen(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
}

QString cannotCreate(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Holds a read transaction on the database file for as long as it lives:
// SQLite's shared lock, which lets other readers in but makes a writer wait
// until the copy is done.
class SharedLock {
public:
    SharedLock(const QString &file, int timeoutMs)
    {
        try {
            db_.open(file, SqliteDb::Mode::ReadWrite, timeoutMs);
            db_.exec(QStringLiteral("begin"));
            db_.exec(QStringLiteral("select count(*) from sqlite_master"));
        } catch (const DbError &e) {
            error_ = e.details().isEmpty() ? e.text() : e.details();
            notDatabase_ = (e.code() & 0xff) == 26; // SQLITE_NOTADB
        }
    }
    ~SharedLock()
    {
        if (db_.isOpen()) {
            try {
                db_.exec(QStringLiteral("rollback"));
            } catch (const DbError &) {
            }
        }
    }
    // A file that is no SQLite database has no lock to take; it is copied
    // as it is.
    bool failed() const { return !error_.isEmpty() && !notDatabase_; }
    QString error() const { return error_; }

private:
    SqliteDb db_;
    QString error_;
    bool notDatabase_ = false;
};

} // namespace

void CopyDbFile(const QString &source, const QString &target, int lockTimeoutMs)
{
    // Repaint the windows before the copy blocks them.
    QCoreApplication::processEvents();

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(cannotOpen(source, in.errorString()));
    const SharedLock lock(source, lockTimeoutMs);
    if (lock.failed())
        throw DbError(cannotOpen(source, QStringLiteral("数据库正被另一个程序写入(%1)").arg(lock.error())));

    if (sameFile(source, target) || QFileInfo(source).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
        throw DbError(cannotCreate(target, QStringLiteral("目标就是正在备份的数据库文件")));

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw DbError(cannotCreate(target, out.errorString()));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw DbError(cannotOpen(source, in.errorString()));
        if (n == 0)
            break;
        // A short write (the disk filling up) is followed by one more try,
        // which fails with the system's reason.
        for (qint64 done = 0; done < n;) {
            const qint64 written = out.write(buffer.constData() + done, n - done);
            if (written <= 0)
                throw DbError(cannotCreate(target, out.errorString()));
            done += written;
        }
    }
    if (!out.commit())
        throw DbError(cannotCreate(target, out.errorString()));
}

namespace Backup {

QString backupFolder()
{
    return AppPath + QDir::separator() + QStringLiteral("databak");
}

QString databaseFile()
{
    return AppPath + QDir::separator() + QStringLiteral("jsbdbf.mdb");
}

QString fileNameFor(const QDate &date)
{
    return QStringLiteral("jsbdbf") + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".bak");
}

QString automaticTarget(const QDate &date)
{
    return backupFolder() + QDir::separator() + fileNameFor(date);
}

void runAutomatic(DbConnection *connection)
{
    WaitCursor wait;
    const QString folder = backupFolder();
    if (!QFileInfo(folder).isDir())
        QDir().mkdir(folder); // a failure shows up when the copy is made
    connection->close();
    CopyDbFile(databaseFile(), automaticTarget(QDate::currentDate()), connection->busyTimeoutMs());
}

void runManual(DbConnection *connection)
{
    WaitCursor wait;
    const QString chosen = Messages::saveFileName(fileNameFor(QDate::currentDate()));
    if (chosen.isEmpty())
        return;
    connection->close();
    CopyDbFile(databaseFile(), chosen, connection->busyTimeoutMs());
    Messages::show(QStringLiteral("备份成功!"));
}

} // namespace Backup
