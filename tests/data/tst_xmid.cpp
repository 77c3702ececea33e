// Record identifiers: the counters of xmidb read and advanced, and storing
// a new record under its identifier (insert and increment together, an
// identifier already stored by a second running copy replaced).
#include "testenv.h"

#include "data/unitdm.h"

#include <QTest>

namespace {

// The memo editor's insert without reminder, with the identifier bound.
Dataset *memoInsert(const QString &bwlid, const QString &bwlzt = QStringLiteral("主题"))
{
    Dataset *q = DM->ADOQbwlinsert;
    q->close();
    q->clearSql();
    q->addSql(QStringLiteral("insert  into  bwlnrb(bwlid,bwlrq,bwlsj,bwlfl,bwlzt,bwlnr)"));
    q->addSql(QStringLiteral("values  (:bwlid,:bwlrq,:bwlsj,:bwlfl,:bwlzt,:bwlnr)"));
    q->bind(QStringLiteral("bwlid"), bwlid);
    q->bind(QStringLiteral("bwlrq"), QDate(2024, 3, 5));
    q->bind(QStringLiteral("bwlsj"), QTime(10, 0));
    q->bind(QStringLiteral("bwlfl"), QStringLiteral("工作"));
    q->bind(QStringLiteral("bwlzt"), bwlzt);
    q->bind(QStringLiteral("bwlnr"), QStringLiteral("内容"));
    return q;
}

Dataset *noteInsert(const QString &jsid, const QString &jsbt = QStringLiteral("标题"))
{
    Dataset *q = DM->ADOQjsbinsert;
    q->setSql({QStringLiteral("insert  into  jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz)"),
               QStringLiteral("values  (:jsid,:jsrq,:jssj,:jsfl,:jsbh,:jsbt,:jsnr,:jstq,:jsbz)")});
    q->bind(QStringLiteral("jsid"), jsid);
    q->bind(QStringLiteral("jsrq"), QDate(2024, 3, 5));
    q->bind(QStringLiteral("jssj"), QTime(10, 0));
    q->bind(QStringLiteral("jstq"), QString());
    q->bind(QStringLiteral("jsfl"), QString());
    q->bind(QStringLiteral("jsbh"), QString());
    q->bind(QStringLiteral("jsbt"), jsbt);
    q->bind(QStringLiteral("jsnr"), QString());
    q->bind(QStringLiteral("jsbz"), QString());
    return q;
}

int counter(TestDb &env, int kind)
{
    return env.scalar(QStringLiteral("select xmid from xmidb where xmfl=%1").arg(kind)).toInt();
}

} // namespace

class TestXmid : public QObject {
    Q_OBJECT

private slots:
    void freshCountersReadOneForEveryKind();
    void readAndBumpUseTheStatementsAsWritten();
    void counterAtFiveGivesBwl5ThenBwl6();
    void noRowForAKindGivesTheBarePrefix();
    void twoRowsOfAKind();
    void longestIdentifierFits();
    void storeNewRecordInsertsAndAdvances();
    void failingInsertLeavesTheCounter();
    void failingIncrementLeavesNoRecord();
    void identifierStoredBySecondCopyIsReplaced_data();
    void identifierStoredBySecondCopyIsReplaced();
    void replacedIdentifierFailingRollsBackBoth();
    void storeInsideAnOuterTransaction();
};

void TestXmid::freshCountersReadOneForEveryKind()
{
    TestDb env;
    for (int kind : {1, 2, 3})
        QCOMPARE(DM->ReadXmid(kind), QStringLiteral("1"));
    QCOMPARE(RecordKinds::of(RecordKind::Note).prefix, QStringLiteral("JS-"));
    QCOMPARE(RecordKinds::of(RecordKind::Memo).prefix, QStringLiteral("BWL-"));
    QCOMPARE(RecordKinds::of(RecordKind::Contact).prefix, QStringLiteral("TXL-"));
}

void TestXmid::readAndBumpUseTheStatementsAsWritten()
{
    TestDb env;
    DM->ReadXmid(3);
    QCOMPARE(DM->ADOQxmidb->sql(), (QStringList{QStringLiteral("select  *  from  xmidb"), QStringLiteral("where  xmfl= :xmfl")}));
    QVERIFY(DM->ADOQxmidb->active()); // left open on its result
    QCOMPARE(DM->ADOQxmidb->boundValue(QStringLiteral("xmfl")), QVariant(qint32(3)));
    DM->BumpXmid(3);
    QCOMPARE(DM->ADOQxmidupdate->sql(), (QStringList{QStringLiteral("update  xmidb"), QStringLiteral("set   xmid=xmid+1"),
                                                     QStringLiteral("where  xmfl= :xmfl")}));
    QCOMPARE(counter(env, 3), 2);
    QCOMPARE(counter(env, 1), 1);
    QCOMPARE(counter(env, 2), 1);
}

