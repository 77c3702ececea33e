// The conversion of an Access notebook: every table checked before anything
// is written, then each table streamed row by row into the new database in a
// transaction of its own, the record counters checked against the
// identifiers in use, and the file renamed into place at the very end.
#include "formats/accessconvert.h"

#include "data/database.h"
#include "data/recordkinds.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "formats/accessfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <sqlite3.h>

namespace AccessConvert {

namespace {

using ColumnType = AccessColumn::Type;

// How often the progress is reported within a table, in rows.
constexpr qint64 kProgressStep = 16;

bool fits(FieldKind kind, ColumnType type)
{
    switch (kind) {
    case FieldKind::AutoNumber:
    case FieldKind::Integer:
        return type == ColumnType::Byte || type == ColumnType::Integer || type == ColumnType::LongInteger;
    case FieldKind::Text:
    case FieldKind::Memo:
        return type == ColumnType::Text || type == ColumnType::Memo;
    case FieldKind::DateTime:
        return type == ColumnType::DateTime;
    case FieldKind::Bool:
        return type == ColumnType::Bool;
    case FieldKind::Blob:
        return type == ColumnType::LongBinary || type == ColumnType::Binary;
    }
    return false;
}

QString kindName(FieldKind kind)
{
    switch (kind) {
    case FieldKind::AutoNumber: return QStringLiteral("自动编号");
    case FieldKind::Integer: return QStringLiteral("整数");
    case FieldKind::Text: return QStringLiteral("文本");
    case FieldKind::Memo: return QStringLiteral("备注");
    case FieldKind::DateTime: return QStringLiteral("日期/时间");
    case FieldKind::Bool: return QStringLiteral("是/否");
    case FieldKind::Blob: return QStringLiteral("图片数据");
    }
    return QString();
}

// Where each column of a table of ours comes from in the Access table, and
// which of its columns nobody reads.
struct TablePlan {
    const TableDef *def = nullptr;
    QList<int> source;
    QStringList extraColumns;
};

TablePlan planTable(AccessFile &access, const TableDef &def)
{
    if (!access.hasTable(def.name))
        throw DbError(QStringLiteral("它不是本程序旧版本的记事本:没有表 %1").arg(def.name));
    const std::unique_ptr<AccessTable> table = access.table(def.name);
    TablePlan plan;
    plan.def = &def;
    for (const FieldDef &field : def.fields) {
        const int index = table->columnIndex(field.name);
        if (index < 0)
            throw DbError(QStringLiteral("它不是本程序旧版本的记事本:表 %1 没有 %2 列").arg(def.name, field.name));
        const AccessColumn &column = table->columns().at(index);
        if (!fits(field.kind, column.type))
            throw DbError(QStringLiteral("表 %1 中 %2 列是%3类型,不能转换为%4")
                              .arg(def.name, field.name, column.typeName(), kindName(field.kind)));
        plan.source << index;
    }
    for (int i = 0; i < table->columns().size(); ++i)
        if (!plan.source.contains(i))
            plan.extraColumns << table->columns().at(i).name;
    return plan;
}

// Characters as SQLite's length() counts them, which the width checks use.
qsizetype characters(const QString &s)
{
    qsizetype n = 0;
    for (const QChar c : s)
        n += c.isLowSurrogate() ? 0 : 1;
    return n;
}

TableSummary convertTable(AccessFile &access, SqliteDb &db, const TablePlan &plan, const Progress &progress)
{
    const TableDef &def = *plan.def;
    QElapsedTimer timer;
    timer.start();
    TableSummary summary;
    summary.table = def.name;
    if (!plan.extraColumns.isEmpty())
        summary.notes << QStringLiteral("忽略了旧文件中多余的列:%1").arg(plan.extraColumns.join(QStringLiteral("、")));

    const std::unique_ptr<AccessTable> table = access.table(def.name);
    table->setWantedColumns(plan.source);
    table->setKeyColumn(plan.source.first());
    const qint64 total = table->declaredRowCount();
    auto report = [&](qint64 done) {
        if (progress && !progress(def.name, done, total))
            throw DbError(QStringLiteral("转换已取消"));
    };

    QStringList names, holders;
    for (const FieldDef &field : def.fields) {
        names << field.name;
        holders << QStringLiteral("?");
    }
    SqliteStatement insert = db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                            .arg(def.name, names.join(QLatin1Char(',')), holders.join(QLatin1Char(','))));
    Transaction transaction(db);
    report(0);
    while (table->next()) {
        for (int i = 0; i < def.fields.size(); ++i) {
            const FieldDef &field = def.fields.at(i);
            QVariant value = table->value(plan.source.at(i));
            switch (field.kind) {
            case FieldKind::AutoNumber:
                if (value.isNull())
                    throw DbError(QStringLiteral("文件已损坏:表 %1 的第 %2 条记录没有 %3")
                                      .arg(def.name).arg(table->rowsRead()).arg(field.name));
                break;
            case FieldKind::Text:
            case FieldKind::Memo: {
                // libmdb reads an empty text as null, and the program never
                // stores a null text: both become the empty text. A record
                // that the old version hid from every search because one of
                // its texts was null (a "like" never matches null) can be
                // found from now on.
                const QString text = value.toString();
                if (field.kind == FieldKind::Text && characters(text) > field.width)
                    throw DbError(QStringLiteral("表 %1 中%2的 %3 列(%4)有 %5 个字符,超过新数据库允许的 %6 个;"
                                                 "文字不会被截断,转换已停止")
                                      .arg(def.name, table->rowLabel(), field.name, field.caption)
                                      .arg(characters(text))
                                      .arg(field.width));
                value = text.isNull() ? QString(QLatin1String("")) : text;
                break;
            }
            case FieldKind::Bool:
                value = value.toBool() ? 1 : 0;
                break;
            case FieldKind::Integer:
            case FieldKind::DateTime:
            case FieldKind::Blob:
                break;   // null stays null
            }
            insert.bind(i + 1, value);
        }
        try {
            insert.run();
        } catch (const DbError &e) {
            if ((e.code() & 0xff) == SQLITE_CONSTRAINT) // the key is there twice
                throw DbError(QStringLiteral("文件已损坏:表 %1 中有两条%2").arg(def.name, table->rowLabel()),
                              e.code(), e.details());
            throw;
        }
        insert.reset();
        if (table->rowsRead() % kProgressStep == 0)
            report(table->rowsRead());
    }
    transaction.commit();
    report(table->rowsRead());
    summary.rows = table->rowsRead();
    summary.milliseconds = timer.elapsed();
    return summary;
}

// A counter lower than one past the highest number already used in its
// kind's identifiers would hand out an identifier twice; it is raised.
void raiseCounters(SqliteDb &db, TableSummary &counters)
{
    Transaction transaction(db);
    for (const RecordKind kind : {RecordKind::Note, RecordKind::Memo, RecordKind::Contact}) {
        const RecordKindInfo &k = RecordKinds::of(kind);
        const QString what = kind == RecordKind::Note   ? QStringLiteral("记事")
                             : kind == RecordKind::Memo ? QStringLiteral("备忘录")
                                                        : QStringLiteral("通讯录");
        const QString &prefix = k.prefix;
        const QString &column = k.idColumn;
        // Digits only after the prefix, and no more than fit a counter.
        SqliteStatement highest = db.prepare(
            QStringLiteral("SELECT max(CAST(substr(%1, %2) AS INTEGER)) FROM %3 WHERE %1 GLOB '%4[0-9]*' "
                           "AND substr(%1, %2) NOT GLOB '*[^0-9]*' AND length(%1) <= %5")
                .arg(column)
                .arg(prefix.size() + 1)
                .arg(k.table, prefix)
                .arg(prefix.size() + 9));
        highest.step();
        const bool used = !highest.isNull(0);
        const qint64 needed = highest.integer(0) + 1;

        SqliteStatement rows = db.prepare(QStringLiteral("SELECT zdbh, xmid FROM xmidb WHERE xmfl = ? ORDER BY zdbh"));
        rows.bind(1, k.counter);
        bool found = false;
        while (rows.step()) {
            found = true;
            if (!used || (!rows.isNull(1) && rows.integer(1) >= needed))
                continue;
            const QString was = rows.isNull(1) ? QStringLiteral("空") : QString::number(rows.integer(1));
            SqliteStatement raise = db.prepare(QStringLiteral("UPDATE xmidb SET xmid = ? WHERE zdbh = ?"));
            raise.bind(1, needed);
            raise.bind(2, rows.integer(0));
            raise.run();
            counters.notes << QStringLiteral("%1的计数器(xmfl=%2)由 %3 提高到 %4:已有%1用到了 %5%6")
                                  .arg(what)
                                  .arg(k.counter)
                                  .arg(was)
                                  .arg(needed)
                                  .arg(prefix)
                                  .arg(needed - 1);
        }
        if (!found)
            counters.notes << QStringLiteral("旧文件中没有%1的计数器(xmfl=%2),新%1的编号将只有前缀“%3”")
                                  .arg(what)
                                  .arg(k.counter)
                                  .arg(prefix);
    }
    transaction.commit();
}

// What went wrong while writing the new file, in words for the user.
QString writeFailure(const DbError &e)
{
    switch (e.code() & 0xff) {
    case SQLITE_FULL:
        return QStringLiteral("磁盘空间不足");
    case SQLITE_IOERR:
        return QStringLiteral("写入出错(磁盘已满或不能写入)");
    default:
        return e.text();
    }
}

// The n-th name (from 1) the Access file in `dir` may be kept under.
QString keptNameNumbered(const QDir &dir, int n)
{
    return dir.filePath(n == 1 ? QStringLiteral("jsbdbf-access.mdb") : QStringLiteral("jsbdbf-access-%1.mdb").arg(n));
}

void removeTemporary(const QString &file)
{
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-journal"));
}

} // namespace

