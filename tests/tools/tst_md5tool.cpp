// The MD5 tool against a fresh database: its controls, the three digest
// buttons with their edge cases, loading the user table, editing it in the
// grid (a value too long for its column included), hiding on close with
// nothing lost, and its life from start to end of the program.
#include "testenv.h"

#include "app/startup.h"
#include "app/unitmain.h"
#include "contacts/unitexcelintodbf.h"
#include "data/unitdm.h"
#include "tools/unitmd5.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QString kDigestAbc = QStringLiteral("900150983cd24fb0d6963f7d28e17f72");

QString md5Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Types as a user does, Chinese included: every key goes to the widget that
// has the focus (after the first key, the cell editor).
void type(QWidget *fallback, const QString &text)
{
    for (const QChar c : text) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestMd5Tool : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> db;
    std::unique_ptr<TFormmd5> form;

    void addUser(const QString &code, const QString &name, const QVariant &password)
    {
        db->insert(QStringLiteral("insert into yhxxb(yhcode, yhxm, yhmm, bmid, beizhu) values (?, ?, ?, 1, '')"),
                   {code, name, password});
    }

    void showForm()
    {
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    void load()
    {
        QTest::mouseClick(form->Button4, Qt::LeftButton);
    }

    void clickCell(int row, int column)
    {
        TXMDBGrid *grid = form->XMDBGrid1;
        const QModelIndex index = grid->model()->index(row, column);
        QVERIFY(index.isValid());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    // Selects a cell of the grid and types a new value into it (Return ends
    // the cell; the row stays in editing until it is left).
    void typeIntoCell(int row, const QString &field, const QString &text)
    {
        TXMDBGrid *grid = form->XMDBGrid1;
        const int column = DM->ADOQyhxxb->columnIndex(field);
        QVERIFY(column >= 0);
        // A click on the cell already current would open it only after the
        // double-click interval; typing opens it at once.
        if (grid->currentIndex() != grid->model()->index(row, column))
            clickCell(row, column);
        grid->setFocus();
        type(grid, text); // the first key opens the cell in place of its value
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY2(editor, QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "no focus");
        QCOMPARE(editor->text(), text);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }

private slots:
    void init()
    {
        db = std::make_unique<TestDb>();
        form = std::make_unique<TFormmd5>();
    }
    void cleanup()
    {
        form.reset();
        QVERIFY(!Formmd5);
        db.reset();
    }

    void windowAsSpecified();
    void digestIntoSecondBox_data();
    void digestIntoSecondBox();
    void compareTwoTexts_data();
    void compareTwoTexts();
    void checkPassword_data();
    void checkPassword();
    void checkPasswordOfTheSelectedUser();
    void loadListsEveryRowFirstCurrent();
    void editedRowIsStoredWhenLeft();
    void tooLongValueKeepsRowInEditing_data();
    void tooLongValueKeepsRowInEditing();
    void closeHidesAndKeepsTexts();
    void closeStoresChangedRow();
    void closeWithRowThatCannotBeStored();
    void createdHiddenAtStartShownByHiddenItem();
};

void TestMd5Tool::windowAsSpecified()
{
    QCOMPARE(form->objectName(), QStringLiteral("Formmd5"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Formmd5"));
    QVERIFY(!form->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(form->minimumSize() != form->maximumSize()); // sizeable
    QCOMPARE(form->Edit1->text(), QStringLiteral("Edit1"));
    QCOMPARE(form->Edit2->text(), QStringLiteral("Edit2"));
    QCOMPARE(form->Edit3->text(), QStringLiteral("Edit3"));
    QCOMPARE(form->Label1->text(), QStringLiteral("明文"));
    QCOMPARE(form->Label2->text(), QStringLiteral("密文"));
    QCOMPARE(form->Label1->buddy(), form->Edit1);
    QCOMPARE(form->Label2->buddy(), form->Edit2);
    QCOMPARE(form->Button1->text(), QStringLiteral("md5加密"));
    QCOMPARE(form->Button2->text(), QStringLiteral("md5密文比较"));
    QCOMPARE(form->Button3->text(), QStringLiteral("密码验证"));
    QCOMPARE(form->Button4->text(), QStringLiteral("Button4"));
    for (const char *name : {"Label1", "Edit1", "Label2", "Edit2", "Button1", "Edit3", "Button2", "Button3",
                             "XMDBGrid1", "Button4"})
        QVERIFY2(form->findChild<QWidget *>(QString::fromLatin1(name)), name);
    // Left to right: md5加密, 密码验证, md5密文比较; the grid below, Button4
    // under it.
    QVERIFY(form->Button1->x() < form->Button3->x() && form->Button3->x() < form->Button2->x());
    QVERIFY(form->Edit3->y() > form->Edit1->y());
    QVERIFY(form->XMDBGrid1->y() > form->Button1->geometry().bottom());
    QVERIFY(form->Button4->y() > form->XMDBGrid1->geometry().bottom());

    // Tab order.
    showForm();
    const QList<QWidget *> order = {form->Edit1, form->Edit2, form->Button1, form->Edit3,
                                    form->Button2, form->Button3, form->XMDBGrid1, form->Button4};
    form->Edit1->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order.at(i));
    }

    // The grid grows with the window; Button4 follows the bottom edge.
    const int gridHeight = form->XMDBGrid1->height();
    const int below = form->height() - form->Button4->geometry().bottom();
    form->resize(form->width() + 80, form->height() + 100);
    QCOMPARE(form->XMDBGrid1->height(), gridHeight + 100);
    QCOMPARE(form->height() - form->Button4->geometry().bottom(), below);

    // Empty until loaded; every field, titled by its column name.
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), 0);
    QVERIFY(!form->XMDBGrid1->gridReadOnly());
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    load();
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), 1);
    QStringList titles;
    for (int c = 0; c < form->XMDBGrid1->model()->columnCount(); ++c)
        titles << form->XMDBGrid1->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"yhid", "yhcode", "yhxm", "yhmm", "bmid", "beizhu"}));
}

