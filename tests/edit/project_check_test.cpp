#include "edit/project_check.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "support/project_builder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A project folder on disk and a document over it (not registered with the store); records
// are placed straight into the arrays with files that exist, so that only what a case breaks
// is wrong. Patch 1 on tone 1 on wave 1, user lists as the references call for.
struct CheckedProject {
    CorvTest::TempDir dir;
    std::string folder = dir / "Song.prj/";
    Corv::CProjectDocument document;
    Corv::CLumData& data = document.Data();

    CheckedProject() {
        CorvTest::ProjectBuilder builder(folder);
        data.SetProjectFolder(folder);
        data.Waves().PlaceClone(0, CorvTest::MakeWave("W1", Touch("Wave/W1.w00")));
        Tone(1, {1});
        Patch(1, 1);
    }
    std::string Touch(const std::string& relative) {
        CorvTest::WriteBytes(folder + relative, {1, 2, 3});
        return folder + relative;
    }
    void Patch(int n, int tone0, int tone1 = 0) {
        Corv::CPatch patch = CorvTest::MakePatch("P", tone0, tone1);
        patch.SetFilePath(Touch("Patch/P" + std::to_string(n) + ".d00"));
        data.Patches().PlaceClone(static_cast<std::size_t>(n - 1), patch);
        Link();
    }
    void Tone(int n, const std::vector<int>& waves) {
        Corv::CTone tone = CorvTest::MakeTone("T", waves);
        tone.SetFilePath(Touch("Tone/T" + std::to_string(n) + ".p00"));
        data.Tones().PlaceClone(static_cast<std::size_t>(n - 1), tone);
        Link();
    }
    void Link() {
        data.RebuildToneUsers();
        data.RebuildWaveUsers();
    }
};

// A problem as "kind entry-kind slot path: text", the project folder written as "@".
std::string Describe(const Corv::ProjectProblem& problem, const std::string& folder) {
    std::string line = std::to_string(static_cast<int>(problem.kind)) + " " +
                       std::to_string(problem.entryKind) + " " + std::to_string(problem.slot) +
                       " " + problem.path + ": " + problem.text;
    for (std::size_t at; (at = line.find(folder)) != std::string::npos;)
        line.replace(at, folder.size(), "@");
    return line;
}

// Each kind of problem names its entry or file; several come in the report's order: references
// first, then files, then user lists, then bytes.
TEST(ProjectCheck, EachKindOfProblemNamesItsEntryOrFileInReportOrder) {
    const std::string memo = Corv::MemoFileName(Corv::kPatchKind);
    const std::vector<std::pair<std::function<void(CheckedProject&)>, std::vector<std::string>>>
        cases = {
            {[](CheckedProject&) {}, {}},
            {[](CheckedProject& p) { p.Patch(3, 1, 5); },
             {"0 0 2 : dangling patch 3 L -> tone 5 (empty slot)"}},
            {[](CheckedProject& p) {
                 p.Tone(2, {0, 1000});
             },
             {"1 1 1 : dangling tone 2 osc 0 side 1 -> wave 1000 (beyond 999)"}},
            {[](CheckedProject& p) {
                 p.Tone(2, {999, 0, 1001});
             },
             {"1 1 1 : dangling tone 2 osc 0 side 0 -> wave 999 (empty slot)",
              "1 1 1 : dangling tone 2 osc 1 side 0 -> wave 1001 (beyond 999)"}},
            {[](CheckedProject& p) {
                 std::filesystem::remove(p.folder + "Tone/T1.p00");
                 p.document.RejectedFiles().push_back(p.Touch("Patch/odd.d00"));
             },
             {"2 1 0 @Tone/T1.p00: missing @Tone/T1.p00",
              "3 -1 -1 @Patch/odd.d00: rejected @Patch/odd.d00"}},
            {[memo](CheckedProject& p) {
                 CorvTest::MakeFifo(p.folder + "Wave/W9.w00");
                 std::filesystem::create_directory(p.folder + memo);
             },
             {"4 -1 -1 @" + memo + ": not a regular file: @" + memo,
              "4 -1 -1 @Wave/W9.w00: not a regular file: @Wave/W9.w00"}},
            {[](CheckedProject& p) {
                 p.data.Tones()[0].Users() = {0, 0, 6};
                 p.data.Waves()[0].Users().clear();
                 std::filesystem::resize_file(p.folder + "Wave/W1.w00", Corv::kWaveBytesLimit + 1);
             },
             {"5 1 0 : users tone 1: stored 1,7, referenced by 1",
              "6 2 0 : users wave 1: stored none, referenced by 1",
              "7 -1 -1 : wave bytes 67107841 over the limit of 67107840"}},
        };
    for (const auto& [setUp, expected] : cases) {
        CheckedProject project;
        setUp(project);
        std::vector<std::string> lines;
        for (const Corv::ProjectProblem& problem : Corv::CheckProject(project.document))
            lines.push_back(Describe(problem, project.folder));
        EXPECT_EQ(lines, expected);
    }
}

} // namespace
