// The main window offscreen against a fresh database: its parts, the
// background picture, the reminder check with a missing or foreign
// database, the one-window-per-class convention, the clock and the about
// box.
#include "testenv.h"

#include "app/unitmain.h"
#include "data/unitdm.h"
#include "formats/jpegimage.h"
#include "tools/gy.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5) : QByteArray();
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

// A small MDI child made for these tests, following the convention of the
// program's windows.
class TFormprobe;
TFormprobe *Formprobe = nullptr;
int probesMade = 0;

class TFormprobe : public TMdiForm {
public:
    TFormprobe()
    {
        setObjectName(QStringLiteral("Formprobe"));
        setWindowTitle(QStringLiteral("探针"));
        resize(320, 200);
        ++probesMade;
    }
    ~TFormprobe() override
    {
        if (Formprobe == this)
            Formprobe = nullptr;
    }
    void FormCreate() override
    {
        ++createRuns;
        if (failCreate)
            throw DbError(QStringLiteral("分类表读不出来"));
    }
    int createRuns = 0;
    static inline bool failCreate = false;
};

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void captionMenuToolbarAndStatusBar();
    void backgroundPictureFillsTheClientArea_data();
    void backgroundPictureFillsTheClientArea();
    void toolbarButtonsClickTheirItems();
    void missingDatabaseShowsOneErrorOnce();
    void foreignDatabaseGivesChineseErrorAndStaysUnchanged_data();
    void foreignDatabaseGivesChineseErrorAndStaysUnchanged();
    void reminderCheckWithNothingDue();

    void openOrRestoreMakesOneWindowAtTheTop();
    void secondCommandRestoresWithoutResizing();
    void closedWindowIsMadeAnew();
    void unsizedWindowKeepsItsDesignedHeight();
    void failingCreationStillShowsTheWindow();
    void editorsOpenAtTheTopAfterADatabaseError_data();
    void editorsOpenAtTheTopAfterADatabaseError();
    void editorFramesAreFixed_data();
    void editorFramesAreFixed();
    void noteSearchWindowHasItsDesignedWidth();

    void clockText_data();
    void clockText();
    void clockRunsEverySecond();
    void aboutBox();
};

void TestMainWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestMainWindow::init()
{
    Formprobe = nullptr;
    probesMade = 0;
    TFormprobe::failCreate = false;
}

void TestMainWindow::cleanup()
{
    flushDeletes();
}

void TestMainWindow::captionMenuToolbarAndStatusBar()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    QCOMPARE(w.windowTitle(), QStringLiteral("Quorvane记事本软件 1.08"));
    QCOMPARE(w.objectName(), QStringLiteral("Formmain"));
    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{QStringLiteral("文件"), QStringLiteral("编辑"), QStringLiteral("系统管理"),
                                 QStringLiteral("md5加密"), QStringLiteral("关于")}));
    QVERIFY(!w.md51->isVisible());
    QCOMPARE(w.N4->text(), QStringLiteral("退出系统"));
    QCOMPARE(w.N12->text(), QStringLiteral("数据库备份"));
    QCOMPARE(w.N14->text(), QStringLiteral("关于"));

    QStringList captions;
    for (QToolButton *b : w.ToolBar1->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly))
        if (b->objectName().startsWith(QStringLiteral("ToolButton")))
            captions << b->objectName() + QLatin1Char('=') + b->text();
    QCOMPARE(captions, (QStringList{QStringLiteral("ToolButton1=新增记事"), QStringLiteral("ToolButton2=查询记事 "),
                                    QStringLiteral("ToolButton4=新增备忘录"), QStringLiteral("ToolButton5=查询备忘录"),
                                    QStringLiteral("ToolButton6=新增通讯录"), QStringLiteral("ToolButton7=查询通讯录"),
                                    QStringLiteral("ToolButton3=退出系统")}));
    QCOMPARE(w.ToolButton1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QVERIFY(!w.ToolButton1->icon().isNull());
    // Picture and caption fit the button, which fits the toolbar; the
    // drop-down menus use the menu bar's font.
    for (QToolButton *b : {w.ToolButton1, w.ToolButton2, w.ToolButton3})
        QVERIFY2(b->sizeHint().height() <= b->height() && b->height() <= w.ToolBar1->height(), qPrintable(b->text()));
    for (QAction *a : w.menuBar()->actions())
        if (a->menu())
            QCOMPARE(a->menu()->font().pixelSize(), w.menuBar()->font().pixelSize());

    QVERIFY(!w.BitBtn1->isVisibleTo(&w));
    QCOMPARE(w.BitBtn1->text(), QStringLiteral("备忘录提醒"));
    QCOMPARE(w.Timer1->interval(), 2000);
    QCOMPARE(w.Timer2->interval(), 1000);
    QVERIFY(w.Timer2->isActive());
    QCOMPARE(w.StatusPanel0->width(), 300);
    QCOMPARE(w.Imagemain->objectName(), QStringLiteral("Imagemain"));
    QCOMPARE(w.statusBar()->objectName(), QStringLiteral("StatusBar1"));
    // Nothing touched the database while the window was made.
    QVERIFY(!DM->ADOConnection->connected());
}

