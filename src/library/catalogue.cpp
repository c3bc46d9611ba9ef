#include "library/catalogue.h"

#include "storage/data_folder.h"
#include "storage/lum_file_document.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace Corv::Library {

namespace {

// Each step brings the schema from the version before it to its own number; a new version
// appends a step and never changes an old one.
const char* const kMigrations[] = {
    R"sql(
CREATE TABLE roots(
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE);
CREATE TABLE projects(
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE,
    signature INTEGER,
    state TEXT NOT NULL DEFAULT 'ok' CHECK(state IN ('ok', 'failed', 'offline')),
    reason TEXT NOT NULL DEFAULT '',
    scanned INTEGER NOT NULL DEFAULT 0);
CREATE TABLE entries(
    id INTEGER PRIMARY KEY,
    project INTEGER NOT NULL REFERENCES projects(id) ON DELETE CASCADE,
    kind INTEGER NOT NULL,
    number INTEGER NOT NULL,
    name BLOB NOT NULL,
    memos BLOB NOT NULL,
    name_text TEXT NOT NULL,
    memos_text TEXT NOT NULL,
    search_name TEXT NOT NULL,
    search_memos TEXT NOT NULL,
    file TEXT NOT NULL,
    size INTEGER NOT NULL,
    wave_bytes INTEGER NOT NULL,
    fingerprint TEXT,
    UNIQUE(project, kind, number));
CREATE INDEX entries_by_fingerprint ON entries(fingerprint);
CREATE VIRTUAL TABLE entries_index USING fts5(
    search_name, search_memos, content='entries', content_rowid='id',
    tokenize='unicode61 remove_diacritics 2', prefix='1 2 3');
CREATE TRIGGER entries_indexed AFTER INSERT ON entries BEGIN
    INSERT INTO entries_index(rowid, search_name, search_memos)
        VALUES (new.id, new.search_name, new.search_memos);
END;
CREATE TRIGGER entries_unindexed AFTER DELETE ON entries BEGIN
    INSERT INTO entries_index(entries_index, rowid, search_name, search_memos)
        VALUES ('delete', old.id, old.search_name, old.search_memos);
END;
CREATE TABLE tags(
    fingerprint TEXT NOT NULL,
    tag TEXT NOT NULL,
    PRIMARY KEY(fingerprint, tag)) WITHOUT ROWID;
CREATE TABLE favourites(
    fingerprint TEXT PRIMARY KEY) WITHOUT ROWID;
)sql",
    // Whether an entry is used: a tone by a patch, a wave by a tone (a patch always is). Every
    // project is read again at the next scan to learn it.
    R"sql(
ALTER TABLE entries ADD COLUMN used INTEGER NOT NULL DEFAULT 1;
UPDATE projects SET signature = NULL;
)sql",
    // The scan puts a project's entries into the search index with one statement after
    // inserting them: an index insert per row from a trigger costs many times more.
    R"sql(
DROP TRIGGER entries_indexed;
)sql",
    // How many entries hold each fingerprint, for the copies a search shows: counting them in
    // the index for every row a search returns costs a step per copy. The scan adds a
    // project's counts after inserting its entries; a deleted entry takes itself off.
    R"sql(
CREATE TABLE copies(
    fingerprint TEXT PRIMARY KEY,
    count INTEGER NOT NULL) WITHOUT ROWID;
INSERT INTO copies(fingerprint, count)
    SELECT fingerprint, COUNT(*) FROM entries WHERE fingerprint IS NOT NULL GROUP BY fingerprint;
CREATE TRIGGER entries_uncounted AFTER DELETE ON entries WHEN old.fingerprint IS NOT NULL BEGIN
    UPDATE copies SET count = count - 1 WHERE fingerprint = old.fingerprint;
    DELETE FROM copies WHERE fingerprint = old.fingerprint AND count <= 0;
END;
)sql",
};

constexpr int kSchemaVersion = static_cast<int>(std::size(kMigrations));

// Milliseconds a connection waits for another's write to end (a project's transaction is
// short; a whole scan is many of them).
constexpr int kBusyTimeout = 10000;

// KiB of pages a connection keeps in memory. A project's entries go into the fingerprint index
// all over it (fingerprints are random), so with SQLite's default 2 MiB a scan of many projects
// reads back and writes again most of that index for every project; 64 MiB holds a catalogue
// of about a hundred full projects, and memory is taken only as pages are used.
constexpr int kCacheKiB = 64 * 1024;

bool WriteWholeFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// SQLite's own files of a catalogue beside it.
const char* const kCompanions[] = {"-wal", "-shm"};

} // namespace

std::string CatalogueFileIn(const std::string& dataFolder) {
    return dataFolder + "library.sqlite3";
}

std::string DefaultCatalogueFile() {
    if (const char* named = std::getenv("CORVANE_LIBRARY"); named != nullptr && *named != '\0')
        return named;
    const std::string data = ProgramDataFolder();
    return data.empty() ? std::string() : CatalogueFileIn(data);
}

