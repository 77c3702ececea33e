// The dataset's statement convention (the text, its parameters, running a
// change) and the changes made through an updatable dataset.
#include "data/dataset.h"

#include "data/database.h"
#include "data/datasetsql.h"
#include "data/sqlite.h"

#include <algorithm>
#include <stdexcept>

#include <sqlite3.h>

namespace DatasetSql {

void programmingError(const QString &what)
{
    throw std::logic_error(what.toStdString());
}

QString quoted(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

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

} // namespace DatasetSql

using namespace DatasetSql;

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
    const bool wasActive = (active() && !pending_) || !rows_.isEmpty();
    pending_ = false;
    pendingParams_.clear();
    rows_.clear();
    columns_.clear();
    deferred_.clear();
    keyColumn_ = -1;
    current_ = -1;
    pastEnd_ = false;
    editRow_.clear();
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

namespace DatasetSql {

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

} // namespace DatasetSql

int Dataset::execSql()
{
    close();
    return runStatement(connection_, objectName(), sqlText(), parameterNames(), params_).rowsAffected;
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
    ensureRows();
    if (state_ != State::Browse || current_ < 0)
        return;
    editRow_ = rows_.row(current_);
    editRow_.resize(columns_.size());
    modifiedColumns_.clear();
    setState(State::Edit);
}

void Dataset::append()
{
    requireUpdatable("append");
    ensureRows();
    if (editing())
        post();
    QList<QVariant> row(columns_.size());
    rows_.insertRow(rows_.size(), row);
    editRow_ = row;
    current_ = rowCount() - 1;
    pastEnd_ = false;
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
    editRow_[column] = toDbValue(value);
    modifiedColumns_.insert(column);
    emit rowChanged(current_);
}

void Dataset::post()
{
    if (!editing())
        return;
    const QString key = Schema::table(table_).key();
    const int keyColumn = columnIndex(key);
    QList<int> changed(modifiedColumns_.begin(), modifiedColumns_.end());
    std::sort(changed.begin(), changed.end());
    changed.removeAll(keyColumn);
    QList<QPair<QString, QVariant>> params;
    QList<QVariant> &row = editRow_;
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
            row[keyColumn] = r.lastInsertId;
    }
    // A long value is not held once stored: it is read back when asked for.
    for (int c = 0; c < row.size(); ++c)
        if (deferred_.value(c) && keyColumn_ >= 0)
            row[c] = RowStore::deferred();
    rows_.setRow(current_, row);
    editRow_.clear();
    modifiedColumns_.clear();
    setState(State::Browse);
    emit rowChanged(current_);
}

void Dataset::cancel()
{
    if (state_ == State::Edit) {
        editRow_.clear();
        modifiedColumns_.clear();
        setState(State::Browse);
        emit rowChanged(current_);
    } else if (state_ == State::Insert) {
        const int row = current_;
        rows_.removeRow(row);
        editRow_.clear();
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
    ensureRows();
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
    rows_.removeRow(row);
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