void TestMainWindow::backgroundPictureFillsTheClientArea_data()
{
    // Window sizes: smaller than the picture, about its size, larger; then
    // the size it grows to.
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("grown");
    QTest::newRow("small, then maximal") << QSize(420, 320) << QSize(1400, 1000);
    QTest::newRow("about the picture's size") << QSize(1000, 760) << QSize(1000, 760);
    QTest::newRow("larger than the picture") << QSize(1400, 1000) << QSize(1400, 1000);
}

// The client area shows the picture stretched to exactly its size, once the
// event loop has been idle; the window's first frame does not wait for it.
void TestMainWindow::backgroundPictureFillsTheClientArea()
{
    QFETCH(QSize, size);
    QFETCH(QSize, grown);
    TestDb env;
    QFile file(QStringLiteral(":/background.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage whole = JpegImage::decode(file.readAll()).image;
    QCOMPARE(whole.size(), QSize(1024, 656));

    TFormmain w;
    w.Timer1->stop();
    w.Timer2->stop();
    w.resize(size);
    w.show();
    QWidget *area = w.Imagemain->viewport();
    const QColor plain(166, 202, 240);
    const QPoint middle(area->width() / 2, area->height() / 2);
    QCOMPARE(area->grab().toImage().pixelColor(middle), plain);

    for (const QSize &windowSize : {size, grown}) {
        w.resize(windowSize);
        for (int i = 0; i < 3; ++i) // the resize, the idle decode, its repaint
            QCoreApplication::processEvents();
        const QImage shown = area->grab().toImage();
        const QImage expected = whole.scaled(area->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(shown.size(), expected.size());
        const int w1 = shown.width() - 1, h1 = shown.height() - 1;
        for (const QPoint &p : {QPoint(0, 0), QPoint(w1, 0), QPoint(0, h1), QPoint(w1, h1),
                                QPoint(w1 / 2, h1 / 2), QPoint(w1 / 4, h1 / 3)}) {
            const QColor a = shown.pixelColor(p), b = expected.pixelColor(p);
            const int off = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                      std::abs(a.blue() - b.blue())});
            QVERIFY2(off <= 10, qPrintable(QStringLiteral("at %1,%2 of %3x%4: %5 against %6")
                                               .arg(p.x()).arg(p.y()).arg(shown.width()).arg(shown.height())
                                               .arg(a.name(), b.name())));
        }
    }
}

void TestMainWindow::toolbarButtonsClickTheirItems()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    const QList<QPair<QToolButton *, QAction *>> twins = {{w.ToolButton1, w.N2}, {w.ToolButton2, w.N3},
                                                          {w.ToolButton4, w.N7}, {w.ToolButton5, w.N8},
                                                          {w.ToolButton6, w.N9}, {w.ToolButton7, w.N10},
                                                          {w.ToolButton3, w.N4}};
    for (const auto &[button, item] : twins) {
        QCOMPARE(button->isEnabled(), item->isEnabled());
        int fired = 0;
        auto c = connect(item, &QAction::triggered, this, [&] { ++fired; });
        if (item != w.N4 && item->isEnabled()) {
            button->click();
            QCOMPARE(fired, 1);
        }
        disconnect(c);
    }
    // The exit button closes the window, backup first.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ToolButton3->click();
    QVERIFY(!w.isVisible());
    QVERIFY(QFile::exists(env.folder() + QStringLiteral("/databak/jsbdbf")
                          + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".bak")));
}

