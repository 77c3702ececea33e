// The records of the benchmarks' large databases, written straight through
// SQLite's C API: notes and memos of a few hundred Chinese characters,
// contacts, and pictures of random bytes. Every value comes from a seeded
// generator, so every run builds the same database.
#pragma once

#include "data/database.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

namespace BenchData {

// The word the content searches look for: about a third of the notes and
// memos mention it.
inline const QString kSearchedWord = QStringLiteral("会议");

inline void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Inserts `rows` rows through the statement `sql` in one transaction;
// `bindRow(st, i)` binds the values of row i.
template <class BindRow>
inline void insertRows(const QString &file, const char *sql, int rows, BindRow bindRow)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(file).constData(), &db), db, "open");
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, "prepare");
    for (int i = 0; i < rows; ++i) {
        bindRow(st, i);
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

inline void bindTexts(sqlite3_stmt *st, const QStringList &values)
{
    for (int k = 0; k < values.size(); ++k) {
        const QByteArray v = values.at(k).toUtf8();
        sqlite3_bind_text(st, k + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
}

// Three to seven lines of 30 to 80 characters.
inline QString chineseText(QRandomGenerator &rng)
{
    static const QString pool = QStringLiteral(
        "今天天气很好我们一起去公园散步看到许多孩子在草地上玩耍老人在树下下棋年轻人跑步锻炼身体"
        "工作学习生活家人朋友时间计划总结记录心情读书电影音乐旅行城市乡村山水春夏秋冬早晨晚上"
        "中午周末假期节日医院学校公司银行超市车站机场电话邮件消息问题办法结果开始结束重要简单");
    QString content;
    const int lines = 3 + rng.bounded(5);
    for (int l = 0; l < lines; ++l) {
        const int len = 30 + rng.bounded(50);
        for (int c = 0; c < len; ++c)
            content += pool.at(rng.bounded(pool.size()));
        if (rng.bounded(12) == 0)
            content += kSearchedWord;
        content += QStringLiteral("\r\n");
    }
    return content;
}

inline void fillNotes(const QString &file, int notes)
{
    QRandomGenerator rng(20261209);
    const QStringList categories = {QStringLiteral("工作"), QStringLiteral("学习"), QStringLiteral("生活"),
                                    QStringLiteral("家人"), QStringLiteral("朋友")};
    const QStringList weather = {QStringLiteral("晴天"), QStringLiteral("阴天"), QStringLiteral("雨天"),
                                 QStringLiteral("雪天"), QString()};
    const QDate first(2015, 1, 1);
    insertRows(file,
               "insert into jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz) "
               "values(?,?,?,?,'',?,?,?,?)",
               notes, [&](sqlite3_stmt *st, int i) {
                   const QString content = chineseText(rng);
                   bindTexts(st, {QStringLiteral("JS-%1").arg(i + 1),
                                  DbDateTime::fromDate(first.addDays(rng.bounded(4000))),
                                  DbDateTime::fromTime(QTime(0, 0).addSecs(rng.bounded(86400))),
                                  categories.at(rng.bounded(5)), QStringLiteral("第%1篇记事").arg(i + 1), content,
                                  weather.at(rng.bounded(5)), QStringLiteral("备注%1").arg(i % 97)});
               });
}

inline void fillContacts(const QString &file, int contacts)
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
    QRandomGenerator rng(20261210);
    const auto digits = [&rng](int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(u'0' + rng.bounded(10));
        return s;
    };
    const char *const insert = "insert into tongxunlb(txlid,lrrq,xingm,xingb,nianl,jig,gzdw,zhiw,fenl,address,bangdh,"
                               "yidongdh,zhuzhaidh,chuanz,email,qq,shengr,teshujnr,aihao,techang,beizhu) "
                               "values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    insertRows(file, insert, contacts, [&](sqlite3_stmt *st, int i) {
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
        bindTexts(st, values);
    });
}

inline void fillMemos(const QString &file, int memos)
{
    QRandomGenerator rng(20261211);
    const QStringList categories = {QStringLiteral("工作"), QStringLiteral("学习"), QStringLiteral("生活"),
                                    QStringLiteral("家人"), QStringLiteral("朋友")};
    const QDate first(2015, 1, 1);
    insertRows(file,
               "insert into bwlnrb(bwlid,xh,bwlfl,bwlzt,bwlrq,bwlsj,bwlnr,sftx,txqrq,txzrq) "
               "values(?,0,?,?,?,?,?,?,?,?)",
               memos, [&](sqlite3_stmt *st, int i) {
                   const bool reminder = rng.bounded(5) == 0;
                   const QDate day = first.addDays(rng.bounded(4000));
                   bindTexts(st, {QStringLiteral("BWL-%1").arg(i + 1), categories.at(rng.bounded(5)),
                                  QStringLiteral("第%1条备忘").arg(i + 1), DbDateTime::fromDate(day),
                                  DbDateTime::fromTime(QTime(0, 0).addSecs(rng.bounded(86400))), chineseText(rng)});
                   sqlite3_bind_int(st, 7, reminder ? 1 : 0);
                   for (int k : {8, 9}) {
                       if (reminder) {
                           const QByteArray d = DbDateTime::fromDate(day.addDays(k == 8 ? 7 : 14)).toUtf8();
                           sqlite3_bind_text(st, k, d.constData(), int(d.size()), SQLITE_TRANSIENT);
                       } else {
                           sqlite3_bind_null(st, k);
                       }
                   }
               });
}

// Pictures of `bytes` random bytes each, three to a note (the bytes of one
// picture rotated for the next, so they differ without costing a random
// generator a byte).
inline void fillPictures(const QString &file, int pictures, int bytes)
{
    QRandomGenerator rng(20261212);
    QByteArray pool(bytes * 2, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32 *>(pool.data()), pool.size() / 4);
    insertRows(file, "insert into jstpb(js_id,tpmc,jstp) values(?,?,?)", pictures, [&](sqlite3_stmt *st, int i) {
        bindTexts(st, {QStringLiteral("JS-%1").arg(i / 3 + 1), QStringLiteral("照片%1").arg(i + 1)});
        sqlite3_bind_blob(st, 3, pool.constData() + (i * 4099) % bytes, bytes, SQLITE_STATIC);
    });
}

} // namespace BenchData
