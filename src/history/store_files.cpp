#include "history/store_files.h"

#include "edit/fingerprint.h"
#include "model/file_system.h"

#include <atomic>
#include <memory>
#include <unistd.h>

namespace Corv::History {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    auto file = Fs().Open(path, OpenMode::Read);
    if (!file)
        return false;
    const std::int64_t size = file->Size();
    if (size < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t n = file->Read(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return file->Close();
}

std::string TemporaryBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

std::string MakeSpareFile(const std::string& path) {
    const std::string spare = TemporaryBeside(path);
    auto file = Fs().Open(spare, OpenMode::CreateNew);
    return file && file->Close() ? spare : std::string();
}

bool WriteDurablyInto(const std::string& spare, const std::string& path, const std::string& bytes) {
    std::unique_ptr<IFile> file = spare.empty() ? nullptr : Fs().Open(spare, OpenMode::Update);
    if (!file || file->Size() != 0) {
        file.reset();
        if (!spare.empty())
            Fs().Remove(spare);
        return WriteDurably(path, bytes);
    }
    const bool written = file->Write(bytes.data(), bytes.size()) && file->Sync() && file->Close();
    if (!written || !Fs().Rename(spare, path)) {
        file.reset();
        Fs().Remove(spare);
        return false;
    }
    return Fs().SyncDirectory(ParentOf(path));
}

bool WriteDurably(const std::string& path, const std::string& bytes, bool sync, bool syncFolder) {
    const std::string temporary = TemporaryBeside(path);
    auto file = Fs().Open(temporary, OpenMode::CreateNew);
    const bool written =
        file && file->Write(bytes.data(), bytes.size()) && (!sync || file->Sync()) && file->Close();
    if (!written || !Fs().Rename(temporary, path)) {
        file.reset();
        Fs().Remove(temporary);
        return false;
    }
    return !sync || !syncFolder || Fs().SyncDirectory(ParentOf(path));
}

bool WriteInPlace(const std::string& path, const std::string& bytes) {
    std::unique_ptr<IFile> file = Fs().Open(path, OpenMode::Update);
    const std::int64_t size = file ? file->Size() : -1;
    const auto wanted = static_cast<std::int64_t>(bytes.size());
    if (size < wanted || size > 2 * wanted + 4096) {
        file.reset();
        return WriteDurably(path, bytes, false);
    }
    const std::string padding(static_cast<std::size_t>(size - wanted), '\n');
    return file->Seek(0) && file->Write(bytes.data(), bytes.size()) &&
           file->Write(padding.data(), padding.size()) && file->Close();
}

bool ReadWrittenInPlace(const std::string& path, std::string& bytes) {
    if (!ReadWholeFile(path, bytes))
        return false;
    while (bytes.size() >= 2 && bytes.back() == '\n' && bytes[bytes.size() - 2] == '\n')
        bytes.pop_back();
    return true;
}

bool MakeFolders(const std::string& folder) {
    const std::string path =
        !folder.empty() && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    if (path.empty() || Fs().IsDirectory(path))
        return true;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    // A folder made now is an entry of its parent: synced, so that what is made durable in it
    // later is not lost with the folder itself.
    const CreateDirResult made = Fs().CreateDirectory(path);
    if (made == CreateDirResult::Created && !Fs().SyncDirectory(ParentOf(path)))
        return false;
    return made != CreateDirResult::Failed && Fs().IsDirectory(path);
}

std::vector<std::string> EntryNames(const std::string& folder, bool* ok) {
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    const bool listed = Fs().ListFolder(folder, entries);
    if (ok != nullptr)
        *ok = listed || Fs().Status(folder).type == FileType::Missing;
    for (const DirEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

void RemoveTree(const std::string& folder) {
    const std::string base = WithTrailingSlash(folder);
    std::vector<DirEntry> entries;
    if (Fs().ListFolder(base, entries))
        for (const DirEntry& entry : entries) {
            if (entry.type == FileType::Directory && !Fs().Status(base + entry.name).isLink)
                RemoveTree(base + entry.name);
            else
                Fs().Remove(base + entry.name);
        }
    Fs().RemoveDirectory(base.substr(0, base.size() - 1));
}

std::string HashHex(const std::string& bytes) {
    return HashBytes(bytes.data(), bytes.size()).Hex();
}

std::string WithTrailingSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

} // namespace Corv::History
