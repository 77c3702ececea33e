// The workbook readers on files made here, one behaviour each: the text of a
// cell, serial dates and date formats; .xls cells, strings split across
// CONTINUE records, code pages, rows out of order, OLE2 containers; .xlsx
// cells, strict namespaces, date systems, the first worksheet through the
// relationships; damaged and hostile files of both kinds; the readRows contract.
#include "workbookfixtures.h" // glib before Qt

#include "workbookchecks.h"

#include "formats/workbook.h"
#include "formats/workbook_p.h"

#include <QFile>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Workbook;
using namespace Checks;

Q_DECLARE_METATYPE(Workbook::Cell)

class TestWorkbook : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    QString biffFile(const QString &name, const QByteArray &stream)
    {
        const QString p = path(name);
        return Fx::writeFile(p, stream) ? p : QString();
    }
    QString xlsxFile(const QString &name, const Fx::Xlsx &x)
    {
        const QString p = path(name);
        return Fx::writeZip(p, x.entries()) ? p : QString();
    }

private slots:
    void cellText_data();
    void cellText();
    void errorCellHasNoText();
    void serialDates_data();
    void serialDates();
    void dateFormatCodes_data();
    void dateFormatCodes();
    void openErrors_data();
    void openErrors();

    void biffCells_data();
    void biffCells();
    void biffDateMode_data();
    void biffDateMode();
    void biffSharedStringsAcrossContinue();
    void biff5CodePage_data();
    void biff5CodePage();
    void biffRowsOutOfOrder();
    void biffDamaged_data();
    void biffDamaged();
    void oleContainers_data();
    void oleContainers();

    void xlsxCells_data();
    void xlsxCells();
    void xlsxStrictNamespaces();
    void xlsxDateSystem_data();
    void xlsxDateSystem();
    void xlsxFirstWorksheet_data();
    void xlsxFirstWorksheet();
    void xlsxDamaged_data();
    void xlsxDamaged();
    void xlsxStopsBeforeADamagedTail();
    void readRowsContract();
};


// ---- cells, dates, formats -------------------------------------------------

void TestWorkbook::cellText_data()
{
    QTest::addColumn<Cell>("cell");
    QTest::addColumn<QString>("text");
    auto number = [](double v) { return Detail::numberCell(v); };
    QTest::newRow("phone number") << number(13800138000.0) << "13800138000";
    QTest::newRow("fraction") << number(3.5) << "3.5";
    QTest::newRow("binary noise rounded away") << number(0.1 + 0.2) << "0.3";
    QTest::newRow("18-digit ID kept to 15 digits, no exponent") << number(3.10101195608231e17) << "310101195608231000";
    QTest::newRow("1e15 written out") << number(1e15) << "1000000000000000";
    QTest::newRow("negative whole") << number(-412721197309241e3) << "-412721197309241000";
    QTest::newRow("negative zero") << number(-0.0) << "0";
    QTest::newRow("small fraction") << number(0.000123) << "0.000123";
    QTest::newRow("tiny number keeps its exponent") << number(1.5e-7) << "1.5E-07";
    QTest::newRow("16 digits rounded to 15") << number(1234567.890123456) << "1234567.89012346";
    QTest::newRow("text with line break") << Detail::textCell(QStringLiteral("张三\n李四")) << "张三\n李四";
    QTest::newRow("true") << Detail::boolCell(true) << "True";
    QTest::newRow("false") << Detail::boolCell(false) << "False";
    QTest::newRow("empty") << Cell() << "";
    QTest::newRow("date") << Detail::numericCell(45000, true, false) << "2023-03-15";
    QTest::newRow("date and time") << Detail::numericCell(45000.75, true, false) << "2023-03-15 18:00:00";
}

void TestWorkbook::cellText()
{
    QFETCH(Cell, cell);
    QFETCH(QString, text);
    QCOMPARE(Workbook::cellText(cell), text);
}

void TestWorkbook::errorCellHasNoText()
{
    const QString message = errorOf([] { Workbook::cellText(Detail::errorCell(QStringLiteral("#N/A"))); });
    QVERIFY2(message.contains(QLatin1String("#N/A")) && hasChinese(message), qPrintable(message));
}

