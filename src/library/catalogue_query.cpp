#include "library/catalogue.h"
#include "library/search_text.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <variant>

namespace Corv::Library {

namespace {

// The columns `ReadEntries` reads, from entries `e` joined with their projects `p`.
constexpr const char* kEntryColumns =
    "SELECT p.path, e.kind, e.number, e.name_text, e.memos_text, e.fingerprint, e.wave_bytes, "
    "p.state = 'offline', (SELECT count FROM copies c WHERE c.fingerprint = e.fingerprint), "
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

// The entry at the row a statement of `kEntryColumns` stands on.
CatalogueEntry EntryAt(CStatement& statement) {
    CatalogueEntry entry;
    entry.project = statement.Text(0);
    entry.kind = static_cast<int>(statement.Int(1));
    entry.number = static_cast<int>(statement.Int(2));
    entry.name = statement.Text(3);
    entry.memos = SplitMemos(statement.Text(4));
    entry.fingerprint = statement.Text(5);
    entry.waveBytes = statement.Int(6);
    entry.offline = statement.Int(7) != 0;
    entry.copies = std::max(1, static_cast<int>(statement.Int(8))); // itself at least
    entry.favourite = statement.Int(9) != 0;
    return entry;
}

// Returning at least one hit in this many, a search reads the entries of all its hits in one
// pass rather than each returned one by itself.
constexpr std::size_t kBulkShare = 4;

// Where a hit stands in the order of results: its project's place among the projects by
// folder, then kind and number.
struct Place {
    int project = 0;
    int kind = 0;
    int number = 0;
    std::int64_t id = 0;
    bool operator<(const Place& other) const {
        return std::tie(project, kind, number) < std::tie(other.project, other.kind, other.number);
    }
};

} // namespace

std::vector<CatalogueEntry> CCatalogue::ReadEntries(CStatement& statement) {
    std::vector<CatalogueEntry> entries;
    while (statement.Step())
        entries.push_back(EntryAt(statement));
    AddTags(entries);
    return entries;
}

void CCatalogue::AddTags(std::vector<CatalogueEntry>& entries) {
    // One statement for the tags of every entry, run again for each.
    CStatement tags(m_db, "SELECT tag FROM tags WHERE fingerprint = ? ORDER BY tag");
    for (CatalogueEntry& entry : entries) {
        if (entry.fingerprint.empty())
            continue;
        tags.Reset();
        tags.Bind(1, entry.fingerprint);
        while (tags.Step())
            entry.tags.push_back(tags.Text(0));
    }
}

SearchResult CCatalogue::Search(const SearchQuery& query) {
    const std::string match = MatchExpression(query.text);
    // The filters besides the words, with their values.
    std::string filters;
    std::vector<Value> values;
    if (query.kind) {
        filters += " AND e.kind = ?";
        values.emplace_back(std::int64_t{*query.kind});
    }
    if (!query.project.empty()) {
        filters += " AND e.project = (SELECT id FROM projects WHERE path = ?)";
        values.emplace_back(CatalogueFolder(query.project));
    }
    if (!query.tag.empty()) {
        filters += " AND EXISTS (SELECT 1 FROM tags t WHERE t.fingerprint = e.fingerprint AND "
                   "t.tag = ?)";
        values.emplace_back(query.tag);
    }
    if (query.favourites)
        filters += " AND EXISTS (SELECT 1 FROM favourites f WHERE f.fingerprint = e.fingerprint)";
    if (query.used) {
        filters += " AND e.used = ?";
        values.emplace_back(std::int64_t{*query.used ? 1 : 0});
    }
    if (query.duplicated)
        filters += " AND (SELECT count FROM copies c WHERE c.fingerprint = e.fingerprint) > 1";
    // The entries an index expression (none: every entry) finds, filtered, with their values.
    // With `projects`, each entry's project `p` is joined.
    const auto from = [&](const std::string& expression, std::vector<Value>& bound,
                          bool projects = false) {
        bound.clear();
        if (!expression.empty())
            bound.emplace_back(expression);
        bound.insert(bound.end(), values.begin(), values.end());
        const std::string joined = projects ? " JOIN projects p ON p.id = e.project" : "";
        return (expression.empty() ? "FROM entries e" + joined + " WHERE 1"
                                   : "FROM entries_index JOIN entries e ON e.id = "
                                     "entries_index.rowid" +
                                         joined + " WHERE entries_index MATCH ?") +
               filters;
    };

    SearchResult result;
    std::vector<Value> bound;
    // Every index row has its entry, so words alone are counted in the index itself; any filter
    // (also one without a value, as favourites) needs the entries.
    std::string counting = "SELECT COUNT(*) FROM entries";
    if (!filters.empty()) {
        counting = "SELECT COUNT(*) " + from(match, bound);
    } else if (!match.empty()) {
        counting = "SELECT COUNT(*) FROM entries_index WHERE entries_index MATCH ?";
        bound = {match};
    }
    CStatement count(m_db, counting);
    BindAll(count, bound);
    result.total = count.Step() ? static_cast<int>(count.Int(0)) : 0;

    // The projects' places in the order of their folders: hits are ordered by them here, which
    // spares looking up every hit's project and sorting by folder text in SQL.
    std::unordered_map<std::int64_t, int> projectPlace;
    CStatement projects(m_db, "SELECT id FROM projects ORDER BY path");
    while (projects.Step())
        projectPlace.emplace(projects.Int(0), static_cast<int>(projectPlace.size()));

    // Entries whose name holds every word come first, then those found through their memos;
    // each group by project, kind and number. Each group is ordered and cut to what the limit
    // leaves first; the columns that cost a lookup each (copies, favourite, tags) are read for
    // the entries returned only.
    std::vector<std::string> groups{match};
    if (!match.empty()) {
        const std::string inName = "search_name : (" + match + ")";
        groups = {inName, "(" + match + ") NOT " + inName};
    }
    CStatement row(m_db, std::string(kEntryColumns) +
                             "FROM entries e JOIN projects p ON p.id = e.project WHERE e.id = ?");
    std::vector<Place> places;
    for (const std::string& expression : groups) {
        std::size_t wanted = places.max_size();
        if (query.limit > 0) {
            const auto limit = static_cast<std::size_t>(query.limit);
            if (result.entries.size() >= limit)
                break;
            wanted = limit - result.entries.size();
        }
        places.clear();
        CStatement hits(m_db,
                        "SELECT e.id, e.project, e.kind, e.number " + from(expression, bound));
        BindAll(hits, bound);
        while (hits.Step()) {
            const auto place = projectPlace.find(hits.Int(1));
            places.push_back({place == projectPlace.end() ? 0 : place->second,
                              static_cast<int>(hits.Int(2)), static_cast<int>(hits.Int(3)),
                              hits.Int(0)});
        }
        const std::size_t taken = std::min(wanted, places.size());
        std::partial_sort(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(taken),
                          places.end());
        std::vector<CatalogueEntry> entries;
        if (taken * kBulkShare >= places.size()) {
            // Most hits are returned: they are read in one pass and put in their places.
            std::unordered_map<std::int64_t, std::size_t> at;
            for (std::size_t i = 0; i < taken; ++i)
                at.emplace(places[i].id, i);
            std::vector<std::optional<CatalogueEntry>> placed(taken);
            CStatement all(m_db,
                           std::string(kEntryColumns) + ", e.id " + from(expression, bound, true));
            BindAll(all, bound);
            while (all.Step())
                if (const auto where = at.find(all.Int(10)); where != at.end())
                    placed[where->second] = EntryAt(all);
            entries.reserve(taken);
            for (std::optional<CatalogueEntry>& entry : placed)
                if (entry)
                    entries.push_back(std::move(*entry));
        } else {
            entries.reserve(taken);
            for (std::size_t i = 0; i < taken; ++i) {
                row.Reset();
                row.Bind(1, places[i].id);
                if (row.Step())
                    entries.push_back(EntryAt(row));
            }
        }
        AddTags(entries);
        std::move(entries.begin(), entries.end(), std::back_inserter(result.entries));
    }
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
