// The phone-book import step on workbooks made here: which rows it reads,
// the identifiers every row takes, the column mapping and the texts stored,
// and that every failure and a cancel leave the contacts and the counter
// as they were, a commit that fails included; and the command-line tool.
#include "phonebooks.h" // glib before Qt

#include "testenv.h"

#include "data/unitdm.h"
#include "formats/phonebookimport.h"
#include "formats/workbook.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <optional>

using namespace PhoneBooks;
using PhoneBookImport::Failure;

namespace {

const QDate kEntry(2024, 3, 15);

// Ten contacts in rows 4..13 under three heading rows, as a phone book
// handed out by an office looks.
Sheet officeBook()
{
    Sheet s;
    s[1] = row({QStringLiteral("某单位通讯录")});
    s[3] = row({QStringLiteral("分类"), QStringLiteral("姓名"), QStringLiteral("移动电话")});
    for (int i = 0; i < 10; ++i)
        s[4 + i] = contact(QStringLiteral("联系人%1").arg(4 + i), 4 + i);
    return s;
}

} // namespace

class TestPhoneBookImport : public QObject {
    Q_OBJECT

    TestDb *db = nullptr;

    QString book(const QString &name, const Sheet &sheet)
    {
        const QString p = db->dir.filePath(name);
        return write(p, sheet) ? p : QString();
    }
    int counter() { return db->scalar(QStringLiteral("select xmid from xmidb where xmfl=3")).toInt(); }
    QStringList ids() { return names(QStringLiteral("txlid")); }
    QStringList names(const QString &column = QStringLiteral("xingm"))
    {
        QStringList out;
        for (const QVariantMap &r : db->rows(QStringLiteral("tongxunlb")))
            out << r.value(column).toString();
        return out;
    }

    // Runs the import; a Failure or a cancel fails the test.
    PhoneBookImport::Result import(const QString &path, const QString &first, const QString &last)
    {
        try {
            return PhoneBookImport::run(nullptr, path, first, last, {}, kEntry);
        } catch (const Failure &e) {
            qWarning("import failed: %s", qPrintable(e.details()));
        } catch (const PhoneBookImport::Cancelled &) {
            qWarning("import cancelled");
        }
        return {};
    }

    // Runs an import that must fail; returns its Failure's details.
    QString failing(const QString &path, const QString &first, const QString &last,
                    const PhoneBookImport::Progress &progress = {})
    {
        try {
            PhoneBookImport::run(nullptr, path, first, last, progress, kEntry);
        } catch (const Failure &e) {
            return e.details();
        }
        return QStringLiteral("<stored>");
    }

private slots:
    void init()
    {
        db = new TestDb();
        db->exec(QStringLiteral("update xmidb set xmid=20 where xmfl=3"));
    }
    void cleanup()
    {
        delete db;
        db = nullptr;
    }

