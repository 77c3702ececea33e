// The contact editor driven as a user drives it: new contacts one after
// another, the checks of 年龄 and 生日 when the focus moves on, the Enter
// chain, edit mode opened from the search window, delete, and the save of a
// contact that is gone.
#include "contactenv.h"

#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolButton>

using Messages::Kind;

class TestContactEditor : public QObject {
    Q_OBJECT

private slots:
    void creationStartsInNewMode();
    void layoutInTwoColumns();
    void saveAndNewStoresEveryBox();
    void identifiersAcrossSaveAndNew();
    void nameOnlyIsStoredWithEmptyTexts();
    void nameRequired_data();
    void nameRequired();
    void saveInNewModeStoresAndCloses();
    void overLongTextStoresNothing_data();
    void overLongTextStoresNothing();
    void ageCheck_data();
    void ageCheck();
    void birthdayCheck_data();
    void birthdayCheck();
    void checksOnlyWithinTheWindow();
    void closeBoxClosesDespiteAWrongAge();
    void refusedCheckSwallowsTheClick();
    void enterChain_data();
    void enterChain();
    void editModeLoadsTheRow();
    void editSaveWritesTheContact();
    void deleteWithCancelAndOk();
    void deleteIsOffInNewMode();
    void saveOfDeletedContactIsRefused_data();
    void saveOfDeletedContactIsRefused();
    void menuCommandRestoresTheOpenEditor();
    void tabOrder();
};

void TestContactEditor::creationStartsInNewMode()
{
    ContactEnv env;
    env.setCounter(5);
    QVERIFY(env.main->ToolButton6->isEnabled());
    env.main->ToolButton6->click(); // the toolbar twin of "新增通讯录"
    TFormtongxunlzj *f = Formtongxunlzj;
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("通讯录录入"));
    QCOMPARE(f->size(), QSize(704, 418));
    QCOMPARE(f->minimumSize(), f->maximumSize());
    QCOMPARE(f->frameTop(), 0);
    QCOMPARE(f->font().pixelSize(), 15);
    QCOMPARE(f->palette().color(QPalette::Window), QColor(166, 202, 240));
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-5"));
    QCOMPARE(f->DateTimePicker1->date(), QDate::currentDate());
    QVERIFY(f->DateTimePicker1->isHidden());

    QVERIFY(f->BitBtn1->isEnabled());
    QVERIFY(!f->editMode());
    QVERIFY(!f->BitBtn4->isEnabled()); // 删除 comes with edit mode
    QVERIFY(f->BitBtn5->isVisible());
    QVERIFY(!f->BitBtn5->isEnabled());
    QCOMPARE(f->BitBtn5->text(), QStringLiteral("从EXCEL导入"));

    QStringList sexes;
    for (int i = 0; i < f->ComboBox1->count(); ++i)
        sexes << f->ComboBox1->itemText(i);
    QCOMPARE(sexes, QStringList({"男", "女"}));
    QVERIFY(f->ComboBox1->isEditable());
    QStringList categories;
    for (int i = 0; i < f->ComboBox2->count(); ++i)
        categories << f->ComboBox2->itemText(i);
    QCOMPARE(categories, QStringList({"工作", "学习", "生活", "家人", "朋友"}));
    QCOMPARE(f->ComboBox2->currentText(), QString());
    for (const QString &t : boxTexts(f))
        QVERIFY(t.isEmpty());
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestContactEditor::layoutInTwoColumns()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    const auto labelOf = [](QWidget *box) {
        for (QLabel *l : box->parentWidget()->findChildren<QLabel *>())
            if (l->buddy() == box)
                return l->text();
        return QString();
    };
    const QList<QPair<QWidget *, QString>> left = {
        {f->Edit4, "姓名："}, {f->ComboBox1, "性别："}, {f->Edit5, "年龄："}, {f->Edit6, "籍贯："}, {f->Edit1, "工作单位："},
        {f->Edit2, "职务："}, {f->ComboBox2, "分类："}, {f->Edit8, "住址："}, {f->Edit9, "办公电话："}};
    const QList<QPair<QWidget *, QString>> right = {
        {f->Edit10, "移动电话："}, {f->Edit11, "住宅电话："}, {f->Edit12, "传真："},
        {f->Edit13, "邮箱："},     {f->Edit14, "QQ号码："},   {f->Edit17, "生日："},
        {f->Edit18, "特殊纪念日："}, {f->Edit19, "爱好："},    {f->Edit20, "特长："}};
    for (const auto *column : {&left, &right}) {
        for (int i = 0; i < column->size(); ++i) {
            QWidget *box = column->at(i).first;
            QCOMPARE(labelOf(box), column->at(i).second);
            QCOMPARE(box->x(), column->first().first->x());
            QCOMPARE(box->y(), right.at(i).first->y()); // the two columns share their rows
            if (i > 0)
                QVERIFY(box->y() > column->at(i - 1).first->y());
            QVERIFY(box->isVisible());
        }
    }
    QVERIFY(f->Edit10->x() > f->Edit9->geometry().right());
    // The first three boxes on the left are short.
    for (int i = 0; i < 3; ++i)
        QVERIFY(left.at(i).first->width() < left.at(3).first->width());
    // 备注 below both columns, over their whole width.
    QCOMPARE(labelOf(f->Edit21), QStringLiteral("备注："));
    QVERIFY(f->Edit21->y() > f->Edit9->geometry().bottom());
    QCOMPARE(f->Edit21->x(), f->Edit9->x());
    QCOMPARE(f->Edit21->geometry().right(), f->Edit20->geometry().right());
    // The buttons in one row at the bottom, left to right.
    const QList<QPushButton *> buttons = {f->BitBtn1, f->BitBtn2, f->BitBtn5, f->BitBtn4, f->BitBtn3};
    const QStringList captions = {"保存并新增", "保存", "从EXCEL导入", "删除", "退出"};
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons.at(i)->text(), captions.at(i));
        QCOMPARE(buttons.at(i)->y(), buttons.first()->y());
        QVERIFY(buttons.at(i)->y() > f->Edit21->geometry().bottom());
        if (i > 0)
            QVERIFY(buttons.at(i)->x() > buttons.at(i - 1)->geometry().right());
    }
    // Everything stands on the one sunken panel.
    QCOMPARE(f->Panel1->frameShadow(), QFrame::Sunken);
    for (QWidget *w : f->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QCOMPARE(w, static_cast<QWidget *>(f->Panel1));
}

