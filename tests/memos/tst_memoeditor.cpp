// The memo editor driven as a user drives it: new memos with and without a
// reminder, save-and-new, edit mode opened from the search window, delete.
#include "memoenv.h"

#include "ui/contenttext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using Messages::Kind;

class TestMemoEditor : public QObject {
    Q_OBJECT

private slots:
    void creationStartsInNewMode();
    void reminderBoxEnablesTheReminderDates();
    void saveAndNewStoresTheMemo_data();
    void saveAndNewStoresTheMemo();
    void identifiersAcrossSaveAndNew();
    void identifierTakenMeanwhile();
    void endDateWrittenByEachSave_data();
    void endDateWrittenByEachSave();
    void contentRule_data();
    void contentRule();
    void subjectQuestion_data();
    void subjectQuestion();
    void saveInNewModeAsksTwice_data();
    void saveInNewModeAsksTwice();
    void failedInsertKeepsEverything();
    void editModeLoadsTheRow_data();
    void editModeLoadsTheRow();
    void editSaveWritesTheChangedMemo_data();
    void editSaveWritesTheChangedMemo();
    void saveOfDeletedMemoIsRefused_data();
    void saveOfDeletedMemoIsRefused();
    void deleteRemovesEveryRowWithTheIdentifier();
    void exitDropsTheInput();
    void menuCommandRestoresTheOpenEditor();
    void tabOrder();
};

