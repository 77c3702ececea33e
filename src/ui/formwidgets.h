// Small makers shared by the windows: a control with its component name,
// and the date and time pickers in the one form every window shows.
#pragma once

#include <QDateEdit>
#include <QTimeEdit>

template <class W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A date picker with a calendar drop-down, showing yyyy-MM-dd.
inline QDateEdit *datePicker(QWidget *parent, const char *name)
{
    auto *d = named(new QDateEdit(parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

// A time picker to the second.
inline QTimeEdit *timePicker(QWidget *parent, const char *name)
{
    auto *t = named(new QTimeEdit(parent), name);
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return t;
}
