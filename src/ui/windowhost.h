// How a window reaches the frame that holds the child windows: the main
// window provides a host at start, and every window opens, restores and
// places child windows through it. Opening a window of a class that is
// already open restores that one (one window per class); opening a record
// in its editor shows the busy message while an editor is open.
#pragma once

#include "ui/guard.h"
#include "ui/mdiform.h"
#include "ui/messages.h"

#include <functional>

class QWidget;

class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Puts a new window into the frame at its designed size, centred.
    virtual void addChild(TMdiForm *form) = 0;
    // Returns a window to its normal size and brings it to the front.
    virtual void restoreChild(TMdiForm *form) = 0;
    // The outer height of a search window opened from the menu.
    virtual int searchWindowHeight() const = 0;
    // The window dialogs are centred on.
    virtual QWidget *frameWindow() = 0;
};

namespace Windows {

// The host of the run; nullptr before the main window exists.
WindowHost *host();
void setHost(WindowHost *host);

enum class Height {
    Designed,     // the window keeps its designed height
    SearchWindow, // a search window opened from the menu
};

// Adds a window made by the caller to the frame, runs its creation handler
// (guarded: a database error still leaves a usable window) and places its
// top edge at 0.
void addAndCreate(TMdiForm *form);
// Restores and brings forward `form`; without a host the window is shown
// on its own.
void bringForward(TMdiForm *form);
// Top edge 0 and, for a search window, the height of the menu rule.
void place(TMdiForm *form, Height height);

// The one-window-per-class rule: an existing window is restored and brought
// forward; otherwise the window is made, created, placed and shown.
template <class Form>
Form *openOrRestore(Form *&reference, Height height = Height::Designed)
{
    if (reference) {
        bringForward(reference);
        return reference;
    }
    Form *form = new Form();
    reference = form;
    addAndCreate(form);
    place(form, height);
    bringForward(form);
    return form;
}

// Opens the current record of a search window in its editor: while an
// editor of that kind is open, `busyMessage` is shown and that editor is
// brought forward unchanged; otherwise a new editor is made and created,
// `fill` switches it to edit mode and copies the record, and it is shown.
template <class Editor>
Editor *openInEditor(Editor *&reference, const QString &busyMessage, const std::function<void(Editor *)> &fill)
{
    if (reference) {
        Messages::show(busyMessage);
        bringForward(reference);
        return nullptr;
    }
    Editor *editor = new Editor();
    reference = editor;
    addAndCreate(editor);
    fill(editor);
    bringForward(editor);
    return editor;
}

} // namespace Windows
