#include "memory_file_system.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "project_builder.h"

namespace CorvTest {

namespace fs = std::filesystem;

struct MemoryFileSystem::Node {
    bool folder = false;
    std::uint64_t inode = 0;
    Bytes data, durableData;                                      // files
    std::map<std::string, std::shared_ptr<Node>> entries, durableEntries; // folders
};

namespace {

using NodePtr = std::shared_ptr<MemoryFileSystem::Node>;

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

class MemoryFile final : public Corv::IFile {
public:
    MemoryFile(NodePtr node, bool writable) : m_node(std::move(node)), m_writable(writable) {}

    std::int64_t Read(void* buffer, std::size_t n) override {
        const Bytes& data = m_node->data;
        const std::size_t count = m_position >= data.size() ? 0 : std::min(n, data.size() - m_position);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(m_position), count,
                    static_cast<std::uint8_t*>(buffer));
        m_position += count;
        return static_cast<std::int64_t>(count);
    }
    bool Write(const void* buffer, std::size_t n) override {
        if (!m_writable)
            return false;
        Bytes& data = m_node->data;
        if (data.size() < m_position + n)
            data.resize(m_position + n);
        std::copy_n(static_cast<const std::uint8_t*>(buffer), n,
                    data.begin() + static_cast<std::ptrdiff_t>(m_position));
        m_position += n;
        return true;
    }
    bool Seek(std::uint64_t offset) override {
        m_position = static_cast<std::size_t>(offset);
        return true;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(m_node->data.size()); }
    bool Sync() override {
        m_node->durableData = m_node->data;
        return true;
    }
    bool Close() override { return true; }

private:
    NodePtr m_node;
    bool m_writable;
    std::size_t m_position = 0;
};

} // namespace

MemoryFileSystem::MemoryFileSystem() : m_root(std::make_shared<Node>()) { m_root->folder = true; }

MemoryFileSystem::~MemoryFileSystem() = default;

NodePtr MemoryFileSystem::Find(const std::string& path) const {
    NodePtr node = m_root;
    for (const std::string& part : Parts(path)) {
        if (!node->folder)
            return nullptr;
        const auto it = node->entries.find(part);
        if (it == node->entries.end())
            return nullptr;
        node = it->second;
    }
    return node;
}

NodePtr MemoryFileSystem::Parent(const std::string& path, std::string& name) const {
    std::vector<std::string> parts = Parts(path);
    if (parts.empty())
        return nullptr;
    name = parts.back();
    parts.pop_back();
    std::string parent;
    for (const std::string& part : parts)
        parent += "/" + part;
    NodePtr node = Find(parent.empty() ? "/" : parent);
    return node && node->folder ? node : nullptr;
}

void MemoryFileSystem::Mirror(const std::string& realFolder) {
    const auto add = [this](const std::string& path, bool folder, const Bytes& data) {
        NodePtr node = m_root;
        const std::vector<std::string> parts = Parts(path);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            NodePtr& child = node->entries[parts[i]];
            if (!child) {
                child = std::make_shared<Node>();
                child->inode = m_nextInode++;
                child->folder = folder || i + 1 < parts.size();
            }
            node->durableEntries[parts[i]] = child;
            node = child;
        }
        node->data = node->durableData = data;
    };
    add(realFolder, true, {});
    for (const auto& entry : fs::recursive_directory_iterator(realFolder)) {
        if (entry.is_directory())
            add(entry.path().string(), true, {});
        else if (entry.is_regular_file())
            add(entry.path().string(), false, ReadBytes(entry.path().string()));
    }
}

std::vector<std::pair<std::string, Bytes>> MemoryFileSystem::Snapshot(const std::string& folder) const {
    std::vector<std::pair<std::string, Bytes>> files;
    const std::function<void(const NodePtr&, const std::string&)> walk = [&](const NodePtr& node,
                                                                             const std::string& prefix) {
        for (const auto& [name, child] : node->entries) {
            if (child->folder)
                walk(child, prefix + name + "/");
            else
                files.emplace_back(prefix + name, child->data);
        }
    };
    if (const NodePtr node = Find(folder); node && node->folder)
        walk(node, "");
    return files; // map order is sorted order
}

void MemoryFileSystem::PowerLoss() {
    const std::function<void(const NodePtr&)> revert = [&](const NodePtr& node) {
        if (!node->folder) {
            node->data = node->durableData;
            return;
        }
        node->entries = node->durableEntries;
        for (const auto& [name, child] : node->entries)
            revert(child);
    };
    revert(m_root);
}

