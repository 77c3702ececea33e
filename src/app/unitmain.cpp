#include "app/unitmain.h"

#include "app/backup.h"
#include "contacts/unittongxunl.h"
#include "contacts/unittongxunlzj.h"
#include "data/unitdm.h"
#include "memos/unitbeiwl.h"
#include "memos/unitbeiwlzj.h"
#include "notes/unitjsbgl.h"
#include "notes/unitjsfl.h"
#include "notes/unitjszj.h"
#include "tools/gy.h"
#include "tools/unitmd5.h"
#include "ui/fonts.h"
#include "ui/icons.h"
#include "ui/widgetkit.h"
#include "formats/jpegimage.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QPaintEvent>
#include <QTimerEvent>
#include <QPainter>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

TFormmain *Formmain = nullptr;

// --- background --------------------------------------------------------------

static void initResources()
{
    // The resources live in the static core library.
    Q_INIT_RESOURCE(resources);
}

TImageArea::TImageArea(QWidget *parent) : QMdiArea(parent)
{
    initResources();
    setObjectName(QStringLiteral("Imagemain"));
    setAccessibleName(QStringLiteral("工作区"));
    setBackground(QColor(166, 202, 240));
    // A child window partly outside a smaller frame stays reachable.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TImageArea::paintEvent(QPaintEvent *event)
{
    const QSize area = viewport()->size();
    // The picture is decoded once the first frame is out and the event
    // loop has nothing else to do (a zero timer, not a posted call, which
    // would run before the window system's pending events), so it never
    // holds up the window's appearance; until then the area shows its
    // plain colour. A picture decoded for a smaller area is decoded again
    // for the larger one.
    const bool covers = !picture_.isNull()
        && (decodedFull_ || (picture_.width() >= area.width() && picture_.height() >= area.height()));
    if (!covers && !decodeTimer_.isActive())
        decodeTimer_.start(0, this);
    if (picture_.isNull()) {
        QMdiArea::paintEvent(event);
        return;
    }
    // The picture is stretched to exactly the client area; a soft gradient
    // loses nothing when it is enlarged smoothly.
    if (stretched_.size() != area) {
        const bool enlarged = picture_.width() < area.width() || picture_.height() < area.height();
        stretched_ = QPixmap::fromImage(picture_.scaled(
            area, Qt::IgnoreAspectRatio, enlarged ? Qt::SmoothTransformation : Qt::FastTransformation));
    }
    QPainter painter(viewport());
    painter.drawPixmap(event->rect(), stretched_, event->rect());
}

void TImageArea::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != decodeTimer_.timerId()) {
        QMdiArea::timerEvent(event);
        return;
    }
    decodeTimer_.stop();
    // At the DCT scale that just covers the area: a window smaller than
    // the picture decodes a half, a quarter or an eighth of it.
    QFile file(QStringLiteral(":/background.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QSize area = viewport()->size();
    const QImage decoded = JpegImage::decode(file.readAll(), area).image;
    if (decoded.isNull())
        return;
    picture_ = decoded;
    // A picture that does not cover the area is the whole of it: the
    // decoder only shrinks a picture that still covers.
    decodedFull_ = decoded.width() < area.width() || decoded.height() < area.height();
    stretched_ = QPixmap();
    viewport()->update();
}

// --- window --------------------------------------------------------------------

TFormmain::TFormmain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Formmain"));
    setWindowTitle(QStringLiteral("Quorvane记事本软件 1.08"));
    setWindowIcon(Icons::program());
    setFont(Fonts::song(16));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);

    // Menu.
    QMenuBar *MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *file = MainMenu1->addMenu(QStringLiteral("文件"));
    N2 = addCommand(file, "N2", QStringLiteral("新增记事"), &TFormmain::N2Click);
    N3 = addCommand(file, "N3", QStringLiteral("查询记事"), &TFormmain::N3Click);
    file->addSeparator();
    N7 = addCommand(file, "N7", QStringLiteral("新增备忘录"), &TFormmain::N7Click);
    N8 = addCommand(file, "N8", QStringLiteral("查询备忘录"), &TFormmain::N8Click);
    file->addSeparator();
    N9 = addCommand(file, "N9", QStringLiteral("新增通讯录"), &TFormmain::N9Click);
    N10 = addCommand(file, "N10", QStringLiteral("查询通讯录"), &TFormmain::N10Click);
    file->addSeparator();
    N4 = addCommand(file, "N4", QStringLiteral("退出系统"), &TFormmain::N4Click);
    QMenu *edit = MainMenu1->addMenu(QStringLiteral("编辑"));
    N6 = addCommand(edit, "N6", QStringLiteral("记事分类"), &TFormmain::N6Click);
    QMenu *admin = MainMenu1->addMenu(QStringLiteral("系统管理"));
    N12 = addCommand(admin, "N12", QStringLiteral("数据库备份"), &TFormmain::N12Click);
    md51 = addCommand(nullptr, "md51", QStringLiteral("md5加密"), &TFormmain::md51Click);
    MainMenu1->addAction(md51);
    md51->setVisible(false); // no user action reaches the MD5 tool
    QMenu *about = MainMenu1->addMenu(QStringLiteral("关于"));
    N14 = addCommand(about, "N14", QStringLiteral("关于"), &TFormmain::N14Click);
    // The drop-down menus are windows of their own: they take the menu bar's
    // font, not the style's smaller one.
    for (QMenu *menu : {file, edit, admin, about})
        menu->setFont(font());

    // Toolbar: image above caption; the buttons click their menu items.
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFont(Fonts::song(14));
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolButton1 = addToolButton("ToolButton1", QStringLiteral("新增记事"), Icons::newRecord(), N2);
    ToolButton2 = addToolButton("ToolButton2", QStringLiteral("查询记事 "), Icons::search(), N3);
    ToolButton4 = addToolButton("ToolButton4", QStringLiteral("新增备忘录"), Icons::newRecord(), N7);
    ToolButton5 = addToolButton("ToolButton5", QStringLiteral("查询备忘录"), Icons::search(), N8);
    ToolButton6 = addToolButton("ToolButton6", QStringLiteral("新增通讯录"), Icons::newRecord(), N9);
    ToolButton7 = addToolButton("ToolButton7", QStringLiteral("查询通讯录"), Icons::search(), N10);
    ToolButton3 = addToolButton("ToolButton3", QStringLiteral("退出系统"), Icons::exit(), N4);

    BitBtn1 = new QPushButton(QStringLiteral("备忘录提醒"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setVisible(false);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));

    // Client area with the picture.
    Imagemain = new TImageArea(this);
    setCentralWidget(Imagemain);

    // Status bar: panel 0 is never written, panel 1 is the clock.
    QStatusBar *StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(300);
    StatusPanel0->setAccessibleName(QStringLiteral("状态"));
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    StatusPanel1->setAccessibleName(QStringLiteral("当前日期时间"));
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    Timer2->start();

    // Every window opens its child windows in this frame.
    Windows::setHost(this);

    // Restored size 891 x 620, centred on the screen; the program shows the
    // window maximised.
    resize(891, 620);
    centreOnScreen(this);
}

