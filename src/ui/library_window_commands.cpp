// The library window's commands: opening a result's project, the context menu (duplicates, tags,
// favourites), forgetting projects and folders, adding folders, and the drag of results.
#include "ui/app_shell.h"
#include "ui/choosers.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/library_model.h"
#include "ui/library_service.h"
#include "ui/library_window.h"
#include "ui/parameter_list.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <set>

namespace CorvDesktop {

namespace {

CFileView* OpenWithApplication(const QString& folder) {
    IAppShell* app = IAppShell::Instance();
    CFileDoc* document = app != nullptr ? app->Documents().OpenDocumentFile(folder) : nullptr;
    for (CFileView* view : CFileView::Views())
        if (document != nullptr && &view->Document() == document)
            return view;
    return nullptr;
}

} // namespace

std::vector<int> CLibraryWindow::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> CLibraryWindow::SelectedFingerprints() const {
    std::set<std::string> prints;
    for (const int row : SelectedRows())
        if (const auto* entry = m_model->Entry(row);
            entry != nullptr && !entry->fingerprint.empty())
            prints.insert(entry->fingerprint);
    return {prints.begin(), prints.end()};
}

bool CLibraryWindow::OpenEntry(int row) {
    const Corv::Library::CatalogueEntry* entry = m_model->Entry(row);
    if (entry == nullptr)
        return false;
    const QString folder = CTextCodec::DecodePath(entry->project);
    if (entry->offline) {
        CDesktop::Get().Status().Say(
            QStringLiteral("%1 is offline: its folder is not there").arg(folder));
        return false;
    }
    CFileView* view = openFolder ? openFolder(folder) : OpenWithApplication(folder);
    CParameterListCtrl* list = view != nullptr ? view->List(entry->kind) : nullptr;
    if (list == nullptr)
        return false;
    const int slot = entry->number - 1;
    list->SelectRows({slot});
    list->SetFocusedRow(slot);
    static_cast<QTableView*>(list)->scrollTo(list->model()->index(slot, 0),
                                             QAbstractItemView::PositionAtCenter);
    view->LinkSelection(*list);
    view->ClickOver(list);
    CDesktop::Get().Status().Say(QStringLiteral("%1 %2 of %3")
                                     .arg(KindWord(entry->kind))
                                     .arg(entry->number)
                                     .arg(ProjectName(entry->project)));
    return true;
}

void CLibraryWindow::AddFolder() {
    const QString folder = CDesktop::Get().Choosers().LibraryFolder(this);
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    if (folder.isEmpty() || catalogue == nullptr)
        return;
    catalogue->AddRoot(CTextCodec::EncodePath(folder));
    CDesktop::Get().Status().Say(
        QStringLiteral("Added %1 to the library; scanning it").arg(folder));
    m_library.StartScan(false);
}

void CLibraryWindow::Rescan() {
    if (m_library.Catalogue() != nullptr)
        m_library.StartScan(false);
}

void CLibraryWindow::ForgetSelectedProjects() {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    std::set<std::string> projects;
    for (const int row : SelectedRows())
        projects.insert(m_model->Entry(row)->project);
    if (catalogue == nullptr || projects.empty())
        return;
    for (const std::string& project : projects)
        catalogue->Remove(project);
    CDesktop::Get().Status().Say(
        projects.size() == 1 ? QStringLiteral("Forgot %1; its folder is untouched")
                                   .arg(ProjectName(*projects.begin()))
                             : QStringLiteral("Forgot %1 projects; their folders are untouched")
                                   .arg(projects.size()));
    FillChoices();
    Refresh();
}

void CLibraryWindow::ForgetFolder(const QString& root) {
    if (Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
        catalogue != nullptr && catalogue->Remove(CTextCodec::EncodePath(root))) {
        CDesktop::Get().Status().Say(
            QStringLiteral("The library no longer looks in %1; the folder is untouched").arg(root));
        FillChoices();
        Refresh();
    }
}

QMenu* CLibraryWindow::ForgetMenu() {
    auto* menu = new QMenu(this);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        QAction* selected =
            menu->addAction(QStringLiteral("Forget the Selected Results' &Projects"), this,
                            &CLibraryWindow::ForgetSelectedProjects);
        selected->setEnabled(!SelectedRows().empty());
        menu->addSeparator();
        Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
        for (const std::string& root :
             catalogue != nullptr ? catalogue->Roots() : std::vector<std::string>{}) {
            const QString folder = CTextCodec::DecodePath(root);
            menu->addAction(QStringLiteral("Stop Looking in %1").arg(folder), this,
                            [this, folder] { ForgetFolder(folder); });
        }
    });
    return menu;
}

void CLibraryWindow::ShowDuplicates(int row) {
    const Corv::Library::CatalogueEntry* entry = m_model->Entry(row);
    if (entry == nullptr || entry->fingerprint.empty())
        return;
    m_copiesOf = std::pair(entry->fingerprint, entry->kind);
    m_duplicatesLabel->setText(
        QStringLiteral("Copies of %1 %2 \u201c%3\u201d of %4")
            .arg(KindWord(entry->kind))
            .arg(entry->number)
            .arg(QString::fromStdString(entry->name), ProjectName(entry->project)));
    m_duplicatesLabel->show();
    m_showAll->show();
    Refresh();
}

void CLibraryWindow::ShowAll() {
    m_copiesOf.reset();
    m_duplicatesLabel->hide();
    m_showAll->hide();
    Refresh();
}

bool CLibraryWindow::AddTag() {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    const std::vector<std::string> prints = SelectedFingerprints();
    QString tag;
    if (catalogue == nullptr || prints.empty() || !CDesktop::Get().Choosers().TagName(this, tag) ||
        tag.trimmed().isEmpty())
        return false;
    for (const std::string& print : prints)
        catalogue->SetTag(print, tag.trimmed().toStdString(), true);
    CDesktop::Get().Status().Say(
        QStringLiteral("Tagged %1 sounds \u201c%2\u201d").arg(prints.size()).arg(tag.trimmed()));
    FillChoices();
    Refresh();
    return true;
}

