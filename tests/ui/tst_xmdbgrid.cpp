// The record grid over the shared datasets: one record per wheel message
// through the search windows' handlers, nothing moving at the ends or on a
// closed or empty dataset, the plain grid only scrolling, and the editable
// grid of the category dialog.
#include "testenv.h"

#include "data/unitdm.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

// What the three search windows bind to the wheel events: suspend the
// dataset's notifications, post an arrow key to the grid, resume.
void bindSearchWheel(TXMDBGrid *grid)
{
    QObject::connect(grid, &TXMDBGrid::onMouseWheelDown, grid, [grid](Qt::KeyboardModifiers, QPoint, bool *) {
        Dataset *d = grid->dataset();
        d->disableControls();
        grid->postArrowKey(true);
        d->enableControls();
    });
    QObject::connect(grid, &TXMDBGrid::onMouseWheelUp, grid, [grid](Qt::KeyboardModifiers, QPoint, bool *) {
        Dataset *d = grid->dataset();
        d->disableControls();
        grid->postArrowKey(false);
        d->enableControls();
    });
}

// One wheel message over the grid, as the window system delivers it.
void wheel(TXMDBGrid *grid, int delta)
{
    const QPoint local = grid->viewport()->rect().center();
    QWheelEvent e(local, grid->viewport()->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &e);
}

// Types as a user does: every key goes to the widget that has the focus
// (after the first key, the cell editor).
void type(TXMDBGrid *grid, const QString &text)
{
    for (const QChar c : text) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
        QTest::keyClicks(target, QString(c));
    }
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void addNotes(TestDb &env, int n)
{
    env.exec(QStringLiteral("begin"));
    for (int i = 1; i <= n; ++i)
        env.exec(QStringLiteral("insert into jsbnrb(jsid, jsrq, jssj, jsbt) values ('JS-%1', '2024-03-05 00:00:00', "
                                "'1899-12-30 10:00:00', '标题%1')")
                     .arg(i));
    env.exec(QStringLiteral("commit"));
}

// The grid of one case over `source`, shown (and, for typing, active);
// search grids step by the wheel as the search windows bind it.
struct GridOptions {
    bool searchWheel = false;
    bool editable = false;
    QList<GridColumn> columns;
    QSize size = QSize(500, 300);
    bool active = false;

    GridOptions &wheel() { searchWheel = true; return *this; }
    GridOptions &typed() { editable = true; active = true; return *this; }
    GridOptions &inCells() { editable = true; return *this; }
    GridOptions &cols(const QList<GridColumn> &c) { columns = c; return *this; }
    GridOptions &sized(int w, int h) { size = QSize(w, h); return *this; }
};

// The columns of the category grid, both or the name alone.
QList<GridColumn> numberAndName()
{
    return {{QStringLiteral("xh"), QStringLiteral("序号"), 60}, {QStringLiteral("flmc"), QStringLiteral("分类名称"), 200}};
}

QList<GridColumn> nameOnly()
{
    return {{QStringLiteral("flmc"), QStringLiteral("分类名称"), 200}};
}

std::unique_ptr<TXMDBGrid> showGrid(DataSource *source, const GridOptions &options = {})
{
    auto grid = std::make_unique<TXMDBGrid>();
    grid->setDataSource(source);
    if (options.searchWheel)
        bindSearchWheel(grid.get());
    if (options.editable)
        grid->setGridReadOnly(false);
    if (!options.columns.isEmpty())
        grid->setColumns(options.columns);
    grid->resize(options.size);
    grid->show();
    if (options.active) {
        QApplication::setActiveWindow(grid.get());
        if (!QTest::qWaitForWindowActive(grid.get()))
            return nullptr;
        grid->setFocus();
    } else if (!QTest::qWaitForWindowExposed(grid.get())) {
        return nullptr;
    }
    return grid;
}

} // namespace

class TestXMDBGrid : public QObject {
    Q_OBJECT

private slots:
    void showsEveryFieldOrTheConfiguredColumns();
    void oneRecordPerWheelMessage_data();
    void oneRecordPerWheelMessage();
    void quickWheelMessagesEachMoveOne();
    void sidewaysOrGestureOnlyScrolls();
    void closedOrEmptyDatasetMovesNothing();
    void gridWithoutWheelHandlersOnlyScrolls();
    void gridFollowsTheDatasetBothWays();
    void typingIntoAnEmptyListStartsAFirstRow();
    void escapeCancelsTheRow();
    void movingToAnotherRowPosts();
    void failingPostKeepsTheGridOnTheRow();
};

