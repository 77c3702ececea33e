// Opening a workbook by its content, the text of a cell, and the helpers
// both readers share: messages, cells, serial dates, date formats, rows.
#include "formats/gsfsupport.h" // glib before Qt: its headers use the word `signals`

#include "formats/workbook.h"
#include "formats/workbook_p.h"
#include "formats/xlsreader.h"
#include "formats/xlsxreader.h"
#include "data/database.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace Workbook {

Error::Error(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}

Reader::~Reader() = default;

namespace {

enum class Kind { Ole, Zip, Biff, OldBiff, Unknown };

Kind sniff(const QByteArray &head)
{
    static const char ole[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (head.startsWith(QByteArray(ole, 8)))
        return Kind::Ole;
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return Kind::Zip;
    if (head.size() >= 4) {
        const int id = uchar(head[0]) | uchar(head[1]) << 8;
        const int length = uchar(head[2]) | uchar(head[3]) << 8;
        if (id == 0x0809 && length >= 4)
            return Kind::Biff;      // a bare BIFF5/BIFF8 workbook stream
        if ((id == 0x0009 || id == 0x0209 || id == 0x0409) && length >= 4 && length <= 16)
            return Kind::OldBiff;   // BIFF2, BIFF3, BIFF4 begin with their own BOF
    }
    return Kind::Unknown;
}

QString formatNumber(double v)
{
    if (v == 0)
        return QStringLiteral("0");
    const QString s = QString::number(v, 'g', 15);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e < 0)
        return s;
    const int exponent = s.mid(e + 1).toInt();
    QString mantissa = s.left(e);
    if (exponent < 0)
        return mantissa + QStringLiteral("E-") + QStringLiteral("%1").arg(-exponent, 2, 10, QLatin1Char('0'));
    // At 15 significant digits a number of 1e15 or more is whole: written out.
    const bool negative = mantissa.startsWith(QLatin1Char('-'));
    if (negative)
        mantissa.remove(0, 1);
    mantissa.remove(QLatin1Char('.'));
    const int whole = exponent + 1;
    if (mantissa.size() < whole)
        mantissa += QString(whole - mantissa.size(), QLatin1Char('0'));
    return negative ? QLatin1Char('-') + mantissa : mantissa;
}

} // namespace

std::unique_ptr<Reader> Reader::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        Detail::fail(QStringLiteral("文件“%1”不存在").arg(path));
    if (!info.isFile())
        Detail::fail(Detail::notWorkbookText(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Detail::fail(QStringLiteral("无法打开文件“%1”：%2").arg(path, file.errorString()));
    const QByteArray head = file.read(8);
    file.close();

    switch (sniff(head)) {
    case Kind::Ole:
        return Detail::openXlsContainer(path);
    case Kind::Zip:
        return Detail::openXlsx(path);
    case Kind::Biff:
        return Detail::openBareBiff(path);
    case Kind::OldBiff:
        Detail::fail(QStringLiteral("Excel 95以前的旧格式（BIFF2-4）不支持，请先在Excel中另存为新格式"));
    case Kind::Unknown:
        break;
    }
    Detail::fail(Detail::notWorkbookText(path));
}

QString cellText(const Cell &cell)
{
    switch (cell.kind) {
    case CellKind::Empty:
        return QString();
    case CellKind::Text:
        return cell.text;
    case CellKind::Number:
        return formatNumber(cell.number);
    case CellKind::Boolean:
        return cell.boolean ? QStringLiteral("True") : QStringLiteral("False");
    case CellKind::DateTime:
        // The program's one date form; a time of day only when there is one.
        return cell.hasTime ? DbDateTime::display(cell.dateTime) : DbDateTime::displayDate(cell.dateTime.date());
    case CellKind::Error:
        break;
    }
    Detail::fail(QStringLiteral("单元格的值是错误值“%1”，不能转换为文本").arg(cell.text));
}

namespace Detail {

void fail(const QString &text)
{
    throw Error(text);
}

void corrupt(const QString &what)
{
    throw Error(QStringLiteral("工作簿已损坏：%1").arg(what));
}

QString notWorkbookText(const QString &path)
{
    return QStringLiteral("文件“%1”不是Excel工作簿").arg(QFileInfo(path).fileName());
}

QString encryptedText()
{
    return QStringLiteral("工作簿已加密（设有打开密码），无法读取；请在Excel中去掉密码后再导入");
}

Cell textCell(QString text)
{
    Cell c;
    c.kind = CellKind::Text;
    c.text = std::move(text);
    return c;
}

Cell numberCell(double value)
{
    if (!std::isfinite(value))
        return errorCell(QStringLiteral("#NUM!"));
    Cell c;
    c.kind = CellKind::Number;
    c.number = value;
    return c;
}

Cell boolCell(bool value)
{
    Cell c;
    c.kind = CellKind::Boolean;
    c.boolean = value;
    return c;
}

Cell errorCell(QString text)
{
    Cell c;
    c.kind = CellKind::Error;
    c.text = std::move(text);
    return c;
}

bool serialToDateTime(double serial, bool date1904, QDateTime *out, bool *hasTime)
{
    if (!std::isfinite(serial) || serial < 0)
        return false;
    // Whole seconds, as a spreadsheet shows a time: 11:29:59.9999 is 11:30:00.
    const double seconds = std::round(serial * 86400.0);
    if (seconds >= 2958466.0 * 86400.0)   // past 9999-12-31
        return false;
    const qint64 total = qint64(seconds);
    const qint64 days = total / 86400;
    const int secondOfDay = int(total % 86400);
    QDate date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else if (days < 60) {
        date = QDate(1899, 12, 31).addDays(days);   // serial 1 is 1900-01-01
    } else if (days == 60) {
        return false;                               // 1900-02-29: Lotus's leap day that never was
    } else {
        date = QDate(1899, 12, 30).addDays(days);
    }
    *out = QDateTime(date, QTime::fromMSecsSinceStartOfDay(secondOfDay * 1000));
    *hasTime = secondOfDay != 0;
    return true;
}

Cell numericCell(double value, bool dateFormat, bool date1904)
{
    if (dateFormat) {
        Cell c;
        if (serialToDateTime(value, date1904, &c.dateTime, &c.hasTime)) {
            c.kind = CellKind::DateTime;
            c.number = value;
            return c;
        }
    }
    return numberCell(value);
}

bool isBuiltinDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47)
        || (id >= 50 && id <= 58);
}

