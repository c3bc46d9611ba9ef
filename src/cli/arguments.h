#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Corv::Cli {

// A KIND argument: "patch", "tone", "wave" or their plurals; false for anything else.
bool ParseKind(std::string_view text, int& kind);

// "patch", "tone" or "wave": the word for one entry of a kind in messages.
const char* KindName(int kind);

// A decimal number from `min` to `max`, nothing else in the text.
bool ParseNumber(std::string_view text, int min, int max, int& value);

// A row list ("3,5-7,12") of 1-based slot numbers of a kind, turned into 0-based indices in the
// given order. Every number must name a slot of the kind, a range must ascend and no row may
// appear twice (a selection holds each row once). On failure `error` says why; rows past the end
// of the list are named with the list and its length.
bool ParseRows(std::string_view text, int kind, std::vector<int>& indices, std::string& error);

// A usage error: a bad command, a bad argument or an unknown handle. Its text goes to stderr
// and the run ends with exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operation that the tool refuses itself because it could have no effect, where the core
// would go ahead without a word (renaming an empty slot). Its text goes to stderr; a command
// ends with exit status 1, a script goes on with its next line and ends with exit status 1.
class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Argument checks shared by the script and the one-shot commands; each throws UsageError.
int KindArgument(const std::string& text);
// Rows returned 0-based in the given order.
std::vector<int> RowsArgument(const std::string& text, int kind);
// A single 1-based row (or drop position) of a kind, returned 0-based.
int RowArgument(const std::string& text, int kind);
// The block that `count` dropped rows occupy from `at` (0-based) on must lie inside the list:
// the core refuses a drop past the end without a word, so the tool says it first.
void CheckDropBlock(int at, std::size_t count, int kind);
// A number from `min` to `max`; `what` names the argument in the error.
int NumberArgument(const std::string& text, int min, int max, const std::string& what);

// A path as the core gets it: absolute, and the folder that holds its last part resolved by the
// operating system, with links and "." and ".." parts followed as the system follows them
// (never folded on the text). The last part stays as given, so a link named "Song.prj" keeps
// that name; parts from a folder that does not exist on are kept as given too.
std::string AbsolutePath(const std::string& path);

} // namespace Corv::Cli
