// Saving a project document into a folder: which folder it may go to, the questions asked
// first, and the locks held while it is written (the writing itself is project_saver.cpp).
#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/folder_signature.h"
#include "storage/project_document.h"
#include "storage/save_paths.h"
#include "storage/save_plan.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <cctype>

namespace Corv {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

// False when the folder is another open project's; `elsewhere` is cleared when it is the
// document's own. The same folder under another spelling (a link, for one) counts as taken:
// it would pass as a folder to replace, and replacing it would take the very files that this
// project, or another open one, is made of.
bool TargetIsFree(const CProjectDocument& self, const std::string& folder, bool& elsewhere) {
    const auto& documents = CProjectDocuments::Get().Documents();
    for (const auto& document : documents) {
        if (document->Data().ProjectFolder() != folder)
            continue;
        if (document.get() != &self) // never over another open project
            return false;
        elsewhere = false;
    }
    if (!elsewhere)
        return true;
    return std::none_of(documents.begin(), documents.end(), [&folder](const auto& document) {
        const std::string open = document->Data().ProjectFolder();
        return !open.empty() && Fs().SameDirectory(open, folder);
    });
}

// What a folder that is not the project's own holds: nothing (it is built new), a project or
// other content (replaced), or subfolders a save must never write through.
struct TargetState {
    bool empty = true;    // missing, or a folder without entries
    bool existed = false; // a "Patch", "Tone" or "Wave" entry is there: the user is asked
    bool unsafe = false;
};

TargetState InspectTarget(const std::string& folder) {
    TargetState state;
    const FileStatus status = Fs().Status(folder);
    if (status.type == FileType::Missing && !status.isLink && !status.failed)
        return state;
    std::vector<DirEntry> entries;
    if (status.type != FileType::Directory || !Fs().ListFolder(folder, entries)) {
        state.unsafe = true;
        return state;
    }
    state.empty = entries.empty();
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string sub = folder + SubfolderName(kind);
        const FileStatus subStatus = Fs().Status(WithoutSlash(sub)); // the link itself
        if (subStatus.type == FileType::Missing && !subStatus.isLink && !subStatus.failed)
            continue;
        state.existed = true;
        // A subfolder that is a link (or no folder at all) may lead into another project.
        if (subStatus.isLink || subStatus.type != FileType::Directory)
            state.unsafe = true;
        for (const auto& document : CProjectDocuments::Get().Documents()) {
            const std::string open = document->Data().ProjectFolder();
            if (!open.empty() && Fs().SameDirectory(open + SubfolderName(kind), sub))
                state.unsafe = true;
        }
    }
    return state;
}

} // namespace

bool CProjectDocument::SaveProject(const std::string& path) {
    if (m_readOnly)
        return false; // the program's own copy of a version, only there to be looked at
    CDomain& domain = Services();
    const std::string folder = NormaliseFolderPath(path);
    ClearLastFileError();
    ClearSaveProblem(); // a reason left from an earlier save is not this one's
    m_replaceDeclined = false;
    // Every record's file must be there before anything changes. A save in place checks under
    // the folder's lock, with the listings it makes of the folder then.
    const bool ownFolder = folder == Data().ProjectFolder();
    if (!ownFolder && !SourceFilesPresent()) {
        const std::string missing = LastFileError().Text();
        Fs().RemoveDirectory(folder.substr(0, folder.size() - 1));
        domain.ShowError(kMsgSaveFailed, missing);
        return false;
    }
    bool elsewhere = true;
    // A folder that is no project is refused before anything on disk changes.
    if (!TargetIsFree(*this, folder, elsewhere)) {
        domain.ShowError(kMsgSaveFailed, folder + " is open here as another project");
        return false;
    }
    if (!IsProjectFolderName(folder)) {
        domain.ShowError(kMsgSaveFailed, folder + " is not a folder named *.prj");
        return false;
    }
    SaveMode mode = SaveMode::InPlace;
    // A link among the subfolders would take every file of the save elsewhere: refused before
    // anything (a rejected file moved out, a leftover cleared) changes.
    const std::string unsafe = elsewhere ? std::string() : UnsafeSubfolder(folder);
    if (!unsafe.empty()) {
        domain.ShowError(kMsgSaveFailed,
                         unsafe + "; the project can only be saved elsewhere (Save As)");
        return false;
    }
    if (elsewhere) {
        const TargetState target = InspectTarget(folder);
        if (target.unsafe) {
            domain.ShowError(kMsgSaveFailed,
                             folder + " holds something other than a project's folders");
            return false;
        }
        if (target.existed) {
            const int answer = domain.Ask(kButtonsYesNo, kMsgReplaceProject);
            if (answer != kAnswerYes) {
                m_replaceDeclined = answer == kAnswerNo; // Cancel ends the Save As
                return false;
            }
        }
        mode = target.empty ? SaveMode::NewFolder : SaveMode::Replace;
    }

    CDocumentHooks& hooks = CProjectDocuments::Get().Hooks();
    const std::string remembered = Data().ProjectFolder();
    hooks.BeginWait();
    const SaveOutcome outcome = SaveLocked(folder, mode, elsewhere);
    hooks.EndWait();
    if (outcome != SaveOutcome::Saved) {
        Data().SetProjectFolder(remembered);
        if (outcome == SaveOutcome::Failed)
            domain.ShowError(kMsgSaveFailed, SaveProblem());
        return false;
    }
    m_pathName = path;
    m_title = std::string(FileNamePart(folder.substr(0, folder.size() - 1)));
    hooks.RecentFile(path);
    SetModifiedFlag(false);
    return true;
}

