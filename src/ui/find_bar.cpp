#include "ui/find_bar.h"

#include "edit/find.h"
#include "model/lum_data.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace CorvDesktop {

namespace {

// The entry focused in the active list of a view, as a position among the searched views.
std::optional<Corv::FindHit> FocusedEntry(const std::vector<CFileView*>& views) {
    CFileView* current = CFileView::Current();
    const auto found = std::find(views.begin(), views.end(), current);
    if (current == nullptr || found == views.end())
        return std::nullopt;
    const CParameterListCtrl* list = current->ActiveList();
    if (list == nullptr)
        return std::nullopt;
    for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind)
        if (current->List(kind) == list)
            return Corv::FindHit{static_cast<int>(found - views.begin()), kind, list->FocusedRow()};
    return std::nullopt;
}

} // namespace

CFindBar::CFindBar(QWidget* parent) : QToolBar(tr("Find"), parent) {
    setObjectName(QStringLiteral("FindBar"));
    setMovable(false);
    auto* label = new QLabel(tr("F&ind:"), this);
    m_text = new QLineEdit(this);
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(200);
    label->setBuddy(m_text);
    m_scope = new QComboBox(this);
    m_scope->addItems({tr("Active project"), tr("Every open project")});
    m_scope->setToolTip(tr("Where to look"));
    m_kind = new QComboBox(this);
    m_kind->addItems({tr("Patches, tones and waves"), tr("Patches"), tr("Tones"), tr("Waves")});
    m_kind->setToolTip(tr("Which lists to look in"));
    addWidget(label);
    addWidget(m_text);
    addWidget(m_scope);
    addWidget(m_kind);
    addAction(tr("&Previous"), this, [this] {
        Step(false);
    })->setToolTip(tr("Previous hit (Shift+F3)"));
    addAction(tr("&Next"), this, [this] { Step(true); })->setToolTip(tr("Next hit (F3)"));
    addAction(tr("Close"), this, &QWidget::hide)->setToolTip(tr("Close the find bar (Esc)"));
    connect(m_text, &QLineEdit::returnPressed, this,
            [this] { Step(!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)); });
    hide();
}

void CFindBar::Open() {
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void CFindBar::SetSearch(const QString& text, Scope scope, Corv::KindSet kinds) {
    m_text->setText(text);
    m_scope->setCurrentIndex(scope);
    int index = 0; // every kind
    for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind)
        if (kinds == Corv::KindSet::Of(kind))
            index = kind + 1;
    m_kind->setCurrentIndex(index);
}

QString CFindBar::Text() const {
    return m_text->text();
}

std::vector<CFileView*> CFindBar::SearchedViews() const {
    if (m_scope->currentIndex() == kEveryProject)
        return CFileView::Views();
    CFileView* current = CFileView::Current();
    if (current == nullptr && !CFileView::Views().empty())
        current = CFileView::Views().front();
    return current != nullptr ? std::vector<CFileView*>{current} : std::vector<CFileView*>{};
}

bool CFindBar::Step(bool forward) {
    if (m_text->text().isEmpty()) {
        Open();
        return false;
    }
    const std::vector<CFileView*> views = SearchedViews();
    std::vector<const Corv::CLumData*> projects;
    for (const CFileView* view : views)
        projects.push_back(&view->Document().Data());
    const Corv::KindSet kinds = m_kind->currentIndex() == 0
                                    ? Corv::KindSet::All()
                                    : Corv::KindSet::Of(m_kind->currentIndex() - 1);
    // A character the code page cannot hold is in no name or memo: such a search finds
    // nothing (a substitute '?' in its place would find names holding '?').
    const CCodePage& codePage = CDesktop::Get().CodePage();
    const std::string query = codePage.Encode(m_text->text());
    if (codePage.Decode(query) != m_text->text()) {
        Say(tr("No hit for \"%1\": the code page %2 cannot hold all of its characters")
                .arg(m_text->text(), codePage.Name()));
        return false;
    }
    const std::vector<Corv::FindHit> hits = Corv::FindHits(projects, query, kinds);
    const std::optional<std::size_t> index = Corv::StepHit(hits, StartOf(views), forward);
    if (!index) {
        Say(tr("No hit for \"%1\"").arg(m_text->text()));
        return false;
    }
    const Corv::FindHit& hit = hits[*index];
    const bool keepFocus = m_text->hasFocus();
    GoTo(*views[static_cast<std::size_t>(hit.project)], hit.kind, hit.slot);
    if (keepFocus)
        m_text->setFocus(Qt::OtherFocusReason);
    Say(tr("hit %1 of %2").arg(*index + 1).arg(hits.size()));
    return true;
}

std::optional<Corv::FindHit> CFindBar::StartOf(const std::vector<CFileView*>& views) const {
    // The last hit while its row is still focused: the focus may have gone back to the list
    // that had it before the bar opened (Escape), and the next step must not start there.
    const auto found = std::find(views.begin(), views.end(), m_lastHit.view.data());
    if (m_lastHit.view != nullptr && found != views.end() &&
        m_lastHit.view->List(m_lastHit.kind)->FocusedRow() == m_lastHit.slot)
        return Corv::FindHit{static_cast<int>(found - views.begin()), m_lastHit.kind,
                             m_lastHit.slot};
    return FocusedEntry(views);
}

void CFindBar::GoTo(CFileView& view, int kind, int slot) {
    // The rows earlier steps selected go: a selection left out of sight is one Delete away.
    for (int other = Corv::kPatchKind; other <= Corv::kWaveKind; ++other)
        if (other != kind)
            view.List(other)->SelectRows({});
    if (m_lastHit.view != nullptr && m_lastHit.view != &view)
        m_lastHit.view->List(m_lastHit.kind)->SelectRows({});
    m_lastHit = {&view, kind, slot};
    CParameterListCtrl* list = view.List(kind);
    list->SelectRows({slot});
    list->SetFocusedRow(slot);
    static_cast<QTableView*>(list)->scrollTo(list->model()->index(slot, 0));
    view.ClickOver(list);
    // Outside a main window nothing activates the view on the way; the next step starts here.
    if (CFileView::Current() != &view)
        view.OnActivateView();
}

void CFindBar::Say(const QString& text) {
    m_lastMessage = text;
    emit StatusMessage(text);
}

void CFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        if (CFileView* view = CFileView::Current();
            view != nullptr && view->ActiveList() != nullptr)
            view->ActiveList()->setFocus(Qt::OtherFocusReason);
        return;
    }
    QToolBar::keyPressEvent(event);
}

} // namespace CorvDesktop
