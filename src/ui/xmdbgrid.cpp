#include "ui/xmdbgrid.h"

#include "data/database.h"
#include "data/dataset.h"
#include "ui/guard.h"
#include "ui/messages.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

// --- model -------------------------------------------------------------------

DatasetModel::DatasetModel(QObject *parent) : QAbstractTableModel(parent) {}

void DatasetModel::setDataset(Dataset *dataset)
{
    if (dataset_)
        disconnect(dataset_, nullptr, this, nullptr);
    dataset_ = dataset;
    if (dataset_) {
        connect(dataset_, &Dataset::reset, this, &DatasetModel::resetFromDataset);
        connect(dataset_, &Dataset::refreshed, this, [this] {
            if (rows_ > 0 && columnCount() > 0)
                emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
            emit headerDataChanged(Qt::Vertical, 0, std::max(0, rows_ - 1));
        });
        connect(dataset_, &Dataset::rowChanged, this, [this](int row) {
            if (row >= 0 && row < rows_ && columnCount() > 0)
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
        connect(dataset_, &Dataset::rowInserted, this, [this](int row) {
            beginInsertRows({}, row, row);
            rows_ = dataset_->rowCount();
            endInsertRows();
        });
        connect(dataset_, &Dataset::rowRemoved, this, [this](int row) {
            beginRemoveRows({}, row, row);
            rows_ = dataset_->rowCount();
            endRemoveRows();
        });
        connect(dataset_, &Dataset::currentRowChanged, this, [this](int row) {
            const int old = current_;
            current_ = row;
            if (old >= 0 && old < rows_)
                emit headerDataChanged(Qt::Vertical, old, old);
            if (row >= 0 && row < rows_)
                emit headerDataChanged(Qt::Vertical, row, row);
        });
    }
    resetFromDataset();
}

void DatasetModel::setColumns(const QList<GridColumn> &columns)
{
    columns_ = columns;
    resetFromDataset();
}

QList<GridColumn> DatasetModel::effectiveColumns() const
{
    if (!columns_.isEmpty() || !dataset_)
        return columns_;
    QList<GridColumn> all;
    if (!dataset_->fields().isEmpty()) {
        for (const FieldDef &f : dataset_->fields())
            all.append({f.name, f.name});
    } else {
        for (const QString &c : dataset_->columns())
            all.append({c, c});
    }
    return all;
}

void DatasetModel::resetFromDataset()
{
    // A noted reopen runs before the rows are counted; its own reset has
    // then brought this model up to date already.
    if (dataset_ && dataset_->pending())
        runGuarded([this] { dataset_->realize(); });
    beginResetModel();
    shown_ = effectiveColumns();
    mapped_.clear();
    for (const GridColumn &c : shown_)
        mapped_.append(dataset_ ? dataset_->columnIndex(c.field) : -1);
    rows_ = dataset_ ? dataset_->rowCount() : 0;
    current_ = dataset_ ? dataset_->currentRow() : -1;
    endResetModel();
}

int DatasetModel::datasetColumn(int column) const
{
    return column >= 0 && column < mapped_.size() ? mapped_.at(column) : -1;
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown_.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    // Nothing is run while the grid paints: a noted reopen runs when the
    // grid is shown or bound.
    if (!dataset_ || !index.isValid() || dataset_->pending())
        return {};
    const int column = datasetColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // A long column read while painting that cannot be read shows
        // empty; the error is for the action that reads it.
        try {
            if (role == Qt::DisplayRole)
                return dataset_->displayText(index.row(), column);
            const QVariant v = dataset_->value(index.row(), column);
            return v.isNull() ? QString() : v.toString();
        } catch (const DbError &) {
            return QString();
        }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(shown_.at(index.column()).alignment);
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section < shown_.size())
            return shown_.at(section).title;
        if (role == Qt::TextAlignmentRole)
            return int(section < shown_.size() ? shown_.at(section).titleAlignment
                                               : Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    // The indicator column marks the current record (and one being entered).
    if (role == Qt::DisplayRole && dataset_ && section == current_) {
        switch (dataset_->state()) {
        case Dataset::State::Insert: return QStringLiteral("*");
        case Dataset::State::Edit: return QStringLiteral("I");
        default: return QStringLiteral("▶");
        }
    }
    return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!editable_ || !dataset_)
        return f;
    const FieldDef *def = dataset_->fieldDef(shown_.value(index.column()).field);
    if (def && def->kind != FieldKind::AutoNumber && def->kind != FieldKind::Blob)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !dataset_ || !editable_)
        return false;
    const QString field = shown_.value(index.column()).field;
    const FieldDef *def = dataset_->fieldDef(field);
    const QString text = value.toString();
    if (dataset_->currentRow() != index.row())
        return false;
    if (text == data(index, Qt::EditRole).toString())
        return true;
    QVariant stored = text;
    if (def && def->kind == FieldKind::Integer) {
        bool ok = true;
        const QString trimmed = text.trimmed();
        stored = trimmed.isEmpty() ? QVariant() : QVariant(trimmed.toInt(&ok));
        if (!ok) {
            Messages::error(QStringLiteral("“%1”不是有效的整数!").arg(text));
            return false;
        }
    }
    dataset_->setFieldValue(field, stored);
    return true;
}

