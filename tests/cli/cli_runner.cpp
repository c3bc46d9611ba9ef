#include "cli_runner.h"

#include "support/project_builder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace CorvCliTest {

namespace {

std::string ReadAll(const std::string& path) {
    const CorvTest::Bytes bytes = CorvTest::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The child: standard streams from and to files, the environment adjusted, then the program.
[[noreturn]] void Exec(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    static std::string program = CORVANE_PATH;
    argv.push_back(program.data());
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

int ExitStatus(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

[[noreturn]] void RunChild(const std::vector<std::string>& arguments, const RunOptions& options,
                           const std::string& in, const std::string& out, const std::string& err) {
    const int input = ::open(in.c_str(), O_RDONLY);
    const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int error = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (input < 0 || output < 0 || error < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 ||
        ::dup2(error, 2) < 0)
        ::_exit(127);
    for (const auto& [name, value] : options.environment) {
        if (value.empty())
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    Exec(arguments);
}

} // namespace

std::vector<std::string> RunResult::Lines() const {
    std::vector<std::string> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

RunOptions WithEnvironment(std::map<std::string, std::string> environment) {
    RunOptions options;
    options.environment = std::move(environment);
    return options;
}

RunResult RunCorvane(const std::vector<std::string>& arguments, const RunOptions& options) {
    CorvTest::TempDir streams;
    const std::string in = streams / "stdin";
    const std::string out = streams / "stdout";
    const std::string err = streams / "stderr";
    CorvTest::WriteBytes(in, CorvTest::Bytes(options.input.begin(), options.input.end()));
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        RunChild(arguments, options, in, out, err);
    RunResult result;
    result.status = ExitStatus(child);
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

RunResult RunCorvaneInTerminal(const std::vector<std::string>& arguments,
                               const std::string& typed) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        throw std::runtime_error("forkpty failed");
    if (child == 0)
        Exec(arguments);
    // The typing waits in the terminal's input until the program reads it.
    if (::write(terminal, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size()))
        throw std::runtime_error("cannot type into the terminal");
    RunResult result;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the program closed the terminal (EIO once it has exited)
        result.out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(terminal);
    result.status = ExitStatus(child);
    return result;
}

nlohmann::json ParseDump(const std::string& line) {
    return nlohmann::json::parse(line);
}

std::string Bytes(const nlohmann::json& text) {
    const std::string utf8 = text.get<std::string>();
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
        } else if ((lead & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            const unsigned code = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
            if (code > 0xFF)
                throw std::runtime_error("a code point above 255 in a dump string");
            bytes += static_cast<char>(code);
        } else {
            throw std::runtime_error("a code point above 255 in a dump string");
        }
    }
    return bytes;
}

nlohmann::json ReplacePrefix(nlohmann::json value, const std::string& from, const std::string& to) {
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        if (text.rfind(from, 0) == 0)
            text = to + text.substr(from.size());
        return text;
    }
    if (value.is_structured())
        for (auto& element : value)
            element = ReplacePrefix(element, from, to);
    return value;
}

} // namespace CorvCliTest
