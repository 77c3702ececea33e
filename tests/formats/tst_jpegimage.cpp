// The JPEG decoder against files written by other programs (every one either
// decodes or gives the decoding error), the DCT scale of the preview, the
// CMYK and YCCK colours, and hostile input built from real files: huge
// dimensions, endless scans, cut-off and mangled streams.
#include "jpegsamples.h"
#include "jpegencoder.h"
#include "picturechecks.h"
#include "testenv.h"
#include "formats/jpegimage.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>
#include <cstdio>

#include <jpeglib.h>

namespace {

using PictureChecks::mean;
using PictureChecks::readAll;

QString sample(const QString &relative)
{
    const QString root = testDataDir(QStringLiteral("jpeg"));
    return root.isEmpty() ? QString() : QDir(root).filePath(relative);
}

#define REQUIRE_SAMPLES()                                                                              \
    if (testDataDir(QStringLiteral("jpeg")).isEmpty())                                                \
        QSKIP("testdata/jpeg is absent (../shared/testdata beside the clone); JPEG samples not checked")

// Writes the SOF dimensions of a JPEG stream (the first SOF0/1/2 marker).
QByteArray withDimensions(QByteArray jpeg, int width, int height)
{
    int i = 2;
    while (i + 9 < jpeg.size()) {
        if (uchar(jpeg.at(i)) != 0xFF)
            return {};
        const uchar marker = uchar(jpeg.at(i + 1));
        const int length = qFromBigEndian<quint16>(jpeg.constData() + i + 2);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            qToBigEndian<quint16>(quint16(height), jpeg.data() + i + 5);
            qToBigEndian<quint16>(quint16(width), jpeg.data() + i + 7);
            return jpeg;
        }
        i += 2 + length;
    }
    return {};
}

using JpegEncoder::encode;

// The mean colour of the pixels of a rectangle that are not near white.
QColor meanInk(const QImage &image, QRect r)
{
    qint64 sum[3] = {0, 0, 0};
    qint64 n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::min({qRed(p), qGreen(p), qBlue(p)}) >= 180)
                continue;
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
            ++n;
        }
    return n == 0 ? QColor() : QColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
}

// Checks one decode result: an image, or the decoding error and no image.
void checkOutcome(const JpegImage::Result &r)
{
    if (r.ok()) {
        QVERIFY(!r.image.isNull());
        QCOMPARE(r.image.format(), QImage::Format_RGB32);
    } else {
        QVERIFY(r.image.isNull());
        QVERIFY2(r.error.startsWith(QStringLiteral("图片解码失败:")), qPrintable(r.error));
    }
}

} // namespace

class TestJpegImage : public QObject {
    Q_OBJECT

private slots:
    void samplesAreListed();
    void sharedFiles_data();
    void sharedFiles();
    void scaleChoice_data();
    void scaleChoice();
    void previewDecodeCoversArea_data();
    void previewDecodeCoversArea();
    void adobeCmykAndYcckColours();
    void cmykInversionFollowsAdobeMarker_data();
    void cmykInversionFollowsAdobeMarker();
    void greyscaleAndRgb();
    void cutOffFileShowsWhatDecodes();
    void progressivePreviewFromFirstScans();
    void emptyAndUnreadable();
    void hostileDimensions_data();
    void hostileDimensions();
    void endlessScansStop();
    void everyPrefixOfAFile_data();
    void everyPrefixOfAFile();
    void mangledBytes_data();
    void mangledBytes();
};

void TestJpegImage::samplesAreListed()
{
    REQUIRE_SAMPLES();
    const QList<JpegSample> samples = jpegSamples();
    QStringList listed;
    for (const JpegSample &s : samples)
        listed << s.folder + QLatin1Char('/') + s.name;
    QStringList onDisk;
    QDirIterator it(testDataDir(QStringLiteral("jpeg")), {QStringLiteral("*.jpg")}, QDir::Files,
                    QDirIterator::Subdirectories);
    const QDir root(testDataDir(QStringLiteral("jpeg")));
    while (it.hasNext())
        onDisk << root.relativeFilePath(it.next());
    listed.sort();
    onDisk.sort();
    QCOMPARE(listed, onDisk);
    QVERIFY(samples.size() > 80);
}

