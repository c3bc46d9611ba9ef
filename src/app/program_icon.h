#pragma once

#include <QIcon>
#include <QImage>

namespace CorvDesktop {

// The program's icon, drawn at run time (a waveform on a dark key), so that no image file
// has to be found; data/corvane-librarian.svg draws the same shapes for the desktop.
QIcon ProgramIcon();
// The icon at one size (the window icon's sizes, and the PNGs installed for the desktop).
QImage ProgramIconImage(int size);

} // namespace CorvDesktop
