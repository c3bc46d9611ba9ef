#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"
#include "list_edit_support.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

// The exact edges of drops and deletes; the editing property test covers the general case.
namespace {

using namespace Corv;
using namespace CorvTest;

class ListEdits : public EditTest {};

// Patches 2 and 5 share tone 3; patch 5 also uses tone 7; tone 3 uses waves 4 and 2, tone 7
// waves 4 and 11.
void FillSource(CLumData& a) {
    for (const int w : {2, 4, 11})
        PutWave(a, w);
    PutTone(a, 3, {4, 2});
    PutTone(a, 7, {0, 4, 11});
    PutPatch(a, 2, 3);
    PutPatch(a, 5, 7, 3);
    RebuildUsers(a);
}

// Fills a project's tone and wave lists up to their last `tonesFree` and `wavesFree` slots.
void Fill(CLumData& project, int tonesFree, int wavesFree) {
    for (int t = 1; t <= kToneSlots - tonesFree; ++t)
        PutTone(project, t, {}, "", "B");
    for (int w = 1; w <= kWaveSlots - wavesFree; ++w)
        PutWave(project, w, "", "B");
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
    int question, error; // 0: none
};

auto Nothing = [](CLumData&, CLumData&) {};
auto UsedPatch(int number) {
    return [number](CLumData&, CLumData& b) { PutPatch(b, number, 0); };
}
auto Free(int tones, int waves) {
    return [tones, waves](CLumData&, CLumData& b) { Fill(b, tones, waves); };
}

// name, set-up, kind, rows, at, insert, other project, answer, allowed, questions, errors
const CheckCase kCheckCases[] = {
    {"three patches at 510 do not fit", UsedPatch(511), kPatchKind, Rows(1, 4, 8), 510, false,
     false, kAnswerOk, false, 0, 0},
    {"three patches inserted at 510 do not fit", Nothing, kPatchKind, Rows(1, 4, 8), 510, true,
     true, kAnswerOk, false, 0, 0},
    {"overwriting empty slots asks nothing", Nothing, kPatchKind, Rows(1, 4), 100, false, true,
     kAnswerCancel, true, 0, 0},
    {"cancelling the overwrite question refuses", UsedPatch(101), kPatchKind, Rows(1), 100, false,
     true, kAnswerCancel, false, kMsgOverwrite, 0},
    {"inserting with empty last slots asks nothing", UsedPatch(510), kPatchKind, Rows(1, 4), 0,
     true, true, kAnswerCancel, true, 0, 0},
    {"inserting pushes a used last slot out", UsedPatch(511), kPatchKind, Rows(1, 4), 0, true, true,
     kAnswerCancel, false, kMsgInsert, 0},
    {"too few tone slots, checked before waves", Free(1, 0), kPatchKind, Rows(4), 0, false, true,
     kAnswerOk, false, 0, kMsgToneSpace},
    {"exactly the free tone and wave slots the drop carries into", Free(2, 3), kPatchKind, Rows(4),
     0, false, true, kAnswerOk, true, 0, 0},
    {"too few wave slots for carried waves", Free(kToneSlots, 2), kPatchKind, Rows(4), 0, false,
     true, kAnswerOk, false, 0, kMsgWaveSpace},
    {"tones need wave slots too", Free(kToneSlots, 1), kToneKind, Rows(6), 0, true, true, kAnswerOk,
     false, 0, kMsgWaveSpace},
    {"waves need no free slots", Free(kToneSlots, 0), kWaveKind, Rows(1, 3), 5, false, true,
     kAnswerOk, true, kMsgOverwrite, 0},
    {"within one project slot space is not needed", [](CLumData& a, CLumData&) { Fill(a, 0, 0); },
     kPatchKind, Rows(4), 300, false, false, kAnswerOk, true, 0, 0},
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
    Domain().RecordUndo(kPatchKind, a); // an earlier undo step must survive a refusal
    const ProjectState before(target);

    StoreSelection(a, c.rows, c.kind);
    const bool done = c.insert ? Insert(target, c.at, c.kind, c.otherProject) > 0
                               : Overwrite(target, c.at, c.kind, c.otherProject);

    EXPECT_EQ(done, c.allowed);
    EXPECT_EQ(Log().Questions(), c.question ? std::vector<int>{c.question} : std::vector<int>{});
    EXPECT_EQ(Log().Errors(), c.error ? std::vector<int>{c.error} : std::vector<int>{});
    if (!c.allowed) {
        EXPECT_TRUE(before.Matches(target));
        EXPECT_TRUE(Domain().m_undo[0].owner == &a && !Domain().m_undo[0].saved[kToneKind]);
    } else {
        EXPECT_EQ(Domain().m_undo[0].owner, &target);
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
}

// Wave files of exact sizes, sparse where the file system allows.
class WaveSizeLimit : public ListEdits {
protected:
    std::string File(const std::string& name, std::uintmax_t bytes) {
        const std::string path = m_dir / name;
        WriteBytes(path, {});
        std::filesystem::resize_file(path, bytes);
        return path;
    }
    TempDir m_dir;
};

// The target's waves and the carried ones count up to the limit exactly; a file that cannot
// be opened counts 0, and an overwrite of waves does not count the waves it replaces.
TEST_F(WaveSizeLimit, CountsTheTargetAndTheCarriedWavesUpToTheLimitExactly) {
    const std::uintmax_t kept = 40'000'000;
    for (const int extra : {0, 1}) {
        Log().Clear();
        CLumData a;
        CLumData b;
        PutWave(a, 1, "Big", "A", File("big.w00", kWaveBytesLimit - kept + extra));
        PutWave(b, 1, "Kept", "B", File("kept.w00", kept));
        PutWave(b, 2, "Lost", "B", m_dir / "missing.w00");
        StoreSelection(a, {0}, kWaveKind);
        EXPECT_EQ(Insert(b, 5, kWaveKind, true), 1 - extra);
        EXPECT_EQ(Log().Errors(),
                  extra == 0 ? std::vector<int>{} : std::vector<int>{kMsgWaveBytes});
        StoreSelection(a, {0}, kWaveKind);
        EXPECT_TRUE(Overwrite(b, 0, kWaveKind, true)) << "replaces the kept wave";
    }
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

// References beyond the lists are carried as they are; patch 7 of b refers to its empty tone
// slot 1, where the carried tone lands, and so becomes one of its users.
TEST_F(ListEdits, CarriedRecordsLandInTheFirstEmptySlotsAndAdoptTheirReferrers) {
    CLumData a;
    PutWave(a, 3);
    PutTone(a, 2, {1200, 65535, 3});
    PutPatch(a, 1, 2, 16384);
    RebuildUsers(a);
    CLumData b;
    PutPatch(b, 7, 1);
    PutTone(b, 2, {1}); // refers to b's empty wave slot 1, where a's wave lands
    RebuildUsers(b);
    StoreSelection(a, {0}, kPatchKind);
    ASSERT_TRUE(Overwrite(b, 0, kPatchKind, true));

    const std::vector<int> refs = {ToneRef(b, 1, 0), ToneRef(b, 1, 1), WaveRef(b, 1, 0, 0),
                                   WaveRef(b, 1, 0, 1), WaveRef(b, 1, 1, 0)};
    EXPECT_EQ(refs, (std::vector<int>{1, 16384, 1200, 65535, 1}));
    EXPECT_TRUE(UsersMatchReferences(b));
}

TEST_F(ListEdits, OneWaveInsertedAtTheTopOfAFullListRenumbersEveryReference) {
    CLumData a;
    PutWave(a, 1, "New", "A");
    CLumData b;
    Fill(b, kToneSlots, 0);
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
    const std::vector<int> refs = {WaveRef(b, 1, 0, 0),       WaveRef(b, 1, 0, 1),
                                   WaveRef(b, 1, 1, 0),       WaveRef(b, 1, 2, 0),
                                   b.Tones()[0].Osc(3).P(43), WaveRef(b, 2, 0, 0)};
    EXPECT_EQ(refs, (std::vector<int>{2, 999, 0, 0, 5, 0}));
    EXPECT_EQ(Name(b, kWaveKind, 1) + Name(b, kWaveKind, 999), "NewW998");
    EXPECT_TRUE(UsersMatchReferences(b));
}

// Rows outside the list are ignored; deleting a wave clears the references to it alone.
TEST_F(ListEdits, DeletesClearTheReferencesToWhatTheyEmptyAndIgnoreRowsOutsideTheList) {
    CLumData a;
    FillSource(a);
    const ProjectState before(a);
    EXPECT_TRUE(DeleteEntries(a, {-1, 512, 100000}, kPatchKind, false, true));
    EXPECT_TRUE(before.Matches(a));
    ASSERT_TRUE(DeleteEntries(a, {3}, kWaveKind, false, false));
    EXPECT_EQ((std::vector<int>{WaveRef(a, 3, 0, 0), WaveRef(a, 3, 0, 1), WaveRef(a, 7, 1, 0)}),
              (std::vector<int>{0, 2, 11}));
    EXPECT_TRUE(UsersMatchReferences(a));
}

} // namespace
