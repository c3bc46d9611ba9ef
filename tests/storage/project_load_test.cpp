#include <filesystem>
#include <set>

#include "model/file_system.h"
#include "storage/slot_file_name.h"
#include "storage_fixture.h"

using namespace Corv;
using namespace CorvTest;

namespace {

using LoadTest = StorageTest;

TEST_F(LoadTest, PlacesFilesBySlotNumberAndRejectsWhatBreaksTheNamingRule) {
    ProjectBuilder b(Project("Song"));
    b.Patch(1, "A", 0).Patch(1, "B", 0).Patch(2, "ABCDEFGHIJKL", 0).Patch(513, "Far", 0);
    b.File("Patch/000 Zero.d00", PatchFileBytes(MakePatch("", 0)));
    b.File("Patch/1 Short.d00", PatchFileBytes(MakePatch("", 0)));
    b.File("Patch/003 ABCDEFGHIJKLM.d00", PatchFileBytes(MakePatch("", 0)));
    b.File("Patch/004X.d00", PatchFileBytes(MakePatch("", 0)));
    b.File("Patch/Extra.d00", PatchFileBytes(MakePatch("", 0)));
    b.File("Patch/005 Notes.txt", {1, 2, 3}); // not a patch file at all

    CProjectDocument& doc = Open(b.Folder());
    const CLumData& data = doc.Data();
    EXPECT_EQ(data.Patches()[0].Name(), "A");
    EXPECT_EQ(data.Patches()[0].FilePath(), b.Folder() + "Patch/001 A.d00");
    EXPECT_EQ(data.Patches()[1].Name(), "ABCDEFGHIJKL");
    EXPECT_TRUE(data.Patches()[2].IsEmpty());
    EXPECT_EQ(data.CountEmpty(kPatchKind), 510);
    const std::set<std::string> rejected(doc.RejectedFiles().begin(), doc.RejectedFiles().end());
    const std::set<std::string> expected = {
        b.Folder() + "Patch/001 B.d00", b.Folder() + "Patch/000 Zero.d00",
        b.Folder() + "Patch/1 Short.d00", b.Folder() + "Patch/003 ABCDEFGHIJKLM.d00",
        b.Folder() + "Patch/004X.d00", b.Folder() + "Patch/Extra.d00"};
    EXPECT_EQ(rejected, expected); // 513 is dropped without a trace, the .txt never listed
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LoadTest, FullSizeProjectLoadsWithEveryReferenceAndBackReference) {
    const std::string folder = Project("Full");
    BuildFullProject(folder);
    CProjectDocument& doc = Open(folder);
    const CLumData& data = doc.Data();
    ASSERT_EQ(data.CountEmpty(kPatchKind) + data.CountEmpty(kToneKind) + data.CountEmpty(kWaveKind), 0);

    // Back references computed here independently of the loader.
    std::vector<std::set<int>> toneUsers(kToneSlots), waveUsers(kWaveSlots);
    for (int p = 0; p < kPatchSlots; ++p)
        for (int s = 0; s < 2; ++s)
            if (const int t = data.Patches()[p].Slot(s).ToneNumber(); t >= 1 && t <= kToneSlots)
                toneUsers[t - 1].insert(p);
    for (int t = 0; t < kToneSlots; ++t)
        for (int o = 0; o < CTone::kOscCount; ++o)
            for (int side = 0; side < 2; ++side)
                if (const int w = data.Tones()[t].Osc(o).WaveNumber(side); w >= 1 && w <= kWaveSlots)
                    waveUsers[w - 1].insert(t);
    int references = 0;
    for (int t = 0; t < kToneSlots; ++t) {
        const auto& users = data.Tones()[t].Users();
        EXPECT_EQ(std::set<int>(users.begin(), users.end()), toneUsers[t]) << "tone " << t + 1;
        EXPECT_EQ(users.size(), toneUsers[t].size()) << "tone " << t + 1 << " lists a patch twice";
        references += static_cast<int>(users.size());
    }
    for (int w = 0; w < kWaveSlots; ++w) {
        const auto& users = data.Waves()[w].Users();
        EXPECT_EQ(std::set<int>(users.begin(), users.end()), waveUsers[w]) << "wave " << w + 1;
    }
    EXPECT_GT(references, kPatchSlots); // the generator really made patches use tones
}

TEST_F(LoadTest, ReferencesAndMemosComeFromTheFiles) {
    ProjectBuilder b(Project("Refs"));
    b.Patch(3, "Lead", 7, 7).Tone(7, "Saw", {2, 0, 5}).Wave(2, "Kick", 100).Wave(5, "Snare", 10, ".WAV");
    b.Memos(kPatchKind, {"", "", "", "", "", "", "", "", "first", "second", "third", "fourth"});
    b.Memos(kWaveKind, {"kick memo"}, "\n");
    CLumData& data = Open(b.Folder()).Data();
    EXPECT_EQ(data.Patches()[2].Slot(0).ToneNumber(), 7);
    EXPECT_EQ(data.Tones()[6].Users(), std::vector<std::int32_t>{2}); // both slots: listed once
    EXPECT_EQ(data.Tones()[6].ReferencedWaves(), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(data.Waves()[1].Users(), std::vector<std::int32_t>{6});
    EXPECT_EQ(data.Waves()[4].Users(), std::vector<std::int32_t>{6});
    EXPECT_EQ(data.Patches()[2].Memo(1), "first");
    EXPECT_EQ(data.Patches()[2].Memo(4), "fourth");
    EXPECT_EQ(data.Waves()[0].Memo(1), "kick memo");
    EXPECT_EQ(data.WaveBytesTotal(), 110u);
}

TEST_F(LoadTest, ReferencesBeyondTheArraysAreCarriedButNeverFollowed) {
    ProjectBuilder b(Project("Beyond"));
    CPatch patch = MakePatch("Far", 0);
    patch.Slot(0).SetToneNumber(kToneSlots + 5); // fields hold up to 16,384
    CTone tone = MakeTone("FarWave", {1});
    tone.Osc(0).SetWaveNumber(0, 4000);
    b.Patch(1, patch).Tone(1, tone);
    CLumData& data = Open(b.Folder()).Data();
    EXPECT_EQ(data.Patches()[0].Slot(0).ToneNumber(), kToneSlots + 5);
    EXPECT_EQ(data.Tones()[0].Osc(0).WaveNumber(0), 4000);
    for (int t = 0; t < kToneSlots; ++t)
        EXPECT_TRUE(data.Tones()[t].Users().empty());
}

TEST_F(LoadTest, WaveFilesAreFoundWithoutRegardToCaseAndListedOnce) {
    ProjectBuilder b(Project("Waves"));
    b.Wave(5, "Kick", 3, ".WAV").Wave(6, "Pad", 4, ".aiff").Wave(7, "a.wx", 5, ".aif");
    b.Wave(8, "Voice", 6, ".VPW").Wave(9, "Doc", 7, ".txt");
    CProjectDocument& doc = Open(b.Folder());
    const CLumData& data = doc.Data();
    EXPECT_EQ(data.Waves()[4].FilePath(), b.Folder() + "Wave/005 Kick.WAV");
    EXPECT_EQ(data.Waves()[5].Name(), "Pad");
    EXPECT_EQ(data.Waves()[6].Name(), "a.wx"); // matches two patterns, placed once
    EXPECT_EQ(data.Waves()[7].Name(), "Voice");
    EXPECT_TRUE(data.Waves()[8].IsEmpty());
    EXPECT_TRUE(doc.RejectedFiles().empty());
}

TEST_F(LoadTest, OddNamesAndSymbolicLinks) {
    ProjectBuilder b(Project("Odd"));
    b.Patch(1, "Two  Blanks", 0).Patch(2, "v1.2.final", 0).Patch(3, "Caf\xe9 \x81\x40", 0);
    std::filesystem::create_symlink(b.Folder() + "Patch/001 Two  Blanks.d00",
                                    b.Folder() + "Patch/004 Link.d00");
    std::filesystem::create_directory(b.Folder() + "Patch/005 Folder.d00");
    CProjectDocument& doc = Open(b.Folder());
    const CLumData& data = doc.Data();
    EXPECT_EQ(data.Patches()[0].Name(), "Two  Blanks");
    EXPECT_EQ(data.Patches()[1].Name(), "v1.2.final");
    EXPECT_EQ(data.Patches()[2].Name(), "Caf\xe9 \x81\x40");
    EXPECT_EQ(data.Patches()[3].Name(), "Link");
    EXPECT_TRUE(data.Patches()[4].IsEmpty()); // a folder is not a patch file
}

// Each of these folders is refused with message 1, leaves no document and changes nothing.
TEST_F(LoadTest, BrokenProjectsAreRefusedWithoutChangingTheDisk) {
    struct Case {
        const char* what;
        std::function<std::string(const std::string&)> make; // returns the path to open
    };
    const std::vector<Case> cases = {
        {"missing folder", [](const std::string& f) { return f + "Nothing.prj"; }},
        {"missing parent", [](const std::string& f) { return f + "No/Where/Song.prj"; }},
        {"no .prj name",
         [](const std::string& f) {
             ProjectBuilder(f + "Plain/");
             return f + "Plain";
         }},
        {"missing Patch folder",
         [](const std::string& f) {
             ProjectBuilder b(f + "NoPatch.prj/");
             std::filesystem::remove(b.Folder() + "Patch");
             return b.Folder();
         }},
        {"missing Tone folder",
         [](const std::string& f) {
             ProjectBuilder b(f + "NoTone.prj/");
             std::filesystem::remove(b.Folder() + "Tone");
             return b.Folder();
         }},
        {"short patch file",
         [](const std::string& f) {
             ProjectBuilder b(f + "Short.prj/");
             Bytes bytes = PatchFileBytes(MakePatch("", 0));
             bytes.resize(169);
             b.File("Patch/001 Short.d00", bytes);
             return b.Folder();
         }},
        {"tone header in a patch file",
         [](const std::string& f) {
             ProjectBuilder b(f + "Swapped.prj/");
             b.File("Patch/001 Swapped.d00", ToneFileBytes(MakeTone("", {})));
             return b.Folder();
         }},
        {"wave file that cannot be opened",
         [](const std::string& f) {
             ProjectBuilder b(f + "Dangling.prj/");
             b.Patch(1, "Fine", 0);
             std::filesystem::create_symlink(f + "gone.w00", b.Folder() + "Wave/001 Gone.w00");
             return b.Folder();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir parent;
        const std::string path = c.make(parent.Path() + "/");
        const auto before = FolderSnapshot(parent.Path());
        m_sink->Clear();
        EXPECT_EQ(Docs().OpenProject(path), nullptr);
        EXPECT_TRUE(Docs().Documents().empty());
        EXPECT_EQ(Messages(), std::vector<std::string>{"error 1"});
        EXPECT_EQ(FolderSnapshot(parent.Path()), before);
    }
}

TEST_F(LoadTest, EmptyProjectWithoutWaveFolderLoads) {
    ProjectBuilder b(Project("Empty"), false);
    CLumData& data = Open(b.Folder()).Data();
    EXPECT_EQ(data.UsedExtent(kPatchKind) + data.UsedExtent(kToneKind) + data.UsedExtent(kWaveKind), 0);
}

TEST_F(LoadTest, PathSpellingsOfOneFolder) {
    ProjectBuilder b(Project("Song"));
    b.Patch(1, "A", 0);
    const std::string bare = b.Folder().substr(0, b.Folder().size() - 1);
    std::string backslashed = bare;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');

    CProjectDocument& doc = Open(bare + "//"); // trailing separators as a shell completes them
    EXPECT_EQ(doc.Data().ProjectFolder(), b.Folder());
    for (const std::string& spelling : {bare, bare + "/", backslashed, backslashed + "\\"}) {
        EXPECT_EQ(Docs().FindOpenProject(spelling), &doc) << spelling;
        EXPECT_EQ(Docs().OpenProject(spelling), &doc) << spelling;
    }
    EXPECT_EQ(Docs().Documents().size(), 1u);
    EXPECT_EQ(NormaliseFolderPath("C:\\\\Work\\\\Song.PRJ"), "C:/Work/Song.PRJ/");
}

TEST_F(LoadTest, UpperCaseExtensionLoads) {
    ProjectBuilder b(m_dir.Path() + "/Loud.PRJ/");
    b.Patch(1, "A", 0);
    EXPECT_NE(Docs().OpenProject(b.Folder()), nullptr);
}

// A file that disappears between the listing and the reading fails the load cleanly.
class VanishingFileSystem : public IFileSystem {
public:
    explicit VanishingFileSystem(std::string victim) : m_victim(std::move(victim)) {}
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) override {
        return RealFileSystem().Open(path, mode);
    }
    bool Rename(const std::string& from, const std::string& to) override { return RealFileSystem().Rename(from, to); }
    bool Remove(const std::string& path) override { return RealFileSystem().Remove(path); }
    CreateDirResult CreateDirectory(const std::string& path) override { return RealFileSystem().CreateDirectory(path); }
    bool RemoveDirectory(const std::string& path) override { return RealFileSystem().RemoveDirectory(path); }
    bool IsDirectory(const std::string& path) override { return RealFileSystem().IsDirectory(path); }
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
        const bool listed = RealFileSystem().ListFiles(folder, names);
        if (folder.ends_with("Tone/"))
            std::filesystem::remove(m_victim); // listed, then gone

        return listed;
    }
    bool CopyFile(const std::string& from, const std::string& to) override { return RealFileSystem().CopyFile(from, to); }

private:
    std::string m_victim;
};

TEST_F(LoadTest, FileThatVanishesAfterListingFailsTheLoad) {
    ProjectBuilder b(Project("Vanish"));
    b.Patch(1, "A", 1).Tone(1, "T", {});
    VanishingFileSystem vanishing(b.Folder() + "Tone/001 T.p00");
    SetFileSystem(&vanishing);
    CProjectDocument* doc = Docs().OpenProject(b.Folder());
    SetFileSystem(nullptr);
    EXPECT_EQ(doc, nullptr);
    EXPECT_TRUE(Docs().Documents().empty());
}

TEST_F(LoadTest, SourceFilesPresentNoticesAMissingFile) {
    ProjectBuilder b(Project("Present"));
    b.Patch(1, "A", 1).Tone(1, "T", {1}).Wave(1, "W", 8);
    CProjectDocument& doc = Open(b.Folder());
    EXPECT_TRUE(doc.SourceFilesPresent());
    std::filesystem::remove(b.Folder() + "Wave/001 W.w00");
    EXPECT_FALSE(doc.SourceFilesPresent());
}

} // namespace
