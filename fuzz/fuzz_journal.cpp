// Replaying a save journal found in a project folder: the input is a packed project folder with
// links planted in it (journal_input.h), opened as `corvane check` opens it and, when the input
// says so, saved in place.
//
// Properties: nothing outside the project folder changes (but the user's trash and the folder
// of removed files beside the project, where files leave the project to): no journal deletes,
// overwrites or pulls in a file outside, whatever its steps and links; and a project whose
// Patch/, Tone/ or Wave/ is a link is never saved in place.
#include "folder_image.h"
#include "fuzz_check.h"
#include "journal_input.h"
#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "support/project_builder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using CorvTest::MemoryFileSystem;
using Tree = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kOutside = "/fuzz/outside/";
constexpr const char* kDataHome = "/fuzz/data-home";
constexpr const char* kWork = "/fuzz/work/";

void Write(MemoryFileSystem& memory, const std::string& path, const std::string& text) {
    if (auto file = memory.Open(path, Corv::OpenMode::Write))
        file->Write(text.data(), text.size());
}

std::string Read(MemoryFileSystem& memory, const std::string& path) {
    auto file = memory.Open(path, Corv::OpenMode::Read);
    if (!file)
        return {};
    std::string text(static_cast<std::size_t>(file->Size()), '\0');
    file->Read(text.data(), text.size());
    return text;
}

void LayOutOutside(MemoryFileSystem& memory) {
    memory.CreateDirectory("/fuzz/outside");
    memory.CreateDirectory("/fuzz/outside/deep");
    memory.CreateDirectory("/fuzz/work");
    const CorvTest::Bytes patch = CorvTest::PatchFileBytes(CorvTest::MakePatch("V", 1));
    Write(memory, std::string(kOutside) + "001 V.d00", std::string(patch.begin(), patch.end()));
    const CorvTest::Bytes wave = CorvTest::AudioFileBytes(".wav", 24);
    Write(memory, std::string(kOutside) + "002 V.wav", std::string(wave.begin(), wave.end()));
    for (const char* name : {"x", ".corvane-new-1", "deep/y"})
        Write(memory, kOutside + std::string(name), std::string("outside ") + name);
}

// A journal's text with the header it needs and its last line made right for its steps.
std::string Sealed(const std::string& text) {
    const std::string empty = Corv::JournalText({});
    const std::string header = empty.substr(0, empty.find('\n') + 1);
    const auto end = text.rfind("\nend\t");
    std::string body = end == std::string::npos ? text : text.substr(0, end + 1);
    if (body.rfind(header, 0) != 0)
        body.insert(0, header);
    if (body.back() != '\n')
        body += '\n';
    std::size_t lines = 0;
    for (const char c : body)
        lines += c == '\n';
    return body + "end\t" + std::to_string(lines - 1) + "\t" + Corv::JournalChecksum(body) + "\n";
}

void SealJournals(MemoryFileSystem& memory, const std::string& folder) {
    for (const char* name : {Corv::kJournalName, Corv::kPlacingJournalName})
        if (memory.Status(folder + name).type == Corv::FileType::Regular)
            Write(memory, folder + name, Sealed(Read(memory, folder + name)));
}

// A subfolder moves outside (when it is there) and a link to `target` takes its place.
void LinkSubfolder(MemoryFileSystem& memory, const std::string& folder, const char* name,
                   const std::string& movedTo, const std::string& target) {
    memory.Rename(folder + name, movedTo);
    memory.SymbolicLink(target, folder + name);
}

void PlantLinks(MemoryFileSystem& memory, const std::string& folder, std::uint8_t links) {
    if (links & CorvFuzz::kLinkFiles) { // before the subfolders may become links
        memory.SymbolicLink("/fuzz/outside/x", folder + ".corvane-new-7");
        memory.SymbolicLink("../outside/x", folder + "PatchMemo.txt");
        memory.SymbolicLink("../../outside/001 V.d00", folder + "Patch/009 L.d00");
        memory.SymbolicLink("/fuzz/outside/002 V.wav", folder + "Wave/.corvane-old-7");
    }
    if (links & CorvFuzz::kLinkPatch)
        LinkSubfolder(memory, folder, "Patch", "/fuzz/outside/Patch", "/fuzz/outside/Patch");
    if (links & CorvFuzz::kLinkTone)
        LinkSubfolder(memory, folder, "Tone", "/fuzz/outside/Tone", "../outside/Tone");
    if (links & CorvFuzz::kLinkWave)
        LinkSubfolder(memory, folder, "Wave", "/fuzz/outside/Wave", "../outside");
    if (links & CorvFuzz::kLinkUp)
        memory.SymbolicLink("..", folder + "up");
}

// Everything in memory but the project folder and the places files leave the project to.
Tree Outside(const MemoryFileSystem& memory, const std::string& folder) {
    const std::string removed = folder.substr(0, folder.size() - 1) + " removed files/";
    Tree tree = memory.Tree("/");
    std::erase_if(tree, [&](const auto& entry) {
        const std::string path = "/" + entry.first;
        for (const std::string& excluded :
             {folder, removed, std::string(kDataHome) + "/", std::string(kWork)})
            if (path.rfind(excluded, 0) == 0)
                return true;
        return false;
    });
    return tree;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t links = data[0];
    const CorvFuzz::FolderImage image = CorvFuzz::Decode(data + 1, size - 1);
    MemoryFileSystem memory;
    Corv::SetFileSystem(&memory);
    ::setenv("XDG_DATA_HOME", kDataHome, 1); // the trash, in memory
    Corv::CDomain::Reset();
    Corv::CDomain::Get().m_workFolder = kWork;
    const std::string openPath = CorvFuzz::Materialise(image, memory);
    const std::string folder = CorvFuzz::FolderOnDisk(image);
    LayOutOutside(memory);
    SealJournals(memory, folder);
    PlantLinks(memory, folder, links);
    const Tree before = Outside(memory, folder);

    Corv::CProjectDocuments& documents = Corv::CProjectDocuments::Get();
    Corv::CProjectDocument* document = documents.OpenProject(openPath);
    if (document != nullptr && (links & CorvFuzz::kSaveAfter)) {
        document->SetModifiedFlag(true);
        const bool saved = document->SaveProject(document->PathName());
        const std::uint8_t linkedSubfolder =
            CorvFuzz::kLinkPatch | CorvFuzz::kLinkTone | CorvFuzz::kLinkWave;
        FUZZ_CHECK(!saved || (links & linkedSubfolder) == 0);
    }
    documents.CloseAll();
    FUZZ_CHECK(Outside(memory, folder) == before);
    Corv::SetFileSystem(nullptr);
    return 0;
}
