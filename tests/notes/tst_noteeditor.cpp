// The note editor driven as a user drives it: new notes one after another,
// the subject question, the content rule, the weather, the category box,
// edit mode opened from the search window, delete.
#include "notesenv.h"

#include "ui/contenttext.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

using Messages::Kind;

class TestNoteEditor : public QObject {
    Q_OBJECT

private slots:
    void creationStartsInNewMode();
    void identifiersAcrossSaveAndNew();
    void identifierTakenMeanwhile();
    void subjectQuestion_data();
    void subjectQuestion();
    void contentRule_data();
    void contentRule();
    void weatherStoredEmptyWhenNoneSelected();
    void categoryBoxDiscardsTypedKeys();
    void labelClickHidesTheContentBox();
    void failedInsertKeepsEverything();
    void editSaveUpdatesTheNote();
    void saveOfDeletedNoteIsRefused_data();
    void saveOfDeletedNoteIsRefused();
    void deleteGoesByIdentifier_data();
    void deleteGoesByIdentifier();
    void exitDropsTheInput();
    void pictureCommandNeedsContent();
};

void TestNoteEditor::creationStartsInNewMode()
{
    NotesEnv env;
    env.setCounter(27);
    TFormjszj *f = env.openEditor();
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("记事本"));
    QCOMPARE(f->size(), QSize(849, 565));
    QCOMPARE(f->minimumSize(), f->maximumSize());
    QCOMPARE(f->frameTop(), 0);
    QVERIFY(f->newNoteMode());

    QCOMPARE(f->DateTimePicker1->date(), QDate::currentDate());
    QVERIFY(qAbs(f->DateTimePicker2->time().secsTo(QTime::currentTime())) < 10);
    QCOMPARE(f->DateTimePicker2->displayFormat(), QStringLiteral("HH:mm:ss"));
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-27"));
    QVERIFY(f->Edit2->isReadOnly());
    QCOMPARE(f->Edit1->text(), QStringLiteral("无主题"));
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
    QVERIFY(f->Memo2->toPlainText().isEmpty());
    QCOMPARE(f->weatherValue(), QString());
    QVERIFY(f->RichEdit1->font().underline());
    QCOMPARE(f->RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // The category list in the order of the table, the box itself empty.
    QStringList items;
    for (int i = 0; i < f->ComboBox1->count(); ++i)
        items << f->ComboBox1->itemText(i);
    QStringList names;
    for (const QVariantMap &row : env.db.query(QStringLiteral("select flmc from jsflb")))
        names << row.value(QStringLiteral("flmc")).toString();
    QVERIFY(!names.isEmpty());
    QCOMPARE(items, names);
    QCOMPARE(f->ComboBox1->currentText(), QString());

    // The tab order of the window; every control can be told apart by
    // assistive tools.
    const QStringList order = {"DateTimePicker1", "Edit1", "DateTimePicker2", "RichEdit1", "ComboBox1",
                               "RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4", "Memo2",
                               "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "Edit2"};
    QCOMPARE(tabOrderFrom(f->DateTimePicker1, order), order);
    for (QLabel *l : {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5})
        QVERIFY(l->buddy());
    for (QWidget *c : {static_cast<QWidget *>(f->DateTimePicker2), static_cast<QWidget *>(f->RichEdit1),
                       static_cast<QWidget *>(f->Memo2), static_cast<QWidget *>(f->Panel1)})
        QVERIFY(!c->accessibleName().isEmpty());
}

void TestNoteEditor::identifiersAcrossSaveAndNew()
{
    NotesEnv env;
    env.setCounter(27);
    TFormjszj *f = env.openEditor();
    const QDate day(2024, 5, 17);
    f->DateTimePicker1->setDate(day);
    f->DateTimePicker2->setTime(QTime(7, 8, 9, 500));
    f->Edit1->setText(QStringLiteral("第一篇"));
    f->RichEdit1->setPlainText(QStringLiteral("今天晴"));
    f->ComboBox1->setCurrentIndex(1);
    const QString category = f->ComboBox1->currentText();
    f->RadioButton3->setChecked(true);
    f->Memo2->setPlainText(QStringLiteral("备注一"));
    f->BitBtn1->click();

    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("保存成功!")});
    const QVariantMap first = env.record(QStringLiteral("JS-27"));
    QCOMPARE(first.value(QStringLiteral("jsrq")).toString(), dayText(day));
    QCOMPARE(first.value(QStringLiteral("jssj")).toString(), QStringLiteral("1899-12-30 07:08:09"));
    QCOMPARE(first.value(QStringLiteral("jsfl")).toString(), category);
    QCOMPARE(first.value(QStringLiteral("jsbh")).toString(), QString());
    QVERIFY(!first.value(QStringLiteral("jsbh")).isNull());
    QCOMPARE(first.value(QStringLiteral("jsbt")).toString(), QStringLiteral("第一篇"));
    QCOMPARE(first.value(QStringLiteral("jsnr")).toString(), QStringLiteral("今天晴\r\n"));
    QCOMPARE(first.value(QStringLiteral("jstq")).toString(), QStringLiteral("雨天"));
    QCOMPARE(first.value(QStringLiteral("jsbz")).toString(), QStringLiteral("备注一\r\n"));
    QVERIFY(first.value(QStringLiteral("xh")).isNull());
    QCOMPARE(env.counter(), 28);

    // Ready for the next note: next identifier, fresh subject, content and
    // remark, the current time; date, category and weather stay.
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-28"));
    QCOMPARE(f->Edit1->text(), QStringLiteral("无主题"));
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
    QVERIFY(f->Memo2->toPlainText().isEmpty());
    QVERIFY(qAbs(f->DateTimePicker2->time().secsTo(QTime::currentTime())) < 10);
    QCOMPARE(f->DateTimePicker1->date(), day);
    QCOMPARE(f->ComboBox1->currentText(), category);
    QVERIFY(f->RadioButton3->isChecked());
    QVERIFY(Formjszj == f);

    f->RichEdit1->setPlainText(QStringLiteral("第二篇"));
    f->BitBtn1->click();
    QCOMPARE(env.record(QStringLiteral("JS-28")).value(QStringLiteral("jsnr")).toString(), QStringLiteral("第二篇\r\n"));
    QCOMPARE(env.record(QStringLiteral("JS-28")).value(QStringLiteral("jsbt")).toString(), QStringLiteral("无主题"));
    QCOMPARE(env.counter(), 29);
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-29"));
    QCOMPARE(env.records().size(), 2);

    // "保存" in new-note mode stores under the identifier shown and closes.
    f->RichEdit1->setPlainText(QStringLiteral("第三篇"));
    QPointer<TFormjszj> guard(f);
    f->BitBtn2->click();
    NotesEnv::settle();
    QVERIFY(!guard);
    QVERIFY(!Formjszj);
    QCOMPARE(env.record(QStringLiteral("JS-29")).value(QStringLiteral("jsnr")).toString(), QStringLiteral("第三篇\r\n"));
    QCOMPARE(env.counter(), 30);
}

