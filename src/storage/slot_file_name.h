#pragma once

#include "model/parameter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Corv {

// "Patch/", "Tone/" or "Wave/".
const char* SubfolderName(int kind);

// The 1-based slot number as at least three digits: "001", "099", "512", "1000".
std::string SlotNumberText(unsigned number);

// "<number> <name><extension>", the name of the file of a slot. The name is code-page bytes and
// is written as UTF-8, the encoding of file names on this platform (ASCII stays as it is).
std::string SlotFileName(unsigned number, std::string_view name, std::string_view extension);

// The file name a record takes in slot `number`: its name and the extension of its file. The
// name part of the file's present name stays as it is when it is UTF-8 that reads as exactly the
// record's name, so that characters the code page cannot hold are not lost to a rename.
std::string SlotFileName(unsigned number, const CParameter& record);

// The file name after the last "/".
std::string_view FileNamePart(std::string_view path);
// The file name without its part from the last "." on.
std::string_view BaseName(std::string_view path);

// The slot number of a file that follows the slot file name rule (base name of at most 16
// characters, three digits and a blank first); -1 for any other file. The base name is measured
// as the name it gives in the code page, so every name of 12 characters comes back from its file.
int ParseSlotNumber(std::string_view path);

// Shell-style pattern match ("*" and "?") without regard to letter case, as the instrument's
// storage matches names.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The wave bytes total as the project window shows it: "%d Bytes", "%3.1f KB" or "%3.1f MB".
std::string WaveBytesText(std::uint32_t bytes);

// The five system files of the instrument, in copy order.
inline constexpr const char* kSystemFileNames[5] = {"Corvane System.s00", "Corvane Template.s00",
                                                    "Corvane Palette.s00", "Corvane Setup.s00",
                                                    "Corvane MicSetting.s00"};

// The memo file of a kind: "PatchMemo.txt", "ToneMemo.txt", "WaveMemo.txt".
const char* MemoFileName(int kind);

} // namespace Corv
