// What the picture tests read and measure: a file's bytes, and the mean
// colour of a part of a decoded picture.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

namespace PictureChecks {

// The bytes of a file; empty when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The mean colour of a rectangle of `image`.
inline QColor mean(const QImage &image, const QRect &r)
{
    qint64 sum[3] = {0, 0, 0};
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
        }
    const qint64 n = qint64(r.width()) * r.height();
    return QColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
}

} // namespace PictureChecks
