// Drops, clean and undo on full projects, each against a deep copy of every record of a full
// project: the memory work of one undo snapshot, and the least a drop that carries every
// record must do.

#include "bench_support.h"
#include "edit/clean.h"
#include "edit/drop.h"
#include "storage/domain.h"
#include "storage/undo_step.h"

#include <array>
#include <numeric>
#include <vector>

namespace CorvBench {

namespace {

using Corv::CProjectDocument;
using Corv::CProjectDocuments;

void CopyRecords(benchmark::State& state) {
    FreshStore();
    const CProjectDocument* document = Open(TheWorld().Source());
    if (document == nullptr) {
        state.SkipWithError("the full project could not be loaded");
        return;
    }
    const Corv::CLumData& data = document->Data();
    for (auto _ : state) {
        Corv::CPatchArray patches = data.Patches();
        Corv::CToneArray tones = data.Tones();
        Corv::CWaveArray waves = data.Waves();
        benchmark::DoNotOptimize(patches);
        benchmark::DoNotOptimize(tones);
        benchmark::DoNotOptimize(waves);
    }
    FreshStore();
}

// One kind of drop of all 512 patches of the full source project onto slot 1 of a target.
struct DropCase {
    const std::string& targetFolder;
    bool insert = false;
    // The drop goes ahead (the target has room) or is refused with the tone space message.
    bool done = false;
};

bool EverySlotUsed(const Corv::CLumData& target) {
    return target.CountEmpty(Corv::kPatchKind) == 0 && target.CountEmpty(Corv::kToneKind) == 0 &&
           target.CountEmpty(Corv::kWaveKind) == 0;
}

// True when the sink saw what the case expects: the question before occupied slots are
// overwritten or pushed out, then no error (done) or the tone space error (refused).
bool AsExpected(const DropCase& drop, const Corv::DropResult& result) {
    const int question = drop.insert ? Corv::kMsgInsert : Corv::kMsgOverwrite;
    const bool messages =
        drop.done ? Tally().errors == 0 : Tally().lastError == Corv::kMsgToneSpace;
    return result.done == drop.done && Tally().lastQuestion == question && messages;
}

// The drop alone is measured; a target changed by it is closed and loaded again unmeasured.
void MeasureDrop(benchmark::State& state, const DropCase& drop) {
    FreshStore();
    CProjectDocument* source = Open(TheWorld().Source());
    CProjectDocument* target = Open(drop.targetFolder);
    bool ok = source != nullptr && target != nullptr;
    Corv::DropRequest request;
    request.rows.resize(Corv::kPatchSlots);
    std::iota(request.rows.begin(), request.rows.end(), 0);
    request.kind = Corv::kPatchKind;
    request.insert = drop.insert;
    request.copy = true;
    for (auto _ : state) {
        if (!ok)
            break;
        request.source = &source->Data();
        request.target = &target->Data();
        Corv::CDomain& services = Corv::CDomain::Get();
        const Corv::DropResult result = Corv::PerformDrop(
            request, CProjectDocuments::Get().UndoStep(), Corv::AskOkCancel(services));
        Corv::ShowRefusal(services, result.outcome);
        state.PauseTiming();
        ok = AsExpected(drop, result) && (!drop.done || EverySlotUsed(target->Data()));
        if (drop.done) {
            CProjectDocuments::Get().Close(*target);
            target = Open(drop.targetFolder);
            ok = ok && target != nullptr;
        }
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("the drop did not end as this case expects");
    FreshStore();
}

void OverwriteFull(benchmark::State& state) {
    MeasureDrop(state, {TheWorld().FullTarget(), false, false});
}
void OverwriteRoomy(benchmark::State& state) {
    MeasureDrop(state, {TheWorld().RoomyTarget(), false, true});
}
void InsertFull(benchmark::State& state) {
    MeasureDrop(state, {TheWorld().FullTarget(), true, false});
}
void InsertRoomy(benchmark::State& state) {
    MeasureDrop(state, {TheWorld().RoomyTarget(), true, true});
}

// Clean Project on the full project with every clean option off (the most thorough clean):
// the undo snapshot of all three arrays and the clean itself.
void CleanFull(benchmark::State& state) {
    FreshStore();
    CProjectDocument* document = Open(TheWorld().Source());
    bool ok = document != nullptr;
    for (auto _ : state) {
        if (!ok)
            break;
        Corv::CleanProject(document->Data(), {}, document->UndoStep());
    }
    // A full project has nothing to remove: every slot must still be used.
    if (!ok || !EverySlotUsed(document->Data()))
        state.SkipWithError("the full project lost entries in the clean");
    FreshStore();
}

// Undo after Clean Project: each step exchanges the project's arrays with the snapshot, so the
// iterations alternate between undo and redo, which are the same work.
void UndoClean(benchmark::State& state) {
    FreshStore();
    CProjectDocument* document = Open(TheWorld().Source());
    bool ok = document != nullptr;
    if (ok)
        Corv::CleanProject(document->Data(), {}, document->UndoStep());
    for (auto _ : state) {
        if (!ok)
            break;
        ok = CProjectDocuments::Get().Undo().size() == 1;
    }
    if (!ok)
        state.SkipWithError("the undo step of the clean was not there");
    FreshStore();
}

// The dry run of Clean Project on the full project, as the Clean Project dialog works it out for
// each option set: a copy of all three arrays cleaned, nothing recorded.
void CleanPreviewFull(benchmark::State& state) {
    FreshStore();
    const CProjectDocument* document = Open(TheWorld().Source());
    bool ok = document != nullptr;
    for (auto _ : state) {
        if (!ok)
            break;
        const Corv::CleanPlan plan = Corv::PlanClean(document->Data(), {});
        ok = plan.removed == std::array<int, 3>{};
    }
    if (!ok || CProjectDocuments::Get().UndoStep().CanUndo())
        state.SkipWithError("the preview of the full project was not empty, or it recorded undo");
    FreshStore();
}

const bool g_registered = [] {
    const std::string baseline = "copy records baseline";
    Measure(baseline, CopyRecords);
    const struct {
        const char* name;
        BenchFunction function;
        const char* note;
    } operations[] = {
        {"drop overwrite, no room", OverwriteFull,
         "512 patches copied over the 512 of another full project: taken into the transfer "
         "arrays, overwrite question agreed, then refused with the tone space message"},
        {"drop overwrite, room", OverwriteRoomy,
         "512 patches copied over the 512 of a project with empty tone and wave lists: all 896 "
         "tones and 999 waves are carried and every reference rewritten"},
        {"drop insert, no room", InsertFull,
         "as 'drop overwrite, no room' but inserted at slot 1 (insert question agreed)"},
        {"drop insert, room", InsertRoomy,
         "as 'drop overwrite, room' but inserted at slot 1, pushing the target's 512 patches out"},
        {"clean", CleanFull,
         "Clean Project on a full project (all options off): undo snapshot of all three arrays "
         "and the clean"},
        {"clean preview", CleanPreviewFull,
         "the dry run of Clean Project on a full project (all options off): a copy of all three "
         "arrays cleaned"},
        {"undo after clean", UndoClean,
         "undo of the clean step (arrays exchanged with the snapshot, document marked modified)"},
    };
    for (const auto& operation : operations) {
        // The drops that carry everything take a few hundred milliseconds each.
        Measure(operation.name, operation.function)->MinTime(1.5);
        PairWithBaseline(operation.name, baseline,
                         std::string(operation.note) + "; baseline deep-copies every record of a "
                                                       "full project");
    }
    return true;
}();

} // namespace

} // namespace CorvBench
