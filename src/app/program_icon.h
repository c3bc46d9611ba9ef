#pragma once

#include <QIcon>

// The program's icon, drawn at run time (a waveform on a dark key), so that no image file
// has to be shipped or found.
QIcon ProgramIcon();
