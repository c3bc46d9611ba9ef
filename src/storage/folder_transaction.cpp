#include "storage/folder_transaction.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/save_paths.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace Corv {

namespace {

using Kind = CommitStep::Kind;

// What the user is told about a project whose subfolders are not its own, after naming them.
constexpr const char* kUnsafeConsequence =
    "The project can be looked at and copied with Save As, but it is not saved in place, and "
    "nothing is written there.";
// A journal larger than this was not written by a save (a full project has a few thousand
// steps of a few dozen bytes).
constexpr std::int64_t kMaxJournalBytes = 64 << 20;

IFileSystem& Fs() {
    return FileSystem();
}

std::string Os(const std::string& folder, const std::string& relative) {
    return folder + relative;
}

// What cannot be told counts as there: a step is then tried and fails visibly, rather than
// being skipped.
bool Exists(const std::string& folder, const std::string& relative) {
    const FileStatus status = Fs().Status(Os(folder, relative));
    return status.type != FileType::Missing || status.isLink || status.failed;
}

// The folder part of a relative path ("" for the project folder itself).
std::string FolderOf(const std::string& relative) {
    const auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
}

bool ReadSmallFile(const std::string& osPath, std::string& text) {
    auto file = Fs().Open(osPath, OpenMode::Read);
    if (!file)
        return false;
    const std::int64_t size = file->Size();
    if (size < 0 || size > kMaxJournalBytes)
        return false;
    text.assign(static_cast<std::size_t>(size), '\0');
    return file->Read(text.data(), text.size()) == size;
}

bool WriteDurably(const std::string& osPath, const std::string& text) {
    auto file = Fs().Open(osPath, OpenMode::Write);
    return file && file->Write(text.data(), text.size()) && file->Sync() && file->Close();
}

// The folders a group of steps changes: where files leave and where they arrive.
std::set<std::string> TouchedFolders(const std::vector<CommitStep>& steps, Kind kind) {
    std::set<std::string> folders;
    for (const CommitStep& step : steps)
        if (step.kind == kind) {
            folders.insert(FolderOf(step.from));
            if (kind == Kind::Aside || kind == Kind::Place)
                folders.insert(FolderOf(step.to));
        }
    return folders;
}

bool SyncAll(const std::string& folder, const std::set<std::string>& relativeFolders) {
    bool synced = true;
    for (const std::string& relative : relativeFolders)
        synced = Fs().SyncDirectory(Os(folder, relative)) && synced;
    return synced;
}

// Does one step again if it has not been done; true when it is done now. Only names that no
// step creates twice are tested, so the test tells reliably whether the step ran.
bool Replay(const std::string& folder, const CommitStep& step) {
    switch (step.kind) {
    case Kind::Aside:
        if (Exists(folder, step.from) && !Exists(folder, step.to))
            return Fs().Rename(Os(folder, step.from), Os(folder, step.to));
        return true;
    case Kind::Place:
        if (Exists(folder, step.from))
            return Fs().Rename(Os(folder, step.from), Os(folder, step.to));
        return true;
    case Kind::Remove:
        return !Exists(folder, step.from) || Fs().Remove(Os(folder, step.from));
    case Kind::MoveOut: // in batches (ReplayKind)
        return false;
    }
    return false;
}

// Moves files out of the folder in one batch; the relative paths of those that stay.
std::vector<std::string> MoveOutAll(const std::string& folder,
                                    const std::vector<FileToRemove>& files,
                                    const MoveOutFunction& moveOut) {
    if (files.empty())
        return {};
    std::vector<bool> moved = moveOut ? moveOut(files) : std::vector<bool>();
    moved.resize(files.size(), false);
    std::vector<std::string> stayed;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!moved[i])
            stayed.push_back(files[i].path.substr(folder.size()));
    return stayed;
}

bool HasPrefix(const std::string& relative, const char* prefix) {
    return relative.compare(FolderOf(relative).size(), std::string::traits_type::length(prefix),
                            prefix) == 0;
}

// The name a file removed by a step had in the project: the name of the original that an
// earlier step set aside under its path, else its own.
std::string OriginalName(const std::vector<CommitStep>& steps, const std::string& relative) {
    const auto aside = std::find_if(steps.begin(), steps.end(), [&](const CommitStep& step) {
        return step.kind == Kind::Aside && step.to == relative;
    });
    return aside == steps.end() ? std::string() : aside->from;
}

