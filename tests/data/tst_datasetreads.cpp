// What a dataset reads and when: a long column (a note's or memo's content,
// a picture) is read by the row's key when asked for, so it is the stored
// value at that moment; a reopen that no shown control waits for runs when
// the dataset is next read, with the values bound when it was asked for.
#include "testenv.h"

#include "data/dataset.h"
#include "data/unitdm.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The note search window's statement on ADOQjsb.
void searchNotes(const QDate &from, const QDate &to)
{
    Dataset *q = DM->ADOQjsb;
    q->setSql({QStringLiteral("select  *  from  jsbnrb"), QStringLiteral("where jsrq >=:qrq  and  jsrq <= :zrq"),
               QStringLiteral("and   jsfl like :fl"), QStringLiteral("and   jsnr like :jl"),
               QStringLiteral("order  by  zdbh  desc")});
    q->bind(QStringLiteral("qrq"), from);
    q->bind(QStringLiteral("zrq"), to);
    q->bind(QStringLiteral("fl"), QStringLiteral("%%"));
    q->bind(QStringLiteral("jl"), QStringLiteral("%%"));
    q->setPrepared(true);
    q->open();
}

void addNote(TestDb &env, const QString &jsid, const QDate &date, const QVariant &content = QStringLiteral("内容"))
{
    env.insert(QStringLiteral("insert into jsbnrb(jsid, jsrq, jsfl, jsnr) values (?, ?, '工作', ?)"),
               {jsid, date.toString(QStringLiteral("yyyy-MM-dd 00:00:00")), content});
}

QStringList idsOf(Dataset *d, const QString &idColumn = QStringLiteral("jsid"))
{
    QStringList ids;
    const int column = d->columnIndex(idColumn);
    for (int row = 0; row < d->rowCount(); ++row)
        ids << d->value(row, column).toString();
    return ids;
}

// A control that shows a dataset, shown or not as the test says.
struct Viewer : DatasetViewer {
    bool shown = true;
    bool showsDataset() const override { return shown; }
};

} // namespace

class TestDatasetReads : public QObject {
    Q_OBJECT

private slots:
    void longColumnIsTheStoredValue_data();
    void longColumnIsTheStoredValue();
    void longColumnMadeByTheStatementIsKept();
    void resultHoldsOnlyTheShortColumns();
    void changedPictureIsShownUntilPostedOrCancelled();
    void reopenRunsWhenRead_data();
    void reopenRunsWhenRead();
    void reopenRunsAtOnceWhileShown();
    void closingDropsANotedReopen();
};

void TestDatasetReads::longColumnIsTheStoredValue_data()
{
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("idColumn");
    QTest::addColumn<QString>("longColumn");
    QTest::addColumn<QStringList>("statement");
    QTest::addColumn<QVariantList>("values"); // the long values of three rows, then a changed one

    const QVariantList texts = {QStringLiteral("第一篇\r\n"), QString(5000, QChar(0x5B57)), QStringLiteral("第三篇"),
                                QStringLiteral("改过的内容")};
    QTest::newRow("note content") << "ADOQjsb" << "jsbnrb" << "jsid" << "jsnr"
                                  << QStringList{QStringLiteral("select  *  from  jsbnrb"),
                                                 QStringLiteral("order  by  zdbh")}
                                  << texts;
    QTest::newRow("memo content") << "ADOQbwlb" << "bwlnrb" << "bwlid" << "bwlnr"
                                  << QStringList{QStringLiteral("select  *   from   bwlnrb")} << texts;
    QTest::newRow("picture bytes") << "ADOQjstpb" << "jstpb" << "js_id" << "jstp"
                                   << QStringList{QStringLiteral("select  *  from  jstpb"),
                                                  QStringLiteral("order  by  zdbh")}
                                   << QVariantList{QByteArray("\xff\xd8\x01", 3), QByteArray(300000, 'p'),
                                                   QByteArray("", 0), QByteArray("\xff\xd8\x02", 3)};
}