void TestMd5Tool::digestIntoSecondBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("abc") << "abc" << kDigestAbc;
    QTest::newRow("empty box: zero bytes") << "" << md5Hex(QByteArray());
    QTest::newRow("中 as GBK D6 D0") << "中" << md5Hex(QByteArray("\xD6\xD0"));
    QTest::newRow("initial text") << "Edit1" << md5Hex("Edit1");
}

void TestMd5Tool::digestIntoSecondBox()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    form->Edit1->setText(text);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QCOMPARE(form->Edit2->text(), expected);
    QVERIFY(db->messages.shown.isEmpty());
}

void TestMd5Tool::compareTwoTexts_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("shown");
    QTest::newRow("same") << "password" << "password" << "ok";
    QTest::newRow("same Chinese") << "中文密码" << "中文密码" << "ok";
    QTest::newRow("both empty") << "" << "" << "ok";
    QTest::newRow("trailing space") << "abc" << "abc " << "no";
    QTest::newRow("case") << "ABC" << "abc" << "no";
    QTest::newRow("one empty") << "" << "x" << "no";
    QTest::newRow("two emoji GBK lacks") << "😀" << "😁" << "no";
    QTest::newRow("emoji against ?") << "😀" << "?" << "no";
}

void TestMd5Tool::compareTwoTexts()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, shown);
    form->Edit1->setText(first);
    form->Edit3->setText(second);
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(db->messages.texts(Messages::Kind::Plain), QStringList({shown}));
    QCOMPARE(db->messages.shown.size(), 1);
}

void TestMd5Tool::checkPassword_data()
{
    QTest::addColumn<bool>("hasUser");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("digestText");
    QTest::addColumn<bool>("ok");
    QTest::newRow("exact digest") << true << QVariant(kDigestAbc) << true << kDigestAbc << true;
    QTest::newRow("stored in uppercase") << true << QVariant(kDigestAbc.toUpper()) << true << kDigestAbc << false;
    QTest::newRow("stored with trailing space") << true << QVariant(kDigestAbc + QLatin1Char(' ')) << true
                                                << kDigestAbc << false;
    QTest::newRow("box in uppercase") << true << QVariant(kDigestAbc) << true << kDigestAbc.toUpper() << false;
    QTest::newRow("not loaded, empty box") << true << QVariant(kDigestAbc) << false << "" << true;
    QTest::newRow("not loaded, digest in box") << true << QVariant(kDigestAbc) << false << kDigestAbc << false;
    QTest::newRow("empty table, empty box") << false << QVariant() << true << "" << true;
    QTest::newRow("empty table, digest in box") << false << QVariant() << true << kDigestAbc << false;
    QTest::newRow("null password, empty box") << true << QVariant() << true << "" << true;
    QTest::newRow("empty password, digest in box") << true << QVariant(QString("")) << true << kDigestAbc << false;
}

