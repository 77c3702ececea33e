// The database layer and the datasets of the data module against a fresh
// database: the connection text and the file it opens, foreign or missing
// files, column widths, empty text against null, dates and times, the
// statement convention and the updatable datasets.
#include "testenv.h"

#include "data/unitpath.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/unitdm.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocale>
#include "data/sqlite.h"
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex();
}

// Stores a note through the note editor's insert statement.
void insertNote(const QString &jsid, const QDate &jsrq, const QTime &jssj, const QString &jsbt,
                const QString &jsfl = QStringLiteral("工作"), const QString &jsbz = QStringLiteral("备注"))
{
    Dataset *q = DM->ADOQjsbinsert;
    q->close();
    q->clearSql();
    q->addSql(QStringLiteral("insert  into  jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz)"));
    q->addSql(QStringLiteral("values  (:jsid,:jsrq,:jssj,:jsfl,:jsbh,:jsbt,:jsnr,:jstq,:jsbz)"));
    q->bind(QStringLiteral("jsid"), jsid);
    q->bind(QStringLiteral("jsrq"), jsrq);
    q->bind(QStringLiteral("jssj"), jssj);
    q->bind(QStringLiteral("jstq"), QStringLiteral("晴天"));
    q->bind(QStringLiteral("jsfl"), jsfl);
    q->bind(QStringLiteral("jsbh"), QString(QLatin1String("")));
    q->bind(QStringLiteral("jsbt"), jsbt);
    q->bind(QStringLiteral("jsnr"), QStringLiteral("内容"));
    q->bind(QStringLiteral("jsbz"), jsbz);
    q->setPrepared(true);
    q->execSql();
}

// The note search window's statement on ADOQjsb.
void searchNotes(const QDate &from, const QDate &to, const QString &fl = QString(), const QString &jl = QString())
{
    Dataset *q = DM->ADOQjsb;
    q->setSql({QStringLiteral("select  *  from  jsbnrb"), QStringLiteral("where jsrq >=:qrq  and  jsrq <= :zrq"),
               QStringLiteral("and   jsfl like :fl"), QStringLiteral("and   jsnr like :jl"),
               QStringLiteral("order  by  zdbh  desc")});
    q->bind(QStringLiteral("qrq"), from);
    q->bind(QStringLiteral("zrq"), to);
    q->bind(QStringLiteral("fl"), QStringLiteral("%") + fl + QStringLiteral("%"));
    q->bind(QStringLiteral("jl"), QStringLiteral("%") + jl + QStringLiteral("%"));
    q->setPrepared(true);
    q->open();
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    // --- the connection text and the file it names -----------------------
    void folderOfExecutable_data();
    void folderOfExecutable();
    void connectionText_data();
    void connectionText();
    void dataSourceOf_data();
    void dataSourceOf();
    void opensTheFileNamedAfterDataSource_data();
    void opensTheFileNamedAfterDataSource();
    void connectionOpensOnFirstQueryOnly();
    void missingFileIsReportedAndNotCreated();
    void foreignFileGivesChineseErrorAndStaysUnchanged_data();
    void foreignFileGivesChineseErrorAndStaysUnchanged();
    void rollbackJournalAndBusyTimeout();
    void secondCopyWritingIsWaitedFor_data();
    void secondCopyWritingIsWaitedFor();

    // --- columns ----------------------------------------------------------
    void overLongTextFailsAndNothingIsTruncated_data();
    void overLongTextFailsAndNothingIsTruncated();
    void nullTextIsStoredAsEmptyText();
    void nullColumnsReadAsEmptyZeroOrNoDate();
    void everyKindOfValueReadsBackAsStored_data();
    void everyKindOfValueReadsBackAsStored();
    void dateRangeIncludesBothEndDays();
    void timeOfDayIsStoredOnDayZeroToTheSecond();
    void displayFormats();
    void shortDateInput_data();
    void shortDateInput();

    // --- the statement convention -----------------------------------------
    void statementTextIsTheLinesJoined();
    void reopenRunsTheSameStatementWithTheSameValues();
    void bindingUnknownNameOrLeavingOneUnboundThrows();
    void listingMissingPersistentFieldFailsToOpen();
    void extraColumnsAreIgnored();
    void endTestAndNavigation();

    // --- updatable datasets -----------------------------------------------
    void editAppendPostCancelRemoveWriteAtOnce();
    void failingPostStaysInEditing();
    void readOnlyDatasetRefusesChanges();
    void transactionsNestAndRollBack();
};

void TestDatabase::folderOfExecutable_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("folder");
    QTest::newRow("two levels down") << "/opt/quorvane/bin/quorvane" << "/opt/quorvane/bin";
    QTest::newRow("one level down") << "/opt/quorvane" << "/opt";
    QTest::newRow("root folder keeps its separator") << "/quorvane" << "/";
    QTest::newRow("network share keeps its prefix") << "//server/share/quorvane" << "//server/share";
    QTest::newRow("blanks and Chinese") << "/home/用户/记事 本/quorvane" << "/home/用户/记事 本";
    QTest::newRow("no folder at all") << "quorvane" << "";
}

