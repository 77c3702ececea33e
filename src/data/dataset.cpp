#include "data/dataset.h"

#include "data/database.h"
#include "data/sqlite.h"

#include <stdexcept>

#include <sqlite3.h>

namespace {

[[noreturn]] void programmingError(const QString &what)
{
    throw std::logic_error(what.toStdString());
}

// The names after a colon in a statement, in order of first appearance;
// quoted texts are skipped.
QStringList scanParameters(const QString &sql)
{
    QStringList names;
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        if (c != u':' || i + 1 >= sql.size())
            continue;
        if (i > 0 && (sql.at(i - 1) == u':' || sql.at(i - 1).isLetterOrNumber()))
            continue;
        int j = i + 1;
        if (!(sql.at(j).isLetter() || sql.at(j) == u'_'))
            continue;
        while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
            ++j;
        const QString name = sql.mid(i + 1, j - i - 1);
        if (!names.contains(name))
            names << name;
        i = j - 1;
    }
    return names;
}

struct RunResult {
    int rowsAffected = 0;
    qint64 lastInsertId = 0;
};

} // namespace

Dataset::Dataset(DbConnection *connection, const QString &name, QObject *parent)
    : QObject(parent), connection_(connection)
{
    setObjectName(name);
}

void Dataset::setFields(const QString &table, bool updatable)
{
    table_ = table;
    fields_ = Schema::table(table).fields;
    updatable_ = updatable;
}

// --- the statement -----------------------------------------------------------

void Dataset::close()
{
    const bool wasActive = active() || !rows_.isEmpty();
    rows_.clear();
    columns_.clear();
    current_ = -1;
    pastEnd_ = false;
    savedRow_ = PackedRow();
    modifiedColumns_.clear();
    setState(State::Inactive);
    if (wasActive)
        notifyReset();
}

void Dataset::clearSql()
{
    close();
    lines_.clear();
    names_.reset();
    params_.clear();
    prepared_ = false;
}

void Dataset::addSql(const QString &line)
{
    close();
    lines_ << line;
    names_.reset();
}

void Dataset::setSql(const QStringList &lines)
{
    clearSql();
    lines_ = lines;
}

QString Dataset::sqlText() const
{
    return lines_.join(QLatin1Char('\n'));
}

const QStringList &Dataset::parameterNames() const
{
    // Scanned once for a text: a statement bound row after row is not
    // scanned again for every value.
    if (!names_)
        names_ = scanParameters(sqlText());
    return *names_;
}

void Dataset::bind(const QString &name, const QVariant &value)
{
    if (!parameterNames().contains(name))
        programmingError(QStringLiteral("%1: the statement has no parameter :%2").arg(objectName(), name));
    for (auto &p : params_) {
        if (p.first == name) {
            p.second = value;
            return;
        }
    }
    params_.append({name, value});
}

QVariant Dataset::boundValue(const QString &name) const
{
    for (const auto &p : params_)
        if (p.first == name)
            return p.second;
    return {};
}

namespace {

// Prepares `sql` on the connection and binds every parameter `names` holds
// (the names of `sql`); a name left unbound is a programming error.
SqliteStatement prepareStatement(DbConnection *connection, const QString &owner, const QString &sql,
                                 const QStringList &names, const QList<QPair<QString, QVariant>> &params)
{
    SqliteStatement st = connection->database().prepare(sql);
    for (const QString &name : names) {
        auto it = std::find_if(params.begin(), params.end(), [&](const auto &p) { return p.first == name; });
        if (it == params.end())
            programmingError(QStringLiteral("%1: parameter :%2 is not bound").arg(owner, name));
        st.bind(name, toDbValue(it->second));
    }
    return st;
}

RunResult runStatement(DbConnection *connection, const QString &owner, const QString &sql,
                       const QStringList &names, const QList<QPair<QString, QVariant>> &params)
{
    SqliteStatement st = prepareStatement(connection, owner, sql, names, params);
    const int changed = st.run();
    return {changed, connection->database().lastInsertRowId()};
}

} // namespace

