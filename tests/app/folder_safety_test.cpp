// The desktop program against other programs and its own ends: a project folder changed on disk
// (the reload offer, the save that asks before it saves over it), Save Both for the source of a
// move whose target is unsaved, and entries moved but never saved, offered at the next start
// and put into the trash at a normal exit.
#include "app/folder_watch.h"
#include "app_fixture.h"
#include "edit/drop.h"
#include "storage/moved_entries.h"
#include "ui/drag_state.h"
#include "ui/message_box_sink.h"

#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>

using namespace CorvDesktop;

namespace {

namespace fs = std::filesystem;

std::string Path(const QString& folder, const char* relative) {
    return (folder + u'/' + QLatin1String(relative)).toStdString();
}

// Long enough for the watch to have signalled whatever it was going to.
void WaitPastQuiet() {
    QTest::qWait(CFolderWatch::kQuietMs * 4);
}

bool Listed() {
    return !Corv::ReadMovedEntries(CorvTest::FreshStore::Services().m_workFolder).empty();
}

} // namespace

class FolderSafetyTest : public QObject, public AppTest::World {
    Q_OBJECT

    // Opens a project of patches 1 Lead and 2 Brass with a patch memo file.
    CFileDoc* OpenTwo(const QString& name) {
        CorvTest::ProjectBuilder(data.filePath(name).toStdString())
            .Patch(1, "Lead", 1)
            .Patch(2, "Brass", 1)
            .Tone(1, "Pad", {1})
            .Memos(Corv::kPatchKind, {"memo"});
        return Docs().OpenDocumentFile(data.filePath(name));
    }
    // Moves patch rows onto row 10 of another project, as a drag with Ctrl does.
    static void Move(CFileDoc& source, std::vector<int> rows, CFileDoc& target) {
        Corv::DropRequest request{
            &source.Data(), std::move(rows), Corv::kPatchKind, &target.Data(), 9, false, false};
        QVERIFY(Corv::PerformDrop(request, CorvTest::FreshStore::UndoStep(),
                                  Corv::AskOkCancel(CorvTest::FreshStore::Services()))
                    .done);
        source.SetModifiedFlag(true);
        target.SetModifiedFlag(true);
    }
    // A.prj's patches moved onto Untitled1 and A.prj saved alone: the work folder lists them.
    void MoveAndSaveTheSourceOnly() {
        CFileDoc* a = OpenTwo("A.prj");
        Move(*a, {0, 1}, *Docs().NewDocument());
        questionAnswers = {CDocManager::kSaveOnly};
        QVERIFY(Docs().Save(*a) && Listed());
    }
    QStringList Trash() {
        return QDir(QString::fromStdString(
                        CorvTest::ScopedDataHome::TrashFiles(data.path().toStdString())))
            .entryList(QDir::Files);
    }

private slots:
    void init() {
        Reset();
        QVERIFY(Start());
    }

    // A change another program makes is offered once; kept, the save asks before it saves over
    // it: No leaves the folder as the other program left it, Yes saves.
    void ChangedFolderIsOfferedOnceAndSavedOverOnlyWhenConfirmed() {
        CFileDoc* live = OpenTwo("Live.prj");
        const QString folder = data.filePath("Live.prj");
        live->Data().Patches().Item(0).SetName("Mine");
        live->SetModifiedFlag(true);
        // An event that changes nothing a project is made of (a file's permissions) is no change.
        QSignalSpy events(Docs().findChild<CFolderWatch*>(), &CFolderWatch::Changed);
        const auto allowOthers = [&](const char* file) {
            events.clear();
            fs::permissions(Path(folder, file), fs::perms::others_write, fs::perm_options::add);
            QTRY_VERIFY(events.count() > 0); // the program has looked at the folder
        };
        allowOthers("Patch/001 Lead.d00");
        QVERIFY(questions.isEmpty());
        fs::copy_file(Path(folder, "Patch/001 Lead.d00"), Path(folder, "Patch/003 Other.d00"));
        QTRY_COMPARE(questions.size(), 1);
        QCOMPARE(questions[0].text, "The folder of Live.prj was changed by another program.");
        QVERIFY(questions[0].informative.contains("the changes not saved in this window are lost"));
        QCOMPARE(questions[0].ButtonTexts(), (QStringList{"Reload", "Keep This Version"}));
        allowOthers("Patch/003 Other.d00"); // a further event of the same change
        QCOMPARE(questions.size(), 1);
        // The folder changing again is offered: a memo file rewritten in place.
        CorvTest::WriteBytes(Path(folder, "PatchMemo.txt"), {'x', '\r', '\n'});
        QTRY_COMPARE(questions.size(), 2);
        const auto theirs = CorvTest::FolderSnapshot(folder.toStdString());
        sink->SetDefaultAnswer(Corv::kAnswerNo);
        QVERIFY(!Docs().Save(*live) && live->IsModified());
        QCOMPARE(
            CorvTest::SnapshotDifference(theirs, CorvTest::FolderSnapshot(folder.toStdString())),
            std::string());
        sink->SetDefaultAnswer(Corv::kAnswerYes);
        QVERIFY(Docs().Save(*live) && fs::exists(Path(folder, "Patch/001 Mine.d00")));
        QCOMPARE(sink->Describe(), std::string("ask 2 12 -> 3\nask 2 12 -> 2\n"));
        WaitPastQuiet(); // the save's own changes are not another program's
        QCOMPARE(questions.size(), 2);
    }