void TestDatasetReads::longColumnIsTheStoredValue()
{
    QFETCH(QString, dataset);
    QFETCH(QString, table);
    QFETCH(QString, idColumn);
    QFETCH(QString, longColumn);
    QFETCH(QStringList, statement);
    QFETCH(QVariantList, values);
    TestDb env;
    QList<qint64> keys;
    for (int i = 0; i < 3; ++i)
        keys << env.insert(QStringLiteral("insert into %1(%2, %3) values (?, ?)").arg(table, idColumn, longColumn),
                           {QStringLiteral("ID-%1").arg(i + 1), values.at(i)});
    env.insert(QStringLiteral("insert into %1(%2) values (?)").arg(table, idColumn), {QStringLiteral("ID-4")});

    Dataset *d = DM->findChild<Dataset *>(dataset);
    QVERIFY(d);
    d->setSql(statement);
    d->open();
    QCOMPARE(d->sql(), statement);
    QCOMPARE(idsOf(d, idColumn), (QStringList{"ID-1", "ID-2", "ID-3", "ID-4"}));
    const int column = d->columnIndex(longColumn);
    QVERIFY(d->isDeferred(column));
    QCOMPARE(d->columns().size(), env.query(QStringLiteral("select * from %1").arg(table)).first().size());

    // The current row's value, again after other rows were visited.
    QCOMPARE(d->value(longColumn), values.at(0));
    d->setCurrentRow(2);
    QCOMPARE(d->value(longColumn), values.at(2));
    QVERIFY(!d->isNull(longColumn)); // zero bytes are not a missing value
    d->setCurrentRow(0);
    QCOMPARE(d->value(longColumn), values.at(0));
    QCOMPARE(d->value(1, column), values.at(1));
    d->setCurrentRow(3);
    QVERIFY(d->isNull(longColumn));
    QCOMPARE(d->text(longColumn), QString());

    // Changed on disk: the stored value now. Deleted: the empty value, the
    // short columns as listed, no error.
    env.insert(QStringLiteral("update %1 set %2 = ? where zdbh = ?").arg(table, longColumn), {values.at(3), keys[1]});
    env.exec(QStringLiteral("delete from %1 where zdbh = %2").arg(table).arg(keys[0]));
    d->setCurrentRow(1);
    QCOMPARE(d->value(longColumn), values.at(3));
    d->setCurrentRow(0);
    QCOMPARE(d->text(idColumn), QStringLiteral("ID-1"));
    QVERIFY(d->value(longColumn).isNull());
    QCOMPARE(d->text(longColumn), QString());
    QVERIFY(d->bytes(longColumn).isEmpty());
    QVERIFY(d->isNull(longColumn));
    QVERIFY(env.messages.shown.isEmpty());
}

void TestDatasetReads::longColumnMadeByTheStatementIsKept()
{
    TestDb env;
    addNote(env, QStringLiteral("JS-1"), QDate(2024, 3, 5), QStringLiteral("abc"));
    Dataset *d = DM->ADOQjsb;
    // A content the statement computes is no column of the table: it is
    // held as the statement gave it. A closing comment leaves the rest whole.
    d->setSql({QStringLiteral("select  zdbh,xh,jsid,jsrq,jssj,jsfl,jsbh,jsbt,upper(jsnr) as jsnr,jstq,jsbz  from  jsbnrb"),
               QStringLiteral("order  by  zdbh  -- every note")});
    d->open();
    QVERIFY(!d->isDeferred(d->columnIndex(QStringLiteral("jsnr"))));
    QCOMPARE(d->text(QStringLiteral("jsnr")), QStringLiteral("ABC"));
    d->setSql({QStringLiteral("select  *  from  jsbnrb  -- every note")});
    d->open();
    QVERIFY(d->isDeferred(d->columnIndex(QStringLiteral("jsnr"))));
    QCOMPARE(d->text(QStringLiteral("jsnr")), QStringLiteral("abc"));
}

void TestDatasetReads::resultHoldsOnlyTheShortColumns()
{
    TestDb env;
    const QString content(20000, QChar(0x4E2D));
    for (int i = 1; i <= 200; ++i)
        addNote(env, QStringLiteral("JS-%1").arg(i), QDate(2024, 3, 5), content);
    searchNotes(QDate(2024, 1, 1), QDate(2024, 12, 31));
    QCOMPARE(DM->ADOQjsb->rowCount(), 200);
    // 200 contents of 60,000 bytes each, and the result holds a few
    // hundred bytes a row.
    QVERIFY2(DM->ADOQjsb->memoryBytes() < 200 * 1024, qPrintable(QString::number(DM->ADOQjsb->memoryBytes())));
    DM->ADOQjsb->last();
    QCOMPARE(DM->ADOQjsb->text(QStringLiteral("jsnr")), content);
}

