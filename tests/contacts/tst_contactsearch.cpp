// The contact search window: the strip and the grid, the filters with their
// wildcards, the order by category and name in pinyin, opening a contact in
// the editor, the wheel, and the result set that outlives the window.
#include "contactenv.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using Messages::Kind;

namespace {

// The names the grid lists, top to bottom.
QStringList listed(TFormtongxunl *s, const QString &column = QStringLiteral("xingm"))
{
    return listedIn(s->XMDBGrid1, column);
}

} // namespace

class TestContactSearch : public QObject {
    Q_OBJECT

private slots:
    void layoutAndMenuSize();
    void searchFilters_data();
    void searchFilters();
    void pinyinOrder();
    void doubleClickOpensTheContact();
    void doubleClickWithNothingToOpen();
    void doubleClickWhileAnEditorIsOpen_data();
    void doubleClickWhileAnEditorIsOpen();
    void wheelStepsOneRecord();
    void resultOutlivesTheWindow();
};

void TestContactSearch::layoutAndMenuSize()
{
    ContactEnv env;
    QVERIFY(env.main->ToolButton7->isEnabled());
    env.main->ToolButton7->click(); // the toolbar twin of "查询通讯录"
    TFormtongxunl *s = Formtongxunl;
    QVERIFY(s);
    QCOMPARE(s->windowTitle(), QStringLiteral("通讯录"));
    QCOMPARE(s->frameTop(), 0);
    QCOMPARE(s->frameHeight(), env.main->Imagemain->height() - 10);
    QCOMPARE(s->width(), 833);
    QCOMPARE(s->font().pixelSize(), 13);
    QCOMPARE(s->palette().color(QPalette::Window), QColor(166, 202, 240));
    // A fixed border: no resizing, no maximising by the user.
    QMdiSubWindow *sub = s->subWindow();
    QVERIFY(sub->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!sub->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    int sizeActions = 0;
    for (QAction *a : sub->systemMenu()->actions()) {
        if (a->text().contains(QStringLiteral("Size"))) {
            ++sizeActions;
            QVERIFY(!a->isVisible());
        }
    }
    QCOMPARE(sizeActions, 1);
    QVERIFY(s->BitBtn2->isHidden());
    QCOMPARE(s->BitBtn2->text(), QStringLiteral("修改"));

    // The strip from left to right, then the grid filling the rest.
    const QList<QWidget *> strip = {s->Label1, s->ComboBox1, s->Label2, s->Edit1, s->Label3, s->Edit2, s->BitBtn1};
    const QStringList texts = {"分类：", "", "姓名:", "", "工作单位:", "", "查询"};
    for (int i = 1; i < strip.size(); ++i)
        QVERIFY(strip.at(i)->x() > strip.at(i - 1)->x());
    QCOMPARE(s->Label1->text(), texts.at(0));
    QCOMPARE(s->Label2->text(), texts.at(2));
    QCOMPARE(s->Label3->text(), texts.at(4));
    QCOMPARE(s->BitBtn1->text(), texts.at(6));
    QVERIFY(s->ComboBox1->width() > s->Edit1->width());
    QVERIFY(s->ComboBox1->width() > s->Edit2->width());
    QVERIFY(s->BitBtn1->geometry().right() > s->width() - 20);
    QCOMPARE(s->XMDBGrid1->geometry().bottom(), s->height() - 1);
    QCOMPARE(s->XMDBGrid1->x(), 0);
    QCOMPARE(s->XMDBGrid1->width(), s->width());
    QVERIFY(s->XMDBGrid1->y() > s->BitBtn1->geometry().bottom());
    // The opener's height reaches the grid.
    s->setFrameHeight(500);
    QCOMPARE(s->XMDBGrid1->geometry().bottom(), s->height() - 1);

    QAbstractItemModel *model = s->XMDBGrid1->model();
    const QStringList titles = {"分类", "姓名", "性别", "年龄", "工作单位", "籍贯", "住址", "职务", "办公电话", "移动电话",
                                "住宅电话", "传真", "电子邮箱", "qq号码", "生日", "特殊纪念日", "爱好", "特长", "备注"};
    const QList<int> widths = {187, 53, 27, -1, 181, 186, 199, 54, 102, 139, 64, 97, 74, 71, 70, 96, 124, 123, 196};
    QCOMPARE(model->columnCount(), titles.size());
    for (int c = 0; c < titles.size(); ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), titles.at(c));
        const auto align = Qt::Alignment(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        QCOMPARE(align & Qt::AlignHorizontal_Mask, c == 3 ? Qt::AlignLeft : Qt::AlignHCenter);
        if (widths.at(c) > 0)
            QCOMPARE(s->XMDBGrid1->columnWidth(c), widths.at(c));
    }
    // 年龄 as wide as its title.
    const int titleWidth = s->XMDBGrid1->horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("年龄"));
    QVERIFY(s->XMDBGrid1->columnWidth(3) > titleWidth);
    QVERIFY(s->XMDBGrid1->columnWidth(3) < titleWidth + 30);
    QCOMPARE(s->XMDBGrid1->dataSource(), DM->DS_ADOQtongxunlb);
    QVERIFY(s->XMDBGrid1->gridReadOnly());

    // The categories of the shared list; every box empty.
    QCOMPARE(s->ComboBox1->count(), 5);
    QCOMPARE(s->ComboBox1->itemText(0), QStringLiteral("工作"));
    QCOMPARE(s->ComboBox1->currentText(), QString());
    QCOMPARE(s->Edit1->text(), QString());
    QCOMPARE(s->Edit2->text(), QString());

    const QStringList order = {"XMDBGrid1", "BitBtn1", "Edit1", "ComboBox1", "Edit2"};
    QCOMPARE(tabOrderFrom(s->XMDBGrid1, order), order);

    // The menu command restores the open window without sizing it again.
    QCOMPARE(env.openSearch(), s);
    QCOMPARE(s->frameHeight(), 500);
}

