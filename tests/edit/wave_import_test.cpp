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
        if (beforeCopy) beforeCopy(source);
        return CLumFileDocument::CopyDataFile(source, destination);
    }
    std::function<void(const std::string&)> beforeCopy;
};

constexpr std::uint64_t kLimit = Corv::kWaveBytesLimit;

class WaveImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_sink = CorvTest::InstallScriptedSink();
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
    }
    void TearDown() override {
        EXPECT_TRUE(m_sink->Questions().empty()) << m_sink->Describe();
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }
    // A file in the sources folder with the header its extension promises, its content telling
    // it from files of other first letters; a large size is set without writing the bytes
    // (sparse where the file system allows).
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
        {"/s/A.WAV", true}, {"/s/x.AiFf", true}, {"/s/x.aif", true}, {"/s/x.VPW", true}, {"/s/x.wave", false}, {"/s/x.aifc", false},
        {"/s/x.w00", false}, {"wav", false}, {"/s.wav/f", false}, {"/s/x.wav.b", false}, {"/s/x.bak.wav", true}};
    for (const auto& [path, accepted] : cases)
        EXPECT_EQ(Corv::IsImportableWave(path), accepted) << path;
}

TEST_F(WaveImportTest, ImportsEachWaveOnceAndDropsOtherFilesSilently) {
    const std::string wav = Source("a.WAV", 100);
    EXPECT_EQ(Corv::ImportWaves(m_document, {wav, Source("b.txt"), wav}), 1);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Data().Waves()[0].FilePath(), Work("000 a.WAV"));
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a.WAV"});
    EXPECT_EQ(ReadBytes(Work("000 a.WAV")), ReadBytes(wav));
    EXPECT_EQ(Corv::CDomain::Get().m_workFileCounter, 1u);
}

TEST_F(WaveImportTest, CutsTheTitleAndNamesTheWorkFileByTheSharedCounter) {
    Corv::CDomain::Get().m_workFileCounter = 41; // other work files were made before
    Data().Waves()[0].SetFilePath("/elsewhere/001 First.w00");
    EXPECT_EQ(Corv::ImportWaves(m_document, {Source("Strings Section 2.aiff")}), 1);
    EXPECT_EQ(Data().Waves()[1].Name(), "Strings Sect");
    EXPECT_EQ(Data().Waves()[1].FilePath(), Work("041 Strings Sect.aiff"));
    EXPECT_TRUE(CorvTest::FileExists(Work("041 Strings Sect.aiff")));
    EXPECT_EQ(Corv::CDomain::Get().NextWorkFileNumber(), 42u);
}

TEST_F(WaveImportTest, PlacesAscendingPathsIntoAscendingEmptySlots) {
    for (const std::size_t used : {0u, 2u, 5u})
        Data().Waves()[used].SetFilePath("/elsewhere/" + std::to_string(used) + ".w00");
    Data().Waves()[1].SetMemo(2, "kept memo");
    ASSERT_EQ(Corv::ImportWaves(m_document, {Source("b.wav"), Source("a.wav"), Source("C.wav")}), 3);
    // Byte-wise order: upper case before lower case; slots 2, 4 and 5 were the empty ones.
    EXPECT_EQ(Data().Waves()[1].FilePath(), Work("000 C.wav"));
    EXPECT_EQ(Data().Waves()[3].FilePath(), Work("001 a.wav"));
    EXPECT_EQ(Data().Waves()[4].FilePath(), Work("002 b.wav"));
    EXPECT_EQ(Data().Waves()[1].Memo(2), "kept memo");
}

// The checks of slot space, extensions and wave bytes, all made before anything changes.
struct AdmissionCase {
    const char* label;
    int usedSlots;         // waves already in the project (files that cannot be opened)
    std::uint64_t project; // bytes of the project's own wave in slot 1 (0: none)
    std::vector<std::pair<const char*, std::uint64_t>> files;
    int error; // 0: accepted
};

class WaveImportAdmissionTest : public WaveImportTest, public ::testing::WithParamInterface<AdmissionCase> {};

TEST_P(WaveImportAdmissionTest, ChecksBeforeChangingAnything) {
    const AdmissionCase& c = GetParam();
    for (int w = 0; w < c.usedSlots; ++w)
        Data().Waves()[static_cast<std::size_t>(w)].SetFilePath("/missing/" + std::to_string(w) + ".w00");
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
    EXPECT_EQ(Corv::CDomain::Get().m_workFileCounter, 0u);
    EXPECT_TRUE(WorkFiles().empty());
}

constexpr std::uint64_t kOver4G = (std::uint64_t{1} << 32) + 1;
constexpr int kConditions = Corv::kMsgImportConditions, kSpace = Corv::kMsgWaveSpace, kBytes = Corv::kMsgWaveBytes;

