#pragma once

#include "library/catalogue.h"
#include "storage/progress_bar.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace CorvTest {

// A catalogue in a temporary folder, over projects made under its "Songs" root.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        store.InstallSink();
        std::string error;
        ASSERT_TRUE(catalogue.Open(CataloguePath(), error)) << error;
        ASSERT_TRUE(catalogue.AddRoot(Root()));
    }

    std::string CataloguePath() const { return dir / "data/library.sqlite3"; }
    std::string Root() const { return dir / "Songs"; }
    std::string Project(const std::string& name) const { return Root() + "/" + name + "/"; }

    Corv::Library::ScanReport Scan(bool full = false) { return catalogue.Scan(full, progress); }

    // Names of the hits of a search, as "PROJECT-NAME KIND N", sorted by the ranking.
    std::vector<std::string> Hits(const Corv::Library::SearchQuery& query) {
        std::vector<std::string> hits;
        for (const auto& entry : catalogue.Search(query).entries)
            hits.push_back(entry.project.substr(Root().size() + 1) + " " +
                           std::to_string(entry.kind) + " " + std::to_string(entry.number));
        return hits;
    }

    FreshStore store;
    TempDir dir;
    Corv::Library::CCatalogue catalogue;
    Corv::CLumProgressBar progress;
};

// A wave file with the given bytes (the builder's own depend on the slot number).
inline void WaveFile(ProjectBuilder& builder, int number, const std::string& name,
                     const Bytes& bytes) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%03d ", number);
    builder.File("Wave/" + std::string(prefix) + name + ".w00", bytes);
}

// "A.prj": patch 1 "Warm Pad" on tones 1 and 2, tone 1 "Strings" on waves 1 and 2, tone 2
// "Bass" on wave 3; the waves hold 100, 200 and 300 bytes of 1, 2 and 3.
// A search with the usual filters, the others left as they are by default.
inline Corv::Library::SearchQuery Query(std::string text, std::optional<int> kind, std::string tag,
                                        std::string project, bool favourites, int limit) {
    Corv::Library::SearchQuery query;
    query.text = std::move(text);
    query.kind = kind;
    query.tag = std::move(tag);
    query.project = std::move(project);
    query.favourites = favourites;
    query.limit = limit;
    return query;
}

inline ProjectBuilder SongA(const std::string& folder) {
    ProjectBuilder builder(folder);
    builder.Patch(1, "Warm Pad", 1, 2).Tone(1, "Strings", {1, 2}).Tone(2, "Bass", {3});
    WaveFile(builder, 1, "Saw", Bytes(100, 1));
    WaveFile(builder, 2, "Sine", Bytes(200, 2));
    WaveFile(builder, 3, "Noise", Bytes(300, 3));
    return builder;
}

// Damage of a closed catalogue file, made by hand: the fingerprint index made to claim another
// column than the one it holds (a file SQLite opens, but whose index disagrees with its table).
inline bool DamageIndex(const std::string& path) {
    Corv::Library::CDatabase db;
    return db.Open(path) &&
           db.Execute("PRAGMA writable_schema=ON; UPDATE sqlite_schema SET sql = 'CREATE INDEX "
                      "entries_by_fingerprint ON entries(name_text)' WHERE name = "
                      "'entries_by_fingerprint'; PRAGMA writable_schema=OFF;");
}

// Damage of a closed catalogue file: every page after the first two overwritten with a pattern.
inline bool OverwritePages(const std::string& path) {
    Bytes bytes = ReadBytes(path);
    constexpr std::size_t kPage = 4096;
    if (bytes.size() < 4 * kPage)
        return false;
    for (std::size_t at = 2 * kPage; at < bytes.size(); ++at)
        bytes[at] = static_cast<std::uint8_t>(0xA5 ^ (at & 0xFF));
    WriteBytes(path, bytes);
    return true;
}

} // namespace CorvTest
