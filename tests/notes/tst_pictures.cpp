// The picture window of a note: the file chooser, the preview of files and
// stored pictures, the store step with its one transaction (a failure leaves
// no row), batch entry, deleting, and the export to the desktop's viewer.
#include "jpegsamples.h"
#include "picturewindowenv.h"

#include "data/unitpath.h"
#include "notes/unitjszj.h"
#include "ui/messages.h"

#include <QAccessible>
#include <QComboBox>
#include <QCryptographicHash>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

QString sample(const QString &relative)
{
    const QString root = testDataDir(QStringLiteral("jpeg"));
    return root.isEmpty() ? QString() : QDir(root).filePath(relative);
}

#define REQUIRE_SAMPLES()                                                                              \
    if (testDataDir(QStringLiteral("jpeg")).isEmpty())                                                \
        QSKIP("testdata/jpeg is absent (../shared/testdata beside the clone); JPEG samples not used")

QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool busy()
{
    return QGuiApplication::overrideCursor() != nullptr;
}

// Records, at every message, what the batch and the pointer looked like.
class ProbingResponder : public RecordingResponder {
public:
    QWidget *window = nullptr;
    QStringList progressTexts; // the progress label at each message
    QList<bool> busyAtMessage;

    bool answer(const Messages::Shown &s) override
    {
        busyAtMessage << busy();
        QString text;
        if (window) {
            for (QProgressDialog *p : window->findChildren<QProgressDialog *>())
                if (p->isVisible())
                    text = p->labelText() + QStringLiteral(" [%1/%2]").arg(p->value()).arg(p->maximum());
        }
        progressTexts << text;
        return RecordingResponder::answer(s);
    }
};

struct StoredPicture {
    QString jsId;
    QString name;
    QByteArray bytes;
    bool bytesNull;
};

} // namespace

class TestPictures : public PictureWindowTest {
    Q_OBJECT

private:
    QList<StoredPicture> stored()
    {
        QList<StoredPicture> out;
        for (const QVariantMap &r : db->query(QStringLiteral("select js_id, tpmc, jstp from jstpb order by zdbh")))
            out.append({r.value(QStringLiteral("js_id")).toString(), r.value(QStringLiteral("tpmc")).toString(),
                        r.value(QStringLiteral("jstp")).toByteArray(), r.value(QStringLiteral("jstp")).isNull()});
        return out;
    }

    QStringList storedNames()
    {
        QStringList out;
        for (const StoredPicture &p : stored())
            out << p.name;
        return out;
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowAsSpecified();
    void fileListShowsMatchingFilesAnyCase();
    void folderAndDriveNavigation();
    void everySampleFile_data();
    void everySampleFile();
    void previewExtensionRule_data();
    void previewExtensionRule();
    void previewScalesLargePicture();
    void undecodableFileKeepsPreview();
    void doubleClickStoresAnUndecodableFile();
    void everyControlShowsAtTheSmallestSize();
    void undecodableStoredBytesShowErrorOnce_data();
    void undecodableStoredBytesShowErrorOnce();
    void singleStoreNeedsName();
    void singleStoreKeepsBytesAndNames();
    void storeFailureLeavesNoRow_data();
    void storeFailureLeavesNoRow();
    void batchStoresListInOrder_data();
    void batchStoresListInOrder();
    void batchOverEmptyList();
    void batchGoesOnAfterFailure();
    void deletePicture();
    void exportReplacesPreviousAndOpens();
    void exportWithoutRows();
    void exportFolderCannotBeMade();
    void exportFileCannotBeWritten();
    void nameBoxDoubleClick();
    void closeFreesWindow();
    void openedByNoteEditor();
};

void TestPictures::initTestCase()
{
    // A short double-click interval keeps the waits for a click's preview short.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(150);
}

void TestPictures::init()
{
    startTest();
}

void TestPictures::cleanup()
{
    endTest();
    QVERIFY(!busy());
}

void TestPictures::windowAsSpecified()
{
    openWindow();
    QCOMPARE(form->windowTitle(), QStringLiteral("图片添加"));
    QVERIFY(form->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(form->isModal());
    QCOMPARE(form->size(), QSize(1092, 600));
    for (const char *name : {"Edit2", "Edit1", "GroupBox2", "DriveComboBox1", "DirectoryListBox1", "Label13",
                             "FileListBox1", "FilterComboBox1", "XMDBGrid1", "Panel1", "Image1", "Label7", "BitBtn1",
                             "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn6", "Label5", "Label1"})
        QVERIFY2(form->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QVERIFY(form->Edit2->isReadOnly());
    QCOMPARE(form->Label5->text(), QStringLiteral("记事id："));
    QCOMPARE(form->Label1->text(), QStringLiteral("图片名称："));
    QCOMPARE(form->GroupBox2->title(), QStringLiteral("图片文件选择"));
    QCOMPARE(form->Label13->text(), QStringLiteral("文件列表"));
    QCOMPARE(form->Label7->text(), QStringLiteral("图片显示"));
    QCOMPARE(form->FileListBox1->toolTip(), QStringLiteral("双击录入扫描件"));
    QCOMPARE(form->FilterComboBox1->count(), 1);
    QCOMPARE(form->FilterComboBox1->itemText(0), QStringLiteral("jpg files"));
    QCOMPARE(form->FilterComboBox1->itemData(0).toString(), QStringLiteral("*.jpg;*.jpeg"));
    QCOMPARE(form->BitBtn1->text(), QStringLiteral("批录入"));
    QCOMPARE(form->BitBtn2->text(), QStringLiteral("增加"));
    QVERIFY(!form->BitBtn2->isVisible());
    QCOMPARE(form->BitBtn3->text(), QStringLiteral("删除图片"));
    QCOMPARE(form->BitBtn4->text(), QStringLiteral("外部浏览图片"));
    QCOMPARE(form->BitBtn6->text(), QStringLiteral("退出"));
    QCOMPARE(form->XMDBGrid1->model()->columnCount(), 1);
    QCOMPARE(form->XMDBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("图片名称"));
    QCOMPARE(form->XMDBGrid1->columnWidth(0), 345);
    QVERIFY(form->XMDBGrid1->gridReadOnly());
    QCOMPARE(form->Image1->geometry(), form->Panel1->contentsRect());

    // The tab order of the window.
    QList<QWidget *> chain;
    QWidget *w = form->Edit2;
    for (int i = 0; i < 10; ++i) {
        chain << w;
        w = w->nextInFocusChain();
        while (w && (w->focusPolicy() & Qt::TabFocus) == 0)
            w = w->nextInFocusChain();
    }
    const QList<QWidget *> expected = {form->Edit2,        form->Edit1,          form->DriveComboBox1,
                                       form->DirectoryListBox1, form->FileListBox1, form->FilterComboBox1,
                                       form->XMDBGrid1,    form->BitBtn1,        form->BitBtn3, form->BitBtn4};
    QCOMPARE(chain, expected);

    // Every control has a name for assistive technology.
    for (QWidget *c : {static_cast<QWidget *>(form->Edit2), static_cast<QWidget *>(form->Edit1),
                       static_cast<QWidget *>(form->DriveComboBox1), static_cast<QWidget *>(form->DirectoryListBox1),
                       static_cast<QWidget *>(form->FileListBox1), static_cast<QWidget *>(form->FilterComboBox1),
                       static_cast<QWidget *>(form->XMDBGrid1), static_cast<QWidget *>(form->Image1),
                       static_cast<QWidget *>(form->BitBtn1), static_cast<QWidget *>(form->BitBtn6)}) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c);
        QVERIFY(a);
        QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(c->objectName()));
    }

