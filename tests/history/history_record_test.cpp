// Every save in place keeps the folder as it was as a version: after each kind of edit the
// version written out is the folder before the save byte for byte, its summary names the
// change, and a restore brings the folder back to it through a save of its own.
#include "edit/cell_edit.h"
#include "edit/clean.h"
#include "edit/drop.h"
#include "edit/list_edits.h"
#include "edit/wave_import.h"
#include "history/folder_state.h"
#include "history/store_files.h"
#include "history/version_access.h"
#include "history_fixture.h"

#include <filesystem>
#include <functional>
#include <set>
#include <sys/stat.h>

using namespace Corv;
using namespace CorvTest;
using namespace CorvHistoryTest;

namespace {

namespace fs = std::filesystem;

std::uint64_t InodeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

struct EditCase {
    const char* name;
    std::function<bool(HistoryWorld&)> edit;
    const char* summary; // a part of the version's summary
};

CUndoStep& Undo() {
    return FreshStore::UndoStep();
}

bool Confirm(int) {
    return true;
}

// An entry dropped onto another slot of its own project (by default tone 4 onto tone 21).
bool DropWithin(HistoryWorld& w, bool copy, int row = 3, int at = 20, int kind = kToneKind) {
    DropRequest request;
    request.source = request.target = &w.Document().Data();
    request.rows = {row};
    request.kind = kind;
    request.at = at;
    request.copy = copy;
    return PerformDrop(request, Undo(), Confirm).done;
}

// The first entry of a kind of another project copied to slot 41 of the world's project.
bool CopyFirstFrom(HistoryWorld& w, const std::string& other, int kind) {
    CProjectDocument* source = CProjectDocuments::Get().OpenProject(other);
    if (source == nullptr)
        return false;
    DropRequest request;
    request.source = &source->Data();
    request.target = &w.Document().Data();
    request.rows = {0};
    request.kind = kind;
    request.at = 40;
    request.copy = true;
    return PerformDrop(request, Undo(), Confirm).done;
}

const EditCase kEdits[] = {
    {"Rename",
     [](HistoryWorld& w) { return SetNames(w.Document().Data(), kPatchKind, {0}, "Solo", Undo()); },
     "renamed patch 1"},
    {"Memo",
     [](HistoryWorld& w) {
         return SetMemos(w.Document().Data(), kToneKind, {1, 3}, 2, "warm", Undo());
     },
     "changed memos of 2 tones"},
    {"Delete",
     [](HistoryWorld& w) {
         return DeleteEntries(w.Document().Data(), {1}, kPatchKind, Undo(), Confirm).Done();
     },
     "removed patch 2"},
    {"Drop", [](HistoryWorld& w) { return DropWithin(w, false); }, "moved tone 21"},
    {"Copy", [](HistoryWorld& w) { return DropWithin(w, true); }, "added tone 21"},
    {"Clean",
     [](HistoryWorld& w) {
         return CleanProject(w.Document().Data(), CleanOptions{}, Undo()).Done();
     },
     "removed tone 8"},
    {"Import",
     [](HistoryWorld& w) {
         const std::string file = w.Temp() + "/Choir.wav";
         WriteBytes(file, AudioFileBytes(".wav", 900, 7));
         return ImportWaves(w.Document(), {file}, Undo()).imported == 1;
     },
     "added wave 4"},
};

class VersionPerSave : public ::testing::TestWithParam<EditCase> {};

TEST_P(VersionPerSave, KeepsTheFolderBeforeTheSaveAndRestoresIt) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    const Snapshot before = world.Folder();
    ASSERT_TRUE(GetParam().edit(world));
    ASSERT_TRUE(world.Save()) << world.Sink().Describe();
    const Snapshot after = world.Folder();
    ASSERT_NE(before, after);
    EXPECT_TRUE(world.Sink().Notices().empty()) << world.Sink().Notices().front();