void TestMemoEditor::creationStartsInNewMode()
{
    MemoEnv env;
    env.setCounter(5);
    QVERIFY(env.main->ToolButton4->isEnabled());
    env.main->ToolButton4->click(); // the toolbar twin of "新增备忘录"
    TFormbeiwlzj *f = Formbeiwlzj;
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("新增备忘录"));
    QCOMPARE(f->size(), QSize(750, 546));
    QCOMPARE(f->minimumSize(), f->maximumSize());
    QCOMPARE(f->frameTop(), 0);
    QVERIFY(f->BitBtn1->isEnabled());

    const QDate today = QDate::currentDate();
    QCOMPARE(f->DateTimePicker1->date(), today);
    QVERIFY(qAbs(f->DateTimePicker2->time().secsTo(QTime::currentTime())) < 10);
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-5"));
    QVERIFY(f->Edit2->isReadOnly());
    QCOMPARE(f->Edit1->text(), QStringLiteral("无主题"));
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
    QVERIFY(!f->CheckBox1->isChecked());
    QCOMPARE(f->DateTimePicker3->date(), today);
    QVERIFY(!f->DateTimePicker3->isEnabled());
    QCOMPARE(f->DateTimePicker4->date(), today);
    QVERIFY(!f->DateTimePicker4->isEnabled());
    QVERIFY(f->DateTimePicker4->isHidden());
    QVERIFY(f->Label3->isHidden());

    // The category list in the order of the table, the box itself empty.
    QStringList items;
    for (int i = 0; i < f->ComboBox1->count(); ++i)
        items << f->ComboBox1->itemText(i);
    QCOMPARE(items, QStringList({"工作", "学习", "生活", "家人", "朋友"}));
    QCOMPARE(f->ComboBox1->currentText(), QString());

    QCOMPARE(f->RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(f->RichEdit1->font().underline());
    QCOMPARE(f->RichEdit1->font().pixelSize(), 24);
    QCOMPARE(f->font().pixelSize(), 16);
    QCOMPARE(f->palette().color(QPalette::Window), QColor(166, 202, 240));
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestMemoEditor::reminderBoxEnablesTheReminderDates()
{
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    const QDate later(2031, 5, 6);
    f->DateTimePicker3->setDate(later);
    QTest::mouseClick(f->CheckBox1, Qt::LeftButton, {}, QPoint(6, f->CheckBox1->height() / 2));
    QVERIFY(f->CheckBox1->isChecked());
    QVERIFY(f->DateTimePicker3->isEnabled());
    QVERIFY(f->DateTimePicker4->isEnabled());
    QVERIFY(f->DateTimePicker4->isHidden());
    QCOMPARE(f->DateTimePicker3->date(), later);
    f->CheckBox1->setChecked(false);
    QVERIFY(!f->DateTimePicker3->isEnabled());
    QVERIFY(!f->DateTimePicker4->isEnabled());
    QCOMPARE(f->DateTimePicker3->date(), later);
}

void TestMemoEditor::saveAndNewStoresTheMemo_data()
{
    QTest::addColumn<bool>("reminder");
    QTest::newRow("with reminder (long insert)") << true;
    QTest::newRow("without reminder (short insert)") << false;
}

void TestMemoEditor::saveAndNewStoresTheMemo()
{
    QFETCH(bool, reminder);
    MemoEnv env;
    env.setCounter(5);
    TFormbeiwlzj *f = env.openEditor();
    const QDate today = QDate::currentDate();
    const QDate remindOn = today.addDays(3);
    f->DateTimePicker1->setDate(QDate(2024, 3, 15));
    f->DateTimePicker2->setTime(QTime(14, 25, 36));
    f->ComboBox1->setEditText(QStringLiteral("自定义分类"));
    f->Edit1->setText(QStringLiteral("开会"));
    f->RichEdit1->setPlainText(QStringLiteral("第一行\n第二行"));
    f->CheckBox1->setChecked(reminder);
    f->DateTimePicker3->setDate(remindOn);

    f->BitBtn1->click();

    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    const QVariantMap m = env.record(QStringLiteral("BWL-5"));
    QVERIFY(!m.isEmpty());
    QCOMPARE(m.value("bwlrq").toString(), QStringLiteral("2024-03-15 00:00:00"));
    QCOMPARE(m.value("bwlsj").toString(), QStringLiteral("1899-12-30 14:25:36"));
    QCOMPARE(m.value("bwlfl").toString(), QStringLiteral("自定义分类"));
    QCOMPARE(m.value("bwlzt").toString(), QStringLiteral("开会"));
    QCOMPARE(m.value("bwlnr").toString(), QStringLiteral("第一行\r\n第二行\r\n"));
    QVERIFY(m.value("xh").isNull());
    QCOMPARE(m.value("sftx").toInt(), reminder ? 1 : 0);
    if (reminder) {
        QCOMPARE(m.value("txqrq").toString(), dayText(remindOn));
        QCOMPARE(m.value("txzrq").toString(), dayText(today));
    } else {
        QVERIFY(m.value("txqrq").isNull());
        QVERIFY(m.value("txzrq").isNull());
    }

    // Ready for the next memo: date, category and reminder settings stay.
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-6"));
    QCOMPARE(env.counter(), 6);
    QCOMPARE(f->Edit1->text(), QStringLiteral("无主题"));
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
    QCOMPARE(f->DateTimePicker1->date(), QDate(2024, 3, 15));
    QVERIFY(qAbs(f->DateTimePicker2->time().secsTo(QTime::currentTime())) < 10);
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("自定义分类"));
    QCOMPARE(f->CheckBox1->isChecked(), reminder);
    QCOMPARE(f->DateTimePicker3->date(), remindOn);
    MemoEnv::settle();
    QCOMPARE(Formbeiwlzj, f);
}

