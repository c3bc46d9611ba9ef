#include "cli/arguments.h"

#include "model/lum_data.h"
#include "model/parameter.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace Corv::Cli {

namespace {

// "rows 510-515 run past the end of the patch list (512)"; 1-based rows.
std::string PastTheEnd(int first, int last, int kind) {
    const std::string rows =
        first == last ? "row " + std::to_string(first) + " lies"
                      : "rows " + std::to_string(first) + "-" + std::to_string(last) + " run";
    return rows + " past the end of the " + KindName(kind) + " list (" +
           std::to_string(SlotCount(kind)) + ")";
}

// Splits at a separator; empty parts are kept so that "3,,5" can be refused.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

// The largest number a row may be written as; numbers past the end of a list are read, so that
// the message can say how long the list is.
constexpr int kLargestNumber = 999999999;

// Appends the rows of one list element ("7" or "5-9").
bool AppendElement(std::string_view element, int kind, std::vector<int>& rows, std::string& error) {
    const int slots = SlotCount(kind);
    const std::vector<std::string_view> ends = Split(element, '-');
    int first = 0;
    int last = 0;
    if (ends.size() > 2 || !ParseNumber(ends.front(), 1, kLargestNumber, first) ||
        !ParseNumber(ends.back(), 1, kLargestNumber, last)) {
        error = "bad row \"" + std::string(element) + "\" (rows are 1 to " + std::to_string(slots) +
                ")";
        return false;
    }
    if (last < first) {
        error = "bad row range \"" + std::string(element) + "\" (a range must ascend)";
        return false;
    }
    if (last > slots) {
        error = PastTheEnd(first, last, kind);
        return false;
    }
    for (int row = first; row <= last; ++row)
        rows.push_back(row);
    return true;
}

} // namespace

bool ParseKind(std::string_view text, int& kind) {
    if (text == "patch" || text == "patches")
        kind = kPatchKind;
    else if (text == "tone" || text == "tones")
        kind = kToneKind;
    else if (text == "wave" || text == "waves")
        kind = kWaveKind;
    else
        return false;
    return true;
}

bool ParseNumber(std::string_view text, int min, int max, int& value) {
    if (text.empty() || text.size() > 9)
        return false;
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

const char* KindName(int kind) {
    return kind == kPatchKind ? "patch" : kind == kToneKind ? "tone" : "wave";
}

bool ParseRows(std::string_view text, int kind, std::vector<int>& indices, std::string& error) {
    std::vector<int> rows;
    for (const std::string_view element : Split(text, ','))
        if (!AppendElement(element, kind, rows, error))
            return false;
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    if (const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        twice != sorted.end()) {
        error = "row " + std::to_string(*twice) + " is given twice";
        return false;
    }
    indices.clear();
    for (const int row : rows)
        indices.push_back(row - 1);
    return true;
}

int KindArgument(const std::string& text) {
    int kind = 0;
    if (!ParseKind(text, kind))
        throw UsageError("bad kind \"" + text + "\" (patch, tone or wave)");
    return kind;
}

std::vector<int> RowsArgument(const std::string& text, int kind) {
    std::vector<int> rows;
    std::string error;
    if (!ParseRows(text, kind, rows, error))
        throw UsageError(error);
    return rows;
}

int RowArgument(const std::string& text, int kind) {
    int row = 0;
    if (ParseNumber(text, SlotCount(kind) + 1, kLargestNumber, row))
        throw UsageError(PastTheEnd(row, row, kind));
    return NumberArgument(text, 1, SlotCount(kind), "row") - 1;
}

void CheckDropBlock(int at, std::size_t count, int kind) {
    const int last = at + static_cast<int>(count); // 1-based
    if (count > 0 && last > SlotCount(kind))
        throw UsageError(PastTheEnd(at + 1, last, kind));
}

int NumberArgument(const std::string& text, int min, int max, const std::string& what) {
    int value = 0;
    if (!ParseNumber(text, min, max, value))
        throw UsageError("bad " + what + " \"" + text + "\" (" + std::to_string(min) + " to " +
                         std::to_string(max) + ")");
    return value;
}

namespace {

// An absolute path whose folders the operating system resolves; see `AbsolutePath`.
std::string Resolved(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || path == "/")
        return path;
    const std::string name = path.substr(slash + 1);
    std::error_code error;
    if (name == "." || name == "..") {
        const std::filesystem::path real = std::filesystem::canonical(path, error);
        return error ? path : real.string();
    }
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    std::string folder = std::filesystem::canonical(parent, error).string();
    if (error)
        folder = Resolved(parent); // the folders that exist are still the system's
    return (folder == "/" ? folder : folder + "/") + name;
}

} // namespace

std::string AbsolutePath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : Resolved(absolute.string());
}

} // namespace Corv::Cli
