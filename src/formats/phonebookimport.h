// The phone-book import: the rows first..last of a workbook's first
// worksheet become contacts in tongxunlb, one contact per row, columns A..S
// in a fixed order, all in one transaction of the data module's connection.
// Every row takes the next contact identifier, also a row without a name,
// which is not stored. The import is stored whole or not at all: any
// failure, and a cancel, roll back the contacts and the counter alike.
// Used by the import dialog and by quorvane-import-phonebook; no Widgets.
#pragma once

#include "formats/workbook.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

namespace PhoneBookImport {

// The columns of tongxunlb that the sheet columns A, B, ... S fill.
const QStringList &columns();
constexpr int ColumnCount = 19;
constexpr int NameColumn = 2; // B: a row without a name is not stored
// The last row a worksheet can hold; a range reaching past it fails.
constexpr int MaxRow = 1048576;

// "A" for 1, ... "S" for 19.
QString columnLetter(int column);

// A row number as typed into the dialog or given on the command line:
// whole decimal number, blanks around it allowed. Throws Failure naming
// `what` ("起始行数", "总行数") otherwise.
int rowNumber(const QString &text, const QString &what);

// Called before the first row with done = 0 and after every row; returns
// false to cancel the import.
using Progress = std::function<bool(int done, int total)>;

struct Result {
    int rowsRead = 0;        // sheet rows passed over, first..last
    int contactsAdded = 0;   // rows with a name, stored
    QString firstId;         // the identifiers the rows took, "TXL-20" ...
    QString lastId;          // ... "TXL-26"; empty when no row was read
    int identifiersUsed() const { return rowsRead; }
};

// Why an import stored nothing: the sheet row and column where it
// happened (0 when it concerns no one row or column), the reason in
// Chinese and, for a database error, the database's own message.
class Failure : public std::runtime_error {
public:
    Failure(const QString &reason, int row = 0, int column = 0, const QString &databaseMessage = QString());
    const QString &reason() const { return reason_; }
    int row() const { return row_; }
    int column() const { return column_; }
    const QString &databaseMessage() const { return databaseMessage_; }
    // Row, column and reason as lines for the user: the details of the
    // failure message, the command line tool's report.
    QString details() const;

private:
    QString reason_;
    int row_;
    int column_;
    QString databaseMessage_;
};

// The user cancelled; everything was rolled back.
class Cancelled : public std::exception {
public:
    const char *what() const noexcept override { return "import cancelled"; }
};

// Imports the rows firstText..lastText (texts converted by rowNumber) of
// the first worksheet read by `reader` into the database of DM, each
// contact entered on `entryDate`. When `reader` is null the workbook at
// `path` is opened. Returns once the transaction is committed; throws
// Failure or Cancelled after rolling everything back.
Result run(std::unique_ptr<Workbook::Reader> reader, const QString &path, const QString &firstText,
           const QString &lastText, const Progress &progress = Progress(),
           const QDate &entryDate = QDate::currentDate());

} // namespace PhoneBookImport
