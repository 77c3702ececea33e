#include "notes/unittupzj.h"

#include "data/unitpath.h"
#include "data/privatefiles.h"
#include "data/sqlite.h"
#include "data/unitdm.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "formats/jpegimage.h"
#include "ui/messages.h"
#include "ui/widgetkit.h"
#include "ui/windowhost.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <algorithm>

TFormtupzj *Formtupzj = nullptr;
QString PictureFile;

std::function<void(const QString &)> TFormtupzj::shellOpenHook;

namespace {

constexpr int kChooserHeight = 262;

// Reads a whole file; false when it cannot be opened or read to its end.
bool readWholeFile(const QString &path, QByteArray *bytes)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    if (!file.isSequential() && data.size() != file.size())
        return false;
    // An empty file is stored as zero bytes, not as a missing picture.
    if (data.isNull())
        data = QByteArray("", 0);
    *bytes = data;
    return true;
}

} // namespace

// --- the window ----------------------------------------------------------------

TFormtupzj::TFormtupzj(QWidget *parent) : QDialog(parent)
{
    setUpWindow(this, "Formtupzj", QStringLiteral("图片添加"), Fonts::song(14), Fonts::skyBlue());
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setModal(true);
    // Small enough for a small screen, large enough that every control shows.
    setMinimumSize(920, 540);

    Edit2 = editBox(this, "Edit2");
    Edit2->setReadOnly(true);
    Label5 = label(this, "Label5", QStringLiteral("记事id："), Edit2);
    Edit1 = editBox(this, "Edit1");
    Edit1->installEventFilter(this);
    Label1 = label(this, "Label1", QStringLiteral("图片名称："), Edit1);

    GroupBox2 = named(new TFileChooser(QStringLiteral("图片文件选择"), QStringLiteral("jpg files"),
                                       QStringLiteral("*.jpg;*.jpeg"), this),
                      "GroupBox2");
    GroupBox2->FileListBox1->setToolTip(QStringLiteral("双击录入扫描件"));
    DriveComboBox1 = GroupBox2->DriveComboBox1;
    DirectoryListBox1 = GroupBox2->DirectoryListBox1;
    Label13 = GroupBox2->Label13;
    FileListBox1 = GroupBox2->FileListBox1;
    FilterComboBox1 = GroupBox2->FilterComboBox1;

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setAccessibleName(QStringLiteral("图片列表"));
    XMDBGrid1->setDataSource(DM->DS_ADOQjstpb);
    XMDBGrid1->setColumns({{QStringLiteral("tpmc"), QStringLiteral("图片名称"), 345,
                            Qt::AlignRight | Qt::AlignVCenter}});
    XMDBGrid1->setGridReadOnly(true);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    setBackground(Panel1, Qt::white);
    Panel1->setAccessibleName(QStringLiteral("图片显示"));
    Image1 = named(new TImage(Panel1), "Image1");
    Image1->setAccessibleName(QStringLiteral("图片显示"));
    Label7 = label(this, "Label7", QStringLiteral("图片显示"), Panel1);
    QFont captionFont = Fonts::song(16);
    captionFont.setBold(true);
    Label7->setFont(captionFont);
    setTextColour(Label7, QColor(128, 0, 0));

    const QStyle *st = style();
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("批录入"), st->standardIcon(QStyle::SP_DialogOpenButton));
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("增加"));
    BitBtn2->setVisible(false);
    BitBtn3 = button(this, "BitBtn3", QStringLiteral("删除图片"), st->standardIcon(QStyle::SP_TrashIcon));
    BitBtn4 = button(this, "BitBtn4", QStringLiteral("外部浏览图片"),
                     st->standardIcon(QStyle::SP_FileDialogContentsView));
    BitBtn6 = button(this, "BitBtn6", QStringLiteral("退出"), Icons::exit());

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, guarded([this] { BitBtn6Click(); }));
    connect(XMDBGrid1, &TXMDBGrid::cellClick, this, guarded([this] { XMDBGrid1CellClick(); }));
    connect(XMDBGrid1, &TXMDBGrid::dblClick, this, guarded([this] { XMDBGrid1DblClick(); }));
    // A click previews once the double-click interval has passed without a
    // second click, so that a double-click always stores the file (a file
    // that cannot be decoded would otherwise raise its error box first and
    // take the second click).
    clickTimer_ = new QTimer(this);
    clickTimer_->setSingleShot(true);
    connect(clickTimer_, &QTimer::timeout, this, guarded([this] { FileListBox1Click(); }));
    connect(GroupBox2, &TFileChooser::fileClicked, this,
            [this] { clickTimer_->start(QApplication::doubleClickInterval()); });
    connect(GroupBox2, &TFileChooser::fileSelectedByKey, this, guarded([this] { FileListBox1Click(); }));
    connect(GroupBox2, &TFileChooser::fileDoubleClicked, this, guarded([this] {
                clickTimer_->stop();
                FileListBox1DblClick();
            }));

    setTabOrder(Edit2, Edit1);
    setTabOrder(Edit1, DriveComboBox1);
    setTabOrder(DriveComboBox1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, FileListBox1);
    setTabOrder(FileListBox1, FilterComboBox1);
    setTabOrder(FilterComboBox1, XMDBGrid1);
    setTabOrder(XMDBGrid1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn3);
    setTabOrder(BitBtn3, BitBtn4);
    setTabOrder(BitBtn4, BitBtn6);

    resize(1092, 600);
    placeControls();
    setDirectory(QDir::currentPath());
}

