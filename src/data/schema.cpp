// The tables of jsbdbf.mdb and the statements that create them.
#include "data/schema.h"

#include "data/database.h"
#include "data/sqlite.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <stdexcept>

namespace {

FieldDef autonum(const char *n) { return {QString::fromLatin1(n), FieldKind::AutoNumber, 0, {}, {}}; }
FieldDef integer(const char *n) { return {QString::fromLatin1(n), FieldKind::Integer, 0, {}, {}}; }
FieldDef text(const char *n, int w, const char *caption)
{
    return {QString::fromLatin1(n), FieldKind::Text, w, {}, QString::fromUtf8(caption)};
}
// A text column that lists are ordered by: compared in pinyin order.
FieldDef pinyinText(const char *n, int w, const char *caption)
{
    FieldDef f = text(n, w, caption);
    f.pinyinOrder = true;
    return f;
}
FieldDef memo(const char *n) { return {QString::fromLatin1(n), FieldKind::Memo, 0, {}, {}}; }
FieldDef datetime(const char *n, const char *format = "")
{
    return {QString::fromLatin1(n), FieldKind::DateTime, 0, QString::fromLatin1(format), {}};
}
FieldDef boolean(const char *n) { return {QString::fromLatin1(n), FieldKind::Bool, 0, {}, {}}; }
FieldDef blob(const char *n) { return {QString::fromLatin1(n), FieldKind::Blob, 0, {}, {}}; }

QList<TableDef> makeTables()
{
    return {
        {QStringLiteral("jsbnrb"),
         {autonum("zdbh"), integer("xh"), text("jsid", 30, "记事id"), datetime("jsrq"),
          datetime("jssj", "hh:mm:ss"), text("jsfl", 80, "记事分类"), text("jsbh", 20, "记事编号"),
          text("jsbt", 100, "记事标题"), memo("jsnr"), text("jstq", 20, "天气"),
          text("jsbz", 200, "备注")}},
        {QStringLiteral("jsflb"), {autonum("zdbh"), integer("xh"), text("flmc", 80, "分类名称")}},
        {QStringLiteral("jstpb"),
         {autonum("zdbh"), text("js_id", 30, "记事id"), text("tpmc", 60, "图片名称"), blob("jstp")}},
        {QStringLiteral("xmidb"),
         {autonum("zdbh"), integer("xmid"), integer("sfsz"), integer("xmfl")}},
        {QStringLiteral("bwlnrb"),
         {autonum("zdbh"), text("bwlid", 30, "备忘录id"), integer("xh"), text("bwlfl", 80, "分类"),
          text("bwlzt", 100, "备忘主题"), datetime("bwlrq"), datetime("bwlsj", "hh:mm:ss"),
          memo("bwlnr"), boolean("sftx"), datetime("txqrq"), datetime("txzrq")}},
        {QStringLiteral("tongxunlb"),
         {autonum("zdbh"), integer("xh"), text("txlid", 30, "通讯录id"), datetime("lrrq"),
          pinyinText("xingm", 20, "姓名"), text("xingb", 6, "性别"), text("nianl", 3, "年龄"),
          text("jig", 80, "籍贯"), text("gzdw", 80, "工作单位"), text("zhiw", 20, "职务"),
          pinyinText("fenl", 80, "分类"), text("address", 100, "住址"), text("bangdh", 30, "办公电话"),
          text("yidongdh", 30, "移动电话"), text("zhuzhaidh", 30, "住宅电话"),
          text("chuanz", 30, "传真"), text("email", 30, "电子邮箱"), text("qq", 30, "qq号码"),
          text("shengr", 20, "生日"), text("teshujnr", 80, "特殊纪念日"), text("aihao", 80, "爱好"),
          text("techang", 80, "特长"), text("beizhu", 200, "备注")}},
        {QStringLiteral("yhxxb"),
         {autonum("yhid"), text("yhcode", 10, "用户代码"), text("yhxm", 30, "用户名"),
          text("yhmm", 50, "密码"), integer("bmid"), text("beizhu", 50, "备注")}},
    };
}

QString columnDdl(const FieldDef &f)
{
    switch (f.kind) {
    case FieldKind::AutoNumber:
        return f.name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    case FieldKind::Integer:
        return f.name + QStringLiteral(" INTEGER");
    case FieldKind::Text:
        // The constraint's name is what SQLite reports when a value is too
        // long, so it says in Chinese which box holds too much. A column
        // that lists are ordered by compares in pinyin order, so the
        // statements' "order by" needs no collation of its own.
        return QStringLiteral("%1 TEXT%4 CONSTRAINT \"%2超过%3个字符\" CHECK (length(%1) <= %3)")
            .arg(f.name, f.caption)
            .arg(f.width)
            .arg(f.pinyinOrder ? QStringLiteral(" COLLATE ") + QLatin1String(kPinyinCollation) : QString());
    case FieldKind::Memo:
        return f.name + QStringLiteral(" TEXT");
    case FieldKind::DateTime:
        return f.name + QStringLiteral(" TEXT");
    case FieldKind::Bool:
        return f.name + QStringLiteral(" INTEGER DEFAULT 0");
    case FieldKind::Blob:
        return f.name + QStringLiteral(" BLOB");
    }
    return f.name;
}

} // namespace

