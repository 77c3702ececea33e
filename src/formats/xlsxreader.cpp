// The .xlsx reader. Opening follows the package's relationships: _rels/.rels
// to the workbook, the workbook's first <sheet> and its relationships to the
// worksheet, the shared strings and the styles, wherever they are stored.
// Shared strings and the date formats of the styles are held; the worksheet
// is streamed each time rows are read. Each part is inflated a buffer at a time
// and never past a limit; a part with a DTD is refused, so no entity can
// expand.
#include "formats/gsfsupport.h" // glib before Qt

#include "formats/workbook_p.h"
#include "formats/xlsxreader.h"

#include <QUrl>
#include <QXmlStreamReader>

#include <unordered_map>
#include <vector>

namespace Workbook::Detail {

namespace {

// Most a single part may inflate to, and the most it may inflate relative to
// the whole file once it is large: far past either, it is a ZIP bomb.
constexpr qint64 MaxInflatedBytes = qint64(512) << 20;
constexpr qint64 RatioCheckedFrom = qint64(64) << 20;
constexpr qint64 MaxRatio = 400;

constexpr int MaxRows = 1048576;
// No part of a workbook nests elements this deep; a part that does is
// hostile (each open element costs the XML reader memory).
constexpr int MaxDepth = 256;

const QLatin1String MainTransitional("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QLatin1String MainStrict("http://purl.oclc.org/ooxml/spreadsheetml/main");

bool isMain(QStringView ns)
{
    return ns.isEmpty() || ns == MainTransitional || ns == MainStrict;
}

// A relationship type ends in the same word in both flavours of the format.
bool isType(const QString &type, QLatin1String word)
{
    return type.endsWith(QLatin1Char('/') + word);
}

// Folds "." and ".." and decodes %xx; `base` is the folder of the source part.
QString resolveTarget(const QString &base, const QString &target)
{
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    const QString joined = decoded.startsWith(QLatin1Char('/')) ? decoded : base + decoded;
    QStringList out;
    for (const QString &step : joined.split(QLatin1Char('/'))) {
        if (step.isEmpty() || step == QLatin1String("."))
            continue;
        if (step == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << step;
    }
    return out.join(QLatin1Char('/'));
}

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Undoes the _xHHHH_ escapes of the format (_x000D_ is a carriage return).
QString unescape(const QString &s)
{
    if (!s.contains(QLatin1String("_x")))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('_') && i + 6 < s.size() && s[i + 1] == QLatin1Char('x') && s[i + 6] == QLatin1Char('_')) {
            int code = 0;
            bool ok = true;
            for (int k = 2; k < 6 && ok; ++k) {
                const int h = hexValue(s[i + k]);
                ok = h >= 0;
                code = code * 16 + h;
            }
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

struct Relationship {
    QString id;
    QString type;
    QString target;   // resolved to a part name
};

class XlsxReader;

// One part being read: the device inflating it and the XML reader on top.
class XmlSource {
public:
    XmlSource(const QString &name, InputPtr input, qint64 fileSize) : name_(name)
    {
        const qint64 size = gsf_input_size(input.get());
        if (size > MaxInflatedBytes || (size > RatioCheckedFrom && size > MaxRatio * qMax<qint64>(fileSize, 1)))
            bomb(size);
        device_ = std::make_unique<GsfDevice>(std::move(input), MaxInflatedBytes);
        xml_.setDevice(device_.get());
        xml_.setNamespaceProcessing(true);
    }

    QXmlStreamReader &xml() { return xml_; }

    // The next token; a DTD or a broken part throws.
    QXmlStreamReader::TokenType next()
    {
        const QXmlStreamReader::TokenType t = xml_.readNext();
        switch (t) {
        case QXmlStreamReader::StartElement:
            if (++depth_ > MaxDepth)
                corrupt(QStringLiteral("“%1”的元素嵌套超过%2层").arg(name_).arg(MaxDepth));
            break;
        case QXmlStreamReader::EndElement:
            --depth_;
            break;
        case QXmlStreamReader::DTD:
            corrupt(QStringLiteral("“%1”含有文档类型定义（DTD），为安全起见不予读取").arg(name_));
        case QXmlStreamReader::Invalid:
            raise();
        default:
            break;
        }
        return t;
    }
    bool atEnd() const { return xml_.atEnd(); }

    // The text of the current element (its children's text too), read to its end.
    QString text()
    {
        QString out;
        int depth = 1;
        while (depth > 0) {
            switch (next()) {
            case QXmlStreamReader::StartElement: ++depth; break;
            case QXmlStreamReader::EndElement: --depth; break;
            case QXmlStreamReader::Characters: out += xml_.text(); break;
            case QXmlStreamReader::EndDocument: raise(); break;
            default: break;
            }
        }
        return out;
    }

    void skip()
    {
        int depth = 1;
        while (depth > 0) {
            switch (next()) {
            case QXmlStreamReader::StartElement: ++depth; break;
            case QXmlStreamReader::EndElement: --depth; break;
            case QXmlStreamReader::EndDocument: raise(); break;
            default: break;
            }
        }
    }

    QStringView attribute(QLatin1String name) const { return xml_.attributes().value(name); }

    [[noreturn]] void raise()
    {
        if (device_->overLimit())
            bomb(MaxInflatedBytes + 1);
        if (device_->damaged())
            corrupt(QStringLiteral("ZIP压缩包中的“%1”无法解压").arg(name_));
        if (xml_.error() == QXmlStreamReader::NoError || xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            corrupt(QStringLiteral("“%1”不完整").arg(name_));
        corrupt(QStringLiteral("“%1”不是有效的XML（第%2行：%3）").arg(name_).arg(xml_.lineNumber()).arg(xml_.errorString()));
    }

private:
    [[noreturn]] void bomb(qint64 size)
    {
        corrupt(QStringLiteral("“%1”解压后有%2 MB，大得不合常理（疑似ZIP炸弹）").arg(name_).arg(size >> 20));
    }

    QString name_;
    std::unique_ptr<GsfDevice> device_;
    QXmlStreamReader xml_;
    int depth_ = 0;
};

using CellFn = std::function<bool(int row, int column, Cell &&cell)>;

class XlsxReader : public Reader {
public:
    XlsxReader(const QString &path, InputPtr file, InfilePtr zip);

    QString sheetName() const override { return sheetName_; }
    int rowCount() override { scan(); return rows_; }
    int columnCount() override { scan(); return columns_; }

    void readRows(int first, int last, int columns, const RowFn &row) override
    {
        checkColumns(columns);
        first = qMax(first, 1);
        if (last < first)
            return;
        RowEmitter emitter(first, last, columns, row);
        walk([&](int r, int c, Cell &&cell) { return emitter.put(r, c, std::move(cell)); });
        emitter.finish();
    }

private:
    std::unique_ptr<XmlSource> openXml(const QString &name, bool required);
    std::vector<Relationship> readRelationships(const QString &part);
    QString findWorkbook();
    void readWorkbook(const QString &workbook);
    void readStyles(const QString &part);
    void readSharedStrings(const QString &part);
    Cell makeCell(int row, int column, QStringView type, int style, const QString *value, const QString *inlineText);
    void walk(const CellFn &cell);
    void scan();

    QString path_;
    InputPtr file_;
    InfilePtr zip_;
    qint64 fileSize_ = 0;

    QString sheetName_;
    QString sheetPath_;
    bool date1904_ = false;
    std::vector<bool> dateStyles_;
    QString stringPool_;
    std::vector<qsizetype> stringStarts_{0};

    bool scanned_ = false;
    int rows_ = 0;
    int columns_ = 0;
};

XlsxReader::XlsxReader(const QString &path, InputPtr file, InfilePtr zip)
    : path_(path), file_(std::move(file)), zip_(std::move(zip)), fileSize_(gsf_input_size(file_.get()))
{
    const QString workbook = findWorkbook();
    readWorkbook(workbook);
}

std::unique_ptr<XmlSource> XlsxReader::openXml(const QString &name, bool required)
{
    InputPtr input = partByPath(zip_.get(), name);
    if (!input) {
        if (required)
            corrupt(QStringLiteral("缺少“%1”").arg(name));
        return nullptr;
    }
    return std::make_unique<XmlSource>(name, std::move(input), fileSize_);
}

std::vector<Relationship> XlsxReader::readRelationships(const QString &part)
{
    std::vector<Relationship> out;
    const QString relsName = relsOf(part);
    std::unique_ptr<XmlSource> rels = openXml(relsName, false);
    if (!rels)
        return out;
    const QString base = folderOf(part);
    while (rels->next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = rels->xml();
        if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
            if (rels->attribute(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            Relationship r;
            r.id = rels->attribute(QLatin1String("Id")).toString();
            r.type = rels->attribute(QLatin1String("Type")).toString();
            r.target = resolveTarget(base, rels->attribute(QLatin1String("Target")).toString());
            out.push_back(std::move(r));
        }
    }
    return out;
}

QString XlsxReader::findWorkbook()
{
    QString workbook;
    for (const Relationship &r : readRelationships(QString())) {
        if (isType(r.type, QLatin1String("officeDocument"))) {
            workbook = r.target;
            break;
        }
    }
    if (workbook.isEmpty())
        workbook = QStringLiteral("xl/workbook.xml");
    if (workbook.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
        fail(QStringLiteral("文件“%1”是Excel二进制工作簿（.xlsb），不支持；请在Excel中另存为.xlsx").arg(path_));
    if (!partByPath(zip_.get(), workbook))
        fail(notWorkbookText(path_));
    return workbook;
}

void XlsxReader::readWorkbook(const QString &workbook)
{
    struct Sheet {
        QString name;
        QString id;
    };
    std::vector<Sheet> sheets;
    {
        std::unique_ptr<XmlSource> part = openXml(workbook, true);
        while (part->next() != QXmlStreamReader::EndDocument) {
            QXmlStreamReader &xml = part->xml();
            if (!xml.isStartElement() || !isMain(xml.namespaceUri()))
                continue;
            if (xml.name() == QLatin1String("workbookPr")) {
                const QStringView v = part->attribute(QLatin1String("date1904"));
                date1904_ = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (xml.name() == QLatin1String("sheet")) {
                Sheet s;
                s.name = part->attribute(QLatin1String("name")).toString();
                for (const QXmlStreamAttribute &a : xml.attributes()) {
                    if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                        s.id = a.value().toString();
                }
                sheets.push_back(std::move(s));
            }
        }
    }
    const std::vector<Relationship> rels = readRelationships(workbook);
    QString sharedStrings, styles;
    for (const Relationship &r : rels) {
        if (sharedStrings.isEmpty() && isType(r.type, QLatin1String("sharedStrings")))
            sharedStrings = r.target;
        else if (styles.isEmpty() && isType(r.type, QLatin1String("styles")))
            styles = r.target;
    }
    for (const Sheet &s : sheets) {
        for (const Relationship &r : rels) {
            if (r.id == s.id && isType(r.type, QLatin1String("worksheet"))) {
                sheetName_ = s.name;
                sheetPath_ = r.target;
                break;
            }
        }
        if (!sheetPath_.isEmpty())
            break;
    }
    if (sheetPath_.isEmpty())
        fail(QStringLiteral("工作簿中没有工作表"));
    if (!partByPath(zip_.get(), sheetPath_))
        corrupt(QStringLiteral("缺少工作表“%1”（%2）").arg(sheetName_, sheetPath_));
    if (!styles.isEmpty())
        readStyles(styles);
    if (!sharedStrings.isEmpty())
        readSharedStrings(sharedStrings);
}

void XlsxReader::readStyles(const QString &name)
{
    std::unique_ptr<XmlSource> part = openXml(name, false);
    if (!part)
        return;
    std::vector<int> xfFormats;
    std::unordered_map<int, bool> custom;
    bool inCellXfs = false;
    while (part->next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = part->xml();
        if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        } else if (xml.isStartElement() && isMain(xml.namespaceUri())) {
            if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (xml.name() == QLatin1String("numFmt")) {
                custom[part->attribute(QLatin1String("numFmtId")).toInt()] =
                    isDateFormatCode(part->attribute(QLatin1String("formatCode")));
            } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                xfFormats.push_back(part->attribute(QLatin1String("numFmtId")).toInt());
            }
        }
    }
    dateStyles_.reserve(xfFormats.size());
    for (int id : xfFormats) {
        const auto found = custom.find(id);
        dateStyles_.push_back(found != custom.end() ? found->second : isBuiltinDateFormat(id));
    }
}

void XlsxReader::readSharedStrings(const QString &name)
{
    std::unique_ptr<XmlSource> part = openXml(name, false);
    if (!part)
        return;
    QString current;
    bool inItem = false;
    while (part->next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = part->xml();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (xml.name() == QLatin1String("rPh")) {
                part->skip();   // phonetic guide (furigana): not the text
            } else if (xml.name() == QLatin1String("t") && inItem) {
                current += part->text();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("si")) {
            inItem = false;
            stringPool_ += unescape(current);
            stringStarts_.push_back(stringPool_.size());
        }
    }
}

bool parseIsoDateTime(QStringView text, QDateTime *out, bool *hasTime)
{
    QString s = text.trimmed().toString();
    // The zone, if any, is dropped: the wall-clock time is what the cell shows.
    const qsizetype t = s.indexOf(QLatin1Char('T'));
    if (t >= 0) {
        if (s.endsWith(QLatin1Char('Z')))
            s.chop(1);
        const qsizetype sign = qMax(s.lastIndexOf(QLatin1Char('+')), s.lastIndexOf(QLatin1Char('-')));
        if (sign > t)
            s.truncate(sign);
    }
    const QString dateText = t < 0 ? s : s.left(t);
    const QString timeText = t < 0 ? QString() : s.mid(t + 1);
    QDate date = dateText.isEmpty() ? QDate(1899, 12, 31) : QDate::fromString(dateText, Qt::ISODate);
    QTime time(0, 0);
    if (!timeText.isEmpty())
        time = QTime::fromString(timeText, Qt::ISODateWithMs);
    if (!date.isValid() || !time.isValid())
        return false;
    qint64 seconds = (time.msecsSinceStartOfDay() + 500) / 1000;
    if (seconds == 86400) {
        date = date.addDays(1);
        seconds = 0;
    }
    *out = QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(seconds) * 1000));
    *hasTime = seconds != 0;
    return true;
}

Cell XlsxReader::makeCell(int row, int column, QStringView type, int style, const QString *value,
                          const QString *inlineText)
{
    if (type == QLatin1String("inlineStr"))
        return inlineText ? textCell(unescape(*inlineText)) : value ? textCell(unescape(*value)) : Cell();
    if (!value)
        return Cell();
    if (type == QLatin1String("s")) {
        bool ok = false;
        const qsizetype index = value->trimmed().toLongLong(&ok);
        if (!ok || index < 0 || size_t(index) >= stringStarts_.size() - 1)
            corrupt(QStringLiteral("第%1行第%2列引用的共享字符串（%3）不存在").arg(row).arg(column).arg(*value));
        const qsizetype at = stringStarts_[size_t(index)];
        return textCell(stringPool_.mid(at, stringStarts_[size_t(index) + 1] - at));
    }
    if (type == QLatin1String("str"))
        return textCell(unescape(*value));
    if (type == QLatin1String("b")) {
        const QString v = value->trimmed();
        return boolCell(v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
    }
    if (type == QLatin1String("e"))
        return errorCell(value->trimmed());
    if (type == QLatin1String("d")) {
        Cell c;
        if (!parseIsoDateTime(*value, &c.dateTime, &c.hasTime))
            corrupt(QStringLiteral("第%1行第%2列的日期“%3”无效").arg(row).arg(column).arg(*value));
        c.kind = CellKind::DateTime;
        return c;
    }
    bool ok = false;
    const double number = value->trimmed().toDouble(&ok);
    if (!ok)
        corrupt(QStringLiteral("第%1行第%2列的数值“%3”无效").arg(row).arg(column).arg(*value));
    const bool date = style >= 0 && size_t(style) < dateStyles_.size() && dateStyles_[size_t(style)];
    return numericCell(number, date, date1904_);
}

// The column of a reference such as "B7" or "b7"; 0 when it is no reference.
int columnOf(QStringView ref)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size(); ++i) {
        const char16_t u = ref[i].toUpper().unicode();
        if (u < 'A' || u > 'Z')
            break;
        column = column * 26 + (u - 'A' + 1);
        if (column > MaxColumns)
            return 0;
    }
    return i > 0 && i < ref.size() && ref[i].isDigit() ? column : 0;
}

void XlsxReader::walk(const CellFn &cell)
{
    std::unique_ptr<XmlSource> part = openXml(sheetPath_, true);
    bool inData = false;
    int row = 0;
    int nextColumn = 1;
    QString value, inlineText;
    while (part->next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = part->xml();
        if (xml.isEndElement()) {
            if (inData && xml.name() == QLatin1String("sheetData") && isMain(xml.namespaceUri()))
                return;   // nothing of the cells comes after
            continue;
        }
        if (!xml.isStartElement() || !isMain(xml.namespaceUri()))
            continue;
        const QStringView name = xml.name();
        if (!inData) {
            inData = name == QLatin1String("sheetData");
            continue;
        }
        if (name == QLatin1String("row")) {
            const QStringView r = part->attribute(QLatin1String("r"));
            int number = row + 1;
            if (!r.isEmpty()) {
                bool ok = false;
                number = r.toInt(&ok);
                if (!ok || number < 1 || number > MaxRows)
                    corrupt(QStringLiteral("工作表中的行号“%1”无效").arg(r.toString()));
            }
            if (number < row)
                corrupt(QStringLiteral("工作表中第%1行出现在第%2行之后").arg(number).arg(row));
            row = number;
            nextColumn = 1;
            continue;
        }
        if (name != QLatin1String("c") || row == 0) {
            part->skip();
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView ref = attributes.value(QLatin1String("r"));
        int column = nextColumn;
        if (!ref.isEmpty()) {
            column = columnOf(ref);
            if (column == 0)
                corrupt(QStringLiteral("第%1行中的单元格位置“%2”无效").arg(row).arg(ref.toString()));
        } else if (column > MaxColumns) {
            corrupt(QStringLiteral("第%1行的单元格超过%2列").arg(row).arg(MaxColumns));
        }
        nextColumn = column + 1;
        const QStringView type = attributes.value(QLatin1String("t"));
        const QStringView s = attributes.value(QLatin1String("s"));
        const int style = s.isEmpty() ? 0 : s.toInt();
        bool hasValue = false, hasInline = false;
        value.clear();
        inlineText.clear();
        // The cell's children: <f>, <v>, <is> and extensions.
        while (true) {
            const QXmlStreamReader::TokenType t = part->next();
            if (t == QXmlStreamReader::EndElement)
                break;
            if (t == QXmlStreamReader::EndDocument)
                part->raise();
            if (t != QXmlStreamReader::StartElement)
                continue;
            const QStringView child = xml.name();
            if (child == QLatin1String("v")) {
                value = part->text();
                hasValue = true;
            } else if (child == QLatin1String("is")) {
                hasInline = true;
                int depth = 1;   // <t> directly, or in <r> runs; <rPh> is skipped
                while (depth > 0) {
                    const QXmlStreamReader::TokenType u = part->next();
                    if (u == QXmlStreamReader::EndElement) {
                        --depth;
                    } else if (u == QXmlStreamReader::StartElement) {
                        if (xml.name() == QLatin1String("t"))
                            inlineText += part->text();
                        else if (xml.name() == QLatin1String("rPh"))
                            part->skip();
                        else
                            ++depth;
                    } else if (u == QXmlStreamReader::EndDocument) {
                        part->raise();
                    }
                }
            } else {
                part->skip();
            }
        }
        Cell c = makeCell(row, column, type, style, hasValue ? &value : nullptr, hasInline ? &inlineText : nullptr);
        if (!cell(row, column, std::move(c)))
            return;
    }
}

void XlsxReader::scan()
{
    if (scanned_)
        return;
    walk([&](int row, int column, Cell &&c) {
        if (c.kind != CellKind::Empty) {
            rows_ = qMax(rows_, row);
            columns_ = qMax(columns_, column);
        }
        return true;
    });
    scanned_ = true;
}

} // namespace

std::unique_ptr<Reader> openXlsx(const QString &path)
{
    InputPtr file = openFileInput(path);
    InfilePtr zip = openZip(file.get());
    return std::make_unique<XlsxReader>(path, std::move(file), std::move(zip));
}

} // namespace Workbook::Detail
