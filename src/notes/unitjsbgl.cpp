#include "notes/unitjsbgl.h"

#include "data/unitdm.h"
#include "notes/unitjszj.h"
#include "ui/contenttext.h"
#include "ui/dbmemo.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/widgetkit.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/windowhost.h"
#include "ui/xmdbgrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

TFormjsbgl *Formjsbgl = nullptr;

TFormjsbgl::TFormjsbgl(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formjsbgl", QStringLiteral("记事本查询"), Fonts::song(14), Fonts::skyBlue());
    setWindowIcon(Icons::program());
    resize(855, 606);

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setDataSource(DM->DS_ADOQjsb);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    XMDBGrid1->setColumns({{QStringLiteral("jsfl"), QStringLiteral("分类"), 112, left},
                           {QStringLiteral("jsrq"), QStringLiteral("记事日期"), 113, left},
                           {QStringLiteral("jssj"), QStringLiteral("记事时间"), 74, left},
                           {QStringLiteral("jsbt"), QStringLiteral("记事标题"), 176, left},
                           {QStringLiteral("jstq"), QStringLiteral("天气"), 48, left},
                           {QStringLiteral("jsbz"), QStringLiteral("备注"), 216, left}});
    XMDBGrid1->setGridReadOnly(true);
    XMDBGrid1->setAccessibleName(QStringLiteral("记事列表"));
    XMDBGrid1->setFixedHeight(268);
    connect(XMDBGrid1, &TXMDBGrid::dblClick, this, guarded([this] { XMDBGrid1DblClick(); }));
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelDown, this,
            [this](Qt::KeyboardModifiers shift, QPoint pos, bool *handled) {
                XMDBGrid1MouseWheelDown(shift, pos, handled);
            });
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelUp, this,
            [this](Qt::KeyboardModifiers shift, QPoint pos, bool *handled) {
                XMDBGrid1MouseWheelUp(shift, pos, handled);
            });

    DateTimePicker1 = datePicker(this, "DateTimePicker1");
    DateTimePicker1->setMinimumWidth(112);
    Label1 = label(this, "Label1", QStringLiteral("记事日期："), DateTimePicker1);
    DateTimePicker2 = datePicker(this, "DateTimePicker2");
    DateTimePicker2->setMinimumWidth(112);
    Label4 = label(this, "Label4", QStringLiteral("至"), DateTimePicker2);

    // A piece of a name is a filter of its own: no completion to a whole name.
    ComboBox1 = comboBox(this, "ComboBox1", true);
    ComboBox1->setMinimumWidth(130);
    Label3 = label(this, "Label3", QStringLiteral("记事分类："), ComboBox1);

    Edit1 = editBox(this, "Edit1");
    Edit1->setMinimumWidth(100);
    Label2 = label(this, "Label2", QStringLiteral("内容"), Edit1);

    BitBtn1 = button(this, "BitBtn1", QStringLiteral("查询"), Icons::search());
    BitBtn1->setMinimumSize(84, 30);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));

    SpeedButton1 = button(this, "SpeedButton1", QStringLiteral("查单"));
    SpeedButton1->setVisible(false);
    connect(SpeedButton1, &QPushButton::clicked, this, guarded([this] { SpeedButton1Click(); }));

    DBMemo1 = named(new TDBMemo(this), "DBMemo1");
    DBMemo1->setFont(Fonts::fangsong(29, true));
    DBMemo1->setAccessibleName(QStringLiteral("记事内容"));
    DBMemo1->setDataSource(DM->DS_ADOQjsb, QStringLiteral("jsnr"));

    auto *filters = new QHBoxLayout;
    filters->setSpacing(6);
    filters->addWidget(Label1);
    filters->addWidget(DateTimePicker1);
    filters->addWidget(Label4);
    filters->addWidget(DateTimePicker2);
    filters->addSpacing(10);
    filters->addWidget(Label3);
    filters->addWidget(ComboBox1);
    filters->addSpacing(10);
    filters->addWidget(Label2);
    filters->addWidget(Edit1, 1);
    filters->addSpacing(10);
    filters->addWidget(BitBtn1);
    filters->addWidget(SpeedButton1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(XMDBGrid1);
    layout->addLayout(filters);
    layout->addWidget(DBMemo1, 1);

    QWidget *order[] = {XMDBGrid1, DateTimePicker1, DateTimePicker2, BitBtn1, DBMemo1, Edit1, ComboBox1};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

TFormjsbgl::~TFormjsbgl()
{
    if (Formjsbgl == this)
        Formjsbgl = nullptr;
}

QSize TFormjsbgl::sizeHint() const
{
    return QSize(855, 606);
}

void TFormjsbgl::FormCreate()
{
    const QDate today = QDate::currentDate();
    DateTimePicker1->setDate(QDate(today.year(), today.month(), 1));
    DateTimePicker2->setDate(today);

    fillCategoryBox(ComboBox1);
}

void TFormjsbgl::FormClose()
{
    DM->ADOQjsb->close();
}

void TFormjsbgl::BitBtn1Click()
{
    WaitCursor busy;
    Dataset *q = DM->ADOQjsb;
    q->setSql({QStringLiteral("select  *  from  jsbnrb"), QStringLiteral("where jsrq >=:qrq  and  jsrq <= :zrq"),
               QStringLiteral("and   jsfl like :fl"), QStringLiteral("and   jsnr like :jl"),
               QStringLiteral("order  by  zdbh  desc")});
    q->bind(QStringLiteral("qrq"), DateTimePicker1->date());
    q->bind(QStringLiteral("zrq"), DateTimePicker2->date());
    q->bind(QStringLiteral("fl"), QStringLiteral("%") + ComboBox1->currentText() + QStringLiteral("%"));
    q->bind(QStringLiteral("jl"), QStringLiteral("%") + Edit1->text() + QStringLiteral("%"));
    q->setPrepared(true);
    q->open();
    DBMemo1->loadMemo();
}

void TFormjsbgl::XMDBGrid1DblClick()
{
    Dataset *d = DM->ADOQjsb;
    if (!d->active() || d->isEmpty())
        return;
    SpeedButton1Click();
}

void TFormjsbgl::SpeedButton1Click()
{
    Dataset *d = DM->ADOQjsb;
    Windows::openInEditor<TFormjszj>(Formjszj, QStringLiteral("记事本正在打开，请关闭再查看!"), [d](TFormjszj *editor) {
        // Edit mode: "保存并新增" disabled, the row's key kept for the update.
        editor->BitBtn1->setEnabled(false);
        EditZdbh = qint32(d->integer(QStringLiteral("zdbh")));
        editor->Edit2->setText(d->text(QStringLiteral("jsid")));
        const QDate date = d->date(QStringLiteral("jsrq"));
        if (date.isValid())
            editor->DateTimePicker1->setDate(date);
        const QDateTime time = d->dateTime(QStringLiteral("jssj"));
        if (time.isValid())
            editor->DateTimePicker2->setTime(time.time());
        editor->Edit1->setText(d->text(QStringLiteral("jsbt")));
        editor->ComboBox1->setEditText(d->text(QStringLiteral("jsfl")));
        ContentText::load(editor->RichEdit1, d->text(QStringLiteral("jsnr")));
        ContentText::load(editor->Memo2, d->text(QStringLiteral("jsbz")));
        editor->setWeatherValue(d->text(QStringLiteral("jstq")));
    });
}

void TFormjsbgl::XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(true);
}

void TFormjsbgl::XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(false);
}