void TestContactSearch::searchFilters_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("employer");
    QTest::addColumn<QStringList>("names");
    // Listed by category (家人 jia, 老朋友 lao, 朋友 peng), then by name.
    QTest::newRow("empty boxes: every contact without a null") << "" << "" << ""
                                                               << QStringList{"王五", "张四", "李张", "张三"};
    QTest::newRow("name anywhere inside") << "" << "张" << "" << QStringList{"张四", "李张", "张三"};
    QTest::newRow("category anywhere inside") << "朋友" << "" << "" << QStringList{"张四", "李张", "张三"};
    QTest::newRow("employer") << "" << "" << "大学" << QStringList{"王五", "张四"};
    QTest::newRow("all three") << "朋友" << "张" << "大学" << QStringList{"张四"};
    QTest::newRow("typed % matches anything") << "%" << "%" << "" << QStringList{"王五", "张四", "李张", "张三"};
    QTest::newRow("typed _ matches one character") << "" << "张_" << "" << QStringList{"张四", "张三"};
    QTest::newRow("text kept as typed, blanks too") << "" << " 张" << "" << QStringList{};
    QTest::newRow("nothing found") << "同事" << "" << "" << QStringList{};
}

void TestContactSearch::searchFilters()
{
    QFETCH(QString, category);
    QFETCH(QString, name);
    QFETCH(QString, employer);
    QFETCH(QStringList, names);
    ContactEnv env;
    env.addContact("TXL-1", "张三", "朋友", "工厂");
    env.addContact("TXL-2", "李张", "朋友", "公司");
    env.addContact("TXL-3", "张四", "老朋友", "大学");
    env.addContact("TXL-4", "王五", "家人", "大学");
    // A null in any of the three filtered columns is never listed.
    env.addContact("TXL-5", QVariant(), "朋友", "公司");
    env.addContact("TXL-6", "张无类", QVariant(), "公司");
    env.addContact("TXL-7", "张无单位", "朋友", QVariant());

    TFormtongxunl *s = env.openSearch();
    s->ComboBox1->setEditText(category);
    s->Edit1->setText(name);
    s->Edit2->setText(employer);
    QTest::mouseClick(s->BitBtn1, Qt::LeftButton);
    QCOMPARE(listed(s), names);
    QCOMPARE(DM->ADOQtongxunlb->currentRow(), names.isEmpty() ? -1 : 0);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestContactSearch::pinyinOrder()
{
    ContactEnv env;
    // Stored in code-point order of the names, the categories out of order.
    env.addContact("TXL-1", "张伟", "朋友");
    env.addContact("TXL-2", "李娜", "朋友");
    env.addContact("TXL-3", "王芳", "朋友");
    env.addContact("TXL-4", "陈静", "朋友");
    env.addContact("TXL-5", "周杰", "同事");
    env.addContact("TXL-6", "安然", "家人");
    TFormtongxunl *s = env.openSearch();
    s->BitBtn1->click();
    // By category (家人 jia, 朋友 peng, 同事 tong), then by name in pinyin.
    QCOMPARE(listed(s, "fenl"), QStringList({"家人", "朋友", "朋友", "朋友", "朋友", "同事"}));
    QCOMPARE(listed(s), QStringList({"安然", "陈静", "李娜", "王芳", "张伟", "周杰"}));
}

void TestContactSearch::doubleClickOpensTheContact()
{
    ContactEnv env;
    env.addContact("TXL-1", "甲", "朋友");
    const int second = env.addContact("TXL-2", "乙", "朋友", "公司乙", {{"xingb", "女"}, {"qq", "12345"}});
    TFormtongxunl *s = env.openSearch();
    s->BitBtn1->click();
    QCOMPARE(listed(s), QStringList({"甲", "乙"}));
    const QRect cell = s->XMDBGrid1->visualRect(s->XMDBGrid1->model()->index(1, 1));
    QTest::mouseClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    TFormtongxunlzj *f = Formtongxunlzj;
    QVERIFY(f);
    QVERIFY(f->editMode());
    QCOMPARE(Unittongxunlzj::EditZdbh, second);
    QCOMPARE(f->Edit4->text(), QStringLiteral("乙"));
    QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("女"));
    QCOMPARE(f->Edit1->text(), QStringLiteral("公司乙"));
    QCOMPARE(f->Edit14->text(), QStringLiteral("12345"));
    QCOMPARE(f->frameTop(), 0);
    QCOMPARE(env.db.messages.shown.size(), 0);
    // The hidden 修改 does the same.
    f->BitBtn3->click();
    ContactEnv::settle();
    s->BitBtn2->click();
    QVERIFY(Formtongxunlzj);
}