CProjectDocument::SaveOutcome CProjectDocument::SaveLocked(const std::string& folder, SaveMode mode,
                                                           bool elsewhere) {
    const std::chrono::milliseconds wait = CProjectDocuments::Get().LockWait();
    const std::string remembered = Data().ProjectFolder();
    ClearSaveProblem();
    // The folder written is held exclusively for the whole save: the project's own (its
    // shared lock changes mode), or the folder a Save As replaces. A new folder is built
    // under a name of its own and appears complete in one rename.
    CProjectLock replaced;
    if (mode != SaveMode::NewFolder) {
        const CProjectLock::Outcome outcome = mode == SaveMode::Replace
                                                  ? replaced.Take(folder, LockMode::Exclusive, wait)
                                                  : m_lock.Change(LockMode::Exclusive, wait);
        if (outcome == CProjectLock::Outcome::Busy) {
            SaveFailed(OpenForChangesText(folder));
            return SaveOutcome::Failed;
        }
        if (outcome == CProjectLock::Outcome::Unsupported)
            CProjectDocuments::Get().TellNoLocks(folder);
    }
    // The folder as the save finds it; read again after the save only where the save wrote.
    CFolderSignature found;
    FolderListings listed;
    if (mode == SaveMode::InPlace) {
        found.Read(folder, CFolderSignature::kAllParts, &listed);
        if (!SourceFilesPresent(&listed)) {
            SaveFailed(LastFileError().Text());
            m_lock.Change(m_lockMode, wait);
            return SaveOutcome::Failed;
        }
    }
    const bool changedOnDisk = mode == SaveMode::InPlace && ChangedSinceSeen(found);
    if (changedOnDisk && Services().Ask(kButtonsYesNo, kMsgChangedOnDisk) != kAnswerYes) {
        m_lock.Change(m_lockMode, wait);
        return SaveOutcome::Declined;
    }
    // Unchanged since it was last loaded or saved here, and held exclusively until the save
    // ends, the folder's files still hold what this document knows of them.
    const bool folderUnchanged = mode == SaveMode::InPlace && !changedOnDisk;
    const bool saved = SetProjectPath(folder) &&
                       SaveFolder(mode, elsewhere ? remembered : std::string(), folderUnchanged,
                                  mode == SaveMode::InPlace ? &found : nullptr);
    if (saved && elsewhere) {
        // The document now belongs to the folder it was saved into, and holds that one's lock.
        if (mode == SaveMode::Replace)
            m_lock = std::move(replaced);
        else
            m_lock.Take(folder, LockMode::Exclusive, wait);
    }
    if (saved || !elsewhere) {
        // Seen while the lock is still exclusive: no other program's change can slip in between.
        // A save in place changed only the parts it wrote; a change another program made to
        // the others meanwhile (on a file system without locks) still shows at the next save.
        // A failed save may have changed anything: those changes are its own.
        if (saved && mode == SaveMode::InPlace) {
            found.ReadAfterOwnChanges(folder, PartsTouchedBySave());
            m_seen = std::move(found);
        } else {
            NoteFolderSeen();
        }
        m_lock.Change(m_lockMode, wait);
    }
    return saved ? SaveOutcome::Saved : SaveOutcome::Failed;
}
} // namespace Corv
