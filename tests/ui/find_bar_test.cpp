// The find bar: next and previous over the hits of one or every open project, in one list or
// all three; each hit selected, its window made the current one; the status line's "hit N of M".
#include "edit/find.h"
#include "ui/find_bar.h"
#include "ui_fixture.h"

using CorvUiTest::Rows;

class FindBarTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CorvUiTest::World> m_world;
    CFindBar m_bar;

    // Steps forward (true) or back; the messages then shown.
    QString Step(std::initializer_list<bool> forward) {
        QStringList said;
        for (const bool step : forward) {
            static_cast<void>(m_bar.Step(step));
            said << m_bar.LastMessage();
        }
        return said.join(", ");
    }

private slots:
    void init() { m_world = std::make_unique<CorvUiTest::World>(); }
    void cleanup() { m_world.reset(); }

    void NextAndPreviousWalkTheHitsOfTheActiveProjectAndWrap() {
        auto view = m_world->Show(m_world->OpenSong("A"));
        view->OnActivateView();
        // "S" is in Bass (patch 5), Saw, Str, Sub (tones 3, 5, 7) and Snare (wave 4).
        m_bar.SetSearch(QStringLiteral("S"), CFindBar::kActiveProject, Corv::kFindAllKinds);
        QCOMPARE(Step({true, true}), QStringLiteral("hit 1 of 5, hit 2 of 5"));
        QCOMPARE(view->ActiveList(), view->List(1));
        QCOMPARE(Step({false, false}), QStringLiteral("hit 1 of 5, hit 5 of 5"));
        QCOMPARE(view->ActiveList(), view->List(2));
        // Each list keeps the last hit it showed selected.
        QCOMPARE((std::vector{view->List(0)->SelectedRows(), view->List(1)->SelectedRows(),
                              view->List(2)->SelectedRows()}),
                 (std::vector<Rows>{{4}, {2}, {3}}));
        QCOMPARE(Step({true}), QStringLiteral("hit 1 of 5"));
    }

    void EveryProjectGoesOnInTheNextWindow() {
        auto a = m_world->Show(m_world->OpenSong("A"));
        auto b = m_world->Show(m_world->OpenSong("B"));
        a->OnActivateView();
        m_bar.SetSearch(QStringLiteral("s"), CFindBar::kEveryProject, Corv::kToneKind);
        QVERIFY(Step({true, true, true, true}).endsWith("hit 4 of 6"));
        QCOMPARE(CFileView::Current(), b.get());
        QCOMPARE(std::pair(b->ActiveList(), b->List(1)->SelectedRows()),
                 std::pair(b->List(1), Rows{2}));
        QCOMPARE(Step({false}), QStringLiteral("hit 3 of 6"));
        QCOMPARE(CFileView::Current(), a.get());
        // The same search in the active project alone stays in A.
        m_bar.SetSearch(QStringLiteral("s"), CFindBar::kActiveProject, Corv::kToneKind);
        QCOMPARE(Step({true}), QStringLiteral("hit 1 of 3"));
    }

    // Memos are searched; the typed text is encoded into the code page of the names.
    void FindsMemosAndTypedTextInTheCodePage() {
        Corv::CProjectDocument& document = m_world->OpenSong("A");
        Corv::CPatch& patch = document.Data().Patches()[9];
        patch.SetFilePath(document.Data().ProjectFolder() + "Patch/010 Cafe.d00");
        patch.SetName("Caf\xE9"); // "Café" in Windows-1252
        auto view = m_world->Show(document);
        view->OnActivateView();
        m_bar.SetSearch(QStringLiteral("CAF\u00C9"), CFindBar::kActiveProject, Corv::kPatchKind);
        QCOMPARE(Step({true}), QStringLiteral("hit 1 of 1"));
        QCOMPARE(view->List(0)->SelectedRows(), Rows{9});
        m_bar.SetSearch(QStringLiteral("M1"), CFindBar::kActiveProject, Corv::kFindAllKinds);
        QCOMPARE(Step({true}), QStringLiteral("hit 1 of 1"));
        QCOMPARE(view->List(1)->SelectedRows(), Rows{2});
    }

    // No hit says so and selects nothing; no text opens the bar instead.
    void NoHitSaysSoAndNoTextOpensTheBar() {
        auto view = m_world->Show(m_world->OpenSong("A"));
        view->OnActivateView();
        m_bar.SetSearch(QStringLiteral("zzz"), CFindBar::kEveryProject, Corv::kFindAllKinds);
        QVERIFY(!m_bar.Step(true));
        QCOMPARE(m_bar.LastMessage(), QStringLiteral("No hit for \"zzz\""));
        QVERIFY(view->List(0)->SelectedRows().empty() && view->List(1)->SelectedRows().empty());
        m_bar.SetSearch(QString(), CFindBar::kEveryProject, Corv::kFindAllKinds);
        QVERIFY(m_bar.isHidden() && !m_bar.Step(true) && !m_bar.isHidden());
    }
};

QTEST_MAIN(FindBarTest)
#include "find_bar_test.moc"