void TestContactEditor::saveAndNewStoresEveryBox()
{
    ContactEnv env;
    env.setCounter(7);
    TFormtongxunlzj *f = env.openEditor();
    const auto boxes = contactBoxes(f);
    for (int i = 0; i < boxes.size(); ++i)
        setBoxText(boxes.at(i).second, QStringLiteral("值%1").arg(i));
    f->Edit5->setText(QStringLiteral("42"));
    f->ComboBox2->setEditText(QStringLiteral("手填的分类"));

    f->BitBtn1->click();

    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    const QVariantMap m = env.record(QStringLiteral("TXL-7"));
    QVERIFY(!m.isEmpty());
    QCOMPARE(m.value("lrrq").toString(), dayText(QDate::currentDate()));
    for (int i = 0; i < boxes.size(); ++i) {
        const QString column = boxes.at(i).first;
        const QString expected = column == "nianl" ? QStringLiteral("42")
                                 : column == "fenl" ? QStringLiteral("手填的分类")
                                                    : QStringLiteral("值%1").arg(i);
        QCOMPARE(m.value(column).toString(), expected);
    }
    QVERIFY(m.value("xh").isNull());

    // Ready for the next contact: the edit boxes empty, sex and category kept.
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-8"));
    QCOMPARE(env.counter(), 8);
    for (const auto &[column, box] : boxes) {
        if (column == "xingb")
            QCOMPARE(boxText(box), QStringLiteral("值1"));
        else if (column == "fenl")
            QCOMPARE(boxText(box), QStringLiteral("手填的分类"));
        else
            QVERIFY2(boxText(box).isEmpty(), qPrintable(column));
    }
    ContactEnv::settle();
    QCOMPARE(Formtongxunlzj, f);
}