INSTANTIATE_TEST_SUITE_P(
    Checks, WaveImportAdmissionTest,
    ::testing::Values(
        AdmissionCase{"EmptyList", 0, 0, {}, kConditions},
        AdmissionCase{"NoAcceptedExtension", 0, 0, {{"x.txt", 1}, {"y.wave", 1}}, kConditions},
        // The slot count includes files that the extension check would drop.
        AdmissionCase{
            "MoreFilesThanEmptySlots", 997, 0, {{"a.wav", 1}, {"b.wav", 1}, {"c.txt", 1}}, kSpace},
        AdmissionCase{"AsManyFilesAsEmptySlots", 997, 0, {{"a.wav", 12}, {"b.wav", 12}}, 0},
        AdmissionCase{"ExactlyAtTheLimit", 0, 0, {{"f.wav", kLimit}}, 0},
        AdmissionCase{"OneByteOver", 0, 0, {{"f.wav", kLimit + 1}}, kBytes},
        AdmissionCase{"ZeroBytesOnAFullProject", 0, kLimit, {{"f.vpw", 0}}, 0},
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

// A refusal at the limit says, before anything is copied, by how much the import passes it;
// the total after an import is what the refusal and the desktop's confirmation line show.
TEST_F(WaveImportTest, RefusalAtTheWaveLimitSaysByHowMuch) {
    Data().Waves()[0].SetFilePath(Source("001 Own.w00", 1000));
    const std::vector<std::string> files = {Source("f.wav", kLimit - 990), Source("x.txt", 5000)};
    EXPECT_EQ(Corv::WaveBytesAfterImport(Data(), files), kLimit + 10);
    EXPECT_EQ(Corv::ImportWaves(m_document, files), 0);
    ASSERT_EQ(m_sink->Calls().size(), 1u);
    EXPECT_EQ(m_sink->Calls()[0].Describe(),
              "error 8: The waves would total 64.0 MB (67,107,850 bytes), 10 bytes over the limit "
              "of 67,107,840 bytes.");
    EXPECT_TRUE(WorkFiles().empty());
    EXPECT_EQ(Corv::WaveBytesOverText(kOver4G + kLimit).substr(0, 49),
              "The waves would total 4160.0 MB (4,362,075,137 by");
}

TEST_F(WaveImportTest, AFileThatVanishesBeforeItsCopyStopsTheImportKeepingEarlierWaves) {
    const std::string a = Source("a.wav"), b = Source("b.wav"), c = Source("c.wav");
    m_document.beforeCopy = [&b](const std::string& source) {
        if (source == b)
            std::filesystem::remove(b);
    };
    // The waves imported before the failure count, so that callers refresh and mark it modified.
    EXPECT_EQ(Corv::ImportWaves(m_document, {c, b, a}), 1);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(Data().Waves()[0].FilePath(), Work("000 a.wav"));
    EXPECT_EQ(Data().CountEmpty(Corv::kWaveKind), 998);
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a.wav"});
    Corv::CDomain::Get().Undo();
    EXPECT_EQ(Data().CountEmpty(Corv::kWaveKind), 999);
}

// Files that are not regular files are never opened: a notice names them, the rest is imported,
// and with nothing left the import is refused as one without accepted files.
TEST_F(WaveImportTest, FilesThatAreNotRegularFilesAreNamedAndLeftOut) {
    const std::string a = Source("a.wav"), fifo = m_sources / "fifo.wav",
                      zero = m_sources / "zero.aif", folder = m_sources / "folder.vpw";
    CorvTest::MakeFifo(fifo);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::filesystem::create_directory(folder);
    CorvTest::Deadline deadline(20);
    EXPECT_EQ(Corv::ImportWaves(m_document, {zero, fifo, a, folder}), 1);
    EXPECT_EQ(Data().Waves()[0].FilePath(), Work("000 a.wav"));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"000 a.wav"});

    EXPECT_EQ(Corv::ImportWaves(m_document, {fifo}), 0);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(
        m_sink->Notices(),
        (std::vector<std::string>{"3 files are not regular files and were not imported:\n" + fifo +
                                      "\n" + folder + "\n" + zero,
                                  "1 file is not a regular file and was not imported:\n" + fifo}));
    EXPECT_EQ(Data().CountEmpty(Corv::kWaveKind), 998);
}

