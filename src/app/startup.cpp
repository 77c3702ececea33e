#include "app/startup.h"

#include "app/restore.h"
#include "app/unitmain.h"
#include "contacts/unitexcelintodbf.h"
#include "data/unitpath.h"
#include "data/unitdm.h"
#include "ui/chinese.h"

#include <QApplication>

namespace Startup {

void createWindows()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    installChineseTranslations();
    initAppPath();
    // A damaged database is offered for restoring where it is first met.
    Restore::install();
    Formmain = new TFormmain();
    DM = new TDM(qApp);
    // The phone-book import dialog, hidden; it goes with the main window.
    Formexcelintodbf = new TFormexcelintodbf(Formmain);
}

void showMainWindow()
{
    Formmain->showMaximized();
}

void destroyWindows()
{
    delete Formmain;
    delete DM;
    DM = nullptr;
}

} // namespace Startup
