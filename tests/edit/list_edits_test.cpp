#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"
#include "edit_property_model.h"
#include "support/faulty_file_system.h"

#include <functional>
#include <gtest/gtest.h>

// The exact edges of drops and deletes; the editing property test covers the general case:
// placing, renumbering and carrying records, and the references that follow them.
namespace {

using namespace Corv;
using namespace CorvTest;
using CorvTest::Property::SizedFileSystem;

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
    std::function<void(CLumData& source, CLumData& target, SizedFileSystem& files)> setUp;
    int kind;
    std::vector<int> rows;
    int at;
    bool insert, otherProject;
    int answer;
    bool allowed;
    int question, error; // 0: none
    int copyFlag = -1;   // -1: the store's own
};

auto Nothing = [](CLumData&, CLumData&, SizedFileSystem&) {};
auto UsedPatch(int number) {
    return [number](CLumData&, CLumData& b, SizedFileSystem&) { PutPatch(b, number, 0); };
}
auto Free(int tones, int waves) {
    return [tones, waves](CLumData&, CLumData& b, SizedFileSystem&) { Fill(b, tones, waves); };
}
// A's wave 4 takes what B's wave 1 of 40,000,000 bytes leaves of the size limit, and `over`
// bytes more; B's wave 2 cannot be opened and counts 0.
auto Bytes(std::uint32_t over) {
    return [over](CLumData& a, CLumData& b, SizedFileSystem& files) {
        PutWave(b, 1, "", "B");
        PutWave(b, 2, "", "B");
        files.SetSize(b.Waves()[0].FilePath(), 40'000'000);
        files.SetSize(a.Waves()[3].FilePath(), kWaveBytesLimit - 40'000'000 + over);
    };
}
auto HalfLimit = [](CLumData& a, CLumData&, SizedFileSystem& files) {
    files.SetSize(a.Waves()[3].FilePath(), kWaveBytesLimit / 2 + 1);
};

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
    {"within one project slot space is not needed",
     [](CLumData& a, CLumData&, SizedFileSystem&) { Fill(a, 0, 0); }, kPatchKind, Rows(4), 300,
     false, false, kAnswerOk, true, 0, 0},
    {"carried waves up to the size limit exactly", Bytes(0), kWaveKind, Rows(3), 5, true, true,
     kAnswerOk, true, 0, 0},
    {"carried waves one byte over the limit", Bytes(1), kWaveKind, Rows(3), 5, true, true,
     kAnswerOk, false, 0, kMsgWaveBytes},
    {"an overwrite does not count the waves it replaces", Bytes(1), kWaveKind, Rows(3), 0, false,
     true, kAnswerOk, true, kMsgOverwrite, 0},
    {"a copy within one project counts its carried waves", HalfLimit, kPatchKind, Rows(4), 100,
     false, false, kAnswerOk, false, 0, kMsgWaveBytes, 1},
    {"a move within one project does not", HalfLimit, kPatchKind, Rows(4), 100, false, false,
     kAnswerOk, true, 0, 0, 0},
};

class DropChecks : public ListEdits, public testing::WithParamInterface<CheckCase> {
protected:
    SizedFileSystem m_files;
    ScopedFileSystem m_scope{m_files};
};

TEST_P(DropChecks, RefuseOrProceedWithTheirMessages) {
    const CheckCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a;
    FillSource(a);
    CLumData other;
    CLumData& target = c.otherProject ? other : a;
    c.setUp(a, target, m_files);
    if (c.copyFlag >= 0)
        Domain().m_copyFlag = c.copyFlag;
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

// Rows outside the list are ignored; the random deletes of the editing property test cover the
// rest.
TEST_F(ListEdits, DeletesIgnoreRowsOutsideTheList) {
    CLumData a;
    FillSource(a);
    const ProjectState before(a);
    EXPECT_TRUE(DeleteEntries(a, {-1, 512, 100000}, kPatchKind, false, true));
    EXPECT_TRUE(before.Matches(a));
}

} // namespace
