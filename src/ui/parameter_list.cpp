#include "ui/parameter_list.h"

#include "model/lum_data.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/list_clipboard.h"
#include "ui/list_columns.h"
#include "ui/list_delegate.h"
#include "ui/parameter_list_model.h"
#include "ui/project_options.h"
#include "ui/status_line.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace CorvDesktop {

CParameterListCtrl::CParameterListCtrl(int kind, QWidget* parent)
    : QTableView(parent), m_kind(kind), m_model(new CParameterListModel(kind, this)) {
    setModel(m_model);
    setItemDelegate(new CListDelegate(kind != Corv::kPatchKind, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setShowGrid(false);
    setFrameShape(QFrame::StyledPanel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    // The last memo column takes the room the window has beyond the columns' widths.
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SetListFont(font(), palette().color(QPalette::Text));
    // Rows are dragged between the lists of one kind; the drop is ours, not the view's.
    setDragDropMode(DragDrop);
    setDropIndicatorShown(false);
    setAutoScroll(false);
    // Any other change of the selection makes it the user's own.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_linking)
            m_model->SetLinked(false);
    });
    m_autoScroll.setInterval(50);
    connect(&m_autoScroll, &QTimer::timeout, this, &CParameterListCtrl::AutoScrollTick);
    connect(&CDesktop::Get().Drag(), &CDragState::TargetLeft, this, [this](QObject* list) {
        if (list == this)
            ShowDropFeedback(false);
    });
}

CParameterListCtrl::~CParameterListCtrl() {
    WriteColumnWidths();
}

void CParameterListCtrl::Bind(Corv::CLumData* project, std::uint64_t projectId) {
    m_project = project;
    m_projectId = projectId;
    m_model->Bind(project != nullptr ? &project->Records(m_kind) : nullptr);
}

const Corv::CParameterArray* CParameterListCtrl::Records() const {
    return m_model->Records();
}

int CParameterListCtrl::UsedLength() const {
    return m_model->UsedLength();
}

const SELVColumn& CParameterListCtrl::Column(int column) const {
    return ColumnTable(m_kind)[static_cast<std::size_t>(column)].column;
}

void CParameterListCtrl::Refresh() {
    const int top = TopRow();
    const int focus = FocusedRow();
    const int column = m_currentColumn;
    WriteColumnWidths(); // the user's widths survive the new columns
    m_model->BeginRefill();
    m_model->EndRefill();
    SetGrid(CDesktop::Get().Options().m_gridSw != 0);
    ReadColumnWidths();
    m_columnsMade = true;
    SetFocusedRow(std::min(focus, m_model->rowCount() - 1));
    SetTopRow(top);
    m_currentColumn = column;
    ClearSelection();
}

void CParameterListCtrl::Refill(bool useCount, int count) {
    const int top = TopRow();
    const int focus = FocusedRow();
    const int horizontal = horizontalScrollBar()->value();
    const int column = m_currentColumn;
    const std::vector<int> selected = SelectedRows();
    const bool linked = m_model->Linked();
    setUpdatesEnabled(false);
    m_model->BeginRefill();
    m_model->EndRefill();
    SetFocusedRow(std::min(focus, m_model->rowCount() - 1));
    SetTopRow(top);
    horizontalScrollBar()->setValue(horizontal);
    m_currentColumn = column;
    setUpdatesEnabled(true);
    if (useCount && count > 0 && !selected.empty() &&
        selected.front() + count <= m_model->rowCount()) {
        std::vector<int> rows(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            rows[static_cast<std::size_t>(i)] = selected.front() + i;
        SelectRows(rows);
        return;
    }
    if (linked)
        SelectLinkedRows(selected);
    else
        SelectRows(selected);
}

std::vector<int> CParameterListCtrl::SelectedRows() const {
    const int count = m_model->rowCount();
    std::vector<char> marked(static_cast<std::size_t>(std::max(count, 0)), 0);
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < count; ++row)
            marked[static_cast<std::size_t>(row)] = 1;
    std::vector<int> rows;
    for (int row = 0; row < count; ++row)
        if (marked[static_cast<std::size_t>(row)] != 0)
            rows.push_back(row);
    return rows;
}

void CParameterListCtrl::SelectRows(const std::vector<int>& rows) {
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    const int count = m_model->rowCount();
    const int lastColumn = m_model->columnCount() - 1;
    QItemSelection selection;
    for (std::size_t i = 0; i < sorted.size();) {
        const int first = sorted[i];
        int last = first;
        while (++i < sorted.size() && sorted[i] <= last + 1)
            last = sorted[i];
        if (first >= 0 && last < count && lastColumn >= 0)
            selection.append(
                QItemSelectionRange(m_model->index(first, 0), m_model->index(last, lastColumn)));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CParameterListCtrl::SelectSpan(int from, int to) {
    const int last = m_model->columnCount() - 1;
    if (from < 0 || to < 0 || last < 0)
        return;
    selectionModel()->select(QItemSelection(m_model->index(std::min(from, to), 0),
                                            m_model->index(std::max(from, to), last)),
                             QItemSelectionModel::ClearAndSelect);
}

void CParameterListCtrl::SelectLinkedRows(const std::vector<int>& rows) {
    m_linking = true;
    SelectRows(rows);
    m_linking = false;
    m_model->SetLinked(true);
    viewport()->update();
}

bool CParameterListCtrl::ShowsLinkedRows() const {
    return m_model->Linked() && selectionModel()->hasSelection();
}

void CParameterListCtrl::ClearSelection() {
    selectionModel()->clearSelection();
}

void CParameterListCtrl::SelectAllUsed() {
    std::vector<int> rows(static_cast<std::size_t>(UsedLength()));
    for (int i = 0; i < UsedLength(); ++i)
        rows[static_cast<std::size_t>(i)] = i;
    SelectRows(rows);
}

void CParameterListCtrl::selectAll() {
    SelectAllUsed();
    emit SelectionLinkRequested(this);
}

void CParameterListCtrl::keyboardSearch(const QString& search) {
    const int before = FocusedRow();
    // Digits typed in quick succession name a slot, whatever the current column ("256").
    const bool digits = !search.isEmpty() && std::all_of(search.begin(), search.end(),
                                                         [](QChar c) { return c.isDigit(); });
    if (!digits || !m_typedAt.isValid() ||
        m_typedAt.elapsed() > QApplication::keyboardInputInterval())
        m_slotTyped.clear();
    m_typedAt.start();
    if (digits)
        m_slotTyped += search;
    else
        QTableView::keyboardSearch(search);
    const int row = digits ? m_slotTyped.toInt() - 1 : FocusedRow();
    if (row < 0 || row >= m_model->rowCount() || row == before)
        return;
    SetFocusedRow(row);
    m_anchorRow = row;
    SelectRows({row});
    scrollTo(m_model->index(row, 0));
    emit SelectionLinkRequested(this);
}

int CParameterListCtrl::TopRow() const {
    const int row = rowAt(0);
    return row < 0 ? verticalScrollBar()->value() : row;
}

void CParameterListCtrl::SetTopRow(int row) {
    updateGeometries();
    verticalScrollBar()->setValue(std::max(row, 0));
}

int CParameterListCtrl::FocusedRow() const {
    return currentIndex().row();
}

void CParameterListCtrl::SetFocusedRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void CParameterListCtrl::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // Rows scroll into view vertically only: the horizontal position follows the current
    // column (ShowColumn), never the focused cell.
    const int horizontal = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(horizontal);
}

void CParameterListCtrl::SetCurrentColumn(int column) {
    const int count = m_model->columnCount();
    m_currentColumn = std::clamp(column, -1, count - 1);
    ShowColumn(m_currentColumn);
    viewport()->update();
}

void CParameterListCtrl::MoveCurrentColumn(int direction) {
    const int count = m_model->columnCount();
    for (int column = m_currentColumn + direction; column >= 0 && column < count;
         column += direction)
        if (Column(column).IsEditable()) {
            SetCurrentColumn(column);
            return;
        }
}

void CParameterListCtrl::ShowColumn(int column) {
    if (column < 0)
        return;
    QScrollBar* bar = horizontalScrollBar();
    const int left = columnViewportPosition(column);
    const int right = left + columnWidth(column);
    const int width = viewport()->width();
    if (left < 0)
        bar->setValue(bar->value() + left);
    else if (right > width)
        bar->setValue(bar->value() + std::min(left, right - width));
}

void CParameterListCtrl::SetGrid(bool on) {
    setShowGrid(on);
}

void CParameterListCtrl::SetListFont(const QFont& listFont, const QColor& textColor) {
    setFont(listFont);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, textColor);
    setPalette(colours);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 3);
}

