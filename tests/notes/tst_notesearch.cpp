// The note search window: its filters and their edges, the content box that
// follows the current row, opening a note in the editor, the wheel and the
// main window's commands.
#include "notesenv.h"

#include "ui/contenttext.h"
#include "ui/dbmemo.h"
#include "ui/xmdbgrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <QWheelEvent>

using Messages::Kind;

namespace {

QStringList listedIds()
{
    Dataset *d = DM->ADOQjsb;
    QStringList ids;
    if (!d->active())
        return ids;
    const int column = d->columnIndex(QStringLiteral("jsid"));
    for (int row = 0; row < d->rowCount(); ++row)
        ids << d->value(row, column).toString();
    return ids;
}

} // namespace

class TestNoteSearch : public QObject {
    Q_OBJECT

private slots:
    void creation();
    void filters_data();
    void filters();
    void noteSavedWithEmptyBoxesIsFound();
    void contentBoxFollowsTheCurrentRow();
    void wheelStepsOneRow();
    void doubleClickOpensTheNoteInEditMode_data();
    void doubleClickOpensTheNoteInEditMode();
    void doubleClickOnEmptyListDoesNothing();
    void editorAlreadyOpen_data();
    void editorAlreadyOpen();
    void editorSaveRefreshesTheList();
    void contentBoxShowsTheStoredContent();
    void hiddenListIsReopenedWhenShown_data();
    void hiddenListIsReopenedWhenShown();
    void closingClosesTheNotesAndLeavesTheEditor();
    void menuReopensAndRestores();
};

void TestNoteSearch::creation()
{
    NotesEnv env;
    TFormjsbgl *s = env.openSearch();
    QVERIFY(s);
    QCOMPARE(s->windowTitle(), QStringLiteral("记事本查询"));
    QCOMPARE(s->frameTop(), 0);
    QCOMPARE(s->frameHeight(), env.main->Imagemain->height() - 10);
    QVERIFY(s->minimumSize() != s->maximumSize()); // sizeable
    const QDate today = QDate::currentDate();
    QCOMPARE(s->DateTimePicker1->date(), QDate(today.year(), today.month(), 1));
    QCOMPARE(s->DateTimePicker2->date(), today);
    QVERIFY(!DM->ADOQjsb->active()); // no query at creation
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 0);
    QCOMPARE(s->ComboBox1->currentText(), QString());
    QCOMPARE(s->ComboBox1->count(), env.db.count(QStringLiteral("jsflb")));
    QVERIFY(s->ComboBox1->isEditable());
    QVERIFY(s->SpeedButton1->isHidden());
    QCOMPARE(s->SpeedButton1->text(), QStringLiteral("查单"));
    QVERIFY(s->DBMemo1->isReadOnly());
    QVERIFY(s->DBMemo1->font().underline());

    const QStringList titles = {"分类", "记事日期", "记事时间", "记事标题", "天气", "备注"};
    const QList<int> widths = {112, 113, 74, 176, 48, 216};
    QAbstractItemModel *m = s->XMDBGrid1->model();
    QCOMPARE(m->columnCount(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(m->headerData(i, Qt::Horizontal).toString(), titles[i]);
        QCOMPARE(s->XMDBGrid1->columnWidth(i), widths[i]);
    }

    const QStringList order = {"XMDBGrid1", "DateTimePicker1", "DateTimePicker2", "BitBtn1", "DBMemo1", "Edit1",
                               "ComboBox1"};
    QCOMPARE(tabOrderFrom(s->XMDBGrid1, order), order);
    for (QLabel *l : {s->Label1, s->Label2, s->Label3, s->Label4})
        QVERIFY(l->buddy());

    // The category box takes any text.
    s->ComboBox1->setFocus();
    QTest::keyClicks(s->ComboBox1, QStringLiteral("ab"));
    QCOMPARE(s->ComboBox1->currentText(), QStringLiteral("ab"));
}

