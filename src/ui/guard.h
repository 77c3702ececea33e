// The one place where a failed user action ends: a database or file error
// thrown anywhere inside the action is shown in the standard error box and
// the program goes on.
#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <functional>

class DbError;

// Runs `action`; returns false when it ended in an error (already shown).
// The error box shows the error's text with the database's own message as
// its details; a workbook that cannot be read shows its reader's message.
bool runGuarded(const std::function<void()> &action);

// What the application does when an action ends because the database file
// is damaged (the offer to restore it from a backup). It returns true when
// it has told the user itself; otherwise the error box shows the error.
using DamageHandler = std::function<bool(const DbError &)>;
void setDamageHandler(DamageHandler handler); // an empty handler: none

// What the application does when an action ends because the database is an
// Access file of the program's older version: the offer to convert it.
enum class Conversion {
    Declined, // nothing changed: the error box shows the error
    Failed,   // the user was told why; nothing changed
    Done,     // the action runs once more, on the converted database, as if
              // it had been there from the start
};
using ConversionHandler = std::function<Conversion(const DbError &)>;
void setConversionHandler(ConversionHandler handler);

// Wraps a handler for connect(): the handler runs guarded.
template <typename Fn>
auto guarded(Fn fn)
{
    return [fn](auto &&...) { runGuarded(fn); };
}

// The busy pointer for long database and file work, restored on every path.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
