#include "storage/domain.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>

using namespace Corv;
using namespace CorvTest;

namespace {

class DomainTest : public ::testing::Test {
protected:
    void SetUp() override { CDomain::Reset(); }
    void TearDown() override { CDomain::Reset(); }
    CDomain& Store() { return CDomain::Get(); }
};

TEST_F(DomainTest, UndoExchangesTheArraysSoThatUndoAgainRedoes) {
    CLumData project;
    project.Patches().PlaceClone(0, MakePatch("Before", 1));
    project.Tones().PlaceClone(0, MakeTone("Tone", {}));
    Store().ClearUndo();
    Store().RecordUndo(kUndoAllKinds, project);
    project.Patches()[0].SetName("After");
    project.Tones()[0].ClearTexts();

    const auto owners = Store().Undo();
    EXPECT_EQ(owners[0], &project);
    EXPECT_EQ(owners[1], nullptr);
    EXPECT_EQ(project.Patches()[0].Name(), "Before");
    EXPECT_EQ(project.Tones()[0].Name(), "Tone");
    Store().Undo();
    EXPECT_EQ(project.Patches()[0].Name(), "After");
    EXPECT_TRUE(project.Tones()[0].IsEmpty());
    EXPECT_TRUE(Store().CanUndo()) << "undo never empties the store";
}

TEST_F(DomainTest, SnapshotOfOneKindLeavesTheOtherArraysAlone) {
    CLumData project;
    Store().RecordUndo(kToneKind, project);
    project.Tones().PlaceClone(3, MakeTone("New", {}));
    project.Patches().PlaceClone(3, MakePatch("Kept", 0));
    Store().SwapUndo();
    EXPECT_TRUE(project.Tones()[3].IsEmpty());
    EXPECT_EQ(project.Patches()[3].Name(), "Kept");
    EXPECT_EQ(project.Tones().Size(), static_cast<std::size_t>(kToneSlots));
}

TEST_F(DomainTest, TwoProjectStepUndoesBothAndGoesWithEitherProject) {
    auto target = std::make_unique<CLumData>();
    auto source = std::make_unique<CLumData>();
    source->Waves().PlaceClone(0, MakeWave("Moved", "/x/001 Moved.w00"));
    Store().ClearUndo();
    Store().RecordUndo(kUndoAllKinds, *target);
    Store().RecordUndo(kUndoAllKinds, *source);
    target->Waves().PlaceClone(0, source->Waves()[0]);
    source->Waves()[0].ClearTexts();

    Store().Undo();
    EXPECT_TRUE(target->Waves()[0].IsEmpty());
    EXPECT_EQ(source->Waves()[0].Name(), "Moved");
    EXPECT_TRUE(Store().OwnsUndo(target.get()) && Store().OwnsUndo(source.get()));

    source.reset(); // closing either project of the step ends the whole step
    EXPECT_FALSE(Store().CanUndo());
    EXPECT_FALSE(Store().OwnsUndo(target.get()));
}

TEST_F(DomainTest, ProjectWithoutTheStepLeavesItAlone) {
    CLumData owner;
    Store().RecordUndo(kPatchKind, owner);
    { CLumData other; }
    EXPECT_TRUE(Store().CanUndo());
    Store().ClearUndo();
    EXPECT_FALSE(Store().CanUndo());
    EXPECT_EQ(Store().Undo()[0], nullptr);
}

TEST_F(DomainTest, MessagesReachTheSinkAndTheTextBuffer) {
    auto log = InstallScriptedSink(kAnswerCancel);
    auto buffer = std::make_unique<CLumTextOutBuffer>();
    CLumTextOutBuffer* text = buffer.get();
    Store().SetTextBuffer(std::move(buffer));
    Store().ShowError(kMsgWaveSpace);
    EXPECT_EQ(Store().Ask(kButtonsOkCancel, kMsgOverwrite), kAnswerCancel);
    EXPECT_EQ(log->Errors(), std::vector<int>{6});
    EXPECT_EQ(log->Questions(), std::vector<int>{10});
    EXPECT_EQ(text->LastError(), 6);

    text->WriteFormat("%s %d\n", "slot", 7);
    text->Indent();
    text->WriteFormat("x");
    EXPECT_EQ(text->Text(), "slot 7\n  x");
}

// An error with its reason: a sink that has a place for the reason gets both at once; one that
// has none shows the error and then the reason as a notice, so the reason is never lost.
TEST_F(DomainTest, AnErrorsReasonReachesEverySink) {
    auto log = InstallScriptedSink();
    Store().SetTextBuffer(std::make_unique<CLumTextOutBuffer>());
    Store().ShowError(kMsgLoadFailed, "Tone/ is missing");
    EXPECT_EQ(log->Describe(), "error 1: Tone/ is missing\n");
    EXPECT_EQ(Store().TextBuffer()->LastError(), 1);
    EXPECT_TRUE(log->Notices().empty());

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

TEST_F(DomainTest, WithoutASinkQuestionsAreCancelled) {
    EXPECT_EQ(Store().Ask(kButtonsYesNo, kMsgReplaceProject), kAnswerCancel);
    Store().ShowError(kMsgLoadFailed); // and errors go nowhere without harm
}

TEST_F(DomainTest, ImportRefusalTextHasItsThreeLines) {
    EXPECT_EQ(MessageText(9, false),
              "Files could not be imported. Corvane Librarian supports wave files that meet the "
              "following conditions.\n- File name of single-byte alphanumeric characters except "
              "for \\ / : * ? \" < > |\n- Format is WAV, AIFF, or VPW");
}

TEST_F(DomainTest, PathsReachTheFileSystemWithTheStoresSeparator) {
    EXPECT_EQ(ToOsPath("/a/b.prj/Patch/001 A.d00"), "/a/b.prj/Patch/001 A.d00");
    Store().m_pathSeparator = "\\";
    EXPECT_EQ(ToOsPath("C:/a/b.prj/"), "C:\\a\\b.prj\\");
}

TEST_F(DomainTest, ProgressSinkNestsAndTheWorkCounterNeverRepeats) {
    CLumProgressBar& progress = Store().Progress();
    progress.Begin(10, "Outer", false);
    progress.Begin(99, "Inner", true);
    EXPECT_EQ(progress.Title(), "Outer");
    EXPECT_EQ(progress.Maximum(), 10);
    progress.End();
    EXPECT_EQ(progress.Nesting(), 1);
    progress.End();
    progress.End();
    EXPECT_EQ(progress.Nesting(), 0);
    EXPECT_EQ(Store().NextWorkFileNumber(), 0u);
    EXPECT_EQ(Store().NextWorkFileNumber(), 1u);
}

} // namespace
