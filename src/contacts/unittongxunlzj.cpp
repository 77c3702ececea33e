// The contact editor: its table of controls, the saves and the delete, the
// Enter chain, and the checks of 年龄 and 生日 when the focus moves on to
// another control of the window.
#include "contacts/unittongxunlzj.h"

#include "contacts/unitexcelintodbf.h"

#include "data/database.h"
#include "data/unitdm.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/messages.h"
#include "ui/widgetkit.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

TFormtongxunlzj *Formtongxunlzj = nullptr;

namespace Unittongxunlzj {
QString NextTxlid;
qint32 EditZdbh = 0;
} // namespace Unittongxunlzj

using Unittongxunlzj::EditZdbh;
using Unittongxunlzj::NextTxlid;

namespace {

// The layout: two columns of nine rows, 备注 below them, then the buttons.
constexpr int kRowTop = 14;
constexpr int kRowStep = 34;
constexpr int kRowHeight = 26;
constexpr int kLeftLabel = 8;
constexpr int kLeftBox = 102;
constexpr int kShortWidth = 110;
constexpr int kLeftWidth = 230;
constexpr int kRightLabel = 350;
constexpr int kRightBox = 452;
constexpr int kRightWidth = 232;
constexpr int kLabelWidth = 92;
constexpr int kRightLabelWidth = 100;

int rowY(int row)
{
    return kRowTop + (row - 1) * kRowStep;
}

} // namespace

