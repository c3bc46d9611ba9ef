#include "library/catalogue.h"
#include "library/search_text.h"

#include <variant>

namespace Corv::Library {

namespace {

// The columns `ReadEntries` reads, from entries `e` joined with their projects `p`.
constexpr const char* kEntryColumns =
    "SELECT p.path, e.kind, e.number, e.name_text, e.memos_text, e.fingerprint, e.wave_bytes, "
    "p.state = 'offline', (SELECT COUNT(*) FROM entries c WHERE c.fingerprint = e.fingerprint), "
    "EXISTS (SELECT 1 FROM favourites f WHERE f.fingerprint = e.fingerprint) ";

using Value = std::variant<std::int64_t, std::string>;

void BindAll(CStatement& statement, const std::vector<Value>& values) {
    int index = 1;
    for (const Value& value : values) {
        if (const auto* number = std::get_if<std::int64_t>(&value))
            statement.Bind(index++, *number);
        else
            statement.Bind(index++, std::get<std::string>(value));
    }
}

std::array<std::string, 4> SplitMemos(const std::string& joined) {
    std::array<std::string, 4> memos;
    std::size_t start = 0;
    for (std::size_t n = 0; n < memos.size(); ++n) {
        const std::size_t end = n + 1 < memos.size() ? joined.find('\n', start) : joined.npos;
        memos[n] = joined.substr(start, end == joined.npos ? joined.npos : end - start);
        if (end == joined.npos)
            break;
        start = end + 1;
    }
    return memos;
}

} // namespace

std::vector<CatalogueEntry> CCatalogue::ReadEntries(CStatement& statement) {
    std::vector<CatalogueEntry> entries;
    while (statement.Step()) {
        CatalogueEntry entry;
        entry.project = statement.Text(0);
        entry.kind = static_cast<int>(statement.Int(1));
        entry.number = static_cast<int>(statement.Int(2));
        entry.name = statement.Text(3);
        entry.memos = SplitMemos(statement.Text(4));
        entry.fingerprint = statement.Text(5);
        entry.waveBytes = statement.Int(6);
        entry.offline = statement.Int(7) != 0;
        entry.copies = entry.fingerprint.empty() ? 1 : static_cast<int>(statement.Int(8));
        entry.favourite = statement.Int(9) != 0;
        entries.push_back(std::move(entry));
    }
    for (CatalogueEntry& entry : entries)
        FillTags(entry);
    return entries;
}

void CCatalogue::FillTags(CatalogueEntry& entry) {
    if (entry.fingerprint.empty())
        return;
    CStatement read(m_db, "SELECT tag FROM tags WHERE fingerprint = ? ORDER BY tag");
    read.Bind(1, entry.fingerprint);
    while (read.Step())
        entry.tags.push_back(read.Text(0));
}

SearchResult CCatalogue::Search(const SearchQuery& query) {
    const std::string match = MatchExpression(query.text);
    std::string from = match.empty() ? "FROM entries e JOIN projects p ON p.id = e.project "
                                       "WHERE 1"
                                     : "FROM entries_index JOIN entries e ON e.id = "
                                       "entries_index.rowid JOIN projects p ON p.id = e.project "
                                       "WHERE entries_index MATCH ?";
    std::vector<Value> values;
    if (!match.empty())
        values.emplace_back(match);
    if (query.kind) {
        from += " AND e.kind = ?";
        values.emplace_back(std::int64_t{*query.kind});
    }
    if (!query.project.empty()) {
        from += " AND p.path = ?";
        values.emplace_back(CatalogueFolder(query.project));
    }
    if (!query.tag.empty()) {
        from += " AND EXISTS (SELECT 1 FROM tags t WHERE t.fingerprint = e.fingerprint AND "
                "t.tag = ?)";
        values.emplace_back(query.tag);
    }
    if (query.favourites)
        from += " AND EXISTS (SELECT 1 FROM favourites f WHERE f.fingerprint = e.fingerprint)";
    if (query.used) {
        from += " AND e.used = ?";
        values.emplace_back(std::int64_t{*query.used ? 1 : 0});
    }
    if (query.duplicated)
        from += " AND EXISTS (SELECT 1 FROM entries d WHERE d.fingerprint = e.fingerprint AND "
                "d.id <> e.id)";

    SearchResult result;
    CStatement count(m_db, "SELECT COUNT(*) " + from);
    BindAll(count, values);
    result.total = count.Step() ? static_cast<int>(count.Int(0)) : 0;

    std::string sql = kEntryColumns + from + " ORDER BY ";
    if (!match.empty())
        sql += "bm25(entries_index, 4.0, 1.0), "; // a word of the name counts above a memo's
    sql += "p.path, e.kind, e.number";
    if (query.limit > 0)
        sql += " LIMIT " + std::to_string(query.limit);
    CStatement rows(m_db, sql);
    BindAll(rows, values);
    result.entries = ReadEntries(rows);
    return result;
}

std::vector<DuplicateGroup> CCatalogue::Duplicates(std::optional<int> kind) {
    std::string groupsSql = "SELECT fingerprint, kind FROM entries WHERE fingerprint IS NOT NULL";
    if (kind)
        groupsSql += " AND kind = " + std::to_string(*kind);
    groupsSql += " GROUP BY fingerprint HAVING COUNT(*) > 1 ORDER BY kind, MIN(name_text), "
                 "fingerprint";
    CStatement groups(m_db, groupsSql);
    std::vector<DuplicateGroup> result;
    while (groups.Step())
        result.push_back({static_cast<int>(groups.Int(1)), groups.Text(0), 0, {}});
    for (DuplicateGroup& group : result) {
        CStatement members(m_db, std::string(kEntryColumns) +
                                     "FROM entries e JOIN projects p ON p.id = e.project WHERE "
                                     "e.fingerprint = ? ORDER BY p.path, e.number");
        members.Bind(1, group.fingerprint);
        group.entries = ReadEntries(members);
        if (!group.entries.empty())
            group.bytes = group.entries.front().waveBytes *
                          static_cast<std::int64_t>(group.entries.size() - 1);
    }
    return result;
}

CatalogueStats CCatalogue::Stats() {
    CatalogueStats stats;
    CStatement read(m_db, "SELECT (SELECT COUNT(*) FROM projects), (SELECT COUNT(*) FROM "
                          "projects WHERE state = 'offline'), (SELECT COUNT(*) FROM entries), "
                          "(SELECT COUNT(DISTINCT tag) FROM tags)");
    if (read.Step()) {
        stats.projects = static_cast<int>(read.Int(0));
        stats.offline = static_cast<int>(read.Int(1));
        stats.entries = static_cast<int>(read.Int(2));
        stats.tags = static_cast<int>(read.Int(3));
    }
    return stats;
}

std::optional<std::string> CCatalogue::FingerprintOf(const std::string& project, int kind,
                                                     int number) {
    CStatement read(m_db, "SELECT e.fingerprint FROM entries e JOIN projects p ON p.id = "
                          "e.project WHERE p.path = ? AND e.kind = ? AND e.number = ?");
    read.Bind(1, CatalogueFolder(project)).Bind(2, std::int64_t{kind});
    read.Bind(3, std::int64_t{number});
    if (!read.Step() || read.IsNull(0))
        return std::nullopt;
    return read.Text(0);
}

} // namespace Corv::Library
