// The automatic backup on close and the manual backup, driven through the
// real main window offscreen: byte copies, replaced files, a cancelled
// dialog, the database itself as target, a databak that is a file, a
// database locked by a second copy, a copy that fails part-way, the
// progress shown for a long copy, and the connection reopening after a
// backup.
#include "testenv.h"

#include "app/backup.h"
#include "app/filecopy.h"
#include "app/unitmain.h"
#include "data/unitdm.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

QString automaticFile(const TestDb &env)
{
    return env.folder() + QStringLiteral("/databak/jsbdbf") + today() + QStringLiteral(".bak");
}

QStringList filesIn(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    files.sort();
    return files;
}

// Writes a note through the data module, so the connection is open and the
// file holds something of the session.
void writeNote(const QString &jsid, const QString &content = QStringLiteral("内容"))
{
    Dataset *q = DM->ADOQjsbinsert;
    q->setSql({QStringLiteral("insert  into  jsbnrb(jsid,jsnr)"), QStringLiteral("values  (:jsid,:jsnr)")});
    q->bind(QStringLiteral("jsid"), jsid);
    q->bind(QStringLiteral("jsnr"), content);
    q->setPrepared(true);
    q->execSql();
}

int notesIn(const QString &file)
{
    const QList<QVariantMap> rows = queryFile(file, QStringLiteral("select count(*) as n from jsbnrb"));
    return rows.isEmpty() ? -1 : rows.first().value(QStringLiteral("n")).toInt();
}

// The main window as the program has it, without the reminder check.
struct Window {
    TFormmain w;
    Window()
    {
        w.Timer1->stop();
        w.show();
    }
};

// Limits the size of files this process may write, so a copy fails
// part-way as on a full disk (the super-user is not stopped by
// permissions, but is by this limit).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    bool ok() const { return ok_; }

private:
    rlimit saved_ {};
    bool ok_ = false;
};

// Records whether the busy pointer is up while the save dialog is shown.
class CursorWatchingResponder : public RecordingResponder {
public:
    bool busyDuringDialog = false;
    QString fileName(const Messages::Shown &s) override
    {
        busyDuringDialog = QGuiApplication::overrideCursor() != nullptr;
        return RecordingResponder::fileName(s);
    }
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void automaticBackupOnClose();
    void sameDayCloseReplacesTheFile();
    void manualBackup_data();
    void manualBackup();
    void manualBackupCancelled();
    void databaseItselfAsTarget_data();
    void databaseItselfAsTarget();
    void databakThatIsAFileKeepsTheWindowOpen();
    void missingDatabaseKeepsTheWindowOpen();
    void exclusiveLockOfASecondCopy_data();
    void exclusiveLockOfASecondCopy();
    void readerOfASecondCopyDoesNotStopTheBackup();
    void failedCopyLeavesTheEarlierBackup_data();
    void failedCopyLeavesTheEarlierBackup();
    void nextQueryReopensAfterManualBackup();
    void longCopyShowsItsProgress_data();
    void longCopyShowsItsProgress();
};

void TestBackup::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestBackup::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor()); // the pointer is back on every path
}

void TestBackup::automaticBackupOnClose()
{
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    writeNote(QStringLiteral("JS-2"));
    QVERIFY(DM->ADOConnection->connected());
    QVERIFY(!QFileInfo::exists(env.folder() + QStringLiteral("/databak")));

    QVERIFY(win.w.close());
    QVERIFY(!win.w.isVisible());
    QVERIFY(QFileInfo(env.folder() + QStringLiteral("/databak")).isDir());
    QCOMPARE(filesIn(env.folder() + QStringLiteral("/databak")),
             QStringList{QStringLiteral("jsbdbf") + today() + QStringLiteral(".bak")});
    QCOMPARE(bytesOf(automaticFile(env)), bytesOf(env.file()));
    QCOMPARE(notesIn(automaticFile(env)), 2);
    QVERIFY(!DM->ADOConnection->connected());
    QCOMPARE(env.messages.shown.size(), 0);
    QCOMPARE(Backup::automaticTarget(QDate(2012, 1, 8)),
             QDir::toNativeSeparators(env.folder() + QStringLiteral("/databak/jsbdbf20120108.bak")));
}

void TestBackup::sameDayCloseReplacesTheFile()
{
    TestDb env;
    QVERIFY(QDir(env.folder()).mkdir(QStringLiteral("databak")));
    const QString older = env.folder() + QStringLiteral("/databak/jsbdbf20000101.bak");
    {
        QFile f(automaticFile(env));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(200000, 'x')); // longer than the database
        QFile g(older);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("an older day");
    }
    {
        Window first;
        writeNote(QStringLiteral("JS-1"));
        QVERIFY(first.w.close());
    }
    QCOMPARE(bytesOf(automaticFile(env)), bytesOf(env.file()));
    {
        Window second;
        writeNote(QStringLiteral("JS-2"));
        QVERIFY(second.w.close());
    }
    QCOMPARE(bytesOf(automaticFile(env)), bytesOf(env.file()));
    QCOMPARE(notesIn(automaticFile(env)), 2);
    QCOMPARE(bytesOf(older), QByteArray("an older day"));
    QCOMPARE(filesIn(env.folder() + QStringLiteral("/databak")).size(), 2);
}