// "okmm" exactly when the texts are the same; otherwise nothing at all.
void TestMd5Tool::checkPassword()
{
    QFETCH(bool, hasUser);
    QFETCH(QVariant, stored);
    QFETCH(bool, loaded);
    QFETCH(QString, digestText);
    QFETCH(bool, ok);
    if (hasUser)
        addUser(QStringLiteral("u1"), QStringLiteral("张三"), stored);
    if (loaded)
        load();
    form->Edit2->setText(digestText);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(db->messages.texts(), ok ? QStringList({QStringLiteral("okmm")}) : QStringList());
}

// Type the password, digest it, select the user, check.
void TestMd5Tool::checkPasswordOfTheSelectedUser()
{
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), md5Hex("secret"));
    addUser(QStringLiteral("u2"), QStringLiteral("李四"), md5Hex("\xC3\xDC\xC2\xEB")); // 密码 in GBK
    showForm();
    load();
    form->Edit1->setText(QStringLiteral("密码"));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QVERIFY(db->messages.shown.isEmpty()); // the first user's password differs
    clickCell(1, 2);
    QCOMPARE(DM->ADOQyhxxb->currentRow(), 1);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(db->messages.texts(), QStringList({QStringLiteral("okmm")}));
}

void TestMd5Tool::loadListsEveryRowFirstCurrent()
{
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    addUser(QStringLiteral("u2"), QStringLiteral("李四"), QString());
    showForm();
    load();
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), 2);
    clickCell(1, 1);
    QCOMPARE(DM->ADOQyhxxb->currentRow(), 1);
    // Loading again shows what was added meanwhile, the first row current.
    addUser(QStringLiteral("u3"), QStringLiteral("王五"), QString());
    load();
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), 3);
    QCOMPARE(DM->ADOQyhxxb->currentRow(), 0);
    QCOMPARE(form->XMDBGrid1->currentIndex().row(), 0);
    QCOMPARE(DM->ADOQyhxxb->text(QStringLiteral("yhcode")), QStringLiteral("u1"));
    QVERIFY(db->messages.shown.isEmpty());
}

void TestMd5Tool::editedRowIsStoredWhenLeft()
{
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    addUser(QStringLiteral("u2"), QStringLiteral("李四"), QString());
    showForm();
    load();
    typeIntoCell(0, QStringLiteral("yhxm"), QStringLiteral("张三丰"));
    typeIntoCell(0, QStringLiteral("bmid"), QStringLiteral("42"));
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Edit);
    QTest::keyClick(form->XMDBGrid1, Qt::Key_Down);
    settle();
    QCOMPARE(DM->ADOQyhxxb->currentRow(), 1);
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("yhcode='u1' and yhxm='张三丰' and bmid=42")), 1);
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("yhxm='李四'")), 1);
    QVERIFY(db->messages.shown.isEmpty());
}

void TestMd5Tool::tooLongValueKeepsRowInEditing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("code of 11") << "yhcode" << QString(11, QLatin1Char('c')) << "用户代码超过10个字符";
    QTest::newRow("name of 31") << "yhxm" << QString(31, QChar(0x540D)) << "用户名超过30个字符";
}

// The database refuses the row: its message in the standard error box, the
// grid and the dataset stay on the row in editing, nothing is stored; the
// row can be put right and stored then.
void TestMd5Tool::tooLongValueKeepsRowInEditing()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    addUser(QStringLiteral("u2"), QStringLiteral("李四"), QString());
    showForm();
    load();
    typeIntoCell(0, field, value);
    QTest::keyClick(form->XMDBGrid1, Qt::Key_Down);
    settle();
    const QStringList errors = db->messages.texts(Messages::Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(message), qPrintable(errors.first()));
    QCOMPARE(DM->ADOQyhxxb->currentRow(), 0);
    QCOMPARE(form->XMDBGrid1->currentIndex().row(), 0);
    // The highlighted cell is the current one, on the row in editing.
    const QModelIndexList selected = form->XMDBGrid1->selectionModel()->selectedIndexes();
    QCOMPARE(selected, QModelIndexList({form->XMDBGrid1->currentIndex()}));
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Edit);
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("yhcode='u1' and yhxm='张三'")), 1);

    // Loading again first tries to store the row: the same error, the row
    // kept.
    db->messages.clear();
    load();
    QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Edit);
    QCOMPARE(DM->ADOQyhxxb->text(field), value);

    // Put right, it is stored.
    db->messages.clear();
    typeIntoCell(0, field, QStringLiteral("ok"));
    QTest::keyClick(form->XMDBGrid1, Qt::Key_Down);
    settle();
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("%1='ok'").arg(field)), 1);
}

