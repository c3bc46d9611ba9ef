// Working out a save: which files stay, which are only renamed, which get new contents, which
// arrive from elsewhere and which go — before anything on disk changes.
#include "storage/save_plan.h"

#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/domain.h"
#include "storage/lum_file_document.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"
#include "storage/undo_step.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace Corv {

namespace {

using Kind = CommitStep::Kind;

// A token that makes the hidden names of one save its own, so that nothing an earlier,
// interrupted save left behind is ever taken for one of them.
std::string SaveToken() {
    const auto now = static_cast<unsigned long long>(
        std::chrono::system_clock::now().time_since_epoch().count());
    std::random_device random;
    return std::to_string(now % 1000000007ULL) + "-" + std::to_string(random());
}

// A path in the work folder for a copy of a file: counter, blank, name part, extension.
std::string TemporaryCopyPath(const std::string& file) {
    CDomain& domain = CDomain::Get();
    return domain.m_workFolder + SlotNumberText(domain.NextWorkFileNumber()) + " " +
           NamePart(file) + Extension(file);
}

// The folder part of a relative path ("" for the top of the project folder).
std::string FolderPart(const std::string& relative) {
    const auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
}

// The work of planning one save.
class CSavePlanner {
public:
    CSavePlanner(CLumFileDocument& document, SaveMode mode, std::string stageRoot, CSavePlan& plan,
                 const CKnownFiles* known)
        : m_doc(document), m_data(document.Data()), m_mode(mode), m_folder(m_data.ProjectFolder()),
          m_stageRoot(std::move(stageRoot)), m_plan(plan), m_known(known), m_token(SaveToken()) {}

    bool PlanKind(int kind);
    bool PlanMemo(int kind);
    bool PlanSystemFiles(const std::string& sourceFolder);
    void PlanReplaced(const std::vector<std::string>& replaced);
    void Finish();

private:
    // A step, and whether it puts a file over an original that the save drops.
    struct PlannedStep {
        CommitStep step;
        bool replacing = false;
    };
    // What planning a kind works with, slot by slot.
    struct KindState {
        std::vector<std::string> targets; // relative slot file names, empty for empty slots
        std::vector<KnownAreaPtr> areas;  // packed record areas (patches and tones)
        std::vector<char> changed;        // the packed area differs from the file's
    };

    bool ReadAreas(int kind, KindState& state);
    bool PackArea(int kind, const CParameter& record, char& changed, KnownAreaPtr& area) const;
    void KeepAreas(int kind, KindState& state);
    void PlanInPlace(int kind, const KindState& state);
    void PlanDropped(int kind, std::size_t j, const KindState& state,
                     const std::unordered_set<std::string>& usedElsewhere);
    void Stage(const std::string& target, StagedFile file, bool replacing);
    std::string Hidden(const char* prefix, const std::string& relativeFolder);
    void Add(Kind kind, std::string from, std::string to = {}, bool replacing = false) {
        m_steps.push_back({{kind, std::move(from), std::move(to)}, replacing});
    }
    // The path relative to the project folder; empty for a path outside it.
    std::string Rel(const std::string& absolute) const {
        return absolute.rfind(m_folder, 0) == 0 ? absolute.substr(m_folder.size()) : std::string();
    }

