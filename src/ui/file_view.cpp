#include "ui/file_view.h"

#include "edit/clean.h"
#include "edit/drop.h"
#include "edit/list_edits.h"
#include "edit/transfer.h"
#include "edit/wave_import.h"
#include "gp/anchor_layout.h"
#include "storage/domain.h"
#include "storage/slot_file_name.h"
#include "storage/undo_step.h"
#include "ui/choosers.h"
#include "ui/clean_project_dlg.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/feedback_text.h"
#include "ui/file_doc.h"
#include "ui/font_setup.h"
#include "ui/parameter_list.h"
#include "ui/project_options.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/wait_cursor.h"
#include "ui/wave_detail.h"
#include "ui/wave_gauge.h"
#include "ui/wave_preview.h"
#include "ui/wave_services.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <algorithm>

namespace CorvDesktop {

namespace {

// Control ids of the project window's form.
enum FormControl : int {
    kPatchCaption = 4286,
    kToneCaption = 4285,
    kWaveCaption = 4284,
    kPatchList = 4132,
    kToneList = 4130,
    kWaveList = 4131,
    kStatusText = 4291,
    kWaveGauge = 4292,
};

// The form in dialog units: all extra width goes to the patch list, the tone and wave lists
// keep their width and move with the right edge. The detail area stands below the wave list.
const GP::CDlgTempl& FormTemplate() {
    static const GP::CDlgTempl templ(QSize(402, 45), {{kPatchCaption, QRect(2, 5, 19, 8)},
                                                      {kPatchList, QRect(2, 15, 130, 24)},
                                                      {kToneCaption, QRect(137, 5, 18, 8)},
                                                      {kToneList, QRect(136, 15, 130, 24)},
                                                      {kWaveCaption, QRect(270, 5, 19, 8)},
                                                      {kWaveList, QRect(269, 15, 130, 24)},
                                                      {kStatusText, QRect(345, 5, 55, 9)},
                                                      {kWaveGauge, QRect(292, 6, 50, 7)}});
    return templ;
}

// The settings entry of the detail area's height.
const QString kDetailHeightKey = QStringLiteral("Wave/DetailHeight");

// The used entries among `rows` of a list.
int UsedCount(const CParameterListCtrl& list, const std::vector<int>& rows) {
    const Corv::CParameterArray* records = list.Records();
    return records == nullptr
               ? 0
               : static_cast<int>(std::count_if(rows.begin(), rows.end(), [records](int row) {
                     return !records->Item(static_cast<std::size_t>(row)).IsEmpty();
                 }));
}

// The used entries of each list of a project.
std::array<int, 3> UsedCounts(const Corv::CLumData& project) {
    std::array<int, 3> counts{};
    for (int kind = 0; kind < 3; ++kind)
        counts[static_cast<std::size_t>(kind)] =
            static_cast<int>(project.Records(kind).Size()) - project.CountEmpty(kind);
    return counts;
}

void AddUnique(std::vector<int>& rows, int row) {
    if (std::find(rows.begin(), rows.end(), row) == rows.end())
        rows.push_back(row);
}

} // namespace

struct CFileView::Private {
    std::array<CParameterListCtrl*, 3> lists{};
    std::array<QLabel*, 3> captions{};
    QLabel* status = nullptr;
    CWaveGauge* gauge = nullptr;
    QSplitter* waveColumn = nullptr; // the wave list above the detail area
    CWaveDetail* detail = nullptr;
    bool warned = false; // the missing-files warning was shown in this activation
    int waveShare = 0;   // the wave list's width beyond the form's
    // What the drag being previewed over this window carries, and the drag's number (0: none).
    Corv::CTransfer previewTransfer;
    std::uint64_t previewDrag = 0;
};

CFileView::CFileView(CFileDoc& document, QWidget* parent)
    : QWidget(parent), m_document(document), m_private(new Private) {
    Private& p = *m_private;
    p.lists = {new CPatchListCtrl(this), new CToneListCtrl(this), new CWaveListCtrl(this)};
    p.captions = {new QLabel(tr("Patch"), this), new QLabel(tr("Tone"), this),
                  new QLabel(tr("Wave"), this)};
    p.status = new QLabel(this);
    p.status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    p.gauge = new CWaveGauge(this);
    MakeWaveColumn();
    for (CParameterListCtrl* list : p.lists) {
        connect(list, &CParameterListCtrl::SelectionLinkRequested, this,
                [this](CParameterListCtrl* source) { LinkSelection(*source); });
        connect(list, &CParameterListCtrl::CellEdited, this,
                [this] { m_document.SetModifiedFlag(true); });
        connect(list, &CParameterListCtrl::DeleteRequested, this, &CFileView::Delete);
        connect(list, &CParameterListCtrl::DropRequested, this,
                [this](const ListDrop& drop, bool* done) {
                    ClickOver(drop.target); // the window comes forward, the list has the focus
                    *done = PerformDrop(drop);
                });
        connect(list, &CParameterListCtrl::DropPreviewRequested, this,
                [this](const ListDrop& drop, QString* text) { *text = DropPreview(drop); });
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CFileView::CommandStateChanged);
        // The list the user works in says how much of it is selected.
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [list] {
            if (list->hasFocus() && list->Records() != nullptr)
                CDesktop::Get().Status().Say(
                    SelectionStatus(static_cast<int>(list->SelectedRows().size()),
                                    list->model()->rowCount(), list->Kind()));
        });
        connect(list, &CParameterListCtrl::ContextMenuRequested, this,
                [this](CParameterListCtrl*, QPoint at) { emit ContextMenuRequested(at); });
        list->SetReadOnly(document.IsReadOnly(), document.ReadOnlyRefusal());
    }
    connect(&m_document, &CFileDoc::ViewsUpdateRequested, this, &CFileView::OnUpdate);
    // A new list font: the lists take it, keeping their column widths.
    connect(&CDesktop::Get().ListFont(), &CListFont::Changed, this,
            &CFileView::OnUpdateSavingWidths);
    setAcceptDrops(true);
    CDesktop::Get().Views().push_back(this);
    OnUpdate();
    LayOut();
}