void TestXMDBGrid::showsEveryFieldOrTheConfiguredColumns()
{
    TestDb env;
    addNotes(env, 2);
    DM->ADOQjsb->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsb);
    QVERIFY(grid);
    QAbstractItemModel *m = grid->model();
    QCOMPARE(m->rowCount(), 2);
    QStringList titles;
    for (int c = 0; c < m->columnCount(); ++c)
        titles << m->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, (QStringList{QStringLiteral("zdbh"), QStringLiteral("xh"), QStringLiteral("jsid"), QStringLiteral("jsrq"),
                                  QStringLiteral("jssj"), QStringLiteral("jsfl"), QStringLiteral("jsbh"), QStringLiteral("jsbt"),
                                  QStringLiteral("jsnr"), QStringLiteral("jstq"), QStringLiteral("jsbz")}));
    QCOMPARE(m->data(m->index(0, 4)).toString(), QStringLiteral("10:00:00"));

    grid->setColumns({{QStringLiteral("jsbt"), QStringLiteral("记事标题"), 150, Qt::AlignLeft | Qt::AlignVCenter},
                     {QStringLiteral("jssj"), QStringLiteral("记事时间"), 70, Qt::AlignCenter}});
    QCOMPARE(m->columnCount(), 2);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("记事标题"));
    QCOMPARE(m->data(m->index(1, 0)).toString(), QStringLiteral("标题2"));
    QCOMPARE(m->data(m->index(1, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::Alignment(Qt::AlignCenter));
    QCOMPARE(grid->columnWidth(0), 150);
    // The widths stay when the dataset is opened again.
    DM->ADOQjsb->reopen();
    QCOMPARE(grid->columnWidth(0), 150);
    QCOMPARE(grid->columnWidth(1), 70);
}

void TestXMDBGrid::oneRecordPerWheelMessage_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");
    QTest::newRow("one notch towards the user") << 0 << -120 << 1;
    QTest::newRow("fine step towards the user") << 0 << -30 << 1;
    QTest::newRow("three notches at once") << 1 << -360 << 2;
    QTest::newRow("one notch away") << 3 << 120 << 2;
    QTest::newRow("fine step away") << 3 << 8 << 2;
    QTest::newRow("away on the first record") << 0 << 120 << 0;
    QTest::newRow("towards on the last record") << 4 << -120 << 4;
}

void TestXMDBGrid::oneRecordPerWheelMessage()
{
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, expected);
    TestDb env;
    addNotes(env, 5);
    Dataset *d = DM->ADOQjsb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsb, GridOptions().wheel());
    QVERIFY(grid);
    d->setCurrentRow(start);
    settle();
    QSignalSpy follows(d, &Dataset::currentRowChanged);

    wheel(grid.get(), delta);
    // Nothing moves until the posted key arrives.
    QCOMPARE(d->currentRow(), start);
    settle();
    QCOMPARE(d->currentRow(), expected);
    QCOMPARE(grid->currentIndex().row(), expected);
    QCOMPARE(d->rowCount(), 5);       // no empty row appended at the end
    QCOMPARE(grid->model()->rowCount(), 5);
    QCOMPARE(d->state(), Dataset::State::Browse);
    // A detail view bound to the dataset shows the current record.
    QVERIFY(!follows.isEmpty());
    QCOMPARE(follows.last().at(0).toInt(), expected);
}

void TestXMDBGrid::quickWheelMessagesEachMoveOne()
{
    TestDb env;
    addNotes(env, 5);
    Dataset *d = DM->ADOQjsb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsb, GridOptions().wheel());
    QVERIFY(grid);
    for (int i = 0; i < 3; ++i)
        wheel(grid.get(), -120);
    settle();
    QCOMPARE(d->currentRow(), 3);
    // More messages than records: it stops at the last one.
    for (int i = 0; i < 4; ++i)
        wheel(grid.get(), -40);
    settle();
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(d->rowCount(), 5);
    wheel(grid.get(), 120);
    wheel(grid.get(), -120);
    wheel(grid.get(), 120);
    settle();
    QCOMPARE(d->currentRow(), 3);
}

