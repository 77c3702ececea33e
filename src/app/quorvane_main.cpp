// The program's start: AppPath, the main window, the data module, then the
// message loop until the main window closes.
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup::createWindows();
    Startup::showMainWindow();
    const int code = app.exec();
    Startup::destroyWindows();
    return code;
}
