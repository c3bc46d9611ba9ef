#include "ui/choosers.h"

#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui/set_grid_dlg.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
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

QStringList CUiChoosers::ImportWave(QWidget* parent,
                                    const std::function<void(QFileDialog&)>& prepare) const {
    if (importWave)
        return importWave(parent);
    return CProfiledFileDialog::ChooseImportFiles(parent, prepare);
}

void CUiChoosers::Notice(QWidget* parent, const QString& text) const {
    if (notice) {
        notice(parent, text);
        return;
    }
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

QString CUiChoosers::LibraryFolder(QWidget* parent) const {
    if (libraryFolder)
        return libraryFolder(parent);
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Add a Folder to the Library"));
}

bool CUiChoosers::TagName(QWidget* parent, QString& tag) const {
    if (tagName)
        return tagName(parent, tag);
    bool ok = false;
    tag = QInputDialog::getText(parent, QStringLiteral("Add Tag"),
                                QStringLiteral("Tag for the selected sounds:"), QLineEdit::Normal,
                                tag, &ok)
              .trimmed();
    return ok && !tag.isEmpty();
}

bool CUiChoosers::EditMemos(QWidget* parent, const QString& title, std::array<QString, 4>& memos,
                            int length) const {
    if (editMemos)
        return editMemos(parent, memos);
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Edit Memos"));
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(title, &dialog));
    std::array<QLineEdit*, 4> edits{};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i] = new QLineEdit(memos[i], &dialog);
        edits[i]->setMaxLength(length);
        edits[i]->setMinimumWidth(edits[i]->fontMetrics().averageCharWidth() * 48);
        form->addRow(QStringLiteral("Memo &%1:").arg(i + 1), edits[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (std::size_t i = 0; i < edits.size(); ++i)
        memos[i] = edits[i]->text();
    return true;
}

} // namespace CorvDesktop
