#include "history_fixture.h"

#include "history/version_access.h"
#include "model/lum_data.h"

#include <filesystem>

using namespace Corv;
using namespace CorvTest;

namespace CorvHistoryTest {

void BuildSong(const std::string& folder) {
    ProjectBuilder song(folder);
    song.Patch(1, "Lead", 1, 2).Patch(2, "Bass", 2).Patch(4, "Keys", 4, 1).Patch(7, "Pad", 5);
    song.Tone(1, "T Lead", {1, 2}).Tone(2, "T Bass", {2}).Tone(4, "T Keys", {3, 5});
    song.Tone(5, "T Pad", {5}).Tone(8, "Spare", {});
    song.Wave(1, "Saw", 300).Wave(2, "Sine", 200).Wave(3, "Noise", 500).Wave(5, "Bell", 250);
    song.Wave(9, "Unused", 120).SystemFiles();
    std::vector<std::string> patchMemos(512 * 4), toneMemos(896 * 4), waveMemos(999 * 4);
    patchMemos[0] = "first";
    toneMemos[4] = "bright";
    waveMemos[8] = "sampled";
    song.Memos(kPatchKind, patchMemos).Memos(kToneKind, toneMemos).Memos(kWaveKind, waveMemos);
}

HistoryWorld::HistoryWorld(History::Retention retention) {
    BuildSong(Project());
    std::filesystem::create_directories(Work());
    m_sink = m_store.InstallSink(SinkLog::kAgree);
    m_store.SetWorkFolder(Work());
    m_recorder = History::InstallRecorder(FreshStore::Services(), History(), "9.9.9", retention);
}

CProjectDocument* HistoryWorld::Open() {
    m_document = CProjectDocuments::Get().OpenProject(Project());
    return m_document;
}

bool HistoryWorld::Save() {
    m_document->SetModifiedFlag(true);
    return m_document->SaveProject(Project());
}

void HistoryWorld::CloseAll() {
    CProjectDocuments::Get().CloseAll();
    m_document = nullptr;
}

Snapshot HistoryWorld::Exported(int id) {
    const std::string target = m_temp / ("export" + std::to_string(++m_exports) + ".prj");
    std::vector<std::string> missing;
    std::string why;
    if (!History::ExportVersion(Store(), Project(), id, target, missing, why)) {
        ADD_FAILURE() << "version " << id << " does not export: " << why;
        return {};
    }
    return FolderSnapshot(target + "/");
}

History::RestoreOutcome HistoryWorld::Restore(int id, bool dryRun) {
    m_why.clear();
    return History::RestoreVersion(Recorder(), Project(), id, Work(), dryRun, m_changes, m_why);
}

} // namespace CorvHistoryTest
