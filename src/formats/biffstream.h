// The record layer of a BIFF5/BIFF8 workbook stream: records read one after
// another from a libgsf input with their lengths checked against the end of
// the stream, the CONTINUE records that carry on a long record, and the
// strings of both versions (BIFF8 UTF-16 or compressed, BIFF5 in the
// workbook's code page).
#pragma once

#include "formats/bytereader.h"

#include <QList>
#include <QStringDecoder>

typedef struct _GsfInput GsfInput;

namespace Workbook::Detail {

namespace Biff {
enum : quint16 {
    Formula = 0x0006, Eof = 0x000A, DateMode = 0x0022, FilePass = 0x002F, Continue = 0x003C,
    CodePage = 0x0042, BoundSheet = 0x0085, MulRk = 0x00BD, MulBlank = 0x00BE, RString = 0x00D6,
    Xf = 0x00E0, Sst = 0x00FC, LabelSst = 0x00FD, Blank = 0x0201, Number = 0x0203, Label = 0x0204,
    BoolErr = 0x0205, String = 0x0207, Array = 0x0221, Table = 0x0236, Rk = 0x027E,
    Format = 0x041E, SharedFormula = 0x04BC, Bof = 0x0809,
};
}

struct Record {
    quint16 id = 0;
    QByteArray data;
    qint64 offset = 0;   // of the record's header in the stream
};

class BiffStream {
public:
    explicit BiffStream(GsfInput *input);
    qint64 size() const { return size_; }
    // Moves to `offset`; throws Error when it lies outside the stream.
    void seek(qint64 offset);
    // The next record; false at the end of the stream. A record whose length
    // runs past the end throws Error.
    bool next(Record *record);
    // The id of the record next() gives, or -1 at the end of the stream.
    int peekId();
    // The record in `first` and the CONTINUE records after it, each as one piece.
    QList<QByteArray> withContinues(const Record &first);

private:
    bool readHeader();

    GsfInput *input_;
    qint64 size_;
    qint64 pos_ = 0;
    bool peeked_ = false;
    quint16 peekId_ = 0;
    quint16 peekLength_ = 0;
};

// Reads across the pieces of a record and its CONTINUE records. Plain bytes
// run on from one piece into the next; the characters of a BIFF8 string that
// are split start the next piece with a fresh compression flag.
class ContinuedReader {
public:
    explicit ContinuedReader(const QList<QByteArray> &pieces);
    bool atEnd();
    quint8 u8();
    quint16 u16();
    quint32 u32();
    void skip(qint64 count);
    QString chars(int count, bool highBytes);
    // A whole XLUnicodeRichExtendedString: rich-text runs and phonetic blocks skipped.
    QString richString();

private:
    bool toData();   // moves past spent pieces; false when none is left

    const QList<QByteArray> &pieces_;
    int piece_ = 0;
    qsizetype pos_ = 0;
};

// A BIFF8 XLUnicodeString held in one record: 8- or 16-bit length, then flags.
QString biff8String(ByteReader &in, bool shortLength);
// The code page of a BIFF5 workbook's 8-bit text.
class CodePage {
public:
    explicit CodePage(int number = 1252); // unknown numbers decode as cp1252
    // A BIFF5 string: an 8- or 16-bit character count, then the bytes. In a
    // double-byte code page (GBK, Big5, Shift_JIS, Korean) Excel counts
    // characters, not bytes, so the lead bytes tell how far the text goes;
    // it never runs past the record.
    QString string(ByteReader &in, bool shortLength);

private:
    bool isLeadByte(quint8 b) const;

    int number_;
    QStringDecoder decoder_;
};

} // namespace Workbook::Detail