void TestDatabase::folderOfExecutable()
{
    QFETCH(QString, executable);
    QFETCH(QString, folder);
    QCOMPARE(::folderOfExecutable(executable), folder);
}

void TestDatabase::connectionText_data()
{
    QTest::addColumn<QString>("appPath");
    const QChar sep = QDir::separator();
    QTest::newRow("two levels down") << QStringLiteral("%1opt%1quorvane").arg(sep);
    QTest::newRow("root folder") << QString(sep);
    QTest::newRow("network share") << QStringLiteral("%1%1server%1share").arg(sep);
}

void TestDatabase::connectionText()
{
    QFETCH(QString, appPath);
    const QString saved = AppPath;
    setAppPath(appPath);
    TDM dm;
    setAppPath(saved);
    const QString expected = QStringLiteral("Microsoft.Jet.OLEDB.4.0;Data Source=") + appPath + QDir::separator()
                             + QStringLiteral("jsbdbf.mdb;Persist Security Info=False ");
    QCOMPARE(dm.connectionText(), expected);
    QVERIFY(dm.connectionText().endsWith(QStringLiteral("False ")));
    // The data source is the folder and the file name, passed on unchanged
    // (a root folder gives a doubled separator).
    QCOMPARE(dm.ADOConnection->dataSource(), appPath + QDir::separator() + QStringLiteral("jsbdbf.mdb"));
    QVERIFY(!dm.ADOConnection->connected());
    QCOMPARE(dm.ADOConnection->objectName(), QStringLiteral("ADOConnection"));
}

void TestDatabase::dataSourceOf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file");
    const QString tail = QStringLiteral("jsbdbf.mdb;Persist Security Info=False ");
    QTest::newRow("plain") << QStringLiteral("Microsoft.Jet.OLEDB.4.0;Data Source=/opt/q/") + tail << "/opt/q/jsbdbf.mdb";
    QTest::newRow("semicolon in the folder") << QStringLiteral("Microsoft.Jet.OLEDB.4.0;Data Source=/opt/a;b/") + tail
                                             << "/opt/a;b/jsbdbf.mdb";
    QTest::newRow("backslashes and a semicolon") << QStringLiteral("Microsoft.Jet.OLEDB.4.0;Data Source=C:\\a;b\\") + tail
                                                 << "C:\\a;b\\jsbdbf.mdb";
    QTest::newRow("last item") << "Provider=x;Data Source=/opt/q/jsbdbf.mdb" << "/opt/q/jsbdbf.mdb";
    QTest::newRow("trailing semicolon") << "Data Source=/opt/q/jsbdbf.mdb; " << "/opt/q/jsbdbf.mdb";
    QTest::newRow("no data source") << "Provider=x" << "";
}

void TestDatabase::dataSourceOf()
{
    QFETCH(QString, text);
    QFETCH(QString, file);
    QCOMPARE(DbConnection::dataSourceOf(text), file);
}

void TestDatabase::opensTheFileNamedAfterDataSource_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << "db";
    QTest::newRow("blanks and Chinese") << "我的 记事本";
    QTest::newRow("hash") << "a#b";
    QTest::newRow("question mark") << "a?b";
    QTest::newRow("percent") << "a%41b";
    QTest::newRow("semicolon") << "a;b";
}

void TestDatabase::opensTheFileNamedAfterDataSource()
{
    // The database lives in a folder of its own; AppPath points at it and
    // the layer must open exactly that file, whatever the folder is called.
    QFETCH(QString, folderName);
    TestDb env;
    QDir root(env.folder());
    QVERIFY(root.mkdir(folderName));
    const QString folder = root.filePath(folderName);
    const QString file = QDir(folder).filePath(QStringLiteral("jsbdbf.mdb"));
    QVERIFY(QFile::copy(env.file(), file));
    {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::ReadWrite);
        db.exec(QStringLiteral("update xmidb set xmid=77 where xmfl=1"));
    }

    setAppPath(QDir::toNativeSeparators(folder));
    delete DM;
    DM = new TDM();
    QCOMPARE(DM->ADOConnection->dataSource(), QDir::toNativeSeparators(file));
    QCOMPARE(DM->ReadXmid(1), QStringLiteral("77"));
    // Nothing was made under a wrong name beside it.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{QStringLiteral("jsbdbf.mdb")});
    QCOMPARE(root.entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{QStringLiteral("jsbdbf.mdb")});
}

void TestDatabase::connectionOpensOnFirstQueryOnly()
{
    TestDb env;
    QVERIFY(!DM->ADOConnection->connected());
    DM->ReadXmid(1);
    QVERIFY(DM->ADOConnection->connected());
    DM->ADOConnection->close();
    QVERIFY(!DM->ADOConnection->connected());
    // The next query opens it again.
    QCOMPARE(DM->ReadXmid(1), QStringLiteral("1"));
    QVERIFY(DM->ADOConnection->connected());
}

void TestDatabase::missingFileIsReportedAndNotCreated()
{
    TestDb env;
    QVERIFY(QFile::remove(env.file()));
    try {
        DM->ReadXmid(1);
        QFAIL("a query on a missing database succeeded");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(DM->ADOConnection->dataSource()), qPrintable(e.text()));
    }
    QVERIFY(!QFile::exists(env.file()));
    QVERIFY(!DM->ADOConnection->connected());
}

