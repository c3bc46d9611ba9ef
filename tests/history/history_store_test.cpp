// The store of versions over time: retention drops the oldest versions and the objects only
// they used, damage stays with the version it hits, and a moved project finds its history.
#include "edit/cell_edit.h"
#include "history/folder_state.h"
#include "history/store_files.h"
#include "history/version_access.h"
#include "history_fixture.h"
#include "support/faulty_file_system.h"

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

using namespace Corv;
using namespace CorvTest;
using namespace CorvHistoryTest;

namespace {

namespace fs = std::filesystem;

// Changes a memo of tone 1 and saves, `count` times, each memo new: each save replaces the
// tones' memo file, whose bytes the version keeps.
void MemoAndSave(HistoryWorld& world, int count, int& serial) {
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(SetMemos(world.Document().Data(), kToneKind, {0}, 1,
                             "Memo " + std::to_string(++serial), FreshStore::UndoStep()));
        ASSERT_TRUE(world.Save());
    }
}

std::set<std::string> ObjectFiles(const std::string& history) {
    std::set<std::string> names;
    if (!fs::exists(history + "objects"))
        return names;
    for (const auto& entry : fs::recursive_directory_iterator(history + "objects"))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}

std::set<std::string> ReferencedObjects(HistoryWorld& world) {
    std::set<std::string> hashes;
    for (const History::VersionInfo& info : world.Versions()) {
        History::Manifest manifest;
        std::string why;
        EXPECT_TRUE(world.Store().ReadVersion(world.Project(), info.id, manifest, why));
        for (const History::FileEntry& file : manifest.files)
            if (world.Store().HasObject(file.hash))
                hashes.insert(file.hash);
    }
    return hashes;
}

struct RetentionCase {
    const char* name;
    std::size_t keep;
    std::uint64_t maxBytes;
    int saves;
    std::vector<int> expected; // version ids left, newest first
};

const RetentionCase kRetention[] = {
    {"UnderTheLimits", 50, 1ULL << 30, 4, {4, 3, 2, 1}},
    {"KeepsTheNewest", 2, 1ULL << 30, 5, {5, 4}},
    {"KeepsOne", 1, 1ULL << 30, 3, {3}},
    {"BytesDropTheOldest", 50, 1, 3, {3}},
};

class RetentionTable : public ::testing::TestWithParam<RetentionCase> {};

TEST_P(RetentionTable, DropsTheOldestAndCollectsTheirObjects) {
    const RetentionCase& c = GetParam();
    HistoryWorld world(History::Retention{c.keep, c.maxBytes});
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, c.saves, serial);
    std::vector<int> ids;
    for (const History::VersionInfo& info : world.Versions())
        ids.push_back(info.id);
    EXPECT_EQ(ids, c.expected);
    // Every object left is one a version uses, and every version left is whole.
    EXPECT_EQ(ObjectFiles(world.History()), ReferencedObjects(world));
    for (const int id : ids)
        EXPECT_FALSE(world.Exported(id).empty());
}

INSTANTIATE_TEST_SUITE_P(History, RetentionTable, ::testing::ValuesIn(kRetention),
                         [](const ::testing::TestParamInfo<RetentionCase>& test) {
                             return std::string(test.param.name);
                         });

TEST(Retention, NeverDropsTheVersionMadeBeforeARestore) {
    HistoryWorld world(History::Retention{1, 1ULL << 30});
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, 1, serial);
    world.CloseAll();
    ASSERT_EQ(world.Restore(1), History::RestoreOutcome::Restored) << world.Why();
    ASSERT_NE(world.Open(), nullptr);
    MemoAndSave(world, 2, serial);
    const auto versions = world.Versions();
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].id, 4);
    EXPECT_EQ(versions[1].id, 2);
    EXPECT_EQ(versions[1].note, "before restore");
}

TEST(Retention, TotalSizeAndEmptying) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, 2, serial);
    EXPECT_GT(world.Store().TotalBytes(), 0u);
    ASSERT_TRUE(world.Store().EmptyAll());
    EXPECT_TRUE(world.Versions().empty());
    EXPECT_TRUE(ObjectFiles(world.History()).empty() || !fs::exists(world.History() + "objects"));
    MemoAndSave(world, 1, serial); // the history starts again
    EXPECT_EQ(world.Versions().size(), 1u);
}

