#include "edit/wave_import.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"
#include "support/scripted_sink.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using CorvTest::ReadBytes;

// A document whose file copy can be watched: `beforeCopy` runs with the source of each copy.
class TestDocument : public Corv::CLumFileDocument {
public:
    std::vector<Corv::CLumData*> ModifiedProjectData() override { return {}; }
    std::vector<Corv::CLumFileDocument*> OpenProjectDocuments() override { return {this}; }
    bool CopyDataFile(const std::string& source, const std::string& destination) override {
        if (beforeCopy)
            beforeCopy(source);
        return CLumFileDocument::CopyDataFile(source, destination);
    }
    std::function<void(const std::string&)> beforeCopy;
};

constexpr std::uint64_t kLimit = Corv::kWaveBytesLimit;
constexpr int kConditions = Corv::kMsgImportConditions;

class WaveImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_sink = CorvTest::InstallScriptedSink();
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
    }
    void TearDown() override {
        EXPECT_TRUE(m_sink->Questions().empty()) << m_sink->Describe();
        Corv::CDomain::Reset();
    }
    // A file in the sources folder with the header its extension promises, its content telling
    // it from files of other first letters; a large size is set without writing the bytes.
    std::string Source(const std::string& name, std::uint64_t size = 64) {
        const std::string path = m_sources / name;
        const std::size_t written = size > 4096 ? 12 : static_cast<std::size_t>(size);
        CorvTest::WriteBytes(path, CorvTest::AudioFileBytes(Corv::Extension(name), written,
                                                            static_cast<std::uint8_t>(name[0])));
        std::filesystem::resize_file(path, size);
        return path;
    }
    Corv::CLumData& Data() { return m_document.Data(); }
    std::string Work(const std::string& name) const { return m_work.Path() + "/" + name; }
    std::vector<std::string> WorkFiles() const { return CorvTest::ListFolder(m_work.Path()); }
    std::vector<int> Errors() const { return m_sink->Errors(); }

    std::shared_ptr<CorvTest::SinkLog> m_sink;
    CorvTest::TempDir m_sources;
    CorvTest::TempDir m_work;
    TestDocument m_document;
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
    Corv::CDomain::Get().m_workFileCounter = 41; // other work files were made before
    for (const std::size_t used : {0u, 2u})
        Data().Waves()[used].SetFilePath("/elsewhere/" + std::to_string(used) + ".w00");
    const std::string b = Source("b.wav", 100);
    ASSERT_EQ(Corv::ImportWaves(m_document, {b, Source("a.txt"), Source("C.wav"), b}), 2);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Data().Waves()[1].FilePath(), Work("041 C.wav"));
    EXPECT_EQ(Data().Waves()[3].FilePath(), Work("042 b.wav"));
    EXPECT_EQ(ReadBytes(Work("042 b.wav")), ReadBytes(b));
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"041 C.wav", "042 b.wav"}));
    EXPECT_EQ(Corv::CDomain::Get().NextWorkFileNumber(), 43u);
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
    const int imported = Corv::ImportWaves(m_document, files);
    if (c.error == 0) {
        EXPECT_EQ(imported, static_cast<int>(files.size()));
        EXPECT_TRUE(Errors().empty());
        EXPECT_EQ(Data().WaveBytesTotal(), bytes);
        return;
    }
    EXPECT_EQ(imported, 0);
    EXPECT_EQ(Errors(), std::vector<int>{c.error});
    EXPECT_TRUE(Data().Waves() == before);
    EXPECT_FALSE(Corv::CDomain::Get().CanUndo());
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
    EXPECT_EQ(Corv::ImportWaves(m_document, files), 0);
    EXPECT_EQ(m_sink->Describe(),
              "error 8: The waves would total 64.0 MB (67,107,850 bytes), 10 bytes over the limit "
              "of 67,107,840 bytes.\n");
    EXPECT_TRUE(WorkFiles().empty());
}

