#pragma once

#include "edit/edit_outcome.h"
#include "model/codec.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "storage/domain.h"
#include "storage/undo_step.h"
#include "support/fresh_store.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

// Projects built in memory slot by slot; file paths tell where each record came from.
namespace CorvTest {

// Puts a record into slot `number` (1-based) of its list; unless it has a file, it gets the
// made-up "/<folder>.prj/<Kind folder>/<number> <name><extension>".
template <typename Record>
void Put(Corv::CLumData& project, int kind, int number, Record record, const std::string& folder) {
    static const char* const kFolders[] = {"Patch/", "Tone/", "Wave/"};
    static const char* const kExtensions[] = {".d00", ".p00", ".w00"};
    if (record.FilePath().empty())
        record.SetFilePath("/" + folder + ".prj/" + kFolders[kind] + std::to_string(number) + " " +
                           record.Name() + kExtensions[kind]);
    static_cast<Record&>(project.Records(kind).Item(static_cast<std::size_t>(number - 1))) = record;
}

inline std::string Label(const char* letter, int number, const std::string& name) {
    return name.empty() ? letter + std::to_string(number) : name;
}

// A patch referring to the given project tones (0: none).
inline void PutPatch(Corv::CLumData& project, int number, int tone0, int tone1 = 0,
                     const std::string& name = "", const std::string& folder = "A") {
    Put(project, Corv::kPatchKind, number, MakePatch(Label("P", number, name), tone0, tone1),
        folder);
}

// A tone whose oscillator sides refer to the given waves in order.
inline void PutTone(Corv::CLumData& project, int number, const std::vector<int>& waves,
                    const std::string& name = "", const std::string& folder = "A") {
    Put(project, Corv::kToneKind, number, MakeTone(Label("T", number, name), waves), folder);
}

// A wave; its file is `path` when given.
inline void PutWave(Corv::CLumData& project, int number, const std::string& name = "",
                    const std::string& folder = "A", const std::string& path = "") {
    Put(project, Corv::kWaveKind, number, MakeWave(Label("W", number, name), path), folder);
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

// Patches 2 and 5 share tone 3; patch 5 also uses tone 7; tone 3 uses waves 4 and 2, tone 7
// waves 4 and 11.
inline void FillSource(Corv::CLumData& a) {
    for (const int w : {2, 4, 11})
        PutWave(a, w);
    PutTone(a, 3, {4, 2});
    PutTone(a, 7, {0, 4, 11});
    PutPatch(a, 2, 3);
    PutPatch(a, 5, 7, 3);
    RebuildUsers(a);
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
    void SetUp() override { m_log = m_store.InstallSink(); }

    Corv::CDomain& Domain() { return FreshStore::Services(); }
    Corv::CUndoStep& Undo() { return FreshStore::UndoStep(); }
    // The programs' question callback: through the scripted sink.
    Corv::ConfirmFn Confirm() { return Corv::AskOkCancel(Domain()); }
    SinkLog& Log() { return *m_log; }

    FreshStore m_store;
    std::shared_ptr<SinkLog> m_log;
};

} // namespace CorvTest

// Random projects and random steps, for the editing property test and the clean plan test.
namespace CorvTest::Property {

using namespace Corv;

inline bool Contains(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

inline std::vector<int> SortedUnique(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// The rows of a step in order without repeats.
inline std::vector<int> Distinct(const std::vector<int>& rows) {
    std::vector<int> result;
    for (const int row : rows)
        if (!Contains(result, row))
            result.push_back(row);
    return result;
}

class SizedFile : public IFile {
public:
    explicit SizedFile(std::uint32_t size) : m_size(size) {}
    std::int64_t Read(void*, std::size_t) override { return 0; }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t) override { return true; }
    std::int64_t Size() override { return m_size; }
    bool Sync() override { return false; }
    bool Close() override { return true; }

private:
    std::uint32_t m_size;
};

// A file system that knows only the sizes of made-up wave files, so that the wave size limit
// can be reached without writing 64 MB.
class SizedFileSystem : public MemoryFileSystem {
public:
    void SetSize(const std::string& path, std::uint32_t bytes) { m_sizes[path] = bytes; }
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) {
        const auto it = m_sizes.find(path);
        if (mode != OpenMode::Read || it == m_sizes.end())
            return nullptr;
        return std::make_unique<SizedFile>(it->second);
    }

private:
    std::unordered_map<std::string, std::uint32_t> m_sizes;
};

enum class Op { Drop, Delete, Rename, Memo, Undo };

// One random step over the open projects (indices into the project list).
struct Step {
    Op op = Op::Drop;
    int source = 0;
    int target = 0;
    int kind = 0;
    std::vector<int> rows;
    int at = 0;
    bool insert = false;
    std::optional<bool> copy;
    int answer = Corv::kAnswerOk;
    int memo = 1;
    std::string text;