void TestContactEditor::identifiersAcrossSaveAndNew()
{
    ContactEnv env;
    env.setCounter(5);
    TFormtongxunlzj *f = env.openEditor();
    f->ComboBox1->setEditText(QStringLiteral("女"));
    f->ComboBox2->setEditText(QStringLiteral("同学"));
    for (const char *name : {"甲", "乙", "丙"}) {
        f->Edit4->setText(QString::fromUtf8(name));
        f->BitBtn1->click();
    }
    QCOMPARE(env.counter(), 8);
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-8"));
    const auto all = env.records();
    QCOMPARE(all.size(), 3);
    const QStringList ids = {"TXL-5", "TXL-6", "TXL-7"};
    const QStringList names = {"甲", "乙", "丙"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(all.at(i).value("txlid").toString(), ids.at(i));
        QCOMPARE(all.at(i).value("xingm").toString(), names.at(i));
        QCOMPARE(all.at(i).value("xingb").toString(), QStringLiteral("女"));
        QCOMPARE(all.at(i).value("fenl").toString(), QStringLiteral("同学"));
    }
    // A new window goes on from the counter.
    f->BitBtn3->click();
    ContactEnv::settle();
    QVERIFY(!Formtongxunlzj);
    env.openEditor();
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-8"));
}

void TestContactEditor::nameOnlyIsStoredWithEmptyTexts()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    f->Edit4->setText(QStringLiteral("只有名字"));
    f->BitBtn2->click();
    ContactEnv::settle();
    QVERIFY(!Formtongxunlzj);
    const QVariantMap m = env.record(QStringLiteral("TXL-1"));
    for (const char *column : {"xingb", "nianl", "jig", "gzdw", "zhiw", "fenl", "address", "bangdh", "yidongdh",
                                  "zhuzhaidh", "chuanz", "email", "qq", "shengr", "teshujnr", "aihao", "techang",
                                  "beizhu"}) {
        QVERIFY2(!m.value(column).isNull(), qPrintable(column));
        QCOMPARE(m.value(column).toString(), QString());
    }
    // A search with empty filters finds it.
    TFormtongxunl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(DM->ADOQtongxunlb->rowCount(), 1);
    QCOMPARE(DM->ADOQtongxunlb->text(QStringLiteral("xingm")), QStringLiteral("只有名字"));
}

void TestContactEditor::nameRequired_data()
{
    QTest::addColumn<bool>("saveAndNew");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stored");
    QTest::newRow("保存并新增, no name") << true << QString() << false;
    QTest::newRow("保存, no name") << false << QString() << false;
    QTest::newRow("保存并新增, a name of blanks") << true << QStringLiteral("  ") << true;
    QTest::newRow("保存, a name of blanks") << false << QStringLiteral(" ") << true;
}

void TestContactEditor::nameRequired()
{
    QFETCH(bool, saveAndNew);
    QFETCH(QString, name);
    QFETCH(bool, stored);
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    f->Edit4->setText(name);
    f->Edit6->setText(QStringLiteral("北京"));
    (saveAndNew ? f->BitBtn1 : f->BitBtn2)->click();
    ContactEnv::settle();
    QCOMPARE(env.records().size(), stored ? 1 : 0);
    QCOMPARE(env.counter(), stored ? 2 : 1);
    if (stored) {
        QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
        QCOMPARE(env.record(QStringLiteral("TXL-1")).value("xingm").toString(), name);
        QCOMPARE(Formtongxunlzj == nullptr, !saveAndNew);
        return;
    }
    QCOMPARE(env.db.messages.texts(), QStringList({"姓名不能为空!"}));
    QCOMPARE(Formtongxunlzj, f); // stays open with its input
    QCOMPARE(f->Edit6->text(), QStringLiteral("北京"));
}