// Moves out, in one batch, what the steps of a kind take out of the folder: the originals a
// save replaced, and during recovery also what the journal names for removal but the save's
// own staged files (a journal is only known to be ours by its names, so what it would delete
// goes where the user can get it back). False when one stayed.
bool MoveOutKind(const std::string& folder, const std::vector<CommitStep>& steps, Kind kind,
                 const MoveOutFunction& moveOut, std::vector<std::string>* leftovers) {
    bool all = true;
    std::vector<FileToRemove> files;
    for (const CommitStep& step : steps) {
        if (step.kind != kind || !Exists(folder, step.from))
            continue;
        if (kind == Kind::Remove && HasPrefix(step.from, kStagedPrefix)) {
            if (!Replay(folder, step)) {
                all = false;
                if (leftovers != nullptr)
                    leftovers->push_back(step.from);
            }
            continue;
        }
        files.push_back(
            {folder + step.from, kind == Kind::MoveOut ? step.to : OriginalName(steps, step.from)});
    }
    const std::vector<std::string> stayed = MoveOutAll(folder, files, moveOut);
    if (leftovers != nullptr)
        leftovers->insert(leftovers->end(), stayed.begin(), stayed.end());
    // The mover syncs the folders it took files from; staged files were deleted here.
    const bool synced = kind != Kind::Remove || SyncAll(folder, TouchedFolders(steps, kind));
    return synced && stayed.empty() && all;
}

// Runs the steps of one kind again, in order; false when one could not be done. A recovery
// (`recovering`) deletes nothing but staged files.
bool ReplayKind(const std::string& folder, const std::vector<CommitStep>& steps, Kind kind,
                const MoveOutFunction& moveOut, std::vector<std::string>* leftovers,
                bool recovering = false) {
    if (kind == Kind::MoveOut || (kind == Kind::Remove && recovering))
        return MoveOutKind(folder, steps, kind, moveOut, leftovers);
    bool all = true;
    for (const CommitStep& step : steps)
        if (step.kind == kind && !Replay(folder, step)) {
            all = false;
            if (leftovers == nullptr)
                return false;
            leftovers->push_back(step.from);
        }
    return SyncAll(folder, TouchedFolders(steps, kind)) && all;
}

bool RemoveJournal(const std::string& folder, const std::string& name) {
    return Fs().Remove(Os(folder, name)) && Fs().SyncDirectory(folder);
}

// Puts every original that the first phase set aside back under its name.
bool UndoFirstPhase(const std::string& folder, const std::vector<CommitStep>& steps) {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (it->kind == Kind::Aside && Exists(folder, it->to) && !Exists(folder, it->from) &&
            !Fs().Rename(Os(folder, it->to), Os(folder, it->from)))
            return false;
    return SyncAll(folder, TouchedFolders(steps, Kind::Aside));
}

// Completes a journal of which `placing` tells whether the first phase was done; `recovering`
// when the journal was found in the folder rather than written by this process.
Recovery CompleteJournal(const std::string& folder, const std::vector<CommitStep>& steps,
                         bool placing, bool recovering, const MoveOutFunction& moveOut,
                         std::string& problem) {
    std::string journal = placing ? kPlacingJournalName : kJournalName;
    if (!placing) {
        // Nothing is in place yet: when a staged file went missing, going forward would lose
        // its slot, so the old state is restored instead.
        const bool complete = std::all_of(steps.begin(), steps.end(), [&](const CommitStep& s) {
            return s.kind != Kind::Place || !HasPrefix(s.from, kStagedPrefix) ||
                   Exists(folder, s.from);
        });
        if (!complete) {
            if (!UndoFirstPhase(folder, steps) || !RemoveJournal(folder, journal)) {
                problem = "the files set aside could not be put back";
                return Recovery::Failed;
            }
            return Recovery::Undone;
        }
        if (!ReplayKind(folder, steps, Kind::Aside, moveOut, nullptr) ||
            !Fs().Rename(Os(folder, journal), Os(folder, kPlacingJournalName)) ||
            !Fs().SyncDirectory(folder)) {
            problem = "the files could not be set aside";
            return Recovery::Failed;
        }
        journal = kPlacingJournalName;
    }
    if (!ReplayKind(folder, steps, Kind::Place, moveOut, nullptr)) {
        problem = "the saved files could not be put in place";
        return Recovery::Failed;
    }
    std::vector<std::string> leftovers;
    ReplayKind(folder, steps, Kind::Remove, moveOut, &leftovers, recovering);
    ReplayKind(folder, steps, Kind::MoveOut, moveOut, &leftovers);
    if (!leftovers.empty() || !RemoveJournal(folder, journal)) {
        problem = "files the save replaced could not be removed";
        return Recovery::Failed;
    }
    return Recovery::Completed;
}

