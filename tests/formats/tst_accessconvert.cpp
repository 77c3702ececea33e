// The conversion of an Access notebook into a database of this program: the
// legacy notebook compared value by value with what it should read back,
// counters raised past identifiers in use, extra tables and columns named, a
// 70,000-character note, every way to fail leaving the old file as it was and
// nothing behind, every shared Access file converted or refused with a
// reason, the conversion in place, and quorvane-createdb --from.
#include "accessfixture.h"
#include "data/database.h"
#include "data/sqlite.h"
#include "formats/accessconvert.h"
#include "formats/accessfile.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray md5Of(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex() : QByteArray();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QVariant scalar(const QString &file, const QString &sql)
{
    const QList<QVariantMap> rows = queryFile(file, sql);
    return rows.isEmpty() ? QVariant() : rows.first().first();
}

QJsonObject expected()
{
    QFile f(testDataDir(QStringLiteral("legacy")) + QStringLiteral("/expected.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

// Whether a stored value is what expected.json lists, as this program keeps
// it: a null text as the empty text, yes/no as 0 or 1, bytes by MD5 and length.
bool sameValue(const QJsonValue &want, const QString &type, const QVariant &got)
{
    if (type.startsWith(QLatin1String("long binary"))) {
        if (want.isNull())
            return got.isNull();
        const QByteArray bytes = got.toByteArray();
        return !got.isNull() && want[QStringLiteral("length")].toInteger() == bytes.size()
               && want[QStringLiteral("md5")].toString().toLatin1()
                      == QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
    }
    if (type.startsWith(QLatin1String("text")) || type == QLatin1String("memo"))
        return got.typeId() == QMetaType::QString && got.toString() == want.toString();
    if (type == QLatin1String("yes/no"))
        return got == QVariant(qlonglong(want.toBool() ? 1 : 0));
    if (want.isNull())
        return got.isNull();
    if (type == QLatin1String("date/time"))
        return got.toString() == want.toString();
    return got == QVariant(qlonglong(want.toInteger()));
}

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quorvane-createdb");
}

} // namespace

class TestAccessConvert : public QObject {
    Q_OBJECT

private slots:
    void init();
    void legacyNotebookComesOverWhole();
    void counterBelowTheIdentifiersInUseIsRaised();
    void extraTablesAndColumnsAreNamed();
    void longNoteComesOverWhole();
    void failureLeavesNothingBehind_data();
    void failureLeavesNothingBehind();
    void everySharedAccessFileIsRefusedWithAReason_data();
    void everySharedAccessFileIsRefusedWithAReason();
    void inPlaceKeepsTheOldFileUnderAFreeName();
    void inPlaceFailureLeavesTheFolderAsItWas_data();
    void inPlaceFailureLeavesTheFolderAsItWas();
    void programConvertsFromTheCommandLine();

private:
    QTemporaryDir dir_;
    QString legacy_;
};

void TestAccessConvert::init()
{
    legacy_ = AccessFixture::legacyFile();
    if (legacy_.isEmpty())
        QSKIP("testdata/legacy is absent (../shared/testdata beside the clone); no Access notebook to convert");
}

void TestAccessConvert::legacyNotebookComesOverWhole()
{
    const QJsonObject want = expected();
    QVERIFY(!want.isEmpty());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    QStringList progressed;
    const AccessConvert::Summary summary
        = AccessConvert::convert(legacy_, file, [&](const QString &table, qint64 done, qint64 total) {
              if (done == total)
                  progressed << QStringLiteral("%1 %2").arg(table).arg(total);
              return true;
          });

    const QJsonObject tables = want[QStringLiteral("tables")].toObject();
    const QStringList order = {QStringLiteral("jsbnrb"), QStringLiteral("jsflb"), QStringLiteral("jstpb"), QStringLiteral("xmidb"),
                               QStringLiteral("bwlnrb"), QStringLiteral("tongxunlb"), QStringLiteral("yhxxb")};
    QStringList done;
    for (const QString &name : order) {
        const QJsonObject table = tables[name].toObject();
        QStringList columns, types;
        for (const QJsonValue &c : table[QStringLiteral("columns")].toArray()) {
            columns << c[0].toString();
            types << c[1].toString();
        }
        const QList<QVariantMap> rows = queryFile(file, QStringLiteral("select %1 from %2 order by %3")
                                                            .arg(columns.join(QLatin1Char(',')), name, columns.first()));
        const QJsonArray wantRows = table[QStringLiteral("rows")].toArray();
        QCOMPARE(rows.size(), wantRows.size());
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < columns.size(); ++c) {
                const QJsonValue w = wantRows[r][columns[c]];
                const QVariant got = rows[r].value(columns[c]);
                QVERIFY2(sameValue(w, types[c], got), qPrintable(QStringLiteral("%1 row %2 %3: want %4, got %5")
                                                                      .arg(name).arg(r).arg(columns[c], w.toVariant().toString(), got.toString())));
            }
        const AccessConvert::TableSummary *s = summary.table(name);
        QVERIFY(s);
        QCOMPARE(s->rows, qint64(wantRows.size()));
        done << QStringLiteral("%1 %2").arg(name).arg(wantRows.size());
    }
    QCOMPARE(progressed, done);

    // The counters as stored: none lags behind its identifiers.
    const QJsonObject counters = want[QStringLiteral("counters_expected")].toObject();
    for (const QString &kind : counters.keys())
        QCOMPARE(scalar(file, QStringLiteral("select xmid from xmidb where xmfl=%1").arg(kind)).toLongLong(),
                 counters[kind].toInteger());
    for (const AccessConvert::TableSummary &t : summary.tables)
        QVERIFY2(t.notes.isEmpty(), qPrintable(t.notes.join(QLatin1Char(' '))));
    QVERIFY(summary.ignoredTables.isEmpty());

    // New rows are numbered on from the highest key, over the gaps of deleted rows.
    SqliteDb db;
    db.open(file, SqliteDb::Mode::ReadWrite);
    db.exec(QStringLiteral("insert into jsbnrb(jsid) values ('JS-43')"));
    QCOMPARE(db.lastInsertRowId(), 43);
    db.exec(QStringLiteral("insert into yhxxb(yhcode) values ('x')"));
    QCOMPARE(db.lastInsertRowId(), 3);
    db.close();

    QCOMPARE(md5Of(legacy_), QByteArray("6723534a1f1cbeee77424bea3f3d07b5"));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("jsbdbf.mdb")});
}

