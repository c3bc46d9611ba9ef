// A version of a project opened read-only from the history window: a window of its own whose
// entries nothing changes, from which a patch dragged into the open project comes back with its
// tones and waves as one undo step, and whose scratch folder goes when it closes, after what the
// project took from it is handed over.
#include "app/app_fixture.h"
#include "edit/list_edits.h"
#include "history/recorder.h"
#include "model/lum_data.h"
#include "project_world.h"
#include "ui/history_window.h"
#include "ui/list_clipboard.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/version_folder.h"

#include <QPushButton>
#include <filesystem>
#include <functional>

namespace {

using CorvUiTest::DragDriver;
using CorvUiTest::Rows;

// The name of a used slot, or "-" for a free one.
std::string NameAt(const Corv::CLumData& data, int kind, int number) {
    const Corv::CParameter& record = data.Records(kind).Item(static_cast<std::size_t>(number - 1));
    return record.IsEmpty() ? "-" : record.Name();
}

// Every slot of the first 12 of each list, "-" for free ones: what the project holds.
std::string Contents(const Corv::CLumData& data) {
    std::string text;
    for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind)
        for (int number = 1; number <= 12; ++number)
            text += NameAt(data, kind, number) + (number == 12 ? "\n" : " ");
    return text;
}

// The tones a patch uses and the waves they use, by name: what it needs to sound as it did.
std::string Needs(const Corv::CLumData& data, int patch) {
    std::string text;
    for (const int tone : data.Patches()[static_cast<std::size_t>(patch - 1)].ToneNumbers()) {
        if (tone < 1)
            continue;
        text += NameAt(data, Corv::kToneKind, tone) + "(";
        for (const int wave : data.Tones()[static_cast<std::size_t>(tone - 1)].WaveNumbers())
            if (wave >= 1)
                text += NameAt(data, Corv::kWaveKind, wave) + " ";
        text += ") ";
    }
    return text;
}

} // namespace

class ReadOnlyVersionTest : public QObject, private AppTest::World, private DragDriver {
    Q_OBJECT

    CFileDoc* m_project = nullptr;
    std::string m_folder;
    std::string m_before; // what the project held before patch 2 and tone 5 were deleted

    CFileView& ViewOf(CFileDoc* document) { return *Docs().FrameOf(*document)->View(); }
    QString Said() const { return CDesktop::Get().Status().Last(); }

    // Song.prj: patches 1 Lead (tone 3) and 2 Pad (tones 3 and 5); tones 3 Saw (waves 2, 4) and
    // 5 Str (wave 4); waves 2 Kick and 4 Snare. Patch 2 and tone 5 are deleted and saved: the
    // version before that save still has them.
    void OpenSongWithADeletion() {
        m_folder = data.filePath(QStringLiteral("Song.prj")).toStdString() + "/";
        CorvTest::ProjectBuilder song(m_folder);
        song.Patch(1, "Lead", 3).Patch(2, "Pad", 3, 5);
        song.Tone(3, "Saw", {2, 4}).Tone(5, "Str", {4});
        song.Wave(2, "Kick", 100, ".w00").Wave(4, "Snare", 50, ".wav");
        m_project = Docs().OpenDocumentFile(QString::fromStdString(m_folder));
        QVERIFY(m_project != nullptr);
        m_before = Contents(m_project->Data());
        Corv::CUndoStep& undo = Corv::CProjectDocuments::Get().UndoStep();
        const auto yes = [](int) { return true; };
        QVERIFY(Corv::DeleteEntries(m_project->Data(), {1}, Corv::kPatchKind, undo, yes).Done());
        QVERIFY(Corv::DeleteEntries(m_project->Data(), {4}, Corv::kToneKind, undo, yes).Done());
        m_project->SetModifiedFlag(true);
        QVERIFY(Docs().Save(*m_project));
        QCOMPARE(NameAt(m_project->Data(), Corv::kPatchKind, 2), std::string("-"));
    }

