// The one place where a failed user action ends: a database or file error
// thrown anywhere inside the action is shown in the standard error box and
// the program goes on.
#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <functional>

// Runs `action`; returns false when it ended in an error (already shown).
bool runGuarded(const std::function<void()> &action);

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