void TestDatabase::foreignFileGivesChineseErrorAndStaysUnchanged_data()
{
    QTest::addColumn<QString>("source"); // empty: a small file of our own
    QTest::newRow("own Access-like header") << QString();
    QTest::newRow("empty file") << QStringLiteral("empty");
    QTest::newRow("an SQLite file without our tables") << QStringLiteral("foreign-sqlite");
    const QString mdb = testDataDir(QStringLiteral("mdb"));
    if (mdb.isEmpty())
        return;
    for (const char *f : {"jet4/jk_emptyJet4.mdb", "jet4/jk_testUnicodeCompV2003.mdb", "jet3/ucan_charsetGBK.mdb",
                          "accdb/mtd_ASampleDatabase.accdb", "jet4/ucan_password.mdb"})
        QTest::newRow(f) << QDir(mdb).filePath(QString::fromLatin1(f));
}

void TestDatabase::foreignFileGivesChineseErrorAndStaysUnchanged()
{
    QFETCH(QString, source);
    TestDb env;
    QVERIFY(QFile::remove(env.file()));
    if (source.isEmpty()) {
        QFile f(env.file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray bytes("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        bytes += QByteArray(4096 - bytes.size(), '\x5a');
        f.write(bytes);
    } else if (source == QLatin1String("empty")) {
        QFile f(env.file());
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (source == QLatin1String("foreign-sqlite")) {
        {
            SqliteDb db;
            db.open(env.file(), SqliteDb::Mode::Create);
            db.exec(QStringLiteral("create table notes (id integer, body text)"));
        }
    } else {
        if (!QFile::exists(source))
            QSKIP("test file absent");
        QVERIFY(QFile::copy(source, env.file()));
        QFile::setPermissions(env.file(), QFile::ReadOwner | QFile::WriteOwner);
    }
    const QByteArray before = md5Of(env.file());
    const qint64 size = QFileInfo(env.file()).size();

    QString text;
    try {
        DM->ReadXmid(1);
    } catch (const DbError &e) {
        text = e.text();
    }
    QVERIFY2(!text.isEmpty(), "a foreign file was read as a database");
    QVERIFY2(text.contains(DM->ADOConnection->dataSource()), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("不是")), qPrintable(text));
    // A second try says the same and still changes nothing.
    QVERIFY_THROWS_EXCEPTION(DbError, DM->ReadXmid(2));
    QCOMPARE(md5Of(env.file()), before);
    QCOMPARE(QFileInfo(env.file()).size(), size);
    QStringList left = QDir(env.folder()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QCOMPARE(left, QStringList{QStringLiteral("jsbdbf.mdb")});
}

void TestDatabase::rollbackJournalAndBusyTimeout()
{
    TestDb env;
    QCOMPARE(DM->ADOConnection->busyTimeoutMs(), 300); // the fixture's; the program's own is longer
    TDM fresh;
    QVERIFY(fresh.ADOConnection->busyTimeoutMs() >= 1000);
    DM->ReadXmid(1);
    SqliteStatement q = DM->ADOConnection->database().prepare(QStringLiteral("pragma journal_mode"));
    QVERIFY(q.step());
    QCOMPARE(q.text(0), QStringLiteral("delete"));
}

void TestDatabase::secondCopyWritingIsWaitedFor_data()
{
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("waits");
    QTest::newRow("short write of the other copy: waited for") << 300 << 5000 << true;
    QTest::newRow("other copy holds on: a clear error") << 2000 << 200 << false;
}

void TestDatabase::secondCopyWritingIsWaitedFor()
{
    QFETCH(int, holdMs);
    QFETCH(int, timeoutMs);
    QFETCH(bool, waits);
    TestDb env;
    DM->ADOConnection->setBusyTimeoutMs(timeoutMs);
    const QString file = env.file();
    std::atomic<bool> locked{false};
    // A second running copy of the program, writing.
    std::thread other([&] {
        try {
            SqliteDb db;
            db.open(file, SqliteDb::Mode::ReadWrite);
            db.exec(QStringLiteral("begin exclusive"));
            db.exec(QStringLiteral("update xmidb set xmid=9 where xmfl=1"));
            locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            db.exec(QStringLiteral("commit"));
        } catch (const DbError &) {
        }
        locked = true;
    });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QString read, error;
    try {
        read = DM->ReadXmid(1);
    } catch (const DbError &e) {
        error = e.text();
    }
    other.join();
    if (waits) {
        QCOMPARE(read, QStringLiteral("9"));
    } else {
        QVERIFY2(error.contains(QStringLiteral("另一个程序")) && error.contains(DM->ADOConnection->dataSource()),
                 qPrintable(error));
        // Once it is done, the next query works.
        QCOMPARE(DM->ReadXmid(1), QStringLiteral("9"));
    }
}

// --- columns -----------------------------------------------------------------

void TestDatabase::overLongTextFailsAndNothingIsTruncated_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("stored");
    QTest::newRow("100 characters fit") << 100 << true;
    QTest::newRow("101 characters fail") << 101 << false;
}

void TestDatabase::overLongTextFailsAndNothingIsTruncated()
{
    QFETCH(int, length);
    QFETCH(bool, stored);
    TestDb env;
    const QString title = QString(length, QChar(0x8BB0)); // 记 记 记 ...
    QString error;
    try {
        insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), title);
    } catch (const DbError &e) {
        error = e.text();
    }
    QCOMPARE(error.isEmpty(), stored);
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), stored ? 1 : 0);
    if (stored) {
        QCOMPARE(env.scalar(QStringLiteral("select jsbt from jsbnrb")).toString(), title);
        // An update with one character more fails the same way and leaves
        // the stored title as it was.
        Dataset *u = DM->ADOQjsbupdate;
        u->setSql({QStringLiteral("update  jsbnrb"), QStringLiteral("set jsbt= :jsbt"), QStringLiteral("where  zdbh = :bh")});
        u->bind(QStringLiteral("bh"), qint32(env.scalar(QStringLiteral("select zdbh from jsbnrb")).toInt()));
        u->bind(QStringLiteral("jsbt"), title + QLatin1Char('x'));
        u->setPrepared(true);
        QVERIFY_THROWS_EXCEPTION(DbError, u->execSql());
        QCOMPARE(env.scalar(QStringLiteral("select jsbt from jsbnrb")).toString(), title);
    } else {
        // The database's own error, which names the column in the user's words.
        QVERIFY2(error.contains(QStringLiteral("记事标题")) && error.contains(QStringLiteral("100")), qPrintable(error));
    }
}

