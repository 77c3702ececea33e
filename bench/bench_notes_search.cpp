// The searches on a large database: the note search over 100,000 notes of a
// few hundred Chinese characters each (the content filter), the memo search
// over 50,000 memos (the same) and the contact search over 20,000 contacts
// listed whole in pinyin order. Each is timed as its search window runs it
// (the statement opened on the shared dataset and the grid filled and
// painted at both ends) against the same statement read to the end through
// SQLite's C API, in turns in the same run; reported by medians, with the
// memory the open result takes and the peak memory of each side.
//
//   bench_notes_search [notes] [memos] [contacts]   default 100000 50000 20000
#include "benchdata.h"
#include "benchsupport.h"

#include "data/schema.h"
#include "data/sqlite.h"
#include "data/unitdm.h"
#include "data/unitpath.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

using namespace BenchData;
using namespace BenchSupport;

namespace {

// A search as its window runs it: the dataset, the statement's lines, the
// values bound by name (dates as their stored text for the C API) and the
// grid's columns.
struct SearchCase {
    const char *name;
    Dataset *dataset;
    QStringList lines;
    QList<QPair<QString, QVariant>> values;
    QStringList columns;
    double target; // at most this many times the C API read
};

// The same statement through the C API, every column of every row read.
double rawSearch(const QString &file, const SearchCase &c, qint64 *rows)
{
    malloc_trim(0); // as before the dataset's run: both start from a trimmed heap
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    registerPinyinCollation(db); // the contact columns' collation, as the program registers it
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = c.lines.join(QLatin1Char('\n')).toUtf8();
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db, "prepare");
    for (const auto &[name, value] : c.values) {
        const QByteArray text = toDbValue(value).toString().toUtf8();
        sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, (':' + name).toUtf8().constData()), text.constData(),
                          int(text.size()), SQLITE_TRANSIENT);
    }
    qint64 n = 0;
    size_t bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int k = 0; k < columns; ++k) {
            sqlite3_column_text(st, k);
            bytes += size_t(sqlite3_column_bytes(st, k));
        }
        ++n;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    *rows = n;
    return double(t.nsecsElapsed()) / 1e6 + 0 * double(bytes);
}

double datasetSearch(TXMDBGrid &grid, const SearchCase &c, qint64 *rows, size_t *heapBytes)
{
    Dataset *q = c.dataset;
    q->close();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    QElapsedTimer t;
    t.start();
    q->setSql(c.lines);
    for (const auto &[name, value] : c.values)
        q->bind(name, value);
    q->setPrepared(true);
    q->open();
    grid.viewport()->repaint();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    grid.viewport()->repaint();
    const double ms = msSince(t);
    *rows = q->rowCount();
    *heapBytes = mallinfo2().uordblks - before;
    grid.verticalScrollBar()->setValue(0);
    return ms;
}

bool runCase(const QString &file, const SearchCase &c)
{
    TXMDBGrid grid;
    grid.setDataSource(DM->findChild<DataSource *>(QStringLiteral("DS_") + c.dataset->objectName()));
    QList<GridColumn> columns;
    for (const QString &f : c.columns)
        columns.append({f, f, 100});
    grid.setColumns(columns);
    grid.resize(855, 400);
    grid.show();
    qint64 rawRows = 0, rows = 0;
    size_t heap = 0;
    Runs raw, search;
    inTurns(7, raw, search, [&] { return rawSearch(file, c, &rawRows); },
            [&] { return datasetSearch(grid, c, &rows, &heap); });
    std::printf("%s: rows found %lld (C API %lld)\n", c.name, static_cast<long long>(rows),
                static_cast<long long>(rawRows));
    printRuns("C API, read to the end:", raw);
    printRuns("search, open to grid filled:", search);
    const bool within = printRatio("search against the C API:", search, raw, c.target);
    std::printf("  %-34s %9.1f MB  (%.0f bytes a row)\n", "memory of the open result:", double(heap) / 1e6,
                rows ? double(heap) / double(rows) : 0.0);
    c.dataset->close();
    return within && rows == rawRows;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int memos = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 50000;
    const int contacts = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 20000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QElapsedTimer build;
    build.start();
    fillNotes(file, notes);
    fillMemos(file, memos);
    fillContacts(file, contacts);
    std::printf("built %d notes, %d memos and %d contacts in %.1f s (%.1f MB)\n", notes, memos, contacts,
                double(build.elapsed()) / 1000, double(QFileInfo(file).size()) / 1e6);

    setAppPath(QDir::toNativeSeparators(dir.path()));
    DM = new TDM();
    const QString anyText = QStringLiteral("%%");
    const QString content = QStringLiteral("%") + kSearchedWord + QStringLiteral("%");
    const QList<SearchCase> cases = {
        {"note search, content filter", DM->ADOQjsb,
         {QStringLiteral("select  *  from  jsbnrb"), QStringLiteral("where jsrq >=:qrq  and  jsrq <= :zrq"),
          QStringLiteral("and   jsfl like :fl"), QStringLiteral("and   jsnr like :jl"),
          QStringLiteral("order  by  zdbh  desc")},
         {{QStringLiteral("qrq"), QDate(2015, 1, 1)}, {QStringLiteral("zrq"), QDate(2030, 12, 31)},
          {QStringLiteral("fl"), anyText}, {QStringLiteral("jl"), content}},
         {"jsfl", "jsrq", "jssj", "jsbt", "jstq", "jsbz"},
         1.0},
        {"memo search, content filter", DM->ADOQbwlb,
         {QStringLiteral("select  *  from  bwlnrb"), QStringLiteral("where bwlrq >=:qrq  and  bwlrq <= :zrq"),
          QStringLiteral("and   bwlfl like :fl"), QStringLiteral("and   bwlnr like :jl"),
          QStringLiteral("order  by  zdbh  desc")},
         {{QStringLiteral("qrq"), QDate(2015, 1, 1)}, {QStringLiteral("zrq"), QDate(2030, 12, 31)},
          {QStringLiteral("fl"), anyText}, {QStringLiteral("jl"), content}},
         {"bwlfl", "bwlrq", "bwlsj", "bwlzt", "txqrq"},
         1.0},
        // The contact search with its three boxes empty: every contact,
        // ordered by category and name in pinyin.
        {"contact search, every contact", DM->ADOQtongxunlb,
         {QStringLiteral("select  *  from  tongxunlb"), QStringLiteral("where  fenl like :fl"),
          QStringLiteral("and xingm  like  :xm "), QStringLiteral("and gzdw  like  :dw "),
          QStringLiteral("order  by fenl, xingm")},
         {{QStringLiteral("fl"), anyText}, {QStringLiteral("xm"), anyText}, {QStringLiteral("dw"), anyText}},
         {"fenl", "xingm", "xingb", "nianl", "gzdw", "jig", "address", "zhiw", "bangdh", "yidongdh", "zhuzhaidh",
          "chuanz", "email", "qq", "shengr", "teshujnr", "aihao", "techang", "beizhu"},
         1.5},
    };
    bool within = true;
    for (const SearchCase &c : cases)
        within = runCase(file, c) && within;
    delete DM;
    DM = nullptr;
    return within ? 0 : 1;
}