    const auto versions = world.Versions();
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0].id, 1);
    EXPECT_EQ(versions[0].problem, "");
    EXPECT_NE(versions[0].summary.find(GetParam().summary), std::string::npos)
        << versions[0].summary;
    EXPECT_EQ(SnapshotDifference(world.Exported(1), before), "");
    // Every content the save took out of the folder is kept, and the version counts the bytes
    // it added to the store (empty before it).
    std::set<Bytes> left;
    for (const auto& [path, bytes] : after)
        left.insert(bytes);
    for (const auto& [path, bytes] : before)
        if (left.count(bytes) == 0) {
            EXPECT_TRUE(
                world.Store().HasObject(History::HashHex(std::string(bytes.begin(), bytes.end()))))
                << path;
        }
    std::uint64_t stored = 0;
    if (fs::exists(world.Store().Folder() + "objects"))
        for (const auto& entry :
             fs::recursive_directory_iterator(world.Store().Folder() + "objects"))
            stored += entry.is_regular_file() ? entry.file_size() : 0;
    EXPECT_EQ(versions[0].storedBytes, stored);

    // The restore is a save: the folder is the version again, and what it replaced is a
    // version of its own that takes the restore back.
    world.CloseAll();
    EXPECT_EQ(world.Restore(1, true), History::RestoreOutcome::Previewed);
    EXPECT_FALSE(world.Changes().empty());
    EXPECT_EQ(world.Folder(), after) << "a dry run changes nothing";
    ASSERT_EQ(world.Restore(1), History::RestoreOutcome::Restored) << world.Why();
    // A save in place: no question whether to replace a project.
    EXPECT_TRUE(world.Sink().Questions().empty()) << world.Sink().Describe();
    EXPECT_EQ(SnapshotDifference(world.Folder(), before), "");
    // The restore read the stored bytes through second names of the objects; the project's
    // files are copies of their own, so that changing one never changes the history.
    std::set<std::uint64_t> objects;
    if (fs::exists(world.Store().Folder() + "objects")) // a rename stores no bytes
        for (const auto& entry :
             fs::recursive_directory_iterator(world.Store().Folder() + "objects"))
            objects.insert(InodeOf(entry.path().string()));
    for (const auto& entry : fs::recursive_directory_iterator(world.Project())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(objects.count(InodeOf(entry.path().string())), 0u) << entry.path();
        }
    }
    const auto restored = world.Versions();
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].note, "before restore");
    EXPECT_EQ(SnapshotDifference(world.Exported(2), after), "");
    EXPECT_EQ(world.Restore(1), History::RestoreOutcome::NothingToDo);
}

INSTANTIATE_TEST_SUITE_P(Edits, VersionPerSave, ::testing::ValuesIn(kEdits),
                         [](const ::testing::TestParamInfo<EditCase>& test) {
                             return std::string(test.param.name);
                         });

// The head a save leaves is worked out from the one before and what the save changed; after
// every kind of edit, one after another, it is what a fresh look at the folder gives.
std::vector<std::string> Described(const std::vector<History::SlotEntry>& slots) {
    std::vector<std::string> lines;
    for (const History::SlotEntry& s : slots)
        lines.push_back(std::to_string(s.kind) + " " + std::to_string(s.number) + " " + s.file +
                        " " + std::to_string(s.size) + " " + s.fingerprint + " " + s.name + " " +
                        s.memos[0] + "|" + s.memos[1] + "|" + s.memos[2] + "|" + s.memos[3]);
    return lines;
}

void ExpectHeadIsTheFolder(HistoryWorld& world, const std::string& after) {
    const auto head = world.Store().Head(world.Project());
    ASSERT_NE(head, nullptr) << after;
    std::vector<History::FileEntry> files;
    std::vector<History::SlotEntry> slots;
    std::string why;
    ASSERT_TRUE(History::DescribeFiles(world.Project(), {}, files, why)) << why;
    ASSERT_TRUE(History::ReadSlots(world.Project(), files, slots, why)) << why;
    EXPECT_EQ(Described(head->usedSlots), Described(slots)) << after;
    ASSERT_EQ(head->files.size(), files.size()) << after;
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(head->files[i].path + " " + head->files[i].hash,
                  files[i].path + " " + files[i].hash)
            << after;
    }
}

