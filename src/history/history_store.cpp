#include "history/history_store.h"

#include "edit/fingerprint.h"
#include "history/store_files.h"
#include "storage/data_folder.h"
#include "storage/lum_file_document.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

namespace Corv::History {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

constexpr const char* kPathFile = "path";
constexpr const char* kHeadFile = "head";

std::string VersionName(int id) {
    std::string digits = std::to_string(id);
    return std::string(digits.size() < 6 ? 6 - digits.size() : 0, '0') + digits;
}

bool IsHashName(const std::string& name) {
    return name.size() == 32 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

} // namespace

std::string DefaultHistoryFolder() {
    if (const char* named = std::getenv("CORVANE_HISTORY"); named != nullptr && *named != '\0')
        return WithTrailingSlash(named);
    const std::string data = ProgramDataFolder();
    return data.empty() ? std::string() : data + "History/";
}

std::string CanonicalProjectFolder(const std::string& folder) {
    return RealFolderPath(folder);
}

CHistoryStore::CHistoryStore(std::string folder) : m_folder(WithTrailingSlash(folder)) {}

std::unique_ptr<IFolderLock> CHistoryStore::Lock(int waitMs) const {
    if (!MakeFolders(m_folder))
        return nullptr;
    std::unique_ptr<IFolderLock> lock = Fs().OpenFolderLock(m_folder);
    for (int waited = 0; lock; waited += 20) {
        const LockResult result = lock->TryLock(LockMode::Exclusive);
        if (result != LockResult::Busy)
            return lock; // a file system without locks: one process at a time is the user's care
        if (waited >= waitMs)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

std::string CHistoryStore::ObjectPath(const std::string& hash) const {
    return m_folder + "objects/" + hash.substr(0, 2) + "/" + hash;
}

bool CHistoryStore::HasObject(const std::string& hash) const {
    return Fs().Status(ObjectPath(hash)).type == FileType::Regular;
}

bool CHistoryStore::PutObject(const std::string& hash, const std::string& bytes) {
    if (HasObject(hash))
        return true;
    const std::string path = ObjectPath(hash);
    return MakeFolders(path.substr(0, path.rfind('/') + 1)) && WriteDurably(path, bytes);
}

bool CHistoryStore::FetchObject(const std::string& hash, std::string& bytes) const {
    return ReadWholeFile(ObjectPath(hash), bytes) && HashHex(bytes) == hash;
}

std::string CHistoryStore::ProjectPath(const std::string& project) const {
    const std::string canonical = CanonicalProjectFolder(project);
    return m_folder + "projects/" + HashBytes(canonical.data(), canonical.size()).Hex() + "/";
}

std::vector<std::string> CHistoryStore::Projects() const {
    std::vector<std::string> projects;
    for (const std::string& key : EntryNames(m_folder + "projects/")) {
        std::string path;
        if (IsHashName(key) && ReadWholeFile(m_folder + "projects/" + key + "/" + kPathFile, path))
            projects.push_back(path);
    }
    std::sort(projects.begin(), projects.end());
    return projects;
}

std::vector<int> CHistoryStore::VersionIds(const std::string& project) const {
    std::vector<int> ids;
    for (const std::string& name : EntryNames(ProjectPath(project) + "versions/"))
        if (name.size() == 6 &&
            std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            ids.push_back(std::stoi(name));
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool CHistoryStore::ReadVersion(const std::string& project, int id, Manifest& manifest,
                                std::string& why) const {
    std::string text;
    if (!ReadWholeFile(ProjectPath(project) + "versions/" + VersionName(id), text)) {
        why = "version " + std::to_string(id) + " cannot be read";
        return false;
    }
    return ParseManifest(text, manifest, why);
}

bool CHistoryStore::WriteVersion(const std::string& project, Manifest& manifest) {
    const std::string folder = ProjectPath(project);
    const std::vector<int> ids = VersionIds(project);
    manifest.id = ids.empty() ? 1 : ids.back() + 1;
    std::string known;
    if (!ReadWholeFile(folder + kPathFile, known) &&
        (!MakeFolders(folder) ||
         !WriteDurably(folder + kPathFile, CanonicalProjectFolder(project))))
        return false;
    return MakeFolders(folder + "versions/") &&
           WriteDurably(folder + "versions/" + VersionName(manifest.id), ManifestText(manifest));
}

bool CHistoryStore::ReadHead(const std::string& project, Manifest& head) const {
    std::string text, why;
    return ReadWholeFile(ProjectPath(project) + kHeadFile, text) && ParseManifest(text, head, why);
}

bool CHistoryStore::WriteHead(const std::string& project, const Manifest& head) {
    const std::string folder = ProjectPath(project);
    std::string known;
    if (!ReadWholeFile(folder + kPathFile, known) &&
        (!MakeFolders(folder) ||
         !WriteDurably(folder + kPathFile, CanonicalProjectFolder(project))))
        return false;
    return WriteDurably(folder + kHeadFile, ManifestText(head));
}

std::vector<VersionInfo> CHistoryStore::List(const std::string& project) const {
    std::vector<VersionInfo> list;
    const std::vector<int> ids = VersionIds(project);
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        Manifest manifest;
        VersionInfo info;
        info.id = *id;
        if (ReadVersion(project, *id, manifest, info.problem)) {
            info.time = manifest.time;
            info.note = manifest.note;
            info.summary = manifest.summary;
            info.storedBytes = manifest.storedBytes;
        }
        list.push_back(std::move(info));
    }
    return list;
}

int CHistoryStore::Prune(const std::string& project, const Retention& retention) {
    std::vector<VersionInfo> versions = List(project); // newest first
    int protectedId = 0;
    for (const VersionInfo& version : versions)
        if (protectedId == 0 && version.note == "before restore")
            protectedId = version.id;
    std::uint64_t total = 0;
    for (const VersionInfo& version : versions)
        total += version.storedBytes;
    std::size_t count = versions.size();
    int dropped = 0;
    // Oldest first; the newest version (index 0) is always kept: it is the way back from the
    // save just made.
    for (std::size_t index = versions.size(); index > 1; --index) {
        const VersionInfo& version = versions[index - 1];
        if (count <= retention.keep && total <= retention.maxBytes)
            break;
        if (version.id == protectedId)
            continue;
        if (!Fs().Remove(ProjectPath(project) + "versions/" + VersionName(version.id)))
            continue;
        --count;
        total -= version.storedBytes;
        ++dropped;
    }
    if (dropped > 0) {
        Fs().SyncDirectory(ProjectPath(project) + "versions/");
        CollectObjects();
    }
    return dropped;
}

int CHistoryStore::CollectObjects() {
    std::set<std::string> referenced;
    for (const std::string& key : EntryNames(m_folder + "projects/")) {
        const std::string versions = m_folder + "projects/" + key + "/versions/";
        bool listed = false;
        const std::vector<std::string> names = EntryNames(versions, &listed);
        if (!listed)
            return 0;
        for (const std::string& name : names) {
            std::string text, why;
            Manifest manifest;
            if (name.find(".tmp-") != std::string::npos)
                continue;
            if (!ReadWholeFile(versions + name, text))
                return 0; // its objects may be needed: nothing goes
            if (ParseManifest(text, manifest, why))
                for (const FileEntry& file : manifest.files)
                    referenced.insert(file.hash);
        }
    }
    int removed = 0;
    for (const std::string& prefix : EntryNames(m_folder + "objects/"))
        for (const std::string& name : EntryNames(m_folder + "objects/" + prefix + "/"))
            if (referenced.count(name) == 0 &&
                Fs().Remove(m_folder + "objects/" + prefix + "/" + name))
                ++removed;
    return removed;
}

std::uint64_t CHistoryStore::TotalBytes() const {
    std::uint64_t total = 0;
    std::vector<std::string> pending = {m_folder};
    while (!pending.empty()) {
        const std::string folder = pending.back();
        pending.pop_back();
        std::vector<EntryStatus> entries;
        if (!Fs().ListFolderStatus(folder, entries))
            continue;
        for (const EntryStatus& entry : entries) {
            if (entry.status.type == FileType::Directory && !entry.status.isLink)
                pending.push_back(folder + entry.name + "/");
            else if (entry.status.type == FileType::Regular)
                total += entry.status.size;
        }
    }
    return total;
}

bool CHistoryStore::EmptyAll() {
    RemoveTree(m_folder + "projects/");
    RemoveTree(m_folder + "objects/");
    return Fs().Status(m_folder + "projects").type == FileType::Missing &&
           Fs().Status(m_folder + "objects").type == FileType::Missing;
}

std::string CHistoryStore::FindMovedProject(const std::string& project,
                                            const std::vector<FileEntry>& files,
                                            double threshold) const {
    std::multiset<std::string> hashes;
    for (const FileEntry& file : files)
        hashes.insert(file.hash);
    const std::string self = CanonicalProjectFolder(project);
    std::string best;
    double bestShare = 0;
    for (const std::string& other : Projects()) {
        Manifest head;
        if (other == self || !ReadHead(other, head) || head.files.empty())
            continue;
        std::size_t shared = 0;
        for (const FileEntry& file : head.files)
            shared += hashes.count(file.hash) > 0 ? 1 : 0;
        const double share = static_cast<double>(shared) /
                             static_cast<double>(std::max(head.files.size(), files.size()));
        if (share >= threshold && share > bestShare) {
            bestShare = share;
            best = other;
        }
    }
    return best;
}

bool CHistoryStore::Attach(const std::string& from, const std::string& to) {
    const std::string source = ProjectPath(from), target = ProjectPath(to);
    if (source == target || Fs().Status(target).type != FileType::Missing ||
        Fs().Status(source).type != FileType::Directory)
        return false;
    return Fs().Rename(source.substr(0, source.size() - 1), target.substr(0, target.size() - 1)) &&
           WriteDurably(target + kPathFile, CanonicalProjectFolder(to)) &&
           Fs().SyncDirectory(m_folder + "projects/");
}

} // namespace Corv::History
