// What the tool says when it does not go on, and on which stream: rows past the end of a list,
// a rename of an empty slot, an unknown command, notices on standard error beside a standard
// output that stays pure JSON, and a standard output that cannot be written.

#include "cli_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace CorvCliTest {
namespace {

// Runs the program with standard output on a pipe whose reading end is closed before it
// starts, so that its first write meets a reader that is gone.
RunResult RunIntoClosedPipe(const Strings& arguments) {
    CorvTest::TempDir streams;
    const std::string err = streams / "err";
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {};
    ::close(pipeEnds[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv = {const_cast<char*>(CORVANE_PATH)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, CORVANE_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child)
        return {};
    // A death by SIGPIPE is no exit status at all.
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadText(err)};
}

// Stands for a standard output that must be one JSON value on one line.
const std::string kJson = "<json>";

struct MessageCase {
    // A shell command that starts with "corvane", the program; {P} is a sound project, {N} one
    // whose load leaves a file out with a notice.
    std::string command;
    // Standard input (a script for `corvane script`).
    std::string input;
    int status;
    std::string out;
    std::string err;
};

TEST_F(CliTest, RefusalsNoticesAndFailedOutputAreReportedOnTheRightStream) {
    ProjectBuilder sound(ProjectPath("P"));
    sound.Patch(1, "Lead", 1).Patch(2, "Pad", 1).Tone(1, "Saw", {1}).Wave(1, "Saw", 100);
    ProjectBuilder noticed(ProjectPath("N"));
    noticed.Patch(1, "Lead", 0);
    const std::string pipe = noticed.Folder() + "Patch/002 Pipe.d00";
    CorvTest::MakeFifo(pipe);
    const std::string notes = "note: 1 file in this project is not a regular file and was left "
                              "out:\nnote: " +
                              pipe + "\n";
    const std::string full = "corvane: cannot write to standard output: No space left on device\n";
    const std::string commands =
        "info, list, dump, check, diff, find, copy, move, delete, rename, memo, clean, import, "
        "save-as, demo, script, library, history, wave, waveform";
    const std::string scriptCommands = "open, new, close, save, saveas, drop, preview, delete, "
                                       "rename, memo, clean, import, undo, answer, dump, list, "
                                       "status, echo";
    const MessageCase cases[] = {
        // Rows past the end of a list: the list and its length named, a usage error.
        {"corvane delete {P} patch 510-515 --yes", "", 2, "",
         "corvane: rows 510-515 run past the end of the patch list (512)\n"},
        {"corvane delete {P} tone 2,897", "", 2, "",
         "corvane: row 897 lies past the end of the tone list (896)\n"},
        {"corvane rename {P} wave 1000 X", "", 2, "",
         "corvane: row 1000 lies past the end of the wave list (999)\n"},
        {"corvane delete {P} patch 0-3", "", 2, "",
         "corvane: bad row \"0-3\" (rows are 1 to 512)\n"},
        // The block a drop fills runs past the end: the core would refuse it without a word.
        {"corvane copy {P} patch 1-2 {P} 512", "", 2, "",
         "corvane: rows 512-513 run past the end of the patch list (512)\n"},
        // A block that ends on the last row goes ahead.
        {"corvane move {P} wave 1 {P} 999 --insert", "", 0, "", ""},
        {"corvane copy {P} tone 1 {P} 896", "", 0, "", ""},
        {"corvane script", "open A {P}\ndrop A patch 1-3 A 511\necho unreached\n", 2, "",
         "corvane: stdin:2: rows 511-513 run past the end of the patch list (512)\n"},
        // A dry run still answers with its preview line.
        {"corvane copy {P} patch 1-3 {P} 511 --dry-run", "", 1,
         "preview refused: rows 511-513 run past the end of the list\n", ""},
        // Renaming an empty slot is refused; a script goes on and ends with status 1.
        {"corvane rename {P} patch 7 Ghost", "", 1, "",
         "corvane: patch 7 is empty: there is nothing to rename\n"},
        {"corvane script", "open A {P}\nrename A tone 3 Ghost\necho after\n", 1, "after\n",
         "corvane: stdin:2: tone 3 is empty: there is nothing to rename\n"},
        // An unknown command names itself and the commands.
        {"corvane frob {P}", "", 2, "",
         "corvane: unknown command \"frob\"; the commands are: " + commands + "\n"},
        {"corvane script", "echo first\nfrob A\necho unreached\n", 2, "first\n",
         "corvane: stdin:2: unknown command \"frob\"; the script commands are: " + scriptCommands +
             "\n"},
        // Notices go to standard error; standard output holds the JSON alone.
        {"corvane dump {N}", "", 0, kJson, notes},
        {"corvane script", "open A {N}\ndump A\n", 0, kJson, notes},
        {"corvane info {N}", "", 0,
         "folder {N}\npatches 1\ntones 0\nwaves 0\nwave-bytes 0 Bytes\nrejected 1\n  " + pipe +
             "\nmissing 0\n",
         notes},
        // Output that cannot be written is an error, whatever the command did.
        {"corvane dump {P} >/dev/full", "", 2, "", full},
        {"corvane list {P} patch >/dev/full", "", 2, "", full},
        {"corvane script >/dev/full", "echo one line\n", 2, "", full},
        {"corvane --help >/dev/full", "", 2, "", full},
    };
    const auto filled = [&](const std::string& text, bool quoted) {
        const auto folder = [&](const std::string& path) {
            return quoted ? ShellQuoted(path) : path;
        };
        return Replaced(Replaced(text, "{P}", folder(sound.Folder())), "{N}",
                        folder(noticed.Folder()));
    };
    for (const MessageCase& c : cases) {
        CorvTest::Deadline deadline(60);
        // In a subshell, so that a redirection of the case's own stays its own.
        const std::string command = Replaced(c.command, "corvane ", CommandLine({}) + " ");
        const RunResult result =
            RunShell("(" + filled(command, true) + ")", filled(c.input, false));
        EXPECT_EQ(result.status, c.status) << c.command << "\n" << result.err;
        EXPECT_EQ(result.err, filled(c.err, false)) << c.command;
        if (c.out != kJson) {
            EXPECT_EQ(result.out, filled(c.out, false)) << c.command;
            continue;
        }
        ASSERT_EQ(result.Lines().size(), 1u) << c.command;
        const Json dump = Json::parse(result.out, nullptr, false);
        ASSERT_FALSE(dump.is_discarded()) << c.command << ": " << result.out.substr(0, 200);
        EXPECT_EQ(dump["rejected"], Json::array({pipe})) << c.command;
    }
    // A reader that is gone: the same exit status, without a word.
    const RunResult closed = RunIntoClosedPipe({"dump", sound.Folder()});
    EXPECT_EQ(closed.status, 2);
    EXPECT_EQ(closed.err, "");
}

} // namespace
} // namespace CorvCliTest
