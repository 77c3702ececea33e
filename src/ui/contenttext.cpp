#include "ui/contenttext.h"

#include "ui/messages.h"

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

bool checkBeforeSave(const QString &subject, const QPlainTextEdit *box, const QString &emptyMessage,
                     QString *content)
{
    if (subject.isEmpty() && !Messages::ask(QStringLiteral("主题为空,确定继续吗?")))
        return false;
    *content = read(box);
    if (content->isEmpty()) {
        Messages::show(emptyMessage);
        return false;
    }
    return true;
}

} // namespace ContentText
