#include "ui/dbmemo.h"

#include "data/dataset.h"
#include "ui/contenttext.h"
#include "ui/guard.h"

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TDBMemo::setDataSource(DataSource *source, const QString &field)
{
    if (Dataset *old = source_ ? source_->dataset() : nullptr)
        disconnect(old, nullptr, this, nullptr);
    source_ = source;
    field_ = field;
    viewer_.follow(source ? source->dataset() : nullptr);
    if (Dataset *d = source ? source->dataset() : nullptr) {
        connect(d, &Dataset::currentRowChanged, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::reset, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::refreshed, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::rowChanged, this, &TDBMemo::loadMemo);
    }
    loadMemo();
}

void TDBMemo::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    viewer_.controlShown();
}

void TDBMemo::loadMemo()
{
    Dataset *d = source_ ? source_->dataset() : nullptr;
    QString text;
    if (d && d->active()) {
        runGuarded([&] {
            if (d->currentRow() >= 0 && d->columnIndex(field_) >= 0)
                text = d->text(field_);
        });
    }
    const QString shown = ContentText::toBoxText(text);
    if (shown != toPlainText())
        setPlainText(shown);
}