    std::string Describe() const {
        static const char* const kOps[] = {"drop", "delete", "rename", "memo", "undo"};
        std::ostringstream out;
        out << kOps[static_cast<int>(op)] << " kind " << kind << " of project " << source
            << " rows " << testing::PrintToString(rows) << " to project " << target << " at " << at
            << (insert ? " insert " : " overwrite ")
            << (copy ? (*copy ? "copy" : "move") : "default") << " memo " << memo << " answer "
            << answer;
        return out.str();
    }
};

// Random projects and steps, all drawn from one seed.
class Generator {
public:
    Generator(std::uint32_t seed, SizedFileSystem& files) : m_random(seed), m_files(files) {}

    int Uniform(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_random); }

    // Fills an empty project: scattered used slots (sometimes nearly all), tones shared by
    // several patches and waves by several tones, instrument references, references to
    // empty slots and beyond the lists, wave sizes up to the limit.
    void Fill(CLumData& project) {
        const std::vector<int> waves = PickSlots(kWaveKind);
        const std::vector<int> tones = PickSlots(kToneKind);
        FillWaves(project, waves);
        FillTones(project, tones, waves);
        FillPatches(project, PickSlots(kPatchKind), tones);
        RebuildUsers(project);
    }

    Step Next(const std::vector<CLumData*>& projects, bool canUndo) {
        Step step;
        const int pick = Uniform(0, 99);
        step.op = pick < 60   ? Op::Drop
                  : pick < 74 ? Op::Delete
                  : pick < 82 ? Op::Rename
                  : pick < 88 ? Op::Memo
                              : Op::Undo;
        if (step.op == Op::Undo && !canUndo)
            step.op = Op::Drop;
        const int last = static_cast<int>(projects.size()) - 1;
        step.source = Uniform(0, last);
        step.target = Chance(0.5) ? step.source : (step.source + Uniform(1, last)) % (last + 1);
        step.kind = Uniform(0, 2);
        step.answer = Chance(0.85) ? kAnswerOk : kAnswerCancel;
        if (step.op == Op::Undo)
            return step;
        step.rows = Rows(*projects[At(step.source)], step.kind);
        step.at = Position(*projects[At(step.target)], step.kind, step.rows);
        step.insert = Chance(0.5);
        const int effect = Uniform(0, 2);
        step.copy = effect == 0 ? std::nullopt : std::optional<bool>(effect == 1);
        step.memo = Uniform(1, 4);
        step.text = Text(step.op == Op::Rename);
        return step;
    }

private:
    int Pick(const std::vector<int>& values) {
        return values[At(Uniform(0, static_cast<int>(values.size()) - 1))];
    }
    std::string NewPath(const char* extension) {
        return "/g/" + std::to_string(++m_uid) + extension;
    }

    // A reference of a kind drawn by `pick` (0-99): below `beyond` past the list, below `used`
    // to one of the used slots, else to any slot.
    int Reference(int kind, int pick, int beyond, int used, const std::vector<int>& slots) {
        int number = Uniform(1, SlotCount(kind)); // most likely an empty slot
        if (pick < beyond)
            number = Uniform(SlotCount(kind) + 1, kind == kToneKind ? 16384 : 65535);
        else if (pick < used && !slots.empty())
            number = Pick(slots) + 1;
        return number;
    }

    std::vector<int> PickSlots(int kind) {
        const int slots = SlotCount(kind);
        const int shape = Uniform(0, 99);
        const int count = shape < 45   ? Uniform(0, 30)
                          : shape < 82 ? Uniform(30, 150)
                                       : slots - Uniform(0, 4);
        std::vector<int> all(At(slots));
        std::iota(all.begin(), all.end(), 0);
        std::shuffle(all.begin(), all.end(), m_random);
        all.resize(At(count));
        if (Chance(0.3) && count > 1) { // the edges of the list
            all[0] = 0;
            all[1] = slots - 1;
        }
        return SortedUnique(all);
    }

    void FillWaves(CLumData& project, const std::vector<int>& slots) {
        std::vector<std::string> readable;
        for (const int w : slots) {
            const std::string path = NewPath(".w00");
            project.Waves().PlaceClone(At(w), MakeWave("W" + std::to_string(m_uid), path));
            if (!Chance(0.1)) // a file that cannot be opened counts 0
                readable.push_back(path);
        }
        if (readable.empty() || !Chance(0.3)) {
            for (const std::string& path : readable)
                m_files.SetSize(path, static_cast<std::uint32_t>(Uniform(0, 60000)));
            return;
        }
        // A project whose waves come close to the size limit: one more wave may not fit.
        std::uint64_t left = kWaveBytesLimit - static_cast<std::uint64_t>(Uniform(0, 150000));
        for (std::size_t i = 0; i + 1 < readable.size(); ++i) {
            const std::uint64_t share = left / (readable.size() - i);
            const std::uint64_t bytes =
                share / 2 + static_cast<std::uint64_t>(Uniform(0, 1 << 20)) % (share + 1);
            const std::uint64_t taken = std::min(bytes, left);
            m_files.SetSize(readable[i], static_cast<std::uint32_t>(taken));
            left -= taken;
        }
        m_files.SetSize(readable.back(), static_cast<std::uint32_t>(left));
    }

