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

namespace Startup {

void createWindows()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    installChineseTranslations();
    // Message boxes, progress and file dialogs and the frames' title bars
    // in the program's Song face, large enough to read Chinese.
    QApplication::setFont(Fonts::song(15));
    initAppPath();
    installDatabaseOffers();
    Formmain = new TFormmain();
    DM = new TDM(qApp);
    // The MD5 tool lives, hidden, for the whole run.
    Formmd5 = new TFormmd5();
    // The phone-book import dialog, hidden; it goes with the main window.
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
