#include "history/history_store.h"

#include "edit/fingerprint.h"
#include "history/store_files.h"
#include "model/side_by_side.h"
#include "storage/data_folder.h"
#include "storage/journal_text.h"
#include "storage/lum_file_document.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>
#include <utility>

namespace Corv::History {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

constexpr const char* kPathFile = "path";
constexpr const char* kHeadFile = "head";
constexpr const char* kIndexFile = "index";
constexpr const char* kIndexHeader = "corvane-history-index 2";
// A dropped version that others are still stored against.
constexpr const char* kKeptSuffix = ".kept";

bool ParseCount(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoull(text);
    return true;
}

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

std::string CHistoryStore::IndexLine(const IndexEntry& entry) {
    const std::string fields =
        "v\t" + std::to_string(entry.info.id) + "\t" + std::to_string(entry.base) + "\t" +
        std::to_string(entry.bytes) + "\t" + std::to_string(entry.info.storedBytes) + "\t" +
        JournalEscaped(entry.info.time) + "\t-\t" + JournalEscaped(entry.info.note) + "\t" +
        JournalEscaped(entry.info.summary);
    return fields + "\t" + JournalChecksum(fields) + "\n";
}

bool CHistoryStore::ParseIndexLine(const std::string& line, IndexEntry& entry) {
    const std::size_t tab = line.rfind('\t');
    if (tab == std::string::npos ||
        line.compare(tab + 1, std::string::npos, JournalChecksum(line.substr(0, tab))) != 0)
        return false;
    const std::vector<std::string> f = SplitAt(line.substr(0, tab), '\t');
    std::uint64_t id = 0, base = 0;
    if (f.size() != 9 || f[0] != "v" || !ParseCount(f[1], id) || id == 0 || id >= 1000000 ||
        !ParseCount(f[2], base) || base >= id || !ParseCount(f[3], entry.bytes) ||
        !ParseCount(f[4], entry.info.storedBytes) || !JournalUnescaped(f[5], entry.info.time) ||
        !JournalUnescaped(f[7], entry.info.note) || !JournalUnescaped(f[8], entry.info.summary))
        return false;
    entry.base = static_cast<int>(base);
    entry.info.id = static_cast<int>(id);
    return true;
}

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

CHistoryStore::~CHistoryStore() {
    if (!m_spare.empty())
        Fs().Remove(m_spare);
}

void CHistoryStore::PrepareVersion(const std::string& project) {
    const std::string versions = ProjectPath(project) + "versions/";
    if (!m_spare.empty() && m_spareFolder == versions &&
        Fs().Status(m_spare).type == FileType::Regular)
        return;
    if (!m_spare.empty())
        Fs().Remove(m_spare);
    m_spare = MakeSpareFile(versions + "next");
    m_spareFolder = versions;
}

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
    return Fs().Status(ObjectPath(hash)).type == FileType::Regular || InPack(hash);
}

bool CHistoryStore::PutObject(const std::string& hash, const std::string& bytes, bool syncFolder) {
    if (HasObject(hash))
        return true;
    const std::string path = ObjectPath(hash);
    return MakeFolders(path.substr(0, path.rfind('/') + 1)) &&
           WriteDurably(path, bytes, true, syncFolder);
}

bool CHistoryStore::SyncObjectFolders(const std::set<std::string>& hashes) {
    std::set<std::string> folders;
    for (const std::string& hash : hashes) {
        const std::string path = ObjectPath(hash);
        folders.insert(path.substr(0, path.rfind('/') + 1));
    }
    // A folder of objects made just now is an entry of "objects/" itself. The folders are
    // synced side by side: a save that replaces many files has them in as many folders.
    if (folders.empty())
        return true;
    std::vector<std::string> paths(folders.begin(), folders.end());
    paths.push_back(m_folder + "objects/");
    return RunSideBySide(
               paths.size(), [&](std::size_t i) { return Fs().SyncDirectory(paths[i]); }, 4) ==
           paths.size();
}

namespace {

constexpr const char* kPackHeader = "corvane-pack 1\n";
// Objects below this size go into the pack of their save; bigger ones into files of their own.
constexpr std::uint64_t kPackedBelow = 256 * 1024;
// A pack is closed at this size and another begun.
constexpr std::size_t kPackBytes = 16 << 20;

std::string FailureText(const std::string& why) {
    if (!why.empty())
        return why;
    return LastFileError().Empty() ? "the history cannot be written" : LastFileError().Text();
}

} // namespace