    // Opens the newest version through the history window's button, as the user does.
    CFileDoc* OpenNewestVersion() {
        Frame().ActivateFrame(Docs().FrameOf(*m_project));
        Frame().ShowHistory();
        auto* history = qobject_cast<CHistoryWindow*>(Frame().HistoryWindow());
        if (history == nullptr || !history->OpenReadOnlyRow(0))
            return nullptr;
        history->close();
        for (CFileDoc* document : Documents())
            if (document->IsReadOnly())
                return document;
        return nullptr;
    }

private slots:
    void init() {
        Reset();
        QVERIFY(Start());
        // A dialog that a refused command still opened would wait for ever: each one answers.
        CUiChoosers& choosers = CDesktop::Get().Choosers();
        choosers.editText = [this](QWidget*, int, QString& text) {
            m_dialogs << QStringLiteral("edit");
            text = QStringLiteral("Changed");
            return true;
        };
        choosers.editMemos = [this](QWidget*, std::array<QString, 4>& memos) {
            m_dialogs << QStringLiteral("memos");
            memos[0] = QStringLiteral("changed");
            return true;
        };
        choosers.cleanProject = [this](QWidget*, std::array<std::uint32_t, 4>&) {
            m_dialogs << QStringLiteral("clean");
            return true;
        };
        choosers.importWave = [this](QWidget*) {
            m_dialogs << QStringLiteral("import");
            return QStringList{};
        };
        m_dialogs.clear();
        OpenSongWithADeletion();
    }
    void cleanup() {
        CDesktop::Get().Choosers() = CUiChoosers();
        Reset();
    }

    // The version opens in a window titled after it, once however often it is asked for, in a
    // folder of its own inside the work folder; its entries are the project's before the save.
    void TheVersionOpensInAWindowOfItsOwn() {
        const QString counts = Counts();
        CFileDoc* version = OpenNewestVersion();
        QVERIFY(version != nullptr);
        QCOMPARE(Contents(version->Data()), m_before);
        QCOMPARE(Docs().FrameOf(*version)->windowTitle(),
                 QStringLiteral("Song.prj \u2014 version 1 (read-only)"));
        QVERIFY(!version->IsModified());
        const std::string scratch = version->Origin()->scratch;
        QVERIFY(scratch.rfind(app->WorkFolder().toStdString(), 0) == 0);
        QVERIFY(version->Core().Data().ProjectFolder().rfind(scratch, 0) == 0);
        QString why;
        QCOMPARE(Frame().OpenVersionReadOnly(m_folder, version->Origin()->version, why), version);
        QCOMPARE(Counts(), QStringLiteral("2 2 2"));
        QVERIFY(counts != Counts());
        // Nothing of it joins the recent folders.
        for (const QString& recent : Docs().RecentFiles().Entries())
            QVERIFY(!recent.contains(QStringLiteral("Versions")));
    }

