// The history: a save after one rename of a full project with the history on, against the same
// save without it, and listing the 50 versions such saves leave (against reading the files of
// those versions' manifests once).

#include "baselines.h"
#include "bench_support.h"
#include "edit/cell_edit.h"
#include "history/recorder.h"
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

// A copy of the full project, opened, whose first patch is renamed and saved in place each time;
// with `history`, every save keeps a version.
void RenameAndSave(benchmark::State& state, bool history) {
    const std::string folder = TheWorld().Scratch("Versioned.prj");
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
    // The first save with the history hashes the folder once; it is not what a save costs.
    const auto renameAndSave = [&] {
        ok = ok &&
             Corv::SetNames(document->Data(), Corv::kPatchKind, {0},
                            "Renamed " + std::to_string(++round % 2), document->UndoStep()) &&
             document->SaveProject(folder);
    };
    renameAndSave();
    for (auto _ : state)
        renameAndSave();
    if (!ok || Tally().errors != 0)
        state.SkipWithError("the renamed patch was not saved in place");
    FreshStore();
    RemoveTree(folder);
}

void SaveWithHistory(benchmark::State& state) {
    RenameAndSave(state, true);
}

void SaveWithoutHistory(benchmark::State& state) {
    RenameAndSave(state, false);
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
    Measure("history list", ListVersions);
    Measure("history list baseline", ListVersionsBaseline);
    PairWithBaseline("history list", "history list baseline",
                     "list the 50 versions of a project with their summaries; baseline reads "
                     "every file of the history's project folders once");
    return true;
}();

} // namespace

} // namespace CorvBench