CFileView::~CFileView() {
    if (!m_private->detail->isHidden())
        QSettings().setValue(kDetailHeightKey, m_private->detail->height());
    auto& views = CDesktop::Get().Views();
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
    if (CFileView*& current = CDesktop::Get().CurrentView(); current == this)
        current = nullptr;
    delete m_private;
}

const std::vector<CFileView*>& CFileView::Views() {
    return CDesktop::Get().Views();
}

CFileView* CFileView::Current() {
    return CDesktop::Get().CurrentView();
}

CParameterListCtrl* CFileView::List(int kind) const {
    return kind >= 0 && kind < 3 ? m_private->lists[static_cast<std::size_t>(kind)] : nullptr;
}

CParameterListCtrl* CFileView::ActiveList() const {
    const QWidget* focus = focusWidget();
    for (CParameterListCtrl* list : m_private->lists)
        if (focus != nullptr && (focus == list || list->isAncestorOf(focus)))
            return list;
    return nullptr;
}

void CFileView::OnUpdate() {
    Update(false);
}

void CFileView::OnUpdateSavingWidths() {
    Update(true);
}

void CFileView::Update(bool saveWidths) {
    const CListFont& listFont = CDesktop::Get().ListFont();
    for (CParameterListCtrl* list : m_private->lists) {
        list->SetListFont(listFont.Font(), listFont.Color());
        if (saveWidths)
            list->WriteColumnWidths();
        list->Bind(&m_document.Data(), m_document.Core().Id());
        list->Refresh();
    }
    UpdateStatus();
    LayOut(); // the wave list's share follows its column widths
}

void CFileView::UpdateStatus() {
    const std::uint32_t bytes = m_document.Data().WaveBytesTotal();
    m_private->status->setText(QString::fromStdString(Corv::WaveBytesText(bytes)));
    m_private->gauge->SetBytes(bytes);
}

void CFileView::MakeWaveColumn() {
    Private& p = *m_private;
    p.waveColumn = new QSplitter(Qt::Vertical, this);
    p.waveColumn->setChildrenCollapsible(false);
    p.detail = new CWaveDetail(p.waveColumn);
    p.waveColumn->addWidget(p.lists[2]);
    p.waveColumn->addWidget(p.detail);
    p.waveColumn->setStretchFactor(0, 1);
    p.waveColumn->setStretchFactor(1, 0);
    const int height = QSettings().value(kDetailHeightKey, 130).toInt();
    p.waveColumn->setSizes({400, std::clamp(height, 40, 2000)});
    auto* waves = static_cast<CWaveListCtrl*>(p.lists[2]);
    connect(waves, &CWaveListCtrl::CurrentWaveChanged, p.detail, &CWaveDetail::SetWave);
    CWaveServices& services = CDesktop::Get().Waves();
    connect(&services, &CWaveServices::DetailsToggled, this, &CFileView::ShowDetail);
    ShowDetail(services.DetailsShown());
}

