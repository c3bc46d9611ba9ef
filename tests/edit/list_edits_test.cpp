#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"
#include "list_edit_support.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class ListEdits : public EditTest {};

// Source project used by several cases: patches 2 and 5 share tone 3; patch 5 also uses tone 7;
// patch 9 uses a preset tone; tone 3 uses waves 4 and 2, tone 7 uses waves 4 and 11.
void FillSource(CLumData& a) {
    for (const int w : {2, 4, 11})
        PutWave(a, w);
    PutTone(a, 3, {4, 2});
    PutTone(a, 7, {0, 4, 11});
    PutPatch(a, 2, 3);
    PutPatch(a, 5, 7, 3);
    PutPatch(a, 9, 0);
    a.Patches()[8].Slot(0).SetP(1, 65); // bank 'A': an instrument tone, not a project one
    a.Patches()[8].Slot(0).SetP(3, 12);
    RebuildUsers(a);
}

TEST_F(ListEdits, ReferencesBeyondTheListsAreNeitherFollowedNorChanged) {
    CLumData a;
    PutPatch(a, 1, 1000, 16384);
    PutTone(a, 2, {1200, 65535, 3});
    PutWave(a, 3);
    PutPatch(a, 3, 2);
    RebuildUsers(a);

    StoreSelection(a, {0, 2}, kPatchKind);
    CLumData b;
    PutTone(b, 1, {});
    PutTone(b, 2, {});
    ASSERT_TRUE(Overwrite(b, 0, kPatchKind, true));
    // Carried tone 2 lands in b's first empty slot, 3; wave 3 in slot 1.
    const std::vector<int> refs = {ToneRef(b, 1, 0), ToneRef(b, 1, 1), ToneRef(b, 2, 0),
                                   WaveRef(b, 3, 0, 0), WaveRef(b, 3, 0, 1), WaveRef(b, 3, 1, 0)};
    EXPECT_EQ(refs, (std::vector<int>{1000, 16384, 3, 1200, 65535, 1}));
    EXPECT_EQ(b.CountEmpty(kToneKind) + b.CountEmpty(kWaveKind), kToneSlots - 3 + kWaveSlots - 1);
    EXPECT_TRUE(UsersMatchReferences(b));

    // Deleting what holds such references touches no user list.
    ASSERT_TRUE(DeleteEntries(b, {0, 1}, kPatchKind, false, true) &&
                DeleteEntries(b, {1}, kToneKind, false, true));
    EXPECT_TRUE(UsersMatchReferences(b));
}

struct CheckCase {
    const char* name;
    std::function<void(CLumData& source, CLumData& target)> setUp;
    int kind;
    std::vector<int> rows;
    int at;
    bool insert, otherProject;
    int answer;
    bool allowed;
    std::vector<int> questions, errors;
};

// Fills a project's tone or wave list up to its last `keepEmpty` slots.
void FullTones(CLumData& project, int keepEmpty) {
    for (int t = 1; t <= kToneSlots - keepEmpty; ++t)
        PutTone(project, t, {}, "", "B");
}
void FullWaves(CLumData& project, int keepEmpty) {
    for (int w = 1; w <= kWaveSlots - keepEmpty; ++w)
        PutWave(project, w, "", "B");
}

auto Nothing = [](CLumData&, CLumData&) {};
auto UsedPatch(int number) {
    return [number](CLumData&, CLumData& b) { PutPatch(b, number, 0); };
}

