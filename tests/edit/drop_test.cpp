#include "edit/cell_edit.h"
#include "edit/drop.h"
#include "list_edit_support.h"

#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class Drop : public EditTest {
protected:
    void TearDown() override {
        // Whatever happened, a drop leaves no transfer records behind.
        EXPECT_EQ(Domain().m_transferPatches.Size() + Domain().m_transferTones.Size() +
                      Domain().m_transferWaves.Size(),
                  0u);
        EditTest::TearDown();
    }
};

// Patches 1-4 on tones 1, 2, 5 and (1, 5); tones on waves 1-3.
void FillSmall(CLumData& project, const std::string& folder = "A") {
    for (int w = 1; w <= 3; ++w)
        PutWave(project, w, "", folder);
    PutTone(project, 1, {1}, "", folder);
    PutTone(project, 2, {2, 3}, "", folder);
    PutTone(project, 5, {3}, "", folder);
    const int tones[][2] = {{1, 0}, {2, 0}, {5, 0}, {1, 5}};
    for (int p = 1; p <= 4; ++p)
        PutPatch(project, p, tones[p - 1][0], tones[p - 1][1], "", folder);
    RebuildUsers(project);
}

DropRequest Request(CLumData& source, std::vector<int> rows, int kind, CLumData& target, int at,
                    bool insert = false, std::optional<bool> copy = std::nullopt) {
    return DropRequest{&source, std::move(rows), kind, &target, at, insert, copy};
}

TEST_F(Drop, WithoutAChoiceAListMovesWithinItselfAndCopiesIntoAnotherProject) {
    struct Case {
        bool sameProject;
        std::optional<bool> copy;
        bool sourceKeepsTheRow;
    };
    for (const Case& c : {Case{true, std::nullopt, false}, Case{true, true, true},
                          Case{false, std::nullopt, true}, Case{false, false, false}}) {
        SCOPED_TRACE(testing::Message()
                     << "same " << c.sameProject << " copy " << (c.copy ? int(*c.copy) : -1));
        CLumData a;
        CLumData b;
        FillSmall(a);
        CLumData& target = c.sameProject ? a : b;
        const DropResult result =
            PerformDrop(Request(a, {2}, kPatchKind, target, 100, false, c.copy));
        ASSERT_TRUE(result.done);
        EXPECT_EQ(Name(target, kPatchKind, 101), "P3");
        EXPECT_EQ(IsEmptySlot(a, kPatchKind, 3), !c.sourceKeepsTheRow);
        EXPECT_EQ(Domain().m_copyFlag, c.sourceKeepsTheRow ? 1u : 0u);
        EXPECT_EQ(result.sourceChanged, !c.sourceKeepsTheRow);
        EXPECT_EQ(result.sourceSelection, std::vector<int>{2});
        EXPECT_EQ(result.targetSelection, std::vector<int>{100});
        EXPECT_TRUE(UsersMatchReferences(a));
        EXPECT_TRUE(UsersMatchReferences(b));
        // A move between two projects is one undo step over both.
        const bool twoProjects = !c.sameProject && !c.sourceKeepsTheRow;
        EXPECT_EQ(Domain().m_undo[0].owner, &target);
        EXPECT_EQ(Domain().m_undo[1].owner, twoProjects ? &a : nullptr);
    }
}

struct SelfDropCase {
    std::vector<int> rows;
    int at;
    bool insert;
    bool copy;
    bool done;
};

class SelfDrop : public Drop, public testing::WithParamInterface<SelfDropCase> {};