void TestNoteSearch::filters_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("expected");

    const QDate m1(2024, 3, 1), m15(2024, 3, 15), m31(2024, 3, 31), a1(2024, 4, 1);
    // Newest stored first, whatever the date; null category or content never listed.
    QTest::newRow("march, empty filters") << m1 << m31 << QString() << QString()
                                          << QStringList{"JS-7", "JS-3", "JS-2", "JS-1"};
    QTest::newRow("both ends included") << m15 << m15 << QString() << QString() << QStringList{"JS-2"};
    QTest::newRow("first day") << m1 << m1 << QString() << QString() << QStringList{"JS-1"};
    QTest::newRow("start after end") << m31 << m1 << QString() << QString() << QStringList{};
    QTest::newRow("category piece") << m1 << a1 << QStringLiteral("工作") << QString()
                                    << QStringList{"JS-3", "JS-1"};
    QTest::newRow("content piece") << m1 << a1 << QString() << QStringLiteral("预算")
                                   << QStringList{"JS-1"};
    QTest::newRow("both filters") << m1 << a1 << QStringLiteral("工作") << QStringLiteral("完成")
                                  << QStringList{"JS-3"};
    QTest::newRow("percent in content") << m1 << a1 << QString() << QStringLiteral("开%预")
                                        << QStringList{"JS-1"};
    QTest::newRow("underscore in content") << m1 << a1 << QString() << QStringLiteral("买_做")
                                           << QStringList{"JS-2"};
    QTest::newRow("underscore in category") << m1 << a1 << QStringLiteral("_作") << QString()
                                            << QStringList{"JS-3", "JS-1"};
    QTest::newRow("empty category stored as empty text") << a1 << a1 << QString() << QString()
                                                         << QStringList{"JS-4"};
    QTest::newRow("nothing matches") << m1 << a1 << QStringLiteral("旅行") << QString() << QStringList{};
}

void TestNoteSearch::filters()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, category);
    QFETCH(QString, content);
    QFETCH(QStringList, expected);

    NotesEnv env;
    env.addNote(QStringLiteral("JS-1"), QDate(2024, 3, 1), QStringLiteral("工作"), QStringLiteral("开会讨论预算\r\n"));
    env.addNote(QStringLiteral("JS-2"), QDate(2024, 3, 15), QStringLiteral("生活"), QStringLiteral("买菜做饭\r\n"));
    env.addNote(QStringLiteral("JS-3"), QDate(2024, 3, 31), QStringLiteral("工作日志"), QStringLiteral("完成50%\r\n"));
    env.addNote(QStringLiteral("JS-4"), QDate(2024, 4, 1), QString(QLatin1String("")), QStringLiteral("a_b\r\n"));
    env.addNote(QStringLiteral("JS-5"), QDate(2024, 3, 10), QVariant(), QStringLiteral("没有分类\r\n"));
    env.addNote(QStringLiteral("JS-6"), QDate(2024, 3, 10), QStringLiteral("学习"), QVariant());
    env.addNote(QStringLiteral("JS-7"), QDate(2024, 3, 2), QStringLiteral("学习"), QStringLiteral("后存的\r\n"));
    env.addNote(QStringLiteral("JS-8"), QDate(2024, 2, 29), QStringLiteral("工作"), QStringLiteral("开会预算\r\n"));

    TFormjsbgl *s = env.openSearch();
    s->DateTimePicker1->setDate(from);
    s->DateTimePicker2->setDate(to);
    s->ComboBox1->setEditText(category);
    s->Edit1->setText(content);
    s->BitBtn1->click();
    QVERIFY(env.db.messages.shown.isEmpty());
    QCOMPARE(listedIds(), expected);
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), expected.size());
    QCOMPARE(DM->ADOQjsb->sql(),
             (QStringList{"select  *  from  jsbnrb", "where jsrq >=:qrq  and  jsrq <= :zrq", "and   jsfl like :fl",
                          "and   jsnr like :jl", "order  by  zdbh  desc"}));
}

