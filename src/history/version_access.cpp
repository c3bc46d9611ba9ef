#include "history/version_access.h"

#include "edit/fingerprint.h"
#include "history/folder_state.h"
#include "history/recorder.h"
#include "history/store_files.h"
#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/project_document.h"
#include "storage/save_paths.h"
#include "storage/slot_file_name.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <optional>
#include <unistd.h>

namespace Corv::History {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

// The bytes of a version's file: its object, or a file of the project that holds them now
// (`now` describes the project folder; it is described when first needed, with the hashes
// the head knows by identity, so that a file only renamed since is found without reading).
bool FetchFile(const CHistoryStore& store, const std::string& project, const Manifest& head,
               std::optional<std::vector<FileEntry>>& now, const FileEntry& file,
               std::string& bytes) {
    if (store.FetchObject(file.hash, bytes))
        return true;
    if (!now) {
        std::string why;
        now.emplace();
        if (!DescribeFiles(project, HashesByIdentity(head.files), *now, why))
            now->clear();
    }
    std::vector<std::string> candidates = {project + file.path};
    for (const FileEntry& entry : *now)
        if (entry.hash == file.hash && entry.path != file.path)
            candidates.push_back(project + entry.path);
    for (const std::string& path : candidates)
        if (ReadWholeFile(path, bytes) && HashHex(bytes) == file.hash)
            return true;
    return false;
}

// A new folder in the scratch folder for versions written out, named like the project.
std::string ScratchProject(const std::string& scratch, const std::string& project, int id) {
    static std::atomic<unsigned> counter{0};
    const std::string name = std::string(FileNamePart(WithoutSlash(project)));
    std::error_code error;
    const std::string base =
        !scratch.empty() ? scratch : std::filesystem::temp_directory_path(error).string();
    return WithTrailingSlash(base) + "history-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++) + "/v" + std::to_string(id) + " " + name + "/";
}

// Removes what ScratchProject made.
void RemoveScratch(const std::string& folder) {
    const std::string parent = WithoutSlash(folder).substr(0, WithoutSlash(folder).rfind('/'));
    RemoveTree(parent);
}

bool Materialise(const CHistoryStore& store, const std::string& project, int id,
                 const std::string& folder, std::string& why) {
    std::vector<std::string> missing;
    // The copy is read to restore the project, then removed: its files may be the objects.
    if (ExportVersion(store, project, id, folder, missing, why, true))
        return true;
    if (!missing.empty())
        why = "version " + std::to_string(id) + " is damaged: " + std::to_string(missing.size()) +
              " files are missing or altered, the first " + missing.front();
    return false;
}

// The fingerprints of files described by a version or a folder's description, under `folder`:
// a file's fingerprint is the hash the history keeps it by, so a version written out, whose
// every file was checked against its hash, need not be read again to be compared.
struct KnownFiles {
    std::map<std::string, Fingerprint, std::less<>> prints; // absolute path -> fingerprint

    void Add(const std::string& folder, const std::vector<FileEntry>& files) {
        for (const FileEntry& file : files)
            if (const std::optional<Fingerprint> print = Fingerprint::FromHex(file.hash))
                prints.emplace(folder + file.path, *print);
    }
    KnownFingerprint Lookup() const {
        return [this](const std::string& path, Fingerprint& print) {
            const auto found = prints.find(path);
            if (found == prints.end())
                return false;
            print = found->second;
            return true;
        };
    }
};

bool ReadFolder(const std::string& folder, CProjectDocument& document, std::string& why) {
    return document.ReadProject(folder, why);
}

} // namespace

bool ExportVersion(const CHistoryStore& store, const std::string& project, int id,
                   const std::string& target, std::vector<std::string>& missing, std::string& why,
                   bool linkObjects) {
    missing.clear();
    Manifest version, head;
    if (!store.ReadVersion(project, id, version, why))
        return false;
    const std::string folder = WithTrailingSlash(target);
    const std::string canonical = CanonicalProjectFolder(project);
    store.ReadHead(project, head);
    if (Fs().Status(WithoutSlash(folder)).type != FileType::Missing) {
        why = WithoutSlash(folder) + " exists already";
        return false;
    }
    bool made = MakeFolders(folder);
    for (int kind = kPatchKind; made && kind <= kWaveKind; ++kind)
        made = MakeFolders(folder + SubfolderName(kind));
    if (!made) {
        why = LastFileError().Empty() ? folder + " cannot be made" : LastFileError().Text();
        return false;
    }
    const auto write = [&](const FileEntry& file, const std::string& bytes) {
        auto out = Fs().Open(folder + file.path, OpenMode::CreateNew);
        return out && out->Write(bytes.data(), bytes.size()) && out->Close();
    };
    // Most files come from their objects, side by side (a full project's waves are many
    // megabytes); those the store does not have are looked for in the project after.
    enum class Got : char { Written, NotStored, Failed };
    std::vector<Got> got(version.files.size(), Got::NotStored);
    RunSideBySide(version.files.size(), [&](std::size_t i) {
        std::string bytes;
        const FileEntry& file = version.files[i];
        if (store.FetchObject(file.hash, bytes))
            got[i] =
                (linkObjects && Fs().HardLink(store.ObjectPath(file.hash), folder + file.path)) ||
                        write(file, bytes)
                    ? Got::Written
                    : Got::Failed;
        return got[i] != Got::Failed;
    });
    std::optional<std::vector<FileEntry>> now;
    for (std::size_t i = 0; i < version.files.size(); ++i) {
        const FileEntry& file = version.files[i];
        std::string bytes;
        if (got[i] == Got::NotStored && !FetchFile(store, canonical, head, now, file, bytes)) {
            missing.push_back(file.path);
            continue;
        }
        if (got[i] == Got::Failed || (got[i] == Got::NotStored && !write(file, bytes))) {
            why = LastFileError().Empty() ? folder + file.path + " cannot be written"
                                          : LastFileError().Text();
            return false;
        }
    }
    if (!missing.empty())
        why = "version " + std::to_string(id) + " is damaged: missing " + missing.front();
    return missing.empty();
}

