// Access files for the conversion tests, made from a copy of the shared
// legacy notebook by changing a few bytes in place: a counter, a name in a
// table definition or in the catalog, a column added to a definition, a long
// memo appended as long-value pages. libmdb finds where the bytes lie.
#pragma once

#include "testenv.h"

#include <QByteArray>
#include <QDirIterator>
#include <QFileInfo>
#include <QTest>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <stdexcept>

// glib before mdbtools.h, which includes it inside extern "C".
#include <glib.h>
#include <mdbtools.h>

namespace AccessFixture {

constexpr int kPage = 4096;   // the legacy notebook is a Jet 4 file

inline QString legacyFile()
{
    const QString dir = testDataDir(QStringLiteral("legacy"));
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/legacy_jsbdbf_v2000.mdb");
}

// Adds a row for each Access file under testdata/mdb, named by the file.
inline void addSharedAccessFileRows()
{
    QTest::addColumn<QString>("file");
    const QString root = testDataDir(QStringLiteral("mdb"));
    if (root.isEmpty())
        return;
    QDirIterator it(root, {QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
    }
}

// A writable copy of `from` at `to`.
inline void copy(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to) || !QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner))
        throw std::runtime_error("cannot copy the test file");
}

inline QByteArray readBytes(const QString &file, qint64 offset, qint64 length)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(offset))
        throw std::runtime_error("cannot read the test file");
    return f.read(length);
}

inline void writeBytes(const QString &file, qint64 offset, const QByteArray &bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write the test file");
}

inline QByteArray le32(quint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray utf16(const QString &s)
{
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

struct Spot {
    qint64 offset = -1;   // in the file
    int length = 0;
};

// Where the value of `column` of the first row of `table` whose `keyColumn`
// reads as `key` lies in the file.
inline Spot locate(const QString &file, const QString &table, const QString &keyColumn, const QString &key,
                   const QString &column)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_ANY))
        throw std::runtime_error("libmdb cannot read the test file");
    Spot spot;
    MdbCatalogEntry *entry = mdb_get_catalogentry_by_name(mdb, table.toUtf8().constData());
    MdbTableDef *t = entry ? mdb_read_table(entry) : nullptr;
    if (t && mdb_read_columns(t)) {
        QByteArray keyText(MDB_BIND_SIZE, 0);
        const int keyIndex = mdb_bind_column_by_name(t, keyColumn.toUtf8().data(), keyText.data(), nullptr) - 1;
        MdbColumn *wanted = nullptr;
        for (guint i = 0; i < t->num_cols; ++i) {
            auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i));
            if (QString::fromUtf8(c->name) == column)
                wanted = c;
        }
        mdb_rewind_table(t);
        while (keyIndex >= 0 && wanted && mdb_fetch_row(t)) {
            if (QString::fromUtf8(keyText.constData()) == key) {
                spot.offset = qint64(t->cur_phys_pg) * kPage + wanted->cur_value_start;
                spot.length = wanted->cur_value_len;
                break;
            }
        }
        mdb_free_tabledef(t);
    }
    mdb_close(mdb);
    if (spot.offset < 0)
        throw std::runtime_error("value not found in the test file");
    return spot;
}

// Sets the counter of kind `kind` in xmidb.
inline void setCounter(const QString &file, int kind, qint32 value)
{
    const Spot s = locate(file, QStringLiteral("xmidb"), QStringLiteral("xmfl"), QString::number(kind), QStringLiteral("xmid"));
    writeBytes(file, s.offset, le32(quint32(value)));
}

// Renames table `from` to `to` (of the same length) in the catalog.
inline void renameTable(const QString &file, const QString &from, const QString &to)
{
    const Spot s = locate(file, QStringLiteral("MSysObjects"), QStringLiteral("Name"), from, QStringLiteral("Name"));
    QByteArray value = readBytes(file, s.offset, s.length);
    // The name is stored compressed (one byte a character) or as UTF-16.
    const qsizetype at = value.indexOf(from.toLatin1());
    if (at >= 0)
        value.replace(at, from.size(), to.toLatin1());
    else
        value.replace(utf16(from), utf16(to));
    writeBytes(file, s.offset, value);
}