TFormmain::~TFormmain()
{
    if (Windows::host() == this)
        Windows::setHost(nullptr);
    if (Formmain == this)
        Formmain = nullptr;
}

QAction *TFormmain::addCommand(QMenu *menu, const char *name, const QString &caption, void (TFormmain::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (handler)
        connect(action, &QAction::triggered, this, guarded([this, handler] { (this->*handler)(); }));
    if (menu)
        menu->addAction(action);
    return action;
}

QToolButton *TFormmain::addToolButton(const char *name, const QString &caption, const QIcon &icon, QAction *item)
{
    auto *button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setAccessibleName(caption.trimmed());
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    // 77 x 37, or taller where the font needs it, so the caption under the
    // picture never touches the bottom edge; the bar grows with it.
    button->setFixedSize(77, std::max(37, button->sizeHint().height()));
    ToolBar1->setFixedHeight(std::max(ToolBar1->height(), button->height() + 4));
    button->setEnabled(item->isEnabled());
    connect(item, &QAction::changed, button, [button, item] { button->setEnabled(item->isEnabled()); });
    connect(button, &QToolButton::clicked, item, &QAction::trigger);
    ToolBar1->addWidget(button);
    return button;
}

// --- MDI children ----------------------------------------------------------------

void TFormmain::addChild(TMdiForm *form)
{
    QMdiSubWindow *sub = Imagemain->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(form->objectName() + QStringLiteral("Frame"));
    sub->setWindowIcon(form->windowIcon().isNull() ? Icons::program() : form->windowIcon());
    // A window of fixed size, or with a fixed border whose height only its
    // opener sets, cannot be resized or maximised by the user.
    const bool fixedBorder = form->minimumSize() == form->maximumSize()
                             || form->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
    if (fixedBorder)
        sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                            | Qt::MSWindowsFixedSizeDialogHint);
    sub->adjustSize();
    // A fixed dialog border: the frame keeps its size (only an opener's
    // height rule changes it, TMdiForm::setFrameHeight).
    if (fixedBorder)
        sub->setFixedSize(sub->size());
    sub->move(std::max(0, (Imagemain->viewport()->width() - sub->width()) / 2),
              std::max(0, (Imagemain->viewport()->height() - sub->height()) / 2));
    sub->show();
}

