// The record grid: one row per record of a dataset, the dataset's current
// record highlighted and followed both ways, and three wheel events that the
// search windows use to step one record per wheel message.
#pragma once

#include "data/dataset.h"
#include "ui/viewerlink.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>


struct GridColumn {
    QString field;
    QString title;
    int width = -1; // -1: the default width
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // the cells
    Qt::Alignment titleAlignment = Qt::AlignCenter;
};

// The dataset seen as a table model: configured columns, or every field in
// dataset order.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetModel(QObject *parent = nullptr);
    void setDataset(Dataset *dataset);
    Dataset *dataset() const { return dataset_; }
    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return columns_; }
    void setEditable(bool editable) { editable_ = editable; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    void revert() override;

private:
    QList<GridColumn> effectiveColumns() const;
    int datasetColumn(int column) const;
    void resetFromDataset();

    Dataset *dataset_ = nullptr;
    QList<GridColumn> columns_;
    QList<GridColumn> shown_;
    QList<int> mapped_;
    int rows_ = 0;
    int current_ = -1;
    bool editable_ = false;
};

class TXMDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TXMDBGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return source_; }
    Dataset *dataset() const;
    void setColumns(const QList<GridColumn> &columns);
    void setGridReadOnly(bool readOnly);
    bool gridReadOnly() const { return readOnly_; }

    // Writes a cell being typed into its row, so a command that stores the
    // row stores what the user sees.
    void commitEdit();

    // Posts an arrow key to the grid itself, as the search windows' wheel
    // handlers do: the current record moves by one once the key arrives.
    void postArrowKey(bool down);
    // What the search windows do on a wheel message: the dataset's bound
    // controls are held while the arrow key is posted, then told once that
    // the data changed; the key moves the current record by one.
    void stepByWheel(bool down);

signals:
    // `handled` starts false; a handler that sets it stops the grid's own
    // wheel handling.
    void onMouseWheel(Qt::KeyboardModifiers shift, int wheelDelta, QPoint mousePos, bool *handled);
    void onMouseWheelUp(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
    void onMouseWheelDown(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
    void dblClick();
    void cellClick();

protected:
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void followDataset(int row);
    void applyColumnLayout();

    DatasetModel *model_;
    QPointer<DataSource> source_;
    ViewerLink viewer_{this};
    bool readOnly_ = true;
    bool syncing_ = false;
    QPointer<QWidget> editor_;
    friend class GridDelegate;
};
