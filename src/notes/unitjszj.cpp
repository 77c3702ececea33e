#include "notes/unitjszj.h"

#include "data/unitdm.h"
#include "notes/unittupzj.h"
#include "ui/contenttext.h"
#include "ui/categorybox.h"
#include "ui/fonts.h"
#include "ui/widgetkit.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/messages.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimeEdit>

TFormjszj *Formjszj = nullptr;
qint32 EditZdbh = 0;

namespace {

const QString kNoSubject = QStringLiteral("无主题");

} // namespace

TFormjszj::TFormjszj(QWidget *parent) : TMdiForm(parent)
{
    setUpWindow(this, "Formjszj", QStringLiteral("记事本"), Fonts::song(15), Fonts::skyBlue());
    setWindowIcon(Icons::program());
    // A fixed dialog border: the client area keeps its size.
    setFixedSize(849, 565);

    // Date, subject and time along the top.
    DateTimePicker1 = datePicker(this, "DateTimePicker1", QRect(96, 14, 140, 28));
    Label1 = label(this, "Label1", QStringLiteral("记事日期："), DateTimePicker1, QRect(16, 15, 80, 26));
    Edit1 = editBox(this, "Edit1", kNoSubject, QRect(306, 14, 372, 28));
    Label2 = label(this, "Label2", QStringLiteral("主题："), Edit1, QRect(258, 15, 48, 26));
    Label2->installEventFilter(this);
    DateTimePicker2 = timePicker(this, "DateTimePicker2", QRect(697, 14, 140, 28));
    DateTimePicker2->setAccessibleName(QStringLiteral("记事时间"));

    // The content.
    GroupBox1 = named(new QGroupBox(QStringLiteral("记事内容"), this), "GroupBox1");
    GroupBox1->setGeometry(12, 52, 825, 290);
    RichEdit1 = named(new QPlainTextEdit(GroupBox1), "RichEdit1");
    RichEdit1->setGeometry(10, 24, 805, 256);
    RichEdit1->setFont(Fonts::fangsong(24, true));
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setTabChangesFocus(true);
    RichEdit1->setAccessibleName(QStringLiteral("记事内容"));
    PopupMenu1 = named(new QMenu(RichEdit1), "PopupMenu1");
    N1 = named(PopupMenu1->addAction(QStringLiteral("删除记事记录")), "N1");
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(pos)); });
    connect(N1, &QAction::triggered, this, guarded([this] { N1Click(); }));

    // Category and weather.
    ComboBox1 = comboBox(this, "ComboBox1", true, QRect(96, 354, 230, 28));
    // The text is chosen from the list or filled in by the search window;
    // the box keeps a filled-in text that is not in the list, and nothing
    // typed reaches it.
    ComboBox1->lineEdit()->setReadOnly(true);
    ComboBox1->lineEdit()->setObjectName(QStringLiteral("ComboBox1Edit"));
    ComboBox1->installEventFilter(this);
    ComboBox1->lineEdit()->installEventFilter(this);
    Label4 = label(this, "Label4", QStringLiteral("记事分类："), ComboBox1, QRect(16, 355, 80, 26));

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(346, 350, 360, 36);
    Panel1->setAccessibleName(QStringLiteral("天气"));
    Panel1->installEventFilter(this);
    const QString weathers[] = {QStringLiteral("晴天"), QStringLiteral("阴天"), QStringLiteral("雨天"),
                                QStringLiteral("雪天")};
    QRadioButton **buttons[] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4};
    for (int i = 0; i < 4; ++i) {
        auto *r = new QRadioButton(weathers[i], Panel1);
        r->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        r->setGeometry(62 + i * 72, 5, 68, 26);
        *buttons[i] = r;
    }
    Label3 = label(Panel1, "Label3", QStringLiteral("天气："), RadioButton1, QRect(10, 5, 48, 26));

    // Remark, commands and identifier.
    GroupBox2 = named(new QGroupBox(QStringLiteral("备注"), this), "GroupBox2");
    GroupBox2->setGeometry(12, 396, 560, 156);
    Memo2 = named(new QPlainTextEdit(GroupBox2), "Memo2");
    Memo2->setGeometry(10, 24, 540, 122);
    Memo2->setFont(Fonts::fangsong(21));
    Memo2->setTabChangesFocus(true);
    Memo2->setAccessibleName(QStringLiteral("备注"));

    Edit2 = editBox(this, "Edit2", QString(), QRect(660, 404, 177, 28));
    Edit2->setReadOnly(true);
    Label5 = label(this, "Label5", QStringLiteral("记事id："), Edit2, QRect(590, 405, 70, 26));

    const QStyle *st = style();
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("保存并新增"), Icons::newRecord(), QRect(590, 450, 120, 36));
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("保存"), st->standardIcon(QStyle::SP_DialogSaveButton),
                     QRect(717, 450, 120, 36));
    BitBtn3 = button(this, "BitBtn3", QStringLiteral("退出"), Icons::exit(), QRect(590, 500, 120, 36));
    BitBtn4 = button(this, "BitBtn4", QStringLiteral("编辑图片"),
                     st->standardIcon(QStyle::SP_FileDialogContentsView), QRect(717, 500, 120, 36));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));

    QWidget *order[] = {DateTimePicker1, Edit1, DateTimePicker2, RichEdit1, ComboBox1, RadioButton1,
                        RadioButton2, RadioButton3, RadioButton4, Memo2, BitBtn1, BitBtn2, BitBtn3,
                        BitBtn4, Edit2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    DateTimePicker1->setFocus();
}

