// Database failures as the user sees them: each kind brought about for
// real (a full disk, a damaged file, a read-only file or folder, a file
// moved away under the connection, a lock held by a second copy, a missing table or column, a text too long, an old
// Access database) while a note is saved through the data module, and shown
// by the action guard in the standard error box: the plain Chinese meaning
// as its text, SQLite's own message as its details.
#include "testenv.h"

#include "damage.h"
#include "fileaccess.h"
#include "realbox.h"

#include "data/database.h"
#include "data/unitdm.h"
#include "data/unitpath.h"
#include "ui/guard.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <optional>

namespace {

// The note editor's insert, run as a window runs it.
void saveNote(const QString &title, const QString &content = QStringLiteral("内容"))
{
    Dataset *q = DM->ADOQjsbinsert;
    q->setSql({QStringLiteral("insert  into  jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz)"),
               QStringLiteral("values  (:jsid,:jsrq,:jssj,:jsfl,:jsbh,:jsbt,:jsnr,:jstq,:jsbz)")});
    q->bind(QStringLiteral("jsid"), QStringLiteral("JS-1"));
    q->bind(QStringLiteral("jsrq"), QDate(2024, 3, 5));
    q->bind(QStringLiteral("jssj"), QTime(9, 30));
    q->bind(QStringLiteral("jsfl"), QStringLiteral("工作"));
    q->bind(QStringLiteral("jsbh"), QString());
    q->bind(QStringLiteral("jsbt"), title);
    q->bind(QStringLiteral("jsnr"), content);
    q->bind(QStringLiteral("jstq"), QStringLiteral("晴天"));
    q->bind(QStringLiteral("jsbz"), QStringLiteral("备注"));
    q->setPrepared(true);
    q->execSql();
}

bool hasLatinWord(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    return word.match(text).hasMatch();
}

} // namespace

class TestDbErrors : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void shownInPlainChinese_data();
    void shownInPlainChinese();
    void realBoxCarriesTheDetails();
};

void TestDbErrors::cleanup()
{
    setDamageHandler({});
}

void TestDbErrors::shownInPlainChinese_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("meaning");    // a part of the text shown
    QTest::addColumn<QString>("sqlite");     // SQLite's message, the details
    QTest::addColumn<bool>("damaged");

    QTest::newRow("disk full") << "full" << "所在的磁盘已满,这次的内容没有保存。请腾出一些磁盘空间后再试!"
                               << "database or disk is full" << false;
    QTest::newRow("file cut off mid-page") << "truncated" << "已损坏" << "database disk image is malformed" << true;
    QTest::newRow("the notes' pages overwritten with noise") << "noise" << "已损坏" << "database disk image is malformed"
                                                             << true;
    QTest::newRow("the head overwritten with noise") << "head" << "已损坏" << "file is not a database" << true;
    QTest::newRow("read-only file") << "read-only file" << "是只读的,这次的内容没有保存" << "attempt to write a readonly database"
                                    << false;
    QTest::newRow("read-only folder") << "read-only folder" << "所在的文件夹不能写入"
                                      << "attempt to write a readonly database" << false;
    QTest::newRow("moved away under the open connection") << "moved" << "已被改名或移走(可能已用备份恢复)"
                                                          << "attempt to write a readonly database" << false;
    QTest::newRow("locked by a second copy") << "locked" << "正被另一个程序(可能是另一个正在运行的本程序)写入,等待超时"
                                             << "database is locked" << false;
    QTest::newRow("table missing") << "no table" << "不是本程序的记事本数据库(缺少数据表 jsbnrb)"
                                   << "no such table: jsbnrb" << false;
    QTest::newRow("column missing") << "no column" << "不是本程序的记事本数据库(数据表 jsbnrb 缺少字段 jsbz)"
                                    << "table jsbnrb has no column named jsbz" << false;
    QTest::newRow("title too long") << "long title" << "记事标题超过100个字符,没有保存!"
                                    << "CHECK constraint failed: 记事标题超过100个字符" << false;
    QTest::newRow("an old Access database") << "access" << "不是本程序可用的数据库(可能是旧版本的 Access 数据库)"
                                            << "file is not a database" << false;
}

