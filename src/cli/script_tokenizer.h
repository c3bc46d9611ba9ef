#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Corv::Cli {

// Splits a script line into arguments at blanks and tabs. A double-quoted part may hold blanks,
// and inside it \" stands for a quote and \\ for a backslash (any other backslash is kept);
// quoted and plain parts next to each other form one argument. False, with `error` set, for
// an unterminated quote.
bool Tokenize(std::string_view line, std::vector<std::string>& arguments, std::string& error);

} // namespace Corv::Cli
