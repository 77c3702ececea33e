// The older version's Access notebook at start: the reminder check meets it,
// the question names the file and where the old file is kept; OK converts
// with a progress dialog and the check runs on the new database, Cancel and
// a failed conversion change no file.
#include "windowenv.h"

#include "app/startup.h"
#include "data/unitdm.h"
#include "memos/unitbeiwl.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

namespace {

QString legacy()
{
    const QString dir = testDataDir(QStringLiteral("legacy"));
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/legacy_jsbdbf_v2000.mdb");
}

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex()
                                       : QByteArray();
}

// The database of the fixture replaced by the older version's file, or by
// its first `cut` bytes.
bool putLegacy(TestDb &db, qint64 cut = -1)
{
    QFile in(legacy());
    QFile out(db.file());
    if (!QFile::remove(db.file()) || !in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = in.readAll();
    return out.write(cut < 0 ? bytes : bytes.left(cut)) > 0;
}

} // namespace

class TestAccessOffer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void okConvertsAndTheReminderCheckGoesOn();
    void cancelChangesNothing();
    void failedConversionChangesNothing();
};

void TestAccessOffer::init()
{
    if (legacy().isEmpty())
        QSKIP("the shared test data (legacy notebook) is absent");
}

void TestAccessOffer::okConvertsAndTheReminderCheckGoesOn()
{
    WindowEnv env;
    Startup::installDatabaseOffers();
    QVERIFY(putLegacy(env.db));
    const QByteArray before = md5Of(env.db.file());

    env.main->Timer1Timer();

    const QList<Messages::Shown> shown = env.db.messages.shown;
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first().kind, Messages::Kind::Question);
    QVERIFY2(shown.first().text.contains(env.db.file()), qPrintable(shown.first().text));
    QVERIFY2(shown.first().text.contains(QStringLiteral("jsbdbf-access.mdb")), qPrintable(shown.first().text));
    QCOMPARE(env.db.messages.count(Messages::Kind::Error), 0);
    // The old file is kept as it was; the new database has the notes.
    const QString kept = env.db.folder() + QStringLiteral("/jsbdbf-access.mdb");
    QCOMPARE(md5Of(kept), before);
    QCOMPARE(env.db.count(QStringLiteral("jsbnrb")), 40);
    // The reminder check ran on the converted notebook: its due memos are listed.
    QVERIFY(DM->ADOQbwlb->active());
    QVERIFY(DM->ADOQbwlb->rowCount() > 0);
    QVERIFY(Formbeiwl);
}

void TestAccessOffer::cancelChangesNothing()
{
    WindowEnv env;
    Startup::installDatabaseOffers();
    QVERIFY(putLegacy(env.db));
    const QByteArray before = md5Of(env.db.file());
    env.db.messages.answers.enqueue(false);

    env.main->Timer1Timer();

    QCOMPARE(env.db.messages.count(Messages::Kind::Question), 1);
    const QStringList errors = env.db.messages.texts(Messages::Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(QStringLiteral("不是")), qPrintable(errors.first()));
    QCOMPARE(md5Of(env.db.file()), before);
    QVERIFY(!QFile::exists(env.db.folder() + QStringLiteral("/jsbdbf-access.mdb")));
    QVERIFY(!Formbeiwl);
}

void TestAccessOffer::failedConversionChangesNothing()
{
    WindowEnv env;
    Startup::installDatabaseOffers();
    QVERIFY(putLegacy(env.db, 300 * 1024)); // cut off in the middle of its pages
    const QByteArray before = md5Of(env.db.file());

    env.main->Timer1Timer();

    QCOMPARE(env.db.messages.count(Messages::Kind::Question), 1);
    const QStringList errors = env.db.messages.texts(Messages::Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QStringLiteral("旧版本的记事本没有转换")), qPrintable(errors.first()));
    QCOMPARE(md5Of(env.db.file()), before);
    QVERIFY(!QFile::exists(env.db.folder() + QStringLiteral("/jsbdbf-access.mdb")));
    QStringList left = QDir(env.db.folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{QStringLiteral("jsbdbf.mdb")});
}

QTEST_MAIN(TestAccessOffer)
#include "tst_accessoffer.moc"
