// Saving a project folder: files are moved, copied and renamed into their slot names, every
// patch and tone record area is rewritten, and records of every open project that named a
// moved file follow it.
#include <algorithm>

#include "edit/domain.h"
#include "model/file_system.h"
#include "storage/memo_file.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

namespace Corv {

namespace {

IFileSystem& Fs() { return FileSystem(); }

bool Readable(const std::string& path) { return Fs().Open(ToOsPath(path), OpenMode::Read) != nullptr; }
bool Updatable(const std::string& path) { return Fs().Open(ToOsPath(path), OpenMode::Update) != nullptr; }

// Removes a file; a file that is not there (any more) counts as removed.
bool RemoveFile(const std::string& path) { return Fs().Remove(ToOsPath(path)) || !Readable(path); }

// A path in the work folder for a copy of a file: counter, blank, name part, extension.
std::string TemporaryCopyPath(const std::string& file) {
    CDomain& domain = CDomain::Get();
    return domain.m_workFolder + SlotNumberText(domain.NextWorkFileNumber()) + " " + NamePart(file) +
           Extension(file);
}

// Calls `visit` with every record array of a kind that belongs to an open project or to a
// saved undo step; `skip` (may be null) excludes one project and the undo steps it owns.
template <class Visit>
void ForEachRecordArray(CLumFileDocument& any, int kind, const CLumData* skip, Visit visit) {
    for (CLumFileDocument* document : any.OpenProjectDocuments())
        if (&document->Data() != skip)
            visit(document->Data().Records(kind));
    for (CDomain::Snapshot& slot : CDomain::Get().m_undo)
        if (slot.owner != nullptr && slot.owner != skip && slot.saved[kind])
            visit(kind == kPatchKind   ? static_cast<CParameterArray&>(slot.patches)
                  : kind == kToneKind ? static_cast<CParameterArray&>(slot.tones)
                                      : static_cast<CParameterArray&>(slot.waves));
}

// Points every record that names `from` at `to`, in every open project and in the undo step.
bool Redirect(CLumFileDocument& any, const std::string& from, const std::string& to, int kind,
              const CLumData* skip = nullptr) {
    bool changed = false;
    ForEachRecordArray(any, kind, skip, [&](CParameterArray& records) {
        for (std::size_t i = 0; i < records.Size(); ++i)
            if (records.Item(i).FilePath() == from) {
                records.Item(i).SetFilePath(to);
                changed = true;
            }
    });
    return changed;
}

// True when a record (of an open project or the undo step, `skip` aside) names the file.
bool StillUsed(CLumFileDocument& any, const std::string& path, int kind, const CLumData* skip) {
    bool used = false;
    ForEachRecordArray(any, kind, skip, [&](CParameterArray& records) {
        for (std::size_t i = 0; i < records.Size() && !used; ++i)
            used = records.Item(i).FilePath() == path;
    });
    return used;
}

bool WriteRecordFile(int kind, const std::string& path, const CParameter& record) {
    if (kind == kPatchKind)
        return WritePatchFile(path, &static_cast<const CPatch&>(record));
    if (kind == kToneKind)
        return WriteToneFile(path, &static_cast<const CTone&>(record));
    return true; // wave files are never written
}

// Adds every file of a subfolder that matches the pattern; false when it cannot be listed.
bool MatchingFiles(const std::string& folder, const char* subfolder, const char* pattern,
                   std::vector<std::string>& files) {
    std::vector<std::string> names;
    if (!Fs().ListFiles(ToOsPath(folder + subfolder), names))
        return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (MatchesPattern(name, pattern))
            files.push_back(folder + subfolder + name);
    return true;
}

// The work of one save: the document, its data and the save-elsewhere flag.
class CProjectSaver {
public:
    CProjectSaver(CLumFileDocument& document, bool elsewhere)
        : m_doc(document), m_data(document.Data()), m_elsewhere(elsewhere) {}

