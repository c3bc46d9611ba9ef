#pragma once

#include "cli_runner.h"
#include "edit/domain.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace CorvCliTest {

// Each case gets its own temporary folder; the store of this test process stays fresh, as
// the pieces of the tool that are called directly use it.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override { Corv::CDomain::Reset(); }
    void TearDown() override { Corv::CDomain::Reset(); }

    // "<temp>/<name>.prj/" (not created).
    std::string ProjectPath(const std::string& name) const { return m_temp / (name + ".prj/"); }

    // The one-line dump of a project as `corvane dump` prints it.
    nlohmann::json DumpOf(const std::string& project) {
        const RunResult result = RunCorvane({"dump", project});
        EXPECT_EQ(result.status, 0) << result.out << result.err;
        return ParseDump(result.out);
    }

    // The dump lines ("{...}") a script printed, in order.
    static std::vector<nlohmann::json> Dumps(const RunResult& result) {
        std::vector<nlohmann::json> dumps;
        for (const std::string& line : result.Lines())
            if (!line.empty() && line.front() == '{')
                dumps.push_back(ParseDump(line));
        return dumps;
    }

    // A script file with these lines, run by `corvane script FILE`.
    RunResult RunScript(const std::vector<std::string>& lines, const RunOptions& options = {}) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        const std::string path = m_temp / ("script" + std::to_string(m_scripts++) + ".txt");
        CorvTest::WriteBytes(path, CorvTest::Bytes(text.begin(), text.end()));
        return RunCorvane({"script", path}, options);
    }

    // A quoted script argument.
    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

    CorvTest::TempDir m_temp;
    int m_scripts = 0;
};

// A dump without its modified flag, for comparing states of one project.
inline nlohmann::json WithoutModified(nlohmann::json dump) {
    dump.erase("modified");
    return dump;
}

} // namespace CorvCliTest
