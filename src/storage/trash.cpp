// Moving files out of a project folder into the user's trash as file managers do (the
// freedesktop.org Trash layout: files/ holds the file, info/ a ".trashinfo" file that says
// where it came from and when), or into a folder beside the project. Work that depends on a
// folder (its device, its mount point, the trash folders there) is done once per folder, so
// that tens of thousands of files cost a few operations each.
#include "storage/trash.h"

#include "model/file_system.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

namespace Corv {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

constexpr unsigned kMostNumberedNames = 10000;
constexpr std::uint32_t kStickyBit = 01000;

// What cannot be looked at counts as there: it is then tried, and fails visibly.
bool Exists(const FileStatus& status) {
    return status.type != FileType::Missing || status.isLink || status.failed;
}

bool IsRealFolder(const FileStatus& status) {
    return status.type == FileType::Directory && !status.isLink;
}

// The folder that holds a path without a trailing "/"; "/" holds itself.
std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return path;
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A folder made is durable in its parent before anything is moved into it.
bool Made(CreateDirResult result, const std::string& folder) {
    if (result == CreateDirResult::Failed)
        return false;
    return result == CreateDirResult::AlreadyExists || Fs().SyncDirectory(ParentOf(folder));
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The n-th name to try for a file in a folder that may hold one of that name already:
// "Name.ext", "Name (2).ext", "Name (3).ext", ...
std::string NumberedName(const std::string& name, unsigned n) {
    if (n < 2)
        return name;
    const std::size_t dot = name.find_last_of('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + " (" + std::to_string(n) + ")" + name.substr(cut);
}

// Every byte but the unreserved characters of a URI and "/" as "%XX".
std::string PercentEncoded(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alphanumeric =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alphanumeric || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += c;
            continue;
        }
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 0x0F];
    }
    return encoded;
}

// "YYYY-MM-DDThh:mm:ss" in local time.
std::string DeletionDate(std::time_t when) {
    const std::tm* local = std::localtime(&when);
    char text[32] = {};
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", local) == 0)
        return "1970-01-01T00:00:00";
    return text;
}

// The project folder as an absolute path without a trailing "/" and without doubled "/".
std::string AbsoluteFolder(const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path.front() != '/') {
        std::error_code ignored;
        path = std::filesystem::absolute(path, ignored).lexically_normal().generic_string();
    }
    std::string result;
    for (const char c : path)
        if (c != '/' || result.empty() || result.back() != '/')
            result += c;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

// The part of `path` below the folder given as the system spells it (ending in "/"); false when
// the path is not a plain path below it (no empty, "." or ".." parts).
bool RelativePath(const std::string& path, const std::string& folder, std::string& relative) {
    if (folder.empty() || path.size() <= folder.size() ||
        path.compare(0, folder.size(), folder) != 0)
        return false;
    relative = path.substr(folder.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == relative.size())
            return true;
        start = end + 1;
    }
}

enum class Claim { Made, Taken, Failed };

// Creates a file of our own at the path with this content. `Taken` when something is there
// already; on any other failure nothing is left behind.
Claim ClaimFile(const std::string& path, const std::string& content) {
    auto file = Fs().Open(path, OpenMode::CreateNew);
    if (!file)
        return Exists(Fs().Status(path)) ? Claim::Taken : Claim::Failed;
    if ((content.empty() || file->Write(content.data(), content.size())) && file->Close())
        return Claim::Made;
    file.reset();
    Fs().Remove(path);
    return Claim::Failed;
}

// Creates a folder only its owner may enter, and the missing folders above it.
bool MakePrivateFolders(const std::string& folder) {
    const FileStatus status = Fs().Status(folder);
    if (status.type == FileType::Directory)
        return true;
    if (Exists(status))
        return false;
    const std::string parent = ParentOf(folder);
    if (parent != folder && !MakePrivateFolders(parent))
        return false;
    return Made(Fs().CreatePrivateDirectory(folder), folder);
}

// One trash folder: files/ and info/ inside `root`.
struct TrashFolder {
    enum class State { Unknown, Ready, Unusable };
    std::string root;
    // The folder the recorded paths are relative to; empty for the home trash, whose recorded
    // paths are absolute.
    std::string topdir;
    State state = State::Unknown;
    std::uint64_t device = 0; // of files/
};