    // It starts in the current folder of the process; the grid grows with
    // the height and the buttons follow the bottom edge.
    TFormtupzj fresh;
    QCOMPARE(fresh.directory(), QDir::toNativeSeparators(QDir::currentPath()));
    const int gridHeight = form->XMDBGrid1->height();
    const int buttonBottom = form->height() - form->BitBtn1->geometry().bottom();
    form->resize(1092, 700);
    QCOMPARE(form->XMDBGrid1->height(), gridHeight + 100);
    QCOMPARE(form->height() - form->BitBtn1->geometry().bottom(), buttonBottom);
}

void TestPictures::fileListShowsMatchingFilesAnyCase()
{
    makeFolder({{"b.jpg", "x"},
                {"A.JPEG", "x"},
                {"c.Jpg", "x"},
                {"f.jPeG", "x"},
                {"e.png", "x"},
                {"d.jpg.bak", "x"},
                {"jpg", "x"},
                {"a.jpe", "x"},
                {"图片一.jpg", "x"}});
    QVERIFY(QDir(pictures->path()).mkdir(QStringLiteral("g.jpg"))); // a folder is no file
    openWindow();
    // Chinese names come before Latin ones in the pinyin order.
    QCOMPARE(form->fileEntries(), QStringList({QStringLiteral("图片一.jpg"), QStringLiteral("A.JPEG"),
                                               QStringLiteral("b.jpg"), QStringLiteral("c.Jpg"),
                                               QStringLiteral("f.jPeG")}));
    QCOMPARE(form->directory(), QDir::toNativeSeparators(pictures->path()));
    // Nothing selected yet: no file name.
    QVERIFY(form->fileName().isEmpty());
    clickFile(QStringLiteral("b.jpg"));
    QCOMPARE(form->fileName(), QDir::toNativeSeparators(pictures->filePath(QStringLiteral("b.jpg"))));
}