    void rowsFirstToLast_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("counterAfter");
        const QStringList seven = {QStringLiteral("联系人4"), QStringLiteral("联系人5"), QStringLiteral("联系人6"),
                                   QStringLiteral("联系人7"), QStringLiteral("联系人8"), QStringLiteral("联系人9"),
                                   QStringLiteral("联系人10")};
        for (const char *ext : {"xlsx", "xls"}) {
            const QString f = QStringLiteral("book.%1").arg(QLatin1String(ext));
            QTest::addRow("%s: rows 4 to 10 read seven rows", ext) << f << "4" << "10" << seven << 27;
            QTest::addRow("%s: start equal to last", ext) << f << "7" << "7" << QStringList{QStringLiteral("联系人7")} << 21;
            QTest::addRow("%s: last smaller than start", ext) << f << "9" << "8" << QStringList() << 20;
            QTest::addRow("%s: rows past the sheet's end", ext) << f << "12" << "20" << QStringList{QStringLiteral("联系人12"), QStringLiteral("联系人13")} << 29;
        }
        QTest::newRow("blanks around the numbers") << "book.xlsx" << " 5 " << "6 " << QStringList{QStringLiteral("联系人5"), QStringLiteral("联系人6")} << 22;
    }
    void rowsFirstToLast()
    {
        QFETCH(QString, file);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QStringList, stored);
        QFETCH(int, counterAfter);
        const QString path = book(file, officeBook());
        const PhoneBookImport::Result r = import(path, first, last);
        QCOMPARE(names(), stored);
        QCOMPARE(counter(), counterAfter);
        QCOMPARE(r.rowsRead, counterAfter - 20);
        QCOMPARE(r.contactsAdded, int(stored.size()));
        // Every row read took an identifier, in row order.
        QCOMPARE(r.firstId, r.rowsRead ? QStringLiteral("TXL-20") : QString());
        QCOMPARE(r.lastId, r.rowsRead ? QStringLiteral("TXL-%1").arg(counterAfter - 1) : QString());
    }

    void emptyNameConsumesIdentifier()
    {
        Sheet s;
        s[4] = contact(QStringLiteral("张三"), 1);
        s[5] = contact(QString(), 2);
        s[6] = contact(QStringLiteral("李四"), 3);
        const PhoneBookImport::Result r = import(book(QStringLiteral("gap.xlsx"), s), QStringLiteral("4"), QStringLiteral("6"));
        QCOMPARE(ids(), (QStringList{QStringLiteral("TXL-20"), QStringLiteral("TXL-22")}));
        QCOMPARE(names(), (QStringList{QStringLiteral("张三"), QStringLiteral("李四")}));
        QCOMPARE(counter(), 23);
        QCOMPARE(r.rowsRead, 3);
        QCOMPARE(r.contactsAdded, 2);
    }

    // Columns A..S land in their fields; texts stay as read, an empty cell
    // is stored as the empty text (not null), numbers and dates as a
    // spreadsheet shows them; the entry date is the day only.
    void columnMapping_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << "map.xlsx";
        QTest::newRow("xls") << "map.xls";
    }
    void columnMapping()
    {
        QFETCH(QString, file);
        Sheet s;
        Row r;
        r << QStringLiteral("家人") << QStringLiteral("王 五") << 13800138000.0 << QStringLiteral("010-65520001")
          << QString() << QStringLiteral("第一行\n第二行") << QStringLiteral("女") << 35.0 << QStringLiteral("浙江杭州")
          << QStringLiteral("科长") << QStringLiteral("西湖区1号") << 3.5 << QStringLiteral("w@example.com")
          << 123456789.0 << QDate(1980, 5, 17) << QStringLiteral("  ") << QString() << QStringLiteral("书法")
          << QStringLiteral("最后一列");
        s[4] = r;
        import(book(file, s), QStringLiteral("4"), QStringLiteral("4"));
        const QList<QVariantMap> rows = db->rows(QStringLiteral("tongxunlb"));
        QCOMPARE(rows.size(), 1);
        const QVariantMap c = rows.first();
        const QStringList expected = {QStringLiteral("家人"), QStringLiteral("王 五"), QStringLiteral("13800138000"),
                                      QStringLiteral("010-65520001"), QString(), QStringLiteral("第一行\n第二行"),
                                      QStringLiteral("女"), QStringLiteral("35"), QStringLiteral("浙江杭州"),
                                      QStringLiteral("科长"), QStringLiteral("西湖区1号"), QStringLiteral("3.5"),
                                      QStringLiteral("w@example.com"), QStringLiteral("123456789"),
                                      QStringLiteral("1980-05-17"), QStringLiteral("  "), QString(),
                                      QStringLiteral("书法"), QStringLiteral("最后一列")};
        for (int col = 0; col < PhoneBookImport::ColumnCount; ++col) {
            const QString field = PhoneBookImport::columns().at(col);
            QVERIFY2(!c.value(field).isNull(), qPrintable(field + QStringLiteral(" is null")));
            QCOMPARE(field + QLatin1Char('=') + c.value(field).toString(), field + QLatin1Char('=') + expected.at(col));
        }
        QCOMPARE(c.value(QStringLiteral("txlid")).toString(), QStringLiteral("TXL-20"));
        QCOMPARE(c.value(QStringLiteral("lrrq")).toString(), QStringLiteral("2024-03-15 00:00:00"));
        QVERIFY(c.value(QStringLiteral("xh")).isNull());
    }

    // Every failure rolls back the whole run: the rows stored before it and
    // the counter; the details name the row, the column and the reason.
    void failureRollsBackEverything_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("inDetails");
        const QStringList overlong = {QStringLiteral("第6行"), QStringLiteral("H列（年龄）"), QStringLiteral("年龄超过3个字符")};
        const QStringList errorCell = {QStringLiteral("第7行"), QStringLiteral("D列"), QStringLiteral("#N/A")};
        QTest::newRow("xlsx: an over-long cell in the third row") << "long" << "f.xlsx" << "4" << "7" << overlong;
        QTest::newRow("xls: an over-long cell in the third row") << "long" << "f.xls" << "4" << "7" << overlong;
        QTest::newRow("xlsx: an error cell in the last row") << "error" << "f.xlsx" << "4" << "7" << errorCell;
        QTest::newRow("xls: an error cell in the last row") << "error" << "f.xls" << "4" << "7" << errorCell;
        QTest::newRow("start row 3.5") << "none" << "f.xlsx" << "3.5" << "7" << QStringList{QStringLiteral("起始行数“3.5”不是整数")};
        QTest::newRow("last row not a number") << "none" << "f.xlsx" << "4" << "七" << QStringList{QStringLiteral("总行数“七”不是整数")};
        QTest::newRow("row 0") << "none" << "f.xlsx" << "0" << "5" << QStringList{QStringLiteral("超出工作表的范围")};
        QTest::newRow("past the last row a sheet holds") << "none" << "f.xlsx" << "4" << "1048577" << QStringList{QStringLiteral("超出工作表的范围")};
        QTest::newRow("no such workbook") << "missing" << "f.xlsx" << "4" << "5" << QStringList{QStringLiteral("不存在")};
        QTest::newRow("not a workbook") << "text" << "f.xls" << "4" << "5" << QStringList{QStringLiteral("不是Excel工作簿")};
    }
    void failureRollsBackEverything()
    {
        QFETCH(QString, fault);
        QFETCH(QString, file);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QStringList, inDetails);
        Sheet s;
        for (int r = 4; r <= 7; ++r)
            s[r] = contact(QStringLiteral("联系人%1").arg(r), r);
        if (fault == QLatin1String("long"))
            s[6][7] = QStringLiteral("1234");            // H, age: three characters at most
        if (fault == QLatin1String("error"))
            s[7][3] = error(QStringLiteral("#N/A"));     // D, office phone
        const QString path = db->dir.filePath(file);
        if (fault == QLatin1String("text"))
            QVERIFY(Fx::writeFile(path, "姓名,电话\n"));
        else if (fault != QLatin1String("missing"))
            QVERIFY(write(path, s));

        const QString details = failing(path, first, last);
        for (const QString &part : inDetails)
            QVERIFY2(details.contains(part), qPrintable(details));
        QCOMPARE(db->count(QStringLiteral("tongxunlb")), 0);
        QCOMPARE(counter(), 20);
        // The connection is out of the transaction and usable afterwards.
        QVERIFY(!DM->ADOConnection->inTransaction());
        QCOMPARE(DM->ReadXmid(3), QStringLiteral("20"));
    }

    // Cancelling part-way rolls back what was stored so far.
    void cancelRollsBack()
    {
        const QString path = book(QStringLiteral("book.xlsx"), officeBook());
        QList<int> seen;
        int total = -1;
        bool cancelled = false;
        try {
            PhoneBookImport::run(nullptr, path, QStringLiteral("4"), QStringLiteral("10"),
                                 [&](int done, int t) {
                                     seen << done;
                                     total = t;
                                     return done < 3;
                                 },
                                 kEntry);
        } catch (const PhoneBookImport::Cancelled &) {
            cancelled = true;
        }
        QVERIFY(cancelled);
        QCOMPARE(seen, (QList<int>{0, 1, 2, 3}));
        QCOMPARE(total, 7);
        QCOMPARE(db->count(QStringLiteral("tongxunlb")), 0);
        QCOMPARE(counter(), 20);
    }

    // A commit that fails is a failure: a second copy of the program reads
    // the table when the last row is stored and holds its read until after
    // the commit gave up waiting for it.
    void failingCommitStoresNothing()
    {
        const QString path = book(QStringLiteral("book.xlsx"), officeBook());
        std::optional<SqliteStatement> reading;
        const QString details = failing(path, QStringLiteral("4"), QStringLiteral("6"), [&](int done, int total) {
            if (done == total && total > 0) {
                db->direct().exec(QStringLiteral("begin"));
                reading.emplace(db->direct().prepare(QStringLiteral("select count(*) from tongxunlb")));
                reading->step();
            }
            return true;
        });
        reading.reset();
        db->direct().exec(QStringLiteral("commit"));
        QVERIFY2(details.contains(QStringLiteral("原因")), qPrintable(details));
        QVERIFY2(!details.contains(QStringLiteral("行：")), qPrintable(details));
        QCOMPARE(db->count(QStringLiteral("tongxunlb")), 0);
        QCOMPARE(counter(), 20);
        // Once the reader has gone the same import goes through.
        QCOMPARE(import(path, QStringLiteral("4"), QStringLiteral("6")).contactsAdded, 3);
        QCOMPARE(counter(), 23);
    }

    // The command-line tool: the same import on FOLDER/jsbdbf.mdb, a
    // summary, and a non-zero exit with the reason when nothing was stored.
    void commandLineTool_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("counterAfter");
        QTest::newRow("rows 4 to 10") << QStringList{"4", "10"} << 0
                                      << "读取 7 行，添加 6 个联系人，用去编号 7 个（TXL-20 至 TXL-26）" << 6 << 27;
        QTest::newRow("over-long cell in row 12") << QStringList{"4", "13"} << 1 << "第12行" << 0 << 20;
        QTest::newRow("last below first") << QStringList{"9", "8"} << 1 << "没有要读的行" << 0 << 20;
        QTest::newRow("start row 3.5") << QStringList{"3.5", "8"} << 1 << "起始行数“3.5”不是整数" << 0 << 20;
        QTest::newRow("too few arguments") << QStringList{"4"} << 2 << "用法" << 0 << 20;
    }
    void commandLineTool()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QFETCH(int, stored);
        QFETCH(int, counterAfter);
        const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvane-import-phonebook");
        if (!QFile::exists(tool))
            QSKIP("quorvane-import-phonebook is not built beside the tests");
        Sheet s = officeBook();
        s[6][1] = QString();               // a row without a name: not stored
        s[6][7] = QStringLiteral("1234");  // so its over-long age does no harm
        s[12][7] = QStringLiteral("1234"); // age: three characters at most
        const QString path = book(QStringLiteral("通讯 录.xlsx"), s);
        QProcess p;
        p.start(tool, QStringList{db->folder(), path} + args);
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitCode(), exitCode);
        QVERIFY2(out.contains(said), qPrintable(out));
        QCOMPARE(db->count(QStringLiteral("tongxunlb")), stored);
        QCOMPARE(counter(), counterAfter);
    }

    // The workbook held since it was chosen is the one read; it is used up.
    void readsTheReaderGiven()
    {
        Sheet a, b;
        a[4] = contact(QStringLiteral("甲"), 1);
        b[4] = contact(QStringLiteral("乙"), 2);
        const QString pa = book(QStringLiteral("a.xlsx"), a);
        const QString pb = book(QStringLiteral("b.xls"), b);
        try {
            PhoneBookImport::run(Workbook::Reader::open(pb), pa, QStringLiteral("4"), QStringLiteral("4"), {}, kEntry);
        } catch (const std::exception &e) {
            QFAIL(e.what());
        }
        QCOMPARE(names(), QStringList{QStringLiteral("乙")});
    }
};

QTEST_MAIN(TestPhoneBookImport)
#include "tst_phonebookimport.moc"