void TestJpegImage::sharedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("md5");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("orientation");
    for (const JpegSample &s : jpegSamples())
        QTest::newRow(qPrintable(s.folder + QLatin1Char('/') + s.name))
            << s.path << s.md5 << s.bytes << s.decodes << s.size << s.orientation;
}

// Every file either decodes (at the size libjpeg reports, full size and at
// the preview's scale, turned as its EXIF orientation says) or gives the
// decoding error; none crashes.
void TestJpegImage::sharedFiles()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, path);
    QFETCH(QString, md5);
    QFETCH(qint64, bytes);
    QFETCH(bool, decodes);
    QFETCH(QSize, size);
    QFETCH(int, orientation);
    const bool turned = orientation >= 5;

    const QByteArray data = readAll(path);
    QCOMPARE(qint64(data.size()), bytes);
    QCOMPARE(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()), md5);

    const JpegImage::Result full = JpegImage::decode(data);
    checkOutcome(full);
    QVERIFY2(full.ok() == decodes, qPrintable(full.error));
    if (decodes) {
        QCOMPARE(full.orientation, orientation);
        QCOMPARE(full.image.size(), turned ? size.transposed() : size);
    }

    const QSize cover(620, 480);
    const JpegImage::Result preview = JpegImage::decodeFile(path, cover);
    checkOutcome(preview);
    QCOMPARE(preview.ok(), decodes);
    if (decodes) {
        const int denom = JpegImage::scaleFor(size, turned ? cover.transposed() : cover);
        const QSize scaled((size.width() + denom - 1) / denom, (size.height() + denom - 1) / denom);
        QCOMPARE(preview.image.size(), turned ? scaled.transposed() : scaled);
    } else {
        QCOMPARE(preview.error, full.error);
    }
}

void TestJpegImage::scaleChoice_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("cover");
    QTest::addColumn<int>("denom");
    QTest::newRow("24 MP photo") << QSize(6000, 4000) << QSize(620, 480) << 8;
    QTest::newRow("1/8 just covers") << QSize(4960, 3840) << QSize(620, 480) << 8;
    QTest::newRow("1/8 one short in width") << QSize(4952, 3840) << QSize(620, 480) << 4;
    QTest::newRow("rounded up covers") << QSize(4953, 3833) << QSize(620, 480) << 8;
    QTest::newRow("1800x1200") << QSize(1800, 1200) << QSize(620, 480) << 2;
    QTest::newRow("portrait 1200x1800") << QSize(1200, 1800) << QSize(620, 480) << 1;
    QTest::newRow("smaller than the area") << QSize(227, 149) << QSize(620, 480) << 1;
    QTest::newRow("exactly the area") << QSize(620, 480) << QSize(620, 480) << 1;
    QTest::newRow("very wide, short") << QSize(65000, 900) << QSize(620, 480) << 1;
    QTest::newRow("no area") << QSize(6000, 4000) << QSize() << 1;
    QTest::newRow("empty area") << QSize(6000, 4000) << QSize(0, 480) << 1;
    QTest::newRow("empty picture") << QSize(0, 0) << QSize(620, 480) << 1;
}

void TestJpegImage::scaleChoice()
{
    QFETCH(QSize, size);
    QFETCH(QSize, cover);
    QFETCH(int, denom);
    QCOMPARE(JpegImage::scaleFor(size, cover), denom);
}

void TestJpegImage::previewDecodeCoversArea_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("cover");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("1800x1200 in 620x480") << "exif/rec_Landscape_1.jpg" << QSize(620, 480) << QSize(900, 600);
    QTest::newRow("1800x1200 in 200x100") << "exif/rec_Landscape_1.jpg" << QSize(200, 100) << QSize(225, 150);
    QTest::newRow("1744x2464 in 620x480") << "warn/ir_extraneous-bytes-after-sos.jpg" << QSize(620, 480)
                                          << QSize(872, 1232);
    QTest::newRow("progressive 1443x1071 in 300x200")
        << "valid/its_316be81dfdeeb942e904feb3a77f4f83.jpg" << QSize(300, 200) << QSize(361, 268);
    QTest::newRow("CMYK 256x256 in 40x40") << "valid/ir_moz_jpg-cmyk-2.jpg" << QSize(40, 40) << QSize(64, 64);
    QTest::newRow("arithmetic 227x149 in 50x30") << "valid/ljt_testimgari.jpg" << QSize(50, 30) << QSize(57, 38);
}