void TestPictures::folderAndDriveNavigation()
{
    makeFolder({{"top.jpg", "x"}});
    QDir root(pictures->path());
    QVERIFY(root.mkpath(QStringLiteral("子目录/深")));
    QFile inner(root.filePath(QStringLiteral("子目录/inner.JPG")));
    QVERIFY(inner.open(QIODevice::WriteOnly));
    inner.close();
    openWindow();
    QCOMPARE(form->fileEntries(), QStringList({QStringLiteral("top.jpg")}));

    // The folder list holds the path down to the folder, then its sub-folders.
    QListWidget *folders = form->DirectoryListBox1;
    QListWidgetItem *sub = nullptr;
    for (int i = 0; i < folders->count(); ++i)
        if (folders->item(i)->text().trimmed() == QStringLiteral("子目录"))
            sub = folders->item(i);
    QVERIFY(sub);
    QCOMPARE(folders->item(0)->data(Qt::UserRole).toString(), QDir::toNativeSeparators(QDir::rootPath()));
    emit folders->itemActivated(sub);
    QCOMPARE(form->directory(), QDir::toNativeSeparators(root.filePath(QStringLiteral("子目录"))));
    QCOMPARE(form->fileEntries(), QStringList({QStringLiteral("inner.JPG")}));

    // Back up by the entry of the parent folder.
    QListWidgetItem *parent = nullptr;
    for (int i = 0; i < folders->count(); ++i)
        if (folders->item(i)->data(Qt::UserRole).toString() == QDir::toNativeSeparators(pictures->path()))
            parent = folders->item(i);
    QVERIFY(parent);
    emit folders->itemActivated(parent);
    QCOMPARE(form->fileEntries(), QStringList({QStringLiteral("top.jpg")}));

    // The drive selector offers the root and goes there.
    QComboBox *drives = form->DriveComboBox1;
    QVERIFY(drives->count() >= 1);
    QCOMPARE(drives->itemData(0).toString(), QDir::toNativeSeparators(QDir::rootPath()));
    QVERIFY(drives->currentIndex() >= 0);
    emit drives->activated(0);
    QCOMPARE(form->directory(), QDir::toNativeSeparators(QDir::rootPath()));
}

void TestPictures::everySampleFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("md5");
    QTest::addColumn<bool>("decodes");
    for (const JpegSample &s : jpegSamples())
        QTest::newRow(qPrintable(s.folder + QLatin1Char('/') + s.name)) << s.path << s.md5 << s.decodes;
}

// Every sample previews or gives the decoding error (once), is stored byte
// for byte whatever it holds, and its stored bytes preview or give the error.
void TestPictures::everySampleFile()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, path);
    QFETCH(QString, md5);
    QFETCH(bool, decodes);
    const QString name = QFileInfo(path).fileName();
    makeFolder({{name, readAll(path)}});
    openWindow();

    clickFile(name);
    QCOMPARE(db->messages.count(Messages::Kind::Error), decodes ? 0 : 1);
    QCOMPARE(form->Image1->picture().isNull(), !decodes);
    if (!decodes)
        QVERIFY(db->messages.texts(Messages::Kind::Error).first().startsWith(QStringLiteral("图片解码失败:")));
    db->messages.clear();

    form->Edit1->setText(QStringLiteral("样本"));
    clickFile(name, true);
    QVERIFY2(!db->messages.texts().contains(QStringLiteral("图片存入失败!")), qPrintable(db->messages.texts().join(',')));
    const QList<StoredPicture> rows = stored();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().jsId, kNote);
    QCOMPARE(rows.first().name, QStringLiteral("样本"));
    QVERIFY(!rows.first().bytesNull);
    QCOMPARE(::md5(rows.first().bytes), md5);
    QVERIFY(!busy());

    // Now from the stored bytes, on a cleared preview.
    form->Image1->clear();
    db->messages.clear();
    clickGridRow(0);
    QCOMPARE(db->messages.count(Messages::Kind::Error), decodes ? 0 : 1);
    QCOMPARE(form->Image1->picture().isNull(), !decodes);
}

void TestPictures::previewExtensionRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("previewed");
    QTest::newRow(".jpg") << "p.jpg" << true;
    QTest::newRow(".JPG") << "p.JPG" << true;
    QTest::newRow(".jpeg") << "p.jpeg" << true;
    QTest::newRow(".JPEG") << "p.JPEG" << true;
    QTest::newRow(".Jpg") << "p.Jpg" << false;
    QTest::newRow(".jPG") << "p.jPG" << false;
    QTest::newRow(".Jpeg") << "p.Jpeg" << false;
    QTest::newRow("two dots") << "p.v2.jpg" << true;
}

// The list ignores case, the preview does not; a double-click stores the
// file either way.
void TestPictures::previewExtensionRule()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, name);
    QFETCH(bool, previewed);
    const QByteArray bytes = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    makeFolder({{name, bytes}});
    openWindow();
    QCOMPARE(form->fileEntries(), QStringList({name}));
    clickFile(name);
    QCOMPARE(!form->Image1->picture().isNull(), previewed);
    QVERIFY(db->messages.shown.isEmpty());

    form->Edit1->setText(QStringLiteral("扫描件"));
    clickFile(name, true);
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored().first().bytes, bytes);
}

