#include "ui/library_window.h"

#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/library_model.h"
#include "ui/library_service.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>
#include <tuple>

namespace CorvDesktop {

namespace {

constexpr int kTypingPauseMs = 120; // the search waits this long after the last key

// The results table: a drag of its rows carries what a project window's list needs for a copy
// drop, made by the window.
class CResultsTable : public QTableView {
public:
    CResultsTable(CLibraryWindow& window, QWidget* parent) : QTableView(parent), m_window(window) {}

protected:
    void startDrag(Qt::DropActions) override {
        const QModelIndex current = currentIndex();
        QMimeData* carried = current.isValid() ? m_window.BeginDrag(current.row()) : nullptr;
        if (carried == nullptr)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(carried);
        drag->exec(Qt::CopyAction, Qt::CopyAction);
        CDesktop::Get().Drag().End();
    }

private:
    CLibraryWindow& m_window;
};

} // namespace

CLibraryWindow::CLibraryWindow(CLibrary& library, QWidget* parent)
    : QDockWidget(QStringLiteral("Library"), parent), m_library(library) {
    setObjectName(QStringLiteral("LibraryWindow"));
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* filters = new QWidget(content);
    BuildFilters(filters);
    layout->addWidget(filters);

    auto* copies = new QHBoxLayout;
    m_duplicatesLabel = new QLabel(content);
    m_showAll = new QPushButton(QStringLiteral("Show A&ll"), content);
    copies->addWidget(m_duplicatesLabel, 1);
    copies->addWidget(m_showAll);
    m_duplicatesLabel->hide();
    m_showAll->hide();
    connect(m_showAll, &QPushButton::clicked, this, &CLibraryWindow::ShowAll);
    layout->addLayout(copies);

    m_model = new CLibraryModel(this);
    m_table = new CResultsTable(*this, content);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setDragEnabled(true);
    m_table->setDragDropMode(QAbstractItemView::DragOnly);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(CLibraryModel::kMemos, QHeaderView::Stretch);
    m_table->setWordWrap(false);
    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex& index) { OpenEntry(index.row()); });
    connect(m_table, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { ShowMenu(m_table->viewport()->mapToGlobal(at)); });
    layout->addWidget(m_table, 1);

    auto* buttons = new QWidget(content);
    BuildButtons(buttons);
    layout->addWidget(buttons);
    setWidget(content);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(kTypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, &CLibraryWindow::Refresh);
    connect(&m_library, &CLibrary::ScanProgress, this, &CLibraryWindow::ScanMoved);
    connect(&m_library, &CLibrary::ScanFinished, this, &CLibraryWindow::ScanEnded);
    // What the catalogue holds changed behind the window: the search runs again, a moment
    // later, so that many projects noted at once cost one search.
    connect(&m_library, &CLibrary::Changed, this, [this] {
        if (!m_typing->isActive())
            m_typing->start();
    });
    FillChoices();
    Refresh();
}

void CLibraryWindow::BuildFilters(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_search = new QLineEdit(bar);
    m_search->setPlaceholderText(QStringLiteral("Search names and memos (Ctrl+L)"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, m_search, [this] { m_typing->start(); });
    connect(m_search, &QLineEdit::returnPressed, this, &CLibraryWindow::Refresh);
    m_kind = new QComboBox(bar);
    m_kind->addItems({QStringLiteral("All kinds"), QStringLiteral("Patches"),
                      QStringLiteral("Tones"), QStringLiteral("Waves")});
    m_project = new QComboBox(bar);
    m_project->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_tag = new QComboBox(bar);
    m_favourites = new QCheckBox(QStringLiteral("\u2605 F&avourites"), bar);
    m_used = new QComboBox(bar);
    m_used->addItems(
        {QStringLiteral("Used and unused"), QStringLiteral("Used"), QStringLiteral("Unused")});
    m_duplicated = new QCheckBox(QStringLiteral("Has &copies"), bar);
    m_duplicated->setToolTip(QStringLiteral("Only sounds that are also elsewhere"));
    row->addWidget(m_search, 1);
    for (QWidget* filter : std::initializer_list<QWidget*>{m_kind, m_project, m_tag, m_favourites,
                                                           m_used, m_duplicated})
        row->addWidget(filter);
    for (QComboBox* box : {m_kind, m_project, m_tag, m_used})
        connect(box, &QComboBox::currentIndexChanged, this, &CLibraryWindow::Refresh);
    for (QCheckBox* box : {m_favourites, m_duplicated})
        connect(box, &QCheckBox::toggled, this, &CLibraryWindow::Refresh);
}

void CLibraryWindow::BuildButtons(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_status = new QLabel(bar);
    m_bar = new QProgressBar(bar);
    m_bar->setTextVisible(true);
    m_bar->hide();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), bar);
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_library.CancelScan(); });
    auto* add = new QPushButton(QStringLiteral("A&dd Folder..."), bar);
    auto* rescan = new QPushButton(QStringLiteral("&Rescan"), bar);
    rescan->setToolTip(QStringLiteral("Read the projects that changed since the last scan"));
    m_forget = new QToolButton(bar);
    m_forget->setText(QStringLiteral("F&orget"));
    m_forget->setPopupMode(QToolButton::InstantPopup);
    m_forget->setMenu(ForgetMenu());
    connect(add, &QPushButton::clicked, this, &CLibraryWindow::AddFolder);
    connect(rescan, &QPushButton::clicked, this, &CLibraryWindow::Rescan);
    row->addWidget(m_status, 1);
    row->addWidget(m_bar);
    row->addWidget(m_cancel);
    row->addWidget(add);
    row->addWidget(rescan);
    row->addWidget(m_forget);
}