// name, set-up, kind, rows, at, insert, other project, answer, allowed, questions, errors
const CheckCase kCheckCases[] = {
    {"three patches at 510 do not fit", UsedPatch(511), kPatchKind, {1, 4, 8}, 510, false, false,
     kAnswerOk, false, {}, {}},
    {"three patches inserted at 510 do not fit", Nothing, kPatchKind, {1, 4, 8}, 510, true, true,
     kAnswerOk, false, {}, {}},
    {"a drop beyond the list", Nothing, kWaveKind, {1}, 999, false, false, kAnswerOk, false, {},
     {}},
    {"overwriting empty slots asks nothing", Nothing, kPatchKind, {1, 4}, 100, false, true,
     kAnswerCancel, true, {}, {}},
    {"overwriting a used slot asks", UsedPatch(102), kPatchKind, {1, 4}, 100, false, true,
     kAnswerOk, true, {kMsgOverwrite}, {}},
    {"cancelling the overwrite question refuses", UsedPatch(101), kPatchKind, {1}, 100, false,
     true, kAnswerCancel, false, {kMsgOverwrite}, {}},
    {"inserting with empty last slots asks nothing", UsedPatch(510), kPatchKind, {1, 4}, 0, true,
     true, kAnswerCancel, true, {}, {}},
    {"inserting pushes a used last slot out", UsedPatch(511), kPatchKind, {1, 4}, 0, true, true,
     kAnswerCancel, false, {kMsgInsert}, {}},
    {"too few tone slots, checked before waves",
     [](CLumData&, CLumData& b) { FullTones(b, 1); FullWaves(b, 0); }, kPatchKind, {4}, 0, false,
     true, kAnswerOk, false, {}, {kMsgToneSpace}},
    {"exactly the free tone and wave slots the drop carries into",
     [](CLumData&, CLumData& b) { FullTones(b, 2); FullWaves(b, 3); }, kPatchKind, {4}, 0, false,
     true, kAnswerOk, true, {}, {}},
    {"too few wave slots for carried waves", [](CLumData&, CLumData& b) { FullWaves(b, 2); },
     kPatchKind, {4}, 0, false, true, kAnswerOk, false, {}, {kMsgWaveSpace}},
    {"tones need wave slots too", [](CLumData&, CLumData& b) { FullWaves(b, 1); }, kToneKind, {6},
     0, true, true, kAnswerOk, false, {}, {kMsgWaveSpace}},
    {"waves need no free slots", [](CLumData&, CLumData& b) { FullWaves(b, 0); }, kWaveKind,
     {1, 3}, 5, false, true, kAnswerOk, true, {kMsgOverwrite}, {}},
    {"the question comes before the space check",
     [](CLumData&, CLumData& b) { FullTones(b, 0); PutPatch(b, 1, 0); }, kPatchKind, {4}, 0,
     false, true, kAnswerOk, false, {kMsgOverwrite}, {kMsgToneSpace}},
    {"within one project slot space is not needed", [](CLumData& a, CLumData&) { FullTones(a, 0); },
     kPatchKind, {4}, 300, false, false, kAnswerOk, true, {}, {}},
};

class DropChecks : public ListEdits, public testing::WithParamInterface<CheckCase> {};

TEST_P(DropChecks, RefuseOrProceedWithTheirMessages) {
    const CheckCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a;
    FillSource(a);
    CLumData other;
    CLumData& target = c.otherProject ? other : a;
    c.setUp(a, target);
    RebuildUsers(a);
    RebuildUsers(target);
    Log().SetDefaultAnswer(c.answer);
    PutPatch(a, 512, 0); // an unrelated earlier undo step must survive a refusal
    Domain().ClearUndo();
    Domain().RecordUndo(kPatchKind, a);
    const ProjectState before(target);

    StoreSelection(a, c.rows, c.kind);
    const bool done = c.insert ? Insert(target, c.at, c.kind, c.otherProject) > 0
                               : Overwrite(target, c.at, c.kind, c.otherProject);

    EXPECT_EQ(done, c.allowed);
    EXPECT_EQ(Log().Questions(), c.questions);
    EXPECT_EQ(Log().Errors(), c.errors);
    if (!c.allowed) {
        EXPECT_TRUE(before.Matches(target));
        EXPECT_TRUE(Domain().m_undo[0].owner == &a && !Domain().m_undo[0].saved[kToneKind]);
    } else {
        EXPECT_EQ(Domain().m_undo[0].owner, &target);
        EXPECT_TRUE(before.patches == Domain().m_undo[0].patches &&
                    before.tones == Domain().m_undo[0].tones);
        EXPECT_EQ(Domain().m_undo[1].owner, nullptr);
        EXPECT_TRUE(UsersMatchReferences(target));
    }
}

INSTANTIATE_TEST_SUITE_P(, DropChecks, testing::ValuesIn(kCheckCases));

