// Base of the MDI child windows: closing frees the window (its frame goes
// with it), and the window's own close handler runs first.
#pragma once

#include <QWidget>

class QMdiSubWindow;

class TMdiForm : public QWidget {
    Q_OBJECT
public:
    explicit TMdiForm(QWidget *parent = nullptr);

    // The creation handler; the main window runs it guarded right after
    // making the window, so a database error still leaves a usable window.
    virtual void FormCreate() {}

    // Closes the window (and its MDI frame), which frees it.
    void closeForm();
    QMdiSubWindow *subWindow() const;
    // Outer geometry of the window inside the frame.
    void setFrameTop(int top);
    void setFrameHeight(int height);
    int frameHeight() const;
    int frameTop() const;

    // A window laid out by hand wants the size it was given.
    QSize sizeHint() const override;

protected:
    virtual void FormClose() {}
    void closeEvent(QCloseEvent *event) override;
};