// What goes wrong with a stored version: an object gone or altered, a manifest cut short.
struct DamageCase {
    const char* name;
    std::function<void(HistoryWorld&, const History::Manifest&)> damage;
};

std::string StoredObject(HistoryWorld& world, const History::Manifest& manifest) {
    for (const History::FileEntry& file : manifest.files)
        if (world.Store().HasObject(file.hash))
            return world.Store().ObjectPath(file.hash);
    ADD_FAILURE() << "the version stored no object";
    return {};
}

const DamageCase kDamage[] = {
    {"ObjectMissing",
     [](HistoryWorld& w, const History::Manifest& m) { fs::remove(StoredObject(w, m)); }},
    {"ObjectAltered",
     [](HistoryWorld& w, const History::Manifest& m) {
         const std::string path = StoredObject(w, m);
         Bytes bytes = ReadBytes(path);
         bytes[bytes.size() / 2] ^= 1;
         WriteBytes(path, bytes);
     }},
    {"ManifestCutShort",
     [](HistoryWorld& w, const History::Manifest& m) {
         const std::string path =
             w.Store().ProjectPath(w.Project()) + "versions/00000" + std::to_string(m.id);
         Bytes bytes = ReadBytes(path);
         bytes.resize(bytes.size() * 2 / 3);
         WriteBytes(path, bytes);
     }},
};

class Damage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damage, MarksTheVersionItHitsAndLeavesTheOthers) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, 1, serial);
    ASSERT_TRUE(
        SetNames(world.Document().Data(), kPatchKind, {3}, "Other", FreshStore::UndoStep()));
    ASSERT_TRUE(world.Save());
    const Snapshot second = world.Exported(2);
    History::Manifest first;
    std::string why;
    ASSERT_TRUE(world.Store().ReadVersion(world.Project(), 1, first, why));
    GetParam().damage(world, first);

    std::vector<std::string> missing;
    EXPECT_FALSE(History::ExportVersion(world.Store(), world.Project(), 1, world.Temp() + "/d.prj",
                                        missing, why));
    EXPECT_FALSE(why.empty());
    if (std::string(GetParam().name) != "ManifestCutShort") {
        EXPECT_EQ(missing.size(), 1u);
    } else {
        EXPECT_NE(world.Versions().back().problem, "");
    }
    EXPECT_EQ(world.Versions().front().problem, "");
    EXPECT_EQ(world.Exported(2), second);
    // A restore of the damaged version changes nothing.
    world.CloseAll();
    const Snapshot now = world.Folder();
    EXPECT_EQ(world.Restore(1), History::RestoreOutcome::Failed);
    EXPECT_EQ(world.Folder(), now);
}

INSTANTIATE_TEST_SUITE_P(History, Damage, ::testing::ValuesIn(kDamage),
                         [](const ::testing::TestParamInfo<DamageCase>& test) {
                             return std::string(test.param.name);
                         });

// The index and the head only spare reading: cut or altered (a save appends to the index and
// writes the head over in place, so an interruption leaves them so), they are passed over and
// the versions, and the next save's version, are what they were.
struct CacheDamageCase {
    const char* name;
    const char* file; // in the project's folder of the history
    std::function<void(Bytes&)> damage;
    bool headLost = false; // blank lines after the head are what an in-place write leaves
};

const CacheDamageCase kCacheDamage[] = {
    {"IndexLastLineCut", "index", [](Bytes& b) { b.resize(b.size() - 7); }},
    {"IndexLineAltered", "index", [](Bytes& b) { b[b.size() / 2] ^= 1; }},
    {"IndexGone", "index", [](Bytes& b) { b.clear(); }},
    {"HeadCutShort", "head", [](Bytes& b) { b.resize(b.size() / 2); }, true},
    {"HeadAltered", "head", [](Bytes& b) { b[b.size() / 3] ^= 1; }, true},
    {"HeadWithBlankLinesAfter", "head", [](Bytes& b) { b.insert(b.end(), 300, '\n'); }},
};

class CacheDamage : public ::testing::TestWithParam<CacheDamageCase> {};

