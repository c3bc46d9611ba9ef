// The history: a save after one rename of a full project and a save that rewrites 100 of its
// files, each with the history on against the same save without it; listing the 50 versions
// such saves leave (against reading the files of those versions' manifests once); restoring a
// full project over an emptied one (against a Save As of the full project).

#include "baselines.h"
#include "bench_support.h"
#include "edit/cell_edit.h"
#include "edit/list_edits.h"
#include "history/recorder.h"
#include "history/version_access.h"
#include "storage/domain.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace CorvBench {

namespace {

namespace fs = std::filesystem;

constexpr int kVersions = 50;

std::string HistoryFolder() {
    return TheWorld().Scratch("History/");
}

// A copy of the full project, opened, edited by `edit` and saved in place each time; with
// `history`, every save keeps a version. The first save with the history hashes the folder
// once; it is not what a save costs, and is made before the timing.
template <class Edit>
void EditAndSave(benchmark::State& state, bool history, const char* name, Edit edit) {
    const std::string folder = TheWorld().Scratch(name);
    RemoveTree(folder);
    RemoveTree(HistoryFolder());
    CopyFolder(TheWorld().Source(), folder);
    ::sync();
    FreshStore();
    if (history)
        Corv::History::InstallRecorder(Corv::CDomain::Get(), HistoryFolder(), "bench");
    Corv::CProjectDocument* document = Open(folder);
    bool ok = document != nullptr;
    int round = 0;
    const auto editAndSave = [&] {
        ok = ok && edit(*document, ++round) && document->SaveProject(folder);
    };
    editAndSave();
    for (auto _ : state)
        editAndSave();
    // Each save must have changed the folder: the last version is there.
    if (history)
        ok = ok && !Corv::History::CHistoryStore(HistoryFolder()).List(folder).empty();
    if (!ok || Tally().errors != 0)
        state.SkipWithError("the edit was not saved in place");
    FreshStore();
    RemoveTree(folder);
}

// The first patch renamed: its file is renamed, nothing is written.
void RenameAndSave(benchmark::State& state, bool history) {
    EditAndSave(state, history, "Versioned.prj", [](Corv::CProjectDocument& document, int round) {
        return Corv::SetNames(document.Data(), Corv::kPatchKind, {0},
                              "Renamed " + std::to_string(round % 2), document.UndoStep());
    });
}

void SaveWithHistory(benchmark::State& state) {
    RenameAndSave(state, true);
}

void SaveWithoutHistory(benchmark::State& state) {
    RenameAndSave(state, false);
}

// One parameter of the first oscillator of 100 tones changed: the save stages 100 new files and
// the version keeps the 100 it replaces.
void RewriteAndSave(benchmark::State& state, bool history) {
    EditAndSave(state, history, "Rewritten.prj", [](Corv::CProjectDocument& document, int) {
        for (std::size_t i = 0; i < 100; ++i) {
            Corv::COsc& osc = document.Data().Tones()[i].Osc(0);
            osc.SetP(1, static_cast<std::uint8_t>((osc.P(1) + 1) % 100));
        }
        document.SetModifiedFlag(true);
        return true;
    });
}

void RewriteWithHistory(benchmark::State& state) {
    RewriteAndSave(state, true);
}

void RewriteWithoutHistory(benchmark::State& state) {
    RewriteAndSave(state, false);
}

// A full project emptied and saved (its version 1 is the full project), then restored to
// version 1: every file of the full project comes back from the history.
void RestoreFullProject(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Restored.prj/");
    const std::string history = TheWorld().Scratch("RestoreHistory/");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(folder);
        RemoveTree(history);
        CopyFolder(TheWorld().Source(), folder);
        FreshStore();
        Corv::History::CHistoryRecorder* recorder =
            Corv::History::InstallRecorder(Corv::CDomain::Get(), history, "bench");
        Corv::CProjectDocument* document = Open(folder);
        for (int kind = Corv::kPatchKind; ok && document && kind <= Corv::kWaveKind; ++kind) {
            std::vector<int> rows(document->Data().Records(kind).Size());
            for (std::size_t i = 0; i < rows.size(); ++i)
                rows[i] = static_cast<int>(i);
            ok = Corv::EmptyEntries(document->Data(), rows, kind, true);
        }
        if (document)
            document->SetModifiedFlag(true);
        ok = ok && document != nullptr && document->SaveProject(folder);
        Corv::CProjectDocuments::Get().CloseAll();
        recorder->WaitForBackground();
        ::sync();
        state.ResumeTiming();
        std::vector<Corv::ProjectDifference> changes;
        std::string why;
        ok = ok && Corv::History::RestoreVersion(
                       *recorder, folder, 1, TheWorld().Scratch("RestoreScratch/"), false, changes,
                       why) == Corv::History::RestoreOutcome::Restored;
        recorder->WaitForBackground();
    }
    if (!ok || Tally().errors != 0)
        state.SkipWithError("the full project was not restored");
    FreshStore();
    RemoveTree(folder);
    RemoveTree(history);
}

