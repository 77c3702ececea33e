// Picture preview: a 24-megapixel photo decoded at the reduced DCT scale
// that still covers the preview (as the picture window does) against the
// full-size decode of the same bytes, in the same run; the same photo stored
// on its side with an EXIF orientation, previewed upright, against the photo
// stored upright; then every JPEG of the shared test data, to show none
// takes long or much memory.
//
//   bench_jpeg [runs] [preview width] [preview height]   default 5 620 480
//
// The 24-megapixel pictures are made here with the tests' small encoder (a
// baseline and a progressive one), from a synthetic scene with gradients,
// edges and fine noise, so they compress like a photo.
#include "exifblock.h"
#include "formats/exif.h"
#include "formats/jpegimage.h"
#include "jpegencoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

long peakRssMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QByteArray makePhoto(int width, int height, bool progressive)
{
    QByteArray pixels(qsizetype(width) * height * 3, Qt::Uninitialized);
    QRandomGenerator rng(24);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<unsigned char *>(pixels.data()) + qsizetype(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            // Sky, hills and a sun: smooth areas, edges and texture.
            const double hill = height * (0.55 + 0.08 * std::sin(x * 0.0021) + 0.03 * std::sin(x * 0.013));
            const double dx = x - width * 0.7, dy = y - height * 0.25;
            const bool sun = dx * dx + dy * dy < (height * 0.08) * (height * 0.08);
            int r, g, b;
            if (sun) {
                r = 255, g = 230, b = 120;
            } else if (y < hill) {
                r = 90 + y * 80 / height, g = 150 + y * 60 / height, b = 230;
            } else {
                r = 60 + ((x / 37 + y / 23) % 5) * 9, g = 120 + ((x * 7 + y * 3) % 41), b = 40 + (y % 17);
            }
            const int noise = int(rng.bounded(17)) - 8;
            row[size_t(x) * 3] = static_cast<unsigned char>(std::clamp(r + noise, 0, 255));
            row[size_t(x) * 3 + 1] = static_cast<unsigned char>(std::clamp(g + noise, 0, 255));
            row[size_t(x) * 3 + 2] = static_cast<unsigned char>(std::clamp(b + noise, 0, 255));
        }
    }
    return JpegEncoder::encode(width, height, JCS_RGB, 3, pixels, true, progressive, 90);
}

struct Timing {
    double medianMs = 0;
    double minMs = 0;
    QSize size;
    bool ok = false;
};

Timing timeDecode(const QByteArray &bytes, QSize cover, int runs)
{
    std::vector<double> ms;
    Timing t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const JpegImage::Result r = JpegImage::decode(bytes, cover);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        t.size = r.image.size();
        t.ok = r.ok();
    }
    std::sort(ms.begin(), ms.end());
    t.medianMs = ms[ms.size() / 2];
    t.minMs = ms.front();
    return t;
}

void compare(const char *label, const QByteArray &bytes, QSize cover, int runs)
{
    std::printf("%s: %.1f MB file\n", label, bytes.size() / 1e6);
    const Timing preview = timeDecode(bytes, cover, runs);
    const long rssPreview = peakRssMb();
    const Timing full = timeDecode(bytes, QSize(), runs);
    const long rssFull = peakRssMb();
    std::printf("  preview decode (cover %dx%d, 1/%d): %4dx%-5d median %7.1f ms  min %7.1f ms  %s  peak RSS so far %ld MB\n",
                cover.width(), cover.height(), JpegImage::scaleFor(full.size, cover), preview.size.width(),
                preview.size.height(), preview.medianMs, preview.minMs, preview.ok ? "ok" : "FAILED", rssPreview);
    std::printf("  full-size decode:                   %4dx%-5d median %7.1f ms  min %7.1f ms  %s  peak RSS so far %ld MB\n",
                full.size.width(), full.size.height(), full.medianMs, full.minMs, full.ok ? "ok" : "FAILED", rssFull);
    std::printf("  preview takes %.1f%% of the full decode (%.1fx faster)\n\n", 100.0 * preview.medianMs / full.medianMs,
                full.medianMs / preview.medianMs);
}