// Lists the system table `name` as a table of the user's.
inline void makeUserTable(const QString &file, const QString &name)
{
    const Spot s = locate(file, QStringLiteral("MSysObjects"), QStringLiteral("Name"), name, QStringLiteral("Flags"));
    writeBytes(file, s.offset, le32(0));
}

// The page of the definition of `table`.
inline qint64 tablePage(const QString &file, const QString &table)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_ANY))
        throw std::runtime_error("libmdb cannot read the test file");
    MdbCatalogEntry *entry = mdb_get_catalogentry_by_name(mdb, table.toUtf8().constData());
    const qint64 page = entry ? qint64(entry->table_pg) : -1;
    mdb_close(mdb);
    if (page < 0)
        throw std::runtime_error("table not found in the test file");
    return page;
}

// Renames column `from` of `table` to `to` (of the same length) in the
// table's definition, where a name is its length in bytes and its UTF-16.
inline void renameColumn(const QString &file, const QString &table, const QString &from, const QString &to)
{
    const qint64 offset = tablePage(file, table) * kPage;
    QByteArray page = readBytes(file, offset, kPage);
    QByteArray length(2, 0);
    qToLittleEndian(quint16(from.size() * 2), length.data());
    const qsizetype at = page.indexOf(length + utf16(from));
    if (at < 0 || to.size() != from.size())
        throw std::runtime_error("column name not found in the table definition");
    page.replace(at + 2, from.size() * 2, utf16(to));
    writeBytes(file, offset, page);
}

// Adds a long integer column `name` at the end of the definition of
// `table` (one page); the rows stored before it read it as null.
inline void addColumn(const QString &file, const QString &table, const QString &name)
{
    const qint64 offset = tablePage(file, table) * kPage;
    QByteArray page = readBytes(file, offset, kPage);
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(page.constData() + at); };
    auto put16 = [&](int at, int v) { qToLittleEndian(quint16(v), page.data() + at); };
    const int tdefLength = int(qFromLittleEndian<quint32>(page.constData() + 8));
    const int columns = u16(45);
    const int realIndexes = int(qFromLittleEndian<quint32>(page.constData() + 51));
    const int firstColumn = 63 + 12 * realIndexes;
    int names = firstColumn + 25 * columns;
    int fixedEnd = 0, nextNumber = 0;
    for (int i = 0; i < columns; ++i) {
        const int c = firstColumn + 25 * i;
        nextNumber = qMax(nextNumber, u16(c + 5) + 1);
        if (page.at(c + 15) & 0x01)
            fixedEnd = qMax(fixedEnd, u16(c + 21) + u16(c + 23));
    }
    for (int i = 0; i < columns; ++i)
        names += 2 + u16(names);

    QByteArray entry(25, 0);
    entry[0] = char(MDB_LONGINT);
    qToLittleEndian(quint16(nextNumber), entry.data() + 5);
    qToLittleEndian(quint16(nextNumber), entry.data() + 9);
    entry[15] = char(0x03);   // fixed, may be null
    qToLittleEndian(quint16(fixedEnd), entry.data() + 21);
    qToLittleEndian(quint16(4), entry.data() + 23);
    QByteArray nameBytes(2, 0);
    qToLittleEndian(quint16(name.size() * 2), nameBytes.data());
    nameBytes += utf16(name);

    page.insert(names, nameBytes);
    page.insert(firstColumn + 25 * columns, entry);
    page.truncate(kPage);
    const int added = int(entry.size() + nameBytes.size());
    put16(41, u16(41) + 1);   // the most columns a row has
    put16(45, columns + 1);
    qToLittleEndian(quint32(tdefLength + added), page.data() + 8);
    put16(2, u16(2) - added);
    writeBytes(file, offset, page);
}