TFormtongxunlzj::TFormtongxunlzj(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formtongxunlzj", QStringLiteral("通讯录录入"), Fonts::song(15), Fonts::skyBlue());
    // A fixed dialog border: the client area keeps its size.
    setFixedSize(704, 418);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(4, 4, 696, 410);

    // A labelled box in the left (true) or right column at a row.
    const auto place = [this](QWidget *box, QLabel *&label, const char *labelName, const QString &caption, bool left,
                              int row, int width) {
        const int y = rowY(row);
        box->setGeometry(left ? kLeftBox : kRightBox, y, width, kRowHeight);
        label = ::label(Panel1, labelName, caption, box,
                        QRect(left ? kLeftLabel : kRightLabel, y, left ? kLabelWidth : kRightLabelWidth, kRowHeight));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };

    // Left column.
    place(Edit4 = editBox(Panel1, "Edit4"), Label1, "Label1", QStringLiteral("姓名："), true, 1, kShortWidth);
    ComboBox1 = comboBox(Panel1, "ComboBox1", true);
    ComboBox1->addItems({QStringLiteral("男"), QStringLiteral("女")});
    ComboBox1->setCurrentIndex(-1);
    place(ComboBox1, Label2, "Label2", QStringLiteral("性别："), true, 2, kShortWidth);
    place(Edit5 = editBox(Panel1, "Edit5"), Label3, "Label3", QStringLiteral("年龄："), true, 3, kShortWidth);
    place(Edit6 = editBox(Panel1, "Edit6"), Label4, "Label4", QStringLiteral("籍贯："), true, 4, kLeftWidth);
    place(Edit1 = editBox(Panel1, "Edit1"), Label5, "Label5", QStringLiteral("工作单位："), true, 5, kLeftWidth);
    place(Edit2 = editBox(Panel1, "Edit2"), Label6, "Label6", QStringLiteral("职务："), true, 6, kLeftWidth);
    place(ComboBox2 = comboBox(Panel1, "ComboBox2", true), Label7, "Label7", QStringLiteral("分类："), true, 7,
          kLeftWidth);
    place(Edit8 = editBox(Panel1, "Edit8"), Label8, "Label8", QStringLiteral("住址："), true, 8, kLeftWidth);
    place(Edit9 = editBox(Panel1, "Edit9"), Label9, "Label9", QStringLiteral("办公电话："), true, 9, kLeftWidth);

    // Right column.
    place(Edit10 = editBox(Panel1, "Edit10"), Label10, "Label10", QStringLiteral("移动电话："), false, 1, kRightWidth);
    place(Edit11 = editBox(Panel1, "Edit11"), Label11, "Label11", QStringLiteral("住宅电话："), false, 2, kRightWidth);
    place(Edit12 = editBox(Panel1, "Edit12"), Label12, "Label12", QStringLiteral("传真："), false, 3, kRightWidth);
    place(Edit13 = editBox(Panel1, "Edit13"), Label13, "Label13", QStringLiteral("邮箱："), false, 4, kRightWidth);
    place(Edit14 = editBox(Panel1, "Edit14"), Label14, "Label14", QStringLiteral("QQ号码："), false, 5, kRightWidth);
    place(Edit17 = editBox(Panel1, "Edit17"), Label15, "Label15", QStringLiteral("生日："), false, 6, kRightWidth);
    place(Edit18 = editBox(Panel1, "Edit18"), Label16, "Label16", QStringLiteral("特殊纪念日："), false, 7,
          kRightWidth);
    place(Edit19 = editBox(Panel1, "Edit19"), Label17, "Label17", QStringLiteral("爱好："), false, 8, kRightWidth);
    place(Edit20 = editBox(Panel1, "Edit20"), Label18, "Label18", QStringLiteral("特长："), false, 9, kRightWidth);

    // Remarks over the whole width.
    const int remarksY = rowY(9) + kRowStep + 6;
    Edit21 = editBox(Panel1, "Edit21", QString(), QRect(kLeftBox, remarksY, kRightBox + kRightWidth - kLeftBox, kRowHeight));
    Label19 = label(Panel1, "Label19", QStringLiteral("备注："), Edit21, QRect(kLeftLabel, remarksY, kLabelWidth, kRowHeight));
    Label19->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The entry date, never shown.
    DateTimePicker1 = datePicker(Panel1, "DateTimePicker1", QRect(kLeftBox, remarksY, 130, kRowHeight));
    DateTimePicker1->setVisible(false);

    // The five buttons. Enter on a focused button presses it, as the Enter
    // chain ends on the save button.
    const QStyle *st = style();
    const int buttonsY = remarksY + kRowHeight + 16;
    const auto at = [buttonsY](int i) { return QRect(18 + i * 136, buttonsY, 116, 32); };
    BitBtn1 = button(Panel1, "BitBtn1", QStringLiteral("保存并新增"), Icons::newRecord(), at(0));
    BitBtn2 = button(Panel1, "BitBtn2", QStringLiteral("保存"), st->standardIcon(QStyle::SP_DialogSaveButton), at(1));
    BitBtn5 = button(Panel1, "BitBtn5", QStringLiteral("从EXCEL导入"), st->standardIcon(QStyle::SP_ArrowDown), at(2));
    BitBtn4 = button(Panel1, "BitBtn4", QStringLiteral("删除"), st->standardIcon(QStyle::SP_TrashIcon), at(3));
    BitBtn3 = button(Panel1, "BitBtn3", QStringLiteral("退出"), Icons::exit(), at(4));
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn5, BitBtn4, BitBtn3})
        b->setAutoDefault(true);
    // 退出 stores nothing: a click on it leaves the focus where it is, so
    // no check of a box stands in its way (Tab still reaches it).
    BitBtn3->setFocusPolicy(Qt::TabFocus);
    // The import is not offered in this version.
    BitBtn5->setEnabled(false);
    // Nothing stored is open in a new window: 删除 comes with edit mode.
    BitBtn4->setEnabled(false);
    BitBtn1->installEventFilter(this);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));
    connect(BitBtn5, &QPushButton::clicked, this, guarded([this] { BitBtn5Click(); }));

    QWidget *const order[] = {Edit4,  Edit5,  Edit6,     Edit8,   Edit9,   Edit10,  Edit11,  Edit12,  Edit13,
                              Edit14, Edit17, Edit18,    ComboBox1, Edit19, Edit20, Edit21, ComboBox2, BitBtn1,
                              BitBtn2, BitBtn3, Edit1,   Edit2,   DateTimePicker1, BitBtn4, BitBtn5};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget *w : order)
        if (enterTarget(w))
            w->installEventFilter(this);

    // The checks of 年龄 and 生日 follow the focus from control to control.
    connect(qApp, &QApplication::focusChanged, this, &TFormtongxunlzj::focusMoved);
    Edit4->setFocus();
}

TFormtongxunlzj::~TFormtongxunlzj()
{
    // Closing moves the focus while the controls go: no check may run then.
    closing_ = true;
    disconnect(qApp, nullptr, this, nullptr);
    qApp->removeEventFilter(this);
    if (Formtongxunlzj == this)
        Formtongxunlzj = nullptr;
}

QSize TFormtongxunlzj::sizeHint() const
{
    return QSize(704, 418);
}

void TFormtongxunlzj::FormCreate()
{
    NextTxlid = DM->NextId(RecordKind::Contact);
    DateTimePicker1->setDate(QDate::currentDate());
    fillCategoryBox(ComboBox2);
}

