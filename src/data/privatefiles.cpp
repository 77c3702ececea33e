// Making the notebook's files and folders the user's alone.
#include "data/privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kPrivateFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

namespace PrivateFiles {

bool makeFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    return QDir().mkdir(folder, kPrivateFolder) || QFileInfo(folder).isDir();
}

bool restrict(const QString &file)
{
    return QFile::setPermissions(file, kPrivateFile);
}

void restrictUnlessExisting(QFileDevice &out, bool targetExisted)
{
    if (!targetExisted)
        out.setPermissions(kPrivateFile);
}

} // namespace PrivateFiles
