// The categories dialog: the editable grid over jsflb driven by keys, the
// four buttons, the empty list, Escape, closing and database errors.
#include "notesenv.h"

#include "notes/unitjsfl.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using Messages::Kind;

namespace {

struct CategoryEnv {
    TestDb db;
    QPointer<TFormjsfl> dlg;

    explicit CategoryEnv(bool empty = false)
    {
        if (empty)
            db.exec(QStringLiteral("delete from jsflb"));
        dlg = new TFormjsfl();
        Formjsfl = dlg;
        dlg->FormCreate();
        dlg->show();
    }
    ~CategoryEnv()
    {
        delete dlg.data();
        NotesEnv::settle();
    }

    TXMDBGrid *grid() const { return dlg->XMDBGrid1; }
    Dataset *data() const { return DM->ADOQjsflb; }

    QStringList stored()
    {
        QStringList out;
        for (const QVariantMap &r : db.query(QStringLiteral("select xh, flmc from jsflb order by zdbh")))
            out << QStringLiteral("%1:%2").arg(r.value(QStringLiteral("xh")).isNull() ? QStringLiteral("-")
                                                                                     : r.value(QStringLiteral("xh")).toString(),
                                              r.value(QStringLiteral("flmc")).toString());
        return out;
    }

    // The cell editor open on the current cell.
    QWidget *editor() const { return grid()->indexWidget(grid()->currentIndex()); }

    // Types into the cell at (row, column) as a user does: the first key
    // opens the cell, the rest go to its editor, Enter ends the cell.
    void typeInto(int row, int column, const QString &text)
    {
        grid()->setCurrentIndex(grid()->model()->index(row, column));
        typeText(grid(), text.left(1));
        QVERIFY(editor());
        typeText(editor(), text.mid(1));
    }
    void endCell(Qt::Key key = Qt::Key_Return)
    {
        QVERIFY(editor());
        QTest::keyClick(editor(), key);
        QCoreApplication::processEvents(); // the view writes the cell once the key is handled
    }
};

} // namespace

class TestCategories : public QObject {
    Q_OBJECT

private slots:
    void creation();
    void emptyList();
    void addAppendsAtTheEnd();
    void movingToAnotherRowStores();
    void escapeDropsTheChange_data();
    void escapeDropsTheChange();
    void closingDropsAnUnstoredRow_data();
    void closingDropsAnUnstoredRow();
    void databaseErrorLeavesTheRowInEditing();
    void saveOfUnchangedRowStillReports();
    void deleteAsks_data();
    void deleteAsks();
    void menuMakesANewDialogEachTime();
};

void TestCategories::creation()
{
    CategoryEnv env;
    TFormjsfl *d = env.dlg;
    QCOMPARE(d->windowTitle(), QStringLiteral("记事分类"));
    QCOMPARE(d->size(), QSize(420, 318));
    QVERIFY(d->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(env.data()->active());
    QCOMPARE(env.data()->sql(), QStringList{QStringLiteral("select  *  from  jsflb")});
    QCOMPARE(env.grid()->model()->rowCount(), env.db.count(QStringLiteral("jsflb")));
    QAbstractItemModel *m = env.grid()->model();
    QCOMPARE(m->columnCount(), 2);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("分类名称"));
    QCOMPARE(env.grid()->columnWidth(1), 294);

    // On screen 新增, 保存, 删除, 退出 from left to right along the bottom;
    // the Tab key visits 新增, 保存, 退出, the grid, 删除.
    QCOMPARE(d->BitBtn1->text(), QStringLiteral("新增"));
    QCOMPARE(d->BitBtn2->text(), QStringLiteral("保存"));
    QCOMPARE(d->BitBtn3->text(), QStringLiteral("退出"));
    QCOMPARE(d->BitBtn4->text(), QStringLiteral("删除"));
    QVERIFY(d->BitBtn1->x() < d->BitBtn2->x());
    QVERIFY(d->BitBtn2->x() < d->BitBtn4->x());
    QVERIFY(d->BitBtn4->x() < d->BitBtn3->x());
    const QStringList order = {"BitBtn1", "BitBtn2", "BitBtn3", "XMDBGrid1", "BitBtn4"};
    QCOMPARE(tabOrderFrom(d->BitBtn1, order), order);

    // The buttons follow the bottom edge, the grid keeps its place and size.
    const QRect gridPlace = env.grid()->geometry();
    const int gap = d->height() - d->BitBtn1->y();
    d->resize(500, 420);
    QCOMPARE(env.grid()->geometry(), gridPlace);
    QCOMPARE(d->height() - d->BitBtn1->y(), gap);
}

