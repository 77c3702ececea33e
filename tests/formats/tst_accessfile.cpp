// The Access reader on files written by other programs: the header test,
// every table of every shared Access file read to its last row, Jet 3 text
// as GBK, Jet 4 compressed Unicode, dates far from today, and files that are
// cut short or whose catalog would send libmdb reading for ever or past its
// buffers.
#include "accessfixture.h"
#include "data/database.h"
#include "data/schema.h"
#include "formats/accessfile.h"
#include "testenv.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString sharedFile(const QString &path)
{
    const QString root = testDataDir();
    return root.isEmpty() ? QString() : QDir(root).filePath(path);
}

// Every value of one column of `table`, in the order the file holds the rows.
QVariantList columnOf(const QString &file, const QString &table, const QString &column)
{
    AccessFile access;
    access.open(file);
    const std::unique_ptr<AccessTable> t = access.table(table);
    const int index = t->columnIndex(column);
    QVariantList out;
    while (t->next())
        out << t->value(index);
    return out;
}

} // namespace

class TestAccessFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void headerTellsTheFormat_data();
    void headerTellsTheFormat();
    void everySharedFileReadsToItsLastRow_data();
    void everySharedFileReadsToItsLastRow();
    void jet3TextIsReadAsGbk();
    void jet4CompressedUnicodeText();
    void datesFarFromToday();
    void cutShortFileIsRefused_data();
    void cutShortFileIsRefused();
    void damagedCatalogIsRefused_data();
    void damagedCatalogIsRefused();
};

void TestAccessFile::init()
{
    if (testDataDir(QStringLiteral("mdb")).isEmpty() || AccessFixture::legacyFile().isEmpty())
        QSKIP("testdata/mdb or testdata/legacy is absent (../shared/testdata beside the clone); Access files not read");
}

void TestAccessFile::headerTellsTheFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("format");
    QTest::newRow("Access 2000") << AccessFixture::legacyFile() << int(AccessFormat::Jet4);
    QTest::newRow("Access 97") << sharedFile(QStringLiteral("mdb/jet3/ucan_charsetGBK.mdb")) << int(AccessFormat::Jet3);
    QTest::newRow("Access 2007") << sharedFile(QStringLiteral("mdb/accdb/mtd_ASampleDatabase.accdb")) << int(AccessFormat::Ace);
    QTest::newRow("JPEG") << sharedFile(QStringLiteral("jpeg/valid/ir_rgb.jpg")) << int(AccessFormat::NotAccess);
    QTest::newRow("text") << sharedFile(QStringLiteral("legacy/SOURCES.txt")) << int(AccessFormat::NotAccess);
    QTest::newRow("missing") << sharedFile(QStringLiteral("no-such-file.mdb")) << int(AccessFormat::NotAccess);
}

