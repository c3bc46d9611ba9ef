// Saving a project folder so that no interruption can lose a sound: every new content is
// written and synced under a hidden name first, then a folder transaction puts the files in
// place (see folder_transaction.h). Only files whose bytes change are written, a file whose
// only change is its name is only renamed, and files that no slot holds are moved out of the
// project rather than deleted.
#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/domain.h"
#include "storage/folder_signature.h"
#include "storage/folder_transaction.h"
#include "storage/move_out.h"
#include "storage/moved_entries.h"
#include "storage/progress_bar.h"
#include "storage/project_document.h"
#include "storage/save_paths.h"
#include "storage/save_plan.h"
#include "storage/slot_file_name.h"
#include "storage/staged_projects.h"
#include "storage/svd_file.h"
#include "storage/undo_step.h"

#include <algorithm>
#include <set>

namespace Corv {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

// What cannot be told counts as there.
bool Exists(const std::string& path) {
    const FileStatus status = Fs().Status(path);
    return status.type != FileType::Missing || status.isLink || status.failed;
}

std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes one staged file durably: a copy (with its new record area) or a text.
bool StageFile(const StagedFile& file) {
    const std::string destination = file.destination;
    if (file.source.empty()) {
        auto out = Fs().Open(destination, OpenMode::Write);
        return out && out->Write(file.text.data(), file.text.size()) && out->Sync() && out->Close();
    }
    if (file.area.empty())
        return Fs().CopyFile(file.source, destination, true);
    if (!Fs().CopyFile(file.source, destination, false))
        return false;
    auto out = Fs().Open(destination, OpenMode::Update);
    return out && out->Seek(RecordAreaOffset(file.kind)) &&
           out->Write(file.area.data(), file.area.size()) && out->Sync() && out->Close();
}

// Writes every staged file and work copy; the folders that got staged files are synced, so
// that they are durable before any original is touched.
// "Live.prj" of a project in "/x/Live.prj/".
std::string FolderName(const CLumData& data) {
    return std::string(FileNamePart(WithoutSlash(data.ProjectFolder())));
}

bool StageAll(const CSavePlan& plan, const std::string& workFolder, CLumProgressBar& progress,
              const std::string& name) {
    // The files are counted as they are written: a save that takes long shows how far it is.
    const int count = static_cast<int>(plan.staged.size());
    const CProgressScope scope(progress, count,
                               "Saving " + name + ": writing " + std::to_string(count) +
                                   (count == 1 ? " file" : " files"));
    // A work copy is the only copy of an entry once the save drops its original: durable first.
    for (const WorkCopy& copy : plan.workCopies)
        if (!Fs().CopyFile(copy.source, copy.copy, true))
            return false;
    if (!plan.workCopies.empty() && !Fs().SyncDirectory(workFolder))
        return false;
    // Every staged file is a file of its own, so they may be written side by side; each keeps
    // why it failed, as the threads that write them have their own last errors.
    std::vector<FileError> errors(plan.staged.size());
    const std::size_t failure = RunSideBySide(
        plan.staged.size(),
        [&](std::size_t i) {
            if (StageFile(plan.staged[i]))
                return true;
            errors[i] = LastFileError();
            return false;
        },
        32, [&](std::size_t done) { progress.SetPosition(static_cast<int>(done)); });
    if (failure != plan.staged.size()) {
        SetLastFileError(errors[failure]);
        return false;
    }
    std::set<std::string> folders;
    for (const StagedFile& file : plan.staged)
        folders.insert(ParentOf(file.destination));
    return std::all_of(folders.begin(), folders.end(),
                       [](const std::string& folder) { return Fs().SyncDirectory(folder); });
}

void RemoveStaged(const CSavePlan& plan) {
    for (const StagedFile& file : plan.staged)
        Fs().Remove(file.destination);
}

// Removes a folder this save built, with everything in it.
void RemoveTree(const std::string& folder) {
    std::vector<DirEntry> entries;
    if (Fs().ListFolder(folder, entries))
        for (const DirEntry& entry : entries) {
            if (entry.type == FileType::Directory &&
                !Fs().Status(folder + entry.name).isLink) // a link goes itself
                RemoveTree(folder + entry.name + "/");
            else
                Fs().Remove(folder + entry.name);
        }
    Fs().RemoveDirectory(WithoutSlash(folder));
}

// Lists what replacing a folder's project takes out of it: every file that belongs to the
// instrument or to the librarian (the patch, tone and wave files of the subfolders by their
// patterns, the system files, the memo files), and files an interrupted save left in the
// subfolders. False when a folder that is there cannot be listed.
bool ListReplaced(const std::string& folder, std::vector<std::string>& files,
                  std::vector<std::string>& leftovers) {
    static const std::pair<const char*, std::vector<const char*>> kPatterns[] = {
        {"Patch/", {"*.d00"}},
        {"Tone/", {"*.p00"}},
        {"Wave/", {"*.w*", "*.aif*", "*.vpw"}},
        {"", {"*.s00"}}};
    for (const auto& [subfolder, patterns] : kPatterns) {
        const FileStatus status = Fs().Status(folder + subfolder);
        if (status.type == FileType::Missing && !status.failed)
            continue;
        std::vector<DirEntry> entries;
        if (!Fs().ListFolder(folder + subfolder, entries))
            return false;
        std::sort(entries.begin(), entries.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        for (const DirEntry& entry : entries) {
            if (*subfolder != '\0' && IsSaveLeftoverName(entry.name))
                leftovers.push_back(subfolder + entry.name);
            else if (entry.type != FileType::Directory &&
                     std::any_of(patterns.begin(), patterns.end(),
                                 [&](const char* p) { return MatchesPattern(entry.name, p); }))
                files.push_back(subfolder + entry.name);
        }
    }
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const FileStatus status = Fs().Status(folder + MemoFileName(kind));
        if (status.type != FileType::Missing || status.isLink || status.failed)
            files.push_back(MemoFileName(kind));
    }
    return true;
}

// Creates the subfolders a save puts files into; `created` collects the ones it made.
bool CreateSubfolders(const std::string& folder, const bool (&needed)[3],
                      std::vector<std::string>& created) {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string path = folder + SubfolderName(kind);
        if (!needed[kind] || Fs().IsDirectory(path))
            continue;
        if (Fs().CreateDirectory(WithoutSlash(path)) != CreateDirResult::Created)
            return false;
        created.push_back(path);
    }
    return created.empty() || Fs().SyncDirectory(folder);
}

