// A file moved out of a project ends up in exactly one place, whatever fails: where it was, in a
// trash folder next to its information file, or in the folder beside the project.
#include "model/file_system.h"
#include "storage/trash.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

using namespace Corv;
using namespace CorvTest;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kNow = 1700000000;              // 2023-11-14 22:13:20 UTC
const std::string kDate = "2023-11-15T00:13:20";      // the same in the zone the tests set
const std::string kOdd = "My Favourite\xC3\xA9%.d00"; // a blank, a non-ASCII letter, a "%"
const std::string kOddEncoded = "My%20Favourite%C3%A9%25.d00";

// Reports `mount` and below as another file system and the `foreign` path as another user's.
struct MountedFileSystem : FaultyFileSystem {
    std::string mount, foreign;

    FileStatus Status(const std::string& path) override {
        FileStatus status = FaultyFileSystem::Status(path);
        if (status.type != FileType::Missing && (path == mount || path.rfind(mount + "/", 0) == 0))
            status.device += 1000;
        if (path == foreign)
            status.owner += 1;
        return status;
    }
};

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
// The information file for a recorded path: only blanks and the odd name need escapes.
Bytes Info(std::string path) {
    if (const std::size_t at = path.find(kOdd); at != std::string::npos)
        path.replace(at, kOdd.size(), kOddEncoded);
    for (std::size_t at = path.find(' '); at != std::string::npos; at = path.find(' ', at))
        path.replace(at, 1, "%20");
    return Text("[Trash Info]\nPath=" + path + "\nDeletionDate=" + kDate + "\n");
}

// A folder tree with a user's data folder (home/data, not made yet) and one project, on the
// home file system (music/Song.prj) or on another one mounted at mnt (mnt/music/Song.prj).
struct Scene {
    Scene(const std::string& folder, bool onMount)
        : root(folder), mounted(onMount),
          project(root + (mounted ? "/mnt" : "") + "/music/Song.prj/") {
        seam.mount = root + "/mnt";
        for (const char* sub : {"Patch", "Tone", "Wave"})
            fs::create_directories(project + sub);
    }

    std::string operator/(const std::string& relative) const { return root + "/" + relative; }
    // The path recorded for a file of the project: relative to the mount point on its own.
    std::string Recorded(const std::string& relative) const {
        return mounted ? "music/Song.prj/" + relative : project + relative;
    }

    static Bytes Content(const std::string& file) { return Text("content of " + file); }

    // Makes these project files, each with content that names it, and moves them out.
    std::vector<RemovedFile> Move(const std::vector<std::string>& files) {
        std::vector<std::string> paths;
        for (const std::string& file : files) {
            paths.push_back(project + file);
            WriteBytes(paths.back(), Content(file));
        }
        ScopedFileSystem scope(seam);
        return MoveOutOfProject(paths, project,
                                {root + "/home/data", RealFileSystem().UserId(), kNow});
    }

    std::string root;
    bool mounted;
    std::string project;
    MountedFileSystem seam;
};

// Each moved file's bytes are in exactly one file, where its result says, a trashed one with its
// information file; with `tidy`, nothing made on the way is left behind either.
void ExpectNothingLost(Scene& scene, const std::vector<std::string>& files,
                       const std::vector<RemovedFile>& results, bool tidy) {
    ASSERT_EQ(results.size(), files.size());
    std::vector<std::string> all; // every regular file below the root
    for (const auto& entry : fs::recursive_directory_iterator(scene.root))
        if (entry.is_regular_file() && !entry.is_symlink())
            all.push_back(entry.path().string());
    std::size_t infoFiles = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const Bytes content = Scene::Content(files[i]);
        EXPECT_EQ(
            std::count_if(all.begin(), all.end(),
                          [&](const std::string& path) { return ReadBytes(path) == content; }),
            1);
        const RemovedFile& result = results[i];
        EXPECT_EQ(result.path, scene.project + files[i]);
        const bool moved = result.to == RemovedTo::Trash || result.to == RemovedTo::BesideProject;
        EXPECT_EQ(ReadBytes(moved ? result.where : result.path), content);
        if (result.to != RemovedTo::Trash)
            continue;
        ++infoFiles;
        const fs::path where(result.where); // TRASH/files/NAME, with TRASH/info/NAME.trashinfo
        const fs::path info = where.parent_path().parent_path() / "info" / where.filename();
        EXPECT_EQ(ReadBytes(info.string() + ".trashinfo"), Info(scene.Recorded(files[i])));
    }
    if (!tidy)
        return;
    std::size_t found = 0;
    for (const std::string& path : all) {
        found += path.ends_with(".trashinfo") && ReadBytes(path) != Text("earlier") ? 1 : 0;
        EXPECT_NE(fs::file_size(path), 0u) << path; // a name claimed on the way and left
    }
    EXPECT_EQ(found, infoFiles);
}

