// Readers for the first worksheet of an Excel workbook (.xls BIFF5/BIFF8 and
// .xlsx), for imports: cells stream out row by row, every failure of a broken
// or hostile file ends in a Workbook::Error with a Chinese message.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

namespace Workbook {

enum class CellKind { Empty, Text, Number, Boolean, Error, DateTime };

struct Cell {
    CellKind kind = CellKind::Empty;
    QString text;       // Text: as stored (line breaks kept); Error: "#N/A", "#DIV/0!", ...
    double number = 0;  // Number; DateTime: the serial value already resolved to `dateTime`
    bool boolean = false;
    QDateTime dateTime; // DateTime (local time); hasTime tells whether a time of day is part of it
    bool hasTime = false;
};

// What a workbook that cannot be read throws; text() is the message for the user.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &text);
    QString text() const { return text_; }

private:
    QString text_;
};

class Reader {
public:
    virtual ~Reader();

    // Opens the workbook and finds its first worksheet (the first sheet in the
    // workbook's own order; chart and macro sheets are passed over). The kind
    // is told by the content (OLE2 container, ZIP package or a bare BIFF
    // stream), never by the extension. Throws Error for a missing or
    // unreadable file, a file that is no workbook, an encrypted workbook, a
    // broken container, BIFF2-4 files and the like.
    static std::unique_ptr<Reader> open(const QString &path);

    // The name of the worksheet being read.
    virtual QString sheetName() const = 0;

    // The last row and column (1-based) that hold a value (an Empty cell is
    // none); 0 for an empty sheet. The first call reads the whole sheet once;
    // throws Error like readRows.
    virtual int rowCount() = 0;
    virtual int columnCount() = 0;

    // Streams the rows first..last (1-based, inclusive, ascending; nothing when
    // last < first) with columns 1..columns (at most 16384). Calls row(r, cells)
    // once for every r in the range, a row missing from the sheet as all-Empty
    // cells; `row` returns false to stop early. Memory stays flat in the number
    // of rows: only a row at a time is held, unless an .xls sheet stores its
    // cells out of row order, when the cells of the range are gathered first.
    // Throws Error on a broken or hostile file part-way.
    virtual void readRows(int first, int last, int columns,
                          const std::function<bool(int row, const QList<Cell> &cells)> &row) = 0;
};

// The text of a cell as a spreadsheet's value-to-text conversion gives it:
// text as stored; a number as its shortest decimal text with up to 15
// significant digits, never an exponent for a whole number (13800138000 ->
// "13800138000", 3.5 -> "3.5"); a date in the program's one date form
// (DbDateTime::display: "yyyy-MM-dd", with " HH:mm:ss" when it has a time of
// day); a boolean "True" or "False"; Empty -> "". An Error cell
// has no text: throws Error naming its error value.
QString cellText(const Cell &cell);

// Most columns a row may be asked for (the widest sheet Excel writes).
constexpr int MaxColumns = 16384;

} // namespace Workbook
