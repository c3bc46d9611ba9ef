#pragma once

#include "library/catalogue.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Corv::Library {

// One entry of a project as the catalogue stores it: the raw name and memos, their UTF-8 and
// search forms, its file and what it weighs, its fingerprint (empty: none) and whether
// something in its project uses it.
struct EntryRow {
    int kind = 0;
    int number = 0;
    std::string name;
    std::string memos;
    std::string nameText;
    std::string memosText;
    std::string searchName;
    std::string searchMemos;
    std::string file;
    std::int64_t size = 0;
    std::int64_t waveBytes = 0;
    std::string fingerprint;
    bool used = true;
};

// What looking at one project folder came to, made without the catalogue: offline (no folder),
// unchanged (its listing is the one the catalogue knows), failed (with why), or read (its
// listing's signature and every used entry).
struct LoadedProject {
    std::string folder;
    ScanOutcome outcome = ScanOutcome::Failed;
    std::string why;
    std::uint64_t signature = 0;
    std::vector<EntryRow> entries;
};

// The catalogue's signatures of projects last read whole, by folder: a project listed with the
// same signature is not read again.
using KnownSignatures = std::map<std::string, std::uint64_t>;

// Looks at a project folder (in the catalogue's form) and reads it unless `known` says it is
// unchanged. Touches no catalogue, so it runs on any thread.
LoadedProject LoadProject(const std::string& folder, const KnownSignatures& known);

// Loads projects in order on a thread of its own, at most `ahead` of them waiting to be taken,
// while the thread that owns the catalogue writes the ones taken. Ends its thread when
// destroyed, after the project it is loading then.
class CProjectLoader {
public:
    CProjectLoader(std::vector<std::string> folders, KnownSignatures known, std::size_t ahead);
    // Stops loading and waits for the thread.
    ~CProjectLoader();
    CProjectLoader(const CProjectLoader&) = delete;
    CProjectLoader& operator=(const CProjectLoader&) = delete;

    // The next project in order, waiting for it to be loaded; nothing once every one was given.
    std::optional<LoadedProject> Next();

private:
    void Run(const std::stop_token& stop);

    const std::vector<std::string> m_folders;
    const KnownSignatures m_known;
    const std::size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<LoadedProject> m_ready;
    std::size_t m_given = 0; // projects taken by Next
    std::jthread m_thread;   // last: started once everything above is made
};

} // namespace Corv::Library
