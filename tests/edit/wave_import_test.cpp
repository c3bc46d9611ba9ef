#include "edit/wave_import.h"
#include "edit/work_folder.h"
#include "list_edit_support.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <filesystem>
#include <gtest/gtest.h>

// Waves imported into the work folder, and the work folder itself.
namespace {

namespace fs = std::filesystem;

using CorvTest::ReadBytes;

constexpr std::uint64_t kLimit = Corv::kWaveBytesLimit;
constexpr int kConditions = Corv::kMsgImportConditions;

// An import never asks.
class WaveImportTest : public CorvTest::EditTest {
protected:
    void SetUp() override {
        EditTest::SetUp();
        m_store.SetWorkFolder(m_work.Path() + "/");
    }
    void TearDown() override {
        EXPECT_TRUE(m_log->Questions().empty()) << m_log->Describe();
        EditTest::TearDown();
    }
    // A file in the sources folder with the header its extension promises, its content telling
    // it from files of other first letters; a large size is set without writing the bytes.
    std::string Source(const std::string& name, std::uint64_t size = 64) {
        const std::string path = m_sources / name;
        const std::size_t written = size > 4096 ? 12 : static_cast<std::size_t>(size);
        CorvTest::WriteBytes(path, CorvTest::AudioFileBytes(Corv::Extension(name), written,
                                                            static_cast<std::uint8_t>(name[0])));
        fs::resize_file(path, size);
        return path;
    }
    Corv::CLumData& Data() { return m_document.Data(); }
    // Imports as the programs do: a refusal's message is shown; the waves imported.
    int Import(const std::vector<std::string>& files) {
        const Corv::ImportResult result = Corv::ImportWaves(m_document, files, Undo());
        Corv::ShowRefusal(Domain(), result.outcome);
        return result.imported;
    }
    std::string Work(const std::string& name) const { return m_work.Path() + "/" + name; }
    std::vector<std::string> WorkFiles() const { return CorvTest::ListFolder(m_work.Path()); }
    std::vector<int> Errors() const { return m_log->Errors(); }

    CorvTest::TempDir m_sources;
    CorvTest::TempDir m_work;
    Corv::CProjectDocument m_document;
};

TEST(WaveImportNames, AcceptsExactlyTheFourExtensionsInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"/s/A.WAV", true},  {"/s/x.AiFf", true},   {"/s/x.aif", true},
        {"/s/x.VPW", true},  {"/s/x.wave", false},  {"/s/x.w00", false},
        {"/s.wav/f", false}, {"/s/x.wav.b", false}, {"/s/x.bak.wav", true}};
    for (const auto& [path, accepted] : cases)
        EXPECT_EQ(Corv::IsImportableWave(path), accepted) << path;
}

// Each wave once, other files dropped silently; ascending paths (byte-wise: upper case first)
// go into ascending empty slots, work files numbered by the shared counter.
TEST_F(WaveImportTest, PlacesAscendingPathsIntoTheEmptySlotsAndNumbersTheWorkFiles) {
    Domain().m_workFileCounter = 41; // other work files were made before
    for (const std::size_t used : {0u, 2u})
        Data().Waves()[used].SetFilePath("/elsewhere/" + std::to_string(used) + ".w00");
    const std::string b = Source("b.wav", 100);
    ASSERT_EQ(Import({b, Source("a.txt"), Source("C.wav"), b}), 2);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Data().Waves()[1].FilePath(), Work("041 C.wav"));
    EXPECT_EQ(Data().Waves()[3].FilePath(), Work("042 b.wav"));
    EXPECT_EQ(ReadBytes(Work("042 b.wav")), ReadBytes(b));
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"041 C.wav", "042 b.wav"}));
    EXPECT_EQ(Domain().NextWorkFileNumber(), 43u);
}

// The checks of slot space, extensions and wave bytes, all made before anything changes.
struct AdmissionCase {
    const char* label;
    int usedSlots;         // waves already in the project (files that cannot be opened)
    std::uint64_t project; // bytes of the project's own wave in slot 1 (0: none)
    std::vector<std::pair<const char*, std::uint64_t>> files;
    int error; // 0: accepted
};

class WaveImportAdmissionTest : public WaveImportTest,
                                public ::testing::WithParamInterface<AdmissionCase> {};