void TFormtongxunlzj::FormClose()
{
    closing_ = true;
}

bool TFormtongxunlzj::editMode() const
{
    return !BitBtn1->isEnabledTo(const_cast<TFormtongxunlzj *>(this));
}

// --- saves and delete ---------------------------------------------------------------

void TFormtongxunlzj::bindTexts(Dataset *q) const
{
    const QPair<const char *, QString> texts[] = {
        {"xingm", Edit4->text()},        {"xingb", ComboBox1->currentText()}, {"nianl", Edit5->text()},
        {"jig", Edit6->text()},          {"gzdw", Edit1->text()},             {"zhiw", Edit2->text()},
        {"fenl", ComboBox2->currentText()}, {"address", Edit8->text()},       {"bangdh", Edit9->text()},
        {"yidongdh", Edit10->text()},    {"zhuzhaidh", Edit11->text()},       {"chuanz", Edit12->text()},
        {"email", Edit13->text()},       {"qq", Edit14->text()},              {"shengr", Edit17->text()},
        {"teshujnr", Edit18->text()},    {"aihao", Edit19->text()},           {"techang", Edit20->text()},
        {"beizhu", Edit21->text()},
    };
    // An empty box is stored as the empty text, never as null.
    for (const auto &[name, value] : texts)
        q->bind(QString::fromLatin1(name), value.isNull() ? QString(QLatin1String("")) : value);
}

void TFormtongxunlzj::clearEditBoxes()
{
    for (QLineEdit *e : {Edit4, Edit5, Edit6, Edit1, Edit2, Edit8, Edit9, Edit10, Edit11, Edit12, Edit13, Edit14,
                         Edit17, Edit18, Edit19, Edit20, Edit21})
        e->clear();
}

bool TFormtongxunlzj::BitBtn1Click()
{
    if (Edit4->text().isEmpty()) {
        Messages::show(QStringLiteral("姓名不能为空!"));
        return false;
    }
    Dataset *q = DM->ADOQtongxunlinsert;
    q->setSql({QStringLiteral("insert  into  tongxunlb(txlid,lrrq,xingm,xingb,nianl,jig,gzdw,zhiw,fenl,address,bangdh,"
                              "yidongdh,zhuzhaidh,chuanz,email,qq,shengr,teshujnr,aihao,techang,beizhu)"),
               QStringLiteral("values  (:txlid,:lrrq,:xingm,:xingb,:nianl,:jig,:gzdw,:zhiw,:fenl,:address,:bangdh,"
                              ":yidongdh,:zhuzhaidh,:chuanz,:email,:qq,:shengr,:teshujnr,:aihao,:techang,:beizhu)")});
    q->bind(QStringLiteral("txlid"), NextTxlid);
    q->bind(QStringLiteral("lrrq"), DateTimePicker1->date());
    bindTexts(q);
    // Prepares and runs the insert and advances the counter together; an
    // identifier taken meanwhile by another copy of the program is replaced
    // (the contact's identifier is shown nowhere).
    DM->storeNewRecord(RecordKind::Contact, q);

    NextTxlid = DM->NextId(RecordKind::Contact);
    Messages::show(QStringLiteral("保存成功!"));
    clearEditBoxes();
    return true;
}

void TFormtongxunlzj::BitBtn2Click()
{
    if (Edit4->text().isEmpty()) {
        Messages::show(QStringLiteral("姓名不能为空!"));
        return;
    }
    if (!editMode()) {
        // A database error ends the command before the window closes.
        BitBtn1Click();
        closeForm();
        return;
    }

    Dataset *q = DM->ADOQtongxunlupdate;
    q->setSql({QStringLiteral("update  tongxunlb"),
               QStringLiteral("set  xingm=:xingm,xingb=:xingb,nianl=:nianl,jig=:jig,gzdw=:gzdw,zhiw=:zhiw,fenl=:fenl,"
                              "address=:address,bangdh=:bangdh,yidongdh=:yidongdh, ")
                   + QStringLiteral("zhuzhaidh=:zhuzhaidh,chuanz=:chuanz,email=:email,qq=:qq,shengr=:shengr,"
                                    "teshujnr=:teshujnr,aihao=:aihao,techang=:techang,beizhu=:beizhu"),
               QStringLiteral("where  zdbh= :zdbh")});
    q->bind(QStringLiteral("zdbh"), EditZdbh);
    bindTexts(q);
    q->setPrepared(true);
    if (q->execSql() == 0) {
        // The contact is gone (deleted here or elsewhere): nothing was
        // stored, and the input stays for the user.
        Messages::show(QStringLiteral("记录已不存在,保存失败!"));
        return;
    }
    Messages::show(QStringLiteral("保存成功!"));
    closeForm();
}

