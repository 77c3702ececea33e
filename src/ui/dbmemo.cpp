#include "ui/dbmemo.h"

#include "data/dataset.h"
#include "ui/contenttext.h"

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TDBMemo::setDataSource(DataSource *source, const QString &field)
{
    if (source_)
        disconnect(source_->dataset(), nullptr, this, nullptr);
    source_ = source;
    field_ = field;
    if (Dataset *d = source ? source->dataset() : nullptr) {
        connect(d, &Dataset::currentRowChanged, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::reset, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::refreshed, this, &TDBMemo::loadMemo);
        connect(d, &Dataset::rowChanged, this, &TDBMemo::loadMemo);
    }
    loadMemo();
}

void TDBMemo::loadMemo()
{
    Dataset *d = source_ ? source_->dataset() : nullptr;
    const QString text = d && d->active() && d->currentRow() >= 0 && d->columnIndex(field_) >= 0
        ? d->text(field_) : QString();
    const QString shown = ContentText::toBoxText(text);
    if (shown != toPlainText())
        setPlainText(shown);
}
