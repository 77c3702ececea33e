// The quick check of a database file's pages against SQLite's own integrity
// check: sound files of every shape pass it (trees of several levels, values
// that overflow from tables and from indexes, free pages, other page
// sizes), and damaged files (cut off, noise on the head, on leaves and on an
// interior page, pointers and counts that lie) do not.
#include "testenv.h"

#include "damage.h"

#include "data/pagecheck.h"
#include "data/schema.h"
#include "data/sqlite.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QList<quint32> rootsOf(const QString &file)
{
    SqliteDb db;
    db.open(file, SqliteDb::Mode::ReadOnly);
    return PageCheck::rootPages(db);
}

// SQLite's verdict: its integrity check's findings, or why it cannot check.
QStringList sqliteProblems(const QString &file)
{
    try {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::ReadOnly);
        return db.integrityProblems();
    } catch (const DbError &e) {
        return {e.details()};
    }
}

PageCheck::Result check(const QString &file)
{
    QList<quint32> roots;
    try {
        roots = rootsOf(file);
    } catch (const DbError &) {
        // a head too damaged for SQLite: the check reads what it can
    }
    return PageCheck::check(file, roots);
}

QString text(QRandomGenerator &rng, int length)
{
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i)
        s += QChar(0x4E00 + rng.bounded(0x2000));
    return s;
}

// A notebook of every shape: notes short and long (overflowing several
// pages), pictures of every size around a page, memos and contacts; some
// deleted again, so the file has free pages.
void fillNotebook(const QString &file, int rows)
{
    SqliteDb db;
    db.open(file, SqliteDb::Mode::ReadWrite);
    Transaction t(db);
    QRandomGenerator rng(99);
    SqliteStatement note = db.prepare(QStringLiteral("insert into jsbnrb(jsid, jsrq, jsfl, jsbt, jsnr) values (?,?,?,?,?)"));
    SqliteStatement picture = db.prepare(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values (?,?,?)"));
    SqliteStatement memo = db.prepare(QStringLiteral("insert into bwlnrb(bwlid, bwlzt, bwlnr) values (?,?,?)"));
    const int sizes[] = {0, 1, 100, 1000, 2000, 4000, 4061, 4062, 4100, 8200, 30000, 300000};
    for (int i = 0; i < rows; ++i) {
        const QString id = QStringLiteral("JS-%1").arg(i);
        note.bind(1, id);
        note.bind(2, QStringLiteral("2024-03-05 00:00:00"));
        note.bind(3, text(rng, 2));
        note.bind(4, text(rng, 8));
        note.bind(5, text(rng, i % 7 == 0 ? 5000 + rng.bounded(20000) : 50 + rng.bounded(400)));
        note.run();
        note.reset();
        if (i % 3 == 0) {
            QByteArray bytes(sizes[(i / 3) % std::size(sizes)], Qt::Uninitialized);
            for (char &c : bytes)
                c = char(rng.bounded(256));
            picture.bind(1, id);
            picture.bind(2, text(rng, 4));
            picture.bind(3, bytes);
            picture.run();
            picture.reset();
        }
        memo.bind(1, QStringLiteral("BWL-%1").arg(i));
        memo.bind(2, text(rng, 6));
        memo.bind(3, text(rng, 30 + rng.bounded(300)));
        memo.run();
        memo.reset();
    }
    db.exec(QStringLiteral("delete from jstpb where zdbh % 4 = 1"));
    db.exec(QStringLiteral("delete from jsbnrb where zdbh % 5 = 2"));
    t.commit();
}

// A database of another shape: a small page size (deep trees) and an index
// on long texts, whose entries overflow from index pages.
void fillDeepIndexedTable(const QString &file, int pageSize)
{
    SqliteDb db;
    db.open(file, SqliteDb::Mode::Create);
    db.exec(QStringLiteral("pragma page_size=%1").arg(pageSize));
    db.exec(QStringLiteral("create table t(a integer primary key, b text, c blob)"));
    db.exec(QStringLiteral("create index t_b on t(b)"));
    Transaction t(db);
    QRandomGenerator rng(7);
    SqliteStatement st = db.prepare(QStringLiteral("insert into t(b, c) values (?, ?)"));
    for (int i = 0; i < 3000; ++i) {
        st.bind(1, text(rng, i % 10 == 0 ? 1500 : 20));
        st.bind(2, QByteArray(rng.bounded(3 * pageSize), 'x'));
        st.run();
        st.reset();
    }
    db.exec(QStringLiteral("delete from t where a % 7 = 0"));
    t.commit();
}

QByteArray pageOf(const QString &file, quint32 page, int size = Damage::kPage)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(qint64(page - 1) * size))
        return {};
    return f.read(size);
}

