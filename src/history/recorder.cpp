#include "history/recorder.h"

#include "history/folder_state.h"
#include "history/store_files.h"
#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/domain.h"
#include "storage/save_plan.h"

#include <algorithm>
#include <ctime>
#include <set>
#include <string_view>
#include <unordered_map>

namespace Corv::History {

namespace {

std::string TimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The relative paths whose bytes the save takes out of the folder: originals set aside,
// removed, moved out or overwritten. A file only renamed keeps its bytes in the folder.
std::set<std::string> ReplacedPaths(const CSavePlan& plan) {
    std::set<std::string> paths;
    for (const CommitStep& step : plan.steps) {
        if (step.kind == CommitStep::Kind::Place)
            paths.insert(step.to);
        else
            paths.insert(step.from);
    }
    return paths;
}

} // namespace

CHistoryRecorder::CHistoryRecorder(std::string historyFolder, std::string programVersion,
                                   Retention retention)
    : m_store(std::move(historyFolder)), m_program(std::move(programVersion)),
      m_retention(retention) {}

bool CHistoryRecorder::BeforeCommit(const std::string& folder, const CSavePlan& plan,
                                    const CLumData& data, const FolderEntries* listed,
                                    std::string& why) {
    m_pending.reset();
    m_lastVersion = 0;
    // A save that changes no file leaves nothing to take back.
    const bool recorded = plan.steps.empty() || Record(folder, plan, data, listed, why);
    m_nextNote.clear();
    return recorded;
}

bool CHistoryRecorder::Record(const std::string& folder, const CSavePlan& plan,
                              const CLumData& data, const FolderEntries* listed, std::string& why) {
    WaitForBackground();
    const auto lock = m_store.Lock();
    if (!lock) {
        why = "the history " + m_store.Folder() + " cannot be opened";
        return false;
    }
    const std::shared_ptr<const Manifest> headRead = m_store.Head(folder);
    const bool haveHead = headRead != nullptr;
    static const Manifest kNoHead;
    const Manifest& head = haveHead ? *headRead : kNoHead;
    // The hashes by identity are kept from save to save (the head after a save is this
    // recorder's own, and its new files are added); a head read from disk gives them anew.
    if (headRead != m_knownHead) {
        m_known = haveHead ? HashesByIdentity(head.files) : KnownHashes{};
        m_knownHead = headRead;
    }
    const std::set<std::string> replaced = ReplacedPaths(plan);
    const auto written = std::make_shared<Manifest>();
    Manifest& version = *written;
    // A file the head does not know was changed by someone else since the last save: its bytes
    // are kept now, as are those the save takes away, for nothing else has them once the file
    // changes again. (Without a head, the files the save keeps stay in the folder.)
    const auto keep = [&](const FileEntry& file, const std::string& bytes) {
        if ((!haveHead && replaced.count(file.path) == 0) || m_store.HasObject(file.hash))
            return true;
        version.storedBytes += bytes.size();
        return m_store.PutObject(file.hash, bytes);
    };
    // The head's files and slots still hold when every file is the one it described: most
    // often the save's own listing shows that, and nothing is looked at again.
    bool same = haveHead && listed != nullptr && ListingMatches(*listed, head.files);
    if (same) {
        version.files = head.files;
    } else {
        if (!DescribeFiles(folder, m_known, version.files, why, listed, keep))
            return false;
        same = haveHead && head.files.size() == version.files.size() &&
               std::equal(head.files.begin(), head.files.end(), version.files.begin(),
                          [](const FileEntry& a, const FileEntry& b) {
                              return a.path == b.path && a.hash == b.hash &&
                                     IdentityOf(a) == IdentityOf(b);
                          });
        // The files read now are known by identity from now on, for the saves after this one.
        if (!same)
            for (const FileEntry& file : version.files)
                if (file.inode != 0)
                    m_known.emplace(IdentityOf(file), file.hash);
    }
    if (same)
        version.usedSlots = head.usedSlots;
    else if (!ReadSlots(folder, version.files, version.usedSlots, why))
        return false;
    // The bytes the save takes away are kept; what stays in the folder is not copied.
    if (!KeepReplaced(folder, replaced, version, why))
        return false;
    // The staged files are what the folder will hold: hashed now, found by identity after.
    Pending pending;
    pending.project = folder;
    pending.steps = plan.steps;
    // The file entry of an absolute path in the folder before the save, or null. (Thousands
    // are looked up: by hash, not by searching the sorted list of long, alike paths.)
    std::unordered_map<std::string_view, const FileEntry*> byPath(version.files.size());
    for (const FileEntry& file : version.files)
        byPath.emplace(file.path, &file);
    const auto before = [&](const std::string& path) -> const FileEntry* {
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
            return nullptr;
        const auto it = byPath.find(std::string_view(path).substr(folder.size()));
        return it != byPath.end() ? it->second : nullptr;
    };
    for (const CommitStep& step : plan.steps) {
        if (step.kind != CommitStep::Kind::Place || version.File(step.from) != nullptr)
            continue;
        std::string bytes;
        const FileStatus status = FileSystem().Status(folder + step.from);
        if (!ReadWholeFile(folder + step.from, bytes) || status.inode == 0)
            continue;
        FileEntry staged{step.from, bytes.size(), HashHex(bytes), status.modified, status.inode};
        pending.staged[step.from] = staged;
    }
    const auto waveHash = [&](const std::string& path) {
        if (const FileEntry* file = before(path))
            return file->hash;
        std::string bytes;
        return ReadWholeFile(path, bytes) ? HashHex(bytes) : std::string();
    };
    // The slots after follow from those before and what the save changes; a save whose steps
    // this account cannot follow has them worked out from the whole project.
    pending.version = written;
    pending.filesAfterKnown = FilesAfter(pending, pending.filesAfter);
    if (pending.filesAfterKnown) {
        std::set<std::string, std::less<>> placed;
        for (const CommitStep& step : plan.steps)
            if (step.kind == CommitStep::Kind::Place)
                placed.insert(step.to);
        pending.usedSlots = SlotsAfterSave(data, plan.slotPaths, folder, version,
                                           pending.filesAfter, placed, waveHash);
    } else {
        const auto sizeOf = [&](const std::string& path) {
            const FileEntry* file = before(path);
            return file != nullptr ? file->size : FileSystem().Status(path).size;
        };
        pending.usedSlots = SlotsOf(data, plan.slotPaths, folder, waveHash, sizeOf);
    }
    version.time = TimeNow();
    version.program = m_program;
    version.note = m_nextNote;
    version.summary = ChangeSummary(version.usedSlots, pending.usedSlots);
    if (!m_store.WriteVersion(folder, written, same ? headRead.get() : nullptr)) {
        why = LastFileError().Empty() ? "the history cannot be written" : LastFileError().Text();
        return false;
    }
    m_lastVersion = version.id;
    m_pending = std::move(pending);
    return true;
}

bool CHistoryRecorder::KeepReplaced(const std::string& folder,
                                    const std::set<std::string>& replaced, Manifest& version,
                                    std::string& why) {
    std::vector<const FileEntry*> fresh;
    std::set<std::string> hashes;
    for (const FileEntry& file : version.files)
        if (replaced.count(file.path) > 0 && !m_store.HasObject(file.hash) &&
            hashes.insert(file.hash).second)
            fresh.push_back(&file);
    // A save that rewrites many files replaces as many: they are stored side by side (their
    // syncs overlap), and each folder of objects is synced once at the end.
    std::vector<std::uint64_t> sizes(fresh.size(), 0);
    std::vector<std::string> errors(fresh.size());
    const std::size_t failed = RunSideBySide(
        fresh.size(),
        [&](std::size_t i) {
            std::string bytes;
            const FileEntry& file = *fresh[i];
            if (!ReadWholeFile(folder + file.path, bytes) || HashHex(bytes) != file.hash) {
                errors[i] = folder + file.path + " changed while it was kept";
                return false;
            }
            if (!m_store.PutObject(file.hash, bytes, false)) {
                errors[i] = LastFileError().Empty() ? "the history cannot be written"
                                                    : LastFileError().Text();
                return false;
            }
            sizes[i] = bytes.size();
            return true;
        },
        8);
    if (failed < fresh.size()) {
        why = errors[failed];
        return false;
    }
    if (!m_store.SyncObjectFolders(hashes)) {
        why = LastFileError().Empty() ? "the history cannot be written" : LastFileError().Text();
        return false;
    }
    for (const std::uint64_t size : sizes)
        version.storedBytes += size;
    return true;
}

bool CHistoryRecorder::FilesAfter(const Pending& pending, std::vector<FileEntry>& files) {
    // The steps are few, the files many: the sorted list is changed where the steps say.
    files = pending.version->files;
    const auto at = [&](const std::string& path) {
        return std::lower_bound(
            files.begin(), files.end(), path,
            [](const FileEntry& file, const std::string& p) { return file.path < p; });
    };
    std::map<std::string, FileEntry> moving; // files under names a listing never keeps
    for (const CommitStep& step : pending.steps) {
        FileEntry entry;
        bool known = true;
        if (const auto it = at(step.from); it != files.end() && it->path == step.from) {
            entry = std::move(*it);
            files.erase(it);
        } else if (const auto aside = moving.find(step.from); aside != moving.end()) {
            entry = std::move(aside->second);
            moving.erase(aside);
        } else if (const auto staged = pending.staged.find(step.from);
                   step.kind == CommitStep::Kind::Place && staged != pending.staged.end()) {
            entry = staged->second;
        } else {
            known = false;
        }
        if (step.kind != CommitStep::Kind::Aside && step.kind != CommitStep::Kind::Place)
            continue;
        if (!known)
            return false; // a file this account does not know
        entry.path = step.to;
        if (!IsKeptPath(step.to)) {
            moving[step.to] = std::move(entry);
            continue;
        }
        const auto it = at(step.to);
        if (it != files.end() && it->path == step.to)
            *it = std::move(entry);
        else
            files.insert(it, std::move(entry));
    }
    return std::is_sorted(files.begin(), files.end(),
                          [](const FileEntry& a, const FileEntry& b) { return a.path < b.path; });
}

void CHistoryRecorder::AfterCommit(const std::string& folder, bool committed) {
    WaitForBackground();
    if (!m_pending || m_pending->project != folder || !committed) {
        m_pending.reset();
        return;
    }
    Pending pending = std::move(*m_pending);
    m_pending.reset();
    const auto head = std::make_shared<Manifest>();
    std::string why;
    if (pending.filesAfterKnown) {
        head->files = std::move(pending.filesAfter);
    } else {
        KnownHashes known = HashesByIdentity(pending.version->files);
        for (const auto& [path, file] : pending.staged)
            known[IdentityOf(file)] = file.hash;
        if (!DescribeFiles(folder, known, head->files, why))
            return; // no head: the next save looks at the folder itself
    }
    head->usedSlots = std::move(pending.usedSlots);
    head->program = m_program;
    head->time = TimeNow();
    // The files the save wrote are known by identity from now on; the others were already.
    // Identities of files no longer there are harmless but take room: past a bound the hashes
    // are taken from the head alone.
    if (m_known.size() > 2 * head->files.size() + 64) {
        m_known = HashesByIdentity(head->files);
    } else {
        for (const auto& [path, file] : pending.staged)
            if (file.inode != 0)
                m_known[IdentityOf(file)] = file.hash;
    }
    m_knownHead = head; // what the store hands back once it is written
    // Writing the head and dropping old versions need nothing of the project: the save returns
    // while they are done (the next use of the store waits for them).
    auto finish = [this, folder, head] {
        const auto lock = m_store.Lock();
        if (!lock)
            return; // a head that cannot be written costs the next save a full look, no more
        if (m_store.WriteHead(folder, head))
            m_store.Prune(folder, m_retention);
    };
    if (FileSystem().AllowsParallelWork())
        m_background = std::thread(std::move(finish));
    else
        finish(); // a file system that counts its operations sees them in one order
}

void CHistoryRecorder::WaitForBackground() {
    if (m_background.joinable())
        m_background.join();
}

CHistoryRecorder::~CHistoryRecorder() {
    WaitForBackground();
}

CHistoryRecorder* InstallRecorder(CDomain& services, const std::string& historyFolder,
                                  const std::string& programVersion, Retention retention) {
    const std::string folder = historyFolder.empty() ? DefaultHistoryFolder() : historyFolder;
    if (folder.empty()) {
        services.SetSaveRecorder(nullptr);
        return nullptr;
    }
    auto recorder = std::make_unique<CHistoryRecorder>(folder, programVersion, retention);
    CHistoryRecorder* installed = recorder.get();
    services.SetSaveRecorder(std::move(recorder));
    return installed;
}

CHistoryRecorder* InstalledRecorder(CDomain& services) {
    return dynamic_cast<CHistoryRecorder*>(services.SaveRecorder());
}

} // namespace Corv::History