void TestJpegImage::previewDecodeCoversArea()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, file);
    QFETCH(QSize, cover);
    QFETCH(QSize, expected);
    const JpegImage::Result r = JpegImage::decodeFile(sample(file), cover);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), expected);
    QVERIFY(r.image.width() >= cover.width() && r.image.height() >= cover.height());
}

// libjpeg gives CMYK for CMYK and YCCK files; Adobe's files store the inks
// inverted. Read the wrong way round, the white page turns black.
void TestJpegImage::adobeCmykAndYcckColours()
{
    REQUIRE_SAMPLES();
    // Four words on white: "cyan", "yellow", "magenta", "black".
    const JpegImage::Result words = JpegImage::decodeFile(sample(QStringLiteral("valid/ir_moz_jpg-cmyk-2.jpg")));
    QVERIFY2(words.ok(), qPrintable(words.error));
    QCOMPARE(words.image.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(words.image.pixel(255, 255), qRgb(255, 255, 255));
    const QColor cyan = meanInk(words.image, QRect(25, 30, 55, 25));
    QVERIFY2(cyan.red() + 60 < cyan.green() && cyan.red() + 60 < cyan.blue(), qPrintable(cyan.name()));
    const QColor yellow = meanInk(words.image, QRect(120, 65, 70, 28));
    QVERIFY2(yellow.blue() + 60 < yellow.red() && yellow.blue() + 60 < yellow.green(), qPrintable(yellow.name()));
    const QColor magenta = meanInk(words.image, QRect(50, 112, 85, 26));
    QVERIFY2(magenta.green() + 60 < magenta.red() && magenta.green() + 60 < magenta.blue(),
             qPrintable(magenta.name()));
    const QColor black = meanInk(words.image, QRect(65, 195, 55, 25));
    QVERIFY2(black.red() < 130 && qAbs(black.red() - black.green()) < 12 && qAbs(black.red() - black.blue()) < 12,
             qPrintable(black.name()));

    // A plain yellow square.
    const JpegImage::Result square = JpegImage::decodeFile(sample(QStringLiteral("valid/ir_moz_jpg-cmyk-1.jpg")));
    QVERIFY2(square.ok(), qPrintable(square.error));
    QCOMPARE(square.image.pixel(0, 0), qRgb(255, 255, 0));

    // A park photo in YCCK: the grass is green, not its negative.
    const JpegImage::Result park = JpegImage::decodeFile(sample(QStringLiteral("valid/ir_ycck.jpg")));
    QVERIFY2(park.ok(), qPrintable(park.error));
    const QColor grass = mean(park.image, QRect(10, 200, 140, 60));
    QVERIFY2(grass.green() > grass.red() + 30 && grass.green() > grass.blue() + 60, qPrintable(grass.name()));

    // The same at the preview's scale.
    const JpegImage::Result small = JpegImage::decodeFile(sample(QStringLiteral("valid/ir_ycck.jpg")), QSize(120, 80));
    QVERIFY2(small.ok(), qPrintable(small.error));
    QCOMPARE(small.image.size(), QSize(125, 84));
    const QColor grassSmall = mean(small.image, QRect(3, 50, 35, 15));
    QVERIFY2(grassSmall.green() > grassSmall.red() + 30 && grassSmall.green() > grassSmall.blue() + 60,
             qPrintable(grassSmall.name()));
}

void TestJpegImage::cmykInversionFollowsAdobeMarker_data()
{
    QTest::addColumn<bool>("adobe");
    QTest::addColumn<QByteArray>("samples"); // C, M, Y, K as stored
    QTest::addColumn<QColor>("expected");
    // With the Adobe marker the stored value is what the ink leaves.
    QTest::newRow("adobe, cyan") << true << QByteArray("\x00\xff\xff\xff", 4) << QColor(0, 255, 255);
    QTest::newRow("adobe, no ink") << true << QByteArray("\xff\xff\xff\xff", 4) << QColor(255, 255, 255);
    QTest::newRow("adobe, black") << true << QByteArray("\xff\xff\xff\x00", 4) << QColor(0, 0, 0);
    QTest::newRow("adobe, half red") << true << QByteArray("\xff\x00\x00\x80", 4) << QColor(128, 0, 0);
    // Without it the stored value is the ink itself.
    QTest::newRow("plain, cyan") << false << QByteArray("\xff\x00\x00\x00", 4) << QColor(0, 255, 255);
    QTest::newRow("plain, no ink") << false << QByteArray("\x00\x00\x00\x00", 4) << QColor(255, 255, 255);
    QTest::newRow("plain, black") << false << QByteArray("\x00\x00\x00\xff", 4) << QColor(0, 0, 0);
}

void TestJpegImage::cmykInversionFollowsAdobeMarker()
{
    QFETCH(bool, adobe);
    QFETCH(QByteArray, samples);
    QFETCH(QColor, expected);
    const QByteArray pixels = samples.repeated(16 * 16);
    const JpegImage::Result r = JpegImage::decode(encode(16, 16, JCS_CMYK, 4, pixels, adobe));
    QVERIFY2(r.ok(), qPrintable(r.error));
    const QColor got = mean(r.image, QRect(4, 4, 8, 8));
    QVERIFY2(qAbs(got.red() - expected.red()) <= 4 && qAbs(got.green() - expected.green()) <= 4
                 && qAbs(got.blue() - expected.blue()) <= 4,
             qPrintable(got.name() + QStringLiteral(" instead of ") + expected.name()));
}

void TestJpegImage::greyscaleAndRgb()
{
    // A grey ramp stays grey; an RGB picture keeps its channels apart.
    QByteArray ramp;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.append(char(x * 4));
    const JpegImage::Result grey = JpegImage::decode(encode(64, 32, JCS_GRAYSCALE, 1, ramp));
    QVERIFY2(grey.ok(), qPrintable(grey.error));
    for (int x = 0; x < 64; x += 9) {
        const QRgb p = grey.image.pixel(x, 16);
        QCOMPARE(qRed(p), qGreen(p));
        QCOMPARE(qGreen(p), qBlue(p));
        QVERIFY(qAbs(qRed(p) - x * 4) <= 6);
    }
    QByteArray blue;
    for (int i = 0; i < 32 * 32; ++i)
        blue.append("\x20\x40\xe0", 3);
    const JpegImage::Result rgb = JpegImage::decode(encode(32, 32, JCS_RGB, 3, blue));
    QVERIFY2(rgb.ok(), qPrintable(rgb.error));
    const QColor c = mean(rgb.image, QRect(8, 8, 16, 16));
    QVERIFY2(qAbs(c.red() - 0x20) <= 4 && qAbs(c.green() - 0x40) <= 4 && qAbs(c.blue() - 0xe0) <= 4,
             qPrintable(c.name()));
    QCOMPARE(qAlpha(rgb.image.pixel(0, 0)), 255);
}

void TestJpegImage::cutOffFileShowsWhatDecodes()
{
    REQUIRE_SAMPLES();
    const QByteArray whole = readAll(sample(QStringLiteral("valid/ljt_testorig.jpg")));
    const JpegImage::Result reference = JpegImage::decode(whole);
    QVERIFY(reference.ok());
    QCOMPARE(reference.warnings, 0);
    const JpegImage::Result cut = JpegImage::decodeFile(sample(QStringLiteral("derived/drv_testorig_trunc50pct.jpg")));
    QVERIFY2(cut.ok(), qPrintable(cut.error));
    QVERIFY(cut.warnings > 0);
    QCOMPARE(cut.image.size(), reference.image.size());
    // The top rows are the picture, the bottom ones libjpeg's grey.
    QCOMPARE(cut.image.copy(0, 0, 227, 20), reference.image.copy(0, 0, 227, 20));
    const QColor bottom = mean(cut.image, QRect(0, 140, 227, 9));
    QVERIFY2(qAbs(bottom.red() - 128) <= 2 && qAbs(bottom.green() - 128) <= 2, qPrintable(bottom.name()));
}

// At 1/8 a progressive file is previewed from its DC scans alone, which is
// what a one-scan file of the same picture gives at 1/8.
void TestJpegImage::progressivePreviewFromFirstScans()
{
    const int width = 960, height = 640;
    QByteArray pixels;
    pixels.reserve(width * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool disc = (x - 600) * (x - 600) + (y - 200) * (y - 200) < 120 * 120;
            pixels.append(char(disc ? 250 : x * 255 / width));
            pixels.append(char(disc ? 200 : y * 255 / height));
            pixels.append(char(disc ? 40 : ((x / 16 + y / 16) % 2) * 120 + 60));
        }
    const QByteArray jpeg = encode(width, height, JCS_RGB, 3, pixels, true, true);
    // The same picture sent in one (baseline) scan, decoded at 1/8 in full.
    const JpegImage::Result reference = JpegImage::decode(encode(width, height, JCS_RGB, 3, pixels), QSize(100, 70));
    QVERIFY2(reference.ok(), qPrintable(reference.error));
    const JpegImage::Result preview = JpegImage::decode(jpeg, QSize(100, 70));
    QVERIFY2(preview.ok(), qPrintable(preview.error));
    QCOMPARE(preview.image.size(), QSize(120, 80));
    QCOMPARE(reference.image.size(), QSize(120, 80));
    int worst = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            const QRgb p = preview.image.pixel(x, y);
            const QRgb r = reference.image.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(p) - qRed(r)), qAbs(qGreen(p) - qGreen(r)), qAbs(qBlue(p) - qBlue(r))});
        }
    // The first DC scan holds the DC to one bit less: a level or two.
    QVERIFY2(worst <= 4, qPrintable(QStringLiteral("differs by up to %1").arg(worst)));
    // And it is the picture: the disc's colour in its middle.
    const QColor disc = mean(preview.image, QRect(72, 22, 6, 6));
    QVERIFY2(qAbs(disc.red() - 250) <= 6 && qAbs(disc.green() - 200) <= 6 && qAbs(disc.blue() - 40) <= 8,
             qPrintable(disc.name()));

    // Cut off after a few scans: still a preview, no error.
    const qsizetype thirdScan = jpeg.indexOf(QByteArray("\xff\xda", 2),
                                             jpeg.indexOf(QByteArray("\xff\xda", 2),
                                                          jpeg.indexOf(QByteArray("\xff\xda", 2)) + 2) + 2);
    QVERIFY(thirdScan > 0);
    const JpegImage::Result cut = JpegImage::decode(jpeg.left(thirdScan), QSize(100, 70));
    QVERIFY2(cut.ok(), qPrintable(cut.error));
    QCOMPARE(cut.image.size(), QSize(120, 80));
}

