#include "memos/unitbeiwlzj.h"

#include "data/unitdm.h"
#include "ui/contenttext.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/widgetkit.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>

TFormbeiwlzj *Formbeiwlzj = nullptr;

namespace Unitbeiwlzj {
qint32 EditZdbh = 0;
} // namespace Unitbeiwlzj

TFormbeiwlzj::TFormbeiwlzj(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formbeiwlzj", QStringLiteral("新增备忘录"), Fonts::song(16), Fonts::skyBlue());
    // A fixed dialog border: the window can be neither resized nor maximised.
    setFixedSize(750, 546);

    // Top row: date and time, identifier, reminder.
    DateTimePicker1 = datePicker(this, "DateTimePicker1", QRect(94, 14, 128, 26));
    Label1 = label(this, "Label1", QStringLiteral("新增日期："), DateTimePicker1, QRect(12, 14, 82, 26));
    DateTimePicker2 = timePicker(this, "DateTimePicker2", QRect(226, 14, 96, 26));
    DateTimePicker2->setAccessibleName(QStringLiteral("新增时间"));
    Edit2 = editBox(this, "Edit2", QString(), QRect(370, 14, 140, 26));
    Edit2->setReadOnly(true);
    Label5 = label(this, "Label5", QStringLiteral("Id："), Edit2, QRect(336, 14, 34, 26));
    CheckBox1 = named(new QCheckBox(QStringLiteral("提醒日期："), this), "CheckBox1");
    CheckBox1->setGeometry(526, 14, 104, 26);
    DateTimePicker3 = datePicker(this, "DateTimePicker3", QRect(630, 14, 110, 26));
    DateTimePicker3->setAccessibleName(QStringLiteral("提醒日期"));
    DateTimePicker3->setEnabled(false);

    // Second row: subject and category.
    Edit1 = editBox(this, "Edit1", QStringLiteral("无主题"), QRect(62, 50, 432, 26));
    Label2 = label(this, "Label2", QStringLiteral("主题："), Edit1, QRect(12, 50, 50, 26));
    // What the user types is stored as typed.
    ComboBox1 = comboBox(this, "ComboBox1", true, QRect(562, 50, 178, 26));
    Label4 = label(this, "Label4", QStringLiteral("分类："), ComboBox1, QRect(512, 50, 50, 26));

    // The content frame with the buttons along its bottom edge.
    GroupBox1 = named(new QGroupBox(QStringLiteral("备忘录内容"), this), "GroupBox1");
    GroupBox1->setGeometry(8, 86, 734, 452);
    const QStyle *st = style();
    BitBtn1 = button(GroupBox1, "BitBtn1", QStringLiteral("保存并新增"), st->standardIcon(QStyle::SP_FileIcon),
                     QRect(190, 406, 116, 34));
    BitBtn2 = button(GroupBox1, "BitBtn2", QStringLiteral("保存"), st->standardIcon(QStyle::SP_DialogSaveButton),
                     QRect(318, 406, 100, 34));
    BitBtn3 = button(GroupBox1, "BitBtn3", QStringLiteral("退出"), st->standardIcon(QStyle::SP_DialogCloseButton),
                     QRect(430, 406, 100, 34));
    RichEdit1 = named(new QPlainTextEdit(GroupBox1), "RichEdit1");
    RichEdit1->setGeometry(10, 28, 714, 368);
    RichEdit1->setFont(Fonts::fangsong(24, true));
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the category, the reminder and the identifier.
    RichEdit1->setTabChangesFocus(true);
    RichEdit1->setAccessibleName(QStringLiteral("备忘录内容"));
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    DateTimePicker4 = datePicker(GroupBox1, "DateTimePicker4", QRect(40, 406, 120, 26));
    DateTimePicker4->setEnabled(false);
    DateTimePicker4->setVisible(false);
    Label3 = label(GroupBox1, "Label3", QStringLiteral("到"), DateTimePicker4, QRect(14, 406, 24, 26));
    Label3->setVisible(false);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    N1 = named(PopupMenu1->addAction(QStringLiteral("删除备忘录")), "N1");

    QWidget::setTabOrder(DateTimePicker1, Edit1);
    QWidget::setTabOrder(Edit1, DateTimePicker2);
    QWidget::setTabOrder(DateTimePicker2, BitBtn1);
    QWidget::setTabOrder(BitBtn1, BitBtn2);
    QWidget::setTabOrder(BitBtn2, BitBtn3);
    QWidget::setTabOrder(BitBtn3, RichEdit1);
    QWidget::setTabOrder(RichEdit1, DateTimePicker4);
    QWidget::setTabOrder(DateTimePicker4, ComboBox1);
    QWidget::setTabOrder(ComboBox1, CheckBox1);
    QWidget::setTabOrder(CheckBox1, DateTimePicker3);
    QWidget::setTabOrder(DateTimePicker3, Edit2);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    // Every change of the box, by the user or by the search window.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(N1, &QAction::triggered, this, guarded([this] { N1Click(); }));
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(pos)); });
}

TFormbeiwlzj::~TFormbeiwlzj()
{
    if (Formbeiwlzj == this)
        Formbeiwlzj = nullptr;
}

QSize TFormbeiwlzj::sizeHint() const
{
    return QSize(750, 546);
}

void TFormbeiwlzj::FormCreate()
{
    const QDate today = QDate::currentDate();
    DateTimePicker1->setDate(today);
    DateTimePicker2->setTime(QTime::currentTime());
    DateTimePicker3->setDate(today);
    DateTimePicker4->setDate(today);

    Edit2->setText(DM->NextId(RecordKind::Memo));

    fillCategoryBox(ComboBox1);
}

