#include "app/select_project_dialog.h"

#include "app/input_text_dialog.h"
#include "storage/domain.h"
#include "ui/system_folder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

// The start folder: a stored "...\" (or "/") ending is dropped; a folder that is gone gives the
// home folder.
QString StartFolder(QString folder) {
    while (folder.size() > 1 && (folder.endsWith(u'\\') || folder.endsWith(u'/')))
        folder.chop(1);
    folder.replace(u'\\', u'/');
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return SystemFolder(QDir::homePath());
    return SystemFolder(folder);
}

bool IsWithin(const QString& folder, const QString& top) {
    return top == u"/" || folder == top || folder.startsWith(top + u'/');
}

// The top of the tree for a folder: the home folder, or the root for a folder outside it.
QString RootFor(const QString& folder) {
    const QString home = SystemFolder(QDir::homePath());
    return IsWithin(folder, home) ? home : QStringLiteral("/");
}

} // namespace

CSelectFolderDialog::CSelectFolderDialog(Mode mode, const QString& initialFolder,
                                         const QString& acceptText, const QString& title,
                                         QWidget* parent)
    : QDialog(parent), m_mode(mode), m_model(new QFileSystemModel(this)),
      m_tree(new QTreeView(this)), m_field(new QLineEdit(this)),
      m_up(new QPushButton(tr("&Up"), this)), m_accept(new QPushButton(tr("Accept"), this)),
      m_newProject(new QPushButton(QStringLiteral("N&ew Project"), this)), m_path(new QLabel(this)),
      m_hint(new QLabel(this)) {
    setWindowTitle(title);
    if (!acceptText.isEmpty())
        m_accept->setText(acceptText);
    m_newProject->setEnabled(mode == kSaveMode);
    m_field->setPlaceholderText(tr("Type or paste a folder and press Enter"));
    m_field->installEventFilter(this);
    m_up->setAutoDefault(false);
    m_up->setToolTip(tr("Show the folder above"));

    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QString());
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    auto* bar = new QGroupBox(this);
    auto* barLayout = new QGridLayout(bar);
    barLayout->addWidget(m_field, 0, 0, 1, 2);
    barLayout->addWidget(m_up, 0, 2);
    barLayout->addWidget(m_accept, 1, 0);
    barLayout->addWidget(m_newProject, 1, 1);
    auto* cancel = new QPushButton(tr("Cancel"), bar);
    barLayout->addWidget(cancel, 1, 2);
    // Where the tree is, and why Accept did not take it.
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setWordWrap(true);
    m_hint->setWordWrap(true);
    m_hint->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_path);
    layout->addWidget(m_hint);
    layout->addWidget(bar);
    resize(520, 460);

    connect(m_accept, &QPushButton::clicked, this, &CSelectFolderDialog::OnAccept);
    connect(m_newProject, &QPushButton::clicked, this, &CSelectFolderDialog::OnNewProject);
    connect(m_up, &QPushButton::clicked, this, &CSelectFolderDialog::OnUp);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeView::doubleClicked, this, &CSelectFolderDialog::DoubleClicked);
    // The folders load in the background: the start folder's row moves as they come in.
    connect(m_model, &QFileSystemModel::directoryLoaded, this,
            &CSelectFolderDialog::ScrollToCurrent);

    m_current = StartFolder(initialFolder);
    SetTreeRoot(RootFor(m_current));
    const QModelIndex index = m_model->index(m_current);
    if (index.isValid())
        m_tree->setCurrentIndex(index);
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
        ScrollToCurrent();
    }
}