TEST(Head, AfterEachEditIsTheFolderAsItIs) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    std::vector<EditCase> edits(std::begin(kEdits), std::end(kEdits));
    edits.insert(edits.begin() + 2, {"Parameter",
                                     [](HistoryWorld& w) {
                                         COsc& osc = w.Document().Data().Tones()[0].Osc(0);
                                         osc.SetP(20, osc.P(20) == 64 ? 65 : 64);
                                         w.Document().SetModifiedFlag(true);
                                         return true;
                                     },
                                     ""});
    // Tone 1 copied to 30 (tone 4 was moved away by the drop before).
    for (EditCase& edit : edits)
        if (std::string(edit.name) == "Copy")
            edit.edit = [](HistoryWorld& w) { return DropWithin(w, true, 0, 29); };
    // Wave 1 copied over wave 2: the tones on wave 2 keep their files and change their sound.
    edits.push_back(
        {"WaveOver", [](HistoryWorld& w) { return DropWithin(w, true, 0, 1, kWaveKind); }, ""});
    // Wave 1 deleted: the tones on it are rewritten to refer to nothing.
    edits.push_back(
        {"DeleteWave",
         [](HistoryWorld& w) {
             return DeleteEntries(w.Document().Data(), {0}, kWaveKind, Undo(), Confirm).Done();
         },
         ""});
    // A tone of another project dropped in: its wave is copied in from there, and the tone's
    // sound is told by the bytes of the copy.
    edits.push_back({"FromAnother",
                     [](HistoryWorld& w) {
                         const std::string other = w.Temp() + "/Other.prj/";
                         ProjectBuilder(other).Tone(1, "Grainy", {1}).Wave(1, "Grain", 333);
                         return CopyFirstFrom(w, other, kToneKind);
                     },
                     ""});
    edits.push_back({"RenameAgain",
                     [](HistoryWorld& w) {
                         return SetNames(w.Document().Data(), kPatchKind, {0}, "Again", Undo());
                     },
                     ""});
    for (const EditCase& edit : edits) {
        ASSERT_TRUE(edit.edit(world)) << edit.name;
        ASSERT_TRUE(world.Save()) << edit.name << ": " << world.Sink().Describe();
        ExpectHeadIsTheFolder(world, edit.name);
    }
    // A restore takes the hashes of the files it copies in from the version it wrote out.
    world.CloseAll();
    ASSERT_EQ(world.Restore(2), History::RestoreOutcome::Restored) << world.Why();
    ExpectHeadIsTheFolder(world, "Restore");
}

// A file a caller vouched for gives its hash to a copy of it only while it is unchanged: one
// rewritten after (same size, another time) is read.
TEST(Head, TakesAVouchedHashOnlyForTheFileAsItWas) {
    for (const bool rewritten : {false, true}) {
        HistoryWorld world;
        ASSERT_NE(world.Open(), nullptr);
        const std::string other = world.Temp() + "/Other.prj/";
        ProjectBuilder(other).Tone(1, "Grainy", {1}).Wave(1, "Grain", 333);
        std::string wave;
        for (const auto& entry : fs::directory_iterator(other + "Wave"))
            wave = entry.path().filename().string();
        const Bytes bytes = ReadBytes(other + "Wave/" + wave);
        Bytes changed = bytes;
        changed.back() ^= 0x5A;
        // Vouched for with the hash of bytes it does not hold: taken only as long as it is the
        // file vouched for.
        world.Recorder().VouchFor(
            other, {{"Wave/" + wave, bytes.size(),
                     History::HashHex(std::string(changed.begin(), changed.end())), 0, 0}});
        if (rewritten) {
            WriteBytes(other + "Wave/" + wave, changed);
            fs::last_write_time(other + "Wave/" + wave,
                                fs::last_write_time(other + "Wave/" + wave) +
                                    std::chrono::seconds(2));
        }
        ASSERT_TRUE(CopyFirstFrom(world, other, kWaveKind));
        ASSERT_TRUE(world.Save()) << world.Sink().Describe();
        const auto head = world.Store().Head(world.Project());
        ASSERT_NE(head, nullptr);
        const std::string path =
            world.Document().Data().Waves()[40].FilePath().substr(world.Project().size());
        const auto copied =
            std::find_if(head->files.begin(), head->files.end(),
                         [&](const History::FileEntry& file) { return file.path == path; });
        ASSERT_NE(copied, head->files.end());
        const Bytes there = ReadBytes(world.Project() + copied->path);
        const std::string actual = History::HashHex(std::string(there.begin(), there.end()));
        if (rewritten)
            EXPECT_EQ(copied->hash, actual) << "the rewritten file was read";
        else
            EXPECT_NE(copied->hash, actual) << "the vouched hash was taken, the copy not read";
    }
}