    // Every command that would change the version is refused with a word on the status line:
    // its entries and its folder stay as they were, no dialog opens, no question is asked.
    void NothingChangesTheVersion() {
        CFileDoc* version = OpenNewestVersion();
        QVERIFY(version != nullptr);
        CFileView& view = ViewOf(version);
        CParameterListCtrl& patches = *view.List(Corv::kPatchKind);
        const std::string folder = version->Core().Data().ProjectFolder();
        const auto files = CorvTest::FolderSnapshot(folder);
        CDesktop::Get().Clipboard().Set({m_project->Core().Id(), Corv::kPatchKind, {0}, false});
        // Each command says whether it claims to have done something (the void ones never do).
        const auto run = [](const std::function<void()>& command) {
            return [command] {
                command();
                return false;
            };
        };
        const std::vector<std::pair<const char*, std::function<bool()>>> commands = {
            {"delete", run([&] { view.Delete(); })},
            {"rename", [&] { return patches.Rename(); }},
            {"edit in place", [&] { return patches.EditCurrentColumn(); }},
            {"memos", [&] { return patches.EditMemos(); }},
            {"cut", [&] { return view.Copy(true); }},
            {"paste", [&] { return view.Paste(false); }},
            {"paste inserting", [&] { return view.Paste(true); }},
            {"clean", run([&] { view.CleanProject(); })},
            {"import", run([&] { view.ImportWave(); })},
            {"import dropped files", run([&] { view.ImportFiles({QStringLiteral("/x.wav")}); })},
            {"save", [&] { return Docs().Save(*version); }},
            {"save as", [&] { return Docs().SaveAs(*version); }},
        };
        for (const auto& [name, command] : commands) {
            patches.setFocus();
            patches.SelectRows({0, 1});
            patches.SetCurrentColumn(1);
            CDesktop::Get().Status().Say({});
            QVERIFY2(!command(), name);
            QVERIFY2(Said().contains(QStringLiteral("read-only")), name);
            QVERIFY2(Contents(version->Data()) == m_before, name);
            QVERIFY2(!version->IsModified(), name);
        }
        QCOMPARE(m_dialogs, QStringList());
        QVERIFY(chooser.m_calls.isEmpty());
        QVERIFY(!view.CanPaste());
        // The menus agree: what would change it is off while its window is the active one.
        Frame().ActivateFrame(Docs().FrameOf(*version));
        Frame().UpdateCommandUi();
        for (const int id :
             {Cmd::kSave, Cmd::kSaveAs, Cmd::kDelete, Cmd::kCut, Cmd::kPaste, Cmd::kRename,
              Cmd::kEditMemos, Cmd::kCleanProject, Cmd::kImportWave, Cmd::kUndo, Cmd::kHistory})
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(Frame().Action(Cmd::kCopy)->isEnabled()); // reading and taking still work
        QVERIFY(Frame().Action(Cmd::kFind)->isEnabled());
        // Nothing can be dropped onto it, whatever the keys.
        CParameterListCtrl& source = *ViewOf(m_project).List(Corv::kPatchKind);
        QVERIFY(Begin(source, {0}, 0));
        QCOMPARE(Over(patches, 3), Qt::IgnoreAction);
        QVERIFY(CDesktop::Get().Drag().Preview().contains(QStringLiteral("read-only")));
        QVERIFY(!DropOn(patches, 3, Qt::ControlModifier));
        QCOMPARE(Contents(version->Data()), m_before);
        QVERIFY(CorvTest::FolderSnapshot(folder) == files);
        // Closing it asks nothing.
        QVERIFY(Docs().CloseDocument(*version));
        QVERIFY(saveQuestions.isEmpty());
    }

    // A patch dragged out of the version (Ctrl, which moves between projects, included) is a
    // copy with its tones and waves; one undo takes all of it away again; the version keeps it.
    void ADraggedPatchComesBackInOneUndoStep() {
        CFileDoc* version = OpenNewestVersion();
        QVERIFY(version != nullptr);
        CParameterListCtrl& from = *ViewOf(version).List(Corv::kPatchKind);
        CParameterListCtrl& to = *ViewOf(m_project).List(Corv::kPatchKind);
        const std::string deleted = Contents(m_project->Data());
        const std::string needs = Needs(version->Data(), 2);
        QCOMPARE(needs, std::string("Saw(Kick Snare ) Str(Snare ) "));
        QVERIFY(Begin(from, {1}, 1));
        QCOMPARE(Over(to, 1, Qt::ControlModifier), Qt::CopyAction);
        QVERIFY(CDesktop::Get().Drag().Preview().contains(QStringLiteral("copy")));
        QVERIFY(DropOn(to, 1, Qt::ControlModifier));
        QCOMPARE(NameAt(m_project->Data(), Corv::kPatchKind, 2), std::string("Pad"));
        QCOMPARE(Needs(m_project->Data(), 2), needs);
        QVERIFY(m_project->IsModified());
        QCOMPARE(Contents(version->Data()), m_before);
        QVERIFY(!version->IsModified());
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(Contents(m_project->Data()), deleted);
    }

