// AppPath: the folder of the running executable, set once before the data
// module exists. Every path of the program is AppPath followed by a text
// that begins with the separator.
#pragma once

#include <QString>

extern QString AppPath;

// The folder part of an executable's full file name: everything from the
// last separator on is cut; at the root of the file system the separator
// itself stays.
QString folderOfExecutable(const QString &executable);

// Sets AppPath from the running executable (the program's start), or to a
// given folder (the tests, which run against a database of their own).
void initAppPath();
void setAppPath(const QString &folder);

// The application's title: the executable's file name without its folder,
// cut at its first dot. It is the caption of every message box.
QString applicationTitle();