    CLumFileDocument& m_doc;
    CLumData& m_data;
    SaveMode m_mode;
    std::string m_folder;
    std::string m_stageRoot;
    CSavePlan& m_plan;
    const CKnownFiles* m_known; // null: every file compared with is read
    std::vector<PlannedStep> m_steps;
    std::string m_token;
    unsigned m_names = 0;
};

std::string CSavePlanner::Hidden(const char* prefix, const std::string& relativeFolder) {
    return relativeFolder + prefix + m_token + "-" + std::to_string(++m_names);
}

// A new folder gets its files at their final names inside the folder being built; otherwise a
// staged file waits under a hidden name beside its target until the commit places it.
void CSavePlanner::Stage(const std::string& target, StagedFile file, bool replacing) {
    if (m_mode == SaveMode::NewFolder) {
        file.destination = m_stageRoot + target;
        m_plan.staged.push_back(std::move(file));
        return;
    }
    const std::string staged = Hidden(kStagedPrefix, FolderPart(target));
    file.destination = m_folder + staged;
    m_plan.staged.push_back(std::move(file));
    Add(Kind::Place, staged, target, replacing);
}

bool CSavePlanner::ReadAreas(int kind, KindState& state) {
    const CParameterArray& records = m_data.Records(kind);
    const std::size_t n = records.Size();
    state.targets.assign(n, {});
    state.areas.assign(n, {});
    state.changed.assign(n, 0);
    m_plan.slotPaths[kind].assign(n, {});
    std::vector<std::size_t> toPack;
    for (std::size_t i = 0; i < n; ++i) {
        const CParameter& record = records.Item(i);
        if (record.IsEmpty())
            continue;
        state.targets[i] =
            std::string(SubfolderName(kind)) + SlotFileName(static_cast<unsigned>(i + 1), record);
        m_plan.slotPaths[kind][i] = m_folder + state.targets[i];
        m_plan.needsSubfolder[kind] = true;
        if (kind == kWaveKind)
            continue;
        // A record with the parameters its file's known area keeps is unchanged as it is.
        KnownAreaPtr known =
            m_known != nullptr ? m_known->Area(kind, record.FilePath(), i) : nullptr;
        if (known == nullptr || !HasPackedParameters(kind, record, known->parameters))
            toPack.push_back(i);
        state.areas[i] = std::move(known); // what the file holds, until packed
    }
    // Each read fills its own slot's area only, so the reads may run side by side.
    return RunSideBySide(toPack.size(), [&](std::size_t k) {
               const std::size_t i = toPack[k];
               return PackArea(kind, records.Item(i), state.changed[i], state.areas[i]);
           }) == toPack.size();
}

// A file whose area is known (`area` on entry, else null) is not read: the record is packed into
// a copy of what it holds. `area` leaves with the packed area.
bool CSavePlanner::PackArea(int kind, const CParameter& record, char& changed,
                            KnownAreaPtr& area) const {
    const KnownAreaPtr known = std::move(area);
    std::vector<std::uint8_t> read;
    if (known == nullptr && !ReadRecordArea(kind, record.FilePath(), read))
        return false;
    const std::vector<std::uint8_t>& before = known != nullptr ? known->bytes : read;
    KnownArea packed{before, PackedParameters(kind, record)};
    if (!PackRecordArea(kind, record, packed.bytes))
        return false;
    changed = packed.bytes != before;
    area = std::make_shared<const KnownArea>(std::move(packed));
    return true;
}

bool CSavePlanner::PlanKind(int kind) {
    KindState state;
    if (!ReadAreas(kind, state))
        return false;
    if (m_mode == SaveMode::InPlace) {
        PlanInPlace(kind, state);
        KeepAreas(kind, state);
        return true;
    }
    const CParameterArray& records = m_data.Records(kind);
    const std::vector<std::string>& old = m_data.SlotPaths(kind);
    for (std::size_t i = 0; i < records.Size(); ++i) {
        const CParameter& record = records.Item(i);
        if (record.IsEmpty())
            continue;
        Stage(state.targets[i],
              {{},
               record.FilePath(),
               kind,
               state.changed[i] ? state.areas[i]->bytes : std::vector<std::uint8_t>{},
               {}},
              false);
        // Records of other projects that used this slot's file follow it into the new folder.
        if (i < old.size() && record.FilePath() == old[i])
            m_plan.follows.push_back({old[i], m_folder + state.targets[i], kind});
    }
    KeepAreas(kind, state);
    return true;
}

// Every slot's file ends up holding the packed area: it was written where it differed from the
// file's, and is the file's own where it did not.
void CSavePlanner::KeepAreas(int kind, KindState& state) {
    if (kind != kWaveKind)
        m_plan.slotAreas[kind] = std::move(state.areas);
}

// In its own folder a slot's file stays, is renamed, gets a new record area, moves to the slot
// that takes it unchanged, or goes; files from elsewhere, and second users of one file, are
// copied in.
void CSavePlanner::PlanInPlace(int kind, const KindState& state) {
    const CParameterArray& records = m_data.Records(kind);
    const std::vector<std::string>& old = m_data.SlotPaths(kind);
    const std::size_t n = records.Size();
    // Keyed by views of `old`, which outlives the map: a full project has thousands of files.
    std::unordered_map<std::string_view, std::size_t> oldIndex;
    oldIndex.reserve(n);
    for (std::size_t j = 0; j < n && j < old.size(); ++j)
        if (old[j].size() > m_folder.size() && old[j].compare(0, m_folder.size(), m_folder) == 0)
            oldIndex.emplace(old[j], j);

    // The slot that takes an old file as it is: its own slot first, else the first slot that
    // uses it unchanged. -1: the file goes (its users get copies).
    std::vector<long> keeper(n, -1);
    for (const auto& [path, j] : oldIndex)
        if (!records.Item(j).IsEmpty() && records.Item(j).FilePath() == path)
            keeper[j] = static_cast<long>(j);
    for (std::size_t i = 0; i < n; ++i) {
        const auto it = oldIndex.find(records.Item(i).FilePath());
        if (!records.Item(i).IsEmpty() && it != oldIndex.end() && keeper[it->second] < 0 &&
            !state.changed[i])
            keeper[it->second] = static_cast<long>(i);
    }

    for (std::size_t i = 0; i < n; ++i) {
        const CParameter& record = records.Item(i);
        if (record.IsEmpty())
            continue;
        const std::string& target = state.targets[i];
        // The slot's own file goes and has exactly the target's name: what arrives replaces it.
        const bool replacing =
            i < old.size() && !old[i].empty() && keeper[i] < 0 && Rel(old[i]) == target;
        const auto it = oldIndex.find(record.FilePath());
        if (it == oldIndex.end() || keeper[it->second] != static_cast<long>(i)) {
            Stage(target,
                  {{},
                   record.FilePath(),
                   kind,
                   state.changed[i] ? state.areas[i]->bytes : std::vector<std::uint8_t>{},
                   {}},
                  replacing);
            continue;
        }
        const std::size_t j = it->second;
        const std::string from = Rel(old[j]);
        if (from != target)
            m_plan.follows.push_back({old[j], m_folder + target, kind});
        if (i != j) { // moved unchanged to another slot, by way of a hidden name
            const std::string aside = Hidden(kAsidePrefix, FolderPart(from));
            Add(Kind::Aside, from, aside);
            Add(Kind::Place, aside, target, replacing);
        } else if (state.changed[i]) { // a new record area: a new file takes the name
            StagedFile file{{}, old[j], kind, state.areas[i]->bytes, {}};
            if (from == target) {
                Stage(target, std::move(file), true);
            } else {
                const std::string aside = Hidden(kAsidePrefix, FolderPart(from));
                Add(Kind::Aside, from, aside);
                Stage(target, std::move(file), false);
                Add(Kind::Remove, aside);
            }
        } else if (from != target) { // only the name changed
            Add(Kind::Place, from, target);
        }
    }

    // In slot order: the work copies take the work folder's numbers in that order.
    std::vector<std::size_t> dropped;
    for (const auto& [path, j] : oldIndex)
        if (keeper[j] < 0)
            dropped.push_back(j);
    if (dropped.empty())
        return; // no one else's records to look through
    const std::unordered_set<std::string> usedElsewhere = PathsUsedElsewhere(m_doc, kind, &m_data);
    std::sort(dropped.begin(), dropped.end());
    for (const std::size_t j : dropped)
        PlanDropped(kind, j, state, usedElsewhere);
}

// An old file no slot takes: kept for records elsewhere in the work folder, then removed.
void CSavePlanner::PlanDropped(int kind, std::size_t j, const KindState& state,
                               const std::unordered_set<std::string>& usedElsewhere) {
    const std::string& path = m_data.SlotPaths(kind)[j];
    const std::string from = Rel(path);
    if (usedElsewhere.count(path) != 0) {
        const std::string copy = TemporaryCopyPath(path);
        m_plan.workCopies.push_back({path, copy, kind});
        m_plan.follows.push_back({path, copy, kind});
    }
    const std::string& target = state.targets[j];
    if (target.empty()) {
        Add(Kind::Remove, from);
    } else if (target != from) {
        // Another name in the same slot may be the same file where letter case does not count:
        // the old one is out of the way before the new one arrives.
        const std::string aside = Hidden(kAsidePrefix, FolderPart(from));
        Add(Kind::Aside, from, aside);
        Add(Kind::Remove, aside);
    } // else what arrives in the slot replaces it
}

bool CSavePlanner::PlanMemo(int kind) {
    const std::string name = MemoFileName(kind);
    std::string text = MemoFileText(m_data, kind);
    bool replacing = false;
    if (m_mode == SaveMode::InPlace) {
        // A memo file known to hold the text already is neither read nor written.
        const std::string* known = m_known != nullptr ? m_known->Memo(kind) : nullptr;
        if (known != nullptr && *known == text) {
            m_plan.memoTexts[kind] = std::move(text);
            return true;
        }
        const std::string path = m_folder + name;
        const FileStatus status = FileSystem().Status(path);
        if (status.type == FileType::Regular && status.size == text.size()) {
            std::string current(text.size(), '\0');
            auto file = FileSystem().Open(path, OpenMode::Read);
            if (file &&
                file->Read(current.data(), current.size()) ==
                    static_cast<std::int64_t>(current.size()) &&
                current == text) {
                m_plan.memoTexts[kind] = std::move(text);
                return true; // unchanged: not written
            }
        }
        if (status.type == FileType::Directory || status.failed)
            return false; // a memo file cannot be put in place of a folder
        // A missing memo file reads as empty memos: while they are, it need not be written.
        if (status.type == FileType::Missing && !status.isLink &&
            text.find_first_not_of("\r\n") == std::string::npos)
            return true;
        replacing = status.type != FileType::Missing || status.isLink;
    }
    m_plan.memoTexts[kind] = text;
    Stage(name, {{}, {}, kind, {}, std::move(text)}, replacing);
    return true;
}

bool CSavePlanner::PlanSystemFiles(const std::string& sourceFolder) {
    if (sourceFolder.empty())
        return true;
    // A system file the project does not have is simply not copied; one it has must arrive.
    for (const char* name : kSystemFileNames) {
        const FileStatus status = FileSystem().Status(sourceFolder + name);
        if (status.failed)
            return false;
        if (status.type != FileType::Missing)
            Stage(name, {{}, sourceFolder + name, kWaveKind, {}, {}}, false);
    }
    return true;
}

void CSavePlanner::PlanReplaced(const std::vector<std::string>& replaced) {
    for (const std::string& file : replaced) {
        const std::string aside = Hidden(kAsidePrefix, FolderPart(file));
        Add(Kind::Aside, file, aside);
        Add(Kind::MoveOut, aside, file);
    }
}

// One step runs on its own. Several run under a journal, and then an original that a new file
// replaces is first set aside, so that a failure part-way can put everything back.
void CSavePlanner::Finish() {
    const bool single = m_steps.size() == 1;
    for (PlannedStep& planned : m_steps) {
        if (planned.replacing && !single) {
            const std::string aside = Hidden(kAsidePrefix, FolderPart(planned.step.to));
            m_plan.steps.push_back({Kind::Aside, planned.step.to, aside});
            m_plan.steps.push_back(planned.step);
            m_plan.steps.push_back({Kind::Remove, aside, {}});
            continue;
        }
        m_plan.steps.push_back(std::move(planned.step));
    }
}

// Calls `visit` with every record array of a kind that belongs to an open project or to a
// saved undo step; `skip` (may be null) excludes one project and the undo step it owns (which
// its save or its closing clears).
template <class Visit>
void ForEachRecordArray(CLumFileDocument& any, int kind, const CLumData* skip, Visit visit) {
    for (CLumFileDocument* document : any.OpenProjectDocuments())
        if (&document->Data() != skip)
            visit(document->Data().Records(kind));
    for (CUndoStep::Snapshot& slot : any.UndoStep().Slots())
        if (slot.owner != nullptr && slot.owner != skip && slot.saved[kind])
            visit(kind == kPatchKind  ? static_cast<CParameterArray&>(slot.patches)
                  : kind == kToneKind ? static_cast<CParameterArray&>(slot.tones)
                                      : static_cast<CParameterArray&>(slot.waves));
}

} // namespace

