// quorvane-import-phonebook FOLDER WORKBOOK FIRST LAST: the phone-book
// import without the windows. Adds the rows FIRST..LAST of the workbook's
// first worksheet as contacts to FOLDER/jsbdbf.mdb in one transaction,
// prints its progress on one line and a summary; exits non-zero with the
// reason when nothing was stored.
#include "data/unitdm.h"
#include "data/unitpath.h"
#include "formats/phonebookimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

void say(FILE *to, const QString &text)
{
    std::fputs(text.toUtf8().constData(), to);
    std::fflush(to);
}

int usage()
{
    say(stderr, QStringLiteral("用法：quorvane-import-phonebook 文件夹 工作簿 起始行 末行\n"
                               "把工作簿第一张工作表的第“起始行”至“末行”行作为联系人加入“文件夹/jsbdbf.mdb”，\n"
                               "各列依次为：分类、姓名、移动电话、办公电话、住宅电话、工作单位、性别、年龄、籍贯、\n"
                               "职务、住址、传真、邮箱、QQ号码、生日、特殊纪念日、爱好、特长、备注；\n"
                               "没有姓名的行不加入，但同样用去一个编号。全部加入或全部不加入。\n"));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 4)
        return usage();
    const QString folder = QDir(args.at(0)).absolutePath();
    const QString workbook = args.at(1);
    const QString database = QDir(folder).filePath(QStringLiteral("jsbdbf.mdb"));
    if (!QFileInfo(database).isFile()) {
        say(stderr, QStringLiteral("没有导入：文件夹“%1”中没有数据库文件 jsbdbf.mdb\n").arg(QDir::toNativeSeparators(folder)));
        return 1;
    }
    setAppPath(QDir::toNativeSeparators(folder));
    DM = new TDM(&app);

    // One line of progress, rewritten on a terminal and written once at the
    // end otherwise.
    const bool terminal = isatty(fileno(stdout));
    QElapsedTimer shown;
    shown.start();
    int lastDone = 0, lastTotal = 0;
    bool lineShown = false;
    auto progress = [&](int done, int total) {
        lastDone = done;
        lastTotal = total;
        if (terminal && (done == 0 || done == total || shown.elapsed() >= 100)) {
            say(stdout, QStringLiteral("\r已读 %1 / %2 行").arg(done).arg(total));
            lineShown = true;
            shown.restart();
        }
        return true;
    };

    try {
        const PhoneBookImport::Result r =
            PhoneBookImport::run(nullptr, workbook, args.at(2), args.at(3), progress);
        say(stdout, terminal ? QStringLiteral("\n") : QStringLiteral("已读 %1 / %2 行\n").arg(lastDone).arg(lastTotal));
        if (r.rowsRead == 0) {
            say(stderr, QStringLiteral("没有导入：末行 %1 小于起始行 %2，没有要读的行\n").arg(args.at(3), args.at(2)));
            return 1;
        }
        say(stdout, QStringLiteral("读取 %1 行，添加 %2 个联系人，用去编号 %3 个（%4 至 %5）\n")
                        .arg(r.rowsRead)
                        .arg(r.contactsAdded)
                        .arg(r.identifiersUsed())
                        .arg(r.firstId, r.lastId));
        return 0;
    } catch (const PhoneBookImport::Failure &e) {
        if (lineShown)
            say(stdout, QStringLiteral("\n"));
        say(stderr, QStringLiteral("没有导入，数据库没有任何改变。\n%1\n").arg(e.details()));
        return 1;
    }
}