TEST(VersionSize, ARenameStoresOnlyWhatTheSaveReplaced) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    ASSERT_TRUE(world.Save()); // the first save hashes the folder once
    ASSERT_TRUE(SetNames(world.Document().Data(), kWaveKind, {2}, "Hiss", Undo()));
    ASSERT_TRUE(world.Save());
    const auto versions = world.Versions();
    ASSERT_FALSE(versions.empty());
    // The wave file was only renamed: its bytes stay in the project, only the memo file of
    // the waves is kept (a wave's name lives in that file's name and the memo file).
    EXPECT_LT(versions[0].storedBytes, 64u * 1024u);
    EXPECT_NE(versions[0].summary.find("renamed wave 3"), std::string::npos);
}

TEST(VersionSize, SaveWithoutChangesRecordsNoVersion) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    ASSERT_TRUE(world.Save());
    EXPECT_TRUE(world.Versions().empty());
}

TEST(Versions, AreListedNewestFirstEachAgainstTheNextState) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    std::vector<Snapshot> states = {world.Folder()};
    for (const char* name : {"One", "Two", "Three"}) {
        ASSERT_TRUE(SetNames(world.Document().Data(), kToneKind, {0}, name, Undo()));
        ASSERT_TRUE(world.Save());
        states.push_back(world.Folder());
    }
    const auto versions = world.Versions();
    ASSERT_EQ(versions.size(), 3u);
    for (std::size_t i = 0; i < versions.size(); ++i) {
        EXPECT_EQ(versions[i].id, static_cast<int>(3 - i));
        EXPECT_EQ(versions[i].summary, "renamed tone 1");
        EXPECT_EQ(SnapshotDifference(world.Exported(versions[i].id), states[2 - i]), "");
    }
    std::vector<ProjectDifference> lines;
    std::string why;
    ASSERT_TRUE(
        History::VersionDifferences(world.Store(), world.Project(), 1, 3, world.Work(), lines, why))
        << why;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(DifferenceLine(lines[0]), "tone 1: name \"T Lead\" -> \"Two\"");
    ASSERT_TRUE(History::VersionDifferences(world.Store(), world.Project(), 3, 0, world.Work(),
                                            lines, why));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(DifferenceLine(lines[0]), "tone 1: name \"Two\" -> \"Three\"");
}

} // namespace

// Versions are kept as their differences to the last one kept whole: each still writes out the
// folder as it was after retention dropped that whole one. A file another program changed
// between two saves is kept by the next save, so the versions that saw it stay whole when it
// changes again.
TEST(Versions, SurviveRetentionAndChangesByOtherPrograms) {
    HistoryWorld world(History::Retention{3, 1ULL << 30});
    ASSERT_NE(world.Open(), nullptr);
    const std::string system = world.Project() + "Corvane MicSetting.s00";
    ASSERT_FALSE(ReadBytes(system).empty());
    std::vector<Snapshot> before;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(
            SetNames(world.Document().Data(), kToneKind, {0}, "T" + std::to_string(i), Undo()));
        if (i == 1) {
            ASSERT_TRUE(
                DeleteEntries(world.Document().Data(), {1}, kPatchKind, Undo(), Confirm).Done());
        }
        if (i == 2)
            WriteBytes(system, Bytes(40, 0x5a)); // another program's change
        before.push_back(world.Folder());
        ASSERT_TRUE(world.Save()) << world.Sink().Describe();
    }
    WriteBytes(system, Bytes(40, 0x33)); // and again, after the last save
    const auto versions = world.Versions();
    ASSERT_EQ(versions.size(), 3u);
    int differences = 0;
    for (const auto& version : versions) {
        EXPECT_EQ(version.problem, "") << version.id;
        EXPECT_EQ(SnapshotDifference(world.Exported(version.id), before[version.id - 1u]), "")
            << "version " << version.id;
        const Bytes stored = ReadBytes(world.Store().ProjectPath(world.Project()) +
                                       "versions/00000" + std::to_string(version.id));
        differences += std::string(stored.begin(), stored.begin() + 17) == "corvane-history 2";
    }
    EXPECT_GT(differences, 0) << "a rename is kept as a difference";
}
