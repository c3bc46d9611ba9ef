#pragma once

#include "storage/folder_transaction.h"
#include "storage/known_files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Corv {

class CLumData;
class CLumFileDocument;

// How a save writes its folder.
enum class SaveMode {
    InPlace,   // the project's own folder: only what changed is written, renamed or removed
    NewFolder, // a folder that does not exist yet (or is empty): built beside it, then renamed
    Replace,   // another folder with content: its instrument and memo files are replaced
};

// A file written before anything in the project folder changes, under a name the loader never
// takes: a copy of `source` with a patch or tone record area packed in (`area` empty: copied as
// it is), or a memo file's text.
struct StagedFile {
    std::string destination; // absolute
    std::string source;      // absolute; empty for a text
    int kind = 0;
    std::vector<std::uint8_t> area;
    std::string text;
};

// A file that leaves its slot while records elsewhere (other open projects, the undo step)
// still name it: it is copied to the work folder first, and those records follow the copy.
struct WorkCopy {
    std::string source;
    std::string copy;
    int kind = 0;
};

// After the save, records of every open project (and the undo step) that named `from` name `to`.
struct Follow {
    std::string from;
    std::string to;
    int kind = 0;
};

// Everything one save does, worked out before any of it is done.
struct CSavePlan {
    std::vector<StagedFile> staged;
    std::vector<WorkCopy> workCopies;
    std::vector<CommitStep> steps; // relative to the project folder
    std::vector<Follow> follows;
    // The slot files after the save, per kind (absolute; empty for an empty slot).
    std::vector<std::string> slotPaths[3];
    // The record areas those files hold after the save, per slot (patches and tones; empty for
    // an empty slot).
    std::vector<KnownAreaPtr> slotAreas[2];
    // The memo files' texts after the save (none where the save leaves no file).
    std::optional<std::string> memoTexts[3];
    // Slot files of a kind that must be created before staging ("Wave/" may be missing).
    bool needsSubfolder[3] = {false, false, false};
};

// Works out the save of a document's project into its project folder (`ProjectFolder()`).
// `stageRoot` is where a new folder is built (NewFolder mode); `replaced` lists the files of the
// target folder (relative) that a Replace save moves out; `sourceFolder` is the folder the
// system files come from when saving elsewhere (empty: none). `known` (may be null) is known to
// be what the files hold (a save in place): a record whose file has a known record area is
// compared with it, every other record with the area read from its file, and a memo file known
// to hold its text already is not read. False when a file the save needs cannot be read.
bool PlanSave(CLumFileDocument& document, SaveMode mode, const std::string& stageRoot,
              const std::string& sourceFolder, const std::vector<std::string>& replaced,
              CSavePlan& plan, const CKnownFiles* known = nullptr);

// The file paths of a kind that records of the open projects and of the undo step name; `skip`
// (may be null) leaves out one project's records and the undo step it owns.
std::unordered_set<std::string> PathsUsedElsewhere(CLumFileDocument& any, int kind,
                                                   const CLumData* skip);
// Points every record of a kind that names `from` at `to`, in every open project (but `skip`)
// and in the undo step. True when at least one record changed.
bool RedirectRecords(CLumFileDocument& any, const std::string& from, const std::string& to,
                     int kind, const CLumData* skip = nullptr);
// The same for many files at once: each record moves at most once, so that files that
// exchanged their names are followed to where each went.
bool RedirectRecords(CLumFileDocument& any,
                     const std::unordered_map<std::string, std::string>& moves, int kind,
                     const CLumData* skip = nullptr);
// A new path in the work folder for a copy of a file (counter, blank, name part, extension).
std::string WorkCopyPath(const std::string& file);

} // namespace Corv