TEST_P(SelfDrop, ABlockOnItsOwnFirstRowDoesNothingUnlessACopyIsInserted) {
    const SelfDropCase& c = GetParam();
    CLumData a;
    for (int p = 1; p <= 8; ++p)
        PutPatch(a, p, 0);
    const ProjectState before(a);
    const DropResult result =
        PerformDrop(Request(a, c.rows, kPatchKind, a, c.at, c.insert, c.copy));
    EXPECT_EQ(result.done, c.done);
    if (!c.done) {
        EXPECT_TRUE(before.Matches(a));
        EXPECT_TRUE(Log().Calls().empty());
        EXPECT_FALSE(Domain().CanUndo());
        EXPECT_TRUE(result.sourceSelection.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(, SelfDrop,
                         testing::Values(SelfDropCase{{2, 3, 4}, 2, false, false, false},
                                         SelfDropCase{{3, 4, 2}, 2, false, true, false},
                                         SelfDropCase{{2, 3, 4}, 2, true, false, false},
                                         SelfDropCase{{4, 2, 3}, 2, true, true, true},
                                         SelfDropCase{{2, 4}, 2, false, true, true},
                                         SelfDropCase{{2, 3, 4}, 3, false, false, true},
                                         SelfDropCase{{2, 3, 4}, 1, true, false, true}));

TEST_F(Drop, ACopyInsertedOntoItselfDoublesTheBlock) {
    CLumData a;
    for (int p = 1; p <= 8; ++p)
        PutPatch(a, p, 0);
    const DropResult result = PerformDrop(Request(a, {2, 3}, kPatchKind, a, 2, true, true));
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.inserted, 2);
    EXPECT_EQ(result.targetSelection, (std::vector<int>{2, 3}));
    EXPECT_EQ(result.sourceSelection, (std::vector<int>{4, 5}));
    std::string names;
    for (int p = 1; p <= 7; ++p)
        names += Name(a, kPatchKind, p);
    EXPECT_EQ(names, "P1P2P3P4P3P4P5");
}

TEST(DropReselection, FollowsTheDraggedRowsToTheirPlacesAfterTheDrop) {
    struct Case {
        std::vector<int> rows;
        int kind;
        int at;
        bool insert;
        bool otherProject;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{7, 2}, kPatchKind, 0, true, true, {7, 2}},       // another project: as they were
        {{3, 4, 5}, kPatchKind, 4, false, false, {3}},     // 4 and 5 were overwritten
        {{9, 3}, kToneKind, 3, false, false, {9}},         // 3 itself was overwritten
        {{2, 8}, kToneKind, 5, true, false, {2, 10}},      // behind the insert position
        {{1, 997, 998}, kWaveKind, 0, true, false, {4}},   // the last two were pushed out
        {{509, 510}, kPatchKind, 100, true, false, {511}}, // 512 is past the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReselectedSourceRows(c.rows, c.kind, c.at, c.insert, c.otherProject), c.expected);
}

TEST_F(Drop, AToneMovedWithinAProjectTakesItsPatchesAlong) {
    CLumData a;
    FillSmall(a);
    // Tones 1 and 2 go over tones 5 and 6: patch 3 loses tone 5, patch 4 keeps tone 1.
    const DropResult result = PerformDrop(Request(a, {0, 1}, kToneKind, a, 4));
    ASSERT_TRUE(result.done);
    EXPECT_EQ(Log().Questions(), std::vector<int>{kMsgOverwrite});
    EXPECT_EQ(Name(a, kToneKind, 5) + Name(a, kToneKind, 6), "T1T2");
    EXPECT_TRUE(IsEmptySlot(a, kToneKind, 1) && IsEmptySlot(a, kToneKind, 2));
    const std::vector<int> refs = {ToneRef(a, 1, 0), ToneRef(a, 2, 0), ToneRef(a, 3, 0),
                                   ToneRef(a, 4, 0), ToneRef(a, 4, 1)};
    EXPECT_EQ(refs, (std::vector<int>{5, 6, 0, 5, 0}));
    EXPECT_EQ(a.Patches()[2].Slot(0).P(1), 0); // patch 3's cut reference holds no bank either
    EXPECT_TRUE(UsersMatchReferences(a));
}

TEST_F(Drop, AToneMovedIntoAnotherProjectBringsItsWavesAndUndoesInBoth) {
    CLumData a;
    CLumData b;
    FillSmall(a);
    FillSmall(b, "B");
    const ProjectState aBefore(a);
    const ProjectState bBefore(b);
    const DropResult result = PerformDrop(Request(a, {1, 4}, kToneKind, b, 9, false, false));
    ASSERT_TRUE(result.done);
    EXPECT_TRUE(result.sourceChanged);
    EXPECT_TRUE(IsEmptySlot(a, kToneKind, 2));
    EXPECT_EQ(ToneRef(a, 2, 0) + ToneRef(a, 3, 0), 0); // the source's patches lose them
    EXPECT_EQ(Name(b, kToneKind, 10), "T2");
    // a's waves 2 and 3 came along into b's slots 4 and 5.
    const std::vector<int> waves = {WaveRef(b, 10, 0, 0), WaveRef(b, 10, 0, 1),
                                    WaveRef(b, 11, 0, 0)};
    EXPECT_EQ(waves, (std::vector<int>{4, 5, 5}));
    EXPECT_TRUE(UsersMatchReferences(a));
    EXPECT_TRUE(UsersMatchReferences(b));
    const auto touched = Domain().Undo();
    EXPECT_EQ(touched[0], &b);
    EXPECT_EQ(touched[1], &a);
    EXPECT_TRUE(aBefore.Matches(a) && bBefore.Matches(b));
}

TEST_F(Drop, ARefusedDropChangesNothingAndKeepsTheEarlierUndoStep) {
    CLumData a;
    CLumData b;
    FillSmall(a);
    FillSmall(b, "B");
    PutPatch(b, 512, 0, 0, "", "B");
    ASSERT_TRUE(SetNames(b, kPatchKind, {0}, "Earlier"));
    const ProjectState aBefore(a);
    const ProjectState bBefore(b);
    Log().SetDefaultAnswer(kAnswerCancel);
    for (const bool insert : {false, true}) {
        const DropResult result =
            PerformDrop(Request(a, {0, 1}, kPatchKind, b, insert ? 5 : 3, insert, false));
        EXPECT_FALSE(result.done);
        EXPECT_FALSE(result.sourceChanged || result.targetChanged);
    }
    EXPECT_EQ(Log().Questions(), (std::vector<int>{kMsgOverwrite, kMsgInsert}));
    EXPECT_TRUE(aBefore.Matches(a));
    EXPECT_TRUE(bBefore.Matches(b));
    EXPECT_EQ(Domain().m_undo[0].owner, &b);
    EXPECT_EQ(Domain().m_undo[1].owner, nullptr);
    Domain().Undo();
    EXPECT_EQ(Name(b, kPatchKind, 1), "P1");
}

TEST_F(Drop, NothingHappensForEmptyRowsOrRowsOutsideTheList) {
    CLumData a;
    CLumData b;
    FillSmall(a);
    const ProjectState before(b);
    for (const std::vector<int>& rows : {std::vector<int>{}, std::vector<int>{10, 11},
                                         std::vector<int>{0, 512}, std::vector<int>{-1, 0}})
        EXPECT_FALSE(PerformDrop(Request(a, rows, kPatchKind, b, 0)).done);
    DropRequest noTarget = Request(a, {0}, kPatchKind, b, 0);
    noTarget.target = nullptr;
    EXPECT_FALSE(PerformDrop(noTarget).done);
    EXPECT_TRUE(before.Matches(b));
    EXPECT_TRUE(Log().Calls().empty());
}

TEST_F(Drop, ARowGivenTwiceIsDroppedOnce) {
    CLumData a;
    CLumData b;
    FillSmall(a);
    const DropResult result = PerformDrop(Request(a, {1, 1, 0}, kPatchKind, b, 0, true));
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.inserted, 2);
    EXPECT_EQ(Name(b, kPatchKind, 1) + Name(b, kPatchKind, 2), "P2P1");
    EXPECT_TRUE(IsEmptySlot(b, kPatchKind, 3));
}

} // namespace
