// The find bar: next and previous over the hits of one or every open project, in one list or
// all three; each hit selected, scrolled to and its window made the current one; the status
// line's "hit N of M".
#include "edit/find.h"
#include "ui/find_bar.h"
#include "ui_fixture.h"

#include <QTest>

namespace {

using CorvUiTest::Rows;

class FindBarTest : public QObject {
    Q_OBJECT

private:
    // The selection of every list of a view: patches, tones, waves.
    static std::vector<Rows> Selections(const CFileView& view) {
        return {view.List(0)->SelectedRows(), view.List(1)->SelectedRows(),
                view.List(2)->SelectedRows()};
    }

private slots:
    void NextAndPreviousWalkTheHitsOfTheActiveProjectAndWrap() {
        CorvUiTest::World world;
        auto view = world.Show(world.OpenSong("A"));
        view->OnActivateView();
        CFindBar bar;
        // "S" is in Bass (patch 5), Saw, Str, Sub (tones 3, 5, 7) and Snare (wave 4).
        bar.SetSearch(QStringLiteral("S"), CFindBar::kActiveProject, Corv::kFindAllKinds);
        const auto step = [&](bool forward, const QString& said,
                              const std::vector<Rows>& selected) {
            QVERIFY(bar.Step(forward));
            QCOMPARE(bar.LastMessage(), said);
            QCOMPARE(Selections(*view), selected);
        };
        step(true, "hit 1 of 5", {{4}, {}, {}});
        step(true, "hit 2 of 5", {{4}, {2}, {}});
        QCOMPARE(view->ActiveList(), view->List(1));
        step(false, "hit 1 of 5", {{4}, {2}, {}});
        QCOMPARE(view->ActiveList(), view->List(0));
        step(false, "hit 5 of 5", {{4}, {2}, {3}});
        step(true, "hit 1 of 5", {{4}, {2}, {3}});
    }

    void EveryProjectInOneKindGoesOnInTheNextWindow() {
        CorvUiTest::World world;
        auto a = world.Show(world.OpenSong("A"));
        auto b = world.Show(world.OpenSong("B"));
        a->OnActivateView();
        CFindBar bar;
        bar.SetSearch(QStringLiteral("s"), CFindBar::kEveryProject, Corv::kToneKind);
        for (int i = 0; i < 4; ++i)
            QVERIFY(bar.Step(true));
        QCOMPARE(bar.LastMessage(), QStringLiteral("hit 4 of 6"));
        QCOMPARE(CFileView::Current(), b.get());
        QCOMPARE(b->ActiveList(), b->List(1));
        QCOMPARE(b->List(1)->SelectedRows(), Rows{2});
        QVERIFY(bar.Step(false));
        QCOMPARE(bar.LastMessage(), QStringLiteral("hit 3 of 6"));
        QCOMPARE(CFileView::Current(), a.get());
        QCOMPARE(a->List(1)->SelectedRows(), Rows{6});
        // The same search in the active project alone stays in A.
        bar.SetSearch(QStringLiteral("s"), CFindBar::kActiveProject, Corv::kToneKind);
        QVERIFY(bar.Step(true));
        QCOMPARE(bar.LastMessage(), QStringLiteral("hit 1 of 3"));
        QCOMPARE(CFileView::Current(), a.get());
    }

    // Memos are searched; the typed text is encoded into the code page of the names.
    void FindsMemosAndTypedTextInTheCodePage() {
        CorvUiTest::World world;
        Corv::CProjectDocument& document = world.OpenSong("A");
        Corv::CPatch& patch = document.Data().Patches()[9];
        patch.SetFilePath(document.Data().ProjectFolder() + "Patch/010 Cafe.d00");
        patch.SetName("Caf\xE9"); // "Café" in Windows-1252
        auto view = world.Show(document);
        view->OnActivateView();
        CFindBar bar;
        bar.SetSearch(QStringLiteral("CAF\u00C9"), CFindBar::kActiveProject, Corv::kPatchKind);
        QVERIFY(bar.Step(true));
        QCOMPARE(view->List(0)->SelectedRows(), Rows{9});
        bar.SetSearch(QStringLiteral("M1"), CFindBar::kActiveProject, Corv::kFindAllKinds);
        QVERIFY(bar.Step(true));
        QCOMPARE(bar.LastMessage(), QStringLiteral("hit 1 of 1"));
        QCOMPARE(view->List(1)->SelectedRows(), Rows{2});
    }

    void NoHitSaysSoAndNoTextOpensTheBar() {
        CorvUiTest::World world;
        auto view = world.Show(world.OpenSong("A"));
        view->OnActivateView();
        CFindBar bar;
        bar.SetSearch(QStringLiteral("zzz"), CFindBar::kEveryProject, Corv::kFindAllKinds);
        QVERIFY(!bar.Step(true));
        QCOMPARE(bar.LastMessage(), QStringLiteral("No hit for \"zzz\""));
        QCOMPARE(Selections(*view), (std::vector<Rows>{{}, {}, {}}));
        bar.SetSearch(QString(), CFindBar::kEveryProject, Corv::kFindAllKinds);
        QVERIFY(bar.isHidden());
        QVERIFY(!bar.Step(true));
        QVERIFY(!bar.isHidden());
    }
};

} // namespace

QTEST_MAIN(FindBarTest)
#include "find_bar_test.moc"
