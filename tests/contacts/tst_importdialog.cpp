// The phone-book import dialog driven as a user drives it: its controls,
// the checks when the focus leaves a row box and the Enter moves, the
// empty-box messages, choosing a workbook (and choosing again), the import
// told as done only once stored, the failure message with its details, a
// failing commit, cancelling the progress dialog, and the editor's way in.
#include "phonebooks.h" // glib before Qt

#include "editorsearchenv.h"

#include "contacts/unitexcelintodbf.h"
#include "data/unitdm.h"
#include "formats/workbook.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <optional>

using namespace PhoneBooks;
using Messages::Kind;

namespace {

const QString kFailed = QStringLiteral("程序出现异常，请检查表格数据是否正确!");
const QString kDone = QStringLiteral("添加完成!");

Sheet officeBook(const QString &prefix = QStringLiteral("联系人"))
{
    Sheet s;
    s[1] = row({QStringLiteral("某单位通讯录")});
    for (int r = 4; r <= 13; ++r)
        s[r] = contact(prefix + QString::number(r), r);
    return s;
}

} // namespace

class TestImportDialog : public QObject {
    Q_OBJECT

    WindowEnv *env = nullptr;
    TFormexcelintodbf *dlg = nullptr;

    RecordingResponder &messages() { return env->db.messages; }
    int counter() { return env->counter(3); }
    int contacts() { return env->db.count(QStringLiteral("tongxunlb")); }
    QStringList names()
    {
        QStringList out;
        for (const QVariantMap &r : env->db.rows(QStringLiteral("tongxunlb")))
            out << r.value(QStringLiteral("xingm")).toString();
        return out;
    }

    QString book(const QString &name, const Sheet &sheet)
    {
        const QString p = env->db.dir.filePath(name);
        return write(p, sheet) ? p : QString();
    }

    // Picks `path` through 查找 (the open dialog answered with it).
    void choose(const QString &path)
    {
        messages().fileNames.enqueue(path);
        dlg->SpeedButton1->click();
    }

