#include "ui/choosers.h"

#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui/set_grid_dlg.h"

#include <QApplication>
#include <QMessageBox>

namespace CorvDesktop {

bool CUiChoosers::EditText(QWidget* parent, int field, QString& text, const CCodePage& page) const {
    if (editText)
        return editText(parent, field, text);
    CReplaceStringDlg dialog(field, text, page, parent);
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
                               const CCodePage& page, const Corv::CLumData* data) const {
    if (cleanProject)
        return cleanProject(parent, options);
    CCleanProjectDlg dialog(options, page, parent);
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

} // namespace CorvDesktop