// Makes `text` the content (jsnr) of the note whose key is `key`: the text
// goes as UTF-16 into long-value pages appended to the file, one row a page,
// each row starting with the address of the next.
inline void setNoteContent(const QString &file, int key, const QString &text)
{
    const Spot s = locate(file, QStringLiteral("jsbnrb"), QStringLiteral("zdbh"), QString::number(key), QStringLiteral("jsnr"));
    if (s.length < 12)
        throw std::runtime_error("the note has no room for a memo head");
    const QByteArray data = utf16(text);
    constexpr int chunk = 4000;
    QFile f(file);
    const qint64 firstPage = f.size() / kPage;
    QByteArray pages;
    for (qsizetype at = 0, page = firstPage; at < data.size(); at += chunk, ++page) {
        const QByteArray part = data.mid(at, chunk);
        const bool last = at + chunk >= data.size();
        QByteArray p(kPage, 0);
        p[0] = 0x01;
        p[1] = 0x01;
        p.replace(4, 4, "LVAL");
        qToLittleEndian(quint16(1), p.data() + 12);                            // one row
        const int rowStart = kPage - 4 - int(part.size());
        qToLittleEndian(quint16(rowStart), p.data() + 14);
        p.replace(rowStart, 4, le32(last ? 0 : quint32(page + 1) << 8));
        p.replace(rowStart + 4, part.size(), part);
        pages += p;
    }
    writeBytes(file, firstPage * kPage, pages);
    // The head: the length with no flag (a chain of pages), then where it starts.
    writeBytes(file, s.offset, le32(quint32(data.size())) + le32(quint32(firstPage) << 8));
}

// Makes the chain of pages holding the properties of `table` in the catalog
// a loop: one long-value row appended to the file that names itself as next.
inline void loopCatalogProperties(const QString &file, const QString &table)
{
    const Spot s = locate(file, QStringLiteral("MSysObjects"), QStringLiteral("Name"), table, QStringLiteral("LvProp"));
    const qint64 page = QFile(file).size() / kPage;
    QByteArray p(kPage, 0);
    p[0] = 0x01;
    p[1] = 0x01;
    p.replace(4, 4, "LVAL");
    qToLittleEndian(quint16(1), p.data() + 12);
    const int rowStart = kPage - 104;
    qToLittleEndian(quint16(rowStart), p.data() + 14);
    p.replace(rowStart, 4, le32(quint32(page) << 8));
    writeBytes(file, page * kPage, p);
    // Shorter than the file, so only the loop can tell.
    writeBytes(file, s.offset, le32(quint32(QFile(file).size() / 2)) + le32(quint32(page) << 8));
}

// Gives the first block of the properties of `table` in the catalog a
// length far past the end of the value. The properties lie in one row of a
// long-value page, which the head in the catalog row names.
inline void breakCatalogProperties(const QString &file, const QString &table)
{
    const Spot s = locate(file, QStringLiteral("MSysObjects"), QStringLiteral("Name"), table, QStringLiteral("LvProp"));
    const QByteArray head = readBytes(file, s.offset, 12);
    const quint32 word = qFromLittleEndian<quint32>(head.constData());
    const quint32 where = qFromLittleEndian<quint32>(head.constData() + 4);
    if ((word & 0xc0000000) != 0x40000000)
        throw std::runtime_error("the properties are not in one long-value row");
    const qint64 page = qint64(where >> 8) * kPage;
    const int row = int(where & 0xff);
    const int start = qFromLittleEndian<quint16>(readBytes(file, page + 14 + 2 * row, 2).constData()) & 0x1fff;
    // After the four bytes that name the format, the first block's length.
    writeBytes(file, page + start + 4, le32(0x7ffffff0));
}

} // namespace AccessFixture
