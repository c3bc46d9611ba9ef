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
#include "storage/save_recorder.h"

#include <chrono>
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

// Keeps versions through the recorder it holds while switched on, and nothing while off: one
// process saves two projects in turns, one with the history and one without.
class SwitchedRecorder : public Corv::ISaveRecorder {
public:
    explicit SwitchedRecorder(const std::string& folder) : m_inner(folder, "bench") {}
    void BeforeStaging(const std::string& folder, const Corv::CSavePlan& plan) override {
        if (on)
            m_inner.BeforeStaging(folder, plan);
    }
    bool BeforeCommit(const std::string& folder, const Corv::CSavePlan& plan,
                      const Corv::CLumData& data, const Corv::FolderEntries* listed,
                      std::string& why) override {
        return !on || m_inner.BeforeCommit(folder, plan, data, listed, why);
    }
    void AfterCommit(const std::string& folder, bool committed) override {
        if (on)
            m_inner.AfterCommit(folder, committed);
    }
    Corv::History::CHistoryRecorder& Inner() { return m_inner; }
    bool on = false;

private:
    Corv::History::CHistoryRecorder m_inner;
};

// The times of saves with and without the history, taken in turns in one run.
struct SaveTimes {
    std::vector<double> with, without;
    bool ok = false;
};

// Two copies of the full project, opened, edited by `edit` and saved in place in turns, one
// with the history on: taken in turns, both see the machine as it is at that moment. The
// first save of each is not timed (with the history it hashes the folder once). The recorder's
// work left after a save returned (the head after it, on its own thread) is done before the
// next save starts, untimed: a person does not save twice within milliseconds.
template <class Edit> SaveTimes SavesInTurns(const char* name, int rounds, Edit edit) {
    using Clock = std::chrono::steady_clock;
    const std::string with = TheWorld().Scratch(std::string(name) + " With.prj");
    const std::string without = TheWorld().Scratch(std::string(name) + " Without.prj");
    SaveTimes times;
    for (const std::string& folder : {with, without}) {
        RemoveTree(folder);
        CopyFolder(TheWorld().Source(), folder);
    }
    RemoveTree(HistoryFolder());
    ::sync();
    FreshStore();
    auto owned = std::make_unique<SwitchedRecorder>(HistoryFolder());
    SwitchedRecorder& recorder = *owned;
    Corv::CDomain::Get().SetSaveRecorder(std::move(owned));
    Corv::CProjectDocument* documents[2] = {Open(with), Open(without)};
    bool ok = documents[0] != nullptr && documents[1] != nullptr;
    for (int round = 0; ok && round <= rounds; ++round)
        for (int turn = 0; ok && turn < 2; ++turn) {
            // Which goes first alternates: neither always finds the disk as the other left it.
            const int i = (turn + round) % 2;
            recorder.on = i == 0;
            const Clock::time_point start = Clock::now();
            ok = edit(*documents[i], round) && documents[i]->SaveProject(i == 0 ? with : without);
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            recorder.Inner().WaitForBackground();
            if (round > 0)
                (i == 0 ? times.with : times.without).push_back(seconds);
        }
    // Each save with the history must have kept a version.
    ok = ok && recorder.Inner().LastVersion() == rounds + 1;
    times.ok = ok && Tally().errors == 0;
    FreshStore();
    RemoveTree(with);
    RemoveTree(without);
    return times;
}

// Hands out the times of one side of saves taken in turns, as the times of its iterations.
void ReportTimes(benchmark::State& state, const SaveTimes& times, bool history) {
    const std::vector<double>& seconds = history ? times.with : times.without;
    if (!times.ok || seconds.empty()) {
        state.SkipWithError("the edits were not saved in place");
        return;
    }
    std::size_t i = 0;
    for (auto _ : state)
        state.SetIterationTime(seconds[i++ % seconds.size()]);
}

constexpr int kRenameRounds = 60;
constexpr int kRewriteRounds = 15;

// The first patch renamed: its file is renamed, nothing is written.
const SaveTimes& RenameSaves() {
    static const SaveTimes times =
        SavesInTurns("Renamed", kRenameRounds, [](Corv::CProjectDocument& document, int round) {
            return Corv::SetNames(document.Data(), Corv::kPatchKind, {0},
                                  "Renamed " + std::to_string(round % 2), document.UndoStep());
        });
    return times;
}

void SaveWithHistory(benchmark::State& state) {
    ReportTimes(state, RenameSaves(), true);
}

void SaveWithoutHistory(benchmark::State& state) {
    ReportTimes(state, RenameSaves(), false);
}

