// The phone-book import step: row numbers as typed, each sheet row turned
// into the texts of columns A..S and stored with its identifier, and every
// failure told with its row, column and reason after the roll-back.
#include "formats/phonebookimport.h"

#include "data/schema.h"
#include "data/sqlite.h"
#include "data/unitdm.h"
#include "formats/workbook.h"

#include <QList>

namespace PhoneBookImport {

namespace {

const QStringList kColumns = {
    QStringLiteral("fenl"),     QStringLiteral("xingm"),   QStringLiteral("yidongdh"), QStringLiteral("bangdh"),
    QStringLiteral("zhuzhaidh"), QStringLiteral("gzdw"),   QStringLiteral("xingb"),    QStringLiteral("nianl"),
    QStringLiteral("jig"),      QStringLiteral("zhiw"),    QStringLiteral("address"),  QStringLiteral("chuanz"),
    QStringLiteral("email"),    QStringLiteral("qq"),      QStringLiteral("shengr"),   QStringLiteral("teshujnr"),
    QStringLiteral("aihao"),    QStringLiteral("techang"), QStringLiteral("beizhu"),
};

const QStringList kInsert = {
    QStringLiteral("insert  into  tongxunlb(txlid,lrrq,xingm,xingb,nianl,jig,gzdw,zhiw,fenl,address,bangdh,"
                   "yidongdh,zhuzhaidh,chuanz,email,qq,shengr,teshujnr,aihao,techang,beizhu)"),
    QStringLiteral("values  (:txlid,:lrrq,:xingm,:xingb,:nianl,:jig,:gzdw,:zhiw,:fenl,:address,:bangdh,"
                   ":yidongdh,:zhuzhaidh,:chuanz,:email,:qq,:shengr,:teshujnr,:aihao,:techang,:beizhu)"),
};

const FieldDef *fieldOf(int column)
{
    const TableDef &table = Schema::table(QStringLiteral("tongxunlb"));
    for (const FieldDef &f : table.fields)
        if (f.name == kColumns.at(column - 1))
            return &f;
    return nullptr;
}

// Characters as the database counts them (a character outside the basic
// plane is one, not two).
qsizetype characters(const QString &s)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s.at(i).isLowSurrogate())
            ++n;
    return n;
}

// The column of a row whose text is longer than its field holds, or 0.
int overlongColumn(const QStringList &texts)
{
    for (int c = 1; c <= ColumnCount; ++c) {
        const FieldDef *f = fieldOf(c);
        if (f && f->kind == FieldKind::Text && characters(texts.at(c - 1)) > f->width)
            return c;
    }
    return 0;
}

// Stores one row: the identifier read now, the insert when the row has a
// name, and the counter advanced in any case. Returns whether it stored a
// contact.
bool importRow(int row, const QStringList &texts, const QDate &entryDate, QString *id)
{
    *id = DM->NextId(RecordKind::Contact);
    const bool named = !texts.at(NameColumn - 1).isEmpty();
    if (named) {
        Dataset *q = DM->ADOQtongxunlinsert;
        q->setSql(kInsert);
        q->bind(QStringLiteral("txlid"), *id);
        q->bind(QStringLiteral("lrrq"), entryDate);
        for (int c = 0; c < ColumnCount; ++c)
            q->bind(kColumns.at(c), texts.at(c));
        q->setPrepared(true);
        try {
            q->execSql();
        } catch (const DbError &e) {
            throw Failure(e.text(), row, overlongColumn(texts), e.details());
        }
    }
    DM->BumpXmid(RecordKinds::of(RecordKind::Contact).counter);
    return named;
}

} // namespace

const QStringList &columns()
{
    return kColumns;
}

QString columnLetter(int column)
{
    return column >= 1 && column <= 26 ? QString(QChar(u'A' + column - 1)) : QString::number(column);
}

int rowNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw Failure(QStringLiteral("%1“%2”不是整数").arg(what, text));
    return n;
}

Failure::Failure(const QString &reason, int row, int column, const QString &databaseMessage)
    : std::runtime_error(reason.toStdString()), reason_(reason), row_(row), column_(column),
      databaseMessage_(databaseMessage)
{
}

QString Failure::details() const
{
    QStringList lines;
    if (row_ > 0)
        lines << QStringLiteral("行：第%1行").arg(row_);
    if (column_ > 0) {
        const FieldDef *f = column_ <= ColumnCount ? fieldOf(column_) : nullptr;
        lines << (f ? QStringLiteral("列：%1列（%2）").arg(columnLetter(column_), f->caption)
                    : QStringLiteral("列：%1列").arg(columnLetter(column_)));
    }
    lines << QStringLiteral("原因：%1").arg(reason_);
    if (!databaseMessage_.isEmpty() && databaseMessage_ != reason_)
        lines << QStringLiteral("数据库的原话：%1").arg(databaseMessage_);
    return lines.join(QLatin1Char('\n'));
}

Result run(std::unique_ptr<Workbook::Reader> reader, const QString &path, const QString &firstText,
           const QString &lastText, const Progress &progress, const QDate &entryDate)
{
    Result result;
    int row = 0; // the row being stored, for a failure's place
    try {
        Transaction transaction(DM->ADOConnection);
        const int last = rowNumber(lastText, QStringLiteral("总行数"));
        const int first = rowNumber(firstText, QStringLiteral("起始行数"));
        const int total = last >= first ? last - first + 1 : 0;
        if (total > 0 && (first < 1 || last > MaxRow))
            throw Failure(QStringLiteral("要读取的行%1至%2超出工作表的范围（第1至%3行）").arg(first).arg(last).arg(MaxRow));
        if (progress && !progress(0, total))
            throw Cancelled();
        if (total > 0) {
            if (!reader)
                reader = Workbook::Reader::open(path);
            bool cancelled = false;
            reader->readRows(first, last, ColumnCount, [&](int r, const QList<Workbook::Cell> &cells) {
                row = r;
                QStringList texts;
                texts.reserve(ColumnCount);
                for (int c = 0; c < ColumnCount; ++c) {
                    try {
                        texts << Workbook::cellText(cells.at(c));
                    } catch (const Workbook::Error &e) {
                        throw Failure(e.text(), r, c + 1);
                    }
                }
                QString id;
                if (importRow(r, texts, entryDate, &id))
                    ++result.contactsAdded;
                if (result.rowsRead++ == 0)
                    result.firstId = id;
                result.lastId = id;
                if (progress && !progress(result.rowsRead, total)) {
                    cancelled = true;
                    return false;
                }
                return true;
            });
            if (cancelled)
                throw Cancelled();
            row = 0;
            if (result.rowsRead != total)
                throw Failure(QStringLiteral("工作表只给出了%1行，应为%2行").arg(result.rowsRead).arg(total));
        }
        transaction.commit();
    } catch (const Workbook::Error &e) {
        throw Failure(e.text(), row);
    } catch (const DbError &e) {
        throw Failure(e.text(), row, 0, e.details());
    }
    return result;
}

} // namespace PhoneBookImport
