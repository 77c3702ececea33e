#include "app/startup.h"

#include "app/accessoffer.h"
#include "app/restore.h"
#include "app/unitmain.h"
#include "contacts/unitexcelintodbf.h"
#include "data/unitpath.h"
#include "data/unitdm.h"
#include "tools/unitmd5.h"
#include "ui/chinese.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace Startup {

namespace {

// Makes the hidden windows when the event loop is first idle after the main
// window's work area has painted (a zero timer, which runs after the
// window system's pending events).
class AfterFirstFrame : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // A timer object: a single-shot of no delay would be a posted
            // call, run before the window system's events.
            auto *timer = new QTimer(this);
            timer->setSingleShot(true);
            connect(timer, &QTimer::timeout, this, [this] {
                createHiddenWindows();
                deleteLater();
            });
            timer->start(0);
        }
        return false;
    }
};

} // namespace

void createWindows()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    installChineseTranslations();
    // Message boxes, progress and file dialogs and the frames' title bars
    // in the program's Song face, large enough to read Chinese.
    QApplication::setFont(Fonts::song(16));
    initAppPath();
    installDatabaseOffers();
    Formmain = new TFormmain();
    DM = new TDM(qApp);
    Formmain->Imagemain->viewport()->installEventFilter(new AfterFirstFrame(Formmain));
}

void createHiddenWindows()
{
    // The MD5 tool lives, hidden, for the whole run.
    if (!Formmd5)
        Formmd5 = new TFormmd5();
    // The phone-book import dialog, hidden; it goes with the main window.
    if (!Formexcelintodbf)
        Formexcelintodbf = new TFormexcelintodbf(Formmain);
}

void installDatabaseOffers()
{
    // A damaged database is offered for restoring where it is first met.
    Restore::install();
    // An Access notebook of the older version is offered for converting.
    AccessOffer::install();
}

void showMainWindow()
{
    Formmain->showMaximized();
}

void destroyWindows()
{
    delete Formmain;
    delete Formmd5;
    delete DM;
    DM = nullptr;
}

} // namespace Startup
