// Every message box and file dialog of the program goes through here, so a
// test can answer and record them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Messages {

enum class Kind { Plain, Question, Error, SaveFile, OpenFile };

struct Shown {
    Kind kind;
    QString caption;
    QString text;
    QString details; // the box's detailed text (the database's own message)
};

// A replacement for the real boxes: records what would be shown and gives
// the answer (true = OK) or, for a save or open dialog, the file name.
class Responder {
public:
    virtual ~Responder() = default;
    virtual bool answer(const Shown &shown) = 0;
    virtual QString fileName(const Shown &shown) = 0;
};
void setResponder(Responder *responder); // nullptr: the real boxes

// The plain message box: the text, one OK button, the application's title;
// `details`, when given, is the box's detailed text.
void show(const QString &text, const QString &details = QString());
// The question box: caption "提示框!", OK and Cancel, warning icon; true
// only for OK. `details`, when given, is the box's detailed text.
bool ask(const QString &text, const QString &details = QString());
// The standard error box: the text (a full stop appended when its last
// character sorts after the full stop), the application's title, OK and
// the stop icon; `details`, when given, is the box's detailed text (what
// the database itself said).
void error(const QString &text, const QString &details = QString());
QString errorText(const QString &text);
// The save dialog of the manual backup: `suggested` filled in, no filter,
// no default extension, no overwrite question. Empty when cancelled.
QString saveFileName(const QString &suggested);
// The open dialog: an existing file chosen among those `filter` names
// ("Excel 工作簿 (*.xls *.xlsx)"), starting in `folder` when given. The
// recorded text is the filter. Empty when cancelled.
QString openFileName(const QString &filter, const QString &folder = QString());

} // namespace Messages