// A large photo previews at a reduced DCT scale that still covers the
// preview, and is drawn stretched over all of it.
void TestPictures::previewScalesLargePicture()
{
    REQUIRE_SAMPLES();
    // A 3484x2347 camera file (cut short: its lower part is grey).
    makeFolder({{"photo.jpg", readAll(sample(QStringLiteral("warn/its_32d08f4a5eb10332506ebedbb9bc7257.jpg")))}});
    openWindow();
    const QSize area = form->Image1->size();
    QCOMPARE(area, QSize(678, 514));
    clickFile(QStringLiteral("photo.jpg"));
    QVERIFY(db->messages.shown.isEmpty());
    // 1/8 (436x294) would not cover the preview, 1/4 does.
    QCOMPARE(form->Image1->picture().size(), QSize(871, 587));

    // Drawn stretched over the whole preview.
    const QImage drawn = form->Image1->grab().toImage();
    QCOMPARE(drawn.size() / drawn.devicePixelRatio(), area);
    const QColor corner = drawn.pixelColor(2, 2);
    const QColor picture = form->Image1->picture().pixelColor(2, 2);
    QVERIFY2(qAbs(corner.red() - picture.red()) < 40 && qAbs(corner.green() - picture.green()) < 40,
             qPrintable(corner.name() + QLatin1Char(' ') + picture.name()));
    const QColor bottom = drawn.pixelColor(area.width() - 3, area.height() - 3);
    QVERIFY2(qAbs(bottom.red() - 128) < 8 && qAbs(bottom.blue() - 128) < 8, qPrintable(bottom.name()));
}

// A double-click on a file that cannot be decoded stores it: the click's
// preview (and its error box) never comes in between.
void TestPictures::doubleClickStoresAnUndecodableFile()
{
    const QByteArray garbage("not a picture at all", 20);
    makeFolder({{"坏.jpg", garbage}});
    openWindow();
    form->Edit1->setText(QStringLiteral("扫描件"));
    clickFile(QStringLiteral("坏.jpg"), true);
    QVERIFY(!form->previewPending());
    QCOMPARE(db->messages.count(Messages::Kind::Error), 0);
    const QList<StoredPicture> rows = stored();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().name, QStringLiteral("扫描件"));
    QCOMPARE(rows.first().bytes, garbage);
    QVERIFY(form->Image1->picture().isNull());
}

// At its smallest the window still shows every control whole.
void TestPictures::everyControlShowsAtTheSmallestSize()
{
    openWindow();
    form->resize(600, 380);
    QCOMPARE(form->size(), form->minimumSize());
    QApplication::processEvents();
    for (QWidget *w : {static_cast<QWidget *>(form->BitBtn1), static_cast<QWidget *>(form->BitBtn3),
                       static_cast<QWidget *>(form->BitBtn4), static_cast<QWidget *>(form->BitBtn6),
                       static_cast<QWidget *>(form->GroupBox2), static_cast<QWidget *>(form->XMDBGrid1),
                       static_cast<QWidget *>(form->Panel1), static_cast<QWidget *>(form->Edit1)})
        QVERIFY2(form->rect().contains(w->geometry()), qPrintable(w->objectName()));
    // The buttons do not overlap each other.
    QVERIFY(form->BitBtn1->geometry().right() < form->BitBtn3->geometry().left());
    QVERIFY(form->BitBtn3->geometry().right() < form->BitBtn4->geometry().left());
    QVERIFY(form->BitBtn4->geometry().right() < form->BitBtn6->geometry().left());
}

void TestPictures::undecodableFileKeepsPreview()
{
    REQUIRE_SAMPLES();
    makeFolder({{"good.jpg", readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")))},
                {"png.jpg", readAll(sample(QStringLiteral("not-jpeg/ir_moz_jpg-size-6x6_is_actually_png.jpg")))},
                {"bomb.jpg", readAll(sample(QStringLiteral("corrupt/its_6903d4538fd33c8fd0ded32cb30d618e.jpg")))}});
    openWindow();
    clickFile(QStringLiteral("good.jpg"));
    const QImage good = form->Image1->picture();
    QVERIFY(!good.isNull());
    for (const QString &bad : {QStringLiteral("png.jpg"), QStringLiteral("bomb.jpg")}) {
        db->messages.clear();
        clickFile(bad);
        QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
        QVERIFY(db->messages.texts().first().startsWith(QStringLiteral("图片解码失败:")));
        QCOMPARE(form->Image1->picture(), good);
    }
    // The arrow keys preview as clicks do: bomb.jpg, good.jpg, png.jpg.
    db->messages.clear();
    form->Image1->clear();
    form->FileListBox1->setFocus();
    QCOMPARE(form->FileListBox1->currentRow(), 0);
    QTest::keyClick(form->FileListBox1, Qt::Key_Down);
    QCOMPARE(form->fileName(), QDir::toNativeSeparators(pictures->filePath(QStringLiteral("good.jpg"))));
    QCOMPARE(form->Image1->picture(), good);
    QTest::keyClick(form->FileListBox1, Qt::Key_Down);
    QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
    QCOMPARE(form->Image1->picture(), good);
    QTest::keyClick(form->FileListBox1, Qt::Key_Home);
    QCOMPARE(db->messages.count(Messages::Kind::Error), 2);
}

void TestPictures::undecodableStoredBytesShowErrorOnce_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("nullBytes");
    QTest::newRow("no bytes at all") << QByteArray() << true;
    QTest::newRow("zero bytes") << QByteArray("", 0) << false;
    QTest::newRow("text") << QByteArray("not a picture") << false;
    QTest::newRow("cut after the header") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10) << false;
}

