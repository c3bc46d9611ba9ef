#include "cli/actions.h"

#include "cli/arguments.h"
#include "edit/cell_edit.h"
#include "edit/clean.h"
#include "edit/drop.h"
#include "edit/list_edits.h"
#include "edit/wave_import.h"
#include "model/text_encoding.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/undo_step.h"

namespace Corv::Cli {

namespace {

// Marks the document that owns a project data object modified.
void MarkModified(CLumData& data) {
    if (CProjectDocument* document = CProjectDocuments::Get().DocumentOf(&data))
        document->SetModifiedFlag(true);
}

// The undo step every edit of the tool records into.
CUndoStep& UndoStep() {
    return CProjectDocuments::Get().UndoStep();
}

Corv::CleanOptions CoreOptions(const CleanOptions& options) {
    return {options.keepUnusedWaves, options.keepUnusedTones, options.keepToneNumbering,
            options.keepPatchNumbering};
}

DropRequest Request(CProjectDocument& source, int kind, const std::vector<int>& rows,
                    CProjectDocument& target, int at, bool insert, std::optional<bool> copy) {
    DropRequest request;
    request.source = &source.Data();
    request.rows = rows;
    request.kind = kind;
    request.target = &target.Data();
    request.at = at;
    request.insert = insert;
    request.copy = copy;
    return request;
}

} // namespace

bool Drop(CProjectDocument& source, int kind, const std::vector<int>& rows,
          CProjectDocument& target, int at, bool insert, std::optional<bool> copy) {
    CDomain& services = target.Services();
    const DropResult result = PerformDrop(Request(source, kind, rows, target, at, insert, copy),
                                          UndoStep(), AskOkCancel(services));
    ShowRefusal(services, result.outcome);
    if (result.targetChanged)
        MarkModified(target.Data());
    if (result.sourceChanged)
        MarkModified(source.Data());
    return result.done;
}

DropPreview PreviewDropOf(CProjectDocument& source, int kind, const std::vector<int>& rows,
                          CProjectDocument& target, int at, bool insert, std::optional<bool> copy,
                          const std::string& targetName, const std::string& sourceName) {
    return PreviewDrop(Request(source, kind, rows, target, at, insert, copy), targetName,
                       sourceName);
}

std::string PreviewLine(const DropPreview& preview) {
    return (preview.accepted ? "preview ok: " : "preview refused: ") + preview.text;
}

std::string FolderName(const CProjectDocument& document, const std::string& fallback) {
    std::string folder = document.Data().ProjectFolder();
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    if (folder.empty())
        return fallback;
    return folder.substr(folder.rfind('/') + 1);
}

bool Delete(CProjectDocument& document, int kind, const std::vector<int>& rows) {
    const EditOutcome outcome =
        DeleteEntries(document.Data(), rows, kind, UndoStep(), AskOkCancel(document.Services()));
    ShowRefusal(document.Services(), outcome);
    if (!outcome.Done())
        return false;
    document.SetModifiedFlag(true);
    return true;
}

bool Rename(CProjectDocument& document, int kind, int row, const std::string& text) {
    return Rename(document, kind, row, text, text);
}

bool Rename(CProjectDocument& document, int kind, int row, const std::string& text,
            const std::string& typed) {
    // An empty slot has no file to carry the name: the name would be lost at the save.
    const CParameterArray& records = document.Data().Records(kind);
    if (row >= 0 && static_cast<std::size_t>(row) < records.Size() &&
        records.Item(static_cast<std::size_t>(row)).IsEmpty())
        throw Refusal(std::string(KindName(kind)) + " " + std::to_string(row + 1) +
                      " is empty: there is nothing to rename");
    // A name stored as nothing would make a used slot look empty, and its file "004 .p00".
    if (StoredName(text, IsDoubleByteCodePage()).empty())
        throw Refusal(EmptyNameRefusal(typed, CodePageName(CurrentCodePage())));
    if (!SetNames(document.Data(), kind, {row}, text, UndoStep(), IsDoubleByteCodePage()))
        return false;
    document.SetModifiedFlag(true);
    return true;
}

bool SetMemo(CProjectDocument& document, int kind, int row, int memo, const std::string& text) {
    if (!SetMemos(document.Data(), kind, {row}, memo, text, UndoStep()))
        return false;
    document.SetModifiedFlag(true);
    return true;
}

bool Clean(CProjectDocument& document, const CleanOptions& options) {
    const EditOutcome outcome = CleanProject(document.Data(), CoreOptions(options), UndoStep());
    ShowRefusal(document.Services(), outcome);
    if (!outcome.Done())
        return false;
    document.SetModifiedFlag(true);
    return true;
}

std::vector<std::string> CleanPreviewLines(const CProjectDocument& document,
                                           const CleanOptions& options) {
    const CleanPlan plan = PlanClean(document.Data(), CoreOptions(options));
    std::vector<std::string> lines = {CleanSummary(plan)};
    for (const CleanChange& change : plan.changes)
        lines.push_back(CleanChangeLine(change));
    return lines;
}

bool Import(CProjectDocument& document, const std::vector<std::string>& files) {
    const ImportResult result = ImportWaves(document, files, UndoStep());
    ShowRefusal(document.Services(), result.outcome);
    if (result.imported <= 0)
        return false;
    document.SetModifiedFlag(true);
    return true;
}

void Undo() {
    CProjectDocuments::Get().Undo();
}

bool Save(CProjectDocument& document) {
    CDomain& services = document.Services();
    if (document.PathName().empty()) {
        services.ShowError(kMsgSaveFailed);
        return false;
    }
    // Projects that hold entries moved out of this one are saved first, as `move` does: should
    // one of those saves fail, this project keeps the files on disk. A holder without a folder
    // cannot be saved here; its entries are then kept in the work folder's list.
    for (CProjectDocument* holder : CProjectDocuments::Get().UnsavedHolders(document)) {
        if (holder->PathName().empty())
            continue;
        services.ShowNotice("Saving " + holder->Data().ProjectFolder() +
                            " first: it holds entries moved out of " +
                            document.Data().ProjectFolder());
        if (!holder->SaveProject(holder->PathName())) {
            services.ShowError(kMsgSaveFailed, document.Data().ProjectFolder() +
                                                   " was not saved: it would drop the files of "
                                                   "entries that " +
                                                   holder->Data().ProjectFolder() +
                                                   " holds and could not save");
            return false;
        }
    }
    return document.SaveProject(document.PathName());
}

bool SaveAs(CProjectDocument& document, const std::string& folder) {
    return document.SaveProject(folder);
}

} // namespace Corv::Cli
