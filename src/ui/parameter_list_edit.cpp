// The list's edits of names and memos (Ctrl+R, a double click, Rename, Edit Memos), and its
// context menu.
#include "edit/cell_edit.h"
#include "model/lum_data.h"
#include "storage/project_document.h"
#include "storage/undo_step.h"
#include "ui/choosers.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/feedback_text.h"
#include "ui/list_columns.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"
#include "ui/status_line.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <algorithm>

namespace CorvDesktop {

namespace {

// The undo step that edits in the lists record into: the open projects' own.
Corv::CUndoStep& UndoStep() {
    return Corv::CProjectDocuments::Get().UndoStep();
}

// The list's column that edits field `field` (1 name, 2-5 memo 1-4); -1 when none does.
int ColumnOfField(int kind, int columns, int field) {
    for (int column = 0; column < columns; ++column)
        if (EditFieldNumber(kind, column) == field)
            return column;
    return -1;
}

} // namespace

std::string CParameterListCtrl::EditInitialText(int row, int column) const {
    const Corv::CParameter* record = m_model->Record(row);
    if (record == nullptr)
        return {};
    const int id = ColumnTable(m_kind)[static_cast<std::size_t>(column)].columnId;
    std::string text = CellText(m_kind, *record, row, id);
    if (m_kind == Corv::kWaveKind && id == kColName)
        text.erase(0, std::min(text.size(), NamePrefix(m_kind, *record).size()));
    return text;
}

void CParameterListCtrl::SetReadOnly(bool readOnly, const QString& refusal) {
    m_readOnly = readOnly;
    m_refusal = refusal;
}

bool CParameterListCtrl::RefusedAsReadOnly() const {
    if (m_readOnly)
        CDesktop::Get().Status().Say(m_refusal);
    return m_readOnly;
}

bool CParameterListCtrl::EditCurrentColumn() {
    if (RefusedAsReadOnly() || m_project == nullptr || m_currentColumn < 0 ||
        m_currentColumn >= m_model->columnCount())
        return false;
    const SELVColumn& column = Column(m_currentColumn);
    const int field = EditFieldNumber(m_kind, m_currentColumn);
    const std::vector<int> rows = SelectedRows();
    if (!column.IsEditable() || !column.IsText() || field == 0 || rows.empty())
        return false;
    const std::string original = EditInitialText(rows.front(), m_currentColumn);
    CDesktop& desktop = CDesktop::Get();
    QString text = desktop.CodePage().Decode(original);
    if (!desktop.Choosers().EditText(this, field, text, desktop.CodePage()))
        return false;
    // The same text goes to every selected row, so one check stands for all of them.
    if (!ValidateCellValue(column, text))
        return false;
    const std::string bytes = desktop.CodePage().EncodeEdited(text, original);
    // A name stored as nothing would make a used slot look empty, and its file "004 .p00".
    if (field == 1 && Corv::StoredName(bytes, desktop.CodePage().IsDoubleByte()).empty()) {
        desktop.Choosers().Notice(this, EmptyNameRefusal(text, desktop.CodePage().Name()));
        return false;
    }
    return SetCellValue(rows, m_currentColumn, bytes);
}

bool CParameterListCtrl::SetCellValue(const std::vector<int>& rows, int column,
                                      const std::string& bytes) {
    if (RefusedAsReadOnly() || m_project == nullptr)
        return false;
    const int field = EditFieldNumber(m_kind, column);
    bool done = false;
    if (field == 1)
        done = Corv::SetNames(*m_project, m_kind, rows, bytes, UndoStep(),
                              CDesktop::Get().CodePage().IsDoubleByte());
    else if (field >= 2 && field <= 5)
        done = Corv::SetMemos(*m_project, m_kind, rows, field - 1, Corv::StoredMemo(bytes),
                              UndoStep());
    if (!done)
        return false;
    const QString text = CDesktop::Get().CodePage().Decode(
        m_project->Records(m_kind).Item(static_cast<std::size_t>(rows.front())).Name());
    const EditReport report = CellEditReport(m_kind, rows, field, text);
    UndoStep().SetDescription(report.what.toStdString());
    CDesktop::Get().Status().Say(report.done);
    viewport()->update();
    emit CellEdited(this);
    return true;
}

bool CParameterListCtrl::Rename() {
    const int column = ColumnOfField(m_kind, m_model->columnCount(), 1);
    if (column < 0 || !HasUsedSelection())
        return false;
    SetCurrentColumn(column);
    return EditCurrentColumn();
}

bool CParameterListCtrl::HasUsedSelection() const {
    const Corv::CParameterArray* records = Records();
    if (records == nullptr)
        return false;
    const std::vector<int> rows = SelectedRows();
    return std::any_of(rows.begin(), rows.end(), [records](int row) {
        return !records->Item(static_cast<std::size_t>(row)).IsEmpty();
    });
}

bool CParameterListCtrl::EditMemos() {
    const std::vector<int> rows = SelectedRows();
    if (RefusedAsReadOnly() || m_project == nullptr || !HasUsedSelection())
        return false;
    // The dialog shows the memos of the focused row (or the first selected one); what the user
    // changes there goes to every selected row, what he leaves stays as each row has it.
    const int focused = FocusedRow();
    const int shown =
        std::find(rows.begin(), rows.end(), focused) != rows.end() ? focused : rows.front();
    CDesktop& desktop = CDesktop::Get();
    const Corv::CParameter& record =
        m_project->Records(m_kind).Item(static_cast<std::size_t>(shown));
    std::array<std::string, 4> original;
    std::array<QString, 4> memos;
    for (int memo = 1; memo <= 4; ++memo) {
        original[static_cast<std::size_t>(memo - 1)] = record.Memo(memo);
        memos[static_cast<std::size_t>(memo - 1)] = desktop.CodePage().Decode(record.Memo(memo));
    }
    const QString title = rows.size() == 1
                              ? EntryText(*m_project, m_kind, shown, desktop.CodePage())
                              : CountText(static_cast<int>(rows.size()), m_kind);
    const std::array<QString, 4> before = memos;
    if (!desktop.Choosers().EditMemos(this, title, memos, static_cast<int>(Corv::kMemoLength)))
        return false;
    std::array<std::optional<std::string>, 4> changed;
    for (std::size_t i = 0; i < memos.size(); ++i)
        if (memos[i] != before[i])
            changed[i] = Corv::StoredMemo(desktop.CodePage().EncodeEdited(memos[i], original[i]));
    if (!Corv::SetMemoFields(*m_project, m_kind, rows, changed, UndoStep()))
        return false;
    const EditReport report = CellEditReport(m_kind, rows, 2, {});
    UndoStep().SetDescription(report.what.toStdString());
    desktop.Status().Say(report.done);
    viewport()->update();
    emit CellEdited(this);
    return true;
}

void CParameterListCtrl::RightPress(QPoint position) {
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return;
    if (!selectionModel()->isRowSelected(index.row(), QModelIndex())) {
        SelectRows({index.row()});
        m_anchorRow = index.row();
    }
    SetFocusedRow(index.row());
    SetCurrentColumn(index.column());
    emit SelectionLinkRequested(this);
}

void CParameterListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // From the keyboard (the Menu key) the menu opens at the focused row's cell.
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const int row = std::max(0, FocusedRow());
        const QRect cell = visualRect(m_model->index(row, std::max(0, m_currentColumn)));
        at = viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0));
    }
    emit ContextMenuRequested(this, at);
}

} // namespace CorvDesktop
