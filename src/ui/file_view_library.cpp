// Drops of library results onto a project window's list: the entries come from a project folder
// that need not be open. The folder is read once per drag, without a window and without writing
// anything into it; the drop is a copy with the tones and waves it needs, asked and undone as
// any other drop. Files of the read folder that the open projects now use are copied to the
// work folder right after the drop, as when a source project closes.
#include "edit/drop.h"
#include "edit/edit_outcome.h"
#include "edit/fingerprint.h"
#include "storage/project_document.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/library_model.h"
#include "ui/parameter_list.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/wait_cursor.h"

namespace CorvDesktop {

namespace {

// The project a drag of library results comes from, worked out at its first preview.
struct LibrarySource {
    std::uint64_t drag = 0;
    // The folder read for the drag; null when the folder is open here (then `open` is used).
    std::unique_ptr<Corv::CProjectDocument> read;
    Corv::CProjectDocument* open = nullptr;
    QString problem; // why nothing can be dropped from it
    QString name;

    Corv::CLumData* Data() const {
        if (!problem.isEmpty())
            return nullptr;
        return read != nullptr ? &read->Data() : &open->Data();
    }
};

// The rows still hold what the catalogue saw: a folder changed since its last scan must not
// hand over other entries than the ones the user chose.
QString CheckFingerprints(const Corv::CLumData& data, const DragPayload& payload) {
    const Corv::ProjectFingerprints prints = Corv::FingerprintProject(data);
    for (std::size_t i = 0; i < payload.rows.size(); ++i) {
        const int row = payload.rows[i];
        const bool inside = row >= 0 && row < prints.Count(payload.kind);
        const std::optional<Corv::Fingerprint> print =
            inside ? prints.Of(payload.kind, row) : std::nullopt;
        const QString expected = i < static_cast<std::size_t>(payload.fingerprints.size())
                                     ? payload.fingerprints[static_cast<qsizetype>(i)]
                                     : QString();
        if (!print || QString::fromStdString(print->Hex()) != expected)
            return QStringLiteral("%1 changed since the library last read it (%2 %3): rescan the "
                                  "library first")
                .arg(ProjectName(payload.folder.toStdString()), KindWord(payload.kind))
                .arg(row + 1);
    }
    return {};
}

LibrarySource& SourceOf(const DragPayload& payload) {
    std::shared_ptr<void>& attachment = CDesktop::Get().Drag().Attachment();
    auto* source = static_cast<LibrarySource*>(attachment.get());
    if (source != nullptr && source->drag == payload.drag)
        return *source;
    auto made = std::make_shared<LibrarySource>();
    made->drag = payload.drag;
    const std::string folder = CTextCodec::EncodePath(payload.folder);
    made->name = ProjectName(folder);
    made->open = Corv::CProjectDocuments::Get().FindOpenProject(folder);
    if (made->open == nullptr) {
        CWaitCursor wait;
        made->read = std::make_unique<Corv::CProjectDocument>();
        std::string why;
        if (!made->read->ReadProject(folder, why))
            made->problem = QStringLiteral("%1 cannot be read: %2")
                                .arg(made->name, QString::fromStdString(why));
    }
    if (made->problem.isEmpty())
        made->problem = CheckFingerprints(*made->Data(), payload);
    if (!made->problem.isEmpty() && made->open != nullptr && made->open->IsModified())
        made->problem = QStringLiteral("%1 is open here with changes the library has not seen: "
                                       "drag from its window, or save it first")
                            .arg(made->name);
    attachment = made;
    return *made;
}

Corv::DropRequest RequestFor(const ListDrop& drop, Corv::CLumData* source, Corv::CLumData& target) {
    Corv::DropRequest request;
    request.source = source;
    request.rows = drop.payload.rows;
    request.kind = drop.payload.kind;
    request.target = &target;
    request.at = drop.at;
    request.insert = drop.flags.insert;
    request.copy = true;
    return request;
}

} // namespace

QString CFileView::LibraryDropPreview(const ListDrop& drop) {
    const LibrarySource& source = SourceOf(drop.payload);
    if (source.Data() == nullptr)
        return source.problem;
    const Corv::DropPreview preview =
        Corv::PreviewDrop(RequestFor(drop, source.Data(), m_document.Data()), Title().toStdString(),
                          source.name.toStdString());
    return QString::fromStdString(preview.text) + QStringLiteral("   (") +
           tr("Shift or Alt: insert") + u')';
}

bool CFileView::PerformLibraryDrop(const ListDrop& drop) {
    LibrarySource& source = SourceOf(drop.payload);
    if (source.Data() == nullptr || drop.target == nullptr) {
        CDesktop::Get().Status().Say(source.problem);
        return false;
    }
    const Corv::DropRequest request = RequestFor(drop, source.Data(), m_document.Data());
    const Corv::DropPreview words =
        Corv::PreviewDrop(request, Title().toStdString(), source.name.toStdString());
    Corv::CDomain& services = m_document.Core().Services();
    Corv::DropResult result;
    {
        CWaitCursor wait;
        result =
            Corv::PerformDrop(request, m_document.Core().UndoStep(), Corv::AskOkCancel(services));
        Corv::ShowRefusal(services, result.outcome);
        // The read folder is let go: what the open projects took from it is copied first.
        if (result.done && source.read != nullptr)
            source.read->HandOverSharedFiles();
    }
    if (!result.done)
        return false;
    if (source.open != nullptr)
        if (CFileView* view = ViewOfProject(source.open->Id()); view != nullptr && view != this)
            view->List(drop.payload.kind)->Refill();
    ShowDropped(drop, result.targetSelection, result.targetChanged, words.what, words.done);
    return true;
}

} // namespace CorvDesktop
