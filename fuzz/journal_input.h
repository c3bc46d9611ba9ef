#pragma once

#include <cstdint>

// The input of the journal replay target: one byte of the links below, then a packed project
// folder (folder_image.h). Whatever journal the folder holds (".corvane-journal",
// ".corvane-journal-placing") is sealed with its step count and checksum before the project is
// opened, so that every input reaches the steps. Beside the project lies a folder that is not
// the project's, "/fuzz/outside/" (the files "x", "001 V.d00", "002 V.wav", ".corvane-new-1" and
// "deep/y"), which journals may name as "../outside/x" and links may lead into.
namespace CorvFuzz {

inline constexpr std::uint8_t kLinkPatch = 1;  // Patch/ moves outside; a link takes its place
inline constexpr std::uint8_t kLinkTone = 2;   // the same for Tone/, with a relative link
inline constexpr std::uint8_t kLinkWave = 4;   // Wave/ becomes a link to the outside folder
inline constexpr std::uint8_t kLinkUp = 8;     // "up" at the top: a link to the project's parent
inline constexpr std::uint8_t kLinkFiles = 16; // slot, memo and hidden names that are links to
                                               // files outside
inline constexpr std::uint8_t kSaveAfter = 32; // the opened project is saved in place

} // namespace CorvFuzz