void TestWorkbook::serialDates_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");   // "" when the serial is no date
    QTest::newRow("1900: serial 1") << 1.0 << false << "1900-01-01";
    QTest::newRow("1900: day before the false leap day") << 59.0 << false << "1900-02-28";
    QTest::newRow("1900: the false 1900-02-29") << 60.0 << false << "";
    QTest::newRow("1900: day after it") << 61.0 << false << "1900-03-01";
    QTest::newRow("1900: noon") << 43831.5 << false << "2020-01-01 12:00:00";
    QTest::newRow("1900: time alone") << 0.25 << false << "1899-12-31 06:00:00";
    QTest::newRow("rounds to the second") << 42488.479166666664 << false << "2016-04-28 11:30:00";
    QTest::newRow("rounds into the next day") << 43831.999999999 << false << "2020-01-02";
    QTest::newRow("1904: serial 0") << 0.0 << true << "1904-01-01";
    QTest::newRow("1904: same serial, 1462 days later") << 1.0 << true << "1904-01-02";
    QTest::newRow("1904: 2000-01-01") << 35064.0 << true << "2000-01-01";
    QTest::newRow("negative") << -1.0 << false << "";
    QTest::newRow("past 9999-12-31") << 2958466.0 << false << "";
    QTest::newRow("last day") << 2958465.0 << false << "9999-12-31";
}

void TestWorkbook::serialDates()
{
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    const Cell c = Detail::numericCell(serial, true, date1904);
    if (text.isEmpty()) {
        QCOMPARE(c.kind, CellKind::Number);
        QCOMPARE(c.number, serial);
    } else {
        QCOMPARE(c.kind, CellKind::DateTime);
        QCOMPARE(Workbook::cellText(c), text);
        QCOMPARE(c.number, serial);
    }
}

void TestWorkbook::dateFormatCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("date");
    QTest::newRow("ISO date") << "yyyy-mm-dd" << true;
    QTest::newRow("Chinese date") << "yyyy\"年\"m\"月\"d\"日\"" << true;
    QTest::newRow("locale prefix") << "[$-804]yyyy/m/d h:mm" << true;
    QTest::newRow("elapsed hours") << "[h]:mm:ss" << true;
    QTest::newRow("minutes and seconds") << "mm:ss" << true;
    QTest::newRow("General") << "General" << false;
    QTest::newRow("decimals") << "0.00" << false;
    QTest::newRow("thousands and red negatives") << "#,##0_);[Red](#,##0)" << false;
    QTest::newRow("quoted d") << "0.0\"days\"" << false;
    QTest::newRow("escaped s") << "0\\s" << false;
    QTest::newRow("Chinese numerals") << "[DBNum1]General" << false;
    QTest::newRow("currency with locale") << "[$¥-804]#,##0.00" << false;
    QTest::newRow("text") << "@" << false;
}

void TestWorkbook::dateFormatCodes()
{
    QFETCH(QString, code);
    QFETCH(bool, date);
    QCOMPARE(Detail::isDateFormatCode(code), date);
}

void TestWorkbook::openErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");   // "<none>": no file; "<folder>": a folder
    QTest::addColumn<QString>("word");
    QTest::newRow("missing") << QByteArray("<none>") << "不存在";
    QTest::newRow("folder") << QByteArray("<folder>") << "不是Excel工作簿";
    QTest::newRow("empty") << QByteArray() << "不是Excel工作簿";
    QTest::newRow("text") << QByteArray("姓名,电话\n张三,13800138000\n") << "不是Excel工作簿";
    QTest::newRow("BIFF3 stream") << QByteArray::fromHex("0902060000001000") << "BIFF2-4";
    QTest::newRow("OLE2 signature only") << QByteArray::fromHex("d0cf11e0a1b11ae1") << "已损坏";
    QTest::newRow("ZIP signature only") << QByteArray("PK\x03\x04", 4) << "已损坏";
}

void TestWorkbook::openErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, word);
    QString p = path(QStringLiteral("open-%1.xls").arg(QTest::currentDataTag()));
    if (bytes == "<folder>")
        QVERIFY(QDir().mkpath(p));
    else if (bytes != "<none>")
        QVERIFY(Fx::writeFile(p, bytes));
    const QString message = errorOf([&] { Reader::open(p); });
    QVERIFY2(message.contains(word) && hasChinese(message), qPrintable(message));
}

// ---- .xls made here ---------------------------------------------------------