void CFileView::ShowDetail(bool shown) {
    CWaveDetail* detail = m_private->detail;
    if (!shown && !detail->isHidden())
        QSettings().setValue(kDetailHeightKey, detail->height());
    detail->setVisible(shown);
}

CWaveDetail* CFileView::Detail() const {
    return m_private->detail;
}

int CFileView::WaveListShare() const {
    return m_private->waveShare;
}

CWaveGauge* CFileView::Gauge() const {
    return m_private->gauge;
}

QString CFileView::StatusText() const {
    return m_private->status->text();
}

void CFileView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

// The width beyond the form's own goes to the patch list, except for a share the wave list takes
// to show its pictures and lengths: as much as its columns up to the Length column want, at
// most half. The tone and wave lists keep their widths otherwise, and a window no wider than
// the form is laid out as the form says.
void CFileView::LayOut() {
    Private& p = *m_private;
    using namespace GP;
    const CDialogUnits units = CDialogUnits::ForFont(font());
    const int extra = std::max(0, width() - units.ToPixels(FormTemplate().Size()).width());
    const int waveWidth = units.ToPixels(FormTemplate().Item(kWaveList)->rect).width();
    const int wanted =
        static_cast<const CWaveListCtrl*>(p.lists[2])->PictureColumnsWidth() - waveWidth;
    const int share = std::clamp(wanted, 0, extra / 2);
    p.waveShare = share;
    // Everything left of the wave list stands as in a window narrower by the share.
    CAnchorLayout left(*this, FormTemplate(), units, size() - QSize(share, 0));
    left.Add(kPatchCaption, p.captions[0], kAnchorLeft | kAnchorTop);
    left.Add(kPatchList, p.lists[0], kAnchorLeftRight | kAnchorTopBottom);
    left.Add(kToneCaption, p.captions[1], kAnchorRight | kAnchorTop);
    left.Add(kToneList, p.lists[1], kAnchorRight | kAnchorTopBottom);
    left.Add(kWaveCaption, p.captions[2], kAnchorRight | kAnchorTop);
    CAnchorLayout right(*this, FormTemplate(), units, size());
    p.waveColumn->setGeometry(
        right.Rect(kWaveList, kAnchorRight | kAnchorTopBottom).adjusted(-share, 0, 0, 0));
    right.Add(kStatusText, p.status, kAnchorRight | kAnchorTop);
    right.Add(kWaveGauge, p.gauge, kAnchorRight | kAnchorTop);
}

void CFileView::OnActivateView() {
    // Activating one project window deactivates the one before it.
    CFileView*& current = CDesktop::Get().CurrentView();
    if (current != nullptr && current != this)
        current->OnDeactivateView();
    current = this;
    std::vector<std::string> missing;
    if (ActiveList() == nullptr || m_private->warned ||
        m_document.Core().SourceFilesPresent(nullptr, &missing))
        return;
    m_private->warned = true;
    CDesktop::Get().Choosers().Notice(
        this, tr("Some patch/tone/wave files within the project cannot be "
                 "found because they have been deleted, moved, or renamed.") +
                  QStringLiteral("\n\n") +
                  MissingFilesDetail(missing, m_document.Data().ProjectFolder(), Title()));
}

void CFileView::OnDeactivateView() {
    m_private->warned = false;
}

std::array<int, 3> CFileView::TopRows() const {
    return {List(0)->TopRow(), List(1)->TopRow(), List(2)->TopRow()};
}

void CFileView::SetTopRows(const std::array<int, 3>& rows) {
    for (int kind = 0; kind < 3; ++kind)
        List(kind)->SetTopRow(rows[static_cast<std::size_t>(kind)]);
}

