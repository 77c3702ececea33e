// A damaged database never traps the user: closing skips the backup and
// closes, the first statement that meets the damage (at start the reminder
// check) offers to restore the newest sound backup, the manual backup
// copies the damaged file as it is. Damaged files are made in the test: a
// notebook cut off in the middle of a page, pages overwritten with noise.
#include "windowenv.h"

#include "damage.h"
#include "fileaccess.h"

#include "app/backup.h"
#include "app/restore.h"
#include "data/unitdm.h"
#include "notes/unitjsbgl.h"
#include "ui/guard.h"

#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList filesIn(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    files.sort();
    return files;
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

QStringList notesIn(const QString &file)
{
    QStringList ids;
    for (const QVariantMap &row : queryFile(file, QStringLiteral("select jsid from jsbnrb order by zdbh")))
        ids << row.value(QStringLiteral("jsid")).toString();
    return ids;
}

void addNotes(TestDb &db, int from, int count)
{
    for (int i = from; i < from + count; ++i)
        db.insert(QStringLiteral("insert into jsbnrb(jsid, jsrq, jsnr) values (?, '2024-03-05 00:00:00', ?)"),
                  {QStringLiteral("JS-%1").arg(i), QString(600, QChar(0x5B57))});
}

// A notebook with a history: databak holds a sound backup of an earlier
// day (notes 1 to 5), a newer backup that is damaged, and a file that is no
// backup; the database itself has notes 1 to 40.
struct Notebook {
    WindowEnv env;
    QString databak;
    QString older;  // jsbdbf20240101.bak, sound
    QString newer;  // jsbdbf20240102.bak, damaged

    Notebook()
    {
        Restore::install();
        databak = env.db.folder() + QStringLiteral("/databak");
        QDir(env.db.folder()).mkdir(QStringLiteral("databak"));
        older = databak + QStringLiteral("/jsbdbf20240101.bak");
        newer = databak + QStringLiteral("/jsbdbf20240102.bak");
        addNotes(env.db, 1, 5);
        env.db.direct().close();
        QFile::copy(env.db.file(), older);
        addNotes(env.db, 6, 5);
        env.db.direct().close();
        QFile::copy(env.db.file(), newer);
        Damage::truncateMidPage(newer);
        writeFile(databak + QStringLiteral("/readme.txt"), "not a backup");
        addNotes(env.db, 11, 30);
        env.db.direct().close();
    }
    ~Notebook() { setDamageHandler({}); }

    RecordingResponder &messages() { return env.db.messages; }
    QString file() const { return env.db.file(); }

    // Damages the database: "truncated", "noise" on the last pages (the
    // notes' own; the memo table at the front stays readable) or "head".
    bool damage(const QString &how)
    {
        if (how == QLatin1String("truncated"))
            return Damage::truncateMidPage(file());
        if (how == QLatin1String("noise"))
            return Damage::overwriteWithNoise(file(), Damage::pagesOf(file()) - 8, 8);
        return Damage::overwriteWithNoise(file(), 1, 1);
    }
    // The file the damaged database was moved to, if any.
    QStringList asideFiles() const
    {
        return QDir(env.db.folder()).entryList({QStringLiteral("jsbdbf-damaged-*")}, QDir::Files);
    }
    // Runs what meets the damage first: the reminder check at start, or a
    // search in the note search window.
    void meet(const QString &where)
    {
        if (where == QLatin1String("reminder check")) {
            env.main->Timer1Timer();
            return;
        }
        env.main->N3->trigger(); // reads the categories
        if (!Formjsbgl || !messages().shown.isEmpty())
            return;
        Formjsbgl->DateTimePicker1->setDate(QDate(2024, 1, 1));
        Formjsbgl->DateTimePicker2->setDate(QDate(2024, 12, 31));
        Formjsbgl->BitBtn1->click();
    }
};

} // namespace

class TestRestore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void closingSkipsTheBackupAndCloses_data();
    void closingSkipsTheBackupAndCloses();
    void restoreOffered_data();
    void restoreOffered();
    void restoreCancelledChangesNothing();
    void noSoundBackup_data();
    void noSoundBackup();
    void restoreThatCannotBeWrittenChangesNothing();
    void manualBackupCopiesTheDamagedFileAsItIs();
};

void TestRestore::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestRestore::closingSkipsTheBackupAndCloses_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("todaysBackup");
    QTest::newRow("cut off mid-page, today's backup there") << "truncated" << true;
    QTest::newRow("noise on the notes' pages, today's backup there") << "noise" << true;
    QTest::newRow("noise on the head, no backup today") << "head" << false;
}