void TestDatabase::nullTextIsStoredAsEmptyText()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), QString(), QString(), QString());
    QCOMPARE(env.count(QStringLiteral("jsbnrb"), QStringLiteral("jsbt = '' and jsfl = '' and jsbz = ''")), 1);
    QCOMPARE(env.count(QStringLiteral("jsbnrb"), QStringLiteral("jsbt is null or jsfl is null or jsbz is null")), 0);
    // So an empty search finds it.
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    QCOMPARE(DM->ADOQjsb->rowCount(), 1);
    // A null written by name in the statement stays null, and a search on
    // that column does not find it.
    env.exec(QStringLiteral("update jsbnrb set jsfl=null"));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    QCOMPARE(DM->ADOQjsb->rowCount(), 0);
}

void TestDatabase::nullColumnsReadAsEmptyZeroOrNoDate()
{
    TestDb env;
    env.exec(QStringLiteral("insert into bwlnrb(bwlid) values ('BWL-1')"));
    Dataset *q = DM->ADOQbwlb;
    q->reopen(); // the text given at creation
    QCOMPARE(q->rowCount(), 1);
    QVERIFY(q->isNull(QStringLiteral("bwlzt")));
    QCOMPARE(q->text(QStringLiteral("bwlzt")), QString(QLatin1String("")));
    QVERIFY(!q->text(QStringLiteral("bwlzt")).isNull());
    QCOMPARE(q->integer(QStringLiteral("xh")), 0);
    QVERIFY(!q->dateTime(QStringLiteral("txqrq")).isValid());
    QVERIFY(!q->date(QStringLiteral("txqrq")).isValid());
    QCOMPARE(q->boolean(QStringLiteral("sftx")), false); // the column's default
    QCOMPARE(q->text(QStringLiteral("bwlid")), QStringLiteral("BWL-1"));
}

void TestDatabase::everyKindOfValueReadsBackAsStored_data()
{
    // A select of literal values, each column as SQLite gives it.
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("null") << "null" << QVariant();
    QTest::newRow("empty text") << "''" << QVariant(QStringLiteral(""));
    QTest::newRow("Chinese") << "'通讯录'" << QVariant(QStringLiteral("通讯录"));
    QTest::newRow("outside the BMP") << "'a😀b'" << QVariant(QStringLiteral("a😀b"));
    QTest::newRow("a leading BOM, dropped") << "cast(x'efbbbf41' as text)" << QVariant(QString::fromUtf8("\xef\xbb\xbf" "A"));
    QTest::newRow("broken UTF-8") << "cast(x'41ff80e4b8' as text)" << QVariant(QString::fromUtf8("A\xff\x80\xe4\xb8"));
    QTest::newRow("integer") << "-9007199254740993" << QVariant(qlonglong(-9007199254740993LL));
    QTest::newRow("number") << "2.5" << QVariant(2.5);
    QTest::newRow("bytes") << "x'00ff10'" << QVariant(QByteArray("\x00\xff\x10", 3));
    QTest::newRow("no bytes") << "x''" << QVariant(QByteArray(""));
}

void TestDatabase::everyKindOfValueReadsBackAsStored()
{
    QFETCH(QString, expression);
    QFETCH(QVariant, value);
    TestDb env;
    Dataset *q = DM->ADOQidcheck;
    // The value among texts before and after it, over two rows.
    q->setSql({QStringLiteral("select '前' as a, %1 as v, 'after' as b union all select '后', %1, ''").arg(expression)});
    q->open();
    QCOMPARE(q->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        const QVariant v = q->value(row, q->columnIndex(QStringLiteral("v")));
        QCOMPARE(v.isValid(), value.isValid());
        QCOMPARE(v, value);
        if (value.isValid())
            QCOMPARE(v.typeId(), value.typeId());
    }
    QCOMPARE(q->value(0, 0).toString(), QStringLiteral("前"));
    QCOMPARE(q->value(0, 2).toString(), QStringLiteral("after"));
    QCOMPARE(q->value(1, 0).toString(), QStringLiteral("后"));
    QVERIFY(!q->value(1, 2).isNull());
    QCOMPARE(q->value(1, 2).toString(), QString());
}