// Brings the folder a save writes to a consistent state first; why it cannot be, or must not
// be written to, or empty. A journal that was refused is only told of: the save goes on
// without it. `clean` (may be null) tells whether there was nothing to recover, so that the
// folder is still as it was before.
std::string Recover(const std::string& folder, CMoveOutReport& report, CDomain& services,
                    bool* clean = nullptr) {
    // Everything the save wrote, renamed or moved out would land elsewhere.
    if (const std::string unsafe = UnsafeSubfolder(folder); !unsafe.empty())
        return folder + ": " + unsafe;
    std::string problem;
    const Recovery recovery = RecoverProjectFolder(folder, MoveOutInto(folder, report), problem);
    if (clean != nullptr)
        *clean = recovery == Recovery::Clean;
    switch (recovery) {
    case Recovery::Failed:
        return folder + ": an interrupted save could not be completed: " + problem;
    case Recovery::Unsafe:
        return problem;
    case Recovery::Refused:
        services.ShowNotice(problem);
        return {};
    default:
        return {};
    }
}

void RemoveCreated(const std::vector<std::string>& created) {
    for (const std::string& path : created)
        Fs().RemoveDirectory(WithoutSlash(path));
}

// A rejected file that could not be moved out and bears a slot number whose slot gets a file
// (where letter case does not count, putting that file in place could overwrite it), or is a
// memo file, which the save replaces.
bool BlocksASlot(const CSavePlan& plan, const std::string& folder, const std::string& rejected) {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (rejected == folder + MemoFileName(kind))
            return true;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string prefix = folder + SubfolderName(kind);
        const int number = ParseSlotNumber(rejected);
        if (rejected.rfind(prefix, 0) == 0 && number >= 1 &&
            static_cast<std::size_t>(number) <= plan.slotPaths[kind].size() &&
            !plan.slotPaths[kind][static_cast<std::size_t>(number - 1)].empty())
            return true;
    }
    return false;
}

// The entries of other open projects whose only copy a work copy of this save becomes (the save
// drops the file they were moved out with): the work folder lists them before the originals go.
std::vector<MovedEntry> MovedEntriesOf(CLumFileDocument& document, const CSavePlan& plan) {
    std::vector<MovedEntry> entries;
    const std::string& work = document.Services().m_workFolder;
    const std::string& folder = document.Data().ProjectFolder();
    for (const WorkCopy& copy : plan.workCopies)
        for (CLumFileDocument* other : document.OpenProjectDocuments()) {
            const CParameterArray& records = other->Data().Records(copy.kind);
            for (std::size_t i = 0; other != &document && i < records.Size(); ++i) {
                const CParameter& record = records.Item(i);
                if (record.FilePath() != copy.source)
                    continue;
                MovedEntry entry{copy.copy.substr(work.size()),
                                 copy.kind,
                                 static_cast<int>(i + 1),
                                 record.Name(),
                                 {},
                                 folder,
                                 copy.source.substr(folder.size()),
                                 other->Label()};
                for (int n = 1; n <= 4; ++n)
                    entry.memos[static_cast<std::size_t>(n - 1)] = record.Memo(n);
                entries.push_back(std::move(entry));
            }
        }
    return entries;
}