TEST_P(CacheDamage, LeavesTheVersionsAndTheNextSaveAsTheyWere) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, 3, serial);
    const std::vector<History::VersionInfo> before = world.Versions();
    ASSERT_EQ(before.size(), 3u);
    world.Recorder().WaitForBackground();
    const std::string path = world.Store().ProjectPath(world.Project()) + GetParam().file;
    Bytes bytes = ReadBytes(path);
    ASSERT_FALSE(bytes.empty());
    GetParam().damage(bytes);
    WriteBytes(path, bytes);

    EXPECT_EQ(world.Store().Head(world.Project()) == nullptr, GetParam().headLost);
    const std::vector<History::VersionInfo> after = world.Versions();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].id, before[i].id);
        EXPECT_EQ(after[i].summary, before[i].summary);
        EXPECT_EQ(after[i].problem, "");
    }
    const Snapshot folder = world.Folder();
    MemoAndSave(world, 1, serial);
    EXPECT_EQ(world.Versions().front().id, 4);
    EXPECT_EQ(world.Exported(4), folder);
}

INSTANTIATE_TEST_SUITE_P(History, CacheDamage, ::testing::ValuesIn(kCacheDamage),
                         [](const ::testing::TestParamInfo<CacheDamageCase>& test) {
                             return std::string(test.param.name);
                         });

// Small objects are kept in one pack first: they are there for every reader (this store and
// another one, as another process has), a pack damaged or cut short loses only what it no
// longer holds whole, and taking a pack apart leaves the same objects as files of their own.
TEST(Packs, HoldSmallObjectsUntilTakenApart) {
    struct Case {
        const char* name;
        std::function<void(const std::string& pack)> harm; // null: the pack as written
        bool readable;                                     // the objects come back whole
    };
    const Case cases[] = {
        {"whole", nullptr, true},
        {"a byte of an object altered",
         [](const std::string& pack) {
             Bytes bytes = ReadBytes(pack);
             bytes[bytes.size() - 3] ^= 0x20;
             WriteBytes(pack, bytes);
         },
         false},
        {"cut short",
         [](const std::string& pack) { fs::resize_file(pack, fs::file_size(pack) - 10); }, false},
    };
    for (const Case& c : cases) {
        const TempDir temp;
        const std::string root = temp.Path() + "/";
        const std::string sources = root + "files/";
        fs::create_directories(sources);
        std::vector<History::CHistoryStore::FileObject> files;
        std::vector<std::string> contents;
        for (int i = 0; i < 3; ++i) {
            // An empty file is an object too.
            contents.push_back(i == 1 ? std::string()
                                      : "object " + std::to_string(i) + std::string(100 + i, 'x'));
            WriteBytes(sources + std::to_string(i),
                       Bytes(contents.back().begin(), contents.back().end()));
            files.push_back({sources + std::to_string(i), {}, 0, false, {}});
        }
        files.push_back(files.front()); // the same file twice: one object
        History::CHistoryStore store(root + "History/");
        ASSERT_TRUE(store.PutFileObjects(files)) << c.name;
        EXPECT_EQ(files.front().added + files.back().added, 1) << c.name;
        EXPECT_TRUE(ObjectFiles(store.Folder()).empty()) << c.name << ": packed, not loose";
        std::vector<std::string> packs;
        for (const auto& entry : fs::directory_iterator(store.Folder() + "packs"))
            packs.push_back(entry.path().string());
        ASSERT_EQ(packs.size(), 1u) << c.name;
        if (c.harm)
            c.harm(packs.front());
        // Another store over the same folder finds the objects in the pack by itself.
        const History::CHistoryStore other(store.Folder());
        const std::string last = History::HashHex(contents.back());
        std::string bytes;
        EXPECT_EQ(other.FetchObject(last, bytes), c.readable) << c.name;
        if (c.readable) {
            EXPECT_EQ(bytes, contents.back()) << c.name;
        }
        if (c.readable) {
            // A pack goes only once its objects are durable elsewhere: a folder that cannot be
            // synced keeps it, and every object with it.
            InstalledFaultyFileSystem faulty;
            faulty.FailNth(FsOp::SyncDirectory, 1);
            EXPECT_FALSE(store.UnpackObjects());
            EXPECT_TRUE(fs::exists(packs.front()));
            EXPECT_TRUE(store.FetchObject(last, bytes));
        }
        // Taken apart, the pack goes; what it held whole is kept as files of their own.
        EXPECT_TRUE(store.UnpackObjects()) << c.name;
        for (const std::string& content : contents) {
            const std::string hash = History::HashHex(content);
            // The harm lies at the end of the pack, in its last object.
            const bool whole = c.readable || content != contents.back();
            EXPECT_EQ(store.FetchObject(hash, bytes) && bytes == content, whole) << c.name;
            EXPECT_EQ(ObjectFiles(store.Folder()).count(hash), whole ? 1u : 0u) << c.name;
        }
        EXPECT_FALSE(fs::exists(packs.front())) << c.name;
        // Emptying the history takes packs along.
        ASSERT_TRUE(store.PutFileObjects(files)) << c.name;
        ASSERT_TRUE(store.EmptyAll()) << c.name;
        EXPECT_FALSE(fs::exists(store.Folder() + "packs")) << c.name;
        EXPECT_FALSE(store.HasObject(History::HashHex(contents.front()))) << c.name;
    }
}

