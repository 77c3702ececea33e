#include "app/startup.h"

#include "app/unitmain.h"
#include "data/unitpath.h"
#include "data/unitdm.h"
#include "tools/unitmd5.h"

#include <QApplication>

namespace Startup {

void createWindows()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    initAppPath();
    Formmain = new TFormmain();
    DM = new TDM(qApp);
    // The MD5 tool lives, hidden, for the whole run.
    Formmd5 = new TFormmd5();
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