void TestMainWindow::missingDatabaseShowsOneErrorOnce()
{
    TestDb env;
    QVERIFY(QFile::remove(env.file()));
    TFormmain w;
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.Timer1->isActive());
    // Two seconds after start: one error box from the reminder check.
    QTRY_COMPARE_WITH_TIMEOUT(env.messages.count(Messages::Kind::Error), 1, 6000);
    QVERIFY(!w.Timer1->isActive());
    const QString text = env.messages.texts(Messages::Kind::Error).first();
    QVERIFY2(text.contains(DM->ADOConnection->dataSource()), qPrintable(text));
    // It is not repeated, and the program goes on.
    QTest::qWait(2600);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(w.isVisible());
    QVERIFY(!QFile::exists(env.file())); // the program never creates it
}

void TestMainWindow::foreignDatabaseGivesChineseErrorAndStaysUnchanged_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("own garbage") << QString();
    const QString mdb = testDataDir(QStringLiteral("mdb"));
    QTest::newRow("Access 2000") << (mdb.isEmpty() ? QStringLiteral("-") : mdb + QStringLiteral("/jet4/jk_test2V2000.mdb"));
    QTest::newRow("Access 97 GBK") << (mdb.isEmpty() ? QStringLiteral("-") : mdb + QStringLiteral("/jet3/ucan_charsetGBK.mdb"));
}

void TestMainWindow::foreignDatabaseGivesChineseErrorAndStaysUnchanged()
{
    QFETCH(QString, source);
    TestDb env;
    QVERIFY(QFile::remove(env.file()));
    if (source.isEmpty()) {
        QFile f(env.file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x7f'));
    } else {
        if (!QFile::exists(source))
            QSKIP("shared test data absent");
        QVERIFY(QFile::copy(source, env.file()));
        QFile::setPermissions(env.file(), QFile::ReadOwner | QFile::WriteOwner);
    }
    const QByteArray before = md5Of(env.file());
    TFormmain w;
    w.Timer1->stop();
    w.show();
    w.Timer1Timer();
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    const QString text = env.messages.texts(Messages::Kind::Error).first();
    QVERIFY2(text.contains(DM->ADOConnection->dataSource()), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("数据库")), qPrintable(text));
    QCOMPARE(md5Of(env.file()), before);
    QVERIFY(!w.Timer1->isActive());
    // Closing runs the backup, which copies the file as it is.
    w.close();
    QVERIFY(!w.isVisible());
    QCOMPARE(md5Of(env.file()), before);
}

void TestMainWindow::reminderCheckWithNothingDue()
{
    TestDb env;
    // A memo due tomorrow and one without reminder.
    env.exec(QStringLiteral("insert into bwlnrb(bwlid, txqrq) values ('BWL-1', '%1 00:00:00')")
                 .arg(QDate::currentDate().addDays(1).toString(Qt::ISODate)));
    env.exec(QStringLiteral("insert into bwlnrb(bwlid) values ('BWL-2')"));
    TFormmain w;
    w.Timer1->stop();
    w.show();
    w.Timer1Timer();
    QCOMPARE(env.messages.shown.size(), 0);
    Dataset *q = DM->ADOQbwlb;
    QVERIFY(q->active());
    QCOMPARE(q->rowCount(), 0);
    QCOMPARE(q->sql(), (QStringList{QStringLiteral("select  *  from  bwlnrb"), QStringLiteral("where     txqrq<= :dqrq"),
                                    QStringLiteral("order  by  zdbh  desc")}));
    QCOMPARE(q->boundValue(QStringLiteral("dqrq")), QVariant(QDate::currentDate()));
    QVERIFY(w.Imagemain->subWindowList().isEmpty());
}

void TestMainWindow::openOrRestoreMakesOneWindowAtTheTop()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TFormprobe *made = Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    QVERIFY(made);
    QCOMPARE(Formprobe, made);
    QCOMPARE(made->createRuns, 1);
    QVERIFY(made->subWindow());
    QVERIFY(made->isVisible());
    QCOMPARE(made->frameTop(), 0);
    QCOMPARE(made->frameHeight(), w.Imagemain->height() - 10);
    QCOMPARE(w.Imagemain->activeSubWindow(), made->subWindow());
    // The same command again gives the same window, no second one.
    QCOMPARE(Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow), made);
    QCOMPARE(probesMade, 1);
    QCOMPARE(made->createRuns, 1);
    QCOMPARE(w.Imagemain->subWindowList().size(), 1);
}