void TestContactSearch::doubleClickWithNothingToOpen()
{
    ContactEnv env;
    TFormtongxunl *s = env.openSearch();
    QVERIFY(!DM->ADOQtongxunlb->active()); // no query at creation
    QTest::mouseDClick(s->XMDBGrid1->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    QVERIFY(!Formtongxunlzj);
    s->BitBtn1->click();
    QVERIFY(DM->ADOQtongxunlb->active());
    s->XMDBGrid1DblClick();
    QVERIFY(!Formtongxunlzj);
    QCOMPARE(env.db.messages.shown.size(), 0);
}

void TestContactSearch::doubleClickWhileAnEditorIsOpen_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::newRow("new-contact editor open") << false;
    QTest::newRow("edit-mode editor open") << true;
}

void TestContactSearch::doubleClickWhileAnEditorIsOpen()
{
    QFETCH(bool, editMode);
    ContactEnv env;
    const int first = env.addContact("TXL-1", "甲");
    env.addContact("TXL-2", "乙");
    TFormtongxunlzj *f = editMode ? env.editRecord(first) : env.openEditor();
    QVERIFY(f);
    f->Edit6->setText(QStringLiteral("正在写"));
    f->subWindow()->showMinimized();

    TFormtongxunl *s = Formtongxunl ? Formtongxunl : env.openSearch();
    s->BitBtn1->click();
    DM->ADOQtongxunlb->setCurrentRow(1); // 乙
    s->XMDBGrid1DblClick();

    QCOMPARE(env.db.messages.texts(), QStringList({"通讯录正在打开，请关闭再查看!"}));
    QCOMPARE(Formtongxunlzj, f);
    QVERIFY(!f->subWindow()->isMinimized());
    QCOMPARE(f->Edit6->text(), QStringLiteral("正在写"));
    QCOMPARE(f->Edit4->text(), editMode ? QStringLiteral("甲") : QString());
    QCOMPARE(f->editMode(), editMode);
}

void TestContactSearch::wheelStepsOneRecord()
{
    ContactEnv env;
    TFormtongxunl *s = env.openSearch();
    wheel(s->XMDBGrid1, -120); // a closed dataset: nothing moves, nothing breaks
    for (int i = 1; i <= 5; ++i)
        env.addContact(QStringLiteral("TXL-%1").arg(i), QStringLiteral("名%1").arg(i));
    s->BitBtn1->click();
    Dataset *d = DM->ADOQtongxunlb;
    QCOMPARE(d->currentRow(), 0);
    wheel(s->XMDBGrid1, 120);
    QCOMPARE(d->currentRow(), 0);
    wheel(s->XMDBGrid1, -120);
    QCOMPARE(d->currentRow(), 1);
    wheel(s->XMDBGrid1, -30);
    QCOMPARE(d->currentRow(), 2);
    wheel(s->XMDBGrid1, 120);
    QCOMPARE(d->currentRow(), 1);
    for (int i = 0; i < 6; ++i)
        wheel(s->XMDBGrid1, -120);
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(d->rowCount(), 5);
    QVERIFY(!d->controlsDisabled());
}

void TestContactSearch::resultOutlivesTheWindow()
{
    ContactEnv env;
    env.addContact("TXL-1", "甲");
    env.addContact("TXL-2", "乙", "家人");
    TFormtongxunl *s = env.openSearch();
    s->ComboBox1->setEditText(QStringLiteral("家"));
    s->BitBtn1->click();
    QCOMPARE(listed(s), QStringList({"乙"}));
    const QString sql = DM->ADOQtongxunlb->sqlText();
    s->closeForm();
    ContactEnv::settle();
    QVERIFY(!Formtongxunl);
    QVERIFY(DM->ADOQtongxunlb->active());

    env.addContact("TXL-3", "丙", "家人");
    s = env.openSearch();
    QCOMPARE(listed(s), QStringList({"乙"}));
    QCOMPARE(DM->ADOQtongxunlb->sqlText(), sql);
    QCOMPARE(s->ComboBox1->currentText(), QString());
    s->BitBtn1->click();
    QCOMPARE(listed(s).size(), 3);
}

QTEST_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