const TableSummary *Summary::table(const QString &name) const
{
    for (const TableSummary &t : tables)
        if (t.table == name)
            return &t;
    return nullptr;
}

QStringList Summary::lines() const
{
    QStringList out;
    for (const TableSummary &t : tables) {
        out << QStringLiteral("表 %1:%2 条记录,用时 %3 秒")
                   .arg(t.table)
                   .arg(t.rows)
                   .arg(QString::number(double(t.milliseconds) / 1000.0, 'f', 2));
        for (const QString &note : t.notes)
            out << QStringLiteral("    ") + note;
    }
    if (!ignoredTables.isEmpty())
        out << QStringLiteral("忽略了旧文件中多余的表:%1").arg(ignoredTables.join(QStringLiteral("、")));
    return out;
}

Summary convert(const QString &oldFile, const QString &newFile, const Progress &progress)
{
    const QFileInfo target(newFile);
    if (target.exists())
        throw DbError(QStringLiteral("文件“%1”已经存在,不会覆盖它!").arg(newFile));
    auto failed = [&](const QString &why, const DbError *cause = nullptr) {
        return DbError(QStringLiteral("不能把“%1”转换为新数据库:%2。旧文件没有改动。").arg(oldFile, why),
                       cause ? cause->code() : 0, cause ? cause->details() : QString());
    };

    AccessFile access;
    Summary summary;
    QList<TablePlan> plans;
    try {
        access.open(oldFile);
        for (const TableDef &def : Schema::tables())
            plans << planTable(access, def);
    } catch (const DbError &e) {
        throw failed(e.text());
    }
    for (const QString &name : access.tables()) {
        bool known = false;
        for (const TableDef &def : Schema::tables())
            known = known || def.name.compare(name, Qt::CaseInsensitive) == 0;
        if (!known)
            summary.ignoredTables << name;
    }

    // Written under a temporary name beside the target and renamed at the
    // end, so the real name never holds a half-made database.
    const QString temp = target.absolutePath() + QStringLiteral("/.%1-%2.converting")
                             .arg(target.fileName(), QUuid::createUuid().toString(QUuid::Id128));
    try {
        SqliteDb db;
        db.open(temp, SqliteDb::Mode::Create);
        {
            // The tables and indexes only: the rows come from the old file.
            Transaction transaction(db);
            for (const QString &statement : Schema::createStatements())
                if (statement.startsWith(QLatin1String("CREATE ")))
                    db.exec(statement);
            transaction.commit();
        }
        for (const TablePlan &plan : std::as_const(plans))
            summary.tables << convertTable(access, db, plan, progress);
        for (TableSummary &t : summary.tables)
            if (t.table == QLatin1String("xmidb"))
                raiseCounters(db, t);
        db.close();
    } catch (const DbError &e) {
        removeTemporary(temp);
        throw failed(e.code() ? writeFailure(e) : e.text(), &e);
    } catch (...) {
        removeTemporary(temp);
        throw;
    }
    if (!QFile::rename(temp, newFile)) {
        removeTemporary(temp);
        throw failed(QStringLiteral("不能改名为“%1”").arg(newFile));
    }
    return summary;
}