void TestDatabase::dateRangeIncludesBothEndDays()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 2, 29), QTime(23, 59, 59), QStringLiteral("before"));
    insertNote(QStringLiteral("JS-2"), QDate(2024, 3, 1), QTime(0, 0), QStringLiteral("first day"));
    insertNote(QStringLiteral("JS-3"), QDate(2024, 3, 31), QTime(23, 59, 59), QStringLiteral("last day"));
    insertNote(QStringLiteral("JS-4"), QDate(2024, 4, 1), QTime(0, 0), QStringLiteral("after"));
    // A row written by a date/time that carries a time of day is stored on
    // its whole day all the same.
    Dataset *q = DM->ADOQjsbinsert;
    q->setSql({QStringLiteral("insert  into  jsbnrb(jsid,jsrq,jsfl,jsnr)"), QStringLiteral("values  (:jsid,:jsrq,:jsfl,:jsnr)")});
    q->bind(QStringLiteral("jsid"), QStringLiteral("JS-5"));
    q->bind(QStringLiteral("jsfl"), QStringLiteral("工作"));
    q->bind(QStringLiteral("jsnr"), QString());
    q->bind(QStringLiteral("jsrq"), QDateTime(QDate(2024, 3, 31), QTime(0, 0)));
    q->execSql();

    QCOMPARE(env.scalar(QStringLiteral("select jsrq from jsbnrb where jsid='JS-3'")).toString(),
             QStringLiteral("2024-03-31 00:00:00"));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    QStringList ids;
    for (int r = 0; r < DM->ADOQjsb->rowCount(); ++r) {
        DM->ADOQjsb->setCurrentRow(r);
        ids << DM->ADOQjsb->text(QStringLiteral("jsid"));
    }
    QCOMPARE(ids, (QStringList{QStringLiteral("JS-5"), QStringLiteral("JS-3"), QStringLiteral("JS-2")}));
    // One day: both ends the same day.
    searchNotes(QDate(2024, 3, 31), QDate(2024, 3, 31));
    QCOMPARE(DM->ADOQjsb->rowCount(), 2);
    QCOMPARE(DM->ADOQjsb->date(QStringLiteral("jsrq")), QDate(2024, 3, 31));
}

void TestDatabase::timeOfDayIsStoredOnDayZeroToTheSecond()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(13, 45, 30, 999), QStringLiteral("t"));
    QCOMPARE(env.scalar(QStringLiteral("select jssj from jsbnrb")).toString(), QStringLiteral("1899-12-30 13:45:30"));
    DM->ADOQjsb->reopen();
    const QDateTime t = DM->ADOQjsb->dateTime(QStringLiteral("jssj"));
    QCOMPARE(t, QDateTime(QDate(1899, 12, 30), QTime(13, 45, 30)));
    QCOMPARE(DbDateTime::fromTime(QTime(0, 0)), QStringLiteral("1899-12-30 00:00:00"));
    QCOMPARE(DbDateTime::fromDateTime(QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10, 500))),
             QStringLiteral("2024-03-05 08:09:10"));
    QCOMPARE(toDbValue(true), QVariant(1));
    QCOMPARE(toDbValue(false), QVariant(0));
}

void TestDatabase::shortDateInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: refused
    const int y = 2023;
    QTest::newRow("y-m-d") << "1980-5-17" << QDate(1980, 5, 17);
    QTest::newRow("leading zeros, as the pickers show it") << "1980-05-07" << QDate(1980, 5, 7);
    QTest::newRow("m-d in the current year") << "5-17" << QDate(y, 5, 17);
    QTest::newRow("blanks around the whole") << " 1980-5-17 " << QDate(1980, 5, 17);
    QTest::newRow("leap day") << "2000-2-29" << QDate(2000, 2, 29);
    QTest::newRow("leap day, current year not a leap year") << "2-29" << QDate();
    QTest::newRow("no such day") << "1980-2-30" << QDate();
    QTest::newRow("month 13") << "1980-13-1" << QDate();
    QTest::newRow("day 0") << "1980-5-0" << QDate();
    QTest::newRow("year 0") << "0000-5-1" << QDate();
    QTest::newRow("two-digit year") << "80-5-17" << QDate();
    QTest::newRow("three-digit day") << "1980-5-017" << QDate();
    QTest::newRow("slashes") << "1980/5/17" << QDate();
    QTest::newRow("day first with dots") << "17.5.1980" << QDate();
    QTest::newRow("four parts") << "1980-5-17-1" << QDate();
    QTest::newRow("blank inside") << "1980- 5-17" << QDate();
    QTest::newRow("sign") << "1980-+5-17" << QDate();
    QTest::newRow("full-width digits") << QStringLiteral("１９８０-５-１７") << QDate();
    QTest::newRow("one number") << "17" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestDatabase::shortDateInput()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(DbDateTime::parseShortDate(text, 2023), date);
}