bool VersionDifferences(const CHistoryStore& store, const std::string& project, int id, int against,
                        const std::string& scratch, std::vector<ProjectDifference>& differences,
                        std::string& why) {
    const std::string first = ScratchProject(scratch, project, id);
    const std::string second = against > 0 ? ScratchProject(scratch, project, against) : project;
    CProjectDocument a, b;
    Manifest versionA, versionB;
    const bool ok = store.ReadVersion(project, id, versionA, why) &&
                    (against == 0 || store.ReadVersion(project, against, versionB, why)) &&
                    Materialise(store, project, id, first, why) &&
                    (against == 0 || Materialise(store, project, against, second, why)) &&
                    ReadFolder(first, a, why) && ReadFolder(second, b, why);
    if (ok) {
        KnownFiles known;
        known.Add(first, versionA.files);
        if (against > 0)
            known.Add(second, versionB.files);
        differences = DiffProjects(a.Data(), b.Data(), known.Lookup());
    }
    RemoveScratch(first);
    if (against > 0)
        RemoveScratch(second);
    return ok;
}

RestoreOutcome RestoreVersion(CHistoryRecorder& recorder, const std::string& project, int id,
                              const std::string& scratch, bool dryRun,
                              std::vector<ProjectDifference>& changes, std::string& why) {
    const std::string folder = NormaliseFolderPath(project);
    CProjectDocuments& open = CProjectDocuments::Get();
    if (open.FindOpenProject(folder) != nullptr) {
        why = folder + " is open here; close it before restoring a version";
        return RestoreOutcome::Failed;
    }
    const std::string copy = ScratchProject(scratch, folder, id);
    CProjectDocument version;
    CProjectDocument* now = nullptr;
    Manifest manifest, head;
    std::vector<FileEntry> files;
    recorder.Store().ReadHead(folder, head);
    bool ok = recorder.Store().ReadVersion(folder, id, manifest, why) &&
              Materialise(recorder.Store(), folder, id, copy, why) &&
              ReadFolder(copy, version, why) &&
              DescribeFiles(folder, HashesByIdentity(head.files), files, why);
    // Opened among the projects, so that it is saved in place as any open project is.
    if (ok && (now = open.OpenProject(folder)) == nullptr) {
        why = folder + " cannot be opened";
        ok = false;
    }
    if (ok) {
        KnownFiles known;
        known.Add(copy, manifest.files);
        known.Add(folder, files);
        changes = DiffProjects(now->Data(), version.Data(), known.Lookup());
    }
    RestoreOutcome outcome = RestoreOutcome::Failed;
    bool same = ok && files.size() == manifest.files.size();
    for (std::size_t i = 0; same && i < files.size(); ++i)
        same = files[i].path == manifest.files[i].path && files[i].hash == manifest.files[i].hash;
    if (!ok)
        outcome = RestoreOutcome::Failed;
    else if (same)
        outcome = RestoreOutcome::NothingToDo;
    else if (dryRun)
        outcome = RestoreOutcome::Previewed;
    else {
        // The project takes the version's records and is saved in place, as any edit is: a
        // record whose bytes a file of the project holds now names that file (the save then
        // keeps or renames it), every other one is copied in from the version written out.
        std::map<std::string, std::string> projectFileOf; // hash -> relative path
        for (const FileEntry& file : files)
            projectFileOf.emplace(file.hash, file.path);
        std::map<std::string, std::string> hashOf; // relative path in the version -> hash
        for (const FileEntry& file : manifest.files)
            hashOf[file.path] = file.hash;
        for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
            CParameterArray& records = version.Data().Records(kind);
            for (std::size_t i = 0; i < records.Size(); ++i) {
                CParameter& record = records.Item(i);
                const std::string& path = record.FilePath();
                if (path.rfind(copy, 0) != 0)
                    continue;
                const auto hash = hashOf.find(path.substr(copy.size()));
                const auto there =
                    hash != hashOf.end() ? projectFileOf.find(hash->second) : projectFileOf.end();
                if (there != projectFileOf.end() &&
                    there->second.rfind(SubfolderName(kind), 0) == 0)
                    record.SetFilePath(folder + there->second);
            }
            now->Data().Records(kind).SwapItems(records);
        }
        recorder.SetNextNote("before restore");
        recorder.VouchFor(copy, manifest.files); // every file written out was checked
        if (now->SaveProject(folder)) {
            outcome = RestoreOutcome::Restored;
        } else {
            why = now->SaveProblem().empty() ? folder + " could not be saved" : now->SaveProblem();
        }
        recorder.SetNextNote({});
        recorder.VouchFor(copy, {});
    }
    if (now != nullptr) {
        now->SetModifiedFlag(false);
        open.Close(*now);
    }
    RemoveScratch(copy);
    return outcome;
}

} // namespace Corv::History
