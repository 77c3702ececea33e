// Pictures the right way up: the EXIF orientation of a JPEG applied to the
// decoded picture, all eight of them in both byte orders, the camera files
// of the shared test data, and every kind of missing, damaged or absurd
// EXIF block, which means no turn and never an error.
#include "exifblock.h"
#include "jpegsamples.h"
#include "jpegencoder.h"
#include "picturechecks.h"
#include "testenv.h"

#include "formats/exif.h"
#include "formats/jpegimage.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <jpeglib.h>

namespace {

using ExifBlock::Entry;
using PictureChecks::mean;
using PictureChecks::readAll;

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kYellow(255, 255, 0);

// A 64x32 picture in four quadrants: red, green above; blue, yellow below.
QByteArray quadrants()
{
    QByteArray pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const QColor c = y < 16 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kYellow);
            pixels.append(char(c.red())).append(char(c.green())).append(char(c.blue()));
        }
    return JpegEncoder::encode(64, 32, JCS_RGB, 3, pixels);
}

// The colour near each corner: top left, top right, bottom left, bottom right.
QList<QColor> corners(const QImage &image, int inset)
{
    const int r = image.width() - 1 - inset, b = image.height() - 1 - inset;
    return {image.pixelColor(inset, inset), image.pixelColor(r, inset), image.pixelColor(inset, b),
            image.pixelColor(r, b)};
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

QString names(const QList<QColor> &colours)
{
    QStringList out;
    for (const QColor &c : colours)
        out << c.name();
    return out.join(QLatin1Char(' '));
}

// The mean colour of the four corner squares of a picture, a tenth of its
// height on each side.
QList<QColor> cornerMeans(const QImage &image)
{
    const int s = image.height() / 10;
    const int r = image.width() - s, b = image.height() - s;
    return {mean(image, QRect(0, 0, s, s)), mean(image, QRect(r, 0, s, s)), mean(image, QRect(0, b, s, s)),
            mean(image, QRect(r, b, s, s))};
}

// Checks a decode that must succeed unturned: the stored picture as it is.
void checkUnturned(const JpegImage::Result &r)
{
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.orientation, 1);
    QCOMPARE(r.image.size(), QSize(64, 32));
    QCOMPARE(r.image.format(), QImage::Format_RGB32);
    const QList<QColor> got = corners(r.image, 4);
    QVERIFY2(near(got.at(0), kRed, 24) && near(got.at(3), kYellow, 24), qPrintable(names(got)));
}

} // namespace

class TestExif : public QObject {
    Q_OBJECT

private slots:
    void everyOrientation_data();
    void everyOrientation();
    void cameraFilesUpright_data();
    void cameraFilesUpright();
    void turnedPictureKeepsTheReducedScale();
    void missingDamagedOrAbsurdBlock_data();
    void missingDamagedOrAbsurdBlock();
    void damagedBlockInACameraFile_data();
    void damagedBlockInACameraFile();
    void mangledBlocksNeverFail();
};

void TestExif::everyOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("expected"); // top left, top right, bottom left, bottom right
    const QSize wide(64, 32), tall(32, 64);
    const QList<std::pair<int, QList<QColor>>> cases = {
        {1, {kRed, kGreen, kBlue, kYellow}},   {2, {kGreen, kRed, kYellow, kBlue}},
        {3, {kYellow, kBlue, kGreen, kRed}},   {4, {kBlue, kYellow, kRed, kGreen}},
        {5, {kRed, kBlue, kGreen, kYellow}},   {6, {kBlue, kRed, kYellow, kGreen}},
        {7, {kYellow, kGreen, kBlue, kRed}},   {8, {kGreen, kYellow, kRed, kBlue}},
    };
    for (const auto &[orientation, colours] : cases)
        for (const bool big : {false, true})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(orientation).arg(big ? "MM" : "II")))
                << orientation << big << (orientation >= 5 ? tall : wide) << colours;
}