void TestBackup::manualBackup_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existing");
    QTest::newRow("suggested name") << QStringLiteral("jsbdbf%1.bak").arg(today()) << false;
    QTest::newRow("onto an existing file") << "old.bak" << true;
    QTest::newRow("name without extension") << "mybackup" << false;
    QTest::newRow("Chinese name with blanks") << "我的 备份" << false;
}

void TestBackup::manualBackup()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    TestDb env;
    CursorWatchingResponder responder;
    Messages::setResponder(&responder);
    Window win;
    writeNote(QStringLiteral("JS-1"));
    QVERIFY(QDir(env.folder()).mkdir(QStringLiteral("saves")));
    const QString target = env.folder() + QStringLiteral("/saves/") + name;
    if (existing) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(300000, 'o'));
    }
    responder.fileNames.enqueue(target);
    win.w.N12->trigger();
    Messages::setResponder(&env.messages);

    QCOMPARE(responder.shown.size(), 2);
    QCOMPARE(responder.shown[0].kind, Messages::Kind::SaveFile);
    QCOMPARE(responder.shown[0].text, QStringLiteral("jsbdbf") + today() + QStringLiteral(".bak"));
    QCOMPARE(responder.shown[1].kind, Messages::Kind::Plain);
    QCOMPARE(responder.shown[1].text, QStringLiteral("备份成功!"));
    QVERIFY(responder.busyDuringDialog);
    QCOMPARE(filesIn(env.folder() + QStringLiteral("/saves")), QStringList{name});
    QCOMPARE(bytesOf(target), bytesOf(env.file()));
    QCOMPARE(notesIn(target), 1);
    QVERIFY(!QFileInfo::exists(env.folder() + QStringLiteral("/databak")));
    QVERIFY(!DM->ADOConnection->connected());
    QVERIFY(win.w.isVisible());
}

void TestBackup::manualBackupCancelled()
{
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    const QStringList before = filesIn(env.folder());
    win.w.N12->trigger(); // nothing queued: the dialog is cancelled
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].kind, Messages::Kind::SaveFile);
    QCOMPARE(filesIn(env.folder()), before);
    QVERIFY(DM->ADOConnection->connected()); // the connection stays as it was
}

void TestBackup::databaseItselfAsTarget_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("its own path") << "path";
    QTest::newRow("a path with a dot folder") << "dot";
    QTest::newRow("a link to it") << "link";
}

void TestBackup::databaseItselfAsTarget()
{
    QFETCH(QString, how);
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    DM->ADOConnection->close();
    const QByteArray before = bytesOf(env.file());
    QString target = env.file();
    if (how == QLatin1String("dot"))
        target = env.folder() + QStringLiteral("/./jsbdbf.mdb");
    if (how == QLatin1String("link")) {
        target = env.folder() + QStringLiteral("/link.mdb");
        QVERIFY(QFile::link(env.file(), target));
    }
    env.messages.fileNames.enqueue(target);
    win.w.N12->trigger();
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    const QString error = env.messages.texts(Messages::Kind::Error).first();
    QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"")), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
    QCOMPARE(env.messages.count(Messages::Kind::Plain), 0);
    QCOMPARE(bytesOf(env.file()), before);
    QVERIFY(QFileInfo(env.file()).isFile() && !QFileInfo(env.file()).isSymLink());
    QCOMPARE(notesIn(env.file()), 1);
    QStringList expected{QStringLiteral("jsbdbf.mdb")};
    if (how == QLatin1String("link"))
        expected.append(QStringLiteral("link.mdb"));
    QCOMPARE(filesIn(env.folder()), expected);
}

void TestBackup::databakThatIsAFileKeepsTheWindowOpen()
{
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    {
        QFile f(env.folder() + QStringLiteral("/databak"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a folder");
    }
    QVERIFY(!win.w.close());
    QVERIFY(win.w.isVisible());
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    const QString error = env.messages.texts(Messages::Kind::Error).first();
    QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"")), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(automaticFile(env))), qPrintable(error));
    QCOMPARE(bytesOf(env.folder() + QStringLiteral("/databak")), QByteArray("not a folder"));
    // The program goes on: the next query opens the connection again.
    QCOMPARE(DM->ReadXmid(1), QStringLiteral("1"));
    // Once the way is clear, closing backs up and closes.
    QVERIFY(QFile::remove(env.folder() + QStringLiteral("/databak")));
    QVERIFY(win.w.close());
    QVERIFY(!win.w.isVisible());
    QCOMPARE(bytesOf(automaticFile(env)), bytesOf(env.file()));
}

