// The main window: the MDI frame with its menu, toolbar, background picture,
// status bar clock and the reminder check two seconds after start.
#pragma once

#include "ui/guard.h"
#include "ui/mdiform.h"
#include "ui/windowhost.h"

#include <QBasicTimer>
#include <QImage>
#include <QPixmap>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

class QAction;
class QLabel;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;

// The frame's client area, painted with the background picture stretched
// to its size; its height is the measure the search windows are sized by.
class TImageArea : public QMdiArea {
    Q_OBJECT
public:
    explicit TImageArea(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    QImage picture_;          // as decoded: at most the picture's size
    bool decodedFull_ = false; // the whole picture, nothing more to gain
    QPixmap stretched_;       // stretched to the client area
    QBasicTimer decodeTimer_;
};

class TFormmain : public QMainWindow, public WindowHost {
    Q_OBJECT
public:
    explicit TFormmain(QWidget *parent = nullptr);
    ~TFormmain() override;

    QToolBar *ToolBar1;
    TImageArea *Imagemain;
    QLabel *StatusPanel0;
    QLabel *StatusPanel1;
    QTimer *Timer1;
    QTimer *Timer2;
    QPushButton *BitBtn1;
    QAction *N2, *N3, *N7, *N8, *N9, *N10, *N4, *N6, *N12, *md51, *N14;
    QToolButton *ToolButton1, *ToolButton2, *ToolButton4, *ToolButton5, *ToolButton6, *ToolButton7,
        *ToolButton3;

    // Menu commands.
    void N2Click();
    void N3Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void N10Click();
    void N4Click();
    void N6Click();
    void N12Click();
    void md51Click();
    void N14Click();
    // The reminder check and the clock.
    void Timer1Timer();
    void BitBtn1Click();
    void Timer2Timer();
    static QString clockText(const QDateTime &now);

    // The frame's side of the window host.
    void addChild(TMdiForm *form) override;
    void restoreChild(TMdiForm *form) override;
    int searchWindowHeight() const override;
    QWidget *frameWindow() override { return this; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addCommand(QMenu *menu, const char *name, const QString &caption, void (TFormmain::*handler)());
    QToolButton *addToolButton(const char *name, const QString &caption, const QIcon &icon, QAction *item);
};

extern TFormmain *Formmain;
