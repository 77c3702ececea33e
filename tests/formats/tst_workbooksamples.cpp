// The workbook readers on the shared test workbooks written by other
// programs: chosen cells of each checked against what other readers saw (see
// the SOURCES.txt files), and every workbook there either read whole or
// refused with a Chinese message that says why.
#include "testenv.h"
#include "workbookchecks.h"

#include <QDir>
#include <QSet>
#include <QDirIterator>
#include <QRegularExpression>

using namespace Workbook;
using namespace Checks;

namespace {

// Whether ../shared/testdata holds the workbooks (it is absent outside this workplace).
// The shared file that `pattern` names ("xls/strings/edr_*_SST.xls"), or "" when none does.
QString resolve(const QString &pattern)
{
    const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
    const QDir folder(QDir(testDataDir()).filePath(pattern.left(slash)));
    const QStringList found = folder.entryList({pattern.mid(slash + 1)}, QDir::Files);
    return found.size() == 1 ? folder.filePath(found.first()) : QString();
}

bool matches(const QString &pattern, const QString &file)
{
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(file).hasMatch();
}

bool samplesPresent()
{
    return !testDataDir(QStringLiteral("xls")).isEmpty() && !testDataDir(QStringLiteral("xlsx")).isEmpty();
}

// Shared files that cannot be read, with a word their message must hold.
// Names are file patterns (`*` stands for any characters of a name).
const QList<QPair<QString, QString>> failing = {
    {"xls/biff2-4/edr_Test_git_*_368_label_xf.xls", "BIFF2-4"},
    {"xls/biff2-4/edr_as3xls_BIFF2.xls", "BIFF2-4"},
    {"xls/biff2-4/edr_as3xls_BIFF3.xls", "BIFF2-4"},
    {"xls/biff2-4/edr_as3xls_BIFF4.xls", "BIFF2-4"},
    {"xls/biff2-4/poi_testEXCEL_3.xls", "BIFF2-4"},
    {"xls/biff2-4/poi_testEXCEL_4.xls", "BIFF2-4"},
    {"xls/biff2-4/sj_crlf_CRLFX5_2.XLS", "BIFF2-4"},
    {"xls/biff2-4/sj_crlf_CRLFX5_3.XLS", "BIFF2-4"},
    {"xls/biff2-4/sj_crlf_CRLFX5_4.XLS", "BIFF2-4"},
    {"xls/biff2-4/xlrd_biff4_no_format_no_window2.xls", "BIFF2-4"},
    {"xls/encrypted/edr_Test_git_*_242_std_rc4_pwd_password.xls", "已加密"},
    {"xls/encrypted/edr_protectedsheet-xxx.xls", "已加密"},
    {"xls/encrypted/poi_password.xls", "已加密"},
    {"xls/encrypted/poi_xor-encryption-abc.xls", "已加密"},
    {"xls/encrypted/sj_biff5_password_2002_40_xor.xls", "已加密"},
    {"xls/encrypted/sj_password_2002_128_strong.xls", "已加密"},
    {"xls/encrypted/sj_password_2002_40_basecrypto.xls", "已加密"},
    {"xls/encrypted/sj_password_2002_40_xor.xls", "已加密"},
    {"xlsx/cal_pass_protected.xlsx", "已加密"},
    {"xlsx/poi_protected_passtika.xlsx", "已加密"},
    {"xlsx/poi_58616.xlsx", "已加密"},
    {"xls/not-xls/edr_TestFail_Binary.xls", "不是Excel工作簿"},
    {"xls/not-xls/xlrd_sample.ods", "不是Excel工作簿"},
    {"xls/not-xls/xlrd_sample.txt", "不是Excel工作簿"},
    {"xls/not-xls/xlrd_sample.zip", "不是Excel工作簿"},
    {"xls/not-xls/xlrd_sample.xlsb", ".xlsb"},
    {"xls/corrupt/cal_too_small.xls", "不是Excel工作簿"},
    {"xls/corrupt/cal_OOM_alloc3.xls", "已损坏"},
    {"xls/corrupt/edr_Test_Issue_12556_corrupt.xls", "已损坏"},
    {"xls/corrupt/edr_Test_git_*_368_header.xls", "已损坏"},
    {"xls/corrupt/edr_Test_git_*_382_oom.xls", "已损坏"},
    {"xls/corrupt/lxl_xls2csv_ole_ole2_fread_327.xls", "已损坏"},
    {"xls/corrupt/lxl_xls2csv_ole_read_MSAT_772.xls", "已损坏"},
    {"xls/corrupt/lxl_xls2csv_ole_read_MSAT_body_687.xls", "已损坏"},
    {"xls/corrupt/poi_61300.xls", "已损坏"},
    {"xls/corrupt/poi_64130.xls", "已损坏"},
    {"xls/corrupt/poi_clusterfuzz-testcase-minimized-POIHSSFFuzzer-4651309315719168.xls", "已损坏"},
    {"xls/corrupt/poi_clusterfuzz-testcase-minimized-POIHSSFFuzzer-4657005060816896.xls", "已损坏"},
    {"xls/corrupt/poi_clusterfuzz-testcase-minimized-POIHSSFFuzzer-4819588401201152.xls", "已损坏"},
    {"xls/corrupt/poi_clusterfuzz-testcase-minimized-POIHSSFFuzzer-5175219985448960.xls", "已损坏"},
    {"xls/corrupt/poi_clusterfuzz-testcase-minimized-POIHSSFFuzzer-5816431116615680.xls", "已损坏"},
    // Its OLE2 allocation table is inconsistent; libgsf will not open it.
    {"xls/writers/edr_ExcelLibrary_newdoc.xls", "已损坏"},
    {"xlsx/poi_54764.xlsx", "DTD"},
    {"xlsx/poi_poc-xmlbomb.xlsx", "DTD"},
};

} // namespace

