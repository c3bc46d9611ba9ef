#pragma once

#include <string>
#include <vector>

namespace Corv {
struct ProjectDifference;
} // namespace Corv

namespace Corv::Cli {

// The differences as a JSON array on one line: one object per difference with "kind",
// "change", "a" and "b" (1-based numbers, null where a side has none), and for a name or memo
// change "from", "to" (and "memo"), for an only-in change "name".
std::string DifferencesJson(const std::vector<ProjectDifference>& differences);

// `corvane diff A B [--json]`: loads both folders as documents of their own (never registered
// as open projects, so one folder may be given twice) and prints the differences. Exit status
// 0 when equal, 1 when different, 2 when a folder cannot be loaded.
int DiffFolders(const std::string& a, const std::string& b, bool json);

} // namespace Corv::Cli