// Saves the full project into a new folder (Save As), the write a restore of it matches.
void SaveFullProjectAs(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Saved As.prj");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        FreshStore();
        RemoveTree(folder);
        Corv::CProjectDocument* document = Open(TheWorld().Source());
        ::sync();
        state.ResumeTiming();
        ok = ok && document != nullptr && document->SaveProject(folder);
    }
    if (!ok || Tally().errors != 0)
        state.SkipWithError("the full project was not saved into a new folder");
    FreshStore();
    RemoveTree(folder);
}

// The project of the listing: 50 versions made by 50 saves after a rename each.
const std::string& ListedProject() {
    static const std::string folder = [] {
        const std::string project = TheWorld().Scratch("Listed.prj/");
        const std::string history = TheWorld().Scratch("ListedHistory/");
        RemoveTree(project);
        RemoveTree(history);
        CopyFolder(TheWorld().Source(), project);
        FreshStore();
        Corv::History::InstallRecorder(Corv::CDomain::Get(), history, "bench");
        Corv::CProjectDocument* document = Open(project);
        for (int i = 0; document != nullptr && i <= kVersions; ++i)
            if (!Corv::SetNames(document->Data(), Corv::kPatchKind, {0},
                                "Listed " + std::to_string(i), document->UndoStep()) ||
                !document->SaveProject(project))
                break;
        FreshStore();
        return project;
    }();
    return folder;
}

void ListVersions(benchmark::State& state) {
    const std::string& project = ListedProject();
    const Corv::History::CHistoryStore store(TheWorld().Scratch("ListedHistory/"));
    std::size_t versions = 0;
    for (auto _ : state)
        versions = store.List(project).size();
    if (versions < static_cast<std::size_t>(kVersions))
        state.SkipWithError("the versions were not all listed");
}

// Reads every file of the history's project folders (the manifests) once.
void ListVersionsBaseline(benchmark::State& state) {
    static_cast<void>(ListedProject());
    const std::string projects = TheWorld().Scratch("ListedHistory/projects");
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const auto& entry : fs::recursive_directory_iterator(projects))
            if (entry.is_regular_file()) {
                std::ifstream file(entry.path(), std::ios::binary);
                std::string text((std::istreambuf_iterator<char>(file)), {});
                bytes += text.size();
            }
    }
    benchmark::DoNotOptimize(bytes);
}

const bool g_registered = [] {
    Measure("save after one rename, history on", SaveWithHistory)->Iterations(20);
    Measure("save after one rename, history off", SaveWithoutHistory)->Iterations(20);
    PairWithBaseline("save after one rename, history on", "save after one rename, history off",
                     "rename the first patch of an open full project and save it in place with "
                     "a version kept; baseline the same save without the history");
    Measure("save rewriting 100 files, history on", RewriteWithHistory)->Iterations(10);
    Measure("save rewriting 100 files, history off", RewriteWithoutHistory)->Iterations(10);
    PairWithBaseline("save rewriting 100 files, history on",
                     "save rewriting 100 files, history off",
                     "change one parameter of 100 tones of an open full project and save it in "
                     "place with a version kept; baseline the same save without the history");
    Measure("restore full project", RestoreFullProject)->Iterations(3);
    Measure("restore baseline: save as", SaveFullProjectAs)->Iterations(3);
    PairWithBaseline("restore full project", "restore baseline: save as",
                     "restore an emptied full project to its version before (every file back "
                     "from the history); baseline a Save As of the full project");
    Measure("history list", ListVersions);
    Measure("history list baseline", ListVersionsBaseline);
    PairWithBaseline("history list", "history list baseline",
                     "list the 50 versions of a project with their summaries; baseline reads "
                     "every file of the history's project folders once");
    return true;
}();

} // namespace

} // namespace CorvBench
