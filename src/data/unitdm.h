// The data module `DM`: the one connection and every dataset the windows
// share. No window owns a query; every statement goes through these.
#pragma once

#include "data/database.h"
#include "data/dataset.h"
#include "data/recordkinds.h"

#include <QObject>

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);

    // Creation handler: builds the connection text from AppPath.
    void DataModuleCreate();
    QString connectionText() const { return ADOConnection->connectionText(); }

    DbConnection *ADOConnection;

    // Listing queries and their data sources.
    Dataset *ADOQjsb;
    Dataset *ADOQjsflb;
    Dataset *ADOQjstpb;
    Dataset *ADOQxmidb;
    Dataset *ADOQbwlb;
    Dataset *ADOQtongxunlb;
    Dataset *ADOQyhxxb;
    DataSource *DS_ADOQjsb;
    DataSource *DS_ADOQjsflb;
    DataSource *DS_ADOQjstpb;
    DataSource *DS_ADOQbwlb;
    DataSource *DS_ADOQtongxunlb;
    DataSource *DS_ADOQyhxxb;

    // Statement queries.
    Dataset *ADOQjsbinsert;
    Dataset *ADOQjsbupdate;
    Dataset *ADOQjstpbinsert;
    Dataset *ADOQbwlinsert;
    Dataset *ADOQbwlupdate;
    Dataset *ADOQtongxunlinsert;
    Dataset *ADOQtongxunlupdate;
    Dataset *ADOQxmidupdate;
    Dataset *ADOQdelete;
    // Looks whether an identifier is already stored (see storeNewRecord).
    Dataset *ADOQidcheck;

    // Record identifiers: the counter of a kind (1 notes, 2 memos,
    // 3 contacts) as decimal text, empty without a row; and its increment.
    QString ReadXmid(int kind);
    void BumpXmid(int kind);
    // The identifier the next new record of a kind receives: its prefix and
    // the counter.
    QString NextId(RecordKind kind);

    // Stores a new record: `insert` holds the insert statement with every
    // value bound, the identifier under the parameter named after the kind's
    // identifier column. The insert and the counter increment commit
    // together. When the identifier is already held by a stored record (a
    // second copy of the program saved meanwhile), the record takes the
    // counter's current value instead. Returns the identifier stored. On
    // failure nothing is stored and the counter stays.
    QString storeNewRecord(RecordKind kind, Dataset *insert);

private:
    Dataset *listing(const char *name, const char *table, const QStringList &sql, bool updatable = false);
    Dataset *statement(const char *name);
    bool identifierHeld(const RecordKindInfo &kind, const QString &id);
};

extern TDM *DM;
