#pragma once

#include "model/lum_data.h"
#include "storage/folder_signature.h"
#include "storage/folder_transaction.h"
#include "storage/known_files.h"
#include "storage/move_out.h"

#include <functional>
#include <string>
#include <vector>

namespace Corv {

class CDomain;
class CUndoStep;
struct CSavePlan;
enum class SaveMode;

// What the last load left out or stumbled on, for telling the user which files it was.
struct LoadReport {
    std::vector<std::string> notRegular;     // FIFOs, devices, sockets: left out, never opened
    std::vector<std::string> oversizedMemos; // memo files too large to be memo files: left out
    std::string unreadable;                  // the accepted file that made the load fail
};

// The part of a project document that the core works with: the project data, the files that
// loading could not place in a slot, loading and saving the folder, and the file copy.
class CLumFileDocument {
public:
    CLumFileDocument() = default;
    // Handing shared files over before a project goes is the closing owner's job
    // (HandOverSharedFiles); the destructor only frees.
    virtual ~CLumFileDocument() = default;
    CLumFileDocument(const CLumFileDocument&) = delete;
    CLumFileDocument& operator=(const CLumFileDocument&) = delete;

    // Copies a whole file byte for byte; the destination is created or truncated with the
    // user's default permissions. False when any step fails.
    virtual bool CopyDataFile(const std::string& source, const std::string& destination);
    // The project data of every open project document whose modified flag is set.
    virtual std::vector<CLumData*> ModifiedProjectData() = 0;
    // Every open project document, this one included.
    virtual std::vector<CLumFileDocument*> OpenProjectDocuments() = 0;
    // The undo step of the open projects: saving redirects the records it holds too, and a
    // save drops the step of its own project.
    virtual CUndoStep& UndoStep() = 0;
    // The services the open projects share (sinks, work folder).
    virtual CDomain& Services() = 0;
    // How the user knows the project: its folder, or its title while it has none.
    virtual std::string Label() const { return m_data.ProjectFolder(); }

    CLumData& Data() { return m_data; }
    const CLumData& Data() const { return m_data; }
    std::vector<std::string>& RejectedFiles() { return m_rejected; }
    const std::vector<std::string>& RejectedFiles() const { return m_rejected; }

    // --- Loading a folder (the path is normalised: "/" separators, ends in "/").
    // Starts the rejected files list and the load report afresh. Files that are not regular
    // files are never slot files: the loader keeps them out of the lists and hands them to
    // `LeaveOut` after a successful `LoadAll`.
    bool LoadAll(const std::string& path, std::vector<std::string> patchFiles,
                 std::vector<std::string> toneFiles, std::vector<std::string> waveFiles);
    // Stores the project folder; true when the folder's name ends in ".prj" (any case).
    bool SetProjectPath(const std::string& path);
    // Places found files into slots by their numbers; files that break the naming rule go to
    // the rejected files list.
    bool PlaceFiles(int kind, std::vector<std::string> files);
    bool LoadPatches();
    bool LoadTones();
    bool LoadWaves();
    // True when every used slot's file can be opened for reading. The folders in `listed` (may
    // be null) were listed just now and are not listed again.
    // With `missing`, every missing file's path is put there (not only the first).
    bool SourceFilesPresent(const FolderListings* listed = nullptr,
                            std::vector<std::string>* missing = nullptr) const;
    // Puts files that are not regular files into the rejected files list (a save moves them
    // out of the project) and into the load report.
    void LeaveOut(const std::vector<std::string>& notRegular);
    const LoadReport& LastLoadReport() const { return m_loadReport; }
    // Hands each wave file the load opens, before it is closed, to `reader` with the wave's
    // 0-based slot: a caller that needs the waves' bytes (their fingerprints) reads them in the
    // same pass instead of opening every wave again. The load may call it from several threads
    // at once, each call for a slot of its own. An empty reader reads nothing.
    void SetWaveReader(std::function<void(std::size_t, IFile&)> reader) {
        m_waveReader = std::move(reader);
    }
    // What the project's own patch, tone and memo files hold as the last load or save found or
    // wrote them (a save that failed forgets it all).

    // --- Saving (see project_saver.cpp).
    // Copies files of this project that records of other open projects still use to the work
    // folder and points those records at the copies (before the project closes).
    void HandOverSharedFiles();
    // Why the last save failed ("PATH: REASON"), where that is known; empty otherwise.
    const std::string& SaveProblem() const { return m_saveProblem; }
    // What the last successful save did to the folder: files written (new or changed content),
    // files that only took another name, and files removed or moved out.
    struct SaveCounts {
        int written = 0;
        int renamed = 0;
        int removed = 0;
    };
    const SaveCounts& LastSaveCounts() const { return m_saveCounts; }
    // True when the last failed save stopped with its journal in the folder: the next open
    // completes it, so the folder is neither as it was nor fully saved until then.
    bool SaveLeftPending() const { return m_savePending; }

protected:
    // Writes the project into its project folder in the given way; `sourceFolder` is where the
    // system files come from when saving elsewhere. Shows a notice when files were moved out.
    // `folderUnchanged`: the folder is as the last load or save left it, so that a save in place
    // may compare the project with what it knows of the files instead of reading them.
    // `found` (may be null): the folder as the save found it under its lock, before it wrote.
    bool SaveFolder(SaveMode mode, const std::string& sourceFolder, bool folderUnchanged = false,
                    const CFolderSignature* found = nullptr);
    // Records why a save failed: the given text, or the last failed file operation.
    bool SaveFailed(const std::string& problem = {});
    // A save starts without a reason for failing.
    void ClearSaveProblem() { m_saveProblem.clear(); }
    // The parts of the folder's signature (CFolderSignature) the last save in place may have
    // changed; every part after any other save.
    unsigned PartsTouchedBySave() const { return m_touched; }

private:
    // Reads the memo file of a kind and keeps its text; one that is refused is left out like a
    // rejected file.
    void ReadMemos(int kind);

    // Keeps the record areas the load read, by slot, under the slot files' paths.
    void RememberAreas(int kind, std::vector<KnownAreaPtr>& areas);

    bool SaveInPlace(CMoveOutReport& report, bool folderUnchanged);
    bool SaveNewFolder(const std::string& sourceFolder);
    bool SaveReplacing(const std::string& sourceFolder, CMoveOutReport& report);
    bool Commit(const CSavePlan& plan, const std::string& folder, CMoveOutReport& report);
    // The folder as the running save found it (null when it did not list it).
    const CFolderSignature* m_foundBySave = nullptr;
    // After a save: records follow their files, slots name their files, the undo step goes,
    // and what the save wrote is known (taken out of the plan).
    void ApplySavePlan(CSavePlan& plan);

    CLumData m_data;
    std::vector<std::string> m_rejected;
    LoadReport m_loadReport;
    std::function<void(std::size_t, IFile&)> m_waveReader;
    CKnownFiles m_known;
    unsigned m_touched = 0;
    std::string m_saveProblem;
    SaveCounts m_saveCounts;
    bool m_savePending = false;
};

// Appends "/", collapses doubled backslashes and turns backslashes into "/". Trailing
// separators of the given path are dropped first, so "Song.prj/" and "Song.prj" are one folder.
std::string NormaliseFolderPath(const std::string& path);
// The same for the folder's real path: absolute, links resolved as far as the folder exists
// (the rest as written), so that every spelling of one folder gives one text.
std::string RealFolderPath(const std::string& folder);

// Whether the folder's name ends in ".prj", in any letter case (trailing separators ignored):
// the name every project folder has.
bool IsProjectFolderName(const std::string& path);

} // namespace Corv