class TrashTest : public ::testing::Test {
protected:
    ScopedEnvironment m_zone{"TZ", "XST-2"}; // two hours east of UTC: the date must be local
    TempDir m_dir;
};

// Each file goes to the trash of its file system (never through a link or into another user's
// folder), else beside the project, under the first free name; trash folders made are private.
TEST_F(TrashTest, EachFileGoesToItsTrashOrBesideTheProjectUnderAFreeName) {
    const std::string uid = std::to_string(RealFileSystem().UserId());
    const std::string home = "home/data/Trash/", beside = "music/Song.prj removed files/";
    const std::string odd = "Patch/" + kOdd, own = "mnt/.Trash-" + uid;
    const std::string extra = "Patch/Extra.d00", notAFolder = "home/data/Trash";
    const struct {
        const char* what;
        bool mounted;
        std::vector<std::string> taken;        // files there before, below the root
        std::vector<std::string> files, where; // where: below the root, one per file
    } cases[] = {
        {"home trash, made with its data folder", false, {}, {odd}, {home + "files/" + kOdd}},
        {"other file system", true, {}, {odd}, {own + "/files/" + kOdd}},
        {"shared sticky trash", true, {}, {odd}, {"mnt/.Trash/" + uid + "/files/" + kOdd}},
        {"shared trash is a link", true, {}, {odd}, {own + "/files/" + kOdd}},
        {"user's trash is someone else's", true, {}, {odd}, {"mnt/" + beside + odd}},
        // A name is taken by an information file alone, too.
        {"one name in three folders",
         false,
         {home + "info/Extra.d00.trashinfo"},
         {extra, "Tone/Extra.d00", "Extra.d00"},
         {home + "files/Extra (2).d00", home + "files/Extra (3).d00",
          home + "files/Extra (4).d00"}},
        {"home trash unusable: beside the project",
         false,
         {notAFolder, beside + extra},
         {odd, extra, "Tone/Extra.d00"},
         {beside + odd, beside + "Patch/Extra (2).d00", beside + "Tone/Extra.d00"}},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(m_dir / std::to_string(++run), c.mounted);
        for (const std::string& file : c.taken) {
            fs::create_directories(fs::path(scene / file).parent_path());
            WriteBytes(scene / file, Text("earlier"));
        }
        const std::string what = c.what;
        if (what.starts_with("shared")) { // a sticky folder, or a link to one
            const std::string folder =
                scene / (what.ends_with("link") ? "mnt/shared" : "mnt/.Trash");
            fs::create_directories(folder);
            fs::permissions(folder, fs::perms::sticky_bit, fs::perm_options::add);
            if (what.ends_with("link"))
                fs::create_directory_symlink("shared", scene / "mnt/.Trash");
        }
        if (what.ends_with("someone else's")) {
            fs::create_directories(scene / own);
            scene.seam.foreign = scene / own;
        }
        const auto results = scene.Move(c.files);
        ExpectNothingLost(scene, c.files, results, true);
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i].where, scene / c.where[i]);
            const auto trash = fs::path(results[i].where).parent_path().parent_path();
            if (results[i].to == RemovedTo::Trash && c.taken.empty()) { // a trash folder it made
                EXPECT_EQ(fs::status(trash).permissions() & fs::perms::all, fs::perms::owner_all);
            }
        }
        for (const std::string& file : c.taken)
            EXPECT_EQ(ReadBytes(scene / file), Text("earlier")) << file;
    }
}

// A move that fails at any one file-system operation, or stops there as at a power loss,
// never loses a file nor leaves it in two places; a single failure leaves nothing behind.
TEST_F(TrashTest, NoFailureLosesOrDoublesAFile) {
    const std::vector<std::string> files = {"Patch/Extra.d00", "Tone/Extra.d00", "Notes.txt"};
    int run = 0;
    for (const bool mounted : {false, true}) {
        Scene clean(m_dir / std::to_string(++run), mounted);
        clean.Move(files);
        const int operations = clean.seam.Count();
        ASSERT_GT(operations, 20);
        for (const bool stop : {false, true})
            for (int k = 1; k <= operations; ++k) {
                SCOPED_TRACE((mounted ? "mounted, " : "home, ") +
                             std::string(stop ? "stop after " : "fail ") + std::to_string(k));
                Scene scene(m_dir / std::to_string(++run), mounted);
                if (stop)
                    scene.seam.StopAfter(k - 1);
                else
                    scene.seam.FailOperation(k);
                const auto results = scene.Move(files);
                ExpectNothingLost(scene, files, results, !stop);
                fs::remove_all(m_dir / std::to_string(run));
            }
    }
}

} // namespace
