// The desktop program against other programs and its own ends: a project folder changed on disk
// (the reload offer, the save that asks before it saves over it), Save Both for the source of a
// move whose target is unsaved, and entries moved but never saved, offered at the next start
// and put into the trash at a normal exit.
#include "app/folder_watch.h"
#include "app_fixture.h"
#include "edit/drop.h"
#include "storage/moved_entries.h"
#include "ui/message_box_sink.h"
#include "ui/question_box.h"

#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

using Snapshot = std::vector<std::pair<std::string, CorvTest::Bytes>>;

std::string Path(const QString& folder, const char* relative) {
    return (folder + u'/' + QLatin1String(relative)).toStdString();
}

// Writes a file in place, as an editor that keeps the file's identity does.
void Rewrite(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.write(text.data(), qint64(text.size())) == qint64(text.size()));
}

// Long enough for the watch to have signalled whatever it was going to.
void WaitPastQuiet() {
    QTest::qWait(CFolderWatch::kQuietMs * 4);
}

} // namespace

class FolderSafetyTest : public QObject, public AppTest::World {
    Q_OBJECT

    // A project with a patch memo, so that a memo file can be rewritten in place.
    CFileDoc* OpenWithMemo(const QString& name) {
        const QString folder = data.filePath(name);
        CorvTest::ProjectBuilder(folder.toStdString())
            .Patch(1, "Lead", 1)
            .Tone(1, "Pad", {1})
            .Wave(1, "Sine", 64)
            .Memos(Corv::kPatchKind, {"first memo"});
        return Docs().OpenDocumentFile(folder);
    }
    // Moves patch rows of one project onto another as a drag with Ctrl does.
    static void Move(CFileDoc& source, std::vector<int> rows, CFileDoc& target, int at) {
        Corv::DropRequest request;
        request.source = &source.Data();
        request.target = &target.Data();
        request.kind = Corv::kPatchKind;
        request.rows = std::move(rows);
        request.at = at;
        request.copy = false;
        const Corv::DropResult result = Corv::PerformDrop(request);
        QVERIFY(result.done && result.sourceChanged && result.targetChanged);
        source.SetModifiedFlag(true);
        target.SetModifiedFlag(true);
    }
    // A.prj's patches 1 Lead and 2 Brass moved onto rows 10-11 of a new, untitled project;
    // A.prj saved alone, so that the work folder lists the two entries.
    void MoveAndSaveTheSourceOnly() {
        const QString folder = data.filePath("A.prj");
        CorvTest::ProjectBuilder(folder.toStdString())
            .Patch(1, "Lead", 1)
            .Patch(2, "Brass", 1)
            .Tone(1, "Pad", {1})
            .Wave(1, "Sine", 64);
        CFileDoc* a = Docs().OpenDocumentFile(folder);
        CFileDoc* b = Docs().NewDocument();
        Move(*a, {0, 1}, *b, 9);
        questionAnswers = {CDocManager::kSaveOnly};
        QVERIFY(Docs().Save(*a));
        QCOMPARE(Corv::ReadMovedEntries(Corv::CDomain::Get().m_workFolder).size(), std::size_t(2));
    }
    // The program ends without its exit (killed, or it crashed) and starts again.
    bool CrashAndStart() {
        app.reset();
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        questions.clear();
        return Start();
    }
    QString TrashFiles() {
        return QString::fromStdString(
            CorvTest::ScopedDataHome::TrashFiles(data.path().toStdString()));
    }

private slots:
    void init() {
        Reset();
        QVERIFY(Start());
    }

