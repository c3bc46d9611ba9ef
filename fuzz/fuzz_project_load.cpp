// The project loader: the input is a packed project folder (folder_image.h) that is laid out
// in memory and opened.
//
// Properties: a folder without the .prj extension or without Patch/ or Tone/ never loads; a
// failed load shows "This project could not be loaded." once and leaves no document. A loaded
// project has every array at its slot count, every used slot's file named with its number and
// of a readable kind, every other file of a kind rejected or numbered past the slots, names and
// memos within their limits, back references that agree with the references, and opening it
// again finds the same document. Neither loading nor closing changes the folder.
#include "folder_image.h"
#include "fuzz_check.h"
#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

using Corv::CLumData;

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// The slot files of a loaded project: each used slot holds a file of its own folder named with
// the slot's number.
void CheckSlots(const CLumData& data) {
    for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind) {
        const Corv::CParameterArray& records = data.Records(kind);
        const std::size_t slots = static_cast<std::size_t>(Corv::SlotCount(kind));
        FUZZ_CHECK(records.Size() == slots && data.SlotPaths(kind).size() == slots);
        for (std::size_t i = 0; i < slots; ++i) {
            const Corv::CParameter& record = records.Item(i);
            FUZZ_CHECK(record.FilePath() == data.SlotPaths(kind)[i]);
            FUZZ_CHECK(record.Name().size() <= Corv::kNameLength);
            for (int n = 1; n <= 4; ++n)
                FUZZ_CHECK(record.Memo(n).size() <= 1023 &&
                           record.Memo(n).find('\n') == std::string::npos);
            if (record.IsEmpty())
                continue;
            FUZZ_CHECK(
                StartsWith(record.FilePath(), data.ProjectFolder() + Corv::SubfolderName(kind)));
            FUZZ_CHECK(Corv::ParseSlotNumber(record.FilePath()) == static_cast<int>(i) + 1);
        }
    }
}

// Every file of a subfolder that the kind's patterns match is in a slot, in the rejected list
// (once), or numbered above the slot count: loading loses no file without a trace.
void CheckFilesAccounted(const Corv::CProjectDocument& document) {
    const CLumData& data = document.Data();
    std::map<std::string, int> rejected;
    for (const std::string& path : document.RejectedFiles())
        ++rejected[path];
    for (const auto& [path, count] : rejected)
        FUZZ_CHECK(count == 1);
    const std::vector<std::vector<const char*>> patterns = {
        {"*.d00"}, {"*.p00"}, {"*.w*", "*.aif*", "*.vpw"}};
    for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind) {
        const std::string folder = data.ProjectFolder() + Corv::SubfolderName(kind);
        std::vector<std::string> names;
        Corv::FileSystem().ListFiles(folder, names);
        const std::vector<std::string>& slots = data.SlotPaths(kind);
        for (const std::string& name : names) {
            const auto& kindPatterns = patterns[static_cast<std::size_t>(kind)];
            if (std::none_of(kindPatterns.begin(), kindPatterns.end(),
                             [&](const char* p) { return Corv::MatchesPattern(name, p); }))
                continue;
            const std::string path = folder + name;
            const int number = Corv::ParseSlotNumber(path);
            const bool placed = number >= 1 && number <= Corv::SlotCount(kind) &&
                                slots[static_cast<std::size_t>(number - 1)] == path;
            const bool beyond = number > Corv::SlotCount(kind);
            FUZZ_CHECK(placed + rejected.count(path) + beyond == 1);
        }
    }
}

// A used patch or tone slot's file is at least as long as its prefix and starts with its
// header.
void CheckFilesReadable(const CLumData& data) {
    for (int kind = Corv::kPatchKind; kind <= Corv::kToneKind; ++kind) {
        const bool tone = kind == Corv::kToneKind;
        const std::size_t prefix = tone ? Corv::kTonePrefixBytes : Corv::kPatchPrefixBytes;
        const auto& header = tone ? Corv::ToneHeaderTemplate() : Corv::PatchHeaderTemplate();
        for (const std::string& path : data.SlotPaths(kind)) {
            if (path.empty())
                continue;
            auto file = Corv::FileSystem().Open(path, Corv::OpenMode::Read);
            FUZZ_CHECK(file);
            std::vector<std::uint8_t> start(Corv::kSvdComparedHeaderBytes);
            FUZZ_CHECK(file->Size() >= static_cast<std::int64_t>(prefix));
            FUZZ_CHECK(file->Read(start.data(), start.size()) ==
                       static_cast<std::int64_t>(start.size()));
            FUZZ_CHECK(std::equal(start.begin(), start.end(), header.begin()));
        }
    }
}

// Every user of a referenced record refers to it, once; and the user lists together hold as
// many entries as there are references into the array.
template <class Referrers, class Referenced, class References>
void CheckUsers(const Referrers& referrers, const Referenced& referenced, References references) {
    std::size_t expected = 0;
    for (std::size_t r = 0; r < referrers.Size(); ++r)
        for (const int number : references(referrers[r]))
            expected += number >= 1 && static_cast<std::size_t>(number) <= referenced.Size();
    std::size_t found = 0;
    for (std::size_t i = 0; i < referenced.Size(); ++i) {
        const std::vector<std::int32_t>& users = referenced[i].Users();
        FUZZ_CHECK(std::set<std::int32_t>(users.begin(), users.end()).size() == users.size());
        for (const std::int32_t user : users) {
            FUZZ_CHECK(user >= 0 && static_cast<std::size_t>(user) < referrers.Size());
            const std::vector<int> numbers = references(referrers[static_cast<std::size_t>(user)]);
            FUZZ_CHECK(std::count(numbers.begin(), numbers.end(), static_cast<int>(i) + 1) == 1);
        }
        found += users.size();
    }
    FUZZ_CHECK(found == expected);
}