void TestCategories::emptyList()
{
    CategoryEnv env(true);
    TFormjsfl *d = env.dlg;
    QCOMPARE(env.data()->rowCount(), 0);

    // "新增", "保存" and "删除" do nothing on an empty list.
    d->BitBtn1->click();
    d->BitBtn2->click();
    d->BitBtn4->click();
    QCOMPARE(env.data()->rowCount(), 0);
    QCOMPARE(env.data()->state(), Dataset::State::Browse);
    QVERIFY(env.db.messages.shown.isEmpty());

    // Typing into the empty grid starts the first row.
    QTest::keyClick(env.grid(), '7');
    QCOMPARE(env.data()->rowCount(), 1);
    QCOMPARE(env.data()->state(), Dataset::State::Insert);
    QVERIFY(env.editor());
    typeText(env.editor(), QStringLiteral("2"));
    env.endCell(Qt::Key_Tab); // on to the name
    QCOMPARE(env.grid()->currentIndex().column(), 1);
    typeText(env.editor() ? env.editor() : env.grid(), QStringLiteral("旅行"));
    QCOMPARE(env.stored(), QStringList{}); // not stored yet

    d->BitBtn2->click();
    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("保存成功!")});
    QCOMPARE(env.stored(), QStringList{QStringLiteral("72:旅行")});
    QCOMPARE(env.data()->state(), Dataset::State::Browse);
    QCOMPARE(env.data()->rowCount(), 1);
}