    // A change another program makes is offered once; kept, the save asks before it saves over
    // it: No leaves the folder as the other program left it, Yes saves.
    void ChangedFolderIsOfferedOnceAndSavedOverOnlyWhenConfirmed() {
        CFileDoc* live = OpenWithMemo("Live.prj");
        QVERIFY(live != nullptr);
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
        fs::copy_file(Path(folder, "Patch/001 Lead.d00"), Path(folder, "Patch/002 Other.d00"));
        QTRY_COMPARE(questions.size(), 1);
        const CQuestion& offer = questions.front();
        QCOMPARE(offer.text,
                 QStringLiteral("The folder of Live.prj was changed by another program."));
        QVERIFY(offer.informative.contains("the changes not saved in this window are lost"));
        QCOMPARE(offer.ButtonTexts(), (QStringList{"Reload", "Keep This Version"}));
        QCOMPARE(offer.defaultButton, int(CDocManager::kKeepThisVersion)); // it was answered so
        // A further event of the same change is not offered again.
        allowOthers("Patch/002 Other.d00");
        QCOMPARE(questions.size(), 1);
        // The folder changing again is: a memo file rewritten in place.
        Rewrite(Path(folder, "PatchMemo.txt"), "other program\r\n");
        QTRY_COMPARE(questions.size(), 2);
        const Snapshot theirs = CorvTest::FolderSnapshot(folder.toStdString());
        sink->SetDefaultAnswer(Corv::kAnswerNo);
        QVERIFY(!Docs().Save(*live));
        QCOMPARE(sink->Describe(), std::string("ask 2 12 -> 3\n"));
        QCOMPARE(
            CorvTest::SnapshotDifference(theirs, CorvTest::FolderSnapshot(folder.toStdString())),
            std::string());
        QVERIFY(live->IsModified());
        sink->SetDefaultAnswer(Corv::kAnswerYes);
        QVERIFY(Docs().Save(*live));
        QVERIFY(fs::exists(Path(folder, "Patch/001 Mine.d00")) && !live->IsModified());
        // The save's own changes are not another program's.
        WaitPastQuiet();
        QCOMPARE(questions.size(), 2);
        QCOMPARE(sink->Questions(), (std::vector<int>{12, 12}));
    }

    // Reload closes the window without asking and shows the folder as the other program left
    // it; a folder that is gone is not reloaded, so the project can still be saved elsewhere.
    void ReloadShowsTheOtherProgramsState() {
        struct Case {
            const char* name;
            bool modified;
            bool removeFolder;
        };
        for (const Case& c : {Case{"Clean.prj", false, false}, Case{"Edited.prj", true, false},
                              Case{"Gone.prj", true, true}}) {
            questions.clear();
            CFileDoc* document = Open(c.name);
            const QString folder = data.filePath(c.name);
            if (c.modified) {
                document->Data().Patches().Item(0).SetName("Mine");
                document->SetModifiedFlag(true);
            }
            questionAnswers = {CDocManager::kReload};
            if (c.removeFolder)
                fs::remove_all(folder.toStdString());
            else
                fs::rename(Path(folder, "Patch/001 Lead.d00"), Path(folder, "Patch/002 Lead.d00"));
            QTRY_COMPARE(questions.size(), 1);
            // Enter reloads only what holds no unsaved changes.
            QCOMPARE(questions.front().defaultButton,
                     int(c.modified ? CDocManager::kKeepThisVersion : CDocManager::kReload));
            QCOMPARE(Counts(), QStringLiteral("1 1 1"));
            CFileDoc* shown = Documents().front();
            QCOMPARE(shown->IsModified(), c.removeFolder);
            const auto& patches = shown->Data().Patches();
            QCOMPARE(QString::fromStdString(patches.Item(0).Name() + "|" + patches.Item(1).Name()),
                     c.removeFolder ? QStringLiteral("Mine|") : QStringLiteral("|Lead"));
            QCOMPARE(sink->Notices().empty(), !c.removeFolder);
            Docs().CloseAllDocuments();
        }
    }

    // The watch follows the project: a new project's first save and Save As watch the folder
    // saved to, and a save's own changes are never offered.
    void TheWatchFollowsTheProjectsFolder() {
        CFileDoc* fresh = Docs().NewDocument();
        chooser.m_answers << data.filePath("First.prj");
        QVERIFY(Docs().Save(*fresh));
        CFileDoc* moved = Open("Moved.prj");
        chooser.m_answers << data.filePath("Copy.prj");
        QVERIFY(Docs().SaveAs(*moved));
        WaitPastQuiet();
        QVERIFY(questions.isEmpty());
        for (const char* project : {"First.prj", "Copy.prj"}) {
            CorvTest::WriteBytes(Path(data.filePath(project), "ToneMemo.txt"), {'x', '\r', '\n'});
            QTRY_COMPARE(questions.size(), 1);
            QCOMPARE(
                questions.takeFirst().text,
                QStringLiteral("The folder of %1 was changed by another program.").arg(project));
        }
        // The folder Save As left behind is no longer this program's concern.
        CorvTest::WriteBytes(Path(data.filePath("Moved.prj"), "ToneMemo.txt"), {'x'});
        WaitPastQuiet();
        QVERIFY(questions.isEmpty());
    }

