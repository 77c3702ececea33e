// A notebook is private: the files the program makes for it (the database,
// its backups, the converted database, the exported picture) are readable
// and writable by the user alone, and the folders it makes for them
// (databak, tpfile) only the user can enter. An existing file keeps its
// mode: the program never loosens it.
#pragma once

#include <QString>

class QFileDevice;

namespace PrivateFiles {

// Makes `folder` (one level) with mode 0700 when it is missing; true when
// it is a folder afterwards.
bool makeFolder(const QString &folder);
// Gives a file the program has just created mode 0600.
bool restrict(const QString &file);
// For a file being written (a QSaveFile's temporary file, or a new file):
// mode 0600 unless `target` already existed, whose mode is kept.
void restrictUnlessExisting(QFileDevice &out, bool targetExisted);

} // namespace PrivateFiles