TFormjszj::~TFormjszj()
{
    if (Formjszj == this)
        Formjszj = nullptr;
}

QSize TFormjszj::sizeHint() const
{
    return QSize(849, 565);
}

// --- set-up ----------------------------------------------------------------------

void TFormjszj::FormCreate()
{
    DateTimePicker1->setDate(QDate::currentDate());
    DateTimePicker2->setTime(QTime::currentTime());
    Edit2->setText(DM->NextId(RecordKind::Note));

    fillCategoryBox(ComboBox1);
}

// --- helpers -----------------------------------------------------------------------

QRadioButton *TFormjszj::weatherButton(int i) const
{
    QRadioButton *const buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    return buttons[i];
}

QString TFormjszj::weatherValue() const
{
    for (int i = 0; i < 4; ++i)
        if (weatherButton(i)->isChecked())
            return weatherButton(i)->text();
    return QString(QLatin1String(""));
}

void TFormjszj::setWeatherValue(const QString &value)
{
    Panel1Click();
    for (int i = 0; i < 4; ++i) {
        if (value == weatherButton(i)->text()) {
            weatherButton(i)->setChecked(true);
            return;
        }
    }
}

bool TFormjszj::newNoteMode() const
{
    return BitBtn1->isEnabled();
}

void TFormjszj::clearForNextNote()
{
    Edit1->setText(kNoSubject);
    ContentText::load(RichEdit1, QString());
    ContentText::load(Memo2, QString());
}

// --- commands ----------------------------------------------------------------------

bool TFormjszj::BitBtn1Click()
{
    QString content;
    if (!ContentText::checkBeforeSave(Edit1->text(), RichEdit1, QStringLiteral("记事内容不能为空!"), &content))
        return false;
    const QString weather = weatherValue();

    Dataset *q = DM->ADOQjsbinsert;
    q->setSql({QStringLiteral("insert  into  jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz)"),
               QStringLiteral("values  (:jsid,:jsrq,:jssj,:jsfl,:jsbh,:jsbt,:jsnr,:jstq,:jsbz)")});
    const QString shown = Edit2->text();
    q->bind(QStringLiteral("jsid"), shown);
    q->bind(QStringLiteral("jsrq"), DateTimePicker1->date());
    q->bind(QStringLiteral("jssj"), DateTimePicker2->time());
    q->bind(QStringLiteral("jstq"), weather);
    q->bind(QStringLiteral("jsfl"), ComboBox1->currentText());
    q->bind(QStringLiteral("jsbh"), QString(QLatin1String("")));
    q->bind(QStringLiteral("jsbt"), Edit1->text());
    q->bind(QStringLiteral("jsnr"), content);
    q->bind(QStringLiteral("jsbz"), ContentText::read(Memo2));
    // Prepares and runs the insert and advances the counter together.
    const QString stored = DM->storeNewRecord(RecordKind::Note, q);
    if (stored != shown)
        Messages::show(QStringLiteral("编号%1已被别处保存的记录占用,本记录已存为%2!").arg(shown, stored));

    Edit2->setText(DM->NextId(RecordKind::Note));
    DateTimePicker2->setTime(QTime::currentTime());
    // An open note search window follows the new note; with none shown the
    // reopen waits until the list is looked at.
    DM->ADOQjsb->reopen();
    Messages::show(QStringLiteral("保存成功!"));
    clearForNextNote();
    return true;
}