void TestRestore::closingSkipsTheBackupAndCloses()
{
    QFETCH(QString, damage);
    QFETCH(bool, todaysBackup);
    Notebook book;
    const QString todays = book.databak + QStringLiteral("/jsbdbf") + today() + QStringLiteral(".bak");
    if (todaysBackup) // an earlier close today
        QVERIFY(QFile::copy(book.older, todays));
    const QStringList backups = filesIn(book.databak);
    const QByteArray good = bytesOf(todaysBackup ? todays : book.older);
    QVERIFY(book.damage(damage));
    const QByteArray damaged = bytesOf(book.file());

    QVERIFY(book.env.main->close());
    QVERIFY(!book.env.main->isVisible());

    // Told once, in Chinese, naming the newest sound backup; no question.
    QCOMPARE(book.messages().shown.size(), 1);
    const Messages::Shown told = book.messages().shown.first();
    QCOMPARE(told.kind, Messages::Kind::Error);
    QVERIFY2(told.text.contains(QStringLiteral("已损坏")) && told.text.contains(QStringLiteral("没有备份")),
             qPrintable(told.text));
    QVERIFY2(!told.text.contains(QStringLiteral("另一个程序")), qPrintable(told.text));
    const QString named = QDir::toNativeSeparators(todaysBackup ? todays : book.older);
    QVERIFY2(told.text.contains(named), qPrintable(told.text));
    QVERIFY2(!told.details.isEmpty(), "SQLite's findings belong in the details");
    // Nothing was written: the backups byte for byte, the damaged file too.
    QCOMPARE(filesIn(book.databak), backups);
    QCOMPARE(bytesOf(todaysBackup ? todays : book.older), good);
    QCOMPARE(bytesOf(book.file()), damaged);
}

void TestRestore::restoreOffered_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("where");
    QTest::newRow("cut off mid-page, at the reminder check") << "truncated" << "reminder check";
    QTest::newRow("noise on the head, at the reminder check") << "head" << "reminder check";
    QTest::newRow("noise on the notes' pages, at a note search") << "noise" << "note search";
}

void TestRestore::restoreOffered()
{
    QFETCH(QString, damage);
    QFETCH(QString, where);
    Notebook book; // the newer backup is damaged: the older one is offered
    const QStringList backups = filesIn(book.databak);
    const QByteArray older = bytesOf(book.older);
    QVERIFY(book.damage(damage));
    const QByteArray damaged = bytesOf(book.file());

    book.meet(where);

    const QList<Messages::Shown> shown = book.messages().shown;
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, Messages::Kind::Question);
    QVERIFY2(shown[0].text.contains(QStringLiteral("已损坏")), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(book.older)), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("2024-01-01")), qPrintable(shown[0].text));
    QVERIFY(!shown[0].details.isEmpty());
    QCOMPARE(shown[1].kind, Messages::Kind::Plain);
    QVERIFY2(shown[1].text.contains(QStringLiteral("恢复")), qPrintable(shown[1].text));

    // The backup is the database now; the damaged file lies beside it,
    // unchanged; databak is as it was.
    QCOMPARE(bytesOf(book.file()), older);
    const QStringList aside = book.asideFiles();
    QCOMPARE(aside.size(), 1);
    QVERIFY2(shown[1].text.contains(aside.first()), qPrintable(shown[1].text));
    QCOMPARE(bytesOf(book.env.db.folder() + QLatin1Char('/') + aside.first()), damaged);
    QCOMPARE(filesIn(book.databak), backups);
    QCOMPARE(bytesOf(book.older), older);
    QVERIFY(!filesIn(book.env.db.folder()).join(QLatin1Char(' ')).contains(QStringLiteral("tmp")));

    // The program goes on with it: the next statement opens it.
    book.messages().clear();
    QVERIFY(runGuarded([] { DM->ADOQjsb->setSql({QStringLiteral("select  *  from  jsbnrb")}); DM->ADOQjsb->open(); }));
    QCOMPARE(DM->ADOQjsb->rowCount(), 5);
    QVERIFY(book.messages().shown.isEmpty());
    // And it closes with a backup of the restored notebook.
    QVERIFY(book.env.main->close());
    QCOMPARE(notesIn(book.databak + QStringLiteral("/jsbdbf") + today() + QStringLiteral(".bak")).size(), 5);
}