void TestXmid::counterAtFiveGivesBwl5ThenBwl6()
{
    TestDb env;
    env.exec(QStringLiteral("update xmidb set xmid=5 where xmfl=2"));
    const QString id = DM->NextId(RecordKind::Memo);
    QCOMPARE(id, QStringLiteral("BWL-5"));
    QCOMPARE(DM->storeNewRecord(RecordKind::Memo, memoInsert(id)), QStringLiteral("BWL-5"));
    QCOMPARE(env.scalar(QStringLiteral("select bwlid from bwlnrb")).toString(), QStringLiteral("BWL-5"));
    QCOMPARE(counter(env, 2), 6);
    QCOMPARE(DM->NextId(RecordKind::Memo), QStringLiteral("BWL-6"));
}

void TestXmid::noRowForAKindGivesTheBarePrefix()
{
    TestDb env;
    env.exec(QStringLiteral("delete from xmidb where xmfl=2"));
    const QString read = DM->ReadXmid(2);
    QVERIFY(read.isEmpty());
    QVERIFY(!read.isNull()); // the empty text, bindable as such
    DM->BumpXmid(2);
    QCOMPARE(env.count(QStringLiteral("xmidb"), QStringLiteral("xmfl=2")), 0);
    // Every memo gets the bare prefix, the second one included.
    QCOMPARE(DM->storeNewRecord(RecordKind::Memo, memoInsert(QStringLiteral("BWL-"))), QStringLiteral("BWL-"));
    QCOMPARE(DM->storeNewRecord(RecordKind::Memo, memoInsert(QStringLiteral("BWL-"))), QStringLiteral("BWL-"));
    QCOMPARE(env.count(QStringLiteral("bwlnrb"), QStringLiteral("bwlid='BWL-'")), 2);
    QCOMPARE(env.count(QStringLiteral("xmidb")), 2);
    QCOMPARE(counter(env, 1), 1);
    QCOMPARE(counter(env, 3), 1);
}

void TestXmid::twoRowsOfAKind()
{
    TestDb env;
    env.exec(QStringLiteral("update xmidb set xmid=7 where xmfl=1"));
    env.exec(QStringLiteral("insert into xmidb(xmid, sfsz, xmfl) values (40, 0, 1)"));
    QCOMPARE(DM->ReadXmid(1), QStringLiteral("7"));
    DM->BumpXmid(1);
    QCOMPARE(env.scalar(QStringLiteral("select group_concat(xmid) from (select xmid from xmidb where xmfl=1 order by zdbh)"))
                 .toString(),
             QStringLiteral("8,41"));
    QCOMPARE(DM->storeNewRecord(RecordKind::Note, noteInsert(QStringLiteral("JS-8"))), QStringLiteral("JS-8"));
    QCOMPARE(env.scalar(QStringLiteral("select group_concat(xmid) from (select xmid from xmidb where xmfl=1 order by zdbh)"))
                 .toString(),
             QStringLiteral("9,42"));
}

void TestXmid::longestIdentifierFits()
{
    TestDb env;
    env.exec(QStringLiteral("update xmidb set xmid=2147483647 where xmfl=2"));
    const QString id = DM->NextId(RecordKind::Memo);
    QCOMPARE(id, QStringLiteral("BWL-2147483647"));
    QCOMPARE(id.size(), 14);
    QCOMPARE(DM->storeNewRecord(RecordKind::Memo, memoInsert(id)), id);
    QCOMPARE(env.count(QStringLiteral("bwlnrb"), QStringLiteral("bwlid='BWL-2147483647'")), 1);
}

void TestXmid::storeNewRecordInsertsAndAdvances()
{
    TestDb env;
    for (int n = 1; n <= 3; ++n) {
        const QString id = DM->NextId(RecordKind::Note);
        QCOMPARE(DM->storeNewRecord(RecordKind::Note, noteInsert(id)), QStringLiteral("JS-%1").arg(n));
    }
    QCOMPARE(env.scalar(QStringLiteral("select group_concat(jsid) from (select jsid from jsbnrb order by zdbh)")).toString(),
             QStringLiteral("JS-1,JS-2,JS-3"));
    QCOMPARE(counter(env, 1), 4);
    QVERIFY(!DM->ADOConnection->inTransaction());
    // Other kinds untouched.
    QCOMPARE(counter(env, 2), 1);
    QCOMPARE(counter(env, 3), 1);
}

void TestXmid::failingInsertLeavesTheCounter()
{
    TestDb env;
    const QString id = DM->NextId(RecordKind::Note);
    QVERIFY_THROWS_EXCEPTION(DbError, DM->storeNewRecord(RecordKind::Note, noteInsert(id, QString(101, QLatin1Char('x')))));
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 0);
    QCOMPARE(counter(env, 1), 1);
    QVERIFY(!DM->ADOConnection->inTransaction());
    // The same identifier is offered again and then stored.
    QCOMPARE(DM->NextId(RecordKind::Note), id);
    QCOMPARE(DM->storeNewRecord(RecordKind::Note, noteInsert(id)), id);
    QCOMPARE(counter(env, 1), 2);
}