void TestDbErrors::shownInPlainChinese()
{
    QFETCH(QString, failure);
    QFETCH(QString, meaning);
    QFETCH(QString, sqlite);
    QFETCH(bool, damaged);
    TestDb env;
    const QString file = DM->ADOConnection->dataSource();
    // A notebook of some size, so there are pages to damage.
    for (int i = 0; i < 40; ++i)
        env.insert(QStringLiteral("insert into jsbnrb(jsid, jsnr) values (?, ?)"),
                   {QStringLiteral("JS-%1").arg(i), QString(600, QChar(0x5B57))});
    env.direct().close();
    const int notes = 40;

    QString title = QStringLiteral("标题");
    QString content = QStringLiteral("内容");
    std::optional<PermissionsBind> permissions;
    if (failure == QLatin1String("full")) {
        SqliteDb &db = DM->ADOConnection->database();
        SqliteStatement pages = db.prepare(QStringLiteral("pragma page_count"));
        QVERIFY(pages.step());
        db.exec(QStringLiteral("pragma max_page_count=%1").arg(pages.integer(0)));
        content = QString(20000, QChar(0x5B57));
    } else if (failure == QLatin1String("truncated")) {
        QVERIFY(Damage::truncateMidPage(env.file()));
    } else if (failure == QLatin1String("noise")) {
        QVERIFY(Damage::overwriteWithNoise(env.file(), 2, Damage::pagesOf(env.file()) - 1));
    } else if (failure == QLatin1String("head")) {
        QVERIFY(Damage::overwriteWithNoise(env.file(), 1, 1));
    } else if (failure == QLatin1String("read-only file")) {
        QVERIFY(QFile::setPermissions(env.file(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else if (failure == QLatin1String("read-only folder")) {
        QVERIFY(QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (failure == QLatin1String("moved")) {
        // What a second running copy meets once the database was restored.
        QCOMPARE(DM->ReadXmid(1), QStringLiteral("1"));
        QVERIFY(QFile::rename(env.file(), env.file() + QStringLiteral(".old")));
        QVERIFY(QFile::copy(env.file() + QStringLiteral(".old"), env.file()));
    } else if (failure == QLatin1String("locked")) {
        env.direct().exec(QStringLiteral("begin exclusive"));
    } else if (failure == QLatin1String("no table")) {
        env.exec(QStringLiteral("drop table jsbnrb"));
        env.direct().close();
    } else if (failure == QLatin1String("no column")) {
        env.exec(QStringLiteral("alter table jsbnrb drop column jsbz"));
        env.direct().close();
    } else if (failure == QLatin1String("long title")) {
        title = QString(101, QChar(0x8BB0));
    } else if (failure == QLatin1String("access")) {
        QVERIFY(QFile::remove(env.file()));
        QVERIFY(Damage::writeAccessHead(env.file()));
    }
    if (failure.startsWith(QLatin1String("read-only"))) {
        permissions.emplace();
        if (!permissions->ok())
            QSKIP("running as the super-user, which permissions do not stop, and its override cannot be given up");
    }

    // The guard hands a damaged database to the application first.
    bool handedOver = false;
    setDamageHandler([&](const DbError &e) {
        handedOver = true;
        return !e.damaged();
    });
    const bool done = runGuarded([&] { saveNote(title, content); });
    permissions.reset();
    QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(env.file(), QFile::ReadOwner | QFile::WriteOwner);
    if (failure == QLatin1String("locked"))
        env.direct().exec(QStringLiteral("rollback"));

    QVERIFY(!done);
    QCOMPARE(handedOver, damaged);
    QCOMPARE(env.messages.shown.size(), 1);
    const Messages::Shown shown = env.messages.shown.first();
    QCOMPARE(shown.kind, Messages::Kind::Error);
    QCOMPARE(shown.caption, applicationTitle());
    QVERIFY2(shown.text.contains(meaning), qPrintable(shown.text));
    QCOMPARE(shown.details, sqlite);
    // The text is the meaning, in Chinese; SQLite's English stays in the
    // details. It names the file, except where the field is the point.
    QVERIFY2(!shown.text.contains(sqlite), qPrintable(shown.text));
    QString words = shown.text;
    words.remove(file).remove(QStringLiteral("jsbnrb")).remove(QStringLiteral("jsbz")).remove(QStringLiteral("Access"));
    QVERIFY2(!hasLatinWord(words), qPrintable(shown.text));
    if (failure != QLatin1String("long title"))
        QVERIFY2(shown.text.contains(file), qPrintable(shown.text));
    // The standard box's full stop rule: these texts end in "!".
    QCOMPARE(shown.text, Messages::errorText(shown.text));

    // Nothing of the failed save is stored.
    if (!damaged && failure != QLatin1String("no table") && failure != QLatin1String("access")) {
        QCOMPARE(env.count(QStringLiteral("jsbnrb")), notes);
        QCOMPARE(env.count(QStringLiteral("jsbnrb"), QStringLiteral("jsbt is not null")), 0);
    }
}

void TestDbErrors::realBoxCarriesTheDetails()
{
    // The real box: the stop icon, the application's title, one OK button,
    // and SQLite's message as its detailed text.
    TestDb env;
    Messages::setResponder(nullptr);
    SeenBox box;
    readNextBox(box);
    runGuarded([] { saveNote(QString(101, QChar(0x8BB0))); });
    QCOMPARE(box.caption, applicationTitle());
    QCOMPARE(box.text, QStringLiteral("记事标题超过100个字符,没有保存!"));
    QCOMPARE(box.details, QStringLiteral("CHECK constraint failed: 记事标题超过100个字符"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.closeButtons, 1);
}

QTEST_MAIN(TestDbErrors)
#include "tst_dberrors.moc"
