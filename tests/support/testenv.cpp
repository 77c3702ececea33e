#include "testenv.h"

#include "app/unitpath.h"
#include "data/schema.h"
#include "data/unitdm.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

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

int RecordingResponder::count(Messages::Kind kind) const
{
    return int(texts(kind).size());
}

TestDb::TestDb() : directName_(QStringLiteral("direct-") + QUuid::createUuid().toString())
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
    {
        QSqlDatabase db = QSqlDatabase::database(directName_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(directName_);
}

QSqlDatabase TestDb::direct()
{
    if (!QSqlDatabase::contains(directName_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), directName_);
        db.setDatabaseName(file());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=300"));
    }
    QSqlDatabase db = QSqlDatabase::database(directName_);
    return db;
}

QVariant TestDb::scalar(const QString &sql)
{
    QSqlQuery q(direct());
    if (!q.exec(sql) || !q.next())
        return QVariant();
    return q.value(0);
}

int TestDb::count(const QString &table, const QString &where)
{
    return scalar(QStringLiteral("select count(*) from %1 %2")
                      .arg(table, where.isEmpty() ? QString() : QStringLiteral("where ") + where))
        .toInt();
}

void TestDb::exec(const QString &sql)
{
    QSqlQuery q(direct());
    if (!q.exec(sql))
        qFatal("test statement failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

QList<QVariantMap> TestDb::rows(const QString &table, const QString &where)
{
    QSqlQuery q(direct());
    q.exec(QStringLiteral("select * from %1 %2 order by zdbh")
               .arg(table, where.isEmpty() ? QString() : QStringLiteral("where ") + where));
    QList<QVariantMap> out;
    while (q.next()) {
        QVariantMap m;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            m.insert(r.fieldName(i), q.value(i));
        out << m;
    }
    return out;
}

QString testDataDir(const QString &sub)
{
    const QString path = QDir(QStringLiteral(QUORVANE_TESTDATA)).filePath(sub);
    return QDir(path).exists() ? path : QString();
}
