// The contact search window: the strip of filters over the grid, 查询, and
// opening the current contact in the editor.
#include "contacts/unittongxunl.h"

#include "contacts/unittongxunlzj.h"
#include "data/unitdm.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/widgetkit.h"
#include "ui/windowhost.h"
#include "ui/xmdbgrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormtongxunl *Formtongxunl = nullptr;

TFormtongxunl::TFormtongxunl(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formtongxunl", QStringLiteral("通讯录"), Fonts::song(13), Fonts::skyBlue());
    // A fixed dialog border: the user cannot resize the window; the menu
    // command sets its height.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    resize(833, 589);

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setDataSource(DM->DS_ADOQtongxunlb);
    // 性别 is narrower than the style's least column width.
    XMDBGrid1->horizontalHeader()->setMinimumSectionSize(20);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    // 年龄 has no width of its own: as wide as its title (and three digits).
    const int ageWidth = XMDBGrid1->horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("年龄")) + 16;
    XMDBGrid1->setColumns({
        {QStringLiteral("fenl"), QStringLiteral("分类"), 187},
        {QStringLiteral("xingm"), QStringLiteral("姓名"), 53},
        {QStringLiteral("xingb"), QStringLiteral("性别"), 27},
        {QStringLiteral("nianl"), QStringLiteral("年龄"), ageWidth, left, left},
        {QStringLiteral("gzdw"), QStringLiteral("工作单位"), 181},
        {QStringLiteral("jig"), QStringLiteral("籍贯"), 186},
        {QStringLiteral("address"), QStringLiteral("住址"), 199},
        {QStringLiteral("zhiw"), QStringLiteral("职务"), 54},
        {QStringLiteral("bangdh"), QStringLiteral("办公电话"), 102},
        {QStringLiteral("yidongdh"), QStringLiteral("移动电话"), 139},
        {QStringLiteral("zhuzhaidh"), QStringLiteral("住宅电话"), 64},
        {QStringLiteral("chuanz"), QStringLiteral("传真"), 97},
        {QStringLiteral("email"), QStringLiteral("电子邮箱"), 74},
        {QStringLiteral("qq"), QStringLiteral("qq号码"), 71},
        {QStringLiteral("shengr"), QStringLiteral("生日"), 70},
        {QStringLiteral("teshujnr"), QStringLiteral("特殊纪念日"), 96},
        {QStringLiteral("aihao"), QStringLiteral("爱好"), 124},
        {QStringLiteral("techang"), QStringLiteral("特长"), 123},
        {QStringLiteral("beizhu"), QStringLiteral("备注"), 196},
    });
    XMDBGrid1->setGridReadOnly(true);
    XMDBGrid1->setAccessibleName(QStringLiteral("通讯录列表"));

    // The strip: category (the widest box), name, employer, then 查询.
    ComboBox1 = comboBox(this, "ComboBox1", true);
    ComboBox1->setFixedWidth(210);
    Label1 = label(this, "Label1", QStringLiteral("分类："), ComboBox1);
    Edit1 = editBox(this, "Edit1");
    Edit1->setFixedWidth(110);
    Label2 = label(this, "Label2", QStringLiteral("姓名:"), Edit1);
    Edit2 = editBox(this, "Edit2");
    Edit2->setFixedWidth(180);
    Label3 = label(this, "Label3", QStringLiteral("工作单位:"), Edit2);
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("查询"), Icons::search());
    BitBtn1->setFixedSize(84, 30);
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("修改"));
    BitBtn2->setVisible(false);

    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(8, 6, 8, 6);
    strip->setSpacing(4);
    strip->addWidget(Label1);
    strip->addWidget(ComboBox1);
    strip->addSpacing(14);
    strip->addWidget(Label2);
    strip->addWidget(Edit1);
    strip->addSpacing(14);
    strip->addWidget(Label3);
    strip->addWidget(Edit2);
    strip->addStretch(1);
    strip->addWidget(BitBtn1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(strip);
    layout->addWidget(XMDBGrid1, 1);

    QWidget *const order[] = {XMDBGrid1, BitBtn1, Edit1, ComboBox1, Edit2, BitBtn2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(XMDBGrid1, &TXMDBGrid::dblClick, this, guarded([this] { XMDBGrid1DblClick(); }));
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelDown, this, &TFormtongxunl::XMDBGrid1MouseWheelDown);
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelUp, this, &TFormtongxunl::XMDBGrid1MouseWheelUp);
}