void TFormtongxunlzj::BitBtn3Click()
{
    closeForm();
}

void TFormtongxunlzj::BitBtn4Click()
{
    // Only a contact opened for editing can be deleted; EditZdbh may still
    // name the one opened last.
    if (!editMode())
        return;
    if (!Messages::ask(QStringLiteral("确定删除吗?")))
        return;
    Dataset *q = DM->ADOQdelete;
    q->setSql({QStringLiteral("delete  from  tongxunlb"), QStringLiteral("where  zdbh= :zdbh")});
    q->bind(QStringLiteral("zdbh"), EditZdbh);
    q->setPrepared(true);
    q->execSql();
    clearEditBoxes();
}

void TFormtongxunlzj::BitBtn5Click()
{
    // A fresh import dialog, shown modally; nothing here changes afterwards.
    openImportDialog();
}

// --- checks on leaving a box ------------------------------------------------------------

bool TFormtongxunlzj::Edit5Exit()
{
    bool ok = false;
    const int age = Edit5->text().toInt(&ok);
    if (ok && age <= 999)
        return true;
    checking_ = true;
    Messages::show(QStringLiteral("年龄输入错误!"));
    Edit5->setFocus();
    checking_ = false;
    return false;
}

bool TFormtongxunlzj::Edit17Exit()
{
    if (DbDateTime::parseShortDate(Edit17->text(), QDate::currentDate().year()).isValid())
        return true;
    checking_ = true;
    Messages::show(QStringLiteral("生日录入格式错误!"));
    Edit17->setFocus();
    checking_ = false;
    return false;
}

void TFormtongxunlzj::focusMoved(QWidget *old, QWidget *now)
{
    // Only a move from the box straight to another control of this window
    // counts: the focus going to another window, a menu, a message box or
    // the window's own frame (its close box), or moved about by the window
    // system while the window is minimised or closed, checks nothing.
    if (closing_ || checking_ || !old || !now || old == now || (old != Edit5 && old != Edit17))
        return;
    if (!isAncestorOf(now) || !isVisible() || !now->isVisible())
        return;
    const bool passed = old == Edit5 ? Edit5Exit() : Edit17Exit();
    // A click that moved the focus onto a button must not press it.
    if (!passed)
        swallowMouseUntilNextTurn();
}

void TFormtongxunlzj::swallowMouseUntilNextTurn()
{
    if (swallowing_)
        return;
    swallowing_ = true;
    qApp->installEventFilter(this);
    QTimer::singleShot(0, this, [this] {
        qApp->removeEventFilter(this);
        swallowing_ = false;
    });
}

// --- keys ------------------------------------------------------------------------------

QWidget *TFormtongxunlzj::enterTarget(QWidget *from) const
{
    // Down the left column, down the right column, 备注, then the save
    // button of the mode.
    const QPair<QWidget *, QWidget *> chain[] = {
        {Edit4, ComboBox1}, {ComboBox1, Edit5}, {Edit5, Edit6},      {Edit6, Edit1},   {Edit1, Edit2},
        {Edit2, ComboBox2}, {ComboBox2, Edit8}, {Edit8, Edit9},      {Edit9, Edit10},  {Edit10, Edit11},
        {Edit11, Edit12},   {Edit12, Edit13},   {Edit13, Edit14},    {Edit14, Edit17}, {Edit17, Edit18},
        {Edit18, Edit19},   {Edit19, Edit20},   {Edit20, Edit21},
    };
    for (const auto &[a, b] : chain)
        if (a == from)
            return b;
    if (from == Edit21)
        return editMode() ? BitBtn2 : BitBtn1;
    return nullptr;
}

bool TFormtongxunlzj::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // Right after a refused check: the click goes nowhere in this window.
        if (auto *w = qobject_cast<QWidget *>(watched); swallowing_ && w && isAncestorOf(w))
            return true;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            break;
        if (QWidget *next = enterTarget(qobject_cast<QWidget *>(watched)))
            next->setFocus();
        break; // the key goes on to the control it was typed in
    }
    case QEvent::EnabledChange:
        if (watched == BitBtn1)
            BitBtn4->setEnabled(editMode());
        break;
    default:
        break;
    }
    return TMdiForm::eventFilter(watched, event);
}
