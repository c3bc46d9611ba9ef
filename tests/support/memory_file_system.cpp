#include "memory_file_system.h"

#include "project_builder.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>

namespace CorvTest {

namespace fs = std::filesystem;

struct MemoryFileSystem::Node {
    bool folder = false;
    bool link = false;  // a symbolic link to `target`
    std::string target; // as the link holds it: absolute, or relative to the link's folder
    std::uint64_t inode = 0;
    Bytes data, durableData;                                              // files
    std::map<std::string, std::shared_ptr<Node>> entries, durableEntries; // folders
};

namespace {

using NodePtr = std::shared_ptr<MemoryFileSystem::Node>;

// The most links one path may pass through, as on Linux; more is taken for a loop.
constexpr int kMostLinks = 40;

// The parts of a path between its separators, empty ones and "." left out.
std::deque<std::string> RawParts(const std::string& path) {
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    return parts;
}

// The parts of a path with ".." taken lexically, for the real folders that `Mirror` copies.
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
        const std::size_t count =
            m_position >= data.size() ? 0 : std::min(n, data.size() - m_position);
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

MemoryFileSystem::MemoryFileSystem() : m_root(std::make_shared<Node>()) {
    m_root->folder = true;
}

MemoryFileSystem::~MemoryFileSystem() = default;

// Walks a path part by part as the kernel does: a link on the way is followed (from the root
// when it holds an absolute path, else from the folder that holds it), ".." goes to the parent
// of the folder reached that way, and a link that is the last part is followed only with
// `followLast` (or when a "/" ends the path).
bool MemoryFileSystem::Resolve(const std::string& path, bool followLast, Resolved& out) const {
    std::vector<NodePtr> chain = {m_root}; // the folders from the root to where the walk is
    std::deque<std::string> parts = RawParts(path);
    const bool trailingSlash = !path.empty() && path.back() == '/';
    int links = 0;
    while (!parts.empty()) {
        const std::string part = parts.front();
        parts.pop_front();
        const NodePtr here = chain.back();
        if (!here->folder)
            return false;
        if (part == "..") {
            if (chain.size() > 1)
                chain.pop_back();
            continue;
        }
        const bool last = parts.empty();
        const auto it = here->entries.find(part);
        if (it == here->entries.end()) {
            if (!last)
                return false;
            out = {chain, part, nullptr};
            return true;
        }
        const NodePtr node = it->second;
        if (node->link && (!last || followLast || trailingSlash)) {
            if (++links > kMostLinks)
                return false;
            std::deque<std::string> target = RawParts(node->target);
            parts.insert(parts.begin(), target.begin(), target.end());
            if (!node->target.empty() && node->target.front() == '/')
                chain.resize(1);
            continue;
        }
        if (last) {
            out = {chain, part, node};
            return true;
        }
        chain.push_back(node);
    }
    // The path ends in a folder reached by "..", or is the root: it has no name in a parent.
    out = {chain, {}, chain.back()};
    return true;
}

NodePtr MemoryFileSystem::Find(const std::string& path, bool followLast) const {
    Resolved resolved;
    return Resolve(path, followLast, resolved) ? resolved.node : nullptr;
}

NodePtr MemoryFileSystem::Parent(const std::string& path, std::string& name) const {
    Resolved resolved;
    if (!Resolve(path, false, resolved) || resolved.name.empty() || !resolved.chain.back()->folder)
        return nullptr;
    name = resolved.name;
    return resolved.chain.back();
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
        if (entry.is_symlink())
            SymbolicLink(fs::read_symlink(entry.path()).string(), entry.path().string());
        else if (entry.is_directory())
            add(entry.path().string(), true, {});
        else if (entry.is_regular_file())
            add(entry.path().string(), false, ReadBytes(entry.path().string()));
    }
}

std::vector<std::pair<std::string, Bytes>>
MemoryFileSystem::Snapshot(const std::string& folder) const {
    std::vector<std::pair<std::string, Bytes>> files;
    const std::function<void(const NodePtr&, const std::string&)> walk =
        [&](const NodePtr& node, const std::string& prefix) {
            for (const auto& [name, child] : node->entries) {
                if (child->folder)
                    walk(child, prefix + name + "/");
                else if (!child->link)
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
    if (mode == Corv::OpenMode::Write || mode == Corv::OpenMode::CreateNew) {
        Resolved at;
        if (!Resolve(path, false, at) || at.name.empty())
            return nullptr;
        NodePtr node = at.node;
        // A link is never written through, and a new file is refused when anything is there.
        if (node && (node->folder || node->link || mode == Corv::OpenMode::CreateNew))
            return nullptr;
        if (!node) {
            node = std::make_shared<Node>();
            node->inode = m_nextInode++;
            at.chain.back()->entries[at.name] = node;
        }
        node->data.clear();
        return std::make_unique<MemoryFile>(node, true);
    }
    const NodePtr node = Find(path);
    if (!node || node->folder)
        return nullptr;
    return std::make_unique<MemoryFile>(node, mode == Corv::OpenMode::Update);
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    Resolved source, target;
    if (!Resolve(from, false, source) || !source.node || source.name.empty() ||
        !Resolve(to, false, target) || target.name.empty())
        return false;
    const NodePtr node = source.node;
    // A folder never moves into itself or below itself.
    if (node->folder &&
        std::find(target.chain.begin(), target.chain.end(), node) != target.chain.end())
        return false;
    if (const NodePtr there = target.node) {
        if (there == node)
            return true;
        if (there->folder && (!node->folder || !there->entries.empty()))
            return false;
        if (!there->folder && node->folder)
            return false;
    }
    source.chain.back()->entries.erase(source.name);
    target.chain.back()->entries[target.name] = node;
    return true;
}

bool MemoryFileSystem::Remove(const std::string& path) {
    Resolved at;
    if (!Resolve(path, false, at) || !at.node || at.name.empty() || at.node->folder)
        return false;
    at.chain.back()->entries.erase(at.name); // a link goes, not what it leads to
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
    Resolved at;
    if (!Resolve(path, false, at) || !at.node || at.name.empty() || !at.node->folder ||
        !at.node->entries.empty())
        return false;
    at.chain.back()->entries.erase(at.name);
    return true;
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
    const NodePtr node = Find(path);
    return node && node->folder;
}

Corv::FileStatus MemoryFileSystem::Status(const std::string& path) {
    Corv::FileStatus status;
    const NodePtr itself = Find(path, false);
    status.isLink = itself && itself->link;
    if (const NodePtr node = status.isLink ? Find(path) : itself) {
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
    for (const auto& [name, child] : node->entries) {
        const NodePtr target = child->link ? Find(folder + "/" + name) : child;
        entries.push_back({name, !target          ? Corv::FileType::Missing
                                 : target->folder ? Corv::FileType::Directory
                                                  : Corv::FileType::Regular});
    }
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

std::string MemoryFileSystem::LinkTarget(const std::string& path) {
    const NodePtr node = Find(path, false);
    return node && node->link ? node->target : std::string();
}

bool MemoryFileSystem::SameDirectory(const std::string& a, const std::string& b) {
    const NodePtr first = Find(a);
    return first && first->folder && first == Find(b);
}

bool MemoryFileSystem::SymbolicLink(const std::string& target, const std::string& path) {
    std::string name;
    const NodePtr parent = Parent(path, name);
    if (!parent || parent->entries.count(name) != 0)
        return false;
    auto node = std::make_shared<Node>();
    node->link = true;
    node->target = target;
    node->inode = m_nextInode++;
    parent->entries[name] = node;
    parent->durableEntries[name] = node;
    return true;
}

std::vector<std::pair<std::string, std::string>>
MemoryFileSystem::Tree(const std::string& folder) const {
    std::vector<std::pair<std::string, std::string>> tree;
    const std::function<void(const NodePtr&, const std::string&)> walk =
        [&](const NodePtr& node, const std::string& prefix) {
            for (const auto& [name, child] : node->entries) {
                if (child->folder) {
                    tree.emplace_back(prefix + name + "/", "folder");
                    walk(child, prefix + name + "/");
                } else if (child->link) {
                    tree.emplace_back(prefix + name, "link to " + child->target);
                } else {
                    tree.emplace_back(prefix + name,
                                      std::string(child->data.begin(), child->data.end()));
                }
            }
        };
    if (const NodePtr node = Find(folder); node && node->folder)
        walk(node, "");
    return tree; // map order is sorted order
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
                files.emplace_back(relative + entry.name,
                                   ReadThroughSeam(base + relative + entry.name));
        }
    };
    walk("");
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace CorvTest
