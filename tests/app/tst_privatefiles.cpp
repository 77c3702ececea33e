// A notebook is private: the database the program makes, every backup, the
// converted database and the exported picture are made readable and
// writable by the user alone, in folders only the user can enter; an
// existing file keeps its mode.
#include "windowenv.h"

#include "app/backup.h"
#include "data/schema.h"
#include "data/unitdm.h"
#include "formats/accessconvert.h"
#include "notes/unittupzj.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace {

// The permission bits of a file or folder, as ls shows them in octal.
int modeOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

} // namespace

class TestPrivateFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void freshDatabase();
    void automaticBackup();
    void manualBackupNewAndExisting_data();
    void manualBackupNewAndExisting();
    void exportedPicture();
    void convertedDatabase();
};

void TestPrivateFiles::initTestCase()
{
    // The usual mask of a desktop session: without the program's care new
    // files would be readable by everyone.
    ::umask(022);
}

void TestPrivateFiles::freshDatabase()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QCOMPARE(modeOf(file), 0600);
}

void TestPrivateFiles::automaticBackup()
{
    WindowEnv env;
    QVERIFY(env.main->close());
    const QString folder = env.db.folder() + QStringLiteral("/databak");
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(modeOf(Backup::automaticTarget(QDate::currentDate())), 0600);
}

void TestPrivateFiles::manualBackupNewAndExisting_data()
{
    QTest::addColumn<int>("before"); // -1: no file yet
    QTest::addColumn<int>("after");
    QTest::newRow("new file") << -1 << 0600;
    QTest::newRow("existing file keeps its mode") << 0640 << 0640;
    QTest::newRow("existing private file") << 0600 << 0600;
}

void TestPrivateFiles::manualBackupNewAndExisting()
{
    QFETCH(int, before);
    QFETCH(int, after);
    WindowEnv env;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("备份.bak"));
    if (before >= 0) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.close();
        QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(before)) == 0);
    }
    env.db.messages.fileNames.enqueue(target);
    env.main->N12->trigger();
    QCOMPARE(env.db.messages.texts(Messages::Kind::Plain), QStringList{QStringLiteral("备份成功!")});
    QCOMPARE(modeOf(target), after);
    QCOMPARE(QFileInfo(target).size(), QFileInfo(env.db.file()).size());
}

void TestPrivateFiles::exportedPicture()
{
    WindowEnv env;
    env.db.exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-1', '图', x'ffd8ffd9')"));
    QStringList opened;
    TFormtupzj::shellOpenHook = [&opened](const QString &file) { opened << file; };
    DM->ADOQjstpb->setSql({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where  js_id= :jsid")});
    DM->ADOQjstpb->bind(QStringLiteral("jsid"), QStringLiteral("JS-1"));
    DM->ADOQjstpb->open();
    auto *form = new TFormtupzj();
    form->BitBtn4Click();
    delete form;
    TFormtupzj::shellOpenHook = nullptr;
    QCOMPARE(opened, QStringList{TFormtupzj::exportFile()});
    QCOMPARE(modeOf(TFormtupzj::exportFolder()), 0700);
    QCOMPARE(modeOf(TFormtupzj::exportFile()), 0600);
}

void TestPrivateFiles::convertedDatabase()
{
    const QString legacyFolder = testDataDir(QStringLiteral("legacy"));
    if (legacyFolder.isEmpty())
        QSKIP("the shared test data (legacy notebook) is absent");
    QTemporaryDir dir;
    QVERIFY(QFile::copy(legacyFolder + QStringLiteral("/legacy_jsbdbf_v2000.mdb"),
                        dir.filePath(QStringLiteral("jsbdbf.mdb"))));
    AccessConvert::convertInPlace(dir.path());
    QCOMPARE(modeOf(dir.filePath(QStringLiteral("jsbdbf.mdb"))), 0600);
}

QTEST_MAIN(TestPrivateFiles)
#include "tst_privatefiles.moc"