void CFileView::LinkSelection(const CParameterListCtrl& source) {
    const Corv::CLumData& project = m_document.Data();
    const int patchCount =
        static_cast<int>(std::min<std::size_t>(project.Patches().Size(), Corv::kPatchSlots));
    const int toneCount =
        static_cast<int>(std::min<std::size_t>(project.Tones().Size(), Corv::kToneSlots));
    const int waveCount =
        static_cast<int>(std::min<std::size_t>(project.Waves().Size(), Corv::kWaveSlots));
    std::array<std::vector<int>, 3> rows;
    const auto addWavesOf = [&](int tone) {
        for (const int wave : project.Tones()[static_cast<std::size_t>(tone)].ReferencedWaves())
            if (wave >= 1 && wave <= waveCount)
                AddUnique(rows[2], wave - 1);
    };
    const auto addPatchesOf = [&](int tone, bool usedOnly) {
        for (const int patch : project.Tones()[static_cast<std::size_t>(tone)].Users())
            if (patch >= 0 && patch < patchCount &&
                !(usedOnly && project.Patches()[static_cast<std::size_t>(patch)].IsEmpty()))
                AddUnique(rows[0], patch);
    };
    for (const int row : source.SelectedRows()) {
        if (source.Kind() == Corv::kPatchKind && row < patchCount) {
            for (int slot = 0; slot < 2; ++slot) {
                const int tone =
                    project.Patches()[static_cast<std::size_t>(row)].Slot(slot).ToneNumber();
                if (tone >= 1 && tone <= toneCount) {
                    AddUnique(rows[1], tone - 1);
                    addWavesOf(tone - 1);
                }
            }
        } else if (source.Kind() == Corv::kToneKind && row < toneCount) {
            addPatchesOf(row, true);
            addWavesOf(row);
        } else if (source.Kind() == Corv::kWaveKind && row < waveCount) {
            for (const int tone : project.Waves()[static_cast<std::size_t>(row)].Users())
                if (tone >= 0 && tone < toneCount) {
                    AddUnique(rows[1], tone);
                    addPatchesOf(tone, false);
                }
        }
    }
    for (int kind = 0; kind < 3; ++kind)
        if (kind != source.Kind())
            List(kind)->SelectLinkedRows(rows[static_cast<std::size_t>(kind)]);
}

bool CFileView::CanDelete() const {
    const CParameterListCtrl* list = ActiveList();
    return list != nullptr && list->HasUsedSelection();
}

void CFileView::AfterEdit(CParameterListCtrl* acted) {
    if (acted != nullptr)
        acted->Refill();
    UpdateStatus();
    for (CParameterListCtrl* list : m_private->lists)
        if (list != acted)
            list->Refill();
    m_document.SetModifiedFlag(true);
}

bool CFileView::RefusedAsReadOnly() const {
    if (m_document.IsReadOnly())
        CDesktop::Get().Status().Say(m_document.ReadOnlyRefusal());
    return m_document.IsReadOnly();
}

void CFileView::Delete() {
    if (RefusedAsReadOnly() || !CanDelete())
        return;
    CParameterListCtrl* list = ActiveList();
    Corv::CDomain& services = m_document.Core().Services();
    const std::vector<int> rows = list->SelectedRows();
    // The question says what goes: a selection stretched by a key too far shows before OK.
    const std::string detail = DeletionDetail(m_document.Data(), list->Kind(), rows,
                                              m_document.Title(), CDesktop::Get().CodePage())
                                   .toStdString();
    const int used = UsedCount(*list, rows);
    const Corv::ConfirmFn confirm = [&](int code) {
        return Corv::Confirmed(services.Ask(Corv::kButtonsOkCancel, code, detail));
    };
    const Corv::EditOutcome outcome = Corv::DeleteEntries(m_document.Data(), rows, list->Kind(),
                                                          m_document.Core().UndoStep(), confirm);
    Corv::ShowRefusal(services, outcome);
    if (!outcome.Done())
        return;
    const EditReport report = DeleteReport(list->Kind(), used, Title());
    m_document.Core().UndoStep().SetDescription(report.what.toStdString());
    AfterEdit(list);
    LinkSelection(*list); // the emptied rows link to nothing any more
    CDesktop::Get().Status().Say(report.done);
}

void CFileView::SelectAll() {
    if (CParameterListCtrl* list = ActiveList())
        list->selectAll();
}

void CFileView::SetUpGrid() {
    CProjectOptions& options = CDesktop::Get().Options();
    int gridSw = static_cast<int>(options.m_gridSw);
    if (!CDesktop::Get().Choosers().SetUpGrid(this, gridSw))
        return;
    options.m_gridSw = gridSw != 0 ? 1 : 0;
    for (CFileView* view : CDesktop::Get().Views())
        for (CParameterListCtrl* list : view->m_private->lists) {
            list->WriteColumnWidths();
            list->Refresh();
        }
}