// A ".wav" must be a RIFF file of form WAVE, an ".aif" or ".aiff" an IFF file of form AIFF or
// AIFC; a ".vpw" is taken by its extension. The others are named in a notice and the rest goes in.
TEST_F(WaveImportTest, AFileWhoseHeaderIsNotWhatItsExtensionSaysIsNamedAndLeftOut) {
    using namespace std::string_literals;
    const auto bytes = [](const std::string& text) {
        return CorvTest::Bytes(text.begin(), text.end());
    };
    const std::tuple<const char*, CorvTest::Bytes, bool> files[] = {
        {"good.wav", CorvTest::AudioFileBytes(".wav", 44), true},
        {"upper.WAV", CorvTest::AudioFileBytes(".wav", 12), true},
        {"plain.aif", CorvTest::AudioFileBytes(".aif", 54), true},
        {"compressed.aiff",
         bytes("FORM\0\0\0\x16"
               "AIFCCOMM"s),
         true},
        {"take.vpw", bytes("anything at all"), true},
        {"empty.vpw", {}, true},
        {"notes.wav", bytes("These are my notes, not a wave.\n"), false},
        {"riff.aiff", CorvTest::AudioFileBytes(".wav", 44), false},
        {"form.wav", CorvTest::AudioFileBytes(".aiff", 44), false},
        {"video.wav", bytes("RIFF\0\0\0\0AVI LIST"s), false},
        {"short.wav", bytes("RIFF\0\0\0\0WAV"s), false},
        {"empty.wav", {}, false},
        {"lower.wav", bytes("riff\0\0\0\0wave"s), false},
    };
    std::vector<std::string> paths;
    std::vector<std::string> imported;
    std::vector<std::string> refused;
    for (const auto& [name, content, accepted] : files) {
        const std::string path = m_sources / name;
        CorvTest::WriteBytes(path, content);
        paths.push_back(path);
        (accepted ? imported : refused).push_back(path);
    }
    std::sort(imported.begin(), imported.end());
    std::sort(refused.begin(), refused.end());
    ASSERT_EQ(Corv::ImportWaves(m_document, paths), static_cast<int>(imported.size()));
    EXPECT_TRUE(Errors().empty());
    for (std::size_t i = 0; i < imported.size(); ++i)
        EXPECT_EQ(ReadBytes(Data().Waves()[i].FilePath()), ReadBytes(imported[i])) << imported[i];
    std::string notice = std::to_string(refused.size()) +
                         " files are not the WAV or AIFF files their extensions say and were not "
                         "imported:";
    for (const std::string& path : refused)
        notice += "\n" + path;
    EXPECT_EQ(m_sink->Notices(), std::vector<std::string>{notice});

    // With nothing left the import is refused as one without accepted files.
    EXPECT_EQ(Corv::ImportWaves(m_document, {m_sources / "notes.wav"}), 0);
    EXPECT_EQ(Errors(), std::vector<int>{kConditions});
    EXPECT_EQ(m_sink->Notices().back(),
              "1 file is not the WAV or AIFF file its extension says and was not imported:\n" +
                  (m_sources / "notes.wav"));
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
        {CodePage::Windows1252, "Caf\xC3\xA9 Pad", "Caf\xE9 Pad", "Caf\xC3\xA9 Pad"},
        {CodePage::Windows1252, "Piano \xF0\x9F\x8E\xB9 Soft", "Piano  Soft", "Piano  Soft"},
        {CodePage::Windows1252, "\xC3\xA9t\xC3\xA9 \xC3\xA0 Paris, 2024", "\xE9t\xE9 \xE0 Paris,",
         "\xC3\xA9t\xC3\xA9 \xC3\xA0 Paris,"},
        {CodePage::Windows1252, "Caf\xE9", "Caf\xE9", "Caf\xC3\xA9"}, // not UTF-8: as it stands
        {CodePage::ShiftJis, "Caf\xC3\xA9 Pad", "Caf Pad", "Caf Pad"},
        {CodePage::ShiftJis, "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84 Pad", "\xC3\xBD\xC4 Pad",
         "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84 Pad"},
        {CodePage::ShiftJis, "a" + kanji + kanji + kanji + kanji,
         "a\x89\xB9\x90\x46\x89\xB9\x90\x46\x89\xB9", "a" + kanji + kanji + "\xE9\x9F\xB3"},
    };
    unsigned counter = 0;
    for (const Case& c : cases) {
        CorvTest::ScopedCodePage page(c.page);
        const std::string source = Source(c.title + ".wav");
        ASSERT_EQ(Corv::ImportWaves(m_document, {source}), 1) << c.title;
        const Corv::CWave& wave = Data().Waves()[counter];
        const std::string work = Corv::SlotNumberText(counter++) + " " + c.work + ".wav";
        EXPECT_EQ(wave.Name(), c.name) << c.title;
        EXPECT_EQ(wave.FilePath(), Work(work));
        EXPECT_TRUE(CorvTest::FileExists(Work(work))) << work;
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(WaveImportTest, SavePutsTheImportedFileIntoTheWaveFolderUnderItsSlotName) {
    Corv::CProjectDocument& document = Corv::CProjectDocuments::Get().New();
    const std::string kick = Source("Kick.WAV", 300), pad = Source("Warm Pad Layer.aiff", 500);
    ASSERT_EQ(Corv::ImportWaves(document, {pad, kick}), 2);
    const std::string project = m_sources / "Song.prj";
    ASSERT_TRUE(document.SaveProject(project));
    EXPECT_EQ(CorvTest::ListFolder(project + "/Wave"),
              (std::vector<std::string>{"001 Kick.WAV", "002 Warm Pad Lay.aiff"}));
    EXPECT_EQ(ReadBytes(project + "/Wave/002 Warm Pad Lay.aiff"), ReadBytes(pad));
    EXPECT_TRUE(Errors().empty());
}

} // namespace
