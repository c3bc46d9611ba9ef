#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Corv {

class CLumData;
class CLumFileDocument;

// The kinds of problem the integrity check of a project finds.
enum class ProblemKind {
    DanglingTone,   // a patch's tone slot refers to an empty tone slot or one beyond the list
    DanglingWave,   // a tone's oscillator side refers to an empty wave slot or one beyond the list
    MissingFile,    // the file of a used slot cannot be opened
    RejectedFile,   // a file that loading could not place in a slot
    NotRegularFile, // an entry of a subfolder or a memo file that is not a regular file
    ToneUsers,      // a tone's stored user list disagrees with the patches' references
    WaveUsers,      // a wave's stored user list disagrees with the tones' references
    WaveBytes,      // the wave files together are larger than the instrument allows
};

// One problem: what it is, the entry it concerns (kind and 0-based slot, or -1 for both when
// it concerns a file or the whole project), the file concerned if any, and the text that
// `corvane check` prints for it.
struct ProjectProblem {
    ProblemKind kind;
    int entryKind = -1;
    int slot = -1;
    std::string path;
    std::string text;

    bool ConcernsEntry() const { return entryKind >= 0 && slot >= 0; }
};

// The integrity check of a loaded project, in this order: dangling tone references, dangling
// wave references, files of used slots that cannot be opened, rejected files, entries that are
// not regular files, tone user lists, wave user lists, wave bytes over the limit. Empty when
// all is well. Files are only opened to see that they open.
std::vector<ProjectProblem> CheckProject(const CLumFileDocument& document);

// The files of used slots that cannot be opened for reading: patches, tones, waves, in slot
// order.
std::vector<ProjectProblem> MissingSlotFiles(const CLumData& data);

// Entries of the three subfolders of a project folder (normalised: ends in "/") and its memo
// files that are not regular files (FIFOs, devices, sockets, links to them), by path, found
// without opening any of them.
std::vector<ProjectProblem> NotRegularFiles(const std::string& folder);

// The problem of a wave total over the limit; none when within.
std::vector<ProjectProblem> WaveBytesProblems(std::uint64_t total);

// The texts of problems, one per problem.
std::vector<std::string> ProblemTexts(const std::vector<ProjectProblem>& problems);

} // namespace Corv