bool writeAt(const QString &file, qint64 offset, const QByteArray &bytes)
{
    QFile f(file);
    return f.open(QIODevice::ReadWrite) && f.seek(offset) && f.write(bytes) == bytes.size();
}

// The first interior page of a table tree below its root, or 0.
quint32 interiorPageOf(const QString &file, quint32 root)
{
    const QByteArray r = pageOf(file, root);
    if (r.isEmpty() || quint8(r.at(0)) != 5)
        return 0;
    const quint32 child = qFromBigEndian<quint32>(r.constData() + 8);
    const QByteArray c = pageOf(file, child);
    return !c.isEmpty() && quint8(c.at(0)) == 5 ? child : root;
}

} // namespace

class TestPageCheck : public QObject {
    Q_OBJECT

private slots:
    void soundFilesPass_data();
    void soundFilesPass();
    void damagedFilesFail_data();
    void damagedFilesFail();
    void fileThatVacuumsItselfIsLeftToSQLite();
};

void TestPageCheck::soundFilesPass_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("a new notebook") << "new";
    QTest::newRow("a notebook of every shape") << "notebook";
    QTest::newRow("deep trees, an index that overflows, 1 KB pages") << "deep1024";
    QTest::newRow("deep trees, an index that overflows, 512-byte pages") << "deep512";
    QTest::newRow("64 KB pages") << "deep65536";
}

void TestPageCheck::soundFilesPass()
{
    QFETCH(QString, shape);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    if (shape.startsWith(QLatin1String("deep"))) {
        fillDeepIndexedTable(file, shape.mid(4).toInt());
    } else {
        Schema::createDatabase(file);
        if (shape == QLatin1String("notebook"))
            fillNotebook(file, 1500);
    }
    QCOMPARE(sqliteProblems(file), QStringList());
    const PageCheck::Result r = check(file);
    QVERIFY2(r.passed(), qPrintable(r.problems.join(QLatin1Char('\n'))));
}

void TestPageCheck::damagedFilesFail_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("cut off in the middle of a page") << "mid-page";
    QTest::newRow("cut off at a page's end") << "pages missing";
    QTest::newRow("noise on the head") << "head";
    QTest::newRow("noise on the last pages") << "last pages";
    QTest::newRow("noise on an interior page") << "interior";
    QTest::newRow("a leaf written over another") << "leaf copied";
    QTest::newRow("an overflow pointer into a tree") << "overflow pointer";
    QTest::newRow("a wrong count of free pages") << "free count";
}