void TestJpegImage::emptyAndUnreadable()
{
    const JpegImage::Result none = JpegImage::decode(QByteArray());
    QVERIFY(!none.ok());
    QVERIFY(none.error.startsWith(QStringLiteral("图片解码失败:")));
    const JpegImage::Result text = JpegImage::decode(QByteArray("hello, not a picture"));
    QVERIFY(!text.ok());
    QVERIFY2(text.error.contains(QStringLiteral("不是JPEG文件")), qPrintable(text.error));
    const JpegImage::Result missing = JpegImage::decodeFile(QStringLiteral("/nonexistent/图片.jpg"));
    QVERIFY(!missing.ok());
    QVERIFY2(missing.error.contains(QStringLiteral("/nonexistent/图片.jpg")), qPrintable(missing.error));
}

void TestJpegImage::hostileDimensions_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("reason");
    // Beyond the pixel limit: refused right after the header.
    QTest::newRow("baseline 20000x20000") << "valid/ljt_testorig.jpg" << 20000 << 20000 << "图片尺寸太大";
    QTest::newRow("progressive 65000x65000") << "valid/ljt_testimgp.jpg" << 65000 << 65000 << "图片尺寸太大";
    // Within it, but a progressive picture keeps every coefficient: the
    // memory limit stops it before it allocates.
    QTest::newRow("progressive 10000x10000") << "valid/ljt_testimgp.jpg" << 10000 << 10000 << "内存";
}