void TestMemoEditor::identifiersAcrossSaveAndNew()
{
    MemoEnv env;
    env.setCounter(5);
    // An open search window follows every new memo.
    TFormbeiwl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 0);

    TFormbeiwlzj *f = env.openEditor();
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-5"));
    f->RichEdit1->setPlainText(QStringLiteral("一"));
    f->BitBtn1->click();
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-6"));
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 1);
    f->RichEdit1->setPlainText(QStringLiteral("二"));
    f->BitBtn1->click();
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-7"));
    QCOMPARE(env.counter(), 7);
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 2);

    const auto all = env.records();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).value("bwlid").toString(), QStringLiteral("BWL-5"));
    QCOMPARE(all.at(0).value("bwlnr").toString(), QStringLiteral("一\r\n"));
    QCOMPARE(all.at(1).value("bwlid").toString(), QStringLiteral("BWL-6"));
    QCOMPARE(all.at(1).value("bwlnr").toString(), QStringLiteral("二\r\n"));
    // Newest first in the list.
    QCOMPARE(DM->ADOQbwlb->text(QStringLiteral("bwlid")), QStringLiteral("BWL-6"));
}

void TestMemoEditor::identifierTakenMeanwhile()
{
    MemoEnv env;
    env.setCounter(5);
    TFormbeiwlzj *f = env.openEditor();
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-5"));
    // A second copy of the program stores BWL-5 and advances the counter.
    env.addMemo(QStringLiteral("BWL-5"), QStringLiteral("2024-01-01"), QStringLiteral("别处"), QStringLiteral("x\r\n"));
    env.setCounter(6);

    f->Edit1->setText(QStringLiteral("我的"));
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    f->BitBtn1->click();

    QCOMPARE(env.db.messages.texts(),
             QStringList({"编号BWL-5已被别处保存的记录占用,本记录已存为BWL-6!", "保存成功!"}));
    QCOMPARE(env.record(QStringLiteral("BWL-5")).value("bwlzt").toString(), QStringLiteral("别处"));
    QCOMPARE(env.record(QStringLiteral("BWL-6")).value("bwlzt").toString(), QStringLiteral("我的"));
    QCOMPARE(env.counter(), 7);
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-7"));
}

enum SavePath { SaveAndNew, SaveNewMode, EditWithoutReminder, EditWithReminder };

void TestMemoEditor::endDateWrittenByEachSave_data()
{
    QTest::addColumn<int>("path");
    QTest::newRow("保存并新增") << int(SaveAndNew);
    QTest::newRow("保存, new memo") << int(SaveNewMode);
    QTest::newRow("保存, edited memo that had no reminder") << int(EditWithoutReminder);
    QTest::newRow("保存, edited memo with a reminder") << int(EditWithReminder);
}

void TestMemoEditor::endDateWrittenByEachSave()
{
    QFETCH(int, path);
    MemoEnv env;
    const QDate today = QDate::currentDate();
    const QDate remindOn = today.addDays(2);
    TFormbeiwlzj *f = nullptr;
    QString id = QStringLiteral("BWL-1");
    QString expectedEnd = dayText(today); // the day the window was made
    switch (path) {
    case SaveAndNew:
    case SaveNewMode:
        f = env.openEditor();
        f->RichEdit1->setPlainText(QStringLiteral("内容"));
        break;
    case EditWithoutReminder:
        id = QStringLiteral("BWL-9");
        f = env.editRecord(env.addMemo(id, QStringLiteral("2024-05-01"), QStringLiteral("旧"), QStringLiteral("旧\r\n"),
                                     QStringLiteral("0")));
        break;
    case EditWithReminder:
        id = QStringLiteral("BWL-9");
        f = env.editRecord(env.addMemo(id, QStringLiteral("2024-05-01"), QStringLiteral("旧"), QStringLiteral("旧\r\n"),
                                     QStringLiteral("1"), QStringLiteral("2030-01-10"), QStringLiteral("2030-01-20")));
        expectedEnd = QStringLiteral("2030-01-20 00:00:00");
        break;
    }
    QVERIFY(f);
    f->CheckBox1->setChecked(true);
    f->DateTimePicker3->setDate(remindOn);
    if (path == SaveAndNew)
        f->BitBtn1->click();
    else
        f->BitBtn2->click();

    QVERIFY(env.db.messages.texts().contains(QStringLiteral("保存成功!")));
    const QVariantMap m = env.record(id);
    QCOMPARE(m.value("sftx").toInt(), 1);
    QCOMPARE(m.value("txqrq").toString(), dayText(remindOn));
    QCOMPARE(m.value("txzrq").toString(), expectedEnd);
}