bool CHistoryStore::BeginLoose(const std::string& hash, const std::string& bytes,
                               LooseObject& put) const {
    const std::string path = ObjectPath(hash);
    put.temporary = TemporaryBeside(path);
    if (!MakeFolders(path.substr(0, path.rfind('/') + 1)))
        return false;
    put.file = Fs().Open(put.temporary, OpenMode::CreateNew);
    if (put.file && put.file->Write(bytes.data(), bytes.size()))
        return true;
    put.file.reset();
    Fs().Remove(put.temporary);
    return false;
}

bool CHistoryStore::PlaceLoose(const std::string& hash, LooseObject& put) const {
    const bool placed =
        put.file->Sync() && put.file->Close() && Fs().Rename(put.temporary, ObjectPath(hash));
    put.file.reset();
    if (!placed)
        Fs().Remove(put.temporary);
    return placed;
}

bool CHistoryStore::PutFileObjects(std::vector<FileObject>& files) {
    // In batches, so that the files open at once stay few and the bytes read are let go early.
    constexpr std::size_t kBatch = 64;
    struct Pending {
        LooseObject loose;
        bool toPack = false;
        std::string packed; // the bytes of an object for the pack
    };
    const auto failed = [](FileObject& object, const std::string& why) {
        object.why = FailureText(why);
        return false;
    };
    for (FileObject& object : files) {
        object.added = false;
        object.why.clear();
    }
    bool ok = true;
    std::set<std::string> added, loose;
    // Small objects are gathered into one file (a pack) that is written and synced once; a
    // pack is taken apart into files of their own after the save (UnpackObjects).
    std::string pack = kPackHeader;
    std::vector<std::size_t> inPack;
    const auto writePack = [&] {
        if (inPack.empty())
            return;
        const bool written = WritePack(pack);
        for (const std::size_t i : inPack)
            if (!written)
                ok = failed(files[i], {});
            else
                files[i].added = added.insert(files[i].hash).second;
        pack = kPackHeader;
        inPack.clear();
    };
    for (std::size_t first = 0; first < files.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, files.size() - first);
        std::vector<Pending> pending(count);
        const auto write = [&](std::size_t i) {
            FileObject& object = files[first + i];
            std::string bytes;
            if (!ReadWholeFile(object.path, bytes))
                return failed(object, object.path + " cannot be read");
            const std::string hash = HashHex(bytes);
            if (!object.hash.empty() && hash != object.hash)
                return failed(object, object.path + " changed while it was kept");
            object.hash = hash;
            object.size = bytes.size();
            if (HasObject(hash))
                return true;
            Pending& put = pending[i];
            if (bytes.size() < kPackedBelow) {
                put.toPack = true;
                put.packed = std::move(bytes);
                return true;
            }
            return BeginLoose(hash, bytes, put.loose) || failed(object, {});
        };
        const auto place = [&](std::size_t i) {
            LooseObject& put = pending[i].loose;
            if (!put.file)
                return true;
            FileObject& object = files[first + i];
            if (!PlaceLoose(object.hash, put))
                return failed(object, {});
            object.added = true; // the first of equal ones only, below
            return true;
        };
        // Every task runs, whatever the others do: each says for itself what failed.
        std::vector<char> done(count, 0);
        RunSideBySide(
            count,
            [&](std::size_t i) {
                done[i] = write(i) ? 1 : 0;
                return true;
            },
            8);
        RunSideBySide(
            count,
            [&](std::size_t i) {
                done[i] = done[i] != 0 && place(i) ? 1 : 0;
                return true;
            },
            8);
        std::set<std::string> packed;
        for (std::size_t i = 0; i < count; ++i) {
            FileObject& object = files[first + i];
            ok = ok && done[i] != 0;
            if (object.added) {
                loose.insert(object.hash);
                object.added = added.insert(object.hash).second; // the first of equal ones
            }
            std::string& bytes = pending[i].packed;
            if (done[i] == 0 || !pending[i].toPack || added.count(object.hash) > 0 ||
                !packed.insert(object.hash).second)
                continue;
            pack += object.hash + " " + std::to_string(bytes.size()) + "\n";
            pack += bytes;
            bytes = std::string();
            inPack.push_back(first + i);
            if (pack.size() >= kPackBytes)
                writePack();
        }
    }
    writePack();
    if (!SyncObjectFolders(loose)) {
        for (FileObject& object : files)
            if (object.added && object.why.empty() && loose.count(object.hash) > 0)
                failed(object, {});
        return false;
    }
    return ok;
}

