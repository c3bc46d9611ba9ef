#pragma once

#include "library/sqlite.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Corv {
class CLumProgressBar;
} // namespace Corv

namespace Corv::Library {

struct LoadedProject;

// The catalogue file in a data folder ("/" separators, ending in "/").
std::string CatalogueFileIn(const std::string& dataFolder);
// The catalogue file the command-line tool uses without --library: CORVANE_LIBRARY when it is
// set, else library.sqlite3 in the program's data folder (XDG_DATA_HOME, or ~/.local/share,
// then "Brisko/Corvane Librarian/"), the folder the desktop program keeps its work folder in.
std::string DefaultCatalogueFile();

// What a scan did: projects read, found unchanged, that failed (with why), gone offline, and
// the folders it passed over (with why).
struct ScanReport {
    int read = 0;
    int unchanged = 0;
    int offline = 0;
    std::vector<std::string> failures; // "FOLDER: WHY"
    std::vector<std::string> skipped;  // "FOLDER: WHY"
    bool cancelled = false;
};

// How one project fared in a scan.
enum class ScanOutcome { Read, Unchanged, Failed, Offline };

// One entry as searches and duplicate groups give it; texts are UTF-8.
struct CatalogueEntry {
    std::string project;
    int kind = 0;
    int number = 0;
    std::string name;
    std::array<std::string, 4> memos;
    std::vector<std::string> tags;
    bool favourite = false;
    int copies = 1; // entries with the same fingerprint in the catalogue, this one included
    bool offline = false;
    std::string fingerprint; // empty for a wave whose file could not be read
    std::int64_t waveBytes = 0;
};

// A search: words that names or memos hold as words or word beginnings (all of them; empty
// for every entry), and filters.
struct SearchQuery {
    std::string text;
    std::optional<int> kind;
    std::string tag;
    std::string project; // a project folder; empty for all
    bool favourites = false;
    int limit = 0; // 0: every result
    // Only entries something uses (true) or nothing uses (false): a tone no patch names, a wave
    // no tone names; patches always count as used.
    std::optional<bool> used;
    // Only entries whose sound is also somewhere else (in this project or another).
    bool duplicated = false;
};

struct SearchResult {
    std::vector<CatalogueEntry> entries; // best matches first
    int total = 0;                       // before the limit
};

// Entries with one fingerprint in more than one place; `bytes` are the wave bytes the copies
// beyond the first take.
struct DuplicateGroup {
    int kind = 0;
    std::string fingerprint;
    std::int64_t bytes = 0;
    std::vector<CatalogueEntry> entries;
};

// A catalogued project: its folder, whether it is there, and why it could not be read.
struct CatalogueProject {
    std::string folder;
    std::string state; // "ok", "failed" or "offline"
    std::string reason;
};

// What a full check of the catalogue came to.
enum class CheckOutcome {
    Sound,   // nothing wrong
    Rebuilt, // damage was found; the file was set aside and a new catalogue made
    Failed,  // the catalogue could not be opened, or was damaged and could not be rebuilt
};

struct CatalogueStats {
    int projects = 0;
    int offline = 0;
    int entries = 0;
    int tags = 0;
};

// The catalogue of every project under the folders the user added: one SQLite file, opened by
// the desktop program and the command-line tool at once (WAL, a busy timeout, writes in short
// immediate transactions). It is a cache of the project folders, which it only reads, plus the
// tags and favourites, which are kept by fingerprint and exported beside the file after every
// change so that a catalogue built anew gets them back.
class CCatalogue {
public:
    CCatalogue() = default;
    // Closes the catalogue cleanly: the mark of this use goes.
    ~CCatalogue();
    CCatalogue(const CCatalogue&) = delete;
    CCatalogue& operator=(const CCatalogue&) = delete;

    // Opens or creates the catalogue and brings its schema up to date. A file that is not a
    // sound catalogue is renamed beside itself (never deleted) and a new one is made with the
    // roots and tags of the last export (`Rebuilt()`, `SetAside()`). False with `error` set
    // when no catalogue can be had at the path.
    bool Open(const std::string& path, std::string& error);
    const std::string& Path() const { return m_path; }
    // True when Open set a broken catalogue aside; `SetAside()` is where it went.
    bool Rebuilt() const { return !m_setAside.empty(); }
    const std::string& SetAside() const { return m_setAside; }
    // The export of roots, tags and favourites kept beside the catalogue.
    std::string ExportFile() const { return m_path + ".tags.json"; }