void TestMemoEditor::contentRule_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("no line at all") << QString() << QString();
    QTest::newRow("one line break") << QStringLiteral("\n") << QStringLiteral("\r\n");
    QTest::newRow("one line") << QStringLiteral("a") << QStringLiteral("a\r\n");
    QTest::newRow("trailing break is no line") << QStringLiteral("a\n") << QStringLiteral("a\r\n");
    QTest::newRow("empty line inside") << QStringLiteral("a\n\nb") << QStringLiteral("a\r\n\r\nb\r\n");
}

void TestMemoEditor::contentRule()
{
    QFETCH(QString, box);
    QFETCH(QString, stored);
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    f->Edit1->setText(QStringLiteral("主题"));
    f->RichEdit1->setPlainText(box);
    f->BitBtn2->click();
    MemoEnv::settle();
    if (stored.isEmpty()) {
        QCOMPARE(env.db.messages.texts(), QStringList({"内容不能为空!"}));
        QCOMPARE(env.records().size(), 0);
        QCOMPARE(env.counter(), 1);
        QCOMPARE(Formbeiwlzj, f); // stays open with its input
        QCOMPARE(f->Edit1->text(), QStringLiteral("主题"));
    } else {
        QCOMPARE(env.record(QStringLiteral("BWL-1")).value("bwlnr").toString(), stored);
        QVERIFY(!Formbeiwlzj);
    }
}

void TestMemoEditor::subjectQuestion_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("stored");
    QTest::newRow("empty, OK") << QString() << true << 1 << true;
    QTest::newRow("empty, Cancel") << QString() << false << 1 << false;
    QTest::newRow("spaces only count as a subject") << QStringLiteral("   ") << true << 0 << true;
}

void TestMemoEditor::subjectQuestion()
{
    QFETCH(QString, subject);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(bool, stored);
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    f->Edit1->setText(subject);
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    env.db.messages.answers.enqueue(answer);
    f->BitBtn1->click();
    QCOMPARE(env.db.messages.count(Kind::Question), questions);
    if (questions)
        QCOMPARE(env.db.messages.texts(Kind::Question).first(), QStringLiteral("主题为空,确定继续吗?"));
    QCOMPARE(env.records().size(), stored ? 1 : 0);
    if (stored) {
        QCOMPARE(env.record(QStringLiteral("BWL-1")).value("bwlzt").toString(), subject.isNull() ? QString("") : subject);
        QCOMPARE(env.db.messages.texts(Kind::Plain), QStringList({"保存成功!"}));
    } else {
        QCOMPARE(env.db.messages.count(Kind::Plain), 0);
        QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("内容"));
    }
}

void TestMemoEditor::saveInNewModeAsksTwice_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("closed");
    QTest::newRow("OK, OK") << QList<bool>{true, true} << 2 << true << true;
    QTest::newRow("OK, Cancel closes without storing") << QList<bool>{true, false} << 2 << false << true;
    QTest::newRow("Cancel") << QList<bool>{false} << 1 << false << false;
}

void TestMemoEditor::saveInNewModeAsksTwice()
{
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, stored);
    QFETCH(bool, closed);
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    f->Edit1->clear();
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    for (bool a : answers)
        env.db.messages.answers.enqueue(a);
    f->BitBtn2->click();
    MemoEnv::settle();
    QCOMPARE(env.db.messages.count(Kind::Question), questions);
    QCOMPARE(env.records().size(), stored ? 1 : 0);
    QCOMPARE(env.counter(), stored ? 2 : 1);
    QCOMPARE(Formbeiwlzj == nullptr, closed);
}

