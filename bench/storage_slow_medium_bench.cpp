// Loading and saving a full project on a slow medium (a memory card behind a reader, a network
// share), simulated by a file system that waits 1 ms for every open, read, write, rename and
// folder listing. Each baseline does the plain file work it cannot avoid and waits the same
// latency for each of its operations. These runs take seconds: each is measured only a few
// times.

#include "baselines.h"
#include "bench_support.h"
#include "edit/cell_edit.h"
#include "support/faulty_file_system.h"
#include "support/slow_file_system.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace CorvBench {

namespace {

using Corv::CProjectDocument;
using Corv::CProjectDocuments;
using CorvTest::ScopedFileSystem;

// The slow medium over the real file system, timing its waits (a sleep overshoots a little).
class Medium {
public:
    Medium() {
        m_slow.SetSleep([this](CorvTest::SlowFileSystem::Duration wait) {
            const auto start = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(wait);
            m_waited += std::chrono::steady_clock::now() - start;
        });
    }
    CorvTest::SlowFileSystem& Slow() { return m_slow; }
    // Reports the waits of every iteration of the run.
    void Report(benchmark::State& state) const {
        CountWaits(state, m_slow, std::chrono::duration<double>(m_waited).count());
    }

private:
    CorvTest::SlowFileSystem m_slow;
    std::chrono::steady_clock::duration m_waited{};
};

void LoadSlow(benchmark::State& state) {
    FreshStore();
    Medium medium;
    bool ok = true;
    for (auto _ : state) {
        {
            const ScopedFileSystem scope(medium.Slow());
            ok = Open(TheWorld().Source()) != nullptr && ok;
        }
        state.PauseTiming();
        ok = ok && Tally().errors == 0;
        CProjectDocuments::Get().CloseAll();
        state.ResumeTiming();
    }
    medium.Report(state);
    if (!ok)
        state.SkipWithError("the full project did not load cleanly");
}

void LoadSlowBaseline(benchmark::State& state) {
    Medium medium;
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = ReadPrefixes(TheWorld().Source(), &medium.Slow());
    medium.Report(state);
    if (bytes == 0)
        state.SkipWithError("the project folders could not be read");
}

// A copy of the full project, opened, whose first patch is renamed and saved in place each time.
void SaveAfterRenameSlow(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Renamed.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    FreshStore();
    CProjectDocument* document = Open(folder);
    Medium medium;
    bool ok = document != nullptr;
    int round = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        ok = Corv::SetNames(document->Data(), Corv::kPatchKind, {0},
                            "Renamed " + std::to_string(++round % 2));
        const ScopedFileSystem scope(medium.Slow());
        ok = ok && document->SaveProject(folder);
    }
    medium.Report(state);
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the renamed patch was not saved in place without a message");
    FreshStore();
    RemoveTree(folder);
}

void SaveAfterRenameSlowBaseline(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Renamed.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    std::vector<std::string> patches;
    Corv::RealFileSystem().ListFiles(folder + "/Patch", patches);
    Medium medium;
    bool ok = !patches.empty();
    const std::string names[] = {folder + "/Patch/" + patches.front(),
                                 folder + "/Patch/" + patches.front() + " renamed"};
    int round = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        ok = RenameFile(names[round % 2], names[(round + 1) % 2], &medium.Slow());
        ++round;
    }
    medium.Report(state);
    if (!ok)
        state.SkipWithError("the patch file could not be renamed");
    RemoveTree(folder);
}

// Saving the full project into a new folder (opening it, removing the previous copy and
// writing back what earlier runs left dirty are not measured).
void SaveAsSlow(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Slow Copy.prj");
    Medium medium;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        ok = ok && Tally().errors == 0 && Tally().questions == 0;
        FreshStore();
        RemoveTree(folder);
        CProjectDocument* document = Open(TheWorld().Source());
        ::sync();
        state.ResumeTiming();
        const ScopedFileSystem scope(medium.Slow());
        if (document == nullptr || !document->SaveProject(folder)) {
            ok = false;
            break;
        }
    }
    medium.Report(state);
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the project was not saved into a new folder without a message");
    FreshStore();
    RemoveTree(folder);
}

void SaveAsSlowBaseline(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("Slow Plain Copy.prj");
    Medium medium;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(folder);
        ::sync();
        state.ResumeTiming();
        if (!CopyFolder(TheWorld().Source(), folder, FileCopy::Kernel, &medium.Slow())) {
            ok = false;
            break;
        }
    }
    medium.Report(state);
    if (!ok)
        state.SkipWithError("the project folder could not be copied");
    RemoveTree(folder);
}

const bool g_registered = [] {
    Measure("load (slow medium)", LoadSlow)->Iterations(1);
    Measure("load baseline (slow medium)", LoadSlowBaseline)->Iterations(1);
    PairWithBaseline("load (slow medium)", "load baseline (slow medium)",
                     "the load on a medium that waits 1 ms for every open, read, write, rename "
                     "and folder listing; baseline as for load, waiting for each of its listings, "
                     "opens and reads");
    Measure("save after one rename (slow medium)", SaveAfterRenameSlow)->Iterations(2);
    Measure("rename baseline (slow medium)", SaveAfterRenameSlowBaseline)->Iterations(20);
    PairWithBaseline("save after one rename (slow medium)", "rename baseline (slow medium)",
                     "rename the first patch of an open full project and save it in place on the "
                     "slow medium; baseline renames that patch's file (the name lives in the file "
                     "name only), one rename to wait for");
    Measure("save as (slow medium)", SaveAsSlow)->Iterations(1);
    Measure("save as baseline (slow medium)", SaveAsSlowBaseline)->Iterations(1);
    PairWithBaseline("save as (slow medium)", "save as baseline (slow medium)",
                     "save a full project into a new folder on the slow medium; baseline copies "
                     "the folder with copy_file_range, waiting for each listing and, per file, two "
                     "opens and a read and a write per MiB");
    return true;
}();

} // namespace

} // namespace CorvBench
