// Project > Check: the window that lists the problems of the active project, the line that
// selects its entry, and the status bar's word when a project with problems is opened.
#include "app_fixture.h"
#include "ui/check_window.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <filesystem>

class CheckWindowTest : public QObject, public AppTest::World {
    Q_OBJECT

    // Patch 200 plays tone 700, which is empty; tone 1's wave file is gone (so its slot is empty).
    QString Broken(const QString& name) {
        const QString folder = data.filePath(name);
        CorvTest::ProjectBuilder p(folder.toStdString());
        p.Patch(1, "Lead", 1).Patch(200, "Far", 700).Tone(1, "Pad", {1}).Wave(1, "Sine", 64);
        std::filesystem::remove(p.SlotPath(Corv::kWaveKind, 1, "Sine", ".w00"));
        return folder;
    }
    CFileView* ViewOf(CFileDoc* document) {
        for (CFileView* view : CFileView::Views())
            if (&view->Document() == document)
                return view;
        return nullptr;
    }
    QStringList LineTexts() {
        QStringList texts;
        for (int i = 0; i < Frame().CheckWindow()->Lines()->count(); ++i)
            texts << Frame().CheckWindow()->Lines()->item(i)->text();
        return texts;
    }

private slots:
    void init() {
        Reset();
        Started();
    }

    void OpeningAProjectWithProblemsSaysSoOnce() {
        CFileDoc* broken = Docs().OpenDocumentFile(Broken("Song.prj"));
        QVERIFY(broken != nullptr);
        QCOMPARE(Frame().statusBar()->currentMessage(),
                 QStringLiteral("Song.prj: 2 problems found \u2014 Project > Check lists them"));
        // A sound project says nothing; opening the open one again says nothing either.
        Frame().statusBar()->clearMessage();
        QVERIFY(Open("Sound.prj") != nullptr);
        QCOMPARE(Frame().statusBar()->currentMessage(), QString());
        QCOMPARE(Docs().OpenDocumentFile(data.filePath("Song.prj")), broken);
        QCOMPARE(Frame().statusBar()->currentMessage(), QString());
    }

    void TheWindowListsTheActiveProjectsProblems() {
        QVERIFY(Open("Sound.prj") != nullptr);
        // F7 from a list of the project window.
        Frame().UpdateCommandUi();
        Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        CParameterListCtrl* list = Frame().ActiveView()->List(Corv::kToneKind);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F7);
        CCheckWindow* window = Frame().CheckWindow();
        QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
        QCOMPARE(window->Summary(), QStringLiteral("No problems found."));
        QCOMPARE(window->Lines()->count(), 0);
        // Another project becoming active is checked in its turn.
        CFileDoc* broken = Docs().OpenDocumentFile(Broken("Song.prj"));
        QCOMPARE(LineTexts(), (QStringList{"dangling patch 200 U -> tone 700 (empty slot)",
                                           "dangling tone 1 osc 0 side 0 -> wave 1 (empty slot)"}));
        QCOMPARE(&Corv::CProjectDocuments::Get().Documents().back()->Data(),
                 &window->Checked()->Data());
        QVERIFY(window->Summary().startsWith("Song.prj: 2 problems found"));
        QVERIFY(broken != nullptr);
    }

    void ActivatingALineSelectsItsEntryInItsWindow() {
        CFileDoc* broken = Docs().OpenDocumentFile(Broken("Song.prj"));
        CFileDoc* other = Open("Other.prj");
        QVERIFY(broken != nullptr && other != nullptr);
        QMdiSubWindow* song = Frame().MdiArea()->subWindowList().front();
        QMdiSubWindow* sound = Frame().MdiArea()->subWindowList().back();
        Frame().ShowCheckWindow();
        CCheckWindow* window = Frame().CheckWindow();
        QCOMPARE(window->Summary(), QStringLiteral("No problems found."));
        // The list follows the active project window.
        Frame().MdiArea()->setActiveSubWindow(song);
        QCOMPARE(window->Lines()->count(), 2);
        Frame().MdiArea()->setActiveSubWindow(sound);
        QCOMPARE(window->Lines()->count(), 0);
        Frame().MdiArea()->setActiveSubWindow(song);

        // Enter on the dangling reference: patch 200 alone is selected, focused and in view,
        // in Song's window, which is the active one.
        window->Lines()->setCurrentRow(0);
        QTest::keyClick(window->Lines(), Qt::Key_Return);
        CFileView* view = ViewOf(broken);
        CParameterListCtrl* patches = view->List(Corv::kPatchKind);
        QCOMPARE(patches->FirstSelectedRow(), 199);
        QCOMPARE(patches->LastSelectedRow(), 199);
        QCOMPARE(patches->FocusedRow(), 199);
        QVERIFY(patches->viewport()->rect().intersects(
            patches->visualRect(patches->model()->index(199, 0))));
        QCOMPARE(Frame().ActiveView(), view);
        QCOMPARE(window->Lines()->count(), 2); // activating the checked window keeps the list
        // The second line is tone 1's.
        QVERIFY(window->ActivateLine(1));
        QCOMPARE(view->List(Corv::kToneKind)->FirstSelectedRow(), 0);
        QCOMPARE(view->ActiveList(), view->List(Corv::kToneKind));
        // A line beyond the list, or of a project that was closed, selects nothing.
        QVERIFY(!window->ActivateLine(2));
        Docs().CloseAllDocuments();
        QVERIFY(!window->ActivateLine(0));
        QVERIFY(window->Checked() == nullptr);
    }
};

QTEST_MAIN(CheckWindowTest)
#include "check_window_test.moc"
