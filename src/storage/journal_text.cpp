// The text of a save's journal: one line per step, its kind and its paths between tabs, and a
// last line with the count of steps and a checksum, so that a journal cut short or damaged is
// told from one that was written to its end.
#include "storage/journal_text.h"

#include <algorithm>
#include <cstdint>

namespace Corv {

namespace {

using Kind = CommitStep::Kind;

constexpr const char* kJournalHeader = "corvane-journal 1";

const char* KindWord(Kind kind) {
    switch (kind) {
    case Kind::Aside:
        return "aside";
    case Kind::Place:
        return "place";
    case Kind::Remove:
        return "remove";
    case Kind::MoveOut:
        return "moveout";
    }
    return "";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool JournalUnescaped(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

namespace {

bool ParseStep(const std::string& line, CommitStep& step) {
    const std::vector<std::string> fields = SplitAt(line, '\t');
    const std::pair<const char*, Kind> kinds[] = {{"aside", Kind::Aside},
                                                  {"place", Kind::Place},
                                                  {"remove", Kind::Remove},
                                                  {"moveout", Kind::MoveOut}};
    const auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                                   [&](const auto& k) { return fields[0] == k.first; });
    if (kind == std::end(kinds) || fields.size() != (kind->second == Kind::Remove ? 2u : 3u))
        return false;
    step.kind = kind->second;
    if (!JournalUnescaped(fields[1], step.from) || step.from.empty())
        return false;
    return fields.size() == 2 || JournalUnescaped(fields[2], step.to);
}

} // namespace

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

// Paths may hold any byte but "/" and NUL inside a name; the three that would break a line
// apart, and the escape itself, are written as %XX.
std::string JournalEscaped(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string JournalChecksum(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ULL; // FNV-1a
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    static const char* const kHex = "0123456789abcdef";
    std::string digits(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        digits[static_cast<std::size_t>(i)] = kHex[hash & 15];
    return digits;
}

std::string JournalText(const std::vector<CommitStep>& steps) {
    std::string text = std::string(kJournalHeader) + "\n";
    for (const CommitStep& step : steps) {
        text += KindWord(step.kind);
        text += '\t' + JournalEscaped(step.from);
        if (step.kind != Kind::Remove)
            text += '\t' + JournalEscaped(step.to);
        text += '\n';
    }
    text += "end\t" + std::to_string(steps.size()) + '\t' + JournalChecksum(text) + '\n';
    return text;
}

bool ParseJournal(const std::string& text, std::vector<CommitStep>& steps) {
    steps.clear();
    const auto endAt = text.rfind("end\t");
    if (endAt == std::string::npos || text.empty() || text.back() != '\n')
        return false;
    const std::string body = text.substr(0, endAt);
    const std::vector<std::string> end = SplitAt(text.substr(endAt, text.size() - endAt - 1), '\t');
    if (end.size() != 3 || end[2] != JournalChecksum(body) ||
        body.rfind(std::string(kJournalHeader) + "\n", 0) != 0)
        return false;
    std::size_t start = body.find('\n') + 1;
    while (start < body.size()) {
        const auto lineEnd = body.find('\n', start);
        CommitStep step;
        if (!ParseStep(body.substr(start, lineEnd - start), step))
            return false;
        steps.push_back(std::move(step));
        start = lineEnd + 1;
    }
    return end[1] == std::to_string(steps.size());
}

std::string StepText(const CommitStep& step) {
    std::string text = std::string(KindWord(step.kind)) + " " + JournalEscaped(step.from);
    if (step.kind != Kind::Remove)
        text += " -> " + JournalEscaped(step.to);
    return text;
}

} // namespace Corv