// Each orientation puts the stored corners where the tag says they belong.
void TestExif::everyOrientation()
{
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, expected);
    const QByteArray jpeg = ExifBlock::withSegment(quadrants(), ExifBlock::orientation(quint16(orientation), bigEndian));
    for (const QSize cover : {QSize(), QSize(10, 10)}) {
        const JpegImage::Result r = JpegImage::decode(jpeg, cover);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.orientation, orientation);
        QCOMPARE(r.image.format(), QImage::Format_RGB32);
        const int denom = cover.isEmpty() ? 1 : 2; // 10x10 is covered at 1/2 either way round
        QCOMPARE(r.image.size(), size / denom);
        const QList<QColor> got = corners(r.image, 4 / denom);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(near(got.at(i), expected.at(i), 24),
                     qPrintable(names(got) + QStringLiteral(" instead of ") + names(expected)));
    }
}

void TestExif::cameraFilesUpright_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("orientation");
    QTest::newRow("1 as stored") << "rec_Landscape_1.jpg" << 1;
    QTest::newRow("3 upside down") << "rec_Landscape_3.jpg" << 3;
    QTest::newRow("6 on its side") << "rec_Landscape_6.jpg" << 6;
    QTest::newRow("8 on its other side") << "rec_Landscape_8.jpg" << 8;
}

// The same landscape (sky at the top left, dark rock at the top right)
// stored four ways: each previews 1800x1200 with its corners where the
// upright photo has them.
void TestExif::cameraFilesUpright()
{
    REQUIRE_EXIF_SAMPLES();
    QFETCH(QString, file);
    QFETCH(int, orientation);
    const JpegImage::Result reference = JpegImage::decodeFile(exifSample(QStringLiteral("rec_Landscape_1.jpg")));
    QVERIFY2(reference.ok(), qPrintable(reference.error));
    const QList<QColor> want = cornerMeans(reference.image);
    // The corners tell the turns apart: the sky is far brighter than the rock.
    QVERIFY2(want.at(0).value() > want.at(1).value() + 80, qPrintable(names(want)));

    const JpegImage::Result r = JpegImage::decodeFile(exifSample(file));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.orientation, orientation);
    QCOMPARE(r.image.size(), QSize(1800, 1200));
    const QList<QColor> got = cornerMeans(r.image);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(near(got.at(i), want.at(i), 20), qPrintable(names(got) + QStringLiteral(" instead of ") + names(want)));
}

// A photo stored on its side is still decoded at the reduced DCT scale that
// covers the preview once turned: 1/2 here, not the full size.
void TestExif::turnedPictureKeepsTheReducedScale()
{
    REQUIRE_EXIF_SAMPLES();
    for (const char *name : {"rec_Landscape_6.jpg", "rec_Landscape_8.jpg"}) {
        const JpegImage::Result r = JpegImage::decodeFile(exifSample(QString::fromLatin1(name)), QSize(620, 480));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.image.size(), QSize(900, 600));
    }
    // Upright at 1/8 when the area is small.
    const JpegImage::Result small = JpegImage::decodeFile(exifSample(QStringLiteral("rec_Landscape_6.jpg")), QSize(200, 140));
    QVERIFY2(small.ok(), qPrintable(small.error));
    QCOMPARE(small.image.size(), QSize(225, 150));
}

void TestExif::missingDamagedOrAbsurdBlock_data()
{
    using namespace ExifBlock;
    QTest::addColumn<QByteArray>("segment"); // put after the start marker
    const QByteArray good = tiff({{kOrientationTag, Short, 1, 6}});
    QTest::newRow("no block") << QByteArray();
    QTest::newRow("orientation 0") << orientation(0);
    QTest::newRow("orientation 9") << orientation(9);
    QTest::newRow("orientation 65535") << orientation(65535, true);
    QTest::newRow("as a LONG") << segment(tiff({{kOrientationTag, Long, 1, 6}}));
    QTest::newRow("as text") << segment(tiff({{kOrientationTag, Ascii, 1, '6'}}));
    QTest::newRow("two values") << segment(tiff({{kOrientationTag, Short, 2, 6 | (6 << 16)}}));
    QTest::newRow("only the thumbnail's") << segment(tiff({{0x010F, Ascii, 1, 'X'}}, false, {{kOrientationTag, Short, 1, 6}}));
    QTest::newRow("no byte order") << segment(QByteArray("XX") + good.mid(2));
    QTest::newRow("first IFD beyond the block")
        << segment(good.left(4) + QByteArray("\xF0\xFF\x00\x00", 4) + good.mid(8));
    QTest::newRow("cut after the header") << app1(QByteArray("Exif\0\0", 6) + good.left(10));
    QTest::newRow("only the name") << app1(QByteArray("Exif\0\0", 6));
    QTest::newRow("another kind of APP1") << app1(QByteArray("Exiv\0\0", 6) + good);
    QTest::newRow("an XMP packet") << app1(QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41));
    QTest::newRow("an IFD pointing at itself")
        << segment(tiff({{0x8769, Long, 1, 8}, {0x8825, Long, 1, 8}}));
}

