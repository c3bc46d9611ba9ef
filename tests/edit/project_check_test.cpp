#include "edit/project_check.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Each kind of problem names its entry, in the report's order: references, user lists (which
// the command-line tool's check cannot show, as loading rebuilds them), then bytes. A sound
// project and references to empty slots are checked end to end by the command-line tool.
TEST(ProjectCheck, EachKindOfProblemNamesItsEntryInReportOrder) {
    CorvTest::TempDir dir;
    CorvTest::ProjectBuilder builder(dir / "Song.prj/");
    builder.Wave(1, "W1", 100).Tone(1, "T", {1}).Tone(2, "T", {0, 1000}).Patch(1, "P", 1);
    std::filesystem::resize_file(builder.SlotPath(Corv::kWaveKind, 1, "W1", ".w00"),
                                 Corv::kWaveBytesLimit + 1);
    CorvTest::FreshStore store;
    Corv::CProjectDocument document;
    ASSERT_TRUE(document.LoadProject(builder.Folder()));
    document.Data().Tones()[0].Users() = {0, 0, 6}; // user lists that loading would not make
    document.Data().Waves()[0].Users().clear();
    std::vector<std::string> lines; // "kind entry-kind slot path: text"
    for (const Corv::ProjectProblem& p : Corv::CheckProject(document))
        lines.push_back(std::to_string(static_cast<int>(p.kind)) + " " +
                        std::to_string(p.entryKind) + " " + std::to_string(p.slot) + " " + p.path +
                        ": " + p.text);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "1 1 1 : dangling tone 2 osc 0 side 1 -> wave 1000 (beyond 999)",
                         "5 1 0 : users tone 1: stored 1,7, referenced by 1",
                         "6 2 0 : users wave 1: stored none, referenced by 1",
                         "7 -1 -1 : wave bytes 67107841 over the limit of 67107840"}));
}

} // namespace
