// Note search on a large notebook: 100,000 notes of a few hundred Chinese
// characters each. Times the search as the note search window runs it (the
// statement opened on ADOQjsb and the grid filled and painted at both ends)
// against the same statement read to the end through SQLite's C API, in the
// same run, and reports the memory the open result takes.
//
//   bench_notes_search [notes]        default 100000
#include "data/unitpath.h"
#include "data/schema.h"
#include "data/unitdm.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <sqlite3.h>

namespace {

const QString kFilter = QStringLiteral("会议");

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void fill(const QString &file, int notes)
{
    static const QString pool = QStringLiteral(
        "今天天气很好我们一起去公园散步看到许多孩子在草地上玩耍老人在树下下棋年轻人跑步锻炼身体"
        "工作学习生活家人朋友时间计划总结记录心情读书电影音乐旅行城市乡村山水春夏秋冬早晨晚上"
        "中午周末假期节日医院学校公司银行超市车站机场电话邮件消息问题办法结果开始结束重要简单");
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(file).constData(), &db), db, "open");
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz) "
                             "values(?,?,?,?,'',?,?,?,?)",
                             -1, &st, nullptr),
          db, "prepare");
    QRandomGenerator rng(20261209);
    const QStringList categories = {QStringLiteral("工作"), QStringLiteral("学习"), QStringLiteral("生活"),
                                    QStringLiteral("家人"), QStringLiteral("朋友")};
    const QStringList weather = {QStringLiteral("晴天"), QStringLiteral("阴天"), QStringLiteral("雨天"),
                                 QStringLiteral("雪天"), QString()};
    const QDate first(2015, 1, 1);
    for (int i = 0; i < notes; ++i) {
        QString content;
        const int lines = 3 + rng.bounded(5);
        for (int l = 0; l < lines; ++l) {
            const int len = 30 + rng.bounded(50);
            for (int c = 0; c < len; ++c)
                content += pool.at(rng.bounded(pool.size()));
            if (rng.bounded(12) == 0)
                content += kFilter; // about a third of the notes mention it
            content += QStringLiteral("\r\n");
        }
        const QByteArray id = QStringLiteral("JS-%1").arg(i + 1).toUtf8();
        const QByteArray date = DbDateTime::fromDate(first.addDays(rng.bounded(4000))).toUtf8();
        const QByteArray time = DbDateTime::fromTime(QTime(0, 0).addSecs(rng.bounded(86400))).toUtf8();
        const QByteArray cat = categories.at(rng.bounded(5)).toUtf8();
        const QByteArray title = QStringLiteral("第%1篇记事").arg(i + 1).toUtf8();
        const QByteArray text = content.toUtf8();
        const QByteArray tq = weather.at(rng.bounded(5)).toUtf8();
        const QByteArray bz = QStringLiteral("备注%1").arg(i % 97).toUtf8();
        const QByteArray *values[] = {&id, &date, &time, &cat, &title, &text, &tq, &bz};
        for (int k = 0; k < 8; ++k)
            sqlite3_bind_text(st, k + 1, values[k]->constData(), int(values[k]->size()), SQLITE_TRANSIENT);
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

const QStringList kLines = {QStringLiteral("select  *  from  jsbnrb"),
                            QStringLiteral("where jsrq >=:qrq  and  jsrq <= :zrq"),
                            QStringLiteral("and   jsfl like :fl"), QStringLiteral("and   jsnr like :jl"),
                            QStringLiteral("order  by  zdbh  desc")};

// The same statement through the C API, every column of every row read.
double rawSearch(const QString &file, qint64 *rows)
{
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = kLines.join(QLatin1Char('\n')).toUtf8();
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db, "prepare");
    const QByteArray from = DbDateTime::fromDate(QDate(2015, 1, 1)).toUtf8();
    const QByteArray to = DbDateTime::fromDate(QDate(2030, 12, 31)).toUtf8();
    const QByteArray fl = QByteArray("%%");
    const QByteArray jl = (QStringLiteral("%") + kFilter + QStringLiteral("%")).toUtf8();
    sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, ":qrq"), from.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, ":zrq"), to.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, ":fl"), fl.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, ":jl"), jl.constData(), -1, SQLITE_STATIC);
    qint64 n = 0;
    size_t bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(st, c);
            bytes += size_t(sqlite3_column_bytes(st, c));
        }
        ++n;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    *rows = n;
    return double(t.nsecsElapsed()) / 1e6 + 0 * double(bytes);
}

double datasetSearch(TXMDBGrid &grid, qint64 *rows, size_t *heapBytes)
{
    Dataset *q = DM->ADOQjsb;
    q->close();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    QElapsedTimer t;
    t.start();
    q->setSql(kLines);
    q->bind(QStringLiteral("qrq"), QDate(2015, 1, 1));
    q->bind(QStringLiteral("zrq"), QDate(2030, 12, 31));
    q->bind(QStringLiteral("fl"), QStringLiteral("%%"));
    q->bind(QStringLiteral("jl"), QStringLiteral("%") + kFilter + QStringLiteral("%"));
    q->setPrepared(true);
    q->open();
    grid.viewport()->repaint();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    grid.viewport()->repaint();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    *rows = q->rowCount();
    *heapBytes = mallinfo2().uordblks - before;
    grid.verticalScrollBar()->setValue(0);
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QElapsedTimer build;
    build.start();
    fill(file, notes);
    std::printf("built %d notes in %.1f s (%.1f MB)\n", notes, double(build.elapsed()) / 1000,
                double(QFileInfo(file).size()) / 1e6);

    setAppPath(QDir::toNativeSeparators(dir.path()));
    DM = new TDM();
    TXMDBGrid grid;
    grid.setDataSource(DM->DS_ADOQjsb);
    grid.setColumns({{QStringLiteral("jsfl"), QStringLiteral("分类"), 112},
                     {QStringLiteral("jsrq"), QStringLiteral("记事日期"), 113},
                     {QStringLiteral("jssj"), QStringLiteral("记事时间"), 74},
                     {QStringLiteral("jsbt"), QStringLiteral("记事标题"), 176},
                     {QStringLiteral("jstq"), QStringLiteral("天气"), 48},
                     {QStringLiteral("jsbz"), QStringLiteral("备注"), 216}});
    grid.resize(855, 400);
    grid.show();

    // Warm the file cache and the connection once, then take the best of five.
    qint64 rawRows = 0, rows = 0;
    size_t heap = 0;
    rawSearch(file, &rawRows);
    datasetSearch(grid, &rows, &heap);
    double bestRaw = 1e18, best = 1e18;
    for (int i = 0; i < 5; ++i) {
        bestRaw = std::min(bestRaw, rawSearch(file, &rawRows));
        best = std::min(best, datasetSearch(grid, &rows, &heap));
    }
    std::printf("rows found: %lld (C API %lld)\n", static_cast<long long>(rows), static_cast<long long>(rawRows));
    std::printf("C API, read to the end:        %8.1f ms\n", bestRaw);
    std::printf("search, open to grid filled:    %8.1f ms  (%.2f x)\n", best, best / bestRaw);
    std::printf("memory of the open result:      %8.1f MB  (%.0f bytes a row)\n", double(heap) / 1e6,
                rows ? double(heap) / double(rows) : 0.0);
    delete DM;
    DM = nullptr;
    return best <= 1.5 * bestRaw ? 0 : 1;
}