void TestWorkbook::biffCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("NUMBER") << 1 << 1 << "13800138000";
    QTest::newRow("RK whole") << 1 << 2 << "-7";
    QTest::newRow("RK whole /100") << 1 << 3 << "12004.55";
    QTest::newRow("RK float") << 1 << 4 << "1.5";
    QTest::newRow("MULRK first") << 2 << 2 << "1";
    QTest::newRow("MULRK last") << 2 << 4 << "3";
    QTest::newRow("built-in date format") << 3 << 1 << "2023-03-15";
    QTest::newRow("Chinese custom date format") << 3 << 2 << "2023-03-15 18:00:00";
    QTest::newRow("custom format with a quoted d") << 3 << 3 << "45000";
    QTest::newRow("East Asian built-in date 31") << 3 << 4 << "2023-03-15";
    QTest::newRow("LABEL") << 4 << 1 << "王五";
    QTest::newRow("boolean") << 4 << 2 << "True";
    QTest::newRow("error") << 4 << 3 << "!#DIV/0!";
    QTest::newRow("NaN stored as a number") << 4 << 4 << "!#NUM!";
    QTest::newRow("formula: number") << 5 << 1 << "42";
    QTest::newRow("formula: text from STRING") << 5 << 2 << "公式文本";
    QTest::newRow("formula: boolean") << 5 << 3 << "False";
    QTest::newRow("formula: error") << 5 << 4 << "!#N/A";
    QTest::newRow("formula: empty text") << 6 << 1 << "";
    QTest::newRow("formula: text after SHRFMLA") << 6 << 2 << "共享";
    QTest::newRow("formula: date") << 6 << 3 << "2023-03-15";
    QTest::newRow("shared string with absurd count") << 6 << 4 << "一";
}

void TestWorkbook::biffCells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    using namespace Fx;
    const QByteArray globals = format8(164, QStringLiteral("yyyy\"年\"m\"月\"d\"日\" hh:mm"))
        + format8(165, QStringLiteral("0\"d\"")) + xf(0) + xf(14) + xf(164) + xf(165) + xf(31)
        // A table that claims 2^31-1 strings and holds one.
        + record(0x00FC, le32(1) + le32(0x7FFFFFFF) + str8(QStringLiteral("一")));
    const QByteArray nan = QByteArray::fromHex("000000000000f87f");
    const QByteArray sheet = number(1, 1, 13800138000.0) + rk(1, 2, quint32(-7 * 4) | 2)
        + rk(1, 3, (1200455u << 2) | 3) + rk(1, 4, 0x3FF80000)
        + record(0x00BD, le16(1) + le16(1) + le16(0) + le32((1 << 2) | 2) + le16(0) + le32((2 << 2) | 2) + le16(0) + le32((3 << 2) | 2) + le16(3))
        + number(3, 1, 45000, 1) + number(3, 2, 45000.75, 2) + number(3, 3, 45000, 3) + number(3, 4, 45000, 4)
        + label8(4, 1, QStringLiteral("王五")) + boolErr(4, 2, 1, false) + boolErr(4, 3, 0x07, true)
        + record(0x0203, cellHead(4, 4, 0) + nan)
        + formula(5, 1, f64(42)) + formula(5, 2, flaggedResult(0)) + record(0x0207, str8(QStringLiteral("公式文本")))
        + formula(5, 3, flaggedResult(1, 0)) + formula(5, 4, flaggedResult(2, 0x2A))
        + formula(6, 1, flaggedResult(3)) + formula(6, 2, flaggedResult(0)) + record(0x04BC, QByteArray(10, '\0'))
        + record(0x0207, str8(QStringLiteral("共享"))) + formula(6, 3, f64(45000), 1) + labelSst(6, 4, 0)
        // Formatted but empty cells further down hold no value.
        + record(0x0201, cellHead(8, 1, 0)) + record(0x00BE, le16(8) + le16(1) + le16(0) + le16(0) + le16(0) + le16(7));
    const QString p = biffFile(QStringLiteral("cells.xls"), workbook(8, globals, sheet));
    EXPECT_READS(
        const auto reader = Reader::open(p);
        QCOMPARE(reader->rowCount(), 6);
        QCOMPARE(reader->columnCount(), 4);
        QCOMPARE(textAt(readAll(*reader), row, column), text);
    );
}

void TestWorkbook::biffDateMode_data()
{
    QTest::addColumn<QByteArray>("dateMode");   // the DATEMODE record, or none
    QTest::addColumn<QString>("text");
    QTest::newRow("none: 1900") << QByteArray() << "1900-01-01";
    QTest::newRow("0: 1900") << Fx::record(0x0022, Fx::le16(0)) << "1900-01-01";
    QTest::newRow("1: 1904") << Fx::record(0x0022, Fx::le16(1)) << "1904-01-02";
}

void TestWorkbook::biffDateMode()
{
    QFETCH(QByteArray, dateMode);
    QFETCH(QString, text);
    using namespace Fx;
    const QString p = biffFile(QStringLiteral("日期 1904.xls"), workbook(8, dateMode + xf(0) + xf(14), number(1, 1, 1, 1)));
    EXPECT_READS(verify(readAll(*Reader::open(p)), {"1,1=" + text}););
}

