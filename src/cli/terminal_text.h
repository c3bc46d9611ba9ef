#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Corv::Cli {

// The texts of the people-facing commands as the terminal takes them. In a UTF-8 locale
// (`Utf8Locale`) names and memos are shown decoded from the code page, and texts typed on the
// command line are encoded into it as the desktop program encodes a typed name. In any other
// locale (C, POSIX) they pass as the code page's bytes, as `dump`, `--json` and the script
// always pass them.

// A line holding names or memos in the code page, as the terminal shows it.
std::string ShownText(std::string_view bytes);
// A line holding paths, as the terminal shows it. File names are UTF-8, or code-page bytes when
// an earlier version wrote them: a part of a path that is not UTF-8 is shown decoded.
std::string ShownPathText(std::string_view text);
// Every line through `ShownText`, or through `ShownPathText` when the lines hold paths.
std::vector<std::string> ShownLines(std::vector<std::string> lines, bool paths);

// A text typed on the command line as the code page's bytes. In a UTF-8 locale it must be UTF-8
// (a UsageError naming it as `what` otherwise) and the characters the code page cannot hold are
// left out; in any other locale it is taken as it stands.
std::string TypedText(const std::string& text, const std::string& what);

} // namespace Corv::Cli