// The waves imported before a failed copy count, so that callers refresh and mark it modified.
TEST_F(WaveImportTest, AFileThatVanishesBeforeItsCopyStopsTheImportKeepingEarlierWaves) {
    const std::string a = Source("a.wav"), b = Source("b.wav"), c = Source("c.wav");
    m_document.beforeCopy = [&b](const std::string& source) {
        if (source == b)
            std::filesystem::remove(b);
    };
    EXPECT_EQ(Corv::ImportWaves(m_document, {c, b, a}), 1);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a.wav"});
    Corv::CDomain::Get().Undo();
    EXPECT_EQ(Data().CountEmpty(Corv::kWaveKind), 999);
}

// Files that are not regular files, or whose header is not what their extension says (a ".wav"
// must be a RIFF file of form WAVE, an ".aif" an IFF file of form AIFF or AIFC; a ".vpw" is
// taken by its extension), are never imported: a notice names them and the rest goes in. With
// nothing left the import is refused as one without accepted files.
TEST_F(WaveImportTest, FilesThatAreNotWhatTheySeemAreNamedAndLeftOut) {
    using namespace std::string_literals;
    const std::string fifo = m_sources / "fifo.wav", zero = m_sources / "zero.aif";
    CorvTest::MakeFifo(fifo);
    std::filesystem::create_symlink("/dev/zero", zero);
    const auto bytes = [](const std::string& text) {
        return CorvTest::Bytes(text.begin(), text.end());
    };
    const std::pair<const char*, CorvTest::Bytes> files[] = {
        {"compressed.aiff", bytes("FORM\0\0\0\x16"
                                  "AIFCCOMM"s)},
        {"empty.vpw", {}},
        {"video.wav", bytes("RIFF\0\0\0\0AVI LIST"s)},
    };
    std::vector<std::string> paths = {zero, fifo};
    for (const auto& [name, content] : files) {
        paths.push_back(m_sources / name);
        CorvTest::WriteBytes(paths.back(), content);
    }
    CorvTest::Deadline deadline(20);
    EXPECT_EQ(Corv::ImportWaves(m_document, paths), 2);
    EXPECT_TRUE(Errors().empty());
    const std::string folder = m_sources.Path() + "/";
    EXPECT_EQ(m_sink->Notices(),
              (std::vector<std::string>{
                  "2 files are not regular files and were not imported:\n" + fifo + "\n" + zero,
                  "1 file is not the WAV or AIFF file its extension says and was not imported:\n" +
                      folder + "video.wav"}));
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"000 compressed.aiff", "001 empty.vpw"}));

    EXPECT_EQ(Corv::ImportWaves(m_document, {fifo}), 0);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(m_sink->Notices().back(),
              "1 file is not a regular file and was not imported:\n" + fifo);
}

// File names are UTF-8: an imported wave's name is its file's title in the code page, cut to 12
// characters without splitting one; the work file carries that name in UTF-8.
TEST_F(WaveImportTest, TheTitleIsTakenFromUtf8IntoTheCodePage) {
    using Corv::CodePage;
    struct Case {
        CodePage page;
        std::string title; // as the file system holds it
        std::string name;  // code-page bytes
        std::string work;  // the work file's name part
    };
    const std::string kanji = "\xE9\x9F\xB3\xE8\x89\xB2"; // two characters
    const Case cases[] = {
        {CodePage::Windows1252, "Strings Section 2", "Strings Sect", "Strings Sect"},
        {CodePage::ShiftJis, "a" + kanji + kanji + kanji + kanji,
         "a\x89\xB9\x90\x46\x89\xB9\x90\x46\x89\xB9", "a" + kanji + kanji + "\xE9\x9F\xB3"},
    };
    unsigned counter = 0;
    for (const Case& c : cases) {
        CorvTest::ScopedCodePage page(c.page);
        ASSERT_EQ(Corv::ImportWaves(m_document, {Source(c.title + ".wav")}), 1) << c.title;
        const std::string work = Corv::SlotNumberText(counter) + " " + c.work + ".wav";
        EXPECT_EQ(Data().Waves()[counter].Name(), c.name) << c.title;
        EXPECT_EQ(Data().Waves()[counter++].FilePath(), Work(work));
        EXPECT_TRUE(CorvTest::FileExists(Work(work))) << work;
    }
}

} // namespace
