#include "ui/check_window.h"

#include "edit/project_check.h"
#include "storage/project_document.h"
#include "ui/child_frame.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"
#include "ui/text_codec.h"
#include "ui/wait_cursor.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

QString ProblemCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 problem") : QStringLiteral("%1 problems").arg(count);
}

// The project window that shows a document; null when none does.
CFileView* ViewOf(const Corv::CProjectDocument* document) {
    for (CFileView* view : CFileView::Views())
        if (&view->Document().Core() == document)
            return view;
    return nullptr;
}

} // namespace

CCheckWindow::CCheckWindow(QWidget& parent, QMdiArea* area, std::function<CFileView*()> activeView)
    : QDialog(&parent), m_activeView(std::move(activeView)) {
    setObjectName(QStringLiteral("CheckWindow"));
    setModal(false);
    setWindowTitle(QStringLiteral("Check"));
    m_summary = new QLabel(this);
    m_lines = new QListWidget(this);
    m_lines->setObjectName(QStringLiteral("ProblemList"));
    m_summary->setBuddy(m_lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* again =
        buttons->addButton(QStringLiteral("Check &Again"), QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_lines, 1);
    layout->addWidget(buttons);
    resize(640, 320);
    // Enter and double click: the list's activation, not the dialog's default button.
    for (QPushButton* button : buttons->findChildren<QPushButton*>())
        button->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(again, &QPushButton::clicked, this, &CCheckWindow::Refresh);
    connect(m_lines, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ActivateLine(m_lines->row(item)); });
    connect(area, &QMdiArea::subWindowActivated, this, &CCheckWindow::ActiveProjectChanged);
}

QString CCheckWindow::Summary() const {
    return m_summary->text();
}

void CCheckWindow::Refresh() {
    m_lines->clear();
    m_problems.clear();
    CFileView* view = m_activeView();
    m_checked = view != nullptr ? &view->Document().Core() : nullptr;
    if (m_checked == nullptr) {
        setWindowTitle(QStringLiteral("Check"));
        m_summary->setText(QStringLiteral("No project window is active."));
        return;
    }
    const QString name = view->Document().Title();
    setWindowTitle(QStringLiteral("Check - %1").arg(name));
    {
        CWaitCursor wait;
        m_problems = Corv::CheckProject(*m_checked);
    }
    for (const Corv::ProjectProblem& problem : m_problems) {
        auto* item = new QListWidgetItem(CTextCodec::DecodePath(problem.text), m_lines);
        if (!problem.ConcernsEntry())
            item->setToolTip(QStringLiteral("No entry to select"));
    }
    m_summary->setText(m_problems.empty()
                           ? QStringLiteral("No problems found.")
                           : QStringLiteral("%1: %2 found; activate a line to select its entry.")
                                 .arg(name, ProblemCount(m_problems.size())));
    if (!m_problems.empty())
        m_lines->setCurrentRow(0);
}

bool CCheckWindow::ActivateLine(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_problems.size())
        return false;
    const Corv::ProjectProblem& problem = m_problems[static_cast<std::size_t>(row)];
    CFileView* view = ViewOf(m_checked);
    if (!problem.ConcernsEntry() || view == nullptr)
        return false;
    CParameterListCtrl* list = view->List(problem.entryKind);
    list->SelectRows({problem.slot});
    list->SetFocusedRow(problem.slot);
    static_cast<QTableView*>(list)->scrollTo(list->model()->index(problem.slot, 0));
    view->ClickOver(list); // the window comes forward and the list takes the focus
    return true;
}

void CCheckWindow::ActiveProjectChanged() {
    // Another project became active: its problems are the ones to show. Activating the
    // checked project's own window (as a line's activation does) keeps the list as it is.
    if (!isVisible())
        return;
    CFileView* view = m_activeView();
    if (view != nullptr && &view->Document().Core() != m_checked)
        Refresh();
}

QString CCheckWindow::OpeningNotice(const Corv::CProjectDocument& document, const QString& name) {
    std::size_t count = 0;
    {
        CWaitCursor wait;
        count = Corv::CheckProject(document).size();
    }
    if (count == 0)
        return {};
    return QStringLiteral("%1: %2 found \u2014 Project > Check lists them")
        .arg(name, ProblemCount(count));
}

} // namespace CorvDesktop
