#include "storage/project_document.h"

#include <algorithm>

#include "edit/domain.h"
#include "model/file_system.h"
#include "storage/folder_transaction.h"
#include "storage/move_out.h"
#include "storage/slot_file_name.h"

namespace Corv {

namespace {

// Lists the files of a subfolder that match any of the patterns, each file once even when it
// matches several patterns, prefixed with the folder path. Files an interrupted save left go to
// `leftovers` (relative to the folder).
bool ScanFolder(const std::string& folder, const char* subfolder,
                std::initializer_list<const char*> patterns, std::vector<std::string>& out,
                std::vector<std::string>& leftovers) {
    std::vector<DirEntry> entries;
    if (!FileSystem().ListFolder(ToOsPath(folder + subfolder), entries))
        return false;
    // Everything but folders: a slot name on something that cannot be read (a dangling link,
    // a FIFO) must keep the project from loading rather than vanish from it.
    std::vector<std::string> names;
    for (DirEntry& entry : entries) {
        if (IsSaveLeftoverName(entry.name))
            leftovers.push_back(subfolder + entry.name);
        else if (entry.type != FileType::Directory)
            names.push_back(std::move(entry.name));
    }
    std::sort(names.begin(), names.end());
    for (const char* pattern : patterns)
        for (std::string& name : names)
            if (!name.empty() && MatchesPattern(name, pattern)) {
                out.push_back(folder + subfolder + name);
                name.clear(); // listed once
            }
    return true;
}

bool FolderExists(const std::string& normalised) { return FileSystem().IsDirectory(ToOsPath(normalised)); }

// The last folder name of a path, the title of an opened project.
std::string FolderTitle(const std::string& normalised) {
    std::string trimmed = normalised;
    if (!trimmed.empty())
        trimmed.pop_back();
    return std::string(FileNamePart(trimmed));
}

// Completes or undoes a save of the folder that was interrupted, before the folder is read, and
// tells the user what was done. False when the folder could not be made consistent.
bool RecoverInterruptedSave(const std::string& folder) {
    CMoveOutReport report;
    std::string problem;
    const MoveOutFunction moveOut = [&](const std::string& path, const std::string& original) {
        return MoveOutOfProject(path, original, folder, report);
    };
    const Recovery recovery = RecoverProjectFolder(folder, moveOut, problem);
    if (recovery == Recovery::Failed)
        CDomain::Get().ShowNotice("An interrupted save of " + folder + " could not be completed: " +
                                  problem + ".");
    else if (recovery == Recovery::Completed)
        CDomain::Get().ShowNotice("The last save of " + folder +
                                  " was interrupted. It has been completed now.");
    if (!report.Empty())
        CDomain::Get().ShowNotice(report.Text());
    return recovery != Recovery::Failed;
}

// Clears the staged files of a save that was interrupted before it changed anything.
void ClearLeftovers(const std::string& folder, const std::vector<std::string>& leftovers) {
    if (leftovers.empty())
        return;
    CMoveOutReport report;
    ClearSaveLeftovers(folder, leftovers, [&](const std::string& path, const std::string& original) {
        return MoveOutOfProject(path, original, folder, report);
    });
    if (!report.Empty())
        CDomain::Get().ShowNotice(report.Text());
}

class WaitCursor {
public:
    explicit WaitCursor(CDocumentHooks& hooks) : m_hooks(hooks) { m_hooks.BeginWait(); }
    ~WaitCursor() { m_hooks.EndWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    CDocumentHooks& m_hooks;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// CProjectDocument

std::vector<CLumData*> CProjectDocument::ModifiedProjectData() {
    std::vector<CLumData*> result;
    for (const auto& document : CProjectDocuments::Get().Documents())
        if (document->IsModified())
            result.push_back(&document->Data());
    return result;
}

std::vector<CLumFileDocument*> CProjectDocument::OpenProjectDocuments() {
    std::vector<CLumFileDocument*> result;
    for (const auto& document : CProjectDocuments::Get().Documents())
        result.push_back(document.get());
    return result;
}

void CProjectDocument::SetModifiedFlag(bool modified) {
    m_modified = modified;
    CProjectDocuments::Get().Hooks().ModifiedChanged(*this);
}

bool CProjectDocument::LoadProject(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    // The folder and its "Patch" and "Tone" folders must exist; "Wave" may be missing.
    bool ok = FolderExists(folder) && FolderExists(folder + "Patch/") && FolderExists(folder + "Tone/") &&
              RecoverInterruptedSave(folder);
    std::vector<std::string> patches, tones, waves, leftovers;
    ok = ok && ScanFolder(folder, "Patch/", {"*.d00"}, patches, leftovers) &&
         ScanFolder(folder, "Tone/", {"*.p00"}, tones, leftovers);
    if (ok && FolderExists(folder + "Wave/"))
        ok = ScanFolder(folder, "Wave/", {"*.w*", "*.aif*", "*.vpw"}, waves, leftovers);
    if (ok)
        ClearLeftovers(folder, leftovers);
    if (ok) {
        WaitCursor wait(CProjectDocuments::Get().Hooks());
        ok = LoadAll(folder, std::move(patches), std::move(tones), std::move(waves));
    }
    if (!ok) {
        CDomain::Get().ShowError(kMsgLoadFailed);
        return false;
    }
    m_pathName = path;
    m_title = FolderTitle(folder);
    CProjectDocuments::Get().Hooks().RecentFile(path);
    SetModifiedFlag(false);
    return true;
}

bool CProjectDocument::DoSave(bool saveAs, const std::function<bool(std::string&)>& chooseFolder) {
    if (!saveAs && !m_pathName.empty())
        return SaveProject(m_pathName);
    std::string folder;
    if (!chooseFolder || !chooseFolder(folder))
        return false;
    if (!SaveProject(folder))
        return false;
    CProjectDocuments::Get().Hooks().RememberFolder(folder);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CProjectDocuments

CProjectDocuments& CProjectDocuments::Get() {
    static CProjectDocuments documents;
    return documents;
}

CDocumentHooks& CProjectDocuments::Hooks() {
    static CDocumentHooks none;
    return m_hooks != nullptr ? *m_hooks : none;
}

CProjectDocument& CProjectDocuments::Create() {
    m_documents.push_back(std::make_unique<CProjectDocument>());
    return *m_documents.back();
}

CProjectDocument& CProjectDocuments::New() {
    CProjectDocument& document = Create();
    document.SetTitle("Untitled" + std::to_string(++m_untitledCounter));
    document.SetModifiedFlag(false);
    return document;
}

CProjectDocument* CProjectDocuments::FindOpenProject(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    for (const auto& document : m_documents)
        if (document->Data().ProjectFolder() == folder)
            return document.get();
    return nullptr;
}

CProjectDocument* CProjectDocuments::OpenProject(const std::string& path) {
    if (CProjectDocument* open = FindOpenProject(path)) {
        Hooks().Activate(*open);
        return open;
    }
    CProjectDocument& document = Create();
    if (!document.LoadProject(path)) {
        // Nothing of a failed load stays behind; no other project can refer to it yet.
        m_documents.pop_back();
        return nullptr;
    }
    if (!path.empty())
        Hooks().RememberFolder(path);
    return &document;
}

void CProjectDocuments::Close(CProjectDocument& document) {
    document.HandOverSharedFiles();
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [&](const auto& d) { return d.get() == &document; });
    if (it != m_documents.end())
        m_documents.erase(it); // the project data's destruction discards its undo step
}

void CProjectDocuments::CloseAll() {
    while (!m_documents.empty())
        Close(*m_documents.back());
    m_untitledCounter = 0;
}

CProjectDocument* CProjectDocuments::DocumentOf(const CLumData* data) {
    for (const auto& document : m_documents)
        if (&document->Data() == data)
            return document.get();
    return nullptr;
}

std::vector<CProjectDocument*> CProjectDocuments::Undo() {
    std::vector<CProjectDocument*> touched;
    for (CLumData* owner : CDomain::Get().Undo())
        if (CProjectDocument* document = DocumentOf(owner))
            touched.push_back(document);
    for (CProjectDocument* document : touched)
        document->SetModifiedFlag(true);
    return touched;
}

} // namespace Corv