void TestDatabase::displayFormats()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(7, 5, 9), QStringLiteral("t"));
    env.exec(QStringLiteral("insert into tongxunlb(txlid, lrrq) values ('TXL-1', '2024-03-05 14:15:16')"));
    Dataset *q = DM->ADOQjsb;
    q->reopen();
    QCOMPARE(q->displayText(0, q->columnIndex(QStringLiteral("jssj"))), QStringLiteral("07:05:09"));
    // A whole day shows the date alone, in the program's one date form.
    const QString day = q->displayText(0, q->columnIndex(QStringLiteral("jsrq")));
    QCOMPARE(day, QStringLiteral("2024-03-05"));
    QVERIFY(!day.contains(QLatin1Char(':')));
    // Any other time: the date, a blank and the long time format.
    Dataset *t = DM->ADOQtongxunlb;
    t->reopen();
    const QString both = t->displayText(0, t->columnIndex(QStringLiteral("lrrq")));
    QCOMPARE(both, QStringLiteral("2024-03-05 14:15:16"));
    QVERIFY2(both.startsWith(day + QLatin1Char(' ')), qPrintable(both));
    QVERIFY2(both.contains(QStringLiteral("14")) && both.contains(QStringLiteral("15"))
                 && both.contains(QStringLiteral("16")),
             qPrintable(both));
    // The memo time column too.
    env.exec(QStringLiteral("insert into bwlnrb(bwlid, bwlsj) values ('BWL-1', '1899-12-30 23:00:01')"));
    DM->ADOQbwlb->reopen();
    QCOMPARE(DM->ADOQbwlb->displayText(0, DM->ADOQbwlb->columnIndex(QStringLiteral("bwlsj"))), QStringLiteral("23:00:01"));
    // A null date shows nothing.
    QCOMPARE(DM->ADOQbwlb->displayText(0, DM->ADOQbwlb->columnIndex(QStringLiteral("txqrq"))), QString());
}

// --- the statement convention ---------------------------------------------------

void TestDatabase::statementTextIsTheLinesJoined()
{
    TestDb env;
    QCOMPARE(DM->ADOQjsb->sql(), (QStringList{QStringLiteral("select  *   from  jsbnrb"), QString()}));
    Dataset *q = DM->ADOQbwlb;
    q->clearSql();
    q->addSql(QStringLiteral("select  *  from  bwlnrb"));
    q->addSql(QStringLiteral("where     txqrq<= :dqrq"));
    q->bind(QStringLiteral("dqrq"), QDate(2024, 3, 5));
    // An ordering added after binding: the statement is the whole text with
    // every value bound so far.
    q->addSql(QStringLiteral("order  by  zdbh  desc"));
    QCOMPARE(q->sqlText(), QStringLiteral("select  *  from  bwlnrb\nwhere     txqrq<= :dqrq\norder  by  zdbh  desc"));
    QCOMPARE(q->boundValue(QStringLiteral("dqrq")), QVariant(QDate(2024, 3, 5)));
    q->setPrepared(true);
    q->open();
    QVERIFY(q->active());
    // Clearing the text forgets the values too.
    q->clearSql();
    QVERIFY(!q->active());
    QVERIFY(!q->boundValue(QStringLiteral("dqrq")).isValid());
}

void TestDatabase::reopenRunsTheSameStatementWithTheSameValues()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("a"));
    insertNote(QStringLiteral("JS-2"), QDate(2024, 5, 5), QTime(9, 0), QStringLiteral("outside"));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31), QStringLiteral("工"));
    QCOMPARE(DM->ADOQjsb->rowCount(), 1);
    const QString text = DM->ADOQjsb->sqlText();

    // Written meanwhile: one inside the range, one outside the category.
    insertNote(QStringLiteral("JS-3"), QDate(2024, 3, 6), QTime(9, 0), QStringLiteral("b"));
    insertNote(QStringLiteral("JS-4"), QDate(2024, 3, 6), QTime(9, 0), QStringLiteral("c"), QStringLiteral("生活"));
    DM->ADOQjsb->reopen();
    QCOMPARE(DM->ADOQjsb->sqlText(), text);
    QCOMPARE(DM->ADOQjsb->rowCount(), 2);
    QCOMPARE(DM->ADOQjsb->text(QStringLiteral("jsid")), QStringLiteral("JS-3")); // newest first, first row current
    QCOMPARE(DM->ADOQjsb->currentRow(), 0);
    QCOMPARE(DM->ADOQjsb->boundValue(QStringLiteral("zrq")), QVariant(QDate(2024, 3, 31)));

    // Closed by a window: a reopen still runs the same statement.
    DM->ADOQjsb->close();
    QVERIFY(!DM->ADOQjsb->active());
    DM->ADOQjsb->reopen();
    QCOMPARE(DM->ADOQjsb->rowCount(), 2);
}

