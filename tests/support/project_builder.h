#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/lum_data.h"

// Test support: instrument files and project folders made from records (no binary fixtures).
namespace CorvTest {

using Bytes = std::vector<std::uint8_t>;

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Absolute path without a trailing "/".
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
// Names of the plain files of a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);
// Every file below a folder (relative path -> content), for comparing whole folders.
std::vector<std::pair<std::string, Bytes>> FolderSnapshot(const std::string& folder);
// The first difference of two snapshots ("only in the first: NAME", "only in the second:
// NAME", "content differs: NAME"); empty when they are equal.
std::string SnapshotDifference(const std::vector<std::pair<std::string, Bytes>>& first,
                               const std::vector<std::pair<std::string, Bytes>>& second);

// Makes a FIFO at the path: whoever opens it to read waits for a writer, and the other way round.
void MakeFifo(const std::string& path);

// Ends the test program (SIGALRM) unless destroyed within `seconds`: a test of something that
// must never wait fails instead of hanging.
class Deadline {
public:
    explicit Deadline(unsigned seconds);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
};

// Records without file path. A patch slot given a tone is switched on. `waves` fills the sides
// in order (osc 0 side 0, osc 0 side 1, osc 1 side 0, ...) with wave source 1; 0 leaves source 0.
Corv::CPatch MakePatch(const std::string& name, int tone0, int tone1 = 0);
Corv::CTone MakeTone(const std::string& name, const std::vector<int>& waves);
Corv::CWave MakeWave(const std::string& name, const std::string& path);

// File images: opaque bytes and record-area bits outside every parameter are random from the
// seed unless `opaqueFill` is given; `trailing` bytes follow the prefix.
struct FileOptions {
    std::uint32_t seed = 1;
    int opaqueFill = -1; // -1: random
    std::size_t trailing = 0;
    std::uint8_t headerByte30 = 0;
    std::uint8_t headerByte31 = 0;
};
Bytes PatchFileBytes(const Corv::CPatch& patch, const FileOptions& options = {});
Bytes ToneFileBytes(const Corv::CTone& tone, const FileOptions& options = {});

// An audio file as wave import judges it: `size` bytes beginning with the header its extension
// promises (RIFF/WAVE for ".wav", FORM/AIFF for ".aif" and ".aiff", in any letter case; none
// for other extensions), the rest `fill`. A size below 12 cuts the header short.
Bytes AudioFileBytes(const std::string& extension, std::size_t size, std::uint8_t fill = 0);

// Writes a project folder (created with its Patch/, Tone/ and Wave/ folders).
class ProjectBuilder {
public:
    explicit ProjectBuilder(std::string folder, bool withWaveFolder = true);

    // Slot files named from the name as given (it may be longer than a record's); numbers from 1.
    ProjectBuilder& Patch(int number, const std::string& name, int tone0, int tone1 = 0,
                          const FileOptions& options = {});
    ProjectBuilder& Patch(int number, const Corv::CPatch& patch, const FileOptions& options = {});
    ProjectBuilder& Tone(int number, const std::string& name, const std::vector<int>& waves,
                         const FileOptions& options = {});
    ProjectBuilder& Tone(int number, const Corv::CTone& tone, const FileOptions& options = {});
    ProjectBuilder& Wave(int number, const std::string& name, std::size_t bytes,
                         const std::string& extension = ".w00");
    // Any file under a relative path ("Patch/Extra.d00") with the given content.
    ProjectBuilder& File(const std::string& relativePath, const Bytes& content);
    // The five system files, each with distinct content.
    ProjectBuilder& SystemFiles();
    // A memo file of a kind with these lines, each ended by `lineEnd`.
    ProjectBuilder& Memos(int kind, const std::vector<std::string>& lines,
                          const std::string& lineEnd = "\r\n");

    // The project folder path, ending in "/".
    const std::string& Folder() const { return m_folder; }
    // The path of a slot file of a kind in this project.
    std::string SlotPath(int kind, int number, const std::string& name,
                         const std::string& extension) const;

private:
    std::string m_folder;
};

// A project with every slot used: 512 patches on two tones each, 896 tones sharing the 999
// waves (each wave `waveBytes` long), deterministic from the seed.
void BuildFullProject(const std::string& folder, std::uint32_t seed = 7, std::size_t waveBytes = 64);

} // namespace CorvTest