void TestRestore::restoreCancelledChangesNothing()
{
    Notebook book;
    const QStringList backups = filesIn(book.databak);
    QVERIFY(book.damage(QStringLiteral("truncated")));
    const QByteArray damaged = bytesOf(book.file());
    const QStringList files = filesIn(book.env.db.folder());

    book.messages().answers.enqueue(false);
    book.meet(QStringLiteral("reminder check"));
    QCOMPARE(book.messages().count(Messages::Kind::Question), 1);
    QCOMPARE(book.messages().shown.size(), 1);
    QCOMPARE(bytesOf(book.file()), damaged);
    QCOMPARE(filesIn(book.env.db.folder()), files);
    QCOMPARE(filesIn(book.databak), backups);

    // The offer was made where the damage was first met; later statements
    // show the damage in the error box.
    book.messages().clear();
    book.meet(QStringLiteral("note search"));
    QCOMPARE(book.messages().count(Messages::Kind::Question), 0);
    QVERIFY(book.messages().count(Messages::Kind::Error) >= 1);
    QVERIFY2(book.messages().texts(Messages::Kind::Error).first().contains(QStringLiteral("已损坏")),
             qPrintable(book.messages().texts(Messages::Kind::Error).first()));
    QCOMPARE(bytesOf(book.file()), damaged);
}

void TestRestore::noSoundBackup_data()
{
    QTest::addColumn<bool>("databak");
    QTest::newRow("no databak at all") << false;
    QTest::newRow("only damaged backups") << true;
}

void TestRestore::noSoundBackup()
{
    QFETCH(bool, databak);
    Notebook book;
    if (databak) {
        QVERIFY(QFile::remove(book.older));
        QVERIFY(Damage::overwriteWithNoise(book.newer, 1, 1));
    } else {
        QVERIFY(QDir(book.databak).removeRecursively());
    }
    QVERIFY(book.damage(QStringLiteral("truncated")));
    const QByteArray damaged = bytesOf(book.file());
    const QStringList files = filesIn(book.env.db.folder());

    book.meet(QStringLiteral("reminder check"));
    QCOMPARE(book.messages().shown.size(), 1);
    QCOMPARE(book.messages().shown.first().kind, Messages::Kind::Error);
    const QString text = book.messages().shown.first().text;
    QVERIFY2(text.contains(QStringLiteral("已损坏")) && text.contains(QStringLiteral("没有完好的备份")), qPrintable(text));
    QCOMPARE(bytesOf(book.file()), damaged);
    QCOMPARE(filesIn(book.env.db.folder()), files);

    // Closing says so once more and closes.
    book.messages().clear();
    QVERIFY(book.env.main->close());
    QCOMPARE(book.messages().shown.size(), 1);
    QVERIFY(book.messages().shown.first().text.contains(QStringLiteral("没有完好的备份")));
    QCOMPARE(bytesOf(book.file()), damaged);
}

void TestRestore::restoreThatCannotBeWrittenChangesNothing()
{
    Notebook book;
    QVERIFY(book.damage(QStringLiteral("truncated")));
    const QByteArray damaged = bytesOf(book.file());
    const QStringList files = filesIn(book.env.db.folder());
    // The database's folder takes no new file.
    QVERIFY(QFile::setPermissions(book.env.db.folder(), QFile::ReadOwner | QFile::ExeOwner));
    {
        PermissionsBind permissions;
        if (!permissions.ok()) {
            QFile::setPermissions(book.env.db.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("running as the super-user, which permissions do not stop, and its override cannot be given up");
        }
        book.meet(QStringLiteral("reminder check"));
    }
    QFile::setPermissions(book.env.db.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(book.messages().count(Messages::Kind::Question), 1);
    QCOMPARE(book.messages().count(Messages::Kind::Error), 1);
    QVERIFY2(book.messages().texts(Messages::Kind::Error).first().contains(QStringLiteral("没有恢复")),
             qPrintable(book.messages().texts(Messages::Kind::Error).first()));
    QCOMPARE(bytesOf(book.file()), damaged);
    QCOMPARE(filesIn(book.env.db.folder()), files);
}

void TestRestore::manualBackupCopiesTheDamagedFileAsItIs()
{
    Notebook book;
    QVERIFY(book.damage(QStringLiteral("noise")));
    const QByteArray damaged = bytesOf(book.file());
    const QString target = book.env.db.folder() + QStringLiteral("/我的备份.bak");
    book.messages().fileNames.enqueue(target);
    book.env.main->N12->trigger();

    const QList<Messages::Shown> shown = book.messages().shown;
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].kind, Messages::Kind::SaveFile);
    QCOMPARE(shown[1].kind, Messages::Kind::Error);
    QVERIFY2(shown[1].text.contains(QStringLiteral("已损坏")) && shown[1].text.contains(QDir::toNativeSeparators(target)),
             qPrintable(shown[1].text));
    QCOMPARE(shown[2].text, QStringLiteral("备份成功!"));
    QCOMPARE(bytesOf(target), damaged);
    QCOMPARE(bytesOf(book.file()), damaged);
    QVERIFY(book.asideFiles().isEmpty());
}

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