void TestContactEditor::saveInNewModeStoresAndCloses()
{
    ContactEnv env;
    env.setCounter(3);
    TFormtongxunlzj *f = env.openEditor();
    f->Edit4->setText(QStringLiteral("王五"));
    f->BitBtn2->click();
    ContactEnv::settle();
    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    QVERIFY(!Formtongxunlzj);
    QCOMPARE(env.record(QStringLiteral("TXL-3")).value("xingm").toString(), QStringLiteral("王五"));
    QCOMPARE(env.counter(), 4);
}

void TestContactEditor::overLongTextStoresNothing_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("editMode");
    QTest::newRow("name of 21") << "xingm" << 20 << "姓名" << false;
    QTest::newRow("sex of 7") << "xingb" << 6 << "性别" << false;
    QTest::newRow("age of 4") << "nianl" << 3 << "年龄" << false;
    QTest::newRow("birthday of 21") << "shengr" << 20 << "生日" << false;
    QTest::newRow("remarks of 201") << "beizhu" << 200 << "备注" << false;
    QTest::newRow("category of 81, edit mode") << "fenl" << 80 << "分类" << true;
}

void TestContactEditor::overLongTextStoresNothing()
{
    QFETCH(QString, column);
    QFETCH(int, width);
    QFETCH(QString, caption);
    QFETCH(bool, editMode);
    ContactEnv env;
    env.setCounter(9);
    TFormtongxunlzj *f = nullptr;
    if (editMode) {
        f = env.editRecord(env.addContact(QStringLiteral("TXL-2"), QStringLiteral("旧名")));
        QVERIFY(f);
    } else {
        f = env.openEditor();
    }
    QWidget *box = nullptr;
    for (const auto &[c, b] : contactBoxes(f))
        if (c == column)
            box = b;
    QVERIFY(box);
    const QString tooLong(width + 1, QChar(u'长'));
    setBoxText(box, tooLong);
    if (column != "xingm")
        f->Edit4->setText(QStringLiteral("新名"));
    f->BitBtn2->click();
    ContactEnv::settle();

    QCOMPARE(env.db.messages.count(Kind::Error), 1);
    const QString error = env.db.messages.texts(Kind::Error).first();
    QVERIFY2(error.contains(caption), qPrintable(error));
    QVERIFY(!env.db.messages.texts().contains(QStringLiteral("保存成功!")));
    QCOMPARE(Formtongxunlzj, f);
    QCOMPARE(boxText(box), tooLong);
    QCOMPARE(env.counter(), 9);
    if (editMode) {
        QCOMPARE(env.records().size(), 1);
        QCOMPARE(env.record(QStringLiteral("TXL-2")).value("xingm").toString(), QStringLiteral("旧名"));
        return;
    }
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-9"));
    // Shortened, the same contact goes in under the same identifier.
    setBoxText(box, QStringLiteral("短"));
    f->BitBtn1->click();
    QCOMPARE(env.record(QStringLiteral("TXL-9")).value(column).toString(), QStringLiteral("短"));
}

void TestContactEditor::ageCheck_data()
{
    QTest::addColumn<QString>("age");
    QTest::addColumn<bool>("passes");
    QTest::newRow("999") << "999" << true;
    QTest::newRow("1000") << "1000" << false;
    QTest::newRow("-5") << "-5" << true;
    QTest::newRow("0") << "0" << true;
    QTest::newRow("abc") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("12a") << "12a" << false;
    QTest::newRow("3.5") << "3.5" << false;
}

void TestContactEditor::ageCheck()
{
    QFETCH(QString, age);
    QFETCH(bool, passes);
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    typeInto(f->Edit5, age);
    QVERIFY(f->Edit5->hasFocus());
    QTest::keyClick(f->Edit5, Qt::Key_Tab);
    if (passes) {
        QCOMPARE(env.db.messages.shown.size(), 0);
        QVERIFY(f->Edit6->hasFocus());
        // Stored as typed.
        f->Edit4->setText(QStringLiteral("名"));
        f->BitBtn1->click();
        QCOMPARE(env.record(QStringLiteral("TXL-1")).value("nianl").toString(), age);
        return;
    }
    QCOMPARE(env.db.messages.texts(), QStringList({"年龄输入错误!"}));
    QCOMPARE(env.db.messages.shown.first().kind, Kind::Plain);
    QVERIFY(f->Edit5->hasFocus());
    QCOMPARE(f->Edit5->text(), age);
    // Until the text is right the focus keeps coming back.
    QTest::keyClick(f->Edit5, Qt::Key_Tab);
    QCOMPARE(env.db.messages.shown.size(), 2);
    QVERIFY(f->Edit5->hasFocus());
    f->Edit5->setText(QStringLiteral("30"));
    QTest::keyClick(f->Edit5, Qt::Key_Tab);
    QCOMPARE(env.db.messages.shown.size(), 2);
    QVERIFY(f->Edit6->hasFocus());
}

