// A little-endian reader over bytes held in memory that checks every read
// against the end: a read past it throws Workbook::Error (a damaged record).
#pragma once

#include "formats/workbook_p.h"

#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace Workbook::Detail {

class ByteReader {
public:
    ByteReader(const char *data, qsizetype size) : data_(data), size_(size) {}
    explicit ByteReader(const QByteArray &bytes) : ByteReader(bytes.constData(), bytes.size()) {}

    qsizetype pos() const { return pos_; }
    qsizetype size() const { return size_; }
    qsizetype remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }

    quint8 u8() { need(1); return quint8(data_[pos_++]); }
    quint16 u16() { need(2); const quint16 v = qFromLittleEndian<quint16>(data_ + pos_); pos_ += 2; return v; }
    quint32 u32() { need(4); const quint32 v = qFromLittleEndian<quint32>(data_ + pos_); pos_ += 4; return v; }
    double f64()
    {
        need(8);
        const quint64 bits = qFromLittleEndian<quint64>(data_ + pos_);
        pos_ += 8;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    void skip(qint64 n) { need(n); pos_ += qsizetype(n); }
    const char *bytes(qint64 n) { need(n); const char *p = data_ + pos_; pos_ += qsizetype(n); return p; }
    // The byte `offset` past the current one, without moving; the range is checked.
    quint8 peek(qsizetype offset = 0) const { needAt(offset, 1); return quint8(data_[pos_ + offset]); }

private:
    void need(qint64 n) const { needAt(0, n); }
    void needAt(qint64 offset, qint64 n) const
    {
        if (n < 0 || offset < 0 || offset + n > size_ - pos_)
            corrupt(QStringLiteral("记录数据不完整"));
    }

    const char *data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

} // namespace Workbook::Detail
