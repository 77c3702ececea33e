#include "ui/widgetkit.h"

#include "data/database.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

template <class W>
W *placed(W *widget, const QRect &geometry)
{
    if (!geometry.isNull())
        widget->setGeometry(geometry);
    return widget;
}

} // namespace

void setUpWindow(QWidget *window, const char *name, const QString &caption, const QFont &font,
                 const QColor &background)
{
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(caption);
    window->setFont(font);
    if (background.isValid())
        setBackground(window, background);
}

void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::Text, colour);
    widget->setPalette(pal);
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, QWidget *buddy, const QRect &geometry)
{
    auto *l = named(new QLabel(caption, parent), name);
    if (buddy)
        l->setBuddy(buddy);
    return placed(l, geometry);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QIcon &icon,
                    const QRect &geometry)
{
    auto *b = named(new QPushButton(icon, caption, parent), name);
    b->setAutoDefault(false);
    return placed(b, geometry);
}

QLineEdit *editBox(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    // The text is set once the box has its window's font: a box made with
    // its text would lay it out in the application's font first, which
    // loads that font for nothing.
    auto *box = new QLineEdit(parent);
    box->setText(text);
    return placed(named(box, name), geometry);
}

QComboBox *comboBox(QWidget *parent, const char *name, bool editable, const QRect &geometry)
{
    auto *c = named(new QComboBox(parent), name);
    if (editable) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setCompleter(nullptr);
    }
    return placed(c, geometry);
}

QDateEdit *datePicker(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *d = named(new QDateEdit(parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(DbDateTime::shortDateFormat());
    return placed(d, geometry);
}

QTimeEdit *timePicker(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *t = named(new QTimeEdit(parent), name);
    t->setDisplayFormat(DbDateTime::longTimeFormat());
    return placed(t, geometry);
}
