// Moving tens of thousands of files out of a project into the trash (one save met 48,979 files
// that broke the naming rule), against renaming the same files into one folder.

#include "bench_support.h"
#include "storage/trash.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace CorvBench {

namespace {

constexpr int kFiles = 48979;

// A project folder whose Patch/ holds `kFiles` small files that break the naming rule, and the
// paths of those files (set-up, not measured).
std::vector<std::string> MakeRejectedFiles(const std::string& project) {
    RemoveTree(project);
    CorvTest::ProjectBuilder builder(project);
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "Patch/Backup " + std::to_string(i) + ".d00";
        builder.File(name, CorvTest::Bytes(64, static_cast<std::uint8_t>(i)));
        paths.push_back(builder.Folder() + name);
    }
    return paths;
}

void MoveOut(benchmark::State& state) {
    const std::string root = TheWorld().Scratch("trash");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(root);
        const std::vector<std::string> paths = MakeRejectedFiles(root + "/Many.prj/");
        const Corv::TrashUser user{root + "/data", static_cast<std::uint32_t>(::getuid()), 0};
        state.ResumeTiming();
        const auto results = Corv::MoveOutOfProject(paths, root + "/Many.prj/", user);
        const std::string notice = Corv::RemovedFilesNotice(results);
        benchmark::DoNotOptimize(notice.data());
        state.PauseTiming();
        for (const Corv::RemovedFile& result : results)
            ok = ok && result.to == Corv::RemovedTo::Trash;
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("a file did not reach the trash");
    RemoveTree(root);
}

// What the trash layout asks at the least: per file one small information file written and
// one rename.
bool RenameWithInfo(const std::string& path, const std::string& trash) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::string info = "[Trash Info]\nPath=" + path + "\nDeletionDate=1970-01-01T00:00:00\n";
    const int fd = ::open((trash + "info/" + name + ".trashinfo").c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
    return ::close(fd) == 0 && written &&
           std::rename(path.c_str(), (trash + "files/" + name).c_str()) == 0;
}

void MoveOutBaseline(benchmark::State& state) {
    const std::string root = TheWorld().Scratch("renamed");
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveTree(root);
        const std::vector<std::string> paths = MakeRejectedFiles(root + "/Many.prj/");
        const std::string trash = root + "/Trash/";
        for (const std::string& folder : {trash, trash + "files", trash + "info"})
            ok = ok && ::mkdir(folder.c_str(), 0700) == 0;
        state.ResumeTiming();
        for (const std::string& path : paths)
            ok = ok && RenameWithInfo(path, trash);
    }
    if (!ok)
        state.SkipWithError("a file could not be moved");
    RemoveTree(root);
}

const bool g_registered = [] {
    Measure("move out of project", MoveOut)->Iterations(2);
    Measure("move out of project baseline", MoveOutBaseline)->Iterations(2);
    PairWithBaseline(
        "move out of project", "move out of project baseline",
        "move 48,979 files out of a project into the home trash and write the "
        "notice; baseline writes an information file for each and renames it into one folder");
    return true;
}();

} // namespace

} // namespace CorvBench
