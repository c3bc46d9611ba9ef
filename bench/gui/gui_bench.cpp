// The project window on a full project (512 patches, 896 tones, 999 waves), offscreen: opening
// the window must feel immediate, and refilling the three lists after an edit must take well
// under one frame at 60 Hz (16.7 ms). The lists are virtual, so neither should grow with the
// number of slots beyond the rows that are visible.

#include "bench_support.h"
#include "edit/cell_edit.h"
#include "storage/slot_file_name.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <memory>

using namespace CorvDesktop;

namespace CorvBench {

namespace {

// Loading the project, building its window and painting it once.
void OpenWindow(benchmark::State& state) {
    FreshStore();
    bool ok = true;
    for (auto _ : state) {
        Corv::CProjectDocument* document = Open(TheWorld().Source());
        if (document == nullptr) {
            ok = false;
            break;
        }
        CFileDoc doc(*document);
        CFileView view(doc);
        view.resize(1100, 600);
        view.show();
        benchmark::DoNotOptimize(view.grab());
        state.PauseTiming();
        view.hide();
        Corv::CProjectDocuments::Get().CloseAll();
        state.ResumeTiming();
    }
    if (!ok || Tally().errors != 0)
        state.SkipWithError("the full project did not open cleanly");
}

// The same load without any window: the baseline of the window's own share.
void OpenWithoutWindow(benchmark::State& state) {
    FreshStore();
    bool ok = true;
    for (auto _ : state) {
        ok = ok && Open(TheWorld().Source()) != nullptr;
        state.PauseTiming();
        Corv::CProjectDocuments::Get().CloseAll();
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("the full project did not load");
}

// A rename of 100 selected tones (with its undo snapshot), then what the window does after an
// edit: the three lists refilled keeping selection and place, the status text, one paint of the
// whole window.
void EditAndRefill(benchmark::State& state) {
    FreshStore();
    Corv::CProjectDocument* document = Open(TheWorld().Source());
    if (document == nullptr) {
        state.SkipWithError("the full project did not load");
        return;
    }
    CFileDoc doc(*document);
    CFileView view(doc);
    view.resize(1100, 600);
    view.show();
    std::vector<int> rows;
    for (int row = 300; row < 400; ++row)
        rows.push_back(row);
    view.List(1)->SelectRows(rows);
    view.List(1)->SetTopRow(300);
    int round = 0;
    for (auto _ : state) {
        Corv::SetNames(document->Data(), Corv::kToneKind, rows,
                       "Take" + std::to_string(++round % 10), document->UndoStep());
        for (int kind = 0; kind < 3; ++kind)
            view.List(kind)->Refill();
        benchmark::DoNotOptimize(Corv::WaveBytesText(document->Data().WaveBytesTotal()));
        benchmark::DoNotOptimize(view.grab());
    }
    if (view.List(1)->SelectedRows() != rows)
        state.SkipWithError("the refill lost the selection");
    Corv::CProjectDocuments::Get().CloseAll();
}

// The refill alone: three lists made anew from the project data and painted.
void RefillOnly(benchmark::State& state) {
    FreshStore();
    Corv::CProjectDocument* document = Open(TheWorld().Source());
    if (document == nullptr) {
        state.SkipWithError("the full project did not load");
        return;
    }
    CFileDoc doc(*document);
    CFileView view(doc);
    view.resize(1100, 600);
    view.show();
    view.List(0)->SelectAllUsed();
    for (auto _ : state) {
        for (int kind = 0; kind < 3; ++kind)
            view.List(kind)->Refill();
        benchmark::DoNotOptimize(view.grab());
    }
    Corv::CProjectDocuments::Get().CloseAll();
}

const bool g_registered = [] {
    Measure("window open", OpenWindow);
    Measure("window open baseline", OpenWithoutWindow);
    PairWithBaseline("window open", "window open baseline",
                     "load a full project and show its window with one paint; baseline is the "
                     "same load without a window");
    Measure("edit and refill", EditAndRefill);
    Measure("refill", RefillOnly);
    return true;
}();

} // namespace

} // namespace CorvBench