class TestWorkbookSamples : public QObject {
    Q_OBJECT

private slots:
    void sharedFiles_data();
    void sharedFiles();
    void sharedFilesReadOrFail_data();
    void sharedFilesReadOrFail();
};

void TestWorkbookSamples::sharedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("checks");
    auto add = [](const char *file, const char *sheet, int rows, int columns, const QStringList &checks) {
        QTest::newRow(file) << QString::fromUtf8(file) << QString::fromUtf8(sheet) << rows << columns << checks;
    };
    add("xls/cjk/poi_19599-2.xls", "汇总", 29, 4, {"1,1=“家家e”业务统计月报", "2,1=宁波/0574", "2,2=统计日期:2003-04-21至2003-05-20"});
    add("xls/cjk/poi_61287.xls", "第一页", 40, 8, {"5,1=编制单位：上海大众汽车石汇销售服务有限公司", "5,4=编制日期：2017-06-30", "4,8=会企01表"});
    add("xls/cjk/poi_12843-1.xls", "910617", 41, 14, {"1,1=中華電信網路容量及使用現況雙週報表", "3,3=單位"});
    add("xls/cjk/poi_chinese-provinces.xls", "provinces", 4, 2, {"2,2=安徽省", "3,2=北京市"});
    add("xls/cjk/poi_44235.xls", "Sheet1", 360, 8, {"2,1=还原利润表", "6,2=项目名称"});
    add("xls/cjk/poi_50779_1.xls", "Sheet1", 81, 1, {"81,1=あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん0080"});
    add("xls/cjk/sj_phonetic_text.xls", "Sheet1", 2, 1, {"1,1=漢字", "2,1=漢字withColor"});
    add("xls/strings/cal_sst_continue.xls", "Sheet1", 136, 1, {"136,1=New CONTINUE block"});
    add("xls/strings/edr_Test_git_*_286_SST.xls", "Business Plan", 2, 1, {"2,1=AAThe next value starts here!"});
    add("xls/strings/sj_crlf_crlf.xls", "Sheet1", 3, 2, {"1,2=abc\ndef", "2,2=abc\r\ndef"});
    add("xls/strings/sj_sushi.xls", "Sheet1", 1, 1, {"1,1=🍣"});
    add("xls/strings/cal_empty-string.xls", "Sheet1", 1, 2, {"1,1=", "1,2=False"});
    add("xls/numbers/edr_Test_Issue_7433_IllegalOleAutDate.xls", "Sheet1", 3, 1, {"1,1=310101195608231000", "2,1=B221055625", "3,1=412721197309241000"});
    add("xls/numbers/sj_RkNumber.xls", "RkNumber", 5, 3, {"2,3=10000000", "3,3=1200455", "4,3=0.01", "5,3=12004.55"});
    add("xls/numbers/edr_TestDoublePrecision.xls", "Precision", 10, 2, {"3,2=3.14159265358979"});
    add("xls/dates/sj_1904_1900.xls", "Sheet1", 5, 4, {"1,1=1", "1,2=1900-01-01", "3,2=1900-04-20"});
    add("xls/dates/sj_1904_1904.xls", "Sheet1", 5, 4, {"1,1=1", "1,2=1904-01-02", "3,2=1904-04-21"});
    add("xls/dates/cal_date_1904.xls", "Sheet1", 3, 2, {"1,1=2021-01-01", "3,1=1904-01-11 15:10:10"});
    add("xls/dates/rxl_dates-leap-year-1900-xls.xls", "for_testing", 8, 3, {"4,1=1900-02-28 08:00:00", "5,1=60.3333333333333", "6,1=1900-03-01 08:00:00"});
    add("xls/dates/rxl_datetime-rounding.xls", "Sheet1", 5, 2, {"2,1=2016-04-28 11:30:00"});
    add("xls/cells/poi_StringFormulas.xls", "Sheet1", 1, 1, {"1,1=XYZ"});
    add("xls/cells/cal_xls_formula.xls", "Sheet1", 4, 1, {"3,1=110"});
    add("xls/cells/sj_ErrorTypes.xls", "RawErrors", 14, 10, {"2,1=!#NULL!", "3,1=!#DIV/0!", "2,8=True"});
    add("xls/writers/sj_wps_fn.xls", "Sheet1", 3, 3, {"2,3=2", "3,3=!#VALUE!"});
    add("xls/writers/sj_artifacts_wps_write.et", "Sheet1", 4, 4, {"2,1=True", "3,3=2014-02-19", "3,4=0.3"});
    add("xls/biff5/edr_Test_git_*_231_NoCodePage.xls", "file excel senza nome", 5, 11, {"2,1=25250", "2,2=MAMMA OGGI CUCINO IO!"});
    add("xls/biff5/sj_1904_1904.biff5", "Sheet1", 5, 4, {"1,2=1904-01-02"});
    add("xls/biff5/sj_biff5_numfmt_1_russian.xls", "Sheet1", 14, 6, {"4,2=1 234 567,89 р."});
    add("xls/biff5/sj_crlf_CRLFX5_5.XLS", "Sheet1", 2, 2, {"2,2=abc\r\ndef"});
    add("xls/structure/sj_comments_stress_test.xls", "Sheet2", 4, 4, {"1,3=foo"});
    add("xls/structure/poi_WORKBOOK_in_capitals.xls", "Sheet1", 284, 10, {"2,2=Inventarliste für GALIPLAN Aktien Global AMI*"});
    add("xls/structure/cal_capitalized_wbook_stream.xls", "Sheet1", 0, 0, {});
    add("xls/structure/rxl_65536-rows-xls.xls", "Sheet1", 65536, 1, {"65535,1=HELLO", "65536,1=WORLD"});
    add("xls/structure/sj_BlankSheetTypes.xls", "Sheet1", 0, 0, {});
    add("xls/corrupt/edr_Test_git_*_477_sst_zero_count.xls", "Sheet1", 10, 10, {"1,1=col1"});
    add("xls/not-xls/xlrd_sample.xlsx", "Sheet1", 0, 0, {});
    add("xlsx/poi_49273.xlsx", "Sheet1", 2, 27, {"1,17=合并单元格", "1,21=中文字体", "2,5=2010-03-21"});
    add("xlsx/poi_51519.xlsx", "Sheet1", 18, 4, {"2,2=豊田"});
    add("xlsx/rxl_sheet-xml-lookup.xlsx", "Africa", 6, 6, {"2,1=Algeria", "2,5=9279525"});
    add("xlsx/poi_sample.strict.xlsx", "Sheet1", 10, 2, {"1,1=Lorem", "1,2=111"});
    add("xlsx/cal_strict_iso_paths.xlsx", "ml_out", 76, 18, {"1,1=Item", "3,1=1625593500"});
    add("xlsx/xlrd_sharedstrings_alt_location.xlsx", "Sheet1", 6, 2, {"2,2=a"});
    add("xlsx/rxl_inlineStr.xlsx", "Requirements", 2, 8, {"1,1=NN", "2,5=RQ11610"});
    add("xlsx/cal_inlineStr_cdata.xlsx", "Sheet1", 2, 2, {"1,1=Hello CDATA"});
    add("xlsx/sj_1904_1904.xlsx", "Sheet1", 5, 4, {"1,2=1904-01-02"});
    add("xlsx/cal_date_1904.xlsx", "Sheet1", 3, 2, {"1,1=2021-01-01"});
    add("xlsx/cal_has_x000D_.xlsx", "Sheet1", 1, 1, {"1,1=ABC\r\nDEF"});
    add("xlsx/cal_rph.xlsx", "Sheet1", 1, 1, {"1,1=課きく　毛こ"});
    add("xlsx/xlrd_test_lower_case_cellnames.xlsx", "Sheet1", 1, 4, {"1,4=4"});
    add("xlsx/rxl_nonstandard-xml-ns-prefix.xlsx", "Sheet1", 3, 2, {"2,2=3"});
    add("xlsx/cal_errors.xlsx", "Feuil1", 7, 1, {"1,1=!#DIV/0!"});
    add("xlsx/sj_artifacts_wps_write.xlsx", "Sheet1", 4, 4, {"2,1=True", "3,3=2014-02-19"});
    add("xlsx/rxl_embedded-chartsheet.xlsx", "iris", 151, 5, {"1,5=Species"});
}

