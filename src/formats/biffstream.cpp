// Records, CONTINUE pieces and strings of a BIFF5/BIFF8 stream (see biffstream.h).
#include "formats/gsfsupport.h" // glib before Qt

#include "formats/biffstream.h"

namespace Workbook::Detail {

BiffStream::BiffStream(GsfInput *input) : input_(input), size_(gsf_input_size(input))
{
    gsf_input_seek(input_, 0, G_SEEK_SET);
}

void BiffStream::seek(qint64 offset)
{
    if (offset < 0 || offset >= size_ || gsf_input_seek(input_, offset, G_SEEK_SET))
        corrupt(QStringLiteral("记录位置%1超出数据流（长%2字节）").arg(offset).arg(size_));
    pos_ = offset;
    peeked_ = false;
}

bool BiffStream::readHeader()
{
    if (peeked_)
        return true;
    if (size_ - pos_ < 4)   // the end, or padding too short for a record
        return false;
    uchar header[4];
    if (!readExact(input_, 4, header))
        corrupt(QStringLiteral("数据流在第%1字节处无法读取").arg(pos_));
    peekId_ = quint16(header[0] | header[1] << 8);
    peekLength_ = quint16(header[2] | header[3] << 8);
    peeked_ = true;
    return true;
}

int BiffStream::peekId()
{
    return readHeader() ? peekId_ : -1;
}

bool BiffStream::next(Record *record)
{
    if (!readHeader())
        return false;
    peeked_ = false;
    if (size_ - pos_ - 4 < peekLength_)
        corrupt(QStringLiteral("第%1字节处的记录（0x%2）超出数据流末尾")
                    .arg(pos_).arg(peekId_, 4, 16, QLatin1Char('0')));
    record->id = peekId_;
    record->offset = pos_;
    record->data.resize(peekLength_);
    if (!readExact(input_, peekLength_, record->data.data()))
        corrupt(QStringLiteral("数据流在第%1字节处无法读取").arg(pos_));
    pos_ += 4 + peekLength_;
    return true;
}

QList<QByteArray> BiffStream::withContinues(const Record &first)
{
    QList<QByteArray> pieces{first.data};
    Record r;
    while (peekId() == Biff::Continue) {
        next(&r);
        pieces << r.data;
    }
    return pieces;
}

ContinuedReader::ContinuedReader(const QList<QByteArray> &pieces) : pieces_(pieces) {}

bool ContinuedReader::toData()
{
    while (piece_ < pieces_.size() && pos_ >= pieces_[piece_].size()) {
        ++piece_;
        pos_ = 0;
    }
    return piece_ < pieces_.size();
}

bool ContinuedReader::atEnd()
{
    return !toData();
}

quint8 ContinuedReader::u8()
{
    if (!toData())
        corrupt(QStringLiteral("字符串表不完整"));
    return quint8(pieces_[piece_][pos_++]);
}

quint16 ContinuedReader::u16()
{
    const quint16 low = u8();
    return quint16(low | u8() << 8);
}

quint32 ContinuedReader::u32()
{
    const quint32 low = u16();
    return low | quint32(u16()) << 16;
}

void ContinuedReader::skip(qint64 count)
{
    while (count > 0) {
        if (!toData())
            corrupt(QStringLiteral("字符串表不完整"));
        const qint64 step = qMin<qint64>(count, pieces_[piece_].size() - pos_);
        pos_ += qsizetype(step);
        count -= step;
    }
}

QString ContinuedReader::chars(int count, bool highBytes)
{
    QString out;
    out.reserve(count);
    while (count > 0) {
        if (piece_ >= pieces_.size() || pos_ >= pieces_[piece_].size()) {
            // The characters go on in the next piece, which starts with its own flag.
            do {
                ++piece_;
            } while (piece_ < pieces_.size() && pieces_[piece_].isEmpty());
            if (piece_ >= pieces_.size())
                corrupt(QStringLiteral("字符串不完整"));
            highBytes = pieces_[piece_][0] & 0x01;
            pos_ = 1;
            continue;
        }
        const QByteArray &piece = pieces_[piece_];
        const qsizetype available = piece.size() - pos_;
        if (highBytes) {
            const qsizetype take = qMin<qsizetype>(count, available / 2);
            if (take == 0) {   // half a character left over: dropped
                pos_ = piece.size();
                continue;
            }
            const qsizetype at = out.size();
            out.resize(at + take);
            qFromLittleEndian<quint16>(piece.constData() + pos_, take, out.data() + at);
            pos_ += take * 2;
            count -= int(take);
        } else {
            const qsizetype take = qMin<qsizetype>(count, available);
            out.append(QLatin1String(piece.constData() + pos_, take));
            pos_ += take;
            count -= int(take);
        }
    }
    return out;
}

QString ContinuedReader::richString()
{
    const int count = u16();
    const quint8 flags = u8();
    const int runs = (flags & 0x08) ? u16() : 0;
    const quint32 phonetic = (flags & 0x04) ? u32() : 0;
    QString text = chars(count, flags & 0x01);
    skip(qint64(runs) * 4);
    skip(phonetic);
    return text;
}

QString biff8String(ByteReader &in, bool shortLength)
{
    const int count = shortLength ? in.u8() : in.u16();
    const quint8 flags = in.u8();
    if (flags & 0x08)
        in.u16();
    if (flags & 0x04)
        in.u32();
    if (flags & 0x01) {
        const char *p = in.bytes(qint64(count) * 2);
        QString s(count, Qt::Uninitialized);
        qFromLittleEndian<quint16>(p, count, s.data());
        return s;
    }
    return QString::fromLatin1(in.bytes(count), count);
}

CodePage::CodePage(int number) : number_(number)
{
    QByteArray name;
    if (number >= 1250 && number <= 1258)
        name = "windows-" + QByteArray::number(number);
    else if (number >= 437 && number <= 869 && number != 720)
        name = "IBM" + QByteArray::number(number);
    else {
        switch (number) {
        case 367: name = "US-ASCII"; break;
        case 720: name = "windows-1256"; break;
        case 874: name = "windows-874"; break;
        case 932: name = "Shift_JIS"; break;
        case 936: name = "GBK"; break;
        case 949: name = "windows-949"; break;
        case 950: name = "Big5"; break;
        case 10000: case 32768: name = "macintosh"; break;
        case 10006: name = "x-mac-greek"; break;
        case 10007: name = "x-mac-cyrillic"; break;
        case 10029: name = "x-mac-centraleurroman"; break;
        case 10079: name = "x-mac-icelandic"; break;
        case 10081: name = "x-mac-turkish"; break;
        case 65001: name = "UTF-8"; break;
        default: break;   // 32769 (ANSI Latin I), 1200 and the unknown: cp1252
        }
    }
    if (!name.isEmpty())
        decoder_ = QStringDecoder(name.constData());
    if (!decoder_.isValid()) {
        decoder_ = QStringDecoder("windows-1252");
        number_ = 1252;
    }
}

bool CodePage::isLeadByte(quint8 b) const
{
    switch (number_) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936: case 949: case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

QString CodePage::string(ByteReader &in, bool shortLength)
{
    const int count = shortLength ? in.u8() : in.u16();
    qsizetype bytes = count;
    if (number_ == 932 || number_ == 936 || number_ == 949 || number_ == 950) {
        bytes = 0;
        for (int i = 0; i < count && bytes < in.remaining(); ++i)
            bytes += isLeadByte(in.peek(bytes)) ? 2 : 1;
        bytes = qMin(bytes, in.remaining());
    }
    const char *p = in.bytes(bytes);
    decoder_.resetState();
    return decoder_.decode(QByteArrayView(p, bytes));
}

} // namespace Workbook::Detail