void TestNoteEditor::identifierTakenMeanwhile()
{
    // A second copy of the program stores JS-5 while this editor shows it.
    NotesEnv env;
    env.setCounter(5);
    TFormjszj *f = env.openEditor();
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-5"));
    env.addNote(QStringLiteral("JS-5"), QDate(2024, 1, 1), QStringLiteral("工作"), QStringLiteral("别处\r\n"));
    env.setCounter(6);

    f->RichEdit1->setPlainText(QStringLiteral("这里"));
    f->BitBtn1->click();
    QCOMPARE(env.db.messages.texts(),
             (QStringList{QStringLiteral("编号JS-5已被别处保存的记录占用,本记录已存为JS-6!"),
                          QStringLiteral("保存成功!")}));
    QCOMPARE(env.record(QStringLiteral("JS-6")).value(QStringLiteral("jsnr")).toString(), QStringLiteral("这里\r\n"));
    QCOMPARE(env.records(QStringLiteral("jsid='JS-5'")).size(), 1);
    QCOMPARE(env.counter(), 7);
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-7"));
}

void TestNoteEditor::subjectQuestion_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("saveButton"); // "保存" in place of "保存并新增"
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("windowOpen");

    QTest::newRow("save and new, OK") << QString() << false << QList<bool>{true} << 1 << true << true;
    QTest::newRow("save and new, cancel") << QString() << false << QList<bool>{false} << 1 << false << true;
    QTest::newRow("save, asked twice, OK twice") << QString() << true << QList<bool>{true, true} << 2 << true << false;
    // Cancelling the second question still closes the window, unsaved.
    QTest::newRow("save, second question cancelled") << QString() << true << QList<bool>{true, false} << 2 << false
                                                     << false;
    QTest::newRow("save, first question cancelled") << QString() << true << QList<bool>{false} << 1 << false << true;
    QTest::newRow("spaces are a subject") << QStringLiteral("   ") << true << QList<bool>{} << 0 << true << false;
}

