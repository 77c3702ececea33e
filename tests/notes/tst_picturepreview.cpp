// The picture window with photos from a camera and Chinese file names: a
// photo stored on its side previews the right way up, from its file and
// from its stored bytes, while the stored and exported bytes stay the
// file's; a damaged EXIF block previews as stored; the file and folder
// lists, and so a batch, follow the pinyin order of the names.
#include "exifblock.h"
#include "jpegsamples.h"
#include "picturewindowenv.h"

#include <QCryptographicHash>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

// The brightness near the top corners of what the preview draws: the
// upright landscape has bright sky at the top left, dark rock at the right.
bool skyTopLeft(const QImage &image)
{
    const int s = image.height() / 10;
    auto value = [&image, s](int x0) {
        qint64 sum = 0;
        for (int y = 0; y < s; ++y)
            for (int x = x0; x < x0 + s; ++x)
                sum += qGray(image.pixel(x, y));
        return sum / (qint64(s) * s);
    };
    return value(0) > value(image.width() - s) + 80;
}

} // namespace

class TestPicturePreview : public PictureWindowTest {
    Q_OBJECT

private slots:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void photoOnItsSidePreviewsUpright();
    void storedPhotoOnItsSidePreviewsUprightAndExportsItsBytes();
    void damagedExifPreviewsAsStored();
    void namesInPinyinOrder();
};

// A file stored 1200x1800 with orientation 6 shows 900x600, decoded at
// half size, sky at the top left, and is drawn that way.
void TestPicturePreview::photoOnItsSidePreviewsUpright()
{
    REQUIRE_EXIF_SAMPLES();
    makeFolder({{QStringLiteral("竖拍.jpg"), readAll(exifSample(QStringLiteral("rec_Landscape_6.jpg")))},
                {QStringLiteral("横拍.jpg"), readAll(exifSample(QStringLiteral("rec_Landscape_1.jpg")))}});
    openWindow();
    QCOMPARE(form->Image1->size(), QSize(678, 514));
    clickFile(QStringLiteral("竖拍.jpg"));
    QVERIFY(db->messages.shown.isEmpty());
    const QImage turned = form->Image1->picture();
    QCOMPARE(turned.size(), QSize(900, 600));
    QVERIFY(skyTopLeft(turned));
    QVERIFY(skyTopLeft(form->Image1->grab().toImage()));

    // The same as the photo stored upright.
    clickFile(QStringLiteral("横拍.jpg"));
    QCOMPARE(form->Image1->picture().size(), QSize(900, 600));
    QVERIFY(skyTopLeft(form->Image1->picture()));
}

// Stored, the photo keeps every byte of its file; shown from the database it
// is upright too; exported, the viewer gets the file's bytes unchanged.
void TestPicturePreview::storedPhotoOnItsSidePreviewsUprightAndExportsItsBytes()
{
    REQUIRE_EXIF_SAMPLES();
    const QByteArray bytes = readAll(exifSample(QStringLiteral("rec_Landscape_6.jpg")));
    QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex(),
             QByteArray("f687c231dab880c9fe98e2b1e06dce61"));
    makeFolder({{QStringLiteral("竖拍.jpg"), bytes}});
    openWindow();
    form->Edit1->setText(QStringLiteral("瀑布"));
    clickFile(QStringLiteral("竖拍.jpg"), true);
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(db->query(QStringLiteral("select jstp from jstpb")).value(0).value(QStringLiteral("jstp")).toByteArray(),
             bytes);

    form->Image1->clear();
    clickGridRow(0);
    QVERIFY(db->messages.shown.isEmpty());
    QCOMPARE(form->Image1->picture().size(), QSize(900, 600));
    QVERIFY(skyTopLeft(form->Image1->picture()));

    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    QCOMPARE(opened, QStringList({TFormtupzj::exportFile()}));
    QCOMPARE(readAll(TFormtupzj::exportFile()), bytes);
}

// The orientation entry damaged: the photo shows as stored, without a word.
void TestPicturePreview::damagedExifPreviewsAsStored()
{
    REQUIRE_EXIF_SAMPLES();
    QByteArray bytes = readAll(exifSample(QStringLiteral("rec_Landscape_6.jpg")));
    const qsizetype value = ExifBlock::orientationValueAt(bytes);
    QVERIFY(value > 0);
    bytes.replace(value, 2, QByteArray("\0\x2A", 2)); // 42
    makeFolder({{QStringLiteral("坏.jpg"), bytes}});
    openWindow();
    clickFile(QStringLiteral("坏.jpg"));
    QVERIFY(db->messages.shown.isEmpty());
    // Half size would not cover the 678x514 preview standing upright.
    QCOMPARE(form->Image1->picture().size(), QSize(1200, 1800));
    QVERIFY(!skyTopLeft(form->Image1->picture()));
}

// Chinese names by pinyin (北京 before 上海 before 照片), before Latin ones,
// Latin letters without regard to case, a tie by the code points; the
// folders the same way; a batch stores in the list's order.
void TestPicturePreview::namesInPinyinOrder()
{
    const QStringList names = {QStringLiteral("照片.jpg"), QStringLiteral("上海.jpg"), QStringLiteral("apple.jpg"),
                               QStringLiteral("北京.jpg"), QStringLiteral("Zoo.JPG"),  QStringLiteral("Apple.jpg"),
                               QStringLiteral("阿姨.jpeg"), QStringLiteral("2024.jpg"), QStringLiteral("banana.jpg")};
    QList<QPair<QString, QByteArray>> files;
    for (const QString &n : names)
        files.append({n, n.toUtf8()}); // each file holds its own name
    makeFolder(files, {QStringLiteral("照片"), QStringLiteral("北京"), QStringLiteral("b"), QStringLiteral("A")});
    openWindow();
    const QStringList expected = {QStringLiteral("2024.jpg"),  QStringLiteral("阿姨.jpeg"), QStringLiteral("北京.jpg"),
                                  QStringLiteral("上海.jpg"),  QStringLiteral("照片.jpg"),  QStringLiteral("Apple.jpg"),
                                  QStringLiteral("apple.jpg"), QStringLiteral("banana.jpg"), QStringLiteral("Zoo.JPG")};
    QCOMPARE(form->fileEntries(), expected);

    // The sub-folders follow the listed folder's own path in the folder list.
    QStringList subfolders;
    QListWidget *list = form->DirectoryListBox1;
    for (int i = list->currentRow() + 1; i < list->count(); ++i)
        subfolders << list->item(i)->text().trimmed();
    QCOMPARE(subfolders, QStringList({QStringLiteral("北京"), QStringLiteral("照片"), QStringLiteral("A"),
                                      QStringLiteral("b")}));

    form->Edit1->setText(QStringLiteral("批"));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QStringList storedOrder;
    for (const QVariantMap &r : db->query(QStringLiteral("select jstp from jstpb order by zdbh")))
        storedOrder << QString::fromUtf8(r.value(QStringLiteral("jstp")).toByteArray());
    QCOMPARE(storedOrder, expected);
}

QTEST_MAIN(TestPicturePreview)
#include "tst_picturepreview.moc"