void TestDatabase::bindingUnknownNameOrLeavingOneUnboundThrows()
{
    TestDb env;
    Dataset *q = DM->ADOQxmidb;
    q->setSql({QStringLiteral("select  *  from  xmidb"), QStringLiteral("where  xmfl= :xmfl")});
    QVERIFY_THROWS_EXCEPTION(std::logic_error, q->bind(QStringLiteral("xmf"), 1));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, q->bind(QStringLiteral("xmfl2"), 1));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, q->open());
    QVERIFY(!q->active());

    Dataset *s = DM->ADOQdelete;
    s->setSql({QStringLiteral("delete  from   jsbnrb"), QStringLiteral("where  jsid= :jsid")});
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s->execSql());
    // An invalid date would be stored as '' and sort before every day.
    Dataset *b = DM->ADOQbwlb;
    b->setSql({QStringLiteral("select  *  from  bwlnrb"), QStringLiteral("where     txqrq<= :dqrq")});
    b->bind(QStringLiteral("dqrq"), QDate());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, b->open());
    // A colon inside a quoted text or a time is no parameter.
    s->setSql({QStringLiteral("delete  from   jsbnrb"), QStringLiteral("where  jsid= ':x' and jssj<>'1899-12-30 10:20:30'")});
    QCOMPARE(s->execSql(), 0);
    // An update or delete that matches nothing says so.
    Dataset *u = DM->ADOQbwlupdate;
    u->setSql({QStringLiteral("update  bwlnrb"), QStringLiteral("set bwlzt= :bwlzt,txqrq=null,txzrq=null"),
               QStringLiteral("where  zdbh = :bh")});
    u->bind(QStringLiteral("bh"), qint32(12345));
    u->bind(QStringLiteral("bwlzt"), QStringLiteral("x"));
    u->setPrepared(true);
    QCOMPARE(u->execSql(), 0);
    env.exec(QStringLiteral("insert into bwlnrb(bwlid) values ('BWL-1')"));
    u->bind(QStringLiteral("bh"), qint32(env.scalar(QStringLiteral("select zdbh from bwlnrb")).toInt()));
    QCOMPARE(u->execSql(), 1);
    env.exec(QStringLiteral("delete from bwlnrb"));
    QCOMPARE(u->execSql(), 0);
    // One name used twice is bound once.
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("a"));
    s->setSql({QStringLiteral("delete  from   jsbnrb"), QStringLiteral("where  jsid= :jsid or jsbt= :jsid")});
    s->bind(QStringLiteral("jsid"), QStringLiteral("JS-1"));
    QCOMPARE(s->execSql(), 1);
}

void TestDatabase::listingMissingPersistentFieldFailsToOpen()
{
    TestDb env;
    // A text that leaves out a column of the persistent fields.
    Dataset *q = DM->ADOQjsb;
    q->setSql({QStringLiteral("select  zdbh, jsid  from  jsbnrb")});
    QVERIFY_THROWS_EXCEPTION(DbError, q->open());
    QVERIFY(!q->active());
    QCOMPARE(q->rowCount(), 0);

    // A table that lacks one of them (a file made so, opened afresh).
    DM->ADOConnection->close();
    env.exec(QStringLiteral("drop table jsflb"));
    env.exec(QStringLiteral("create table jsflb (zdbh integer primary key autoincrement, flmc text)"));
    env.exec(QStringLiteral("insert into jsflb(flmc) values ('工作')"));
    try {
        DM->ADOQjsflb->reopen();
        QFAIL("opened without the xh column");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("xh")), qPrintable(e.text()));
    }
    QVERIFY(!DM->ADOQjsflb->active());
}

void TestDatabase::extraColumnsAreIgnored()
{
    TestDb env;
    Dataset *q = DM->ADOQjsflb;
    q->setSql({QStringLiteral("select  *, 'x' as extra  from  jsflb")});
    q->open();
    QCOMPARE(q->rowCount(), 5);
    QCOMPARE(q->text(QStringLiteral("flmc")), QStringLiteral("工作"));
}

void TestDatabase::endTestAndNavigation()
{
    TestDb env;
    Dataset *q = DM->ADOQjsflb;
    q->reopen();
    // The category boxes read the list row by row until the end test says
    // the last row has been passed.
    QStringList names;
    q->first();
    while (!q->eof()) {
        names << q->text(QStringLiteral("flmc"));
        q->next();
    }
    QCOMPARE(names, (QStringList{QStringLiteral("工作"), QStringLiteral("学习"), QStringLiteral("生活"),
                                 QStringLiteral("家人"), QStringLiteral("朋友")}));
    QCOMPARE(q->currentRow(), 4); // next on the last row moves nothing
    q->prior();
    QVERIFY(!q->eof());
    q->last();
    QCOMPARE(q->text(QStringLiteral("flmc")), QStringLiteral("朋友"));

    // A single row is read once; an empty result not at all.
    env.exec(QStringLiteral("delete from jsflb where xh > 1"));
    q->reopen();
    names.clear();
    while (!q->eof()) {
        names << q->text(QStringLiteral("flmc"));
        q->next();
    }
    QCOMPARE(names, QStringList{QStringLiteral("工作")});
    env.exec(QStringLiteral("delete from jsflb"));
    q->reopen();
    QVERIFY(q->isEmpty());
    QVERIFY(q->eof());
    QCOMPARE(q->currentRow(), -1);
}

// --- updatable datasets -----------------------------------------------------------