    // Reload shows the folder as the other program left it; a folder that is gone is not
    // reloaded, so that the project can still be saved elsewhere.
    void ReloadShowsTheOtherProgramsState() {
        for (const auto& [modified, gone] :
             {std::pair{false, false}, {true, false}, {true, true}}) {
            Reset();
            QVERIFY(Start());
            const QString folder = data.filePath("Live.prj");
            CFileDoc* document = OpenTwo("Live.prj");
            document->Data().Patches().Item(0).SetName("Mine");
            document->SetModifiedFlag(modified);
            questionAnswers = {CDocManager::kReload};
            if (gone)
                fs::remove_all(folder.toStdString());
            else
                fs::rename(Path(folder, "Patch/001 Lead.d00"), Path(folder, "Patch/003 Lead.d00"));
            QTRY_COMPARE(questions.size(), 1);
            // Enter reloads only a window without unsaved changes.
            QCOMPARE(questions[0].defaultButton,
                     int(modified ? CDocManager::kKeepThisVersion : CDocManager::kReload));
            QCOMPARE(Counts(), QStringLiteral("1 1 1"));
            const auto& patches = Documents().front()->Data().Patches();
            QCOMPARE(patches.Item(0).Name() + "|" + patches.Item(2).Name(),
                     std::string(gone ? "Mine|" : "|Lead"));
            QCOMPARE(sink->Notices().size(), std::size_t(gone));
        }
    }

    // A change made during a drag is offered once the drag has ended, not in the middle of it.
    void AChangeDuringADragWaitsForItsEnd() {
        CFileDoc* live = OpenTwo("Live.prj");
        CParameterListCtrl* patches = Docs().FrameOf(*live)->View()->List(Corv::kPatchKind);
        patches->SelectRows({0});
        QVERIFY(patches->BeginDrag(0) != nullptr);
        CorvTest::WriteBytes(Path(data.filePath("Live.prj"), "PatchMemo.txt"), {'x', '\r', '\n'});
        WaitPastQuiet();
        const qsizetype askedDuringTheDrag = questions.size();
        CDesktop::Get().Drag().End();
        QCOMPARE(askedDuringTheDrag, 0);
        QTRY_COMPARE(questions.size(), 1);
    }

    // A new project's first save and Save As watch the folder saved to, no longer the old one.
    void TheWatchFollowsTheProjectsFolder() {
        chooser.m_answers << data.filePath("First.prj") << data.filePath("Copy.prj");
        QVERIFY(Docs().Save(*Docs().NewDocument()) && Docs().SaveAs(*Open("Old.prj")));
        for (const char* project : {"Old.prj", "First.prj", "Copy.prj"})
            CorvTest::WriteBytes(Path(data.filePath(project), "ToneMemo.txt"), {'x'});
        QTRY_COMPARE(questions.size(), 2);
        WaitPastQuiet();
        QStringList offered = {questions[0].text.section(' ', 3, 3),
                               questions[1].text.section(' ', 3, 3)};
        offered.sort();
        QCOMPARE(offered, (QStringList{"Copy.prj", "First.prj"}));
    }