// Closing only hides: the texts stay for the next showing.
void TestMd5Tool::closeHidesAndKeepsTexts()
{
    showForm();
    form->Edit1->setText(QStringLiteral("密码"));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    const QString digest = form->Edit2->text();
    form->Edit3->setText(QStringLiteral("第二"));
    QVERIFY(form->close());
    QVERIFY(form->isHidden());
    QPointer<TFormmd5> alive = form.get();
    settle();
    QVERIFY(alive);
    showForm();
    QCOMPARE(form->Edit1->text(), QStringLiteral("密码"));
    QCOMPARE(form->Edit2->text(), digest);
    QCOMPARE(form->Edit3->text(), QStringLiteral("第二"));
    // Escape closes it the same way.
    QTest::keyClick(form->Edit1, Qt::Key_Escape);
    QVERIFY(form->isHidden());
    QCOMPARE(form->Edit1->text(), QStringLiteral("密码"));
}

// A row changed in the grid is not lost when the window is closed.
void TestMd5Tool::closeStoresChangedRow()
{
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    showForm();
    load();
    typeIntoCell(0, QStringLiteral("beizhu"), QStringLiteral("管理员"));
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Edit);
    QVERIFY(form->close());
    QVERIFY(form->isHidden());
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("beizhu='管理员'")), 1);
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Browse);
    QVERIFY(db->messages.shown.isEmpty());
}

// A row the database refuses: the error, then the question; Cancel keeps
// the window open with the row, OK drops the change and hides the window.
void TestMd5Tool::closeWithRowThatCannotBeStored()
{
    addUser(QStringLiteral("u1"), QStringLiteral("张三"), QString());
    showForm();
    load();
    typeIntoCell(0, QStringLiteral("yhcode"), QString(12, QLatin1Char('x')));
    db->messages.answers.enqueue(false);
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
    QCOMPARE(db->messages.count(Messages::Kind::Question), 1);
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Edit);

    db->messages.clear();
    db->messages.answers.enqueue(true);
    QVERIFY(form->close());
    QVERIFY(form->isHidden());
    QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
    QCOMPARE(DM->ADOQyhxxb->state(), Dataset::State::Browse);
    QCOMPARE(DM->ADOQyhxxb->text(QStringLiteral("yhcode")), QStringLiteral("u1"));
    QCOMPARE(db->count(QStringLiteral("yhxxb"), QStringLiteral("yhcode='u1'")), 1);
}

// The program's start makes the tool, hidden, after the data module, once
// the main window's first frame is out; the hidden menu item shows it
// modally; the end of the program removes it.
void TestMd5Tool::createdHiddenAtStartShownByHiddenItem()
{
    form.reset();
    db.reset();
    Startup::createWindows();
    QVERIFY(Formmain && DM);
    Startup::showMainWindow();
    QTRY_VERIFY(Formmd5);
    QVERIFY(Formexcelintodbf && Formexcelintodbf->isHidden());
    QVERIFY(Formmd5->isHidden());
    QVERIFY(!Formmain->md51->isVisible());
    QVERIFY(Formmain->menuBar()->actions().contains(Formmain->md51));
    QCOMPARE(Formmd5->XMDBGrid1->dataset(), DM->ADOQyhxxb);

    bool modalWhenShown = false;
    QTimer::singleShot(0, Formmd5, [&] {
        modalWhenShown = Formmd5->isVisible() && QApplication::activeModalWidget() == Formmd5;
        Formmd5->Edit1->setText(QStringLiteral("保留"));
        Formmd5->close();
    });
    Formmain->md51->trigger();
    QVERIFY(modalWhenShown);
    QVERIFY(Formmd5->isHidden());
    QCOMPARE(Formmd5->Edit1->text(), QStringLiteral("保留"));

    Startup::destroyWindows();
    QVERIFY(!Formmd5);
    QVERIFY(!Formmain);
    QVERIFY(!DM);
    db = std::make_unique<TestDb>(); // for cleanup
}

QTEST_MAIN(TestMd5Tool)
#include "tst_md5tool.moc"