void CLibraryWindow::RemoveTag(const QString& tag) {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    if (catalogue == nullptr)
        return;
    for (const std::string& print : SelectedFingerprints())
        catalogue->SetTag(print, tag.toStdString(), false);
    CDesktop::Get().Status().Say(QStringLiteral("Removed the tag \u201c%1\u201d").arg(tag));
    FillChoices();
    Refresh();
}

void CLibraryWindow::ToggleFavourite() {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    const std::vector<int> rows = SelectedRows();
    if (catalogue == nullptr || rows.empty())
        return;
    // All selected favourites: they stop being ones; otherwise every one becomes one.
    const bool on = std::any_of(rows.begin(), rows.end(),
                                [this](int row) { return !m_model->Entry(row)->favourite; });
    for (const std::string& print : SelectedFingerprints())
        catalogue->SetFavourite(print, on);
    CDesktop::Get().Status().Say(on ? QStringLiteral("Marked as favourite")
                                    : QStringLiteral("No longer a favourite"));
    Refresh();
}

void CLibraryWindow::ShowMenu(QPoint at) {
    const QModelIndex index = m_table->indexAt(m_table->viewport()->mapFromGlobal(at));
    if (index.isValid() && !m_table->selectionModel()->isRowSelected(index.row(), {}))
        m_table->selectRow(index.row());
    const std::vector<int> rows = SelectedRows();
    const int row = index.isValid() ? index.row() : (rows.empty() ? -1 : rows.front());
    const Corv::Library::CatalogueEntry* entry = m_model->Entry(row);
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Open Project"), this, [this, row] { OpenEntry(row); })
        ->setEnabled(entry != nullptr && !entry->offline);
    menu.addAction(QStringLiteral("Show &Duplicates"), this, [this, row] { ShowDuplicates(row); })
        ->setEnabled(entry != nullptr && entry->copies > 1);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Add &Tag..."), this, &CLibraryWindow::AddTag)
        ->setEnabled(!rows.empty());
    QMenu* remove = menu.addMenu(QStringLiteral("&Remove Tag"));
    std::set<std::string> tags;
    for (const int selected : rows)
        for (const std::string& tag : m_model->Entry(selected)->tags)
            tags.insert(tag);
    for (const std::string& tag : tags) {
        const QString text = QString::fromStdString(tag);
        remove->addAction(text, this, [this, text] { RemoveTag(text); });
    }
    remove->setEnabled(!tags.empty());
    QAction* favourite =
        menu.addAction(QStringLiteral("&Favourite"), this, &CLibraryWindow::ToggleFavourite);
    favourite->setCheckable(true);
    favourite->setChecked(!rows.empty() && std::all_of(rows.begin(), rows.end(), [this](int r) {
        return m_model->Entry(r)->favourite;
    }));
    favourite->setEnabled(!rows.empty());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Forget &Project"), this, &CLibraryWindow::ForgetSelectedProjects)
        ->setEnabled(!rows.empty());
    m_menu = &menu; // tests find the menu while it is open
    menu.exec(at);
    m_menu = nullptr;
}

std::vector<int> CLibraryWindow::DragRows(int row) const {
    const Corv::Library::CatalogueEntry* grabbed = m_model->Entry(row);
    if (grabbed == nullptr || grabbed->offline || grabbed->fingerprint.empty())
        return {};
    std::vector<int> rows;
    for (const int selected : SelectedRows()) {
        const Corv::Library::CatalogueEntry* entry = m_model->Entry(selected);
        if (entry->project == grabbed->project && entry->kind == grabbed->kind &&
            !entry->fingerprint.empty())
            rows.push_back(selected);
    }
    if (std::find(rows.begin(), rows.end(), row) == rows.end())
        rows = {row};
    // In slot order, as a drag from the project's own list would carry them.
    std::sort(rows.begin(), rows.end(), [this](int a, int b) {
        return m_model->Entry(a)->number < m_model->Entry(b)->number;
    });
    return rows;
}

QMimeData* CLibraryWindow::BeginDrag(int row) {
    CDragState& drag = CDesktop::Get().Drag();
    const std::vector<int> rows = DragRows(row);
    if (drag.Dragging() || rows.empty()) {
        if (const auto* entry = m_model->Entry(row); entry != nullptr && entry->offline)
            CDesktop::Get().Status().Say(
                QStringLiteral("%1 is offline: nothing can be taken from it")
                    .arg(ProjectName(entry->project)));
        return nullptr;
    }
    const Corv::Library::CatalogueEntry* grabbed = m_model->Entry(row);
    DragPayload payload;
    payload.process = QCoreApplication::applicationPid();
    payload.kind = grabbed->kind;
    payload.folder = CTextCodec::DecodePath(grabbed->project);
    for (const int result : rows) {
        if (result == row)
            payload.grabOffset = static_cast<int>(payload.rows.size());
        payload.rows.push_back(m_model->Entry(result)->number - 1);
        payload.fingerprints << QString::fromStdString(m_model->Entry(result)->fingerprint);
    }
    payload.drag = drag.Begin(static_cast<int>(payload.rows.size()));
    if (rows.size() < SelectedRows().size())
        CDesktop::Get().Status().Say(
            QStringLiteral("Dragging %1 of %2; one drop takes one project's entries of one kind")
                .arg(KindCount(payload.kind, static_cast<int>(rows.size())),
                     ProjectName(grabbed->project)));
    return MakeDragData(payload);
}

} // namespace CorvDesktop