std::unique_ptr<Corv::IFile> MemoryFileSystem::Open(const std::string& path, Corv::OpenMode mode) {
    NodePtr node = Find(path);
    if (mode == Corv::OpenMode::Write || mode == Corv::OpenMode::CreateNew) {
        std::string name;
        const NodePtr parent = Parent(path, name);
        if (!parent || (node && (node->folder || mode == Corv::OpenMode::CreateNew)))
            return nullptr;
        if (!node) {
            node = std::make_shared<Node>();
            node->inode = m_nextInode++;
            parent->entries[name] = node;
        }
        node->data.clear();
        return std::make_unique<MemoryFile>(node, true);
    }
    if (!node || node->folder)
        return nullptr;
    return std::make_unique<MemoryFile>(node, mode == Corv::OpenMode::Update);
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    std::string fromName, toName;
    const NodePtr fromParent = Parent(from, fromName);
    const NodePtr toParent = Parent(to, toName);
    if (!fromParent || !toParent || fromParent->entries.count(fromName) == 0)
        return false;
    const NodePtr node = fromParent->entries[fromName];
    if (const auto it = toParent->entries.find(toName); it != toParent->entries.end()) {
        if (it->second == node)
            return true;
        if (it->second->folder && (!node->folder || !it->second->entries.empty()))
            return false;
        if (!it->second->folder && node->folder)
            return false;
    }
    fromParent->entries.erase(fromName);
    toParent->entries[toName] = node;
    return true;
}

bool MemoryFileSystem::Remove(const std::string& path) {
    std::string name;
    const NodePtr parent = Parent(path, name);
    const auto it = parent ? parent->entries.find(name) : decltype(parent->entries.end()){};
    if (!parent || it == parent->entries.end() || it->second->folder)
        return false;
    parent->entries.erase(it);
    return true;
}

Corv::CreateDirResult MemoryFileSystem::CreateDirectory(const std::string& path) {
    std::string name;
    const NodePtr parent = Parent(path, name);
    if (!parent)
        return Corv::CreateDirResult::Failed;
    if (parent->entries.count(name) != 0)
        return Corv::CreateDirResult::AlreadyExists;
    auto node = std::make_shared<Node>();
    node->folder = true;
    node->inode = m_nextInode++;
    parent->entries[name] = node;
    return Corv::CreateDirResult::Created;
}

bool MemoryFileSystem::RemoveDirectory(const std::string& path) {
    std::string name;
    const NodePtr parent = Parent(path, name);
    const NodePtr node = Find(path);
    if (!parent || !node || !node->folder || !node->entries.empty())
        return false;
    parent->entries.erase(name);
    return true;
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
    const NodePtr node = Find(path);
    return node && node->folder;
}

Corv::FileStatus MemoryFileSystem::Status(const std::string& path) {
    Corv::FileStatus status;
    if (const NodePtr node = Find(path)) {
        status.type = node->folder ? Corv::FileType::Directory : Corv::FileType::Regular;
        status.size = node->data.size();
        status.device = 1;
        status.inode = node->inode;
    }
    return status;
}

bool MemoryFileSystem::ListFolder(const std::string& folder, std::vector<Corv::DirEntry>& entries) {
    const NodePtr node = Find(folder);
    if (!node || !node->folder)
        return false;
    for (const auto& [name, child] : node->entries)
        entries.push_back({name, child->folder ? Corv::FileType::Directory : Corv::FileType::Regular});
    return true;
}

bool MemoryFileSystem::CopyFile(const std::string& from, const std::string& to, bool sync) {
    const NodePtr source = Find(from);
    if (!source || source->folder)
        return false;
    const Bytes data = source->data;
    auto out = Open(to, Corv::OpenMode::Write);
    if (!out || !out->Write(data.data(), data.size()))
        return false;
    return !sync || out->Sync();
}

bool MemoryFileSystem::SyncDirectory(const std::string& path) {
    const NodePtr node = Find(path);
    if (!node || !node->folder)
        return false;
    node->durableEntries = node->entries;
    return true;
}

bool MemoryFileSystem::SameDirectory(const std::string& a, const std::string& b) {
    const NodePtr first = Find(a);
    return first && first->folder && first == Find(b);
}

} // namespace CorvTest

namespace CorvTest {

Bytes ReadThroughSeam(const std::string& path) {
    auto file = Corv::FileSystem().Open(path, Corv::OpenMode::Read);
    if (!file)
        return {};
    Bytes bytes(static_cast<std::size_t>(std::max<std::int64_t>(file->Size(), 0)));
    if (file->Read(bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size()))
        return {};
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> SnapshotThroughSeam(const std::string& folder) {
    std::vector<std::pair<std::string, Bytes>> files;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const std::function<void(const std::string&)> walk = [&](const std::string& relative) {
        std::vector<Corv::DirEntry> entries;
        Corv::FileSystem().ListFolder(base + relative, entries);
        for (const Corv::DirEntry& entry : entries) {
            if (entry.type == Corv::FileType::Directory)
                walk(relative + entry.name + "/");
            else if (entry.type == Corv::FileType::Regular)
                files.emplace_back(relative + entry.name, ReadThroughSeam(base + relative + entry.name));
        }
    };
    walk("");
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace CorvTest
