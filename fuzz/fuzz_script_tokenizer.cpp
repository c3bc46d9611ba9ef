// The script tokenizer: every line of the input (a carriage return before the line feed
// removed, as the script runner does) is split into arguments.
//
// Properties: a line without quotes never fails and splits at blanks and tabs alone; the
// arguments never hold more characters than the line; an argument list written back with
// every argument quoted (\" and \\ inside) splits into the same arguments.
#include "cli/script_tokenizer.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

std::string Quoted(const Arguments& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        line += line.empty() ? "\"" : " \"";
        for (const char c : argument) {
            if (c == '"' || c == '\\')
                line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

Arguments Words(std::string_view line) {
    Arguments words;
    std::string word;
    for (const char c : line) {
        if (c != ' ' && c != '\t') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

void CheckLine(std::string_view line) {
    Arguments arguments;
    std::string error;
    const bool ok = Corv::Cli::Tokenize(line, arguments, error);
    if (line.find('"') == std::string_view::npos)
        FUZZ_CHECK(ok && arguments == Words(line));
    if (!ok) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    std::size_t characters = 0;
    for (const std::string& argument : arguments)
        characters += argument.size();
    FUZZ_CHECK(characters <= line.size());

    Arguments again;
    FUZZ_CHECK(Corv::Cli::Tokenize(Quoted(arguments), again, error) && again == arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        std::string_view line = input.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        CheckLine(line);
        start = end + 1;
    }
    return 0;
}