std::vector<int> CParameterListCtrl::ColumnWidths() const {
    std::vector<int> widths;
    for (int column = 0; column < m_model->columnCount(); ++column)
        widths.push_back(KeptColumnWidth(column));
    return widths;
}

void CParameterListCtrl::WriteColumnWidths() const {
    if (!m_columnsMade)
        return;
    QSettings().setValue(ColumnWidthSection(m_kind) + QStringLiteral("/ColumnWidth"),
                         FormatColumnWidths(ColumnWidths()));
}

void CParameterListCtrl::ReadColumnWidths() {
    const QVariant value =
        QSettings().value(ColumnWidthSection(m_kind) + QStringLiteral("/ColumnWidth"));
    // An unquoted comma list in the settings file reads back as a list of texts.
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(',')
                                                                  : value.toString();
    const std::vector<int> widths = ParseColumnWidths(m_kind, text);
    for (std::size_t column = 0; column < widths.size(); ++column)
        setColumnWidth(static_cast<int>(column), widths[column]);
    // At the first start the columns fit what they show (within reason), not a fixed guess.
    if (!value.isValid())
        for (int column = 0; column < static_cast<int>(widths.size()); ++column)
            setColumnWidth(column, std::clamp(sizeHintForColumn(column),
                                              widths[static_cast<std::size_t>(column)], 320));
}

