#pragma once

#include "model/lum_data.h"
#include "storage/domain.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

// Projects built in memory slot by slot; file paths tell where each record came from.
namespace CorvTest {

// The path of a made-up record file: "/<project>.prj/<folder>/<number> <name><extension>".
inline std::string RecordPath(const std::string& project, int kind, int number,
                              const std::string& name) {
    static const char* const kFolders[] = {"Patch/", "Tone/", "Wave/"};
    static const char* const kExtensions[] = {".d00", ".p00", ".w00"};
    return "/" + project + ".prj/" + kFolders[kind] + std::to_string(number) + " " + name +
           kExtensions[kind];
}

// Puts a patch into slot `number` (1-based) referring to the given project tones (0: none).
inline void PutPatch(Corv::CLumData& project, int number, int tone0, int tone1 = 0,
                     const std::string& name = "", const std::string& folder = "A") {
    const std::string label = name.empty() ? "P" + std::to_string(number) : name;
    Corv::CPatch patch = MakePatch(label, tone0, tone1);
    patch.SetFilePath(RecordPath(folder, Corv::kPatchKind, number, label));
    project.Patches().PlaceClone(static_cast<std::size_t>(number - 1), patch);
}

// Puts a tone into slot `number` whose oscillator sides refer to the given waves in order.
inline void PutTone(Corv::CLumData& project, int number, const std::vector<int>& waves,
                    const std::string& name = "", const std::string& folder = "A") {
    const std::string label = name.empty() ? "T" + std::to_string(number) : name;
    Corv::CTone tone = MakeTone(label, waves);
    tone.SetFilePath(RecordPath(folder, Corv::kToneKind, number, label));
    project.Tones().PlaceClone(static_cast<std::size_t>(number - 1), tone);
}

// Puts a wave into slot `number`; its file is `path` when given, else a made-up one.
inline void PutWave(Corv::CLumData& project, int number, const std::string& name = "",
                    const std::string& folder = "A", const std::string& path = "") {
    const std::string label = name.empty() ? "W" + std::to_string(number) : name;
    project.Waves().PlaceClone(
        static_cast<std::size_t>(number - 1),
        MakeWave(label, path.empty() ? RecordPath(folder, Corv::kWaveKind, number, label) : path));
}

// A list of rows or numbers, for tables whose rows must not hold nested braces.
inline std::vector<int> Rows(auto... rows) {
    return {rows...};
}

// The back references as loading builds them.
inline void RebuildUsers(Corv::CLumData& project) {
    project.RebuildToneUsers();
    project.RebuildWaveUsers();
}

inline int ToneRef(const Corv::CLumData& project, int patchNumber, int slot) {
    return project.Patches()[static_cast<std::size_t>(patchNumber - 1)].Slot(slot).ToneNumber();
}

inline int WaveRef(const Corv::CLumData& project, int toneNumber, int osc, int side) {
    return project.Tones()[static_cast<std::size_t>(toneNumber - 1)].Osc(osc).WaveNumber(side);
}

inline const std::string& Name(const Corv::CLumData& project, int kind, int number) {
    return project.Records(kind).Item(static_cast<std::size_t>(number - 1)).Name();
}

// Every user list holds exactly the records that refer to its slot, each once.
inline testing::AssertionResult UsersMatchReferences(const Corv::CLumData& project) {
    auto check = [](const char* what, const auto& records, const auto& referrers, int refs,
                    auto refOf) -> testing::AssertionResult {
        std::vector<std::set<int>> want(records.Size());
        for (std::size_t r = 0; r < referrers.Size(); ++r)
            for (int i = 0; i < refs; ++i)
                if (const int n = refOf(referrers[r], i); n >= 1 && n <= int(want.size()))
                    want[static_cast<std::size_t>(n - 1)].insert(static_cast<int>(r));
        for (std::size_t k = 0; k < records.Size(); ++k) {
            const auto& users = records[k].Users();
            if (std::multiset<int>(users.begin(), users.end()) !=
                std::multiset<int>(want[k].begin(), want[k].end()))
                return testing::AssertionFailure()
                       << what << " " << k + 1 << " lists " << testing::PrintToString(users)
                       << " instead of " << testing::PrintToString(want[k]);
        }
        return testing::AssertionSuccess();
    };
    if (auto tones = check("tone", project.Tones(), project.Patches(), 2,
                           [](const auto& p, int i) { return p.Slot(i).ToneNumber(); });
        !tones)
        return tones;
    return check("wave", project.Waves(), project.Tones(), 2 * Corv::CTone::kOscCount,
                 [](const auto& t, int i) { return t.Osc(i / 2).WaveNumber(i % 2); });
}

// A deep copy of the three arrays of a project, for before/after comparisons.
struct ProjectState {
    Corv::CPatchArray patches;
    Corv::CToneArray tones;
    Corv::CWaveArray waves;

    ProjectState() = default;
    explicit ProjectState(const Corv::CLumData& project)
        : patches(project.Patches()), tones(project.Tones()), waves(project.Waves()) {}
    bool Matches(const Corv::CLumData& project) const {
        return patches == project.Patches() && tones == project.Tones() && waves == project.Waves();
    }
};

// Each test starts from a fresh store with a scripted sink that agrees to every question.
class EditTest : public testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_log = InstallScriptedSink();
    }
    void TearDown() override { Corv::CDomain::Reset(); }

    Corv::CDomain& Domain() { return Corv::CDomain::Get(); }
    SinkLog& Log() { return *m_log; }

    std::shared_ptr<SinkLog> m_log;
};

} // namespace CorvTest
