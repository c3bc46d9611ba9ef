#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Runs the built `corvane` program and collects what it printed.
namespace CorvCliTest {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    // The printed lines of stdout, without line ends.
    std::vector<std::string> Lines() const;
};

struct RunOptions {
    // Fed to standard input (a file, so never a terminal).
    std::string input;
    // Extra environment variables; an empty value removes the variable.
    std::map<std::string, std::string> environment;
};

// Options that only change the environment.
RunOptions WithEnvironment(std::map<std::string, std::string> environment);

RunResult RunCorvane(const std::vector<std::string>& arguments, const RunOptions& options = {});

// Runs the program with a terminal as its standard streams and types `typed` into it; `out`
// holds everything the terminal showed (prompts, echoed typing and output).
RunResult RunCorvaneInTerminal(const std::vector<std::string>& arguments, const std::string& typed);

// Parses one line of dump output.
nlohmann::json ParseDump(const std::string& line);
// A JSON string read back as the bytes it stood for: every code point below 256 is one byte.
std::string Bytes(const nlohmann::json& text);
// Every string of a dump with one folder prefix replaced by another.
nlohmann::json ReplacePrefix(nlohmann::json value, const std::string& from, const std::string& to);

} // namespace CorvCliTest
