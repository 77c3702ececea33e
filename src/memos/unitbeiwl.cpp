#include "memos/unitbeiwl.h"

#include "data/database.h"
#include "data/unitdm.h"
#include "memos/unitbeiwlzj.h"
#include "ui/contenttext.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/widgetkit.h"
#include "ui/guard.h"
#include "ui/windowhost.h"
#include "ui/xmdbgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

TFormbeiwl *Formbeiwl = nullptr;

TFormbeiwl::TFormbeiwl(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formbeiwl", QStringLiteral("备忘录查询"), Fonts::song(15), Fonts::skyBlue());

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setDataSource(DM->DS_ADOQbwlb);
    // The date and time columns are widened where the font would not fit
    // a whole value into their designed width.
    const QFontMetrics fm(XMDBGrid1->font());
    const auto fit = [&fm](int width, const QString &sample) {
        return std::max(width, fm.horizontalAdvance(sample) + 12);
    };
    const QString date = DbDateTime::display(QDateTime(QDate(2000, 12, 28), QTime(0, 0)));
    XMDBGrid1->setColumns({
        {QStringLiteral("bwlfl"), QStringLiteral("分类"), 282},
        {QStringLiteral("bwlrq"), QStringLiteral("备忘日期"), fit(86, date)},
        {QStringLiteral("bwlsj"), QStringLiteral("备忘时间"), fit(61, QStringLiteral("00:00:00"))},
        {QStringLiteral("bwlzt"), QStringLiteral("备忘主题"), 182},
        {QStringLiteral("txqrq"), QStringLiteral("提醒日期"), fit(117, date)},
    });
    XMDBGrid1->setGridReadOnly(true);
    XMDBGrid1->setAccessibleName(QStringLiteral("备忘录列表"));

    DateTimePicker1 = datePicker(this, "DateTimePicker1");
    DateTimePicker1->setFixedWidth(112);
    Label1 = label(this, "Label1", QStringLiteral("记事日期："), DateTimePicker1);
    DateTimePicker2 = datePicker(this, "DateTimePicker2");
    DateTimePicker2->setFixedWidth(112);
    Label4 = label(this, "Label4", QStringLiteral("至"), DateTimePicker2);
    ComboBox1 = comboBox(this, "ComboBox1", true);
    ComboBox1->setFixedWidth(150);
    Label3 = label(this, "Label3", QStringLiteral("分类："), ComboBox1);
    Edit1 = editBox(this, "Edit1");
    Edit1->setFixedWidth(150);
    Label2 = label(this, "Label2", QStringLiteral("内容:"), Edit1);
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("查询"), style()->standardIcon(QStyle::SP_FileDialogContentsView));
    BitBtn1->setFixedSize(84, 30);
    SpeedButton1 = named(new QToolButton(this), "SpeedButton1");
    SpeedButton1->setText(QStringLiteral("查单"));
    SpeedButton1->setVisible(false);

    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(8, 6, 8, 6);
    strip->setSpacing(4);
    strip->addWidget(Label1);
    strip->addWidget(DateTimePicker1);
    strip->addSpacing(4);
    strip->addWidget(Label4);
    strip->addWidget(DateTimePicker2);
    strip->addSpacing(10);
    strip->addWidget(Label3);
    strip->addWidget(ComboBox1);
    strip->addSpacing(10);
    strip->addWidget(Label2);
    strip->addWidget(Edit1);
    strip->addStretch(1);
    strip->addWidget(BitBtn1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(strip);
    layout->addWidget(XMDBGrid1, 1);

    QWidget::setTabOrder(XMDBGrid1, DateTimePicker1);
    QWidget::setTabOrder(DateTimePicker1, DateTimePicker2);
    QWidget::setTabOrder(DateTimePicker2, BitBtn1);
    QWidget::setTabOrder(BitBtn1, Edit1);
    QWidget::setTabOrder(Edit1, ComboBox1);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(XMDBGrid1, &TXMDBGrid::dblClick, this, guarded([this] { XMDBGrid1DblClick(); }));
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelDown, this, &TFormbeiwl::XMDBGrid1MouseWheelDown);
    connect(XMDBGrid1, &TXMDBGrid::onMouseWheelUp, this, &TFormbeiwl::XMDBGrid1MouseWheelUp);
}

