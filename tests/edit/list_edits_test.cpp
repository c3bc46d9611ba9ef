#include "edit/drop.h"
#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"
#include "list_edit_support.h"
#include "support/faulty_file_system.h"

#include <functional>
#include <gtest/gtest.h>

// The exact edges of drops and deletes, and the preview of a drop; the editing property test
// covers the general case: placing, renumbering and carrying records, and the references that
// follow them, and that a preview changes nothing.
namespace {

using namespace Corv;
using namespace CorvTest;
using CorvTest::Property::SizedFileSystem;

class ListEdits : public EditTest {
public:
    void SetSize(const CLumData& project, int wave, std::uint64_t bytes) {
        m_files.SetSize(project.Waves()[static_cast<std::size_t>(wave - 1)].FilePath(),
                        static_cast<std::uint32_t>(bytes));
    }

protected:
    SizedFileSystem m_files;
    ScopedFileSystem m_scope{m_files};
};

// Fills a project's tone and wave lists up to their last `tonesFree` and `wavesFree` slots.
void Fill(CLumData& project, int tonesFree, int wavesFree) {
    for (int t = 1; t <= kToneSlots - tonesFree; ++t)
        PutTone(project, t, {}, "", "B");
    for (int w = 1; w <= kWaveSlots - wavesFree; ++w)
        PutWave(project, w, "", "B");
}

struct CheckCase {
    const char* name;
    std::function<void(CLumData& source, CLumData& target, SizedFileSystem& files)> setUp;
    int kind = kPatchKind;
    std::vector<int> rows;
    int at = 0;
    bool insert = false;
    bool otherProject = true;
    int answer = kAnswerOk; // to the question, if one is asked
    bool allowed = true;
    int question = 0;  // 0: none
    int error = 0;     // 0: none
    int copyFlag = -1; // -1: a move (the default of a drop that says nothing)
};

auto Nothing = [](CLumData&, CLumData&, SizedFileSystem&) {};
auto UsedPatch(int number) {
    return [number](CLumData&, CLumData& b, SizedFileSystem&) { PutPatch(b, number, 0); };
}
auto Free(int tones, int waves) {
    return [tones, waves](CLumData&, CLumData& b, SizedFileSystem&) { Fill(b, tones, waves); };
}
// A's wave 4 takes what B's wave 1 of 40,000,000 bytes leaves of the size limit, and `over`
// bytes more; B's wave 2 cannot be opened and counts 0.
auto Bytes(std::uint32_t over) {
    return [over](CLumData& a, CLumData& b, SizedFileSystem& files) {
        PutWave(b, 1, "", "B");
        PutWave(b, 2, "", "B");
        files.SetSize(b.Waves()[0].FilePath(), 40'000'000);
        files.SetSize(a.Waves()[3].FilePath(), kWaveBytesLimit - 40'000'000 + over);
    };
}
auto HalfLimit = [](CLumData& a, CLumData&, SizedFileSystem& files) {
    files.SetSize(a.Waves()[3].FilePath(), kWaveBytesLimit / 2 + 1);
};

const CheckCase kCheckCases[] = {
    {.name = "three patches at 510 do not fit",
     .setUp = UsedPatch(511),
     .rows = Rows(1, 4, 8),
     .at = 510,
     .otherProject = false,
     .allowed = false},
    {.name = "three patches inserted at 510 do not fit",
     .setUp = Nothing,
     .rows = Rows(1, 4, 8),
     .at = 510,
     .insert = true,
     .allowed = false},
    {.name = "overwriting empty slots asks nothing",
     .setUp = Nothing,
     .rows = Rows(1, 4),
     .at = 100,
     .answer = kAnswerCancel},
    {.name = "cancelling the overwrite question refuses",
     .setUp = UsedPatch(101),
     .rows = Rows(1),
     .at = 100,
     .answer = kAnswerCancel,
     .allowed = false,
     .question = kMsgOverwrite},
    {.name = "inserting with empty last slots asks nothing",
     .setUp = UsedPatch(510),
     .rows = Rows(1, 4),
     .at = 0,
     .insert = true,
     .answer = kAnswerCancel},
    {.name = "inserting pushes a used last slot out",
     .setUp = UsedPatch(511),
     .rows = Rows(1, 4),
     .at = 0,
     .insert = true,
     .answer = kAnswerCancel,
     .allowed = false,
     .question = kMsgInsert},
    {.name = "too few tone slots, checked before waves",
     .setUp = Free(1, 0),
     .rows = Rows(4),
     .allowed = false,
     .error = kMsgToneSpace},
    {.name = "exactly the free tone and wave slots the drop carries into",
     .setUp = Free(2, 3),
     .rows = Rows(4)},
    {.name = "too few wave slots for carried waves",
     .setUp = Free(kToneSlots, 2),
     .rows = Rows(4),
     .allowed = false,
     .error = kMsgWaveSpace},
    {.name = "tones need wave slots too",
     .setUp = Free(kToneSlots, 1),
     .kind = kToneKind,
     .rows = Rows(6),
     .insert = true,
     .allowed = false,
     .error = kMsgWaveSpace},
    {.name = "waves need no free slots",
     .setUp = Free(kToneSlots, 0),
     .kind = kWaveKind,
     .rows = Rows(1, 3),
     .at = 5,
     .question = kMsgOverwrite},
    {.name = "within one project slot space is not needed",
     .setUp = [](CLumData& a, CLumData&, SizedFileSystem&) { Fill(a, 0, 0); },
     .rows = Rows(4),
     .at = 300,
     .otherProject = false},
    {.name = "carried waves up to the size limit exactly",
     .setUp = Bytes(0),
     .kind = kWaveKind,
     .rows = Rows(3),
     .at = 5,
     .insert = true},
    {.name = "carried waves one byte over the limit",
     .setUp = Bytes(1),
     .kind = kWaveKind,
     .rows = Rows(3),
     .at = 5,
     .insert = true,
     .allowed = false,
     .error = kMsgWaveBytes},
    {.name = "an overwrite does not count the waves it replaces",
     .setUp = Bytes(1),
     .kind = kWaveKind,
     .rows = Rows(3),
     .at = 0,
     .question = kMsgOverwrite},
    {.name = "a copy within one project counts its carried waves",
     .setUp = HalfLimit,
     .rows = Rows(4),
     .at = 100,
     .otherProject = false,
     .allowed = false,
     .error = kMsgWaveBytes,
     .copyFlag = 1},
    {.name = "a move within one project does not",
     .setUp = HalfLimit,
     .rows = Rows(4),
     .at = 100,
     .otherProject = false,
     .copyFlag = 0},
};

class DropChecks : public ListEdits, public testing::WithParamInterface<CheckCase> {};

TEST_P(DropChecks, RefuseOrProceedWithTheirMessages) {
    const CheckCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a;
    FillSource(a);
    CLumData other;
    CLumData& target = c.otherProject ? other : a;
    c.setUp(a, target, m_files);
    const bool copy = c.copyFlag == 1;
    RebuildUsers(a);
    RebuildUsers(target);
    Log().SetDefaultAnswer(c.answer);
    Undo().Record(KindSet::Of(kPatchKind), a); // an earlier undo step must survive a refusal
    const ProjectState before(target);

    const CTransfer transfer = StoreSelection(a, c.rows, c.kind);
    const EditOutcome outcome =
        c.insert ? Insert(target, c.at, transfer, c.otherProject, copy, Undo(), Confirm())
                 : Overwrite(target, c.at, transfer, c.otherProject, copy, Undo(), Confirm());
    ShowRefusal(Domain(), outcome); // as the programs show it
    const bool done = outcome.Done();

    EXPECT_EQ(done, c.allowed);
    EXPECT_EQ(Log().Questions(), c.question ? std::vector<int>{c.question} : std::vector<int>{});
    EXPECT_EQ(Log().Errors(), c.error ? std::vector<int>{c.error} : std::vector<int>{});
    if (!c.allowed) {
        EXPECT_TRUE(before.Matches(target));
        EXPECT_TRUE(Undo().Slots()[0].owner == &a && !Undo().Slots()[0].saved[kToneKind]);
    } else {
        EXPECT_EQ(Undo().Slots()[0].owner, &target);
        EXPECT_TRUE(UsersMatchReferences(target));
    }
}

INSTANTIATE_TEST_SUITE_P(, DropChecks, testing::ValuesIn(kCheckCases));

// Old numbers name the slots their records went to, the first record of a number counting;
// numbers no placed record came from (or past the slots given) stay unknown.
TEST(Renumbering, GivesEachOldNumberTheSlotOfItsFirstRecord) {
    const Corv::ListEdits::Renumbering renumbering({5, 3, 5, -1, 0, 7}, {10, 20, 30, 40, 50});
    const int cases[][2] = {{5, 11}, {3, 21}, {0, 51}, {7, 0}, {-1, 0}, {4, 0}, {1000, 0}};
    for (const auto& [old, renumbered] : cases)
        EXPECT_EQ(renumbering.NewNumber(old), renumbered) << old;
}

// Rows outside the list are ignored; the random deletes of the editing property test cover the
// rest.
TEST_F(ListEdits, DeletesIgnoreRowsOutsideTheList) {
    CLumData a;
    FillSource(a);
    const ProjectState before(a);
    EXPECT_TRUE(EmptyEntries(a, {-1, 512, 100000}, kPatchKind, true));
    EXPECT_TRUE(before.Matches(a));
}

// A drop from A onto A or B, rows and position 1-based, and the line of its preview.
struct PreviewCase;

class DropPreviewTest : public ListEdits, public testing::WithParamInterface<PreviewCase> {};

// A: patches 1-4 on tones 1, 2, 5 and (1, 5), patch 6 on tone 7; tone 1 on wave 1, tone 2 on waves
// 2 and 3, tone 5 on wave 3; waves of 100,000, 200,000 and 1,063,149 bytes (1.3 MB together).
void FillPreviewSource(CLumData& a) {
    for (int w = 1; w <= 3; ++w)
        PutWave(a, w);
    PutTone(a, 1, {1});
    PutTone(a, 2, {2, 3});
    PutTone(a, 5, {3});
    const int tones[][2] = {{1, 0}, {2, 0}, {5, 0}, {1, 5}};
    for (int p = 1; p <= 4; ++p)
        PutPatch(a, p, tones[p - 1][0], tones[p - 1][1]);
    PutPatch(a, 6, 7); // on an empty tone slot
}

using SetUp = void (*)(CLumData& a, CLumData& b, DropPreviewTest& t);
void NoChange(CLumData&, CLumData&, DropPreviewTest&) {}
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
    {"a copy carries tones, waves and their bytes", NoChange, false, kPatchKind, Rows(1, 2, 3, 4),
     10, false, -1,
     "ok: copy 4 patches to B.prj rows 10-13 (overwrite), carrying 3 tones, 3 waves, 1.3 MB"},
    {"an empty tone record carried along is no tone", NoChange, false, kPatchKind, Rows(6), 1,
     false, -1, "ok: copy 1 patch to B.prj row 1 (overwrite)"},
    {"within one project nothing travels", NoChange, true, kToneKind, Rows(1), 5, true, -1,
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
    {"empty rows", NoChange, false, kPatchKind, Rows(11, 12), 1, false, -1,
     "refused: nothing to drop: the dragged rows are empty"},
    // A block onto its own first row does nothing, unless a copy is inserted there (a move there
    // is shown end to end by the command-line tool's preview).
    {"onto itself as a copy", NoChange, true, kPatchKind, Rows(3, 4, 2), 2, false, 1,
     "refused: nothing to do: the block is dropped onto itself"},
    {"inserted onto itself", NoChange, true, kPatchKind, Rows(2, 3, 4), 2, true, -1,
     "refused: nothing to do: the block is dropped onto itself"},
    {"a copy inserted onto itself", NoChange, true, kPatchKind, Rows(4, 2, 3), 2, true, 1,
     "ok: copy 3 patches to rows 2-4 (insert) - moves patches 2-6 down to 5-9"},
    {"a move of tones clears what referred to them in the source", NoChange, false, kToneKind,
     Rows(1, 5), 1, false, 0,
     "ok: move 2 tones to B.prj rows 1-2 (overwrite), carrying 2 waves, 1.1 MB - clears tone "
     "references in 3 patches of A.prj (1, 3, 4)"},
    {"an insert says what it moves down and what it pushes off", UsedAtEnd, true, kPatchKind,
     Rows(1), 4, true, 1,
     "ok: copy 1 patch to row 4 (insert) - moves patches 4-511 down to 5-512; pushes 1 used patch "
     "off the end (asks first)"},
    {"a copy of no block onto itself", NoChange, true, kPatchKind, Rows(2, 4), 2, false, 1,
     "ok: copy 2 patches to rows 2-3 (overwrite); overwrites 2 used patches (asks first)"},
    {"a block one row on", NoChange, true, kPatchKind, Rows(2, 3, 4), 3, false, -1,
     "ok: move 3 patches to rows 3-5 (overwrite); overwrites 2 used patches (asks first)"},
    {"a block inserted one row back", NoChange, true, kPatchKind, Rows(2, 3, 4), 1, true, -1,
     "ok: move 3 patches to rows 1-3 (insert)"},
    {"no rows", NoChange, false, kPatchKind, Rows(), 1, false, -1,
     "refused: nothing to drop: no rows are dragged"},
    {"a row past the list", NoChange, false, kPatchKind, Rows(1, 513), 1, false, -1,
     "refused: nothing to drop: row 513 lies outside the list"},
    {"a row before the list", NoChange, false, kPatchKind, Rows(0, 1), 1, false, -1,
     "refused: nothing to drop: row 0 lies outside the list"},
};

// The same drop with every question agreed to goes ahead exactly when the preview accepted it,
// and asks exactly when the preview said it would.
TEST_P(DropPreviewTest, SaysWhatTheDropWouldDoAndAcceptsWhatGoesAhead) {
    const PreviewCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a;
    CLumData b;
    FillPreviewSource(a);
    SetSize(a, 1, 100'000);
    SetSize(a, 2, 200'000);
    SetSize(a, 3, 1'063'149);
    c.setUp(a, b, *this);
    RebuildUsers(a);
    RebuildUsers(b);
    DropRequest request{&a, {}, c.kind, c.sameProject ? &a : &b, c.at - 1, c.insert, {}};
    for (const int row : c.rows)
        request.rows.push_back(row - 1);
    if (c.copy >= 0)
        request.copy = c.copy == 1;
    const DropPreview preview = PreviewDrop(request, "B.prj", "A.prj");
    EXPECT_EQ((preview.accepted ? "ok: " : "refused: ") + preview.text, c.line);
    EXPECT_TRUE(Log().Calls().empty());
    Log().SetDefaultAnswer(SinkLog::kAgree);
    EXPECT_EQ(PerformDrop(request, Undo(), Confirm()).done, preview.accepted) << Log().Describe();
    if (preview.accepted) {
        EXPECT_EQ(!Log().Questions().empty(), preview.text.ends_with("(asks first)"));
        // The status line's past tense and the undo step's name say the same drop.
        const bool copied = preview.text.starts_with("copy ");
        const std::string where = preview.text.substr(5, preview.text.find(" (") - 5);
        EXPECT_TRUE(preview.done.starts_with((copied ? "Copied " : "Moved ") + where))
            << preview.done;
        EXPECT_EQ(preview.done.find(" with ") != std::string::npos,
                  preview.text.find(", carrying ") != std::string::npos);
        EXPECT_EQ(preview.what,
                  (copied ? "copy of " : "move of ") + where.substr(0, where.find(" to ")));
    }
}

INSTANTIATE_TEST_SUITE_P(, DropPreviewTest, testing::ValuesIn(kCases));

} // namespace
