#pragma once

#include "support/memory_file_system.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A small project folder packed into one byte string: the input of the project loader's fuzz
// target, and what the seed generator makes of folders written by the project builder.
//
// Byte 0 holds flags: bits 0 to 2 leave out the Patch/, Tone/ or Wave/ folder, bits 3 and 4
// choose how the folder is named and spelt when it is opened (`Spelling`). Entries follow until
// the input ends, each: a place byte (its value modulo 8 is a `Place`), a name length byte, the
// name, the content length (two bytes, big-endian) and the content. An entry cut short by the
// end of the input keeps what is there.
namespace CorvFuzz {

using Bytes = std::vector<std::uint8_t>;

enum class Place : std::uint8_t {
    PatchFile,
    ToneFile,
    WaveFile,
    TopFile, // a file in Patch/, Tone/, Wave/ or the folder itself
    PatchFolder,
    ToneFolder,
    WaveFolder,
    TopFolder, // a folder there (its content is ignored)
};

inline constexpr std::uint8_t kNoPatchFolder = 1;
inline constexpr std::uint8_t kNoToneFolder = 2;
inline constexpr std::uint8_t kNoWaveFolder = 4;

enum class Spelling : std::uint8_t {
    Plain,         // /fuzz/Song.prj
    TrailingSlash, // /fuzz/Song.prj/
    Backslashes,   // \fuzz\Song.PRJ (the folder is named Song.PRJ)
    NoExtension,   // /fuzz/Song: never a project
};

struct Entry {
    Place place = Place::TopFile;
    std::string name;
    Bytes content;
};

struct FolderImage {
    std::uint8_t flags = 0;
    std::vector<Entry> entries;

    Spelling FolderSpelling() const { return static_cast<Spelling>((flags >> 3) & 3); }
    bool Has(std::uint8_t missingFlag) const { return (flags & missingFlag) == 0; }
};

FolderImage Decode(const std::uint8_t* data, std::size_t size);
Bytes Encode(const FolderImage& image);

// Reads a folder written on disk (its own files and folders and those of Patch/, Tone/ and
// Wave/; deeper levels are left out). The flags mark the missing subfolders.
FolderImage ReadFolder(const std::string& realFolder);

// Creates the folder in memory; returns the path to open it by. Names are made valid file
// names ("/" and NUL become "_"; "", "." and ".." are left out).
std::string Materialise(const FolderImage& image, CorvTest::MemoryFileSystem& fs);

// The project folder as it lies in memory, "/" at its end.
std::string FolderOnDisk(const FolderImage& image);

} // namespace CorvFuzz