TFormtupzj::~TFormtupzj()
{
    FormDestroy();
}

bool TFormtupzj::previewPending() const
{
    return clickTimer_->isActive();
}

void TFormtupzj::FormClose()
{
    // Closing frees the window (WA_DeleteOnClose).
}

void TFormtupzj::FormDestroy()
{
    if (Formtupzj == this)
        Formtupzj = nullptr;
}

void TFormtupzj::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TFormtupzj::placeControls()
{
    const int w = width();
    const int h = height();
    Label5->setGeometry(10, 12, 76, 22);
    Edit2->setGeometry(88, 10, 200, 24);
    Label1->setGeometry(10, 42, 76, 22);
    Edit1->setGeometry(88, 40, 302, 24);
    // The grid grows with the height; the chooser follows the bottom edge.
    XMDBGrid1->setGeometry(10, 72, 380, std::max(60, h - 72 - kChooserHeight - 16));
    GroupBox2->setGeometry(10, h - kChooserHeight - 8, 380, kChooserHeight);
    // The preview grows both ways; the buttons follow the bottom edge.
    Label7->setGeometry(400, 8, 160, 20);
    Panel1->setGeometry(400, 30, std::max(100, w - 410), std::max(100, h - 30 - 52));
    Image1->setGeometry(Panel1->contentsRect());
    const int y = h - 42;
    BitBtn1->setGeometry(420, y, 100, 32);
    BitBtn2->setGeometry(530, y, 100, 32);
    BitBtn3->setGeometry(540, y, 100, 32);
    BitBtn4->setGeometry(660, y, 130, 32);
    BitBtn6->setGeometry(std::max(810, w - 110), y, 100, 32);
}

void TFormtupzj::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

void TFormtupzj::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    QWidget *over = Windows::host() ? Windows::host()->frameWindow() : parentWidget();
    if (over && over->isVisible())
        move(over->frameGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
}