void TestMemoEditor::failedInsertKeepsEverything()
{
    MemoEnv env;
    env.setCounter(5);
    TFormbeiwlzj *f = env.openEditor();
    const QString tooLong(101, QChar(u'长'));
    f->Edit1->setText(tooLong);
    f->RichEdit1->setPlainText(QStringLiteral("内容"));
    f->BitBtn2->click();
    MemoEnv::settle();
    QCOMPARE(env.db.messages.count(Kind::Error), 1);
    QVERIFY(!env.db.messages.texts().contains(QStringLiteral("保存成功!")));
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(env.counter(), 5);
    QCOMPARE(Formbeiwlzj, f);
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-5"));
    QCOMPARE(f->Edit1->text(), tooLong);
    QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("内容"));

    // Shortened, the same memo goes in under the same identifier.
    f->Edit1->setText(QStringLiteral("短"));
    f->BitBtn1->click();
    QCOMPARE(env.record(QStringLiteral("BWL-5")).value("bwlzt").toString(), QStringLiteral("短"));
}

void TestMemoEditor::editModeLoadsTheRow_data()
{
    QTest::addColumn<QString>("sftx");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("reminder on") << QStringLiteral("1") << true;
    QTest::newRow("reminder off") << QStringLiteral("0") << false;
    QTest::newRow("reminder flag null") << QString() << false;
}

void TestMemoEditor::editModeLoadsTheRow()
{
    QFETCH(QString, sftx);
    QFETCH(bool, ticked);
    MemoEnv env;
    env.setCounter(40);
    const QString content = QStringLiteral("行一\r\n\r\n行三\r\n");
    const int zdbh = env.addMemo(QStringLiteral("BWL-9"), QStringLiteral("2024-02-03"), QStringLiteral("主题九"), content,
                                 sftx, QStringLiteral("2024-02-10"), QStringLiteral("2024-02-20"),
                                 QStringLiteral("不在列表里"));
    TFormbeiwlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    QCOMPARE(f->frameTop(), 0);
    QVERIFY(!f->BitBtn1->isEnabled());
    QCOMPARE(Unitbeiwlzj::EditZdbh, zdbh);
    QCOMPARE(f->windowTitle(), QStringLiteral("新增备忘录"));
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-9"));
    QCOMPARE(f->DateTimePicker1->date(), QDate(2024, 2, 3));
    QCOMPARE(f->DateTimePicker2->time(), QTime(8, 30, 15));
    QCOMPARE(f->Edit1->text(), QStringLiteral("主题九"));
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("不在列表里"));
    QCOMPARE(ContentText::read(f->RichEdit1), content);
    QCOMPARE(f->CheckBox1->isChecked(), ticked);
    QCOMPARE(f->DateTimePicker3->isEnabled(), ticked);
    QCOMPARE(f->DateTimePicker4->isEnabled(), ticked);
    QVERIFY(f->DateTimePicker4->isHidden());
    const QDate today = QDate::currentDate();
    QCOMPARE(f->DateTimePicker3->date(), ticked ? QDate(2024, 2, 10) : today);
    QCOMPARE(f->DateTimePicker4->date(), ticked ? QDate(2024, 2, 20) : today);
    QVERIFY(f->isVisible());
}

void TestMemoEditor::editSaveWritesTheChangedMemo_data()
{
    QTest::addColumn<bool>("reminder");
    QTest::newRow("reminder update") << true;
    QTest::newRow("clearing update") << false;
}

