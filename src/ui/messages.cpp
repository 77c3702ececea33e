#include "ui/messages.h"

#include "data/unitpath.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QMessageBox>

namespace Messages {

static Responder *g_responder = nullptr;

void setResponder(Responder *responder)
{
    g_responder = responder;
}

static QWidget *owner()
{
    return QApplication::activeWindow();
}

void show(const QString &text, const QString &details)
{
    const Shown s{Kind::Plain, applicationTitle(), text, details};
    if (g_responder) {
        g_responder->answer(s);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, s.caption, text, QMessageBox::Ok, owner());
    box.setObjectName(QStringLiteral("MessageBox"));
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

bool ask(const QString &text, const QString &details)
{
    const Shown s{Kind::Question, QStringLiteral("提示框!"), text, details};
    if (g_responder)
        return g_responder->answer(s);
    QMessageBox box(QMessageBox::Warning, s.caption, text, QMessageBox::Ok | QMessageBox::Cancel, owner());
    box.setObjectName(QStringLiteral("QuestionBox"));
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

QString errorText(const QString &text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void error(const QString &text, const QString &details)
{
    const Shown s{Kind::Error, applicationTitle(), errorText(text), details};
    if (g_responder) {
        g_responder->answer(s);
        return;
    }
    QMessageBox box(QMessageBox::Critical, s.caption, s.text, QMessageBox::Ok, owner());
    box.setObjectName(QStringLiteral("ErrorBox"));
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

// Wide enough that the name, size, type and date columns all show.
static void widenColumns(QFileDialog &dialog)
{
    dialog.resize(820, 500);
    if (auto *files = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        files->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int c = 1; c < files->header()->count(); ++c)
            files->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }
}

// The filter with every pattern also in capitals: the file system tells
// "BOOK.XLS" from "book.xls", and files copied from older systems often
// carry capital extensions.
static QString withCapitalPatterns(const QString &filter)
{
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return filter;
    QStringList patterns = filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &p : QStringList(patterns))
        if (p.toUpper() != p && !patterns.contains(p.toUpper()))
            patterns << p.toUpper();
    return filter.left(open + 1) + patterns.join(QLatin1Char(' ')) + filter.mid(close);
}

QString saveFileName(const QString &suggested)
{
    const Shown s{Kind::SaveFile, applicationTitle(), suggested, QString()};
    if (g_responder)
        return g_responder->fileName(s);
    QFileDialog dialog(owner());
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(suggested);
    widenColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QString openFileName(const QString &filter, const QString &folder)
{
    const Shown s{Kind::OpenFile, applicationTitle(), filter, QString()};
    if (g_responder)
        return g_responder->fileName(s);
    QFileDialog dialog(owner());
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(withCapitalPatterns(filter));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    widenColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace Messages