bool CHistoryStore::WritePack(const std::string& text) {
    const std::string folder = m_folder + "packs/";
    const std::string path = folder + HashHex(text) + ".pack";
    if (!MakeFolders(folder) || !WriteDurably(path, text))
        return false;
    const std::lock_guard<std::mutex> hold(m_packMutex);
    IndexPack(path, text);
    m_packsRead.insert(path);
    return true;
}

void CHistoryStore::IndexPack(const std::string& path, const std::string& text) const {
    // "<hash> <size>\n" and the bytes, object after object; what does not read so ends it.
    if (text.rfind(kPackHeader, 0) != 0)
        return;
    std::size_t at = std::strlen(kPackHeader);
    while (at < text.size()) {
        const std::size_t line = text.find('\n', at);
        const std::size_t blank = text.find(' ', at);
        if (line == std::string::npos || blank == std::string::npos || blank > line ||
            blank - at != 32)
            return;
        const std::string digits = text.substr(blank + 1, line - blank - 1);
        if (digits.empty() || digits.size() > 12 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return;
        const std::uint64_t size = std::stoull(digits);
        if (size > text.size() - line - 1)
            return;
        m_packed[text.substr(at, 32)] = {path, line + 1, size};
        at = line + 1 + size;
    }
}

void CHistoryStore::IndexPacks() const {
    const std::string folder = m_folder + "packs/";
    for (const std::string& name : EntryNames(folder)) {
        const std::string path = folder + name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".pack") != 0 ||
            m_packsRead.count(path) > 0)
            continue;
        std::string text;
        if (!ReadWholeFile(path, text))
            continue;
        IndexPack(path, text);
        m_packsRead.insert(path);
    }
}

bool CHistoryStore::InPack(const std::string& hash) const {
    const std::lock_guard<std::mutex> hold(m_packMutex);
    return m_packed.count(hash) > 0;
}