// A photo stored on its side (EXIF orientation 6) previews upright at the
// same reduced scale as a photo stored upright: reading the EXIF block and
// turning the small picture add next to nothing. The same sideways bytes are
// timed with and without the tag, alternately, so only the tag differs.
void onItsSide(const QByteArray &upright, const QByteArray &sideways, QSize cover, int runs)
{
    const QByteArray tagged = ExifBlock::withSegment(sideways, ExifBlock::orientation(6));
    const QByteArray *inputs[3] = {&upright, &sideways, &tagged};
    std::vector<double> ms[3];
    QSize sizes[3];
    bool ok[3] = {true, true, true};
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 3; ++k) {
            QElapsedTimer timer;
            timer.start();
            const JpegImage::Result r = JpegImage::decode(*inputs[k], cover);
            ms[k].push_back(double(timer.nsecsElapsed()) / 1e6);
            sizes[k] = r.image.size();
            ok[k] = ok[k] && r.ok();
        }
    }
    const char *labels[3] = {"stored upright          ", "stored sideways, no tag ", "stored sideways, tag 6  "};
    double median[3];
    std::printf("a photo stored on its side, previewed upright (cover %dx%d):\n", cover.width(), cover.height());
    for (int k = 0; k < 3; ++k) {
        std::sort(ms[k].begin(), ms[k].end());
        median[k] = ms[k][ms[k].size() / 2];
        std::printf("  %s %4dx%-5d median %7.1f ms  min %7.1f ms  %s\n", labels[k], sizes[k].width(),
                    sizes[k].height(), median[k], ms[k].front(), ok[k] ? "ok" : "FAILED");
    }
    // The turn alone, on the picture the preview decodes.
    const QImage lying = JpegImage::decode(sideways, cover.transposed()).image;
    std::vector<double> turn;
    for (int i = 0; i < std::max(runs, 20); ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage up = Exif::upright(lying, 6);
        turn.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (up.size() != lying.size().transposed())
            std::printf("  turn FAILED\n");
    }
    std::sort(turn.begin(), turn.end());
    std::printf("  the tagged photo takes %.1f%% of the upright one; turning its %dx%d picture alone: median %.2f ms\n"
                "  (untagged, the same bytes preview lying down, %dx%d, the scale chosen for the area the wrong way)\n\n",
                100.0 * median[2] / median[0], lying.width(), lying.height(), turn[turn.size() / 2],
                sizes[1].width(), sizes[1].height());
}

void sharedFiles(QSize cover)
{
    const QString root = QStringLiteral(QUORVANE_TESTDATA) + QStringLiteral("/jpeg");
    if (!QDir(root).exists()) {
        std::printf("shared test data: %s absent, skipped\n", qPrintable(root));
        return;
    }
    int files = 0, ok = 0;
    double total = 0, slowest = 0;
    QString slowestName;
    QDirIterator it(root, {QStringLiteral("*.jpg")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString &path : paths) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        for (const QSize c : {cover, QSize()}) {
            QElapsedTimer timer;
            timer.start();
            const JpegImage::Result r = JpegImage::decode(bytes, c);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            total += ms;
            if (ms > slowest) {
                slowest = ms;
                slowestName = QDir(root).relativeFilePath(path) + (c.isEmpty() ? QStringLiteral(" (full size)")
                                                                                : QStringLiteral(" (preview)"));
            }
            if (c.isEmpty()) {
                ++files;
                ok += r.ok() ? 1 : 0;
            }
        }
    }
    std::printf("shared test data: %d files (%d decode, %d give the decoding error), preview and full decode each\n",
                files, ok, files - ok);
    std::printf("  all decodes %.1f ms in total; slowest %.1f ms: %s; peak RSS of the run %ld MB\n", total, slowest,
                qPrintable(slowestName), peakRssMb());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QSize cover(argc > 2 ? std::atoi(argv[2]) : 620, argc > 3 ? std::atoi(argv[3]) : 480);

    QElapsedTimer timer;
    timer.start();
    const QByteArray baseline = makePhoto(6000, 4000, false);
    const QByteArray progressive = makePhoto(6000, 4000, true);
    std::printf("made two 6000x4000 (24 MP) JPEGs in %.1f s; %d runs each, medians\n\n", timer.elapsed() / 1000.0,
                runs);

    compare("baseline 24 MP", baseline, cover, runs);
    compare("progressive 24 MP", progressive, cover, runs);
    onItsSide(baseline, makePhoto(4000, 6000, false), cover, runs);
    sharedFiles(cover);
    return 0;
}
