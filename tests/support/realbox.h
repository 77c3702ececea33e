// The real message box, read as the user sees it: a test arms the reader,
// makes the program show a box, and finds what the box showed once the box
// has been closed with its OK button.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

struct SeenBox {
    QString caption;
    QString text;
    QString details; // the detailed text behind the details button
    QString okText;  // the OK button's caption
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;      // every button, the details button included
    int closeButtons = 0; // the buttons that answer the box (not the details one)
};

// The next message box to come up is read into `seen` and closed with OK.
inline void readNextBox(SeenBox &seen)
{
    QTimer::singleShot(0, [&seen] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            seen.caption = box->windowTitle();
            seen.text = box->text();
            seen.details = box->detailedText();
            seen.icon = box->icon();
            const QList<QAbstractButton *> buttons = box->buttons();
            seen.buttons = int(buttons.size());
            for (QAbstractButton *b : buttons)
                if (box->buttonRole(b) != QMessageBox::ActionRole)
                    ++seen.closeButtons;
            seen.okText = box->button(QMessageBox::Ok)->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
}