bool CHistoryStore::FetchPacked(const std::string& hash, std::string& bytes) const {
    PackedObject where;
    {
        const std::lock_guard<std::mutex> hold(m_packMutex);
        auto found = m_packed.find(hash);
        if (found == m_packed.end()) {
            IndexPacks(); // another process may have packed it
            found = m_packed.find(hash);
        }
        if (found == m_packed.end())
            return false;
        where = found->second;
    }
    auto file = Fs().Open(where.pack, OpenMode::Read);
    bytes.resize(static_cast<std::size_t>(where.size));
    std::size_t done = 0;
    while (file && done < bytes.size() && file->Seek(where.offset + done)) {
        const std::int64_t n = file->Read(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size() && HashHex(bytes) == hash;
}

bool CHistoryStore::UnpackObjects() {
    // pack -> its objects' hashes and places
    std::map<std::string, std::vector<std::pair<std::string, PackedObject>>> packs;
    {
        const std::lock_guard<std::mutex> hold(m_packMutex);
        IndexPacks();
        for (const std::string& pack : m_packsRead)
            packs[pack]; // a pack whose objects all lie in others too goes as well
        for (const auto& [hash, where] : m_packed)
            packs[where.pack].emplace_back(hash, where);
    }
    bool all = true;
    for (const auto& packed : packs) {
        // Plain names, not a structured binding: the lambdas below capture them.
        const std::string& pack = packed.first;
        const auto& objects = packed.second;
        // A pack that cannot be read now stays for another time.
        std::string text;
        if (!ReadWholeFile(pack, text)) {
            all = false;
            continue;
        }
        // The objects become files of their own (written side by side, then synced and renamed
        // together); the pack goes once they are all durable. An object the pack no longer
        // holds whole (damaged, cut short) is lost with it: its versions say so when read.
        std::vector<LooseObject> puts(objects.size());
        const auto write = [&](std::size_t i) {
            const auto& [hash, where] = objects[i];
            if (Fs().Status(ObjectPath(hash)).type == FileType::Regular ||
                where.offset > text.size() || where.size > text.size() - where.offset)
                return true;
            const std::string bytes = text.substr(static_cast<std::size_t>(where.offset),
                                                  static_cast<std::size_t>(where.size));
            return HashHex(bytes) != hash || BeginLoose(hash, bytes, puts[i]);
        };
        const auto place = [&](std::size_t i) {
            return !puts[i].file || PlaceLoose(objects[i].first, puts[i]);
        };
        bool done = RunSideBySide(objects.size(), write, 8) == objects.size() &&
                    RunSideBySide(objects.size(), place, 8) == objects.size();
        std::set<std::string> placed;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (puts[i].file) { // written, not placed: the writing of another failed
                puts[i].file.reset();
                Fs().Remove(puts[i].temporary);
            } else if (!puts[i].temporary.empty()) {
                placed.insert(objects[i].first);
            }
        }
        done = done && SyncObjectFolders(placed) && Fs().Remove(pack) &&
               Fs().SyncDirectory(m_folder + "packs/");
        all = all && done;
        if (!done)
            continue;
        const std::lock_guard<std::mutex> hold(m_packMutex);
        for (const auto& object : objects)
            m_packed.erase(object.first);
        m_packsRead.erase(pack);
    }
    return all;
}

bool CHistoryStore::FetchObject(const std::string& hash, std::string& bytes) const {
    return (ReadWholeFile(ObjectPath(hash), bytes) && HashHex(bytes) == hash) ||
           FetchPacked(hash, bytes);
}

std::string CHistoryStore::ProjectPath(const std::string& project) const {
    // The real path costs a status per folder of the path; a save asks for it many times.
    if (m_lastProjectPath.first != project) {
        const std::string canonical = CanonicalProjectFolder(project);
        m_lastProjectPath = {project, m_folder + "projects/" +
                                          HashBytes(canonical.data(), canonical.size()).Hex() +
                                          "/"};
    }
    return m_lastProjectPath.second;
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

std::string CHistoryStore::StoredVersionPath(const std::string& versions, int id) const {
    const std::string path = versions + VersionName(id);
    if (Fs().Status(path).type == FileType::Regular)
        return path;
    return path + kKeptSuffix;
}

bool CHistoryStore::ReadStored(const std::string& path, Manifest& manifest,
                               std::string& why) const {
    std::string text;
    if (!ReadWrittenInPlace(path, text)) { // the head is written in place
        why = "its manifest cannot be read";
        return false;
    }
    return ParseManifest(text, manifest, why);
}

void CHistoryStore::Remember(const std::string& path,
                             std::shared_ptr<const Manifest> manifest) const {
    const FileStatus status = Fs().Status(path);
    if (status.type != FileType::Regular)
        return;
    if (m_cache.size() >= 8)
        m_cache.clear();
    m_cache[path] = {status.size, status.inode, status.modified, std::move(manifest)};
}

std::shared_ptr<const Manifest> CHistoryStore::ReadResolved(const std::string& versions,
                                                            const std::string& path,
                                                            std::string& why, int depth) const {
    const FileStatus status = Fs().Status(path);
    const auto cached = m_cache.find(path);
    if (status.type == FileType::Regular && cached != m_cache.end() &&
        cached->second.size == status.size && cached->second.inode == status.inode &&
        cached->second.modified == status.modified)
        return cached->second.manifest;
    auto stored = std::make_shared<Manifest>();
    if (!ReadStored(path, *stored, why))
        return nullptr;
    if (stored->base != 0) {
        // A difference is stored against an older version; a chain longer than a head on a
        // difference on a whole version, or one that does not go back in time, is no store's.
        std::string baseWhy;
        std::shared_ptr<const Manifest> base;
        if (depth < 3 && (stored->id == 0 || stored->base < stored->id))
            base = ReadResolved(versions, StoredVersionPath(versions, stored->base), baseWhy,
                                depth + 1);
        if (!base) {
            why = "version " + std::to_string(stored->base) + ", which it is stored against, " +
                  (baseWhy.empty() ? std::string("is not usable") : "is damaged: " + baseWhy);
            return nullptr;
        }
        *stored = Resolved(*base, *stored);
    }
    if (status.type == FileType::Regular) {
        if (m_cache.size() >= 8)
            m_cache.clear();
        m_cache[path] = {status.size, status.inode, status.modified, stored};
    }
    return stored;
}

bool CHistoryStore::ReadVersion(const std::string& project, int id, Manifest& manifest,
                                std::string& why) const {
    const std::string versions = ProjectPath(project) + "versions/";
    if (id <= 0 || Fs().Status(versions + VersionName(id)).type != FileType::Regular) {
        why = "version " + std::to_string(id) + " is not in the history";
        return false;
    }
    const auto resolved = ReadResolved(versions, versions + VersionName(id), why, 0);
    if (!resolved)
        return false;
    manifest = *resolved;
    if (manifest.id != id) {
        why = "version " + std::to_string(id) + " holds another version's manifest";
        return false;
    }
    return true;
}

bool CHistoryStore::KnowProject(const std::string& project) const {
    const std::string folder = ProjectPath(project);
    std::string known;
    return ReadWholeFile(folder + kPathFile, known) ||
           (MakeFolders(folder) &&
            WriteDurably(folder + kPathFile, CanonicalProjectFolder(project)));
}

bool CHistoryStore::WriteVersion(const std::string& project,
                                 const std::shared_ptr<Manifest>& written, const Manifest* head) {
    Manifest& manifest = *written;
    const std::string folder = ProjectPath(project);
    const std::string versions = folder + "versions/";
    Index index = ReadIndex(project);
    manifest.id = index.empty() ? 1 : index.rbegin()->first + 1;
    manifest.base = 0;
    if (!KnowProject(project))
        return false;
    // Most saves change a few entries: the version is kept as its difference to the newest
    // version kept whole, unless that difference is no longer small.
    Manifest stored;
    for (auto it = index.rbegin(); it != index.rend(); ++it) {
        if (it->second.base != 0 || !it->second.info.problem.empty())
            continue;
        std::string why;
        const auto whole = ReadResolved(versions, versions + VersionName(it->first), why, 0);
        if (whole && whole->base == 0 && whole->id == it->first) {
            m_lastWhole = {project, whole};
            // A folder as the last save left it is the head, whose difference to the same
            // whole version was worked out after that save.
            const HeadDifference& known = m_headDifference;
            if (head != nullptr && known.head.get() == head && known.stored->base == it->first)
                stored = *known.stored;
            else
                stored = DifferenceTo(*whole, head != nullptr ? *head : manifest);
            stored.TakeHeader(manifest);
            if (EntryLines(stored) * 4 > EntryLines(head != nullptr ? *head : manifest))
                stored = Manifest{};
        }
        break;
    }
    const bool difference = stored.base != 0;
    if (!difference && head != nullptr) { // kept whole: the head's entries are its own
        manifest.files = head->files;
        manifest.usedSlots = head->usedSlots;
    }
    if (!difference)
        m_lastWhole = {project, written};
    const std::string text = ManifestText(difference ? stored : manifest);
    const std::string path = versions + VersionName(manifest.id);
    const std::string spare = m_spareFolder == versions ? std::exchange(m_spare, {}) : "";
    if (!MakeFolders(versions) || !WriteDurablyInto(spare, path, text))
        return false;
    IndexEntry entry;
    entry.base = stored.base;
    entry.bytes = text.size();
    entry.info = {manifest.id,      manifest.time,        manifest.note,
                  manifest.summary, manifest.storedBytes, {}};
    AddToIndex(project, index, entry);
    if (!difference) // the base of the versions after it; a difference is not read again
        Remember(path, written);
    return true;
}

bool CHistoryStore::ReadHead(const std::string& project, Manifest& head) const {
    const auto found = Head(project);
    if (found)
        head = *found;
    return found != nullptr;
}

std::shared_ptr<const Manifest> CHistoryStore::Head(const std::string& project) const {
    std::string why;
    const std::string folder = ProjectPath(project);
    return ReadResolved(folder + "versions/", folder + kHeadFile, why, 0);
}

bool CHistoryStore::WriteHead(const std::string& project, const std::shared_ptr<Manifest>& head) {
    const std::string folder = ProjectPath(project);
    if (!KnowProject(project))
        return false;
    head->id = 0;
    head->base = 0;
    // Stored against the newest whole version, as the next version will be: when the folder is
    // still as this head says, that version is this difference with another header.
    const Manifest* base = m_lastWhole.project == project ? m_lastWhole.manifest.get() : nullptr;
    const auto stored = std::make_shared<const Manifest>(base ? DifferenceTo(*base, *head) : *head);
    m_headDifference = {};
    // The head only spares the next save reading files again: after a crash it may be old or
    // gone, and the next save then looks at the folder itself.
    if (!WriteInPlace(folder + kHeadFile, ManifestText(*stored)))
        return false;
    Remember(folder + kHeadFile, head);
    if (stored->base != 0)
        m_headDifference = {head, stored};
    return true;
}

void CHistoryStore::ReleaseHead(const std::string& project, const Manifest* head) {
    const auto cached = m_cache.find(ProjectPath(project) + kHeadFile);
    if (cached != m_cache.end() && cached->second.manifest.get() == head)
        m_cache.erase(cached);
    if (m_headDifference.head.get() == head)
        m_headDifference = {};
}

CHistoryStore::Index CHistoryStore::ReadIndex(const std::string& project) const {
    const std::string folder = ProjectPath(project);
    Index index;
    std::string text;
    m_indexLines = 0;
    // Each line carries its own checksum: a save appends one line, and a line cut short by an
    // interruption (or altered) is passed over; its version's manifest is read instead.
    if (ReadWholeFile(folder + kIndexFile, text) &&
        text.rfind(std::string(kIndexHeader) + "\n", 0) == 0) {
        std::size_t at = text.find('\n') + 1;
        for (std::size_t end = text.find('\n', at); end != std::string::npos;
             at = end + 1, end = text.find('\n', at)) {
            ++m_indexLines;
            IndexEntry entry;
            if (ParseIndexLine(text.substr(at, end - at), entry))
                index[entry.info.id] = std::move(entry);
        }
    }
    // The folder says which versions there are; the index only spares reading them.
    std::vector<EntryStatus> listed;
    Fs().ListFolderStatus(folder + "versions/", listed);
    std::set<int> present, kept;
    for (const EntryStatus& file : listed) {
        const std::string& name = file.name;
        const bool isKept = name.size() == 6 + std::strlen(kKeptSuffix) &&
                            name.compare(6, std::string::npos, kKeptSuffix) == 0;
        if ((name.size() != 6 && !isKept) ||
            !std::all_of(name.begin(), name.begin() + 6,
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const int id = std::stoi(name.substr(0, 6));
        if (isKept) {
            kept.insert(id);
            continue;
        }
        present.insert(id);
        const auto it = index.find(id);
        if (it != index.end() && it->second.bytes == file.status.size)
            continue;
        IndexEntry entry;
        entry.info.id = id;
        entry.bytes = file.status.size;
        Manifest manifest;
        if (ReadStored(folder + "versions/" + name, manifest, entry.info.problem) &&
            manifest.id == id) {
            entry.base = manifest.base;
            entry.info = {id, manifest.time, manifest.note, manifest.summary, manifest.storedBytes,
                          {}};
        } else if (entry.info.problem.empty()) {
            entry.info.problem = "it holds another version's manifest";
        }
        index[id] = std::move(entry);
    }
    for (auto it = index.begin(); it != index.end();)
        it = present.count(it->first) > 0 ? std::next(it) : index.erase(it);
    for (auto& [id, entry] : index)
        if (entry.base != 0 && entry.info.problem.empty() && present.count(entry.base) == 0 &&
            kept.count(entry.base) == 0)
            entry.info.problem = "version " + std::to_string(entry.base) +
                                 ", which it is stored against, is missing";
    return index;
}

void CHistoryStore::WriteIndex(const std::string& project, const Index& index) const {
    std::string text = std::string(kIndexHeader) + "\n";
    for (const auto& [id, entry] : index)
        text += IndexLine(entry);
    // The index can be made again from the manifests: it is not synced.
    WriteDurably(ProjectPath(project) + kIndexFile, text, false);
}

void CHistoryStore::AddToIndex(const std::string& project, const Index& index,
                               const IndexEntry& entry) const {
    // Appending spares the rewrite of the whole index (and the flush a rename over a file
    // costs) on every save; an index that is not there, or not of this kind, is written anew.
    const std::string path = ProjectPath(project) + kIndexFile;
    const std::string header = std::string(kIndexHeader) + "\n";
    std::unique_ptr<IFile> file = Fs().Open(path, OpenMode::Update);
    std::string start(header.size(), '\0');
    const std::int64_t size = file ? file->Size() : -1;
    const bool appendable =
        size >= static_cast<std::int64_t>(header.size()) &&
        file->Read(start.data(), start.size()) == static_cast<std::int64_t>(start.size()) &&
        start == header && file->Seek(static_cast<std::uint64_t>(size));
    const std::string line = IndexLine(entry);
    if (!appendable || !file->Write(line.data(), line.size()) || !file->Close()) {
        file.reset();
        Index whole = index;
        whole[entry.info.id] = entry;
        WriteIndex(project, whole);
    }
}

std::vector<VersionInfo> CHistoryStore::List(const std::string& project) const {
    std::vector<VersionInfo> list;
    const Index index = ReadIndex(project);
    for (auto it = index.rbegin(); it != index.rend(); ++it)
        list.push_back(it->second.info);
    return list;
}

int CHistoryStore::Prune(const std::string& project, const Retention& retention) {
    const std::string versions = ProjectPath(project) + "versions/";
    Index index = ReadIndex(project);
    int protectedId = 0;
    for (auto it = index.rbegin(); it != index.rend() && protectedId == 0; ++it)
        if (it->second.info.note == "before restore")
            protectedId = it->first;
    std::uint64_t total = 0;
    for (const auto& [id, entry] : index)
        total += entry.info.storedBytes;
    std::size_t count = index.size();
    std::vector<int> dropped;
    std::uint64_t droppedBytes = 0;
    // Oldest first; the newest version is always kept: it is the way back from the save just
    // made.
    for (auto it = index.begin(); it != index.end() && std::next(it) != index.end();) {
        if (count <= retention.keep && total <= retention.maxBytes)
            break;
        if (it->first == protectedId) {
            ++it;
            continue;
        }
        --count;
        total -= it->second.info.storedBytes;
        droppedBytes += it->second.info.storedBytes;
        dropped.push_back(it->first);
        it = index.erase(it);
    }
    if (dropped.empty())
        return 0;
    // A dropped version that others are stored against stays, under another name, until none
    // is; the head may be stored against the newest.
    std::set<int> bases;
    for (const auto& [id, entry] : index)
        bases.insert(entry.base);
    std::string headText;
    Manifest head;
    std::string why;
    if (ReadWrittenInPlace(ProjectPath(project) + kHeadFile, headText) &&
        ParseManifest(headText, head, why))
        bases.insert(head.base);
    for (const int id : dropped) {
        const std::string path = versions + VersionName(id);
        if (bases.count(id) > 0)
            Fs().Rename(path, path + kKeptSuffix);
        else
            Fs().Remove(path);
    }
    for (const std::string& name : EntryNames(versions)) {
        const std::size_t at = name.find(kKeptSuffix);
        if (at == 6 && name.size() == 6 + std::strlen(kKeptSuffix) &&
            bases.count(std::atoi(name.substr(0, 6).c_str())) == 0)
            Fs().Remove(versions + name);
    }
    // The index leaves out versions the folder no longer has; it is written anew only when
    // the lines of dropped versions outnumber the others.
    if (m_indexLines > 2 * index.size() + 16)
        WriteIndex(project, index);
    // Objects are only freed by dropping a version that stored some (nothing else refers to
    // bytes no version stored); the others wait for the next collection, which comes after
    // the versions are gone for good: a version back after a crash must find its objects.
    if (droppedBytes > 0 && Fs().SyncDirectory(versions))
        CollectObjects();
    return static_cast<int>(dropped.size());
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
    m_cache.clear();
    {
        const std::lock_guard<std::mutex> hold(m_packMutex);
        m_packed.clear();
        m_packsRead.clear();
    }
    bool gone = true;
    for (const char* part : {"projects", "objects", "packs"}) {
        RemoveTree(m_folder + part + "/");
        gone = gone && Fs().Status(m_folder + part).type == FileType::Missing;
    }
    return gone;
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
