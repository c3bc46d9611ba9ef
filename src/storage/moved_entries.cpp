#include "storage/moved_entries.h"

#include "model/file_system.h"
#include "model/parameter.h"
#include "storage/domain.h"
#include "storage/journal_text.h"
#include "storage/trash.h"

#include <algorithm>
#include <map>
#include <set>

namespace Corv {

namespace {

constexpr const char* kHeader = "corvane-moved 1";
constexpr std::size_t kFields = 11;
// A list larger than this was not written by this program.
constexpr std::int64_t kMaxListBytes = 16 << 20;

const char* const kKindWords[] = {"patch", "tone", "wave"};

// A work file's name is one part of the work folder: nothing that leads elsewhere.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// Fields may hold any byte; a tab, a line end and the escape itself are written as %XX, as
// journal paths are.
bool ParseEntry(const std::string& line, MovedEntry& entry) {
    std::vector<std::string> f = SplitAt(line, '\t');
    for (std::string& field : f)
        if (std::string plain; JournalUnescaped(field, plain))
            field = std::move(plain);
        else
            return false;
    if (f.size() != kFields || !IsPlainName(f[0]))
        return false;
    const auto kind = std::find(std::begin(kKindWords), std::end(kKindWords), f[1]);
    if (kind == std::end(kKindWords) || f[2].empty() || f[2].size() > 3 ||
        !std::all_of(f[2].begin(), f[2].end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    entry.file = f[0];
    entry.kind = static_cast<int>(kind - std::begin(kKindWords));
    entry.number = std::stoi(f[2]);
    entry.name = f[3];
    for (std::size_t i = 0; i < 4; ++i)
        entry.memos[i] = f[4 + i];
    entry.from = f[8];
    entry.original = f[9];
    entry.into = f[10];
    return true;
}

std::string EntryLine(const MovedEntry& e) {
    std::string line = JournalEscaped(e.file) + '\t' + kKindWords[e.kind] + '\t' +
                       std::to_string(e.number) + '\t' + JournalEscaped(e.name);
    for (const std::string& memo : e.memos)
        line += '\t' + JournalEscaped(memo);
    return line + '\t' + JournalEscaped(e.from) + '\t' + JournalEscaped(e.original) + '\t' +
           JournalEscaped(e.into) + '\n';
}

// The last folder name of a project path, for telling the user ("/x/Live.prj/" -> "Live.prj").
std::string ProjectName(const std::string& project) {
    std::string name = project;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    return name.substr(name.find_last_of('/') + 1);
}

// "patch 20 "Brass"": the slot in the project that held it, and its name as its file gave it.
std::string EntryText(const MovedEntry& entry) {
    return std::string(kKindWords[entry.kind]) + " " + std::to_string(entry.number) + " \"" +
           NamePart(entry.original) + "\"";
}

} // namespace

std::vector<MovedEntry> ReadMovedEntries(const std::string& workFolder) {
    std::vector<MovedEntry> entries;
    auto file = FileSystem().Open(workFolder + kMovedEntriesName, OpenMode::Read);
    const std::int64_t size = file ? file->Size() : -1;
    if (size <= 0 || size > kMaxListBytes)
        return entries;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (file->Read(text.data(), text.size()) != size ||
        text.rfind(std::string(kHeader) + "\n", 0) != 0)
        return entries;
    std::size_t start = text.find('\n') + 1;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos)
            break; // a line not written to its end
        MovedEntry entry;
        if (ParseEntry(text.substr(start, end - start), entry))
            entries.push_back(std::move(entry));
        start = end + 1;
    }
    return entries;
}

bool WriteMovedEntries(const std::string& workFolder, const std::vector<MovedEntry>& entries) {
    const std::string path = workFolder + kMovedEntriesName;
    if (entries.empty()) {
        const FileStatus status = FileSystem().Status(path);
        return (status.type == FileType::Missing && !status.isLink) || FileSystem().Remove(path);
    }
    std::string text = std::string(kHeader) + "\n";
    for (const MovedEntry& entry : entries)
        text += EntryLine(entry);
    // A new list is written beside the old one and takes its place in one rename.
    const std::string fresh = path + "-new";
    auto file = FileSystem().Open(fresh, OpenMode::Write);
    const bool written =
        file && file->Write(text.data(), text.size()) && file->Sync() && file->Close();
    return written && FileSystem().Rename(fresh, path) && FileSystem().SyncDirectory(workFolder);
}

bool AddMovedEntries(const std::string& workFolder, const std::vector<MovedEntry>& added) {
    if (added.empty())
        return true;
    std::vector<MovedEntry> entries = ReadMovedEntries(workFolder);
    entries.insert(entries.end(), added.begin(), added.end());
    return WriteMovedEntries(workFolder, entries);
}

bool TakeOffMovedEntries(const std::string& workFolder, const std::vector<std::string>& files) {
    std::vector<MovedEntry> entries = ReadMovedEntries(workFolder);
    const std::set<std::string> gone(files.begin(), files.end());
    const std::size_t before = entries.size();
    std::erase_if(entries, [&](const MovedEntry& entry) { return gone.count(entry.file) != 0; });
    return entries.size() == before || WriteMovedEntries(workFolder, entries);
}

std::string MovedEntriesText(const std::vector<MovedEntry>& entries) {
    std::map<std::pair<std::string, std::string>, std::vector<const MovedEntry*>> byProjects;
    for (const MovedEntry& entry : entries)
        byProjects[{entry.from, entry.into}].push_back(&entry);
    std::string text;
    for (const auto& [projects, group] : byProjects) {
        const std::string into = ProjectName(projects.second);
        text += (text.empty() ? "" : "\n") + std::string("Entries moved from ") +
                ProjectName(projects.first) + " into " + into + " were not saved into " + into +
                ":";
        for (const MovedEntry* entry : group)
            text += "\n" + EntryText(*entry);
    }
    return text;
}

std::string TrashMovedEntries(const std::string& workFolder) {
    const std::vector<MovedEntry> entries = ReadMovedEntries(workFolder);
    std::vector<MovedEntry> stayed;
    std::string lines;
    std::set<std::string> seen;
    for (const MovedEntry& entry : entries) {
        if (!seen.insert(entry.file).second) // one file held by two projects goes once
            continue;
        const std::string path = workFolder + entry.file;
        const std::vector<RemovedFile> result =
            MoveOutOfProject(std::vector<FileToRemove>{{path, entry.original}}, entry.from);
        const RemovedTo to = result.empty() ? RemovedTo::Stayed : result.front().to;
        if (to == RemovedTo::Missing)
            continue;
        if (to == RemovedTo::Stayed)
            stayed.push_back(entry); // listed still, so that nothing deletes it
        lines += "\n" + EntryText(entry) + " of " + ProjectName(entry.into) + " -> " +
                 (to == RemovedTo::Stayed ? path + " (could not be moved)" : result.front().where);
    }
    WriteMovedEntries(workFolder, stayed);
    if (lines.empty())
        return {};
    std::set<std::pair<std::string, std::string>> pairs;
    for (const MovedEntry& entry : entries)
        pairs.insert({entry.from, entry.into});
    std::string summary;
    for (const auto& [from, into] : pairs)
        summary += (summary.empty() ? "" : " ") + std::string("Entries moved from ") +
                   ProjectName(from) + " into " + ProjectName(into) + " were not saved into " +
                   ProjectName(into) + ".";
    return summary + " Their files are in the trash:" + lines;
}

std::vector<std::string> MovedEntryFiles(const std::string& workFolder) {
    std::vector<std::string> files;
    for (const MovedEntry& entry : ReadMovedEntries(workFolder))
        files.push_back(entry.file);
    return files;
}

} // namespace Corv
