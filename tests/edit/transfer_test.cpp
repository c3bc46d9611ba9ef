#include "edit/transfer.h"
#include "list_edit_support.h"

#include <gtest/gtest.h>

// What a drag carries: the dragged records, the tones and waves they need with the numbers they
// had, and the pictures a move within one project redirects through. Drops built on it are
// checked end to end by the list edit and editing property tests.
namespace {

using namespace Corv;
using namespace CorvTest;

// The names of an array's records, in order.
std::vector<std::string> Names(const CParameterArray& records) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < records.Size(); ++i)
        names.push_back(records.Item(i).Name());
    return names;
}

struct StoreCase {
    const char* name;
    int kind;
    std::vector<int> rows; // 0-based
    std::vector<std::string> dragged;
    std::vector<std::string> tones;
    std::vector<int> toneOrigins;
    std::vector<std::string> waves;
    std::vector<int> waveOrigins;
    bool patchPicture, tonePicture;
};

const StoreCase kStoreCases[] = {
    {"patches carry their tones and those tones' waves, each once, by number",
     kPatchKind,
     Rows(4, 1),
     {"P5", "P2"},
     {"T3", "T7"},
     Rows(3, 7),
     {"W2", "W4", "W11"},
     Rows(2, 4, 11),
     false,
     false},
    {"tones are their own origins and carry their waves and all patches",
     kToneKind,
     Rows(6, 2),
     {"T7", "T3"},
     {"T7", "T3"},
     Rows(7, 3),
     {"W2", "W4", "W11"},
     Rows(2, 4, 11),
     true,
     false},
    {"waves are their own origins and carry all tones",
     kWaveKind,
     Rows(10),
     {"W11"},
     {},
     {},
     {"W11"},
     Rows(11),
     false,
     true},
    {"a reference to an empty tone slot carries an empty record",
     kPatchKind,
     Rows(0),
     {"P1"},
     {""},
     Rows(12),
     {},
     {},
     false,
     false},
    {"rows outside the list are left out",
     kWaveKind,
     Rows(-1, 1, 999),
     {"W2"},
     {},
     {},
     {"W2"},
     Rows(2),
     false,
     true},
};

class StoreSelectionTest : public EditTest, public testing::WithParamInterface<StoreCase> {};

TEST_P(StoreSelectionTest, TakesCopiesWithTheirOrigins) {
    const StoreCase& c = GetParam();
    SCOPED_TRACE(c.name);
    CLumData a;
    FillSource(a);
    PutPatch(a, 1, 12); // tone 12 is empty
    RebuildUsers(a);
    const ProjectState before(a);

    const CTransfer transfer = StoreSelection(a, c.rows, c.kind);

    EXPECT_TRUE(before.Matches(a));
    EXPECT_EQ(transfer.kind, c.kind);
    EXPECT_EQ(Names(transfer.Dragged()), c.dragged);
    EXPECT_EQ(transfer.Count(), static_cast<int>(c.dragged.size()));
    EXPECT_EQ(Names(transfer.tones), c.tones);
    EXPECT_EQ(transfer.toneOrigins, c.toneOrigins);
    EXPECT_EQ(Names(transfer.waves), c.waves);
    EXPECT_EQ(transfer.waveOrigins, c.waveOrigins);
    EXPECT_EQ(transfer.patchPicture.Size(), c.patchPicture ? a.Patches().Size() : 0u);
    EXPECT_EQ(transfer.tonePicture.Size(), c.tonePicture ? a.Tones().Size() : 0u);
    // The copies keep their user lists as they were: no origin rides along in them.
    for (std::size_t i = 0; i < transfer.tones.Size(); ++i) {
        const int number = transfer.toneOrigins[i];
        EXPECT_EQ(transfer.tones[i].Users(),
                  number >= 1 ? a.Tones()[static_cast<std::size_t>(number - 1)].Users()
                              : std::vector<std::int32_t>{});
    }
}

INSTANTIATE_TEST_SUITE_P(, StoreSelectionTest, testing::ValuesIn(kStoreCases));

TEST(StoreSelection, AKindThatIsNoListCarriesNothing) {
    CLumData a;
    FillSource(a);
    const CTransfer transfer = StoreSelection(a, {1, 2}, 3);
    EXPECT_EQ(transfer.Count(), 0);
    EXPECT_EQ(transfer.patches.Size() + transfer.tones.Size() + transfer.waves.Size(), 0u);
}

} // namespace
