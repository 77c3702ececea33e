#include "testenv.h"

#include "data/unitpath.h"
#include "data/schema.h"
#include "data/unitdm.h"

#include <QTest>

bool RecordingResponder::answer(const Messages::Shown &s)
{
    shown.append(s);
    if (s.kind == Messages::Kind::Question)
        return answers.isEmpty() ? true : answers.dequeue();
    return true;
}

QString RecordingResponder::fileName(const Messages::Shown &s)
{
    shown.append(s);
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QStringList RecordingResponder::texts() const
{
    QStringList out;
    for (const auto &s : shown)
        out << s.text;
    return out;
}

QStringList RecordingResponder::texts(Messages::Kind kind) const
{
    QStringList out;
    for (const auto &s : shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

QStringList RecordingResponder::details(Messages::Kind kind) const
{
    QStringList out;
    for (const auto &s : shown)
        if (s.kind == kind)
            out << s.details;
    return out;
}

int RecordingResponder::count(Messages::Kind kind) const
{
    return int(texts(kind).size());
}

TestDb::TestDb()
{
    Schema::createDatabase(file());
    setAppPath(QDir::toNativeSeparators(dir.path()));
    delete DM;
    DM = new TDM();
    DM->ADOConnection->setBusyTimeoutMs(300);
    Messages::setResponder(&messages);
}

TestDb::~TestDb()
{
    Messages::setResponder(nullptr);
    delete DM;
    DM = nullptr;
    direct_.close();
}

SqliteDb &TestDb::direct()
{
    if (!direct_.isOpen())
        direct_.open(file(), SqliteDb::Mode::ReadWrite, 300);
    return direct_;
}

namespace {

QList<QVariantMap> readAll(SqliteStatement &st)
{
    QList<QVariantMap> out;
    while (st.step()) {
        QVariantMap m;
        for (int i = 0; i < st.columnCount(); ++i)
            m.insert(st.columnName(i), st.value(i));
        out << m;
    }
    return out;
}

} // namespace

QVariant TestDb::scalar(const QString &sql)
{
    try {
        SqliteStatement st = direct().prepare(sql);
        return st.step() ? st.value(0) : QVariant();
    } catch (const DbError &) {
        return QVariant();
    }
}

int TestDb::count(const QString &table, const QString &where)
{
    return scalar(QStringLiteral("select count(*) from %1 %2")
                      .arg(table, where.isEmpty() ? QString() : QStringLiteral("where ") + where))
        .toInt();
}

void TestDb::exec(const QString &sql)
{
    try {
        direct().exec(sql);
    } catch (const DbError &e) {
        qFatal("test statement failed: %s: %s", qPrintable(sql), qPrintable(e.details()));
    }
}

qint64 TestDb::insert(const QString &sql, const QVariantList &values)
{
    try {
        SqliteStatement st = direct().prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            st.bind(i + 1, values.at(i));
        st.run();
        return direct().lastInsertRowId();
    } catch (const DbError &e) {
        qFatal("test insert failed: %s: %s", qPrintable(sql), qPrintable(e.details()));
    }
}

QList<QVariantMap> TestDb::query(const QString &sql)
{
    SqliteStatement st = direct().prepare(sql);
    return readAll(st);
}

QList<QVariantMap> TestDb::rows(const QString &table, const QString &where)
{
    return query(QStringLiteral("select * from %1 %2 order by zdbh")
                     .arg(table, where.isEmpty() ? QString() : QStringLiteral("where ") + where));
}

QList<QVariantMap> queryFile(const QString &file, const QString &sql)
{
    try {
        SqliteDb db;
        db.open(file, SqliteDb::Mode::ReadOnly, 300);
        SqliteStatement st = db.prepare(sql);
        return readAll(st);
    } catch (const DbError &) {
        return {};
    }
}

QString testDataDir(const QString &sub)
{
    const QString path = QDir(QStringLiteral(QUORVANE_TESTDATA)).filePath(sub);
    return QDir(path).exists() ? path : QString();
}
