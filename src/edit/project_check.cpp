#include "edit/project_check.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/lum_file_document.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <set>

namespace Corv {

namespace {

const char* KindName(int kind) {
    return kind == kPatchKind ? "patch" : kind == kToneKind ? "tone" : "wave";
}

// "1,4,9": 0-based indices printed as the 1-based numbers people see.
std::string NumberList(const std::set<int>& indices) {
    std::string text;
    for (const int index : indices)
        text += (text.empty() ? "" : ",") + std::to_string(index + 1);
    return text.empty() ? "none" : text;
}

ProjectProblem EntryProblem(ProblemKind kind, int entryKind, std::size_t slot, std::string text) {
    return {kind, entryKind, static_cast<int>(slot), {}, std::move(text)};
}

ProjectProblem FileProblem(ProblemKind kind, const std::string& path, std::string text) {
    return {kind, -1, -1, path, std::move(text)};
}

// A reference to a slot that holds nothing: empty, or a number past the end of the list.
bool Dangling(int number, int kind, const CParameterArray& target, std::string& why) {
    if (number > SlotCount(kind) || static_cast<std::size_t>(number) > target.Size()) {
        why = "beyond " + std::to_string(SlotCount(kind));
        return true;
    }
    if (target.Item(static_cast<std::size_t>(number - 1)).IsEmpty()) {
        why = "empty slot";
        return true;
    }
    return false;
}

void CheckToneReferences(const CLumData& data, std::vector<ProjectProblem>& problems) {
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        for (int slot = 0; slot < 2; ++slot) {
            const int tone = data.Patches()[p].Slot(slot).ToneNumber();
            std::string why;
            if (tone != 0 && Dangling(tone, kToneKind, data.Tones(), why))
                problems.push_back(EntryProblem(ProblemKind::DanglingTone, kPatchKind, p,
                                                "dangling patch " + std::to_string(p + 1) +
                                                    (slot == 0 ? " U" : " L") + " -> tone " +
                                                    std::to_string(tone) + " (" + why + ")"));
        }
}

void CheckWaveReferences(const CLumData& data, std::vector<ProjectProblem>& problems) {
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side) {
                const int wave = data.Tones()[t].Osc(osc).WaveNumber(side);
                std::string why;
                if (wave != 0 && Dangling(wave, kWaveKind, data.Waves(), why))
                    problems.push_back(EntryProblem(ProblemKind::DanglingWave, kToneKind, t,
                                                    "dangling tone " + std::to_string(t + 1) +
                                                        " osc " + std::to_string(osc) + " side " +
                                                        std::to_string(side) + " -> wave " +
                                                        std::to_string(wave) + " (" + why + ")"));
            }
}

// The user lists that the references call for: users[n] holds the referrers of slot n, each
// referrer naming its referenced numbers through `references`.
template <class Referrers, class References>
std::vector<std::set<int>> ExpectedUsers(std::size_t slots, const Referrers& referrers,
                                         References references) {
    std::vector<std::set<int>> users(slots);
    for (std::size_t r = 0; r < referrers.Size(); ++r)
        for (const int number : references(referrers[r]))
            if (number > 0 && static_cast<std::size_t>(number) <= users.size())
                users[static_cast<std::size_t>(number - 1)].insert(static_cast<int>(r));
    return users;
}

// A stored user list agrees when it holds each expected referrer exactly once and nothing else.
template <class Array>
void CheckUsers(int kind, const Array& records, const std::vector<std::set<int>>& expected,
                std::vector<ProjectProblem>& problems) {
    for (std::size_t i = 0; i < records.Size(); ++i) {
        const std::vector<std::int32_t>& stored = records[i].Users();
        const std::set<int> storedSet(stored.begin(), stored.end());
        if (storedSet == expected[i] && storedSet.size() == stored.size())
            continue;
        problems.push_back(EntryProblem(
            kind == kToneKind ? ProblemKind::ToneUsers : ProblemKind::WaveUsers, kind, i,
            "users " + std::string(KindName(kind)) + " " + std::to_string(i + 1) + ": stored " +
                NumberList(storedSet) + ", referenced by " + NumberList(expected[i])));
    }
}

template <class T> void Append(std::vector<T>& to, std::vector<T> more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

} // namespace

std::vector<ProjectProblem> MissingSlotFiles(const CLumData& data) {
    std::vector<ProjectProblem> missing;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const CParameterArray& records = data.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const std::string& path = records.Item(i).FilePath();
            if (!path.empty() && !FileSystem().Open(path, OpenMode::Read)) {
                ProjectProblem problem =
                    EntryProblem(ProblemKind::MissingFile, kind, i, "missing " + path);
                problem.path = path;
                missing.push_back(std::move(problem));
            }
        }
    }
    return missing;
}

std::vector<ProjectProblem> NotRegularFiles(const std::string& folder) {
    std::vector<std::string> paths;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        std::vector<DirEntry> entries;
        FileSystem().ListFolder(folder + SubfolderName(kind), entries);
        for (const DirEntry& entry : entries)
            if (entry.type == FileType::Other)
                paths.push_back(folder + SubfolderName(kind) + entry.name);
    }
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string memo = folder + MemoFileName(kind);
        const FileType type = FileSystem().Status(memo).type;
        if (type == FileType::Other || type == FileType::Directory)
            paths.push_back(memo);
    }
    std::sort(paths.begin(), paths.end());
    std::vector<ProjectProblem> problems;
    for (const std::string& path : paths)
        problems.push_back(
            FileProblem(ProblemKind::NotRegularFile, path, "not a regular file: " + path));
    return problems;
}

std::vector<ProjectProblem> WaveBytesProblems(std::uint64_t total) {
    if (total <= kWaveBytesLimit)
        return {};
    return {FileProblem(ProblemKind::WaveBytes, {},
                        "wave bytes " + std::to_string(total) + " over the limit of " +
                            std::to_string(kWaveBytesLimit))};
}

std::vector<ProjectProblem> CheckProject(const CLumFileDocument& document) {
    const CLumData& data = document.Data();
    std::vector<ProjectProblem> problems;
    CheckToneReferences(data, problems);
    CheckWaveReferences(data, problems);
    Append(problems, MissingSlotFiles(data));
    for (const std::string& path : document.RejectedFiles())
        problems.push_back(FileProblem(ProblemKind::RejectedFile, path, "rejected " + path));
    Append(problems, NotRegularFiles(data.ProjectFolder()));
    CheckUsers(kToneKind, data.Tones(),
               ExpectedUsers(data.Tones().Size(), data.Patches(),
                             [](const CPatch& patch) { return patch.ReferencedTones(); }),
               problems);
    CheckUsers(kWaveKind, data.Waves(),
               ExpectedUsers(data.Waves().Size(), data.Tones(),
                             [](const CTone& tone) { return tone.ReferencedWaves(); }),
               problems);
    Append(problems, WaveBytesProblems(data.WaveBytesTotal()));
    return problems;
}

std::vector<std::string> ProblemTexts(const std::vector<ProjectProblem>& problems) {
    std::vector<std::string> texts;
    texts.reserve(problems.size());
    for (const ProjectProblem& problem : problems)
        texts.push_back(problem.text);
    return texts;
}

} // namespace Corv