void TestBackup::missingDatabaseKeepsTheWindowOpen()
{
    TestDb env;
    Window win;
    QVERIFY(QFile::remove(env.file()));
    QVERIFY(!win.w.close());
    QVERIFY(win.w.isVisible());
    const QString error = env.messages.texts(Messages::Kind::Error).value(0);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot open file \"")), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(env.file())), qPrintable(error));
    QVERIFY(!QFile::exists(env.file()));
    QVERIFY(filesIn(env.folder() + QStringLiteral("/databak")).isEmpty());
}

void TestBackup::exclusiveLockOfASecondCopy_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("automatic on close") << false;
    QTest::newRow("manual") << true;
}

void TestBackup::exclusiveLockOfASecondCopy()
{
    QFETCH(bool, manual);
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    const QString target = env.folder() + QStringLiteral("/manual.bak");
    // A second running copy is writing.
    SqliteDb &other = env.direct();
    other.exec(QStringLiteral("begin exclusive"));
    other.exec(QStringLiteral("insert into jsbnrb(jsid) values ('JS-other')"));

    if (manual) {
        env.messages.fileNames.enqueue(target);
        win.w.N12->trigger();
        QCOMPARE(env.messages.count(Messages::Kind::Plain), 0);
        QVERIFY(!QFileInfo::exists(target));
    } else {
        QVERIFY(!win.w.close());
        QVERIFY(win.w.isVisible());
        QVERIFY(filesIn(env.folder() + QStringLiteral("/databak")).isEmpty());
    }
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    const QString error = env.messages.texts(Messages::Kind::Error).first();
    // The reason is the real one: the lock another connection holds.
    QCOMPARE(error, Messages::errorText(QStringLiteral("Cannot open file \"%1\". 数据库正被另一个程序写入")
                                            .arg(QDir::toNativeSeparators(env.file()))));
    QCOMPARE(env.messages.details(Messages::Kind::Error), QStringList{QStringLiteral("database is locked")});

    // Once the other copy is done, the backup goes through with its row.
    other.exec(QStringLiteral("commit"));
    env.messages.clear();
    if (manual) {
        env.messages.fileNames.enqueue(target);
        win.w.N12->trigger();
        QCOMPARE(env.messages.texts(Messages::Kind::Plain), QStringList{QStringLiteral("备份成功!")});
        QCOMPARE(notesIn(target), 2);
    } else {
        QVERIFY(win.w.close());
        QCOMPARE(notesIn(automaticFile(env)), 2);
    }
    QCOMPARE(env.messages.count(Messages::Kind::Error), 0);
}

void TestBackup::readerOfASecondCopyDoesNotStopTheBackup()
{
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    SqliteDb &other = env.direct();
    other.exec(QStringLiteral("begin"));
    other.exec(QStringLiteral("select count(*) from jsbnrb"));
    QVERIFY(win.w.close());
    QCOMPARE(bytesOf(automaticFile(env)), bytesOf(env.file()));
    other.exec(QStringLiteral("commit"));
}

void TestBackup::failedCopyLeavesTheEarlierBackup_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("manual") << true;
    QTest::newRow("automatic on close") << false;
}

void TestBackup::failedCopyLeavesTheEarlierBackup()
{
    QFETCH(bool, manual);
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    const QString folder = manual ? env.folder() + QStringLiteral("/saves") : env.folder() + QStringLiteral("/databak");
    QVERIFY(QDir(env.folder()).mkdir(QFileInfo(folder).fileName()));
    const QString target = manual ? folder + QStringLiteral("/copy.bak") : automaticFile(env);

    // An earlier backup of that name.
    env.messages.fileNames.enqueue(target);
    if (manual)
        win.w.N12->trigger();
    else
        QVERIFY(QFile::copy(env.file(), target));
    const QByteArray earlier = bytesOf(target);
    QVERIFY(!earlier.isEmpty());
    env.messages.clear();

    // The database grows well beyond what the disk still takes.
    writeNote(QStringLiteral("JS-2"), QString(400000, QChar(0x5B57)));
    DM->ADOConnection->close();
    const QByteArray database = bytesOf(env.file());
    QVERIFY(database.size() > 1000000);
    {
        FileSizeLimit full(200000);
        QVERIFY(full.ok());
        if (manual) {
            env.messages.fileNames.enqueue(target);
            win.w.N12->trigger();
        } else {
            QVERIFY(!win.w.close());
        }
    }
    QCOMPARE(env.messages.count(Messages::Kind::Error), 1);
    const QString error = env.messages.texts(Messages::Kind::Error).first();
    QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"")), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
    // The system's reason, not a blank one.
    QVERIFY2(!error.contains(QStringLiteral("Unknown error")), qPrintable(error));
    QCOMPARE(env.messages.count(Messages::Kind::Plain), 0);
    QCOMPARE(bytesOf(target), earlier);
    QCOMPARE(filesIn(folder), QStringList{QFileInfo(target).fileName()});
    QCOMPARE(bytesOf(env.file()), database);
    QVERIFY(win.w.isVisible());

    // With room again the next attempt succeeds.
    env.messages.clear();
    if (manual) {
        env.messages.fileNames.enqueue(target);
        win.w.N12->trigger();
    } else {
        QVERIFY(win.w.close());
    }
    QCOMPARE(env.messages.count(Messages::Kind::Error), 0);
    QCOMPARE(bytesOf(target), database);
}