TEST(MovedProject, IsFoundByContentAndTakesItsHistoryAlong) {
    HistoryWorld world;
    ASSERT_NE(world.Open(), nullptr);
    int serial = 0;
    MemoAndSave(world, 2, serial);
    const Snapshot first = world.Exported(1);
    world.CloseAll();
    const std::string moved = world.Temp() + "/Moved.prj/";
    fs::rename(world.Project(), moved);
    // A project of other content is no match.
    const std::string other = world.Temp() + "/Other.prj/";
    ProjectBuilder(other).Patch(1, "Else", 0).Wave(1, "W", 77);

    std::vector<History::FileEntry> files;
    std::string why;
    ASSERT_TRUE(History::DescribeFiles(moved, {}, files, why)) << why;
    EXPECT_EQ(world.Store().FindMovedProject(moved, files),
              History::CanonicalProjectFolder(world.Project()));
    ASSERT_TRUE(History::DescribeFiles(other, {}, files, why));
    EXPECT_EQ(world.Store().FindMovedProject(other, files), "");

    ASSERT_TRUE(world.Store().Attach(world.Project(), moved));
    EXPECT_TRUE(world.Versions().empty());
    EXPECT_EQ(world.Store().List(moved).size(), 2u);
    std::vector<std::string> missing;
    ASSERT_TRUE(
        History::ExportVersion(world.Store(), moved, 1, world.Temp() + "/x.prj", missing, why))
        << why;
    EXPECT_EQ(FolderSnapshot(world.Temp() + "/x.prj/"), first);
    EXPECT_FALSE(world.Store().Attach(world.Project(), moved)) << "nothing left to attach";
}

TEST(Manifest, KeepsEveryByteOfNamesAndMemos) {
    History::Manifest manifest;
    manifest.id = 3;
    manifest.note = "before restore";
    manifest.summary = "renamed\ttab";
    manifest.files.push_back({"Patch/001 A\tb.d00", 12, std::string(32, 'a'), -5, 9});
    History::SlotEntry slot;
    slot.kind = 1;
    slot.number = 896;
    slot.file = "Tone/896 X.p00";
    slot.name = std::string("\x00\xff\n\r%", 5);
    slot.memos = {"", "m\r\n2", "\x82\xa0", "4"};
    manifest.usedSlots.push_back(slot);
    const std::string text = History::ManifestText(manifest);
    History::Manifest back;
    std::string why;
    ASSERT_TRUE(History::ParseManifest(text, back, why)) << why;
    EXPECT_EQ(History::ManifestText(back), text);
    EXPECT_EQ(back.usedSlots[0].name, slot.name);
    EXPECT_EQ(back.usedSlots[0].memos, slot.memos);
    EXPECT_EQ(back.files[0].path, manifest.files[0].path);
    for (const std::size_t cut : {text.size() - 1, text.size() / 2, std::size_t{10}})
        EXPECT_FALSE(History::ParseManifest(text.substr(0, cut), back, why)) << cut;
    std::string altered = text;
    altered[text.find("896")] = '7';
    EXPECT_FALSE(History::ParseManifest(altered, back, why));
}

} // namespace

namespace {

// A manifest of `files` files and as many slots, the n-th named by `tag`.
History::Manifest Listing(int files, const std::string& tag) {
    History::Manifest m;
    m.id = 4;
    for (int i = 1; i <= files; ++i) {
        const std::string n = std::to_string(i);
        m.files.push_back({"Patch/" + std::string(3 - n.size(), '0') + n + " P.d00", 170,
                           std::string(32, static_cast<char>('a' + i % 6)), i, 100u + i});
        History::SlotEntry slot;
        slot.number = i;
        slot.file = m.files.back().path;
        slot.name = tag + n;
        m.usedSlots.push_back(slot);
    }
    return m;
}

} // namespace