void CheckLoaded(Corv::CProjectDocument& document, const std::string& openPath) {
    Corv::CProjectDocuments& documents = Corv::CProjectDocuments::Get();
    FUZZ_CHECK(documents.Documents().size() == 1 && documents.Documents()[0].get() == &document);
    FUZZ_CHECK(!document.IsModified());
    const CLumData& data = document.Data();
    CheckSlots(data);
    CheckFilesReadable(data);
    CheckFilesAccounted(document);
    CheckUsers(data.Patches(), data.Tones(),
               [](const Corv::CPatch& patch) { return patch.ReferencedTones(); });
    CheckUsers(data.Tones(), data.Waves(),
               [](const Corv::CTone& tone) { return tone.ReferencedWaves(); });
    FUZZ_CHECK(documents.OpenProject(openPath) == &document);
    FUZZ_CHECK(documents.OpenProject(data.ProjectFolder()) == &document);
    FUZZ_CHECK(documents.Documents().size() == 1);
}

// Keeps the errors shown since the last input; a question is never expected while loading.
class ErrorSink : public Corv::CTextOutBox {
public:
    void ShowError(int code) override { errors.push_back(code); }
    int Ask(int /*buttonSet*/, int /*code*/) override {
        ++questions;
        return Corv::kAnswerCancel;
    }
    void ShowNotice(const std::string& /*text*/) override {}

    std::vector<int> errors;
    int questions = 0;
};

ErrorSink& Sink() {
    static ErrorSink* const sink = [] {
        auto owned = std::make_unique<ErrorSink>();
        ErrorSink* kept = owned.get();
        Corv::CDomain::Get().SetMessageSink(std::move(owned));
        return kept;
    }();
    sink->errors.clear();
    sink->questions = 0;
    return *sink;
}

// Every file with its content and every folder below /fuzz.
std::pair<std::vector<std::pair<std::string, CorvFuzz::Bytes>>, std::vector<std::string>>
FolderState(CorvTest::MemoryFileSystem& memory) {
    std::vector<std::string> folders;
    std::vector<std::string> pending = {"/fuzz/"};
    while (!pending.empty()) {
        const std::string folder = pending.back();
        pending.pop_back();
        folders.push_back(folder);
        std::vector<Corv::DirEntry> entries;
        memory.ListFolder(folder, entries);
        for (const Corv::DirEntry& entry : entries)
            if (entry.type == Corv::FileType::Directory)
                pending.push_back(folder + entry.name + "/");
    }
    std::sort(folders.begin(), folders.end());
    return {memory.Snapshot("/fuzz/"), folders};
}

// The folder state without what a load may clear after an interrupted save: the staged and
// set-aside files a save names while it works (staged ones are removed, set-aside ones moved
// out, possibly into a folder of removed files beside the project).
std::pair<std::vector<std::pair<std::string, CorvFuzz::Bytes>>, std::vector<std::string>>
WithoutSaveLeftovers(
    std::pair<std::vector<std::pair<std::string, CorvFuzz::Bytes>>, std::vector<std::string>>
        state) {
    const auto movedOut = [](const std::string& path) {
        return path.find(" removed files") != std::string::npos;
    };
    std::erase_if(state.first, [&](const auto& file) {
        const std::string& path = file.first;
        return movedOut(path) || Corv::IsSaveLeftoverName(path.substr(path.rfind('/') + 1));
    });
    std::erase_if(state.second, movedOut);
    return state;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CorvFuzz::FolderImage image = CorvFuzz::Decode(data, size);
    CorvTest::MemoryFileSystem memory;
    Corv::SetFileSystem(&memory);
    const std::string openPath = CorvFuzz::Materialise(image, memory);
    const ErrorSink& sink = Sink();

    const auto before = FolderState(memory);

    Corv::CProjectDocuments& documents = Corv::CProjectDocuments::Get();
    Corv::CProjectDocument* document = documents.OpenProject(openPath);
    const bool mustFail = image.FolderSpelling() == CorvFuzz::Spelling::NoExtension ||
                          !image.Has(CorvFuzz::kNoPatchFolder) ||
                          !image.Has(CorvFuzz::kNoToneFolder);
    if (document == nullptr) {
        FUZZ_CHECK(documents.Documents().empty());
        FUZZ_CHECK(sink.errors == std::vector<int>{Corv::kMsgLoadFailed});
    } else {
        FUZZ_CHECK(!mustFail);
        FUZZ_CHECK(sink.errors.empty());
        CheckLoaded(*document, openPath);
    }
    FUZZ_CHECK(sink.questions == 0);
    documents.CloseAll();
    FUZZ_CHECK(documents.Documents().empty());
    // Neither loading nor closing changes a file or a folder, but for the leftovers of an
    // interrupted save that a load clears.
    FUZZ_CHECK(WithoutSaveLeftovers(FolderState(memory)) == WithoutSaveLeftovers(before));
    Corv::SetFileSystem(nullptr);
    return 0;
}