namespace Schema {

const QList<TableDef> &tables()
{
    static const QList<TableDef> all = makeTables();
    return all;
}

const TableDef &table(const QString &name)
{
    for (const TableDef &t : tables())
        if (t.name == name)
            return t;
    throw std::logic_error("unknown table " + name.toStdString());
}

QStringList createStatements()
{
    QStringList out;
    for (const TableDef &t : tables()) {
        QStringList cols;
        for (const FieldDef &f : t.fields)
            cols << columnDdl(f);
        out << QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(t.name, cols.join(QStringLiteral(",\n  ")));
    }
    out << QStringLiteral("CREATE INDEX jsbnrb_jsid ON jsbnrb(jsid)")
        << QStringLiteral("CREATE INDEX jsbnrb_jsrq ON jsbnrb(jsrq)")
        << QStringLiteral("CREATE INDEX jstpb_js_id ON jstpb(js_id)")
        << QStringLiteral("CREATE INDEX bwlnrb_bwlid ON bwlnrb(bwlid)")
        << QStringLiteral("CREATE INDEX bwlnrb_txqrq ON bwlnrb(txqrq)")
        << QStringLiteral("CREATE INDEX xmidb_xmfl ON xmidb(xmfl)");
    out << QStringLiteral("INSERT INTO xmidb(xmid, sfsz, xmfl) VALUES (1, 0, 1), (1, 0, 2), (1, 0, 3)");
    int xh = 1;
    for (const char *name : {"工作", "学习", "生活", "家人", "朋友"})
        out << QStringLiteral("INSERT INTO jsflb(xh, flmc) VALUES (%1, '%2')").arg(xh++).arg(QString::fromUtf8(name));
    return out;
}

void createDatabase(const QString &file)
{
    const QFileInfo target(file);
    if (target.exists())
        throw DbError(QStringLiteral("文件“%1”已经存在,不会覆盖它!").arg(file));
    // Written under a temporary name and renamed at the end, so a failure
    // never leaves a half-made database under the real name.
    const QString temp = target.absolutePath() + QStringLiteral("/.jsbdbf-%1.tmp")
                             .arg(QUuid::createUuid().toString(QUuid::Id128));
    QString error;
    try {
        SqliteDb db;
        db.open(temp, SqliteDb::Mode::Create);
        Transaction transaction(db);
        for (const QString &s : createStatements())
            db.exec(s);
        transaction.commit();
        db.close();
    } catch (const DbError &e) {
        error = e.details().isEmpty() ? e.text() : e.details();
    }
    if (error.isEmpty() && !QFile::rename(temp, file))
        error = QStringLiteral("不能改名为“%1”").arg(file);
    if (!error.isEmpty()) {
        QFile::remove(temp);
        throw DbError(QStringLiteral("不能生成数据库文件“%1”:%2").arg(file, error));
    }
}

} // namespace Schema
