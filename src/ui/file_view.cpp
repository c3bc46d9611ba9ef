// A first, plain project window: the numbers and names of the three lists. The real lists,
// their drawing, keys, edits and commands replace it.
#include "ui/file_view.h"

#include <QHBoxLayout>
#include <QListWidget>

#include "app/file_doc.h"

struct CFileView::Private {
    std::array<QListWidget*, 3> lists{};
};

CFileView::CFileView(CFileDoc& document, QWidget* parent)
    : QWidget(parent), m_document(document), m_private(new Private) {
    auto* layout = new QHBoxLayout(this);
    for (auto*& list : m_private->lists) {
        list = new QListWidget(this);
        layout->addWidget(list);
    }
    connect(&m_document, &CFileDoc::ViewsUpdateRequested, this, &CFileView::OnUpdate);
    OnUpdate();
}

CFileView::~CFileView() { delete m_private; }

void CFileView::OnUpdate() {
    const Corv::CLumData& project = m_document.Data();
    for (int kind = 0; kind < 3; ++kind) {
        QListWidget* list = m_private->lists[static_cast<std::size_t>(kind)];
        list->clear();
        const Corv::CParameterArray& records = project.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i)
            list->addItem(QString("%1 %2").arg(i + 1).arg(
                QString::fromLatin1(records.Item(i).Name().c_str())));
    }
}

void CFileView::OnActivateView() {}

std::array<int, 3> CFileView::TopRows() const { return {0, 0, 0}; }

void CFileView::SetTopRows(const std::array<int, 3>&) {}

void CFileView::Delete() {}
void CFileView::SelectAll() {}
void CFileView::SetUpGrid() {}
void CFileView::CleanProject() {}
void CFileView::ImportWave() {}
void CFileView::ImportFiles(const QStringList&) {}