// The parts of a project folder's signature that a save in place changed: where its steps, its
// staged files, the files it moved out and the subfolders it made lie, and the folder's own
// entries whenever anything changed (a subfolder's time changes with what is in it; a journal
// lies there).
unsigned TouchedParts(const std::string& folder, const CSavePlan& plan,
                      const std::vector<std::string>& movedOut,
                      const std::vector<std::string>& created) {
    unsigned parts = 0;
    for (const CommitStep& step : plan.steps)
        for (const std::string* path : {&step.from, &step.to})
            if (!path->empty())
                parts |= CFolderSignature::PartOf(*path);
    std::vector<std::string> absolute = movedOut;
    absolute.insert(absolute.end(), created.begin(), created.end());
    for (const StagedFile& file : plan.staged)
        absolute.push_back(file.destination);
    for (const std::string& path : absolute) {
        if (path.rfind(folder, 0) != 0)
            return CFolderSignature::kAllParts;
        parts |= CFolderSignature::PartOf(path.substr(folder.size()));
    }
    return parts == 0 ? 0 : parts | CFolderSignature::kOwnEntries;
}

// The work files whose contents this save took into its project: the entries they held are
// no longer only there.
std::vector<std::string> DeliveredWorkFiles(const CSavePlan& plan, const std::string& work) {
    std::vector<std::string> files;
    for (const StagedFile& file : plan.staged)
        if (!work.empty() && file.source.rfind(work, 0) == 0)
            files.push_back(file.source.substr(work.size()));
    return files;
}

} // namespace

// ---------------------------------------------------------------------------------------------

void CLumFileDocument::ApplySavePlan(CSavePlan& plan) {
    // What the save did, for people: staged files are written, the other placed files only took
    // another name, and a slot that had a file and has none lost it.
    m_saveCounts = {};
    m_saveCounts.written = static_cast<int>(plan.staged.size());
    int places = 0;
    for (const CommitStep& step : plan.steps) {
        places += step.kind == CommitStep::Kind::Place ? 1 : 0;
        m_saveCounts.removed += step.kind == CommitStep::Kind::MoveOut ? 1 : 0;
    }
    m_saveCounts.renamed = std::max(0, places - m_saveCounts.written);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::vector<std::string>& before = m_data.SlotPaths(kind);
        const std::vector<std::string>& after = plan.slotPaths[kind];
        for (std::size_t i = 0; i < before.size(); ++i)
            m_saveCounts.removed += !before[i].empty() && (i >= after.size() || after[i].empty());
    }
    std::unordered_map<std::string, std::string> moves[3];
    for (const Follow& follow : plan.follows)
        moves[follow.kind].emplace(follow.from, follow.to);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        RedirectRecords(*this, moves[kind], kind);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        CParameterArray& records = m_data.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i)
            records.Item(i).SetFilePath(plan.slotPaths[kind][i]);
        m_data.SlotPaths(kind) = plan.slotPaths[kind];
    }
    // What the save wrote, or found unchanged, is what the project's files hold now.
    m_known.ForgetAll();
    for (int kind = kPatchKind; kind <= kToneKind; ++kind)
        m_known.RememberAreas(kind, std::move(plan.slotPaths[kind]),
                              std::move(plan.slotAreas[kind]));
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        m_known.RememberMemo(kind, std::move(plan.memoTexts[kind]));
    if (UndoStep().Owns(&m_data))
        UndoStep().Clear();
    const std::string& work = Services().m_workFolder;
    if (const std::vector<std::string> delivered = DeliveredWorkFiles(plan, work);
        !delivered.empty())
        TakeOffMovedEntries(work, delivered);
}

