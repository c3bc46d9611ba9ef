#include "library/library_fixture.h"
#include "model/parameter.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Corv::Library::CCatalogue;
using Corv::Library::CheckCatalogue;
using Corv::Library::CheckOutcome;

// A child process that opens the catalogue and keeps it open until it is killed (as a process
// that crashes would leave it). The child is killed when the holder goes, whatever happened.
class OtherProcess {
public:
    explicit OtherProcess(const std::string& path) {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipe[0]);
            CCatalogue catalogue;
            std::string error;
            const char opened = catalogue.Open(path, error) ? 'y' : 'n';
            if (::write(pipe[1], &opened, 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(pipe[1]);
        char opened = 'n';
        m_opened = m_pid > 0 && ::read(pipe[0], &opened, 1) == 1 && opened == 'y';
        ::close(pipe[0]);
    }
    ~OtherProcess() { Kill(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    bool Opened() const { return m_opened; }
    // Ends the process without a chance to close anything.
    void Kill() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_opened = false;
};

// The marks beside a catalogue.
std::vector<std::string> Marks(const std::string& catalogue) {
    std::vector<std::string> marks;
    const std::string prefix = fs::path(catalogue).filename().string() + ".open-";
    for (const auto& entry : fs::directory_iterator(fs::path(catalogue).parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            marks.push_back(entry.path().filename().string());
    return marks;
}

using Health = CorvTest::LibraryTest;

struct MarkCase {
    const char* what;
    // Makes the situation beside the catalogue; what it returns lives until the test's end.
    std::function<std::shared_ptr<void>(const std::string& path)> make;
    bool needsCheck;
    std::size_t marksAfterClearing; // besides the fixture's own
};

class MarkTest : public CorvTest::LibraryTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(MarkTest, TellsAnUncleanExitFromAUseGoingOn) {
    const MarkCase& c = GetParam();
    const std::shared_ptr<void> kept = c.make(CataloguePath());
    EXPECT_EQ(catalogue.NeedsCheck(), c.needsCheck) << c.what;
    catalogue.ClearStaleMarks();
    EXPECT_FALSE(catalogue.NeedsCheck()) << c.what;
    EXPECT_EQ(Marks(CataloguePath()).size(), 1 + c.marksAfterClearing) << c.what;
}

std::shared_ptr<void> OpenedHere(const std::string& path) {
    auto catalogue = std::make_shared<CCatalogue>();
    std::string error;
    EXPECT_TRUE(catalogue->Open(path, error)) << error;
    return catalogue;
}

std::shared_ptr<void> OpenedElsewhere(const std::string& path, bool killed) {
    auto other = std::make_shared<OtherProcess>(path);
    EXPECT_TRUE(other->Opened());
    if (killed)
        other->Kill();
    return other;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkTest,
    ::testing::Values(
        MarkCase{"nobody else", [](const std::string&) { return std::shared_ptr<void>(); }, false,
                 0},
        MarkCase{"a catalogue closed cleanly",
                 [](const std::string& path) {
                     OpenedHere(path);
                     return std::shared_ptr<void>();
                 },
                 false, 0},
        MarkCase{"a second connection of this process", OpenedHere, false, 1},
        MarkCase{"another process using it",
                 [](const std::string& path) { return OpenedElsewhere(path, false); }, false, 1},
        MarkCase{"another process killed while using it",
                 [](const std::string& path) { return OpenedElsewhere(path, true); }, true, 0},
        MarkCase{"a mark of a process gone long ago",
                 [](const std::string& path) {
                     CorvTest::WriteBytes(path + ".open-999999-1", {});
                     return std::shared_ptr<void>();
                 },
                 true, 0}),
    [](const ::testing::TestParamInfo<MarkCase>& test) {
        std::string name;
        for (const char* c = test.param.what; *c != '\0'; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST_F(Health, ClosingRemovesTheMarkAndOpeningAgainNeedsNoCheck) {
    ASSERT_EQ(Marks(CataloguePath()).size(), 1u);
    {
        CCatalogue second;
        std::string error;
        ASSERT_TRUE(second.Open(CataloguePath(), error)) << error;
        EXPECT_EQ(Marks(CataloguePath()).size(), 2u);
        EXPECT_FALSE(second.NeedsCheck());
    }
    EXPECT_EQ(Marks(CataloguePath()).size(), 1u);
    EXPECT_FALSE(catalogue.NeedsCheck());
}

// A catalogue of A.prj and B.prj with patch 1 tagged and a favourite, closed, then damaged.
struct DamageCase {
    const char* what;
    std::function<bool(const std::string& path)> damage; // nullptr: left sound
    CheckOutcome outcome;
};

class Damage : public CorvTest::LibraryTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(Damage, IsFoundAndTheCatalogueRebuiltWithItsTags) {
    const DamageCase& c = GetParam();
    CorvTest::SongA(Project("A.prj"));
    CorvTest::SongA(Project("B.prj"));
    ASSERT_EQ(Scan().read, 2);
    const auto print = catalogue.FingerprintOf(Project("A.prj"), Corv::kPatchKind, 1);
    const auto tone = catalogue.FingerprintOf(Project("A.prj"), Corv::kToneKind, 2);
    ASSERT_TRUE(print && tone);
    ASSERT_TRUE(catalogue.SetTag(*print, "keep", true));
    ASSERT_TRUE(catalogue.SetFavourite(*tone, true));
    catalogue.Database().Close();
    if (c.damage) {
        ASSERT_TRUE(c.damage(CataloguePath())) << c.what;
    }

    std::string message;
    EXPECT_EQ(CheckCatalogue(CataloguePath(), message), c.outcome) << c.what << ": " << message;
    bool setAside = false;
    for (const auto& entry : fs::directory_iterator(dir / "data"))
        setAside =
            setAside || entry.path().filename().string().find(".broken-") != std::string::npos;
    EXPECT_EQ(setAside, c.outcome == CheckOutcome::Rebuilt) << c.what;

    CCatalogue after;
    std::string error;
    ASSERT_TRUE(after.Open(CataloguePath(), error)) << error;
    EXPECT_FALSE(after.Rebuilt()) << error;
    EXPECT_EQ(after.CheckIntegrity(), "") << c.what;
    EXPECT_FALSE(after.NeedsCheck());
    const auto rescan = after.Scan(false, progress);
    EXPECT_EQ(rescan.read + rescan.unchanged, 2) << c.what;
    // The tag and the favourite are back on both copies, whatever happened to the file.
    EXPECT_EQ(after.Search(CorvTest::Query("", std::nullopt, "keep", "", false, 0)).total, 2)
        << c.what;
    EXPECT_EQ(after.Search(CorvTest::Query("", std::nullopt, "", "", true, 0)).total, 2) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Damage,
                         ::testing::Values(DamageCase{"sound", nullptr, CheckOutcome::Sound},
                                           DamageCase{"an index disagreeing with its table",
                                                      CorvTest::DamageIndex, CheckOutcome::Rebuilt},
                                           DamageCase{"pages overwritten", CorvTest::OverwritePages,
                                                      CheckOutcome::Rebuilt}),
                         [](const ::testing::TestParamInfo<DamageCase>& test) {
                             std::string name;
                             for (const char* c = test.param.what; *c != '\0'; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST_F(Health, TheFullCheckFindsWhatOpeningDoesNot) {
    CorvTest::SongA(Project("A.prj"));
    ASSERT_EQ(Scan().read, 1);
    EXPECT_EQ(catalogue.CheckIntegrity(), "");
    catalogue.Database().Close();
    ASSERT_TRUE(CorvTest::DamageIndex(CataloguePath()));
    CCatalogue damaged;
    std::string error;
    ASSERT_TRUE(damaged.Open(CataloguePath(), error)) << error;
    EXPECT_FALSE(damaged.Rebuilt());
    EXPECT_NE(damaged.CheckIntegrity().find("entries_by_fingerprint"), std::string::npos);
}

TEST_F(Health, ADamagedCatalogueAnotherProcessUsesIsLeftInPlace) {
    CorvTest::SongA(Project("A.prj"));
    ASSERT_EQ(Scan().read, 1);
    catalogue.Database().Close();
    ASSERT_TRUE(CorvTest::DamageIndex(CataloguePath()));
    OtherProcess other(CataloguePath());
    ASSERT_TRUE(other.Opened());
    const CorvTest::Bytes before = CorvTest::ReadBytes(CataloguePath());

    std::string message;
    EXPECT_EQ(CheckCatalogue(CataloguePath(), message), CheckOutcome::Failed);
    EXPECT_NE(message.find("another program"), std::string::npos) << message;
    EXPECT_EQ(CorvTest::ReadBytes(CataloguePath()), before);

    other.Kill();
    EXPECT_EQ(CheckCatalogue(CataloguePath(), message), CheckOutcome::Rebuilt) << message;
}

} // namespace
