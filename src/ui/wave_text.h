#pragma once

#include "audio/sound_file.h"

#include <QString>

namespace CorvDesktop {

// A wave's length as the list's Length column shows it, minutes, seconds and milliseconds
// ("0:02.350"); empty for a wave without facts.
QString LengthText(const Corv::Audio::WaveFacts& facts);

// The detail area's line about a wave, e.g. "44.1 kHz, 16-bit, stereo, 2.35 s, loop 0.40–2.10 s"
// (no loop part without a loop); `floating` says the samples are floating-point numbers.
QString FormatLine(const Corv::Audio::WaveFacts& facts, bool floating);

// The short grey words a list cell shows for a wave without a picture.
QString NoPictureText(const Corv::Audio::WaveFacts& facts);

// True when a readable wave file's samples are floating-point numbers (its header says so).
bool HasFloatingSamples(const QString& path);

} // namespace CorvDesktop
