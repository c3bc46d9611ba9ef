#include "edit/drop.h"
#include "edit/list_edits.h"
#include "edit_property_model.h"
#include "support/faulty_file_system.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

// A whole drop and its preview: the preview's line, that it changes nothing (projects, undo
// step, transfer arrays, flags, no message), and that it accepts exactly the drops that go
// ahead; the rule for a block dropped onto itself and requests that cannot be carried out.
namespace {

using namespace Corv;
using namespace CorvTest;
using namespace CorvTest::Property;

class DropPreviewTest : public EditTest {
public:
    void SetSize(const CLumData& project, int wave, std::uint64_t bytes) {
        m_files.SetSize(project.Waves()[static_cast<std::size_t>(wave - 1)].FilePath(),
                        static_cast<std::uint32_t>(bytes));
    }

protected:
    // Previews, checks that nothing changed and nothing was said, then performs the same drop
    // with every question agreed to: it goes ahead exactly when the preview accepted it.
    DropPreview PreviewThenDrop(const DropRequest& request, const std::string& description) {
        const ProjectState source(*request.source);
        const ProjectState target(*request.target);
        const CDomain::Snapshot undo = Domain().m_undo[0];
        const auto flags = std::pair(Domain().m_insertFlag, Domain().m_copyFlag);
        const DropPreview preview = PreviewDrop(request, "B.prj");
        const CDomain& d = Domain();
        EXPECT_TRUE(source.Matches(*request.source) && target.Matches(*request.target))
            << description;
        EXPECT_TRUE(d.m_undo[0].owner == undo.owner && d.m_undo[0].patches == undo.patches &&
                    std::equal(undo.saved, undo.saved + 3, d.m_undo[0].saved))
            << description;
        EXPECT_EQ(d.m_transferPatches.Size() + d.m_transferTones.Size() + d.m_transferWaves.Size(),
                  0u)
            << description;
        EXPECT_EQ(std::pair(d.m_insertFlag, d.m_copyFlag), flags) << description;
        EXPECT_TRUE(Log().Calls().empty() && Log().Notices().empty()) << description;
        Log().SetDefaultAnswer(SinkLog::kAgree);
        EXPECT_EQ(PerformDrop(request).done, preview.accepted)
            << description << ": " << preview.text << "\n"
            << Log().Describe();
        return preview;
    }