void TestAccessConvert::counterBelowTheIdentifiersInUseIsRaised()
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.mdb"));
    AccessFixture::copy(legacy_, old);
    AccessFixture::setCounter(old, 1, 5);    // notes use up to JS-42
    AccessFixture::setCounter(old, 3, 27);   // contacts use up to TXL-27
    AccessFixture::setCounter(old, 2, 90);   // higher than needed: kept
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    const AccessConvert::Summary summary = AccessConvert::convert(old, file);

    auto counter = [&](int kind) { return scalar(file, QStringLiteral("select xmid from xmidb where xmfl=%1").arg(kind)).toInt(); };
    QCOMPARE(counter(1), 43);
    QCOMPARE(counter(2), 90);
    QCOMPARE(counter(3), 28);
    const QStringList notes = summary.table(QStringLiteral("xmidb"))->notes;
    QCOMPARE(notes.size(), 2);
    QVERIFY2(notes.at(0).contains(QStringLiteral("由 5 提高到 43")) && notes.at(0).contains(QStringLiteral("JS-42")), qPrintable(notes.at(0)));
    QVERIFY2(notes.at(1).contains(QStringLiteral("由 27 提高到 28")) && notes.at(1).contains(QStringLiteral("TXL-27")), qPrintable(notes.at(1)));
}

void TestAccessConvert::extraTablesAndColumnsAreNamed()
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.mdb"));
    AccessFixture::copy(legacy_, old);
    AccessFixture::addColumn(old, QStringLiteral("jsflb"), QStringLiteral("ysbh"));
    AccessFixture::makeUserTable(old, QStringLiteral("MSysACEs"));
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    const AccessConvert::Summary summary = AccessConvert::convert(old, file);

    QCOMPARE(summary.ignoredTables, QStringList{QStringLiteral("MSysACEs")});
    QCOMPARE(summary.table(QStringLiteral("jsflb"))->notes, QStringList{QStringLiteral("忽略了旧文件中多余的列:ysbh")});
    QCOMPARE(summary.table(QStringLiteral("jsflb"))->rows, 6);
    QCOMPARE(scalar(file, QStringLiteral("select flmc from jsflb where zdbh=7")).toString(), QStringLiteral("朋友's \"聚会\""));
    QVERIFY(queryFile(file, QStringLiteral("select ysbh from jsflb")).isEmpty());
    const QString lines = summary.lines().join(QLatin1Char('\n'));
    QVERIFY2(lines.contains(QStringLiteral("ysbh")) && lines.contains(QStringLiteral("MSysACEs")), qPrintable(lines));
}

void TestAccessConvert::longNoteComesOverWhole()
{
    // 70,000 characters over 35 pages: far past libmdb's own 16 KB, with line
    // ends and a character outside the Basic Multilingual Plane.
    QString text;
    for (int i = 0; text.size() < 70000; ++i)
        text += QStringLiteral("第%1行：今天天气很好，𠀀去公园散步。\r\n").arg(i, 5, 10, QLatin1Char('0'));
    text.truncate(70000);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.mdb"));
    AccessFixture::copy(legacy_, old);
    AccessFixture::setNoteContent(old, 25, text);
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    AccessConvert::convert(old, file);
    const QString stored = scalar(file, QStringLiteral("select jsnr from jsbnrb where zdbh=25")).toString();
    QCOMPARE(stored.size(), 70000);
    QCOMPARE(stored, text);
}

