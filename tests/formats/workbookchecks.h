// What the workbook reader tests check with: the text a cell shows, the
// error a read ends in, whole sheets read into memory, "row,column=text".
#pragma once

#include "formats/workbook.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace Checks {

using namespace Workbook;

inline bool hasChinese(const QString &s)
{
    return s.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]")));
}

// The text a check compares: cellText, or "!" and the error value.
inline QString shown(const Cell &c)
{
    return c.kind == CellKind::Error ? QLatin1Char('!') + c.text : cellText(c);
}

// The Error text of `f`, "<read>" when it threw nothing.
inline QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.text();
    }
    return QStringLiteral("<read>");
}

// Every row of the sheet, every column that holds a value.
inline QList<QList<Cell>> readAll(Reader &r)
{
    QList<QList<Cell>> rows;
    r.readRows(1, r.rowCount(), r.columnCount(), [&](int, const QList<Cell> &cells) {
        rows << cells;
        return true;
    });
    return rows;
}

inline QString textAt(const QList<QList<Cell>> &rows, int row, int column)
{
    if (row < 1 || row > rows.size() || column < 1 || column > rows[row - 1].size())
        return QStringLiteral("<outside>");
    return shown(rows[row - 1][column - 1]);
}

// "row,column=text" checks against what was read.
inline void verify(const QList<QList<Cell>> &rows, const QStringList &checks)
{
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(QLatin1Char('='));
        const QStringList at = check.left(eq).split(QLatin1Char(','));
        QCOMPARE(QStringLiteral("%1=%2").arg(check.left(eq), textAt(rows, at[0].toInt(), at[1].toInt())), check);
    }
}

} // namespace Checks

// Runs the statements given; an Error they throw fails the test with its
// message (an exception leaving a test function would end the whole run).
#define EXPECT_READS(...)                                                                             \
    do {                                                                                              \
        try {                                                                                         \
            __VA_ARGS__                                                                               \
        } catch (const Workbook::Error &e) {                                                          \
            QFAIL(qPrintable(QStringLiteral("unexpected Error: ") + e.text()));                       \
        }                                                                                             \
    } while (false)