void TestDatabase::editAppendPostCancelRemoveWriteAtOnce()
{
    TestDb env;
    Dataset *q = DM->ADOQjsflb;
    q->reopen();
    QCOMPARE(q->rowCount(), 5);

    // Edit and post.
    q->setCurrentRow(1);
    q->edit();
    QCOMPARE(q->state(), Dataset::State::Edit);
    q->setFieldValue(QStringLiteral("flmc"), QStringLiteral("读书"));
    q->post();
    QCOMPARE(q->state(), Dataset::State::Browse);
    QCOMPARE(env.scalar(QStringLiteral("select flmc from jsflb where xh=2")).toString(), QStringLiteral("读书"));

    // Append and post: the row is written with its new key.
    q->append();
    QCOMPARE(q->state(), Dataset::State::Insert);
    QCOMPARE(q->rowCount(), 6);
    q->setFieldValue(QStringLiteral("xh"), 6);
    q->setFieldValue(QStringLiteral("flmc"), QStringLiteral("旅行"));
    q->post();
    QCOMPARE(env.count(QStringLiteral("jsflb")), 6);
    const int key = env.scalar(QStringLiteral("select zdbh from jsflb where flmc='旅行'")).toInt();
    QVERIFY(key > 0);
    QCOMPARE(q->integer(QStringLiteral("zdbh")), key);

    // Cancel an edit: the row shows and keeps what it had.
    q->setCurrentRow(0);
    q->setFieldValue(QStringLiteral("flmc"), QStringLiteral("不要"));
    QCOMPARE(q->state(), Dataset::State::Edit);
    q->cancel();
    QCOMPARE(q->text(QStringLiteral("flmc")), QStringLiteral("工作"));
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='不要'")), 0);

    // Cancel an append: the new row goes away, nothing is written.
    q->append();
    q->setFieldValue(QStringLiteral("flmc"), QStringLiteral("不要"));
    q->cancel();
    QCOMPARE(q->rowCount(), 6);
    QCOMPARE(env.count(QStringLiteral("jsflb")), 6);

    // Moving to another row stores the changed one.
    q->setCurrentRow(2);
    q->setFieldValue(QStringLiteral("flmc"), QStringLiteral("家庭生活"));
    q->setCurrentRow(3);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='家庭生活'")), 1);

    // Remove deletes the current row at once.
    q->setCurrentRow(0);
    q->remove();
    QCOMPARE(env.count(QStringLiteral("jsflb")), 5);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='工作'")), 0);
    QCOMPARE(q->rowCount(), 5);
    QCOMPARE(q->text(QStringLiteral("flmc")), QStringLiteral("读书"));

    // What was written reads back the same after a reopen.
    q->reopen();
    QCOMPARE(q->rowCount(), 5);
}

void TestDatabase::failingPostStaysInEditing()
{
    TestDb env;
    Dataset *q = DM->ADOQjsflb;
    q->reopen();
    q->setFieldValue(QStringLiteral("flmc"), QString(81, QLatin1Char('x')));
    QVERIFY_THROWS_EXCEPTION(DbError, q->post());
    QCOMPARE(q->state(), Dataset::State::Edit);
    QVERIFY(q->modified());
    QCOMPARE(q->text(QStringLiteral("flmc")).size(), 81);
    // Moving away fails the same way and stays on the row.
    QVERIFY_THROWS_EXCEPTION(DbError, q->setCurrentRow(1));
    QCOMPARE(q->currentRow(), 0);
    // A fixed value posts.
    q->setFieldValue(QStringLiteral("flmc"), QString(80, QLatin1Char('x')));
    q->post();
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("length(flmc)=80")), 1);

    // The same for a new row: it stays in insertion, nothing is written.
    q->append();
    q->setFieldValue(QStringLiteral("flmc"), QString(81, QLatin1Char('y')));
    QVERIFY_THROWS_EXCEPTION(DbError, q->post());
    QCOMPARE(q->state(), Dataset::State::Insert);
    QCOMPARE(env.count(QStringLiteral("jsflb")), 5);
    q->cancel();
    QCOMPARE(q->rowCount(), 5);
}

void TestDatabase::readOnlyDatasetRefusesChanges()
{
    TestDb env;
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("a"));
    DM->ADOQjsb->reopen();
    QVERIFY_THROWS_EXCEPTION(std::logic_error, DM->ADOQjsb->edit());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, DM->ADOQjsb->append());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, DM->ADOQjsb->remove());
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 1);
}

void TestDatabase::transactionsNestAndRollBack()
{
    TestDb env;
    DbConnection *c = DM->ADOConnection;
    c->beginTrans();
    insertNote(QStringLiteral("JS-1"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("a"));
    c->beginTrans();
    insertNote(QStringLiteral("JS-2"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("b"));
    c->rollbackTrans();
    c->commitTrans();
    QVERIFY(!c->inTransaction());
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 1);
    QCOMPARE(env.count(QStringLiteral("jsbnrb"), QStringLiteral("jsid='JS-1'")), 1);

    c->beginTrans();
    insertNote(QStringLiteral("JS-3"), QDate(2024, 3, 5), QTime(9, 0), QStringLiteral("c"));
    c->rollbackTrans();
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 1);
}

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
