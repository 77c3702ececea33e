// The memo search window and the reminder list that the main window opens
// at start: the filters, opening a memo, the wheel, and the reminder check
// through the main window's own timer path.
#include "memoenv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using Messages::Kind;

namespace {

// The identifiers the grid lists, top to bottom.
QStringList listed(TFormbeiwl *s)
{
    return listedIn(s->XMDBGrid1, QStringLiteral("bwlid"));
}

QString day(int offset)
{
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

class TestMemoSearch : public QObject {
    Q_OBJECT

private slots:
    void reminderCheckAtStart_data();
    void reminderCheckAtStart();
    void reminderCheckRunsOnceFromTheTimer();
    void reminderCheckWithoutDatabase();
    void windowAlreadyOpenWhenTheCheckRuns_data();
    void windowAlreadyOpenWhenTheCheckRuns();
    void reminderRoundTrip();
    void searchFilters_data();
    void searchFilters();
    void doubleClickOpensTheMemo();
    void doubleClickWithNothingToOpen();
    void doubleClickWhileAnEditorIsOpen_data();
    void doubleClickWhileAnEditorIsOpen();
    void wheelStepsOneRecord();
    void creationRunsNoQuery();
    void layoutAndMenuSize();
};

void TestMemoSearch::reminderCheckAtStart_data()
{
    QTest::addColumn<bool>("anyDue");
    QTest::newRow("none due") << false;
    QTest::newRow("some due") << true;
}

void TestMemoSearch::reminderCheckAtStart()
{
    QFETCH(bool, anyDue);
    MemoEnv env;
    env.addMemo("BWL-1", day(-3), "无提醒", "x\r\n");                              // never listed
    env.addMemo("BWL-2", day(-3), "以后", "x\r\n", "1", day(1), day(5));           // not yet
    if (anyDue) {
        env.addMemo("BWL-3", day(-3), "今天", "x\r\n", "1", day(0), day(0));
        env.addMemo("BWL-4", day(-9), "早过了", "x\r\n", "1", day(-8), day(-7)); // end date passed too
        env.addMemo("BWL-5", day(-3), "标志为空", "x\r\n", "", day(-1));       // the flag plays no part
    }
    // The program's start: the timer's handler runs the check once.
    env.main->Timer1->start();
    env.main->Timer1Timer();
    QVERIFY(!env.main->Timer1->isActive());
    QVERIFY(DM->ADOQbwlb->active());
    QCOMPARE(env.db.messages.shown.size(), 0);

    if (!anyDue) {
        QVERIFY(!Formbeiwl);
        QCOMPARE(DM->ADOQbwlb->rowCount(), 0);
        // Opened later from the menu it starts with that empty list.
        TFormbeiwl *s = env.openSearch();
        QVERIFY(s);
        QCOMPARE(listed(s), QStringList());
        return;
    }
    TFormbeiwl *s = Formbeiwl;
    QVERIFY(s);
    QVERIFY(s->isVisible());
    QCOMPARE(listed(s), QStringList({"BWL-5", "BWL-4", "BWL-3"}));
    QCOMPARE(s->frameTop(), 0);
    QCOMPARE(s->frameHeight(), 609); // the designed height, not the menu's
    const QDate today = QDate::currentDate();
    QCOMPARE(s->DateTimePicker1->date(), QDate(today.year(), today.month(), 1));
    QCOMPARE(s->DateTimePicker2->date(), today);
    QCOMPARE(s->ComboBox1->currentText(), QString());
    QCOMPARE(s->Edit1->text(), QString());
}

void TestMemoSearch::reminderCheckRunsOnceFromTheTimer()
{
    MemoEnv env;
    env.addMemo("BWL-1", day(-3), "今天", "x\r\n", "1", day(0), day(0));
    env.main->Timer1->start(); // as at start: 2000 ms
    QTRY_VERIFY_WITH_TIMEOUT(Formbeiwl != nullptr, 8000);
    QVERIFY(!env.main->Timer1->isActive());
    QCOMPARE(listed(Formbeiwl), QStringList({"BWL-1"}));
}

void TestMemoSearch::reminderCheckWithoutDatabase()
{
    MemoEnv env;
    QVERIFY(QFile::remove(env.db.file()));
    env.main->Timer1->start();
    env.main->Timer1Timer();
    QCOMPARE(env.db.messages.count(Kind::Error), 1);
    QVERIFY(!env.main->Timer1->isActive());
    QVERIFY(!Formbeiwl);
}

void TestMemoSearch::windowAlreadyOpenWhenTheCheckRuns_data()
{
    QTest::addColumn<bool>("anyDue");
    QTest::newRow("some due") << true;
    QTest::newRow("none due") << false;
}

void TestMemoSearch::windowAlreadyOpenWhenTheCheckRuns()
{
    QFETCH(bool, anyDue);
    MemoEnv env;
    env.addMemo("BWL-1", "2024-03-01", "一", "x\r\n");
    env.addMemo("BWL-2", "2024-03-02", "二", "x\r\n");
    if (anyDue)
        env.addMemo("BWL-3", "2024-03-03", "三", "x\r\n", "1", day(0), day(0));
    TFormbeiwl *s = env.openSearch();
    const int height = s->frameHeight();
    s->DateTimePicker1->setDate(QDate(2024, 1, 1));
    s->BitBtn1->click();
    QCOMPARE(listed(s).size(), anyDue ? 3 : 2);
    s->subWindow()->showMinimized();

    env.main->BitBtn1->click();
    QCOMPARE(Formbeiwl, s);
    if (anyDue) {
        QCOMPARE(listed(s), QStringList({"BWL-3"}));
        QVERIFY(!s->subWindow()->isMinimized());
        QCOMPARE(s->frameHeight(), height);
    } else {
        QCOMPARE(listed(s), QStringList());
        QVERIFY(s->subWindow()->isMinimized());
    }
}

void TestMemoSearch::reminderRoundTrip()
{
    MemoEnv env;
    // Set: a memo with a reminder for today and one for tomorrow.
    TFormbeiwlzj *f = env.openEditor();
    f->Edit1->setText("交电费");
    f->RichEdit1->setPlainText("月底前");
    f->CheckBox1->setChecked(true);
    f->DateTimePicker3->setDate(QDate::currentDate());
    f->BitBtn1->click();
    f->Edit1->setText("明天的事");
    f->RichEdit1->setPlainText("明天");
    f->DateTimePicker3->setDate(QDate::currentDate().addDays(1));
    f->BitBtn2->click();
    MemoEnv::settle();
    QVERIFY(!Formbeiwlzj);

    // Due at start.
    env.main->Timer1Timer();
    TFormbeiwl *s = Formbeiwl;
    QVERIFY(s);
    QCOMPARE(listed(s), QStringList({"BWL-1"}));

    // Opened from the list with a double-click, cleared and saved: it
    // leaves the list at once.
    const QRect cell = s->XMDBGrid1->visualRect(s->XMDBGrid1->model()->index(0, 3));
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    f = Formbeiwlzj;
    QVERIFY(f);
    QVERIFY(!f->BitBtn1->isEnabled());
    QVERIFY(f->CheckBox1->isChecked());
    QCOMPARE(f->DateTimePicker3->date(), QDate::currentDate());
    f->CheckBox1->setChecked(false);
    f->BitBtn2->click();
    MemoEnv::settle();
    QCOMPARE(listed(s), QStringList());
    const QVariantMap m = env.record("BWL-1");
    QCOMPARE(m.value("sftx").toInt(), 0);
    QVERIFY(m.value("txqrq").isNull());
    QVERIFY(m.value("txzrq").isNull());

    // Gone at the next start.
    s->closeForm();
    MemoEnv::settle();
    QVERIFY(!Formbeiwl);
    env.main->Timer1Timer();
    QVERIFY(!Formbeiwl);
}

void TestMemoSearch::searchFilters_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("ids");
    const QDate m1(2024, 3, 1), m31(2024, 3, 31), a30(2024, 4, 30);
    QTest::newRow("month, empty boxes") << m1 << m31 << "" << "" << QStringList{"BWL-4", "BWL-3", "BWL-2", "BWL-1"};
    QTest::newRow("one day") << QDate(2024, 3, 5) << QDate(2024, 3, 5) << "" << "" << QStringList{"BWL-3", "BWL-2"};
    QTest::newRow("start after end") << m31 << m1 << "" << "" << QStringList{};
    QTest::newRow("category anywhere inside") << m1 << a30 << "工作" << "" << QStringList{"BWL-5", "BWL-3", "BWL-1"};
    QTest::newRow("content anywhere inside") << m1 << a30 << "" << "会议" << QStringList{"BWL-5", "BWL-3", "BWL-1"};
    QTest::newRow("both boxes") << m1 << a30 << "学习" << "会议" << QStringList{"BWL-3"};
    QTest::newRow("typed % matches anything") << m1 << a30 << "%" << ""
                                              << QStringList{"BWL-5", "BWL-4", "BWL-3", "BWL-2", "BWL-1"};
    QTest::newRow("typed _ matches one character") << m1 << a30 << "" << "买_" << QStringList{"BWL-2"};
    QTest::newRow("text kept as typed, blanks too") << m1 << a30 << "" << " 会议" << QStringList{};
}

void TestMemoSearch::searchFilters()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, category);
    QFETCH(QString, content);
    QFETCH(QStringList, ids);
    MemoEnv env;
    env.addMemo("BWL-1", "2024-03-01", "一", "周会议程\r\n", "", "", "", "工作");
    env.addMemo("BWL-2", "2024-03-05", "二", "买菜\r\n", "", "", "", "生活");
    env.addMemo("BWL-3", "2024-03-05", "三", "学习会议\r\n", "", "", "", "工作学习");
    env.addMemo("BWL-4", "2024-03-31", "四", "全部完成\r\n", "", "", "", "朋友");
    env.addMemo("BWL-5", "2024-04-01", "五", "会议\r\n", "1", "2024-04-02", "2024-04-03", "工作");
    env.addMemo("BWL-6", "2024-03-06", "无分类", "会议\r\n");
    env.db.exec("update bwlnrb set bwlfl=null where bwlid='BWL-6'"); // a null column never matches

    TFormbeiwl *s = env.openSearch();
    s->DateTimePicker1->setDate(from);
    s->DateTimePicker2->setDate(to);
    s->ComboBox1->setEditText(category);
    s->Edit1->setText(content);
    QTest::mouseClick(s->BitBtn1, Qt::LeftButton);
    QCOMPARE(listed(s), ids);
    QCOMPARE(DM->ADOQbwlb->currentRow(), ids.isEmpty() ? -1 : 0);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestMemoSearch::doubleClickOpensTheMemo()
{
    MemoEnv env;
    env.addMemo("BWL-1", "2024-03-01", "一", "一\r\n");
    const int second = env.addMemo("BWL-2", "2024-03-02", "二", "二\r\n", "1", "2024-03-09", "2024-03-19", "生活");
    env.addMemo("BWL-3", "2024-03-03", "三", "三\r\n");
    TFormbeiwl *s = env.openSearch();
    s->DateTimePicker1->setDate(QDate(2024, 1, 1));
    s->BitBtn1->click();
    QCOMPARE(listed(s), QStringList({"BWL-3", "BWL-2", "BWL-1"}));
    const QRect cell = s->XMDBGrid1->visualRect(s->XMDBGrid1->model()->index(1, 0));
    QTest::mouseClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    TFormbeiwlzj *f = Formbeiwlzj;
    QVERIFY(f);
    QCOMPARE(Unitbeiwlzj::EditZdbh, second);
    QCOMPARE(f->Edit2->text(), QStringLiteral("BWL-2"));
    QCOMPARE(f->Edit1->text(), QStringLiteral("二"));
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("生活"));
    QCOMPARE(f->DateTimePicker3->date(), QDate(2024, 3, 9));
    QVERIFY(!f->BitBtn1->isEnabled());
    QCOMPARE(f->frameTop(), 0);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestMemoSearch::doubleClickWithNothingToOpen()
{
    MemoEnv env;
    TFormbeiwl *s = env.openSearch();
    // Before any query the dataset is closed; after an empty query it is
    // open without rows. Neither opens anything.
    QVERIFY(!DM->ADOQbwlb->active());
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    QVERIFY(!Formbeiwlzj);
    s->BitBtn1->click();
    QVERIFY(DM->ADOQbwlb->active());
    s->XMDBGrid1DblClick();
    QVERIFY(!Formbeiwlzj);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestMemoSearch::doubleClickWhileAnEditorIsOpen_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::newRow("new-memo editor open") << false;
    QTest::newRow("edit-mode editor open") << true;
}

