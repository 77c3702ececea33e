// The .xls reader. The workbook globals (code page, date system, number
// formats, cell formats, shared strings, sheet list) are read once on
// opening; the first worksheet's cell records are then read on demand, in
// file order when its rows come in order (as every Excel file stores them),
// else gathered for the wanted rows first.
#include "formats/gsfsupport.h" // glib before Qt

#include "formats/biffstream.h"
#include "formats/workbook_p.h"
#include "formats/xlsreader.h"

#include <unordered_map>
#include <vector>

namespace Workbook::Detail {

namespace {

QString biffErrorText(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2B: return QStringLiteral("#GETTING_DATA");
    default: return QStringLiteral("#N/A");
    }
}

double rkValue(quint32 rk)
{
    double v;
    if (rk & 0x02) {
        v = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) ? v / 100.0 : v;
}

struct SheetEntry {
    quint32 offset = 0;
    quint8 type = 0;      // 0 worksheet (or dialog), 1 macro sheet, 2 chart, 6 VBA module
    QByteArray rawName;   // decoded once the code page is known
};

using CellFn = std::function<bool(int row, int column, Cell &&cell)>;

class XlsReader : public Reader {
public:
    XlsReader(InputPtr file, InfilePtr ole, InputPtr stream)
        : file_(std::move(file)), ole_(std::move(ole)), stream_(std::move(stream)), in_(stream_.get())
    {
        readGlobals();
        findFirstWorksheet();
    }

    QString sheetName() const override { return sheetName_; }
    int rowCount() override { scan(); return rows_; }
    int columnCount() override { scan(); return columns_; }

    void readRows(int first, int last, int columns, const RowFn &row) override
    {
        checkColumns(columns);
        first = qMax(first, 1);
        if (last < first)
            return;
        scan();
        RowEmitter emitter(first, last, columns, row);
        if (sorted_) {
            walk([&](int r, int c, Cell &&cell) { return emitter.put(r, c, std::move(cell)); });
        } else {
            RowGatherer gatherer(first, last, columns);
            walk([&](int r, int c, Cell &&cell) { gatherer.put(r, c, std::move(cell)); return true; });
            gatherer.emitTo(emitter);
        }
        emitter.finish();
    }

private:
    void readGlobals();
    void readSst(const Record &sst);
    void findFirstWorksheet();
    bool isDateXf(int xf) const;
    Cell number(int xf, double value) const { return numericCell(value, isDateXf(xf), date1904_); }
    QString labelText(ByteReader &in);
    void walk(const CellFn &cell);
    void scan();

    InputPtr file_;
    InfilePtr ole_;
    InputPtr stream_;
    BiffStream in_;

    int biff_ = 8;
    bool date1904_ = false;
    CodePage codePage_;
    QString stringPool_;                  // every shared string one after another
    std::vector<qsizetype> stringStarts_; // where each begins; one more entry for the end
    std::vector<quint16> xfFormats_;      // the number format of each cell format
    std::unordered_map<int, bool> formatIsDate_;
    std::vector<SheetEntry> sheets_;