    // Saving the source of a move whose target is unsaved asks; each answer saves the right
    // folders, the save offered when closing included. A holder that is not saved keeps the
    // source from saving.
    void SaveBothSavesTheHoldersFirst() {
        struct Case {
            const char* name;
            bool untitledHolder;
            int answer;
            const char* chosen; // the holder's Save As folder; empty: cancelled
            bool viaClose;
            bool saved; // the source's save (or close) went through
            const char* holderFile;
            bool listed; // the work folder lists the moved entry
        };
        const char* kHeld = "Patch/010 Lead.d00";
        for (const Case& c :
             {Case{"both", false, CDocManager::kSaveBoth, "", false, true, "B.prj", false},
              Case{"only", false, CDocManager::kSaveOnly, "", false, true, "", true},
              Case{"cancel", false, CDocManager::kCancelSave, "", false, false, "", false},
              Case{"close", false, CDocManager::kSaveBoth, "", true, true, "B.prj", false},
              Case{"close cancel", false, CDocManager::kCancelSave, "", true, false, "", false},
              Case{"new holder", true, CDocManager::kSaveBoth, "New.prj", false, true, "New.prj",
                   false},
              Case{"new holder cancelled", true, CDocManager::kSaveBoth, "", false, false, "",
                   false}}) {
            Reset();
            QVERIFY(Start());
            CFileDoc* a = Open("A.prj");
            CFileDoc* b = c.untitledHolder ? Docs().NewDocument() : Open("B.prj");
            Move(*a, {0}, *b, 9);
            questionAnswers = {c.answer};
            if (*c.chosen != '\0')
                chooser.m_answers << data.filePath(c.chosen);
            saveAnswers = {Corv::kAnswerYes};
            const bool done = c.viaClose ? Docs().CloseDocument(*a) : Docs().Save(*a);
            QVERIFY2(done == c.saved, c.name);
            QCOMPARE(questions.size(), 1);
            const QString holder = c.untitledHolder ? "Untitled1" : "B.prj";
            QCOMPARE(questions.front().text,
                     holder + " holds entries moved out of A.prj that are not saved yet.");
            QCOMPARE(questions.front().ButtonTexts(),
                     (QStringList{"Save Both", "Save A.prj Only", "Cancel"}));
            QCOMPARE(questions.front().defaultButton, int(CDocManager::kSaveBoth));
            QVERIFY2(fs::exists(Path(data.filePath("A.prj"), "Patch/001 Lead.d00")) != c.saved,
                     c.name);
            for (const char* project : {"B.prj", "New.prj"})
                QVERIFY2(fs::exists(Path(data.filePath(project), kHeld)) ==
                             (std::string(c.holderFile) == project),
                         c.name);
            QVERIFY2(b->IsModified() == (*c.holderFile == '\0'), c.name);
            QVERIFY2(Corv::ReadMovedEntries(Corv::CDomain::Get().m_workFolder).empty() != c.listed,
                     c.name);
        }
    }