void TestContactEditor::birthdayCheck_data()
{
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<bool>("passes");
    QTest::newRow("1980-5-17") << "1980-5-17" << true;
    QTest::newRow("5-17, this year") << "5-17" << true;
    QTest::newRow("1980-05-07, as the pickers show it") << "1980-05-07" << true;
    QTest::newRow("1980/5/17") << "1980/5/17" << false;
    QTest::newRow("17.5.1980") << "17.5.1980" << false;
    QTest::newRow("1980-2-30, no such day") << "1980-2-30" << false;
    QTest::newRow("1980-2-29, a leap day") << "1980-2-29" << true;
    QTest::newRow("1981-2-29") << "1981-2-29" << false;
    QTest::newRow("17-5, day first") << "17-5" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("a word") << "生日" << false;
}

void TestContactEditor::birthdayCheck()
{
    QFETCH(QString, birthday);
    QFETCH(bool, passes);
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    typeInto(f->Edit17, birthday);
    QTest::keyClick(f->Edit17, Qt::Key_Tab);
    if (passes) {
        QCOMPARE(env.db.messages.shown.size(), 0);
        QVERIFY(f->Edit18->hasFocus());
        f->Edit4->setText(QStringLiteral("名"));
        f->BitBtn1->click();
        QCOMPARE(env.record(QStringLiteral("TXL-1")).value("shengr").toString(), birthday); // not reformatted
        return;
    }
    QCOMPARE(env.db.messages.texts(), QStringList({"生日录入格式错误!"}));
    QVERIFY(f->Edit17->hasFocus());
    QCOMPARE(f->Edit17->text(), birthday);
}

void TestContactEditor::checksOnlyWithinTheWindow()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    typeInto(f->Edit5, QStringLiteral("abc"));
    QVERIFY(f->Edit5->hasFocus());

    // Another child window takes the focus and gives it back.
    TFormtongxunl *s = env.openSearch();
    s->Edit1->setFocus(Qt::MouseFocusReason);
    QVERIFY(s->Edit1->hasFocus());
    f->Edit5->setFocus(Qt::MouseFocusReason);
    // Another program's window takes the focus.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(env.main);
    f->Edit5->setFocus(Qt::ActiveWindowFocusReason);
    // The window's own frame (its title bar and close box) takes it.
    f->subWindow()->setFocus(Qt::MouseFocusReason);
    f->Edit5->setFocus(Qt::MouseFocusReason);
    QCOMPARE(env.db.messages.shown.size(), 0);
    QVERIFY(f->Edit5->hasFocus());

    // Minimised and restored: the window system moves the focus about.
    f->subWindow()->showMinimized();
    env.openEditor();
    QVERIFY(!f->subWindow()->isMinimized());
    QCOMPARE(env.db.messages.shown.size(), 0);

    // Straight from the box to another control of the window counts.
    f->Edit5->setFocus(Qt::MouseFocusReason);
    f->Edit6->setFocus(Qt::MouseFocusReason);
    QCOMPARE(env.db.messages.texts(), QStringList({"年龄输入错误!"}));
    QVERIFY(f->Edit5->hasFocus());
}

void TestContactEditor::closeBoxClosesDespiteAWrongAge()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    typeInto(f->Edit17, QStringLiteral("不是日期"));
    QMdiSubWindow *sub = f->subWindow();
    // A press on the title bar, then the close box.
    QTest::mousePress(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 8));
    QTest::mouseRelease(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 8));
    sub->close();
    ContactEnv::settle();
    QVERIFY(!Formtongxunlzj);
    QCOMPARE(env.db.messages.shown.size(), 0);
    QCOMPARE(env.records().size(), 0);
}

