#include "cli_fixture.h"

#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace CorvCliTest {

namespace {

// Every run of the program starts in the C locale, whatever the locale of the test run: texts
// then pass as the code page's bytes and the code page is Windows-1252. A test that wants a
// UTF-8 terminal or another code page says so in the environment of its run.
[[maybe_unused]] const bool g_cLocale = [] {
    ::unsetenv("CORVANE_CODE_PAGE");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_CTYPE");
    return ::setenv("LANG", "C", 1) == 0;
}();

} // namespace

std::string ShellQuoted(const std::string& text) {
    return "'" + Replaced(text, "'", "'\\''") + "'";
}

std::string ReadText(const std::string& path) {
    const CorvTest::Bytes bytes = CorvTest::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

RunResult RunShell(const std::string& command, const std::string& input) {
    CorvTest::TempDir streams;
    CorvTest::WriteBytes(streams / "in", CorvTest::Bytes(input.begin(), input.end()));
    // The streams belong to the whole command, not to its last part: `a & echo $! >pid` keeps
    // its own redirection.
    const int status =
        std::system(("{ " + command + "\n} <" + ShellQuoted(streams / "in") + " >" +
                     ShellQuoted(streams / "out") + " 2>" + ShellQuoted(streams / "err"))
                        .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(streams / "out"),
            ReadText(streams / "err")};
}

std::string CommandLine(const Strings& arguments) {
    std::string command = ShellQuoted(CORVANE_PATH);
    for (const std::string& argument : arguments)
        command += " " + ShellQuoted(argument);
    return command;
}

Strings RunResult::Lines() const {
    Strings lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

RunResult RunCorvane(const Strings& arguments,
                     const std::map<std::string, std::string>& environment,
                     const std::string& input) {
    // `env` takes its removals before the first assignment.
    std::string removals;
    std::string assignments;
    for (const auto& [name, value] : environment)
        (value.empty() ? removals : assignments) +=
            value.empty() ? " -u " + name : " " + name + "=" + ShellQuoted(value);
    return RunShell("env" + removals + assignments + " " + CommandLine(arguments), input);
}

RunResult RunCorvaneInTerminal(const Strings& arguments, const std::string& typed) {
    // `script` runs the program on a terminal of its own and types its standard input into it.
    return RunShell("script -qec " + ShellQuoted(CommandLine(arguments)) + " /dev/null", typed);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

} // namespace CorvCliTest
