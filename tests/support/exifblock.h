// EXIF blocks made on the spot for the tests and the benchmarks: an APP1
// segment with the entries asked for, in either byte order, put into a JPEG
// stream; and the place of the orientation value in a file that has one.
#pragma once

#include <QByteArray>
#include <QList>
#include <QtEndian>

namespace ExifBlock {

enum Type : quint16 { Byte = 1, Ascii = 2, Short = 3, Long = 4 };
constexpr quint16 kOrientationTag = 0x0112;

struct Entry {
    quint16 tag;
    quint16 type;
    quint32 count;
    quint32 value; // a single SHORT is written in the first two bytes of the field
};

namespace detail {

inline void put16(QByteArray &out, quint16 v, bool big)
{
    char b[2];
    big ? qToBigEndian(v, b) : qToLittleEndian(v, b);
    out.append(b, 2);
}

inline void put32(QByteArray &out, quint32 v, bool big)
{
    char b[4];
    big ? qToBigEndian(v, b) : qToLittleEndian(v, b);
    out.append(b, 4);
}

inline void putIfd(QByteArray &tiff, const QList<Entry> &entries, quint32 next, bool big)
{
    put16(tiff, quint16(entries.size()), big);
    for (const Entry &e : entries) {
        put16(tiff, e.tag, big);
        put16(tiff, e.type, big);
        put32(tiff, e.count, big);
        if (e.type == Short && e.count == 1) {
            put16(tiff, quint16(e.value), big);
            put16(tiff, 0, big);
        } else {
            put32(tiff, e.value, big);
        }
    }
    put32(tiff, next, big);
}

} // namespace detail

// The TIFF structure of an EXIF block: the main picture's IFD and, when
// given, the thumbnail's.
inline QByteArray tiff(const QList<Entry> &ifd0, bool bigEndian = false, const QList<Entry> &ifd1 = {})
{
    QByteArray t = bigEndian ? QByteArray("MM") : QByteArray("II");
    detail::put16(t, 42, bigEndian);
    detail::put32(t, 8, bigEndian);
    const quint32 second = ifd1.isEmpty() ? 0 : quint32(8 + 2 + 12 * ifd0.size() + 4);
    detail::putIfd(t, ifd0, second, bigEndian);
    if (!ifd1.isEmpty())
        detail::putIfd(t, ifd1, 0, bigEndian);
    return t;
}

// A whole APP1 segment, marker and length included, holding `payload`.
inline QByteArray app1(const QByteArray &payload)
{
    QByteArray s("\xFF\xE1", 2);
    detail::put16(s, quint16(payload.size() + 2), true);
    return s + payload;
}

// The APP1 segment of an EXIF block with the TIFF structure `t`.
inline QByteArray segment(const QByteArray &t)
{
    return app1(QByteArray("Exif\0\0", 6) + t);
}

// An EXIF block saying only the orientation.
inline QByteArray orientation(quint16 value, bool bigEndian = false)
{
    return segment(tiff({{kOrientationTag, Short, 1, value}}, bigEndian));
}

// `jpeg` with `segment` right after its start marker.
inline QByteArray withSegment(const QByteArray &jpeg, const QByteArray &segment)
{
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// Where the EXIF block of a JPEG stream starts ("Exif\0\0") and its length;
// -1 when there is none.
inline qsizetype payloadAt(const QByteArray &jpeg, qsizetype *length)
{
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && uchar(jpeg.at(i)) == 0xFF) {
        const uchar marker = uchar(jpeg.at(i + 1));
        const int size = qFromBigEndian<quint16>(jpeg.constData() + i + 2);
        if (marker == 0xDA)
            break;
        if (marker == 0xE1 && jpeg.mid(i + 4, 6) == QByteArray("Exif\0\0", 6)) {
            *length = size - 2;
            return i + 4;
        }
        i += 2 + size;
    }
    return -1;
}

// Where the value of the main picture's orientation entry lies in `jpeg`;
// -1 when it has none.
inline qsizetype orientationValueAt(const QByteArray &jpeg)
{
    qsizetype length = 0;
    const qsizetype payload = payloadAt(jpeg, &length);
    if (payload < 0)
        return -1;
    const qsizetype base = payload + 6;
    const bool big = jpeg.mid(base, 2) == "MM";
    auto get16 = [&](qsizetype at) {
        return big ? qFromBigEndian<quint16>(jpeg.constData() + at) : qFromLittleEndian<quint16>(jpeg.constData() + at);
    };
    auto get32 = [&](qsizetype at) {
        return big ? qFromBigEndian<quint32>(jpeg.constData() + at) : qFromLittleEndian<quint32>(jpeg.constData() + at);
    };
    const qsizetype ifd = base + get32(base + 4);
    const int n = get16(ifd);
    for (int k = 0; k < n; ++k) {
        const qsizetype entry = ifd + 2 + 12 * k;
        if (get16(entry) == kOrientationTag)
            return entry + 8;
    }
    return -1;
}

} // namespace ExifBlock