void TestNoteSearch::noteSavedWithEmptyBoxesIsFound()
{
    NotesEnv env;
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("只有内容"));
    f->BitBtn1->click();
    TFormjsbgl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(listedIds(), QStringList{QStringLiteral("JS-1")});
}

void TestNoteSearch::contentBoxFollowsTheCurrentRow()
{
    NotesEnv env;
    const QDate today = QDate::currentDate();
    env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("第一\r\n第二行\r\n"));
    env.addNote(QStringLiteral("JS-2"), today, QStringLiteral("工作"), QStringLiteral("最新\r\n"));
    TFormjsbgl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("最新\r\n"));
    s->XMDBGrid1->setCurrentIndex(s->XMDBGrid1->model()->index(1, 3));
    QCOMPARE(DM->ADOQjsb->currentRow(), 1);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("第一\r\n第二行\r\n"));
    // The time column shows the time of day.
    QCOMPARE(s->XMDBGrid1->model()->index(1, 2).data().toString(), QStringLiteral("09:30:15"));
}

void TestNoteSearch::wheelStepsOneRow()
{
    NotesEnv env;
    const QDate today = QDate::currentDate();
    for (int i = 1; i <= 5; ++i)
        env.addNote(QStringLiteral("JS-%1").arg(i), today, QStringLiteral("工作"), QStringLiteral("第%1篇\r\n").arg(i));
    TFormjsbgl *s = env.openSearch();
    s->BitBtn1->click();
    Dataset *d = DM->ADOQjsb;
    QCOMPARE(d->currentRow(), 0);

    wheel(s->XMDBGrid1, 120); // away from the user on the first row
    QCOMPARE(d->currentRow(), 0);
    wheel(s->XMDBGrid1, -120);
    QCOMPARE(d->currentRow(), 1);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("第4篇\r\n"));
    wheel(s->XMDBGrid1, -30); // a fine step moves one row all the same
    QCOMPARE(d->currentRow(), 2);
    wheel(s->XMDBGrid1, -360);
    QCOMPARE(d->currentRow(), 3);
    wheel(s->XMDBGrid1, -120);
    wheel(s->XMDBGrid1, -120); // on the last row: nothing moves, nothing is added
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(d->rowCount(), 5);
    QCOMPARE(d->state(), Dataset::State::Browse);
    wheel(s->XMDBGrid1, 120);
    QCOMPARE(d->currentRow(), 3);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("第2篇\r\n"));
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestNoteSearch::doubleClickOpensTheNoteInEditMode_data()
{
    QTest::addColumn<QString>("weather");
    QTest::addColumn<int>("checked"); // 0: no button

    QTest::newRow("晴天") << QStringLiteral("晴天") << 1;
    QTest::newRow("雪天") << QStringLiteral("雪天") << 4;
    QTest::newRow("no weather") << QString() << 0;
    QTest::newRow("not a weather word") << QStringLiteral("多云") << 0;
}

