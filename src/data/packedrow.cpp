// Packing and unpacking the rows of a dataset.
#include "data/packedrow.h"

#include "data/sqlite.h"

#include <cstring>

static_assert(sizeof(qint64) + 1 <= 16, "a cell fits its slot");

namespace {

qint64 textPayload(qsizetype offset, qsizetype length)
{
    return (qint64(offset) << 32) | qint64(quint32(length));
}

void putCell(char *slot, qint64 payload, quint8 kind)
{
    std::memcpy(slot, &payload, sizeof payload);
    slot[sizeof payload] = char(kind);
}

} // namespace

PackedRow::PackedRow(const QList<QVariant> &values) : columns_(int(values.size()))
{
    QByteArray cells(columns_ * kCellSize, '\0');
    QString texts;
    for (int i = 0; i < columns_; ++i) {
        const QVariant &v = values.at(i);
        qint64 payload = 0;
        Kind kind = Kind::Null;
        switch (v.isValid() ? v.typeId() : QMetaType::UnknownType) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Bool:
            kind = Kind::Integer;
            payload = v.toLongLong();
            break;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            kind = Kind::Float;
            std::memcpy(&payload, &d, sizeof d);
            break;
        }
        case QMetaType::QByteArray:
            kind = Kind::Bytes;
            payload = bytes_.size();
            bytes_.append(v.toByteArray());
            break;
        default: {
            const QString s = v.toString();
            kind = Kind::Text;
            payload = textPayload(texts.size(), s.size());
            texts += s;
            break;
        }
        }
        putCell(cells.data() + i * kCellSize, payload, quint8(kind));
    }
    data_ = cells;
    data_.append(reinterpret_cast<const char *>(texts.constData()), texts.size() * qsizetype(sizeof(QChar)));
}

PackedRow::Reader::Reader(int columns)
    : columns_(columns),
      // As QString::fromUtf8: every text on its own (a leading BOM dropped).
      decoder_(QStringConverter::Utf8, QStringConverter::Flag::Stateless)
{
}

PackedRow PackedRow::Reader::read(const SqliteStatement &st)
{
    PackedRow row;
    row.columns_ = columns_;
    const qsizetype textStart = columns_ * kCellSize;
    if (scratch_.size() < textStart)
        scratch_.resize(textStart);
    qsizetype used = 0; // UTF-16 units of text so far
    for (int i = 0; i < columns_; ++i) {
        qint64 payload = 0;
        Kind kind = Kind::Null;
        switch (st.type(i)) {
        case SqliteStatement::Type::Null:
            break;
        case SqliteStatement::Type::Integer:
            kind = Kind::Integer;
            payload = st.integer(i);
            break;
        case SqliteStatement::Type::Float: {
            const double d = st.number(i);
            kind = Kind::Float;
            std::memcpy(&payload, &d, sizeof d);
            break;
        }
        case SqliteStatement::Type::Blob:
            kind = Kind::Bytes;
            payload = row.bytes_.size();
            row.bytes_.append(st.bytes(i));
            break;
        case SqliteStatement::Type::Text: {
            const QByteArrayView utf8 = st.utf8(i);
            // A UTF-8 text never takes more UTF-16 units than it has bytes.
            const qsizetype needed = textStart + (used + utf8.size()) * qsizetype(sizeof(QChar));
            if (scratch_.size() < needed)
                scratch_.resize(std::max(needed, scratch_.size() * 2));
            auto *out = reinterpret_cast<QChar *>(scratch_.data() + textStart) + used;
            const qsizetype length = decoder_.appendToBuffer(out, utf8) - out;
            kind = Kind::Text;
            payload = textPayload(used, length);
            used += length;
            break;
        }
        }
        putCell(scratch_.data() + i * kCellSize, payload, quint8(kind));
    }
    row.data_ = QByteArray(scratch_.constData(), textStart + used * qsizetype(sizeof(QChar)));
    return row;
}

PackedRow::Cell PackedRow::cell(int column) const
{
    Cell c;
    const char *slot = data_.constData() + column * kCellSize;
    std::memcpy(&c.payload, slot, sizeof c.payload);
    c.kind = Kind(quint8(slot[sizeof c.payload]));
    return c;
}

QVariant PackedRow::at(int column) const
{
    if (column < 0 || column >= columns_)
        return {};
    const Cell c = cell(column);
    switch (c.kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return qlonglong(c.payload);
    case Kind::Float: {
        double d;
        std::memcpy(&d, &c.payload, sizeof d);
        return d;
    }
    case Kind::Bytes:
        return bytes_.at(c.payload);
    case Kind::Text: {
        const qsizetype length = qsizetype(quint32(c.payload));
        if (length == 0)
            return QString(QLatin1String("")); // empty, not null
        QString s(length, Qt::Uninitialized);
        std::memcpy(s.data(), data_.constData() + columns_ * kCellSize + (c.payload >> 32) * qsizetype(sizeof(QChar)),
                    size_t(length) * sizeof(QChar));
        return s;
    }
    }
    return {};
}

QList<QVariant> PackedRow::unpacked() const
{
    QList<QVariant> values;
    values.reserve(columns_);
    for (int i = 0; i < columns_; ++i)
        values.append(at(i));
    return values;
}

void PackedRow::set(int column, const QVariant &value)
{
    QList<QVariant> values = unpacked();
    values[column] = value;
    *this = PackedRow(values);
}
