#include "storage/folder_transaction.h"
#include "support/project_builder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace Corv;
using namespace CorvTest;

namespace {

// A save stopped after setting an original aside, its first-phase journal in the folder: the
// next open completes it when the staged file is there, and puts the original back when the
// staged file is gone (going forward would leave the slot without any file).
TEST(Recovery, CompletesWithItsStagedFileAndPutsTheOriginalBackWithout) {
    const struct {
        const char* name;
        bool stagedThere;
        Recovery result;
        Bytes slotFile;
    } cases[] = {{"staged file there", true, Recovery::Completed, {'n', 'e', 'w'}},
                 {"staged file gone", false, Recovery::Undone, {'o', 'l', 'd'}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string folder = dir.Path() + "/Song.prj/";
        std::filesystem::create_directories(folder + "Patch");
        const std::string slot = "Patch/001 A.d00";
        const std::string aside = std::string("Patch/") + kAsidePrefix + "1";
        const std::string staged = std::string("Patch/") + kStagedPrefix + "1";
        WriteBytes(folder + aside, {'o', 'l', 'd'}); // the original, already set aside
        if (c.stagedThere)
            WriteBytes(folder + staged, {'n', 'e', 'w'});
        const std::string journal = JournalText({{CommitStep::Kind::Aside, slot, aside},
                                                 {CommitStep::Kind::Place, staged, slot},
                                                 {CommitStep::Kind::Remove, aside, {}}});
        WriteBytes(folder + kJournalName, Bytes(journal.begin(), journal.end()));

        std::string problem;
        const auto keep = [](const auto& files) { return std::vector<bool>(files.size(), false); };
        EXPECT_EQ(RecoverProjectFolder(folder, keep, problem), c.result) << problem;
        EXPECT_EQ(ReadBytes(folder + slot), c.slotFile);
        EXPECT_EQ(ListFolder(folder + "Patch"), std::vector<std::string>{"001 A.d00"});
        EXPECT_FALSE(FileExists(folder + kJournalName));
    }
}

} // namespace