TEST_P(WaveImportAdmissionTest, ChecksBeforeChangingAnything) {
    const AdmissionCase& c = GetParam();
    for (int w = 0; w < c.usedSlots; ++w)
        Data().Waves()[static_cast<std::size_t>(w)].SetFilePath("/missing/" + std::to_string(w));
    if (c.project > 0)
        Data().Waves()[0].SetFilePath(Source("001 Own.w00", c.project));
    std::vector<std::string> files;
    std::uint64_t bytes = c.project;
    for (const auto& [name, size] : c.files) {
        files.push_back(Source(name, size));
        bytes += size;
    }
    const Corv::CWaveArray before = Data().Waves();
    const int imported = Import(files);
    if (c.error == 0) {
        EXPECT_EQ(imported, static_cast<int>(files.size()));
        EXPECT_TRUE(Errors().empty());
        EXPECT_EQ(Data().WaveBytesTotal(), bytes);
        return;
    }
    EXPECT_EQ(imported, 0);
    EXPECT_EQ(Errors(), std::vector<int>{c.error});
    EXPECT_TRUE(Data().Waves() == before);
    EXPECT_FALSE(Undo().CanUndo());
    EXPECT_TRUE(WorkFiles().empty());
}

constexpr std::uint64_t kOver4G = (std::uint64_t{1} << 32) + 1;
constexpr int kSpace = Corv::kMsgWaveSpace, kBytes = Corv::kMsgWaveBytes;

INSTANTIATE_TEST_SUITE_P(
    Checks, WaveImportAdmissionTest,
    ::testing::Values(
        AdmissionCase{"NoAcceptedExtension", 0, 0, {{"x.txt", 1}, {"y.wave", 1}}, kConditions},
        // The slot count includes files that the extension check would drop.
        AdmissionCase{
            "MoreFilesThanEmptySlots", 997, 0, {{"a.wav", 1}, {"b.wav", 1}, {"c.txt", 1}}, kSpace},
        AdmissionCase{"AsManyFilesAsEmptySlots", 997, 0, {{"a.wav", 12}, {"b.wav", 12}}, 0},
        AdmissionCase{"ExactlyAtTheLimit", 0, 0, {{"f.wav", kLimit}}, 0},
        AdmissionCase{"WithTheProjectsWavesOneOver", 0, 1000, {{"f.wav", kLimit - 999}}, kBytes},
        AdmissionCase{"SummedOverTheFilesOneOver",
                      0,
                      0,
                      {{"f.wav", kLimit / 2}, {"g.wav", kLimit / 2 + 1}},
                      kBytes},
        // Sizes that do not fit 32 bits must not wrap around below the limit.
        AdmissionCase{"FileBeyondFourGigabytes", 0, 0, {{"f.wav", kOver4G}}, kBytes},
        AdmissionCase{"ProjectBeyondFourGigabytes", 0, kOver4G, {{"f.wav", 12}}, kBytes}),
    [](const ::testing::TestParamInfo<AdmissionCase>& testInfo) {
        return std::string(testInfo.param.label);
    });

// A refusal at the limit says, before anything is copied, by how much the import passes it.
TEST_F(WaveImportTest, RefusalAtTheWaveLimitSaysByHowMuch) {
    Data().Waves()[0].SetFilePath(Source("001 Own.w00", 1000));
    const std::vector<std::string> files = {Source("f.wav", kLimit - 990), Source("x.txt", 5000)};
    EXPECT_EQ(Corv::WaveBytesAfterImport(Data(), files), kLimit + 10);
    EXPECT_EQ(Import(files), 0);
    EXPECT_EQ(m_log->Describe(),
              "error 8: The waves would total 64.0 MB (67,107,850 bytes), 10 bytes over the limit "
              "of 67,107,840 bytes.\n");
    EXPECT_TRUE(WorkFiles().empty());
}

// The waves imported before a failed copy count, so that callers refresh and mark it modified.
TEST_F(WaveImportTest, AFailedCopyStopsTheImportKeepingEarlierWaves) {
    const std::vector<std::string> files = {Source("c.wav"), Source("b.wav"), Source("a.wav")};
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::CopyFile, 2);
    EXPECT_EQ(Import(files), 1);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a.wav"});
    Undo().Undo();
    EXPECT_EQ(Data().CountEmpty(Corv::kWaveKind), 999);
}

// Files that are not regular files are never imported: a notice names them and the rest goes in
// (an AIFC too); with nothing left the import is refused as one without accepted files.
TEST_F(WaveImportTest, FilesThatAreNotRegularFilesAreNamedAndLeftOut) {
    const std::string fifo = m_sources / "fifo.wav", zero = m_sources / "zero.aif";
    const std::string aifc = m_sources / "compressed.aiff";
    CorvTest::MakeFifo(fifo);
    fs::create_symlink("/dev/zero", zero);
    CorvTest::WriteBytes(aifc, {'F', 'O', 'R', 'M', 0, 0, 0, 8, 'A', 'I', 'F', 'C', 'C', 'O', 'M'});
    CorvTest::Deadline deadline(20);
    EXPECT_EQ(Import({zero, fifo, aifc, Source("empty.vpw", 0)}), 2);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(m_log->Notices(),
              std::vector<std::string>{"2 files are not regular files and were not imported:\n" +
                                       fifo + "\n" + zero});
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"000 compressed.aiff", "001 empty.vpw"}));

    EXPECT_EQ(Import({fifo}), 0);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    ASSERT_EQ(m_log->Notices().size(), 2u);
    EXPECT_EQ(m_log->Notices()[1], "1 file is not a regular file and was not imported:\n" + fifo);
}

