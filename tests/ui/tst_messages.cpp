// The message service and the action guard: captions, the full stop of the
// standard error box, the details of a box, the open dialog's filter,
// database and workbook errors ending an action in one error box, and the
// busy pointer restored on every path.
#include "realbox.h"
#include "testenv.h"

#include "data/unitpath.h"
#include "data/database.h"
#include "formats/workbook.h"
#include "ui/chinese.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void errorTextFullStop_data();
    void errorTextFullStop();
    void boxesCarryTheirCaptions();
    void guardShowsTheErrorAndGoesOn();
    void guardedHandlerForConnect();
    void otherExceptionsAreNotSwallowed();
    void waitCursorIsRestoredOnEveryPath();
    void realErrorBox();
    void realPlainBoxWithDetails();
    void openDialogOffersTheKindsInEitherCase();
    void guardShowsAnUnreadableWorkbook();
    void qtTextsAreChineseWhateverTheLocale_data();
    void qtTextsAreChineseWhateverTheLocale();
};

void TestMessages::errorTextFullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "disk full" << "disk full.";
    QTest::newRow("Chinese") << "数据库错误" << "数据库错误.";
    QTest::newRow("full-width exclamation") << "找不到文件！" << "找不到文件！.";
    QTest::newRow("ends in a full stop") << "Done." << "Done.";
    QTest::newRow("ends in !") << "保存失败!" << "保存失败!";
    QTest::newRow("ends in a bracket") << "(code 5)" << "(code 5)";
    QTest::newRow("ends in a slash") << "/tmp/" << "/tmp/.";
    QTest::newRow("ends in a digit") << "code 5" << "code 5.";
    QTest::newRow("empty") << "" << "";
}

void TestMessages::errorTextFullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(Messages::errorText(text), shown);
}

void TestMessages::boxesCarryTheirCaptions()
{
    RecordingResponder r;
    Messages::setResponder(&r);
    r.answers.enqueue(false);
    Messages::show(QStringLiteral("保存成功!"));
    QCOMPARE(Messages::ask(QStringLiteral("确实要删除吗?")), false);
    QCOMPARE(Messages::ask(QStringLiteral("再问一次")), true); // OK when nothing is queued
    Messages::error(QStringLiteral("出错了"));
    Messages::setResponder(nullptr);

    QCOMPARE(r.shown.size(), 4);
    QCOMPARE(r.shown[0].kind, Messages::Kind::Plain);
    QCOMPARE(r.shown[0].caption, applicationTitle());
    QCOMPARE(r.shown[0].text, QStringLiteral("保存成功!"));
    QCOMPARE(r.shown[1].kind, Messages::Kind::Question);
    QCOMPARE(r.shown[1].caption, QStringLiteral("提示框!"));
    QCOMPARE(r.shown[3].kind, Messages::Kind::Error);
    QCOMPARE(r.shown[3].caption, applicationTitle());
    QCOMPARE(r.shown[3].text, QStringLiteral("出错了."));
    // The title is the program's file name up to its first dot.
    QCOMPARE(applicationTitle(), QStringLiteral("tst_messages"));
}

void TestMessages::guardShowsTheErrorAndGoesOn()
{
    RecordingResponder r;
    Messages::setResponder(&r);
    bool after = false;
    const bool ok = runGuarded([&] {
        throw DbError(QStringLiteral("磁盘已满"), 13, QStringLiteral("database or disk is full"));
        after = true; // never reached
    });
    const bool fine = runGuarded([] {});
    Messages::setResponder(nullptr);
    QVERIFY(!ok);
    QVERIFY(fine);
    QVERIFY(!after);
    QCOMPARE(r.texts(Messages::Kind::Error), QStringList{QStringLiteral("磁盘已满.")});
    // The database's own message goes to the box's details.
    QCOMPARE(r.details(Messages::Kind::Error), QStringList{QStringLiteral("database or disk is full")});
    QCOMPARE(r.shown.size(), 1);
}

void TestMessages::guardedHandlerForConnect()
{
    RecordingResponder r;
    Messages::setResponder(&r);
    QPushButton button;
    int steps = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, guarded([&] {
        ++steps;
        throw DbError(QStringLiteral("第一次"));
    }));
    button.click();
    button.click();
    Messages::setResponder(nullptr);
    QCOMPARE(steps, 2);
    QCOMPARE(r.count(Messages::Kind::Error), 2);
}

