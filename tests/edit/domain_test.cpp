#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>

// The open projects' undo step and the store's messages; undo after every kind of edit is
// checked by the editing property test.
namespace {

using namespace Corv;
using namespace CorvTest;

class DomainTest : public ::testing::Test {
protected:
    CDomain& Store() { return FreshStore::Services(); }
    CUndoStep& Undo() { return FreshStore::UndoStep(); }

    FreshStore m_store;
};

TEST_F(DomainTest, ATwoProjectStepUndoesBothAndEndsWithEitherProject) {
    CProjectDocuments& documents = CProjectDocuments::Get();
    CLumData* target = &documents.New().Data();
    CProjectDocument& sourceDocument = documents.New();
    CLumData* source = &sourceDocument.Data();
    source->Waves().PlaceClone(0, MakeWave("Moved", "/x/001 Moved.w00"));
    Undo().Record(KindSet::All(), *target);
    Undo().Record(KindSet::Of(kWaveKind), *source);
    target->Waves().PlaceClone(0, source->Waves()[0]);
    source->Waves()[0].ClearTexts();

    EXPECT_EQ(Undo().Undo()[1], source);
    EXPECT_TRUE(target->Waves()[0].IsEmpty());
    EXPECT_EQ(source->Waves()[0].Name(), "Moved");
    documents.Close(documents.New()); // a project without the step leaves it alone
    EXPECT_TRUE(Undo().Owns(target) && Undo().Owns(source));
    documents.Close(sourceDocument);
    EXPECT_FALSE(Undo().CanUndo() || Undo().Owns(target));
    EXPECT_EQ(Undo().Undo()[0], nullptr);
}

// An error with its reason: a sink that has a place for the reason gets both at once; one that
// has none shows the error and then the reason as a notice, so the reason is never lost.
TEST_F(DomainTest, AnErrorsReasonReachesEverySink) {
    EXPECT_EQ(Store().Ask(kButtonsYesNo, kMsgReplaceProject), kAnswerCancel); // no sink yet
    auto log = m_store.InstallSink();
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
