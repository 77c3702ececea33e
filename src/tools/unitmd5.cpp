#include "tools/unitmd5.h"

#include "data/unitdm.h"
#include "formats/md5.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/messages.h"
#include "ui/widgetkit.h"
#include "ui/xmdbgrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

TFormmd5 *Formmd5 = nullptr;

TFormmd5::TFormmd5(QWidget *parent) : QDialog(parent)
{
    setUpWindow(this, "Formmd5", QStringLiteral("Formmd5"), Fonts::song(16), palette().color(QPalette::Button));
    // An ordinary window with a sizeable border; only hidden when closed.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(480, 260);

    Edit1 = editBox(this, "Edit1", QStringLiteral("Edit1"));
    Label1 = label(this, "Label1", QStringLiteral("明文"), Edit1);
    Edit2 = editBox(this, "Edit2", QStringLiteral("Edit2"));
    Label2 = label(this, "Label2", QStringLiteral("密文"), Edit2);
    Button1 = button(this, "Button1", QStringLiteral("md5加密"));
    Edit3 = editBox(this, "Edit3", QStringLiteral("Edit3"));
    Edit3->setAccessibleName(QStringLiteral("比较明文"));
    Edit3->setToolTip(QStringLiteral("与明文比较的文字"));
    Button2 = button(this, "Button2", QStringLiteral("md5密文比较"));
    Button3 = button(this, "Button3", QStringLiteral("密码验证"));

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setAccessibleName(QStringLiteral("用户表"));
    // No column list: every field of the dataset, titled by its name.
    XMDBGrid1->setDataSource(DM->DS_ADOQyhxxb);
    XMDBGrid1->setGridReadOnly(false);

    Button4 = button(this, "Button4", QStringLiteral("Button4"));
    Button4->setToolTip(QStringLiteral("载入用户表"));
    Button4->setAccessibleDescription(QStringLiteral("载入用户表"));

    connect(Button1, &QPushButton::clicked, this, guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, guarded([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, guarded([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, guarded([this] { Button4Click(); }));

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Edit3);
    setTabOrder(Edit3, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, XMDBGrid1);
    setTabOrder(XMDBGrid1, Button4);

    // Outer size 695 x 394: the client area without the frame.
    resize(687, 360);
    placeControls();
    Edit1->setFocus();
    centreOnScreen(this);
}

TFormmd5::~TFormmd5()
{
    if (Formmd5 == this)
        Formmd5 = nullptr;
}

void TFormmd5::placeControls()
{
    // Plain text and digest text at the top, the second plain text below,
    // the row of buttons, the grid growing with the window, Button4 under it.
    const int w = width();
    const int h = height();
    const int half = (w - 24) / 2;
    Label1->setGeometry(12, 12, 40, 26);
    Edit1->setGeometry(52, 12, half - 44, 26);
    Label2->setGeometry(half + 20, 12, 40, 26);
    Edit2->setGeometry(half + 60, 12, w - half - 72, 26);
    Edit3->setGeometry(52, 46, half - 44, 26);
    Button1->setGeometry(52, 80, 120, 30);
    Button3->setGeometry(182, 80, 120, 30);
    Button2->setGeometry(312, 80, 140, 30);
    XMDBGrid1->setGeometry(12, 118, w - 24, std::max(60, h - 118 - 48));
    Button4->setGeometry(12, h - 40, 100, 30);
}

void TFormmd5::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

void TFormmd5::Button1Click()
{
    Edit2->setText(md5::DigestHex(md5::TextDigest(Edit1->text())));
}

void TFormmd5::Button2Click()
{
    const md5::Digest second = md5::TextDigest(Edit3->text());
    const md5::Digest first = md5::TextDigest(Edit1->text());
    Messages::show(md5::SameDigest(second, first) ? QStringLiteral("ok") : QStringLiteral("no"));
}

// The stored password of the current user (the empty text without a loaded
// table, a row or a value) against the digest text, exactly; nothing is
// shown when they differ.
void TFormmd5::Button3Click()
{
    XMDBGrid1->commitEdit();
    const Dataset *users = DM->ADOQyhxxb;
    const QString stored = users->active() && !users->isEmpty() ? users->text(QStringLiteral("yhmm")) : QString();
    if (stored == Edit2->text())
        Messages::show(QStringLiteral("okmm"));
}

// Lists every row of yhxxb, the first current. A row changed in the grid is
// stored before, so reloading never drops it; when storing fails the error
// is shown and the grid keeps the row in editing.
void TFormmd5::Button4Click()
{
    storePendingRow();
    Dataset *users = DM->ADOQyhxxb;
    users->close();
    users->open();
    // Columns as wide as their values (a whole digest text), within reason.
    XMDBGrid1->resizeColumnsToContents();
    for (int c = 0; c < XMDBGrid1->model()->columnCount(); ++c)
        XMDBGrid1->setColumnWidth(c, std::min(XMDBGrid1->columnWidth(c), 320));
}

void TFormmd5::storePendingRow()
{
    XMDBGrid1->commitEdit();
    Dataset *users = DM->ADOQyhxxb;
    if (users->state() == Dataset::State::Edit || users->state() == Dataset::State::Insert)
        users->post();
}

void TFormmd5::reject()
{
    if (!runGuarded([this] { storePendingRow(); })) {
        if (!Messages::ask(QStringLiteral("这一行的修改没有存入用户表。放弃修改并关闭窗口吗？")))
            return;
        DM->ADOQyhxxb->cancel();
    }
    QDialog::reject();
}
