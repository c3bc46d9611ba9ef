// The history window: the versions a project's saves kept, newest first with what the next save
// changed, comparing a version with the project now and with the next version, and restoring
// one after saying what it will change.
#include "edit/cell_edit.h"
#include "history/history_fixture.h"
#include "support/fresh_store.h"
#include "ui/history_window.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

using namespace CorvDesktop;

class HistoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void ListsComparesAndRestores() {
        CorvHistoryTest::HistoryWorld world;
        QVERIFY(world.Open() != nullptr);
        Corv::CUndoStep& undo = CorvTest::FreshStore::UndoStep();
        QVERIFY(Corv::SetNames(world.Document().Data(), Corv::kPatchKind, {0}, "Solo", undo));
        QVERIFY(world.Save());
        QVERIFY(Corv::SetNames(world.Document().Data(), Corv::kPatchKind, {1}, "Low", undo));
        QVERIFY(world.Save());
        world.CloseAll(); // a restore saves over a project nobody has open

        CHistoryWindow window(world.Recorder(), world.Project(), world.Work());
        QCOMPARE(window.Versions()->topLevelItemCount(), 2);
        QVERIFY(window.Versions()->topLevelItem(0)->text(3).contains(QStringLiteral("renamed")));
        const int first = window.VersionAt(1);         // the song as it was built
        QCOMPARE(window.CompareWithNow(1).size(), 2);  // both patches were renamed since
        QCOMPARE(window.CompareWithNext(1).size(), 1); // the first save renamed one
        QVERIFY(window.Differences()->toPlainText().contains(QStringLiteral("Lead")));

        const CorvHistoryTest::Snapshot wanted = world.Exported(first);
        QStringList asked;
        window.confirm = [&](const QString&, const QStringList& changes) {
            asked = changes;
            return false;
        };
        QVERIFY(!window.RestoreRow(1)); // declined: nothing changes
        QCOMPARE(asked.size(), 2);
        QCOMPARE(window.Versions()->topLevelItemCount(), 2);
        window.confirm = [](const QString&, const QStringList&) { return true; };
        QVERIFY(window.RestoreRow(1));
        QVERIFY(world.Folder() == wanted);
        // The project as it was before the restore is a version of its own.
        QCOMPARE(window.Versions()->topLevelItemCount(), 3);
        QVERIFY(window.Versions()->topLevelItem(0)->text(3).contains(QStringLiteral("restore")));
    }

    // A project moved to another folder is offered the history its content matches; declined,
    // it has none; agreed, it takes it along.
    void AMovedProjectTakesItsHistoryAlong() {
        CorvHistoryTest::HistoryWorld world;
        QVERIFY(world.Open() != nullptr);
        QVERIFY(Corv::SetNames(world.Document().Data(), Corv::kPatchKind, {0}, "Solo",
                               CorvTest::FreshStore::UndoStep()));
        QVERIFY(world.Save());
        world.CloseAll();
        const std::string moved = world.Temp() + "/Moved.prj/";
        std::filesystem::rename(world.Project(), moved);
        CHistoryWindow window(world.Recorder(), moved, world.Work());
        QCOMPARE(window.Versions()->topLevelItemCount(), 0);
        QString asked;
        window.attach = [&](const QString& question) {
            asked = question;
            return false;
        };
        QVERIFY(!window.OfferMovedHistory());
        QVERIFY(asked.contains(QStringLiteral("Song.prj")));
        QCOMPARE(window.Versions()->topLevelItemCount(), 0);
        window.attach = [](const QString&) { return true; };
        QVERIFY(window.OfferMovedHistory());
        QCOMPARE(window.Versions()->topLevelItemCount(), 1);
        QVERIFY(world.Recorder().Store().List(world.Project()).empty());
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