    // Entries a run moved and never saved, when it did not end normally, are offered at the
    // next start: opened in a new project at their numbers, or put into the trash.
    void MovedEntriesAreOfferedAtTheNextStart() {
        for (const int answer : {0, 1}) { // Open Them, Put Them in the Trash
            Reset();
            QVERIFY(Start());
            MoveAndSaveTheSourceOnly();
            questionAnswers = {answer};
            QVERIFY(CrashAndStart());
            QCOMPARE(questions.size(), 1);
            QCOMPARE(questions.front().text,
                     QStringLiteral("Entries moved from A.prj into Untitled1 were not saved into "
                                    "Untitled1:\npatch 10 \"Lead\"\npatch 11 \"Brass\""));
            QCOMPARE(questions.front().ButtonTexts(),
                     (QStringList{"Open Them", "Put Them in the Trash"}));
            QCOMPARE(questions.front().defaultButton, 0);
            const QStringList trashed = QDir(TrashFiles()).entryList(QDir::Files);
            if (answer == 0) {
                QCOMPARE(Counts(), QStringLiteral("1 1 1"));
                CFileDoc* opened = Documents().front();
                QVERIFY(opened->Title() == "Untitled1" && opened->IsModified());
                const auto& patches = opened->Data().Patches();
                QCOMPARE(patches.Item(9).Name() + patches.Item(10).Name(),
                         std::string("LeadBrass"));
                QVERIFY(trashed.isEmpty() && sink->Notices().empty());
            } else {
                QCOMPARE(Counts(), QStringLiteral("0 0 0"));
                QCOMPARE(trashed, (QStringList{"001 Lead.d00", "002 Brass.d00"}));
                QCOMPARE(sink->Notices().size(), std::size_t(1));
                QVERIFY(sink->Notices().front().starts_with(
                    "Entries moved from A.prj into Untitled1 were not saved into Untitled1. "
                    "Their files are in the trash:"));
                QVERIFY(Corv::ReadMovedEntries(Corv::CDomain::Get().m_workFolder).empty());
            }
        }
    }

    // Opened again and saved, the entries leave the list; nothing goes to the trash at exit.
    void OpenedMovedEntriesSavedStayOffTheTrash() {
        MoveAndSaveTheSourceOnly();
        questionAnswers = {0};
        QVERIFY(CrashAndStart());
        chooser.m_answers << data.filePath("Rescued.prj");
        QVERIFY(Docs().Save(*Documents().front()));
        QVERIFY(fs::exists(Path(data.filePath("Rescued.prj"), "Patch/010 Lead.d00")));
        QVERIFY(Frame().close());
        app->ExitInstance();
        QVERIFY(sink->Notices().empty() && QDir(TrashFiles()).isEmpty());
    }

    // At a normal exit the entries whose project the user declined to save go to the trash,
    // with a notice; the work folder keeps nothing.
    void DeclinedMovedEntriesGoToTheTrashAtExit() {
        MoveAndSaveTheSourceOnly();
        const std::string work = Corv::CDomain::Get().m_workFolder;
        saveAnswers = {Corv::kAnswerNo}; // "Save changes to Untitled1?"
        QVERIFY(Frame().close());
        QCOMPARE(saveQuestions, QStringList{"Save changes to Untitled1?"});
        QVERIFY(sink->Notices().empty());
        app->ExitInstance();
        QCOMPARE(sink->Notices().size(), std::size_t(1));
        QCOMPARE(QDir(TrashFiles()).entryList(QDir::Files),
                 (QStringList{"001 Lead.d00", "002 Brass.d00"}));
        QVERIFY(QDir(QString::fromStdString(work)).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // The boxes: the program's questions keep their buttons' order, default and escape; the
    // question before saving over another program's changes defaults to not saving.
    void QuestionBoxes() {
        CQuestion question;
        question.text = "Text";
        question.buttons = {{"Save Both", QMessageBox::AcceptRole},
                            {"Save A.prj Only", QMessageBox::ActionRole},
                            {"Cancel", QMessageBox::RejectRole}};
        question.escapeButton = 2;
        std::unique_ptr<QMessageBox> box(CQuestionBox::Create(nullptr, question));
        QCOMPARE(box->buttons().size(), 3);
        QCOMPARE(box->defaultButton()->text() + "|" + box->escapeButton()->text(),
                 QStringLiteral("Save Both|Cancel"));
        box.reset(CMessageBoxSink::CreateBox(nullptr, true, Corv::kButtonsYesNo,
                                             Corv::kMsgChangedOnDisk));
        QVERIFY(box->text().startsWith("Another program changed this project's folder"));
        QVERIFY(box->defaultButton() != nullptr && box->button(QMessageBox::Yes) != nullptr);
        QCOMPARE(box->button(QMessageBox::Yes)->text() + "|" + box->defaultButton()->text(),
                 QStringLiteral("Save Over Them|Don't Save"));
        QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
    }
};

QTEST_MAIN(FolderSafetyTest)
#include "folder_safety_test.moc"