// One parameter of the first oscillator of 100 tones changed: the save stages 100 new files and
// the version keeps the 100 it replaces.
const SaveTimes& RewriteSaves() {
    static const SaveTimes times =
        SavesInTurns("Rewritten", kRewriteRounds, [](Corv::CProjectDocument& document, int round) {
            // Each round another combination of 0 and 1 (values every field can hold): the
            // files written never held these bytes before, so the version stores all 100.
            for (std::size_t i = 0; i < 100; ++i)
                for (int bit = 0; bit < 5; ++bit)
                    document.Data().Tones()[i].Osc(0).SetP(
                        bit + 1, static_cast<std::uint8_t>((round >> bit) & 1));
            document.SetModifiedFlag(true);
            return true;
        });
    return times;
}

void RewriteWithHistory(benchmark::State& state) {
    ReportTimes(state, RewriteSaves(), true);
}

void RewriteWithoutHistory(benchmark::State& state) {
    ReportTimes(state, RewriteSaves(), false);
}

constexpr int kRestoreRounds = 6;

// In turns: a full project emptied and saved (its version 1 is the full project), then restored
// to version 1, every file of the full project coming back from the history; and a Save As of
// the full project into a new folder. Both are set up before either is timed, and which goes
// first alternates by round: neither always finds the disk as the other left it. Every round
// works in folders of its own, all removed at the end: a file system without a journal skips
// the inodes freed in the last seconds when it makes a file, and the thousands a removal in
// the same place frees just before would cost the restore, which makes its files there, up
// to half its time.
const SaveTimes& RestoreTimes() {
    static const SaveTimes times = [] {
        using Clock = std::chrono::steady_clock;
        const auto since = [](Clock::time_point start) {
            return std::chrono::duration<double>(Clock::now() - start).count();
        };
        SaveTimes result;
        bool ok = true;
        std::vector<std::string> made;
        for (int round = 0; ok && round < kRestoreRounds; ++round) {
            const std::string n = std::to_string(round);
            const std::string folder = TheWorld().Scratch("Restored " + n + ".prj/");
            const std::string history = TheWorld().Scratch("RestoreHistory " + n + "/");
            const std::string savedAs = TheWorld().Scratch("Saved As " + n + ".prj");
            made.insert(made.end(), {folder, history, savedAs});
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
            Corv::CProjectDocument* source = Open(TheWorld().Source());
            ok = ok && source != nullptr;
            ::sync();
            const auto restore = [&] {
                const Clock::time_point start = Clock::now();
                std::vector<Corv::ProjectDifference> changes;
                std::string why;
                ok = ok && Corv::History::RestoreVersion(
                               *recorder, folder, 1, TheWorld().Scratch("RestoreScratch/"), false,
                               changes, why) == Corv::History::RestoreOutcome::Restored;
                result.with.push_back(since(start));
                recorder->WaitForBackground(); // what it leaves to do is not waited for
            };
            const auto saveAs = [&] {
                const Clock::time_point start = Clock::now();
                ok = ok && source->SaveProject(savedAs);
                result.without.push_back(since(start));
            };
            if (round % 2 == 0) {
                restore();
                saveAs();
            } else {
                saveAs();
                restore();
            }
        }
        result.ok = ok && Tally().errors == 0;
        FreshStore();
        for (const std::string& path : made)
            RemoveTree(path);
        return result;
    }();
    return times;
}

void RestoreFullProject(benchmark::State& state) {
    ReportTimes(state, RestoreTimes(), true);
}

void SaveFullProjectAs(benchmark::State& state) {
    ReportTimes(state, RestoreTimes(), false);
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
    MeasureTimed("save after one rename, history on", SaveWithHistory)->Iterations(kRenameRounds);
    MeasureTimed("save after one rename, history off", SaveWithoutHistory)
        ->Iterations(kRenameRounds);
    PairWithBaseline("save after one rename, history on", "save after one rename, history off",
                     "rename the first patch of an open full project and save it in place with "
                     "a version kept; baseline the same save of a second copy without the "
                     "history, the two saved in turns");
    MeasureTimed("save rewriting 100 files, history on", RewriteWithHistory)
        ->Iterations(kRewriteRounds);
    MeasureTimed("save rewriting 100 files, history off", RewriteWithoutHistory)
        ->Iterations(kRewriteRounds);
    PairWithBaseline("save rewriting 100 files, history on",
                     "save rewriting 100 files, history off",
                     "change one parameter of 100 tones of an open full project and save it in "
                     "place with a version kept; baseline the same save of a second copy "
                     "without the history, the two saved in turns");
    MeasureTimed("restore full project", RestoreFullProject)->Iterations(kRestoreRounds);
    MeasureTimed("restore baseline: save as", SaveFullProjectAs)->Iterations(kRestoreRounds);
    PairWithBaseline("restore full project", "restore baseline: save as",
                     "restore an emptied full project to its version before (every file back "
                     "from the history); baseline a Save As of the full project, the two taken "
                     "in turns");
    Measure("history list", ListVersions);
    Measure("history list baseline", ListVersionsBaseline);
    PairWithBaseline("history list", "history list baseline",
                     "list the 50 versions of a project with their summaries; baseline reads "
                     "every file of the history's project folders once");
    return true;
}();

} // namespace

} // namespace CorvBench