void TestNoteEditor::subjectQuestion()
{
    QFETCH(QString, subject);
    QFETCH(bool, saveButton);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, stored);
    QFETCH(bool, windowOpen);

    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->Edit1->setText(subject);
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    for (bool a : answers)
        env.db.messages.answers.enqueue(a);
    QPointer<TFormjszj> guard(f);
    (saveButton ? f->BitBtn2 : f->BitBtn1)->click();
    NotesEnv::settle();

    QCOMPARE(env.db.messages.texts(Kind::Question),
             QStringList(questions, QStringLiteral("主题为空,确定继续吗?")));
    for (const auto &s : env.db.messages.shown)
        if (s.kind == Kind::Question)
            QCOMPARE(s.caption, QStringLiteral("提示框!"));
    QCOMPARE(env.records().size(), stored ? 1 : 0);
    if (stored)
        QCOMPARE(env.records().first().value(QStringLiteral("jsbt")).toString(), subject);
    QCOMPARE(env.db.messages.texts(Kind::Plain).contains(QStringLiteral("保存成功!")), stored);
    QCOMPARE(bool(guard), windowOpen);
    QCOMPARE(bool(Formjszj), windowOpen);
    if (windowOpen && !stored)
        QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("内容"));
}

void TestNoteEditor::contentRule_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("stored"); // empty: refused

    QTest::newRow("no line") << QString() << QString();
    QTest::newRow("one empty line") << QStringLiteral("\n") << QStringLiteral("\r\n");
    QTest::newRow("one line") << QStringLiteral("一行") << QStringLiteral("一行\r\n");
    QTest::newRow("trailing break") << QStringLiteral("一行\n") << QStringLiteral("一行\r\n");
    QTest::newRow("two lines") << QStringLiteral("甲\n乙") << QStringLiteral("甲\r\n乙\r\n");
    QTest::newRow("empty line inside and at the end") << QStringLiteral("甲\n\n乙\n\n")
                                                      << QStringLiteral("甲\r\n\r\n乙\r\n\r\n");
    QTest::newRow("blanks only") << QStringLiteral("  ") << QStringLiteral("  \r\n");
}

void TestNoteEditor::contentRule()
{
    QFETCH(QString, box);
    QFETCH(QString, stored);

    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(box);
    f->Memo2->setPlainText(box);
    f->BitBtn1->click();
    if (stored.isEmpty()) {
        QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("记事内容不能为空!")});
        QCOMPARE(env.records().size(), 0);
        QCOMPARE(f->Edit2->text(), QStringLiteral("JS-1"));
        return;
    }
    const QVariantMap row = env.record(QStringLiteral("JS-1"));
    QCOMPARE(row.value(QStringLiteral("jsnr")).toString(), stored);
    QCOMPARE(row.value(QStringLiteral("jsbz")).toString(), stored);

    // Loaded into the editor by the search window and stored again: the
    // same text.
    f->BitBtn3->click();
    NotesEnv::settle();
    TFormjszj *e = env.editRecord(row.value(QStringLiteral("zdbh")).toInt());
    QVERIFY(e);
    QCOMPARE(ContentText::read(e->RichEdit1), stored);
    QCOMPARE(ContentText::read(e->Memo2), stored);
    e->BitBtn2->click();
    const QVariantMap again = env.record(QStringLiteral("JS-1"));
    QCOMPARE(again.value(QStringLiteral("jsnr")).toString(), stored);
    QCOMPARE(again.value(QStringLiteral("jsbz")).toString(), stored);
}

