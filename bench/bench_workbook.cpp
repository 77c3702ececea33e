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
#include <gsf/gsf-outfile-msole.h> // glib before Qt
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <xlsxwriter.h>

#include "formats/workbook.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

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

// The text of column `c` (0-based) of row `r`: names, addresses, notes; the
// other columns are numbers (phone numbers, postcodes) or a date.
QString textFor(int r, int c)
{
    switch (c) {
    case 0: return QString::fromUtf8(surnames[r % 10]) + QString::fromUtf8(given[(r / 10) % 12]) + QString::fromUtf8(given[(r / 7) % 12]);
    case 3: return QString::fromUtf8(cities[r % 5]) + QStringLiteral("%1号").arg(r % 300 + 1);
    case 4: return QStringLiteral("user%1@example.com").arg(r);
    default: return QStringLiteral("备注%1-%2").arg(c).arg(r % 977);
    }
}
bool isNumberColumn(int c) { return c == 1 || c == 2 || c == 5 || c == 6; }
double numberFor(int r, int c) { return c == 1 ? 13800000000.0 + r : c == 2 ? 1000000 + r : c == 5 ? 100000 + r % 900000 : r * 1.5; }
constexpr int DateColumn = 7;
double serialFor(int r) { return 25000 + r % 15000; }

bool writeXlsx(const QString &path, int rows)
{
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, "通讯录");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < Columns; ++c) {
            if (isNumberColumn(c))
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), numberFor(r, c), nullptr);
            else if (c == DateColumn)
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), serialFor(r), date);
            else
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), textFor(r, c).toUtf8().constData(), nullptr);
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

QByteArray le16(int v) { QByteArray b(2, '\0'); qToLittleEndian<quint16>(quint16(v), b.data()); return b; }
QByteArray le32(quint32 v) { QByteArray b(4, '\0'); qToLittleEndian<quint32>(v, b.data()); return b; }
QByteArray f64(double v) { quint64 bits; std::memcpy(&bits, &v, 8); QByteArray b(8, '\0'); qToLittleEndian<quint64>(bits, b.data()); return b; }
QByteArray record(int id, const QByteArray &data) { return le16(id) + le16(int(data.size())) + data; }

// The SST record and its CONTINUE records, split as Excel splits them: a
// string's characters that run into the next record start it with a flag.
QByteArray sstRecords(const QStringList &strings)
{
    constexpr int Max = 8224;
    QList<QByteArray> records{le32(quint32(strings.size())) + le32(quint32(strings.size()))};
    for (const QString &s : strings) {
        if (records.last().size() + 3 + 2 > Max)
            records << QByteArray();
        records.last() += le16(int(s.size())) + char(1);
        qsizetype done = 0;
        while (done < s.size()) {
            qsizetype room = (Max - records.last().size()) / 2;
            if (room <= 0) {
                records << QByteArray(1, 1);
                continue;
            }
            const qsizetype n = qMin(room, s.size() - done);
            QByteArray chars(n * 2, '\0');
            qToLittleEndian<quint16>(s.utf16() + done, n, chars.data());
            records.last() += chars;
            done += n;
        }
    }
    QByteArray out = record(0x00FC, records.first());
    for (int i = 1; i < records.size(); ++i)
        out += record(0x003C, records[i]);
    return out;
}

QByteArray biffWorkbook(int rows)
{
    QStringList strings;
    QHash<QString, int> index;
    QByteArray cells;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < Columns; ++c) {
            const QByteArray head = le16(r) + le16(c);
            if (isNumberColumn(c)) {
                cells += record(0x0203, head + le16(0) + f64(numberFor(r, c)));
            } else if (c == DateColumn) {
                cells += record(0x0203, head + le16(1) + f64(serialFor(r)));
            } else {
                const QString s = textFor(r, c);
                auto it = index.find(s);
                if (it == index.end()) {
                    it = index.insert(s, int(strings.size()));
                    strings << s;
                }
                cells += record(0x00FD, head + le16(0) + le32(quint32(*it)));
            }
        }
    }
    const QByteArray tail(12, '\0');
    const QByteArray xf0 = record(0x00E0, le16(0) + le16(0) + QByteArray(16, '\0'));
    const QByteArray xfDate = record(0x00E0, le16(0) + le16(14) + QByteArray(16, '\0'));
    QByteArray name = QByteArray(1, 3) + char(1);
    for (char16_t u : u"通讯录")
        name += le16(u);
    const QByteArray head = record(0x0809, le16(0x0600) + le16(0x0005) + tail) + record(0x0042, le16(1200)) + xf0 + xfDate;
    const QByteArray sst = sstRecords(strings);
    const QByteArray eof = record(0x000A, {});
    const quint32 offset = quint32(head.size() + sst.size() + 4 + 6 + name.size() + eof.size());
    return head + sst + record(0x0085, le32(offset) + char(0) + char(0) + name) + eof
        + record(0x0809, le16(0x0600) + le16(0x0010) + tail) + cells + eof;
}

bool writeXls(const QString &path, int rows)
{
    const QByteArray stream = biffWorkbook(rows);
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!sink)
        return false;
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    GsfOutput *child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
    gsf_output_close(child);
    g_object_unref(child);
    const bool ok = gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(sink);
    return ok;
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
        _exit(writeXlsx(xlsx, rows) && writeXls(xls, qMin(rows, 65536)) ? 0 : 1);
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
