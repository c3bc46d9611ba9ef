#pragma once

#include "history/folder_state.h"
#include "history/history_store.h"
#include "storage/journal_text.h"
#include "storage/save_recorder.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace Corv {
class CDomain;
}

namespace Corv::History {

// Keeps a version of a project before every save that replaces files in an existing folder
// (a save in place, a Save As over another project), and the head that says what the folder
// held after the last save, so that the next version hashes only what changed since.
class CHistoryRecorder : public ISaveRecorder {
public:
    CHistoryRecorder(std::string historyFolder, std::string programVersion,
                     Retention retention = {});
    ~CHistoryRecorder() override;
    CHistoryRecorder(const CHistoryRecorder&) = delete;
    CHistoryRecorder& operator=(const CHistoryRecorder&) = delete;

    void BeforeStaging(const std::string& folder, const CSavePlan& plan) override;
    bool BeforeCommit(const std::string& folder, const CSavePlan& plan, const CLumData& data,
                      const FolderEntries* listed, std::string& why) override;
    void AfterCommit(const std::string& folder, bool committed) override;

    // The note the next version gets ("before restore"); it applies to one save only.
    void SetNextNote(std::string note) { m_nextNote = std::move(note); }
    // The files under `folder` (a version written out) hold the bytes `files` names: a save
    // that copies one of them as it is takes its hash from here instead of reading the copy.
    // It applies to the next save only, and only while a file is unchanged.
    void VouchFor(const std::string& folder, const std::vector<FileEntry>& files);
    // Waits for the head and retention work of the last save and for the files of the save
    // under way being kept, when they run on threads of their own.
    void WaitForBackground();
    // The store, once the work left from the last save is done.
    CHistoryStore& Store() {
        WaitForBackground();
        return m_store;
    }
    const Retention& Retentions() const { return m_retention; }
    // The number of the version the last save recorded (0: none).
    int LastVersion() const { return m_lastVersion; }

private:
    // What the save about to commit leaves, for the head after it: the folder before (the
    // head, or the version described now), the steps that turn it into the folder after, the
    // staged files those steps put in place (by their staged path), and what changes: when
    // the steps could be followed, the files and slots that differ after (`changes`), else the
    // used slots after.
    struct Pending {
        std::string project;
        std::shared_ptr<const Manifest> before;
        std::vector<CommitStep> steps;
        std::map<std::string, FileEntry> staged;
        bool followed = false;
        Manifest changes;
        std::vector<SlotEntry> usedSlots;
    };
    bool Record(const std::string& folder, const CSavePlan& plan, const CLumData& data,
                const FolderEntries* listed, std::string& why);
    // Stores the bytes of the files (of the folder before the save) that the save replaces
    // (`replaced`, relative paths) and the store lacks, adding them to `storedBytes`.
    bool KeepReplaced(const std::string& folder, const std::set<std::string>& replaced,
                      const std::vector<FileEntry>& files, std::uint64_t& storedBytes,
                      std::string& why);
    // What the pending save's steps do to the files: the files at the kept paths they put a
    // file at (`placed`) and the paths of files before that they leave empty (`vacated`);
    // false when a step names a file neither the folder nor the staged files hold.
    static bool StepsOnFiles(const Pending& pending, PlacedFiles& placed,
                             std::vector<std::string>& vacated);

    CHistoryStore m_store;
    std::string m_program;
    Retention m_retention;
    // The hashes by identity of the head last used, kept while the store keeps that head.
    std::shared_ptr<const Manifest> m_knownHead;
    KnownHashes m_known;
    KnownHashes m_vouched;   // the files the caller vouched for, for the next save
    FilesByName m_headFiles; // the files of the head below, by name
    std::shared_ptr<const Manifest> m_headFilesOf;
    std::string m_nextNote;
    std::optional<Pending> m_pending;
    int m_lastVersion = 0;
    std::thread m_background; // writes the head of the last save and prunes; joined before use
    // Keeps the files the save under way replaces while it stages (`m_earlyStored`: the
    // objects it added, by hash, with their sizes, for the version's account of its bytes).
    std::thread m_early;
    std::map<std::string, std::uint64_t> m_earlyStored;
    bool m_earlyFailed = false;
    std::string m_earlyFolder;
};

// Installs a history recorder into the store of services (replacing any); `historyFolder`
// empty: DefaultHistoryFolder(), and no history at all when that is empty too. Returns the
// recorder installed, or null.
CHistoryRecorder* InstallRecorder(CDomain& services, const std::string& historyFolder,
                                  const std::string& programVersion, Retention retention = {});
// The history recorder the services hold, or null.
CHistoryRecorder* InstalledRecorder(CDomain& services);

} // namespace Corv::History