    bool CheckPass(int kind);
    bool WritePass(int kind);
    void UpdatePass(int kind);

private:
    struct Slot {
        const CParameter& record;
        std::string old;    // the slot's file when the project was loaded or last saved
        std::string path;   // where the record's bytes are now
        std::string target; // the slot file name the record gets
    };
    Slot SlotAt(int kind, std::size_t i) const;
    bool CheckSource(const Slot& slot) const;
    bool WriteSlot(int kind, std::size_t i);
    bool CopyIntoSlot(int kind, const Slot& slot);
    void DeleteRejectedFiles();
    const CLumData* Skip() const { return m_elsewhere ? &m_data : nullptr; }

    CLumFileDocument& m_doc;
    CLumData& m_data;
    bool m_elsewhere;
};

CProjectSaver::Slot CProjectSaver::SlotAt(int kind, std::size_t i) const {
    const CParameter& record = m_data.Records(kind).Item(i);
    Slot slot{record, m_data.SlotPaths(kind)[i], record.FilePath(), {}};
    if (!record.IsEmpty())
        slot.target = m_data.ProjectFolder() + SubfolderName(kind) +
                      SlotFileName(static_cast<unsigned>(i + 1), record.Name(), Extension(slot.path));
    return slot;
}

// The record's file can be read, and an existing file at the target can be updated.
bool CProjectSaver::CheckSource(const Slot& slot) const {
    return Readable(slot.path) && (!Readable(slot.target) || Updatable(slot.target));
}

bool CProjectSaver::CheckPass(int kind) {
    for (std::size_t i = 0; i < m_data.Records(kind).Size(); ++i) {
        const Slot slot = SlotAt(kind, i);
        if (slot.path == slot.old) {
            if (slot.path.empty())
                continue;
            if (m_elsewhere ? !CheckSource(slot) : (kind != kWaveKind && !Updatable(slot.path)))
                return false;
            continue;
        }
        if (!slot.old.empty()) {
            if (StillUsed(m_doc, slot.old, kind, Skip())) {
                TemporaryCopyPath(slot.old);
                if (!Readable(slot.old) || !Fs().IsDirectory(ToOsPath(CDomain::Get().m_workFolder)))
                    return false;
            }
            if (!m_elsewhere && Readable(slot.old) && !Updatable(slot.old))
                return false;
        }
        if (!slot.path.empty() && !CheckSource(slot))
            return false;
    }
    return true;
}

bool CProjectSaver::CopyIntoSlot(int kind, const Slot& slot) {
    if (!m_doc.CopyDataFile(slot.path, slot.target)) {
        if (slot.path != slot.target)
            RemoveFile(slot.target);
        return false;
    }
    return WriteRecordFile(kind, slot.target, slot.record);
}

bool CProjectSaver::WriteSlot(int kind, std::size_t i) {
    const Slot slot = SlotAt(kind, i);
    if (slot.path == slot.old) { // the record that was in this slot
        if (slot.path.empty())
            return true;
        if (m_elsewhere)
            return CopyIntoSlot(kind, slot);
        if (NamePart(slot.path) != slot.record.Name()) {
            if (!Fs().Rename(ToOsPath(slot.path), ToOsPath(slot.target)))
                return false;
            // Every record that names the file follows it at once, so that later slots copy
            // from where it is now and a failure later in the save leaves no record behind.
            // The slot follows too: the file that lies in it now has the new name.
            Redirect(m_doc, slot.path, slot.target, kind);
            m_data.SlotPaths(kind)[i] = slot.target;
        }
        return WriteRecordFile(kind, slot.target, slot.record);
    }
    if (!slot.old.empty()) { // the slot's file is replaced or dropped: keep it for its users
        const std::string temporary = TemporaryCopyPath(slot.old);
        if (StillUsed(m_doc, slot.old, kind, Skip())) {
            if (!m_doc.CopyDataFile(slot.old, temporary))
                return false;
            Redirect(m_doc, slot.old, temporary, kind, Skip());
        }
        if (!m_elsewhere && !RemoveFile(slot.old))
            return false;
    }
    return slot.path.empty() || CopyIntoSlot(kind, SlotAt(kind, i));
}

void CProjectSaver::DeleteRejectedFiles() {
    std::vector<std::string> targets;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        for (std::size_t i = 0; i < m_data.Records(kind).Size(); ++i)
            if (!m_data.Records(kind).Item(i).IsEmpty())
                targets.push_back(SlotAt(kind, i).target);
    std::sort(targets.begin(), targets.end());
    std::vector<std::string> kept;
    for (const std::string& rejected : m_doc.RejectedFiles()) {
        // A rejected file whose path a slot's file now has is that slot's file: it stays.
        if (std::binary_search(targets.begin(), targets.end(), rejected))
            continue;
        if (!RemoveFile(rejected))
            kept.push_back(rejected); // tried again by the next save
    }
    m_doc.RejectedFiles() = std::move(kept);
}

bool CProjectSaver::WritePass(int kind) {
    for (std::size_t i = 0; i < m_data.Records(kind).Size(); ++i)
        if (!WriteSlot(kind, i))
            return false;
    if (m_elsewhere)
        m_doc.RejectedFiles().clear();
    else
        DeleteRejectedFiles();
    return true;
}

void CProjectSaver::UpdatePass(int kind) {
    for (std::size_t i = 0; i < m_data.Records(kind).Size(); ++i) {
        const Slot slot = SlotAt(kind, i);
        if (!slot.path.empty() && slot.path == slot.old && slot.path != slot.target)
            Redirect(m_doc, slot.path, slot.target, kind);
        m_data.Records(kind).Item(i).SetFilePath(slot.target);
        m_data.SlotPaths(kind)[i] = slot.target;
    }
}

} // namespace

CLumFileDocument::SaveOutcome CLumFileDocument::SaveFolder(bool elsewhere) {
    CProjectSaver saver(*this, elsewhere);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (!saver.CheckPass(kind))
            return SaveOutcome::Failed;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (!saver.WritePass(kind))
            return SaveOutcome::Failed;
    bool memosWritten = true;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        memosWritten = WriteMemoFile(m_data, kind) && memosWritten;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        saver.UpdatePass(kind);
    if (CDomain::Get().OwnsUndo(&m_data))
        CDomain::Get().ClearUndo();
    return memosWritten ? SaveOutcome::Saved : SaveOutcome::MemosNotWritten;
}

bool CLumFileDocument::SaveAll(bool elsewhere) { return SaveFolder(elsewhere) == SaveOutcome::Saved; }

void CLumFileDocument::HandOverSharedFiles() {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        for (const std::string& path : m_data.SlotPaths(kind)) {
            if (path.empty() || !StillUsed(*this, path, kind, &m_data))
                continue;
            const std::string temporary = TemporaryCopyPath(path);
            // Copy first: a record is only pointed at a copy that exists.
            if (CopyDataFile(path, temporary))
                Redirect(*this, path, temporary, kind, &m_data);
        }
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

bool EndsInPrj(const std::string& normalised) {
    if (normalised.size() < 5)
        return false;
    std::string tail = normalised.substr(normalised.size() - 5);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".prj/";
}

// Creates the project folder when it is missing and its three subfolders; `existed` tells
// whether one of the subfolders was there already.
bool PrepareFolder(const std::string& folder, bool& existed) {
    const std::string bare = folder.substr(0, folder.size() - 1);
    if (!Fs().IsDirectory(ToOsPath(folder)) &&
        Fs().CreateDirectory(ToOsPath(bare)) == CreateDirResult::Failed)
        return false;
    existed = false;
    bool ok = true;
    for (const char* sub : {"Patch", "Tone", "Wave"}) {
        const CreateDirResult result = Fs().CreateDirectory(ToOsPath(folder + sub));
        existed = existed || result == CreateDirResult::AlreadyExists;
        ok = ok && result != CreateDirResult::Failed;
    }
    return ok;
}

// Deletes the instrument files of a project folder that is about to be replaced.
bool DeleteProjectContent(const std::string& folder) {
    const std::pair<const char*, const char*> patterns[] = {
        {"Patch/", "*.d00"}, {"Tone/", "*.p00"}, {"Wave/", "*.w*"},
        {"Wave/", "*.aif*"}, {"Wave/", "*.vpw"}, {"", "*.s00"}};
    for (const auto& [subfolder, pattern] : patterns) {
        std::vector<std::string> files;
        if (!MatchingFiles(folder, subfolder, pattern, files))
            return false;
        for (const std::string& file : files)
            if (!Fs().Remove(ToOsPath(file)))
                return false;
    }
    return true;
}

// False when the folder is another open project's; `elsewhere` is cleared when it is the
// document's own. The same folder under another spelling (a link, for one) counts as taken:
// it would pass as a folder to replace, and the replace question would delete the very files
// that this project, or another open one, is made of.
bool TargetIsFree(const CProjectDocument& self, const std::string& folder, bool& elsewhere) {
    const auto& documents = CProjectDocuments::Get().Documents();
    for (const auto& document : documents) {
        if (document->Data().ProjectFolder() != folder)
            continue;
        if (document.get() != &self) // never over another open project
            return false;
        elsewhere = false;
    }
    if (!elsewhere)
        return true;
    return std::none_of(documents.begin(), documents.end(), [&folder](const auto& document) {
        const std::string open = document->Data().ProjectFolder();
        return !open.empty() && Fs().SameDirectory(ToOsPath(open), ToOsPath(folder));
    });
}

} // namespace

bool CProjectDocument::SaveProject(const std::string& path) {
    CDomain& domain = CDomain::Get();
    const std::string folder = NormaliseFolderPath(path);
    if (!SourceFilesPresent()) {
        Fs().RemoveDirectory(ToOsPath(folder.substr(0, folder.size() - 1)));
        domain.ShowError(kMsgSaveFailed);
        return false;
    }
    bool elsewhere = true;
    if (!TargetIsFree(*this, folder, elsewhere)) {
        domain.ShowError(kMsgSaveFailed);
        return false;
    }
    // A folder that is no project is refused before anything on disk changes: otherwise its
    // instrument-like files would be deleted after the replace question, only for the save to
    // be refused at the end anyway.
    if (!EndsInPrj(folder)) {
        domain.ShowError(kMsgSaveFailed);
        return false;
    }
    bool existed = false;
    if (!PrepareFolder(folder, existed)) {
        domain.ShowError(kMsgSaveFailed);
        return false;
    }
    if (existed && elsewhere) {
        if (domain.Ask(kButtonsYesNo, kMsgReplaceProject) != kAnswerYes)
            return false;
        if (!DeleteProjectContent(folder)) {
            domain.ShowError(kMsgSaveFailed);
            return false;
        }
    }
    if (elsewhere && !Data().ProjectFolder().empty() && !CopySystemFiles(folder)) {
        domain.ShowError(kMsgSaveFailed);
        return false;
    }

    CDocumentHooks& hooks = CProjectDocuments::Get().Hooks();
    hooks.BeginWait();
    const std::string remembered = Data().ProjectFolder();
    const SaveOutcome outcome = SetProjectPath(folder) ? SaveFolder(elsewhere) : SaveOutcome::Failed;
    hooks.EndWait();
    if (outcome == SaveOutcome::Failed) {
        Data().SetProjectFolder(remembered);
        domain.ShowError(kMsgSaveFailed);
        return false;
    }
    m_pathName = path;
    m_title = std::string(FileNamePart(folder.substr(0, folder.size() - 1)));
    hooks.RecentFile(path);
    if (outcome == SaveOutcome::MemosNotWritten) {
        // Every file is in place, but the memos are not on disk: the document stays modified
        // so that they are not lost silently.
        domain.ShowError(kMsgSaveFailed);
        SetModifiedFlag(true);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

} // namespace Corv