// Old numbers name the slots their records went to, the first record of a number counting;
// numbers no placed record came from (or past the slots given) stay unknown.
TEST(Renumbering, GivesEachOldNumberTheSlotOfItsFirstRecord) {
    const Corv::ListEdits::Renumbering renumbering({5, 3, 5, -1, 0, 7}, {10, 20, 30, 40, 50});
    const int cases[][2] = {{5, 11}, {3, 21}, {0, 51}, {7, 0}, {-1, 0}, {4, 0}, {1000, 0}};
    for (const auto& [old, renumbered] : cases)
        EXPECT_EQ(renumbering.NewNumber(old), renumbered) << old;
    EXPECT_EQ(Corv::ListEdits::Renumbering({}, {}).NewNumber(0), 0);
}

TEST_F(ListEdits, NothingToDropIsRefusedSilently) {
    CLumData a;
    EXPECT_FALSE(Overwrite(a, 0, kToneKind, false));
    EXPECT_EQ(Insert(a, 0, kWaveKind, true), 0);
    EXPECT_TRUE(Log().Calls().empty());
    EXPECT_FALSE(Domain().CanUndo());
}

class WaveSizeLimit : public ListEdits {
protected:
    // A sparse wave file of exactly `bytes` bytes.
    std::string File(const std::string& name, std::uintmax_t bytes) {
        const std::string path = m_dir / name;
        WriteBytes(path, {});
        std::filesystem::resize_file(path, bytes);
        return path;
    }
    TempDir m_dir;
};

TEST_F(WaveSizeLimit, CountsTheTargetAndTheCarriedWavesUpToTheLimitExactly) {
    const std::uintmax_t kept = 40'000'000;
    for (const bool passes : {true, false}) {
        const std::uintmax_t carried = kWaveBytesLimit - kept + (passes ? 0 : 1);
        Log().Clear();
        CLumData a;
        CLumData b;
        PutWave(a, 1, "Big", "A", File("big.w00", carried));
        PutWave(b, 1, "Kept", "B", File("kept.w00", kept));
        PutWave(b, 2, "Lost", "B", File("lost.w00", 7)); // cannot be opened: counts 0
        b.Waves()[1].SetFilePath(m_dir / "missing.w00");
        StoreSelection(a, {0}, kWaveKind);
        EXPECT_EQ(Insert(b, 5, kWaveKind, true) == 1, passes);
        EXPECT_EQ(Log().Errors(), passes ? std::vector<int>{} : std::vector<int>{kMsgWaveBytes});
    }
}

TEST_F(WaveSizeLimit, AnOverwriteOfWavesDoesNotCountTheWavesItReplaces) {
    CLumData a;
    CLumData b;
    PutWave(a, 1, "New", "A", File("new.w00", 101));
    PutWave(b, 1, "Big", "B", File("big.w00", kWaveBytesLimit - 101));
    PutWave(b, 2, "Small", "B", File("small.w00", 101));
    StoreSelection(a, {0}, kWaveKind);
    EXPECT_FALSE(Overwrite(b, 2, kWaveKind, true)); // an empty slot: 101 bytes more
    EXPECT_EQ(Log().Errors(), std::vector<int>{kMsgWaveBytes});
    Log().Clear();
    EXPECT_TRUE(Overwrite(b, 1, kWaveKind, true)); // replaces the other 101 bytes
    EXPECT_EQ(Log().Errors(), std::vector<int>{});
}

TEST_F(WaveSizeLimit, ACopyWithinOneProjectCountsItsCarriedWavesAMoveDoesNot) {
    CLumData a;
    PutWave(a, 1, "Big", "A", File("big.w00", kWaveBytesLimit / 2 + 1));
    PutTone(a, 1, {1});
    PutPatch(a, 1, 1);
    RebuildUsers(a);
    StoreSelection(a, {0}, kPatchKind);
    Domain().m_copyFlag = 0;
    EXPECT_TRUE(CanOverwrite(a, 5, kPatchKind, false, Domain().m_transferPatches));
    Domain().m_copyFlag = 1;
    EXPECT_FALSE(CanOverwrite(a, 5, kPatchKind, false, Domain().m_transferPatches));
    EXPECT_EQ(Log().Errors(), std::vector<int>{kMsgWaveBytes});
}