    SizedFileSystem m_files;
    ScopedFileSystem m_scope{m_files};
};

// A: patches 1-4 on tones 1, 2, 5 and (1, 5); tone 1 on wave 1, tone 2 on waves 2 and 3, tone 5
// on wave 3; waves of 100,000, 200,000 and 1,063,149 bytes (1.3 MB together).
void FillSource(CLumData& a) {
    for (int w = 1; w <= 3; ++w)
        PutWave(a, w);
    PutTone(a, 1, {1});
    PutTone(a, 2, {2, 3});
    PutTone(a, 5, {3});
    const int tones[][2] = {{1, 0}, {2, 0}, {5, 0}, {1, 5}};
    for (int p = 1; p <= 4; ++p)
        PutPatch(a, p, tones[p - 1][0], tones[p - 1][1]);
}

using SetUp = void (*)(CLumData& a, CLumData& b, DropPreviewTest& t);
void Nothing(CLumData&, CLumData&, DropPreviewTest&) {}
void EmptyTone(CLumData& a, CLumData&, DropPreviewTest&) {
    PutPatch(a, 6, 7);
}
void UsedAtEnd(CLumData& a, CLumData&, DropPreviewTest&) {
    PutPatch(a, 511, 0);
    PutPatch(a, 512, 0);
}
// Every tone slot of B used but the last `free`; B's patch 1 used.
template <int free> void FreeTones(CLumData&, CLumData& b, DropPreviewTest&) {
    for (int n = 1; n <= kToneSlots - free; ++n)
        PutTone(b, n, {}, "", "B");
    PutPatch(b, 1, 0);
}
void BigWave(CLumData&, CLumData& b, DropPreviewTest& t) {
    PutWave(b, 1, "", "B");
    t.SetSize(b, 1, kWaveBytesLimit - 100'000);
}

// A drop from A onto A or B, rows and position 1-based, and the line of its preview.
struct PreviewCase {
    const char* name;
    SetUp setUp;
    bool sameProject;
    int kind;
    std::vector<int> rows;
    int at;
    bool insert;
    int copy;         // -1: the default (within one project a move, else a copy), 0: move, 1: copy
    const char* line; // "ok: TEXT" or "refused: TEXT"
};

const PreviewCase kCases[] = {
    {"a copy carries tones, waves and their bytes", Nothing, false, kPatchKind, Rows(1, 2, 3, 4),
     10, false, -1,
     "ok: copy 4 patches to B.prj rows 10-13 (overwrite), carrying 3 tones, 3 waves, 1.3 MB"},
    {"an empty tone record carried along is no tone", EmptyTone, false, kPatchKind, Rows(6), 1,
     false, -1, "ok: copy 1 patch to B.prj row 1 (overwrite)"},
    {"within one project nothing travels", Nothing, true, kToneKind, Rows(1), 5, true, -1,
     "ok: move 1 tone to row 5 (insert)"},
    {"inserting pushes used entries off the end", UsedAtEnd, true, kPatchKind, Rows(1, 2), 101,
     true, -1,
     "ok: move 2 patches to rows 101-102 (insert); pushes 2 used patches off the end (asks "
     "first)"},
    {"too few tone slots", FreeTones<2>, false, kPatchKind, Rows(1, 2, 3, 4), 2, false, -1,
     "refused: needs 3 free tone slots, B.prj has 2"},
    {"a question due does not hide a refusal", FreeTones<0>, false, kPatchKind, Rows(1), 1, false,
     -1, "refused: needs 1 free tone slot, B.prj has 0"},
    {"over the wave size limit", BigWave, false, kPatchKind, Rows(1, 2, 3, 4), 1, false, -1,
     "refused: waves would exceed 64 MB by 1.2 MB"},
    {"empty rows", Nothing, false, kPatchKind, Rows(11, 12), 1, false, -1,
     "refused: nothing to drop: the dragged rows are empty"},
    // A block onto its own first row does nothing, unless a copy is inserted there.
    {"onto itself", Nothing, true, kPatchKind, Rows(2, 3, 4), 2, false, -1,
     "refused: nothing to do: the block is dropped onto itself"},
    {"onto itself as a copy", Nothing, true, kPatchKind, Rows(3, 4, 2), 2, false, 1,
     "refused: nothing to do: the block is dropped onto itself"},
    {"inserted onto itself", Nothing, true, kPatchKind, Rows(2, 3, 4), 2, true, -1,
     "refused: nothing to do: the block is dropped onto itself"},
    {"a copy inserted onto itself", Nothing, true, kPatchKind, Rows(4, 2, 3), 2, true, 1,
     "ok: copy 3 patches to rows 2-4 (insert)"},
    {"a copy of no block onto itself", Nothing, true, kPatchKind, Rows(2, 4), 2, false, 1,
     "ok: copy 2 patches to rows 2-3 (overwrite); overwrites 2 used patches (asks first)"},
    {"a block one row on", Nothing, true, kPatchKind, Rows(2, 3, 4), 3, false, -1,
     "ok: move 3 patches to rows 3-5 (overwrite); overwrites 2 used patches (asks first)"},
    {"a block inserted one row back", Nothing, true, kPatchKind, Rows(2, 3, 4), 1, true, -1,
     "ok: move 3 patches to rows 1-3 (insert)"},
    {"no rows", Nothing, false, kPatchKind, Rows(), 1, false, -1,
     "refused: nothing to drop: no rows are dragged"},
    {"a row past the list", Nothing, false, kPatchKind, Rows(1, 513), 1, false, -1,
     "refused: nothing to drop: row 513 lies outside the list"},
    {"a row before the list", Nothing, false, kPatchKind, Rows(0, 1), 1, false, -1,
     "refused: nothing to drop: row 0 lies outside the list"},
};

class DropPreviewCases : public DropPreviewTest, public testing::WithParamInterface<PreviewCase> {};

TEST_P(DropPreviewCases, SaysWhatTheDropWouldDoAndChangesNothing) {
    const PreviewCase& c = GetParam();
    CLumData a;
    CLumData b;
    FillSource(a);
    SetSize(a, 1, 100'000);
    SetSize(a, 2, 200'000);
    SetSize(a, 3, 1'063'149);
    c.setUp(a, b, *this);
    RebuildUsers(a);
    RebuildUsers(b);
    Domain().RecordUndo(kUndoAllKinds, a); // an earlier step that the preview must keep
    Log().SetDefaultAnswer(kAnswerCancel);

    DropRequest request{&a, {}, c.kind, c.sameProject ? &a : &b, c.at - 1, c.insert, {}};
    for (const int row : c.rows)
        request.rows.push_back(row - 1);
    if (c.copy >= 0)
        request.copy = c.copy == 1;
    const DropPreview preview = PreviewThenDrop(request, c.name);
    EXPECT_EQ((preview.accepted ? "ok: " : "refused: ") + preview.text, c.line);
    if (preview.accepted) {
        EXPECT_EQ(!Log().Questions().empty(), preview.text.ends_with("(asks first)"));
    }
}

INSTANTIATE_TEST_SUITE_P(, DropPreviewCases, testing::ValuesIn(kCases));

// Random projects and random drops over them (as the editing property test makes them).
TEST_F(DropPreviewTest, AcceptsExactlyTheDropsThatGoAheadAndChangesNothing) {
    static const std::map<int, std::string> kReasons = {
        {kMsgToneSpace, "free tone slot"},
        {kMsgWaveSpace, "free wave slot"},
        {kMsgWaveBytes, "waves would exceed 64 MB"}};
    std::map<std::string, int> seen;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        Generator generator(seed, m_files);
        CLumData a;
        CLumData b;
        generator.Fill(a);
        generator.Fill(b);
        CLumData* const projects[] = {&a, &b};
        for (int n = 0; n < 60 && !HasFailure(); ++n) {
            const Step step = generator.Next({&a, &b}, false);
            if (step.op != Op::Drop)
                continue;
            Log().Clear();
            const DropRequest request{
                projects[step.source], step.rows, step.kind, projects[step.target], step.at,
                step.insert,           step.copy};
            const DropPreview preview =
                PreviewThenDrop(request, "seed " + std::to_string(seed) + ": " + step.Describe());
            ++seen[preview.accepted ? "accepted" : "refused"];
            // A refusal the drop explains with an error, the preview explains with its reason.
            for (const int error : Log().Errors()) {
                ++seen["error"];
                EXPECT_NE(preview.text.find(kReasons.at(error)), std::string::npos) << preview.text;
            }
        }
    }
    EXPECT_GT(seen["accepted"], 10);
    EXPECT_GT(seen["error"], 0);
}

} // namespace
