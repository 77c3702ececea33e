// Reading a dataset's result: opening (the short columns of every row, the
// long ones left to be read by key), a reopen noted until it is read,
// moving between rows and reading the fields.
#include "data/dataset.h"

#include "data/database.h"
#include "data/datasetsql.h"
#include "data/sqlite.h"

#include <algorithm>

#include <sqlite3.h>

using namespace DatasetSql;

// --- opening -------------------------------------------------------------------

// A select as it runs: the statement prepared with its values bound, the
// dataset's columns, and for each column the statement's column that holds
// it (-1 for a long column read on demand).
struct Dataset::Select {
    SqliteStatement statement;
    QStringList columns;
    std::vector<int> source;
    int keyColumn = -1;
};

// Prepares the statement. When its result holds long columns of the
// dataset's table together with the table's key, it runs wrapped in a
// select of the other columns; SQLite flattens the wrapper into the
// statement, so the long values are never read (a condition on one is
// still tested). Any statement the wrapper does not suit runs as it is.
Dataset::Select Dataset::prepareSelect(const QList<QPair<QString, QVariant>> &params) const
{
    const QString sql = sqlText();
    SqliteStatement plain = prepareStatement(connection_, objectName(), sql, parameterNames(), params);
    QStringList columns;
    const int n = plain.columnCount();
    for (int i = 0; i < n; ++i)
        columns << plain.columnName(i);
    checkFields(columns);

    const QString key = table_.isEmpty() ? QString() : Schema::table(table_).key();
    QList<int> longColumns;
    int keyColumn = -1;
    bool unique = true;
    for (int i = 0; i < n; ++i) {
        const QString &name = columns.at(i);
        if (columns.indexOf(name) != i)
            unique = false;
        // Only a column taken straight from the table can be read again
        // from it by the key.
        const bool fromTable = plain.columnTable(i) == table_ && plain.columnOrigin(i) == name;
        if (!fromTable)
            continue;
        if (name == key)
            keyColumn = i;
        const FieldDef *f = fieldDef(name);
        if (f && (f->kind == FieldKind::Memo || f->kind == FieldKind::Blob))
            longColumns << i;
    }
    Select plainSelect{std::move(plain), columns, {}, keyColumn};
    for (int i = 0; i < n; ++i)
        plainSelect.source.push_back(i);
    if (longColumns.isEmpty() || keyColumn < 0 || !unique)
        return plainSelect;

    QStringList shortColumns;
    std::vector<int> source;
    for (int i = 0; i < n; ++i) {
        if (longColumns.contains(i)) {
            source.push_back(-1);
        } else {
            source.push_back(int(shortColumns.size()));
            shortColumns << quoted(columns.at(i));
        }
    }
    // The statement's own text stays whole inside the wrapper; the line
    // break keeps a closing comment from swallowing the parenthesis.
    const QString wrapped = QStringLiteral("select %1 from (\n%2\n)").arg(shortColumns.join(QLatin1Char(',')), sql);
    try {
        SqliteStatement st = prepareStatement(connection_, objectName(), wrapped, parameterNames(), params);
        return {std::move(st), columns, std::move(source), keyColumn};
    } catch (const DbError &) {
        return plainSelect;
    }
}

// Runs the statement with `params` and takes its result, first row current.
void Dataset::run(const QList<QPair<QString, QVariant>> &params)
{
    Select select = prepareSelect(params);
    RowStore rows;
    while (select.statement.step())
        rows.appendFrom(select.statement.handle(), select.source);
    columns_ = select.columns;
    deferred_.clear();
    for (int s : select.source)
        deferred_ << (s < 0);
    keyColumn_ = select.keyColumn;
    rows_ = std::move(rows);
    current_ = rows_.isEmpty() ? -1 : 0;
    pastEnd_ = false;
    setState(State::Browse);
    notifyReset();
}

void Dataset::open()
{
    close();
    run(params_);
}

void Dataset::reopen()
{
    close();
    if (shown()) {
        run(params_);
        return;
    }
    // Nobody waits for the rows: the statement is checked now, so a text
    // that cannot run fails here, and runs when it is read.
    prepareSelect(params_);
    pendingParams_ = params_;
    pending_ = true;
    setState(State::Browse);
}

void Dataset::realize()
{
    if (!pending_)
        return;
    pending_ = false;
    const QList<QPair<QString, QVariant>> params = std::move(pendingParams_);
    pendingParams_.clear();
    try {
        run(params);
    } catch (...) {
        close();
        throw;
    }
}

void Dataset::ensureRows() const
{
    if (pending_)
        const_cast<Dataset *>(this)->realize();
}

void Dataset::addViewer(DatasetViewer *viewer)
{
    if (!viewers_.contains(viewer))
        viewers_.append(viewer);
}

void Dataset::removeViewer(DatasetViewer *viewer)
{
    viewers_.removeAll(viewer);
}

bool Dataset::shown() const
{
    return std::any_of(viewers_.begin(), viewers_.end(), [](const DatasetViewer *v) { return v->showsDataset(); });
}