void TestWorkbook::biffSharedStringsAcrossContinue()
{
    using namespace Fx;
    // s0 whole; s1 Latin-1 then UTF-16 after the break (new flag byte);
    // s2 UTF-16 then Latin-1; s3 rich text and a phonetic block, its runs
    // broken across records (plain bytes: no flag); s4 after all that.
    const QByteArray sst = le32(5) + le32(5) + str8(QStringLiteral("中文"))
        + le16(6) + char(0) + QByteArray("abc");
    const QByteArray continue1 = QByteArray(1, 1) + utf16(QStringLiteral("张三李"))
        + le16(4) + char(1) + utf16(QStringLiteral("电话"));
    const QByteArray continue2 = QByteArray(1, 0) + QByteArray("no")
        + le16(3) + char(0x0C) + le16(2) + le32(10) + QByteArray("xyz") + QByteArray(4, '\x11');
    const QByteArray continue3 = QByteArray(4, '\x22') + QByteArray(10, '\x33') + str8(QStringLiteral("完"));
    const QByteArray globals = xf(0) + record(0x00FC, sst) + record(0x003C, continue1) + record(0x003C, continue2)
        + record(0x003C, continue3);
    QByteArray sheet;
    for (int i = 0; i < 5; ++i)
        sheet += labelSst(i + 1, 1, quint32(i));
    EXPECT_READS(
        const auto reader = Reader::open(biffFile(QStringLiteral("sst.xls"), workbook(8, globals, sheet)));
        verify(readAll(*reader), {"1,1=中文", "2,1=abc张三李", "3,1=电话no", "4,1=xyz", "5,1=完"});
    );
}

void TestWorkbook::biff5CodePage_data()
{
    QTest::addColumn<QByteArray>("codePage");   // the CODEPAGE record, or none
    QTest::addColumn<QByteArray>("name");       // BOUNDSHEET name field
    QTest::addColumn<QByteArray>("label");      // LABEL string: 16-bit count, bytes
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("text");
    const QByteArray gbkName = QByteArray("\x02") + QByteArray::fromHex("cda8d1b6c2bc");   // 通讯录: 3 characters, 6 bytes
    const QByteArray gbk = QByteArray::fromHex("d5c5c8fd") + "A1" + QByteArray::fromHex("c0eecbc4");   // 张三A1李四
    QTest::newRow("GBK, counts in characters") << Fx::record(0x0042, Fx::le16(936)) << QByteArray("\x03") + gbkName.mid(1)
                                               << Fx::le16(6) + gbk << "通讯录" << "张三A1李四";
    QTest::newRow("no CODEPAGE: cp1252") << QByteArray() << QByteArray("\x04") + "Caf\xE9"
                                         << Fx::le16(5) + "\x80 2\xE9s" << "Café" << "€ 2és";
    QTest::newRow("cp1251") << Fx::record(0x0042, Fx::le16(1251)) << QByteArray("\x04\xCB\xE8\xF1\xF2")
                            << Fx::le16(6) + "\xCC\xEE\xF1\xEA\xE2\xE0" << "Лист" << "Москва";
}

void TestWorkbook::biff5CodePage()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, label);
    QFETCH(QString, sheet);
    QFETCH(QString, text);
    using namespace Fx;
    const QByteArray stream = workbook(5, codePage + xf(0), record(0x0204, cellHead(2, 3, 0) + label), name);
    EXPECT_READS(
        const auto reader = Reader::open(biffFile(QStringLiteral("biff5.xls"), stream));
        QCOMPARE(reader->sheetName(), sheet);
        verify(readAll(*reader), {"2,3=" + text});
    );
}

void TestWorkbook::biffRowsOutOfOrder()
{
    using namespace Fx;
    // Written column by column, as some writers do.
    const QByteArray sheet = label8(3, 1, QStringLiteral("丙")) + label8(1, 1, QStringLiteral("甲")) + label8(2, 1, QStringLiteral("乙"))
        + number(3, 2, 3) + number(1, 2, 1) + number(2, 2, 2);
    EXPECT_READS(
        const auto reader = Reader::open(biffFile(QStringLiteral("unsorted.xls"), workbook(8, xf(0), sheet)));
        QCOMPARE(reader->rowCount(), 3);
        verify(readAll(*reader), {"1,1=甲", "1,2=1", "2,1=乙", "2,2=2", "3,1=丙", "3,2=3"});
        QList<int> seen;
        reader->readRows(2, 3, 2, [&](int r, const QList<Cell> &cells) {
            seen << r;
            return shown(cells[0]) != QStringLiteral("乙");   // stops after row 2
        });
        QCOMPARE(seen, QList<int>({2}));
    );
}