void TestCategories::addAppendsAtTheEnd()
{
    CategoryEnv env;
    const QStringList before = env.stored();
    env.dlg->BitBtn1->click();
    QCOMPARE(env.data()->rowCount(), before.size() + 1);
    QCOMPARE(env.data()->currentRow(), before.size());
    QCOMPARE(env.data()->state(), Dataset::State::Insert);
    QCOMPARE(env.grid()->currentIndex().row(), before.size());

    env.typeInto(before.size(), 1, QStringLiteral("读书"));
    env.endCell();
    QCOMPARE(env.stored(), before);
    QTest::keyClick(env.grid(), Qt::Key_Up); // leaving the row stores it
    QCOMPARE(env.stored(), before + QStringList{QStringLiteral("-:读书")});
    QCOMPARE(env.data()->state(), Dataset::State::Browse);
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestCategories::movingToAnotherRowStores()
{
    CategoryEnv env;
    const QStringList before = env.stored();
    env.typeInto(0, 1, QStringLiteral("改名"));
    env.endCell();
    QCOMPARE(env.data()->state(), Dataset::State::Edit);
    QCOMPARE(env.stored(), before);

    QTest::keyClick(env.grid(), Qt::Key_Down);
    QCOMPARE(env.data()->currentRow(), 1);
    QStringList expected = before;
    expected[0] = before[0].section(QLatin1Char(':'), 0, 0) + QStringLiteral(":改名");
    QCOMPARE(env.stored(), expected);

    // A click on another row stores as well.
    env.typeInto(1, 0, QStringLiteral("9"));
    env.endCell();
    env.grid()->setCurrentIndex(env.grid()->model()->index(3, 1));
    expected[1] = QStringLiteral("9:") + before[1].section(QLatin1Char(':'), 1);
    QCOMPARE(env.stored(), expected);
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestCategories::escapeDropsTheChange_data()
{
    QTest::addColumn<bool>("newRow");
    QTest::addColumn<bool>("cellOpen"); // Escape inside the open cell, or on the grid after Enter
    QTest::newRow("changed row, in the cell") << false << true;
    QTest::newRow("changed row, on the grid") << false << false;
    QTest::newRow("new row, in the cell") << true << true;
    QTest::newRow("new row, on the grid") << true << false;
}

void TestCategories::escapeDropsTheChange()
{
    QFETCH(bool, newRow);
    QFETCH(bool, cellOpen);
    CategoryEnv env;
    const QStringList before = env.stored();
    const int rows = env.data()->rowCount();
    int row = 1;
    if (newRow) {
        env.dlg->BitBtn1->click();
        row = rows;
    }
    const QString old = env.data()->value(row, env.data()->columnIndex(QStringLiteral("flmc"))).toString();
    env.typeInto(row, 1, QStringLiteral("不要"));
    if (cellOpen) {
        QTest::keyClick(env.editor(), Qt::Key_Escape);
    } else {
        env.endCell();
        QTest::keyClick(env.grid(), Qt::Key_Escape);
    }
    QCOMPARE(env.data()->state(), Dataset::State::Browse);
    QCOMPARE(env.data()->rowCount(), rows);
    if (!newRow)
        QCOMPARE(env.data()->value(row, env.data()->columnIndex(QStringLiteral("flmc"))).toString(), old);
    QTest::keyClick(env.grid(), Qt::Key_Up);
    QCOMPARE(env.stored(), before);
    // Escape with nothing to drop does not close the dialog.
    QTest::keyClick(env.grid(), Qt::Key_Escape);
    NotesEnv::settle();
    QVERIFY(env.dlg);
    QVERIFY(env.dlg->isVisible());
}

void TestCategories::closingDropsAnUnstoredRow_data()
{
    QTest::addColumn<bool>("newRow");
    QTest::addColumn<bool>("exitButton");
    QTest::newRow("new row, 退出") << true << true;
    QTest::newRow("new row, close box") << true << false;
    QTest::newRow("changed row, 退出") << false << true;
    QTest::newRow("changed row still in its cell, close box") << false << false;
}

void TestCategories::closingDropsAnUnstoredRow()
{
    QFETCH(bool, newRow);
    QFETCH(bool, exitButton);
    CategoryEnv env;
    const QStringList before = env.stored();
    if (newRow) {
        env.dlg->BitBtn1->click();
        env.typeInto(env.data()->rowCount() - 1, 1, QStringLiteral("半途"));
        env.endCell();
    } else {
        env.typeInto(0, 1, QStringLiteral("半途"));
        if (exitButton)
            env.endCell();
    }
    if (exitButton)
        env.dlg->BitBtn3->click();
    else
        env.dlg->close();
    NotesEnv::settle();
    QVERIFY(!env.dlg);
    QVERIFY(!Formjsfl);
    QVERIFY(!DM->ADOQjsflb->active());
    QCOMPARE(env.stored(), before);
    QVERIFY(env.db.messages.shown.isEmpty());
}

void TestCategories::databaseErrorLeavesTheRowInEditing()
{
    CategoryEnv env;
    const QStringList before = env.stored();
    env.dlg->BitBtn1->click();
    const int row = env.data()->rowCount() - 1;
    env.typeInto(row, 1, QString(81, QLatin1Char('x'))); // the column holds 80
    env.endCell();

    env.dlg->BitBtn2->click();
    QCOMPARE(env.db.messages.count(Kind::Error), 1);
    QVERIFY(!env.db.messages.texts().contains(QStringLiteral("保存成功!")));
    QCOMPARE(env.data()->state(), Dataset::State::Insert);
    QCOMPARE(env.data()->currentRow(), row);
    QCOMPARE(env.stored(), before);

    // Moving away fails the same way and keeps the row current.
    env.db.messages.clear();
    QTest::keyClick(env.grid(), Qt::Key_Up);
    QCOMPARE(env.db.messages.count(Kind::Error), 1);
    QCOMPARE(env.data()->currentRow(), row);
    QCOMPARE(env.grid()->currentIndex().row(), row);
    QCOMPARE(env.data()->state(), Dataset::State::Insert);

    // Corrected, it is stored.
    env.typeInto(row, 1, QStringLiteral("短名"));
    env.endCell();
    env.db.messages.clear();
    env.dlg->BitBtn2->click();
    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("保存成功!")});
    QCOMPARE(env.stored(), before + QStringList{QStringLiteral("-:短名")});
}