void TFormjszj::BitBtn2Click()
{
    QString content;
    if (!ContentText::checkBeforeSave(Edit1->text(), RichEdit1, QStringLiteral("记事内容不能为空!"), &content))
        return;

    if (newNoteMode()) {
        // The window closes also when the save ended at a question; a
        // database error ends the command before this point.
        BitBtn1Click();
        closeForm();
        return;
    }

    const QString weather = weatherValue();
    Dataset *q = DM->ADOQjsbupdate;
    q->setSql({QStringLiteral("update  jsbnrb"),
               QStringLiteral("set jsrq= :jsrq,jssj= :jssj,jsfl= :jsfl,jsbh= :jsbh,jsbt= :jsbt,jsnr= :jsnr,jstq= :jstq,jsbz= :jsbz"),
               QStringLiteral("where  zdbh = :bh")});
    q->bind(QStringLiteral("bh"), EditZdbh);
    q->bind(QStringLiteral("jsrq"), DateTimePicker1->date());
    q->bind(QStringLiteral("jssj"), DateTimePicker2->time());
    q->bind(QStringLiteral("jsfl"), ComboBox1->currentText());
    q->bind(QStringLiteral("jsbh"), QString(QLatin1String("")));
    q->bind(QStringLiteral("jsbt"), Edit1->text());
    q->bind(QStringLiteral("jsnr"), content);
    q->bind(QStringLiteral("jsbz"), ContentText::read(Memo2));
    q->bind(QStringLiteral("jstq"), weather);
    q->setPrepared(true);
    if (q->execSql() == 0) {
        // The note is gone (deleted here or elsewhere): nothing was stored,
        // and the input stays for the user.
        Messages::show(QStringLiteral("记录已不存在,保存失败!"));
        return;
    }
    DM->ADOQjsb->reopen();
    Messages::show(QStringLiteral("保存成功!"));
    closeForm();
}

void TFormjszj::BitBtn3Click()
{
    closeForm();
}

void TFormjszj::BitBtn4Click()
{
    if (ContentText::read(RichEdit1).isEmpty()) {
        Messages::show(QStringLiteral("记事内容不能为空!"));
        return;
    }
    Dataset *q = DM->ADOQjstpb;
    q->setSql({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where  js_id= :jsid")});
    q->bind(QStringLiteral("jsid"), Edit2->text());
    q->setPrepared(true);
    q->open();
    Formtupzj = new TFormtupzj();
    Formtupzj->Edit2->setText(Edit2->text());
    Formtupzj->exec();
}

void TFormjszj::N1Click()
{
    if (!Messages::ask(QStringLiteral("确定删除吗?")))
        return;
    Dataset *q = DM->ADOQdelete;
    q->setSql({QStringLiteral("delete  from   jsbnrb"), QStringLiteral("where  jsid= :jsid")});
    q->bind(QStringLiteral("jsid"), Edit2->text());
    q->setPrepared(true);
    q->execSql();
    clearForNextNote();
}

void TFormjszj::Panel1Click()
{
    // Radio buttons of one panel exclude each other; to leave none selected
    // each is unchecked on its own.
    for (int i = 0; i < 4; ++i) {
        QRadioButton *r = weatherButton(i);
        r->setAutoExclusive(false);
        r->setChecked(false);
        r->setAutoExclusive(true);
    }
}

void TFormjszj::Label2Click()
{
    RichEdit1->hide();
}

bool TFormjszj::ComboBox1KeyPress(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

bool TFormjszj::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        auto *w = qobject_cast<QWidget *>(watched);
        if (me->button() != Qt::LeftButton || !w || !w->rect().contains(me->position().toPoint()))
            break;
        if (watched == Label2) {
            Label2Click();
        } else if (watched == Panel1) {
            Panel1Click();
        } else if (watched == ComboBox1->lineEdit()) {
            // A click on the text part of the category box opens its list,
            // as nothing can be typed there.
            ComboBox1->setFocus(Qt::MouseFocusReason);
            ComboBox1->showPopup();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == ComboBox1->lineEdit() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            return true;
        break;
    case QEvent::KeyPress:
        if ((watched == ComboBox1 || watched == ComboBox1->lineEdit())
            && ComboBox1KeyPress(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    default:
        break;
    }
    return TMdiForm::eventFilter(watched, event);
}