void TestDatasetReads::changedPictureIsShownUntilPostedOrCancelled()
{
    TestDb env;
    const QByteArray stored = QByteArray("\xff\xd8") + "stored", changed = QByteArray("\xff\xd8") + "changed";
    env.insert(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-1', '一', ?)"), {stored});
    Dataset *d = DM->ADOQjstpb;
    d->setSql({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where js_id= :jsid"),
               QStringLiteral("order  by  zdbh")});
    d->bind(QStringLiteral("jsid"), QStringLiteral("JS-1"));
    d->open();

    d->setFieldValue(QStringLiteral("jstp"), changed);
    QCOMPARE(d->bytes(QStringLiteral("jstp")), changed);
    d->cancel();
    QCOMPARE(d->bytes(QStringLiteral("jstp")), stored);
    d->setFieldValue(QStringLiteral("jstp"), changed);
    d->post();
    QCOMPARE(env.scalar(QStringLiteral("select jstp from jstpb")).toByteArray(), changed);
    QCOMPARE(d->bytes(QStringLiteral("jstp")), changed);

    // A new row with its bytes, as the picture window stores one.
    d->append();
    QVERIFY(d->bytes(QStringLiteral("jstp")).isEmpty());
    d->setFieldValue(QStringLiteral("js_id"), QStringLiteral("JS-1"));
    d->setFieldValue(QStringLiteral("jstp"), stored);
    d->post();
    QCOMPARE(env.scalar(QStringLiteral("select jstp from jstpb where zdbh = %1").arg(d->integer(QStringLiteral("zdbh"))))
                 .toByteArray(),
             stored);
    d->first();
    QCOMPARE(d->bytes(QStringLiteral("jstp")), changed);
    d->last();
    QCOMPARE(d->bytes(QStringLiteral("jstp")), stored);
}

void TestDatasetReads::reopenRunsWhenRead_data()
{
    QTest::addColumn<QString>("read");
    QTest::newRow("row count") << "rowCount";
    QTest::newRow("empty test") << "isEmpty";
    QTest::newRow("a field") << "text";
    QTest::newRow("end test and moves") << "eof";
    QTest::newRow("the current row") << "currentRow";
}

void TestDatasetReads::reopenRunsWhenRead()
{
    QFETCH(QString, read);
    TestDb env;
    addNote(env, QStringLiteral("JS-1"), QDate(2024, 3, 5));
    addNote(env, QStringLiteral("JS-2"), QDate(2024, 5, 5));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    Dataset *d = DM->ADOQjsb;
    QCOMPARE(idsOf(d), QStringList{QStringLiteral("JS-1")});
    const QStringList statement = d->sql();

    d->reopen(); // nothing shows the notes
    QVERIFY(d->pending());
    QVERIFY(d->active());
    // Values bound after the reopen was asked for are for the next one; a
    // note stored meanwhile is found, as the statement runs when read.
    d->bind(QStringLiteral("zrq"), QDate(2024, 12, 31));
    addNote(env, QStringLiteral("JS-3"), QDate(2024, 3, 6));

    if (read == QLatin1String("rowCount")) {
        QCOMPARE(d->rowCount(), 2);
    } else if (read == QLatin1String("isEmpty")) {
        QVERIFY(!d->isEmpty());
    } else if (read == QLatin1String("text")) {
        QCOMPARE(d->text(QStringLiteral("jsid")), QStringLiteral("JS-3"));
    } else if (read == QLatin1String("eof")) {
        QStringList ids;
        while (!d->eof()) {
            ids << d->text(QStringLiteral("jsid"));
            d->next();
        }
        QCOMPARE(ids, (QStringList{QStringLiteral("JS-3"), QStringLiteral("JS-1")}));
    } else {
        QCOMPARE(d->currentRow(), 0);
    }
    QVERIFY(!d->pending());
    QCOMPARE(idsOf(d), (QStringList{QStringLiteral("JS-3"), QStringLiteral("JS-1")}));
    QCOMPARE(d->sql(), statement);

    // The next reopen takes the values bound since.
    d->reopen();
    QCOMPARE(idsOf(d), (QStringList{QStringLiteral("JS-3"), QStringLiteral("JS-2"), QStringLiteral("JS-1")}));
}

void TestDatasetReads::reopenRunsAtOnceWhileShown()
{
    TestDb env;
    addNote(env, QStringLiteral("JS-1"), QDate(2024, 3, 5));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    Dataset *d = DM->ADOQjsb;
    Viewer viewer;
    d->addViewer(&viewer);
    QSignalSpy resets(d, &Dataset::reset);
    d->reopen();
    QVERIFY(!d->pending());
    QVERIFY(resets.size() >= 1); // the shown control is told at once
    addNote(env, QStringLiteral("JS-2"), QDate(2024, 3, 6));
    QCOMPARE(idsOf(d), QStringList{QStringLiteral("JS-1")});

    // Hidden, it waits for a reader.
    viewer.shown = false;
    d->reopen();
    QVERIFY(d->pending());
    QCOMPARE(idsOf(d), (QStringList{QStringLiteral("JS-2"), QStringLiteral("JS-1")}));
    d->removeViewer(&viewer);
}

void TestDatasetReads::closingDropsANotedReopen()
{
    TestDb env;
    addNote(env, QStringLiteral("JS-1"), QDate(2024, 3, 5));
    searchNotes(QDate(2024, 3, 1), QDate(2024, 3, 31));
    Dataset *d = DM->ADOQjsb;
    d->reopen();
    d->close();
    QVERIFY(!d->pending());
    QVERIFY(!d->active());
    QCOMPARE(d->rowCount(), 0);
    QVERIFY(d->eof());
    // A statement that cannot run is refused when the reopen is asked for.
    env.exec(QStringLiteral("alter table jsbnrb rename to jsbnrb_old"));
    DM->ADOConnection->close();
    QVERIFY_THROWS_EXCEPTION(DbError, d->reopen());
    QVERIFY(!d->pending());
    QVERIFY(!d->active());
}

QTEST_MAIN(TestDatasetReads)
#include "tst_datasetreads.moc"