// The real path: a project reached through a link is one project, whichever spelling finds it.
std::string CatalogueFolder(const std::string& folder) {
    return RealFolderPath(folder);
}

bool CCatalogue::Open(const std::string& path, std::string& error) {
    m_path = path;
    m_setAside.clear();
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty())
        std::filesystem::create_directories(parent, ignored);
    Mark();
    if (Prepare(error))
        return true;
    // A file that SQLite cannot read as a database, or whose schema is broken, is set aside.
    const std::string reason = error;
    m_db.Close();
    if (!std::filesystem::exists(path, ignored) || !Rebuild(error)) {
        Unmark();
        return false;
    }
    error = "the catalogue " + path + " could not be read (" + reason + "); it was set aside as " +
            m_setAside + " and a new one was made";
    return true;
}

bool CCatalogue::Prepare(std::string& error) {
    if (!m_db.Open(m_path)) {
        error = m_db.Error();
        return false;
    }
    m_db.SetBusyTimeout(kBusyTimeout);
    // WAL lets the desktop program read while `corvane` writes, and the other way round. Under
    // WAL, synchronous=NORMAL still leaves the file consistent after a crash or power loss (the
    // last commits may be lost, which the next scan reads again; tags and favourites are kept in
    // the export file too) and spares a sync at every commit. The page cache holds a whole
    // catalogue of many projects (see kCacheKiB).
    if (!m_db.Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                      "PRAGMA foreign_keys=ON; PRAGMA cache_size=" +
                      std::to_string(-kCacheKiB) + ";") ||
        !Migrate(error)) {
        if (error.empty())
            error = m_db.Error();
        return false;
    }
    CStatement check(m_db, "PRAGMA quick_check");
    if (!check.Step() || check.Text(0) != "ok") {
        error = check.Failed() ? m_db.Error() : "its integrity check failed";
        return false;
    }
    return true;
}

bool CCatalogue::Migrate(std::string& error) {
    if (!m_db.Execute("CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL)"))
        return false;
    CTransaction transaction(m_db);
    if (!transaction.Began())
        return false;
    CStatement read(m_db, "SELECT version FROM schema_version");
    const int version = read.Step() ? static_cast<int>(read.Int(0)) : 0;
    if (read.Failed())
        return false;
    if (version > kSchemaVersion) {
        error = "the catalogue was made by a newer version of the program (schema " +
                std::to_string(version) + ")";
        return false;
    }
    for (int step = version; step < kSchemaVersion; ++step)
        if (!m_db.Execute(kMigrations[step]))
            return false;
    if (version != kSchemaVersion) {
        if (!m_db.Execute("DELETE FROM schema_version"))
            return false;
        CStatement write(m_db, "INSERT INTO schema_version(version) VALUES (?)");
        if (!write.Bind(1, std::int64_t{kSchemaVersion}).Run())
            return false;
    }
    return transaction.Commit();
}

bool CCatalogue::Rebuild(std::string& error) {
    // Never renamed from under another process: its connection would go on with the old file.
    if (UsedElsewhere()) {
        error = "the catalogue " + m_path + " cannot be read and another program has it open";
        return false;
    }
    // A name no earlier set-aside file has: a rename would replace it.
    m_setAside = m_path + ".broken-" + std::to_string(std::time(nullptr));
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(m_setAside, ignored); ++n)
        m_setAside =
            m_path + ".broken-" + std::to_string(std::time(nullptr)) + "-" + std::to_string(n);
    std::error_code renameError;
    std::filesystem::rename(m_path, m_setAside, renameError);
    if (renameError) {
        error = "the catalogue " + m_path +
                " cannot be read and cannot be set aside: " + renameError.message();
        m_setAside.clear();
        return false;
    }
    for (const char* companion : kCompanions)
        std::filesystem::rename(m_path + companion, m_setAside + companion, ignored);
    if (!Prepare(error))
        return false;
    if (const std::optional<std::string> json = ReadWholeFile(ExportFile())) {
        std::string importError;
        ImportJson(*json, importError); // what cannot be imported is lost with the old file
    }
    return true;
}

bool CCatalogue::AddRoot(const std::string& folder) {
    CStatement add(m_db, "INSERT OR IGNORE INTO roots(path) VALUES (?)");
    return add.Bind(1, CatalogueFolder(folder)).Run() && WriteExportFile();
}

std::vector<std::string> CCatalogue::Roots() {
    std::vector<std::string> roots;
    CStatement read(m_db, "SELECT path FROM roots ORDER BY path");
    while (read.Step())
        roots.push_back(read.Text(0));
    return roots;
}

