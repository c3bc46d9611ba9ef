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

    bool BeforeCommit(const std::string& folder, const CSavePlan& plan, const CLumData& data,
                      const FolderEntries* listed, std::string& why) override;
    void AfterCommit(const std::string& folder, bool committed) override;

    // The note the next version gets ("before restore"); it applies to one save only.
    void SetNextNote(std::string note) { m_nextNote = std::move(note); }
    // Waits for the head and retention work of the last save, when it runs on its own thread.
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
    // What the save about to commit leaves, for the head after it: the version (the folder
    // before), the steps that turn it into the folder after, the staged files those steps put
    // in place (by their staged path) and the used slots after.
    struct Pending {
        std::string project;
        std::shared_ptr<Manifest> version;
        std::vector<CommitStep> steps;
        std::map<std::string, FileEntry> staged;
        std::vector<SlotEntry> usedSlots;
        // The files after, worked out from the version and the steps when they could be.
        std::vector<FileEntry> filesAfter;
        bool filesAfterKnown = false;
    };
    bool Record(const std::string& folder, const CSavePlan& plan, const CLumData& data,
                const FolderEntries* listed, std::string& why);
    // Stores the bytes of the files of `version` that the save replaces (`replaced`, relative
    // paths) and the store lacks, adding them to its stored bytes.
    bool KeepReplaced(const std::string& folder, const std::set<std::string>& replaced,
                      Manifest& version, std::string& why);
    // The files the folder holds after the pending save committed, worked out from the version
    // and the steps; false when a step names a file neither knows.
    static bool FilesAfter(const Pending& pending, std::vector<FileEntry>& files);

    CHistoryStore m_store;
    std::string m_program;
    Retention m_retention;
    // The hashes by identity of the head last used, kept while the store keeps that head.
    std::shared_ptr<const Manifest> m_knownHead;
    KnownHashes m_known;
    std::string m_nextNote;
    std::optional<Pending> m_pending;
    int m_lastVersion = 0;
    std::thread m_background; // writes the head of the last save and prunes; joined before use
};

// Installs a history recorder into the store of services (replacing any); `historyFolder`
// empty: DefaultHistoryFolder(), and no history at all when that is empty too. Returns the
// recorder installed, or null.
CHistoryRecorder* InstallRecorder(CDomain& services, const std::string& historyFolder,
                                  const std::string& programVersion, Retention retention = {});
// The history recorder the services hold, or null.
CHistoryRecorder* InstalledRecorder(CDomain& services);

} // namespace Corv::History
