#include "cli/script_tokenizer.h"

namespace Corv::Cli {

bool Tokenize(std::string_view line, std::vector<std::string>& arguments, std::string& error) {
    arguments.clear();
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                current += line[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == ' ' || c == '\t') {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == '"')
                quoted = true;
            else
                current += c;
        }
    }
    if (quoted) {
        error = "unterminated quote";
        return false;
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return true;
}

} // namespace Corv::Cli