void TestContactEditor::refusedCheckSwallowsTheClick()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    f->Edit4->setText(QStringLiteral("张三"));
    typeInto(f->Edit5, QStringLiteral("1000"));
    // A click on 保存 moves the focus first: the check refuses, the click is
    // dropped and nothing is stored.
    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    QCOMPARE(env.db.messages.texts(), QStringList({"年龄输入错误!"}));
    QVERIFY(f->Edit5->hasFocus());
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(Formtongxunlzj, f);
    // The next click, once the age is right, saves.
    ContactEnv::settle();
    f->Edit5->setText(QStringLiteral("100"));
    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    ContactEnv::settle();
    QCOMPARE(env.records().size(), 1);
    QVERIFY(!Formtongxunlzj);
    // 退出 stores nothing, so a click on it takes no focus and checks nothing.
    f = env.openEditor();
    typeInto(f->Edit5, QStringLiteral("abc"));
    env.db.messages.clear();
    QTest::mouseClick(f->BitBtn3, Qt::LeftButton);
    ContactEnv::settle();
    QCOMPARE(env.db.messages.shown.size(), 0);
    QVERIFY(!Formtongxunlzj);
    QCOMPARE(env.records().size(), 1);
}

void TestContactEditor::enterChain_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::newRow("new mode") << false;
    QTest::newRow("edit mode") << true;
}