// The journal a folder holds: the placing one first (its first phase was done).
struct FoundJournal {
    std::string name; // empty when there is none
    bool placing = false;
    bool complete = false; // written to its end: `steps` holds its steps
    std::vector<CommitStep> steps;
};

// Reads the journal of a folder; false with `problem` set when one is there but cannot be read,
// or is damaged.
bool FindJournal(const std::string& folder, FoundJournal& journal, std::string& problem) {
    for (const bool placing : {true, false}) {
        const std::string name = placing ? kPlacingJournalName : kJournalName;
        if (!Exists(folder, name))
            continue;
        journal.name = name;
        journal.placing = placing;
        std::string text;
        if (!ReadSmallFile(Os(folder, name), text)) {
            problem = "its save journal could not be read";
            return false;
        }
        journal.complete = ParseJournal(text, journal.steps);
        if (placing && !journal.complete) { // renamed only after it was complete: damaged since
            problem = "its save journal is damaged";
            return false;
        }
        return true;
    }
    return true;
}

// Leaves a journal that names what no save writes unreplayed, and moves it out of the folder so
// that no later open acts on it either; what the user is told.
std::string RefuseJournal(const std::string& folder, const std::string& name,
                          const CommitStep& step, const std::string& why,
                          const MoveOutFunction& moveOut) {
    const bool moved = MoveOutAll(folder, {{folder + name, {}}}, moveOut).empty();
    return "The save journal " + folder + name + " was not acted on: its step \"" + StepText(step) +
           "\" " + why + ". Nothing it names was changed, and the journal " +
           (moved ? "was moved out of the project folder."
                  : "could not be moved out of the project folder.");
}

// Completes a journal that was written to its end, and drops one that was not: that one was
// never acted on.
Recovery ActOnJournal(const std::string& folder, const FoundJournal& journal,
                      const MoveOutFunction& moveOut, std::string& problem) {
    if (journal.complete)
        return CompleteJournal(folder, journal.steps, journal.placing, true, moveOut, problem);
    if (journal.name.empty())
        return Recovery::Clean;
    if (!RemoveJournal(folder, journal.name)) {
        problem = "its save journal could not be removed";
        return Recovery::Failed;
    }
    return Recovery::Undone;
}

} // namespace

CFolderTransaction::CFolderTransaction(std::string folder, MoveOutFunction moveOut)
    : m_folder(std::move(folder)), m_moveOut(std::move(moveOut)) {}

void CFolderTransaction::Add(Kind kind, std::string from, std::string to) {
    m_steps.push_back({kind, std::move(from), std::move(to)});
}

bool CFolderTransaction::RunDirect(const CommitStep& step) {
    const std::string folder = Os(m_folder, FolderOf(step.from));
    switch (step.kind) {
    case Kind::Aside:
    case Kind::Place:
        return Fs().Rename(Os(m_folder, step.from), Os(m_folder, step.to)) &&
               Fs().SyncDirectory(folder) &&
               (FolderOf(step.to) == FolderOf(step.from) ||
                Fs().SyncDirectory(Os(m_folder, FolderOf(step.to))));
    case Kind::Remove:
        return Fs().Remove(Os(m_folder, step.from)) && Fs().SyncDirectory(folder);
    case Kind::MoveOut:
        return MoveOutAll(m_folder, {{m_folder + step.from, step.to}}, m_moveOut).empty();
    }
    return false;
}

bool CFolderTransaction::WriteJournal(const std::string& name) const {
    return WriteDurably(Os(m_folder, name), JournalText(m_steps)) && Fs().SyncDirectory(m_folder);
}

bool CFolderTransaction::RunPhase(Kind kind, std::vector<const CommitStep*>& done) {
    for (const CommitStep& step : m_steps) {
        if (step.kind != kind)
            continue;
        if (!Fs().Rename(Os(m_folder, step.from), Os(m_folder, step.to)))
            return false;
        done.push_back(&step);
    }
    return SyncFolders(kind);
}

bool CFolderTransaction::SyncFolders(Kind kind) const {
    return SyncAll(m_folder, TouchedFolders(m_steps, kind));
}

// Renames back what was done, newest first.
bool CFolderTransaction::RollBack(const std::vector<const CommitStep*>& done) {
    std::set<std::string> folders;
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        if (!Fs().Rename(Os(m_folder, (*it)->to), Os(m_folder, (*it)->from)))
            return false;
        folders.insert(FolderOf((*it)->from));
        folders.insert(FolderOf((*it)->to));
    }
    return SyncAll(m_folder, folders);
}