void TestJpegImage::hostileDimensions()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, file);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, reason);
    const QByteArray patched = withDimensions(readAll(sample(file)), width, height);
    QVERIFY(!patched.isEmpty());
    for (const QSize cover : {QSize(), QSize(620, 480)}) {
        const JpegImage::Result r = JpegImage::decode(patched, cover);
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(reason), qPrintable(r.error));
    }
}

// A progressive file whose last scan repeats 1500 times: stopped at the
// scan limit instead of decoding on and on.
void TestJpegImage::endlessScansStop()
{
    REQUIRE_SAMPLES();
    const QByteArray jpeg = readAll(sample(QStringLiteral("valid/ljt_testimgp.jpg")));
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xff\xda", 2));
    const qsizetype end = jpeg.lastIndexOf(QByteArray("\xff\xd9", 2));
    QVERIFY(lastScan > 0 && end > lastScan);
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    const QByteArray many = jpeg.left(end) + scan.repeated(1500) + QByteArray("\xff\xd9", 2);
    const JpegImage::Result r = JpegImage::decode(many, QSize(100, 100));
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(QStringLiteral("扫描段过多")), qPrintable(r.error));
    // A handful of repeats is still a picture.
    const JpegImage::Result few = JpegImage::decode(jpeg.left(end) + scan.repeated(5) + QByteArray("\xff\xd9", 2));
    QVERIFY2(few.ok(), qPrintable(few.error));
}

