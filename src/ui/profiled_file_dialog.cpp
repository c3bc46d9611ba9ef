#include "ui/profiled_file_dialog.h"

#include "ui/system_folder.h"

#include <QFileDialog>
#include <QSettings>

namespace CorvDesktop {

namespace {

QString Key(const CProfiledFileDialog::Entry& entry) {
    return entry.section + '/' + entry.entry;
}

QString ReadText(const CProfiledFileDialog::Entry& entry) {
    return QSettings().value(Key(entry), entry.defaultValue).toString();
}

} // namespace

void CProfiledFileDialog::Prepare(QFileDialog& dialog) const {
    if (m_folder.IsSet()) {
        const QString folder = ReadText(m_folder);
        // The dialog folds "." and ".." on the text; the system resolves them first.
        if (!folder.isEmpty())
            dialog.setDirectory(SystemFolder(folder));
    }
    if (m_fileName.IsSet()) {
        const QString file = ReadText(m_fileName);
        if (!file.isEmpty())
            dialog.selectFile(file);
    }
    const QStringList filters = dialog.nameFilters();
    if (m_filterIndex.IsSet() && !filters.isEmpty()) {
        const int index = QSettings().value(Key(m_filterIndex), 0).toInt();
        dialog.selectNameFilter(filters.value(index >= 1 ? index - 1 : 0, filters.first()));
    }
}

void CProfiledFileDialog::Remember(const QFileDialog& dialog, bool accepted) const {
    QSettings settings;
    if (m_folder.IsSet())
        settings.setValue(Key(m_folder), SystemFolder(dialog.directory().path()));
    if (accepted && m_fileName.IsSet() && !dialog.selectedFiles().isEmpty())
        settings.setValue(Key(m_fileName), dialog.selectedFiles().first());
    if (m_filterIndex.IsSet()) {
        const qsizetype index = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
        settings.setValue(Key(m_filterIndex), static_cast<int>(index < 0 ? 0 : index + 1));
    }
}

QStringList CProfiledFileDialog::ImportFilters() {
    // Both letter cases: files brought from other systems often carry upper-case extensions.
    // Every kind at once comes first: a folder of samples rarely holds one kind only.
    return {QStringLiteral("All audio files (*.wav *.aif *.aiff *.vpw *.WAV *.AIF *.AIFF *.VPW)"),
            QStringLiteral("Wav Files (*.wav *.WAV)"),
            QStringLiteral("Aif Files (*.aif *.AIF)"),
            QStringLiteral("Aiff Files (*.aiff *.AIFF)"),
            QStringLiteral("VPW Files (*.vpw *.VPW)"),
            QStringLiteral("All Files (*)")};
}

CProfiledFileDialog CProfiledFileDialog::ImportProfile() {
    CProfiledFileDialog profile;
    profile.m_folder = {QStringLiteral("WAV"), QStringLiteral("InitialDirectory"), QString()};
    profile.m_fileName = {QStringLiteral("WAV"), QStringLiteral("InitialFileName"), QString()};
    profile.m_filterIndex = {QStringLiteral("WAV"), QStringLiteral("InitialFilterIndex"),
                             QStringLiteral("0")};
    return profile;
}

QStringList
CProfiledFileDialog::ChooseImportFiles(QWidget* parent,
                                       const std::function<void(QFileDialog&)>& prepare) {
    QFileDialog dialog(parent);
    if (prepare)
        prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(ImportFilters());
    dialog.setSizeGripEnabled(true);
    const CProfiledFileDialog profile = ImportProfile();
    profile.Prepare(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    profile.Remember(dialog, accepted);
    return accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace CorvDesktop