// A picture row whose bytes do not decode: a double-click on it shows the
// decoding error once and leaves the preview empty.
void TestPictures::undecodableStoredBytesShowErrorOnce()
{
    REQUIRE_SAMPLES();
    QFETCH(QByteArray, bytes);
    QFETCH(bool, nullBytes);
    db->insert(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values (?, ?, ?)"),
               {kNote, QStringLiteral("坏图"), nullBytes ? QVariant() : QVariant(bytes)});
    makeFolder({{"good.jpg", readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")))}});
    openWindow();
    clickFile(QStringLiteral("good.jpg"));
    QVERIFY(!form->Image1->picture().isNull());

    clickGridRow(0, true);
    QCOMPARE(db->messages.count(Messages::Kind::Error), 1);
    QVERIFY(db->messages.texts(Messages::Kind::Error).first().startsWith(QStringLiteral("图片解码失败:")));
    QVERIFY(form->Image1->picture().isNull());
}

void TestPictures::singleStoreNeedsName()
{
    REQUIRE_SAMPLES();
    makeFolder({{"a.jpg", readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")))}});
    openWindow();
    clickFile(QStringLiteral("a.jpg"), true);
    QCOMPARE(db->messages.texts(), QStringList({QStringLiteral("图片名称不能为空!")}));
    QCOMPARE(db->messages.shown.first().kind, Messages::Kind::Plain);
    QCOMPARE(stored().size(), 0);

    // Spaces only count as a name and are stored as typed.
    db->messages.clear();
    form->Edit1->setText(QStringLiteral("   "));
    clickFile(QStringLiteral("a.jpg"), true);
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(storedNames(), QStringList({QStringLiteral("   ")}));
}

void TestPictures::singleStoreKeepsBytesAndNames()
{
    REQUIRE_SAMPLES();
    const QByteArray trailing = readAll(sample(QStringLiteral("derived/drv_testorig_trailing_bytes_after_EOI.jpg")));
    const QByteArray cmyk = readAll(sample(QStringLiteral("valid/ir_moz_jpg-cmyk-2.jpg")));
    makeFolder({{"尾巴.jpg", trailing}, {"cmyk.JPEG", cmyk}});
    openWindow();
    // A picture of another note stays out of this note's list.
    db->exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-8', '别的', x'ffd8')"));

    clickFile(QStringLiteral("cmyk.JPEG"));
    const QImage preview = form->Image1->picture();
    QVERIFY(!preview.isNull());

    form->Edit1->setText(QStringLiteral("第一张"));
    clickFile(QStringLiteral("尾巴.jpg"), true);
    form->Edit1->setText(QStringLiteral("第二张"));
    clickFile(QStringLiteral("cmyk.JPEG"), true);
    QVERIFY(db->messages.shown.isEmpty());

    const QList<QVariantMap> rows = db->query(QStringLiteral("select tpmc, jstp from jstpb where js_id = 'JS-7' order by zdbh"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].value(QStringLiteral("tpmc")).toString(), QStringLiteral("第一张"));
    QCOMPARE(rows[0].value(QStringLiteral("jstp")).toByteArray(), trailing); // the bytes after the end marker too
    QCOMPARE(rows[1].value(QStringLiteral("tpmc")).toString(), QStringLiteral("第二张"));
    QCOMPARE(rows[1].value(QStringLiteral("jstp")).toByteArray(), cmyk);

    // The grid lists the note's pictures in storing order, the new one
    // current; the preview did not change.
    Dataset *ds = DM->ADOQjstpb;
    QCOMPARE(ds->rowCount(), 2);
    QCOMPARE(ds->currentRow(), 1);
    QCOMPARE(ds->text(QStringLiteral("tpmc")), QStringLiteral("第二张"));
    QCOMPARE(ds->sql(), QStringList({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where js_id= :jsid"),
                                     QStringLiteral("order  by  zdbh")}));
    QCOMPARE(form->XMDBGrid1->currentIndex().row(), 1);
    QCOMPARE(form->XMDBGrid1->model()->data(form->XMDBGrid1->model()->index(0, 0)).toString(),
             QStringLiteral("第一张"));
    QCOMPARE(form->Image1->picture(), preview);
    QVERIFY(!busy());
    QCOMPARE(PictureFile, QDir::toNativeSeparators(pictures->filePath(QStringLiteral("cmyk.JPEG"))));
}

void TestPictures::storeFailureLeavesNoRow_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("file gone after listing") << "gone";
    QTest::newRow("name longer than its column") << "long name";
    QTest::newRow("storing the bytes fails") << "post";
    QTest::newRow("database locked by another copy") << "locked";
}

// Whatever step fails, "图片存入失败!" and no row: neither a row without
// bytes nor a phantom row in the grid.
void TestPictures::storeFailureLeavesNoRow()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, failure);
    const QByteArray bytes = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    makeFolder({{"a.jpg", bytes}});
    db->exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-7', '原有', x'ffd8')"));
    openWindow();
    QCOMPARE(DM->ADOQjstpb->rowCount(), 1);
    form->Edit1->setText(QStringLiteral("新图"));
    SqliteDb &holder = db->direct();

    if (failure == QLatin1String("gone"))
        QVERIFY(QFile::remove(pictures->filePath(QStringLiteral("a.jpg"))));
    else if (failure == QLatin1String("long name"))
        form->Edit1->setText(QString(61, QChar(u'图')));
    else if (failure == QLatin1String("post"))
        db->exec(QStringLiteral("create trigger refuse before update of jstp on jstpb "
                                "begin select raise(abort, 'disk I/O error'); end"));
    else if (failure == QLatin1String("locked"))
        holder.exec(QStringLiteral("begin immediate"));

    auto *probe = new ProbingResponder;
    probe->window = form;
    Messages::setResponder(probe);
    clickFile(QStringLiteral("a.jpg"), true);
    Messages::setResponder(&db->messages);
    if (failure == QLatin1String("locked"))
        holder.exec(QStringLiteral("rollback"));

    // (The click before the double-click does not preview: the double-click
    // stores, and nothing else is shown.)
    QCOMPARE(probe->texts(Messages::Kind::Plain), QStringList({QStringLiteral("图片存入失败!")}));
    QCOMPARE(probe->count(Messages::Kind::Error), 0);
    QVERIFY(probe->busyAtMessage.last());
    delete probe;
    QCOMPARE(storedNames(), QStringList({QStringLiteral("原有")}));
    QVERIFY(!busy());
    QVERIFY(!DM->ADOConnection->inTransaction());
    // The grid lists what is stored, nothing more.
    if (DM->ADOQjstpb->active()) {
        QCOMPARE(DM->ADOQjstpb->rowCount(), 1);
        QCOMPARE(DM->ADOQjstpb->state(), Dataset::State::Browse);
    }
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), DM->ADOQjstpb->rowCount());

    // The next store works.
    if (failure == QLatin1String("post"))
        db->exec(QStringLiteral("drop trigger refuse"));
    if (failure == QLatin1String("gone"))
        makeFolder({{"a.jpg", bytes}});
    form->Edit1->setText(QStringLiteral("再试"));
    clickFile(QStringLiteral("a.jpg"), true);
    QCOMPARE(storedNames(), QStringList({QStringLiteral("原有"), QStringLiteral("再试")}));
    QCOMPARE(stored().last().bytes, bytes);
    QCOMPARE(DM->ADOQjstpb->rowCount(), 2);
}

void TestPictures::batchStoresListInOrder_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("stores");
    QTest::newRow("both OK") << QList<bool>{true, true} << 2 << true;
    QTest::newRow("first cancelled") << QList<bool>{false} << 1 << false;
    QTest::newRow("second cancelled") << QList<bool>{true, false} << 2 << false;
}

