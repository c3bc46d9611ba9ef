#include "bench_support.h"

#include "edit/domain.h"
#include "model/lum_data.h"

#include <cstdio>
#include <filesystem>
#include <map>
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

// Shows the console table as usual and keeps the real time per iteration of every run.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                m_seconds[run.run_name.function_name] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    // Seconds per iteration of a benchmark, or a negative value when it did not run.
    double Seconds(const std::string& name) const {
        const auto it = m_seconds.find(name);
        return it == m_seconds.end() ? -1.0 : it->second;
    }

private:
    std::map<std::string, double> m_seconds;
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

void PrintSummary(const CollectingReporter& reporter) {
    std::printf("\nSummary: real time per operation and its ratio to its physical baseline, "
                "measured in this run (%u cores).\n",
                std::thread::hardware_concurrency());
    std::printf("%-30s %11s  %-28s %11s %9s\n", "operation", "time", "baseline", "time", "ratio");
    for (const Pairing& pair : Pairings()) {
        const double operation = reporter.Seconds(pair.operation);
        const double baseline = reporter.Seconds(pair.baseline);
        if (operation < 0 && baseline < 0)
            continue; // filtered out of this run
        std::printf("%-30s %11s  %-28s %11s %9s\n", pair.operation.c_str(),
                    FormatTime(operation).c_str(), pair.baseline.c_str(),
                    FormatTime(baseline).c_str(), FormatRatio(operation, baseline).c_str());
    }
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

void PairWithBaseline(const std::string& operation, const std::string& baseline,
                      const std::string& note) {
    Pairings().push_back({operation, baseline, note});
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
