#pragma once

#include "history/manifest.h"
#include "model/file_system.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace Corv::History {

// The history folder's default: CORVANE_HISTORY when set, else "History/" in the program's data
// folder (XDG_DATA_HOME or ~/.local/share, then "Brisko/Corvane Librarian/"); empty when
// neither can be found. Ends in "/".
std::string DefaultHistoryFolder();
// The key of a project in the history: its folder's real path (links resolved), ending in "/".
std::string CanonicalProjectFolder(const std::string& folder);

// One version as a list shows it.
struct VersionInfo {
    int id = 0;
    std::string time;
    std::string note;
    std::string summary;
    std::uint64_t storedBytes = 0;
    std::string problem; // why the version cannot be used; empty when it can
};

// How many versions a project keeps: the newest `keep`, and no more stored bytes than
// `maxBytes`; the oldest go first, never the newest one made before a restore.
struct Retention {
    std::size_t keep = 50;
    std::uint64_t maxBytes = 1ULL << 30;
};

// The folder of versions: content-addressed objects ("objects/ab/<32 hex>", each file's bytes
// once; the small ones a save keeps are first written together into one pack, "packs/", and
// taken apart after the save) and per project a head and its versions ("projects/<key>/"). Every
// file in it is written under a temporary name, synced and renamed, so that an interruption leaves
// a file complete or absent.
class CHistoryStore {
public:
    explicit CHistoryStore(std::string folder);
    ~CHistoryStore();
    CHistoryStore(const CHistoryStore&) = delete;
    CHistoryStore& operator=(const CHistoryStore&) = delete;

    const std::string& Folder() const { return m_folder; }

    // Holds the store for changes (another process records or prunes meanwhile: it waits up
    // to `waitMs`); null when it cannot be had.
    std::unique_ptr<IFolderLock> Lock(int waitMs = 10000) const;

    // --- Objects.
    std::string ObjectPath(const std::string& hash) const;
    bool HasObject(const std::string& hash) const;
    // Keeps bytes whose hash is `hash`; true when they are stored (now or before). Without
    // `syncFolder` the object's file is synced but not its folder: SyncObjectFolders then makes
    // a batch of objects durable at once.
    bool PutObject(const std::string& hash, const std::string& bytes, bool syncFolder = true);
    bool SyncObjectFolders(const std::set<std::string>& hashes);
    // A file of a project folder to keep as an object: `path` (absolute) and the hash its bytes
    // must have (empty: whatever they are); after PutFileObjects its `hash`, `size`, whether
    // this call `added` its object (the first of equal ones only) and `why` it could not.
    struct FileObject {
        std::string path;
        std::string hash;
        std::uint64_t size = 0;
        bool added = false;
        std::string why;
    };
    // Keeps the bytes of many files as objects, side by side: each is written under a
    // temporary name first, then all are synced together (syncs issued at once share the
    // disk's flushes) and renamed into place, and their folders synced last. Files whose
    // objects are there already are only hashed. False when any could not be kept.
    bool PutFileObjects(std::vector<FileObject>& files);
    // The bytes of an object, checked against its hash; false when missing or altered.
    bool FetchObject(const std::string& hash, std::string& bytes) const;

    // --- Projects (by their canonical folder).
    std::string ProjectPath(const std::string& project) const;
    // Every project folder with a history here.
    std::vector<std::string> Projects() const;
    // The version numbers of a project, oldest first.
    std::vector<int> VersionIds(const std::string& project) const;
    bool ReadVersion(const std::string& project, int id, Manifest& manifest,
                     std::string& why) const;
    // Makes ready for the next version of a project (an empty file in its versions folder,
    // which the version then takes instead of a new one: making a file is the dearest part of
    // writing a small one).
    void PrepareVersion(const std::string& project);
    // Writes a new version (its id is set to the next number). When it differs in few entries
    // from the newest version stored whole, only the difference is stored. `head`: the head
    // (as `Head` gave it) when the version is the folder it describes: the version passed has
    // only its header, its files and slots are the head's, and its difference is known already.
    bool WriteVersion(const std::string& project, const std::shared_ptr<Manifest>& manifest,
                      const Manifest* head = nullptr);
    bool ReadHead(const std::string& project, Manifest& head) const;
    // The head as last read or written (shared with the store's memory); null when none.
    std::shared_ptr<const Manifest> Head(const std::string& project) const;
    // Writes the head: as its difference to the newest whole version of the project this store
    // last wrote a version of, else whole.
    bool WriteHead(const std::string& project, const std::shared_ptr<Manifest>& head);
    // Takes the packs of objects (small objects a save kept in one file) apart into files of
    // their own, and drops each pack once its objects are durable; false when any is left.
    bool UnpackObjects();
    // Lets go of the head `head` of the project, as the store keeps it to hand it out again:
    // the caller is about to take it apart for the head after a save.
    void ReleaseHead(const std::string& project, const Manifest* head);

