// Project folders that lead elsewhere: a journal that names files outside the project (or
// reaches them through a link) is never replayed, and a project whose subfolders are links is
// looked at and copied, but nothing is ever written, renamed, removed or trashed through them.
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;
using Kind = CommitStep::Kind;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

// Everything below a folder and the folder itself, links not followed: each entry's path, what
// it is (its bytes, its link target, or a folder) and its time stamp.
std::vector<std::string> TreeState(const std::string& folder) {
    std::vector<std::string> state;
    const auto add = [&](const fs::path& path) {
        const fs::file_status status = fs::symlink_status(path);
        std::string line = fs::relative(path, folder).generic_string() + ": ";
        if (fs::is_symlink(status)) {
            line += "link to " + fs::read_symlink(path).string();
        } else {
            const Bytes bytes = fs::is_regular_file(status) ? ReadBytes(path) : Bytes();
            line +=
                fs::is_directory(status)
                    ? "folder"
                    : std::to_string(bytes.size()) + " bytes, hash " +
                          std::to_string(std::hash<std::string>()({bytes.begin(), bytes.end()}));
            line += " at " + std::to_string(fs::last_write_time(path).time_since_epoch().count());
        }
        state.push_back(line);
    };
    add(folder);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        add(entry.path());
    std::sort(state.begin(), state.end());
    return state;
}

// Dates every entry below a folder far back, so that any change of it shows in its time stamp.
void Backdate(const std::string& folder) {
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_symlink())
            fs::last_write_time(entry.path(), past);
    fs::last_write_time(folder, past);
}

void WriteJournal(const std::string& path, const std::vector<CommitStep>& steps) {
    const std::string text = JournalText(steps);
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

// A fresh store with a recording sink, and every project closed at the end.
class HostileFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_sink = m_store.InstallSink(kAnswerYes);
        m_store.SetWorkFolder(m_work.Path() + "/");
    }
    // The notices shown that hold every one of the texts.
    std::vector<std::string> NoticesWith(const std::vector<std::string>& texts) const {
        std::vector<std::string> found;
        for (const std::string& notice : m_sink->Notices())
            if (std::all_of(texts.begin(), texts.end(), [&](const std::string& text) {
                    return notice.find(text) != std::string::npos;
                }))
                found.push_back(notice);
        return found;
    }
    // A project of one patch, tone and wave with memos and system files.
    static ProjectBuilder Song(const std::string& folder) {
        ProjectBuilder song(folder);
        song.Patch(1, "A", 1).Tone(1, "T", {1}).Wave(1, "W", 40).SystemFiles();
        song.Memos(kPatchKind, {"memo"});
        return song;
    }

    TempDir m_work;
    std::shared_ptr<SinkLog> m_sink;
    FreshStore m_store; // closes the documents before the folders go
};