void TestPageCheck::damagedFilesFail()
{
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    fillNotebook(file, 1500);
    const QList<quint32> roots = rootsOf(file);
    const quint32 notesRoot = roots.first(); // jsbnrb, the first table made
    const qint64 pages = Damage::pagesOf(file);

    if (damage == QLatin1String("mid-page")) {
        QVERIFY(Damage::truncateMidPage(file));
    } else if (damage == QLatin1String("pages missing")) {
        QVERIFY(QFile(file).resize((pages - 3) * Damage::kPage));
    } else if (damage == QLatin1String("head")) {
        QVERIFY(Damage::overwriteWithNoise(file, 1, 1));
    } else if (damage == QLatin1String("last pages")) {
        QVERIFY(Damage::overwriteWithNoise(file, pages - 8, 8));
    } else if (damage == QLatin1String("interior")) {
        const quint32 interior = interiorPageOf(file, notesRoot);
        QVERIFY(interior > 1);
        QVERIFY(Damage::overwriteWithNoise(file, interior, 1));
    } else if (damage == QLatin1String("leaf copied")) {
        // Two leaves of the notes side by side: the second's rows are gone,
        // the first's are there twice.
        quint32 parent = notesRoot;
        QByteArray page = pageOf(file, parent);
        while (quint8(page.at(0)) == 5) {
            const quint32 child = qFromBigEndian<quint32>(page.constData() + qFromBigEndian<quint16>(page.constData() + 12));
            const QByteArray below = pageOf(file, child);
            if (quint8(below.at(0)) == 13)
                break;
            parent = child;
            page = below;
        }
        QVERIFY(quint8(page.at(0)) == 5 && qFromBigEndian<quint16>(page.constData() + 3) >= 2);
        const quint32 leafA = qFromBigEndian<quint32>(page.constData() + qFromBigEndian<quint16>(page.constData() + 12));
        const quint32 leafB = qFromBigEndian<quint32>(page.constData() + qFromBigEndian<quint16>(page.constData() + 14));
        QVERIFY(writeAt(file, qint64(leafB - 1) * Damage::kPage, pageOf(file, leafA)));
    } else if (damage == QLatin1String("overflow pointer")) {
        // The first overflowing picture's pointer made to point at the
        // notes' root.
        bool done = false;
        for (quint32 p = 2; p <= quint32(pages) && !done; ++p) {
            const QByteArray page = pageOf(file, p);
            if (quint8(page.at(0)) != 13)
                continue;
            const int cells = qFromBigEndian<quint16>(page.constData() + 3);
            for (int i = 0; i < cells && !done; ++i) {
                const int at = qFromBigEndian<quint16>(page.constData() + 8 + 2 * i);
                // A cell whose payload length (two-byte varint) exceeds a page.
                const quint8 b0 = quint8(page.at(at)), b1 = quint8(page.at(at + 1));
                if (!(b0 & 0x80) || (b1 & 0x80))
                    continue;
                const quint64 payload = (quint64(b0 & 0x7f) << 7) | b1;
                if (payload <= 4061)
                    continue;
                const quint64 minLocal = (quint64(4096 - 12) * 32 / 255) - 23;
                const quint64 k = minLocal + (payload - minLocal) % (4096 - 4);
                const quint64 local = k <= 4061 ? k : minLocal;
                int rowid = at + 2;
                while (quint8(page.at(rowid)) & 0x80)
                    ++rowid;
                const qint64 pointer = qint64(p - 1) * Damage::kPage + rowid + 1 + qint64(local);
                QByteArray bytes(4, '\0');
                qToBigEndian<quint32>(notesRoot, bytes.data());
                QVERIFY(writeAt(file, pointer, bytes));
                done = true;
            }
        }
        QVERIFY(done);
    } else if (damage == QLatin1String("free count")) {
        const QByteArray head = pageOf(file, 1);
        QByteArray count(4, '\0');
        qToBigEndian<quint32>(qFromBigEndian<quint32>(head.constData() + 36) + 1, count.data());
        QVERIFY(writeAt(file, 36, count));
    }

    QVERIFY2(!sqliteProblems(file).isEmpty(), "SQLite finds the damage too");
    const PageCheck::Result r = check(file);
    QVERIFY(!r.undecided);
    QVERIFY(!r.problems.isEmpty());
}

void TestPageCheck::fileThatVacuumsItselfIsLeftToSQLite()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("auto.db"));
    {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::Create);
        db.exec(QStringLiteral("pragma auto_vacuum=full"));
        db.exec(QStringLiteral("create table t(a text)"));
        db.exec(QStringLiteral("insert into t values ('x')"));
    }
    const PageCheck::Result r = check(file);
    QVERIFY(r.undecided);
    QVERIFY(!r.passed());
}

QTEST_MAIN(TestPageCheck)
#include "tst_pagecheck.moc"