void TestAccessConvert::failureLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("table missing") << QStringLiteral("rename table") << QStringLiteral("没有表 yhxxb");
    QTest::newRow("column missing") << QStringLiteral("rename column") << QStringLiteral("表 jsbnrb 没有 jstq 列");
    QTest::newRow("text too long") << QStringLiteral("swap columns")
                                   << QStringLiteral("表 tongxunlb 中编号(zdbh)为 24 的记录的 bangdh 列(办公电话)有 200 个字符");
    QTest::newRow("cut short") << QStringLiteral("cut") << QStringLiteral("截断");
    QTest::newRow("last page gone") << QStringLiteral("cut pages") << QStringLiteral("表 yhxxb 应有 2 条记录,只读出 0 条");
    QTest::newRow("pages overwritten") << QStringLiteral("garbage") << QStringLiteral("已损坏");
    QTest::newRow("not Access") << QStringLiteral("sources") << QStringLiteral("不是 Access 数据库");
    QTest::newRow("target exists") << QStringLiteral("target exists") << QStringLiteral("已经存在");
    QTest::newRow("cancelled") << QStringLiteral("cancel") << QStringLiteral("转换已取消");
    QTest::newRow("disk full") << QStringLiteral("disk full") << QStringLiteral("磁盘");
}

void TestAccessConvert::failureLeavesNothingBehind()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString old = dir.filePath(QStringLiteral("old.mdb"));
    AccessFixture::copy(legacy_, old);
    const QString out = dir.filePath(QStringLiteral("new"));
    QVERIFY(QDir().mkpath(out));
    const QString file = out + QStringLiteral("/jsbdbf.mdb");
    AccessConvert::Progress progress;
    rlim_t fileSizeLimit = RLIM_INFINITY;

    if (damage == QLatin1String("rename table"))
        AccessFixture::renameTable(old, QStringLiteral("yhxxb"), QStringLiteral("yhxxc"));
    else if (damage == QLatin1String("rename column"))
        AccessFixture::renameColumn(old, QStringLiteral("jsbnrb"), QStringLiteral("jstq"), QStringLiteral("jstx"));
    else if (damage == QLatin1String("swap columns")) {
        // The remarks (up to 200 characters) now stand where the office phone (30) belongs.
        AccessFixture::renameColumn(old, QStringLiteral("tongxunlb"), QStringLiteral("beizhu"), QStringLiteral("xxxxxx"));
        AccessFixture::renameColumn(old, QStringLiteral("tongxunlb"), QStringLiteral("bangdh"), QStringLiteral("beizhu"));
        AccessFixture::renameColumn(old, QStringLiteral("tongxunlb"), QStringLiteral("xxxxxx"), QStringLiteral("bangdh"));
    } else if (damage == QLatin1String("cut"))
        QVERIFY(QFile::resize(old, 500000));
    else if (damage == QLatin1String("cut pages"))
        QVERIFY(QFile::resize(old, 194 * 4096));
    else if (damage == QLatin1String("garbage")) {
        // The data pages of the notes, over and over with one byte pattern.
        const QByteArray junk(8 * 4096, char(0xa5));
        AccessFixture::writeBytes(old, 25 * 4096, junk);
    } else if (damage == QLatin1String("sources"))
        old = testDataDir(QStringLiteral("legacy")) + QStringLiteral("/SOURCES.txt");
    else if (damage == QLatin1String("target exists"))
        AccessFixture::copy(testDataDir(QStringLiteral("legacy")) + QStringLiteral("/SOURCES.txt"), file);
    else if (damage == QLatin1String("cancel"))
        progress = [](const QString &table, qint64, qint64) { return table != QLatin1String("bwlnrb"); };
    else if (damage == QLatin1String("disk full"))
        fileSizeLimit = 200 * 1024;   // the pictures alone take more

    const QByteArray oldBefore = md5Of(old);
    const QStringList outBefore = filesIn(out);
    const QByteArray targetBefore = md5Of(file);
    QString error;
    {
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (fileSizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);   // a write past the limit fails instead of ending the process
            rlimit limited = saved;
            limited.rlim_cur = fileSizeLimit;
            setrlimit(RLIMIT_FSIZE, &limited);
        }
        try {
            AccessConvert::convert(old, file, progress);
        } catch (const DbError &e) {
            error = e.text();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
    }
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(damage == QLatin1String("target exists") || error.contains(QStringLiteral("旧文件没有改动")), qPrintable(error));
    QCOMPARE(md5Of(old), oldBefore);
    QCOMPARE(filesIn(out), outBefore);
    QCOMPARE(md5Of(file), targetBefore);
}