void TestWorkbook::biffDamaged_data()
{
    using namespace Fx;
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("word");
    const QByteArray cell = number(1, 1, 1);
    QTest::newRow("record runs past the end") << workbook(8, xf(0), cell + le16(0x0203) + le16(200) + QByteArray(6, '\0'))
                                              << "超出数据流末尾";
    QTest::newRow("NUMBER record too short") << workbook(8, xf(0), record(0x0203, QByteArray(8, '\0'))) << "不完整";
    QTest::newRow("string index outside the table")
        << workbook(8, record(0x00FC, le32(1) + le32(1) + str8(QStringLiteral("a"))), labelSst(1, 1, 7)) << "共享字符串";
    QTest::newRow("table shorter than its count")
        << workbook(8, record(0x00FC, le32(2) + le32(2) + str8(QStringLiteral("a")) + le16(100) + char(0) + "abc"), cell)
        << "共享字符串表";
    QTest::newRow("phonetic block of 2 GB")
        << workbook(8, record(0x00FC, le32(2) + le32(2) + le16(1) + char(4) + le32(0x7FFFFFFF) + "a"), cell) << "共享字符串表";
    QTest::newRow("LABEL count past the record") << workbook(8, xf(0), record(0x0204, cellHead(1, 1, 0) + le16(5000) + char(0) + "ab"))
                                                 << "不完整";
    const qsizetype offsetAt = 20 + xf(0).size() + 4;   // BOUNDSHEET's offset: after BOF, XF and its header
    QByteArray farSheet = workbook(8, xf(0), cell);
    qToLittleEndian<quint32>(0x00FFFFFF, farSheet.data() + offsetAt);
    QTest::newRow("sheet offset past the stream") << farSheet << "超出数据流";
    QByteArray midSheet = workbook(8, xf(0), cell);
    qToLittleEndian<quint32>(5, midSheet.data() + offsetAt);
    QTest::newRow("sheet offset inside a record") << midSheet << "位置不对";
    QTest::newRow("encrypted") << workbook(8, record(0x002F, le16(0) + le16(0x1234) + le16(0x5678)), cell) << "已加密";
    QTest::newRow("only a chart sheet") << workbook(8, xf(0), cell, QByteArray(), 2, 0x0020) << "没有工作表";
    QTest::newRow("sheet stream without globals") << record(0x0809, le16(0x0600) + le16(0x0010) + QByteArray(12, '\0')) + eof()
                                                 << "全局数据";
}

void TestWorkbook::biffDamaged()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, word);
    const QString p = biffFile(QStringLiteral("damaged.xls"), stream);
    const QString message = errorOf([&] {
        const auto reader = Reader::open(p);
        readAll(*reader);
    });
    QVERIFY2(message.contains(word) && hasChinese(message), qPrintable(message));
}

void TestWorkbook::oleContainers_data()
{
    QTest::addColumn<QStringList>("streams");
    QTest::addColumn<QString>("result");   // the cell text, or a word of the error
    QTest::newRow("Workbook") << QStringList{"Workbook"} << "x";
    QTest::newRow("WORKBOOK in capitals") << QStringList{"WORKBOOK"} << "x";
    QTest::newRow("Excel 95 Book") << QStringList{"Book"} << "x";
    QTest::newRow("encrypted .xlsx") << QStringList{"EncryptionInfo", "EncryptedPackage"} << "已加密";
    QTest::newRow("a Word document") << QStringList{"WordDocument"} << "不是Excel工作簿";
}

void TestWorkbook::oleContainers()
{
    QFETCH(QStringList, streams);
    QFETCH(QString, result);
    const QByteArray biff = Fx::workbook(8, Fx::xf(0), Fx::label8(1, 1, QStringLiteral("x")));
    Fx::Entries parts;
    for (const QString &s : streams)
        parts << qMakePair(s, biff);
    const QString p = path(QStringLiteral("container.xls"));
    QVERIFY(Fx::writeOle(p, parts));
    if (result == QLatin1String("x")) {
        EXPECT_READS(QCOMPARE(textAt(readAll(*Reader::open(p)), 1, 1), result););
    } else {
        const QString message = errorOf([&] { Reader::open(p); });
        QVERIFY2(message.contains(result) && hasChinese(message), qPrintable(message));
    }
}

// ---- .xlsx made here --------------------------------------------------------