void TestXMDBGrid::sidewaysOrGestureOnlyScrolls()
{
    TestDb env;
    addNotes(env, 5);
    Dataset *d = DM->ADOQjsb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsb, GridOptions().wheel().sized(300, 300)); // narrower than its columns
    QVERIFY(grid);
    d->setCurrentRow(2);
    const QPoint local = grid->viewport()->rect().center();
    const QPoint global = grid->viewport()->mapToGlobal(local);
    // A sideways tilt of the wheel or swipe of a touchpad.
    QWheelEvent sideways(local, global, QPoint(), QPoint(-120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &sideways);
    // The begin and end of a touchpad gesture carry no turn at all.
    QWheelEvent begin(local, global, QPoint(), QPoint(), Qt::NoButton, Qt::NoModifier, Qt::ScrollBegin, false);
    QApplication::sendEvent(grid->viewport(), &begin);
    QWheelEvent end(local, global, QPoint(), QPoint(), Qt::NoButton, Qt::NoModifier, Qt::ScrollEnd, false);
    QApplication::sendEvent(grid->viewport(), &end);
    settle();
    QCOMPARE(d->currentRow(), 2);
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
}

void TestXMDBGrid::closedOrEmptyDatasetMovesNothing()
{
    TestDb env;
    Dataset *d = DM->ADOQjsb;
    const auto grid = showGrid(DM->DS_ADOQjsb, GridOptions().wheel());
    QVERIFY(grid);
    // Closed.
    wheel(grid.get(), -120);
    wheel(grid.get(), 120);
    settle();
    QVERIFY(!d->active());
    QCOMPARE(d->currentRow(), -1);
    QCOMPARE(grid->model()->rowCount(), 0);
    // Open and empty.
    d->reopen();
    wheel(grid.get(), -120);
    settle();
    QVERIFY(d->active());
    QCOMPARE(d->rowCount(), 0);
    QCOMPARE(d->currentRow(), -1);
    QCOMPARE(grid->model()->rowCount(), 0);
    // Closed while rows were shown.
    addNotes(env, 3);
    d->reopen();
    QCOMPARE(grid->model()->rowCount(), 3);
    d->close();
    QCOMPARE(grid->model()->rowCount(), 0);
    wheel(grid.get(), -120);
    settle();
    QCOMPARE(d->currentRow(), -1);
}

void TestXMDBGrid::gridWithoutWheelHandlersOnlyScrolls()
{
    TestDb env;
    env.exec(QStringLiteral("begin"));
    for (int i = 0; i < 60; ++i)
        env.exec(QStringLiteral("insert into jsflb(xh, flmc) values (%1, '分类%1')").arg(i));
    env.exec(QStringLiteral("commit"));
    Dataset *d = DM->ADOQjsflb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsflb, GridOptions().inCells().sized(400, 200));
    QVERIFY(grid);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    wheel(grid.get(), -120);
    wheel(grid.get(), -120);
    settle();
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    QCOMPARE(d->currentRow(), 0);
    QCOMPARE(d->rowCount(), 65);
    QCOMPARE(d->state(), Dataset::State::Browse);
}

void TestXMDBGrid::gridFollowsTheDatasetBothWays()
{
    TestDb env;
    addNotes(env, 5);
    Dataset *d = DM->ADOQjsb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsb);
    QVERIFY(grid);
    d->setCurrentRow(3);
    QCOMPARE(grid->currentIndex().row(), 3);
    // A click on a row makes its record current.
    const QRect cell = grid->visualRect(grid->model()->index(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(d->currentRow(), 1);
    // Arrow keys move the record; Down on the last adds nothing.
    grid->setFocus();
    d->last();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(d->rowCount(), 5);
    QTest::keyClick(grid.get(), Qt::Key_Up);
    QCOMPARE(d->currentRow(), 3);
    QCOMPARE(grid->currentIndex().row(), 3);
}

void TestXMDBGrid::typingIntoAnEmptyListStartsAFirstRow()
{
    TestDb env;
    env.exec(QStringLiteral("delete from jsflb"));
    Dataset *d = DM->ADOQjsflb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsflb, GridOptions().typed().cols(numberAndName()).sized(400, 200));
    QVERIFY(grid);

    QTest::keyClick(grid.get(), Qt::Key_7, Qt::NoModifier);
    QCOMPARE(d->rowCount(), 1);
    QCOMPARE(d->state(), Dataset::State::Insert);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    // The key typed is in the cell once.
    QCOMPARE(editor->text(), QStringLiteral("7"));
    QTest::keyClicks(editor, QStringLiteral("5"));
    QTest::keyClick(editor, Qt::Key_Return);
    settle(); // the view writes the cell once the key is handled
    QCOMPARE(d->integer(QStringLiteral("xh")), 75);
    QCOMPARE(d->state(), Dataset::State::Insert);
    QCOMPARE(env.count(QStringLiteral("jsflb")), 0);
    // The next cell, then storing the row.
    grid->setCurrentIndex(grid->model()->index(0, 1));
    type(grid.get(), QStringLiteral("Travel"));
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    d->post();
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("xh=75 and flmc='Travel'")), 1);
}