void TestMemoSearch::doubleClickWhileAnEditorIsOpen()
{
    QFETCH(bool, editMode);
    MemoEnv env;
    const int first = env.addMemo("BWL-1", "2024-03-01", "一", "一\r\n");
    env.addMemo("BWL-2", "2024-03-02", "二", "二\r\n");
    TFormbeiwlzj *f = editMode ? env.editRecord(first) : env.openEditor();
    QVERIFY(f);
    const QString id = f->Edit2->text();
    f->RichEdit1->setPlainText("正在写");
    f->subWindow()->showMinimized();

    TFormbeiwl *s = Formbeiwl ? Formbeiwl : env.openSearch();
    s->DateTimePicker1->setDate(QDate(2024, 1, 1));
    s->BitBtn1->click();
    DM->ADOQbwlb->setCurrentRow(0); // BWL-2
    s->XMDBGrid1DblClick();

    QCOMPARE(env.db.messages.texts(), QStringList({"记事本正在打开，请关闭再查看!"}));
    QCOMPARE(Formbeiwlzj, f);
    QVERIFY(!f->subWindow()->isMinimized());
    QCOMPARE(f->Edit2->text(), id);
    QCOMPARE(f->RichEdit1->toPlainText(), QStringLiteral("正在写"));
    QCOMPARE(f->BitBtn1->isEnabled(), !editMode);
}