// Each journal is well formed but names a file outside the project, reaches one through a link,
// or spells a path in a way no save does. Opening the project acts on none of its steps: nothing
// outside changes, the journal goes to the trash, and the user is told which step was refused.
TEST_F(HostileFolderTest, AJournalNeverReachesOutOfItsProject) {
    struct Case {
        const char* what;
        std::vector<CommitStep> steps; // "@" stands for the outside folder's absolute path
        std::size_t refused;           // the step the notice names
        const char* linked = "";       // a subfolder that is a link to the outside folder
        bool placing = false;          // the journal of a save past its first phase
    };
    const Case cases[] = {
        {"an outside file removed", {{Kind::Remove, "../../victim/x", {}}}, 0},
        {"an outside file pulled in", {{Kind::Place, "../../victim/y", "Wave/900 Stolen.wav"}}, 0},
        {"an outside file overwritten",
         {{Kind::Aside, "../../victim/z", ".corvane-old-1"},
          {Kind::Place, ".corvane-new-1", "../../victim/z"},
          {Kind::Remove, ".corvane-old-1", {}}},
         0},
        {"a removal through a linked Patch/", {{Kind::Remove, "Patch/001 V.d00", {}}}, 0, "Patch"},
        {"a file pulled in through a linked Wave/",
         {{Kind::Place, ".corvane-new-1", "PatchMemo.txt"},
          {Kind::Aside, "Wave/002 V.wav", ".corvane-old-2"}},
         1,
         "Wave",
         true},
        {"an absolute path", {{Kind::Remove, "@/x", {}}}, 0},
        {"an absolute target",
         {{Kind::Place, ".corvane-new-1", "PatchMemo.txt"}, {Kind::Place, ".corvane-new-1", "@/z"}},
         1,
         "",
         true},
        {"'..' below a subfolder", {{Kind::Remove, "Patch/../../../victim/x", {}}}, 0},
        {"an empty part", {{Kind::Remove, "Patch//001 A.d00", {}}}, 0},
        {"a '.' part", {{Kind::Place, ".corvane-new-1", "./PatchMemo.txt"}}, 0},
        {"a name no save writes", {{Kind::Remove, "Tone/readme.txt", {}}}, 0},
        // The system reads a path up to its first NUL: this one would name the Wave folder.
        {"a NUL byte", {{Kind::Aside, std::string("Wave/\0.wav", 10), ".corvane-old-1"}}, 0},
        {"an outside name for a file moved out",
         {{Kind::Aside, "PatchMemo.txt", ".corvane-old-1"},
          {Kind::MoveOut, ".corvane-old-1", "../../victim/x"}},
         1},
        {"a refused step among good ones",
         {{Kind::Aside, "Patch/001 A.d00", "Patch/.corvane-old-1"},
          {Kind::Place, "Patch/.corvane-new-1", "Patch/001 A.d00"},
          {Kind::Remove, "Patch/.corvane-old-1", {}},
          {Kind::Remove, "../../victim/x", {}}},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        ScopedDataHome dataHome(root.Path());
        const std::string victim = root / "victim";
        fs::create_directories(victim);
        for (const char* name : {"x", "y", "z"})
            WriteBytes(victim + "/" + name, Bytes(3, static_cast<std::uint8_t>(name[0])));
        WriteBytes(victim + "/001 V.d00", PatchFileBytes(MakePatch("V", 0)));
        WriteBytes(victim + "/002 V.wav", AudioFileBytes(".wav", 20));
        const ProjectBuilder song = Song(root / "work/Song.prj");
        const std::string folder = song.Folder();
        WriteBytes(folder + ".corvane-new-1", {'s', 'e', 'n', 't'});
        WriteBytes(folder + "Patch/.corvane-new-1", {'s', 'e', 'n', 't'});
        if (*c.linked != '\0') {
            fs::remove_all(folder + c.linked);
            fs::create_directory_symlink(victim, folder + c.linked);
        }
        std::vector<CommitStep> steps = c.steps;
        for (CommitStep& step : steps)
            for (std::string* path : {&step.from, &step.to})
                if (path->rfind("@", 0) == 0)
                    *path = victim + path->substr(1);
        const std::string journal = c.placing ? kPlacingJournalName : kJournalName;
        WriteJournal(folder + journal, steps);
        Backdate(victim);
        const auto outside = TreeState(victim);
        const Bytes slot = ReadBytes(folder + "Patch/001 A.d00");
        m_sink = m_store.InstallSink(kAnswerYes);

        EXPECT_NE(CProjectDocuments::Get().OpenProject(folder), nullptr);
        CProjectDocuments::Get().CloseAll();

        EXPECT_EQ(TreeState(victim), outside);
        EXPECT_TRUE(FileExists(ScopedDataHome::TrashFiles(root.Path()) + journal));
        EXPECT_FALSE(FileExists(folder + journal));
        const CommitStep& refused = steps[c.refused];
        const char* const kinds[] = {"aside", "place", "remove", "moveout"};
        std::string stepText = kinds[static_cast<int>(refused.kind)] + (" " + refused.from);
        if (refused.kind != Kind::Remove)
            stepText += " -> " + refused.to;
        EXPECT_EQ(NoticesWith({"journal " + folder + journal, "\"" + stepText + "\""}).size(), 1u)
            << m_sink->Describe() << ::testing::PrintToString(m_sink->Notices());
        // Not a step of the journal was done, not even the good ones.
        if (*c.linked != 'P') {
            EXPECT_EQ(ReadBytes(folder + "Patch/001 A.d00"), slot);
        }
        EXPECT_TRUE(FileExists(folder + ".corvane-new-1"));
    }
}

// A project whose Patch/, Tone/ or Wave/ is a link into another project is loaded, and can be
// copied with Save As, but opening it neither completes its journal nor clears leftovers through
// the link, and saving it in place is refused before a file moves (its rejected file stays).
TEST_F(HostileFolderTest, NothingIsWrittenThroughALinkedSubfolder) {
    const char* const extensions[] = {".d00", ".p00", ".w00"};
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string sub = SubfolderName(kind), extension = extensions[kind];
        const std::string name = sub.substr(0, sub.size() - 1);
        SCOPED_TRACE(name);
        TempDir root;
        ScopedDataHome dataHome(root.Path());
        const ProjectBuilder other = Song(root / "Other.prj");
        const std::string linked = other.Folder() + name;
        WriteBytes(linked + "/" + kStagedPrefix + "5", {'l', 'e', 'f', 't'});
        WriteBytes(linked + "/Rejected" + extension, {'r'}); // breaks the naming rule
        const Snapshot slotFiles = FolderSnapshot(linked);
        const ProjectBuilder song = Song(root / "Song.prj");
        const std::string folder = song.Folder();
        fs::remove_all(folder + name);
        fs::create_directory_symlink(linked, folder + name);
        // An interrupted save of the memo file, which a recovery would complete.
        WriteBytes(folder + kStagedPrefix + "1", {'n', 'e', 'w'});
        WriteJournal(folder + kJournalName, {{Kind::Aside, "PatchMemo.txt", ".corvane-old-1"},
                                             {Kind::Place, ".corvane-new-1", "PatchMemo.txt"},
                                             {Kind::Remove, ".corvane-old-1", {}}});
        Backdate(linked);
        const auto before = TreeState(linked);
        const Bytes memo = ReadBytes(folder + "PatchMemo.txt");
        m_sink = m_store.InstallSink(kAnswerYes);

        CProjectDocument* document = CProjectDocuments::Get().OpenProject(folder);
        ASSERT_NE(document, nullptr);
        const std::string link = sub + " is a link to " + linked;
        EXPECT_EQ(NoticesWith({folder, link}).size(), 1u);
        EXPECT_TRUE(FileExists(folder + kJournalName)) << "recovered through the link";
        EXPECT_EQ(ReadBytes(folder + "PatchMemo.txt"), memo);
        document->Data().Records(kind).Item(0).SetName("Renamed");
        document->SetModifiedFlag(true);
        EXPECT_FALSE(document->SaveProject(folder));
        ASSERT_FALSE(m_sink->Calls().empty());
        EXPECT_EQ(m_sink->Calls().back().code, kMsgSaveFailed);
        EXPECT_EQ(m_sink->Calls().back().detail.rfind(link, 0), 0u)
            << m_sink->Calls().back().detail;
        EXPECT_EQ(TreeState(linked), before);
        EXPECT_TRUE(document->IsModified());

        const std::string copy = root / "Copy.prj/";
        EXPECT_TRUE(document->SaveProject(copy));
        EXPECT_FALSE(fs::is_symlink(copy + name));
        Snapshot copied = FolderSnapshot(copy + name);
        ASSERT_EQ(copied.size(), 1u);
        EXPECT_EQ(copied[0].first, "001 Renamed" + extension);
        EXPECT_EQ(TreeState(linked), before);
        EXPECT_EQ(FolderSnapshot(linked), slotFiles);
        CProjectDocuments::Get().CloseAll();
    }
}

} // namespace