void TestNoteSearch::doubleClickOpensTheNoteInEditMode()
{
    QFETCH(QString, weather);
    QFETCH(int, checked);

    NotesEnv env;
    const QDate day(2024, 6, 7);
    const int zdbh = env.addNote(QStringLiteral("JS-11"), day, QStringLiteral("不在列表"), QStringLiteral("内容一\r\n二\r\n"),
                                 QStringLiteral("打开我"), weather, QStringLiteral("备注\r\n"), QStringLiteral("18:19:20"));
    env.addNote(QStringLiteral("JS-12"), day, QStringLiteral("工作"), QStringLiteral("另一篇\r\n"));
    TFormjsbgl *s = env.openSearch();
    s->DateTimePicker1->setDate(day);
    s->DateTimePicker2->setDate(day);
    s->BitBtn1->click();
    DM->ADOQjsb->setCurrentRow(1);
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {},
                       s->XMDBGrid1->visualRect(s->XMDBGrid1->model()->index(1, 3)).center());

    TFormjszj *f = Formjszj;
    QVERIFY(f);
    QVERIFY(env.db.messages.shown.isEmpty());
    QVERIFY(!f->newNoteMode());
    QCOMPARE(EditZdbh, zdbh);
    QCOMPARE(f->frameTop(), 0);
    QCOMPARE(env.main->Imagemain->activeSubWindow(), f->subWindow());
    QCOMPARE(f->Edit2->text(), QStringLiteral("JS-11"));
    QCOMPARE(f->DateTimePicker1->date(), day);
    QCOMPARE(f->DateTimePicker2->time(), QTime(18, 19, 20));
    QCOMPARE(f->Edit1->text(), QStringLiteral("打开我"));
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("不在列表"));
    QCOMPARE(ContentText::read(f->RichEdit1), QStringLiteral("内容一\r\n二\r\n"));
    QCOMPARE(ContentText::read(f->Memo2), QStringLiteral("备注\r\n"));
    QRadioButton *const buttons[] = {f->RadioButton1, f->RadioButton2, f->RadioButton3, f->RadioButton4};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(buttons[i]->isChecked(), i + 1 == checked);

    // Saved unchanged: the category not in the list stays, an unknown
    // weather word becomes the empty text.
    f->BitBtn2->click();
    NotesEnv::settle();
    QVERIFY(!Formjszj);
    const QVariantMap row = env.record(QStringLiteral("JS-11"));
    QCOMPARE(row.value(QStringLiteral("jsfl")).toString(), QStringLiteral("不在列表"));
    QCOMPARE(row.value(QStringLiteral("jstq")).toString(), checked ? weather : QString());
    QCOMPARE(row.value(QStringLiteral("jssj")).toString(), QStringLiteral("1899-12-30 18:19:20"));
    QCOMPARE(row.value(QStringLiteral("jsnr")).toString(), QStringLiteral("内容一\r\n二\r\n"));
    QCOMPARE(env.records().size(), 2);
}

void TestNoteSearch::doubleClickOnEmptyListDoesNothing()
{
    NotesEnv env;
    TFormjsbgl *s = env.openSearch();
    s->XMDBGrid1DblClick(); // never queried
    s->BitBtn1->click();    // an empty result
    QCOMPARE(DM->ADOQjsb->rowCount(), 0);
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!Formjszj);
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestNoteSearch::editorAlreadyOpen_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::newRow("new-note mode") << false;
    QTest::newRow("edit mode") << true;
}

void TestNoteSearch::editorAlreadyOpen()
{
    QFETCH(bool, editMode);
    NotesEnv env;
    const QDate today = QDate::currentDate();
    const int first = env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("一\r\n"));
    env.addNote(QStringLiteral("JS-2"), today, QStringLiteral("工作"), QStringLiteral("二\r\n"));
    TFormjszj *f = editMode ? env.editRecord(first) : env.openEditor();
    QVERIFY(f);
    f->Edit1->setText(QStringLiteral("正在写"));
    const QString id = f->Edit2->text();
    const qint32 key = EditZdbh;
    f->subWindow()->showMinimized();

    TFormjsbgl *s = Formjsbgl ? Formjsbgl : env.openSearch();
    env.main->Imagemain->setActiveSubWindow(s->subWindow());
    s->BitBtn1->click();
    DM->ADOQjsb->setCurrentRow(0);
    env.db.messages.clear();
    s->XMDBGrid1DblClick();

    QCOMPARE(env.db.messages.texts(Kind::Plain), QStringList{QStringLiteral("记事本正在打开，请关闭再查看!")});
    QVERIFY(Formjszj == f);
    QVERIFY(!f->subWindow()->isMinimized());
    QCOMPARE(env.main->Imagemain->activeSubWindow(), f->subWindow());
    QCOMPARE(f->Edit1->text(), QStringLiteral("正在写"));
    QCOMPARE(f->Edit2->text(), id);
    QCOMPARE(f->newNoteMode(), !editMode);
    QCOMPARE(EditZdbh, key);
    QCOMPARE(env.main->Imagemain->subWindowList().size(), 2);
}

