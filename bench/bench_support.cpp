#include "bench_support.h"

#include "model/lum_data.h"
#include "slow_file_system.h"
#include "storage/domain.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numeric>
#include <thread>
#include <unistd.h>
#include <vector>

namespace CorvBench {

namespace {

SinkTally g_tally;
std::unique_ptr<World> g_world;

// Agrees to every question (OK or Yes, as the button set offers) and counts what it saw.
class AgreeingSink : public Corv::CTextOutBox {
public:
    void ShowError(int code) override {
        ++g_tally.errors;
        g_tally.lastError = code;
    }
    int Ask(int buttonSet, int code) override {
        ++g_tally.questions;
        g_tally.lastQuestion = code;
        return buttonSet >= Corv::kButtonsYesNo ? Corv::kAnswerYes : Corv::kAnswerOk;
    }
    void ShowNotice(const std::string&) override {}
};

struct Pairing {
    std::string operation;
    std::string baseline;
    std::string note;
};

std::vector<Pairing>& Pairings() {
    static std::vector<Pairing> pairings;
    return pairings;
}

using CorvTest::SlowOp;

// The counters of a run on the slow medium: its waits per operation (in SlowOp order) and the
// seconds they took.
constexpr const char* kWaitCounters[CorvTest::kSlowOpCount] = {"opens", "reads", "writes",
                                                               "renames", "listings"};
constexpr const char* kWaited = "waited_s";

// What one benchmark measured per iteration.
struct Measured {
    double seconds = -1.0; // real time; negative when it did not run
    bool onSlowMedium = false;
    std::array<double, CorvTest::kSlowOpCount> waits{};
    double waited = 0.0; // seconds the waits took
};

// Shows the console table as usual and keeps what every run measured per iteration.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                m_measured[run.run_name.function_name] = Collect(run);
        ConsoleReporter::ReportRuns(runs);
    }
    Measured Of(const std::string& name) const {
        const auto it = m_measured.find(name);
        return it == m_measured.end() ? Measured{} : it->second;
    }
    double Seconds(const std::string& name) const { return Of(name).seconds; }

private:
    static Measured Collect(const Run& run) {
        Measured measured;
        measured.seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
        const auto waited = run.counters.find(kWaited);
        if (waited == run.counters.end())
            return measured;
        measured.onSlowMedium = true;
        measured.waited = waited->second.value;
        for (std::size_t op = 0; op < CorvTest::kSlowOpCount; ++op) {
            const auto count = run.counters.find(kWaitCounters[op]);
            measured.waits[op] = count == run.counters.end() ? 0.0 : count->second.value;
        }
        return measured;
    }

    std::map<std::string, Measured> m_measured;
};

std::string FormatTime(double seconds) {
    if (seconds < 0)
        return "-";
    char text[32];
    if (seconds >= 1.0)
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    else if (seconds >= 1e-3)
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else if (seconds >= 1e-6)
        std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    return text;
}

std::string FormatRatio(double operation, double baseline) {
    if (operation < 0 || baseline <= 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, operation / baseline >= 0.01 ? "%.2f" : "%.5f",
                  operation / baseline);
    return text;
}