void TFormbeiwlzj::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    DateTimePicker3->setEnabled(on);
    DateTimePicker4->setEnabled(on);
}

void TFormbeiwlzj::bindCommon(Dataset *q, const QString &content)
{
    q->bind(QStringLiteral("bwlrq"), DateTimePicker1->date());
    q->bind(QStringLiteral("bwlsj"), DateTimePicker2->time());
    q->bind(QStringLiteral("bwlfl"), ComboBox1->currentText());
    q->bind(QStringLiteral("bwlzt"), Edit1->text());
    q->bind(QStringLiteral("bwlnr"), content);
}

void TFormbeiwlzj::BitBtn1Click()
{
    QString content;
    if (!ContentText::checkBeforeSave(Edit1->text(), RichEdit1, QStringLiteral("内容不能为空!"), &content))
        return;

    Dataset *q = DM->ADOQbwlinsert;
    const bool reminder = CheckBox1->isChecked();
    if (reminder)
        q->setSql({QStringLiteral("insert  into  bwlnrb(bwlid,bwlrq,bwlsj,bwlfl,bwlzt,bwlnr,sftx,txqrq,txzrq)"),
                   QStringLiteral("values  (:bwlid,:bwlrq,:bwlsj,:bwlfl,:bwlzt,:bwlnr,:sftx,:txqrq,:txzrq)")});
    else
        q->setSql({QStringLiteral("insert  into  bwlnrb(bwlid,bwlrq,bwlsj,bwlfl,bwlzt,bwlnr)"),
                   QStringLiteral("values  (:bwlid,:bwlrq,:bwlsj,:bwlfl,:bwlzt,:bwlnr)")});
    const QString shown = Edit2->text();
    q->bind(QStringLiteral("bwlid"), shown);
    bindCommon(q, content);
    if (reminder) {
        q->bind(QStringLiteral("sftx"), true);
        q->bind(QStringLiteral("txqrq"), DateTimePicker3->date());
        q->bind(QStringLiteral("txzrq"), DateTimePicker4->date());
    }
    // Insert and counter increment in one step; an identifier taken
    // meanwhile by another copy of the program is replaced.
    const QString stored = DM->storeNewRecord(RecordKind::Memo, q);
    if (stored != shown)
        Messages::show(QStringLiteral("编号%1已被别处保存的记录占用,本记录已存为%2!").arg(shown, stored));

    Edit2->setText(DM->NextId(RecordKind::Memo));
    DateTimePicker2->setTime(QTime::currentTime());
    // An open memo search window follows the new memo.
    DM->ADOQbwlb->reopen();
    Messages::show(QStringLiteral("保存成功!"));
    Edit1->setText(QStringLiteral("无主题"));
    RichEdit1->clear();
}

void TFormbeiwlzj::BitBtn2Click()
{
    QString content;
    if (!ContentText::checkBeforeSave(Edit1->text(), RichEdit1, QStringLiteral("内容不能为空!"), &content))
        return;

    if (BitBtn1->isEnabled()) {
        // New memo: store it as "保存并新增" does, then close. A database
        // error ends the command before the window closes.
        BitBtn1Click();
        closeForm();
        return;
    }

    Dataset *q = DM->ADOQbwlupdate;
    const bool reminder = CheckBox1->isChecked();
    q->setSql({QStringLiteral("update  bwlnrb"),
               reminder ? QStringLiteral("set bwlrq= :bwlrq,bwlsj= :bwlsj,bwlfl= :bwlfl,bwlzt= :bwlzt,bwlnr= :bwlnr,sftx= "
                                         ":sftx,txqrq= :txqrq,txzrq= :txzrq")
                        : QStringLiteral("set bwlrq= :bwlrq,bwlsj= :bwlsj,bwlfl= :bwlfl,bwlzt= :bwlzt,bwlnr= :bwlnr,sftx= "
                                         ":sftx,txqrq=null,txzrq=null"),
               QStringLiteral("where  zdbh = :bh")});
    q->bind(QStringLiteral("bh"), Unitbeiwlzj::EditZdbh);
    bindCommon(q, content);
    q->bind(QStringLiteral("sftx"), reminder);
    if (reminder) {
        q->bind(QStringLiteral("txqrq"), DateTimePicker3->date());
        q->bind(QStringLiteral("txzrq"), DateTimePicker4->date());
    }
    q->setPrepared(true);
    if (q->execSql() == 0) {
        // The memo was deleted meanwhile: nothing was saved, the input stays.
        Messages::show(QStringLiteral("记录已不存在,保存失败!"));
        return;
    }

    DM->ADOQbwlb->reopen();
    Messages::show(QStringLiteral("保存成功!"));
    closeForm();
}

void TFormbeiwlzj::BitBtn3Click()
{
    closeForm();
}

void TFormbeiwlzj::N1Click()
{
    if (!Messages::ask(QStringLiteral("确定删除吗?")))
        return;
    Dataset *q = DM->ADOQdelete;
    q->setSql({QStringLiteral("delete  from   bwlnrb"), QStringLiteral("where  bwlid= :bwlid")});
    q->bind(QStringLiteral("bwlid"), Edit2->text());
    q->setPrepared(true);
    q->execSql();
    Edit1->setText(QStringLiteral("无主题"));
    RichEdit1->clear();
}