void TestMemoEditor::editSaveWritesTheChangedMemo()
{
    QFETCH(bool, reminder);
    MemoEnv env;
    env.setCounter(12);
    const int other = env.addMemo(QStringLiteral("BWL-3"), QStringLiteral("2024-06-01"), QStringLiteral("别的"),
                                  QStringLiteral("别的\r\n"));
    const int zdbh = env.addMemo(QStringLiteral("BWL-4"), QStringLiteral("2024-06-02"), QStringLiteral("旧主题"),
                                 QStringLiteral("旧\r\n"), QStringLiteral("1"), QStringLiteral("2024-06-05"),
                                 QStringLiteral("2024-06-09"));
    TFormbeiwlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    f->DateTimePicker1->setDate(QDate(2024, 6, 3));
    f->DateTimePicker2->setTime(QTime(21, 0, 5));
    f->Edit1->setText(QStringLiteral("新主题"));
    f->ComboBox1->setEditText(QStringLiteral("学习"));
    f->RichEdit1->setPlainText(QStringLiteral("新内容"));
    f->CheckBox1->setChecked(reminder);
    f->DateTimePicker3->setDate(QDate(2024, 6, 7));
    f->BitBtn2->click();
    MemoEnv::settle();

    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    QVERIFY(!Formbeiwlzj);
    QCOMPARE(env.counter(), 12);
    const QVariantMap m = env.record(QStringLiteral("BWL-4"));
    QCOMPARE(m.value("zdbh").toInt(), zdbh);
    QCOMPARE(m.value("bwlrq").toString(), QStringLiteral("2024-06-03 00:00:00"));
    QCOMPARE(m.value("bwlsj").toString(), QStringLiteral("1899-12-30 21:00:05"));
    QCOMPARE(m.value("bwlzt").toString(), QStringLiteral("新主题"));
    QCOMPARE(m.value("bwlfl").toString(), QStringLiteral("学习"));
    QCOMPARE(m.value("bwlnr").toString(), QStringLiteral("新内容\r\n"));
    QCOMPARE(m.value("sftx").toInt(), reminder ? 1 : 0);
    if (reminder) {
        QCOMPARE(m.value("txqrq").toString(), QStringLiteral("2024-06-07 00:00:00"));
        QCOMPARE(m.value("txzrq").toString(), QStringLiteral("2024-06-09 00:00:00"));
    } else {
        QVERIFY(m.value("txqrq").isNull());
        QVERIFY(m.value("txzrq").isNull());
    }
    // Only that row changed; the open list shows the change.
    QCOMPARE(env.records(QStringLiteral("zdbh=%1").arg(other)).first().value("bwlzt").toString(), QStringLiteral("别的"));
    QCOMPARE(DM->ADOQbwlb->text(QStringLiteral("bwlzt")), QStringLiteral("新主题"));
}

void TestMemoEditor::saveOfDeletedMemoIsRefused_data()
{
    QTest::addColumn<bool>("deletedHere");
    QTest::newRow("deleted elsewhere") << false;
    QTest::newRow("deleted through the editor's own menu") << true;
}

void TestMemoEditor::saveOfDeletedMemoIsRefused()
{
    QFETCH(bool, deletedHere);
    MemoEnv env;
    const int zdbh = env.addMemo(QStringLiteral("BWL-2"), QStringLiteral("2024-06-02"), QStringLiteral("主题"),
                                 QStringLiteral("旧\r\n"));
    TFormbeiwlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    if (deletedHere)
        f->N1->trigger();
    else
        env.db.exec(QStringLiteral("delete from bwlnrb"));
    env.db.messages.clear();
    f->RichEdit1->setPlainText(QStringLiteral("新内容"));
    f->BitBtn2->click();
    MemoEnv::settle();

    QCOMPARE(env.db.messages.shown.size(), 1);
    QCOMPARE(env.db.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(env.db.messages.shown.first().text, QStringLiteral("记录已不存在,保存失败!"));
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(Formbeiwlzj, f);
    QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("新内容"));
}

