#include "edit/project_check.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "support/project_builder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Corv::ProblemKind;

// A project folder on disk and a document over it (not registered with the store); records
// are placed straight into the arrays with files that exist, so that only what a case breaks
// is wrong.
struct CheckedProject {
    CorvTest::TempDir dir;
    std::string folder = dir / "Song.prj/";
    Corv::CProjectDocument document;

    CheckedProject() {
        CorvTest::ProjectBuilder builder(folder);
        document.Data().SetProjectFolder(folder);
    }
    std::string Touch(const std::string& relative) {
        CorvTest::WriteBytes(folder + relative, {1, 2, 3});
        return folder + relative;
    }
    void Patch(int n, int tone0, int tone1 = 0) {
        Corv::CPatch patch = CorvTest::MakePatch("P" + std::to_string(n), tone0, tone1);
        patch.SetFilePath(Touch("Patch/P" + std::to_string(n) + ".d00"));
        document.Data().Patches().PlaceClone(static_cast<std::size_t>(n - 1), patch);
    }
    void Tone(int n, const std::vector<int>& waves) {
        Corv::CTone tone = CorvTest::MakeTone("T" + std::to_string(n), waves);
        tone.SetFilePath(Touch("Tone/T" + std::to_string(n) + ".p00"));
        document.Data().Tones().PlaceClone(static_cast<std::size_t>(n - 1), tone);
    }
    void Wave(int n) {
        const std::string path = Touch("Wave/W" + std::to_string(n) + ".w00");
        document.Data().Waves().PlaceClone(static_cast<std::size_t>(n - 1),
                                           CorvTest::MakeWave("W" + std::to_string(n), path));
    }
    // Patch 1 on tone 1 on wave 1, user lists as the references call for.
    void Sound() {
        Wave(1), Tone(1, {1}), Patch(1, 1);
        Link();
    }
    void Link() { document.Data().RebuildToneUsers(), document.Data().RebuildWaveUsers(); }
};

struct Expected {
    ProblemKind kind;
    int entryKind;    // -1: a file or the project
    int slot;         // 0-based
    std::string path; // relative to the project folder; empty: none
    std::string text; // "@" stands for the project folder
};

struct Case {
    const char* name;
    std::function<void(CheckedProject&)> setup;
    std::vector<Expected> expected;
};

std::string Expand(const std::string& text, const std::string& folder) {
    std::string out;
    for (const char c : text)
        out += c == '@' ? folder : std::string(1, c);
    return out;
}

TEST(ProjectCheck, EachKindOfProblemNamesItsEntryOrFile) {
    const std::vector<Case> cases = {
        {"a sound project", [](CheckedProject& p) { p.Sound(); }, {}},
        {"patch slot on an empty tone",
         [](CheckedProject& p) { p.Sound(), p.Patch(3, 1, 5), p.Link(); },
         {{ProblemKind::DanglingTone, Corv::kPatchKind, 2, "",
           "dangling patch 3 L -> tone 5 (empty slot)"}}},
        {"oscillator side beyond the wave list",
         [](CheckedProject& p) {
             p.Sound(), p.Tone(2, {0, 1000}), p.Link();
         },
         {{ProblemKind::DanglingWave, Corv::kToneKind, 1, "",
           "dangling tone 2 osc 0 side 1 -> wave 1000 (beyond 999)"}}},
        {"file of a used slot gone",
         [](CheckedProject& p) {
             p.Sound();
             std::filesystem::remove(p.folder + "Tone/T1.p00");
         },
         {{ProblemKind::MissingFile, Corv::kToneKind, 0, "Tone/T1.p00", "missing @Tone/T1.p00"}}},
        {"rejected file",
         [](CheckedProject& p) {
             p.Sound();
             p.document.RejectedFiles().push_back(p.Touch("Patch/odd.d00"));
         },
         {{ProblemKind::RejectedFile, -1, -1, "Patch/odd.d00", "rejected @Patch/odd.d00"}}},
        {"FIFO among the waves and a folder as a memo file",
         [](CheckedProject& p) {
             p.Sound();
             CorvTest::MakeFifo(p.folder + "Wave/W9.w00");
             std::filesystem::create_directory(p.folder + Corv::MemoFileName(Corv::kPatchKind));
         },
         {{ProblemKind::NotRegularFile, -1, -1, Corv::MemoFileName(Corv::kPatchKind),
           std::string("not a regular file: @") + Corv::MemoFileName(Corv::kPatchKind)},
          {ProblemKind::NotRegularFile, -1, -1, "Wave/W9.w00",
           "not a regular file: @Wave/W9.w00"}}},
        {"tone user list with a stray and a repeated referrer",
         [](CheckedProject& p) {
             p.Sound();
             p.document.Data().Tones()[0].Users() = {0, 0, 6};
         },
         {{ProblemKind::ToneUsers, Corv::kToneKind, 0, "",
           "users tone 1: stored 1,7, referenced by 1"}}},
        {"wave user list missing its tone",
         [](CheckedProject& p) {
             p.Sound();
             p.document.Data().Waves()[0].Users().clear();
         },
         {{ProblemKind::WaveUsers, Corv::kWaveKind, 0, "",
           "users wave 1: stored none, referenced by 1"}}},
        {"wave bytes over the limit",
         [](CheckedProject& p) {
             p.Sound();
             std::filesystem::resize_file(p.folder + "Wave/W1.w00", Corv::kWaveBytesLimit + 1);
         },
         {{ProblemKind::WaveBytes, -1, -1, "", "wave bytes 67107841 over the limit of 67107840"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckedProject project;
        c.setup(project);
        const std::vector<Corv::ProjectProblem> problems = Corv::CheckProject(project.document);
        ASSERT_EQ(problems.size(), c.expected.size());
        for (std::size_t i = 0; i < problems.size(); ++i) {
            const Expected& e = c.expected[i];
            EXPECT_EQ(problems[i].kind, e.kind);
            EXPECT_EQ(problems[i].entryKind, e.entryKind);
            EXPECT_EQ(problems[i].slot, e.slot);
            EXPECT_EQ(problems[i].ConcernsEntry(), e.entryKind >= 0);
            EXPECT_EQ(problems[i].path, e.path.empty() ? "" : project.folder + e.path);
            EXPECT_EQ(problems[i].text, Expand(e.text, project.folder));
        }
    }
}

// The order is the report's contract: references first, then files, then user lists, then bytes.
TEST(ProjectCheck, ProblemsComeInReportOrder) {
    CheckedProject p;
    p.Sound();
    p.Patch(2, 9);
    p.Link();
    p.document.Data().Waves()[0].Users().push_back(4);
    std::filesystem::remove(p.folder + "Wave/W1.w00");
    p.document.RejectedFiles().push_back(p.folder + "Tone/x.p00");
    std::vector<ProblemKind> kinds;
    for (const Corv::ProjectProblem& problem : Corv::CheckProject(p.document))
        kinds.push_back(problem.kind);
    EXPECT_EQ(kinds, (std::vector<ProblemKind>{ProblemKind::DanglingTone, ProblemKind::MissingFile,
                                               ProblemKind::RejectedFile, ProblemKind::WaveUsers}));
}

} // namespace
