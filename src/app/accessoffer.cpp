#include "app/accessoffer.h"

#include "app/backup.h"
#include "data/database.h"
#include "data/unitdm.h"
#include "formats/accessconvert.h"
#include "ui/messages.h"
#include "ui/windowhost.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace AccessOffer {

namespace {

bool g_offered = false;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void install()
{
    g_offered = false;
    setConversionHandler(&offer);
}

Conversion offer(const DbError &error)
{
    if (g_offered || !Backup::isDatabaseFile(error.file()))
        return Conversion::Declined;
    g_offered = true;
    const QString folder = QFileInfo(Backup::databaseFile()).absolutePath();
    const QString database = native(Backup::databaseFile());
    const QString kept = native(AccessConvert::keptName(folder));
    const QString question = QStringLiteral("数据库文件“%1”是本程序旧版本的 Access 记事本。\n\n"
                                            "要把它转换成新的格式吗?记事、图片、备忘录、通讯录、分类和用户都会转过来,"
                                            "旧文件不作任何改动,保留为“%2”。")
                                 .arg(database, kept);
    if (!Messages::ask(question))
        return Conversion::Declined;

    // The connection must not hold the file while it is renamed.
    DM->ADOConnection->close();
    QWidget *over = Windows::host() ? Windows::host()->frameWindow() : nullptr;
    QProgressDialog progress(over);
    progress.setObjectName(QStringLiteral("ConversionProgress"));
    progress.setWindowTitle(QStringLiteral("转换旧版本的记事本"));
    progress.setLabelText(QStringLiteral("正在准备转换…"));
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QStringList tables;
    const auto step = [&](const QString &table, qint64 done, qint64 total) {
        if (!tables.contains(table))
            tables << table;
        progress.setLabelText(QStringLiteral("正在转换第 %1 个表 %2:%3 / %4 行")
                                  .arg(tables.size())
                                  .arg(table)
                                  .arg(done)
                                  .arg(total));
        progress.setRange(0, int(std::max<qint64>(total, 1)));
        progress.setValue(int(std::min(done, total)));
        QApplication::processEvents();
        return !progress.wasCanceled();
    };
    AccessConvert::InPlaceResult result;
    try {
        WaitCursor wait;
        result = AccessConvert::convertInPlace(folder, step);
    } catch (const DbError &e) {
        progress.close();
        Messages::error(QStringLiteral("旧版本的记事本没有转换:%1").arg(e.text()), e.details());
        return Conversion::Failed;
    }
    progress.close();
    Messages::show(QStringLiteral("旧版本的记事本已转换成新的格式,旧文件保留为“%1”。\n\n%2")
                       .arg(native(result.oldFile), result.summary.lines().join(QLatin1Char('\n'))));
    return Conversion::Done;
}

} // namespace AccessOffer