// The work of one call: what is known of each folder, trash and target folder so far.
class CProjectMover {
public:
    CProjectMover(const std::string& projectFolder, const TrashUser& user)
        : m_given(projectFolder), m_project(AbsoluteFolder(projectFolder)), m_user(user),
          m_date(DeletionDate(user.now)) {
        if (!m_given.empty() && m_given.back() != '/')
            m_given += '/';
    }

    RemovedFile Move(const std::string& path, const std::string& original, bool trashOnly);
    // Makes the entries of every folder that gained or lost a file durable.
    void SyncFolders();

private:
    struct Folder {
        std::uint64_t device = 0;
        std::vector<TrashFolder*> trashes; // in the order they are tried
    };
    const Folder& FolderOf(const std::string& folder);
    std::string TopDirectory(const std::string& folder, std::uint64_t device);
    bool OnHomeDevice(std::uint64_t device);
    TrashFolder& Trash(const std::string& root, const std::string& topdir);
    bool Prepare(TrashFolder& trash);
    bool IntoTrash(TrashFolder& trash, const Folder& folder, const std::string& file,
                   const std::string& as, std::string& where);
    bool BesideProject(const std::string& file, const std::string& relative, std::string& where);
    bool BesideFolder(const std::string& folder);
    bool RenameInto(const std::string& file, const std::string& name, const std::string& folder,
                    const std::string& infoFolder, const std::string& info, std::string& where);

    std::string m_given;   // the project folder as the paths spell it, ending in "/"
    std::string m_project; // absolute, without a trailing "/"
    TrashUser m_user;
    std::string m_date;
    std::map<std::string, Folder> m_folders;
    std::map<std::string, std::string> m_topdirs;
    std::map<std::string, TrashFolder> m_trashes; // map nodes stay put: folders point at them
    std::map<std::string, bool> m_besideFolders;  // made (or there), or failed
    std::set<std::string> m_arrived; // folders that gained a file (or an information file)
    std::set<std::string> m_left;    // folders that lost one
    int m_homeDevice = -1;           // -1 unknown, 0 none, 1 known
    std::uint64_t m_homeDeviceId = 0;
};

RemovedFile CProjectMover::Move(const std::string& path, const std::string& original,
                                bool trashOnly) {
    RemovedFile result{path, RemovedTo::Stayed, {}};
    std::string relative, as;
    // A file outside the folder is only taken with the path it had in the project (a work
    // file that held the project's entry); otherwise it is not the project's and stays.
    const bool inside = RelativePath(path, m_given, relative);
    if ((!inside && (original.empty() || path.empty() || path.front() != '/')) ||
        !RelativePath(m_given + (original.empty() ? relative : original), m_given, as))
        return result;
    result.path = m_given + as;
    const std::string file = inside ? m_project + "/" + relative : path;
    if (!Exists(Fs().Status(file))) {
        result.to = RemovedTo::Missing;
        return result;
    }
    const Folder& folder = FolderOf(ParentOf(file));
    for (TrashFolder* trash : folder.trashes)
        if (IntoTrash(*trash, folder, file, m_project + "/" + as, result.where)) {
            result.to = RemovedTo::Trash;
            return result;
        }
    if (!trashOnly && BesideProject(file, as, result.where))
        result.to = RemovedTo::BesideProject;
    return result;
}

// A file on the home trash's file system goes there; any other into the user's trash at the
// top of its own file system: "$topdir/.Trash/$uid" when the administrator made ".Trash" a
// shared sticky folder, else "$topdir/.Trash-$uid".
const CProjectMover::Folder& CProjectMover::FolderOf(const std::string& path) {
    const auto known = m_folders.find(path);
    if (known != m_folders.end())
        return known->second;
    Folder& folder = m_folders[path];
    const FileStatus status = Fs().Status(path);
    if (status.type != FileType::Directory)
        return folder;
    folder.device = status.device;
    if (OnHomeDevice(folder.device)) {
        folder.trashes.push_back(&Trash(Join(m_user.dataHome, "Trash"), {}));
        return folder;
    }
    const std::string top = TopDirectory(path, folder.device);
    if (top.empty())
        return folder;
    const std::string uid = std::to_string(m_user.id);
    const FileStatus shared = Fs().Status(Join(top, ".Trash"));
    if (IsRealFolder(shared) && (shared.mode & kStickyBit) != 0)
        folder.trashes.push_back(&Trash(Join(top, ".Trash/" + uid), top));
    folder.trashes.push_back(&Trash(Join(top, ".Trash-" + uid), top));
    return folder;
}

