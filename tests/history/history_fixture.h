#pragma once

#include "history/recorder.h"
#include "history/version_access.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Test ground of the history: a generated project in a folder of its own, the history and the
// work folder beside it, and a recorder installed as the programs install theirs.
namespace CorvHistoryTest {

using Snapshot = std::vector<std::pair<std::string, CorvTest::Bytes>>;

class HistoryWorld {
public:
    explicit HistoryWorld(Corv::History::Retention retention = {});
    HistoryWorld(const HistoryWorld&) = delete;
    HistoryWorld& operator=(const HistoryWorld&) = delete;

    // "<temp>/Song.prj/".
    std::string Project() const { return m_temp / "Song.prj/"; }
    std::string History() const { return m_temp / "History/"; }
    std::string Work() const { return m_temp / "work/"; }
    std::string Temp() const { return m_temp.Path(); }

    // Opens the project as the programs do (null when it does not load).
    Corv::CProjectDocument* Open();
    // Saves the open project in place; false when the save failed.
    bool Save();
    // Closes every open document (a restore saves over a project no one has open).
    void CloseAll();
    Corv::CProjectDocument& Document() { return *m_document; }
    Corv::History::CHistoryRecorder& Recorder() { return *m_recorder; }
    Corv::History::CHistoryStore& Store() { return m_recorder->Store(); }
    CorvTest::SinkLog& Sink() { return *m_sink; }
    Snapshot Folder() const { return CorvTest::FolderSnapshot(Project()); }
    // The versions of the project, newest first.
    std::vector<Corv::History::VersionInfo> Versions() const {
        return m_recorder->Store().List(Project());
    }
    // Writes a version out and returns its files (empty with a failure when it is damaged).
    Snapshot Exported(int id);
    // Restores version `id` of the project (which no one may have open), or with `dryRun` says
    // what a restore would change (in `Changes()`); `Why()` gives the reason of a failure.
    Corv::History::RestoreOutcome Restore(int id, bool dryRun = false);
    const std::vector<Corv::ProjectDifference>& Changes() const { return m_changes; }
    const std::string& Why() const { return m_why; }

private:
    CorvTest::TempDir m_temp;
    CorvTest::ScopedDataHome m_dataHome{m_temp.Path()};
    CorvTest::FreshStore m_store;
    std::shared_ptr<CorvTest::SinkLog> m_sink;
    Corv::History::CHistoryRecorder* m_recorder = nullptr;
    Corv::CProjectDocument* m_document = nullptr;
    int m_exports = 0;
    std::vector<Corv::ProjectDifference> m_changes;
    std::string m_why;
};

// Builds the project the tests start from: patches on tones on waves with gaps, system files
// and memo files as a save writes them.
void BuildSong(const std::string& folder);

} // namespace CorvHistoryTest