void TestAccessConvert::everySharedAccessFileIsRefusedWithAReason_data()
{
    AccessFixture::addSharedAccessFileRows();
}

void TestAccessConvert::everySharedAccessFileIsRefusedWithAReason()
{
    QFETCH(QString, file);
    // None of them is a notebook: each says what it lacks or what is wrong.
    QTemporaryDir dir;
    const QByteArray before = md5Of(file);
    try {
        AccessConvert::convert(file, dir.filePath(QStringLiteral("jsbdbf.mdb")));
        QFAIL("an Access file that is no notebook was converted");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("没有表 jsbnrb")) || e.text().contains(QStringLiteral("已损坏")), qPrintable(e.text()));
    }
    QCOMPARE(md5Of(file), before);
    QVERIFY(filesIn(dir.path()).isEmpty());
}

void TestAccessConvert::inPlaceKeepsTheOldFileUnderAFreeName()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    AccessFixture::copy(legacy_, file);
    // What an earlier conversion left is never overwritten.
    const QString earlier = dir.filePath(QStringLiteral("jsbdbf-access.mdb"));
    AccessFixture::copy(testDataDir(QStringLiteral("legacy")) + QStringLiteral("/SOURCES.txt"), earlier);
    const QByteArray earlierMd5 = md5Of(earlier);

    const AccessConvert::InPlaceResult result = AccessConvert::convertInPlace(dir.path());
    QCOMPARE(result.oldFile, dir.filePath(QStringLiteral("jsbdbf-access-2.mdb")));
    QCOMPARE(md5Of(result.oldFile), md5Of(legacy_));
    QCOMPARE(md5Of(earlier), earlierMd5);
    QCOMPARE(result.summary.table(QStringLiteral("jsbnrb"))->rows, 40);
    QCOMPARE(scalar(file, QStringLiteral("select count(*) from jsbnrb")).toInt(), 40);
    QVERIFY(!isAccessFile(file));
    QCOMPARE(filesIn(dir.path()), (QStringList{QStringLiteral("jsbdbf-access-2.mdb"), QStringLiteral("jsbdbf-access.mdb"),
                                              QStringLiteral("jsbdbf.mdb")}));

    // Once converted there is nothing left to convert.
    QVERIFY_THROWS_EXCEPTION(DbError, AccessConvert::convertInPlace(dir.path()));
}

void TestAccessConvert::inPlaceFailureLeavesTheFolderAsItWas_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("damaged") << true;
    QTest::newRow("cancelled") << false;
}

void TestAccessConvert::inPlaceFailureLeavesTheFolderAsItWas()
{
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    AccessFixture::copy(legacy_, file);
    if (damaged)
        QVERIFY(QFile::resize(file, 194 * 4096));
    const QByteArray before = md5Of(file);
    QVERIFY_THROWS_EXCEPTION(DbError, AccessConvert::convertInPlace(dir.path(), [](const QString &table, qint64, qint64) {
                                 return table != QLatin1String("yhxxb");
                             }));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("jsbdbf.mdb")});
    QCOMPARE(md5Of(file), before);
}

void TestAccessConvert::programConvertsFromTheCommandLine()
{
    if (!QFile::exists(program()))
        QSKIP("quorvane-createdb is not built beside the tests");
    QTemporaryDir dir;
    QProcess p;
    p.start(program(), {dir.path(), QStringLiteral("--from"), legacy_});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString printed = QString::fromLocal8Bit(p.readAllStandardOutput());
    QVERIFY2(printed.contains(QStringLiteral("表 jsbnrb:40 条记录,用时")) && printed.contains(QStringLiteral("表 yhxxb:2 条记录")),
             qPrintable(printed));
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    QCOMPARE(scalar(file, QStringLiteral("select count(*) from tongxunlb")).toInt(), 25);

    // It never overwrites a database...
    const QByteArray before = md5Of(file);
    p.start(program(), {dir.path(), QStringLiteral("--from"), legacy_});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("已经存在")));
    QCOMPARE(md5Of(file), before);

    // ... but converts the folder's own Access file in place, keeping it aside.
    QTemporaryDir other;
    const QString own = other.filePath(QStringLiteral("jsbdbf.mdb"));
    AccessFixture::copy(legacy_, own);
    p.start(program(), {other.path(), QStringLiteral("--from"), own});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(QStringLiteral("jsbdbf-access.mdb")));
    QCOMPARE(md5Of(other.filePath(QStringLiteral("jsbdbf-access.mdb"))), md5Of(legacy_));
    QCOMPARE(scalar(own, QStringLiteral("select count(*) from bwlnrb")).toInt(), 15);
}

QTEST_GUILESS_MAIN(TestAccessConvert)
#include "tst_accessconvert.moc"
