// The dialogs of the project window, driven without being shown: titles and labels of the name
// and memo editor, the clean choices, and what the remembering file dialog keeps.
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "edit/domain.h"
#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui_fixture.h"

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void editDialogTitles_data();
    void editDialogTitles();
    void cleanDialogOrderAndStore();
    void fileDialogRemembersAfterCancel();
    void fileDialogOpensWhereItWasLeft();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_files;
};

void DialogsTest::initTestCase() { CorvUiTest::UseTestSettings(m_settings.path()); }

void DialogsTest::init() {
    QSettings().clear();
    Corv::CDomain::Reset();
}

void DialogsTest::editDialogTitles_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label");
    QTest::newRow("name") << 1 << "Edit Name" << "Name";
    QTest::newRow("memo 1") << 2 << "Edit Memo" << "Memo1";
    QTest::newRow("memo 4") << 5 << "Edit Memo" << "Memo4";
}

void DialogsTest::editDialogTitles() {
    QFETCH(int, field);
    QFETCH(QString, title);
    QFETCH(QString, label);
    CReplaceStringDlg dialog(field, QStringLiteral("Old text"));
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.Label(), label);
    QCOMPARE(dialog.Text(), QStringLiteral("Old text"));
    // No length limit in the field: filtering happens when the text is stored.
    auto* edit = dialog.findChild<QLineEdit*>();
    QVERIFY(edit != nullptr);
    edit->setText(QString(40, QLatin1Char('x')));
    QCOMPARE(dialog.Text().size(), 40);
}

void DialogsTest::cleanDialogOrderAndStore() {
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
    QCOMPARE(domain.m_waveOption, 1u);
    QCOMPARE(domain.m_toneOption, 1u);
    QCOMPARE(domain.m_tnumOption, 0u);
    QCOMPARE(domain.m_pnumOption, 0u);
}

void DialogsTest::fileDialogRemembersAfterCancel() {
    const CProfiledFileDialog profile = CProfiledFileDialog::ImportProfile();
    QFileDialog dialog;
    dialog.setNameFilters(CProfiledFileDialog::ImportFilters());
    profile.Prepare(dialog);
    dialog.setDirectory(m_files.path());
    dialog.selectNameFilter(CProfiledFileDialog::ImportFilters()[2]);
    profile.Remember(dialog, false);
    QCOMPARE(QSettings().value("WAV/InitialDirectory").toString(), QDir(m_files.path()).absolutePath());
    QVERIFY(!QSettings().contains("WAV/InitialFileName")); // only an OK keeps the file
    QCOMPARE(QSettings().value("WAV/InitialFilterIndex").toInt(), 3);
}

void DialogsTest::fileDialogOpensWhereItWasLeft() {
    QDir(m_files.path()).mkdir("Samples");
    const QString folder = QDir(m_files.path()).absoluteFilePath("Samples");
    QSettings().setValue("WAV/InitialDirectory", folder);
    QSettings().setValue("WAV/InitialFilterIndex", 4);
    QFileDialog dialog;
    dialog.setNameFilters(CProfiledFileDialog::ImportFilters());
    CProfiledFileDialog::ImportProfile().Prepare(dialog);
    QCOMPARE(dialog.directory().absolutePath(), folder);
    QCOMPARE(dialog.selectedNameFilter(), CProfiledFileDialog::ImportFilters()[3]);
    // With nothing stored the first filter is chosen.
    QSettings().clear();
    QFileDialog fresh;
    fresh.setNameFilters(CProfiledFileDialog::ImportFilters());
    CProfiledFileDialog::ImportProfile().Prepare(fresh);
    QCOMPARE(fresh.selectedNameFilter(), CProfiledFileDialog::ImportFilters()[0]);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
