// Access files through libmdb: libmdb finds the tables, their columns and
// the rows; the values are read here from the raw bytes libmdb points at,
// because its own conversion cuts text at its bind size, cannot read GBK
// text of Jet 3 files without a process-wide setting, and turns characters
// outside the Basic Multilingual Plane into '?'. Every position taken from
// the file is checked against the page before it is read.
#include "formats/accessfile.h"

#include "data/database.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cmath>
#include <cstring>
#include <stdexcept>

// glib before mdbtools.h: mdbtools.h includes it inside extern "C", where
// glib's C++ templates cannot stand.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

namespace {

quint32 le32(const uchar *p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }
quint16 le16(const uchar *p) { return quint16(p[0] | p[1] << 8); }

// The code page of Jet 3 text: the older version ran on Chinese Windows,
// whose code page 936 is GBK; GB18030 reads every GBK text alike.
constexpr const char *kJet3Charset = "GB18030";

AccessColumn::Type typeOf(int mdbType)
{
    using T = AccessColumn::Type;
    switch (mdbType) {
    case MDB_BOOL: return T::Bool;
    case MDB_BYTE: return T::Byte;
    case MDB_INT: return T::Integer;
    case MDB_LONGINT: return T::LongInteger;
    case MDB_MONEY: return T::Money;
    case MDB_FLOAT: return T::Float;
    case MDB_DOUBLE: return T::Double;
    case MDB_DATETIME: return T::DateTime;
    case MDB_BINARY: return T::Binary;
    case MDB_TEXT: return T::Text;
    case MDB_OLE: return T::LongBinary;
    case MDB_MEMO: return T::Memo;
    case MDB_REPID: return T::ReplicationId;
    case MDB_NUMERIC: return T::Numeric;
    default: return T::Other;
    }
}

QString fromUtf16le(const uchar *p, qsizetype n)
{
    QString out(n / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < n / 2; ++i)
        out[i] = QChar(char16_t(le16(p + 2 * i)));
    return out;
}

// Jet 4 text: UTF-16LE, or "compressed" when it starts with FF FE: then a
// zero byte switches between runs of one byte a character (the character's
// high byte is zero) and runs of two.
QString decodeUnicode(const uchar *p, qsizetype n)
{
    QString out;
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        out.reserve(n - 2);
        bool oneByte = true;
        for (qsizetype i = 2; i < n;) {
            if (p[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                out += QChar(char16_t(p[i++]));
            } else if (i + 1 < n) {
                out += QChar(char16_t(le16(p + i)));
                i += 2;
            } else {
                break;
            }
        }
        return out;
    }
    return fromUtf16le(p, n);
}

// Whole seconds on the day count since 1899-12-30 that Access stores as a
// double: the whole part counts days (also backwards), the fraction is the
// time of that day. Empty when it lies outside the years 100 to 9999.
QString dateText(double value)
{
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
        return QString();
    const double whole = std::trunc(value);
    qint64 days = qint64(whole);
    qint64 seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    const QDate day = DbDateTime::zeroDate().addDays(days);
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (day == DbDateTime::zeroDate())
        return DbDateTime::fromTime(time);
    return DbDateTime::fromDateTime(QDateTime(day, time));
}

} // namespace

// --- the header ----------------------------------------------------------------------

namespace AccessHeader {

AccessFormat sniff(const QString &file)
{
    if (!isAccessFile(file))
        return AccessFormat::NotAccess;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return AccessFormat::NotAccess;
    const QByteArray head = f.read(0x18);
    if (head.size() < 0x18)
        return AccessFormat::NotAccess;
    if (head.mid(4, 15) == "Standard ACE DB")
        return AccessFormat::Ace;
    switch (le32(reinterpret_cast<const uchar *>(head.constData()) + 0x14)) {
    case MDB_VER_JET3: return AccessFormat::Jet3;
    case MDB_VER_JET4: return AccessFormat::Jet4;
    default: return AccessFormat::Ace;
    }
}

} // namespace AccessHeader