int CParameterListCtrl::NavigationTarget(int key) const {
    const int focus = FocusedRow();
    // A page is the rows the list shows in full, less the one that stays in view.
    const int page = std::max(1, viewport()->height() / std::max(1, rowHeight(0)) - 1);
    switch (key) {
    case Qt::Key_Up:
        return focus - 1;
    case Qt::Key_Down:
        return focus + 1;
    case Qt::Key_PageUp:
        return focus - page;
    case Qt::Key_PageDown:
        return focus < 0 ? page : focus + page;
    case Qt::Key_Home:
        return 0;
    default:
        return m_model->rowCount() - 1;
    }
}

void CParameterListCtrl::Navigate(int key, bool extend) {
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    // Ctrl makes no difference: a focus that left the selection behind would let a following
    // Delete act on rows the user can no longer see.
    const int row = std::clamp(NavigationTarget(key), 0, rows - 1);
    if (!extend || m_anchorRow < 0 || m_anchorRow >= rows)
        m_anchorRow = extend && FocusedRow() >= 0 ? FocusedRow() : row;
    SetFocusedRow(row);
    SelectSpan(m_anchorRow, row);
    scrollTo(m_model->index(row, 0));
    emit SelectionLinkRequested(this);
}

bool CParameterListCtrl::HandleCharacter(QKeyEvent* event) {
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0)
        return false;
    const QString text = event->text();
    if (text.size() != 1)
        return false;
    switch (text[0].unicode()) {
    case 'h':
        MoveCurrentColumn(-1);
        return true;
    case 'l':
        MoveCurrentColumn(+1);
        return true;
    case '^':
    case '_':
    case '|':
        SetCurrentColumn(0);
        return true;
    case '$':
        SetCurrentColumn(m_model->columnCount() - 1);
        return true;
    case 'j':
    case 'J':
        Navigate(Qt::Key_Down, false); // the arrow itself, even when Shift typed the capital
        return true;
    case 'k':
    case 'K':
        Navigate(Qt::Key_Up, false);
        return true;
    default:
        return false;
    }
}

void CParameterListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCurrentColumn(-1);
        return;
    case Qt::Key_Right:
        MoveCurrentColumn(+1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // Enter does nothing in the list, and the form does not get it either
        return;
    case Qt::Key_Delete:
        emit DeleteRequested(this);
        return;
    case Qt::Key_Escape:
        // Escape forgets entries cut for a paste (a copy stays until replaced).
        if (CDesktop::Get().Clipboard().ClearCut()) {
            CDesktop::Get().Status().Say(tr("Cut cancelled: nothing will move"));
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        Navigate(event->key(), (event->modifiers() & Qt::ShiftModifier) != 0);
        return;
    case Qt::Key_R:
        if (control) {
            EditCurrentColumn();
            return;
        }
        break;
    default:
        break;
    }
    if (!HandleCharacter(event))
        QTableView::keyPressEvent(event);
}

void CParameterListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        RightPress(event->position().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    m_pressedRow = rowAt(event->position().toPoint().y());
    // A press on a selected row keeps the selection, so that all of it can be dragged; a release
    // without a drag then selects the pressed row alone.
    QTableView::mousePressEvent(event);
    // Shift+click selects from the anchor that the keys and the last plain click left.
    const int rows = m_model->rowCount();
    if ((event->modifiers() & Qt::ShiftModifier) == 0 || m_anchorRow < 0 || m_anchorRow >= rows)
        m_anchorRow = FocusedRow();
    else if (m_pressedRow >= 0)
        SelectSpan(m_anchorRow, m_pressedRow);
    emit SelectionLinkRequested(this);
}

void CParameterListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
    // A click on a selected row changes the selection only now.
    emit SelectionLinkRequested(this);
}

void CParameterListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    const Corv::CParameter* record = m_model->Record(index.row());
    if (record == nullptr || record->IsEmpty() || SelectedRows().size() >= 2)
        return;
    const int column = index.column();
    if (ColumnTable(m_kind)[static_cast<std::size_t>(column)].columnId == kColToneSwitch)
        return;
    SetCurrentColumn(column);
    const SELVColumn& descriptor = Column(column);
    if (descriptor.IsEditable() && descriptor.IsText() &&
        selectionModel()->isRowSelected(index.row(), QModelIndex()))
        EditCurrentColumn();
}

void CParameterListCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    m_model->SetLinked(false); // what is selected here is now what the commands act on
    viewport()->update();      // the selection colours depend on the focus
}

void CParameterListCtrl::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void CParameterListCtrl::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    PaintDropFeedback();
    const int row = FocusedRow();
    if (!hasFocus() || row < 0 || m_model->columnCount() == 0)
        return;
    QRect rect = visualRect(m_model->index(row, 0));
    rect = rect.united(visualRect(m_model->index(row, m_model->columnCount() - 1)));
    if (!rect.isValid())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect.adjusted(0, 0, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    painter.end();
    PaintCurrentCell();
}

// A solid frame, 2 pixels wide, just inside the cell: in the highlighted text colour on a
// selected row, in the highlight colour on another, so that it stands out on either.
void CParameterListCtrl::PaintCurrentCell() {
    const int row = FocusedRow();
    if (!hasFocus() || row < 0 || m_currentColumn < 0 || m_currentColumn >= m_model->columnCount())
        return;
    const QRect cell = visualRect(m_model->index(row, m_currentColumn));
    if (!cell.isValid() || !cell.intersects(viewport()->rect()))
        return;
    const bool selected = selectionModel()->isRowSelected(row, QModelIndex());
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Active,
                                        selected ? QPalette::HighlightedText : QPalette::Highlight),
                        2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(2, 2, -2, -2));
}

CPatchListCtrl::CPatchListCtrl(QWidget* parent) : CParameterListCtrl(Corv::kPatchKind, parent) {}

CToneListCtrl::CToneListCtrl(QWidget* parent) : CParameterListCtrl(Corv::kToneKind, parent) {}

} // namespace CorvDesktop
