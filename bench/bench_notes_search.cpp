// The searches on a large database: the note search over 100,000 notes of a
// few hundred Chinese characters each, and the contact search over 20,000
// contacts listed whole in pinyin order. Each is timed as its search window
// runs it (the statement opened on the shared dataset and the grid filled
// and painted at both ends) against the same statement read to the end
// through SQLite's C API, in the same run; reported with the memory the
// open result takes and the peak memory of the run.
//
//   bench_notes_search [notes] [contacts]        default 100000 20000
#include "data/unitpath.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "data/unitdm.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QFile>
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
    malloc_trim(0); // as before the dataset's run: both start from a trimmed heap
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

// --- contacts -------------------------------------------------------------------

void fillContacts(const QString &file, int contacts)
{
    static const QString surnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    static const QString given = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英华玉兰萍红鹏飞建国志强海燕雪梅晓东春梅文博浩然子涵欣怡");
    static const QStringList categories = {QStringLiteral("朋友"), QStringLiteral("同事"), QStringLiteral("同学"),
                                           QStringLiteral("家人"), QStringLiteral("客户"), QStringLiteral("老朋友"),
                                           QStringLiteral("邻居"), QStringLiteral("供应商")};
    static const QStringList places = {QStringLiteral("江苏南京"), QStringLiteral("浙江杭州"), QStringLiteral("四川成都"),
                                       QStringLiteral("湖北武汉"), QStringLiteral("广东广州"), QStringLiteral("山东济南"),
                                       QStringLiteral("河南郑州"), QStringLiteral("辽宁沈阳")};
    static const QStringList positions = {QStringLiteral("经理"), QStringLiteral("教师"), QStringLiteral("工程师"),
                                          QStringLiteral("医生"), QStringLiteral("会计"), QStringLiteral("")};
    static const QStringList hobbies = {QStringLiteral("读书"), QStringLiteral("旅行"), QStringLiteral("摄影"),
                                        QStringLiteral("下棋"), QStringLiteral("游泳"), QStringLiteral("书法"),
                                        QStringLiteral("音乐"), QStringLiteral("")};
    static const QStringList employers = {QStringLiteral("北京大学"), QStringLiteral("上海电气集团"),
                                          QStringLiteral("广州市第一人民医院"), QStringLiteral("深圳科技有限公司"),
                                          QStringLiteral("杭州师范学校"), QStringLiteral("成都银行"), QStringLiteral("")};
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(file).constData(), &db), db, "open");
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into tongxunlb(txlid,lrrq,xingm,xingb,nianl,jig,gzdw,zhiw,fenl,address,bangdh,"
                             "yidongdh,zhuzhaidh,chuanz,email,qq,shengr,teshujnr,aihao,techang,beizhu) "
                             "values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                             -1, &st, nullptr),
          db, "prepare");
    QRandomGenerator rng(20261210);
    const auto digits = [&rng](int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(u'0' + rng.bounded(10));
        return s;
    };
    for (int i = 0; i < contacts; ++i) {
        QString name = surnames.at(rng.bounded(surnames.size()));
        for (int k = 0, n = 1 + rng.bounded(2); k < n; ++k)
            name += given.at(rng.bounded(given.size()));
        const QStringList values = {
            QStringLiteral("TXL-%1").arg(i + 1),
            DbDateTime::fromDate(QDate(2015, 1, 1).addDays(rng.bounded(4000))),
            name,
            rng.bounded(2) ? QStringLiteral("男") : QStringLiteral("女"),
            QString::number(18 + rng.bounded(60)),
            places.at(rng.bounded(places.size())),
            employers.at(rng.bounded(employers.size())) + (rng.bounded(3) ? QString() : QString::number(rng.bounded(90))),
            positions.at(rng.bounded(positions.size())),
            categories.at(rng.bounded(categories.size())),
            QStringLiteral("人民路%1号").arg(rng.bounded(900)),
            QStringLiteral("010-") + digits(8),
            QStringLiteral("13") + digits(9),
            digits(8),
            digits(8),
            QStringLiteral("user%1@example.com").arg(i),
            digits(9),
            QStringLiteral("%1-%2").arg(1 + rng.bounded(12)).arg(1 + rng.bounded(28)),
            rng.bounded(4) ? QString() : QStringLiteral("%1-%2").arg(1 + rng.bounded(12)).arg(1 + rng.bounded(28)),
            hobbies.at(rng.bounded(hobbies.size())) + hobbies.at(rng.bounded(hobbies.size())),
            hobbies.at(rng.bounded(hobbies.size())),
            QStringLiteral("备注%1").arg(i % 97),
        };
        for (int k = 0; k < values.size(); ++k) {
            const QByteArray v = values.at(k).toUtf8();
            sqlite3_bind_text(st, k + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

// The contact search with its three boxes empty: every contact, ordered by
// category and name in pinyin.
const QStringList kContactLines = {QStringLiteral("select  *  from  tongxunlb"), QStringLiteral("where  fenl like :fl"),
                                   QStringLiteral("and xingm  like  :xm "), QStringLiteral("and gzdw  like  :dw "),
                                   QStringLiteral("order  by fenl, xingm")};

double rawContactSearch(const QString &file, qint64 *rows)
{
    malloc_trim(0);
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    registerPinyinCollation(db); // the columns' collation, as the program registers it
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = kContactLines.join(QLatin1Char('\n')).toUtf8();
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db, "prepare");
    for (const char *p : {":fl", ":xm", ":dw"})
        sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, p), "%%", -1, SQLITE_STATIC);
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

double datasetContactSearch(TXMDBGrid &grid, qint64 *rows, size_t *heapBytes)
{
    Dataset *q = DM->ADOQtongxunlb;
    q->close();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    QElapsedTimer t;
    t.start();
    q->setSql(kContactLines);
    for (const char *p : {"fl", "xm", "dw"})
        q->bind(QString::fromLatin1(p), QStringLiteral("%%"));
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

// The peak resident memory of the process so far, in MB.
double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

struct Measured {
    double raw = 1e18;
    double search = 1e18;
};

// Warms the file cache and the connection once, then takes the best of
// nine, the two taken in turns (the best run is the one least disturbed by
// other work on the machine).
template <class Raw, class Search>
Measured bestOfNine(Raw raw, Search search)
{
    raw();
    search();
    Measured m;
    for (int i = 0; i < 9; ++i) {
        m.raw = std::min(m.raw, raw());
        m.search = std::min(m.search, search());
    }
    return m;
}

void report(const char *what, qint64 rows, qint64 rawRows, const Measured &m, size_t heap)
{
    std::printf("%s: rows found %lld (C API %lld)\n", what, static_cast<long long>(rows),
                static_cast<long long>(rawRows));
    std::printf("  C API, read to the end:        %8.1f ms\n", m.raw);
    std::printf("  search, open to grid filled:   %8.1f ms  (%.2f x, target within 1.5 x)\n", m.search,
                m.search / m.raw);
    std::printf("  memory of the open result:     %8.1f MB  (%.0f bytes a row)\n", double(heap) / 1e6,
                rows ? double(heap) / double(rows) : 0.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int contacts = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QElapsedTimer build;
    build.start();
    fill(file, notes);
    fillContacts(file, contacts);
    std::printf("built %d notes and %d contacts in %.1f s (%.1f MB)\n", notes, contacts,
                double(build.elapsed()) / 1000, double(QFileInfo(file).size()) / 1e6);

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
    qint64 rawRows = 0, rows = 0;
    size_t heap = 0;
    const Measured noteTimes = bestOfNine([&] { return rawSearch(file, &rawRows); },
                                          [&] { return datasetSearch(grid, &rows, &heap); });
    report("note search", rows, rawRows, noteTimes, heap);
    DM->ADOQjsb->close();

    TXMDBGrid contactGrid;
    contactGrid.setDataSource(DM->DS_ADOQtongxunlb);
    QList<GridColumn> columns;
    for (const char *f : {"fenl", "xingm", "xingb", "nianl", "gzdw", "jig", "address", "zhiw", "bangdh", "yidongdh",
                          "zhuzhaidh", "chuanz", "email", "qq", "shengr", "teshujnr", "aihao", "techang", "beizhu"})
        columns.append({QString::fromLatin1(f), QString::fromLatin1(f), 90});
    contactGrid.setColumns(columns);
    contactGrid.resize(833, 540);
    contactGrid.show();
    const Measured contactTimes = bestOfNine([&] { return rawContactSearch(file, &rawRows); },
                                             [&] { return datasetContactSearch(contactGrid, &rows, &heap); });
    report("contact search", rows, rawRows, contactTimes, heap);

    std::printf("peak resident memory of the run:  %8.1f MB\n", peakResidentMb());
    delete DM;
    DM = nullptr;
    const bool within = noteTimes.search <= 1.5 * noteTimes.raw && contactTimes.search <= 1.5 * contactTimes.raw;
    return within ? 0 : 1;
}
