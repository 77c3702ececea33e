#include "app/backup.h"

#include "app/filecopy.h"
#include "data/unitpath.h"
#include "data/database.h"
#include "data/privatefiles.h"
#include "data/dbfile.h"
#include "data/pagecheck.h"
#include "data/sqlite.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include <sqlite3.h>

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

// The database file opened for a copy. For as long as it lives it holds a
// read transaction on the file: SQLite's shared lock, which lets other
// readers in but makes a writer wait until the copy is done. It checks the
// file under that lock, so the check speaks of exactly what is
// copied: first the quick look at its pages (PageCheck), which reads the
// trees and not the pictures' pages; only when that finds something, or
// cannot tell, SQLite's own integrity check decides and says what is wrong.
// A damaged file, and an old Access database, has no lock to take; it is
// copied as it is.
class Source {
public:
    Source(const QString &file, int lockTimeoutMs) : file_(file), in_(file)
    {
        if (!in_.open(QIODevice::ReadOnly))
            throw DbError(cannotOpen(file, in_.errorString()));
        try {
            db_.open(file, SqliteDb::Mode::ReadWrite, lockTimeoutMs);
            db_.exec(QStringLiteral("begin"));
            db_.exec(QStringLiteral("select count(*) from sqlite_master"));
            if (!PageCheck::check(in_, PageCheck::rootPages(db_)).passed()) {
                const QStringList problems = db_.integrityProblems();
                if (!problems.isEmpty()) {
                    damaged_ = true;
                    damage_ = problems.join(QLatin1Char('\n'));
                }
            }
        } catch (const DbError &e) {
            db_.close();
            const int primary = e.code() & 0xff;
            if (e.damaged()) {
                damaged_ = true;
                damage_ = e.details();
            } else if (primary == SQLITE_NOTADB) {
                // an old Access database: copied as it is
            } else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
                throw DbError(cannotOpen(file, QStringLiteral("数据库正被另一个程序写入")), e.code(), e.details());
            } else {
                throw DbError(cannotOpen(file, e.text()), e.code(), e.details());
            }
        }
    }
    ~Source()
    {
        if (db_.isOpen()) {
            try {
                db_.exec(QStringLiteral("rollback"));
            } catch (const DbError &) {
            }
        }
    }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    bool damaged() const { return damaged_; }
    // What SQLite found wrong, for the details of a message.
    QString damage() const { return damage_; }

    void copyTo(const QString &target)
    {
        if (sameFile(file_, target) || QFileInfo(file_).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
            throw DbError(cannotCreate(target, QStringLiteral("目标就是正在备份的数据库文件")));
        try {
            FileCopy::copy(in_, target);
        } catch (const FileCopy::Failure &f) {
            throw DbError(f.side == FileCopy::Failure::Side::Reading ? cannotOpen(file_, f.reason)
                                                                     : cannotCreate(target, f.reason));
        }
    }

private:
    QString file_;
    QFile in_;
    SqliteDb db_;
    bool damaged_ = false;
    QString damage_;
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What the user is told of the newest sound backup: its file and its date.
QString newestSoundBackupText()
{
    const std::optional<Backup::Found> found = Backup::newestUsableBackup();
    if (!found)
        return QStringLiteral("databak 文件夹中没有完好的备份!");
    return QStringLiteral("最近的完好备份是“%1”(%2)")
        .arg(native(found->path), found->date.toString(QStringLiteral("yyyy-MM-dd")));
}

} // namespace

namespace Backup {

QString backupFolder()
{
    return AppPath + QDir::separator() + QStringLiteral("databak");
}

QString databaseFile()
{
    return AppPath + QDir::separator() + QStringLiteral("jsbdbf.mdb");
}

bool isDatabaseFile(const QString &file)
{
    const QFileInfo a(file), b(databaseFile());
    return a.absoluteFilePath() == b.absoluteFilePath()
           || (!a.canonicalFilePath().isEmpty() && a.canonicalFilePath() == b.canonicalFilePath());
}

QString fileNameFor(const QDate &date)
{
    return QStringLiteral("jsbdbf") + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".bak");
}

QString automaticTarget(const QDate &date)
{
    return backupFolder() + QDir::separator() + fileNameFor(date);
}

QList<Found> backupsNewestFirst()
{
    static const QRegularExpression name(QStringLiteral("^jsbdbf(\\d{8})\\.bak$"));
    QList<Found> found;
    const QFileInfoList files = QDir(backupFolder()).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &f : files) {
        const QRegularExpressionMatch m = name.match(f.fileName());
        const QDate date = m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")) : QDate();
        if (date.isValid())
            found.append({native(f.absoluteFilePath()), date, f.lastModified()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.date != b.date ? a.date > b.date : a.written > b.written;
    });
    return found;
}

std::optional<Found> newestUsableBackup()
{
    WaitCursor wait;
    for (const Found &f : backupsNewestFirst())
        if (DbFile::checkNotebook(f.path).sound)
            return f;
    return std::nullopt;
}

void runAutomatic(DbConnection *connection)
{
    WaitCursor wait;
    const QString folder = backupFolder();
    if (!QFileInfo(folder).isDir())
        PrivateFiles::makeFolder(folder); // a failure shows up when the copy is made
    connection->close();
    // Repaint the windows before the check and the copy block them.
    QCoreApplication::processEvents();
    Source source(databaseFile(), connection->busyTimeoutMs());
    // A damaged file would replace today's good backup: the close goes on
    // without a backup.
    if (source.damaged()) {
        Messages::error(QStringLiteral("数据库文件“%1”已损坏,这次退出没有备份它,以免损坏的文件覆盖完好的备份。\n%2")
                            .arg(native(databaseFile()), newestSoundBackupText()),
                        source.damage());
        return;
    }
    source.copyTo(automaticTarget(QDate::currentDate()));
}

void runManual(DbConnection *connection)
{
    WaitCursor wait;
    const QString chosen = Messages::saveFileName(fileNameFor(QDate::currentDate()));
    if (chosen.isEmpty())
        return;
    connection->close();
    // Repaint the windows before the check and the copy block them.
    QCoreApplication::processEvents();
    Source source(databaseFile(), connection->busyTimeoutMs());
    // It may be the user's last copy of the data: it is copied as it is.
    if (source.damaged())
        Messages::error(QStringLiteral("数据库文件“%1”已损坏!它将按原样复制到“%2”,这份备份也是损坏的!")
                            .arg(native(databaseFile()), native(chosen)),
                        source.damage());
    source.copyTo(chosen);
    Messages::show(QStringLiteral("备份成功!"));
}

} // namespace Backup