void Dataset::checkFields(const QStringList &columns) const
{
    for (const FieldDef &f : fields_) {
        if (!columns.contains(f.name)) {
            // Said as SQLite says it of a statement, so the user reads the
            // same meaning: the file is not a notebook of this program.
            const QString message = QStringLiteral("table %1 has no column named %2").arg(table_, f.name);
            throw DbError::fromSqlite(connection_->dataSource(), message, SQLITE_ERROR);
        }
    }
}

// --- navigation ----------------------------------------------------------------

void Dataset::setCurrentRow(int row)
{
    if (isEmpty())
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == current_) {
        pastEnd_ = false;
        return;
    }
    if (editing())
        post(); // leaving a changed row stores it
    current_ = row;
    pastEnd_ = false;
    if (!controlsDisabled())
        emit currentRowChanged(current_);
}

void Dataset::next()
{
    if (currentRow() < rowCount() - 1) {
        setCurrentRow(current_ + 1);
    } else {
        if (editing())
            post();
        pastEnd_ = true;
    }
}

void Dataset::prior()
{
    if (currentRow() > 0)
        setCurrentRow(current_ - 1);
}

// --- fields ----------------------------------------------------------------------

int Dataset::columnIndex(const QString &name) const
{
    ensureRows();
    return int(columns_.indexOf(name));
}

const FieldDef *Dataset::fieldDef(const QString &name) const
{
    for (const FieldDef &f : fields_)
        if (f.name == name)
            return &f;
    return nullptr;
}

bool Dataset::isDeferred(int column) const
{
    ensureRows();
    return column >= 0 && column < deferred_.size() && deferred_.at(column);
}

QVariant Dataset::keyOf(int row) const
{
    if (keyColumn_ < 0)
        return {};
    if (row == current_ && editing())
        return editRow_.value(keyColumn_);
    return rows_.value(row, keyColumn_);
}

// A long column of the row with `key`, read from the table now: its value,
// or with `typeOnly` a null for null and a non-null marker otherwise (the
// value is not read). A row that is gone gives the empty value.
QVariant Dataset::readDeferred(const QVariant &key, int column, bool typeOnly) const
{
    if (key.isNull())
        return {};
    const QString name = quoted(columns_.at(column));
    const QString sql = QStringLiteral("select %1 from %2 where %3 = ?")
                            .arg(typeOnly ? QStringLiteral("typeof(%1)").arg(name) : name, quoted(table_),
                                 quoted(columns_.at(keyColumn_)));
    SqliteStatement st = connection_->database().prepare(sql);
    st.bind(1, key);
    if (!st.step())
        return {};
    if (typeOnly)
        return st.text(0) == QLatin1String("null") ? QVariant() : QVariant(true);
    return st.value(0);
}

QVariant Dataset::value(int row, int column) const
{
    ensureRows();
    if (row < 0 || row >= rowCount() || column < 0 || column >= columns_.size())
        return {};
    const QVariant v = row == current_ && editing() ? editRow_.value(column) : rows_.value(row, column);
    if (RowStore::isDeferred(v))
        return readDeferred(keyOf(row), column, false);
    return v;
}

QVariant Dataset::value(const QString &name) const
{
    const int column = columnIndex(name);
    if (column < 0 && active())
        programmingError(QStringLiteral("%1 has no field %2").arg(objectName(), name));
    return value(current_, column);
}

bool Dataset::isNull(const QString &name) const
{
    const int column = columnIndex(name);
    if (column >= 0 && current_ >= 0 && isDeferred(column)) {
        const QVariant v = editing() ? editRow_.value(column) : RowStore::deferred();
        if (RowStore::isDeferred(v))
            return readDeferred(keyOf(current_), column, true).isNull();
        return v.isNull();
    }
    return value(name).isNull();
}

QString Dataset::text(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? QString(QLatin1String("")) : v.toString();
}

qint64 Dataset::integer(const QString &name) const
{
    return value(name).toLongLong();
}

bool Dataset::boolean(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString)
        return v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || v.toString().toLongLong() != 0;
    return v.toLongLong() != 0;
}

QDateTime Dataset::dateTime(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return {};
    return DbDateTime::parse(v.toString());
}

QByteArray Dataset::bytes(const QString &name) const
{
    return value(name).toByteArray();
}

QString Dataset::displayText(int row, int column) const
{
    ensureRows();
    const FieldDef *f = fieldDef(columns_.value(column));
    // A picture shows as a word: only whether it is there is read.
    if (f && f->kind == FieldKind::Blob && isDeferred(column) && !(row == current_ && editing())) {
        if (row < 0 || row >= rowCount())
            return QString();
        return readDeferred(keyOf(row), column, true).isNull() ? QString() : QStringLiteral("(图片)");
    }
    const QVariant v = value(row, column);
    if (v.isNull())
        return QString();
    if (!f)
        return v.toString();
    switch (f->kind) {
    case FieldKind::DateTime: {
        const QDateTime dt = DbDateTime::parse(v.toString());
        return f->displayFormat.isEmpty() ? DbDateTime::display(dt) : dt.toString(f->displayFormat);
    }
    case FieldKind::Bool:
        return v.toLongLong() != 0 ? QStringLiteral("是") : QStringLiteral("否");
    case FieldKind::Blob:
        return QStringLiteral("(图片)");
    default:
        return v.toString();
    }
}
