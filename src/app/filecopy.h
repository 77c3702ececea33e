// Copying a database file for the backups as fast as the system copies a
// file (the kernel moves the bytes, as cp does), into a temporary file
// beside the target that is renamed over it only once it is whole. A copy
// that takes more than about half a second shows a progress dialog with the
// bytes copied of the total.
#pragma once

#include <QString>

class QFile;

namespace FileCopy {

// Why a copy failed: reading the source or writing the target, and the
// system's reason.
struct Failure {
    enum class Side { Reading, Writing };
    Side side;
    QString reason;
};

// Copies `source` (open for reading; read from its first byte, its position
// left alone) to `target`. An existing target is replaced only by a whole
// copy; on failure it is left as it was and nothing else is left behind.
// Throws Failure.
void copy(QFile &source, const QString &target);

// After how long a copy shows its progress (500 ms; 0 shows it at the first
// step of a copy of more than one step).
void setProgressDelay(int ms);
int progressDelay();

// The bytes copied in one step, between two looks at the progress.
inline constexpr qint64 kStepBytes = 16 * 1024 * 1024;

} // namespace FileCopy
