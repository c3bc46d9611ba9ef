#include "cli/terminal_text.h"

#include "cli/arguments.h"
#include "cli/code_page.h"
#include "model/text_encoding.h"

#include <algorithm>

namespace Corv::Cli {

std::string ShownText(std::string_view bytes) {
    return Utf8Locale() ? CodePageToUtf8(bytes) : std::string(bytes);
}

std::string ShownPathText(std::string_view text) {
    if (!Utf8Locale() || IsValidUtf8(text))
        return std::string(text);
    // Part by part: a folder with a UTF-8 name may hold a file with a code-page name.
    std::string shown;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        const std::string_view part = text.substr(start, end - start);
        shown += IsValidUtf8(part) ? std::string(part) : CodePageToUtf8(part);
        if (end < text.size())
            shown += '/';
        start = end + 1;
    }
    return shown;
}

std::vector<std::string> ShownLines(std::vector<std::string> lines, bool paths) {
    for (std::string& line : lines)
        line = paths ? ShownPathText(line) : ShownText(line);
    return lines;
}

std::string TypedText(const std::string& text, const std::string& what) {
    if (!Utf8Locale())
        return text;
    if (!IsValidUtf8(text))
        throw UsageError("the " + what +
                         " is not UTF-8 text, which the locale says the terminal types; "
                         "nothing was changed");
    return Utf8ToCodePage(text);
}

} // namespace Corv::Cli