std::unordered_set<std::string> PathsUsedElsewhere(CLumFileDocument& any, int kind,
                                                   const CLumData* skip) {
    std::unordered_set<std::string> used;
    ForEachRecordArray(any, kind, skip, [&](CParameterArray& records) {
        for (std::size_t i = 0; i < records.Size(); ++i)
            if (!records.Item(i).IsEmpty())
                used.insert(records.Item(i).FilePath());
    });
    return used;
}

bool RedirectRecords(CLumFileDocument& any, const std::string& from, const std::string& to,
                     int kind, const CLumData* skip) {
    return RedirectRecords(any, {{from, to}}, kind, skip);
}

bool RedirectRecords(CLumFileDocument& any,
                     const std::unordered_map<std::string, std::string>& moves, int kind,
                     const CLumData* skip) {
    bool changed = false;
    ForEachRecordArray(any, kind, skip, [&](CParameterArray& records) {
        for (std::size_t i = 0; i < records.Size(); ++i)
            if (const auto it = moves.find(records.Item(i).FilePath()); it != moves.end()) {
                records.Item(i).SetFilePath(it->second);
                changed = true;
            }
    });
    return changed;
}

std::string WorkCopyPath(const std::string& file) {
    return TemporaryCopyPath(file);
}

bool PlanSave(CLumFileDocument& document, SaveMode mode, const std::string& stageRoot,
              const std::string& sourceFolder, const std::vector<std::string>& replaced,
              CSavePlan& plan, const CKnownFiles* known) {
    plan = CSavePlan{};
    CSavePlanner planner(document, mode, stageRoot, plan, known);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (!planner.PlanKind(kind))
            return false;
    if (mode != SaveMode::InPlace && !planner.PlanSystemFiles(sourceFolder))
        return false;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (!planner.PlanMemo(kind))
            return false;
    planner.PlanReplaced(replaced);
    planner.Finish();
    return true;
}

} // namespace Corv