void TestNoteSearch::editorSaveRefreshesTheList()
{
    NotesEnv env;
    const QDate today = QDate::currentDate();
    env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("一\r\n"));
    TFormjsbgl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(listedIds(), QStringList{QStringLiteral("JS-1")});

    env.setCounter(2);
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("新的"));
    f->BitBtn1->click();
    QCOMPARE(listedIds(), (QStringList{QStringLiteral("JS-2"), QStringLiteral("JS-1")}));
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 2);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("新的\r\n"));
}

void TestNoteSearch::contentBoxShowsTheStoredContent()
{
    NotesEnv env;
    const QDate today = QDate::currentDate();
    const int first = env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("一\r\n"));
    const int second = env.addNote(QStringLiteral("JS-2"), today, QStringLiteral("工作"), QStringLiteral("二\r\n"));
    env.addNote(QStringLiteral("JS-3"), today, QStringLiteral("工作"), QStringLiteral("三\r\n"));
    TFormjsbgl *s = env.openSearch();
    s->BitBtn1->click();
    const auto moveTo = [s](int row) {
        s->XMDBGrid1->setCurrentIndex(s->XMDBGrid1->model()->index(row, 3));
        QCOMPARE(DM->ADOQjsb->currentRow(), row);
    };
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("三\r\n"));
    moveTo(2);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("一\r\n"));
    moveTo(0);
    moveTo(2);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("一\r\n"));

    // Changed by another copy of the program: the box shows what is stored.
    env.db.exec(QStringLiteral("update jsbnrb set jsnr='二改\r\n' where zdbh=%1").arg(second));
    moveTo(1);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("二改\r\n"));
    // Deleted: the row stays listed until the next search, its content
    // empty, and nothing goes wrong, also when it is opened.
    env.db.exec(QStringLiteral("delete from jsbnrb where zdbh=%1").arg(first));
    moveTo(2);
    QCOMPARE(s->DBMemo1->toPlainText(), QString());
    s->XMDBGrid1DblClick();
    QVERIFY(Formjszj);
    QCOMPARE(Formjszj->Edit2->text(), QStringLiteral("JS-1"));
    QCOMPARE(Formjszj->RichEdit1->toPlainText(), QString());
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestNoteSearch::hiddenListIsReopenedWhenShown_data()
{
    QTest::addColumn<bool>("closed"); // else minimised
    QTest::newRow("window minimised") << false;
    QTest::newRow("window closed") << true;
}

void TestNoteSearch::hiddenListIsReopenedWhenShown()
{
    QFETCH(bool, closed);
    NotesEnv env;
    const QDate today = QDate::currentDate();
    env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("一\r\n"));
    env.addNote(QStringLiteral("JS-2"), today.addYears(-3), QStringLiteral("工作"), QStringLiteral("旧\r\n"));
    TFormjsbgl *s = env.openSearch();
    s->DateTimePicker1->setDate(today.addDays(-1));
    s->BitBtn1->click();
    QCOMPARE(listedIds(), QStringList{QStringLiteral("JS-1")});
    const QStringList statement = DM->ADOQjsb->sql();
    if (closed) {
        s->subWindow()->close();
        NotesEnv::settle();
    } else {
        s->subWindow()->showMinimized();
        QVERIFY(!s->XMDBGrid1->isVisible());
        QVERIFY(!s->DBMemo1->isVisible());
    }

    // Saved while no window shows the notes: the search waits.
    env.setCounter(3);
    TFormjszj *f = env.openEditor();
    f->RichEdit1->setPlainText(QStringLiteral("新的"));
    f->BitBtn1->click();
    QVERIFY(DM->ADOQjsb->pending());
    f->subWindow()->close();
    NotesEnv::settle();
    env.addNote(QStringLiteral("JS-4"), today, QStringLiteral("工作"), QStringLiteral("又一个\r\n"));

    // Shown again: the same search with the same values, as stored now.
    env.main->N3->trigger();
    s = Formjsbgl;
    QVERIFY(s && s->XMDBGrid1->isVisible());
    QVERIFY(!DM->ADOQjsb->pending());
    QCOMPARE(DM->ADOQjsb->sql(), statement);
    QCOMPARE(DM->ADOQjsb->boundValue(QStringLiteral("qrq")), QVariant(today.addDays(-1)));
    QCOMPARE(listedIds(), (QStringList{QStringLiteral("JS-4"), QStringLiteral("JS-3"), QStringLiteral("JS-1")}));
    QCOMPARE(s->XMDBGrid1->model()->rowCount(), 3);
    QCOMPARE(ContentText::read(s->DBMemo1), QStringLiteral("又一个\r\n"));
}

