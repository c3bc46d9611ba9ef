// The project window's commands of the Edit menu and the lists' context menu: copy, cut and
// paste of entries between lists (the keyboard's way to do what a drag does), Rename, Edit
// Memos and Show Users.
#include "edit/drop.h"
#include "model/lum_data.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/feedback_text.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/list_clipboard.h"
#include "ui/parameter_list.h"
#include "ui/status_line.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>

namespace CorvDesktop {

namespace {

void Say(const QString& text) {
    CDesktop::Get().Status().Say(text);
}

// The drop that pasting the clip at the list's focused row stands for.
ListDrop ClipDrop(const ListClip& clip, CParameterListCtrl* target, bool insert) {
    ListDrop drop;
    drop.payload.process = QCoreApplication::applicationPid();
    drop.payload.project = clip.project;
    drop.payload.kind = clip.kind;
    drop.payload.rows = clip.rows;
    drop.target = target;
    drop.at = std::max(0, target->FocusedRow());
    drop.flags = {insert, !clip.cut};
    return drop;
}

// "1, 4, 9" (1-based) of 0-based rows, the first ten and "…" for the rest.
QString Numbers(const std::vector<int>& rows) {
    QStringList numbers;
    for (std::size_t i = 0; i < rows.size() && i < 10; ++i)
        numbers << QString::number(rows[i] + 1);
    if (rows.size() > 10)
        numbers << QStringLiteral("…");
    return numbers.join(QStringLiteral(", "));
}

} // namespace

bool CFileView::Copy(bool cut) {
    CParameterListCtrl* list = ActiveList();
    if (list == nullptr || (cut && RefusedAsReadOnly()))
        return false;
    if (!list->HasUsedSelection()) {
        Say(tr("Nothing to copy: no selected row holds an entry"));
        return false;
    }
    const std::vector<int> rows = list->SelectedRows();
    CDesktop& desktop = CDesktop::Get();
    desktop.Clipboard().Set({m_document.Core().Id(), list->Kind(), rows, cut});
    // Other programs get the entries as lines of text: number, tab, name.
    QStringList lines;
    int used = 0;
    for (const int row : rows)
        if (!list->Records()->Item(static_cast<std::size_t>(row)).IsEmpty()) {
            ++used;
            lines << EntryText(m_document.Data(), list->Kind(), row, desktop.CodePage())
                         .replace(QString::number(row + 1) + u' ',
                                  QString::number(row + 1) + u'\t');
        }
    if (QClipboard* system = QGuiApplication::clipboard())
        system->setText(lines.join(u'\n'));
    const QString what = tr("%1 of %2").arg(CountText(used, list->Kind()), Title());
    Say(cut ? tr("Cut %1: Ctrl+V moves them to the focused row, Ctrl+Shift+V inserts them "
                 "there, Escape cancels")
                  .arg(what)
            : tr("Copied %1: Ctrl+V pastes them over the focused row, Ctrl+Shift+V inserts them")
                  .arg(what));
    emit CommandStateChanged();
    return true;
}

bool CFileView::CanPaste() const {
    const CListClipboard& board = CDesktop::Get().Clipboard();
    const CParameterListCtrl* list = ActiveList();
    return board.Holds() && list != nullptr && !m_document.IsReadOnly() &&
           list->Kind() == board.Clip().kind && ViewOfProject(board.Clip().project) != nullptr;
}

QString CFileView::PastePreview(bool insert) const {
    if (!CanPaste())
        return {};
    const ListClip& clip = CDesktop::Get().Clipboard().Clip();
    CFileView* source = ViewOfProject(clip.project);
    const ListDrop drop = ClipDrop(clip, ActiveList(), insert);
    const Corv::DropRequest request{&source->Document().Data(),
                                    clip.rows,
                                    clip.kind,
                                    &m_document.Data(),
                                    drop.at,
                                    insert,
                                    !clip.cut};
    return QString::fromStdString(
        Corv::PreviewDrop(request, Title().toStdString(), source->Title().toStdString()).text);
}

bool CFileView::Paste(bool insert) {
    CListClipboard& board = CDesktop::Get().Clipboard();
    CParameterListCtrl* list = ActiveList();
    if (list == nullptr || RefusedAsReadOnly())
        return false;
    if (!board.Holds()) {
        Say(tr("Nothing to paste: copy or cut entries first (Ctrl+C, Ctrl+X)"));
        return false;
    }
    const ListClip clip = board.Clip();
    if (clip.kind != list->Kind()) {
        Say(tr("%1 can only be pasted into a %2 list")
                .arg(CountText(static_cast<int>(clip.rows.size()), clip.kind),
                     CountText(1, clip.kind).section(u' ', 1)));
        return false;
    }
    if (ViewOfProject(clip.project) == nullptr) {
        board.Clear();
        Say(tr("Nothing to paste: the project the entries were taken from is closed"));
        return false;
    }
    // The status bar says what the paste does while its questions are asked, and why not when
    // it is refused.
    Say(tr("Paste: %1").arg(PastePreview(insert)));
    if (!PerformDrop(ClipDrop(clip, list, insert)))
        return false;
    if (clip.cut)
        board.Clear(); // the rows moved: what was cut is no longer there
    return true;
}

void CFileView::Rename() {
    if (CParameterListCtrl* list = ActiveList())
        list->Rename();
}

void CFileView::EditMemos() {
    if (CParameterListCtrl* list = ActiveList())
        list->EditMemos();
}

bool CFileView::ShowUsers() {
    CParameterListCtrl* list = ActiveList();
    if (list == nullptr || list->Kind() == Corv::kPatchKind || !list->HasUsedSelection())
        return false;
    const Corv::CLumData& project = m_document.Data();
    const int userKind = list->Kind() == Corv::kToneKind ? Corv::kPatchKind : Corv::kToneKind;
    const Corv::CParameterArray& users = project.Records(userKind);
    std::vector<int> rows;
    std::vector<int> used;
    for (const int row : list->SelectedRows()) {
        if (list->Records()->Item(static_cast<std::size_t>(row)).IsEmpty())
            continue;
        used.push_back(row);
        const std::vector<int>& of = list->Kind() == Corv::kToneKind
                                         ? project.Tones()[static_cast<std::size_t>(row)].Users()
                                         : project.Waves()[static_cast<std::size_t>(row)].Users();
        for (const int user : of)
            if (user >= 0 && static_cast<std::size_t>(user) < users.Size() &&
                !users.Item(static_cast<std::size_t>(user)).IsEmpty() &&
                std::find(rows.begin(), rows.end(), user) == rows.end())
                rows.push_back(user);
    }
    std::sort(rows.begin(), rows.end());
    const QString whose =
        used.size() == 1 ? QStringLiteral("%1 %2")
                               .arg(CountText(1, list->Kind()).section(u' ', 1))
                               .arg(used.front() + 1)
                         : tr("%1 (%2)").arg(CountText(static_cast<int>(used.size()), list->Kind()),
                                             Numbers(used));
    if (rows.empty()) {
        Say(tr("No %1 uses %2").arg(CountText(1, userKind).section(u' ', 1), whose));
        return false;
    }
    CParameterListCtrl* target = List(userKind);
    target->setFocus(Qt::OtherFocusReason);
    target->SelectRows(rows);
    target->SetFocusedRow(rows.front());
    target->SetTopRow(std::max(0, rows.front() - 2));
    LinkSelection(*target);
    Say(tr("%1 used by %2: %3")
            .arg(whose.left(1).toUpper() + whose.mid(1),
                 CountText(static_cast<int>(rows.size()), userKind), Numbers(rows)));
    emit CommandStateChanged();
    return true;
}

} // namespace CorvDesktop
