#include "app/restore.h"

#include "app/backup.h"
#include "data/database.h"
#include "data/dbfile.h"
#include "data/unitdm.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

namespace Restore {

namespace {

bool g_offered = false;  // the offer was made and not taken up
bool g_offering = false; // an offer is on the screen

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void install()
{
    g_offered = false;
    setDamageHandler(&offer);
}

bool offer(const DbError &error)
{
    if (g_offered || g_offering || !Backup::isDatabaseFile(error.file()))
        return false;
    const QScopedValueRollback<bool> offering(g_offering, true);
    g_offered = true;
    const QString database = native(Backup::databaseFile());

    const std::optional<Backup::Found> backup = Backup::newestUsableBackup();
    if (!backup) {
        Messages::error(QStringLiteral("数据库文件“%1”已损坏,databak 文件夹中也没有完好的备份,无法恢复。"
                                       "数据库文件没有改动!")
                            .arg(database),
                        error.details());
        return true;
    }
    const QString date = backup->date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString question =
        QStringLiteral("数据库文件“%1”已损坏,不能正常读写。\n\n"
                       "要用 databak 文件夹中最近的完好备份“%2”(%3)恢复数据库吗?\n\n"
                       "损坏的文件不会删除,它将改名留在原处;这份备份以后的修改不在备份里。")
            .arg(database, native(backup->path), date);
    if (!Messages::ask(question, error.details()))
        return true;

    DM->ADOConnection->close();
    QString aside;
    try {
        WaitCursor wait;
        aside = DbFile::replaceWithBackup(database, backup->path);
    } catch (const DbError &e) {
        Messages::error(QStringLiteral("数据库没有恢复:%1").arg(e.text()), e.details());
        return true;
    }
    // The connection opens the restored file on the next statement; a
    // later damage is offered anew.
    g_offered = false;
    Messages::show(QStringLiteral("数据库已用 %1 的备份恢复!损坏的文件已改名为“%2”。").arg(date, aside));
    return true;
}

} // namespace Restore