void DatasetModel::revert()
{
    // Escape while a cell is typed: the change of the row is dropped.
    if (dataset_ && (dataset_->state() == Dataset::State::Edit || dataset_->state() == Dataset::State::Insert))
        dataset_->cancel();
}

// --- grid ----------------------------------------------------------------------

namespace {

// The grid's headers, set up as a table view sets up its own, except that a
// section is sized in the header's own font. Qt's header sizes every
// section in bold, for the bold look of a highlighted one; the titles are
// never highlighted and the row marker column has a fixed width, so that
// would only load a bold face for nothing (a hidden grid made at start-up
// paid for it).
class GridHeader : public QHeaderView {
public:
    GridHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
    {
        setSectionsClickable(true);
        setHighlightSections(true);
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QAbstractItemModel *m = model();
        if (!m)
            return QHeaderView::sectionSizeFromContents(logicalIndex);
        ensurePolished();
        const QVariant hint = m->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
        if (hint.isValid())
            return qvariant_cast<QSize>(hint);
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.section = logicalIndex;
        opt.fontMetrics = fontMetrics();
        opt.text = m->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    }
};

} // namespace

class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(TXMDBGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        grid_->editor_ = editor;
        return editor;
    }

private:
    TXMDBGrid *grid_;
};

TXMDBGrid::TXMDBGrid(QWidget *parent) : QTableView(parent), model_(new DatasetModel(this))
{
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setAccessibleName(QStringLiteral("记录列表"));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setGridReadOnly(true);
}

Dataset *TXMDBGrid::dataset() const
{
    return source_ ? source_->dataset() : nullptr;
}

void TXMDBGrid::setDataSource(DataSource *source)
{
    if (Dataset *old = dataset())
        disconnect(old, nullptr, this, nullptr);
    source_ = source;
    viewer_.follow(dataset());
    model_->setDataset(dataset());
    if (Dataset *d = dataset()) {
        connect(d, &Dataset::currentRowChanged, this, &TXMDBGrid::followDataset);
        connect(d, &Dataset::reset, this, &TXMDBGrid::applyColumnLayout);
        followDataset(d->currentRow());
    }
    applyColumnLayout();
}

void TXMDBGrid::setColumns(const QList<GridColumn> &columns)
{
    model_->setColumns(columns);
    applyColumnLayout();
    if (Dataset *d = dataset())
        followDataset(d->currentRow());
}

void TXMDBGrid::applyColumnLayout()
{
    const QList<GridColumn> &columns = model_->columns();
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).width > 0)
            setColumnWidth(i, columns.at(i).width);
}