void TestMemoSearch::wheelStepsOneRecord()
{
    MemoEnv env;
    TFormbeiwl *s = env.openSearch();
    // A closed dataset: the wheel moves nothing and breaks nothing.
    wheel(s->XMDBGrid1, -120);
    for (int i = 1; i <= 5; ++i)
        env.addMemo(QStringLiteral("BWL-%1").arg(i), "2024-03-01", "主题", "x\r\n");
    s->DateTimePicker1->setDate(QDate(2024, 1, 1));
    s->BitBtn1->click();
    Dataset *d = DM->ADOQbwlb;
    QCOMPARE(d->currentRow(), 0);
    wheel(s->XMDBGrid1, 120); // away from the user on the first row
    QCOMPARE(d->currentRow(), 0);
    wheel(s->XMDBGrid1, -120);
    QCOMPARE(d->currentRow(), 1);
    wheel(s->XMDBGrid1, -30); // a fine step still moves one record
    QCOMPARE(d->currentRow(), 2);
    QCOMPARE(s->XMDBGrid1->currentIndex().row(), 2);
    wheel(s->XMDBGrid1, 120);
    QCOMPARE(d->currentRow(), 1);
    for (int i = 0; i < 6; ++i)
        wheel(s->XMDBGrid1, -120);
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(d->rowCount(), 5); // no empty row at the end
    QVERIFY(!d->controlsDisabled());
}

