#include "app/select_project_dialog.h"

#include "app/input_text_dialog.h"
#include "app/system_folder.h"
#include "edit/domain.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The start folder: a stored "...\" (or "/") ending is dropped; a folder that is gone gives the
// home folder.
QString StartFolder(QString folder) {
    while (folder.size() > 1 && (folder.endsWith(u'\\') || folder.endsWith(u'/')))
        folder.chop(1);
    folder.replace(u'\\', u'/');
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QDir::homePath();
    return SystemFolder(folder);
}

} // namespace

CSelectFolderDialog::CSelectFolderDialog(Mode mode, const QString& initialFolder,
                                         const QString& acceptText, const QString& title,
                                         QWidget* parent)
    : QDialog(parent), m_mode(mode), m_model(new QFileSystemModel(this)),
      m_tree(new QTreeView(this)), m_field(new QLineEdit(this)),
      m_accept(new QPushButton(tr("Accept"), this)),
      m_newProject(new QPushButton(QStringLiteral("N&ew Project"), this)) {
    setWindowTitle(title);
    if (!acceptText.isEmpty())
        m_accept->setText(acceptText);
    m_newProject->setEnabled(mode == kSaveMode);
    m_field->setReadOnly(true);

    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
    m_model->setRootPath(QString());
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    auto* bar = new QGroupBox(this);
    auto* barLayout = new QGridLayout(bar);
    barLayout->addWidget(m_field, 0, 0, 1, 3);
    barLayout->addWidget(m_accept, 1, 0);
    barLayout->addWidget(m_newProject, 1, 1);
    auto* cancel = new QPushButton(tr("Cancel"), bar);
    barLayout->addWidget(cancel, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(bar);
    resize(520, 460);

    connect(m_accept, &QPushButton::clicked, this, &CSelectFolderDialog::OnAccept);
    connect(m_newProject, &QPushButton::clicked, this, &CSelectFolderDialog::OnNewProject);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const QString start = StartFolder(initialFolder);
    const QModelIndex index = m_model->index(start);
    m_current = start;
    if (index.isValid()) {
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
        m_tree->expand(index);
    }
    // Connected only now: the start folder is tested when the dialog shows, once the derived
    // dialog's test is in place.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentChanged(current); });
}

void CSelectFolderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        EnterFolder(m_current);
    }
}

bool CSelectFolderDialog::IsAcceptableFolder(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void CSelectFolderDialog::CurrentChanged(const QModelIndex& index) {
    if (index.isValid())
        EnterFolder(m_model->filePath(index));
}

void CSelectFolderDialog::EnterFolder(const QString& path) {
    m_current = path;
    if (IsAcceptableFolder(path)) {
        m_chosen = path;
        m_chosenFlag = true;
        m_field->setText(QDir::toNativeSeparators(path));
        m_accept->setFocus();
    } else {
        m_chosen.clear();
        m_chosenFlag = false;
        m_field->clear();
    }
}

void CSelectFolderDialog::OnAccept() {
    if (IsAcceptableFolder(m_chosen)) {
        accept();
        return;
    }
    m_chosen.clear();
    m_chosenFlag = false;
    reject();
}

QString CSelectFolderDialog::ProjectFolderName(const QString& name) {
    return name.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive)
               ? name
               : name + QStringLiteral(".prj");
}

bool CSelectFolderDialog::AskName(QString& name) {
    if (m_nameInput)
        return m_nameInput(name);
    CInputTextDialog dialog(QStringLiteral("New Project"), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.Text();
    return true;
}

void CSelectFolderDialog::OnNewProject() {
    if (m_mode != kSaveMode)
        return;
    QString name;
    if (AskName(name))
        CreateNewProject(name);
}

bool CSelectFolderDialog::CreateNewProject(const QString& name) {
    const QString typed = CFolderNameEdit::Filtered(name).trimmed();
    // Projects are never nested: with a project folder selected, the new one goes beside it.
    QString parent = m_current;
    if (IsAcceptableFolder(parent) && parent.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive))
        parent = SystemFolder(QFileInfo(parent).path());
    const QString path = QDir(parent).filePath(ProjectFolderName(typed));
    const bool exists = QFileInfo(path).isDir();
    if (typed.isEmpty() || !(exists || QDir().mkdir(path)) || !IsAcceptableFolder(path)) {
        Corv::CDomain::Get().ShowError(Corv::kMsgSaveFailed);
        return false;
    }
    m_chosen = path;
    m_chosenFlag = true;
    m_field->setText(QDir::toNativeSeparators(path));
    accept();
    return true;
}

namespace Corv {

bool CSelectProjectDialog::IsAcceptableFolder(const QString& path) const {
    return path.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive) &&
           CSelectFolderDialog::IsAcceptableFolder(path);
}

} // namespace Corv

bool CDialogProjectChooser::Choose(bool openMode, const QString& initialFolder, QString& chosen) {
    Corv::CSelectProjectDialog dialog(
        openMode ? CSelectFolderDialog::kOpenMode : CSelectFolderDialog::kSaveMode, initialFolder,
        openMode ? QStringLiteral("Open &Project") : QStringLiteral("Save &Project"),
        openMode ? QStringLiteral("Open Project") : QStringLiteral("Save Project"), m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenFolder().isEmpty())
        return false;
    chosen = dialog.ChosenFolder();
    return true;
}
