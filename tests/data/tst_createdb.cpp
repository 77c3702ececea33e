// quorvane-createdb and the schema it writes: seven tables, the counters
// at 1, five everyday categories, no users; an existing file is never
// overwritten.
#include "data/database.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

QStringList column(const QString &file, const QString &sql)
{
    QStringList out;
    for (const QVariantMap &row : queryFile(file, sql))
        out << row.first().toString();
    return out;
}

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5) : QByteArray();
}

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quorvane-createdb");
}

} // namespace

class TestCreateDb : public QObject {
    Q_OBJECT

private slots:
    void freshDatabaseHoldsTablesCountersAndCategories();
    void columnsMatchTheSchema();
    void contactOrderColumnsCompareInPinyin();
    void refusesAnExistingFile();
    void programWritesIntoTheFolderAndRefusesTwice();
};

void TestCreateDb::freshDatabaseHoldsTablesCountersAndCategories()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QCOMPARE(column(file, QStringLiteral("select name from sqlite_master where type='table' and name not like 'sqlite%' order by name")),
             (QStringList{QStringLiteral("bwlnrb"), QStringLiteral("jsbnrb"), QStringLiteral("jsflb"), QStringLiteral("jstpb"),
                          QStringLiteral("tongxunlb"), QStringLiteral("xmidb"), QStringLiteral("yhxxb")}));
    QCOMPARE(column(file, QStringLiteral("select xmfl || ':' || xmid from xmidb order by zdbh")),
             (QStringList{QStringLiteral("1:1"), QStringLiteral("2:1"), QStringLiteral("3:1")}));
    QCOMPARE(column(file, QStringLiteral("select flmc from jsflb order by zdbh")),
             (QStringList{QStringLiteral("工作"), QStringLiteral("学习"), QStringLiteral("生活"), QStringLiteral("家人"),
                          QStringLiteral("朋友")}));
    for (const char *t : {"yhxxb", "jsbnrb", "bwlnrb", "tongxunlb", "jstpb"})
        QCOMPARE(column(file, QStringLiteral("select count(*) from %1").arg(QLatin1String(t))), QStringList{QStringLiteral("0")});
    QCOMPARE(column(file, QStringLiteral("pragma journal_mode")), QStringList{QStringLiteral("delete")});
    // Only the database is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("jsbdbf.mdb")});
}

void TestCreateDb::columnsMatchTheSchema()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    for (const TableDef &t : Schema::tables()) {
        QStringList expected;
        for (const FieldDef &f : t.fields)
            expected << f.name;
        QCOMPARE(column(file, QStringLiteral("select name from pragma_table_info('%1') order by cid").arg(t.name)), expected);
    }
    // Reminder dates have no default; the reminder flag defaults to 0.
    QCOMPARE(column(file, QStringLiteral("select ifnull(dflt_value,'none') from pragma_table_info('bwlnrb') "
                                         "where name in ('sftx','txqrq','txzrq') order by cid")),
             (QStringList{QStringLiteral("0"), QStringLiteral("none"), QStringLiteral("none")}));
}

// The first column of every row of a select through a plain SQLite handle,
// as an outside tool reads the file; the error text when it fails.
static QStringList readPlain(sqlite3 *db, const char *sql, QString *error)
{
    QStringList out;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

void TestCreateDb::contactOrderColumnsCompareInPinyin()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::ReadWrite);
        db.exec(QStringLiteral("insert into tongxunlb(txlid, xingm, fenl) values "
                               "('TXL-1','张伟','朋友'), ('TXL-2','李娜','朋友'), ('TXL-3','王芳','朋友'), "
                               "('TXL-4','陈静','朋友'), ('TXL-5','周杰','同事'), ('TXL-6','安然','家人')"));
    }
    // An outside tool reads every row; ordering by those columns needs the
    // collation, and with it the order is the program's.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    QString error;
    QCOMPARE(readPlain(db, "select xingm from tongxunlb order by zdbh", &error).size(), 6);
    QVERIFY(readPlain(db, "select xingm from tongxunlb order by fenl, xingm", &error).isEmpty());
    QVERIFY2(error.contains(QLatin1String("no such collation sequence: pinyin")), qPrintable(error));
    registerPinyinCollation(db);
    error.clear();
    QCOMPARE(readPlain(db, "select xingm from tongxunlb order by fenl, xingm", &error),
             (QStringList{QStringLiteral("安然"), QStringLiteral("陈静"), QStringLiteral("李娜"), QStringLiteral("王芳"),
                          QStringLiteral("张伟"), QStringLiteral("周杰")}));
    QVERIFY(error.isEmpty());
    sqlite3_close(db);
}

void TestCreateDb::refusesAnExistingFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("my own data");
    }
    const QByteArray before = md5Of(file);
    try {
        Schema::createDatabase(file);
        QFAIL("an existing file was overwritten");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(file), qPrintable(e.text()));
    }
    QCOMPARE(md5Of(file), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("jsbdbf.mdb")});
}

void TestCreateDb::programWritesIntoTheFolderAndRefusesTwice()
{
    if (!QFile::exists(program()))
        QSKIP("quorvane-createdb is not built beside the tests");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));

    QProcess p;
    p.start(program(), {dir.path()});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QFile::exists(file));
    QCOMPARE(column(file, QStringLiteral("select count(*) from xmidb")), QStringList{QStringLiteral("3")});
    const QByteArray before = md5Of(file);

    p.start(program(), {dir.path()});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(!p.readAllStandardError().isEmpty());
    QCOMPARE(md5Of(file), before);

    // Without a folder it only says how it is used.
    p.start(program(), {});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY(p.exitCode() != 0);
}

QTEST_GUILESS_MAIN(TestCreateDb)
#include "tst_createdb.moc"