static Fx::Xlsx cellsWorkbook()
{
    Fx::Xlsx x;
    x.strings = {QStringLiteral("<t>张三</t>"), QStringLiteral("<r><t>王</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\"> 五 </t></r><rPh sb=\"0\" eb=\"1\"><t>オウ</t></rPh>")};
    x.styles = QStringLiteral("<styleSheet xmlns=\"%1\"><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot; hh:mm\"/></numFmts>"
                              "<cellStyleXfs><xf numFmtId=\"0\"/><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellStyleXfs>"
                              "<cellXfs><xf numFmtId=\"0\" xfId=\"0\"/><xf numFmtId=\"164\" xfId=\"0\"><alignment wrapText=\"1\"/></xf><xf numFmtId=\"0\" xfId=\"2\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>")
                   .arg(x.main);
    x.sheetData = QStringLiteral(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><r><t>李</t></r><r><t>四</t></r><rPh><t>リ</t></rPh></is></c>"
        "<c r=\"D1\" t=\"str\"><f>A1&amp;\"\"</f><v>ab_x000D_\ncd</v></c><c r=\"E1\" t=\"b\"><v>1</v></c><c r=\"F1\" t=\"e\"><v>#N/A</v></c></row>"
        "<row><c><v>13800138000</v></c><c s=\"1\"><v>43831.5</v></c><c s=\"2\"><v>1</v></c><c s=\"3\"><v>45000</v></c></row>"
        "<row r=\"4\"><c r=\"B4\" t=\"d\"><v>2021-03-04T05:06:07Z</v></c><c r=\"c4\"><f>1/0</f></c><c r=\"D4\"><v> 3.5 </v></c></row>");
    return x;
}

void TestWorkbook::xlsxCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("shared string") << 1 << 1 << "张三";
    QTest::newRow("rich shared string, phonetic skipped") << 1 << 2 << "王 五 ";
    QTest::newRow("inline string") << 1 << 3 << "李四";
    QTest::newRow("formula text, _x000D_ undone") << 1 << 4 << "ab\r\ncd";
    QTest::newRow("boolean") << 1 << 5 << "True";
    QTest::newRow("error") << 1 << 6 << "!#N/A";
    QTest::newRow("row without r is row 2") << 2 << 1 << "13800138000";
    QTest::newRow("custom date format, cell without r") << 2 << 2 << "2020-01-01 12:00:00";
    QTest::newRow("style index counts cellXfs, not cellStyleXfs") << 2 << 3 << "1";
    QTest::newRow("built-in date format") << 2 << 4 << "2023-03-15";
    QTest::newRow("row 3 missing") << 3 << 1 << "";
    QTest::newRow("ISO date cell") << 4 << 2 << "2021-03-04 05:06:07";
    QTest::newRow("formula without value, lower-case ref") << 4 << 3 << "";
    QTest::newRow("number with spaces") << 4 << 4 << "3.5";
}

void TestWorkbook::xlsxCells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    EXPECT_READS(
        const auto reader = Reader::open(xlsxFile(QStringLiteral("cells.xlsx"), cellsWorkbook()));
        QCOMPARE(reader->rowCount(), 4);
        QCOMPARE(reader->columnCount(), 6);
        QCOMPARE(textAt(readAll(*reader), row, column), text);
    );
}

void TestWorkbook::xlsxStrictNamespaces()
{
    Fx::Xlsx transitional = cellsWorkbook();
    Fx::Xlsx strict = cellsWorkbook();
    strict.main = QStringLiteral("http://purl.oclc.org/ooxml/spreadsheetml/main");
    strict.relNs = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships");
    strict.styles.replace(transitional.main, strict.main);
    EXPECT_READS(
        const auto a = readAll(*Reader::open(xlsxFile(QStringLiteral("transitional.xlsx"), transitional)));
        const auto b = readAll(*Reader::open(xlsxFile(QStringLiteral("strict.xlsx"), strict)));
        QCOMPARE(b.size(), a.size());
        for (int r = 1; r <= a.size(); ++r) {
            for (int c = 1; c <= a[r - 1].size(); ++c)
                QCOMPARE(textAt(b, r, c), textAt(a, r, c));
        }
    );
}

void TestWorkbook::xlsxDateSystem_data()
{
    QTest::addColumn<QString>("workbookPr");
    QTest::addColumn<QString>("text");
    QTest::newRow("1900") << "" << "1900-01-01";
    QTest::newRow("1904 as 1") << "<workbookPr date1904=\"1\"/>" << "1904-01-02";
    QTest::newRow("1904 as true") << "<workbookPr date1904=\"true\"/>" << "1904-01-02";
}

