// Phone-book workbooks for the import tests, written in the test: sheet
// rows of up to nineteen cells (columns A..S), as .xlsx or as .xls (BIFF8
// in an OLE2 container). A cell is a text, a number (double), a date
// (QDate, in a date format), or an error value written as "#N/A" and the
// like through PhoneBooks::error. Include before any Qt header (glib uses
// the word `signals`).
#pragma once

#include "../formats/workbookfixtures.h"

#include <QDate>
#include <QMap>
#include <QVariant>

namespace PhoneBooks {

using Row = QVariantList;            // index 0 is column A
using Sheet = QMap<int, Row>;         // by 1-based sheet row

struct ErrorValue {
    QString text;
};

} // namespace PhoneBooks

Q_DECLARE_METATYPE(PhoneBooks::ErrorValue)

namespace PhoneBooks {

inline QVariant error(const QString &text) { return QVariant::fromValue(ErrorValue{text}); }

// Nineteen cells: the texts given, the rest empty.
inline Row row(const QStringList &texts)
{
    Row r;
    for (const QString &t : texts)
        r << t;
    return r;
}

// A full row of a contact: category, name, mobile, office, home, employer,
// sex, age, native place, position, address, fax, e-mail, QQ, birthday,
// anniversary, hobbies, skills, remarks; `n` makes the texts unique.
inline Row contact(const QString &name, int n)
{
    return row({QStringLiteral("同事"), name, QStringLiteral("1380013%1").arg(n, 4, 10, QLatin1Char('0')),
                QStringLiteral("010-6552%1").arg(n, 4, 10, QLatin1Char('0')), QStringLiteral("021-5%1").arg(n),
                QStringLiteral("北京某公司"), QStringLiteral("男"), QStringLiteral("3%1").arg(n % 10),
                QStringLiteral("江苏南京"), QStringLiteral("工程师"), QStringLiteral("朝阳区%1号").arg(n),
                QStringLiteral("010-8%1").arg(n), QStringLiteral("u%1@example.com").arg(n),
                QStringLiteral("10000%1").arg(n), QStringLiteral("1980-5-17"), QStringLiteral("结婚纪念日"),
                QStringLiteral("围棋"), QStringLiteral("书法"), QStringLiteral("备注%1").arg(n)});
}

inline double serial(const QDate &d) { return double(QDate(1899, 12, 30).daysTo(d)); }

inline QString cellRef(int row, int column) { return QString(QChar(u'A' + column - 1)) + QString::number(row); }

inline bool writeXlsx(const QString &path, const Sheet &sheet)
{
    Fx::Xlsx x;
    x.styles = QStringLiteral("<styleSheet xmlns=\"%1\"><cellXfs count=\"2\"><xf numFmtId=\"0\"/>"
                              "<xf numFmtId=\"14\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>")
                   .arg(x.main);
    for (auto it = sheet.begin(); it != sheet.end(); ++it) {
        x.sheetData += QStringLiteral("<row r=\"%1\">").arg(it.key());
        for (int c = 0; c < it.value().size(); ++c) {
            const QVariant &v = it.value().at(c);
            const QString ref = cellRef(it.key(), c + 1);
            if (v.userType() == qMetaTypeId<ErrorValue>())
                x.sheetData += QStringLiteral("<c r=\"%1\" t=\"e\"><v>%2</v></c>").arg(ref, v.value<ErrorValue>().text);
            else if (v.typeId() == QMetaType::QDate)
                x.sheetData += QStringLiteral("<c r=\"%1\" s=\"1\"><v>%2</v></c>").arg(ref).arg(serial(v.toDate()));
            else if (v.typeId() == QMetaType::Double)
                x.sheetData += QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(ref, QString::number(v.toDouble(), 'g', 17));
            else if (!v.toString().isEmpty())
                x.sheetData += QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">%2</t></is></c>")
                                   .arg(ref, v.toString().toHtmlEscaped());
        }
        x.sheetData += QStringLiteral("</row>");
    }
    return Fx::writeZip(path, x.entries());
}

inline int errorCode(const QString &text)
{
    if (text == QLatin1String("#NULL!")) return 0x00;
    if (text == QLatin1String("#DIV/0!")) return 0x07;
    if (text == QLatin1String("#VALUE!")) return 0x0F;
    if (text == QLatin1String("#REF!")) return 0x17;
    if (text == QLatin1String("#NAME?")) return 0x1D;
    if (text == QLatin1String("#NUM!")) return 0x24;
    return 0x2A; // #N/A
}

inline bool writeXls(const QString &path, const Sheet &sheet)
{
    QByteArray cells;
    for (auto it = sheet.begin(); it != sheet.end(); ++it) {
        for (int c = 0; c < it.value().size(); ++c) {
            const QVariant &v = it.value().at(c);
            if (v.userType() == qMetaTypeId<ErrorValue>())
                cells += Fx::boolErr(it.key(), c + 1, errorCode(v.value<ErrorValue>().text), true);
            else if (v.typeId() == QMetaType::QDate)
                cells += Fx::number(it.key(), c + 1, serial(v.toDate()), 1);
            else if (v.typeId() == QMetaType::Double)
                cells += Fx::number(it.key(), c + 1, v.toDouble());
            else if (!v.toString().isEmpty())
                cells += Fx::label8(it.key(), c + 1, v.toString());
        }
    }
    const QByteArray stream = Fx::workbook(8, Fx::xf(0) + Fx::xf(14), cells);
    return Fx::writeOle(path, {qMakePair(QStringLiteral("Workbook"), stream)});
}

// Writes `sheet` as .xlsx or .xls by the extension of `path`.
inline bool write(const QString &path, const Sheet &sheet)
{
    return path.endsWith(QLatin1String(".xls")) ? writeXls(path, sheet) : writeXlsx(path, sheet);
}

} // namespace PhoneBooks