    // Closed, the version hands over what the project took from it and its folder goes; the
    // project then saves the patch back with what it needs, and the version's files stayed as
    // the history wrote them until then.
    void ClosingHandsOverThenRemovesTheFolder() {
        CFileDoc* version = OpenNewestVersion();
        QVERIFY(version != nullptr);
        const std::string scratch = version->Origin()->scratch;
        const std::string folder = version->Core().Data().ProjectFolder();
        const auto files = CorvTest::FolderSnapshot(folder);
        QVERIFY(Begin(*ViewOf(version).List(Corv::kPatchKind), {1}, 1));
        QVERIFY(DropOn(*ViewOf(m_project).List(Corv::kPatchKind), 1));
        QVERIFY(CorvTest::FolderSnapshot(folder) == files);
        QVERIFY(Docs().CloseDocument(*version));
        QVERIFY(!std::filesystem::exists(scratch));
        QVERIFY(Docs().Save(*m_project));
        Corv::CProjectDocument saved;
        std::string why;
        QVERIFY2(saved.ReadProject(m_folder, why), why.c_str());
        QCOMPARE(NameAt(saved.Data(), Corv::kPatchKind, 2), std::string("Pad"));
        QCOMPARE(Needs(saved.Data(), 2), std::string("Saw(Kick Snare ) Str(Snare ) "));
        QCOMPARE(Counts(), QStringLiteral("1 1 1"));
    }

    // The program's exit closes a version window like any other, and its folder goes too.
    void LeavingTheProgramRemovesTheFolder() {
        CFileDoc* version = OpenNewestVersion();
        QVERIFY(version != nullptr);
        const std::string scratch = version->Origin()->scratch;
        QVERIFY(std::filesystem::exists(scratch));
        app->ExitInstance();
        QVERIFY(!std::filesystem::exists(scratch));
        QVERIFY(saveQuestions.isEmpty());
    }

    // The scratch folders are made one per version and removed only under the work folder's
    // "Versions/": anything else given is refused and left as it is.
    void ScratchFoldersStayInsideTheWorkFolder() {
        const std::string work = data.filePath(QStringLiteral("work/")).toStdString();
        const std::string first = MakeVersionFolder(work);
        const std::string second = MakeVersionFolder(work);
        QVERIFY(!first.empty() && !second.empty() && first != second);
        QCOMPARE(first.rfind(work + "Versions/", 0), std::size_t(0));
        const std::string outside = data.filePath(QStringLiteral("Keep")).toStdString();
        std::filesystem::create_directories(outside);
        const std::vector<std::string> refused = {
            outside, work, work + "Versions/", work + "Versions/../../Keep", first + "inner", ""};
        std::filesystem::create_directories(first + "inner");
        for (const std::string& folder : refused)
            QVERIFY2(!RemoveVersionFolder(work, folder), folder.c_str());
        QVERIFY(std::filesystem::exists(outside) && std::filesystem::exists(first + "inner"));
        QVERIFY(!RemoveVersionFolder({}, first));
        QVERIFY(RemoveVersionFolder(work, first));
        QVERIFY(!std::filesystem::exists(first) && std::filesystem::exists(second));
    }

    // The history window's button is reached with Tab.
    void TheButtonIsReachedByTab() {
        Frame().ShowHistory();
        QDialog* history = Frame().HistoryWindow();
        QVERIFY(history != nullptr);
        QPushButton* found = nullptr;
        for (QPushButton* button : history->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("&Open Read-Only"))
                found = button;
        QVERIFY(found != nullptr);
        QVERIFY(found->focusPolicy() & Qt::TabFocus);
        history->close();
    }

private:
    QStringList m_dialogs;
};

QTEST_MAIN(ReadOnlyVersionTest)
#include "read_only_version_test.moc"
