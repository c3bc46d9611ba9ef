// Loading and saving a full project folder, each against the plain file work it cannot avoid.

#include "baselines.h"
#include "bench_support.h"

#include <unistd.h>
#include <vector>

namespace CorvBench {

namespace {

using Corv::CProjectDocument;
using Corv::CProjectDocuments;

// Writes back what earlier runs left dirty, so that every copy of the whole folder starts from
// the same state of the disk instead of paying for the previous one's write-back.
void SettleDisk() {
    ::sync();
}

// Opening the full project folder as a new document (closing it again is not measured).
void Load(benchmark::State& state) {
    FreshStore();
    bool ok = true;
    for (auto _ : state) {
        CProjectDocument* document = Open(TheWorld().Source());
        state.PauseTiming();
        ok = ok && document != nullptr && Tally().errors == 0;
        CProjectDocuments::Get().CloseAll();
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("the full project did not load cleanly");
}

void LoadBaseline(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = ReadPrefixes(TheWorld().Source());
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
void SaveElsewhere(benchmark::State& state) {
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
        if (document == nullptr || !document->SaveProject(folder)) {
            ok = false;
            break;
        }
    }
    if (!ok || Tally().errors != 0 || Tally().questions != 0)
        state.SkipWithError("the project was not saved into a new folder without a message");
    FreshStore();
    RemoveTree(folder);
}

// Copies the full project folder file by file, the way `how` copies a file.
void CopyWholeFolder(benchmark::State& state, FileCopy how) {
    const std::string folder = TheWorld().Scratch("Plain Copy.prj");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(folder);
        SettleDisk();
        state.ResumeTiming();
        if (!CopyFolder(TheWorld().Source(), folder, how)) {
            ok = false;
            break;
        }
    }
    if (!ok)
        state.SkipWithError("the project folder could not be copied");
    RemoveTree(folder);
}

void SaveElsewhereBaseline(benchmark::State& state) {
    CopyWholeFolder(state, FileCopy::ReadWrite);
}

void KernelFolderCopy(benchmark::State& state) {
    CopyWholeFolder(state, FileCopy::Kernel);
}

const bool g_registered = [] {
    Measure("load", Load);
    Measure("load baseline", LoadBaseline);
    PairWithBaseline("load", "load baseline",
                     "open a full project (512 patches, 896 tones, 999 waves); baseline lists "
                     "the three folders and reads every patch/tone prefix, opens+closes waves");
    Measure("save in place", SaveInPlace);
    Measure("save in place baseline", SaveInPlaceBaseline);
    PairWithBaseline("save in place", "save in place baseline",
                     "save an unchanged full project into its own folder; baseline pwrites "
                     "every patch and tone record area");
    // Each run copies the whole folder (about 67 MB): a longer minimum time gives a few samples.
    Measure("save elsewhere", SaveElsewhere)->MinTime(2.0);
    Measure("save elsewhere baseline", SaveElsewhereBaseline)->MinTime(2.0);
    Measure("folder copy (copy_file_range)", KernelFolderCopy)->MinTime(2.0);
    PairWithBaseline("save elsewhere", "save elsewhere baseline",
                     "save a full project into a new folder; baseline copies the whole folder "
                     "file by file with read/write");
    PairWithBaseline("save elsewhere", "folder copy (copy_file_range)",
                     "the same save, against a copy of the whole folder file by file with "
                     "copy_file_range (the kernel's copy that the save's file copies use too)");
    return true;
}();

} // namespace

} // namespace CorvBench