void TestWorkbook::xlsxDateSystem()
{
    QFETCH(QString, workbookPr);
    QFETCH(QString, text);
    Fx::Xlsx x = cellsWorkbook();
    x.workbookPr = workbookPr;
    x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\" s=\"3\"><v>1</v></c></row>");
    EXPECT_READS(
        verify(readAll(*Reader::open(xlsxFile(QStringLiteral("dates.xlsx"), x))), {"1,1=" + text});
    );
}

void TestWorkbook::xlsxFirstWorksheet_data()
{
    QTest::addColumn<QString>("sheets");
    QTest::addColumn<QString>("rels");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("name");
    const QString chart = QStringLiteral("<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet\" Target=\"chartsheets/sheet1.xml\"/>");
    QTest::newRow("relative target, not sheet1.xml") << "<sheet name=\"联系人\" sheetId=\"3\" r:id=\"rId1\"/>" << "" << "worksheets/data.xml" << "xl/worksheets/data.xml" << "联系人";
    QTest::newRow("absolute target") << "<sheet name=\"名单\" sheetId=\"1\" r:id=\"rId1\"/>" << "" << "/xl/sheets/first.xml" << "xl/sheets/first.xml" << "名单";
    QTest::newRow("target with .. and %20") << "<sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>" << "" << "../xl/my%20sheet.xml" << "xl/my sheet.xml" << "A";
    QTest::newRow("chart sheet first") << "<sheet name=\"图表\" sheetId=\"2\" r:id=\"rId9\"/><sheet name=\"数据\" sheetId=\"1\" r:id=\"rId1\"/>" << chart
                                       << "worksheets/sheet2.xml" << "xl/worksheets/sheet2.xml" << "数据";
}

void TestWorkbook::xlsxFirstWorksheet()
{
    QFETCH(QString, sheets);
    QFETCH(QString, rels);
    QFETCH(QString, target);
    QFETCH(QString, part);
    QFETCH(QString, name);
    Fx::Xlsx x;
    x.sheets = sheets;
    x.workbookRels = rels;
    x.sheetTarget = target;
    x.sheetPath = part;
    x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>对</t></is></c></row>");
    // A decoy where a guess by file name would look.
    x.extra << qMakePair(QStringLiteral("xl/worksheets/sheet1.xml"),
                         QStringLiteral("<worksheet xmlns=\"%1\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>错</t></is></c></row></sheetData></worksheet>").arg(x.main).toUtf8());
    if (part == QLatin1String("xl/worksheets/sheet1.xml"))
        x.extra.clear();
    EXPECT_READS(
        const auto reader = Reader::open(xlsxFile(QStringLiteral("第一个 工作表.xlsx"), x));
        QCOMPARE(reader->sheetName(), name);
        verify(readAll(*reader), {"1,1=对"});
    );
}

void TestWorkbook::xlsxDamaged_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("word");
    QTest::newRow("entity bomb in a DTD") << "dtd" << "DTD";
    QTest::newRow("malformed XML") << "malformed" << "不是有效的XML";
    QTest::newRow("cut-off package") << "cut" << "已损坏";
    QTest::newRow("sheet part missing") << "nosheet" << "缺少工作表";
    QTest::newRow("claims 1 GB inflated") << "big" << "ZIP炸弹";
    QTest::newRow("claims 100 MB from a few hundred bytes") << "ratio" << "ZIP炸弹";
    QTest::newRow("shared string index outside") << "sst" << "共享字符串";
    QTest::newRow("column past XFD") << "column" << "单元格位置";
    QTest::newRow("row 0") << "row0" << "行号";
    QTest::newRow("rows going back") << "backwards" << "出现在";
    QTest::newRow("number that is not one") << "number" << "数值";
    QTest::newRow("no workbook part") << "noworkbook" << "不是Excel工作簿";
    QTest::newRow("binary workbook") << "xlsb" << ".xlsb";
}