void TestMainWindow::secondCommandRestoresWithoutResizing()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TFormprobe *made = Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    // The user makes it shorter, then minimises it.
    made->subWindow()->resize(made->subWindow()->width(), 250);
    made->subWindow()->move(40, 30);
    made->subWindow()->showMinimized();
    QVERIFY(made->subWindow()->isMinimized());
    // Another window comes in front.
    auto *other = new TMdiForm();
    other->resize(200, 150);
    w.addChild(other);
    w.Imagemain->setActiveSubWindow(other->subWindow());

    QCOMPARE(Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow), made);
    QVERIFY(!made->subWindow()->isMinimized());
    QVERIFY(!made->subWindow()->isMaximized());
    QCOMPARE(made->frameHeight(), 250);
    QCOMPARE(made->subWindow()->pos(), QPoint(40, 30));
    QCOMPARE(w.Imagemain->activeSubWindow(), made->subWindow());
    QCOMPARE(probesMade, 1);

    // A maximised one returns to its normal size as well.
    made->subWindow()->showMaximized();
    Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    QVERIFY(!made->subWindow()->isMaximized());
    QCOMPARE(made->frameHeight(), 250);
}

void TestMainWindow::closedWindowIsMadeAnew()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TFormprobe *first = Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    first->subWindow()->move(50, 60);
    first->subWindow()->resize(first->subWindow()->width(), 220);
    first->closeForm();
    flushDeletes();
    QCOMPARE(Formprobe, nullptr);
    QVERIFY(w.Imagemain->subWindowList().isEmpty());

    TFormprobe *second = Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    QCOMPARE(probesMade, 2);
    QCOMPARE(second->createRuns, 1);
    QCOMPARE(second->frameTop(), 0);
    QCOMPARE(second->frameHeight(), w.Imagemain->height() - 10);
    QCOMPARE(w.Imagemain->subWindowList().size(), 1);
}

void TestMainWindow::unsizedWindowKeepsItsDesignedHeight()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TFormprobe *made = Windows::openOrRestore(Formprobe);
    QCOMPARE(made->frameTop(), 0);
    QVERIFY(made->frameHeight() < w.Imagemain->height() - 10);
    // Left where it placed itself: centred across the frame.
    const int left = made->subWindow()->x();
    QVERIFY(std::abs(left - (w.Imagemain->viewport()->width() - made->subWindow()->width()) / 2) <= 1);
    // A window laid out by hand (no layout, its size given with resize())
    // keeps that size inside its frame.
    QCOMPARE(made->size(), QSize(320, 200));
}

void TestMainWindow::failingCreationStillShowsTheWindow()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TFormprobe::failCreate = true;
    TFormprobe *made = Windows::openOrRestore(Formprobe, Windows::Height::SearchWindow);
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    QCOMPARE(Formprobe, made);
    QVERIFY(made->isVisible());
    QCOMPARE(made->frameTop(), 0);
}

namespace {

// Answers as a real box does: its own event loop runs while it is open.
class ModalLikeResponder : public RecordingResponder {
public:
    bool answer(const Messages::Shown &s) override
    {
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        return RecordingResponder::answer(s);
    }
};

QAction *command(TFormmain &w, const QString &name)
{
    return w.findChild<QAction *>(name);
}

} // namespace

void TestMainWindow::editorsOpenAtTheTopAfterADatabaseError_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("note editor") << "N2";
    QTest::newRow("memo editor") << "N7";
}

void TestMainWindow::editorsOpenAtTheTopAfterADatabaseError()
{
    QFETCH(QString, item);
    TestDb env;
    ModalLikeResponder modal;
    Messages::setResponder(&modal);
    QVERIFY(QFile::remove(env.file()));
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    command(w, item)->trigger();
    Messages::setResponder(&env.messages);
    QCOMPARE(modal.count(Messages::Kind::Error), 1);
    QMdiSubWindow *sub = w.Imagemain->activeSubWindow();
    QVERIFY(sub);
    QApplication::processEvents();
    QCOMPARE(sub->y(), 0);
}

