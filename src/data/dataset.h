// One dataset of the data module: a statement built by the one convention
// (close, set the lines, bind by name, prepare, open or execute), its result
// read into memory when it opens, the current row that bound grids and memo
// boxes follow, and edit/append/post/delete for the updatable ones.
//
// What it costs follows what is shown. The short columns of every row are
// read when it opens, packed; a long column (a note's or memo's content, a
// picture) is read from its table by the row's key when something asks for
// it, so it is the stored value at that moment. A reopen that no shown
// control waits for is only noted, and runs when the dataset is next read.
#pragma once

#include "data/rowstore.h"
#include "data/schema.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <optional>

class DbConnection;

// A control that shows a dataset (a grid, a memo box): while one of its
// viewers is shown, a reopen runs at once.
class DatasetViewer {
public:
    virtual bool showsDataset() const = 0;

protected:
    ~DatasetViewer() = default;
};

class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Dataset(DbConnection *connection, const QString &name, QObject *parent = nullptr);

    // Persistent fields: the columns of `table` that the dataset must find
    // when it opens; `updatable` lets edit/append/post/delete write to it.
    void setFields(const QString &table, bool updatable = false);
    const QList<FieldDef> &fields() const { return fields_; }
    QString table() const { return table_; }
    bool updatable() const { return updatable_; }

    // --- the statement ---------------------------------------------------
    void close();
    void clearSql();                       // closes as well
    void addSql(const QString &line);
    // The statement convention in one call: close, clear the text and add
    // every line.
    void setSql(const QStringList &lines);
    QStringList sql() const { return lines_; }
    QString sqlText() const;               // the lines joined by line breaks
    // Binds a parameter named in the text; a name the text does not hold is
    // a programming error (std::logic_error).
    void bind(const QString &name, const QVariant &value);
    QVariant boundValue(const QString &name) const;
    void setPrepared(bool prepared) { prepared_ = prepared; }
    bool prepared() const { return prepared_; }

    void open();        // a select: reads the result, first row current
    int execSql();      // insert, update, delete: returns the rows affected
    // Closes and opens the same text with the same values. While no viewer
    // is shown, the statement is only checked (it must prepare and hold
    // the fields) and the values noted; it runs with those values when the
    // dataset is next read (its rows, a value, a move, a control bound to
    // it or shown), so no reader sees rows older than the reopen.
    void reopen();
    bool pending() const { return pending_; }
    // Runs a noted reopen now (nothing when none is noted).
    void realize();

    // The controls showing the dataset (see DatasetViewer).
    void addViewer(DatasetViewer *viewer);
    void removeViewer(DatasetViewer *viewer);
    bool shown() const;

    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }

    // --- navigation --------------------------------------------------------
    int rowCount() const { ensureRows(); return rows_.size(); }
    bool isEmpty() const { return rowCount() == 0; }
    int currentRow() const { ensureRows(); return current_; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void last() { setCurrentRow(rowCount() - 1); }
    void next();
    void prior();
    // The end test: true for an empty result and once next() was called on
    // the last row, so `while (!eof()) { read; next(); }` reads every row.
    // Any other move clears it.
    bool eof() const { return isEmpty() || pastEnd_; }

    // --- fields ------------------------------------------------------------
    QStringList columns() const { ensureRows(); return columns_; }
    int columnIndex(const QString &name) const; // -1 when absent
    const FieldDef *fieldDef(const QString &name) const;
    // The stored value (a long column read from its table now; the empty
    // value when its row is gone). Throws DbError when it cannot be read.
    QVariant value(int row, int column) const;
    QVariant value(const QString &name) const; // current row; raw stored value
    // Whether a column is read on demand rather than held.
    bool isDeferred(int column) const;
    bool isNull(const QString &name) const;
    QString text(const QString &name) const;    // null reads as empty text
    qint64 integer(const QString &name) const;  // null reads as 0
    bool boolean(const QString &name) const;    // null reads as false
    QDateTime dateTime(const QString &name) const; // null reads as no date
    QDate date(const QString &name) const { return dateTime(name).date(); }
    QByteArray bytes(const QString &name) const;
    QString displayText(int row, int column) const;

    // The memory the rows of the open result take.
    size_t memoryBytes() const { return rows_.memoryBytes(); }

    // --- changes through the dataset (updatable datasets only) -----------
    void edit();
    void append();
    void setFieldValue(const QString &name, const QVariant &value);
    bool modified() const { return !modifiedColumns_.isEmpty(); }
    void post();   // writes the row at once; stays in editing when it fails
    void cancel(); // drops the change (an appended row goes away)
    void remove(); // deletes the current row from the table at once

    // Suspends the notifications to bound controls; the last resume tells
    // them once that the data changed.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

signals:
    void reset();                  // opened, closed or reopened
    void refreshed();              // values may have changed everywhere
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentRowChanged(int row);
    void stateChanged();

private:
    struct Select;
    const QStringList &parameterNames() const;
    Select prepareSelect(const QList<QPair<QString, QVariant>> &params) const;
    void run(const QList<QPair<QString, QVariant>> &params);
    void checkFields(const QStringList &columns) const;
    void ensureRows() const;
    QVariant readDeferred(const QVariant &key, int column, bool typeOnly) const;
    QVariant keyOf(int row) const;
    bool editing() const { return state_ == State::Edit || state_ == State::Insert; }
    void requireUpdatable(const char *what) const;
    void setState(State s);
    void notifyReset();

    DbConnection *connection_;
    QString table_;
    QList<FieldDef> fields_;
    bool updatable_ = false;

    QStringList lines_;
    mutable std::optional<QStringList> names_; // the parameters of lines_, once scanned
    QList<QPair<QString, QVariant>> params_;
    bool prepared_ = false;

    QStringList columns_;
    QList<bool> deferred_;             // per column: read on demand
    int keyColumn_ = -1;
    RowStore rows_;
    int current_ = -1;
    bool pastEnd_ = false;
    State state_ = State::Inactive;
    QList<QVariant> editRow_;          // the row in editing, as changed so far
    QSet<int> modifiedColumns_;
    int disabled_ = 0;
    bool pendingNotify_ = false;

    bool pending_ = false;             // a reopen is noted
    QList<QPair<QString, QVariant>> pendingParams_;
    QList<DatasetViewer *> viewers_;
};

// `DS_` + query name: what a grid or memo box is bound to.
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(Dataset *dataset, QObject *parent = nullptr);
    Dataset *dataset() const { return dataset_; }

private:
    Dataset *dataset_;
};
