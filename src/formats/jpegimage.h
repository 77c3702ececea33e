// JPEG decoding through libjpeg, for showing pictures only (nothing is ever
// encoded). Every failure of libjpeg ends in an error text, never a crash;
// a stream that ends early gives what was decoded. The picture comes out
// the right way up: the orientation of its EXIF block is applied.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace JpegImage {

struct Result {
    QImage image;   // RGB32, the right way up; null on failure
    QString error;  // empty when the picture was decoded
    int warnings = 0; // corrupt data libjpeg worked around (a cut-off file)
    int orientation = 1; // the EXIF orientation applied (1: shown as stored)
    bool ok() const { return error.isEmpty() && !image.isNull(); }
};

// Decodes `bytes` and turns the picture as its EXIF orientation says. With a
// non-empty `cover`, decodes at the smallest DCT scale (1/1, 1/2, 1/4, 1/8)
// whose size, once turned, still covers that area.
Result decode(const QByteArray &bytes, QSize cover = QSize());
Result decodeFile(const QString &path, QSize cover = QSize());

// The scale denominator (1, 2, 4 or 8) chosen for a picture of `size`
// shown in `cover`.
int scaleFor(QSize size, QSize cover);

// Limits that keep a hostile file from taking the machine: libjpeg's memory
// (a progressive picture keeps all its coefficients, two bytes a sample) and
// the largest picture accepted, checked right after the header.
constexpr long kMaxMemory = 256L * 1024 * 1024;
constexpr long long kMaxPixels = 120LL * 1000 * 1000;

} // namespace JpegImage