QString AccessColumn::typeName() const
{
    switch (type) {
    case Type::Bool: return QStringLiteral("是/否");
    case Type::Byte: return QStringLiteral("字节");
    case Type::Integer: return QStringLiteral("整型");
    case Type::LongInteger: return QStringLiteral("长整型");
    case Type::Money: return QStringLiteral("货币");
    case Type::Float: return QStringLiteral("单精度型");
    case Type::Double: return QStringLiteral("双精度型");
    case Type::DateTime: return QStringLiteral("日期/时间");
    case Type::Binary: return QStringLiteral("二进制");
    case Type::Text: return QStringLiteral("文本");
    case Type::LongBinary: return QStringLiteral("OLE 对象");
    case Type::Memo: return QStringLiteral("备注");
    case Type::ReplicationId: return QStringLiteral("同步复制 ID");
    case Type::Numeric: return QStringLiteral("小数");
    case Type::Other: break;
    }
    return QStringLiteral("未知类型");
}

// --- the file ------------------------------------------------------------------------

struct AccessFile::Private {
    QString file;
    AccessFormat format = AccessFormat::NotAccess;
    qint64 fileSize = 0;
    MdbHandle *mdb = nullptr;
    QList<MdbCatalogEntry *> tables;
    iconv_t jet3 = iconv_t(-1);   // Jet 3 text to UTF-16
    bool readerOpen = false;

    int pageSize() const { return int(mdb->fmt->pg_size); }

    QString jet3Text(const uchar *p, size_t n)
    {
        if (jet3 == iconv_t(-1))
            jet3 = iconv_open("UTF-16LE", kJet3Charset);
        if (jet3 == iconv_t(-1))
            return QString::fromLatin1(reinterpret_cast<const char *>(p), qsizetype(n));
        iconv(jet3, nullptr, nullptr, nullptr, nullptr);
        QByteArray out(qsizetype(n) * 2 + 4, Qt::Uninitialized);
        char *in = const_cast<char *>(reinterpret_cast<const char *>(p));
        size_t inLeft = n;
        char *to = out.data();
        size_t outLeft = size_t(out.size());
        while (inLeft > 0) {
            if (iconv(jet3, &in, &inLeft, &to, &outLeft) != size_t(-1))
                break;
            if (outLeft < 2)
                break;
            // A byte that is no GBK character becomes U+FFFD; the rest is read on.
            ++in;
            --inLeft;
            *to++ = char(0xfd);
            *to++ = char(0xff);
            outLeft -= 2;
        }
        return fromUtf16le(reinterpret_cast<const uchar *>(out.constData()), to - out.data());
    }

    [[noreturn]] void fail(const QString &why) const
    {
        throw DbError(QStringLiteral("Access 数据库“%1”%2").arg(file, why));
    }
};

AccessFile::AccessFile() : d(std::make_unique<Private>()) {}

AccessFile::~AccessFile()
{
    close();
}

void AccessFile::close()
{
    if (d->readerOpen)
        throw std::logic_error("an Access table reader outlives its file");
    if (d->mdb)
        mdb_close(d->mdb);
    if (d->jet3 != iconv_t(-1))
        iconv_close(d->jet3);
    *d = Private();
}

bool AccessFile::isOpen() const { return d->mdb != nullptr; }

void AccessFile::open(const QString &file)
{
    close();
    try {
        openFile(file);
    } catch (...) {
        close();
        throw;
    }
}

