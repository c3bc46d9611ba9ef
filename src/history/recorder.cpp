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

void CHistoryRecorder::BeforeStaging(const std::string& folder, const CSavePlan& plan) {
    WaitForBackground();
    m_earlyStored.clear();
    m_earlyFailed = false;
    m_earlyFolder = folder;
    std::vector<std::string> paths;
    for (const std::string& path : ReplacedPaths(plan))
        if (IsKeptPath(path))
            paths.push_back(path);
    if (paths.empty())
        return;
    // The bytes the save will take away are kept while it writes its own files: the syncs of
    // both overlap. What is kept here is checked against the folder's description before the
    // version is written; a file kept here that changed after is simply kept again then.
    auto keep = [this, folder, paths = std::move(paths)] {
        // A history another program holds now is not waited for here: the version, which
        // waits for it, keeps the files then.
        const auto lock = m_store.Lock(0);
        if (!lock)
            return;
        std::vector<CHistoryStore::FileObject> files;
        for (const std::string& path : paths)
            if (FileSystem().Status(folder + path).type == FileType::Regular)
                files.push_back({folder + path, {}, 0, false, {}});
        // What could not be kept here is kept when the version is written, or said then; an
        // object put in place whose folder could not be synced is synced then.
        m_earlyFailed = !m_store.PutFileObjects(files);
        for (const CHistoryStore::FileObject& object : files)
            if (object.added && object.why.empty())
                m_earlyStored.emplace(object.hash, object.size);
    };
    if (FileSystem().AllowsParallelWork())
        m_early = std::thread(std::move(keep));
    else
        keep();
}

void CHistoryRecorder::VouchFor(const std::string& folder, const std::vector<FileEntry>& files) {
    m_vouched.clear();
    for (const FileEntry& file : files) {
        const FileStatus status = FileSystem().Status(folder + file.path);
        if (status.type == FileType::Regular && status.inode != 0 && status.size == file.size)
            m_vouched.emplace(FileIdentity{status.inode, status.size, status.modified}, file.hash);
    }
}

