// The dialogs of the project window, driven without being shown: titles and labels of the name
// and memo editor, the clean choices, and what the remembering file dialog keeps.
#include "edit/domain.h"
#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class DialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
    QTemporaryDir m_files;

    // A file dialog with the import filters, prepared from what the settings remember.
    static std::unique_ptr<QFileDialog> PreparedImportDialog() {
        auto dialog = std::make_unique<QFileDialog>();
        dialog->setNameFilters(CProfiledFileDialog::ImportFilters());
        CProfiledFileDialog::ImportProfile().Prepare(*dialog);
        return dialog;
    }

private slots:
    void initTestCase() { CorvUiTest::UseTestSettings(m_settings.path()); }
    void init() {
        QSettings().clear();
        Corv::CDomain::Reset();
    }

    void editDialogTitles() {
        for (const auto& [field, title, label] : {std::tuple{1, "Edit Name", "Name"},
                                                  {2, "Edit Memo", "Memo1"},
                                                  {5, "Edit Memo", "Memo4"}}) {
            CReplaceStringDlg dialog(field, QStringLiteral("Old text"));
            QCOMPARE(dialog.windowTitle(), QString::fromLatin1(title));
            QCOMPARE(dialog.Label(), QString::fromLatin1(label));
            QCOMPARE(dialog.Text(), QStringLiteral("Old text"));
            // No length limit in the field: filtering happens when the text is stored.
            dialog.findChild<QLineEdit*>()->setText(QString(40, QLatin1Char('x')));
            QCOMPARE(dialog.Text().size(), 40);
        }
    }

    void cleanDialogOrderAndStore() {
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.m_waveOption = 1;
        domain.m_pnumOption = 1;
        CCleanProjectDlg dialog(CCleanProjectDlg::StoreOptions());
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        QCOMPARE(boxes.size(), 4);
        QCOMPARE(boxes[0]->text(), QStringLiteral("Keep Unused User &Waves"));
        QCOMPARE(boxes[3]->text(), QStringLiteral("Keep &Patch Numbering"));
        QVERIFY(boxes[0]->isChecked() && !boxes[1]->isChecked() && !boxes[2]->isChecked() &&
                boxes[3]->isChecked());
        boxes[1]->setChecked(true);
        boxes[3]->setChecked(false);
        CCleanProjectDlg::SetStoreOptions(dialog.Options());
        QCOMPARE((std::array{domain.m_waveOption, domain.m_toneOption, domain.m_tnumOption,
                             domain.m_pnumOption}),
                 (std::array<std::uint32_t, 4>{1, 1, 0, 0}));
    }

    void fileDialogRemembersWhereItWasLeft() {
        // With nothing stored the first filter is chosen.
        QCOMPARE(PreparedImportDialog()->selectedNameFilter(),
                 CProfiledFileDialog::ImportFilters()[0]);
        QDir(m_files.path()).mkdir("Samples");
        const QString folder = QDir(m_files.path()).absoluteFilePath("Samples");
        auto dialog = PreparedImportDialog();
        dialog->setDirectory(folder);
        dialog->selectNameFilter(CProfiledFileDialog::ImportFilters()[3]);
        CProfiledFileDialog::ImportProfile().Remember(*dialog, false);
        QVERIFY(!QSettings().contains("WAV/InitialFileName")); // only an OK keeps the file
        auto reopened = PreparedImportDialog();
        QCOMPARE(reopened->directory().absolutePath(), folder);
        QCOMPARE(reopened->selectedNameFilter(), CProfiledFileDialog::ImportFilters()[3]);
        QCOMPARE(QSettings().value("WAV/InitialFilterIndex").toInt(), 4);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