void TestMainWindow::editorFramesAreFixed_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("note editor") << "N2";
    QTest::newRow("memo editor") << "N7";
    QTest::newRow("contact editor") << "N9";
    QTest::newRow("contact search") << "N10";
}

void TestMainWindow::editorFramesAreFixed()
{
    QFETCH(QString, item);
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    command(w, item)->trigger();
    QMdiSubWindow *sub = w.Imagemain->activeSubWindow();
    QVERIFY(sub);
    // The frame offers the user no border to drag.
    QVERIFY(sub->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    QVERIFY(!(sub->windowFlags() & Qt::WindowMaximizeButtonHint));
    const QSize before = sub->size();
    // Neither a drag of the border nor the window system grows the frame,
    // and there is no maximise button.
    sub->resize(before + QSize(120, 80));
    QCOMPARE(sub->size(), before);
    QVERIFY(!(sub->windowFlags() & Qt::WindowMaximizeButtonHint));
    // The window fills its frame: no grey margin around it.
    QCOMPARE(sub->contentsRect().size(), sub->widget()->size());
}

void TestMainWindow::noteSearchWindowHasItsDesignedWidth()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.N3->trigger();
    QMdiSubWindow *sub = w.Imagemain->activeSubWindow();
    QVERIFY(sub);
    QCOMPARE(sub->width(), 863);
}

void TestMainWindow::clockText_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("withTime");
    QTest::newRow("afternoon") << QDateTime(QDate(2024, 3, 5), QTime(13, 45, 30, 700)) << true;
    QTest::newRow("one second after midnight") << QDateTime(QDate(2024, 12, 31), QTime(0, 0, 1)) << true;
    QTest::newRow("midnight") << QDateTime(QDate(2024, 3, 5), QTime(0, 0)) << false;
    QTest::newRow("midnight and some milliseconds") << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0, 400)) << false;
}

void TestMainWindow::clockText()
{
    QFETCH(QDateTime, now);
    QFETCH(bool, withTime);
    // The program's one date form, whatever the locale.
    QString expected = QStringLiteral("当前日期时间：") + now.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (withTime)
        expected += QLatin1Char(' ') + now.time().toString(QStringLiteral("HH:mm:ss"));
    QCOMPARE(TFormmain::clockText(now), expected);
    if (withTime)
        QVERIFY(TFormmain::clockText(now).contains(QStringLiteral("%1").arg(now.time().second(), 2, 10, QLatin1Char('0'))));
}

void TestMainWindow::clockRunsEverySecond()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.show();
    QCOMPARE(w.StatusPanel1->text(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!w.StatusPanel1->text().isEmpty(), 3000);
    QVERIFY(w.StatusPanel1->text().startsWith(QStringLiteral("当前日期时间：")));
    QCOMPARE(w.StatusPanel0->text(), QString());
}

void TestMainWindow::aboutBox()
{
    TestDb env;
    TFormmain w;
    w.Timer1->stop();
    w.show();
    for (int round = 0; round < 2; ++round) {
        QString title, product, version, ok;
        QSize size;
        bool modal = false, stillShown = true;
        Tformgy *seen = nullptr;
        QTimer::singleShot(0, [&] {
            seen = formgy;
            if (!formgy)
                return;
            title = formgy->windowTitle();
            product = formgy->ProductName->text();
            version = formgy->Version->text();
            ok = formgy->BitBtn2->text();
            size = formgy->size();
            modal = formgy->isModal();
            if (round == 0)
                formgy->BitBtn2->click();
            else
                formgy->close(); // the dialog's close box
            stillShown = formgy && formgy->isVisible();
        });
        w.N14->trigger();
        QVERIFY(seen);
        QCOMPARE(title, QStringLiteral("关于"));
        QCOMPARE(product, QStringLiteral("Quorvane记事本管理软件"));
        QCOMPARE(version, QStringLiteral(" V 1.0  单机版"));
        QCOMPARE(ok, QStringLiteral("OK"));
        QCOMPARE(size, QSize(380, 301));
        QVERIFY(modal);
        QVERIFY(!stillShown);
        flushDeletes();
        QCOMPARE(formgy, nullptr);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
