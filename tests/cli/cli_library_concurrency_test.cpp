#include "cli_fixture.h"
#include "library/library_fixture.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;

// Runs of the program at once, each with its output in files of its own. Every one still
// running when the set goes (a failed assertion, a run that never ends) is killed.
class Runs {
public:
    explicit Runs(std::string folder) : m_folder(std::move(folder)) {}
    ~Runs() {
        for (const pid_t pid : m_pids)
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
    }
    Runs(const Runs&) = delete;
    Runs& operator=(const Runs&) = delete;

    // Starts `corvane ARGUMENTS`; false when it cannot be started.
    bool Start(const Strings& arguments) {
        const std::string name = m_folder + "/run" + std::to_string(m_pids.size());
        std::vector<std::string> words{CORVANE_PATH};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (name + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (name + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        m_pids.push_back(result == 0 ? pid : -1);
        m_names.push_back(name);
        return result == 0;
    }

    // Waits for every run; what each printed and its exit status (-1 when it did not exit, or
    // was killed for running past `patience`, which only a hung run does).
    std::vector<RunResult> Wait(std::chrono::seconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        std::vector<RunResult> results(m_pids.size());
        for (std::size_t i = 0; i < m_pids.size(); ++i) {
            int status = 0;
            while (m_pids[i] > 0) {
                const pid_t ended = ::waitpid(m_pids[i], &status, WNOHANG);
                if (ended == m_pids[i] || ended < 0) {
                    results[i].status = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                    m_pids[i] = -1;
                } else if (std::chrono::steady_clock::now() > deadline) {
                    ::kill(m_pids[i], SIGKILL);
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
            results[i].out = ReadText(m_names[i] + ".out");
            results[i].err = ReadText(m_names[i] + ".err");
        }
        return results;
    }

private:
    std::string m_folder;
    std::vector<pid_t> m_pids;
    std::vector<std::string> m_names;
};

class LibraryAtOnce : public CliTest {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCorvane({"demo", m_temp / "Songs/One.prj"}).status, 0);
        ASSERT_EQ(RunCorvane({"demo", m_temp / "Songs/Two.prj"}).status, 0);
    }
    Strings In(const std::string& file, Strings arguments) const {
        arguments.insert(arguments.begin(), {"library", "--library", file});
        return arguments;
    }
    RunResult Library(const std::string& file, const Strings& arguments) {
        return RunCorvane(In(file, arguments));
    }
    Json Stats(const std::string& file) {
        const RunResult stats = Library(file, {"stats", "--json"});
        EXPECT_EQ(stats.status, 0) << stats.err;
        return Json::parse(stats.out, nullptr, false);
    }
};

TEST_F(LibraryAtOnce, ScansAndTagChangesLoseNothingAndDuplicateNothing) {
    const std::string single = m_temp / "single.sqlite3";
    ASSERT_EQ(Library(single, {"add", m_temp / "Songs"}).status, 0);
    ASSERT_EQ(Library(single, {"scan"}).status, 0);
    const Json expected = Stats(single);
    ASSERT_EQ(expected["projects"], 2);

    const std::string one = m_temp / "Songs/One.prj";
    const std::string two = m_temp / "Songs/Two.prj";
    // Different sounds with a tag each (the two projects are copies of each other).
    const std::vector<Strings> tagging{{"tag", one, "patch", "1", "first"},
                                       {"tag", two, "patch", "2", "second"},
                                       {"tag", one, "tone", "1", "third"},
                                       {"favourite", two, "patch", "3"}};
    for (int iteration = 0; iteration < 3; ++iteration) {
        SCOPED_TRACE("iteration " + std::to_string(iteration));
        const std::string file = m_temp / ("at-once" + std::to_string(iteration) + ".sqlite3");
        const std::string folder = m_temp / ("runs" + std::to_string(iteration));
        fs::create_directories(folder + "a");
        fs::create_directories(folder + "b");
        ASSERT_EQ(Library(file, {"add", m_temp / "Songs"}).status, 0);

        // Two first scans of an empty catalogue at once.
        Runs first(folder + "a");
        ASSERT_TRUE(first.Start(In(file, {"scan"})));
        ASSERT_TRUE(first.Start(In(file, {"scan"})));
        for (const RunResult& run : first.Wait(std::chrono::seconds(120)))
            EXPECT_EQ(run.status, 0) << run.out << run.err;
        const Json after = Stats(file);
        EXPECT_EQ(after["projects"], expected["projects"]);
        EXPECT_EQ(after["entries"], expected["entries"]);

        // Two full scans and the tag changes at once.
        Runs second(folder + "b");
        ASSERT_TRUE(second.Start(In(file, {"scan", "--full"})));
        for (const Strings& change : tagging)
            ASSERT_TRUE(second.Start(In(file, change)));
        ASSERT_TRUE(second.Start(In(file, {"scan", "--full"})));
        for (const RunResult& run : second.Wait(std::chrono::seconds(120)))
            EXPECT_EQ(run.status, 0) << run.out << run.err;

        const Json stats = Stats(file);
        EXPECT_EQ(stats["projects"], expected["projects"]);
        EXPECT_EQ(stats["entries"], expected["entries"]);
        EXPECT_EQ(stats["tags"], 3);
        for (const char* tag : {"first", "second", "third"})
            EXPECT_EQ(Library(file, {"search", "", "--tag", tag}).status, 0) << tag;
        EXPECT_EQ(Library(file, {"search", "", "--favourite"}).status, 0);
        // The export beside the catalogue holds every change too (a rebuilt catalogue gets
        // them from it).
        const Json exported = Json::parse(ReadText(file + ".tags.json"), nullptr, false);
        ASSERT_TRUE(exported.is_object()) << file;
        std::size_t tags = 0;
        for (const auto& [print, list] : exported["tags"].items())
            tags += list.size();
        EXPECT_EQ(tags, 3u);
        EXPECT_EQ(exported["favourites"].size(), 1u);
    }
}

TEST_F(LibraryAtOnce, CheckSaysWhatItFoundByItsExitStatus) {
    const std::string file = m_temp / "lib.sqlite3";
    ASSERT_EQ(Library(file, {"add", m_temp / "Songs"}).status, 0);
    ASSERT_EQ(Library(file, {"scan"}).status, 0);
    ASSERT_EQ(Library(file, {"tag", m_temp / "Songs/One.prj", "patch", "1", "kept"}).status, 0);

    const RunResult sound = Library(file, {"check"});
    EXPECT_EQ(sound.status, 0) << sound.err;
    EXPECT_EQ(sound.Lines(), Strings{"the catalogue is sound"});

    ASSERT_TRUE(CorvTest::DamageIndex(file));
    const RunResult damaged = Library(file, {"check"});
    EXPECT_EQ(damaged.status, 1) << damaged.err;
    EXPECT_NE(damaged.out.find("was damaged"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.err.find("corvane library scan"), std::string::npos) << damaged.err;
    EXPECT_EQ(Library(file, {"check"}).status, 0);
    ASSERT_EQ(Library(file, {"scan"}).status, 0);
    EXPECT_EQ(Library(file, {"search", "", "--tag", "kept"}).status, 0); // from the export

    EXPECT_EQ(Library("/proc/no/lib.sqlite3", {"check"}).status, 2);
}

} // namespace
} // namespace CorvCliTest