    // Saving the source of a move whose target is unsaved asks; each answer saves the right
    // folders, the save offered when closing too. A holder not saved keeps the source unsaved.
    void SaveBothSavesTheHoldersFirst() {
        struct Case {
            bool untitledHolder;
            int answer;
            bool viaClose;
            bool saved; // the source's save (or close) went through
            bool holderSaved;
        };
        for (const Case& c : {Case{false, CDocManager::kSaveBoth, false, true, true},
                              Case{false, CDocManager::kSaveOnly, false, true, false},
                              Case{false, CDocManager::kCancelSave, false, false, false},
                              Case{false, CDocManager::kSaveBoth, true, true, true},
                              Case{false, -1, false, false, false}, // the question closed
                              Case{true, CDocManager::kSaveBoth, false, false, false}}) {
            Reset();
            QVERIFY(Start());
            CFileDoc* a = OpenTwo("A.prj");
            CFileDoc* b = c.untitledHolder ? Docs().NewDocument() : OpenTwo("B.prj");
            Move(*a, {0}, *b);
            if (c.answer >= 0)
                questionAnswers = {c.answer}; // the untitled holder's Save As is cancelled
            saveAnswers = {Corv::kAnswerYes};
            QCOMPARE(c.viaClose ? Docs().CloseDocument(*a) : Docs().Save(*a), c.saved);
            QCOMPARE(questions.size(), 1);
            QCOMPARE(questions[0].text, b->Title() + " holds entries moved out of A.prj that are "
                                                     "not saved yet.");
            QCOMPARE(questions[0].ButtonTexts(),
                     (QStringList{"Save Both", "Save A.prj Only", "Cancel"}));
            QCOMPARE(questions[0].defaultButton, int(CDocManager::kSaveBoth));
            QCOMPARE(fs::exists(Path(data.filePath("A.prj"), "Patch/001 Lead.d00")), !c.saved);
            QCOMPARE(fs::exists(Path(data.filePath("B.prj"), "Patch/010 Lead.d00")), c.holderSaved);
            QCOMPARE(b->IsModified(), !c.holderSaved);
            QCOMPARE(Listed(), c.answer == CDocManager::kSaveOnly);
        }
    }

    // Entries moved and never saved by a run that did not end normally are offered at the next
    // start: opened in a new project at their numbers, or put into the trash.
    void MovedEntriesAreOfferedAtTheNextStart() {
        // The answer; -1: the question closed, which loses nothing.
        for (const int answer : {int(CApp::kOpenThem), int(CApp::kPutThemInTheTrash), -1}) {
            Reset();
            QVERIFY(Start());
            MoveAndSaveTheSourceOnly();
            app.reset(); // no exit
            store.Renew();
            questions.clear();
            if (answer >= 0)
                questionAnswers = {answer};
            QVERIFY(Start());
            QCOMPARE(questions.size(), 1);
            QCOMPARE(questions[0].text,
                     "Entries moved from A.prj into Untitled1 were not saved into "
                     "Untitled1:\npatch 10 \"Lead\"\npatch 11 \"Brass\"");
            QCOMPARE(questions[0].ButtonTexts(),
                     (QStringList{"Open Them", "Put Them in the Trash"}));
            QCOMPARE(questions[0].defaultButton, int(CApp::kOpenThem));
            if (answer != CApp::kPutThemInTheTrash) {
                QCOMPARE(Counts(), QStringLiteral("1 1 1"));
                CFileDoc* opened = Documents().front();
                QVERIFY(opened->Title() == "Untitled1" && opened->IsModified());
                const auto& patches = opened->Data().Patches();
                QCOMPARE(patches.Item(9).Name() + patches.Item(10).Name(),
                         std::string("LeadBrass"));
                QVERIFY(Trash().isEmpty() && sink->Notices().empty());
            } else {
                QVERIFY(Documents().empty() && !Listed());
                QCOMPARE(Trash(), (QStringList{"001 Lead.d00", "002 Brass.d00"}));
                QVERIFY(sink->Notices().at(0).starts_with(
                    "Entries moved from A.prj into Untitled1 were not saved into Untitled1. "
                    "Their files are in the trash:"));
            }
        }
    }

    // At a normal exit the entries whose project the user declined to save go to the trash,
    // with a notice; the work folder keeps nothing.
    void DeclinedMovedEntriesGoToTheTrashAtExit() {
        MoveAndSaveTheSourceOnly();
        const QDir work(QString::fromStdString(CorvTest::FreshStore::Services().m_workFolder));
        QVERIFY(Frame().close()); // "Save changes to Untitled1?" No
        QVERIFY(sink->Notices().empty());
        app->ExitInstance();
        QCOMPARE(sink->Notices().size(), std::size_t(1));
        QCOMPARE(Trash(), (QStringList{"001 Lead.d00", "002 Brass.d00"}));
        QVERIFY(work.entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // The question before saving over another program's changes defaults to not saving.
    void SavingOverChangesIsNoDefault() {
        std::unique_ptr<QMessageBox> box(CMessageBoxSink::CreateBox(
            nullptr, true, Corv::kButtonsYesNo, Corv::kMsgChangedOnDisk));
        QVERIFY(box->defaultButton() != nullptr && box->button(QMessageBox::Yes) != nullptr);
        QCOMPARE(box->button(QMessageBox::Yes)->text() + "|" + box->defaultButton()->text(),
                 QStringLiteral("Save Over Them|Don't Save"));
        QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
    }
};

QTEST_MAIN(FolderSafetyTest)
#include "folder_safety_test.moc"
