// The phone-book import dialog: its controls as a table, the row boxes
// checked when the focus leaves them, Enter along start row -> last row ->
// 确定导入, and the import run under a progress dialog that can cancel it.
#include "contacts/unitexcelintodbf.h"

#include "formats/phonebookimport.h"
#include "formats/workbook.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/messages.h"
#include "ui/widgetkit.h"
#include "ui/windowhost.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <cmath>

TFormexcelintodbf *Formexcelintodbf = nullptr;

namespace {

const QColor kMaroon(128, 0, 0);

// The floating-point conversion of the row boxes' exit checks: a decimal
// number, blanks around it allowed, an exponent too.
bool isNumber(const QString &text, double *value)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool isEnter(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QFont bold(QFont f)
{
    f.setBold(true);
    return f;
}

} // namespace

TFormexcelintodbf::TFormexcelintodbf(QWidget *parent) : QDialog(parent)
{
    setUpWindow(this, "Formexcelintodbf", QStringLiteral("excel表电话薄导入参数设置"), Fonts::song(15));
    // A fixed dialog border: a close box, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(387, 216);
    setModal(true);

    // The workbook row.
    Edit3 = editBox(this, "Edit3", QString(), QRect(118, 22, 192, 26));
    Edit3->setReadOnly(true);
    Label1 = label(this, "Label1", QStringLiteral("excel表选择："), Edit3, QRect(14, 22, 104, 26));
    SpeedButton1 = named(new QToolButton(this), "SpeedButton1");
    SpeedButton1->setText(QStringLiteral("查找"));
    SpeedButton1->setIcon(Icons::search());
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(312, 22, 64, 26);

    // The start row and the last row.
    Edit2 = editBox(this, "Edit2", QStringLiteral("4"), QRect(214, 68, 162, 26));
    Label2 = label(this, "Label2", QStringLiteral("需导入excel数据起始行数："), Edit2, QRect(14, 68, 200, 26));
    Edit1 = editBox(this, "Edit1", QString(), QRect(214, 114, 162, 26));
    Label3 = label(this, "Label3", QStringLiteral("需导入excel数据总行数："), Edit1, QRect(14, 114, 200, 26));

    for (QLabel *l : {Label1, Label2, Label3}) {
        l->setFont(bold(font()));
        setTextColour(l, Qt::black);
    }
    for (QLineEdit *e : {Edit3, Edit2, Edit1}) {
        e->setFont(bold(font()));
        setTextColour(e, kMaroon);
    }

    // The commands.
    const QStyle *st = style();
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("确定导入"), st->standardIcon(QStyle::SP_DialogOkButton),
                     QRect(64, 164, 112, 34));
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("取消"), st->standardIcon(QStyle::SP_DialogCancelButton),
                     QRect(212, 164, 112, 34));

    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    for (QObject *o : {static_cast<QObject *>(Edit1), static_cast<QObject *>(Edit2),
                       static_cast<QObject *>(BitBtn1), static_cast<QObject *>(BitBtn2)})
        o->installEventFilter(this);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    BitBtn1->setFocus();
}

TFormexcelintodbf::~TFormexcelintodbf()
{
    if (Formexcelintodbf == this)
        Formexcelintodbf = nullptr;
}

QString TFormexcelintodbf::workbookFilter()
{
    return QStringLiteral("Excel 工作簿 (*.xls *.xlsx)");
}

void TFormexcelintodbf::releaseWorkbook()
{
    ExcelSheet.reset();
}

// --- 查找 -------------------------------------------------------------------------

