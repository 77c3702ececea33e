// Large workbooks for the benchmarks: one sheet of `rows` x `columns`
// cells, each given by a function, written as .xlsx with libxlsxwriter and
// as .xls (a BIFF8 stream written here, shared strings split over CONTINUE
// records as Excel splits them, in an OLE2 container through libgsf).
// Include before any Qt header (glib uses the word `signals`).
#pragma once

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <xlsxwriter.h>

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <cstring>
#include <functional>

namespace BenchBooks {

struct Cell {
    enum Kind { Text, Number, Date } kind = Text;
    QString text;
    double number = 0; // Number, or the serial of a Date
};
inline Cell text(const QString &s) { return {Cell::Text, s, 0}; }
inline Cell number(double v) { return {Cell::Number, {}, v}; }
inline Cell date(double serial) { return {Cell::Date, {}, serial}; }

// The cell at 0-based row `r` and column `c`.
using CellFn = std::function<Cell(int r, int c)>;

inline bool writeXlsx(const QString &path, int rows, int columns, const char *sheetName, const CellFn &cell)
{
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, sheetName);
    lxw_format *dateFormat = workbook_add_format(wb);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const Cell v = cell(r, c);
            switch (v.kind) {
            case Cell::Number:
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), v.number, nullptr);
                break;
            case Cell::Date:
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), v.number, dateFormat);
                break;
            case Cell::Text:
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), v.text.toUtf8().constData(), nullptr);
                break;
            }
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

namespace Detail {

inline QByteArray le16(int v) { QByteArray b(2, '\0'); qToLittleEndian<quint16>(quint16(v), b.data()); return b; }
inline QByteArray le32(quint32 v) { QByteArray b(4, '\0'); qToLittleEndian<quint32>(v, b.data()); return b; }
inline QByteArray f64(double v) { quint64 bits; std::memcpy(&bits, &v, 8); QByteArray b(8, '\0'); qToLittleEndian<quint64>(bits, b.data()); return b; }
inline QByteArray record(int id, const QByteArray &data) { return le16(id) + le16(int(data.size())) + data; }

// The SST record and its CONTINUE records, split as Excel splits them: a
// string's characters that run into the next record start it with a flag.
inline QByteArray sstRecords(const QStringList &strings)
{
    constexpr int Max = 8224;
    QList<QByteArray> records{le32(quint32(strings.size())) + le32(quint32(strings.size()))};
    for (const QString &s : strings) {
        if (records.last().size() + 3 + 2 > Max)
            records << QByteArray();
        records.last() += le16(int(s.size())) + char(1);
        qsizetype done = 0;
        while (done < s.size()) {
            qsizetype room = (Max - records.last().size()) / 2;
            if (room <= 0) {
                records << QByteArray(1, 1);
                continue;
            }
            const qsizetype n = qMin(room, s.size() - done);
            QByteArray chars(n * 2, '\0');
            qToLittleEndian<quint16>(s.utf16() + done, n, chars.data());
            records.last() += chars;
            done += n;
        }
    }
    QByteArray out = record(0x00FC, records.first());
    for (int i = 1; i < records.size(); ++i)
        out += record(0x003C, records[i]);
    return out;
}

inline QByteArray biffWorkbook(int rows, int columns, const QString &sheetName, const CellFn &cell)
{
    QStringList strings;
    QHash<QString, int> index;
    QByteArray cells;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QByteArray head = le16(r) + le16(c);
            const Cell v = cell(r, c);
            if (v.kind == Cell::Number) {
                cells += record(0x0203, head + le16(0) + f64(v.number));
            } else if (v.kind == Cell::Date) {
                cells += record(0x0203, head + le16(1) + f64(v.number));
            } else if (!v.text.isEmpty()) {
                auto it = index.find(v.text);
                if (it == index.end()) {
                    it = index.insert(v.text, int(strings.size()));
                    strings << v.text;
                }
                cells += record(0x00FD, head + le16(0) + le32(quint32(*it)));
            }
        }
    }
    const QByteArray tail(12, '\0');
    const QByteArray xf0 = record(0x00E0, le16(0) + le16(0) + QByteArray(16, '\0'));
    const QByteArray xfDate = record(0x00E0, le16(0) + le16(14) + QByteArray(16, '\0'));
    QByteArray name = QByteArray(1, char(sheetName.size())) + char(1);
    for (QChar u : sheetName)
        name += le16(u.unicode());
    const QByteArray head = record(0x0809, le16(0x0600) + le16(0x0005) + tail) + record(0x0042, le16(1200)) + xf0 + xfDate;
    const QByteArray sst = sstRecords(strings);
    const QByteArray eof = record(0x000A, {});
    const quint32 offset = quint32(head.size() + sst.size() + 4 + 6 + name.size() + eof.size());
    return head + sst + record(0x0085, le32(offset) + char(0) + char(0) + name) + eof
        + record(0x0809, le16(0x0600) + le16(0x0010) + tail) + cells + eof;
}

} // namespace Detail

// An .xls holds at most 65536 rows.
inline bool writeXls(const QString &path, int rows, int columns, const QString &sheetName, const CellFn &cell)
{
    gsf_init();
    const QByteArray stream = Detail::biffWorkbook(rows, columns, sheetName, cell);
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!sink)
        return false;
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    GsfOutput *child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
    gsf_output_close(child);
    g_object_unref(child);
    const bool ok = gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(sink);
    return ok;
}

} // namespace BenchBooks