// The third phase: what fails here stays for the journal's next reader.
void CFolderTransaction::Finish() {
    for (const Kind kind : {Kind::Remove, Kind::MoveOut})
        ReplayKind(m_folder, m_steps, kind, m_moveOut, &m_leftovers);
}

CFolderTransaction::Result CFolderTransaction::Commit() {
    m_leftovers.clear();
    if (m_steps.empty())
        return Result::Committed;
    if (m_steps.size() == 1)
        return RunDirect(m_steps.front()) ? Result::Committed : Result::Failed;

    // The journal is written under the name of one that was never acted on, even when there
    // is nothing to set aside: a kill while it is written leaves a journal that is dropped, never
    // one that claims to be complete.
    const std::string journal = kJournalName;
    if (!WriteJournal(journal)) {
        // Clearing away what the write left must not hide why the write failed.
        const FileError why = LastFileError();
        Fs().Remove(Os(m_folder, journal));
        SetLastFileError(why);
        return Result::Failed;
    }
    std::vector<const CommitStep*> done;
    bool placed = RunPhase(Kind::Aside, done);
    if (placed)
        placed = Fs().Rename(Os(m_folder, journal), Os(m_folder, kPlacingJournalName)) &&
                 Fs().SyncDirectory(m_folder);
    placed = placed && RunPhase(Kind::Place, done);
    if (!placed) {
        // Back to the old state when that works; otherwise forward, as the next open would.
        const std::string current =
            Exists(m_folder, kPlacingJournalName) ? kPlacingJournalName : journal;
        if (RollBack(done) && RemoveJournal(m_folder, current))
            return Result::Failed;
        std::string problem;
        switch (CompleteJournal(m_folder, m_steps, current == kPlacingJournalName, false, m_moveOut,
                                problem)) {
        case Recovery::Completed:
            return Result::Committed;
        case Recovery::Failed:
            return Exists(m_folder, current) ? Result::Pending : Result::Failed;
        default:
            return Result::Failed;
        }
    }
    Finish();
    if (!m_leftovers.empty())
        return Result::CommittedLeftovers;
    if (RemoveJournal(m_folder, kPlacingJournalName))
        return Result::Committed;
    m_leftovers.push_back(kPlacingJournalName);
    return Result::CommittedLeftovers;
}

bool ClearSaveLeftovers(const std::string& folder, const std::vector<std::string>& leftovers,
                        const MoveOutFunction& moveOut) {
    bool clear = true;
    std::set<std::string> folders;
    std::vector<FileToRemove> originals;
    for (const std::string& relative : leftovers) {
        if (HasPrefix(relative, kStagedPrefix)) {
            clear = Fs().Remove(Os(folder, relative)) && clear;
            folders.insert(FolderOf(relative));
        } else {
            originals.push_back({folder + relative, {}});
        }
    }
    return SyncAll(folder, folders) && MoveOutAll(folder, originals, moveOut).empty() && clear;
}

Recovery RecoverProjectFolder(const std::string& folder, const MoveOutFunction& moveOut,
                              std::string& problem) {
    problem.clear();
    FoundJournal journal;
    if (!FindJournal(folder, journal, problem))
        return Recovery::Failed;
    const std::string unsafe = UnsafeSubfolder(folder);
    const std::string unsafeNotice =
        unsafe.empty() ? std::string() : folder + ": " + unsafe + ". " + kUnsafeConsequence;
    if (journal.complete)
        for (const CommitStep& step : journal.steps)
            if (const std::string why = RefusedStep(folder, step); !why.empty()) {
                problem = RefuseJournal(folder, journal.name, step, why, moveOut);
                problem += unsafe.empty() ? "" : "\n" + unsafeNotice;
                return Recovery::Refused;
            }
    if (!unsafe.empty()) {
        problem = unsafeNotice;
        return Recovery::Unsafe;
    }
    const Recovery result = ActOnJournal(folder, journal, moveOut, problem);
    if (result == Recovery::Failed)
        return result;
    std::vector<DirEntry> entries;
    Fs().ListFolder(folder, entries);
    std::vector<std::string> leftovers;
    for (const DirEntry& entry : entries)
        if (IsSaveLeftoverName(entry.name))
            leftovers.push_back(entry.name);
    if (!ClearSaveLeftovers(folder, leftovers, moveOut)) {
        problem = "files left by an interrupted save could not be removed";
        return Recovery::Failed;
    }
    return result == Recovery::Clean && !leftovers.empty() ? Recovery::Undone : result;
}

} // namespace Corv
