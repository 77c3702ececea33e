// The seven tables of jsbdbf.mdb, column by column: the one description from
// which the database file is created and the datasets know their fields.
#pragma once

#include <QList>
#include <QString>

enum class FieldKind { AutoNumber, Integer, Text, Memo, DateTime, Bool, Blob };

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0;           // characters, for Text
    QString displayFormat;   // "hh:mm:ss" for the time columns
    QString caption;         // what the user calls it, for constraint messages
    bool pinyinOrder = false; // Text compared in pinyin order (lists are ordered by it)

    bool isDateTime() const { return kind == FieldKind::DateTime; }
};

struct TableDef {
    QString name;
    QList<FieldDef> fields;
    QString key() const { return fields.isEmpty() ? QString() : fields.first().name; }
};

namespace Schema {
const QList<TableDef> &tables();
const TableDef &table(const QString &name); // throws std::logic_error when unknown
QStringList createStatements();

// Writes a fresh database into `file`: every table, the counters of kinds
// 1, 2 and 3 at 1 and a few everyday categories. Refuses an existing file.
// Throws DbError on failure; nothing is left behind then.
void createDatabase(const QString &file);
} // namespace Schema
