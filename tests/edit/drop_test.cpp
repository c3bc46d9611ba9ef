#include "edit/drop.h"
#include "list_edit_support.h"

#include <gtest/gtest.h>

// What a whole drop adds to the overwrite and the insert: the rule for a block dropped onto
// itself and requests that cannot be carried out. The defaults of copy and move and the rows
// selected afterwards are checked by the editing property test.
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
void FillSmall(CLumData& project) {
    for (int w = 1; w <= 3; ++w)
        PutWave(project, w);
    PutTone(project, 1, {1});
    PutTone(project, 2, {2, 3});
    PutTone(project, 5, {3});
    const int tones[][2] = {{1, 0}, {2, 0}, {5, 0}, {1, 5}};
    for (int p = 1; p <= 4; ++p)
        PutPatch(project, p, tones[p - 1][0], tones[p - 1][1]);
    RebuildUsers(project);
}

DropRequest Request(CLumData& source, std::vector<int> rows, int kind, CLumData& target, int at,
                    bool insert = false, std::optional<bool> copy = std::nullopt) {
    return DropRequest{&source, std::move(rows), kind, &target, at, insert, copy};
}

// A block dropped onto its own first row does nothing, unless a copy is inserted there.
TEST_F(Drop, ABlockOnItsOwnFirstRowDoesNothingUnlessACopyIsInserted) {
    struct Case {
        std::vector<int> rows;
        int at;
        bool insert, copy, done;
    };
    const Case cases[] = {{{2, 3, 4}, 2, false, false, false}, {{3, 4, 2}, 2, false, true, false},
                          {{2, 3, 4}, 2, true, false, false},  {{4, 2, 3}, 2, true, true, true},
                          {{2, 4}, 2, false, true, true},      {{2, 3, 4}, 3, false, false, true},
                          {{2, 3, 4}, 1, true, false, true}};
    for (const Case& c : cases) {
        CLumData a;
        for (int p = 1; p <= 8; ++p)
            PutPatch(a, p, 0);
        const ProjectState before(a);
        Domain().ClearUndo();
        Log().Clear();
        const DropResult result =
            PerformDrop(Request(a, c.rows, kPatchKind, a, c.at, c.insert, c.copy));
        EXPECT_EQ(result.done, c.done) << c.at << " " << c.insert << " " << c.copy;
        if (!c.done)
            EXPECT_TRUE(before.Matches(a) && !Domain().CanUndo() && Log().Calls().empty() &&
                        result.sourceSelection.empty());
    }
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

} // namespace