void TestMemoSearch::creationRunsNoQuery()
{
    MemoEnv env;
    env.addMemo("BWL-1", "2024-03-01", "一", "一\r\n");
    env.addMemo("BWL-2", "2024-03-02", "二", "二\r\n");
    TFormbeiwl *s = env.openSearch();
    s->DateTimePicker1->setDate(QDate(2024, 3, 2));
    s->DateTimePicker2->setDate(QDate(2024, 3, 2));
    s->BitBtn1->click();
    QCOMPARE(listed(s), QStringList({"BWL-2"}));
    const QString sql = DM->ADOQbwlb->sqlText();
    s->closeForm();
    MemoEnv::settle();
    QVERIFY(!Formbeiwl);
    QVERIFY(DM->ADOQbwlb->active()); // the list outlives the window

    env.addMemo("BWL-3", "2024-03-02", "三", "三\r\n");
    s = env.openSearch();
    QCOMPARE(listed(s), QStringList({"BWL-2"}));
    QCOMPARE(DM->ADOQbwlb->sqlText(), sql);
    QCOMPARE(s->DateTimePicker1->date().day(), 1); // the window's own range again
}

void TestMemoSearch::layoutAndMenuSize()
{
    MemoEnv env;
    // The toolbar twin runs the menu command.
    QVERIFY(env.main->ToolButton5->isEnabled());
    env.main->ToolButton5->click();
    TFormbeiwl *s = Formbeiwl;
    QVERIFY(s);
    QCOMPARE(s->windowTitle(), QStringLiteral("备忘录查询"));
    QCOMPARE(s->frameTop(), 0);
    QCOMPARE(s->frameHeight(), env.main->Imagemain->height() - 10);
    QCOMPARE(s->subWindow()->width(), 896);
    QCOMPARE(s->font().pixelSize(), 15);
    QVERIFY(s->SpeedButton1->isHidden());
    QAbstractItemModel *model = s->XMDBGrid1->model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"分类", "备忘日期", "备忘时间", "备忘主题", "提醒日期"}));
    QCOMPARE(s->XMDBGrid1->columnWidth(0), 282);
    QCOMPARE(s->XMDBGrid1->columnWidth(3), 182);
    QVERIFY(s->XMDBGrid1->columnWidth(2) >= 61);
    QCOMPARE(s->XMDBGrid1->dataSource(), DM->DS_ADOQbwlb);

    // A memo without reminder shows an empty 提醒日期; the time as hh:mm:ss.
    env.addMemo("BWL-1", "2024-03-01", "一", "一\r\n");
    s->DateTimePicker1->setDate(QDate(2024, 3, 1));
    s->BitBtn1->click();
    QCOMPARE(model->data(model->index(0, 4)).toString(), QString());
    QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral("08:30:15"));

    const QStringList expected = {"XMDBGrid1", "DateTimePicker1", "DateTimePicker2", "BitBtn1", "Edit1", "ComboBox1"};
    QCOMPARE(tabOrderFrom(s->XMDBGrid1, expected), expected);

    // The menu command restores the open window without sizing it again.
    s->setFrameHeight(400);
    QCOMPARE(env.openSearch(), s);
    QCOMPARE(s->frameHeight(), 400);
}

QTEST_MAIN(TestMemoSearch)
#include "tst_memosearch.moc"