bool CLumFileDocument::Commit(const CSavePlan& plan, const std::string& folder,
                              CMoveOutReport& report) {
    CFolderTransaction transaction(folder, MoveOutInto(folder, report));
    for (const CommitStep& step : plan.steps)
        transaction.Add(step.kind, step.from, step.to);
    // The folder as it was is kept before anything in it changes; a version that cannot be
    // written costs the user the version, never the save.
    ISaveRecorder* recorder = Services().SaveRecorder();
    if (recorder != nullptr) {
        std::string why;
        FolderEntries listed{};
        for (std::size_t part = 0; m_foundBySave != nullptr && part < listed.size(); ++part)
            listed[part] = m_foundBySave->Entries(part);
        if (!recorder->BeforeCommit(folder, plan, m_data,
                                    m_foundBySave != nullptr ? &listed : nullptr, why))
            Services().ShowNotice("This save has no version: " + why);
    }
    ClearLastFileError();
    const CFolderTransaction::Result result = transaction.Commit();
    if (recorder != nullptr)
        recorder->AfterCommit(folder, result == CFolderTransaction::Result::Committed ||
                                          result == CFolderTransaction::Result::CommittedLeftovers);
    switch (result) {
    case CFolderTransaction::Result::Committed:
        return true;
    case CFolderTransaction::Result::CommittedLeftovers:
        report.leftovers = transaction.Leftovers();
        return true;
    case CFolderTransaction::Result::Failed:
        SaveFailed();
        RemoveStaged(plan);
        return false;
    case CFolderTransaction::Result::Pending:
        // The journal names the staged files: the next open completes the save.
        m_savePending = true;
        return SaveFailed();
    }
    return false;
}

bool CLumFileDocument::SaveFailed(const std::string& problem) {
    if (m_saveProblem.empty())
        m_saveProblem = problem.empty() ? LastFileError().Text() : problem;
    return false;
}

bool CLumFileDocument::SaveInPlace(CMoveOutReport& report, bool folderUnchanged) {
    const std::string folder = m_data.ProjectFolder();
    const std::string& work = Services().m_workFolder;
    bool clean = false;
    if (const std::string why = Recover(folder, report, Services(), &clean); !why.empty())
        return SaveFailed(why);
    // A recovery may have put other files in the slots' places: then every file is read.
    const CKnownFiles* known = folderUnchanged && clean ? &m_known : nullptr;
    // Files the loader did not place in a slot (a refused memo file among them) leave the
    // project first: the plan then sees the folder as the new files will find it.
    const std::vector<std::string> movedOut = m_rejected;
    std::vector<std::string> stayed;
    const std::vector<RemovedFile> moved = MoveOutOfProject(m_rejected, folder);
    for (std::size_t i = 0; i < moved.size(); ++i)
        if (moved[i].to == RemovedTo::Stayed)
            stayed.push_back(m_rejected[i]);
    report.files.insert(report.files.end(), moved.begin(), moved.end());
    m_rejected = stayed;
    CSavePlan plan;
    std::vector<std::string> created;
    if (!PlanSave(*this, SaveMode::InPlace, {}, {}, {}, plan, known))
        return SaveFailed();
    for (const std::string& rejected : stayed)
        if (BlocksASlot(plan, folder, rejected))
            return SaveFailed(rejected + ": could not be moved out of the project");
    if (!CreateSubfolders(folder, plan.needsSubfolder, created))
        return SaveFailed();
    if (ISaveRecorder* recorder = Services().SaveRecorder(); recorder != nullptr)
        recorder->BeforeStaging(folder, plan);
    if (!StageAll(plan, work, Services().Progress(), FolderName(m_data))) {
        SaveFailed();
        RemoveStaged(plan);
        RemoveCreated(created);
        return false;
    }
    const std::vector<MovedEntry> onlyInWork = MovedEntriesOf(*this, plan);
    if (!AddMovedEntries(work, onlyInWork)) {
        SaveFailed();
        RemoveStaged(plan);
        return false;
    }
    if (!Commit(plan, folder, report)) {
        std::vector<std::string> files;
        for (const MovedEntry& entry : onlyInWork)
            files.push_back(entry.file);
        if (!Exists(folder + kJournalName) && !Exists(folder + kPlacingJournalName))
            TakeOffMovedEntries(work, files); // the originals stayed
        return false;
    }
    ApplySavePlan(plan);
    m_touched = clean ? TouchedParts(folder, plan, movedOut, created) : CFolderSignature::kAllParts;
    return true;
}