void TestAccessFile::headerTellsTheFormat()
{
    QFETCH(QString, file);
    QFETCH(int, format);
    QCOMPARE(int(AccessHeader::sniff(file)), format);

    // Nor is a database of this program, nor an empty file.
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(ours);
    QCOMPARE(int(AccessHeader::sniff(ours)), int(AccessFormat::NotAccess));
    QFile empty(dir.filePath(QStringLiteral("empty.mdb")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(int(AccessHeader::sniff(empty.fileName())), int(AccessFormat::NotAccess));
}

void TestAccessFile::everySharedFileReadsToItsLastRow_data()
{
    AccessFixture::addSharedAccessFileRows();
}

void TestAccessFile::everySharedFileReadsToItsLastRow()
{
    QFETCH(QString, file);
    AccessFile access;
    try {
        access.open(file);
        for (const QString &name : access.tables()) {
            const std::unique_ptr<AccessTable> table = access.table(name);
            while (table->next()) {
            }
            QCOMPARE(table->rowsRead(), table->declaredRowCount());
        }
    } catch (const DbError &e) {
        QFAIL(qPrintable(e.text()));
    }
}

void TestAccessFile::jet3TextIsReadAsGbk()
{
    const QString file = sharedFile(QStringLiteral("mdb/jet3/ucan_charsetGBK.mdb"));
    QCOMPARE(columnOf(file, QStringLiteral("table1"), QStringLiteral("field1")), QVariantList{QStringLiteral("GBK编码")});
}

void TestAccessFile::jet4CompressedUnicodeText()
{
    const QVariantList texts = columnOf(sharedFile(QStringLiteral("mdb/jet4/jk_testUnicodeCompV2003.mdb")),
                                        QStringLiteral("Table"), QStringLiteral("Unicode"));
    QCOMPARE(texts.size(), 8);
    QCOMPARE(texts.at(0).toString(), QStringLiteral("only ascii chars"));
    QCOMPARE(texts.at(1).toString(), QStringLiteral("ääkkösiä"));
    QCOMPARE(texts.at(2).toString(), QStringLiteral("Мир"));
    QCOMPARE(texts.at(4).toString(), QStringLiteral("漢字仮名交じり文"));
    // Every Latin-1 character after the control characters, in one value.
    QCOMPARE(texts.at(7).toString().size(), 255);
    QVERIFY(texts.at(7).toString().contains(QStringLiteral("0123456789:;<=>?@ABC")));
}

void TestAccessFile::datesFarFromToday()
{
    const QString file = sharedFile(QStringLiteral("mdb/jet4/mtd_DateTestDatabase.mdb"));
    QCOMPARE(columnOf(file, QStringLiteral("DateTest"), QStringLiteral("DateTimeCol")),
             (QVariantList{QStringLiteral("2021-12-02 00:00:00"), QStringLiteral("9999-01-01 00:00:00"),
                           QStringLiteral("1898-01-01 00:00:00"), QStringLiteral("0632-01-01 00:00:00"),
                           QStringLiteral("2021-12-02 00:00:00"), QStringLiteral("2021-12-02 00:00:00")}));
    // A time of day lies on day zero; whole seconds.
    const QVariantList times = columnOf(AccessFixture::legacyFile(), QStringLiteral("jsbnrb"), QStringLiteral("jssj"));
    QCOMPARE(times.first().toString(), QStringLiteral("1899-12-30 22:22:05"));
    QVERIFY(times.contains(QStringLiteral("1899-12-30 23:59:59")));
    QVERIFY(times.contains(QStringLiteral("1899-12-30 00:00:00")));
}

void TestAccessFile::cutShortFileIsRefused_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("reason");
    QTest::newRow("mid-page") << qint64(400000) << QStringLiteral("截断");
    QTest::newRow("two pages") << qint64(2 * 4096) << QStringLiteral("已损坏");
    // Whole pages, the catalog intact: a picture's pages are gone...
    QTest::newRow("half the pages") << qint64(100 * 4096) << QStringLiteral("数据链断了");
    // ... or the last table's only data page, which libmdb passes over in silence.
    QTest::newRow("last page") << qint64(194 * 4096) << QStringLiteral("只读出");
}

void TestAccessFile::cutShortFileIsRefused()
{
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cut.mdb"));
    AccessFixture::copy(AccessFixture::legacyFile(), file);
    QVERIFY(QFile::resize(file, size));
    try {
        AccessFile access;
        access.open(file);
        for (const QString &name : access.tables()) {
            const std::unique_ptr<AccessTable> table = access.table(name);
            while (table->next()) {
            }
        }
        QFAIL("a file cut short was read without a word");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
        QVERIFY2(e.text().contains(file), qPrintable(e.text()));
    }
}

void TestAccessFile::damagedCatalogIsRefused_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    // libmdb alone would follow this loop for ever while reading the catalog...
    QTest::newRow("loop") << QStringLiteral("loop") << QStringLiteral("数据链断了");
    // ... and read far past the value, and fault, on this one.
    QTest::newRow("property block too long") << QStringLiteral("properties") << QStringLiteral("属性不完整");
}

void TestAccessFile::damagedCatalogIsRefused()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("catalog.mdb"));
    AccessFixture::copy(AccessFixture::legacyFile(), file);
    if (damage == QLatin1String("loop"))
        AccessFixture::loopCatalogProperties(file, QStringLiteral("jsbnrb"));
    else
        AccessFixture::breakCatalogProperties(file, QStringLiteral("jsbnrb"));
    AccessFile access;
    try {
        access.open(file);
        QFAIL("a damaged catalog was opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
    }
    QVERIFY(!access.isOpen());
}

QTEST_GUILESS_MAIN(TestAccessFile)
#include "tst_accessfile.moc"