// The mount point that holds a folder: its highest ancestor on the same device; empty when an
// ancestor cannot be looked at (a trash below the mount point would be one nobody finds).
std::string CProjectMover::TopDirectory(const std::string& folder, std::uint64_t device) {
    const auto known = m_topdirs.find(folder);
    if (known != m_topdirs.end())
        return known->second;
    const std::string parent = ParentOf(folder);
    std::string top = folder;
    if (parent != folder) {
        const FileStatus status = Fs().Status(parent);
        if (status.type != FileType::Directory)
            top.clear();
        else if (status.device == device)
            top = TopDirectory(parent, device);
    }
    m_topdirs[folder] = top;
    return top;
}

// True when the device is the one the home trash is on, or would be made on.
bool CProjectMover::OnHomeDevice(std::uint64_t device) {
    if (m_homeDevice < 0) {
        m_homeDevice = 0;
        for (std::string path = m_user.dataHome.empty() ? "" : Join(m_user.dataHome, "Trash");
             !path.empty(); path = ParentOf(path)) {
            const FileStatus status = Fs().Status(path);
            if (status.type != FileType::Missing) {
                m_homeDevice = 1;
                m_homeDeviceId = status.device;
                break;
            }
            if (path == "/")
                break;
        }
    }
    return m_homeDevice == 1 && m_homeDeviceId == device;
}

TrashFolder& CProjectMover::Trash(const std::string& root, const std::string& topdir) {
    TrashFolder& trash = m_trashes[root];
    trash.root = root;
    trash.topdir = topdir;
    return trash;
}

// Makes the trash folder with files/ and info/ when missing, once. A trash at the top of a
// file system must be the user's own real folder: anyone may put a folder there.
bool CProjectMover::Prepare(TrashFolder& trash) {
    if (trash.state != TrashFolder::State::Unknown)
        return trash.state == TrashFolder::State::Ready;
    trash.state = TrashFolder::State::Unusable;
    if (!MakePrivateFolders(trash.root))
        return false;
    if (!trash.topdir.empty()) {
        const FileStatus status = Fs().Status(trash.root);
        if (!IsRealFolder(status) || status.owner != m_user.id)
            return false;
    }
    for (const char* sub : {"info", "files"}) {
        const std::string folder = Join(trash.root, sub);
        if (!Made(Fs().CreatePrivateDirectory(folder), folder))
            return false;
        const FileStatus status = Fs().Status(folder);
        if (status.type != FileType::Directory)
            return false;
        trash.device = status.device; // files/ comes last
    }
    trash.state = TrashFolder::State::Ready;
    return true;
}

// `as` is the path the file had in the project: it is recorded, and gives the name in the trash.
bool CProjectMover::IntoTrash(TrashFolder& trash, const Folder& folder, const std::string& file,
                              const std::string& as, std::string& where) {
    if (!Prepare(trash) || trash.device != folder.device)
        return false; // only a rename within one file system: never a copy
    const std::string recorded =
        trash.topdir.empty() ? as : as.substr(trash.topdir == "/" ? 1 : trash.topdir.size() + 1);
    const std::string info =
        "[Trash Info]\nPath=" + PercentEncoded(recorded) + "\nDeletionDate=" + m_date + "\n";
    return RenameInto(file, FileNameOf(as), Join(trash.root, "files"), Join(trash.root, "info"),
                      info, where);
}

bool CProjectMover::BesideProject(const std::string& file, const std::string& relative,
                                  std::string& where) {
    const std::string root = m_project + " removed files";
    const std::string folder = ParentOf(Join(root, relative));
    return BesideFolder(folder) && RenameInto(file, FileNameOf(relative), folder, {}, {}, where);
}

// Makes a folder below the one beside the project (and that one) when missing, once.
bool CProjectMover::BesideFolder(const std::string& folder) {
    const auto known = m_besideFolders.find(folder);
    if (known != m_besideFolders.end())
        return known->second;
    const std::string root = m_project + " removed files";
    const bool made = (folder == root || BesideFolder(ParentOf(folder))) &&
                      Made(Fs().CreateDirectory(folder), folder);
    m_besideFolders[folder] = made;
    return made;
}

