// The makers every window is built with, so that a window's constructor
// reads like its table of controls: a control with its component name, a
// label with its buddy, a button, an edit box, a combo box, the date and
// time pickers in the one form every window shows, and the window's own
// name, caption, font and background in one call.
#pragma once

#include <QColor>
#include <QDateEdit>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QTimeEdit>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

template <class W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The window itself: component name, caption, font and background colour
// (an invalid colour keeps the style's own).
void setUpWindow(QWidget *window, const char *name, const QString &caption, const QFont &font,
                 const QColor &background = QColor());
// Places a top-level window in the middle of the primary screen's free area.
void centreOnScreen(QWidget *window);
// Fills a widget's background with `colour`.
void setBackground(QWidget *widget, const QColor &colour);
// Draws a widget's text in `colour`.
void setTextColour(QWidget *widget, const QColor &colour);

// A label; with a buddy, the label names that control for the keyboard and
// for assistive tools. A null geometry leaves the label to a layout.
QLabel *label(QWidget *parent, const char *name, const QString &caption, QWidget *buddy = nullptr,
              const QRect &geometry = QRect());
// A push button that does not take Enter for its own.
QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QIcon &icon = QIcon(),
                    const QRect &geometry = QRect());
QLineEdit *editBox(QWidget *parent, const char *name, const QString &text = QString(),
                   const QRect &geometry = QRect());
// A drop-down combo box; an editable one keeps what is typed as typed (no
// completion, no new list entry).
QComboBox *comboBox(QWidget *parent, const char *name, bool editable, const QRect &geometry = QRect());
// A date picker with a calendar drop-down and a time picker to the second,
// both in the program's one date and time form.
QDateEdit *datePicker(QWidget *parent, const char *name, const QRect &geometry = QRect());
QTimeEdit *timePicker(QWidget *parent, const char *name, const QRect &geometry = QRect());