bool CHistoryRecorder::BeforeCommit(const std::string& folder, const CSavePlan& plan,
                                    const CLumData& data, const FolderEntries* listed,
                                    std::string& why) {
    m_pending.reset();
    m_lastVersion = 0;
    // A save that changes no file leaves nothing to take back.
    const bool recorded = plan.steps.empty() || Record(folder, plan, data, listed, why);
    m_nextNote.clear();
    m_vouched.clear();
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
    if (m_headFilesOf != headRead) {
        m_headFiles = IndexFiles(head.files);
        m_headFilesOf = headRead;
    }
    bool same = haveHead && listed != nullptr && ListingMatches(*listed, m_headFiles);
    if (!same) {
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
    // The folder before the save: the head when it still describes it (the version then shares
    // its files and slots, and has only a header of its own), else what was looked at now.
    if (same)
        version.files.clear();
    else if (!ReadSlots(folder, version.files, version.usedSlots, why))
        return false;
    const std::shared_ptr<const Manifest> before = same ? headRead : written;
    // The objects kept while the save staged count as this version's when it needs them.
    if (m_earlyFolder == folder)
        for (const FileEntry& file : before->files)
            if (const auto kept = m_earlyStored.find(file.hash); kept != m_earlyStored.end()) {
                version.storedBytes += kept->second;
                m_earlyStored.erase(kept);
            }
    m_earlyStored.clear();
    // The bytes the save takes away are kept; what stays in the folder is not copied.
    if (!KeepReplaced(folder, replaced, before->files, version.storedBytes, why))
        return false;
    // The staged files are what the folder will hold: hashed now (side by side: a restore or a
    // big import stages thousands), found by identity after.
    Pending pending;
    pending.project = folder;
    pending.steps = plan.steps;
    pending.before = before;
    std::vector<std::string> newFiles;
    for (const CommitStep& step : plan.steps)
        if (step.kind == CommitStep::Kind::Place && before->File(step.from) == nullptr)
            newFiles.push_back(step.from);
    // A staged file that is a plain copy of a file whose hash is known (a file of the folder,
    // or one the caller vouched for) has that hash: it is not read again.
    std::map<std::string, const StagedFile*, std::less<>> stagedByPath;
    for (const StagedFile& file : plan.staged)
        if (!file.source.empty() && file.area.empty())
            stagedByPath.emplace(file.destination, &file);
    const auto knownHash = [&](const std::string& staged,
                               std::uint64_t size) -> const std::string* {
        const auto copy = stagedByPath.find(staged);
        if (copy == stagedByPath.end())
            return nullptr;
        const FileStatus source = FileSystem().Status(copy->second->source);
        if (source.type != FileType::Regular || source.inode == 0 || source.size != size)
            return nullptr;
        const FileIdentity identity{source.inode, source.size, source.modified};
        for (const KnownHashes* hashes : {&m_known, &m_vouched})
            if (const auto found = hashes->find(identity); found != hashes->end())
                return &found->second;
        return nullptr;
    };
    std::vector<std::optional<FileEntry>> stagedEntries(newFiles.size());
    RunSideBySide(
        newFiles.size(),
        [&](std::size_t i) {
            const std::string& path = newFiles[i];
            const FileStatus status = FileSystem().Status(folder + path);
            if (status.inode == 0 || status.type != FileType::Regular)
                return true;
            if (const std::string* hash = knownHash(folder + path, status.size)) {
                stagedEntries[i] =
                    FileEntry{path, status.size, *hash, status.modified, status.inode};
                return true;
            }
            std::string bytes;
            if (ReadWholeFile(folder + path, bytes))
                stagedEntries[i] =
                    FileEntry{path, bytes.size(), HashHex(bytes), status.modified, status.inode};
            return true;
        },
        16);
    for (std::optional<FileEntry>& entry : stagedEntries)
        if (entry)
            pending.staged[entry->path] = std::move(*entry);
    // The file entry of an absolute path in the folder before the save, or null.
    const auto fileBefore = [&](const std::string& path) -> const FileEntry* {
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
            return nullptr;
        return before->File(std::string_view(path).substr(folder.size()));
    };
    const auto waveHash = [&](const std::string& path) {
        if (const FileEntry* file = fileBefore(path))
            return file->hash;
        std::string bytes;
        return ReadWholeFile(path, bytes) ? HashHex(bytes) : std::string();
    };
    // What the save changes follows from the folder before and the steps; a save whose steps
    // this account cannot follow has its slots worked out from the whole project.
    PlacedFiles placed;
    std::vector<std::string> vacated;
    pending.followed = StepsOnFiles(pending, placed, vacated);
    if (pending.followed) {
        pending.changes =
            SlotChangesOfSave(data, plan.slotPaths, folder, *before, placed, waveHash);
        version.summary = ChangeSummary(before->usedSlots, pending.changes);
        pending.changes.goneFiles = std::move(vacated);
        for (auto& [path, file] : placed)
            pending.changes.files.push_back(std::move(file.file));
    } else {
        const auto sizeOf = [&](const std::string& path) {
            const FileEntry* file = fileBefore(path);
            return file != nullptr ? file->size : FileSystem().Status(path).size;
        };
        pending.usedSlots = SlotsOf(data, plan.slotPaths, folder, waveHash, sizeOf);
        version.summary = ChangeSummary(before->usedSlots, pending.usedSlots);
    }
    version.time = TimeNow();
    version.program = m_program;
    version.note = m_nextNote;
    if (!m_store.WriteVersion(folder, written, same ? headRead.get() : nullptr)) {
        why = LastFileError().Empty() ? "the history cannot be written" : LastFileError().Text();
        return false;
    }
    m_lastVersion = version.id;
    m_pending = std::move(pending);
    return true;
}

bool CHistoryRecorder::KeepReplaced(const std::string& folder,
                                    const std::set<std::string>& replaced,
                                    const std::vector<FileEntry>& files, std::uint64_t& storedBytes,
                                    std::string& why) {
    std::vector<CHistoryStore::FileObject> fresh;
    std::set<std::string> hashes;
    for (const FileEntry& file : files)
        if (replaced.count(file.path) > 0 && !m_store.HasObject(file.hash) &&
            hashes.insert(file.hash).second)
            fresh.push_back({folder + file.path, file.hash, 0, false, {}});
    bool kept = m_store.PutFileObjects(fresh);
    if (kept && m_earlyFailed) {
        std::set<std::string> all;
        for (const FileEntry& file : files)
            if (replaced.count(file.path) > 0)
                all.insert(file.hash);
        kept = m_store.SyncObjectFolders(all);
    }
    for (const CHistoryStore::FileObject& object : fresh) {
        if (!object.why.empty()) {
            why = object.why;
            return false;
        }
        storedBytes += object.added ? object.size : 0;
    }
    if (!kept)
        why = "the history cannot be written";
    return kept;
}

bool CHistoryRecorder::StepsOnFiles(const Pending& pending, PlacedFiles& placed,
                                    std::vector<std::string>& vacated) {
    // The steps are few, the files many: only the paths the steps touch are followed, each
    // with the file it holds so far (none: the step took it away).
    std::map<std::string, std::optional<PlacedFile>, std::less<>> now;
    for (const CommitStep& step : pending.steps) {
        std::optional<PlacedFile> entry;
        if (const auto it = now.find(step.from); it != now.end())
            entry = std::move(it->second);
        else if (const FileEntry* file = pending.before->File(step.from))
            entry = PlacedFile{*file, file->path};
        else if (const auto staged = pending.staged.find(step.from);
                 step.kind == CommitStep::Kind::Place && staged != pending.staged.end())
            entry = PlacedFile{staged->second, {}};
        now[step.from] = std::nullopt;
        if (step.kind != CommitStep::Kind::Aside && step.kind != CommitStep::Kind::Place)
            continue;
        if (!entry)
            return false; // a file this account does not know
        entry->file.path = step.to;
        now[step.to] = std::move(entry);
    }
    for (auto& [path, entry] : now) {
        if (!IsKeptPath(path))
            continue;
        if (entry)
            placed.emplace(path, std::move(*entry));
        else if (pending.before->File(path) != nullptr)
            vacated.push_back(path);
    }
    return true;
}

void CHistoryRecorder::AfterCommit(const std::string& folder, bool committed) {
    WaitForBackground();
    if (!m_pending || m_pending->project != folder || !committed) {
        m_pending.reset();
        return;
    }
    auto pending = std::make_shared<Pending>(std::move(*m_pending));
    m_pending.reset();
    const auto head = std::make_shared<Manifest>();
    if (!pending->followed) {
        // Steps this account could not follow: the folder is looked at as it is now.
        KnownHashes known = HashesByIdentity(pending->before->files);
        for (const auto& [path, file] : pending->staged)
            known[IdentityOf(file)] = file.hash;
        std::string why;
        if (!DescribeFiles(folder, known, head->files, why))
            return; // no head: the next save looks at the folder itself
        head->usedSlots = std::move(pending->usedSlots);
    }
    head->program = m_program;
    head->time = TimeNow();
    m_knownHead = head; // what the store hands back once it is written
    // The head, the hashes by identity kept for the next save, writing the head and dropping
    // old versions need nothing of the project: the save returns while they are done (the next
    // use of the store waits for them).
    auto finish = [this, folder, head, pending] {
        if (pending->followed) {
            // The head before is taken apart for the head after when nothing else holds it
            // (it is as big as the project; copying it was most of this work).
            m_headFiles = {};
            m_headFilesOf.reset();
            m_store.ReleaseHead(folder, pending->before.get());
            std::shared_ptr<const Manifest> before = std::move(pending->before);
            Manifest after =
                before.use_count() == 1
                    ? Resolved(std::move(const_cast<Manifest&>(*before)), pending->changes)
                    : Resolved(*before, pending->changes);
            head->files = std::move(after.files);
            head->usedSlots = std::move(after.usedSlots);
        }
        // The files the save wrote are known by identity from now on; the others were
        // already. Identities of files no longer there are harmless but take room: past a
        // bound the hashes are taken from the head alone.
        if (m_known.size() > 2 * head->files.size() + 64) {
            m_known = HashesByIdentity(head->files);
        } else {
            for (const auto& [path, file] : pending->staged)
                if (file.inode != 0)
                    m_known[IdentityOf(file)] = file.hash;
        }
        m_headFiles = IndexFiles(head->files); // for the next save's look at the folder
        m_headFilesOf = head;
        const auto lock = m_store.Lock();
        if (!lock)
            return; // a head that cannot be written costs the next save a full look, no more
        if (m_store.WriteHead(folder, head))
            m_store.Prune(folder, m_retention);
        m_store.PrepareVersion(folder);
        // The small objects the save kept in one pack become files of their own now that the
        // save has returned (a pack left by an interruption is taken apart the same way).
        m_store.UnpackObjects();
    };
    if (FileSystem().AllowsParallelWork())
        m_background = std::thread(std::move(finish));
    else
        finish(); // a file system that counts its operations sees them in one order
}

void CHistoryRecorder::WaitForBackground() {
    if (m_background.joinable())
        m_background.join();
    if (m_early.joinable())
        m_early.join();
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