bool isDateFormatCode(QStringView code)
{
    const qsizetype n = code.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = code[i].toLower();
        switch (c.unicode()) {
        case '"': {   // quoted text
            const qsizetype end = code.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return false;
            i = end;
            break;
        }
        case '\\':    // an escaped character
        case '_':     // the width of the next character
        case '*':     // fill with the next character
            ++i;
            break;
        case '[': {   // colour, condition, locale; but [h], [mm], [ss] are elapsed time
            const qsizetype end = code.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0)
                return false;
            const QStringView inner = code.mid(i + 1, end - i - 1);
            if (!inner.isEmpty()) {
                const QChar first = inner[0].toLower();
                bool same = first == QLatin1Char('h') || first == QLatin1Char('m') || first == QLatin1Char('s');
                for (QChar ch : inner)
                    same = same && ch.toLower() == first;
                if (same)
                    return true;
            }
            i = end;
            break;
        }
        case 'g':     // "General"
            if (code.mid(i, 7).compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
                i += 6;
            break;
        case 'd':
        case 'm':
        case 'y':
        case 'h':
        case 's':
            return true;
        default:
            break;
        }
    }
    return false;
}

void checkColumns(int columns)
{
    if (columns < 0 || columns > MaxColumns)
        fail(QStringLiteral("要读取的列数%1超出范围（0至%2）").arg(columns).arg(MaxColumns));
}

RowEmitter::RowEmitter(int first, int last, int columns, const RowFn &fn)
    : first_(first), last_(last), columns_(columns), fn_(fn), next_(first), cells_(columns), empty_(columns)
{
}

bool RowEmitter::call(int row, const QList<Cell> &cells)
{
    if (!fn_(row, cells))
        stopped_ = true;
    return !stopped_;
}

bool RowEmitter::flush()
{
    if (heldRow_ == 0)
        return !stopped_;
    for (; next_ < heldRow_; ++next_) {
        if (!call(int(next_), empty_))
            return false;
    }
    const int row = heldRow_;
    heldRow_ = 0;
    next_ = qint64(row) + 1;
    if (!call(row, cells_))
        return false;
    for (Cell &c : cells_)
        c = Cell();
    return true;
}

bool RowEmitter::put(int row, int column, Cell &&cell)
{
    if (stopped_)
        return false;
    if (row < first_)
        return true;
    if (row > last_) {
        flush();
        return false;
    }
    if (row != heldRow_) {
        if (row < heldRow_ || row < next_)
            corrupt(QStringLiteral("工作表中第%1行出现在后面的行之后").arg(row));
        if (!flush())
            return false;
        heldRow_ = row;
    }
    if (column >= 1 && column <= columns_)
        cells_[column - 1] = std::move(cell);
    return true;
}

void RowEmitter::finish()
{
    if (!flush())
        return;
    for (; next_ <= last_; ++next_) {
        if (!call(int(next_), empty_))
            return;
    }
}

void RowGatherer::put(int row, int column, Cell &&cell)
{
    if (row < first_ || row > last_ || column < 1 || column > columns_)
        return;
    rows_[row].emplace_back(column, std::move(cell));
}

void RowGatherer::emitTo(RowEmitter &emitter)
{
    for (auto &[row, cells] : rows_) {
        for (auto &[column, cell] : cells) {
            if (!emitter.put(row, column, std::move(cell)))
                return;
        }
    }
    rows_.clear();
}

} // namespace Detail
} // namespace Workbook