void TestNoteEditor::weatherStoredEmptyWhenNoneSelected()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    QRadioButton *const buttons[] = {f->RadioButton1, f->RadioButton2, f->RadioButton3, f->RadioButton4};
    const QStringList words = {QStringLiteral("晴天"), QStringLiteral("阴天"), QStringLiteral("雨天"),
                               QStringLiteral("雪天")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(buttons[i]->text(), words[i]);
        buttons[i]->click();
        f->RichEdit1->setPlainText(QStringLiteral("第%1篇").arg(i));
        f->BitBtn1->click();
    }
    // A click on the panel outside its buttons clears the weather; the
    // next save stores the empty text although the last stored a word.
    QTest::mouseClick(f->Panel1, Qt::LeftButton, {}, QPoint(f->Panel1->width() - 4, f->Panel1->height() / 2));
    for (QRadioButton *b : buttons)
        QVERIFY(!b->isChecked());
    f->RichEdit1->setPlainText(QStringLiteral("无天气"));
    f->BitBtn1->click();

    QStringList stored;
    for (const QVariantMap &n : env.records())
        stored << n.value(QStringLiteral("jstq")).toString();
    QCOMPARE(stored, words + QStringList{QString()});
    QVERIFY(!env.records().last().value(QStringLiteral("jstq")).isNull());
}

void TestNoteEditor::categoryBoxDiscardsTypedKeys()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->activateWindow();
    f->ComboBox1->setFocus();
    QTest::keyClicks(f->ComboBox1, QStringLiteral("abc"));
    QTest::keyClicks(f->ComboBox1->lineEdit(), QStringLiteral("xyz"));
    QCOMPARE(f->ComboBox1->currentText(), QString());

    // A text filled in from outside the list stays as filled, whatever is
    // typed, Backspace and Delete included.
    f->ComboBox1->setEditText(QStringLiteral("不在列表中"));
    QTest::keyClick(f->ComboBox1->lineEdit(), Qt::Key_End);
    QTest::keyClick(f->ComboBox1->lineEdit(), Qt::Key_Backspace);
    QTest::keyClick(f->ComboBox1, Qt::Key_Backspace);
    QTest::keyClick(f->ComboBox1->lineEdit(), Qt::Key_Home);
    QTest::keyClick(f->ComboBox1->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(f->ComboBox1->lineEdit(), QStringLiteral("q"));
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("不在列表中"));
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    f->BitBtn1->click();
    QCOMPARE(env.record(QStringLiteral("JS-1")).value(QStringLiteral("jsfl")).toString(), QStringLiteral("不在列表中"));

    // A click on the text opens the list; choosing from it changes the text.
    QTest::mouseClick(f->ComboBox1->lineEdit(), Qt::LeftButton);
    QVERIFY(f->ComboBox1->view()->isVisible());
    f->ComboBox1->hidePopup();
    f->ComboBox1->setCurrentIndex(2);
    QCOMPARE(f->ComboBox1->currentText(), f->ComboBox1->itemText(2));
    QCOMPARE(f->ComboBox1->count(), env.db.count(QStringLiteral("jsflb"))); // nothing added to the list
}

void TestNoteEditor::labelClickHidesTheContentBox()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("看不见也要存"));
    QVERIFY(f->RichEdit1->isVisible());
    QTest::mouseClick(f->Label2, Qt::LeftButton);
    QVERIFY(!f->RichEdit1->isVisible());
    QVERIFY(f->GroupBox1->isVisible());
    f->BitBtn1->click();
    QCOMPARE(env.record(QStringLiteral("JS-1")).value(QStringLiteral("jsnr")).toString(),
             QStringLiteral("看不见也要存\r\n"));
    QVERIFY(!f->RichEdit1->isVisible()); // nothing shows it again
}

