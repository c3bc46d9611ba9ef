#include "ui/choosers.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui/set_grid_dlg.h"

CUiChoosers& CUiChoosers::Get() {
    static CUiChoosers choosers;
    return choosers;
}

void CUiChoosers::Reset() { Get() = CUiChoosers(); }

bool CUiChoosers::EditText(QWidget* parent, int field, QString& text) const {
    if (editText)
        return editText(parent, field, text);
    CReplaceStringDlg dialog(field, text, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.Text();
    return true;
}

bool CUiChoosers::SetUpGrid(QWidget* parent, int& gridSw) const {
    if (setUpGrid)
        return setUpGrid(parent, gridSw);
    CSetGridDlg dialog(gridSw, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    gridSw = dialog.Value();
    return true;
}

bool CUiChoosers::CleanProject(QWidget* parent, std::array<std::uint32_t, 4>& options,
                               const Corv::CLumData* data) const {
    if (cleanProject)
        return cleanProject(parent, options);
    CCleanProjectDlg dialog(options, parent);
    if (data != nullptr)
        dialog.ShowPreviewOf(*data);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}

QStringList CUiChoosers::ImportWave(QWidget* parent) const {
    if (importWave)
        return importWave(parent);
    return CProfiledFileDialog::ChooseImportFiles(parent);
}

void CUiChoosers::Notice(QWidget* parent, const QString& text) const {
    if (notice) {
        notice(parent, text);
        return;
    }
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}
