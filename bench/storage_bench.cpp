// Loading and saving a full project folder, each against the plain file work it cannot avoid;
// on the local disk, and on a slow medium (a memory card behind a reader, a network share)
// simulated by a file system that waits 1 ms for every open, read, write, rename and folder
// listing. On the slow medium each baseline waits the same latency for each of its operations;
// those runs take seconds, so each is measured only once or twice.

#include "baselines.h"
#include "bench_support.h"
#include "edit/cell_edit.h"
#include "slow_file_system.h"
#include "support/faulty_file_system.h"

#include <chrono>
#include <thread>
#include <unistd.h>
#include <vector>

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

// The file system a run works on: the slow medium when there is one, else the present one.
Corv::IFileSystem& On(Medium* medium) {
    return medium != nullptr ? medium->Slow() : Corv::FileSystem();
}
CorvTest::SlowFileSystem* SlowOf(Medium* medium) {
    return medium != nullptr ? &medium->Slow() : nullptr;
}
void Report(benchmark::State& state, const Medium* medium) {
    if (medium != nullptr)
        medium->Report(state);
}

// Writes back what earlier runs left dirty, so that every copy of the whole folder starts from
// the same state of the disk instead of paying for the previous one's write-back.
void SettleDisk() {
    ::sync();
}

// Opening the full project folder as a new document (closing it again is not measured).
void Load(benchmark::State& state, Medium* medium) {
    FreshStore();
    bool ok = true;
    for (auto _ : state) {
        CProjectDocument* document = nullptr;
        {
            const ScopedFileSystem scope(On(medium));
            document = Open(TheWorld().Source());
        }
        state.PauseTiming();
        ok = ok && document != nullptr && Tally().errors == 0;
        CProjectDocuments::Get().CloseAll();
        state.ResumeTiming();
    }
    Report(state, medium);
    if (!ok)
        state.SkipWithError("the full project did not load cleanly");
}

void LoadBaseline(benchmark::State& state, Medium* medium) {
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = ReadPrefixes(TheWorld().Source(), SlowOf(medium));
    Report(state, medium);
    if (bytes == 0)
        state.SkipWithError("the project folders could not be read");
}

// Saving an unchanged project into its own folder. It works on a copy of the full project so
// that the other benchmarks keep the folder as it was built.
void SaveInPlace(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("In Place.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    FreshStore();
    CProjectDocument* document = Open(folder);
    bool ok = document != nullptr;
    for (auto _ : state) {
        if (!ok)
            break;
        ok = document->SaveProject(folder);
    }
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the unchanged project was not saved in place without a message");
    FreshStore();
    RemoveTree(folder);
}

void SaveInPlaceBaseline(benchmark::State& state) {
    const std::string folder = TheWorld().Scratch("In Place.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    const std::vector<RecordArea> areas = CollectRecordAreas(folder);
    bool ok = !areas.empty();
    for (auto _ : state) {
        if (!ok)
            break;
        ok = WriteRecordAreas(areas);
    }
    if (!ok)
        state.SkipWithError("a record area could not be written");
    RemoveTree(folder);
}

// Saving the full project into a folder that does not exist yet: every file is copied into
// its slot name, the system files come along and the memo files are written. Opening the
// project and removing the previous copy are not measured.
void SaveElsewhere(benchmark::State& state, Medium* medium) {
    const std::string folder = TheWorld().Scratch("Saved Copy.prj");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        ok = ok && Tally().errors == 0 && Tally().questions == 0;
        FreshStore();
        RemoveTree(folder);
        CProjectDocument* document = Open(TheWorld().Source());
        SettleDisk();
        state.ResumeTiming();
        const ScopedFileSystem scope(On(medium));
        if (document == nullptr || !document->SaveProject(folder)) {
            ok = false;
            break;
        }
    }
    Report(state, medium);
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the project was not saved into a new folder without a message");
    FreshStore();
    RemoveTree(folder);
}

// Copies the full project folder file by file, the way `how` copies a file.
void CopyWholeFolder(benchmark::State& state, FileCopy how, Medium* medium) {
    const std::string folder = TheWorld().Scratch("Plain Copy.prj");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(folder);
        SettleDisk();
        state.ResumeTiming();
        if (!CopyFolder(TheWorld().Source(), folder, how, SlowOf(medium))) {
            ok = false;
            break;
        }
    }
    Report(state, medium);
    if (!ok)
        state.SkipWithError("the project folder could not be copied");
    RemoveTree(folder);
}