void TestNoteEditor::failedInsertKeepsEverything()
{
    NotesEnv env;
    env.setCounter(9);
    TFormjszj *f = env.openEditor();
    const QString tooLong(101, QLatin1Char('x'));
    f->Edit1->setText(tooLong);
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    f->Memo2->setPlainText(QStringLiteral("备注"));

    for (QPushButton *b : {f->BitBtn1, f->BitBtn2}) {
        env.db.messages.clear();
        b->click();
        NotesEnv::settle();
        QCOMPARE(env.db.messages.count(Kind::Error), 1);
        QVERIFY(!env.db.messages.texts().contains(QStringLiteral("保存成功!")));
        QCOMPARE(env.records().size(), 0);
        QCOMPARE(env.counter(), 9);
        QVERIFY(Formjszj == f); // "保存" leaves the window open
        QCOMPARE(f->Edit2->text(), QStringLiteral("JS-9"));
        QCOMPARE(f->Edit1->text(), tooLong);
        QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("内容"));
        QCOMPARE(f->Memo2->toPlainText(), QStringLiteral("备注"));
    }
}

void TestNoteEditor::editSaveUpdatesTheNote()
{
    NotesEnv env;
    env.setCounter(40);
    const int zdbh = env.addNote(QStringLiteral("JS-3"), QDate(2023, 2, 3), QStringLiteral("工作"),
                                 QStringLiteral("旧内容\r\n"), QStringLiteral("旧主题"), QStringLiteral("雪天"),
                                 QStringLiteral("旧备注\r\n"), QStringLiteral("21:05:59"));
    env.addNote(QStringLiteral("JS-4"), QDate(2023, 2, 4), QStringLiteral("工作"), QStringLiteral("别的\r\n"));
    TFormjszj *f = env.editRecord(zdbh);
    QVERIFY(f);
    QVERIFY(!f->newNoteMode());
    QCOMPARE(EditZdbh, zdbh);
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-3"));

    f->DateTimePicker1->setDate(QDate(2023, 3, 4));
    f->DateTimePicker2->setTime(QTime(6, 7, 8));
    f->Edit1->setText(QStringLiteral("新主题"));
    f->ComboBox1->setEditText(QStringLiteral("生活"));
    f->RichEdit1->setPlainText(QStringLiteral("新内容"));
    f->Memo2->setPlainText(QString());
    f->Panel1Click();
    QPointer<TFormjszj> guard(f);
    f->BitBtn2->click();
    NotesEnv::settle();

    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("保存成功!")});
    QVERIFY(!guard);
    const QVariantMap row = env.record(QStringLiteral("JS-3"));
    QCOMPARE(row.value(QStringLiteral("zdbh")).toInt(), zdbh);
    QCOMPARE(row.value(QStringLiteral("jsrq")).toString(), dayText(QDate(2023, 3, 4)));
    QCOMPARE(row.value(QStringLiteral("jssj")).toString(), QStringLiteral("1899-12-30 06:07:08"));
    QCOMPARE(row.value(QStringLiteral("jsbt")).toString(), QStringLiteral("新主题"));
    QCOMPARE(row.value(QStringLiteral("jsfl")).toString(), QStringLiteral("生活"));
    QCOMPARE(row.value(QStringLiteral("jsnr")).toString(), QStringLiteral("新内容\r\n"));
    QCOMPARE(row.value(QStringLiteral("jsbz")).toString(), QString());
    QCOMPARE(row.value(QStringLiteral("jstq")).toString(), QString());
    QCOMPARE(env.record(QStringLiteral("JS-4")).value(QStringLiteral("jsnr")).toString(), QStringLiteral("别的\r\n"));
    QCOMPARE(env.counter(), 40); // an update never touches the counter
    QCOMPARE(env.records().size(), 2);
}

void TestNoteEditor::saveOfDeletedNoteIsRefused_data()
{
    QTest::addColumn<bool>("deletedHere");
    QTest::newRow("deleted by this editor") << true;
    QTest::newRow("deleted elsewhere") << false;
}

