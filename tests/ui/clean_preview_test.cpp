// The preview of Clean Project in its dialog: the summary follows the four options before OK,
// the details list names every entry that moves or goes, and the project stays as it was.
#include "ui/clean_project_dlg.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

class CleanPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_world = std::make_unique<CorvUiTest::World>(); }
    void cleanup() { m_world.reset(); }

    void summaryFollowsTheOptions() {
        Corv::CLumData& data = SongWithoutBassTone();
        const Corv::CPatchArray patches = data.Patches();
        const Corv::CToneArray tones = data.Tones();
        const Corv::CWaveArray waves = data.Waves();
        CCleanProjectDlg dialog({0, 0, 0, 0});
        dialog.ShowPreviewOf(data);
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        QCOMPARE(boxes.size(), 4);
        // The boxes checked (wave, tone, tone numbering, patch numbering) and the summary.
        const std::pair<std::array<bool, 4>, QString> steps[] = {
            {{false, false, false, false},
             "removes 2 tones and 1 wave (2.0 KB); renumbers 1 patch, 2 tones and 2 waves"},
            // An unused instrument wave (".W00") goes even when unused waves are kept.
            {{true, false, false, false},
             "removes 2 tones and 1 wave (2.0 KB); renumbers 1 patch, 2 tones and 2 waves"},
            {{true, true, false, false}, "renumbers 1 patch, 4 tones and 3 waves"},
            {{false, false, true, true}, "removes 2 tones and 1 wave (2.0 KB); renumbers 2 waves"},
            {{false, true, true, true}, "renumbers 3 waves"},
        };
        for (const auto& [checked, summary] : steps) {
            for (std::size_t i = 0; i < checked.size(); ++i)
                boxes[static_cast<int>(i)]->setChecked(checked[i]);
            QCOMPARE(dialog.Summary(), QStringLiteral("This clean %1.").arg(summary));
        }
        // Back to options seen before: the plan worked out then is shown again, not redone.
        boxes[1]->setChecked(false), boxes[2]->setChecked(false), boxes[3]->setChecked(false);
        const Corv::CleanPlan* first = dialog.Plan();
        boxes[0]->setChecked(true);
        boxes[0]->setChecked(false);
        QCOMPARE(dialog.Plan(), first);
        QVERIFY(data.Patches() == patches && data.Tones() == tones && data.Waves() == waves);
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        QVERIFY(m_world->m_sink->Calls().empty());
    }

    void aCleanProjectHasNothingToShow() {
        Corv::CLumData& data = SongWithoutBassTone();
        Corv::Clean(data, {});
        CCleanProjectDlg dialog({0, 0, 0, 0});
        dialog.ShowPreviewOf(data);
        QCOMPARE(dialog.Summary(), QStringLiteral("There is nothing to clean."));
        QVERIFY(!dialog.findChild<QPushButton*>()->isEnabled());
    }

    void detailsListEveryEntryThatMovesOrGoes() {
        Corv::CLumData& data = SongWithoutBassTone();
        CCleanProjectDlg dialog({0, 0, 0, 1});
        dialog.ShowPreviewOf(data);
        dialog.show();
        QPushButton* details = dialog.findChild<QPushButton*>();
        QCOMPARE(details->text(), QStringLiteral("&Details..."));
        QTest::mouseClick(details, Qt::LeftButton);
        auto* list = dialog.findChild<CCleanDetailsDlg*>();
        QVERIFY(list != nullptr && list->isVisible());
        QStringList rows;
        for (int i = 0; i < list->List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->List()->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(
                '|');
        }
        QCOMPARE(rows,
                 (QStringList{"Tone|3|\u2192 1|Saw", "Tone|5|\u2192 2|Str", "Tone|7|removed|Sub",
                              "Tone|9|removed|Lonely", "Wave|2|\u2192 1|Kick",
                              "Wave|4|\u2192 2|Snare", "Wave|6|removed|Hat"}));
        list->close();
    }

private:
    // The song with Bass's tone 9 unplugged, so that tone 9 and its wave 6 (2000 bytes) are unused.
    Corv::CLumData& SongWithoutBassTone() {
        Corv::CLumData& data = m_world->OpenSong("Song").Data();
        data.Patches()[4].ResetToneSlot(1);
        data.RebuildToneUsers();
        data.RebuildWaveUsers();
        return data;
    }

    std::unique_ptr<CorvUiTest::World> m_world;
};

QTEST_MAIN(CleanPreviewTest)
#include "clean_preview_test.moc"