void TestWorkbook::xlsxDamaged()
{
    QFETCH(QString, kind);
    QFETCH(QString, word);
    Fx::Xlsx x;
    x.strings = {QStringLiteral("<t>a</t>")};
    x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>");
    if (kind == QLatin1String("dtd"))
        x.sheetXml = QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
                                    "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]><worksheet xmlns=\"%1\"><sheetData><row r=\"1\">"
                                    "<c r=\"A1\" t=\"inlineStr\"><is><t>&lol3;</t></is></c></row></sheetData></worksheet>").arg(x.main);
    else if (kind == QLatin1String("malformed"))
        x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></row>");
    else if (kind == QLatin1String("nosheet"))
        x.sheetPath = QStringLiteral("xl/worksheets/other.xml");
    else if (kind == QLatin1String("sst"))
        x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>");
    else if (kind == QLatin1String("column"))
        x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>");
    else if (kind == QLatin1String("row0"))
        x.sheetData = QStringLiteral("<row r=\"0\"><c><v>1</v></c></row>");
    else if (kind == QLatin1String("backwards"))
        x.sheetData = QStringLiteral("<row r=\"5\"><c><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>");
    else if (kind == QLatin1String("number"))
        x.sheetData = QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>12abc</v></c></row>");

    const QString p = path(QStringLiteral("damaged.xlsx"));
    Fx::Entries parts = x.entries();
    if (kind == QLatin1String("noworkbook"))
        parts = {parts.first()};
    if (kind == QLatin1String("xlsb"))
        parts[1].second.replace("xl/workbook.xml", "xl/workbook.bin");
    QVERIFY(Fx::writeZip(p, parts));
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    if (kind == QLatin1String("cut"))
        bytes.truncate(bytes.size() * 6 / 10);
    else if (kind == QLatin1String("big"))
        bytes = Fx::claimSize(bytes, "xl/worksheets/sheet1.xml", 0x40000000);
    else if (kind == QLatin1String("ratio"))
        bytes = Fx::claimSize(bytes, "xl/worksheets/sheet1.xml", 100u << 20);
    QVERIFY(Fx::writeFile(p, bytes));

    const QString message = errorOf([&] {
        const auto reader = Reader::open(p);
        readAll(*reader);
    });
    QVERIFY2(message.contains(word) && hasChinese(message), qPrintable(message));
}

void TestWorkbook::xlsxStopsBeforeADamagedTail()
{
    // The sheet is read as it streams: rows before a broken end come out,
    // and a reader that stopped early never meets the damage.
    Fx::Xlsx x;
    x.sheetXml = QStringLiteral("<worksheet xmlns=\"%1\"><sheetData><row r=\"1\"><c><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>"
                                "<row r=\"3\"><c><v>3</v></c></row><row r=\"4\"><c><v>4</v><<</c></row>").arg(x.main);
    EXPECT_READS(
        const auto reader = Reader::open(xlsxFile(QStringLiteral("tail.xlsx"), x));
        QList<int> seen;
        reader->readRows(1, 2, 1, [&](int r, const QList<Cell> &) {
            seen << r;
            return true;
        });
        QCOMPARE(seen, QList<int>({1, 2}));
        const QString message = errorOf([&] { reader->readRows(1, 10, 1, [](int, const QList<Cell> &) { return true; }); });
        QVERIFY2(message.contains(QStringLiteral("不是有效的XML")), qPrintable(message));
    );
}

void TestWorkbook::readRowsContract()
{
    Fx::Xlsx x;
    x.sheetData = QStringLiteral("<row r=\"2\"><c r=\"B2\"><v>2</v></c></row><row r=\"5\"><c r=\"C5\"><v>5</v></c><c r=\"E5\"/></row>");
    EXPECT_READS(
        const auto reader = Reader::open(xlsxFile(QStringLiteral("contract.xlsx"), x));
        QCOMPARE(reader->rowCount(), 5);
        QCOMPARE(reader->columnCount(), 3);   // E5 holds no value

        QStringList calls;
        auto record = [&](int r, const QList<Cell> &cells) {
            QStringList texts;
            for (const Cell &c : cells)
                texts << shown(c);
            calls << QStringLiteral("%1:%2").arg(r).arg(texts.join(QLatin1Char('|')));
            return true;
        };
        reader->readRows(1, 6, 3, record);
        QCOMPARE(calls, QStringList({"1:||", "2:|2|", "3:||", "4:||", "5:||5", "6:||"}));

        calls.clear();
        reader->readRows(5, 4, 3, record);
        QVERIFY(calls.isEmpty());

        calls.clear();
        reader->readRows(2, 2, 0, record);
        QCOMPARE(calls, QStringList({"2:"}));

        calls.clear();
        reader->readRows(3, 5, 1, record);
        QCOMPARE(calls, QStringList({"3:", "4:", "5:"}));

        QList<int> seen;
        reader->readRows(1, 1000, 2, [&](int r, const QList<Cell> &) {
            seen << r;
            return r < 2;   // stop after row 2
        });
        QCOMPARE(seen, QList<int>({1, 2}));

        const QString message = errorOf([&] { reader->readRows(1, 2, MaxColumns + 1, record); });
        QVERIFY2(hasChinese(message), qPrintable(message));
    );
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
