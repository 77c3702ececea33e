// The JPEG files written by other programs in testdata/jpeg, with what their
// SOURCES.txt files say about each: size, MD5 and whether libjpeg decodes it.
#pragma once

#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QSize>
#include <QString>

// A camera file of testdata/jpeg/exif (photos with each EXIF orientation);
// empty when the folder is absent.
inline QString exifSample(const QString &name)
{
    const QString root = testDataDir(QStringLiteral("jpeg/exif"));
    return root.isEmpty() ? QString() : root + QLatin1Char('/') + name;
}

// Skips the running test when the camera files are absent.
#define REQUIRE_EXIF_SAMPLES()                                                                         \
    if (testDataDir(QStringLiteral("jpeg/exif")).isEmpty())                                           \
        QSKIP("testdata/jpeg/exif is absent (../shared/testdata beside the clone); camera files not used")

struct JpegSample {
    QString folder;     // valid, warn, corrupt, ...
    QString name;       // file name
    QString path;       // full path
    qint64 bytes = -1;
    QString md5;        // lowercase hex
    bool decodes = false; // libjpeg returns an image (maybe with warnings)
    QSize size;         // when it decodes, as stored
    int orientation = 1; // the EXIF orientation, where the entry names one
};

// Every sample with its SOURCES.txt entry; empty when the folder is absent.
inline QList<JpegSample> jpegSamples()
{
    QList<JpegSample> out;
    const QString root = testDataDir(QStringLiteral("jpeg"));
    if (root.isEmpty())
        return out;
    static const QRegularExpression nameLine(QStringLiteral("^([^\\s#][^\\s]*\\.jpg)\\s*$"));
    static const QRegularExpression md5Line(QStringLiteral("^\\s*bytes:\\s*(\\d+)\\s+md5:\\s*([0-9a-f]{32})"));
    static const QRegularExpression observed(
        QStringLiteral("^\\s*observed libjpeg-turbo[^:]*:\\s*(OK\\s+(\\d+)x(\\d+)|ERROR)"));
    static const QRegularExpression orientation(QStringLiteral("EXIF Orientation=(\\d)"));
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &folder : folders) {
        QFile sources(QDir(root).filePath(folder + QStringLiteral("/SOURCES.txt")));
        if (!sources.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        JpegSample *current = nullptr;
        const QStringList lines = QString::fromUtf8(sources.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (const auto m = nameLine.match(line); m.hasMatch()) {
                JpegSample s;
                s.folder = folder;
                s.name = m.captured(1);
                s.path = QDir(root).filePath(folder + QLatin1Char('/') + s.name);
                out.append(s);
                current = &out.last();
            } else if (!current) {
                continue;
            } else if (const auto m = md5Line.match(line); m.hasMatch()) {
                current->bytes = m.captured(1).toLongLong();
                current->md5 = m.captured(2);
            } else if (const auto m = observed.match(line); m.hasMatch()) {
                current->decodes = m.captured(1).startsWith(QLatin1String("OK"));
                if (current->decodes)
                    current->size = QSize(m.captured(2).toInt(), m.captured(3).toInt());
            } else if (const auto m = orientation.match(line); m.hasMatch()) {
                current->orientation = m.captured(1).toInt();
            }
        }
    }
    return out;
}
