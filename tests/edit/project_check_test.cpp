#include "edit/project_check.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A problem as "kind entry-kind slot path: text".
std::string Describe(const Corv::ProjectProblem& problem) {
    return std::to_string(static_cast<int>(problem.kind)) + " " +
           std::to_string(problem.entryKind) + " " + std::to_string(problem.slot) + " " +
           problem.path + ": " + problem.text;
}

// Each kind of problem names its entry, in the report's order: references, user lists (which
// the command-line tool's check cannot show, as loading rebuilds them), then bytes.
TEST(ProjectCheck, EachKindOfProblemNamesItsEntryInReportOrder) {
    using Builder = CorvTest::ProjectBuilder;
    const std::vector<std::pair<std::function<void(Builder&)>, std::vector<std::string>>> cases = {
        {[](Builder&) {}, {}},
        {[](Builder& b) { b.Patch(3, "P", 1, 5); },
         {"0 0 2 : dangling patch 3 L -> tone 5 (empty slot)"}},
        {[](Builder& b) {
             b.Tone(2, "T", {0, 1000});
             std::filesystem::resize_file(b.SlotPath(Corv::kWaveKind, 1, "W1", ".w00"),
                                          Corv::kWaveBytesLimit + 1);
         },
         {"1 1 1 : dangling tone 2 osc 0 side 1 -> wave 1000 (beyond 999)",
          "5 1 0 : users tone 1: stored 1,7, referenced by 1",
          "6 2 0 : users wave 1: stored none, referenced by 1",
          "7 -1 -1 : wave bytes 67107841 over the limit of 67107840"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // Patch 1 on tone 1 on wave 1; a case adds or breaks what it reports.
        CorvTest::TempDir dir;
        Builder builder(dir / "Song.prj/");
        builder.Wave(1, "W1", 100).Tone(1, "T", {1}).Patch(1, "P", 1);
        cases[i].first(builder);
        Corv::CDomain::Reset();
        Corv::CProjectDocument document;
        ASSERT_TRUE(document.LoadProject(builder.Folder()));
        if (i == 2) { // user lists that loading would not make
            document.Data().Tones()[0].Users() = {0, 0, 6};
            document.Data().Waves()[0].Users().clear();
        }
        std::vector<std::string> lines;
        for (const Corv::ProjectProblem& problem : Corv::CheckProject(document))
            lines.push_back(Describe(problem));
        EXPECT_EQ(lines, cases[i].second);
    }
    Corv::CDomain::Reset();
}

} // namespace
