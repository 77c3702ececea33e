// The content rule of the note and memo boxes: the box is read as its lines,
// every line followed by CR LF. A box with no line reads as the empty text,
// one empty line as CR LF, and an empty line after the last break is no line.
// Loading a stored text and reading it back gives the same text.
#pragma once

#include <QString>

class QPlainTextEdit;

namespace ContentText {
QString fromBoxText(const QString &plain); // the rule on a box's plain text
QString toBoxText(const QString &stored);  // what the box shows for a stored text
QString read(const QPlainTextEdit *box);
void load(QPlainTextEdit *box, const QString &stored);
// The checks before an editor saves: an empty subject asks "主题为空,确定继续吗?"
// (anything but OK ends the command), and an empty content shows
// `emptyMessage`. Returns false when the command ends; else `content` holds
// the box read by the rule.
bool checkBeforeSave(const QString &subject, const QPlainTextEdit *box, const QString &emptyMessage,
                     QString *content);
} // namespace ContentText
