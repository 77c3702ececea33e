#include "ui/contenttext.h"

#include <QPlainTextEdit>
#include <QStringList>

namespace ContentText {

QString fromBoxText(const QString &plain)
{
    if (plain.isEmpty())
        return QString(QLatin1String(""));
    QStringList lines = plain.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    QString out;
    for (const QString &line : lines)
        out += line + QLatin1String("\r\n");
    return out;
}

QString toBoxText(const QString &stored)
{
    QString s = stored;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

QString read(const QPlainTextEdit *box)
{
    return fromBoxText(box->toPlainText());
}

void load(QPlainTextEdit *box, const QString &stored)
{
    box->setPlainText(toBoxText(stored));
}

} // namespace ContentText
