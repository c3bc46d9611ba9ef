#include "edit/fingerprint.h"
#include "library/catalogue.h"
#include "library/search_text.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "model/text_encoding.h"
#include "storage/folder_signature.h"
#include "storage/progress_bar.h"
#include "storage/project_document.h"

#include <ctime>
#include <set>
#include <utility>

namespace Corv::Library {

namespace {

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

// The size of a file of the project as the listing taken before the load found it; a file
// outside the folder (which a load never gives) is asked for its status.
std::int64_t SizeOf(const std::string& folder, const CFolderSignature& listing,
                    const std::string& path) {
    if (path.compare(0, folder.size(), folder) == 0)
        return static_cast<std::int64_t>(
            listing.ListedSize(std::string_view(path).substr(folder.size())));
    const FileStatus status = FileSystem().Status(path);
    return status.type == FileType::Regular ? static_cast<std::int64_t>(status.size) : 0;
}

// The wave bytes each used entry stands on: a wave its file's, a tone those of the waves it
// names, a patch those of the waves of its tones (each wave counted once).
std::array<std::vector<std::int64_t>, 3> WaveBytes(const CLumData& data, const std::string& folder,
                                                   const CFolderSignature& listing) {
    std::array<std::vector<std::int64_t>, 3> bytes;
    const std::size_t waves = data.Waves().Size();
    bytes[kWaveKind].resize(waves);
    for (std::size_t i = 0; i < waves; ++i)
        if (!data.Waves()[i].IsEmpty())
            bytes[kWaveKind][i] = SizeOf(folder, listing, data.Waves()[i].FilePath());
    auto wavesOfTone = [&](std::size_t tone, std::set<int>& into) {
        for (const int n : data.Tones()[tone].ReferencedWaves())
            if (n >= 1 && static_cast<std::size_t>(n) <= waves)
                into.insert(n);
    };
    auto sum = [&](const std::set<int>& numbers) {
        std::int64_t total = 0;
        for (const int n : numbers)
            total += bytes[kWaveKind][static_cast<std::size_t>(n - 1)];
        return total;
    };
    bytes[kToneKind].resize(data.Tones().Size());
    for (std::size_t i = 0; i < data.Tones().Size(); ++i) {
        std::set<int> numbers;
        wavesOfTone(i, numbers);
        bytes[kToneKind][i] = sum(numbers);
    }
    bytes[kPatchKind].resize(data.Patches().Size());
    for (std::size_t i = 0; i < data.Patches().Size(); ++i) {
        std::set<int> numbers;
        for (const int t : data.Patches()[i].ReferencedTones())
            if (t >= 1 && static_cast<std::size_t>(t) <= data.Tones().Size())
                wavesOfTone(static_cast<std::size_t>(t - 1), numbers);
        bytes[kPatchKind][i] = sum(numbers);
    }
    return bytes;
}

std::string JoinedMemos(const CParameter& record) {
    // A memo holds no line break (the memo files keep one memo a line), so one joins them.
    return record.Memo(1) + "\n" + record.Memo(2) + "\n" + record.Memo(3) + "\n" + record.Memo(4);
}

// Which entries something uses: a tone that a used patch names, a wave that a used tone names;
// every used patch counts as used.
std::array<std::vector<bool>, 3> UsedEntries(const CLumData& data) {
    std::array<std::vector<bool>, 3> used;
    for (const int kind : {kPatchKind, kToneKind, kWaveKind})
        used[static_cast<std::size_t>(kind)].assign(data.Records(kind).Size(), kind == kPatchKind);
    const auto mark = [&](int kind, int number) {
        std::vector<bool>& marks = used[static_cast<std::size_t>(kind)];
        if (number >= 1 && static_cast<std::size_t>(number) <= marks.size())
            marks[static_cast<std::size_t>(number - 1)] = true;
    };
    for (std::size_t i = 0; i < data.Patches().Size(); ++i)
        if (!data.Patches()[i].IsEmpty())
            for (const int tone : data.Patches()[i].ToneNumbers())
                mark(kToneKind, tone);
    for (std::size_t i = 0; i < data.Tones().Size(); ++i)
        if (!data.Tones()[i].IsEmpty())
            for (const int wave : data.Tones()[i].WaveNumbers())
                mark(kWaveKind, wave);
    return used;
}

bool InsertEntries(CDatabase& db, std::int64_t project, const std::string& folder,
                   const CFolderSignature& listing, const CLumData& data,
                   const ProjectFingerprints& prints) {
    CStatement insert(db, "INSERT INTO entries(project, kind, number, name, memos, name_text, "
                          "memos_text, search_name, search_memos, file, size, wave_bytes, "
                          "fingerprint, used) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const std::array<std::vector<std::int64_t>, 3> waveBytes = WaveBytes(data, folder, listing);
    const std::array<std::vector<bool>, 3> used = UsedEntries(data);
    for (const int kind : {kPatchKind, kToneKind, kWaveKind}) {
        const CParameterArray& records = data.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const CParameter& record = records.Item(i);
            if (record.IsEmpty())
                continue;
            const std::string memos = JoinedMemos(record);
            const std::string nameText = CodePageToUtf8(record.Name());
            const std::string memosText = CodePageToUtf8(memos);
            insert.Reset();
            insert.Bind(1, project).Bind(2, std::int64_t{kind});
            insert.Bind(3, static_cast<std::int64_t>(i + 1));
            insert.BindBlob(4, record.Name()).BindBlob(5, memos);
            insert.Bind(6, nameText).Bind(7, memosText);
            insert.Bind(8, SearchText(nameText)).Bind(9, SearchText(memosText));
            insert.Bind(10, record.FilePath()).Bind(11, SizeOf(folder, listing, record.FilePath()));
            insert.Bind(12, waveBytes[static_cast<std::size_t>(kind)][i]);
            const std::optional<Fingerprint>& print = prints.Of(kind, static_cast<int>(i));
            print ? insert.Bind(13, print->Hex()) : insert.BindNull(13);
            insert.Bind(14, std::int64_t{used[static_cast<std::size_t>(kind)][i] ? 1 : 0});
            if (!insert.Run())
                return false;
        }
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

bool CCatalogue::StoreProject(const std::string& folder, const CFolderSignature* listing,
                              const CLumData* data, const ProjectFingerprints* prints,
                              const std::string& why) {
    // Everything of one project in one transaction: a reader sees it before or after, and two
    // scans of one project one after the other.
    CTransaction transaction(m_db);
    if (!transaction.Began())
        return false;
    CStatement add(m_db, "INSERT OR IGNORE INTO projects(path) VALUES (?)");
    CStatement find(m_db, "SELECT id FROM projects WHERE path = ?");
    if (!add.Bind(1, folder).Run() || !find.Bind(1, folder).Step())
        return false;
    const std::int64_t id = find.Int(0);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    if (data != nullptr && listing != nullptr) {
        const auto signature = static_cast<std::int64_t>(listing->Value());
        CStatement clear(m_db, "DELETE FROM entries WHERE project = ?");
        CStatement update(m_db, "UPDATE projects SET signature = ?, state = 'ok', reason = '', "
                                "scanned = ? WHERE id = ?");
        if (!clear.Bind(1, id).Run() ||
            !InsertEntries(m_db, id, folder, *listing, *data, *prints) ||
            !update.Bind(1, signature).Bind(2, now).Bind(3, id).Run())
            return false;
    } else {
        // The entries of the last good read stay findable; the next scan reads it again.
        CStatement update(m_db, "UPDATE projects SET signature = NULL, state = 'failed', "
                                "reason = ?, scanned = ? WHERE id = ?");
        if (!update.Bind(1, why).Bind(2, now).Bind(3, id).Run())
            return false;
    }
    return transaction.Commit();
}

bool CCatalogue::MarkOffline(const std::string& folder) {
    CStatement mark(m_db, "UPDATE projects SET state = 'offline' WHERE path = ?");
    return mark.Bind(1, folder).Run();
}

ScanOutcome CCatalogue::ScanProject(const std::string& given, bool full, std::string& why) {
    const std::string folder = CatalogueFolder(given);
    if (!FileSystem().IsDirectory(folder)) {
        MarkOffline(folder);
        return ScanOutcome::Offline;
    }
    // Listed before the files are read: a change made while they are read shows at the next
    // scan. The listing gives the files' sizes too.
    CFolderSignature listing;
    listing.Read(folder);
    const std::uint64_t signature = listing.Value();
    if (!full) {
        CStatement known(m_db, "SELECT signature, state FROM projects WHERE path = ?");
        if (known.Bind(1, folder).Step() && !known.IsNull(0) && known.Text(1) == "ok" &&
            static_cast<std::uint64_t>(known.Int(0)) == signature)
            return ScanOutcome::Unchanged;
    }
    CProjectDocument document;
    // Each wave is hashed as the load opens it: every file of the project is read once.
    std::vector<std::optional<Fingerprint>> waves(static_cast<std::size_t>(SlotCount(kWaveKind)));
    document.SetWaveReader([&waves](std::size_t slot, IFile& file) {
        if (slot < waves.size())
            waves[slot] = FileFingerprint(file);
    });
    if (!document.ReadProject(folder, why)) {
        if (!StoreProject(folder, nullptr, nullptr, nullptr, why))
            why += "; " + m_db.Error();
        return ScanOutcome::Failed;
    }
    const ProjectFingerprints prints = FingerprintProject(document.Data(), std::move(waves));
    if (!StoreProject(folder, &listing, &document.Data(), &prints, {})) {
        why = "the catalogue cannot be written: " + m_db.Error();
        return ScanOutcome::Failed;
    }
    return ScanOutcome::Read;
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
    std::set<std::string> projects(walk.projects.begin(), walk.projects.end());
    for (std::string& known : KnownProjects())
        projects.insert(std::move(known));
    CProgressScope scanning(progress, static_cast<int>(projects.size()), "Scanning the library",
                            true);
    int position = 0;
    for (const std::string& folder : projects) {
        if (progress.IsCancelled()) {
            report.cancelled = true;
            break;
        }
        progress.SetText(folder);
        std::string why;
        switch (ScanProject(folder, full, why)) {
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
