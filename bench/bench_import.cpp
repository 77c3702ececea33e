// The phone-book import against a hand-written floor: a phone book of
// `rows` contacts (19 columns of texts, numbers and a date) written as
// .xlsx and as .xls, then, for each, into a fresh database
//   import    the import step (PhoneBookImport::run: the data module's
//             statements, an identifier read and advanced for every row)
//   C API     the same workbook read by the same reader, its rows inserted
//             through SQLite's C API with one prepared statement in one
//             transaction, the counter advanced once
// Each run is a fresh process (this program started again), so each peak
// memory is that run's own. Prints the times, the ratio import / C API
// (target: within 2), the peaks at rows and at a quarter of rows and, for
// scale, the time and peak of reading the workbook alone. The import adds
// nothing that grows with the rows: what grows is the workbook's table of
// distinct texts, which every reader of it holds.
//
//   bench_import [rows]               default 10000; an .xls holds at most 65536
//   bench_import --write FOLDER ROWS  only writes FOLDER/book.xlsx and book.xls
#include "workbookwriters.h" // glib before Qt

#include "data/schema.h"
#include "data/unitdm.h"
#include "data/unitpath.h"
#include "formats/phonebookimport.h"
#include "formats/workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Columns = PhoneBookImport::ColumnCount;

const char *const surnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
const char *const given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"};
const char *const places[] = {"北京朝阳", "上海浦东", "广州天河", "深圳南山", "浙江杭州"};

// A contact as an office's phone book gives it, every text within its
// field: category, name, mobile (number), office, home, employer, sex, age
// (number), native place, position, address, fax, e-mail, QQ (number),
// birthday (date), anniversary, hobbies, skills, remarks. Every 50th row
// has no name.
BenchBooks::Cell cellFor(int r, int c)
{
    using namespace BenchBooks;
    switch (c) {
    case 0: return text(QStringLiteral("同事"));
    case 1: return r % 50 == 49 ? text(QString())
                                : text(QString::fromUtf8(surnames[r % 10]) + QString::fromUtf8(given[(r / 10) % 12])
                                       + QString::fromUtf8(given[(r / 7) % 12]));
    case 2: return number(13800000000.0 + r);
    case 3: return text(QStringLiteral("010-6552%1").arg(r % 10000, 4, 10, QLatin1Char('0')));
    case 4: return text(QStringLiteral("021-5%1").arg(r % 1000000));
    case 5: return text(QString::fromUtf8(places[r % 5]) + QStringLiteral("第%1公司").arg(r % 97));
    case 6: return text(r % 2 ? QStringLiteral("男") : QStringLiteral("女"));
    case 7: return number(20 + r % 60);
    case 8: return text(QString::fromUtf8(places[(r / 5) % 5]));
    case 9: return text(QStringLiteral("工程师"));
    case 10: return text(QString::fromUtf8(places[r % 5]) + QStringLiteral("路%1号").arg(r % 300 + 1));
    case 11: return text(QStringLiteral("010-8%1").arg(r % 1000000));
    case 12: return text(QStringLiteral("user%1@example.com").arg(r));
    case 13: return number(100000 + r);
    case 14: return date(25000 + r % 10000);
    case 15: return text(QString());
    case 16: return text(QStringLiteral("围棋、书法"));
    case 17: return text(QStringLiteral("篮球"));
    default: return text(QStringLiteral("第%1行导入").arg(r + 1));
    }
}

long peakKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A fresh database in `folder` with the data module pointing at it.
void freshDatabase(const QString &folder)
{
    QDir(folder).mkpath(QStringLiteral("."));
    Schema::createDatabase(QDir(folder).filePath(QStringLiteral("jsbdbf.mdb")));
    setAppPath(folder);
}

// The run of the import step; prints "seconds peak-kB contacts".
int runImport(const QString &folder, const QString &workbook, int rows)
{
    freshDatabase(folder);
    DM = new TDM();
    QElapsedTimer timer;
    timer.start();
    try {
        const PhoneBookImport::Result r =
            PhoneBookImport::run(nullptr, workbook, QStringLiteral("1"), QString::number(rows));
        std::printf("%.6f %ld %d\n", timer.nsecsElapsed() / 1e9, peakKb(), r.contactsAdded);
    } catch (const PhoneBookImport::Failure &e) {
        std::fprintf(stderr, "import failed:\n%s\n", qPrintable(e.details()));
        return 1;
    }
    return 0;
}