// A select reads its whole result when it opens, the first row current.
void Dataset::open()
{
    close();
    SqliteStatement st = prepareStatement(connection_, objectName(), sqlText(), parameterNames(), params_);
    QList<PackedRow> rows;
    const int n = st.columnCount();
    PackedRow::Reader reader(n);
    while (st.step())
        rows.append(reader.read(st));
    QStringList columns;
    for (int i = 0; i < n; ++i)
        columns << st.columnName(i);
    columns_ = columns;
    checkFields();
    rows_ = std::move(rows);
    current_ = rows_.isEmpty() ? -1 : 0;
    setState(State::Browse);
    notifyReset();
}

int Dataset::execSql()
{
    close();
    return runStatement(connection_, objectName(), sqlText(), parameterNames(), params_).rowsAffected;
}

void Dataset::reopen()
{
    close();
    open();
}

void Dataset::checkFields()
{
    for (const FieldDef &f : fields_) {
        if (!columns_.contains(f.name)) {
            columns_.clear();
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
    if (rows_.isEmpty())
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == current_) {
        pastEnd_ = false;
        return;
    }
    if (state_ == State::Edit || state_ == State::Insert)
        post(); // leaving a changed row stores it
    current_ = row;
    pastEnd_ = false;
    if (!controlsDisabled())
        emit currentRowChanged(current_);
}

void Dataset::next()
{
    if (current_ < rowCount() - 1) {
        setCurrentRow(current_ + 1);
    } else {
        if (state_ == State::Edit || state_ == State::Insert)
            post();
        pastEnd_ = true;
    }
}

void Dataset::prior()
{
    if (current_ > 0)
        setCurrentRow(current_ - 1);
}

// --- fields ----------------------------------------------------------------------

int Dataset::columnIndex(const QString &name) const
{
    return int(columns_.indexOf(name));
}

const FieldDef *Dataset::fieldDef(const QString &name) const
{
    for (const FieldDef &f : fields_)
        if (f.name == name)
            return &f;
    return nullptr;
}

QVariant Dataset::value(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columns_.size())
        return {};
    return rows_.at(row).at(column);
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
    const QVariant v = value(row, column);
    if (v.isNull())
        return QString();
    const FieldDef *f = fieldDef(columns_.value(column));
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

// --- changes -------------------------------------------------------------------

void Dataset::requireUpdatable(const char *what) const
{
    if (!updatable_)
        programmingError(QStringLiteral("%1 is not updatable (%2)").arg(objectName(), QLatin1String(what)));
    if (!active())
        programmingError(QStringLiteral("%1 is not open (%2)").arg(objectName(), QLatin1String(what)));
}

void Dataset::edit()
{
    requireUpdatable("edit");
    if (state_ != State::Browse || current_ < 0)
        return;
    savedRow_ = rows_.at(current_);
    modifiedColumns_.clear();
    setState(State::Edit);
}

void Dataset::append()
{
    requireUpdatable("append");
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    rows_.append(PackedRow(QList<QVariant>(columns_.size())));
    current_ = rowCount() - 1;
    pastEnd_ = false;
    savedRow_ = PackedRow();
    modifiedColumns_.clear();
    setState(State::Insert);
    emit rowInserted(current_);
    emit currentRowChanged(current_);
}

void Dataset::setFieldValue(const QString &name, const QVariant &value)
{
    requireUpdatable("setFieldValue");
    const int column = columnIndex(name);
    if (column < 0)
        programmingError(QStringLiteral("%1 has no field %2").arg(objectName(), name));
    if (state_ == State::Browse)
        edit();
    if (current_ < 0)
        return;
    rows_[current_].set(column, toDbValue(value));
    modifiedColumns_.insert(column);
    emit rowChanged(current_);
}

void Dataset::post()
{
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    const QString key = Schema::table(table_).key();
    const int keyColumn = columnIndex(key);
    QList<int> changed(modifiedColumns_.begin(), modifiedColumns_.end());
    std::sort(changed.begin(), changed.end());
    changed.removeAll(keyColumn);
    QList<QPair<QString, QVariant>> params;
    PackedRow &row = rows_[current_];
    for (int c : changed)
        params.append({columns_.at(c), row.at(c)});

    if (state_ == State::Edit) {
        if (!changed.isEmpty()) {
            QStringList sets;
            for (int c : changed)
                sets << QStringLiteral("%1= :%1").arg(columns_.at(c));
            params.append({QStringLiteral("key__"), row.at(keyColumn)});
            const QString sql = QStringLiteral("update %1 set %2 where %3= :key__")
                                    .arg(table_, sets.join(QLatin1Char(',')), key);
            if (runStatement(connection_, objectName(), sql, scanParameters(sql), params).rowsAffected == 0)
                throw DbError(QStringLiteral("记录已不存在,保存失败!"));
        }
    } else {
        QStringList names, holders;
        for (int c : changed) {
            names << columns_.at(c);
            holders << QLatin1Char(':') + columns_.at(c);
        }
        const QString sql = changed.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(table_)
            : QStringLiteral("insert into %1(%2) values (%3)")
                  .arg(table_, names.join(QLatin1Char(',')), holders.join(QLatin1Char(',')));
        const RunResult r = runStatement(connection_, objectName(), sql, scanParameters(sql), params);
        if (keyColumn >= 0)
            row.set(keyColumn, r.lastInsertId);
    }
    savedRow_ = PackedRow();
    modifiedColumns_.clear();
    setState(State::Browse);
    emit rowChanged(current_);
}

void Dataset::cancel()
{
    if (state_ == State::Edit) {
        rows_[current_] = savedRow_;
        savedRow_ = PackedRow();
        modifiedColumns_.clear();
        setState(State::Browse);
        emit rowChanged(current_);
    } else if (state_ == State::Insert) {
        const int row = current_;
        rows_.removeAt(row);
        current_ = std::min(row, rowCount() - 1);
        pastEnd_ = false;
        modifiedColumns_.clear();
        setState(State::Browse);
        emit rowRemoved(row);
        emit currentRowChanged(current_);
    }
}

void Dataset::remove()
{
    requireUpdatable("remove");
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    if (current_ < 0)
        return;
    const QString key = Schema::table(table_).key();
    const QString sql = QStringLiteral("delete from %1 where %2= :key__").arg(table_, key);
    runStatement(connection_, objectName(), sql, scanParameters(sql), {{QStringLiteral("key__"), value(key)}});
    const int row = current_;
    rows_.removeAt(row);
    current_ = std::min(row, rowCount() - 1);
    pastEnd_ = false;
    emit rowRemoved(row);
    emit currentRowChanged(current_);
}

// --- notifications -----------------------------------------------------------

void Dataset::setState(State s)
{
    if (state_ == s)
        return;
    state_ = s;
    emit stateChanged();
}

void Dataset::notifyReset()
{
    if (controlsDisabled()) {
        pendingNotify_ = true;
        return;
    }
    emit reset();
    emit currentRowChanged(current_);
}

void Dataset::disableControls()
{
    ++disabled_;
}

void Dataset::enableControls()
{
    if (disabled_ > 0 && --disabled_ == 0) {
        const bool wasReset = pendingNotify_;
        pendingNotify_ = false;
        if (wasReset)
            emit reset();
        else if (active())
            emit refreshed();
        emit currentRowChanged(current_);
    }
}

DataSource::DataSource(Dataset *dataset, QObject *parent) : QObject(parent), dataset_(dataset)
{
    setObjectName(QStringLiteral("DS_") + dataset->objectName());
}
