#pragma once

#include "support/project_builder.h"
#include "support/scoped_environment.h"

#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// End-to-end ground: runs the built `corvane` program on projects made by the test builder.
namespace CorvCliTest {

using CorvTest::ProjectBuilder;
using Json = nlohmann::json;
using Strings = std::vector<std::string>;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    // The lines of stdout, without line ends.
    Strings Lines() const;
};

// Runs a shell command with standard input from `input` and the output streams collected.
RunResult RunShell(const std::string& command, const std::string& input = "");
// The shell command line that runs the program with these arguments.
std::string CommandLine(const Strings& arguments);
// The text quoted for the shell.
std::string ShellQuoted(const std::string& text);

// Runs the program on `input` (no terminal); an empty environment value removes the variable.
RunResult RunCorvane(const Strings& arguments,
                     const std::map<std::string, std::string>& environment = {},
                     const std::string& input = "");
// Runs the program on a terminal into which `typed` is typed; `out` is all the terminal showed.
RunResult RunCorvaneInTerminal(const Strings& arguments, const std::string& typed);
// The content of a file as text (empty when it cannot be read).
std::string ReadText(const std::string& path);
// `text` with every occurrence of `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

inline void ExpectRun(const RunResult& result, int status, const Strings& lines) {
    EXPECT_EQ(result.status, status) << result.out << result.err;
    EXPECT_EQ(result.Lines(), lines) << result.err;
}

class CliTest : public ::testing::Test {
protected:
    // "<temp>/<name>.prj/" (not created).
    std::string ProjectPath(const std::string& name) const { return m_temp / (name + ".prj/"); }

    static Json DumpOf(const std::string& project) {
        return Json::parse(RunCorvane({"dump", project}).out);
    }

    // Runs `corvane script` on these lines; `dumps` gets the dump lines it printed.
    static RunResult RunScript(const Strings& lines, std::vector<Json>* dumps = nullptr) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        const RunResult result = RunCorvane({"script"}, {}, text);
        for (const std::string& line : result.Lines())
            if (dumps != nullptr && line.rfind('{', 0) == 0)
                dumps->push_back(Json::parse(line));
        return result;
    }

    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

    CorvTest::TempDir m_temp;
    CorvTest::ScopedDataHome m_dataHome{m_temp.Path()}; // inherited by every run of the program
};

} // namespace CorvCliTest