// The project and tag choices follow what the catalogue holds; a choice made stays chosen.
void CLibraryWindow::FillChoices() {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    const QString project = m_project->currentData().toString();
    const QString tag = m_tag->currentData().toString();
    const QSignalBlocker quietProject(m_project);
    const QSignalBlocker quietTag(m_tag);
    m_project->clear();
    m_tag->clear();
    m_project->addItem(QStringLiteral("All projects"), QString());
    m_tag->addItem(QStringLiteral("All tags"), QString());
    if (catalogue != nullptr) {
        for (const auto& known : catalogue->Projects()) {
            QString name = ProjectName(known.folder);
            if (known.state == "offline")
                name += QStringLiteral(" (offline)");
            m_project->addItem(name, QString::fromStdString(known.folder));
            m_project->setItemData(
                m_project->count() - 1,
                CTextCodec::DecodePath(known.folder) +
                    (known.reason.empty()
                         ? QString()
                         : QStringLiteral(": ") + QString::fromStdString(known.reason)),
                Qt::ToolTipRole);
        }
        for (const std::string& name : catalogue->TagNames())
            m_tag->addItem(QString::fromStdString(name), QString::fromStdString(name));
    }
    m_project->setCurrentIndex(std::max(0, m_project->findData(project)));
    m_tag->setCurrentIndex(std::max(0, m_tag->findData(tag)));
}

Corv::Library::SearchQuery CLibraryWindow::Query() const {
    Corv::Library::SearchQuery query;
    query.text = m_search->text().toStdString();
    if (m_kind->currentIndex() > 0)
        query.kind = m_kind->currentIndex() - 1;
    query.project = m_project->currentData().toString().toStdString();
    query.tag = m_tag->currentData().toString().toStdString();
    query.favourites = m_favourites->isChecked();
    if (m_used->currentIndex() > 0)
        query.used = m_used->currentIndex() == 1;
    query.duplicated = m_duplicated->isChecked();
    query.limit = kShownResults;
    return query;
}

void CLibraryWindow::Refresh() {
    m_typing->stop();
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    if (catalogue == nullptr) {
        m_model->SetEntries({});
        m_total = 0;
        ShowStatus();
        return;
    }
    // The selection stays on the same entries across a new search (a tag given, a rescan).
    const auto key = [this](int row) {
        const Corv::Library::CatalogueEntry* entry = m_model->Entry(row);
        return std::tuple(entry->project, entry->kind, entry->number);
    };
    std::set<std::tuple<std::string, int, int>> selected;
    for (const int row : SelectedRows())
        selected.insert(key(row));
    const QModelIndex current = m_table->currentIndex();
    const auto currentKey = current.isValid() ? std::optional(key(current.row())) : std::nullopt;
    if (m_copiesOf) {
        std::vector<Corv::Library::CatalogueEntry> copies;
        for (auto& group : catalogue->Duplicates(m_copiesOf->second))
            if (group.fingerprint == m_copiesOf->first)
                copies = std::move(group.entries);
        m_total = static_cast<int>(copies.size());
        m_model->SetEntries(std::move(copies));
    } else {
        Corv::Library::SearchResult result = catalogue->Search(Query());
        m_total = result.total;
        m_model->SetEntries(std::move(result.entries));
    }
    QItemSelection selection;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (selected.count(key(row)) != 0)
            selection.select(m_model->index(row, 0),
                             m_model->index(row, CLibraryModel::kColumns - 1));
        if (currentKey && key(row) == *currentKey)
            m_table->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                       QItemSelectionModel::NoUpdate);
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    // Columns fit the first results; the memos take the room that is left.
    QHeaderView* header = m_table->horizontalHeader();
    if (m_model->rowCount() > 0 && !m_fitted) {
        m_fitted = true;
        for (int column = 0; column < CLibraryModel::kColumns; ++column)
            if (column != CLibraryModel::kMemos)
                m_table->resizeColumnToContents(column);
    }
    header->setSectionResizeMode(CLibraryModel::kMemos, QHeaderView::Stretch);
    ShowStatus();
}

QString CLibraryWindow::StatusText() const {
    return m_status->text();
}

void CLibraryWindow::ShowStatus() {
    Corv::Library::CCatalogue* catalogue = m_library.Catalogue();
    if (catalogue == nullptr) {
        m_status->setText(m_library.Problem());
        return;
    }
    const Corv::Library::CatalogueStats stats = catalogue->Stats();
    QString text = QStringLiteral("%1 of %2 entries in %3 projects (%4 offline)")
                       .arg(m_total)
                       .arg(stats.entries)
                       .arg(stats.projects)
                       .arg(stats.offline);
    if (m_total > m_model->rowCount())
        text += QStringLiteral(" - the first %1 shown").arg(m_model->rowCount());
    if (stats.projects == 0)
        text += QStringLiteral(" - Add Folder... adds the folders that hold your projects");
    m_status->setText(text);
}

void CLibraryWindow::FocusSearch() {
    show();
    raise();
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
}

void CLibraryWindow::ScanMoved(int done, int total, const QString& folder) {
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(done);
    m_bar->setFormat(QStringLiteral("%1 of %2").arg(done).arg(total));
    m_bar->setToolTip(folder);
    m_bar->show();
    m_cancel->show();
}

void CLibraryWindow::ScanEnded(const QString& summary) {
    m_bar->hide();
    m_cancel->hide();
    CDesktop::Get().Status().Say(summary);
    FillChoices();
    Refresh();
}

} // namespace CorvDesktop