// A copy of the full project, opened, whose first patch is renamed and saved in place each time.
void SaveAfterRename(benchmark::State& state, Medium* medium) {
    const std::string folder = TheWorld().Scratch("Renamed.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    SettleDisk(); // the first save's folder syncs must not pay for writing the copy back
    FreshStore();
    CProjectDocument* document = Open(folder);
    bool ok = document != nullptr;
    int round = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        ok = Corv::SetNames(document->Data(), Corv::kPatchKind, {0},
                            "Renamed " + std::to_string(++round % 2), document->UndoStep());
        const ScopedFileSystem scope(On(medium));
        ok = ok && document->SaveProject(folder);
    }
    Report(state, medium);
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the renamed patch was not saved in place without a message");
    FreshStore();
    RemoveTree(folder);
}

void SaveAfterRenameBaseline(benchmark::State& state, Medium* medium) {
    const std::string folder = TheWorld().Scratch("Renamed.prj");
    RemoveTree(folder);
    CopyFolder(TheWorld().Source(), folder);
    std::vector<std::string> patches;
    Corv::RealFileSystem().ListFiles(folder + "/Patch", patches);
    bool ok = !patches.empty();
    const std::string names[] = {folder + "/Patch/" + patches.front(),
                                 folder + "/Patch/" + patches.front() + " renamed"};
    int round = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        ok = RenameFile(names[round % 2], names[(round + 1) % 2], SlowOf(medium));
        ++round;
    }
    Report(state, medium);
    if (!ok)
        state.SkipWithError("the patch file could not be renamed");
    RemoveTree(folder);
}

// The benchmark of a run on the local disk, and of the same run on a fresh slow medium.
template <void (*Run)(benchmark::State&, Medium*)> void OnDisk(benchmark::State& state) {
    Run(state, nullptr);
}
template <void (*Run)(benchmark::State&, Medium*)> void OnSlowMedium(benchmark::State& state) {
    Medium medium;
    Run(state, &medium);
}
void ReadWriteFolderCopy(benchmark::State& state, Medium* medium) {
    CopyWholeFolder(state, FileCopy::ReadWrite, medium);
}
void KernelFolderCopy(benchmark::State& state, Medium* medium) {
    CopyWholeFolder(state, FileCopy::Kernel, medium);
}

const bool g_registered = [] {
    Measure("load", OnDisk<Load>);
    Measure("load baseline", OnDisk<LoadBaseline>);
    PairWithBaseline("load", "load baseline",
                     "open a full project (512 patches, 896 tones, 999 waves); baseline lists "
                     "the three folders and reads every patch/tone prefix, opens+closes waves");
    Measure("save in place", SaveInPlace);
    Measure("save in place baseline", SaveInPlaceBaseline);
    PairWithBaseline("save in place", "save in place baseline",
                     "save an unchanged full project into its own folder; baseline pwrites "
                     "every patch and tone record area");
    // Each run copies the whole folder (about 67 MB): a longer minimum time gives a few samples.
    Measure("save elsewhere", OnDisk<SaveElsewhere>)->MinTime(2.0);
    Measure("save elsewhere baseline", OnDisk<ReadWriteFolderCopy>)->MinTime(2.0);
    Measure("folder copy (copy_file_range)", OnDisk<KernelFolderCopy>)->MinTime(2.0);
    PairWithBaseline("save elsewhere", "save elsewhere baseline",
                     "save a full project into a new folder; baseline copies the whole folder "
                     "file by file with read/write");
    PairWithBaseline("save elsewhere", "folder copy (copy_file_range)",
                     "the same save, against a copy of the whole folder file by file with "
                     "copy_file_range (the kernel's copy that the save's file copies use too)");

    Measure("load (slow medium)", OnSlowMedium<Load>)->Iterations(1);
    Measure("load baseline (slow medium)", OnSlowMedium<LoadBaseline>)->Iterations(1);
    PairWithBaseline("load (slow medium)", "load baseline (slow medium)",
                     "the load on a medium that waits 1 ms for every open, read, write, rename "
                     "and folder listing; baseline as for load, waiting for each of its listings, "
                     "opens and reads");
    Measure("save after one rename (slow medium)", OnSlowMedium<SaveAfterRename>)->Iterations(2);
    Measure("rename baseline (slow medium)", OnSlowMedium<SaveAfterRenameBaseline>)->Iterations(20);
    PairWithBaseline("save after one rename (slow medium)", "rename baseline (slow medium)",
                     "rename the first patch of an open full project and save it in place on the "
                     "slow medium; baseline renames that patch's file (the name lives in the file "
                     "name only), one rename to wait for");
    Measure("save as (slow medium)", OnSlowMedium<SaveElsewhere>)->Iterations(1);
    Measure("save as baseline (slow medium)", OnSlowMedium<KernelFolderCopy>)->Iterations(1);
    PairWithBaseline("save as (slow medium)", "save as baseline (slow medium)",
                     "save elsewhere on the slow medium; baseline copies the folder with "
                     "copy_file_range, waiting for each listing and, per file, two opens and a "
                     "read and a write per MiB");
    return true;
}();

} // namespace

} // namespace CorvBench
