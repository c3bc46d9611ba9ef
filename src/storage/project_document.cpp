#include "storage/project_document.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/folder_signature.h"
#include "storage/folder_transaction.h"
#include "storage/move_out.h"
#include "storage/moved_entries.h"
#include "storage/save_paths.h"
#include "storage/slot_file_name.h"
#include "storage/staged_projects.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace Corv {

namespace {

// The files found in the three subfolders, each with the subfolder's patterns.
struct FolderScan {
    std::vector<std::string> files[3];
    // Entries that match but are not regular files (FIFOs, devices, sockets, links to them).
    std::vector<std::string> notRegular;
    // Files an interrupted save left, relative to the folder.
    std::vector<std::string> leftovers;
};

// Lists the entries of a subfolder that match any of the patterns, each entry once even when
// it matches several patterns, prefixed with the folder path. Folders are skipped; something
// else that is not a regular file is never a slot file and goes to `notRegular`, never to be
// opened. A dangling link stays among the files: a slot name on it keeps the project from
// loading, as a missing file does. Files an interrupted save left go to `leftovers`.
bool ScanFolder(const std::string& folder, int kind, std::initializer_list<const char*> patterns,
                FolderScan& scan) {
    const std::string subfolder = folder + SubfolderName(kind);
    std::vector<DirEntry> entries;
    if (!FileSystem().ListFolder(subfolder, entries))
        return false;
    std::erase_if(entries, [&](const DirEntry& entry) {
        if (!IsSaveLeftoverName(entry.name))
            return entry.type == FileType::Directory;
        scan.leftovers.push_back(SubfolderName(kind) + entry.name);
        return true;
    });
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    for (const char* pattern : patterns)
        for (DirEntry& entry : entries)
            if (!entry.name.empty() && MatchesPattern(entry.name, pattern)) {
                (entry.type == FileType::Other ? scan.notRegular : scan.files[kind])
                    .push_back(subfolder + entry.name);
                entry.name.clear(); // listed once
            }
    return true;
}

bool FolderExists(const std::string& normalised) {
    return FileSystem().IsDirectory(normalised);
}

// Lists the three subfolders; why one cannot be read, or empty.
std::string ScanSubfolders(const std::string& folder, FolderScan& scan) {
    if (!ScanFolder(folder, kPatchKind, {"*.d00"}, scan))
        return std::string(SubfolderName(kPatchKind)) + " cannot be read";
    if (!ScanFolder(folder, kToneKind, {"*.p00"}, scan))
        return std::string(SubfolderName(kToneKind)) + " cannot be read";
    if (FolderExists(folder + SubfolderName(kWaveKind)) &&
        !ScanFolder(folder, kWaveKind, {"*.w*", "*.aif*", "*.vpw"}, scan))
        return std::string(SubfolderName(kWaveKind)) + " cannot be read";
    return {};
}

// The last folder name of a path, the title of an opened project.
std::string FolderTitle(const std::string& normalised) {
    std::string trimmed = normalised;
    if (!trimmed.empty())
        trimmed.pop_back();
    return std::string(FileNamePart(trimmed));
}

// Tells which files a successful load left out.
void TellLeftOut(const LoadReport& report, CDomain& services) {
    std::vector<std::string> odd = report.notRegular;
    std::sort(odd.begin(), odd.end());
    if (!odd.empty())
        services.ShowNotice(
            NoticeText("1 file in this project is not a regular file and was left out:",
                       "files in this project are not regular files and were left out:", odd));
    if (!report.oversizedMemos.empty())
        services.ShowNotice(NoticeText(
            "1 memo file is too large to be one and was left out; its memos are empty:",
            "memo files are too large to be memo files and were left out; their memos are empty:",
            report.oversizedMemos));
}

// The path of a file of the project as the user finds it in the project folder.
std::string InFolder(const std::string& folder, const std::string& path) {
    return path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path;
}

// Why a folder cannot be loaded as a project before anything in it is read; empty when it can.
// It must exist, be named *.prj and hold a "Patch" and a "Tone" folder ("Wave" may be missing).
std::string FolderProblem(const std::string& folder) {
    if (!FolderExists(folder)) {
        const std::string bare = folder.substr(0, folder.size() - 1);
        return FileSystem().Status(bare).type == FileType::Missing ? folder + " is missing"
                                                                   : bare + " is not a folder";
    }
    if (!IsProjectFolderName(folder))
        return folder + " is not a folder named *.prj";
    for (const int kind : {kPatchKind, kToneKind}) {
        const std::string subfolder = SubfolderName(kind);
        if (FolderExists(folder + subfolder))
            continue;
        const std::string bare = folder + subfolder.substr(0, subfolder.size() - 1);
        return FileSystem().Status(bare).type == FileType::Missing ? subfolder + " is missing"
                                                                   : subfolder + " is not a folder";
    }
    return {};
}

// What is wrong with an accepted patch, tone or wave file that the load could not read.
std::string FileProblem(const std::string& folder, const std::string& path) {
    const FileStatus status = FileSystem().Status(path);
    if (status.type == FileType::Missing && !status.failed)
        return status.isLink ? "a link to nothing" : "missing";
    if (status.type == FileType::Directory || status.type == FileType::Other)
        return "not a regular file";
    const auto in = [&](int kind) {
        const std::string subfolder = folder + SubfolderName(kind);
        return path.compare(0, subfolder.size(), subfolder) == 0;
    };
    const bool patch = in(kPatchKind);
    const bool tone = in(kToneKind);
    const auto file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return "cannot be opened";
    if (!patch && !tone)
        return "cannot be read"; // a wave only has to open
    const std::string what = patch ? "patch" : "tone";
    std::vector<std::uint8_t> prefix(patch ? kPatchPrefixBytes : kTonePrefixBytes);
    const std::int64_t read = file->Read(prefix.data(), prefix.size());
    if (read < 0)
        return "cannot be read";
    const auto& header = patch ? PatchHeaderTemplate() : ToneHeaderTemplate();
    if (read >= static_cast<std::int64_t>(kSvdComparedHeaderBytes) &&
        !std::equal(header.begin(), header.begin() + kSvdComparedHeaderBytes, prefix.begin()))
        return "not a " + what + " file";
    if (read < static_cast<std::int64_t>(prefix.size()))
        return "too short to be a " + what + " file (" + std::to_string(read) + " bytes)";
    return "cannot be read";
}

// Completes or undoes a save of the folder that was interrupted, before the folder is read, and
// tells the user what was done. Why the folder could not be made consistent, or empty;
// `untouched` when the folder must be left as it is (a refused journal, subfolders that are
// not the project's own).
std::string RecoverInterruptedSave(const std::string& folder, bool& untouched, CDomain& services) {
    CMoveOutReport report;
    std::string problem;
    const Recovery recovery = RecoverProjectFolder(folder, MoveOutInto(folder, report), problem);
    untouched = recovery == Recovery::Refused || recovery == Recovery::Unsafe;
    if (recovery == Recovery::Completed)
        services.ShowNotice("The last save of " + folder +
                            " was interrupted. It has been completed now.");
    if (untouched)
        services.ShowNotice(problem);
    if (!report.Empty())
        services.ShowNotice(report.Text());
    return recovery == Recovery::Failed ? "an interrupted save could not be completed: " + problem
                                        : std::string();
}

// Why a load that read the folder's listing failed.
std::string LoadProblem(const std::string& folder, const LoadReport& report) {
    return report.unreadable.empty() ? folder + " is not a folder named *.prj"
                                     : InFolder(folder, report.unreadable) + ": " +
                                           FileProblem(folder, report.unreadable);
}

// True when an interrupted save left its journal, or files of its own, at the top of the folder:
// then the folder must be brought to a consistent state before it is read.
bool NeedsRecovery(const std::string& folder) {
    for (const char* journal : {kJournalName, kPlacingJournalName}) {
        const FileStatus status = FileSystem().Status(folder + journal);
        if (status.type != FileType::Missing || status.isLink || status.failed)
            return true;
    }
    std::vector<DirEntry> entries;
    FileSystem().ListFolder(folder, entries);
    return std::any_of(entries.begin(), entries.end(),
                       [](const DirEntry& entry) { return IsSaveLeftoverName(entry.name); });
}

// Clears the staged files of a save that was interrupted before it changed anything.
void ClearLeftovers(const std::string& folder, const std::vector<std::string>& leftovers,
                    CDomain& services) {
    if (leftovers.empty())
        return;
    CMoveOutReport report;
    ClearSaveLeftovers(folder, leftovers, MoveOutInto(folder, report));
    if (!report.Empty())
        services.ShowNotice(report.Text());
}

class WaitCursor {
public:
    explicit WaitCursor(CDocumentHooks& hooks) : m_hooks(hooks) { m_hooks.BeginWait(); }
    ~WaitCursor() { m_hooks.EndWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    CDocumentHooks& m_hooks;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// CProjectDocument

std::vector<CLumData*> CProjectDocument::ModifiedProjectData() {
    std::vector<CLumData*> result;
    for (const auto& document : CProjectDocuments::Get().Documents())
        if (document->IsModified())
            result.push_back(&document->Data());
    return result;
}

std::vector<CLumFileDocument*> CProjectDocument::OpenProjectDocuments() {
    std::vector<CLumFileDocument*> result;
    for (const auto& document : CProjectDocuments::Get().Documents())
        result.push_back(document.get());
    return result;
}

CUndoStep& CProjectDocument::UndoStep() {
    return CProjectDocuments::Get().UndoStep();
}

CDomain& CProjectDocument::Services() {
    return CProjectDocuments::Get().Services();
}

void CProjectDocument::SetModifiedFlag(bool modified) {
    m_modified = modified;
    CProjectDocuments::Get().Hooks().ModifiedChanged(*this);
}

bool CProjectDocument::LoadProject(const std::string& path, LockMode mode) {
    const std::string folder = NormaliseFolderPath(path);
    m_lockMode = mode;
    std::string why = FolderProblem(folder);
    bool untouched = false;
    if (why.empty())
        why = TakeLock(folder, mode);
    // Only the holder of the exclusive lock completes a save: a save in flight holds it, so a
    // journal found under the lock was left by a program that ended. A folder whose subfolders
    // are not its own is never changed; recovery only says why.
    if (why.empty() && NeedsRecovery(folder)) {
        if (!Exclusively([&] { why = RecoverInterruptedSave(folder, untouched, Services()); }))
            why = folder + " holds an interrupted save, which cannot be completed while another "
                           "program has the project open";
    } else if (why.empty() && !UnsafeSubfolder(folder).empty()) {
        why = RecoverInterruptedSave(folder, untouched, Services());
    }
    FolderScan scan;
    CFolderSignature seen;
    if (why.empty())
        why = ScanSubfolders(folder, scan);
    if (why.empty()) {
        // Leftovers the loader skips anyway; they are cleared when no one else reads the folder.
        if (!untouched && !scan.leftovers.empty())
            Exclusively([&] { ClearLeftovers(folder, scan.leftovers, Services()); });
        WaitCursor wait(CProjectDocuments::Get().Hooks());
        // Taken before the files are read: a change made while they are read counts as one
        // made after the load, so that what the load learned of the files (the records, and
        // what the next save compares them with) is never taken for a later state of them.
        seen.Read(folder);
        if (!LoadAll(folder, std::move(scan.files[kPatchKind]), std::move(scan.files[kToneKind]),
                     std::move(scan.files[kWaveKind]))) {
            why = LoadProblem(folder, LastLoadReport());
        }
    }
    if (!why.empty()) {
        m_lock.Release();
        Services().ShowError(kMsgLoadFailed, why);
        return false;
    }
    LeaveOut(scan.notRegular);
    TellLeftOut(LastLoadReport(), Services());
    const std::string bare = folder.substr(0, folder.size() - 1);
    if (const std::string notice = ClearStagedProjects(bare.substr(0, bare.rfind('/') + 1));
        !notice.empty())
        Services().ShowNotice(notice);
    m_seen = std::move(seen);
    m_pathName = path;
    m_title = FolderTitle(folder);
    CProjectDocuments::Get().Hooks().RecentFile(path);
    SetModifiedFlag(false);
    return true;
}

bool CProjectDocument::ReadProject(const std::string& path, std::string& why) {
    const std::string folder = NormaliseFolderPath(path);
    m_lockMode = LockMode::Shared;
    why = FolderProblem(folder);
    if (why.empty())
        why = TakeLock(folder, LockMode::Shared, false);
    // Completing an interrupted save would write into the folder: such a folder is not read.
    if (why.empty() && NeedsRecovery(folder))
        why = folder + " holds an interrupted save";
    FolderScan scan;
    if (why.empty())
        why = ScanSubfolders(folder, scan);
    if (why.empty() &&
        !LoadAll(folder, std::move(scan.files[kPatchKind]), std::move(scan.files[kToneKind]),
                 std::move(scan.files[kWaveKind]))) {
        why = LoadProblem(folder, LastLoadReport());
    }
    m_lock.Release();
    if (!why.empty())
        return false;
    LeaveOut(scan.notRegular);
    m_pathName = path;
    m_title = FolderTitle(folder);
    return true;
}

std::string CProjectDocument::TakeLock(const std::string& folder, LockMode mode, bool tell) {
    CProjectDocuments& documents = CProjectDocuments::Get();
    switch (m_lock.Take(folder, mode, documents.LockWait())) {
    case CProjectLock::Outcome::Busy:
        return mode == LockMode::Exclusive ? OpenForChangesText(folder) : BeingSavedText(folder);
    case CProjectLock::Outcome::Unsupported:
        if (tell)
            documents.TellNoLocks(folder);
        break;
    case CProjectLock::Outcome::Locked:
    case CProjectLock::Outcome::NoFolder: // not ours to read: the load says why
        break;
    }
    return {};
}

bool CProjectDocument::Exclusively(const std::function<void()>& work) {
    const std::chrono::milliseconds wait = CProjectDocuments::Get().LockWait();
    if (m_lock.Change(LockMode::Exclusive, wait) == CProjectLock::Outcome::Busy)
        return false;
    work();
    m_lock.Change(m_lockMode, wait);
    return true;
}

void CProjectDocument::NoteFolderSeen() {
    m_seen.Read(Data().ProjectFolder());
}

bool CProjectDocument::ChangedOnDisk() const {
    const std::string& folder = Data().ProjectFolder();
    if (folder.empty() || m_readOnly)
        return false;
    CFolderSignature now;
    now.Read(folder);
    return ChangedSinceSeen(now);
}

bool CProjectDocument::ChangedSinceSeen(const CFolderSignature& now) const {
    return now.Value() != m_seen.Value();
}

bool CProjectDocument::DoSave(bool saveAs, const std::function<bool(std::string&)>& chooseFolder) {
    if (m_readOnly)
        return false; // the program's own copy of a version, only there to be looked at
    if (!saveAs && !m_pathName.empty())
        return SaveProject(m_pathName);
    // No to "Project already exists..." is a wish for another folder: the chooser comes back.
    std::string folder;
    do {
        folder.clear();
        if (!chooseFolder || !chooseFolder(folder))
            return false;
        if (SaveProject(folder)) {
            CProjectDocuments::Get().Hooks().RememberFolder(folder);
            return true;
        }
    } while (m_replaceDeclined);
    return false;
}

// ---------------------------------------------------------------------------------------------
// CProjectDocuments

CProjectDocuments& CProjectDocuments::Get() {
    static CProjectDocuments documents(CDomain::Get());
    return documents;
}

CDocumentHooks& CProjectDocuments::Hooks() {
    return m_hooks != nullptr ? *m_hooks : m_noHooks;
}

CProjectDocument& CProjectDocuments::Create() {
    m_documents.push_back(std::make_unique<CProjectDocument>());
    m_documents.back()->m_id = ++m_lastId;
    return *m_documents.back();
}

CProjectDocument& CProjectDocuments::New() {
    CProjectDocument& document = Create();
    document.SetTitle("Untitled" + std::to_string(++m_untitledCounter));
    document.SetModifiedFlag(false);
    return document;
}

CProjectDocument* CProjectDocuments::FindOpenProject(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    for (const auto& document : m_documents)
        if (document->Data().ProjectFolder() == folder)
            return document.get();
    // The same folder under another spelling (a link, "." and ".." parts, another letter case
    // where the file system ignores case) is the same project: two documents on one folder
    // would each save over the files the other one names.
    for (const auto& document : m_documents) {
        const std::string& open = document->Data().ProjectFolder();
        if (!open.empty() && FileSystem().SameDirectory(open, folder))
            return document.get();
    }
    return nullptr;
}

CProjectDocument* CProjectDocuments::OpenProject(const std::string& path, LockMode mode) {
    if (CProjectDocument* open = FindOpenProject(path)) {
        Hooks().Activate(*open);
        return open;
    }
    CProjectDocument& document = Create();
    if (!document.LoadProject(path, mode)) {
        // Nothing of a failed load stays behind; no other project can refer to it yet.
        m_documents.pop_back();
        return nullptr;
    }
    if (!path.empty())
        Hooks().RememberFolder(path);
    return &document;
}

CProjectDocument* CProjectDocuments::OpenReadOnly(const std::string& path, std::string& why) {
    CProjectDocument& document = Create();
    if (!document.ReadProject(path, why)) {
        m_documents.pop_back();
        return nullptr;
    }
    document.m_readOnly = true;
    return &document;
}

std::vector<CProjectDocument*>
CProjectDocuments::UnsavedHolders(const CProjectDocument& source) const {
    std::vector<CProjectDocument*> holders;
    std::unordered_set<std::string> dropped[3];
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const CParameterArray& records = source.Data().Records(kind);
        for (const std::string& path : source.Data().SlotPaths(kind))
            if (!path.empty())
                dropped[kind].insert(path);
        for (std::size_t i = 0; i < records.Size(); ++i)
            dropped[kind].erase(records.Item(i).FilePath());
    }
    for (const auto& document : m_documents) {
        if (document.get() == &source || !document->IsModified())
            continue;
        const auto holds = [&](int kind) {
            const CParameterArray& records = document->Data().Records(kind);
            for (std::size_t i = 0; i < records.Size(); ++i)
                if (dropped[kind].count(records.Item(i).FilePath()) != 0)
                    return true;
            return false;
        };
        if (holds(kPatchKind) || holds(kToneKind) || holds(kWaveKind))
            holders.push_back(document.get());
    }
    return holders;
}

namespace {

// Puts one listed entry into the first free slot of its kind from its own number on; false when
// its file cannot be read as one of its kind or no slot is free.
bool PlaceMovedEntry(CLumData& data, const MovedEntry& entry, const std::string& path) {
    const auto place = [&](auto& records, auto record, bool read) {
        std::size_t slot = static_cast<std::size_t>(std::max(entry.number, 1) - 1);
        while (slot < records.Size() && !records.Item(slot).IsEmpty())
            ++slot;
        if (!read || slot >= records.Size())
            return false;
        record->SetFilePath(path);
        record->SetName(entry.name);
        for (int n = 1; n <= 4; ++n)
            record->SetMemo(n, entry.memos[static_cast<std::size_t>(n - 1)]);
        records.Place(slot, std::move(record));
        return true;
    };
    switch (entry.kind) {
    case kPatchKind: {
        auto patch = std::make_unique<CPatch>();
        const bool read = ReadPatchFile(path, *patch);
        return place(data.Patches(), std::move(patch), read);
    }
    case kToneKind: {
        auto tone = std::make_unique<CTone>();
        const bool read = ReadToneFile(path, *tone);
        return place(data.Tones(), std::move(tone), read);
    }
    default:
        return place(data.Waves(), std::make_unique<CWave>(),
                     FileSystem().ReadableFileSize(path) >= 0);
    }
}

} // namespace

CProjectDocument* CProjectDocuments::OpenMovedEntries(const std::string& workFolder) {
    const std::vector<MovedEntry> entries = ReadMovedEntries(workFolder);
    CProjectDocument& document = New();
    CLumData& data = document.Data();
    bool any = false;
    for (const MovedEntry& entry : entries)
        any = PlaceMovedEntry(data, entry, workFolder + entry.file) || any;
    if (!any) {
        m_documents.pop_back();
        --m_untitledCounter;
        return nullptr;
    }
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
    document.SetModifiedFlag(true);
    // The files stay where they are: new work files must not take their numbers.
    for (const MovedEntry& entry : entries)
        m_services.m_workFileCounter =
            std::max(m_services.m_workFileCounter,
                     static_cast<unsigned>(std::max(ParseSlotNumber(entry.file), 0)) + 1);
    return &document;
}

void CProjectDocuments::Close(CProjectDocument& document) {
    document.HandOverSharedFiles();
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [&](const auto& d) { return d.get() == &document; });
    if (m_undo.Owns(&document.Data()))
        m_undo.Clear(); // it would name a project that is gone
    if (it != m_documents.end())
        m_documents.erase(it);
}

void CProjectDocuments::CloseAll() {
    while (!m_documents.empty())
        Close(*m_documents.back());
    m_untitledCounter = 0;
}

CProjectDocument* CProjectDocuments::DocumentOf(const CLumData* data) {
    for (const auto& document : m_documents)
        if (&document->Data() == data)
            return document.get();
    return nullptr;
}

void CProjectDocuments::TellNoLocks(const std::string& folder) {
    if (m_toldNoLocks)
        return;
    m_toldNoLocks = true;
    m_services.ShowNotice(NoLocksText(folder));
}

std::vector<CProjectDocument*> CProjectDocuments::Undo() {
    std::vector<CProjectDocument*> touched;
    for (CLumData* owner : m_undo.Undo())
        if (CProjectDocument* document = DocumentOf(owner))
            touched.push_back(document);
    for (CProjectDocument* document : touched)
        document->SetModifiedFlag(true);
    return touched;
}

} // namespace Corv