    void FillTones(CLumData& project, const std::vector<int>& slots,
                   const std::vector<int>& waves) {
        for (const int t : slots) {
            CTone tone = MakeTone("T" + std::to_string(m_uid + 1), {});
            tone.SetFilePath(NewPath(".p00"));
            for (int n = Uniform(0, 6); n > 0; --n) {
                COsc& osc = tone.Osc(Uniform(0, CTone::kOscCount - 1));
                const int side = Uniform(0, 1);
                osc.SetP(side == 0 ? 7 : 59, static_cast<std::uint8_t>(Uniform(0, 127)));
                const int pick = Uniform(0, 99);
                if (pick < 15) { // an instrument wave: the digits mean nothing here
                    osc.SetP(side == 0 ? 18 : 70, Chance(0.5) ? 0 : 2);
                    for (int d = 0; d < 4; ++d)
                        osc.SetP((side == 0 ? 40 : 92) + d,
                                 static_cast<std::uint8_t>(Uniform(0, 15)));
                    continue;
                }
                osc.SetP(side == 0 ? 18 : 70, COsc::kUserWaveSource);
                osc.SetWaveNumber(side, Reference(kWaveKind, pick, 25, 85, waves));
            }
            project.Tones().PlaceClone(At(t), tone);
        }
    }

    void FillPatches(CLumData& project, const std::vector<int>& slots,
                     const std::vector<int>& tones) {
        for (const int p : slots) {
            CPatch patch = MakePatch("P" + std::to_string(m_uid + 1), 0);
            patch.SetFilePath(NewPath(".d00"));
            for (int k = 0; k < 2; ++k) {
                CPatchTone& slot = patch.Slot(k);
                slot.SetP(0, static_cast<std::uint8_t>(Uniform(0, 1)));
                slot.SetP(5, static_cast<std::uint8_t>(Uniform(0, 127)));
                const int pick = Uniform(0, 99);
                if (pick < 10)
                    continue;    // no tone
                if (pick < 22) { // an instrument tone
                    slot.SetP(1, static_cast<std::uint8_t>(Chance(0.5) ? 65 : Uniform(0, 86)));
                    slot.SetP(2, static_cast<std::uint8_t>(Uniform(0, 127)));
                    slot.SetP(3, static_cast<std::uint8_t>(Uniform(0, 127)));
                    continue;
                }
                slot.SetToneNumber(Reference(kToneKind, pick, 28, 90, tones));
            }
            project.Patches().PlaceClone(At(p), patch);
        }
    }

    std::vector<int> Rows(const CLumData& project, int kind) {
        const int slots = SlotCount(kind);
        const int shape = Uniform(0, 99);
        const int count = shape < 40   ? 1
                          : shape < 75 ? Uniform(2, 4)
                          : shape < 95 ? Uniform(5, 12)
                                       : Uniform(13, 40);
        std::vector<int> used;
        for (int i = 0; i < slots; ++i)
            if (!project.Records(kind).Item(At(i)).IsEmpty())
                used.push_back(i);
        auto anyRow = [&] {
            return !used.empty() && Chance(0.85) ? Pick(used) : Uniform(0, slots - 1);
        };
        std::vector<int> rows;
        if (Chance(0.5)) { // one unbroken block
            const int first = std::min(anyRow(), slots - count);
            for (int i = 0; i < count; ++i)
                rows.push_back(first + i);
        } else {
            for (int i = 0; i < count; ++i)
                rows.push_back(anyRow());
        }
        if (Chance(0.5))
            std::sort(rows.begin(), rows.end());
        return rows;
    }

    int Position(const CLumData& target, int kind, const std::vector<int>& rows) {
        const int slots = SlotCount(kind);
        const int n = static_cast<int>(Distinct(rows).size());
        const int low = *std::min_element(rows.begin(), rows.end());
        const int pick = Uniform(0, 9);
        if (pick == 0)
            return 0;
        if (pick == 1)
            return slots - n; // the last place that fits
        if (pick == 2)
            return Chance(0.5) ? slots - n + 1 : slots - 1;
        if (pick == 3)
            return low; // onto itself
        if (pick == 4)
            return std::max(0, low + Uniform(-2, 2));
        const int extent = target.UsedExtent(kind);
        if (pick <= 6)
            return extent == 0 ? 0 : Uniform(0, extent - 1);
        return Uniform(0, slots - 1);
    }

    std::string Text(bool forName) {
        static const std::string kPieces[] = {"Pad",      " ",    "a/b",  ":",        "Str",
                                              "\x83\x5C", "\xE0", "*?",   "Bass",     "\"q\"",
                                              "<>|",      "\\",   "\xB1", "Long name"};
        std::string text;
        for (int n = Uniform(0, forName ? 6 : 4); n > 0; --n)
            text += kPieces[Uniform(0, 13)];
        return text;
    }

    std::mt19937 m_random;
    SizedFileSystem& m_files;
    int m_uid = 0;
};

} // namespace CorvTest::Property