// Reading alone, for scale: the reader and the texts of the cells.
int runRead(const QString &workbook, int rows)
{
    QElapsedTimer timer;
    timer.start();
    int named = 0;
    try {
        auto reader = Workbook::Reader::open(workbook);
        reader->readRows(1, rows, Columns, [&](int, const QList<Workbook::Cell> &cells) {
            QStringList texts;
            for (const Workbook::Cell &c : cells)
                texts << Workbook::cellText(c);
            named += texts.at(1).isEmpty() ? 0 : 1;
            return true;
        });
    } catch (const Workbook::Error &e) {
        std::fprintf(stderr, "read failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("%.6f %ld %d\n", timer.nsecsElapsed() / 1e9, peakKb(), named);
    return 0;
}

bool ok(sqlite3 *db, int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    return false;
}

// The floor: the same reader, the rows inserted with one prepared
// statement through SQLite's C API in one transaction.
int runCApi(const QString &folder, const QString &workbook, int rows)
{
    freshDatabase(folder);
    const QByteArray file = QDir(folder).filePath(QStringLiteral("jsbdbf.mdb")).toUtf8();
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    if (!ok(db, sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr)))
        return 1;
    sqlite3_exec(db, "pragma journal_mode=delete", nullptr, nullptr, nullptr);
    if (!ok(db, sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr)))
        return 1;
    QByteArray sql = "insert into tongxunlb(txlid,lrrq";
    for (const QString &c : PhoneBookImport::columns())
        sql += ',' + c.toLatin1();
    sql += ") values (?,?" + QByteArray(Columns * 2, ',').replace(",,", ",?") + ")";
    sqlite3_stmt *insert = nullptr;
    if (!ok(db, sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr)))
        return 1;
    const QByteArray today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toUtf8();
    int counter = 1, added = 0;
    bool good = true;
    try {
        auto reader = Workbook::Reader::open(workbook);
        reader->readRows(1, rows, Columns, [&](int, const QList<Workbook::Cell> &cells) {
            QList<QByteArray> texts;
            for (const Workbook::Cell &c : cells)
                texts << Workbook::cellText(c).toUtf8();
            if (!texts.at(1).isEmpty()) {
                const QByteArray id = "TXL-" + QByteArray::number(counter);
                sqlite3_bind_text(insert, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(insert, 2, today.constData(), int(today.size()), SQLITE_STATIC);
                for (int c = 0; c < Columns; ++c)
                    sqlite3_bind_text(insert, c + 3, texts[c].constData(), int(texts[c].size()), SQLITE_TRANSIENT);
                good = good && ok(db, sqlite3_step(insert));
                sqlite3_reset(insert);
                ++added;
            }
            ++counter;
            return good;
        });
    } catch (const Workbook::Error &e) {
        std::fprintf(stderr, "read failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    sqlite3_finalize(insert);
    const QByteArray bump = "update xmidb set xmid=xmid+" + QByteArray::number(counter - 1) + " where xmfl=3";
    good = good && ok(db, sqlite3_exec(db, bump.constData(), nullptr, nullptr, nullptr))
        && ok(db, sqlite3_exec(db, "commit", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    if (!good)
        return 1;
    std::printf("%.6f %ld %d\n", timer.nsecsElapsed() / 1e9, peakKb(), added);
    return 0;
}

struct Run {
    double seconds = -1;
    long peakKb = 0;
    int contacts = 0;
};

// Runs this program again as `mode` in a fresh folder and reads its line.
Run child(const QString &self, const char *mode, const QString &folder, const QString &workbook, int rows)
{
    QDir(folder).removeRecursively();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(self, {QString::fromLatin1(mode), folder, workbook, QString::number(rows)});
    p.waitForFinished(-1);
    Run r;
    const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
    if (p.exitCode() == 0 && f.size() == 3) {
        r.seconds = f[0].toDouble();
        r.peakKb = f[1].toLong();
        r.contacts = f[2].toInt();
    }
    return r;
}

// The median of `runs` alternating runs of each.
void compare(const QString &self, const char *label, const QString &dir, const QString &workbook, int rows, int runs)
{
    std::vector<double> import, floor, read;
    Run lastImport, lastFloor, lastRead;
    for (int i = 0; i < runs; ++i) {
        lastImport = child(self, "--import", dir + QStringLiteral("/i"), workbook, rows);
        lastFloor = child(self, "--capi", dir + QStringLiteral("/c"), workbook, rows);
        lastRead = child(self, "--read", dir + QStringLiteral("/r"), workbook, rows);
        if (lastImport.seconds < 0 || lastFloor.seconds < 0 || lastRead.seconds < 0) {
            std::printf("%-6s %6d rows: a run failed\n", label, rows);
            return;
        }
        import.push_back(lastImport.seconds);
        floor.push_back(lastFloor.seconds);
        read.push_back(lastRead.seconds);
    }
    const auto median = [](std::vector<double> &v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double mi = median(import), mf = median(floor), mr = median(read);
    std::printf("%-6s %6d rows: import %6.3f s (%d contacts, peak %3ld MB)   C API %6.3f s (%d contacts, peak %3ld MB)"
                "   ratio %.2f %s   [reading alone %.3f s, peak %ld MB]\n",
                label, rows, mi, lastImport.contacts, lastImport.peakKb / 1024, mf, lastFloor.contacts,
                lastFloor.peakKb / 1024, mi / mf, mi / mf <= 2.0 ? "(within 2)" : "(OUTSIDE 2)", mr,
                lastRead.peakKb / 1024);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && argv[1][0] == '-' && argv[1][1] == '-') {
        QCoreApplication app(argc, argv);
        const QString folder = QString::fromLocal8Bit(argv[2]);
        const QString workbook = QString::fromLocal8Bit(argv[3]);
        const int rows = std::atoi(argv[4]);
        if (std::strcmp(argv[1], "--import") == 0)
            return runImport(folder, workbook, rows);
        if (std::strcmp(argv[1], "--capi") == 0)
            return runCApi(folder, workbook, rows);
        if (std::strcmp(argv[1], "--read") == 0)
            return runRead(workbook, rows);
        return 2;
    }
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
        // Only the workbooks, kept for profiling a run by hand.
        const int n = std::atoi(argv[3]);
        const QDir out(QString::fromLocal8Bit(argv[2]));
        return BenchBooks::writeXlsx(out.filePath(QStringLiteral("book.xlsx")), n, Columns, "通讯录", cellFor)
                       && BenchBooks::writeXls(out.filePath(QStringLiteral("book.xls")), std::min(n, 65536), Columns,
                                               QStringLiteral("通讯录"), cellFor)
                   ? 0
                   : 1;
    }
    const int rows = argc > 1 ? std::max(4, std::atoi(argv[1])) : 10000;
    const int xlsRows = std::min(rows, 65536);
    QTemporaryDir dir;
    const QString self = QCoreApplication::applicationFilePath();
    struct Book {
        const char *label;
        int rows;
        QString path;
    };
    QList<Book> books;
    for (int n : {rows / 4, rows}) {
        books.append({".xlsx", n, dir.filePath(QStringLiteral("book%1.xlsx").arg(n))});
        books.append({".xls", std::min(n, xlsRows), dir.filePath(QStringLiteral("book%1.xls").arg(n))});
    }
    std::fflush(stdout);
    const pid_t writer = fork();
    if (writer == 0) {
        bool good = true;
        for (const Book &b : books)
            good = good
                && (std::strcmp(b.label, ".xls") == 0
                        ? BenchBooks::writeXls(b.path, b.rows, Columns, QStringLiteral("通讯录"), cellFor)
                        : BenchBooks::writeXlsx(b.path, b.rows, Columns, "通讯录", cellFor));
        _exit(good ? 0 : 1);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not write the workbooks\n");
        return 1;
    }
    std::printf("phone book of %d rows x %d columns; median of 3 runs each, every run a fresh process\n", rows, Columns);
    for (const Book &b : books)
        compare(self, b.label, dir.filePath(QStringLiteral("db")), b.path, b.rows, 3);
    return 0;
}