TFormbeiwl::~TFormbeiwl()
{
    if (Formbeiwl == this)
        Formbeiwl = nullptr;
}

QSize TFormbeiwl::sizeHint() const
{
    // 896 x 609 is the size of the whole window, frame included.
    const QSize outer(896, 609);
    if (const QMdiSubWindow *sub = subWindow())
        return outer.shrunkBy(sub->contentsMargins());
    return outer;
}

void TFormbeiwl::FormCreate()
{
    const QDate today = QDate::currentDate();
    DateTimePicker1->setDate(QDate(today.year(), today.month(), 1));
    DateTimePicker2->setDate(today);

    fillCategoryBox(ComboBox1);
    // ADOQbwlb is left as it is: the grid shows what it holds (the memos
    // due at start, or the last search).
}

void TFormbeiwl::BitBtn1Click()
{
    Dataset *q = DM->ADOQbwlb;
    q->setSql({QStringLiteral("select  *  from  bwlnrb"), QStringLiteral("where bwlrq >=:qrq  and  bwlrq <= :zrq"),
               QStringLiteral("and   bwlfl like :fl"), QStringLiteral("and   bwlnr like :jl"),
               QStringLiteral("order  by  zdbh  desc")});
    q->bind(QStringLiteral("qrq"), DateTimePicker1->date());
    q->bind(QStringLiteral("zrq"), DateTimePicker2->date());
    q->bind(QStringLiteral("fl"), QStringLiteral("%") + ComboBox1->currentText() + QStringLiteral("%"));
    q->bind(QStringLiteral("jl"), QStringLiteral("%") + Edit1->text() + QStringLiteral("%"));
    q->setPrepared(true);
    q->open();
}

void TFormbeiwl::XMDBGrid1DblClick()
{
    SpeedButton1Click();
}

void TFormbeiwl::SpeedButton1Click()
{
    Dataset *d = XMDBGrid1->dataset();
    if (!d || !d->active() || d->isEmpty())
        return;
    Windows::openInEditor<TFormbeiwlzj>(Formbeiwlzj, QStringLiteral("记事本正在打开，请关闭再查看!"), [d](TFormbeiwlzj *f) {
        // Edit mode: "保存并新增" stays disabled for the life of the window.
        f->BitBtn1->setEnabled(false);
        Unitbeiwlzj::EditZdbh = qint32(d->integer(QStringLiteral("zdbh")));
        f->Edit2->setText(d->text(QStringLiteral("bwlid")));
        const QDate date = d->date(QStringLiteral("bwlrq"));
        if (date.isValid())
            f->DateTimePicker1->setDate(date);
        const QDateTime time = d->dateTime(QStringLiteral("bwlsj"));
        if (time.isValid())
            f->DateTimePicker2->setTime(time.time());
        f->Edit1->setText(d->text(QStringLiteral("bwlzt")));
        f->ComboBox1->setEditText(d->text(QStringLiteral("bwlfl")));
        ContentText::load(f->RichEdit1, d->text(QStringLiteral("bwlnr")));
        if (d->boolean(QStringLiteral("sftx"))) {
            f->CheckBox1->setChecked(true); // its click action enables the reminder dates
            const QDate start = d->date(QStringLiteral("txqrq"));
            if (start.isValid())
                f->DateTimePicker3->setDate(start);
            const QDate end = d->date(QStringLiteral("txzrq"));
            if (end.isValid())
                f->DateTimePicker4->setDate(end);
        }
    });
}

void TFormbeiwl::XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(true);
}

void TFormbeiwl::XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers, QPoint, bool *)
{
    XMDBGrid1->stepByWheel(false);
}
