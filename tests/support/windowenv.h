// A fresh database with the main window made as Formmain, its timers held
// (the tests run the reminder check and the clock themselves). The window
// and every child window go when the fixture goes.
#pragma once

#include "testenv.h"

#include "app/unitmain.h"

#include <QCoreApplication>
#include <QTimer>

struct WindowEnv {
    TestDb db;
    TFormmain *main;

    WindowEnv()
    {
        main = new TFormmain();
        Formmain = main;
        main->Timer1->stop();
        main->Timer2->stop();
        main->resize(1280, 900);
        main->show();
    }
    ~WindowEnv()
    {
        delete main; // takes every child window with it
        Formmain = nullptr;
        settle();
    }

    // Lets closed windows go, as the message loop would.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void setCounter(int kind, int value)
    {
        db.exec(QStringLiteral("update xmidb set xmid=%1 where xmfl=%2").arg(value).arg(kind));
    }
    int counter(int kind)
    {
        return db.scalar(QStringLiteral("select xmid from xmidb where xmfl=%1").arg(kind)).toInt();
    }
};