void TXMDBGrid::setGridReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    model_->setEditable(!readOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(readOnly ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                   | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
}

void TXMDBGrid::followDataset(int row)
{
    if (syncing_)
        return;
    syncing_ = true;
    const int column = std::max(0, currentIndex().column());
    if (row >= 0 && row < model_->rowCount()) {
        const QModelIndex index = model_->index(row, column);
        setCurrentIndex(index);
        scrollTo(index);
    } else {
        setCurrentIndex({});
    }
    syncing_ = false;
}

void TXMDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    Dataset *d = dataset();
    if (syncing_ || !d || !current.isValid() || current.row() == d->currentRow())
        return;
    // Moving to another record stores a changed one; when that fails the
    // grid stays on the record in editing.
    syncing_ = true;
    const bool moved = runGuarded([&] { d->setCurrentRow(current.row()); });
    syncing_ = false;
    if (!moved) {
        followDataset(d->currentRow());
        // The view highlights the cell it moved to only after this returns;
        // the highlight goes back to the current cell once that is done.
        QMetaObject::invokeMethod(this, [this] {
            if (currentIndex().isValid())
                selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect
                                                             | (readOnly_ ? QItemSelectionModel::Rows
                                                                          : QItemSelectionModel::NoUpdate));
        }, Qt::QueuedConnection);
    }
}

void TXMDBGrid::commitEdit()
{
    if (editor_) {
        QWidget *editor = editor_;
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TXMDBGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == editor_)
        editor_ = nullptr;
    QTableView::closeEditor(editor, hint);
}

void TXMDBGrid::postArrowKey(bool down)
{
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier));
}

void TXMDBGrid::stepByWheel(bool down)
{
    Dataset *d = dataset();
    if (d)
        d->disableControls();
    postArrowKey(down);
    if (d)
        d->enableControls();
}

void TXMDBGrid::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    viewer_.controlShown();
}

void TXMDBGrid::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        // Not a turn of the wheel: a sideways tilt or swipe, or the start
        // or end of a touchpad gesture. The grid only scrolls.
        QTableView::wheelEvent(event);
        return;
    }
    const QPoint pos = event->globalPosition().toPoint();
    const Qt::KeyboardModifiers shift = event->modifiers();
    bool handled = false;
    if (delta > 0)
        emit onMouseWheelUp(shift, pos, &handled);
    else
        emit onMouseWheelDown(shift, pos, &handled);
    emit onMouseWheel(shift, delta, pos, &handled);
    if (handled) {
        event->accept();
        return;
    }
    // The grid's own handling scrolls the view and leaves the current record.
    QTableView::wheelEvent(event);
}

void TXMDBGrid::keyPressEvent(QKeyEvent *event)
{
    Dataset *d = dataset();
    if (!readOnly_ && d && d->active()) {
        if (event->key() == Qt::Key_Escape
            && (d->state() == Dataset::State::Edit || d->state() == Dataset::State::Insert)) {
            d->cancel();
            event->accept();
            return;
        }
        // Typing into an empty list starts its first record.
        if (d->isEmpty() && !event->text().isEmpty() && event->text().at(0).isPrint()) {
            runGuarded([&] { d->append(); });
            if (!d->isEmpty()) {
                int column = 0;
                while (column < model_->columnCount()
                       && !(model_->flags(model_->index(0, column)) & Qt::ItemIsEditable))
                    ++column;
                const QModelIndex index = model_->index(0, std::min(column, model_->columnCount() - 1));
                setCurrentIndex(index);
                // The view hands the key on to the editor it opens.
                edit(index, QAbstractItemView::AnyKeyPressed, event);
            }
            return;
        }
    }
    if (readOnly_ && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && d) {
        // Arrow keys move the current record; at either end nothing moves
        // and no empty record is added.
        if (event->key() == Qt::Key_Down)
            runGuarded([&] { d->next(); });
        else
            runGuarded([&] { d->prior(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TXMDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

void TXMDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit cellClick();
}