// A batch over three pictures with an empty name stores three rows named
// with the empty text, in the order of the list.
void TestPictures::batchStoresListInOrder()
{
    REQUIRE_SAMPLES();
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, stores);
    const QByteArray one = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    const QByteArray two = readAll(sample(QStringLiteral("valid/ljt_testimgp.jpg")));
    const QByteArray three = readAll(sample(QStringLiteral("not-jpeg/ir_empty_0bytes.jpg")));
    makeFolder({{"c.jpg", three}, {"a.JPG", one}, {"B.jpeg", two}, {"skip.png", one}});
    openWindow();
    QVERIFY(form->Edit1->text().isEmpty());
    for (bool a : answers)
        db->messages.answers.enqueue(a);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);

    const QStringList expectedQuestions = QStringList({QStringLiteral("确定要批录入图片吗？"),
                                                       QStringLiteral("请检查好图片所在路径,再确定？")})
                                              .mid(0, questions);
    QCOMPARE(db->messages.texts(Messages::Kind::Question), expectedQuestions);
    QCOMPARE(db->messages.shown.size(), questions);
    QVERIFY(!busy());
    if (!stores) {
        QCOMPARE(stored().size(), 0);
        return;
    }
    const QList<StoredPicture> rows = stored();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).bytes, one);
    QCOMPARE(rows.at(1).bytes, two);
    QCOMPARE(rows.at(2).bytes.size(), 0);
    QVERIFY(!rows.at(2).bytesNull); // an empty file is zero bytes, not a missing picture
    for (const StoredPicture &p : rows) {
        QCOMPARE(p.name, QString(QLatin1String("")));
        QCOMPARE(p.jsId, kNote);
    }
    QCOMPARE(DM->ADOQjstpb->rowCount(), 3);
    QCOMPARE(DM->ADOQjstpb->currentRow(), 2);
    QCOMPARE(PictureFile, QDir::toNativeSeparators(pictures->filePath(QStringLiteral("c.jpg"))));
}