void AccessFile::openFile(const QString &file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        throw DbError(QStringLiteral("找不到文件“%1”").arg(file));
    const AccessFormat format = AccessHeader::sniff(file);
    if (format == AccessFormat::NotAccess)
        throw DbError(QStringLiteral("文件“%1”不是 Access 数据库").arg(file));
    d->file = file;
    d->format = format;
    d->fileSize = info.size();
    // An Access file is whole pages; anything else was cut short.
    const qint64 page = format == AccessFormat::Jet3 ? 2048 : 4096;
    if (d->fileSize < 2 * page || d->fileSize % page != 0)
        d->fail(QStringLiteral("不完整(文件被截断),无法读取"));

    d->mdb = mdb_open(QFile::encodeName(info.absoluteFilePath()).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        d->fail(format == AccessFormat::Ace
                    ? QStringLiteral("是 Access 2007 以后的格式(.accdb),无法读取")
                    : QStringLiteral("无法打开:文件已损坏或格式无法识别"));
    if (format == AccessFormat::Jet3) {
        // Table and column names of a Jet 3 file are in its code page too.
        mdb_iconv_close(d->mdb);
        d->mdb->iconv_in = iconv_open("UTF-8", kJet3Charset);
        d->mdb->iconv_out = iconv_open(kJet3Charset, "UTF-8");
    }
    checkCatalog();
    if (!mdb_read_catalog(d->mdb, MDB_TABLE)) {
        const QString why = format == AccessFormat::Ace
                                ? QStringLiteral("是 Access 2007 以后的格式(.accdb),读不出它的表(可能设有密码或已加密)")
                                : QStringLiteral("已损坏:读不出它的表");
        d->fail(why);
    }
    for (guint i = 0; i < d->mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            d->tables << entry;
    }
}

// libmdb reads the properties of every table while it reads the catalog,
// following their chain of long-value pages without looking for a loop or an
// end: a damaged chain would keep it reading, and allocating, for ever. The
// catalog table is read here first, every chain followed with those checks;
// a damaged one stops the opening.
void AccessFile::checkCatalog()
{
    MdbCatalogEntry catalog;
    std::memset(&catalog, 0, sizeof catalog);
    catalog.mdb = d->mdb;
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = 2;
    std::strcpy(catalog.object_name, "MSysObjects");
    const std::unique_ptr<AccessTable> objects = readTable(&catalog);
    const int properties = objects->columnIndex(QStringLiteral("LvProp"));
    objects->setWantedColumns(properties < 0 ? QList<int>() : QList<int>{properties});
    // Only the chains matter here; a catalog whose count is off still lists
    // the tables, which are checked when they are read.
    objects->checkCount_ = false;
    while (objects->next()) {
        if (properties < 0 || objects->value(properties).isNull())
            continue;
        // libmdb walks the property blocks by the lengths they give, without
        // checking them against the value: each must lie inside it.
        const QByteArray blob = objects->value(properties).toByteArray();
        const auto *p = reinterpret_cast<const uchar *>(blob.constData());
        bool whole = blob.size() >= 4 && (blob.startsWith(QByteArray("KKD\0", 4)) || blob.startsWith(QByteArray("MR2\0", 4)));
        for (qsizetype at = 4; whole && at < blob.size(); at += le32(p + at)) {
            whole = at + 6 <= blob.size() && le32(p + at) >= 6 && le32(p + at) <= quint32(blob.size() - at);
        }
        if (!whole)
            d->fail(QStringLiteral("已损坏:表 MSysObjects 中%1的属性不完整").arg(objects->rowLabel()));
    }
}

QStringList AccessFile::tables() const
{
    QStringList out;
    for (const MdbCatalogEntry *entry : d->tables)
        out << QString::fromUtf8(entry->object_name);
    return out;
}

bool AccessFile::hasTable(const QString &name) const
{
    return tables().contains(name, Qt::CaseInsensitive);
}

// --- one table's rows -----------------------------------------------------------------

struct AccessTable::Private {
    AccessFile::Private *file = nullptr;
    MdbTableDef *table = nullptr;
    QString name;
    QList<AccessColumn> columns;
    QList<MdbColumn *> mdbColumns;
    bool done = false;

    ~Private()
    {
        if (table)
            mdb_free_tabledef(table);
        if (file)
            file->readerOpen = false;
    }
};

std::unique_ptr<AccessTable> AccessFile::table(const QString &name)
{
    if (!d->mdb)
        throw std::logic_error("table() on a closed Access file");
    if (d->readerOpen)
        throw std::logic_error("a second reader of the same Access file");
    MdbCatalogEntry *entry = nullptr;
    for (MdbCatalogEntry *e : d->tables)
        if (QString::fromUtf8(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
            entry = e;
    if (!entry)
        d->fail(QStringLiteral("中没有表 %1").arg(name));
    return readTable(entry);
}

std::unique_ptr<AccessTable> AccessFile::readTable(void *catalogEntry)
{
    auto *entry = static_cast<MdbCatalogEntry *>(catalogEntry);
    auto p = std::make_unique<AccessTable::Private>();
    p->name = QString::fromUtf8(entry->object_name);
    p->table = mdb_read_table(entry);
    if (!p->table || !mdb_read_columns(p->table))
        d->fail(QStringLiteral("已损坏:读不出表 %1 的定义").arg(p->name));
    p->file = d.get();
    d->readerOpen = true;
    for (guint i = 0; i < p->table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(p->table->columns, i));
        AccessColumn c;
        c.name = QString::fromUtf8(col->name);
        c.type = typeOf(col->col_type);
        c.size = col->col_size;
        c.autoNumber = col->is_long_auto;
        p->columns << c;
        p->mdbColumns << col;
    }
    mdb_rewind_table(p->table);
    return std::unique_ptr<AccessTable>(new AccessTable(std::move(p)));
}

AccessTable::AccessTable(std::unique_ptr<Private> p) : d(std::move(p))
{
    values_.resize(d->columns.size());
    for (int i = 0; i < d->columns.size(); ++i)
        wanted_ << i;
}

AccessTable::~AccessTable() = default;

const QList<AccessColumn> &AccessTable::columns() const { return d->columns; }
qint64 AccessTable::declaredRowCount() const { return d->table->num_rows; }

int AccessTable::columnIndex(const QString &name) const
{
    for (int i = 0; i < d->columns.size(); ++i)
        if (d->columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void AccessTable::setWantedColumns(const QList<int> &columns) { wanted_ = columns; }
void AccessTable::setKeyColumn(int column) { keyColumn_ = column; }

QString AccessTable::rowLabel() const
{
    if (keyColumn_ >= 0 && !values_.at(keyColumn_).isNull())
        return QStringLiteral("编号(%1)为 %2 的记录").arg(d->columns.at(keyColumn_).name, values_.at(keyColumn_).toString());
    return QStringLiteral("第 %1 条记录").arg(rowsRead_);
}

void AccessTable::damaged(int column, const QString &what) const
{
    d->file->fail(QStringLiteral("已损坏:表 %1 中%2的 %3 列%4").arg(d->name, rowLabel(), d->columns.at(column).name, what));
}

bool AccessTable::next()
{
    if (d->done)
        return false;
    if (!mdb_fetch_row(d->table)) {
        d->done = true;
        // Pages that are missing or unreadable end libmdb's scan early
        // without a word; the count the table keeps tells.
        if (checkCount_ && rowsRead_ < declaredRowCount())
            d->file->fail(QStringLiteral("已损坏或不完整:表 %1 应有 %2 条记录,只读出 %3 条")
                              .arg(d->name).arg(declaredRowCount()).arg(rowsRead_));
        return false;
    }
    ++rowsRead_;
    values_.fill(QVariant());
    if (keyColumn_ >= 0)
        values_[keyColumn_] = readValue(keyColumn_);
    for (int c : std::as_const(wanted_))
        if (c != keyColumn_)
            values_[c] = readValue(c);
    return true;
}

QVariant AccessTable::readValue(int column) const
{
    using T = AccessColumn::Type;
    MdbHandle *mdb = d->file->mdb;
    const MdbColumn *col = d->mdbColumns.at(column);
    const T type = d->columns.at(column).type;
    // libmdb keeps a yes/no value in the row's null mask and reports it as
    // the value's length: 0 for yes, 1 for no.
    if (type == T::Bool)
        return col->cur_value_len == 0;
    const int start = col->cur_value_start;
    const int length = col->cur_value_len;
    if (length == 0)
        return QVariant(); // null, or an empty text
    if (start < 0 || length < 0 || start + length > d->file->pageSize())
        damaged(column, QStringLiteral("超出了数据页"));
    const uchar *p = mdb->pg_buf + start;
    auto need = [&](int size) {
        if (length < size)
            damaged(column, QStringLiteral("长度不对"));
    };
    auto ownString = [](char *s) {
        const QString out = QString::fromUtf8(s);
        g_free(s);
        return out;
    };

    switch (type) {
    case T::Byte:
        return qint64(p[0]);
    case T::Integer:
        need(2);
        return qint64(qint16(le16(p)));
    case T::LongInteger:
        need(4);
        return qint64(qint32(le32(p)));
    case T::Float: {
        need(4);
        float f;
        std::memcpy(&f, p, 4);
        return double(f);
    }
    case T::Double: {
        need(8);
        double v;
        std::memcpy(&v, p, 8);
        return v;
    }
    case T::DateTime: {
        need(8);
        double v;
        std::memcpy(&v, p, 8);
        const QString text = dateText(v);
        if (text.isEmpty())
            damaged(column, QStringLiteral("不是有效的日期"));
        return text;
    }
    case T::Money:
        need(8);
        return ownString(mdb_money_to_string(mdb, start));
    case T::Numeric:
        need(17);
        return ownString(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
    case T::ReplicationId:
        need(16);
        return ownString(mdb_uuid_to_string(mdb->pg_buf, start));
    case T::Binary:
        return QByteArray(reinterpret_cast<const char *>(p), length);
    case T::Text:
        return d->file->format == AccessFormat::Jet3 ? d->file->jet3Text(p, size_t(length)) : decodeUnicode(p, length);
    case T::Memo: {
        const QByteArray bytes = readLongValue(column, start, length);
        const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
        return d->file->format == AccessFormat::Jet3 ? d->file->jet3Text(b, size_t(bytes.size()))
                                                      : decodeUnicode(b, bytes.size());
    }
    case T::LongBinary:
        return readLongValue(column, start, length);
    case T::Bool:
    case T::Other:
        break;
    }
    return QVariant();
}

// A memo or long binary value: a 12-byte head in the row (the length with
// two flags in its top bits, then where the data lies) and the data in the
// row itself, in one row of a long-value page, or in a chain of such rows
// each starting with the address of the next.
QByteArray AccessTable::readLongValue(int column, int start, int length) const
{
    MdbHandle *mdb = d->file->mdb;
    if (length < MDB_MEMO_OVERHEAD)
        damaged(column, QStringLiteral("的长数据头不完整"));
    const uchar *head = mdb->pg_buf + start;
    const quint32 word = le32(head);
    const qint64 size = word & 0x3fffffff;
    if (word & 0x80000000) {
        if (size > length - MDB_MEMO_OVERHEAD)
            damaged(column, QStringLiteral("的长度超出了数据页"));
        return QByteArray(reinterpret_cast<const char *>(head) + MDB_MEMO_OVERHEAD, size);
    }
    if (size > d->file->fileSize)
        damaged(column, QStringLiteral("的长度超出了文件"));
    quint32 where = le32(head + 4);
    auto readRow = [&](quint32 pageRow, const uchar **row, size_t *rowLength) {
        void *buf = nullptr;
        int offset = 0;
        size_t len = 0;
        if (mdb_find_pg_row(mdb, int(pageRow), &buf, &offset, &len) != 0 || offset < 0
            || qint64(offset) + qint64(len) > d->file->pageSize())
            damaged(column, QStringLiteral("的数据找不到"));
        *row = static_cast<const uchar *>(buf) + offset;
        *rowLength = len;
    };

    const uchar *row = nullptr;
    size_t rowLength = 0;
    if (word & 0x40000000) {
        readRow(where, &row, &rowLength);
        if (qint64(rowLength) < size)
            damaged(column, QStringLiteral("的数据不完整"));
        return QByteArray(reinterpret_cast<const char *>(row), size);
    }
    QByteArray out;
    out.reserve(size);
    QSet<quint32> seen;
    while (out.size() < size) {
        if (where == 0 || seen.contains(where))
            damaged(column, QStringLiteral("的数据链断了"));
        seen.insert(where);
        readRow(where, &row, &rowLength);
        if (rowLength < 4)
            damaged(column, QStringLiteral("的数据不完整"));
        const qint64 take = qMin<qint64>(qint64(rowLength) - 4, size - out.size());
        out.append(reinterpret_cast<const char *>(row) + 4, take);
        where = le32(row);
    }
    return out;
}