TEST_F(ListEdits, PatchesCopiedIntoAnotherProjectBringTheirTonesAndWavesOnce) {
    CLumData a;
    FillSource(a);
    CLumData b;
    PutTone(b, 1, {});
    PutWave(b, 2);
    PutPatch(b, 20, 1);
    RebuildUsers(b);
    StoreSelection(a, {1, 4, 8}, kPatchKind);
    Domain().m_copyFlag = 1;
    ASSERT_TRUE(Overwrite(b, 19, kPatchKind, true));

    // Patch 20 of b is overwritten by a's patch 2; tone 3 of a lands in b's slot 2, tone 7 in
    // slot 3; waves 2, 4 and 11 of a in b's slots 1, 3 and 4.
    const std::vector<std::string> placed = {
        Name(b, kPatchKind, 20), Name(b, kToneKind, 2), Name(b, kToneKind, 3),
        Name(b, kWaveKind, 1),   Name(b, kWaveKind, 3), Name(b, kWaveKind, 4)};
    EXPECT_EQ(placed, (std::vector<std::string>{"P2", "T3", "T7", "W2", "W4", "W11"}));
    const std::vector<int> refs = {ToneRef(b, 20, 0),   ToneRef(b, 21, 0),   ToneRef(b, 21, 1),
                                   WaveRef(b, 2, 0, 0), WaveRef(b, 2, 0, 1), WaveRef(b, 3, 0, 1),
                                   WaveRef(b, 3, 1, 0)};
    EXPECT_EQ(refs, (std::vector<int>{2, 3, 2, 3, 1, 3, 4}));
    // The preset tone reference is carried as it was.
    EXPECT_TRUE(b.Patches()[21].Slot(0) == a.Patches()[8].Slot(0));
    EXPECT_EQ(b.CountEmpty(kToneKind), kToneSlots - 3);
    EXPECT_TRUE(UsersMatchReferences(b));
}

TEST_F(ListEdits, ASlotThatReceivesACarriedToneListsTheReferencesItAlreadyHad) {
    // Patch 7 of b refers to its empty tone slot 1; the carried tone lands there, and a's empty
    // tone 40 lands as an empty slot 2 that keeps its patch.
    CLumData a;
    PutWave(a, 1);
    PutTone(a, 5, {1});
    PutPatch(a, 1, 5);
    PutPatch(a, 2, 40);
    RebuildUsers(a);
    CLumData b;
    PutPatch(b, 7, 1);
    PutTone(b, 3, {1}); // refers to b's empty wave slot 1, where a's wave lands
    RebuildUsers(b);
    StoreSelection(a, {0, 1}, kPatchKind);
    ASSERT_TRUE(Overwrite(b, 0, kPatchKind, true));

    EXPECT_EQ(ToneRef(b, 7, 0), 1); // the reference itself is left alone
    EXPECT_TRUE(ToneRef(b, 2, 0) == 2 && IsEmptySlot(b, kToneKind, 2));
    EXPECT_EQ(ToneUsers(b, 1), (std::vector<int>{0, 6}));
    EXPECT_EQ(WaveUsers(b, 1), (std::vector<int>{0, 2}));
    EXPECT_TRUE(UsersMatchReferences(b));
    // So deleting that tone reaches both patches.
    ASSERT_TRUE(DeleteEntries(b, {0}, kToneKind, true, true));
    EXPECT_EQ(ToneRef(b, 1, 0) + ToneRef(b, 7, 0), 0);
}

TEST_F(ListEdits, CopyingPatchesWithinOneProjectCarriesNothing) {
    CLumData a;
    FillSource(a);
    const int tonesBefore = a.CountEmpty(kToneKind);
    StoreSelection(a, {1, 4}, kPatchKind);
    Domain().m_copyFlag = 1;
    ASSERT_TRUE(Overwrite(a, 100, kPatchKind, false));
    EXPECT_EQ(a.CountEmpty(kToneKind), tonesBefore);
    EXPECT_EQ(a.CountEmpty(kWaveKind), kWaveSlots - 3);
    EXPECT_EQ(ToneRef(a, 101, 0), 3);
    EXPECT_EQ(ToneRef(a, 102, 0), 7);
    EXPECT_TRUE(UsersMatchReferences(a));
}

