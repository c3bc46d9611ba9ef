#include "library/catalogue.h"
#include "library/project_loader.h"
#include "model/file_system.h"
#include "storage/progress_bar.h"
#include "storage/project_document.h"

#include <ctime>
#include <set>
#include <utility>

namespace Corv::Library {

namespace {

// Projects loaded ahead of the one being written: enough that a slow project does not stall
// the writing, few enough that memory stays small.
constexpr std::size_t kLoadAhead = 2;

// Folders a walk never enters: hidden ones (the freedesktop trash, version control, caches)
// and the trash folders other systems leave on removable storage.
bool PassedOver(const std::string& name) {
    return name.empty() || name.front() == '.' || name == "$RECYCLE.BIN" || name == "RECYCLER" ||
           name == "Trash";
}

// The project folders under the roots, each once however many links lead to it; a folder
// reached again through a link is not entered again, so a loop ends.
struct Walk {
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen; // device and inode
    std::vector<std::string> projects;
    std::vector<std::string> skipped;
};

bool FirstVisit(Walk& walk, const FileStatus& status) {
    return walk.seen.insert({status.device, status.inode}).second;
}

void WalkRoot(const std::string& root, Walk& walk, CLumProgressBar& progress) {
    std::vector<std::string> pending{root};
    const FileStatus rootStatus = FileSystem().Status(root);
    FirstVisit(walk, rootStatus);
    std::vector<EntryStatus> entries;
    while (!pending.empty() && !progress.IsCancelled()) {
        const std::string folder = pending.back();
        pending.pop_back();
        entries.clear();
        if (!FileSystem().ListFolderStatus(folder, entries)) {
            walk.skipped.push_back(folder + ": cannot be listed");
            continue;
        }
        for (const EntryStatus& entry : entries) {
            const std::string path = folder + entry.name + "/";
            if (entry.status.type == FileType::Other) {
                walk.skipped.push_back(folder + entry.name + ": neither a file nor a folder");
                continue;
            }
            if (entry.status.type != FileType::Directory || PassedOver(entry.name) ||
                !FirstVisit(walk, entry.status))
                continue;
            // A folder reached through a link is walked and recorded under its real path (and
            // is a project when either name is a project's).
            const std::string real = entry.status.isLink ? CatalogueFolder(path) : path;
            if (IsProjectFolderName(path) || IsProjectFolderName(real))
                walk.projects.push_back(real);
            else
                pending.push_back(real);
        }
    }
}

bool InsertEntries(CDatabase& db, std::int64_t project, const std::vector<EntryRow>& rows) {
    CStatement insert(db, "INSERT INTO entries(project, kind, number, name, memos, name_text, "
                          "memos_text, search_name, search_memos, file, size, wave_bytes, "
                          "fingerprint, used) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const EntryRow& row : rows) {
        insert.Reset();
        insert.Bind(1, project).Bind(2, std::int64_t{row.kind}).Bind(3, std::int64_t{row.number});
        // The rows outlive the statement's runs: their texts are bound where they are.
        insert.BindBlobKept(4, row.name).BindBlobKept(5, row.memos);
        insert.BindKept(6, row.nameText).BindKept(7, row.memosText);
        insert.BindKept(8, row.searchName).BindKept(9, row.searchMemos);
        insert.BindKept(10, row.file).Bind(11, row.size).Bind(12, row.waveBytes);
        row.fingerprint.empty() ? insert.BindNull(13) : insert.BindKept(13, row.fingerprint);
        insert.Bind(14, std::int64_t{row.used ? 1 : 0});
        if (!insert.Run())
            return false;
    }
    // One statement for the project's search index (see the schema).
    CStatement index(db, "INSERT INTO entries_index(rowid, search_name, search_memos) SELECT id, "
                         "search_name, search_memos FROM entries WHERE project = ?");
    CStatement count(db, "INSERT INTO copies(fingerprint, count) SELECT fingerprint, COUNT(*) "
                         "FROM entries WHERE project = ? AND fingerprint IS NOT NULL GROUP BY "
                         "fingerprint ON CONFLICT(fingerprint) DO UPDATE SET count = count + "
                         "excluded.count");
    return index.Bind(1, project).Run() && count.Bind(1, project).Run();
}

} // namespace

bool CCatalogue::StoreProject(const LoadedProject& loaded) {
    // Everything of one project in one transaction: a reader sees it before or after, and two
    // scans of one project one after the other.
    CTransaction transaction(m_db);
    if (!transaction.Began())
        return false;
    CStatement add(m_db, "INSERT OR IGNORE INTO projects(path) VALUES (?)");
    CStatement find(m_db, "SELECT id FROM projects WHERE path = ?");
    if (!add.Bind(1, loaded.folder).Run() || !find.Bind(1, loaded.folder).Step())
        return false;
    const std::int64_t id = find.Int(0);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    if (loaded.outcome == ScanOutcome::Read) {
        const auto signature = static_cast<std::int64_t>(loaded.signature);
        CStatement clear(m_db, "DELETE FROM entries WHERE project = ?");
        CStatement update(m_db, "UPDATE projects SET signature = ?, state = 'ok', reason = '', "
                                "scanned = ? WHERE id = ?");
        if (!clear.Bind(1, id).Run() || !InsertEntries(m_db, id, loaded.entries) ||
            !update.Bind(1, signature).Bind(2, now).Bind(3, id).Run())
            return false;
    } else {
        // The entries of the last good read stay findable; the next scan reads it again.
        CStatement update(m_db, "UPDATE projects SET signature = NULL, state = 'failed', "
                                "reason = ?, scanned = ? WHERE id = ?");
        if (!update.Bind(1, loaded.why).Bind(2, now).Bind(3, id).Run())
            return false;
    }
    return transaction.Commit();
}

bool CCatalogue::MarkOffline(const std::string& folder) {
    CStatement mark(m_db, "UPDATE projects SET state = 'offline' WHERE path = ?");
    return mark.Bind(1, folder).Run();
}

ScanOutcome CCatalogue::Store(const LoadedProject& loaded, std::string& why) {
    switch (loaded.outcome) {
    case ScanOutcome::Offline:
        MarkOffline(loaded.folder);
        return ScanOutcome::Offline;
    case ScanOutcome::Unchanged:
        return ScanOutcome::Unchanged;
    case ScanOutcome::Failed:
        why = loaded.why;
        if (!StoreProject(loaded))
            why += "; " + m_db.Error();
        return ScanOutcome::Failed;
    case ScanOutcome::Read:
        break;
    }
    if (!StoreProject(loaded)) {
        why = "the catalogue cannot be written: " + m_db.Error();
        return ScanOutcome::Failed;
    }
    return ScanOutcome::Read;
}

KnownSignatures CCatalogue::SoundSignatures() {
    KnownSignatures known;
    CStatement read(m_db, "SELECT path, signature FROM projects WHERE state = 'ok' AND "
                          "signature IS NOT NULL");
    while (read.Step())
        known.emplace(read.Text(0), static_cast<std::uint64_t>(read.Int(1)));
    return known;
}

ScanOutcome CCatalogue::ScanProject(const std::string& given, bool full, std::string& why) {
    const std::string folder = CatalogueFolder(given);
    KnownSignatures known;
    if (!full) {
        CStatement read(m_db, "SELECT signature FROM projects WHERE path = ? AND state = 'ok' AND "
                              "signature IS NOT NULL");
        if (read.Bind(1, folder).Step())
            known.emplace(folder, static_cast<std::uint64_t>(read.Int(0)));
    }
    return Store(LoadProject(folder, known), why);
}

ScanReport CCatalogue::Scan(bool full, CLumProgressBar& progress) {
    ScanReport report;
    Walk walk;
    {
        CProgressScope looking(progress, 0, "Looking for projects", true);
        for (const std::string& root : Roots()) {
            if (FileSystem().IsDirectory(root))
                WalkRoot(CatalogueFolder(root), walk, progress);
            else
                walk.skipped.push_back(root + ": is not there");
        }
    }
    report.skipped = std::move(walk.skipped);
    // The projects found, and those known from before: gone ones are marked offline.
    std::set<std::string> found(walk.projects.begin(), walk.projects.end());
    for (std::string& known : KnownProjects())
        found.insert(std::move(known));
    std::vector<std::string> projects(found.begin(), found.end());
    CProgressScope scanning(progress, static_cast<int>(projects.size()), "Scanning the library",
                            true);
    // The next projects are listed, read and hashed on a thread of their own while this one
    // writes the last into the catalogue (whose connection stays on this thread). Cancelling
    // stops the loader after the project it is reading.
    CProjectLoader loader(projects, full ? KnownSignatures{} : SoundSignatures(), kLoadAhead);
    int position = 0;
    for (const std::string& folder : projects) {
        if (progress.IsCancelled()) {
            report.cancelled = true;
            break;
        }
        progress.SetText(folder);
        const std::optional<LoadedProject> loaded = loader.Next();
        if (!loaded)
            break;
        std::string why;
        switch (Store(*loaded, why)) {
        case ScanOutcome::Read:
            ++report.read;
            break;
        case ScanOutcome::Unchanged:
            ++report.unchanged;
            break;
        case ScanOutcome::Failed:
            report.failures.push_back(folder + ": " + why);
            break;
        case ScanOutcome::Offline:
            ++report.offline;
            break;
        }
        progress.SetPosition(++position);
    }
    return report;
}

} // namespace Corv::Library
