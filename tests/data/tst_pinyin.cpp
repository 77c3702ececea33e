// The one order of names: Chinese by pinyin, Latin letters without regard
// to case, a total order; and the database's pinyin collation sorting the
// same way as the file lists do.
#include "testenv.h"

#include "data/pinyin.h"
#include "data/sqlite.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

class TestPinyin : public QObject {
    Q_OBJECT

private slots:
    void pairs_data();
    void pairs();
    void databaseSortsTheSame();
};

void TestPinyin::pairs_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign"); // of compare(a, b)
    QTest::newRow("北京 before 上海") << "北京.jpg" << "上海.jpg" << -1;
    QTest::newRow("上海 before 照片") << "上海.jpg" << "照片.jpg" << -1;
    QTest::newRow("阿 (a) before 北 (bei)") << "阿姨" << "北京" << -1;
    QTest::newRow("Chinese before Latin") << "照片" << "apple" << -1;
    QTest::newRow("digits first") << "2024" << "阿姨" << -1;
    QTest::newRow("case ignored") << "apple" << "Banana" << -1;
    QTest::newRow("case ignored, other way") << "Zoo" << "apple" << 1;
    QTest::newRow("same letters: code points decide") << "Apple" << "apple" << -1;
    QTest::newRow("same text") << "北京" << "北京" << 0;
    QTest::newRow("prefix first") << "北" << "北京" << -1;
}

void TestPinyin::pairs()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int c = Pinyin::compare(a, b);
    QCOMPARE((c > 0) - (c < 0), sign);
    const int back = Pinyin::compare(b, a);
    QCOMPARE((back > 0) - (back < 0), -sign);
    QCOMPARE(Pinyin::less(a, b), sign < 0);
}

void TestPinyin::databaseSortsTheSame()
{
    QStringList names = {"照片", "上海", "apple", "北京", "Zoo", "Apple", "阿姨", "2024", "banana", "广州"};
    QTemporaryDir dir;
    SqliteDb db;
    db.open(dir.filePath(QStringLiteral("t.db")), SqliteDb::Mode::Create);
    db.exec(QStringLiteral("create table t(x text)"));
    for (const QString &n : names) {
        SqliteStatement insert = db.prepare(QStringLiteral("insert into t(x) values (:x)"));
        insert.bind(QStringLiteral("x"), n);
        insert.run();
    }
    QStringList fromDb;
    SqliteStatement select = db.prepare(QStringLiteral("select x from t order by x collate pinyin"));
    while (select.step())
        fromDb << select.text(0);
    std::sort(names.begin(), names.end(), Pinyin::less);
    QCOMPARE(fromDb, names);
    QCOMPARE(names.mid(0, 5), QStringList({"2024", "阿姨", "北京", "广州", "上海"}));
}

QTEST_GUILESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
