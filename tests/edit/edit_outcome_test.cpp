#include "edit/clean.h"
#include "edit/drop.h"
#include "edit/edit_outcome.h"
#include "edit/list_edits.h"
#include "edit/wave_import.h"
#include "list_edit_support.h"
#include "storage/project_document.h"

#include <gtest/gtest.h>

// The core returns what an edit came to and asks through the callback it is given; what the
// user sees of a refusal is shown by the program with `ShowRefusal`.
namespace {

using namespace Corv;
using namespace CorvTest;
using State = EditOutcome::State;

TEST_F(EditTest, ARefusalIsShownWithItsReasonAndNothingElseIs) {
    const std::pair<EditOutcome, const char*> cases[] = {
        {{}, ""},
        {EditOutcome::Cancellation(), ""},
        {EditOutcome::Refusal(), ""},
        {EditOutcome::Refusal(kMsgToneSpace), "error 11\n"},
        {EditOutcome::Refusal(kMsgWaveBytes, "10 bytes over"), "error 8: 10 bytes over\n"},
    };
    for (const auto& [outcome, shown] : cases) {
        Log().Clear();
        ShowRefusal(Domain(), outcome);
        EXPECT_EQ(Log().Describe(), shown);
    }
}

// One edit run as a program runs it, without showing its outcome.
using Edit = EditOutcome (*)(CLumData& a, CLumData& b, CUndoStep& undo, const ConfirmFn& ask);

EditOutcome DeletePatch(CLumData& a, CLumData&, CUndoStep& undo, const ConfirmFn& ask) {
    return DeleteEntries(a, {0}, kPatchKind, undo, ask);
}
EditOutcome DeleteNoKind(CLumData& a, CLumData&, CUndoStep& undo, const ConfirmFn& ask) {
    return DeleteEntries(a, {0}, 3, undo, ask);
}
EditOutcome DropPatch(CLumData& a, CLumData& b, CUndoStep& undo, const ConfirmFn& ask) {
    const DropResult result = PerformDrop({&a, {0}, kPatchKind, &b, 0, false, {}}, undo, ask);
    EXPECT_EQ(result.done, result.outcome.Done());
    return result.outcome;
}
EditOutcome CleanA(CLumData& a, CLumData&, CUndoStep& undo, const ConfirmFn&) {
    return CleanProject(a, {}, undo);
}

void AsIs(CLumData&) {}
void AllTones(CLumData& b) {
    for (int t = 1; t <= kToneSlots; ++t)
        PutTone(b, t, {}, "", "B");
}
void NoPatch(CLumData& b) {
    b.Patches()[0].ClearTexts();
}

struct OutcomeCase {
    const char* name;
    int answer;                   // the answer to every question
    void (*prepare)(CLumData& b); // B before the edit (it holds patch 1)
    Edit edit;
    State state;
    int code;
    std::vector<int> questions;
};

const OutcomeCase kOutcomeCases[] = {
    {"a delete the user declines",
     kAnswerCancel,
     AsIs,
     DeletePatch,
     State::Cancelled,
     0,
     {kMsgDelete}},
    {"a delete of a kind that is no list", kAnswerOk, AsIs, DeleteNoKind, State::Refused, 0, {}},
    {"a drop whose question is declined",
     kAnswerCancel,
     AsIs,
     DropPatch,
     State::Cancelled,
     0,
     {kMsgOverwrite}},
    // Refused before it asks whether the patch it would overwrite may go.
    {"a drop into a project without free tone slots",
     kAnswerOk,
     AllTones,
     DropPatch,
     State::Refused,
     kMsgToneSpace,
     {}},
    {"a drop onto empty slots", kAnswerCancel, NoPatch, DropPatch, State::Done, 0, {}},
    {"a clean", kAnswerCancel, AsIs, CleanA, State::Done, 0, {}},
};

class EditOutcomes : public EditTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(EditOutcomes, AreReturnedAndNeverShownByTheCore) {
    const OutcomeCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a, b;
    PutTone(a, 1, {});
    PutPatch(a, 1, 1);
    PutPatch(b, 1, 0, 0, "", "B");
    c.prepare(b);
    RebuildUsers(a);
    Log().SetDefaultAnswer(c.answer);
    const ProjectState before(a), beforeB(b);

    const EditOutcome outcome = c.edit(a, b, Undo(), Confirm());

    EXPECT_EQ(outcome.state, c.state);
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_EQ(Log().Questions(), c.questions);
    if (c.code == kMsgToneSpace) { // a refusal says by how much
        EXPECT_EQ(outcome.reason, "The drop needs 1 free tone slot; 0 are free.");
    }
    EXPECT_TRUE(Log().Errors().empty()) << Log().Describe();
    // Only an edit that was done recorded a step for undo.
    EXPECT_EQ(Undo().CanUndo(), outcome.Done());
    EXPECT_TRUE(outcome.Done() || (before.Matches(a) && beforeB.Matches(b)));
}

INSTANTIATE_TEST_SUITE_P(, EditOutcomes, testing::ValuesIn(kOutcomeCases));

// An import refused before it copies anything says why in its outcome and records no undo step.
TEST_F(EditTest, AnImportRefusalIsReturnedNotShown) {
    CProjectDocument document;
    for (std::size_t w = 0; w < 999; ++w)
        document.Data().Waves()[w].SetFilePath("/missing/" + std::to_string(w));
    const ImportResult full = ImportWaves(document, {"/a.wav"}, Undo());
    EXPECT_EQ(full.imported, 0);
    EXPECT_EQ(full.outcome.state, State::Refused);
    EXPECT_EQ(full.outcome.code, kMsgWaveSpace);
    const ImportResult none = ImportWaves(document, {}, Undo());
    EXPECT_EQ(none.outcome.code, kMsgImportConditions);
    EXPECT_TRUE(Log().Calls().empty() && !Undo().CanUndo());
}

} // namespace