// Renames the file into the folder under its own name or the first numbered one that is free;
// a name that is taken is never replaced. In a trash the information file "<name>.trashinfo",
// made first, claims the name, as every program that trashes files does. Beside the project an
// empty file of our own claims it, for the rename to replace. When the rename fails, everything
// made for it is removed again.
bool CProjectMover::RenameInto(const std::string& file, const std::string& name,
                               const std::string& folder, const std::string& infoFolder,
                               const std::string& info, std::string& where) {
    const bool trash = !infoFolder.empty();
    for (unsigned n = 1; n <= kMostNumberedNames; ++n) {
        const std::string candidate = NumberedName(name, n);
        const std::string target = Join(folder, candidate);
        const std::string infoPath = trash ? Join(infoFolder, candidate + ".trashinfo") : "";
        Claim claim = ClaimFile(trash ? infoPath : target, info);
        if (claim == Claim::Made && trash && Exists(Fs().Status(target))) {
            Fs().Remove(infoPath); // a file without information, left by someone else
            claim = Claim::Taken;
        }
        if (claim == Claim::Taken)
            continue;
        if (claim == Claim::Failed)
            return false;
        if (Fs().Rename(file, target)) {
            m_left.insert(ParentOf(file));
            m_arrived.insert(folder);
            if (trash)
                m_arrived.insert(infoFolder);
            where = target;
            return true;
        }
        Fs().Remove(trash ? infoPath : target);
        return false;
    }
    return false;
}

// Where files arrived first: a power loss between the two leaves a file in both places rather
// than in neither.
void CProjectMover::SyncFolders() {
    for (const std::string& folder : m_arrived)
        Fs().SyncDirectory(folder);
    for (const std::string& folder : m_left)
        if (m_arrived.count(folder) == 0)
            Fs().SyncDirectory(folder);
}

std::string Files(std::size_t n) {
    return n == 1 ? "1 file" : std::to_string(n) + " files";
}

std::string Summary(std::size_t trashed, std::size_t beside, std::size_t stayed) {
    std::string text;
    const std::size_t moved = trashed + beside;
    if (moved > 0) {
        text = Files(moved) + (moved == 1 ? " was" : " were") + " moved out of the project folder";
        if (beside == 0)
            text += " into the trash.";
        else if (trashed == 0)
            text += " into a folder beside the project.";
        else
            text += ": " + std::to_string(trashed) + " into the trash, " + std::to_string(beside) +
                    " into a folder beside the project.";
    }
    if (stayed > 0)
        text += (text.empty() ? "" : " ") + Files(stayed) + " could not be moved and " +
                (stayed == 1 ? "stays" : "stay") + " in the project folder.";
    return text;
}

} // namespace

TrashUser TrashUser::Current() {
    TrashUser user;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && dataHome[0] == '/') // a relative one is not valid
        user.dataHome = AbsoluteFolder(dataHome);
    else if (home != nullptr && home[0] == '/')
        user.dataHome = Join(AbsoluteFolder(home), ".local/share");
    user.id = FileSystem().UserId();
    user.now = std::time(nullptr);
    return user;
}

std::vector<RemovedFile> MoveOutOfProject(const std::vector<FileToRemove>& files,
                                          const std::string& projectFolder, const TrashUser& user) {
    CProjectMover mover(projectFolder, user);
    std::vector<RemovedFile> results;
    results.reserve(files.size());
    for (const FileToRemove& file : files)
        results.push_back(mover.Move(file.path, file.original, file.trashOnly));
    mover.SyncFolders();
    return results;
}

std::vector<RemovedFile> MoveOutOfProject(const std::vector<std::string>& paths,
                                          const std::string& projectFolder, const TrashUser& user) {
    std::vector<FileToRemove> files;
    files.reserve(paths.size());
    for (const std::string& path : paths)
        files.push_back({path, {}});
    return MoveOutOfProject(files, projectFolder, user);
}

std::string RemovedFilesNotice(const std::vector<RemovedFile>& files) {
    std::size_t counts[4] = {}; // in the order of `RemovedTo`
    for (const RemovedFile& file : files)
        ++counts[static_cast<std::size_t>(file.to)];
    std::string text = Summary(counts[0], counts[1], counts[2]);
    if (text.empty())
        return text;
    text.reserve(text.size() + files.size() * 120);
    for (const RemovedFile& file : files)
        if (file.to != RemovedTo::Missing)
            text += "\n" + file.path + " -> " +
                    (file.to == RemovedTo::Stayed ? "not moved" : file.where);
    return text;
}

} // namespace Corv