void TestPictures::batchOverEmptyList()
{
    makeFolder({{"notes.txt", "x"}});
    openWindow();
    QVERIFY(form->fileEntries().isEmpty());
    form->Edit1->setText(QStringLiteral("名"));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QCOMPARE(db->messages.texts(), QStringList({QStringLiteral("确定要批录入图片吗？"),
                                                QStringLiteral("请检查好图片所在路径,再确定？")}));
    QCOMPARE(stored().size(), 0);
    QVERIFY(form->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(!busy());
}

// A file of the batch that fails shows "图片存入失败!" and leaves no row; the
// batch goes on. The progress dialog tells which file of how many runs.
void TestPictures::batchGoesOnAfterFailure()
{
    REQUIRE_SAMPLES();
    const QByteArray one = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    const QByteArray two = readAll(sample(QStringLiteral("valid/ir_moz_jpg-gray.jpg")));
    const QByteArray three = readAll(sample(QStringLiteral("exif/ian_Canon_40D.jpg")));
    const QByteArray four = readAll(sample(QStringLiteral("valid/ljt_testimgari.jpg")));
    makeFolder({{"1.jpg", one}, {"2.jpg", two}, {"3.jpg", three}, {"4.jpg", four}});
    openWindow();
    // Listed, then gone before the batch reaches it; and a database refusal
    // while storing the bytes of the third.
    QVERIFY(QFile::remove(pictures->filePath(QStringLiteral("2.jpg"))));
    db->exec(QStringLiteral("create trigger refuse before update of jstp on jstpb when length(new.jstp) = %1 "
                            "begin select raise(abort, 'disk I/O error'); end")
                 .arg(three.size()));
    form->Edit1->setText(QStringLiteral("批"));

    ProbingResponder probe;
    probe.window = form;
    Messages::setResponder(&probe);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    Messages::setResponder(&db->messages);

    QCOMPARE(probe.texts(), QStringList({QStringLiteral("确定要批录入图片吗？"),
                                         QStringLiteral("请检查好图片所在路径,再确定？"),
                                         QStringLiteral("图片存入失败!"), QStringLiteral("图片存入失败!")}));
    QCOMPARE(probe.progressTexts.at(2), QStringLiteral("正在录入第 2 个图片,共 4 个:2.jpg [1/4]"));
    QCOMPARE(probe.progressTexts.at(3), QStringLiteral("正在录入第 3 个图片,共 4 个:3.jpg [2/4]"));
    QCOMPARE(probe.busyAtMessage, QList<bool>({false, false, true, true}));
    const QList<StoredPicture> rows = stored();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).bytes, one);
    QCOMPARE(rows.at(1).bytes, four);
    QCOMPARE(DM->ADOQjstpb->rowCount(), 2);
    QVERIFY(!busy());
    QVERIFY(!DM->ADOConnection->inTransaction());
    // The progress dialog is gone with the batch.
    for (QProgressDialog *p : form->findChildren<QProgressDialog *>())
        QVERIFY(!p->isVisible());
}

