#pragma once

namespace CorvDesktop {

// The settings read at start-up and written at exit: the project options (`CProjectOptions`:
// the grid switch and four Clean Project options, section "Option": "GridSw", "WaveOption",
// "ToneOption", "TnumOption", "PnumOption"; absent values read as 0) and the list font
// ("Option", prefix "Font").
void SerializeSettings(bool save);
inline void LoadSettings() {
    SerializeSettings(false);
}
inline void SaveSettings() {
    SerializeSettings(true);
}

} // namespace CorvDesktop
