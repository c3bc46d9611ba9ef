// The library's catalogue over 50 full projects (hard-linked copies of the benchmark's full
// project, so that they take no disk space of their own): a rescan that finds nothing changed
// against listing the project folders with each file's status, the first scan against reading
// every file once, and a three-letter prefix search: limited to the 500 rows the desktop
// window asks for (with the total), and unlimited, as the command-line tool asks.

#include "bench_support.h"
#include "library/catalogue.h"
#include "storage/progress_bar.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace CorvBench {

namespace {

namespace fs = std::filesystem;

constexpr int kProjects = 50;

// The folder holding the 50 projects, made on first use.
const std::string& LibraryRoot() {
    static const std::string root = [] {
        const std::string folder = TheWorld().Scratch("library");
        RemoveTree(folder);
        fs::create_directories(folder);
        for (int i = 0; i < kProjects; ++i)
            fs::copy(TheWorld().Source(), folder + "/Set" + std::to_string(i) + ".prj",
                     fs::copy_options::recursive | fs::copy_options::create_hard_links);
        return folder;
    }();
    return root;
}

// Whether the catalogue has read every project already (the first scan's run reads them too).
bool g_scanned = false;

// A catalogue file of its own, with the root added; `scanned`: read once already.
Corv::Library::CCatalogue& Catalogue(bool scanned) {
    static Corv::Library::CCatalogue catalogue;
    static bool made = false;
    if (!made) {
        const std::string file = TheWorld().Scratch("library.sqlite3");
        fs::remove(file);
        std::string error;
        made = catalogue.Open(file, error) && catalogue.AddRoot(LibraryRoot());
    }
    if (scanned && !g_scanned) {
        Corv::CLumProgressBar quiet;
        g_scanned = catalogue.Scan(true, quiet).read == kProjects;
    }
    return catalogue;
}

// Every file of a folder tree with its status, by plain POSIX calls; the count of entries.
std::size_t ListWithStatus(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::size_t count = 0;
    std::vector<std::string> below;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            ++count;
            if (S_ISDIR(status.st_mode))
                below.push_back(folder + "/" + name);
        }
    }
    ::closedir(dir);
    for (const std::string& sub : below)
        count += ListWithStatus(sub);
    return count;
}

// Reads every file of a folder tree once, whole; the bytes read.
std::size_t ReadEverything(const std::string& folder) {
    std::size_t bytes = 0;
    std::vector<char> buffer(1 << 20);
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        for (ssize_t n = 0; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            bytes += static_cast<std::size_t>(n);
        ::close(fd);
    }
    return bytes;
}

void Rescan(benchmark::State& state) {
    Corv::Library::CCatalogue& catalogue = Catalogue(true);
    Corv::CLumProgressBar quiet;
    bool ok = true;
    for (auto _ : state)
        ok = ok && catalogue.Scan(false, quiet).unchanged == kProjects;
    if (!ok)
        state.SkipWithError("a project was read again");
}

void RescanBaseline(benchmark::State& state) {
    static_cast<void>(LibraryRoot());
    std::size_t entries = 0;
    for (auto _ : state)
        entries = ListWithStatus(LibraryRoot());
    benchmark::DoNotOptimize(entries);
}

void FirstScan(benchmark::State& state) {
    Corv::Library::CCatalogue& catalogue = Catalogue(false);
    Corv::CLumProgressBar quiet;
    bool ok = true;
    for (auto _ : state)
        ok = ok && catalogue.Scan(true, quiet).read == kProjects;
    g_scanned = ok;
    if (!ok)
        state.SkipWithError("not every project was read");
}

void FirstScanBaseline(benchmark::State& state) {
    static_cast<void>(LibraryRoot());
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = ReadEverything(LibraryRoot());
    benchmark::DoNotOptimize(bytes);
}

// A three-letter prefix that every patch name holds ("Patch 1" ...): 25,600 hits. `limit` 0
// asks for every hit, as `corvane library search` without --limit does.
void Search(benchmark::State& state, int limit) {
    Corv::Library::CCatalogue& catalogue = Catalogue(true);
    Corv::Library::SearchQuery query;
    query.text = "pat";
    query.limit = limit;
    Corv::Library::SearchResult result;
    for (auto _ : state)
        result = catalogue.Search(query);
    if (result.total != 25600 ||
        result.entries.size() != static_cast<std::size_t>(limit > 0 ? limit : result.total))
        state.SkipWithError("the search did not find every patch");
}

// The desktop window's search: it shows the first 500 rows and the total.
void PrefixSearch(benchmark::State& state) {
    Search(state, 500);
}

void PrefixSearchUnlimited(benchmark::State& state) {
    Search(state, 0);
}

const bool g_registered = [] {
    Measure("library first scan", FirstScan)->Iterations(1);
    Measure("library first scan baseline", FirstScanBaseline)->Iterations(1);
    PairWithBaseline("library first scan", "library first scan baseline",
                     "read 50 full projects into a new catalogue (fingerprints, search index); "
                     "baseline reads every file of their folders once");
    Measure("library rescan", Rescan);
    Measure("library rescan baseline", RescanBaseline);
    PairWithBaseline("library rescan", "library rescan baseline",
                     "scan a catalogue of 50 full projects of which none changed; baseline lists "
                     "their folders with every file's status");
    Measure("library prefix search", PrefixSearch);
    Measure("library prefix search unlimited", PrefixSearchUnlimited);
    return true;
}();

} // namespace

} // namespace CorvBench