void CFileView::CleanProject() {
    if (RefusedAsReadOnly())
        return;
    CDesktop& desktop = CDesktop::Get();
    std::array<std::uint32_t, 4> options = desktop.Options().m_cleanOptions;
    if (!desktop.Choosers().CleanProject(this, options, desktop.CodePage(), &m_document.Data()))
        return;
    desktop.Options().SetCleanOptions(options);
    const std::array<int, 3> before = UsedCounts(m_document.Data());
    Corv::EditOutcome outcome;
    {
        CWaitCursor wait;
        outcome = Corv::CleanProject(m_document.Data(), CDesktop::Get().Options().CleanOptions(),
                                     m_document.Core().UndoStep());
        Corv::ShowRefusal(m_document.Core().Services(), outcome);
    }
    if (!outcome.Done())
        return;
    const EditReport report = CleanReport(before, UsedCounts(m_document.Data()), Title());
    m_document.Core().UndoStep().SetDescription(report.what.toStdString());
    AfterEdit(nullptr);
    m_document.UpdateAllViews();
    CDesktop::Get().Status().Say(report.done);
}

void CFileView::ImportWave() {
    if (RefusedAsReadOnly())
        return;
    // The dialog previews the files and weighs them against this project's wave limit.
    const Corv::CLumData* project = &m_document.Data();
    const QStringList files =
        CDesktop::Get().Choosers().ImportWave(this, [project](QFileDialog& dialog) {
            (new CWavePreview(project, &dialog))->Attach(dialog);
        });
    if (!files.isEmpty())
        ImportFiles(files);
}

void CFileView::ShowImportTotal(int files, std::uint64_t total) {
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr)
        return;
    const double limit = static_cast<double>(Corv::kWaveBytesLimit);
    frame->statusBar()->showMessage(
        tr("Importing %n file(s): the waves will total %1 of %2 (%3 %)", nullptr, files)
            .arg(QString::number(static_cast<double>(total) / 1048576.0, 'f', 1) +
                     QStringLiteral(" MB"),
                 QString::number(limit / 1048576.0, 'f', 1) + QStringLiteral(" MB"),
                 QString::number(100.0 * static_cast<double>(total) / limit, 'f', 1)));
}