void TestXmid::failingIncrementLeavesNoRecord()
{
    // An interrupted save never leaves a record stored with the counter
    // not advanced: the insert goes with the increment.
    TestDb env;
    env.exec(QStringLiteral("create trigger no_bump before update on xmidb begin select raise(abort, '计数器不能更新'); end"));
    QVERIFY_THROWS_EXCEPTION(DbError, DM->storeNewRecord(RecordKind::Note, noteInsert(QStringLiteral("JS-1"))));
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 0);
    QCOMPARE(counter(env, 1), 1);
    QVERIFY(!DM->ADOConnection->inTransaction());
    // Once the counter can move again, everything works.
    env.exec(QStringLiteral("drop trigger no_bump"));
    QCOMPARE(DM->storeNewRecord(RecordKind::Note, noteInsert(QStringLiteral("JS-1"))), QStringLiteral("JS-1"));
    QCOMPARE(counter(env, 1), 2);
}

void TestXmid::identifierStoredBySecondCopyIsReplaced_data()
{
    QTest::addColumn<bool>("secondCopyBumps");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("counterAfter");
    // The second copy follows the rule: stored JS-1 and moved the counter.
    QTest::newRow("counter moved by the second copy") << true << "JS-2" << 3;
    // An identifier that is held although the counter still points at it
    // (a copy that failed after its insert): the counter steps past it.
    QTest::newRow("counter left behind") << false << "JS-2" << 3;
}

void TestXmid::identifierStoredBySecondCopyIsReplaced()
{
    QFETCH(bool, secondCopyBumps);
    QFETCH(QString, stored);
    QFETCH(int, counterAfter);
    TestDb env;
    // This copy's editor reads JS-1 ...
    const QString shown = DM->NextId(RecordKind::Note);
    QCOMPARE(shown, QStringLiteral("JS-1"));
    // ... then a second running copy saves a note as JS-1.
    env.exec(QStringLiteral("insert into jsbnrb(jsid, jsbt) values ('JS-1', 'from the other copy')"));
    if (secondCopyBumps)
        env.exec(QStringLiteral("update xmidb set xmid=xmid+1 where xmfl=1"));

    const QString id = DM->storeNewRecord(RecordKind::Note, noteInsert(shown, QStringLiteral("mine")));
    QCOMPARE(id, stored);
    QCOMPARE(env.scalar(QStringLiteral("select jsid from jsbnrb where jsbt='mine'")).toString(), stored);
    QCOMPARE(env.count(QStringLiteral("jsbnrb"), QStringLiteral("jsid='JS-1'")), 1);
    QCOMPARE(counter(env, 1), counterAfter);
    // Deleting one note by its identifier leaves the other.
    Dataset *d = DM->ADOQdelete;
    d->setSql({QStringLiteral("delete  from   jsbnrb"), QStringLiteral("where  jsid= :jsid")});
    d->bind(QStringLiteral("jsid"), QStringLiteral("JS-1"));
    d->setPrepared(true);
    d->execSql();
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 1);
}

void TestXmid::replacedIdentifierFailingRollsBackBoth()
{
    TestDb env;
    env.exec(QStringLiteral("insert into jsbnrb(jsid) values ('JS-1')"));
    // The counter would be stepped past JS-1, but the insert then fails.
    QVERIFY_THROWS_EXCEPTION(DbError, DM->storeNewRecord(RecordKind::Note, noteInsert(QStringLiteral("JS-1"), QString(101, QLatin1Char('x')))));
    QCOMPARE(counter(env, 1), 1);
    QCOMPARE(env.count(QStringLiteral("jsbnrb")), 1);
    QVERIFY(!DM->ADOConnection->inTransaction());
}

void TestXmid::storeInsideAnOuterTransaction()
{
    // The import brackets its rows in a transaction: a rollback takes the
    // records and the counter steps back together.
    TestDb env;
    DM->ADOConnection->beginTrans();
    for (int n = 0; n < 3; ++n) {
        const QString id = DM->NextId(RecordKind::Contact);
        Dataset *q = DM->ADOQtongxunlinsert;
        q->setSql({QStringLiteral("insert  into  tongxunlb(txlid,xingm)"), QStringLiteral("values  (:txlid,:xingm)")});
        q->bind(QStringLiteral("txlid"), id);
        q->bind(QStringLiteral("xingm"), QStringLiteral("张三"));
        DM->storeNewRecord(RecordKind::Contact, q);
    }
    QVERIFY(DM->ADOConnection->inTransaction());
    QCOMPARE(DM->ReadXmid(3), QStringLiteral("4"));
    DM->ADOConnection->rollbackTrans();
    QCOMPARE(counter(env, 3), 1);
    QCOMPARE(env.count(QStringLiteral("tongxunlb")), 0);
}

QTEST_MAIN(TestXmid)
#include "tst_xmid.moc"