void TestNoteSearch::closingClosesTheNotesAndLeavesTheEditor()
{
    NotesEnv env;
    const QDate today = QDate::currentDate();
    const int zdbh = env.addNote(QStringLiteral("JS-1"), today, QStringLiteral("工作"), QStringLiteral("一\r\n"));
    TFormjszj *f = env.editRecord(zdbh);
    QVERIFY(f);
    QPointer<TFormjsbgl> s(Formjsbgl);
    s->subWindow()->close();
    NotesEnv::settle();
    QVERIFY(!s);
    QVERIFY(!Formjsbgl);
    QVERIFY(!DM->ADOQjsb->active());

    // The editor goes on working; its save reruns the last search.
    f->RichEdit1->setPlainText(QStringLiteral("改了"));
    f->BitBtn2->click();
    NotesEnv::settle();
    QVERIFY(!Formjszj);
    QCOMPARE(env.record(QStringLiteral("JS-1")).value(QStringLiteral("jsnr")).toString(), QStringLiteral("改了\r\n"));
    QVERIFY(DM->ADOQjsb->active());
    QCOMPARE(DM->ADOQjsb->sql().first(), QStringLiteral("select  *  from  jsbnrb"));
    QCOMPARE(listedIds(), QStringList{QStringLiteral("JS-1")});

    // A search window opened now shows what the dataset holds, without a query.
    TFormjsbgl *again = env.openSearch();
    QCOMPARE(again->XMDBGrid1->model()->rowCount(), 1);
}

void TestNoteSearch::menuReopensAndRestores()
{
    NotesEnv env;
    QVERIFY(env.main->N2->isEnabled());
    QVERIFY(env.main->N3->isEnabled());
    QVERIFY(env.main->N6->isEnabled());
    QVERIFY(env.main->ToolButton1->isEnabled());
    QVERIFY(env.main->ToolButton2->isEnabled());

    TFormjsbgl *s = env.openSearch();
    s->setFrameHeight(500);
    s->Edit1->setText(QStringLiteral("留着"));
    s->subWindow()->showMinimized();
    env.main->ToolButton2->click();
    QVERIFY(Formjsbgl == s);
    QVERIFY(!s->subWindow()->isMinimized());
    QCOMPARE(s->frameHeight(), 500); // not sized again
    QCOMPARE(s->Edit1->text(), QStringLiteral("留着"));

    // The editor in edit mode is brought forward, still in edit mode.
    const int zdbh = env.addNote(QStringLiteral("JS-1"), QDate::currentDate(), QStringLiteral("工作"),
                                 QStringLiteral("一\r\n"));
    s->Edit1->clear();
    TFormjszj *f = env.editRecord(zdbh);
    QVERIFY(f);
    env.main->Imagemain->setActiveSubWindow(s->subWindow());
    env.main->ToolButton1->click();
    QVERIFY(Formjszj == f);
    QVERIFY(!f->newNoteMode());
    QCOMPARE(env.main->Imagemain->activeSubWindow(), f->subWindow());

    // Closed and opened again: a new window, placed and sized.
    s->subWindow()->close();
    NotesEnv::settle();
    TFormjsbgl *t = env.openSearch();
    QVERIFY(t);
    QCOMPARE(t->Edit1->text(), QString());
    QCOMPARE(t->frameTop(), 0);
    QCOMPARE(t->frameHeight(), env.main->Imagemain->height() - 10);
}

QTEST_MAIN(TestNoteSearch)
#include "tst_notesearch.moc"