bool CSelectFolderDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!GoToTyped(m_field->text()))
                QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CSelectFolderDialog::IsAcceptableFolder(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString CSelectFolderDialog::TreeRoot() const {
    return m_model->filePath(m_tree->rootIndex());
}

void CSelectFolderDialog::SetTreeRoot(const QString& folder) {
    m_tree->setRootIndex(m_model->index(folder));
    m_up->setEnabled(TreeRoot() != u"/");
}

void CSelectFolderDialog::ScrollToCurrent() {
    if (!m_userMoved && m_tree->currentIndex().isValid())
        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void CSelectFolderDialog::CurrentChanged(const QModelIndex& index) {
    if (!index.isValid())
        return;
    m_userMoved = true;
    EnterFolder(m_model->filePath(index));
}

void CSelectFolderDialog::DoubleClicked(const QModelIndex& index) {
    const QString path = m_model->filePath(index);
    if (m_mode != kOpenMode || !IsAcceptableFolder(path))
        return;
    EnterFolder(path);
    OnAccept();
}

void CSelectFolderDialog::ShowInTree(const QString& folder) {
    if (!IsWithin(folder, TreeRoot()))
        SetTreeRoot(RootFor(folder));
    const QModelIndex index = m_model->index(folder);
    if (index.isValid()) {
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
    }
    EnterFolder(folder); // also a hidden folder, which the tree does not show
}

void CSelectFolderDialog::EnterFolder(const QString& path) {
    m_current = path;
    m_path->setText(tr("Folder: %1").arg(QDir::toNativeSeparators(path)));
    m_hint->hide();
    if (IsAcceptableFolder(path)) {
        m_chosen = path;
        m_field->setText(QDir::toNativeSeparators(path));
        m_accept->setFocus();
    } else {
        m_chosen.clear();
        m_field->clear();
    }
}

bool CSelectFolderDialog::GoToTyped(const QString& text) {
    QString path = text.trimmed();
    if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    if (path == u"~" || path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
    if (path.isEmpty())
        return false;
    const QString folder = SystemFolder(QDir(m_current).filePath(QDir::fromNativeSeparators(path)));
    if (!QFileInfo(folder).isDir()) {
        m_chosen.clear();
        return false;
    }
    m_userMoved = true;
    ShowInTree(folder);
    return true;
}

void CSelectFolderDialog::OnUp() {
    const QString top = TreeRoot();
    if (top == u"/")
        return;
    SetTreeRoot(QFileInfo(top).path());
    m_tree->scrollTo(m_tree->currentIndex());
}

void CSelectFolderDialog::OnAccept() {
    // A path typed but not entered yet is what the user sees, so it is what Accept takes.
    if (m_field->isModified() && m_field->text() != QDir::toNativeSeparators(m_chosen))
        GoToTyped(m_field->text());
    if (IsAcceptableFolder(m_chosen)) {
        accept();
        return;
    }
    // Nothing to take: the dialog stays and says what it needs.
    m_chosen.clear();
    m_hint->setText(m_mode == kSaveMode
                        ? tr("Choose a project folder (a folder whose name ends in .prj) to save "
                             "into, or make one with New Project.")
                        : tr("Choose a project folder (a folder whose name ends in .prj) to "
                             "open."));
    m_hint->show();
    QApplication::beep();
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
    const QString folderName = ProjectFolderName(typed);
    const QString path = QDir(parent).filePath(folderName);
    const QFileInfo there(path);
    if (!typed.isEmpty() && there.isDir() && IsAcceptableFolder(path)) {
        // Taking it silently would make a "new" project replace the one of that name.
        ShowInTree(SystemFolder(path));
        Corv::CDomain::Get().ShowNotice(
            QStringLiteral("A project named \"%1\" already exists here. It has been selected; "
                           "choose another name to make a new project.")
                .arg(folderName)
                .toStdString());
        return false;
    }
    if (typed.isEmpty() || there.exists() || there.isSymLink() || !QDir().mkdir(path) ||
        !IsAcceptableFolder(path)) {
        Corv::CDomain::Get().ShowError(Corv::kMsgSaveFailed);
        return false;
    }
    m_chosen = path;
    m_field->setText(QDir::toNativeSeparators(path));
    accept();
    return true;
}

bool CSelectProjectDialog::IsAcceptableFolder(const QString& path) const {
    return path.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive) &&
           CSelectFolderDialog::IsAcceptableFolder(path);
}

std::unique_ptr<CSelectProjectDialog>
CDialogProjectChooser::CreateDialog(bool openMode, const QString& initialFolder, QWidget* parent) {
    return std::make_unique<CSelectProjectDialog>(
        openMode ? CSelectFolderDialog::kOpenMode : CSelectFolderDialog::kSaveMode, initialFolder,
        openMode ? QStringLiteral("Open &Project") : QStringLiteral("Save &Project"),
        openMode ? QStringLiteral("Open Project") : QStringLiteral("Save Project"), parent);
}

bool CDialogProjectChooser::Result(const CSelectFolderDialog& dialog, QString& chosen) {
    if (dialog.result() != QDialog::Accepted || dialog.ChosenFolder().isEmpty())
        return false;
    chosen = dialog.ChosenFolder();
    return true;
}

bool CDialogProjectChooser::Choose(bool openMode, const QString& initialFolder, QString& chosen) {
    const auto dialog = CreateDialog(openMode, initialFolder, m_parent);
    dialog->exec();
    return Result(*dialog, chosen);
}

} // namespace CorvDesktop
