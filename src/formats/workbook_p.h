// Internals shared by the .xls and .xlsx readers: the messages, the making of
// cells (serial dates in both date systems), the recognising of date number
// formats and the emitter that turns cells in row order into whole rows.
#pragma once

#include "formats/workbook.h"

#include <QStringView>

#include <map>
#include <vector>

namespace Workbook::Detail {

// "工作簿已损坏：<what>"
[[noreturn]] void corrupt(const QString &what);
[[noreturn]] void fail(const QString &text);
QString notWorkbookText(const QString &path);
QString encryptedText();

Cell textCell(QString text);
Cell numberCell(double value);   // a NaN or an infinity becomes the error #NUM!
Cell boolCell(bool value);
Cell errorCell(QString text);
// A number in a date format becomes a DateTime when the serial is a date of
// the workbook's date system (1900 with its leap-year bug, or 1904); a
// serial no calendar holds (negative, past 9999, the 1900-02-29 that never
// was) stays a Number.
Cell numericCell(double value, bool dateFormat, bool date1904);
// Resolves a serial; false when it is no date.
bool serialToDateTime(double serial, bool date1904, QDateTime *out, bool *hasTime);

// Built-in number formats that show dates or times (14-22, 45-47, and the
// East Asian ones 27-36 and 50-58 that Chinese and Japanese Excel writes).
bool isBuiltinDateFormat(int id);
// Whether a format code shows a date or a time: a d, m, y, h or s (or [h],
// [m], [s]) outside quoted text, escapes and other bracketed parts.
bool isDateFormatCode(QStringView code);

using RowFn = std::function<bool(int row, const QList<Cell> &cells)>;

// Turns cells that come in row order into the calls of Reader::readRows:
// every row of first..last once, missing ones as all-Empty.
class RowEmitter {
public:
    RowEmitter(int first, int last, int columns, const RowFn &fn);
    // Takes the cell at (row, column); rows never go down. False once nothing
    // more is wanted (the consumer stopped or the row is past `last`).
    bool put(int row, int column, Cell &&cell);
    // Hands out the rows still owed up to `last`, unless the consumer stopped.
    void finish();
    bool stopped() const { return stopped_; }

private:
    bool flush();
    bool call(int row, const QList<Cell> &cells);

    int first_;
    int last_;
    int columns_;
    const RowFn &fn_;
    qint64 next_;
    int heldRow_ = 0;
    QList<Cell> cells_;
    QList<Cell> empty_;
    bool stopped_ = false;
};

// Checks the arguments of readRows; throws Error on a column count out of range.
void checkColumns(int columns);

// Cells gathered when a sheet stores them out of row order, then handed to
// a RowEmitter in order. Only rows of the wanted range are kept.
class RowGatherer {
public:
    RowGatherer(int first, int last, int columns) : first_(first), last_(last), columns_(columns) {}
    void put(int row, int column, Cell &&cell);
    void emitTo(RowEmitter &emitter);

private:
    int first_, last_, columns_;
    std::map<int, std::vector<std::pair<int, Cell>>> rows_;
};

} // namespace Workbook::Detail
