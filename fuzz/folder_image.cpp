#include "folder_image.h"

#include "support/project_builder.h"

#include <algorithm>
#include <filesystem>

namespace CorvFuzz {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::size_t kMaxContent = 65535;

// The subfolder of a place ("" for the project folder itself).
std::string Subfolder(Place place) {
    switch (static_cast<int>(place) % 4) {
    case 0:
        return "Patch/";
    case 1:
        return "Tone/";
    case 2:
        return "Wave/";
    default:
        return "";
    }
}

bool IsFolder(Place place) {
    return static_cast<int>(place) >= 4;
}

std::string ValidName(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; }, '_');
    return name == "." || name == ".." ? std::string() : name;
}

void WriteFile(CorvTest::MemoryFileSystem& memory, const std::string& path, const Bytes& content) {
    if (auto file = memory.Open(path, Corv::OpenMode::Write))
        file->Write(content.data(), content.size());
}

} // namespace

FolderImage Decode(const std::uint8_t* data, std::size_t size) {
    FolderImage image;
    if (size == 0)
        return image;
    image.flags = data[0];
    std::size_t at = 1;
    const auto take = [&](std::size_t n) {
        const std::size_t count = std::min(n, size - at);
        const std::uint8_t* start = data + at;
        at += count;
        return Bytes(start, start + count);
    };
    while (at < size) {
        Entry entry;
        entry.place = static_cast<Place>(data[at++] % 8);
        const Bytes nameLength = take(1);
        const Bytes name = take(nameLength.empty() ? 0 : nameLength[0]);
        entry.name.assign(name.begin(), name.end());
        const Bytes length = take(2);
        entry.content = take(length.size() < 2 ? 0 : std::size_t{length[0]} << 8 | length[1]);
        image.entries.push_back(std::move(entry));
    }
    return image;
}

Bytes Encode(const FolderImage& image) {
    Bytes bytes{image.flags};
    for (const Entry& entry : image.entries) {
        const std::size_t name = std::min(entry.name.size(), kMaxName);
        const std::size_t content = std::min(entry.content.size(), kMaxContent);
        bytes.push_back(static_cast<std::uint8_t>(entry.place));
        bytes.push_back(static_cast<std::uint8_t>(name));
        bytes.insert(bytes.end(), entry.name.begin(), entry.name.begin() + static_cast<long>(name));
        bytes.push_back(static_cast<std::uint8_t>(content >> 8));
        bytes.push_back(static_cast<std::uint8_t>(content & 0xFF));
        bytes.insert(bytes.end(), entry.content.begin(),
                     entry.content.begin() + static_cast<long>(content));
    }
    return bytes;
}

FolderImage ReadFolder(const std::string& realFolder) {
    FolderImage image;
    const auto add = [&](const fs::path& folder, int placeBase) {
        std::vector<fs::directory_entry> found(fs::directory_iterator(folder), {});
        std::sort(found.begin(), found.end());
        for (const fs::directory_entry& item : found) {
            const std::string name = item.path().filename().string();
            if (placeBase == 3 && (name == "Patch" || name == "Tone" || name == "Wave"))
                continue;
            const bool folderEntry = item.is_directory();
            image.entries.push_back(
                {static_cast<Place>(placeBase + (folderEntry ? 4 : 0)), name,
                 folderEntry ? Bytes() : CorvTest::ReadBytes(item.path().string())});
        }
    };
    const char* subfolders[3] = {"Patch", "Tone", "Wave"};
    for (int n = 0; n < 3; ++n) {
        const fs::path folder = fs::path(realFolder) / subfolders[n];
        if (fs::is_directory(folder))
            add(folder, n);
        else
            image.flags |= static_cast<std::uint8_t>(1 << n);
    }
    add(realFolder, 3);
    return image;
}

std::string FolderOnDisk(const FolderImage& image) {
    return image.FolderSpelling() == Spelling::Backslashes   ? "/fuzz/Song.PRJ/"
           : image.FolderSpelling() == Spelling::NoExtension ? "/fuzz/Song/"
                                                             : "/fuzz/Song.prj/";
}

std::string Materialise(const FolderImage& image, CorvTest::MemoryFileSystem& memory) {
    const std::string folder = FolderOnDisk(image);
    memory.CreateDirectory("/fuzz");
    memory.CreateDirectory(folder);
    const std::uint8_t missing[3] = {kNoPatchFolder, kNoToneFolder, kNoWaveFolder};
    for (int n = 0; n < 3; ++n)
        if (image.Has(missing[n]))
            memory.CreateDirectory(folder + Subfolder(static_cast<Place>(n)));
    for (const Entry& entry : image.entries) {
        const std::string name = ValidName(entry.name);
        if (name.empty())
            continue;
        const std::string path = folder + Subfolder(entry.place) + name;
        if (IsFolder(entry.place))
            memory.CreateDirectory(path);
        else
            WriteFile(memory, path, entry.content);
    }
    switch (image.FolderSpelling()) {
    case Spelling::TrailingSlash:
        return folder;
    case Spelling::Backslashes:
        return "\\fuzz\\Song.PRJ";
    default:
        return folder.substr(0, folder.size() - 1);
    }
}

} // namespace CorvFuzz