// A manifest kept as its difference to another comes back whole, whatever was added, changed
// or taken away; the difference holds only those.
TEST(Manifest, DifferenceComesBackWhole) {
    const History::Manifest base = Listing(12, "A");
    struct Case {
        const char* name;
        std::function<void(History::Manifest&)> change;
        std::size_t lines;
    };
    const Case cases[] = {
        {"same", [](History::Manifest&) {}, 0},
        {"renamed", [](History::Manifest& m) { m.usedSlots[3].name = "B"; }, 1},
        {"removed",
         [](History::Manifest& m) {
             m.files.erase(m.files.begin() + 5);
             m.usedSlots.erase(m.usedSlots.begin() + 5);
         },
         2},
        {"added",
         [](History::Manifest& m) {
             m.files.push_back({"Wave/001 W.wav", 9, std::string(32, 'f'), 1, 2});
         },
         1},
        {"rewritten", [](History::Manifest& m) { m.files[0].hash = std::string(32, '0'); }, 1},
        {"all gone",
         [](History::Manifest& m) {
             m.files.clear();
             m.usedSlots.clear();
         },
         24},
    };
    for (const Case& c : cases) {
        History::Manifest changed = base;
        changed.id = 7;
        changed.summary = c.name;
        c.change(changed);
        const History::Manifest difference = History::DifferenceTo(base, changed);
        EXPECT_EQ(difference.base, 4) << c.name;
        EXPECT_EQ(History::EntryLines(difference), c.lines) << c.name;
        History::Manifest parsed;
        std::string why;
        ASSERT_TRUE(History::ParseManifest(History::ManifestText(difference), parsed, why))
            << c.name << ": " << why;
        EXPECT_EQ(History::ManifestText(History::Resolved(base, parsed)),
                  History::ManifestText(changed))
            << c.name;
    }
}

namespace {

// A used slot "kind number fingerprint name" for the summary table ('-' for no fingerprint).
History::SlotEntry Slot(const std::string& text) {
    std::istringstream in(text);
    History::SlotEntry slot;
    in >> slot.kind >> slot.number >> slot.fingerprint >> slot.name;
    if (slot.fingerprint == "-")
        slot.fingerprint.clear();
    return slot;
}

struct SummaryCase {
    std::vector<std::string> before, after;
    const char* summary;
};

const SummaryCase kSummaries[] = {
    {{"0 1 a X"}, {"0 1 a X"}, "no entry changed"},
    {{"0 1 a X"}, {"0 1 a Y"}, "renamed patch 1"},
    {{"0 1 a X"}, {"0 1 b X"}, "changed patch 1"},
    {{"1 4 a T"}, {"1 21 a T"}, "moved tone 21"},
    {{"1 1 a T"}, {"1 1 a T", "1 30 a T"}, "added tone 30"},
    // One copy of a sound held twice goes: it is removed, though the sound is still there.
    {{"2 1 a W", "2 2 a W"}, {"2 1 a W"}, "removed wave 2"},
    // One entry moved and copied at once: one of the two is new.
    {{"1 4 a T"}, {"1 21 a T", "1 22 a T"}, "moved tone 21, added tone 22"},
    {{"2 3 - W"}, {}, "removed wave 3"},
    {{"2 3 - W"}, {"2 4 - W"}, "removed wave 3, added wave 4"},
    // Sounds that changed places are moved, not changed.
    {{"0 1 a X", "0 2 b Y"}, {"0 1 b Y", "0 2 a X"}, "moved 2 patches"},
    {{"1 1 a T", "1 2 b T", "1 3 c T"}, {"1 1 b T", "1 2 c T"}, "moved 2 tones, removed tone 1"},
    // A sound copied over another: the slot changed.
    {{"2 1 a W", "2 2 b W"}, {"2 1 a W", "2 2 a W"}, "changed wave 2"},
    {{"1 5 a T"}, {"1 5 z T"}, "changed tone 5"},
};

} // namespace

TEST(Summary, SaysWhatCameWentAndChanged) {
    for (const SummaryCase& row : kSummaries) {
        std::vector<History::SlotEntry> before, after;
        for (const std::string& slot : row.before)
            before.push_back(Slot(slot));
        for (const std::string& slot : row.after)
            after.push_back(Slot(slot));
        EXPECT_EQ(History::ChangeSummary(before, after), row.summary) << row.summary;
    }
}