    // Moves the focus as the Tab key does and lets the exit check run.
    static void leaveTo(QWidget *next)
    {
        next->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    void fill(const QString &path, const QString &start, const QString &total)
    {
        if (!path.isEmpty())
            choose(path);
        dlg->Edit2->setText(start);
        dlg->Edit1->setText(total);
    }

private slots:
    void init()
    {
        env = new WindowEnv();
        env->setCounter(3, 20);
        dlg = new TFormexcelintodbf(env->main);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg));
    }
    void cleanup()
    {
        delete dlg;
        dlg = nullptr;
        delete env;
        env = nullptr;
    }

    void controls()
    {
        QCOMPARE(dlg->windowTitle(), QStringLiteral("excel表电话薄导入参数设置"));
        QCOMPARE(dlg->size(), QSize(387, 216));
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
        QCOMPARE(dlg->font().pixelSize(), 15);
        QCOMPARE(tabOrderFrom(dlg->BitBtn1, {"BitBtn1", "BitBtn2", "Edit1", "Edit2", "Edit3"}),
                 (QStringList{"BitBtn1", "BitBtn2", "Edit1", "Edit2", "Edit3"}));
        QCOMPARE(QApplication::focusWidget(), dlg->BitBtn1);
        QCOMPARE(dlg->Edit2->text(), QStringLiteral("4"));
        QCOMPARE(dlg->Edit1->text(), QString());
        QVERIFY(dlg->Edit3->isReadOnly());
        QCOMPARE(dlg->SpeedButton1->text(), QStringLiteral("查找"));
        QVERIFY(dlg->SpeedButton1->autoRaise());
        QCOMPARE(dlg->SpeedButton1->focusPolicy(), Qt::NoFocus);
        QCOMPARE(dlg->BitBtn1->text(), QStringLiteral("确定导入"));
        QCOMPARE(dlg->BitBtn2->text(), QStringLiteral("取消"));

        // Rows top to bottom, each label naming its box; labels bold black,
        // boxes bold maroon.
        const QList<QPair<QLabel *, QLineEdit *>> rows = {{dlg->Label1, dlg->Edit3}, {dlg->Label2, dlg->Edit2},
                                                          {dlg->Label3, dlg->Edit1}};
        const QStringList captions = {QStringLiteral("excel表选择："), QStringLiteral("需导入excel数据起始行数："),
                                      QStringLiteral("需导入excel数据总行数：")};
        int y = -1;
        for (int i = 0; i < rows.size(); ++i) {
            auto [label, box] = rows[i];
            QCOMPARE(label->text(), captions[i]);
            QCOMPARE(label->buddy(), box);
            QVERIFY(label->y() > y);
            y = label->y();
            QVERIFY(qAbs(box->y() - label->y()) < 4);
            QVERIFY(label->font().bold());
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
            QVERIFY(box->font().bold());
            QCOMPARE(box->palette().color(QPalette::Text), QColor(128, 0, 0));
            QVERIFY(label->geometry().right() < box->x() + 2);
            QVERIFY(box->geometry().right() < dlg->width());
        }
        QVERIFY(dlg->BitBtn1->y() > dlg->Edit1->geometry().bottom());
        QCOMPARE(dlg->BitBtn1->y(), dlg->BitBtn2->y());
        QVERIFY(dlg->BitBtn2->geometry().bottom() < dlg->height());
    }

    void emptyBoxes_data()
    {
        QTest::addColumn<bool>("path");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("message");
        QTest::newRow("no workbook") << false << "10" << "4" << "excel表文件路径不能为空，请选择文件路径!";
        QTest::newRow("no workbook comes first") << false << "" << "" << "excel表文件路径不能为空，请选择文件路径!";
        QTest::newRow("no last row") << true << "" << "4" << "excel总行数不能为空!";
        QTest::newRow("no last row comes before no start row") << true << "" << "" << "excel总行数不能为空!";
        QTest::newRow("no start row") << true << "10" << "" << "起始行数不能为空!";
    }
    void emptyBoxes()
    {
        QFETCH(bool, path);
        QFETCH(QString, total);
        QFETCH(QString, start);
        QFETCH(QString, message);
        fill(path ? book(QStringLiteral("book.xlsx"), officeBook()) : QString(), start, total);
        messages().clear();
        dlg->BitBtn1->click();
        QCOMPARE(messages().texts(), QStringList{message});
        QVERIFY(dlg->isVisible());
        QCOMPARE(contacts(), 0);
        QCOMPARE(counter(), 20);
    }

    // Leaving a row box checks it; a failing check says so and takes the
    // focus back.
    void exitChecks_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("message");
        QTest::newRow("start not a number") << "Edit2" << "abc" << "" << "数据输入错误!";
        QTest::newRow("start 3.5 is a number") << "Edit2" << "3.5" << "" << "";
        QTest::newRow("start empty") << "Edit2" << "" << "" << "";
        QTest::newRow("start with an exponent") << "Edit2" << "1e1" << "" << "";
        QTest::newRow("total empty: no check") << "Edit1" << "abc" << "" << "";
        QTest::newRow("total not a number") << "Edit1" << "4" << "十" << "数据输入错误!";
        QTest::newRow("total with start empty") << "Edit1" << "" << "10" << "数据输入错误!";
        QTest::newRow("total with start not a number") << "Edit1" << "x" << "10" << "数据输入错误!";
        QTest::newRow("total below start") << "Edit1" << "4" << "3" << "总行数应大于起始行数!";
        QTest::newRow("total equal to start") << "Edit1" << "4" << "4" << "";
        QTest::newRow("total compared as numbers") << "Edit1" << "9" << "10" << "";
    }
    void exitChecks()
    {
        QFETCH(QString, left);
        QFETCH(QString, start);
        QFETCH(QString, total);
        QFETCH(QString, message);
        QLineEdit *box = left == QLatin1String("Edit1") ? dlg->Edit1 : dlg->Edit2;
        dlg->Edit2->setText(start);
        dlg->Edit1->setText(total);
        box->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        messages().clear();
        leaveTo(dlg->BitBtn2);
        QCOMPARE(messages().texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(QApplication::focusWidget(), message.isEmpty() ? static_cast<QWidget *>(dlg->BitBtn2) : box);
    }

    // Enter moves start row -> last row -> 确定导入, and presses the button.
    void enterMoves()
    {
        dlg->Edit2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dlg->Edit2, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), dlg->Edit1);
        dlg->Edit1->setText(QStringLiteral("10"));
        QTest::keyClick(dlg->Edit1, Qt::Key_Enter, Qt::KeypadModifier);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), dlg->BitBtn1);
        QVERIFY(messages().texts().isEmpty());
        QTest::keyClick(dlg->BitBtn1, Qt::Key_Return);
        QCOMPARE(messages().texts(), QStringList{QStringLiteral("excel表文件路径不能为空，请选择文件路径!")});
        // Enter in a box that fails its check moves nowhere.
        messages().clear();
        dlg->Edit2->setFocus(Qt::TabFocusReason);
        dlg->Edit2->setText(QStringLiteral("x"));
        QTest::keyClick(dlg->Edit2, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(messages().texts(), QStringList{QStringLiteral("数据输入错误!")});
        QCOMPARE(QApplication::focusWidget(), dlg->Edit2);
    }

    // A click that takes the focus out of a wrong box shows the box's
    // message and does nothing else; a box the focus never entered is not
    // checked, so 确定导入 then reads no row and says it is done.
    void clicksAndChecks()
    {
        dlg->Edit1->setFocus(Qt::TabFocusReason);
        dlg->Edit1->setText(QStringLiteral("3"));
        QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(messages().texts(), QStringList{QStringLiteral("总行数应大于起始行数!")});
        QVERIFY(dlg->isVisible());
        QCOMPARE(QApplication::focusWidget(), dlg->Edit1);

        choose(book(QStringLiteral("book.xlsx"), officeBook()));
        dlg->Edit1->setText(QStringLiteral("5"));
        leaveTo(dlg->Edit2);
        dlg->Edit2->setText(QStringLiteral("9"));
        leaveTo(dlg->BitBtn1);
        messages().clear();
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(messages().texts(), QStringList{kDone});
        QCOMPARE(contacts(), 0);
        QCOMPARE(counter(), 20);
    }

    void chooseWorkbook()
    {
        // Cancelled: nothing changes.
        dlg->SpeedButton1->click();
        QCOMPARE(messages().shown.size(), 1);
        QCOMPARE(messages().shown.first().kind, Kind::OpenFile);
        QCOMPARE(messages().shown.first().text, QStringLiteral("Excel 工作簿 (*.xls *.xlsx)"));
        QCOMPARE(dlg->Edit3->text(), QString());
        QVERIFY(!dlg->ExcelSheet);

        const QString path = book(QStringLiteral("通讯 录.xls"), officeBook());
        choose(path);
        QCOMPARE(dlg->Edit3->text(), QDir::toNativeSeparators(path));
        QVERIFY(dlg->ExcelSheet);
        QCOMPARE(messages().count(Kind::Error), 0);
    }

    // A workbook that cannot be read is reported when it is chosen (its
    // path stays shown) and makes an import fail with the reason.
    void unreadableWorkbook()
    {
        const QString path = env->db.dir.filePath(QStringLiteral("坏.xlsx"));
        QVERIFY(Fx::writeFile(path, "PK\x03\x04 not really a package"));
        fill(path, QStringLiteral("4"), QStringLiteral("5"));
        QCOMPARE(messages().count(Kind::Error), 1);
        QCOMPARE(dlg->Edit3->text(), QDir::toNativeSeparators(path));
        QVERIFY(!dlg->ExcelSheet);
        messages().clear();
        dlg->BitBtn1->click();
        QCOMPARE(messages().texts(Kind::Plain), QStringList{kFailed});
        QVERIFY(messages().details(Kind::Plain).first().contains(QStringLiteral("原因：")));
        QVERIFY(!dlg->isVisible());
        QCOMPARE(counter(), 20);
    }

    void secondChoiceReplacesWorkbook()
    {
        choose(book(QStringLiteral("a.xlsx"), officeBook(QStringLiteral("甲"))));
        fill(book(QStringLiteral("b.xls"), officeBook(QStringLiteral("乙"))), QStringLiteral("4"), QStringLiteral("5"));
        dlg->BitBtn1->click();
        QCOMPARE(names(), (QStringList{QStringLiteral("乙4"), QStringLiteral("乙5")}));
    }

    void importStoresThenSaysDone()
    {
        fill(book(QStringLiteral("book.xlsx"), officeBook()), QStringLiteral("4"), QStringLiteral("10"));
        messages().clear();
        // Told only once stored: the message comes after the commit.
        QStringList storedWhenTold;
        Messages::Responder *recorder = &messages();
        struct Peek : Messages::Responder {
            std::function<void()> before;
            Messages::Responder *next;
            bool answer(const Messages::Shown &s) override { before(); return next->answer(s); }
            QString fileName(const Messages::Shown &s) override { return next->fileName(s); }
        } peek;
        peek.next = recorder;
        peek.before = [&] {
            storedWhenTold << QString::number(env->db.count(QStringLiteral("tongxunlb")));
            storedWhenTold << (QGuiApplication::overrideCursor() ? QStringLiteral("busy") : QStringLiteral("normal"));
        };
        Messages::setResponder(&peek);
        dlg->BitBtn1->click();
        Messages::setResponder(recorder);

        QCOMPARE(messages().texts(), QStringList{kDone});
        QCOMPARE(messages().shown.first().kind, Kind::Plain);
        QCOMPARE(storedWhenTold, (QStringList{QStringLiteral("7"), QStringLiteral("normal")}));
        QCOMPARE(counter(), 27);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->ExcelSheet);
        QVERIFY(!dlg->Progress1);
    }

    void failureRollsBackAndTellsWhere_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("inDetails");
        QTest::newRow("start row 3.5") << "3.5" << QStringList{QStringLiteral("起始行数“3.5”不是整数")};
        QTest::newRow("over-long age in row 6") << "4" << QStringList{QStringLiteral("第6行"), QStringLiteral("H列（年龄）")};
    }
    void failureRollsBackAndTellsWhere()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, inDetails);
        Sheet s = officeBook();
        s[6][7] = QStringLiteral("1234");
        fill(book(QStringLiteral("long.xlsx"), s), start, QStringLiteral("10"));
        dlg->Edit1->setFocus(Qt::TabFocusReason);
        leaveTo(dlg->BitBtn1);
        messages().clear();
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(messages().texts(), QStringList{kFailed});
        QCOMPARE(messages().shown.first().kind, Kind::Plain);
        const QString details = messages().shown.first().details;
        for (const QString &part : inDetails)
            QVERIFY2(details.contains(part), qPrintable(details));
        QCOMPARE(contacts(), 0);
        QCOMPARE(counter(), 20);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The fault mended: a commit that fails is never told as done. A second
    // copy of the program holds a read of the table over the commit.
    void failingCommitIsNoSuccess()
    {
        fill(book(QStringLiteral("book.xlsx"), officeBook()), QStringLiteral("4"), QStringLiteral("6"));
        std::optional<SqliteStatement> reading;
        connect(dlg, &TFormexcelintodbf::rowImported, this, [&](int done, int total) {
            if (done == total && total > 0 && !reading) {
                env->db.direct().exec(QStringLiteral("begin"));
                reading.emplace(env->db.direct().prepare(QStringLiteral("select count(*) from tongxunlb")));
                reading->step();
            }
        });
        messages().clear();
        dlg->BitBtn1->click();
        reading.reset();
        env->db.direct().exec(QStringLiteral("commit"));
        QCOMPARE(messages().texts(), QStringList{kFailed});
        QCOMPARE(contacts(), 0);
        QCOMPARE(counter(), 20);
    }

    // Cancelling the progress dialog rolls everything back; the dialog
    // stays for another try, which reads the chosen workbook again.
    void cancelProgress()
    {
        fill(book(QStringLiteral("book.xls"), officeBook()), QStringLiteral("4"), QStringLiteral("10"));
        QList<int> seen;
        int maximum = -1, wait = -1;
        auto cancelAtTwo = connect(dlg, &TFormexcelintodbf::rowImported, this, [&](int done, int) {
            seen << done;
            QVERIFY(dlg->Progress1);
            if (done == 0) {
                maximum = dlg->Progress1->maximum();
                wait = dlg->Progress1->minimumDuration();
            }
            if (done == 2)
                dlg->Progress1->cancel();
        });
        messages().clear();
        dlg->BitBtn1->click();
        QCOMPARE(seen, (QList<int>{0, 1, 2}));
        QCOMPARE(maximum, 7);
        QCOMPARE(wait, 500);
        QCOMPARE(messages().texts(), QStringList{QStringLiteral("已取消导入，没有添加任何联系人。")});
        QCOMPARE(contacts(), 0);
        QCOMPARE(counter(), 20);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->Progress1);
        QVERIFY(!QGuiApplication::overrideCursor());

        disconnect(cancelAtTwo);
        messages().clear();
        dlg->BitBtn1->click();
        QCOMPARE(messages().texts(), QStringList{kDone});
        QCOMPARE(contacts(), 7);
    }

    void cancelButtonCloses()
    {
        fill(book(QStringLiteral("book.xlsx"), officeBook()), QStringLiteral("4"), QStringLiteral("10"));
        dlg->BitBtn2->click();
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->ExcelSheet);
        QCOMPARE(contacts(), 0);
        QVERIFY(messages().texts(Kind::Plain).isEmpty());
    }

    // The editor's way in: a fresh dialog each time, shown modally, which
    // replaces the one before.
    void openImportDialogMakesAFreshOne()
    {
        QPointer<TFormexcelintodbf> before = new TFormexcelintodbf(env->main);
        Formexcelintodbf = before;
        TFormexcelintodbf *shown = nullptr;
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            shown = Formexcelintodbf;
            modal = shown && shown->isVisible() && shown->isModal();
            if (shown)
                shown->BitBtn2->click();
        });
        openImportDialog();
        WindowEnv::settle();
        QVERIFY(shown);
        QVERIFY(shown != before.data());
        QVERIFY(modal);
        QCOMPARE(Formexcelintodbf, shown);
        QCOMPARE(shown->Edit2->text(), QStringLiteral("4"));
        QVERIFY(!before);
        delete shown;
        QVERIFY(!Formexcelintodbf);
    }
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