void TestExif::missingDamagedOrAbsurdBlock()
{
    QFETCH(QByteArray, segment);
    const QByteArray jpeg = segment.isEmpty() ? quadrants() : ExifBlock::withSegment(quadrants(), segment);
    checkUnturned(JpegImage::decode(jpeg));
    if (!segment.isEmpty() && segment.size() > 4)
        QCOMPARE(Exif::orientation(reinterpret_cast<const uchar *>(segment.constData()) + 4, uint(segment.size() - 4)), 1);
}

void TestExif::damagedBlockInACameraFile_data()
{
    QTest::addColumn<int>("at");   // 0: the orientation value, 1: the byte order mark
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("orientation 0") << 0 << QByteArray("\0\0", 2);
    QTest::newRow("orientation 9") << 0 << QByteArray("\0\x09", 2);
    QTest::newRow("orientation 0x0600") << 0 << QByteArray("\x06\0", 2);
    QTest::newRow("byte order mark lost") << 1 << QByteArray("\0\0", 2);
}

// The camera file stored on its side, its EXIF block damaged: shown as
// stored (1200x1800), no error.
void TestExif::damagedBlockInACameraFile()
{
    REQUIRE_EXIF_SAMPLES();
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    QByteArray jpeg = readAll(exifSample(QStringLiteral("rec_Landscape_6.jpg")));
    qsizetype length = 0;
    const qsizetype payload = ExifBlock::payloadAt(jpeg, &length);
    QVERIFY(payload > 0);
    QCOMPARE(jpeg.mid(payload + 6, 2), QByteArray("MM")); // the value is big-endian
    const qsizetype value = ExifBlock::orientationValueAt(jpeg);
    QVERIFY(value > 0);
    QCOMPARE(jpeg.mid(value, 2), QByteArray("\0\x06", 2));
    jpeg.replace(at == 0 ? value : payload + 6, 2, bytes);
    const JpegImage::Result r = JpegImage::decode(jpeg, QSize(300, 200));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.orientation, 1);
    QCOMPARE(r.image.size(), QSize(300, 450));
}

// Bytes of the EXIF block overwritten at random (a fixed seed): the picture
// always decodes, turned or not, at the size its orientation gives.
void TestExif::mangledBlocksNeverFail()
{
    REQUIRE_EXIF_SAMPLES();
    const QByteArray whole = readAll(exifSample(QStringLiteral("rec_Landscape_6.jpg")));
    qsizetype length = 0;
    const qsizetype payload = ExifBlock::payloadAt(whole, &length);
    QVERIFY(payload > 0 && length > 50); // five entries, the orientation among them
    QRandomGenerator rng(20261210);
    int turned = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray mangled = whole;
        const int changes = 1 + int(rng.bounded(4));
        for (int i = 0; i < changes; ++i)
            mangled[payload + 6 + qsizetype(rng.bounded(quint32(length - 6)))] = char(rng.bounded(256));
        const JpegImage::Result r = JpegImage::decode(mangled, QSize(60, 40));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(r.orientation >= 1 && r.orientation <= 8);
        QCOMPARE(r.image.size(), Exif::swapsSides(r.orientation) ? QSize(225, 150) : QSize(150, 225));
        turned += r.orientation == 6 ? 1 : 0;
    }
    QVERIFY(turned > 0 && turned < 300);
}

QTEST_GUILESS_MAIN(TestExif)
#include "tst_exif.moc"