bool CCatalogue::Remove(const std::string& given) {
    const std::string folder = CatalogueFolder(given);
    CTransaction transaction(m_db);
    if (!transaction.Began())
        return false;
    CStatement root(m_db, "DELETE FROM roots WHERE path = ?");
    if (!root.Bind(1, folder).Run())
        return false;
    const bool wasRoot = m_db.Changes() > 0;
    // The projects at or under the folder go unless a remaining root holds them.
    CStatement forget(m_db, "DELETE FROM projects WHERE (path = ?1 OR substr(path, 1, "
                            "length(?1)) = ?1) AND NOT EXISTS (SELECT 1 FROM roots WHERE "
                            "substr(projects.path, 1, length(roots.path)) = roots.path)");
    if (!forget.Bind(1, folder).Run())
        return false;
    const bool forgot = m_db.Changes() > 0;
    if (!transaction.Commit())
        return false;
    if (wasRoot)
        WriteExportFile();
    return wasRoot || forgot;
}

std::vector<std::string> CCatalogue::KnownProjects() {
    std::vector<std::string> projects;
    CStatement read(m_db, "SELECT path FROM projects ORDER BY path");
    while (read.Step())
        projects.push_back(read.Text(0));
    return projects;
}

std::vector<CatalogueProject> CCatalogue::Projects() {
    std::vector<CatalogueProject> projects;
    CStatement read(m_db, "SELECT path, state, reason FROM projects ORDER BY path");
    while (read.Step())
        projects.push_back({read.Text(0), read.Text(1), read.Text(2)});
    return projects;
}

std::vector<std::string> CCatalogue::TagNames() {
    std::vector<std::string> tags;
    CStatement read(m_db, "SELECT DISTINCT tag FROM tags ORDER BY tag");
    while (read.Step())
        tags.push_back(read.Text(0));
    return tags;
}

bool CCatalogue::SetTag(const std::string& fingerprint, const std::string& tag, bool on) {
    CStatement change(m_db, on ? "INSERT OR IGNORE INTO tags(fingerprint, tag) VALUES (?, ?)"
                               : "DELETE FROM tags WHERE fingerprint = ? AND tag = ?");
    return change.Bind(1, fingerprint).Bind(2, tag).Run() && WriteExportFile();
}

bool CCatalogue::SetFavourite(const std::string& fingerprint, bool on) {
    CStatement change(m_db, on ? "INSERT OR IGNORE INTO favourites(fingerprint) VALUES (?)"
                               : "DELETE FROM favourites WHERE fingerprint = ?");
    return change.Bind(1, fingerprint).Run() && WriteExportFile();
}

std::string CCatalogue::ExportJson() {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["version"] = 1;
    json["roots"] = Roots();
    nlohmann::ordered_json tags = nlohmann::ordered_json::object();
    CStatement read(m_db, "SELECT fingerprint, tag FROM tags ORDER BY fingerprint, tag");
    while (read.Step())
        tags[read.Text(0)].push_back(read.Text(1));
    json["tags"] = std::move(tags);
    nlohmann::ordered_json favourites = nlohmann::ordered_json::array();
    CStatement stars(m_db, "SELECT fingerprint FROM favourites ORDER BY fingerprint");
    while (stars.Step())
        favourites.push_back(stars.Text(0));
    json["favourites"] = std::move(favourites);
    return json.dump(2) + "\n";
}

bool CCatalogue::ImportJson(const std::string& text, std::string& error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = "not a JSON object";
        return false;
    }
    auto strings = [](const nlohmann::json& value) {
        std::vector<std::string> items;
        if (value.is_array())
            for (const auto& item : value)
                if (item.is_string())
                    items.push_back(item.get<std::string>());
        return items;
    };
    CTransaction transaction(m_db);
    if (!transaction.Began()) {
        error = m_db.Error();
        return false;
    }
    bool ok = true;
    for (const std::string& root : strings(json.value("roots", nlohmann::json::array()))) {
        CStatement add(m_db, "INSERT OR IGNORE INTO roots(path) VALUES (?)");
        ok = ok && add.Bind(1, CatalogueFolder(root)).Run();
    }
    const nlohmann::json tags = json.value("tags", nlohmann::json::object());
    if (tags.is_object())
        for (const auto& [fingerprint, list] : tags.items())
            for (const std::string& tag : strings(list)) {
                CStatement add(m_db, "INSERT OR IGNORE INTO tags(fingerprint, tag) VALUES (?, ?)");
                ok = ok && add.Bind(1, fingerprint).Bind(2, tag).Run();
            }
    for (const std::string& star : strings(json.value("favourites", nlohmann::json::array()))) {
        CStatement add(m_db, "INSERT OR IGNORE INTO favourites(fingerprint) VALUES (?)");
        ok = ok && add.Bind(1, star).Run();
    }
    if (!ok || !transaction.Commit()) {
        error = m_db.Error();
        return false;
    }
    return WriteExportFile();
}

bool CCatalogue::WriteExportFile() {
    // Read and written under the write lock: exports of two processes follow one another, so
    // the last one written holds every change committed before it.
    CTransaction transaction(m_db);
    return transaction.Began() && WriteWholeFile(ExportFile(), ExportJson()) &&
           transaction.Commit();
}

} // namespace Corv::Library
