// Small workbooks made for the workbook reader tests: BIFF5/BIFF8 record
// streams (bare, or in an OLE2 container) and OOXML packages, both written
// with libgsf. Include before any Qt header (glib uses the word `signals`).
#pragma once

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <map>

namespace Fx {

inline QByteArray le16(int v) { QByteArray b(2, '\0'); qToLittleEndian<quint16>(quint16(v), b.data()); return b; }
inline QByteArray le32(quint32 v) { QByteArray b(4, '\0'); qToLittleEndian<quint32>(v, b.data()); return b; }
inline QByteArray f64(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    QByteArray b(8, '\0');
    qToLittleEndian<quint64>(bits, b.data());
    return b;
}
inline QByteArray utf16(const QString &s)
{
    QByteArray b(s.size() * 2, '\0');
    qToLittleEndian<quint16>(s.utf16(), s.size(), b.data());
    return b;
}

inline QByteArray record(quint16 id, const QByteArray &data) { return le16(id) + le16(int(data.size())) + data; }

// A BIFF8 string: 16-bit (or 8-bit) count, flags, then Latin-1 or UTF-16 characters.
inline QByteArray str8(const QString &s, bool shortCount = false)
{
    bool wide = false;
    for (QChar c : s)
        wide = wide || c.unicode() > 0xFF;
    const QByteArray count = shortCount ? QByteArray(1, char(s.size())) : le16(int(s.size()));
    return count + char(wide ? 1 : 0) + (wide ? utf16(s) : s.toLatin1());
}

inline QByteArray cellHead(int row, int column, int xf) { return le16(row - 1) + le16(column - 1) + le16(xf); }
inline QByteArray number(int row, int column, double v, int xf = 0) { return record(0x0203, cellHead(row, column, xf) + f64(v)); }
inline QByteArray rk(int row, int column, quint32 v, int xf = 0) { return record(0x027E, cellHead(row, column, xf) + le32(v)); }
inline QByteArray labelSst(int row, int column, quint32 index) { return record(0x00FD, cellHead(row, column, 0) + le32(index)); }
inline QByteArray label8(int row, int column, const QString &s) { return record(0x0204, cellHead(row, column, 0) + str8(s)); }
inline QByteArray boolErr(int row, int column, int value, bool error) { return record(0x0205, cellHead(row, column, 0) + char(value) + char(error ? 1 : 0)); }
// A FORMULA record with the cached result's eight bytes.
inline QByteArray formula(int row, int column, const QByteArray &result, int xf = 0)
{
    return record(0x0006, cellHead(row, column, xf) + result + le16(0) + le32(0) + le16(0));
}
inline QByteArray flaggedResult(int type, int value = 0)
{
    return QByteArray(1, char(type)) + char(0) + char(value) + QByteArray(3, '\0') + "\xFF\xFF";
}
inline QByteArray xf(int format) { return record(0x00E0, le16(0) + le16(format) + QByteArray(16, '\0')); }
inline QByteArray format8(int id, const QString &code) { return record(0x041E, le16(id) + str8(code)); }
inline QByteArray eof() { return record(0x000A, {}); }

// A whole workbook stream: globals (BOF, `globals`, one BOUNDSHEET, EOF)
// then one sheet (BOF, `sheet`, EOF). `name` is the BOUNDSHEET's name field
// as stored (BIFF8: str8(name, true); BIFF5: count byte and code-page bytes).
inline QByteArray workbook(int version, const QByteArray &globals, const QByteArray &sheet,
                           QByteArray name = QByteArray(), int sheetType = 0, int sheetBofType = 0x0010)
{
    if (name.isEmpty())
        name = version == 8 ? str8(QStringLiteral("Sheet1"), true) : QByteArray("\x06Sheet1");
    const QByteArray vers = le16(version == 5 ? 0x0500 : 0x0600);
    const QByteArray tail(version == 5 ? 4 : 12, '\0');
    const QByteArray bofGlobals = record(0x0809, vers + le16(0x0005) + tail);
    const qsizetype boundSheetSize = 4 + 6 + name.size();
    const quint32 offset = quint32(bofGlobals.size() + globals.size() + boundSheetSize + 4);
    const QByteArray boundSheet = record(0x0085, le32(offset) + char(0) + char(sheetType) + name);
    return bofGlobals + globals + boundSheet + eof() + record(0x0809, vers + le16(sheetBofType) + tail) + sheet + eof();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

using Entries = QList<QPair<QString, QByteArray>>;

// An OLE2 compound file holding `streams` in its root storage.
inline bool writeOle(const QString &path, const Entries &streams)
{
    gsf_init();
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!sink)
        return false;
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    for (const auto &[name, bytes] : streams) {
        GsfOutput *child = gsf_outfile_new_child(ole, name.toUtf8().constData(), FALSE);
        gsf_output_write(child, size_t(bytes.size()), reinterpret_cast<const guint8 *>(bytes.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    const bool ok = gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(sink);
    return ok;
}

// A ZIP package with `parts` at their paths ("xl/worksheets/sheet1.xml"), deflated.
inline bool writeZip(const QString &path, const Entries &parts)
{
    gsf_init();
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!sink)
        return false;
    GsfOutfile *zip = gsf_outfile_zip_new(sink, nullptr);
    if (!zip) {
        g_object_unref(sink);
        return false;
    }
    std::map<QString, GsfOutfile *> folders;   // by path; a folder sorts before what it holds
    for (const auto &[name, bytes] : parts) {
        const QStringList steps = name.split(QLatin1Char('/'));
        GsfOutfile *parent = zip;
        QString prefix;
        for (int i = 0; i + 1 < steps.size(); ++i) {
            prefix += steps[i] + QLatin1Char('/');
            auto found = folders.find(prefix);
            if (found == folders.end())
                found = folders.emplace(prefix, GSF_OUTFILE(gsf_outfile_new_child(parent, steps[i].toUtf8().constData(), TRUE))).first;
            parent = found->second;
        }
        GsfOutput *child = gsf_outfile_new_child(parent, steps.last().toUtf8().constData(), FALSE);
        gsf_output_write(child, size_t(bytes.size()), reinterpret_cast<const guint8 *>(bytes.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        gsf_output_close(GSF_OUTPUT(it->second));
        g_object_unref(it->second);
    }
    const bool ok = gsf_output_close(GSF_OUTPUT(zip));
    g_object_unref(zip);
    g_object_unref(sink);
    return ok;
}

// Makes the ZIP headers of `part` claim it inflates to `size` bytes.
inline QByteArray claimSize(QByteArray zip, const QByteArray &part, quint32 size)
{
    for (qsizetype at = zip.indexOf(part); at >= 0; at = zip.indexOf(part, at + 1)) {
        if (at >= 30 && zip.mid(at - 30, 4) == "PK\x03\x04")
            qToLittleEndian<quint32>(size, zip.data() + at - 30 + 22);
        else if (at >= 46 && zip.mid(at - 46, 4) == "PK\x01\x02")
            qToLittleEndian<quint32>(size, zip.data() + at - 46 + 24);
    }
    return zip;
}

// The parts of a one-sheet .xlsx; every member can be replaced before entries().
struct Xlsx {
    QString main = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    QString relNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    QString sheets = QStringLiteral("<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>");
    QString workbookPr;
    QString workbookRels;   // relationships other than the defaults below
    QString sheetTarget = QStringLiteral("worksheets/sheet1.xml");
    QString sheetPath = QStringLiteral("xl/worksheets/sheet1.xml");
    QString sheetData;      // the rows
    QString sheetXml;       // the whole worksheet, when set
    QStringList strings;    // <si> contents
    QString styles;         // the whole styles part, when set
    Entries extra;

    Entries entries() const
    {
        const QString pkg = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
        const QString rel = relNs;
        Entries p;
        p << qMakePair(QStringLiteral("[Content_Types].xml"),
                       QByteArray("<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"));
        p << qMakePair(QStringLiteral("_rels/.rels"),
                       QStringLiteral("<Relationships xmlns=\"%1\"><Relationship Id=\"rId1\" Type=\"%2/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>")
                           .arg(pkg, rel).toUtf8());
        p << qMakePair(QStringLiteral("xl/workbook.xml"),
                       QStringLiteral("<workbook xmlns=\"%1\" xmlns:r=\"%2\">%3<sheets>%4</sheets></workbook>")
                           .arg(main, rel, workbookPr, sheets).toUtf8());
        p << qMakePair(QStringLiteral("xl/_rels/workbook.xml.rels"),
                       QStringLiteral("<Relationships xmlns=\"%1\"><Relationship Id=\"rId1\" Type=\"%2/worksheet\" Target=\"%3\"/>"
                                      "<Relationship Id=\"rId2\" Type=\"%2/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                                      "<Relationship Id=\"rId3\" Type=\"%2/styles\" Target=\"styles.xml\"/>%4</Relationships>")
                           .arg(pkg, rel, sheetTarget, workbookRels).toUtf8());
        p << qMakePair(sheetPath, (sheetXml.isEmpty()
                                       ? QStringLiteral("<worksheet xmlns=\"%1\"><sheetData>%2</sheetData></worksheet>").arg(main, sheetData)
                                       : sheetXml).toUtf8());
        QString sst = QStringLiteral("<sst xmlns=\"%1\">").arg(main);
        for (const QString &s : strings)
            sst += QStringLiteral("<si>%1</si>").arg(s);
        p << qMakePair(QStringLiteral("xl/sharedStrings.xml"), (sst + QStringLiteral("</sst>")).toUtf8());
        p << qMakePair(QStringLiteral("xl/styles.xml"),
                       (styles.isEmpty() ? QStringLiteral("<styleSheet xmlns=\"%1\"/>").arg(main) : styles).toUtf8());
        return p + extra;
    }
};

} // namespace Fx
