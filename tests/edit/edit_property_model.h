#pragma once

#include "list_edit_support.h"
#include "model/codec.h"
#include "model/file_system.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

// The random projects, random steps and the checks of the editing property test.
namespace CorvTest::Property {

// A file system that knows only the sizes of made-up wave files, so that the wave size limit
// can be reached without writing 64 MB.
class SizedFileSystem : public Corv::IFileSystem {
public:
    void SetSize(const std::string& path, std::uint32_t bytes) { m_sizes[path] = bytes; }

    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override;
    bool Rename(const std::string&, const std::string&) override { return false; }
    bool Remove(const std::string&) override { return false; }
    Corv::CreateDirResult CreateDirectory(const std::string&) override {
        return Corv::CreateDirResult::Failed;
    }
    bool RemoveDirectory(const std::string&) override { return false; }
    bool IsDirectory(const std::string&) override { return false; }
    Corv::FileStatus Status(const std::string&) override { return {}; }
    bool ListFolder(const std::string&, std::vector<Corv::DirEntry>&) override { return false; }
    bool CopyFile(const std::string&, const std::string&, bool) override { return false; }
    bool SyncDirectory(const std::string&) override { return false; }

private:
    std::unordered_map<std::string, std::uint32_t> m_sizes;
};

// An immutable picture of a project taken between steps.
using Snapshot = std::shared_ptr<const ProjectState>;

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

    std::string Describe() const;
};

// Random projects and steps, all drawn from one seed.
class Generator {
public:
    Generator(std::uint32_t seed, SizedFileSystem& files) : m_random(seed), m_files(files) {}

    // Fills an empty project: scattered used slots (sometimes nearly all), tones shared by
    // several patches and waves by several tones, instrument references, references to
    // empty slots and beyond the lists, wave sizes up to the limit.
    void Fill(Corv::CLumData& project);
    Step Next(const std::vector<Corv::CLumData*>& projects, bool canUndo);
    int Uniform(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_random); }

private:
    std::vector<int> PickSlots(int kind);
    void FillWaves(Corv::CLumData& project, const std::vector<int>& slots);
    void FillTones(Corv::CLumData& project, const std::vector<int>& slots,
                   const std::vector<int>& waves);
    void FillPatches(Corv::CLumData& project, const std::vector<int>& slots,
                     const std::vector<int>& tones);
    std::vector<int> Rows(const Corv::CLumData& project, int kind);
    int Position(const Corv::CLumData& target, int kind, const std::vector<int>& rows);
    std::string Text(bool forName);
    std::string NewPath(const char* extension) {
        return "/g/" + std::to_string(++m_uid) + extension;
    }

    std::mt19937 m_random;
    SizedFileSystem& m_files;
    int m_uid = 0;
};

// Where every slot's record came from across one step, and the slots (before the step) whose
// referrers may lose their references to them.
struct StepMap {
    static constexpr int kNone = -1; // an emptied slot
    // origin[project][kind][slot]: project * 4096 + slot before the step, or kNone.
    std::vector<std::vector<std::vector<int>>> origin;
    std::vector<std::vector<std::vector<bool>>> clearable;
    // A project into which waves were inserted: references beyond the wave list there become 0.
    int waveInsertProject = -1;

    explicit StepMap(std::size_t projects);
    static int Encode(int project, int slot) { return project * 4096 + slot; }
};

// The map of a drop that was carried out, computed from the states before it.
StepMap DropMap(const Step& step, const std::vector<Snapshot>& before);
// The map of a confirmed delete.
StepMap DeleteMap(const Step& step, std::size_t projects);

// Every record sits where the map says; every patch refers to tones, every tone to waves with
// the same content as before, unless the map lets the reference be cleared.
testing::AssertionResult ContentKept(const StepMap& map, const std::vector<Snapshot>& before,
                                     const std::vector<Corv::CLumData*>& after,
                                     const std::vector<int>& changed);
// A name or memo edit changed exactly those texts of those rows.
testing::AssertionResult TextEditKept(const Step& step, const ProjectState& before,
                                      const Corv::CLumData& after);

// The rows the source list keeps selected after a drop, as the desktop re-selects them.
std::vector<int> Reselected(const Step& step, const std::vector<int>& rows);
// The rows of a step in order without repeats.
std::vector<int> Distinct(const std::vector<int>& rows);

} // namespace CorvTest::Property