    // Each open catalogue leaves a mark beside the file (PATH.open-PID-N) that its process
    // holds locked and removes when it closes. A mark that nobody holds any more was left by a
    // process that ended without closing: the catalogue should have a full check.
    bool NeedsCheck() const;
    // Runs SQLite's full integrity check on this connection: empty when the catalogue is sound,
    // else what is wrong. Slow on a large catalogue; run it on a connection of its own.
    std::string CheckIntegrity();
    // Sets a damaged catalogue aside and makes a new one with the roots and tags of the export,
    // as Open does with a file that is not a catalogue. Refused (false, `error` set) while
    // another process has the catalogue open.
    bool RebuildDamaged(std::string& error);
    // Removes the marks of processes that ended without closing (after a check).
    void ClearStaleMarks() const;

    // Roots: absolute folders. Adding one that is there is no error.
    bool AddRoot(const std::string& folder);
    // Removes a root and forgets the projects under it that no other root holds, or forgets a
    // single project. False when the folder is neither.
    bool Remove(const std::string& folder);
    std::vector<std::string> Roots();

    // Finds every project under the roots and brings the catalogue up to date with them: a
    // project whose listing is unchanged is not read (unless `full`), a missing one is marked
    // offline, one that fails to load is marked failed with why. Reports on `progress`.
    ScanReport Scan(bool full, CLumProgressBar& progress);
    // Reads one project folder into the catalogue (also one under no root, as the desktop
    // program does for what it opens or saves); `why` is set when it fails to load.
    ScanOutcome ScanProject(const std::string& folder, bool full, std::string& why);

    SearchResult Search(const SearchQuery& query);
    std::vector<DuplicateGroup> Duplicates(std::optional<int> kind);
    CatalogueStats Stats();
    // Every catalogued project, by folder; every tag given to some sound, in order.
    std::vector<CatalogueProject> Projects();
    std::vector<std::string> TagNames();

    // The fingerprint of a used entry of a catalogued project; nothing when there is none.
    std::optional<std::string> FingerprintOf(const std::string& project, int kind, int number);
    // Tags and favourites by fingerprint; each change rewrites the export file.
    bool SetTag(const std::string& fingerprint, const std::string& tag, bool on);
    bool SetFavourite(const std::string& fingerprint, bool on);
    // Roots, tags and favourites as JSON, and back: import adds to what is there.
    std::string ExportJson();
    bool ImportJson(const std::string& json, std::string& error);
    bool WriteExportFile();

    CDatabase& Database() { return m_db; }

private:
    void Mark();
    void Unmark();
    bool UsedElsewhere() const;
    bool Prepare(std::string& error);
    bool Migrate(std::string& error);
    bool Rebuild(std::string& error);
    // Writes what a load found into the catalogue; `why` is set when the project failed.
    ScanOutcome Store(const LoadedProject& loaded, std::string& why);
    bool StoreProject(const LoadedProject& loaded);
    // Signatures of the projects last read whole, by folder.
    std::map<std::string, std::uint64_t> SoundSignatures();
    bool MarkOffline(const std::string& folder);
    std::vector<std::string> KnownProjects();
    std::vector<CatalogueEntry> ReadEntries(CStatement& statement);
    void AddTags(std::vector<CatalogueEntry>& entries);

    CDatabase m_db;
    std::string m_path;
    std::string m_setAside;
    std::string m_mark; // the mark of this use, held locked through m_markFd
    int m_markFd = -1;
};

// Checks the catalogue at `path` on a connection of its own (so from any thread) and rebuilds
// it when it is damaged; the marks of unclean exits go once it is sound again. `message` says
// what was found and done. After `Rebuilt` every other connection of this process to the
// catalogue still reads the file set aside: open them again.
CheckOutcome CheckCatalogue(const std::string& path, std::string& message);

// The folder form the catalogue keeps: absolute, "/" separators, ending in "/".
std::string CatalogueFolder(const std::string& folder);

} // namespace Corv::Library