int TFormmain::searchWindowHeight() const
{
    return Imagemain->height() - 10;
}

void TFormmain::restoreChild(TMdiForm *form)
{
    QMdiSubWindow *sub = form->subWindow();
    if (!sub) {
        form->showNormal();
        form->raise();
        return;
    }
    sub->showNormal();
    sub->raise();
    Imagemain->setActiveSubWindow(sub);
}

// --- commands --------------------------------------------------------------------

void TFormmain::N2Click()
{
    Windows::openOrRestore(Formjszj);
}

void TFormmain::N3Click()
{
    Windows::openOrRestore(Formjsbgl, Windows::Height::SearchWindow);
}

void TFormmain::N7Click()
{
    Windows::openOrRestore(Formbeiwlzj);
}

void TFormmain::N8Click()
{
    Windows::openOrRestore(Formbeiwl, Windows::Height::SearchWindow);
}

void TFormmain::N9Click()
{
    Windows::openOrRestore(Formtongxunlzj);
}

void TFormmain::N10Click()
{
    Windows::openOrRestore(Formtongxunl, Windows::Height::SearchWindow);
}

void TFormmain::N4Click()
{
    close();
}

void TFormmain::N6Click()
{
    // A new dialog for every command; it frees itself when closed.
    Formjsfl = new TFormjsfl(this);
    runGuarded([] { Formjsfl->FormCreate(); });
    Formjsfl->exec();
}

void TFormmain::N12Click()
{
    Backup::runManual(DM->ADOConnection);
}

void TFormmain::md51Click()
{
    // The one MD5 tool made at start; closing it only hides it.
    if (Formmd5)
        Formmd5->exec();
}

void TFormmain::N14Click()
{
    formgy = new Tformgy();
    formgy->exec();
}

void TFormmain::closeEvent(QCloseEvent *event)
{
    // The automatic backup; when it fails the window stays open.
    if (!runGuarded([] { Backup::runAutomatic(DM->ADOConnection); })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// --- timers ----------------------------------------------------------------------

void TFormmain::Timer1Timer()
{
    Timer1->stop(); // once per start, whatever the outcome
    BitBtn1->click();
}

void TFormmain::BitBtn1Click()
{
    Dataset *q = DM->ADOQbwlb;
    q->setSql({QStringLiteral("select  *  from  bwlnrb"), QStringLiteral("where     txqrq<= :dqrq"),
               QStringLiteral("order  by  zdbh  desc")});
    q->bind(QStringLiteral("dqrq"), QDate::currentDate());
    q->setPrepared(true);
    q->open();
    // The memo search window lists the due memos; it keeps its designed
    // height here.
    if (!q->isEmpty())
        Windows::openOrRestore(Formbeiwl);
}

QString TFormmain::clockText(const QDateTime &now)
{
    const QDateTime whole(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return QStringLiteral("当前日期时间：") + DbDateTime::display(whole);
}

void TFormmain::Timer2Timer()
{
    StatusPanel1->setText(clockText(QDateTime::currentDateTime()));
}