// File names are UTF-8: an imported wave's name is its file's title in the code page, cut to 12
// bytes without splitting a character; the work file carries that name in UTF-8.
TEST_F(WaveImportTest, TheTitleIsTakenFromUtf8IntoTheCodePage) {
    CorvTest::ScopedCodePage page(Corv::CodePage::ShiftJis);
    const std::string kanji = "\xE9\x9F\xB3\xE8\x89\xB2"; // two characters
    ASSERT_EQ(Import({Source("a" + kanji + kanji + kanji + ".wav")}), 1);
    EXPECT_EQ(Data().Waves()[0].Name(), "a\x89\xB9\x90\x46\x89\xB9\x90\x46\x89\xB9");
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a" + kanji + kanji + "\xE9\x9F\xB3.wav"});
}

using WorkFolderTest = WaveImportTest; // the same folders, without imports

const std::vector<std::string> kLevels = {"Brisko", "Corvane Librarian", "CorvWork"};

TEST_F(WorkFolderTest, CreatesEveryLevelKeepsItTheNextTimeAndFailsWhenALevelCannotBeMade) {
    const std::string expected = m_sources.Path() + "/Brisko/Corvane Librarian/CorvWork/";
    EXPECT_EQ(Corv::CreateWorkFolder(m_sources.Path(), kLevels), expected);
    CorvTest::WriteBytes(expected + "000 Kick.wav", {1});
    EXPECT_EQ(Corv::CreateWorkFolder(m_sources.Path() + "/", kLevels), expected);
    EXPECT_TRUE(CorvTest::FileExists(expected + "000 Kick.wav"));

    CorvTest::WriteBytes(m_sources / "file", {1}); // a file where a folder must go
    EXPECT_EQ(Corv::CreateWorkFolder(m_sources / "file", kLevels), "");
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::CreateDirectory, 2);
    EXPECT_EQ(Corv::CreateWorkFolder(m_sources / "other", kLevels), "");
    EXPECT_FALSE(fs::exists(m_sources / "other/Corvane Librarian/CorvWork"));
    EXPECT_TRUE(Log().Calls().empty());
}

// Only work files go: records and audio files by their extensions, never sub-folders; a failed
// deletion is reported and the rest goes.
TEST_F(WorkFolderTest, EmptyingRemovesOnlyWorkFilesAndReportsAFailure) {
    const std::string work = m_sources.Path() + "/";
    const std::vector<std::string> gone = {"001 A.d00", "002 T.P00", "Kick.wav", "Loop.aif",
                                           "y.AIFF",    "000 k.w00", "x.vpw"};
    const std::vector<std::string> kept = {"README", "a.vpwx", "notes.txt"};
    for (const std::string& name : gone)
        CorvTest::WriteBytes(work + name, {0});
    for (const std::string& name : kept)
        CorvTest::WriteBytes(work + name, {0});
    fs::create_directory(work + "sub.wav");
    EXPECT_EQ(Corv::EmptyWorkFolder(work), static_cast<int>(gone.size()));
    EXPECT_EQ(CorvTest::ListFolder(work), kept);
    EXPECT_TRUE(fs::is_directory(work + "sub.wav"));
    EXPECT_TRUE(Log().Calls().empty());

    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        CorvTest::WriteBytes(work + name, {0});
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::Remove, 2);
    EXPECT_EQ(Corv::EmptyWorkFolder(work), 2);
    EXPECT_EQ(Log().Errors(), std::vector<int>{Corv::kMsgUndefinedError});
    EXPECT_EQ(CorvTest::ListFolder(work).size(), kept.size() + 1);
}

TEST_F(WorkFolderTest, NoFolderMeansNothingToEmpty) {
    CorvTest::InstalledFaultyFileSystem fileSystem;
    EXPECT_EQ(Corv::EmptyWorkFolder(""), 0);
    EXPECT_EQ(fileSystem.Count(), 0) << "an unset work folder must never mean the root";
    EXPECT_EQ(Corv::EmptyWorkFolder(m_sources / "missing"), 0);
    EXPECT_TRUE(Log().Calls().empty());
}

} // namespace