void TestMessages::otherExceptionsAreNotSwallowed()
{
    // A programming error is not a user's failure: it is not shown as one.
    RecordingResponder r;
    Messages::setResponder(&r);
    QVERIFY_THROWS_EXCEPTION(std::logic_error, runGuarded([] { throw std::logic_error("bug"); }));
    Messages::setResponder(nullptr);
    QCOMPARE(r.shown.size(), 0);
}

void TestMessages::waitCursorIsRestoredOnEveryPath()
{
    RecordingResponder r;
    Messages::setResponder(&r);
    QVERIFY(!QGuiApplication::overrideCursor());
    runGuarded([] {
        WaitCursor wait;
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw DbError(QStringLiteral("失败"));
    });
    QVERIFY(!QGuiApplication::overrideCursor());
    runGuarded([] { WaitCursor wait; });
    QVERIFY(!QGuiApplication::overrideCursor());
    Messages::setResponder(nullptr);
}

void TestMessages::realErrorBox()
{
    // Without a responder the real box comes up: caption, text with its
    // full stop, the stop icon and one OK button.
    SeenBox box;
    readNextBox(box);
    Messages::error(QStringLiteral("数据库文件不存在"));
    QCOMPARE(box.caption, applicationTitle());
    QCOMPARE(box.text, QStringLiteral("数据库文件不存在."));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, 1);
}

void TestMessages::realPlainBoxWithDetails()
{
    // The plain box: no icon, the text as given (no full stop added), and
    // the details behind the box's details button.
    SeenBox box;
    box.icon = QMessageBox::Critical;
    readNextBox(box);
    Messages::show(QStringLiteral("程序出现异常，请检查表格数据是否正确!"), QStringLiteral("行：第6行"));
    QCOMPARE(box.text, QStringLiteral("程序出现异常，请检查表格数据是否正确!"));
    QCOMPARE(box.details, QStringLiteral("行：第6行"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
}

void TestMessages::openDialogOffersTheKindsInEitherCase()
{
    // Names are told apart by case on this file system: BOOK.XLS is offered
    // as well as book.xls.
    QStringList filters;
    QTimer::singleShot(0, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible()) {
                filters = dialog->nameFilters();
                dialog->reject();
            }
        }
    });
    QCOMPARE(Messages::openFileName(QStringLiteral("Excel 工作簿 (*.xls *.xlsx)")), QString());
    QCOMPARE(filters, QStringList{QStringLiteral("Excel 工作簿 (*.xls *.xlsx *.XLS *.XLSX)")});

    // A responder answers it like the save dialog, the filter recorded.
    RecordingResponder r;
    Messages::setResponder(&r);
    r.fileNames.enqueue(QStringLiteral("/tmp/通讯录.xls"));
    const QString chosen = Messages::openFileName(QStringLiteral("Excel 工作簿 (*.xls *.xlsx)"));
    Messages::setResponder(nullptr);
    QCOMPARE(chosen, QStringLiteral("/tmp/通讯录.xls"));
    QCOMPARE(r.shown.size(), 1);
    QCOMPARE(r.shown[0].kind, Messages::Kind::OpenFile);
    QCOMPARE(r.shown[0].text, QStringLiteral("Excel 工作簿 (*.xls *.xlsx)"));
}

void TestMessages::guardShowsAnUnreadableWorkbook()
{
    RecordingResponder r;
    Messages::setResponder(&r);
    const bool ok = runGuarded([] { throw Workbook::Error(QStringLiteral("工作簿已加密")); });
    Messages::setResponder(nullptr);
    QVERIFY(!ok);
    QCOMPARE(r.texts(Messages::Kind::Error), QStringList{QStringLiteral("工作簿已加密.")});
}

void TestMessages::qtTextsAreChineseWhateverTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("zh_CN") << "zh_CN";
    QTest::newRow("C") << "C";
}

void TestMessages::qtTextsAreChineseWhateverTheLocale()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    QVERIFY2(installChineseTranslations(), "Qt's Chinese translations are not installed (qt6-translations-l10n)");
    // The plain box of the program: its OK button, as the user sees it.
    SeenBox box;
    readNextBox(box);
    Messages::show(QStringLiteral("保存成功!"));
    QCOMPARE(box.okText.remove(QLatin1Char('&')), QStringLiteral("确定"));
    QMessageBox question(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')).left(2), QStringLiteral("取消"));
    QCOMPARE(QLocale().monthName(3), QStringLiteral("三月"));
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
