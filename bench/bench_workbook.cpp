// Workbook import reading: a phone-book-like sheet of 10,000 rows x 19
// columns written as .xlsx (libxlsxwriter) and as .xls (BIFF8 written here,
// in an OLE2 container through libgsf), then read back whole through
// Workbook::Reader. Prints rows per second and the peak memory of each read.
// The files are written in a child process and each read runs in a fresh
// one (this program started again with --read): the peak that getrusage
// gives a process carries over from the process it was forked from, so
// this one stays small.
//
//   bench_workbook [rows]   default 10000; an .xls holds at most 65536
#include "workbookwriters.h" // glib before Qt

#include "formats/workbook.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Columns = 19;

const char *const surnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
const char *const given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"};
const char *const cities[] = {"北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区", "杭州市西湖区"};

// The cell of column `c` (0-based) of row `r`: names, addresses, notes;
// numbers (phone numbers, postcodes) and a date in the other columns.
BenchBooks::Cell cellFor(int r, int c)
{
    switch (c) {
    case 0: return BenchBooks::text(QString::fromUtf8(surnames[r % 10]) + QString::fromUtf8(given[(r / 10) % 12]) + QString::fromUtf8(given[(r / 7) % 12]));
    case 1: return BenchBooks::number(13800000000.0 + r);
    case 2: return BenchBooks::number(1000000 + r);
    case 3: return BenchBooks::text(QString::fromUtf8(cities[r % 5]) + QStringLiteral("%1号").arg(r % 300 + 1));
    case 4: return BenchBooks::text(QStringLiteral("user%1@example.com").arg(r));
    case 5: return BenchBooks::number(100000 + r % 900000);
    case 6: return BenchBooks::number(r * 1.5);
    case 7: return BenchBooks::date(25000 + r % 15000);
    default: return BenchBooks::text(QStringLiteral("备注%1-%2").arg(c).arg(r % 977));
    }
}

// Reads the whole sheet and prints the figures of this process.
int readWhole(const char *label, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    long rows = 0;
    qint64 characters = 0;
    try {
        auto reader = Workbook::Reader::open(path);
        const int last = reader->rowCount();
        reader->readRows(1, last, Columns, [&](int, const QList<Workbook::Cell> &cells) {
            ++rows;
            for (const Workbook::Cell &c : cells)
                characters += Workbook::cellText(c).size();
            return true;
        });
    } catch (const Workbook::Error &e) {
        std::printf("%-6s failed: %s\n", label, qPrintable(e.text()));
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-6s %7ld rows  %7.3f s  %9.0f rows/s  peak %4ld MB  (%lld characters of text)\n", label, rows,
                seconds, rows / seconds, usage.ru_maxrss / 1024, static_cast<long long>(characters));
    return 0;
}

// Runs this program again with --read on `path`, and waits for it.
void timeRead(const char *self, const char *label, const QString &path)
{
    std::fflush(stdout);
    const QByteArray file = QFile::encodeName(path);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self, self, "--read", label, file.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0)
        return readWhole(argv[2], QString::fromLocal8Bit(argv[3]));
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    gsf_init();
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("contacts.xlsx"));
    const QString xls = dir.filePath(QStringLiteral("contacts.xls"));
    std::fflush(stdout);
    const pid_t writer = fork();
    if (writer == 0)
        _exit(BenchBooks::writeXlsx(xlsx, rows, Columns, "通讯录", cellFor)
                      && BenchBooks::writeXls(xls, qMin(rows, 65536), Columns, QStringLiteral("通讯录"), cellFor)
                  ? 0
                  : 1);
    int status = 0;
    waitpid(writer, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not write the workbooks\n");
        return 1;
    }
    std::printf("%d rows x %d columns (.xls at most 65536): .xlsx %lld KB, .xls %lld KB\n", rows, Columns,
                static_cast<long long>(QFile(xlsx).size() / 1024), static_cast<long long>(QFile(xls).size() / 1024));
    timeRead(argv[0], ".xlsx", xlsx);
    timeRead(argv[0], ".xls", xls);
    return 0;
}
