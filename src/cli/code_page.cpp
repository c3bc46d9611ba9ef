#include "cli/code_page.h"

#include "cli/arguments.h"
#include "model/text_encoding.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace Corv::Cli {

namespace {

bool JapaneseLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return std::string_view(value).starts_with("ja");
    }
    return false;
}

} // namespace

bool Utf8Locale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0')
            continue;
        std::string lower;
        for (const char c : std::string_view(value))
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
    }
    return false;
}

void ChooseCodePage() {
    const char* named = std::getenv("CORVANE_CODE_PAGE");
    if (named == nullptr || *named == '\0') {
        SetCodePage(JapaneseLocale() ? CodePage::ShiftJis : CodePage::Windows1252);
        return;
    }
    const std::optional<CodePage> page = CodePageNamed(named);
    if (!page)
        throw UsageError("CORVANE_CODE_PAGE must be windows-1252 or Shift_JIS, not \"" +
                         std::string(named) + "\"");
    SetCodePage(*page);
}

} // namespace Corv::Cli