void TestNoteEditor::saveOfDeletedNoteIsRefused()
{
    QFETCH(bool, deletedHere);
    NotesEnv env;
    const int zdbh = env.addNote(QStringLiteral("JS-8"), QDate(2023, 2, 3), QStringLiteral("工作"),
                                 QStringLiteral("内容\r\n"));
    TFormjszj *f = env.editRecord(zdbh);
    QVERIFY(f);
    if (deletedHere) {
        env.db.messages.answers.enqueue(true);
        f->N1->trigger();
    } else {
        env.db.exec(QStringLiteral("delete from jsbnrb"));
    }
    QCOMPARE(env.records().size(), 0);
    f->Edit1->setText(QStringLiteral("改过的主题"));
    f->RichEdit1->setPlainText(QStringLiteral("新写的内容"));
    env.db.messages.clear();
    f->BitBtn2->click();
    NotesEnv::settle();

    QCOMPARE(env.db.messages.texts(Kind::Plain), QStringList{QStringLiteral("记录已不存在,保存失败!")});
    QCOMPARE(env.db.messages.count(Kind::Error), 0);
    QCOMPARE(env.records().size(), 0);
    QVERIFY(Formjszj == f);
    QVERIFY(!f->newNoteMode());
    QCOMPARE(f->Edit1->text(), QStringLiteral("改过的主题"));
    QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("新写的内容"));
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-8"));
}

void TestNoteEditor::deleteGoesByIdentifier_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("OK") << true;
    QTest::newRow("cancel") << false;
}

void TestNoteEditor::deleteGoesByIdentifier()
{
    QFETCH(bool, confirm);
    NotesEnv env;
    const int zdbh = env.addNote(QStringLiteral("JS-2"), QDate(2023, 1, 1), QStringLiteral("工作"),
                                 QStringLiteral("甲\r\n"), QStringLiteral("主题"), QStringLiteral("晴天"));
    env.addNote(QStringLiteral("JS-2"), QDate(2023, 1, 2), QStringLiteral("工作"), QStringLiteral("同号\r\n"));
    env.addNote(QStringLiteral("JS-3"), QDate(2023, 1, 3), QStringLiteral("工作"), QStringLiteral("乙\r\n"));
    env.db.exec(QStringLiteral("insert into jstpb(js_id,tpmc) values ('JS-2','图一')"));
    TFormjszj *f = env.editRecord(zdbh);
    QVERIFY(f);
    const QTime time = f->DateTimePicker2->time();
    env.db.messages.answers.enqueue(confirm);
    f->N1->trigger();

    QCOMPARE(env.db.messages.texts(Kind::Question), QStringList{QStringLiteral("确定删除吗?")});
    QCOMPARE(env.db.messages.count(Kind::Plain), 0);
    QCOMPARE(env.records(QStringLiteral("jsid='JS-2'")).size(), confirm ? 0 : 2);
    QCOMPARE(env.records(QStringLiteral("jsid='JS-3'")).size(), 1);
    QCOMPARE(env.db.count(QStringLiteral("jstpb")), 1); // the pictures stay
    // The window stays open in its mode; subject, content and remark go.
    QVERIFY(Formjszj == f);
    QVERIFY(!f->newNoteMode());
    QCOMPARE(f->Edit1->text(), confirm ? QStringLiteral("无主题") : QStringLiteral("主题"));
    QCOMPARE(f->RichEdit1->toPlainText().isEmpty(), confirm);
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-2"));
    QCOMPARE(f->DateTimePicker2->time(), time);
    QVERIFY(f->RadioButton1->isChecked());
}

void TestNoteEditor::exitDropsTheInput()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("不要了"));
    QPointer<TFormjszj> guard(f);
    f->BitBtn3->click();
    NotesEnv::settle();
    QVERIFY(!guard);
    QVERIFY(!Formjszj);
    QVERIFY(env.db.messages.shown.isEmpty());
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(env.counter(), 1);
    // A new editor is made afresh.
    TFormjszj *g = env.openEditor();
    QVERIFY(g->RichEdit1->toPlainText().isEmpty());
}

void TestNoteEditor::pictureCommandNeedsContent()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->BitBtn4->click();
    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("记事内容不能为空!")});
    QCOMPARE(env.records().size(), 0);
}

QTEST_MAIN(TestNoteEditor)
#include "tst_noteeditor.moc"