TFormtongxunl::~TFormtongxunl()
{
    if (Formtongxunl == this)
        Formtongxunl = nullptr;
}

QSize TFormtongxunl::sizeHint() const
{
    return QSize(833, 589);
}

void TFormtongxunl::FormCreate()
{
    fillCategoryBox(ComboBox1);
    // ADOQtongxunlb is left as it is: the grid shows the last search.
}

void TFormtongxunl::BitBtn1Click()
{
    Dataset *q = DM->ADOQtongxunlb;
    q->setSql({QStringLiteral("select  *  from  tongxunlb"), QStringLiteral("where  fenl like :fl"),
               QStringLiteral("and xingm  like  :xm "), QStringLiteral("and gzdw  like  :dw "),
               QStringLiteral("order  by fenl, xingm")});
    // The texts as typed: not trimmed, wildcards keep their meaning.
    q->bind(QStringLiteral("fl"), QStringLiteral("%") + ComboBox1->currentText() + QStringLiteral("%"));
    q->bind(QStringLiteral("xm"), QStringLiteral("%") + Edit1->text() + QStringLiteral("%"));
    q->bind(QStringLiteral("dw"), QStringLiteral("%") + Edit2->text() + QStringLiteral("%"));
    q->setPrepared(true);
    q->open();
}

void TFormtongxunl::XMDBGrid1DblClick()
{
    BitBtn2Click();
}

void TFormtongxunl::BitBtn2Click()
{
    Dataset *d = XMDBGrid1->dataset();
    if (!d || !d->active() || d->isEmpty())
        return;
    Windows::openInEditor<TFormtongxunlzj>(
        Formtongxunlzj, QStringLiteral("通讯录正在打开，请关闭再查看!"), [d](TFormtongxunlzj *f) {
            // Edit mode: "保存并新增" stays disabled for the life of the window.
            f->BitBtn1->setEnabled(false);
            Unittongxunlzj::EditZdbh = qint32(d->integer(QStringLiteral("zdbh")));
            // A null column reads as the empty text.
            f->Edit4->setText(d->text(QStringLiteral("xingm")));
            f->ComboBox1->setEditText(d->text(QStringLiteral("xingb")));
            f->Edit5->setText(d->text(QStringLiteral("nianl")));
            f->Edit6->setText(d->text(QStringLiteral("jig")));
            f->Edit1->setText(d->text(QStringLiteral("gzdw")));
            f->Edit2->setText(d->text(QStringLiteral("zhiw")));
            f->ComboBox2->setEditText(d->text(QStringLiteral("fenl")));
            f->Edit8->setText(d->text(QStringLiteral("address")));
            f->Edit9->setText(d->text(QStringLiteral("bangdh")));
            f->Edit10->setText(d->text(QStringLiteral("yidongdh")));
            f->Edit11->setText(d->text(QStringLiteral("zhuzhaidh")));
            f->Edit12->setText(d->text(QStringLiteral("chuanz")));
            f->Edit13->setText(d->text(QStringLiteral("email")));
            f->Edit14->setText(d->text(QStringLiteral("qq")));
            f->Edit17->setText(d->text(QStringLiteral("shengr")));
            f->Edit18->setText(d->text(QStringLiteral("teshujnr")));
            f->Edit19->setText(d->text(QStringLiteral("aihao")));
            f->Edit20->setText(d->text(QStringLiteral("techang")));
            f->Edit21->setText(d->text(QStringLiteral("beizhu")));
        });
}

void TFormtongxunl::XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(true);
}

void TFormtongxunl::XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(false);
}