bool TFormtupzj::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::MouseButtonDblClick) {
        runGuarded([this] { Edit1DblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- handlers ------------------------------------------------------------------------

// Preview a file: only the extensions ".jpg", ".JPG", ".jpeg" and ".JPEG",
// exactly; a file that does not decode keeps the previous picture.
void TFormtupzj::FileListBox1Click()
{
    if (FileListBox1->count() == 0)
        return;
    const QString file = fileName();
    if (file.isEmpty())
        return;
    const QString name = QFileInfo(file).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    static const QStringList previewed = {QStringLiteral(".jpg"), QStringLiteral(".JPG"), QStringLiteral(".jpeg"),
                                          QStringLiteral(".JPEG")};
    if (!previewed.contains(extension))
        return;
    const JpegImage::Result result = JpegImage::decodeFile(file, Image1->size());
    if (!result.ok()) {
        Messages::error(result.error);
        return;
    }
    Image1->setPicture(result.image);
    shownKey_ = QVariant(); // a click on the grid shows its picture again
}

// Store one file under the name typed in Edit1.
void TFormtupzj::FileListBox1DblClick()
{
    if (Edit1->text().isEmpty()) {
        Messages::show(QStringLiteral("图片名称不能为空!"));
        return;
    }
    const QString file = fileName();
    if (file.isEmpty())
        return;
    WaitCursor wait;
    PictureFile = file;
    BitBtn2Click();
}

// The store step: a new row of jstpb for the note with the name of Edit1 and
// every byte of PictureFile. The row and its bytes are stored together in
// one transaction: a file that cannot be read or any database error leaves
// no row behind and shows "图片存入失败!"; the error goes no further, so a
// batch goes on with its next file.
void TFormtupzj::BitBtn2Click()
{
    QByteArray bytes;
    if (!readWholeFile(PictureFile, &bytes)) {
        Messages::show(QStringLiteral("图片存入失败!"));
        return;
    }
    Dataset *pictures = DM->ADOQjstpb;
    bool selected = false;
    try {
        Transaction transaction(DM->ADOConnection);

        Dataset *insert = DM->ADOQjstpbinsert;
        insert->setSql({QStringLiteral("insert  into  jstpb(js_id,tpmc)"), QStringLiteral("values  (:js_id,:tpmc)")});
        insert->bind(QStringLiteral("js_id"), Edit2->text());
        insert->bind(QStringLiteral("tpmc"), Edit1->text());
        insert->setPrepared(true);
        insert->execSql();

        selected = true;
        pictures->setSql({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where js_id= :jsid"),
                          QStringLiteral("order  by  zdbh")});
        pictures->bind(QStringLiteral("jsid"), Edit2->text());
        pictures->setPrepared(true);
        pictures->open();
        pictures->last();
        if (pictures->isEmpty())
            throw DbError(QStringLiteral("找不到刚存入的图片记录"));

        pictures->edit();
        pictures->setFieldValue(QStringLiteral("jstp"), bytes);
        pictures->post();
        transaction.commit();
    } catch (const DbError &) {
        // The dataset still lists the row that was just taken back.
        if (selected) {
            try {
                pictures->reopen();
                pictures->last();
            } catch (const DbError &) {
                pictures->close();
            }
        }
        Messages::show(QStringLiteral("图片存入失败!"));
    }
}

// Batch entry: every entry of the file list, in list order, under the one
// name in Edit1 (which may be empty).
void TFormtupzj::BitBtn1Click()
{
    if (!Messages::ask(QStringLiteral("确定要批录入图片吗？")))
        return;
    if (!Messages::ask(QStringLiteral("请检查好图片所在路径,再确定？")))
        return;
    const QString folder = directory();
    const QStringList entries = fileEntries();
    if (entries.isEmpty())
        return;
    WaitCursor wait;
    const int total = int(entries.size());
    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("BatchProgress"));
    progress.setWindowTitle(QStringLiteral("批录入"));
    progress.setFont(font());
    progress.setCancelButton(nullptr);
    progress.setRange(0, total);
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    for (int i = 0; i < total; ++i) {
        progress.setLabelText(QStringLiteral("正在录入第 %1 个图片,共 %2 个:%3").arg(i + 1).arg(total).arg(entries.at(i)));
        progress.setValue(i);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        PictureFile = QDir::toNativeSeparators(QDir(folder).filePath(entries.at(i)));
        BitBtn2Click();
    }
    progress.setValue(total);
}

void TFormtupzj::XMDBGrid1CellClick()
{
    showStoredPicture();
}

void TFormtupzj::XMDBGrid1DblClick()
{
    showStoredPicture();
}

// Shows the current row's picture in place of the preview. Bytes that do
// not decode give the decoding error once and leave the preview empty. The
// clicks of one double-click decode once.
void TFormtupzj::showStoredPicture()
{
    Dataset *pictures = DM->ADOQjstpb;
    if (!pictures->active() || pictures->isEmpty())
        return;
    const QVariant key = pictures->value(QStringLiteral("zdbh"));
    if (key == shownKey_ && shownTimer_.isValid() && shownTimer_.elapsed() < QApplication::doubleClickInterval())
        return;
    shownKey_ = key;
    shownTimer_.start();
    const QByteArray bytes = pictures->bytes(QStringLiteral("jstp"));
    Image1->clear();
    const JpegImage::Result result = JpegImage::decode(bytes, Image1->size());
    if (!result.ok()) {
        Messages::error(result.error);
        return;
    }
    Image1->setPicture(result.image);
}

void TFormtupzj::BitBtn3Click()
{
    Dataset *pictures = DM->ADOQjstpb;
    if (!pictures->active() || pictures->isEmpty())
        return;
    if (!Messages::ask(QStringLiteral("确定删除图片吗？")))
        return;
    pictures->remove();
}

QString TFormtupzj::exportFolder()
{
    return AppPath + QDir::separator() + QStringLiteral("tpfile");
}

QString TFormtupzj::exportFile()
{
    return exportFolder() + QDir::separator() + QStringLiteral("图片.jpeg");
}

void TFormtupzj::ShellOpen(const QString &file)
{
    if (shellOpenHook) {
        shellOpenHook(file);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

// View outside: the current picture's bytes into tpfile/图片.jpeg (replacing
// the previous export), then the desktop's viewer on that file.
void TFormtupzj::BitBtn4Click()
{
    Dataset *pictures = XMDBGrid1->dataset();
    if (!pictures || !pictures->active() || pictures->isEmpty())
        return;
    const QString folder = exportFolder();
    if (!PrivateFiles::makeFolder(folder)) {
        Messages::error(QStringLiteral("不能生成文件夹 ") + folder);
        return;
    }
    const QString file = exportFile();
    bool written = false;
    {
        WaitCursor wait;
        const QByteArray bytes = pictures->bytes(QStringLiteral("jstp"));
        const bool existed = QFileInfo::exists(file);
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly)) {
            // The exported picture is the user's alone, like the notebook.
            PrivateFiles::restrictUnlessExisting(out, existed);
            written = out.write(bytes) == bytes.size() && out.commit();
        }
    }
    if (!written)
        Messages::show(QStringLiteral("数据库导出图片失败!"));
    ShellOpen(file);
}

void TFormtupzj::Edit1DblClick()
{
    Edit1->setText(AppPath);
}

void TFormtupzj::BitBtn6Click()
{
    close();
}