void TestMemoEditor::deleteRemovesEveryRowWithTheIdentifier()
{
    MemoEnv env;
    const int first = env.addMemo(QStringLiteral("BWL-3"), QStringLiteral("2024-06-01"), QStringLiteral("甲"),
                                  QStringLiteral("甲\r\n"));
    env.addMemo(QStringLiteral("BWL-3"), QStringLiteral("2024-06-01"), QStringLiteral("乙"), QStringLiteral("乙\r\n"));
    env.addMemo(QStringLiteral("BWL-4"), QStringLiteral("2024-06-01"), QStringLiteral("丙"), QStringLiteral("丙\r\n"));
    TFormbeiwlzj *f = env.editRecord(first);
    QVERIFY(f);
    const int listed = DM->ADOQbwlb->rowCount();

    env.db.messages.answers.enqueue(false);
    f->N1->trigger();
    QCOMPARE(env.records().size(), 3);
    QCOMPARE(f->Edit1->text(), QStringLiteral("甲"));

    env.db.messages.clear();
    f->N1->trigger();
    QCOMPARE(env.db.messages.texts(), QStringList({"确定删除吗?"}));
    const auto left = env.records();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().value("bwlid").toString(), QStringLiteral("BWL-4"));
    QCOMPARE(f->Edit1->text(), QStringLiteral("无主题"));
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-3"));
    MemoEnv::settle();
    QCOMPARE(Formbeiwlzj, f);
    QVERIFY(!f->BitBtn1->isEnabled());
    // The list is not requeried: it still shows the deleted memos.
    QCOMPARE(DM->ADOQbwlb->rowCount(), listed);
}

void TestMemoEditor::exitDropsTheInput()
{
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("没保存"));
    // In new-memo mode the delete finds nothing under the shown identifier.
    f->N1->trigger();
    f->BitBtn3->click();
    MemoEnv::settle();
    QVERIFY(!Formbeiwlzj);
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(env.db.messages.texts(), QStringList({"确定删除吗?"}));
    // The next command makes a fresh window.
    f = env.openEditor();
    QVERIFY(f->RichEdit1->toPlainText().isEmpty());
}

void TestMemoEditor::menuCommandRestoresTheOpenEditor()
{
    MemoEnv env;
    const int zdbh = env.addMemo(QStringLiteral("BWL-2"), QStringLiteral("2024-06-02"), QStringLiteral("主题"),
                                 QStringLiteral("旧\r\n"));
    TFormbeiwlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    f->subWindow()->showMinimized();
    QVERIFY(f->subWindow()->isMinimized());
    TFormbeiwlzj *again = env.openEditor();
    QCOMPARE(again, f);
    QVERIFY(!f->subWindow()->isMinimized());
    QVERIFY(!f->BitBtn1->isEnabled());
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-2"));
}

void TestMemoEditor::tabOrder()
{
    MemoEnv env;
    TFormbeiwlzj *f = env.openEditor();
    const QStringList expected = {"DateTimePicker1", "Edit1", "DateTimePicker2", "BitBtn1", "BitBtn2", "BitBtn3",
                                  "RichEdit1", "DateTimePicker4", "ComboBox1", "CheckBox1", "DateTimePicker3", "Edit2"};
    QCOMPARE(tabOrderFrom(f->DateTimePicker1, expected), expected);
    // Every control can be told apart by assistive tools.
    for (QWidget *c : {static_cast<QWidget *>(f->DateTimePicker2), static_cast<QWidget *>(f->DateTimePicker3),
                       static_cast<QWidget *>(f->RichEdit1)})
        QVERIFY(!c->accessibleName().isEmpty());
    for (QLabel *l : {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5})
        QVERIFY(l->buddy());

    // Tab in the content box moves on (the hidden end date is passed over);
    // no tab character is typed.
    QApplication::setActiveWindow(f->window());
    f->RichEdit1->setFocus();
    QTest::keyClick(f->RichEdit1, Qt::Key_Tab);
    QVERIFY(!f->RichEdit1->toPlainText().contains(QLatin1Char('\t')));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f->ComboBox1));
}

QTEST_MAIN(TestMemoEditor)
#include "tst_memoeditor.moc"
