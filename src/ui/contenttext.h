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
} // namespace ContentText