void TestCategories::saveOfUnchangedRowStillReports()
{
    CategoryEnv env;
    const QStringList before = env.stored();
    env.grid()->setCurrentIndex(env.grid()->model()->index(2, 1));
    env.dlg->BitBtn2->click();
    QCOMPARE(env.db.messages.texts(), QStringList{QStringLiteral("保存成功!")});
    QCOMPARE(env.stored(), before);
    QCOMPARE(env.data()->state(), Dataset::State::Browse);
}

void TestCategories::deleteAsks_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("OK") << true;
    QTest::newRow("cancel") << false;
}

void TestCategories::deleteAsks()
{
    QFETCH(bool, confirm);
    CategoryEnv env;
    env.db.exec(QStringLiteral("insert into jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz) values "
                               "('JS-1','2024-01-01 00:00:00','1899-12-30 08:00:00','学习','','t','c\r\n','','')"));
    QStringList before = env.stored();
    const int row = int(before.indexOf(QRegularExpression(QStringLiteral(".*:学习"))));
    QVERIFY(row >= 0);
    env.grid()->setCurrentIndex(env.grid()->model()->index(row, 1));
    env.db.messages.answers.enqueue(confirm);
    env.dlg->BitBtn4->click();
    QCOMPARE(env.db.messages.texts(Kind::Question), QStringList{QStringLiteral("确定删除吗?")});
    if (confirm)
        before.removeAt(row);
    QCOMPARE(env.stored(), before);
    QCOMPARE(env.data()->rowCount(), before.size());
    // Notes keep their copy of the name.
    QCOMPARE(env.db.scalar(QStringLiteral("select jsfl from jsbnrb")).toString(), QStringLiteral("学习"));
}

void TestCategories::menuMakesANewDialogEachTime()
{
    NotesEnv env;
    QList<QPointer<TFormjsfl>> seen;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, [&seen, i] {
            auto *d = qobject_cast<TFormjsfl *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(Formjsfl == d);
            QVERIFY(d->isModal());
            seen << d;
            if (i == 0) {
                // A new name, stored and seen by a note editor made later.
                d->BitBtn1->click();
                d->XMDBGrid1->setCurrentIndex(d->XMDBGrid1->model()->index(DM->ADOQjsflb->rowCount() - 1, 1));
                typeText(d->XMDBGrid1, QStringLiteral("新"));
                typeText(d->XMDBGrid1->indexWidget(d->XMDBGrid1->currentIndex()), QStringLiteral("类"));
                d->BitBtn2->click();
            }
            d->BitBtn3->click();
        });
        env.main->N6->trigger();
        NotesEnv::settle();
        QVERIFY(!Formjsfl);
    }
    QCOMPARE(seen.size(), 2);
    QVERIFY(!seen[0] && !seen[1]); // both freed on close
    QVERIFY(!DM->ADOQjsflb->active());
    TFormjszj *f = env.openEditor();
    QCOMPARE(f->ComboBox1->itemText(f->ComboBox1->count() - 1), QStringLiteral("新类"));
}

QTEST_MAIN(TestCategories)
#include "tst_categories.moc"
