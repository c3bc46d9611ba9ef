#pragma once

#include "storage/project_document.h"
#include "support/project_builder.h"

#include <benchmark/benchmark.h>
#include <cstddef>
#include <memory>
#include <string>

namespace CorvTest {
class SlowFileSystem;
}

// Shared ground of the benchmark programs: the projects they work on, a fresh store for each
// measurement and the pairing of every measured operation with its physical baseline.
namespace CorvBench {

// What the message sink was told since the store was last made fresh.
struct SinkTally {
    int errors = 0;
    int questions = 0;
    int lastError = 0;
    int lastQuestion = 0;
};

// The projects every benchmark works on, written once into one temporary folder:
//  - `source`: a full project (every slot used, waves summing to just under the size limit);
//  - `fullTarget`: another full project, so a drop that carries tones and waves finds no room;
//  - `roomyTarget`: 512 patches playing no project tone and no tone or wave at all, so a drop
//    of every patch of `source` finds room for every tone and wave it carries.
class World {
public:
    World();
    const std::string& Source() const { return m_source; }
    const std::string& FullTarget() const { return m_fullTarget; }
    const std::string& RoomyTarget() const { return m_roomyTarget; }
    // A scratch folder for copies and saves; empty it with `RemoveTree`.
    std::string Scratch(const std::string& name) const { return m_root / name; }
    const std::string& WorkFolder() const { return m_workFolder; }
    // The bytes of every wave file of a full project.
    static std::size_t WaveBytes();

private:
    CorvTest::TempDir m_root;
    std::string m_source;
    std::string m_fullTarget;
    std::string m_roomyTarget;
    std::string m_workFolder;
};

// The world of this run (made by the program's main before any benchmark runs).
World& TheWorld();
void MakeWorld();
void DropWorld();

// Closes every document and replaces the store by a fresh one with a sink that answers OK or
// Yes to every question and only counts errors, and the world's work folder.
void FreshStore();
// What the sink of the current store saw.
const SinkTally& Tally();

// Opens a project folder as a document; null when it could not be loaded.
Corv::CProjectDocument* Open(const std::string& folder);

// Removes a folder with everything in it (nothing happens when it does not exist).
void RemoveTree(const std::string& folder);

using BenchFunction = void (*)(benchmark::State&);
// Registers a benchmark under a readable name, measured in real time (files are involved).
benchmark::internal::Benchmark* Measure(const std::string& name, BenchFunction function);
// The same for a benchmark whose iterations give the times they took (SetIterationTime).
benchmark::internal::Benchmark* MeasureTimed(const std::string& name, BenchFunction function);
// Remembers that a measured operation's ratio is taken against a baseline benchmark, and what
// the operation measures (printed under the summary).
void PairWithBaseline(const std::string& operation, const std::string& baseline,
                      const std::string& note);

// Records, per iteration of a run on the slow medium, the waits it paid (in total and per
// operation) and how long they took in seconds, printed under the summary as the split of its
// time between latency and work.
void CountWaits(benchmark::State& state, const CorvTest::SlowFileSystem& medium,
                double waitedSeconds);

// Runs every registered benchmark, then prints the summary of times and ratios. Returns the
// program's exit status.
int RunAll(int argc, char** argv);

} // namespace CorvBench
