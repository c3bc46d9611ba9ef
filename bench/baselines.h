#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace CorvTest {
class SlowFileSystem;
}

// Physical baselines: the least file work an operation on a project folder must do, written
// with plain POSIX calls so that the librarian's own cost shows as a ratio. Given a slow medium,
// a baseline also waits its latency for every operation the medium makes wait, as the same
// work on such a medium would.
namespace CorvBench {

// Lists "Patch/", "Tone/" and "Wave/" of a project folder and reads the first 170 bytes of
// every patch file and 1,510 of every tone file; a wave file is only opened and closed.
// Returns the number of bytes read (0 when a folder cannot be listed).
std::size_t ReadPrefixes(const std::string& projectFolder,
                         CorvTest::SlowFileSystem* medium = nullptr);

// The record area of one patch or tone file as it is on disk.
struct RecordArea {
    std::string path;
    std::int64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

// The record areas of every patch and tone file of a project folder (set-up, not measured).
std::vector<RecordArea> CollectRecordAreas(const std::string& projectFolder);

// Writes every record area back into its file with one pwrite each; false when one fails.
bool WriteRecordAreas(const std::vector<RecordArea>& areas);

// Renames a file (all that saving a renamed record changes on disk: its name lives in the file
// name); false when it fails.
bool RenameFile(const std::string& from, const std::string& to,
                CorvTest::SlowFileSystem* medium = nullptr);

// How CopyFolder copies each file: read and write, or the kernel's copy_file_range.
enum class FileCopy { ReadWrite, Kernel };

// Copies a folder with everything below it, file by file; the target must not exist yet.
// False when any step fails.
bool CopyFolder(const std::string& from, const std::string& to, FileCopy how = FileCopy::ReadWrite,
                CorvTest::SlowFileSystem* medium = nullptr);

} // namespace CorvBench