    // The versions of a project, newest first; a damaged one says why in `problem`.
    std::vector<VersionInfo> List(const std::string& project) const;
    // Drops versions past the retention, then objects no version refers to; the count dropped.
    int Prune(const std::string& project, const Retention& retention);
    // Removes the objects that no version of any project refers to; the count removed. Nothing
    // is removed when a manifest cannot be read (its objects would be lost).
    int CollectObjects();
    // The bytes the history takes on disk.
    std::uint64_t TotalBytes() const;
    // Removes every version and object.
    bool EmptyAll();

    // The project folder with a history here whose head shares the most files (by content)
    // with `files`, when they share at least `threshold` of them; empty when none does.
    std::string FindMovedProject(const std::string& project, const std::vector<FileEntry>& files,
                                 double threshold = 0.6) const;
    // Makes the history of `from` the history of `to` (a moved project); false when `to` has
    // one already or it cannot be moved.
    bool Attach(const std::string& from, const std::string& to);

private:
    // What the index of a project says of one version, and what its listing adds.
    struct IndexEntry {
        int base = 0;
        std::uint64_t bytes = 0; // the manifest's size
        VersionInfo info;
    };
    using Index = std::map<int, IndexEntry>;
    // The versions of a project from its index, checked against the versions folder: a
    // manifest the index does not know (or knows at another size) is read.
    Index ReadIndex(const std::string& project) const;
    void WriteIndex(const std::string& project, const Index& index) const;
    // Adds a version's entry to the index (`index`: the one read before, for an index that must
    // be written anew).
    void AddToIndex(const std::string& project, const Index& index, const IndexEntry& entry) const;
    static std::string IndexLine(const IndexEntry& entry);
    static bool ParseIndexLine(const std::string& line, IndexEntry& entry);
    // Makes the project's folder here and the file naming its folder; false when it cannot.
    bool KnowProject(const std::string& project) const;
    // A stored manifest with what it is stored against resolved; `depth` bounds the chain.
    std::shared_ptr<const Manifest> ReadResolved(const std::string& versions,
                                                 const std::string& path, std::string& why,
                                                 int depth) const;
    // Writes a pack ("packs/<hash of its text>.pack", made durable) and knows its objects.
    bool WritePack(const std::string& text);
    // An object written side by side with others in two steps: under a temporary name beside
    // its place, not synced (BeginLoose), then synced and renamed into place (PlaceLoose).
    // Each step removes the temporary file when it fails.
    struct LooseObject {
        std::unique_ptr<IFile> file;
        std::string temporary;
    };
    bool BeginLoose(const std::string& hash, const std::string& bytes, LooseObject& put) const;
    bool PlaceLoose(const std::string& hash, LooseObject& put) const;
    // Knows the objects of a pack's text, and those of every pack not read yet (the caller
    // holds the mutex).
    void IndexPack(const std::string& path, const std::string& text) const;
    void IndexPacks() const;
    bool InPack(const std::string& hash) const;
    // The bytes of an object from its pack, checked against its hash.
    bool FetchPacked(const std::string& hash, std::string& bytes) const;
    // Keeps a manifest just written or read as the one the file at `path` holds.
    void Remember(const std::string& path, std::shared_ptr<const Manifest> manifest) const;
    bool ReadStored(const std::string& path, Manifest& manifest, std::string& why) const;
    // The file of a version: its manifest, or what is kept of it for the versions stored
    // against it after it was dropped.
    std::string StoredVersionPath(const std::string& versions, int id) const;

    std::string m_folder;
    // Manifests read, by path, with the identity of the file they were read from: most saves
    // read the same head and whole version again.
    struct Cached {
        std::uint64_t size = 0, inode = 0;
        std::int64_t modified = 0;
        std::shared_ptr<const Manifest> manifest;
    };
    mutable std::map<std::string, Cached> m_cache;
    mutable std::pair<std::string, std::string> m_lastProjectPath;
    mutable std::size_t m_indexLines = 0; // the lines of the index last read
    // The newest whole version of the project last written to, and the last head written with
    // the difference it was stored as.
    struct LastWhole {
        std::string project;
        std::shared_ptr<const Manifest> manifest;
    } m_lastWhole;
    struct HeadDifference {
        std::shared_ptr<const Manifest> head;
        std::shared_ptr<const Manifest> stored;
    } m_headDifference;
    // The file PrepareVersion made, and the versions folder it is in.
    std::string m_spare, m_spareFolder;
    // Where the objects of the packs read or written so far lie (by hash), and which packs
    // those are; guarded by the mutex (objects are looked up from several threads).
    struct PackedObject {
        std::string pack;
        std::uint64_t offset = 0, size = 0;
    };
    mutable std::mutex m_packMutex;
    mutable std::map<std::string, PackedObject> m_packed;
    mutable std::set<std::string> m_packsRead;
};

} // namespace Corv::History