void TestContactEditor::enterChain()
{
    QFETCH(bool, editMode);
    ContactEnv env;
    TFormtongxunlzj *f = nullptr;
    if (editMode) {
        f = env.editRecord(env.addContact(QStringLiteral("TXL-3"), QStringLiteral("李四"), QStringLiteral("朋友"),
                                          QStringLiteral("单位"),
                                          {{"nianl", "30"}, {"shengr", "1994-3-1"}}));
        QVERIFY(f);
    } else {
        f = env.openEditor();
        f->Edit4->setText(QStringLiteral("赵六"));
        f->Edit5->setText(QStringLiteral("30"));
        f->Edit17->setText(QStringLiteral("3-1"));
    }
    const QList<QWidget *> chain = {f->Edit4,  f->ComboBox1, f->Edit5,  f->Edit6,  f->Edit1,  f->Edit2,
                                    f->ComboBox2, f->Edit8,  f->Edit9,  f->Edit10, f->Edit11, f->Edit12,
                                    f->Edit13, f->Edit14,    f->Edit17, f->Edit18, f->Edit19, f->Edit20,
                                    f->Edit21, editMode ? f->BitBtn2 : f->BitBtn1};
    chain.first()->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i + 1 < chain.size(); ++i) {
        QVERIFY2(chain.at(i)->hasFocus(), qPrintable(chain.at(i)->objectName()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QVERIFY(chain.last()->hasFocus());
    QCOMPARE(env.db.messages.shown.size(), 0);
    // The key that arrived there pressed nothing; Enter on the button does.
    QCOMPARE(env.records().size(), editMode ? 1 : 0);
    QTest::keyClick(chain.last(), Qt::Key_Return);
    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    QCOMPARE(env.records().size(), 1);
}

void TestContactEditor::editModeLoadsTheRow()
{
    ContactEnv env;
    env.setCounter(40);
    QVariantMap more;
    const QStringList columns = {"xingb", "nianl", "jig", "zhiw", "address", "bangdh", "yidongdh", "zhuzhaidh",
                                 "chuanz", "email", "qq", "shengr", "teshujnr", "aihao", "techang", "beizhu"};
    for (int i = 0; i < columns.size(); ++i)
        more.insert(columns.at(i), QStringLiteral("值%1").arg(i)); // short enough for 年龄
    more.insert("aihao", QVariant()); // a null column gives an empty box
    const int zdbh = env.addContact(QStringLiteral("TXL-9"), QStringLiteral("钱七"), QStringLiteral("不在列表里"),
                                    QStringLiteral("某公司"), more);
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    QVERIFY(f->editMode());
    QVERIFY(!f->BitBtn1->isEnabled());
    QVERIFY(f->BitBtn4->isEnabled());
    QVERIFY(!f->BitBtn5->isEnabled());
    QCOMPARE(Unittongxunlzj::EditZdbh, zdbh);
    QCOMPARE(f->frameTop(), 0);
    QCOMPARE(Unittongxunlzj::NextTxlid, QStringLiteral("TXL-40")); // read at creation in both modes
    for (const auto &[column, box] : contactBoxes(f)) {
        QString expected = more.value(column).toString();
        if (column == "xingm")
            expected = QStringLiteral("钱七");
        else if (column == "fenl")
            expected = QStringLiteral("不在列表里");
        else if (column == "gzdw")
            expected = QStringLiteral("某公司");
        QCOMPARE(boxText(box), expected);
    }
    QCOMPARE(f->ComboBox2->count(), 5);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestContactEditor::editSaveWritesTheContact()
{
    ContactEnv env;
    env.setCounter(12);
    const int other = env.addContact(QStringLiteral("TXL-1"), QStringLiteral("别人"));
    const int zdbh = env.addContact(QStringLiteral("TXL-2"), QStringLiteral("旧名"), QStringLiteral("朋友"),
                                    QStringLiteral("旧单位"), {{"beizhu", QVariant()}});
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    const auto boxes = contactBoxes(f);
    for (int i = 0; i < boxes.size(); ++i)
        setBoxText(boxes.at(i).second, QStringLiteral("新%1").arg(i));
    f->Edit5->setText(QStringLiteral("7"));
    f->BitBtn2->click();
    ContactEnv::settle();

    QCOMPARE(env.db.messages.texts(), QStringList({"保存成功!"}));
    QVERIFY(!Formtongxunlzj);
    QCOMPARE(env.counter(), 12);
    const QVariantMap m = env.record(QStringLiteral("TXL-2"));
    QCOMPARE(m.value("zdbh").toInt(), zdbh);
    QCOMPARE(m.value("lrrq").toString(), QStringLiteral("2024-01-02 00:00:00"));
    for (int i = 0; i < boxes.size(); ++i) {
        const QString column = boxes.at(i).first;
        QCOMPARE(m.value(column).toString(), column == "nianl" ? QStringLiteral("7") : QStringLiteral("新%1").arg(i));
    }
    QCOMPARE(env.records(QStringLiteral("zdbh=%1").arg(other)).first().value("xingm").toString(), QStringLiteral("别人"));
    // The search list is not requeried: it shows the old name until 查询.
    QCOMPARE(DM->ADOQtongxunlb->value(1, DM->ADOQtongxunlb->columnIndex(QStringLiteral("xingm"))).toString(),
             QStringLiteral("旧名"));
}

void TestContactEditor::deleteWithCancelAndOk()
{
    ContactEnv env;
    env.addContact(QStringLiteral("TXL-1"), QStringLiteral("留下"));
    const int zdbh = env.addContact(QStringLiteral("TXL-2"), QStringLiteral("要删"), QStringLiteral("家人"),
                                    QStringLiteral("单位"), {{"xingb", "男"}, {"beizhu", "备注"}});
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);

    env.db.messages.answers.enqueue(false);
    f->BitBtn4->click();
    QCOMPARE(env.db.messages.count(Kind::Question), 1);
    QCOMPARE(env.records().size(), 2);
    QCOMPARE(f->Edit4->text(), QStringLiteral("要删"));

    env.db.messages.clear();
    f->BitBtn4->click();
    QCOMPARE(env.db.messages.shown.size(), 1);
    QCOMPARE(env.db.messages.shown.first().kind, Kind::Question);
    QCOMPARE(env.db.messages.shown.first().text, QStringLiteral("确定删除吗?"));
    const auto left = env.records();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().value("xingm").toString(), QStringLiteral("留下"));
    // The edit boxes empty, sex and category kept, the window open in edit mode.
    for (const auto &[column, box] : contactBoxes(f))
        QCOMPARE(boxText(box), column == "xingb" ? QStringLiteral("男") : column == "fenl" ? QStringLiteral("家人") : QString());
    ContactEnv::settle();
    QCOMPARE(Formtongxunlzj, f);
    QVERIFY(f->editMode());
}

void TestContactEditor::deleteIsOffInNewMode()
{
    ContactEnv env;
    const int zdbh = env.addContact(QStringLiteral("TXL-1"), QStringLiteral("上次打开的"));
    // Opened for editing once, so EditZdbh still names it.
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    f->BitBtn3->click();
    ContactEnv::settle();
    QCOMPARE(Unittongxunlzj::EditZdbh, zdbh);

    f = env.openEditor();
    QVERIFY(!f->editMode());
    QVERIFY(!f->BitBtn4->isEnabled());
    f->Edit4->setText(QStringLiteral("新的"));
    f->BitBtn4Click(); // even reached without the button
    QCOMPARE(env.records().size(), 1);
    QCOMPARE(env.db.messages.shown.size(), 0);
    QCOMPARE(f->Edit4->text(), QStringLiteral("新的"));
}

void TestContactEditor::saveOfDeletedContactIsRefused_data()
{
    QTest::addColumn<bool>("deletedHere");
    QTest::newRow("deleted elsewhere") << false;
    QTest::newRow("deleted by this editor") << true;
}

void TestContactEditor::saveOfDeletedContactIsRefused()
{
    QFETCH(bool, deletedHere);
    ContactEnv env;
    env.setCounter(4);
    const int zdbh = env.addContact(QStringLiteral("TXL-2"), QStringLiteral("孙八"));
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    if (deletedHere)
        f->BitBtn4->click();
    else
        env.db.exec(QStringLiteral("delete from tongxunlb"));
    env.db.messages.clear();
    f->Edit4->setText(QStringLiteral("孙八"));
    f->Edit6->setText(QStringLiteral("上海"));
    f->BitBtn2->click();
    ContactEnv::settle();

    QCOMPARE(env.db.messages.shown.size(), 1);
    QCOMPARE(env.db.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(env.db.messages.shown.first().text, QStringLiteral("记录已不存在,保存失败!"));
    QCOMPARE(env.records().size(), 0);
    QCOMPARE(env.counter(), 4);
    QCOMPARE(Formtongxunlzj, f);
    QCOMPARE(f->Edit4->text(), QStringLiteral("孙八"));
    QCOMPARE(f->Edit6->text(), QStringLiteral("上海"));
}

void TestContactEditor::menuCommandRestoresTheOpenEditor()
{
    ContactEnv env;
    const int zdbh = env.addContact(QStringLiteral("TXL-2"), QStringLiteral("周九"));
    TFormtongxunlzj *f = env.editRecord(zdbh);
    QVERIFY(f);
    f->subWindow()->showMinimized();
    QVERIFY(f->subWindow()->isMinimized());
    QCOMPARE(env.openEditor(), f);
    QVERIFY(!f->subWindow()->isMinimized());
    QVERIFY(f->editMode());
    QCOMPARE(f->Edit4->text(), QStringLiteral("周九"));
}

void TestContactEditor::tabOrder()
{
    ContactEnv env;
    TFormtongxunlzj *f = env.openEditor();
    const QStringList expected = {"Edit4",  "Edit5",  "Edit6",     "Edit8",   "Edit9",   "Edit10",  "Edit11",
                                  "Edit12", "Edit13", "Edit14",    "Edit17",  "Edit18",  "ComboBox1", "Edit19",
                                  "Edit20", "Edit21", "ComboBox2", "BitBtn1", "BitBtn2", "BitBtn3", "Edit1",
                                  "Edit2",  "DateTimePicker1", "BitBtn4", "BitBtn5"};
    QCOMPARE(tabOrderFrom(f->Edit4, expected), expected);
    // The focus starts in 姓名.
    QVERIFY(f->Edit4->hasFocus());
}

QTEST_MAIN(TestContactEditor)
#include "tst_contacteditor.moc"