void TestPictures::deletePicture()
{
    REQUIRE_SAMPLES();
    makeFolder({{"a.jpg", readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")))},
                {"b.jpg", readAll(sample(QStringLiteral("valid/ljt_testimgp.jpg")))}});
    openWindow();

    // Nothing to delete: no question.
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    QVERIFY(db->messages.shown.isEmpty());

    form->Edit1->setText(QStringLiteral("甲"));
    clickFile(QStringLiteral("a.jpg"), true);
    form->Edit1->setText(QStringLiteral("乙"));
    clickFile(QStringLiteral("b.jpg"), true);
    clickGridRow(0);
    const QImage shown = form->Image1->picture();
    QVERIFY(!shown.isNull());

    db->messages.answers.enqueue(false);
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    QCOMPARE(db->messages.texts(Messages::Kind::Question), QStringList({QStringLiteral("确定删除图片吗？")}));
    QCOMPARE(storedNames(), QStringList({QStringLiteral("甲"), QStringLiteral("乙")}));

    db->messages.clear();
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    QCOMPARE(db->messages.texts(Messages::Kind::Question), QStringList({QStringLiteral("确定删除图片吗？")}));
    QCOMPARE(storedNames(), QStringList({QStringLiteral("乙")}));
    QCOMPARE(DM->ADOQjstpb->rowCount(), 1);
    QCOMPARE(form->XMDBGrid1->model()->rowCount(), 1);
    QCOMPARE(form->Image1->picture(), shown); // the preview keeps what it shows
}

// Two exports in a row leave only the second picture in tpfile/图片.jpeg;
// each one hands that file to the viewer.
void TestPictures::exportReplacesPreviousAndOpens()
{
    REQUIRE_SAMPLES();
    const QByteArray big = readAll(sample(QStringLiteral("valid/ir_ycck.jpg")));
    const QByteArray small = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    makeFolder({{"big.jpg", big}, {"small.jpg", small}});
    openWindow();
    form->Edit1->setText(QStringLiteral("图"));
    clickFile(QStringLiteral("big.jpg"), true);
    clickFile(QStringLiteral("small.jpg"), true);

    const QString file = AppPath + QDir::separator() + QStringLiteral("tpfile") + QDir::separator()
        + QStringLiteral("图片.jpeg");
    QCOMPARE(TFormtupzj::exportFile(), file);
    QVERIFY(!QFileInfo::exists(TFormtupzj::exportFolder()));

    clickGridRow(0);
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    QCOMPARE(readAll(file), big);
    clickGridRow(1);
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    QCOMPARE(readAll(file), small);
    QCOMPARE(opened, QStringList({file, file}));
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(QDir(TFormtupzj::exportFolder()).entryList(QDir::Files), QStringList({QStringLiteral("图片.jpeg")}));
    QVERIFY(!busy());
}

void TestPictures::exportWithoutRows()
{
    openWindow();
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    QVERIFY(opened.isEmpty());
    QVERIFY(db->messages.shown.isEmpty());
    QVERIFY(!QFileInfo::exists(TFormtupzj::exportFolder()));
}

void TestPictures::exportFolderCannotBeMade()
{
    db->exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-7', '图', x'ffd8ffd9')"));
    QFile blocker(AppPath + QDir::separator() + QStringLiteral("tpfile"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    openWindow();
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    const QString folder = AppPath + QDir::separator() + QStringLiteral("tpfile");
    QCOMPARE(db->messages.texts(Messages::Kind::Error),
             QStringList({Messages::errorText(QStringLiteral("不能生成文件夹 ") + folder)}));
    QCOMPARE(db->messages.shown.size(), 1);
    QVERIFY(opened.isEmpty());
    QVERIFY(QFileInfo(folder).isFile());
    QVERIFY(!busy());
}

// The export file cannot be written: "数据库导出图片失败!", and the viewer is
// still asked to open the export file name.
void TestPictures::exportFileCannotBeWritten()
{
    db->exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-7', '图', x'ffd8ffd9')"));
    QVERIFY(QDir().mkpath(TFormtupzj::exportFile())); // a folder in the file's place
    openWindow();
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    QCOMPARE(db->messages.texts(), QStringList({QStringLiteral("数据库导出图片失败!")}));
    QCOMPARE(db->messages.shown.first().kind, Messages::Kind::Plain);
    QCOMPARE(opened, QStringList({TFormtupzj::exportFile()}));
    QVERIFY(!busy());
}

void TestPictures::nameBoxDoubleClick()
{
    openWindow();
    form->Edit1->setText(QStringLiteral("旧名字"));
    QTest::mouseDClick(form->Edit1, Qt::LeftButton);
    QCOMPARE(form->Edit1->text(), AppPath);
}

// "退出" closes and frees the window; its reference is emptied and the
// pictures' dataset stays open with its last statement.
void TestPictures::closeFreesWindow()
{
    openWindow();
    QPointer<TFormtupzj> watch = form;
    QCOMPARE(Formtupzj, form.data());
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QTRY_VERIFY(watch.isNull());
    QVERIFY(!Formtupzj);
    QVERIFY(DM->ADOQjstpb->active());

    // Escape closes and frees it too.
    openWindow();
    watch = form;
    QTest::keyClick(form, Qt::Key_Escape);
    QTRY_VERIFY(watch.isNull());
    QVERIFY(!Formtupzj);
}

// The note editor's "编辑图片": the note's pictures selected on ADOQjstpb,
// the window shown modally with the identifier the editor shows, also for a
// note not saved yet.
void TestPictures::openedByNoteEditor()
{
    db->exec(QStringLiteral("update xmidb set xmid=12 where xmfl=1"));
    db->exec(QStringLiteral("insert into jstpb(js_id, tpmc, jstp) values ('JS-12', '第一', x'ffd8'), "
                            "('JS-11', '别的', x'ffd8'), ('JS-12', '第二', x'ffd8')"));
    auto *editor = new TFormjszj();
    editor->FormCreate();
    QCOMPARE(editor->Edit2->text(), QStringLiteral("JS-12"));
    editor->RichEdit1->setPlainText(QStringLiteral("今天的照片"));

    // What the modal window shows, read while it runs; then it is closed.
    bool seen = false, isReference = false, modal = false;
    QString note;
    QStringList sql;
    int rows = -1;
    QTimer::singleShot(0, this, [&] {
        auto *shown = qobject_cast<TFormtupzj *>(QApplication::activeModalWidget());
        if (!shown)
            return;
        seen = true;
        isReference = Formtupzj == shown;
        modal = shown->isModal();
        note = shown->Edit2->text();
        sql = DM->ADOQjstpb->sql();
        rows = shown->XMDBGrid1->model()->rowCount();
        shown->BitBtn6->click();
    });
    editor->BitBtn4->click();
    QVERIFY(seen);
    QVERIFY(isReference);
    QVERIFY(modal);
    QCOMPARE(note, QStringLiteral("JS-12"));
    QCOMPARE(sql, QStringList({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where  js_id= :jsid")}));
    QCOMPARE(rows, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Formtupzj);
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(editor->RichEdit1->toPlainText(), QStringLiteral("今天的照片"));
    delete editor;
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