void TestXMDBGrid::escapeCancelsTheRow()
{
    TestDb env;
    env.exec(QStringLiteral("delete from jsflb"));
    Dataset *d = DM->ADOQjsflb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsflb, GridOptions().typed().cols(nameOnly()).sized(400, 200));
    QVERIFY(grid);

    // Escape inside the cell being typed.
    type(grid.get(), QStringLiteral("abc"));
    QCOMPARE(d->state(), Dataset::State::Insert);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Escape);
    settle();
    QCOMPARE(d->rowCount(), 0);
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(d->state(), Dataset::State::Browse);

    // Escape after the cell was written: the row goes all the same.
    type(grid.get(), QStringLiteral("abc"));
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    QCOMPARE(d->text(QStringLiteral("flmc")), QStringLiteral("abc"));
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    QCOMPARE(d->rowCount(), 0);
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(env.count(QStringLiteral("jsflb")), 0);

    // On an existing row, Escape brings back what it held.
    env.exec(QStringLiteral("insert into jsflb(xh, flmc) values (1, '工作')"));
    d->reopen();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    type(grid.get(), QStringLiteral("x"));
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    QCOMPARE(d->state(), Dataset::State::Edit);
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    QCOMPARE(d->text(QStringLiteral("flmc")), QStringLiteral("工作"));
    QCOMPARE(grid->model()->data(grid->model()->index(0, 0)).toString(), QStringLiteral("工作"));
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='工作'")), 1);
}

void TestXMDBGrid::movingToAnotherRowPosts()
{
    TestDb env;
    Dataset *d = DM->ADOQjsflb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsflb, GridOptions().typed().cols(numberAndName()).sized(400, 300));
    QVERIFY(grid);
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QCOMPARE(d->currentRow(), 1);
    type(grid.get(), QStringLiteral("Study"));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='Study'")), 0);
    QTest::keyClick(grid.get(), Qt::Key_Down);
    QCOMPARE(d->currentRow(), 2);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='Study' and xh=2")), 1);
    QCOMPARE(d->state(), Dataset::State::Browse);
    // A click on another row stores as well (the name of the third row).
    QCOMPARE(grid->currentIndex().column(), 1);
    type(grid.get(), QStringLiteral("9"));
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(d->currentRow(), 0);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='9' and xh=3")), 1);
    // Down pressed while the cell is still being typed: what was typed is
    // written to its own row, then the next row becomes current.
    grid->setCurrentIndex(grid->model()->index(3, 1));
    type(grid.get(), QStringLiteral("Kin"));
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    settle();
    QCOMPARE(d->currentRow(), 4);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='Kin' and xh=4")), 1);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("flmc='朋友' and xh=5")), 1);
}

void TestXMDBGrid::failingPostKeepsTheGridOnTheRow()
{
    TestDb env;
    Dataset *d = DM->ADOQjsflb;
    d->reopen();
    const auto grid = showGrid(DM->DS_ADOQjsflb, GridOptions().typed().cols(nameOnly()).sized(400, 300));
    QVERIFY(grid);
    type(grid.get(), QString(81, QLatin1Char('z')));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    // The database's error is shown, the grid and the dataset stay on the row.
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    QCOMPARE(d->currentRow(), 0);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(d->state(), Dataset::State::Edit);
    QCOMPARE(env.count(QStringLiteral("jsflb"), QStringLiteral("length(flmc)=81")), 0);
    // The highlight is on the row in editing, not on the one refused.
    settle();
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList({grid->currentIndex()}));

    // A click on another row: the same.
    const QRect cell = grid->visualRect(grid->model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    settle();
    QCOMPARE(env.messages.count(Messages::Kind::Error), 2);
    QCOMPARE(d->currentRow(), 0);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList({grid->currentIndex()}));
}

QTEST_MAIN(TestXMDBGrid)
#include "tst_xmdbgrid.moc"