void TestBackup::nextQueryReopensAfterManualBackup()
{
    TestDb env;
    Window win;
    writeNote(QStringLiteral("JS-1"));
    DM->ADOQjsb->reopen();
    QCOMPARE(DM->ADOQjsb->rowCount(), 1);
    env.messages.fileNames.enqueue(env.folder() + QStringLiteral("/copy.bak"));
    win.w.N12->trigger();
    QCOMPARE(env.messages.texts(Messages::Kind::Plain), QStringList{QStringLiteral("备份成功!")});
    QVERIFY(!DM->ADOConnection->connected());
    // The datasets query again and the connection opens by itself.
    writeNote(QStringLiteral("JS-2"));
    QVERIFY(DM->ADOConnection->connected());
    DM->ADOQjsb->reopen();
    QCOMPARE(DM->ADOQjsb->rowCount(), 2);
    QCOMPARE(notesIn(env.folder() + QStringLiteral("/copy.bak")), 1);
}

void TestBackup::longCopyShowsItsProgress_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<int>("pictures"); // of 1 MB each
    QTest::addColumn<int>("delay");    // ms before the progress shows
    QTest::addColumn<bool>("shown");
    QTest::newRow("automatic, a copy of several steps") << false << 40 << 0 << true;
    QTest::newRow("manual, a copy of several steps") << true << 40 << 0 << true;
    QTest::newRow("a quick copy") << false << 2 << FileCopy::progressDelay() << false;
}

// What the progress dialog shows while the copy goes on, looked at each
// time the copy lets events through; the copy is the database byte for byte.
void TestBackup::longCopyShowsItsProgress()
{
    QFETCH(bool, manual);
    QFETCH(int, pictures);
    QFETCH(int, delay);
    QFETCH(bool, shown);
    TestDb env;
    Window win;
    QRandomGenerator rng(3);
    for (int i = 0; i < pictures; ++i) {
        QByteArray bytes(1 << 20, Qt::Uninitialized);
        rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        env.insert(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-1', ?, ?)"),
                   {QStringLiteral("图%1").arg(i), bytes});
    }
    env.direct().close();
    const qint64 size = QFileInfo(env.file()).size();
    const QString target = manual ? env.folder() + QStringLiteral("/手动备份.bak") : automaticFile(env);

    struct Seen {
        bool visible;
        bool modal;
        QString label;
        int value;
        QString barName;
    };
    QList<Seen> seen;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->objectName() == QLatin1String("BackupProgress")) {
                auto *bar = d->findChild<QProgressBar *>();
                seen.append({d->isVisible(), d->isModal(), d->labelText(), d->value(),
                             bar ? bar->accessibleName() : QString()});
            }
    });
    look.start(0);
    const int saved = FileCopy::progressDelay();
    FileCopy::setProgressDelay(delay);
    if (manual) {
        env.messages.fileNames.enqueue(target);
        win.w.N12->trigger();
    } else {
        QVERIFY(win.w.close());
    }
    FileCopy::setProgressDelay(saved);
    look.stop();

    QCOMPARE(env.messages.count(Messages::Kind::Error), 0);
    QCOMPARE(bytesOf(target), bytesOf(env.file()));
    QCOMPARE(filesIn(QFileInfo(target).absolutePath()).filter(QStringLiteral(".bak")).size(), 1);
    QCOMPARE(!seen.isEmpty(), shown);
    if (shown) {
        const QString total = QStringLiteral("共 %1 MB").arg(double(size) / 1e6, 0, 'f', 1);
        int last = -1;
        for (const Seen &s : seen) {
            QVERIFY(s.visible && s.modal);
            QVERIFY2(s.label.contains(total) && s.label.contains(QStringLiteral("已复制")), qPrintable(s.label));
            QVERIFY(s.value >= last && s.value <= 1000);
            QCOMPARE(s.barName, QStringLiteral("已复制"));
            last = s.value;
        }
        QVERIFY(seen.first().value < 1000);
    }
    // Gone once the copy is done.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != QLatin1String("BackupProgress"));
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