void TestJpegImage::everyPrefixOfAFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("baseline") << "valid/ljt_testorig.jpg";
    QTest::newRow("progressive") << "valid/ljt_testimgp.jpg";
    QTest::newRow("arithmetic") << "valid/ljt_testimgari.jpg";
    QTest::newRow("CMYK") << "valid/ir_moz_jpg-cmyk-2.jpg";
}

// A file cut anywhere either shows what decodes or gives the error.
void TestJpegImage::everyPrefixOfAFile()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, file);
    const QByteArray whole = readAll(sample(file));
    QVERIFY(!whole.isEmpty());
    int decoded = 0;
    for (qsizetype n = 0; n < whole.size(); n += 3) {
        const JpegImage::Result r = JpegImage::decode(whole.left(n), QSize(60, 40));
        checkOutcome(r);
        if (r.ok())
            ++decoded;
    }
    QVERIFY(decoded > 0);
}

void TestJpegImage::mangledBytes_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("baseline") << "valid/ljt_testorig.jpg";
    QTest::newRow("progressive") << "valid/ljt_testimgp.jpg";
    QTest::newRow("arithmetic") << "valid/ljt_testimgari.jpg";
    QTest::newRow("YCCK") << "warn/its_1cbb1bb37d62c44f67374cd451643dc4.jpg";
    QTest::newRow("restarts") << "valid/ir_restarts.jpg";
}

// Bytes overwritten at random (a fixed seed): an image or the error, never
// a crash (run under the sanitizers as well).
void TestJpegImage::mangledBytes()
{
    REQUIRE_SAMPLES();
    QFETCH(QString, file);
    const QByteArray whole = readAll(sample(file));
    QVERIFY(!whole.isEmpty());
    QRandomGenerator rng(20261209);
    for (int round = 0; round < 400; ++round) {
        QByteArray mangled = whole;
        const int changes = 1 + int(rng.bounded(8));
        for (int i = 0; i < changes; ++i)
            mangled[qsizetype(rng.bounded(quint32(mangled.size())))] = char(rng.bounded(256));
        checkOutcome(JpegImage::decode(mangled, round % 2 ? QSize(50, 30) : QSize()));
    }
}

QTEST_GUILESS_MAIN(TestJpegImage)
#include "tst_jpegimage.moc"