void CFileView::ImportFiles(const QStringList& paths) {
    if (RefusedAsReadOnly())
        return;
    std::vector<std::string> files;
    for (const QString& path : paths) {
        std::string file = CTextCodec::EncodePath(path);
        std::replace(file.begin(), file.end(), '\\', '/');
        files.push_back(file);
    }
    const std::vector<int> empty = m_document.Data().EmptySlots(Corv::kWaveKind);
    Corv::ImportResult result;
    {
        CWaitCursor wait;
        ShowImportTotal(static_cast<int>(files.size()),
                        Corv::WaveBytesAfterImport(m_document.Data(), files));
        result = Corv::ImportWaves(m_document.Core(), files, m_document.Core().UndoStep());
        Corv::ShowRefusal(m_document.Core().Services(), result.outcome);
    }
    const int imported = result.imported;
    if (imported <= 0)
        return;
    CParameterListCtrl* waves = List(Corv::kWaveKind);
    waves->ClearSelection();
    UpdateStatus();
    m_document.SetModifiedFlag(true);
    waves->Refill();
    const std::vector<int> added(
        empty.begin(), empty.begin() + std::min<std::ptrdiff_t>(
                                           imported, static_cast<std::ptrdiff_t>(empty.size())));
    waves->SelectRows(added);
    const EditReport report = ImportReport(added, Title());
    m_document.Core().UndoStep().SetDescription(report.what.toStdString());
    CDesktop::Get().Status().Say(report.done);
    if (!added.empty()) {
        const int first = added.front();
        const int top = waves->TopRow();
        const int bottom = waves->rowAt(waves->viewport()->height() - 1);
        if (first < top || (bottom >= 0 && first > bottom))
            waves->SetTopRow(first);
    }
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

QString CFileView::Title() const {
    return m_document.Title();
}

CFileView* CFileView::ViewOfProject(std::uint64_t id) {
    for (CFileView* view : Views())
        if (view->Document().Core().Id() == id)
            return view;
    return nullptr;
}

QString CFileView::DropPreview(const ListDrop& drop) {
    if (drop.payload.FromLibrary())
        return LibraryDropPreview(drop);
    CFileView* sourceView = ViewOfProject(drop.payload.project);
    const CParameterListCtrl* source =
        sourceView != nullptr ? sourceView->List(drop.payload.kind) : nullptr;
    if (source == nullptr || source->Project() == nullptr)
        return {};
    if (m_document.IsReadOnly())
        return m_document.ReadOnlyRefusal();
    // What the drag carries is taken once per drag, when its first preview is asked for.
    Private& p = *m_private;
    if (p.previewDrag != drop.payload.drag) {
        p.previewTransfer =
            Corv::StoreSelection(*source->Project(), drop.payload.rows, drop.payload.kind);
        p.previewDrag = drop.payload.drag;
    }
    const Corv::DropPreview preview =
        Corv::PreviewTransferDrop(p.previewTransfer, *source->Project(), drop.payload.rows,
                                  m_document.Data(), drop.at, {drop.flags.copy, drop.flags.insert},
                                  Title().toStdString(), sourceView->Title().toStdString());
    // How the keys change the drop here, so that nobody has to remember it.
    const QString keys = sourceView->Document().IsReadOnly() ? tr("Shift or Alt: insert")
                         : drop.target == source ? tr("Ctrl: copy, Shift or Alt: insert")
                                                 : tr("Ctrl: move, Shift or Alt: insert");
    return QString::fromStdString(preview.text) + QStringLiteral("   (") + keys + u')';
}

bool CFileView::PerformDrop(const ListDrop& drop) {
    if (drop.payload.FromLibrary())
        return PerformLibraryDrop(drop);
    CFileView* sourceView = ViewOfProject(drop.payload.project);
    CParameterListCtrl* sourceList =
        sourceView != nullptr ? sourceView->List(drop.payload.kind) : nullptr;
    if (sourceList == nullptr || sourceList->Project() == nullptr || drop.target == nullptr ||
        RefusedAsReadOnly())
        return false;
    m_private->previewDrag = 0; // the transfer taken for the preview is done with
    m_private->previewTransfer = {};
    // Whatever the keys or the clipboard said, nothing is moved out of a version.
    const bool copy = drop.flags.copy || sourceView->Document().IsReadOnly();
    const Corv::DropRequest request{sourceList->Project(),
                                    drop.payload.rows,
                                    drop.payload.kind,
                                    &m_document.Data(),
                                    drop.at,
                                    drop.flags.insert,
                                    copy};
    Corv::CDomain& services = m_document.Core().Services();
    // The words for the status line and the undo step, worked out before the drop changes
    // what they describe.
    const Corv::DropPreview words =
        Corv::PreviewDrop(request, Title().toStdString(), sourceView->Title().toStdString());
    Corv::DropResult result;
    {
        CWaitCursor wait;
        result =
            Corv::PerformDrop(request, m_document.Core().UndoStep(), Corv::AskOkCancel(services));
        Corv::ShowRefusal(services, result.outcome);
    }
    if (!result.done)
        return false;
    // The dropped entries are selected where they landed; another project's source keeps the
    // dragged rows selected (a copy left them there, a move emptied them).
    sourceList->Refill();
    if (sourceView != this) {
        sourceList->SelectRows(result.sourceSelection);
        sourceView->LinkSelection(*sourceList);
        if (result.sourceChanged)
            sourceView->AfterEdit(sourceList);
    }
    ShowDropped(drop, result.targetSelection, result.targetChanged, words.what, words.done);
    return true;
}

void CFileView::ShowDropped(const ListDrop& drop, const std::vector<int>& rows, bool changed,
                            const std::string& what, const std::string& done) {
    if (changed)
        AfterEdit(drop.target);
    if (!rows.empty()) {
        drop.target->SelectRows(rows);
        drop.target->SetFocusedRow(rows.front());
        LinkSelection(*drop.target);
    }
    m_document.Core().UndoStep().SetDescription(what);
    CDesktop::Get().Status().Say(QString::fromStdString(done));
    emit CommandStateChanged();
}

void CFileView::ClickOver(CParameterListCtrl* list) {
    for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget())
        if (auto* frame = qobject_cast<QMdiSubWindow*>(widget)) {
            if (frame->mdiArea() != nullptr)
                frame->mdiArea()->setActiveSubWindow(frame);
            frame->raise();
            break;
        }
    if (list != nullptr)
        list->setFocus(Qt::MouseFocusReason);
}

void CFileView::dragEnterEvent(QDragEnterEvent* event) {
    if (!CDesktop::Get().Drag().Dragging()) {
        event->ignore();
        return;
    }
    CDesktop::Get().Drag().Hover(this, mapToGlobal(event->position().toPoint()), this == Current());
    event->accept(); // to follow the cursor; every position refuses the drop
}

void CFileView::dragMoveEvent(QDragMoveEvent* event) {
    CDesktop::Get().Drag().Hover(this, mapToGlobal(event->position().toPoint()), this == Current());
    event->ignore();
}

} // namespace CorvDesktop