bool CLumFileDocument::SaveNewFolder(const std::string& sourceFolder) {
    const std::string target = WithoutSlash(m_data.ProjectFolder());
    const std::string parent = ParentOf(target);
    const std::string stage = StageFolderOf(target);
    if (const std::string notice = ClearStagedProjects(parent); !notice.empty())
        Services().ShowNotice(notice); // what interrupted saves beside it left
    if (Exists(stage))
        return SaveFailed(WithoutSlash(stage) +
                          " is in the way: another program may be saving into " + target);
    CSavePlan plan;
    bool ok = Fs().CreateDirectory(WithoutSlash(stage)) == CreateDirResult::Created;
    // Held while it is built, so that no other run takes it for one an interrupted save left;
    // the lock stays with the folder when it is renamed into place.
    CProjectLock building;
    if (ok)
        building.Take(stage, LockMode::Exclusive, std::chrono::milliseconds(0));
    for (int kind = kPatchKind; ok && kind <= kWaveKind; ++kind)
        ok = Fs().CreateDirectory(stage + WithoutSlash(SubfolderName(kind))) ==
             CreateDirResult::Created;
    ok = ok && PlanSave(*this, SaveMode::NewFolder, stage, sourceFolder, {}, plan) &&
         StageAll(plan, Services().m_workFolder, Services().Progress(), FolderName(m_data));
    for (int kind = kPatchKind; ok && kind <= kWaveKind; ++kind)
        ok = Fs().SyncDirectory(stage + SubfolderName(kind));
    // The folder appears complete in one rename (over an empty folder of that name, if any).
    ok = ok && Fs().SyncDirectory(stage) && Fs().Rename(WithoutSlash(stage), target);
    if (ok && !Fs().SyncDirectory(parent.empty() ? "." : parent)) {
        // Not known to be durable: the target goes back to how it was.
        SaveFailed();
        Fs().Rename(target, WithoutSlash(stage));
        ok = false;
    }
    if (!ok) {
        SaveFailed();
        RemoveTree(stage);
        return false;
    }
    ApplySavePlan(plan);
    m_rejected.clear();
    return true;
}

bool CLumFileDocument::SaveReplacing(const std::string& sourceFolder, CMoveOutReport& report) {
    const std::string folder = m_data.ProjectFolder();
    if (const std::string why = Recover(folder, report, Services()); !why.empty())
        return SaveFailed(why);
    std::vector<std::string> replaced, leftovers;
    if (!ListReplaced(folder, replaced, leftovers) ||
        !ClearSaveLeftovers(folder, leftovers, MoveOutInto(folder, report)))
        return SaveFailed();
    CSavePlan plan;
    std::vector<std::string> created;
    if (!PlanSave(*this, SaveMode::Replace, {}, sourceFolder, replaced, plan))
        return SaveFailed();
    const bool all[3] = {true, true, true};
    if (!CreateSubfolders(folder, all, created))
        return SaveFailed();
    if (ISaveRecorder* recorder = Services().SaveRecorder(); recorder != nullptr)
        recorder->BeforeStaging(folder, plan);
    if (!StageAll(plan, Services().m_workFolder, Services().Progress(), FolderName(m_data))) {
        SaveFailed();
        RemoveStaged(plan);
        RemoveCreated(created);
        return false;
    }
    if (!Commit(plan, folder, report)) {
        RemoveCreated(created);
        return false;
    }
    ApplySavePlan(plan);
    m_rejected.clear();
    return true;
}

bool CLumFileDocument::SaveFolder(SaveMode mode, const std::string& sourceFolder,
                                  bool folderUnchanged, const CFolderSignature* found) {
    CMoveOutReport report;
    m_foundBySave = found;
    m_saveProblem.clear();
    m_savePending = false;
    ClearLastFileError();
    m_touched = CFolderSignature::kAllParts;
    bool saved = false;
    switch (mode) {
    case SaveMode::InPlace:
        saved = SaveInPlace(report, folderUnchanged);
        break;
    case SaveMode::NewFolder:
        saved = SaveNewFolder(sourceFolder);
        break;
    case SaveMode::Replace:
        saved = SaveReplacing(sourceFolder, report);
        break;
    }
    m_foundBySave = nullptr;
    // A failed save may have left some files changed and others not: the next save reads them.
    if (!saved)
        m_known.ForgetAll();
    if (!report.Empty())
        Services().ShowNotice(report.Text());
    return saved;
}

void CLumFileDocument::HandOverSharedFiles() {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::unordered_set<std::string> used = PathsUsedElsewhere(*this, kind, &m_data);
        for (const std::string& path : m_data.SlotPaths(kind)) {
            if (path.empty() || used.count(path) == 0)
                continue;
            const std::string copy = WorkCopyPath(path);
            // Copy first: a record is only pointed at a copy that exists.
            if (CopyDataFile(path, copy))
                RedirectRecords(*this, path, copy, kind, &m_data);
        }
    }
}

} // namespace Corv