// For every benchmark on the slow medium: its waits, the time they took and the rest, the work.
void PrintWaits(const CollectingReporter& reporter) {
    std::vector<std::string> names;
    for (const Pairing& pair : Pairings())
        for (const std::string& name : {pair.operation, pair.baseline})
            if (reporter.Of(name).onSlowMedium &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    if (names.empty())
        return;
    std::printf("\nOn the slow medium, per operation: the waits paid (opens, reads, writes, "
                "renames, folder listings), the time they took added up, and the rest (the "
                "work; \"overlapped\" where waits on several threads took longer added up than "
                "the whole operation):\n");
    for (const std::string& name : names) {
        const Measured m = reporter.Of(name);
        const double total = std::accumulate(m.waits.begin(), m.waits.end(), 0.0);
        std::printf("  %-36s %6.0f waits (%5.0f %5.0f %5.0f %4.0f %3.0f) %10s waited %10s work\n",
                    name.c_str(), total, m.waits[0], m.waits[1], m.waits[2], m.waits[3], m.waits[4],
                    FormatTime(m.waited).c_str(),
                    m.seconds >= m.waited ? FormatTime(m.seconds - m.waited).c_str()
                                          : "overlapped");
    }
}

void PrintSummary(const CollectingReporter& reporter) {
    std::printf("\nSummary: real time per operation and its ratio to its physical baseline, "
                "measured in this run (%u cores).\n",
                std::thread::hardware_concurrency());
    std::printf("%-36s %11s  %-36s %11s %9s\n", "operation", "time", "baseline", "time", "ratio");
    for (const Pairing& pair : Pairings()) {
        const double operation = reporter.Seconds(pair.operation);
        const double baseline = reporter.Seconds(pair.baseline);
        if (operation < 0 && baseline < 0)
            continue; // filtered out of this run
        std::printf("%-36s %11s  %-36s %11s %9s\n", pair.operation.c_str(),
                    FormatTime(operation).c_str(), pair.baseline.c_str(),
                    FormatTime(baseline).c_str(), FormatRatio(operation, baseline).c_str());
    }
    PrintWaits(reporter);
    std::printf("\nWhat each line measures:\n");
    for (const Pairing& pair : Pairings())
        std::printf("  %s: %s\n", pair.operation.c_str(), pair.note.c_str());
}

} // namespace

std::size_t World::WaveBytes() {
    // The largest equal size at which all 999 waves stay within the total size limit.
    return static_cast<std::size_t>(Corv::kWaveBytesLimit / Corv::kWaveSlots);
}

World::World()
    : m_source(m_root / "Source.prj"), m_fullTarget(m_root / "Full Target.prj"),
      m_roomyTarget(m_root / "Roomy Target.prj"), m_workFolder(m_root / "Work/") {
    CorvTest::BuildFullProject(m_source, 7, WaveBytes());
    CorvTest::BuildFullProject(m_fullTarget, 11, WaveBytes());
    CorvTest::ProjectBuilder roomy(m_roomyTarget);
    for (int p = 1; p <= Corv::kPatchSlots; ++p)
        roomy.Patch(p, "Roomy " + std::to_string(p), 0);
    roomy.SystemFiles();
    std::filesystem::create_directories(m_workFolder);
}

World& TheWorld() {
    return *g_world;
}
void MakeWorld() {
    g_world = std::make_unique<World>();
}
void DropWorld() {
    FreshStore();
    g_world.reset();
}

void FreshStore() {
    Corv::CProjectDocuments::Get().CloseAll();
    Corv::CDomain::Reset();
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.SetMessageSink(std::make_unique<AgreeingSink>());
    if (g_world)
        domain.m_workFolder = g_world->WorkFolder();
    g_tally = {};
}

const SinkTally& Tally() {
    return g_tally;
}

Corv::CProjectDocument* Open(const std::string& folder) {
    return Corv::CProjectDocuments::Get().OpenProject(folder);
}

void RemoveTree(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

benchmark::internal::Benchmark* Measure(const std::string& name, BenchFunction function) {
    return benchmark::RegisterBenchmark(name.c_str(), function)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

benchmark::internal::Benchmark* MeasureTimed(const std::string& name, BenchFunction function) {
    return benchmark::RegisterBenchmark(name.c_str(), function)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void PairWithBaseline(const std::string& operation, const std::string& baseline,
                      const std::string& note) {
    Pairings().push_back({operation, baseline, note});
}

void CountWaits(benchmark::State& state, const CorvTest::SlowFileSystem& medium,
                double waitedSeconds) {
    const auto perIteration = benchmark::Counter::kAvgIterations;
    for (std::size_t op = 0; op < CorvTest::kSlowOpCount; ++op)
        state.counters[kWaitCounters[op]] =
            benchmark::Counter(medium.Delays(static_cast<SlowOp>(op)), perIteration);
    state.counters[kWaited] = benchmark::Counter(waitedSeconds, perIteration);
}

int RunAll(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MakeWorld();
    CollectingReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                      : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    DropWorld();
    return 0;
}

} // namespace CorvBench