TEST_F(ListEdits, OneWaveInsertedAtTheTopOfAFullListRenumbersEveryReference) {
    CLumData a;
    PutWave(a, 1, "New", "A");
    CLumData b;
    FullWaves(b, 0);
    PutTone(b, 1, {1, 998, 999, 0, 1500});
    PutTone(b, 2, {999});
    b.Tones()[0].Osc(3).SetP(18, 2); // a side on another wave source keeps its digits
    b.Tones()[0].Osc(3).SetP(43, 5);
    RebuildUsers(b);
    StoreSelection(a, {0}, kWaveKind);
    Domain().m_copyFlag = 1;
    ASSERT_EQ(Insert(b, 0, kWaveKind, true), 1);

    EXPECT_EQ(Log().Questions(), std::vector<int>{kMsgInsert});
    // Wave 999 dropped off; 1500 lay beyond the list and passes the end too.
    const std::vector<int> refs = {WaveRef(b, 1, 0, 0), WaveRef(b, 1, 0, 1), WaveRef(b, 1, 1, 0),
                                   WaveRef(b, 1, 2, 0), b.Tones()[0].Osc(3).P(43),
                                   WaveRef(b, 2, 0, 0)};
    EXPECT_EQ(refs, (std::vector<int>{2, 999, 0, 0, 5, 0}));
    EXPECT_EQ(Name(b, kWaveKind, 1) + Name(b, kWaveKind, 999), "NewW998");
    EXPECT_TRUE(UsersMatchReferences(b));
}

TEST_F(ListEdits, InsertingPatchesMovesEveryLaterUserOnceNotEntryByEntry) {
    CLumData a;
    PutTone(a, 1, {});
    PutPatch(a, 6, 1);
    PutPatch(a, 7, 1);
    PutPatch(a, 1, 0);
    RebuildUsers(a);
    StoreSelection(a, {0}, kPatchKind);
    Domain().m_copyFlag = 1;
    ASSERT_EQ(Insert(a, 5, kPatchKind, false), 1);
    EXPECT_EQ(ToneUsers(a, 1), (std::vector<int>{6, 7}));
    EXPECT_EQ(ToneRef(a, 7, 0) + ToneRef(a, 8, 0), 2);
}

TEST_F(ListEdits, DeletesClearTheReferencesToWhatTheyEmptyAndKeepTheNumbering) {
    CLumData a;
    FillSource(a);
    const ProjectState before(a);
    EXPECT_TRUE(DeleteEntries(a, {-1, 512, 100000}, kPatchKind, false, true));
    EXPECT_TRUE(before.Matches(a));
    ASSERT_TRUE(DeleteEntries(a, {3}, kWaveKind, false, false));
    EXPECT_FALSE(Domain().CanUndo()); // without the question nothing is recorded
    ASSERT_TRUE(DeleteEntries(a, {2}, kToneKind, true, true));
    EXPECT_EQ(Log().Questions(), std::vector<int>{kMsgDelete});
    EXPECT_TRUE(IsEmptySlot(a, kToneKind, 3) && !IsEmptySlot(a, kToneKind, 7));
    const std::vector<int> refs = {ToneRef(a, 2, 0), ToneRef(a, 5, 0), ToneRef(a, 5, 1),
                                   WaveRef(a, 7, 0, 1), WaveRef(a, 7, 1, 0)};
    EXPECT_EQ(refs, (std::vector<int>{0, 7, 0, 0, 11}));
    EXPECT_TRUE(UsersMatchReferences(a));

    // Cancelling a later delete leaves the tone's delete as the step Undo takes back.
    const ProjectState afterDelete(a);
    Log().SetDefaultAnswer(kAnswerCancel);
    EXPECT_FALSE(DeleteEntries(a, {4}, kPatchKind, true, true));
    EXPECT_TRUE(afterDelete.Matches(a));
    Domain().Undo();
    EXPECT_EQ(ToneRef(a, 2, 0), 3);
}

} // namespace
