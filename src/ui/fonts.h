// The two kinds of face the windows use, picked from what is installed:
// a Song (serif) face for the windows and a FangSong or Kai face for the
// content boxes.
#pragma once

#include <QColor>
#include <QFont>

namespace Fonts {
QFont song(int pixelSize);
QFont fangsong(int pixelSize, bool underline = false);
// The sky-blue background of the note and memo windows.
QColor skyBlue();
} // namespace Fonts
