// The small symbols of the toolbar and the program's icon, drawn here so
// they look the same on every desktop.
#pragma once

#include <QIcon>
#include <QImage>

namespace Icons {
QIcon newRecord(); // a sheet with a plus
QIcon search();    // a magnifying glass
QIcon exit();      // an open door with an arrow
QIcon program();   // a notebook
// The program's icon as a picture of `size` x `size` pixels, for the
// desktop's icon theme.
QImage programImage(int size);
} // namespace Icons
