#pragma once

#include "library/sqlite.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corv {
class CLumProgressBar;
class CLumData;
class CFolderSignature;
struct ProjectFingerprints;
} // namespace Corv

namespace Corv::Library {

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
    bool Prepare(std::string& error);
    bool Migrate(std::string& error);
    bool Rebuild(std::string& error);
    bool StoreProject(const std::string& folder, const CFolderSignature* listing,
                      const CLumData* data, const ProjectFingerprints* prints,
                      const std::string& why);
    bool MarkOffline(const std::string& folder);
    std::vector<std::string> KnownProjects();
    std::vector<CatalogueEntry> ReadEntries(CStatement& statement);

    CDatabase m_db;
    std::string m_path;
    std::string m_setAside;
};

// The folder form the catalogue keeps: absolute, "/" separators, ending in "/".
std::string CatalogueFolder(const std::string& folder);

} // namespace Corv::Library