    QString sheetName_;
    qint64 sheetOffset_ = 0;
    bool scanned_ = false;
    bool sorted_ = true;
    int rows_ = 0;
    int columns_ = 0;
};

void XlsReader::readGlobals()
{
    Record r;
    if (!in_.next(&r))
        corrupt(QStringLiteral("工作簿数据流是空的"));
    if (r.id == 0x0009 || r.id == 0x0209 || r.id == 0x0409)
        fail(QStringLiteral("Excel 95以前的旧格式（BIFF2-4）不支持，请先在Excel中另存为新格式"));
    if (r.id != Biff::Bof)
        corrupt(QStringLiteral("工作簿数据流不以开始记录开头"));
    {
        ByteReader bof(r.data);
        const quint16 version = bof.u16();
        const quint16 type = bof.u16();
        biff_ = version == 0x0500 ? 5 : 8;
        if (type != 0x0005)
            corrupt(QStringLiteral("工作簿数据流不以全局数据开头"));
    }
    int codePage = 1252;   // when the workbook names none
    while (in_.next(&r)) {
        ByteReader in(r.data);
        switch (r.id) {
        case Biff::FilePass:
            fail(encryptedText());
        case Biff::CodePage:
            codePage = in.u16();
            break;
        case Biff::DateMode:
            date1904_ = in.u16() != 0;
            break;
        case Biff::BoundSheet: {
            SheetEntry e;
            e.offset = in.u32();
            in.u8();   // visibility: hidden sheets count like the others
            e.type = in.u8();
            e.rawName = QByteArray(r.data.constData() + in.pos(), in.remaining());
            sheets_.push_back(std::move(e));
            break;
        }
        case Biff::Format: {
            const int id = in.u16();
            const QString code = biff_ == 8 ? biff8String(in, false) : QString::fromLatin1(QByteArray(r.data.mid(3)));
            formatIsDate_[id] = isDateFormatCode(code);
            break;
        }
        case Biff::Xf:
            in.u16();
            xfFormats_.push_back(in.u16());
            break;
        case Biff::Sst:
            if (biff_ == 8 && stringStarts_.empty())   // a second table is ignored
                readSst(r);
            break;
        default:
            break;
        }
        if (r.id == Biff::Eof || r.id == Biff::Bof)
            break;
    }
    codePage_ = CodePage(codePage);
}

void XlsReader::readSst(const Record &sst)
{
    const QList<QByteArray> pieces = in_.withContinues(sst);
    ContinuedReader in(pieces);
    in.u32();                           // references to strings: not needed
    const quint32 unique = in.u32();    // not trusted: wrong in some files, absurd in hostile ones
    stringStarts_.push_back(0);
    while (!in.atEnd()) {
        try {
            stringPool_ += in.richString();
        } catch (const Error &) {
            // Bytes left over after the strings the table announced are ignored.
            if (stringStarts_.size() - 1 >= unique)
                break;
            corrupt(QStringLiteral("共享字符串表在第%1个字符串处不完整").arg(stringStarts_.size()));
        }
        stringStarts_.push_back(stringPool_.size());
    }
}

void XlsReader::findFirstWorksheet()
{
    for (const SheetEntry &e : sheets_) {
        if (e.type != 0)
            continue;
        ByteReader name(e.rawName);
        QString decoded;
        try {
            decoded = biff_ == 8 ? biff8String(name, true) : codePage_.string(name, true);
        } catch (const Error &) {
            corrupt(QStringLiteral("工作表名称无效"));
        }
        in_.seek(e.offset);
        Record bof;
        if (!in_.next(&bof) || bof.id != Biff::Bof || bof.data.size() < 4)
            corrupt(QStringLiteral("工作表“%1”的位置不对").arg(decoded));
        const quint16 type = quint16(uchar(bof.data[2]) | uchar(bof.data[3]) << 8);
        if (type != 0x0010)
            continue;   // a chart or macro sheet listed as a worksheet
        sheetName_ = decoded;
        sheetOffset_ = e.offset;
        return;
    }
    fail(QStringLiteral("工作簿中没有工作表"));
}

bool XlsReader::isDateXf(int xf) const
{
    if (xf < 0 || size_t(xf) >= xfFormats_.size())
        return false;
    const int format = xfFormats_[size_t(xf)];
    const auto found = formatIsDate_.find(format);
    return found != formatIsDate_.end() ? found->second : isBuiltinDateFormat(format);
}

QString XlsReader::labelText(ByteReader &in)
{
    return biff_ == 8 ? biff8String(in, false) : codePage_.string(in, false);
}

void XlsReader::walk(const CellFn &cell)
{
    in_.seek(sheetOffset_);
    Record r;
    in_.next(&r);   // the sheet's BOF, checked on opening
    int depth = 0;  // charts embedded in the sheet are substreams of their own
    bool stringPending = false;   // a formula whose text result follows in a STRING record
    int pendingRow = 0, pendingColumn = 0;

    while (in_.next(&r)) {
        if (r.id == Biff::Bof) {
            ++depth;
            continue;
        }
        if (r.id == Biff::Eof) {
            if (depth-- == 0)
                break;
            continue;
        }
        if (depth > 0)
            continue;
        if (stringPending && r.id != Biff::String && r.id != Biff::SharedFormula && r.id != Biff::Array
            && r.id != Biff::Table) {
            stringPending = false;   // the STRING record is missing: an empty text
            if (!cell(pendingRow, pendingColumn, textCell(QString())))
                return;
        }
        ByteReader in(r.data);
        switch (r.id) {
        case Biff::Number: {
            const int row = in.u16() + 1, column = in.u16() + 1, xf = in.u16();
            if (!cell(row, column, number(xf, in.f64())))
                return;
            break;
        }
        case Biff::Rk: {
            const int row = in.u16() + 1, column = in.u16() + 1, xf = in.u16();
            if (!cell(row, column, number(xf, rkValue(in.u32()))))
                return;
            break;
        }
        case Biff::MulRk: {
            const int row = in.u16() + 1, column = in.u16() + 1;
            const qsizetype count = (in.remaining() - 2) / 6;
            for (qsizetype i = 0; i < count; ++i) {
                const int xf = in.u16();
                if (!cell(row, column + int(i), number(xf, rkValue(in.u32()))))
                    return;
            }
            break;
        }
        case Biff::LabelSst: {
            const int row = in.u16() + 1, column = in.u16() + 1;
            in.u16();
            const quint32 index = in.u32();
            if (stringStarts_.empty() || index >= stringStarts_.size() - 1)
                corrupt(QStringLiteral("第%1行第%2列引用的共享字符串（%3号）不存在").arg(row).arg(column).arg(index));
            const qsizetype at = stringStarts_[index];
            if (!cell(row, column, textCell(stringPool_.mid(at, stringStarts_[index + 1] - at))))
                return;
            break;
        }
        case Biff::Label:
        case Biff::RString: {
            const int row = in.u16() + 1, column = in.u16() + 1;
            in.u16();
            if (!cell(row, column, textCell(labelText(in))))
                return;
            break;
        }
        case Biff::BoolErr: {
            const int row = in.u16() + 1, column = in.u16() + 1;
            in.u16();
            const quint8 value = in.u8();
            const bool isError = in.u8() != 0;
            if (!cell(row, column, isError ? errorCell(biffErrorText(value)) : boolCell(value != 0)))
                return;
            break;
        }
        case Biff::Formula: {
            const int row = in.u16() + 1, column = in.u16() + 1, xf = in.u16();
            const char *result = in.bytes(8);
            Cell c;
            if (uchar(result[6]) == 0xFF && uchar(result[7]) == 0xFF) {
                switch (uchar(result[0])) {
                case 0:
                    stringPending = true;
                    pendingRow = row;
                    pendingColumn = column;
                    continue;
                case 1: c = boolCell(result[2] != 0); break;
                case 2: c = errorCell(biffErrorText(uchar(result[2]))); break;
                case 3: c = textCell(QString()); break;
                default: break;   // no result
                }
            } else {
                ByteReader value(result, 8);
                c = number(xf, value.f64());
            }
            if (!cell(row, column, std::move(c)))
                return;
            break;
        }
        case Biff::String: {
            if (!stringPending)
                break;
            stringPending = false;
            QString text;
            if (biff_ == 8) {
                const QList<QByteArray> pieces = in_.withContinues(r);
                ContinuedReader continued(pieces);
                const int count = continued.u16();
                const quint8 flags = continued.u8();
                text = continued.chars(count, flags & 0x01);
            } else {
                text = codePage_.string(in, false);
            }
            if (!cell(pendingRow, pendingColumn, textCell(std::move(text))))
                return;
            break;
        }
        default:
            break;
        }
    }
    if (stringPending)
        cell(pendingRow, pendingColumn, textCell(QString()));
}

void XlsReader::scan()
{
    if (scanned_)
        return;
    int lastRow = 0;
    walk([&](int row, int column, Cell &&c) {
        if (row < lastRow)
            sorted_ = false;
        lastRow = row;
        if (c.kind != CellKind::Empty) {
            rows_ = qMax(rows_, row);
            columns_ = qMax(columns_, column);
        }
        return true;
    });
    scanned_ = true;
}

} // namespace

std::unique_ptr<Reader> openXlsContainer(const QString &path)
{
    InputPtr file = openFileInput(path);
    InfilePtr ole = openOle(file.get());
    const QStringList names = childNames(ole.get());
    for (const QString &name : names) {
        if (name.compare(QLatin1String("EncryptionInfo"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("EncryptedPackage"), Qt::CaseInsensitive) == 0)
            fail(encryptedText());
    }
    InputPtr stream = childNoCase(ole.get(), QStringLiteral("Workbook"));
    if (!stream)
        stream = childNoCase(ole.get(), QStringLiteral("Book"));
    if (!stream || (GSF_IS_INFILE(stream.get()) && gsf_infile_num_children(GSF_INFILE(stream.get())) >= 0))
        fail(notWorkbookText(path));
    return std::make_unique<XlsReader>(std::move(file), std::move(ole), std::move(stream));
}

std::unique_ptr<Reader> openBareBiff(const QString &path)
{
    InputPtr file = openFileInput(path);
    InputPtr stream(GSF_INPUT(g_object_ref(file.get())));
    return std::make_unique<XlsReader>(std::move(file), nullptr, std::move(stream));
}

} // namespace Workbook::Detail
