// Statements run row after row: a statement that goes is kept and handed
// out again for the same text, clean (from its first row, no values left
// bound), never to two holders at once and never past its connection's
// close; a dataset's parameter names follow its text; and values are
// written without the local clock moving them.
#include "testenv.h"

#include "data/database.h"
#include "data/dataset.h"
#include "data/sqlite.h"
#include "data/unitdm.h"

#include <QTest>

#include <sqlite3.h>

#include <optional>

namespace {

int statementsOf(SqliteDb &db)
{
    int n = 0;
    for (sqlite3_stmt *s = sqlite3_next_stmt(db.handle(), nullptr); s; s = sqlite3_next_stmt(db.handle(), s))
        ++n;
    return n;
}

} // namespace

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void keptStatementComesBackClean()
    {
        TestDb env;
        SqliteDb &db = env.direct();
        const QString sql = QStringLiteral("select flmc, :x from jsflb order by zdbh");
        {
            SqliteStatement st = db.prepare(sql);
            st.bind(QStringLiteral("x"), 5);
            QVERIFY(st.step());
            QCOMPARE(st.text(0), QStringLiteral("工作"));
            QCOMPARE(st.integer(1), 5);
        } // left on its first row, a value bound
        const int kept = statementsOf(db);
        SqliteStatement again = db.prepare(sql);
        QCOMPARE(statementsOf(db), kept); // compiled once
        QVERIFY(again.step());
        QCOMPARE(again.text(0), QStringLiteral("工作"));
        QVERIFY(again.isNull(1));
    }

    void twoHoldersOfOneTextEachHaveTheirOwn()
    {
        TestDb env;
        SqliteDb &db = env.direct();
        const QString sql = QStringLiteral("select :x");
        SqliteStatement a = db.prepare(sql);
        SqliteStatement b = db.prepare(sql);
        a.bind(QStringLiteral("x"), 1);
        b.bind(QStringLiteral("x"), 2);
        QVERIFY(a.step());
        QVERIFY(b.step());
        QCOMPARE(a.integer(0), 1);
        QCOMPARE(b.integer(0), 2);
    }

    // Closing lets every kept statement go; a statement still held when its
    // connection closes goes on its own, and the next connection compiles
    // afresh.
    void closeLetsKeptStatementsGo()
    {
        TestDb env;
        SqliteDb db;
        db.open(env.file(), SqliteDb::Mode::ReadWrite, 300);
        db.prepare(QStringLiteral("select count(*) from jsflb"));
        QVERIFY(statementsOf(db) > 0);
        std::optional<SqliteStatement> held(db.prepare(QStringLiteral("select count(*) from xmidb")));
        db.close();
        held.reset();
        db.open(env.file(), SqliteDb::Mode::ReadWrite, 300);
        QCOMPARE(statementsOf(db), 0);
        {
            SqliteStatement st = db.prepare(QStringLiteral("select count(*) from jsflb"));
            QVERIFY(st.step());
            QCOMPARE(st.integer(0), 5);
        }
        // A kept statement holds no lock: another connection takes the
        // write lock at once.
        SqliteDb other;
        other.open(env.file(), SqliteDb::Mode::ReadWrite, 0);
        other.exec(QStringLiteral("begin exclusive; rollback"));
    }

    // A dataset scans its text for parameters once, and again when the text
    // changes.
    void parameterNamesFollowTheText()
    {
        TestDb env;
        Dataset *q = DM->ADOQxmidb;
        q->setSql({QStringLiteral("select  *  from  xmidb"), QStringLiteral("where  xmfl= :xmfl")});
        q->bind(QStringLiteral("xmfl"), 3);
        q->open();
        QCOMPARE(q->rowCount(), 1);
        q->clearSql();
        q->addSql(QStringLiteral("select  *  from  xmidb"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, q->bind(QStringLiteral("xmfl"), 3));
        q->addSql(QStringLiteral("where  zdbh= :zdbh"));
        q->bind(QStringLiteral("zdbh"), 1);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, q->bind(QStringLiteral("xmfl"), 3));
        q->open();
        QCOMPARE(q->integer(QStringLiteral("xmfl")), 1);
    }

    // A whole day is stored at 00:00:00 also on a day whose midnight the
    // local clock skips (summer time starting at midnight, as in Santiago,
    // the zone this test runs in).
    void dayStoredAtMidnightWhateverTheClock()
    {
        const QDate skipped(2024, 9, 8);
        // Qt takes the moment the clock skips as no time at all.
        if (QDateTime(skipped, QTime(0, 0)).isValid())
            QSKIP("the time zone America/Santiago is not installed");
        QCOMPARE(DbDateTime::fromDate(skipped), QStringLiteral("2024-09-08 00:00:00"));
        QCOMPARE(DbDateTime::fromDateTime(QDateTime(QDate(2024, 3, 5), QTime(9, 30, 15, 999))),
                 QStringLiteral("2024-03-05 09:30:15"));
        QCOMPARE(DbDateTime::fromTime(QTime(23, 59, 59)), QStringLiteral("1899-12-30 23:59:59"));
    }
};

int main(int argc, char *argv[])
{
    // Set before Qt reads the local time zone.
    qputenv("TZ", "America/Santiago");
    QCoreApplication app(argc, argv);
    TestStatements test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_statements.moc"
