#include "app/startup.h"

#include "app/restore.h"
#include "app/unitmain.h"
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
    initAppPath();
    // A damaged database is offered for restoring where it is first met.
    Restore::install();
    // The program's face for everything Qt makes for it without a font of
    // its own (message boxes, the save dialog): the main window's. Boxes
    // built with the application's default face would load a second face,
    // and its fallbacks for Chinese, before the first window is shown.
    QApplication::setFont(Fonts::song(16));
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