void TFormexcelintodbf::SpeedButton1Click()
{
    const QString current = QDir::fromNativeSeparators(Edit3->text());
    const QString file = Messages::openFileName(workbookFilter(),
                                                current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    if (file.isEmpty())
        return;
    Edit3->setText(QDir::toNativeSeparators(file));
    Edit3->setToolTip(Edit3->text()); // the whole path, when the box shows only its end
    // A new choice replaces the workbook held; one that cannot be read is
    // reported here (the path stays shown) and again by an import.
    releaseWorkbook();
    ExcelSheet = Workbook::Reader::open(file);
}

// --- the row boxes --------------------------------------------------------------------

bool TFormexcelintodbf::Edit2Exit()
{
    double start;
    if (Edit2->text().isEmpty() || isNumber(Edit2->text(), &start))
        return true;
    Messages::show(QStringLiteral("数据输入错误!"));
    Edit2->setFocus();
    return false;
}

bool TFormexcelintodbf::Edit1Exit()
{
    if (Edit1->text().isEmpty())
        return true;
    double total, start;
    if (!isNumber(Edit1->text(), &total) || !isNumber(Edit2->text(), &start)) {
        Messages::show(QStringLiteral("数据输入错误!"));
        Edit1->setFocus();
        return false;
    }
    if (start > total) {
        Messages::show(QStringLiteral("总行数应大于起始行数!"));
        Edit1->setFocus();
        return false;
    }
    return true;
}

// The focus left a row box for another control of this window: its check
// runs once the focus change is over, and until then the buttons take no
// click, so a click that left a wrong box does nothing but the message.
void TFormexcelintodbf::checkLeftBox(QLineEdit *box)
{
    pendingCheck_ = box;
    QMetaObject::invokeMethod(
        this,
        [this, box] {
            if (pendingCheck_ != box)
                return;
            if (isVisible()) {
                refocusing_ = true;
                if (box == Edit1)
                    Edit1Exit();
                else
                    Edit2Exit();
                refocusing_ = false;
            }
            pendingCheck_ = nullptr;
        },
        Qt::QueuedConnection);
}

bool TFormexcelintodbf::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    auto *btn = qobject_cast<QPushButton *>(watched);
    if (box && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window; another window
        // taking the focus (a message box, a menu) is no exit.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (!refocusing_ && !pendingCheck_ && isVisible() && reason != Qt::ActiveWindowFocusReason
            && reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason)
            checkLeftBox(box);
    } else if (box && isEnter(event)) {
        // Enter moves along the chain start row -> last row -> 确定导入; the
        // key goes on to the box.
        if (box == Edit2)
            Edit1->setFocus(Qt::OtherFocusReason);
        else
            BitBtn1->setFocus(Qt::OtherFocusReason);
    } else if (btn) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
            if (pendingCheck_)
                return true;
            break;
        default:
            break;
        }
        // A button with the focus takes Enter as its click.
        if (isEnter(event)) {
            btn->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- 确定导入 ---------------------------------------------------------------------------

bool TFormexcelintodbf::progressed(int done, int total)
{
    if (done == 0) {
        Progress1->setRange(0, qMax(total, 1));
        Progress1->setValue(0);
        sinceRepaint_.start();
    } else if (done == total || sinceRepaint_.elapsed() >= 40) {
        // Shown and repainted a few times a second at most; a cancel click
        // is taken while it repaints.
        Progress1->setLabelText(QStringLiteral("正在导入：已读 %1 行，共 %2 行").arg(done).arg(total));
        Progress1->setValue(done);
        sinceRepaint_.restart();
    }
    emit rowImported(done, total);
    return !Progress1->wasCanceled();
}

void TFormexcelintodbf::BitBtn1Click()
{
    if (Edit3->text().isEmpty()) {
        Messages::show(QStringLiteral("excel表文件路径不能为空，请选择文件路径!"));
        return;
    }
    if (Edit1->text().isEmpty()) {
        Messages::show(QStringLiteral("excel总行数不能为空!"));
        return;
    }
    if (Edit2->text().isEmpty()) {
        Messages::show(QStringLiteral("起始行数不能为空!"));
        return;
    }

    enum class Outcome { Added, Failed, Cancelled } outcome = Outcome::Added;
    QString details;
    {
        WaitCursor wait;
        Progress1 = new QProgressDialog(QStringLiteral("正在导入：已读 0 行"), QStringLiteral("取消"), 0, 1, this);
        Progress1->setObjectName(QStringLiteral("Progress1"));
        Progress1->setWindowTitle(windowTitle());
        Progress1->setWindowModality(Qt::WindowModal);
        Progress1->setMinimumDuration(500);
        Progress1->setAutoClose(false);
        Progress1->setAutoReset(false);
        Progress1->setMinimumWidth(320);
        try {
            // The import reads the workbook held (it is used up then) or,
            // after an import that ended, opens the chosen one again. It
            // commits before it returns, so success is only told once the
            // contacts are stored.
            PhoneBookImport::run(std::move(ExcelSheet), QDir::fromNativeSeparators(Edit3->text()), Edit2->text(),
                                 Edit1->text(), [this](int done, int total) { return progressed(done, total); });
        } catch (const PhoneBookImport::Failure &e) {
            outcome = Outcome::Failed;
            details = e.details();
        } catch (const PhoneBookImport::Cancelled &) {
            outcome = Outcome::Cancelled;
        }
        delete Progress1;
        Progress1 = nullptr;
    }

    switch (outcome) {
    case Outcome::Added:
        Messages::show(QStringLiteral("添加完成!"));
        close();
        break;
    case Outcome::Failed:
        Messages::show(QStringLiteral("程序出现异常，请检查表格数据是否正确!"), details);
        close();
        break;
    case Outcome::Cancelled:
        // Nothing was stored; the dialog stays for another try.
        Messages::show(QStringLiteral("已取消导入，没有添加任何联系人。"));
        break;
    }
}

// --- 取消 ---------------------------------------------------------------------------------

void TFormexcelintodbf::BitBtn2Click()
{
    close();
}

void TFormexcelintodbf::done(int result)
{
    // However it closes, the dialog only hides; it is never shown again, so
    // the workbook is let go.
    releaseWorkbook();
    pendingCheck_ = nullptr;
    QDialog::done(result);
}

void openImportDialog()
{
    QWidget *frame = Windows::host() ? Windows::host()->frameWindow() : nullptr;
    TFormexcelintodbf *previous = Formexcelintodbf;
    Formexcelintodbf = new TFormexcelintodbf(frame);
    if (previous)
        previous->deleteLater();
    Formexcelintodbf->exec();
}