QString keptName(const QString &folder)
{
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString name = keptNameNumbered(dir, n);
        if (!QFile::exists(name))
            return name;
    }
}

InPlaceResult convertInPlace(const QString &folder, const Progress &progress)
{
    const QDir dir(folder);
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    if (!isAccessFile(file))
        throw DbError(QStringLiteral("“%1”不是旧版本的 Access 数据库,不需要转换").arg(file));
    const QString fresh = dir.filePath(QStringLiteral(".jsbdbf-%1.mdb").arg(QUuid::createUuid().toString(QUuid::Id128)));

    InPlaceResult result;
    result.summary = convert(file, fresh, progress);

    // The Access file moves aside under the first free name; a name already
    // taken (by an earlier conversion) is never overwritten.
    for (int n = 1; result.oldFile.isEmpty(); ++n) {
        const QString name = keptNameNumbered(dir, n);
        if (QFile::exists(name))
            continue;
        if (QFile::rename(file, name))
            result.oldFile = name;
        else if (!QFile::exists(name) || n > 10000) {
            QFile::remove(fresh);
            throw DbError(QStringLiteral("不能把旧文件“%1”改名为“%2”,转换没有完成,旧文件没有改动。").arg(file, name));
        }
    }
    if (!QFile::rename(fresh, file)) {
        const bool restored = QFile::rename(result.oldFile, file);
        QFile::remove(fresh);
        throw DbError(restored ? QStringLiteral("不能把新数据库改名为“%1”,转换没有完成,旧文件已放回原处。").arg(file)
                               : QStringLiteral("不能把新数据库改名为“%1”,旧文件现在是“%2”。").arg(file, result.oldFile));
    }
    return result;
}

} // namespace AccessConvert
