// AppPath and the application's title, from the running executable.
#include "data/unitpath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString AppPath;

QString folderOfExecutable(const QString &executable)
{
    const QString native = QDir::toNativeSeparators(executable);
    const int cut = native.lastIndexOf(QDir::separator());
    if (cut < 0)
        return QString();
    if (cut == 0)
        return native.left(1); // the root folder keeps its separator
#ifdef Q_OS_WIN
    if (cut == 2 && native.at(1) == u':')
        return native.left(3);
#endif
    return native.left(cut);
}

void initAppPath()
{
    setAppPath(folderOfExecutable(QCoreApplication::applicationFilePath()));
}

void setAppPath(const QString &folder)
{
    AppPath = folder;
}

QString applicationTitle()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return name.section(QLatin1Char('.'), 0, 0);
}
