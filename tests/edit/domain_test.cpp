#include "storage/domain.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>

// The store's undo step and messages; undo after every kind of edit is checked by the editing
// property test.
namespace {

using namespace Corv;
using namespace CorvTest;

class DomainTest : public ::testing::Test {
protected:
    void SetUp() override { CDomain::Reset(); }
    void TearDown() override { CDomain::Reset(); }
    CDomain& Store() { return CDomain::Get(); }
};

TEST_F(DomainTest, ATwoProjectStepUndoesBothAndEndsWithEitherProject) {
    auto target = std::make_unique<CLumData>();
    auto source = std::make_unique<CLumData>();
    source->Waves().PlaceClone(0, MakeWave("Moved", "/x/001 Moved.w00"));
    Store().RecordUndo(kUndoAllKinds, *target);
    Store().RecordUndo(kWaveKind, *source);
    target->Waves().PlaceClone(0, source->Waves()[0]);
    source->Waves()[0].ClearTexts();

    EXPECT_EQ(Store().Undo()[1], source.get());
    EXPECT_TRUE(target->Waves()[0].IsEmpty());
    EXPECT_EQ(source->Waves()[0].Name(), "Moved");
    { CLumData other; } // a project without the step leaves it alone
    EXPECT_TRUE(Store().OwnsUndo(target.get()) && Store().OwnsUndo(source.get()));
    source.reset();
    EXPECT_FALSE(Store().CanUndo() || Store().OwnsUndo(target.get()));
    EXPECT_EQ(Store().Undo()[0], nullptr);
}

// An error with its reason: a sink that has a place for the reason gets both at once; one that
// has none shows the error and then the reason as a notice, so the reason is never lost.
TEST_F(DomainTest, AnErrorsReasonReachesEverySink) {
    EXPECT_EQ(Store().Ask(kButtonsYesNo, kMsgReplaceProject), kAnswerCancel); // no sink yet
    auto log = InstallScriptedSink();
    Store().SetTextBuffer(std::make_unique<CLumTextOutBuffer>());
    Store().ShowError(kMsgLoadFailed, "Tone/ is missing");
    EXPECT_EQ(log->Describe(), "error 1: Tone/ is missing\n");
    EXPECT_EQ(Store().TextBuffer()->LastError(), 1);

    struct PlainSink : CTextOutBox {
        std::vector<std::string> told;
        void ShowError(int code) override { told.push_back("error " + std::to_string(code)); }
        int Ask(int, int) override { return kAnswerOk; }
        void ShowNotice(const std::string& text) override { told.push_back("note " + text); }
    };
    auto sink = std::make_unique<PlainSink>();
    PlainSink& plain = *sink;
    Store().SetMessageSink(std::move(sink));
    Store().ShowError(kMsgLoadFailed, "Patch/001 A.d00: not a patch file");
    Store().ShowError(kMsgSaveFailed, "");
    EXPECT_EQ(plain.told, (std::vector<std::string>{
                              "error 1", "note Patch/001 A.d00: not a patch file", "error 2"}));
}

} // namespace