void TestWorkbookSamples::sharedFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, sheet);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QStringList, checks);
    if (!samplesPresent())
        QSKIP("../shared/testdata is absent beside the clone; shared workbooks not read");
    const QString p = resolve(file);
    QVERIFY2(!p.isEmpty(), qPrintable(file));
    EXPECT_READS(
        const auto reader = Reader::open(p);
        QCOMPARE(reader->sheetName(), sheet);
        QCOMPARE(reader->rowCount(), rows);
        QCOMPARE(reader->columnCount(), columns);
        verify(readAll(*reader), checks);
    );
}

void TestWorkbookSamples::sharedFilesReadOrFail_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("word");   // empty: the file must read
    const QString root = testDataDir();
    if (!samplesPresent()) {
        QTest::newRow("absent") << QString() << QString();
        return;
    }
    QStringList files;
    for (const QString &folder : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        QDirIterator it(QDir(root).filePath(folder), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = QDir(root).relativeFilePath(it.next());
            if (!f.endsWith(QLatin1String("SOURCES.txt")))
                files << f;
        }
    }
    files.sort();
    QSet<QString> used;
    for (const QString &f : files) {
        QString word;
        for (const auto &[pattern, w] : failing) {
            if (matches(pattern, f)) {
                word = w;
                used << pattern;
            }
        }
        QTest::newRow(qPrintable(f)) << f << word;
    }
    for (const auto &[pattern, w] : failing) {
        if (!used.contains(pattern))   // the table names a file that is not there
            QTest::newRow(qPrintable(pattern)) << pattern << QStringLiteral("<no such file>");
    }
}

void TestWorkbookSamples::sharedFilesReadOrFail()
{
    QFETCH(QString, file);
    QFETCH(QString, word);
    if (file.isEmpty())
        QSKIP("../shared/testdata is absent beside the clone; shared workbooks not read");
    if (word == QLatin1String("<no such file>"))
        QFAIL(qPrintable(QStringLiteral("no shared file matches %1").arg(file)));
    const QString p = QDir(testDataDir()).filePath(file);
    int cells = 0;
    const QString message = errorOf([&] {
        const auto reader = Reader::open(p);
        reader->readRows(1, reader->rowCount(), reader->columnCount(), [&](int, const QList<Cell> &row) {
            for (const Cell &c : row) {
                if (c.kind != CellKind::Error)
                    Workbook::cellText(c);
                cells += c.kind != CellKind::Empty;
            }
            return true;
        });
    });
    if (word.isEmpty()) {
        QCOMPARE(message, QStringLiteral("<read>"));
    } else {
        QVERIFY2(message.contains(word) && hasChinese(message), qPrintable(message));
        QCOMPARE(cells, 0);
    }
}

QTEST_GUILESS_MAIN(TestWorkbookSamples)
#include "tst_workbooksamples.moc"
