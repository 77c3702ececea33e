#include "notes/unitjsfl.h"

#include "data/unitdm.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icons.h"
#include "ui/messages.h"
#include "ui/widgetkit.h"
#include "ui/xmdbgrid.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>

TFormjsfl *Formjsfl = nullptr;

TFormjsfl::TFormjsfl(QWidget *parent) : QDialog(parent)
{
    setUpWindow(this, "Formjsfl", QStringLiteral("记事分类"), Fonts::song(16));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    resize(420, 318);

    const QStyle *st = style();
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("新增"), Icons::newRecord(), QRect(0, 0, 84, 32));
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("保存"), st->standardIcon(QStyle::SP_DialogSaveButton),
                     QRect(0, 0, 84, 32));
    BitBtn3 = button(this, "BitBtn3", QStringLiteral("退出"), Icons::exit(), QRect(0, 0, 84, 32));

    XMDBGrid1 = named(new TXMDBGrid(this), "XMDBGrid1");
    XMDBGrid1->setAccessibleName(QStringLiteral("分类列表"));
    XMDBGrid1->setDataSource(DM->DS_ADOQjsflb);
    // The number column is as wide as the base grid makes a column for a
    // whole number of ten digits; both columns fit without scrolling.
    XMDBGrid1->setColumns({{QStringLiteral("xh"), QStringLiteral("序号"), 84},
                           {QStringLiteral("flmc"), QStringLiteral("分类名称"), 294}});
    XMDBGrid1->setGridReadOnly(false);
    // The grid keeps its place and size; the buttons follow the bottom edge.
    XMDBGrid1->setGeometry(8, 8, 404, 250);

    BitBtn4 = button(this, "BitBtn4", QStringLiteral("删除"), st->standardIcon(QStyle::SP_TrashIcon),
                     QRect(0, 0, 84, 32));

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, XMDBGrid1);
    setTabOrder(XMDBGrid1, BitBtn4);
    BitBtn1->setFocus();
    placeButtons();
}

TFormjsfl::~TFormjsfl()
{
    if (Formjsfl == this)
        Formjsfl = nullptr;
}

void TFormjsfl::placeButtons()
{
    // On screen, left to right: 新增, 保存, 删除, 退出.
    const int y = height() - 48;
    QPushButton *const row[] = {BitBtn1, BitBtn2, BitBtn4, BitBtn3};
    for (int i = 0; i < 4; ++i)
        row[i]->move(20 + i * 100, y);
}

void TFormjsfl::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeButtons();
}

void TFormjsfl::FormCreate()
{
    DM->ADOQjsflb->close();
    DM->ADOQjsflb->open();
}

void TFormjsfl::BitBtn1Click()
{
    XMDBGrid1->commitEdit();
    Dataset *d = DM->ADOQjsflb;
    if (!d->active() || d->isEmpty())
        return;
    d->append();
    XMDBGrid1->setFocus();
}

void TFormjsfl::BitBtn2Click()
{
    XMDBGrid1->commitEdit();
    Dataset *d = DM->ADOQjsflb;
    if (!d->active() || d->isEmpty())
        return;
    if (d->state() == Dataset::State::Browse)
        d->edit();
    d->post();
    Messages::show(QStringLiteral("保存成功!"));
}

void TFormjsfl::BitBtn3Click()
{
    close();
}

void TFormjsfl::BitBtn4Click()
{
    Dataset *d = DM->ADOQjsflb;
    if (!d->active() || d->isEmpty())
        return;
    if (!Messages::ask(QStringLiteral("确定删除吗?")))
        return;
    d->remove();
}

void TFormjsfl::FormClose()
{
    // A row still being entered or changed is dropped with the dataset.
    DM->ADOQjsflb->close();
}

void TFormjsfl::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TFormjsfl::keyPressEvent(QKeyEvent *event)
{
    // Escape drops the change of a row in the grid; it does not close the
    // dialog (closing drops an unstored row).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
