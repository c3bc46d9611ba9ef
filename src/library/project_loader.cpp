#include "library/project_loader.h"

#include "edit/fingerprint.h"
#include "library/search_text.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "model/text_encoding.h"
#include "storage/folder_signature.h"
#include "storage/project_document.h"

#include <algorithm>
#include <array>
#include <exception>
#include <set>
#include <utility>

namespace Corv::Library {

namespace {

// The size of a file of the project as the listing taken before the load found it; a file
// outside the folder (which a load never gives) is asked for its status.
std::int64_t SizeOf(const std::string& folder, const CFolderSignature& listing,
                    const std::string& path) {
    if (path.compare(0, folder.size(), folder) == 0)
        return static_cast<std::int64_t>(
            listing.ListedSize(std::string_view(path).substr(folder.size())));
    const FileStatus status = FileSystem().Status(path);
    return status.type == FileType::Regular ? static_cast<std::int64_t>(status.size) : 0;
}

// The wave bytes each used entry stands on: a wave its file's, a tone those of the waves it
// names, a patch those of the waves of its tones (each wave counted once).
std::array<std::vector<std::int64_t>, 3> WaveBytes(const CLumData& data, const std::string& folder,
                                                   const CFolderSignature& listing) {
    std::array<std::vector<std::int64_t>, 3> bytes;
    const std::size_t waves = data.Waves().Size();
    bytes[kWaveKind].resize(waves);
    for (std::size_t i = 0; i < waves; ++i)
        if (!data.Waves()[i].IsEmpty())
            bytes[kWaveKind][i] = SizeOf(folder, listing, data.Waves()[i].FilePath());
    auto wavesOfTone = [&](std::size_t tone, std::set<int>& into) {
        for (const int n : data.Tones()[tone].ReferencedWaves())
            if (n >= 1 && static_cast<std::size_t>(n) <= waves)
                into.insert(n);
    };
    auto sum = [&](const std::set<int>& numbers) {
        std::int64_t total = 0;
        for (const int n : numbers)
            total += bytes[kWaveKind][static_cast<std::size_t>(n - 1)];
        return total;
    };
    bytes[kToneKind].resize(data.Tones().Size());
    for (std::size_t i = 0; i < data.Tones().Size(); ++i) {
        std::set<int> numbers;
        wavesOfTone(i, numbers);
        bytes[kToneKind][i] = sum(numbers);
    }
    bytes[kPatchKind].resize(data.Patches().Size());
    for (std::size_t i = 0; i < data.Patches().Size(); ++i) {
        std::set<int> numbers;
        for (const int t : data.Patches()[i].ReferencedTones())
            if (t >= 1 && static_cast<std::size_t>(t) <= data.Tones().Size())
                wavesOfTone(static_cast<std::size_t>(t - 1), numbers);
        bytes[kPatchKind][i] = sum(numbers);
    }
    return bytes;
}

std::string JoinedMemos(const CParameter& record) {
    // A memo holds no line break (the memo files keep one memo a line), so one joins them.
    std::string joined;
    joined.reserve(record.Memo(1).size() + record.Memo(2).size() + record.Memo(3).size() +
                   record.Memo(4).size() + 3);
    for (int n = 1; n <= 4; ++n) {
        if (n > 1)
            joined += '\n';
        joined += record.Memo(n);
    }
    return joined;
}

// Which entries something uses: a tone that a used patch names, a wave that a used tone names;
// every used patch counts as used.
std::array<std::vector<bool>, 3> UsedEntries(const CLumData& data) {
    std::array<std::vector<bool>, 3> used;
    for (const int kind : {kPatchKind, kToneKind, kWaveKind})
        used[static_cast<std::size_t>(kind)].assign(data.Records(kind).Size(), kind == kPatchKind);
    const auto mark = [&](int kind, int number) {
        std::vector<bool>& marks = used[static_cast<std::size_t>(kind)];
        if (number >= 1 && static_cast<std::size_t>(number) <= marks.size())
            marks[static_cast<std::size_t>(number - 1)] = true;
    };
    for (std::size_t i = 0; i < data.Patches().Size(); ++i)
        if (!data.Patches()[i].IsEmpty())
            for (const int tone : data.Patches()[i].ToneNumbers())
                mark(kToneKind, tone);
    for (std::size_t i = 0; i < data.Tones().Size(); ++i)
        if (!data.Tones()[i].IsEmpty())
            for (const int wave : data.Tones()[i].WaveNumbers())
                mark(kWaveKind, wave);
    return used;
}

// The rows of every used entry, patches first, each kind by number.
std::vector<EntryRow> EntryRows(const std::string& folder, const CFolderSignature& listing,
                                const CLumData& data, const ProjectFingerprints& prints) {
    const std::array<std::vector<std::int64_t>, 3> waveBytes = WaveBytes(data, folder, listing);
    const std::array<std::vector<bool>, 3> used = UsedEntries(data);
    std::vector<EntryRow> rows;
    rows.reserve(data.Patches().Size() + data.Tones().Size() + data.Waves().Size());
    for (const int kind : {kPatchKind, kToneKind, kWaveKind}) {
        const CParameterArray& records = data.Records(kind);
        const auto k = static_cast<std::size_t>(kind);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const CParameter& record = records.Item(i);
            if (record.IsEmpty())
                continue;
            EntryRow row;
            row.kind = kind;
            row.number = static_cast<int>(i + 1);
            row.name = record.Name();
            row.memos = JoinedMemos(record);
            row.nameText = CodePageToUtf8(row.name);
            row.memosText = CodePageToUtf8(row.memos);
            row.searchName = SearchText(row.nameText);
            row.searchMemos = SearchText(row.memosText);
            row.file = record.FilePath();
            row.size = SizeOf(folder, listing, row.file);
            row.waveBytes = waveBytes[k][i];
            if (const std::optional<Fingerprint>& print = prints.Of(kind, static_cast<int>(i)))
                row.fingerprint = print->Hex();
            row.used = used[k][i];
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

// LoadProject, with what it throws (memory running out) taken as the project's failure: on the
// loader's thread nothing would catch it.
LoadedProject LoadGuarded(const std::string& folder, const KnownSignatures& known) {
    try {
        return LoadProject(folder, known);
    } catch (const std::exception& error) {
        LoadedProject failed;
        failed.folder = folder;
        failed.why = std::string("it could not be read: ") + error.what();
        return failed;
    }
}

} // namespace

LoadedProject LoadProject(const std::string& folder, const KnownSignatures& known) {
    LoadedProject loaded;
    loaded.folder = folder;
    if (!FileSystem().IsDirectory(folder)) {
        loaded.outcome = ScanOutcome::Offline;
        return loaded;
    }
    // Listed before the files are read: a change made while they are read shows at the next
    // scan. The listing gives the files' sizes too.
    CFolderSignature listing;
    listing.Read(folder);
    loaded.signature = listing.Value();
    if (const auto was = known.find(folder);
        was != known.end() && was->second == loaded.signature) {
        loaded.outcome = ScanOutcome::Unchanged;
        return loaded;
    }
    CProjectDocument document;
    // Each wave is hashed as the load opens it: every file of the project is read once.
    std::vector<std::optional<Fingerprint>> waves(static_cast<std::size_t>(SlotCount(kWaveKind)));
    document.SetWaveReader([&waves](std::size_t slot, IFile& file) {
        if (slot < waves.size())
            waves[slot] = FileFingerprint(file);
    });
    if (!document.ReadProject(folder, loaded.why)) {
        loaded.outcome = ScanOutcome::Failed;
        return loaded;
    }
    const ProjectFingerprints prints = FingerprintProject(document.Data(), std::move(waves));
    loaded.entries = EntryRows(folder, listing, document.Data(), prints);
    loaded.outcome = ScanOutcome::Read;
    return loaded;
}

CProjectLoader::CProjectLoader(std::vector<std::string> folders, KnownSignatures known,
                               std::size_t ahead)
    : m_folders(std::move(folders)), m_known(std::move(known)),
      m_ahead(std::max<std::size_t>(1, ahead)),
      m_thread([this](const std::stop_token& stop) { Run(stop); }) {}

CProjectLoader::~CProjectLoader() {
    m_thread.request_stop();
}

std::optional<LoadedProject> CProjectLoader::Next() {
    std::unique_lock lock(m_mutex);
    if (m_given == m_folders.size())
        return std::nullopt;
    m_changed.wait(lock, [this] { return !m_ready.empty(); });
    LoadedProject next = std::move(m_ready.front());
    m_ready.pop_front();
    ++m_given;
    lock.unlock();
    m_changed.notify_all(); // there is room again
    return next;
}

void CProjectLoader::Run(const std::stop_token& stop) {
    for (const std::string& folder : m_folders) {
        {
            // A project is loaded only when there is room for it: at most `ahead` wait, and one
            // more is written, whatever the loading and the writing take.
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait(lock, stop, [this] { return m_ready.size() < m_ahead; }))
                return;
        }
        LoadedProject loaded = LoadGuarded(folder, m_known);
        {
            std::lock_guard lock(m_mutex);
            m_ready.push_back(std::move(loaded));
        }
        m_changed.notify_all();
    }
}

} // namespace Corv::Library
