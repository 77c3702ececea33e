// The data module's datasets and the identifiers of new records.
#include "data/unitdm.h"

#include "data/sqlite.h"
#include "data/unitpath.h"

#include <QDir>

TDM *DM = nullptr;

TDM::TDM(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DM"));
    ADOConnection = new DbConnection(this);

    ADOQjsb = listing("ADOQjsb", "jsbnrb", {QStringLiteral("select  *   from  jsbnrb"), QString()});
    ADOQjsflb = listing("ADOQjsflb", "jsflb", {QStringLiteral("select  *  from  jsflb")}, true);
    ADOQjstpb = listing("ADOQjstpb", "jstpb", {QStringLiteral("select  *  from  jstpb")}, true);
    ADOQxmidb = listing("ADOQxmidb", "xmidb", {QStringLiteral("select  *  from  xmidb")});
    ADOQbwlb = listing("ADOQbwlb", "bwlnrb", {QStringLiteral("select  *   from   bwlnrb")});
    ADOQtongxunlb = listing("ADOQtongxunlb", "tongxunlb", {QStringLiteral("select *  from   tongxunlb")});
    ADOQyhxxb = listing("ADOQyhxxb", "yhxxb", {QStringLiteral("select  *   from   yhxxb")}, true);

    DS_ADOQjsb = new DataSource(ADOQjsb, this);
    DS_ADOQjsflb = new DataSource(ADOQjsflb, this);
    DS_ADOQjstpb = new DataSource(ADOQjstpb, this);
    DS_ADOQbwlb = new DataSource(ADOQbwlb, this);
    DS_ADOQtongxunlb = new DataSource(ADOQtongxunlb, this);
    DS_ADOQyhxxb = new DataSource(ADOQyhxxb, this);

    ADOQjsbinsert = statement("ADOQjsbinsert");
    ADOQjsbupdate = statement("ADOQjsbupdate");
    ADOQjstpbinsert = statement("ADOQjstpbinsert");
    ADOQbwlinsert = statement("ADOQbwlinsert");
    ADOQbwlupdate = statement("ADOQbwlupdate");
    ADOQtongxunlinsert = statement("ADOQtongxunlinsert");
    ADOQtongxunlupdate = statement("ADOQtongxunlupdate");
    ADOQxmidupdate = statement("ADOQxmidupdate");
    ADOQdelete = statement("ADOQdelete");
    ADOQidcheck = statement("ADOQidcheck");

    DataModuleCreate();
}

Dataset *TDM::listing(const char *name, const char *table, const QStringList &sql, bool updatable)
{
    auto *d = new Dataset(ADOConnection, QString::fromLatin1(name), this);
    // The "xmfl" column is compared, never read: no field object carries it.
    d->setFields(QString::fromLatin1(table), updatable);
    d->setSql(sql);
    return d;
}

Dataset *TDM::statement(const char *name)
{
    return new Dataset(ADOConnection, QString::fromLatin1(name), this);
}

void TDM::DataModuleCreate()
{
    ADOConnection->setConnectionText(QStringLiteral("Microsoft.Jet.OLEDB.4.0;Data Source=") + AppPath
                                     + QDir::separator()
                                     + QStringLiteral("jsbdbf.mdb;Persist Security Info=False "));
}

QString TDM::ReadXmid(int kind)
{
    ADOQxmidb->setSql({QStringLiteral("select  *  from  xmidb"), QStringLiteral("where  xmfl= :xmfl")});
    ADOQxmidb->bind(QStringLiteral("xmfl"), qint32(kind));
    ADOQxmidb->open();
    if (ADOQxmidb->isEmpty())
        return QString(QLatin1String(""));
    return QString::number(ADOQxmidb->integer(QStringLiteral("xmid")));
}

void TDM::BumpXmid(int kind)
{
    ADOQxmidupdate->setSql({QStringLiteral("update  xmidb"), QStringLiteral("set   xmid=xmid+1"),
                            QStringLiteral("where  xmfl= :xmfl")});
    ADOQxmidupdate->bind(QStringLiteral("xmfl"), qint32(kind));
    ADOQxmidupdate->setPrepared(true);
    ADOQxmidupdate->execSql();
}

QString TDM::NextId(RecordKind kind)
{
    const RecordKindInfo &k = RecordKinds::of(kind);
    return k.prefix + ReadXmid(k.counter);
}

bool TDM::identifierHeld(const RecordKindInfo &kind, const QString &id)
{
    ADOQidcheck->setSql({QStringLiteral("select  count(*)  as  n  from  %1").arg(kind.table),
                         QStringLiteral("where  %1= :id").arg(kind.idColumn)});
    ADOQidcheck->bind(QStringLiteral("id"), id);
    ADOQidcheck->open();
    const bool held = ADOQidcheck->integer(QStringLiteral("n")) > 0;
    ADOQidcheck->close();
    return held;
}

QString TDM::storeNewRecord(RecordKind kind, Dataset *insert)
{
    const RecordKindInfo &k = RecordKinds::of(kind);
    QString id = insert->boundValue(k.idColumn).toString();
    Transaction transaction(ADOConnection);
    if (identifierHeld(k, id)) {
        // Another writer stored this identifier meanwhile: take the
        // counter's current value, stepping past any value an older record
        // already holds.
        for (int tries = 0; tries < 10000; ++tries) {
            const QString counter = ReadXmid(k.counter);
            if (counter.isEmpty())
                break; // no counter row: every record gets the bare prefix
            id = k.prefix + counter;
            if (!identifierHeld(k, id))
                break;
            BumpXmid(k.counter);
        }
        insert->bind(k.idColumn, id);
    }
    insert->setPrepared(true);
    insert->execSql();
    BumpXmid(k.counter);
    transaction.commit();
    return id;
}
