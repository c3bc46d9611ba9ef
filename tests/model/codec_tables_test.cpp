#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "model/codec.h"

// The codec tables written out once more, row by row, from the file format's own description,
// and compared with the tables the program uses.

namespace {

using Corv::CodecTable;
using Corv::ParameterDescriptor;

struct Row {
    int parameter;
    unsigned firstBit;
    unsigned width;
    unsigned bias;
    unsigned packDefault;
    unsigned resetValue;
    unsigned chainDigits;
};

// Patch tone slot: P0-P11, then P12-P55 one bit each at 66 + n with pack default 1.
std::vector<Row> PatchToneRows() {
    std::vector<Row> rows = {
        {0, 0, 1, 0, 0, 0, 0},    {1, 1, 7, 0, 87, 0, 0},  {2, 8, 7, 0, 0, 0, 0},
        {3, 15, 7, 0, 0, 0, 0},   {4, 22, 7, 0, 127, 0, 0}, {5, 29, 7, 0, 64, 0, 0},
        {6, 36, 7, 0, 0, 0, 0},   {7, 43, 7, 0, 127, 0, 0}, {8, 50, 7, 0, 0, 0, 0},
        {9, 57, 7, 0, 0, 0, 0},   {10, 64, 7, 0, 0, 0, 0},  {11, 71, 7, 0, 0, 0, 0},
    };
    for (int n = 12; n <= 55; ++n)
        rows.push_back({n, static_cast<unsigned>(66 + n), 1, 0, 1, 0, 0});
    return rows;
}

// Oscillator side 0 and the shared P0-P17: parameter, first bit, width, bias, pack default,
// reset value, digits of a chain (on its first digit; the chain's pack default is the field's).
const Row kOscSide0Rows[] = {
    {0, 0, 2, 0, 0, 0, 0},
    {1, 2, 1, 0, 0, 1, 0},
    {2, 3, 3, 0, 0, 0, 0},
    {3, 6, 7, 0, 127, 127, 0},
    {4, 13, 7, 0, 0, 0, 0},
    {5, 20, 7, 0, 0, 0, 0},
    {6, 27, 1, 0, 0, 1, 0},
    {7, 28, 7, 0, 127, 127, 0},
    {8, 35, 6, 32, 32, 64, 0},
    {9, 41, 7, 0, 64, 64, 0},
    {10, 48, 7, 0, 64, 64, 0},
    {11, 55, 6, 32, 32, 64, 0},
    {12, 61, 7, 0, 64, 64, 0},
    {13, 68, 7, 0, 127, 127, 0},
    {14, 75, 7, 0, 0, 0, 0},
    {15, 82, 7, 0, 0, 0, 0},
    {16, 89, 2, 0, 0, 0, 0},
    {17, 91, 1, 0, 0, 1, 0},
    {18, 92, 2, 0, 0, 0, 0},
    {19, 94, 5, 48, 16, 64, 0},
    {20, 99, 7, 0, 64, 64, 0},
    {21, 106, 6, 32, 42, 74, 0},
    {22, 112, 7, 0, 64, 64, 0},
    {23, 119, 7, 0, 64, 64, 0},
    {24, 126, 7, 0, 64, 64, 0},
    {25, 133, 7, 0, 64, 64, 0},
    {26, 140, 5, 0, 0, 0, 0},
    {27, 145, 7, 0, 127, 127, 0},
    {28, 152, 6, 32, 32, 64, 0},
    {29, 158, 7, 0, 64, 64, 0},
    {30, 165, 4, 0, 0, 0, 0},
    {31, 169, 6, 0, 10, 10, 0},
    {32, 175, 7, 0, 64, 64, 0},
    {33, 182, 6, 32, 32, 64, 0},
    {34, 188, 7, 0, 64, 64, 0},
    {35, 195, 7, 0, 64, 64, 0},
    {36, 202, 7, 0, 0, 0, 0},
    {37, 209, 6, 32, 32, 64, 0},
    {38, 215, 7, 0, 64, 64, 0},
    {39, 222, 7, 0, 64, 64, 0},
    {40, 229, 4, 0, 1, 0, 4},
    {41, 233, 4, 0, 0, 0, 0},
    {42, 237, 4, 0, 0, 0, 0},
    {43, 241, 4, 0, 0, 0, 0},
    {44, 248, 4, 0, 0, 0, 8},
    {45, 252, 4, 0, 0, 0, 0},
    {46, 256, 4, 0, 0, 0, 0},
    {47, 260, 4, 0, 0, 0, 0},
    {48, 264, 4, 0, 0, 0, 0},
    {49, 268, 4, 0, 0, 0, 0},
    {50, 272, 4, 0, 0, 0, 0},
    {51, 276, 4, 0, 0, 0, 0},
    {52, 280, 7, 0, 64, 64, 0},
    {53, 287, 6, 32, 32, 64, 0},
    {54, 293, 7, 0, 64, 64, 0},
    {55, 300, 7, 0, 64, 64, 0},
    {56, 307, 2, 0, 2, 2, 0},
    {57, 309, 7, 0, 64, 64, 0},
    {58, 316, 6, 32, 32, 64, 0},
    {59, 322, 7, 0, 64, 64, 0},
    {60, 329, 7, 0, 64, 64, 0},
    {61, 336, 1, 0, 0, 0, 0},
    {62, 337, 1, 0, 0, 0, 0},
    {63, 338, 2, 0, 0, 0, 0},
    {64, 340, 1, 0, 0, 1, 0},
    {65, 341, 1, 0, 1, 1, 0},
    {66, 342, 7, 0, 1, 0, 0},
    {67, 349, 1, 0, 1, 1, 0},
    {68, 350, 1, 0, 1, 1, 0},
    {69, 351, 1, 0, 0, 0, 0},
};

// Side 1: P70-P95 repeat P18-P43 260 bits on, P96-P120 repeat P44-P68 264 bits on.
std::vector<Row> OscRows() {
    std::vector<Row> rows(std::begin(kOscSide0Rows), std::end(kOscSide0Rows));
    for (int n = 70; n <= 120; ++n) {
        Row row = kOscSide0Rows[n - 52];
        row.parameter = n;
        row.firstBit += n <= 95 ? 260 : 264;
        rows.push_back(row);
    }
    return rows;
}

void ExpectTable(CodecTable table, const std::vector<Row>& rows) {
    ASSERT_EQ(table.size(), rows.size());
    for (const Row& row : rows) {
        const ParameterDescriptor& p = table[static_cast<std::size_t>(row.parameter)];
        SCOPED_TRACE("P" + std::to_string(row.parameter));
        EXPECT_EQ(p.firstBit, row.firstBit);
        EXPECT_EQ(p.width, row.width);
        EXPECT_EQ(p.bias, row.bias);
        EXPECT_EQ(p.packDefault, row.packDefault);
        EXPECT_EQ(p.resetValue, row.resetValue);
        EXPECT_EQ(p.chainDigits, row.chainDigits);
    }
}

// The bits of a block that no parameter covers; fails when two parameters overlap.
std::set<unsigned> UncoveredBits(CodecTable table, unsigned blockBits) {
    std::vector<int> owner(blockBits, -1);
    for (std::size_t n = 0; n < table.size(); ++n)
        for (unsigned b = table[n].firstBit; b < table[n].firstBit + table[n].width; ++b) {
            EXPECT_LT(b, blockBits) << "P" << n;
            if (b >= blockBits)
                continue;
            EXPECT_EQ(owner[b], -1) << "bit " << b << " of P" << n << " also in P" << owner[b];
            owner[b] = static_cast<int>(n);
        }
    std::set<unsigned> free;
    for (unsigned b = 0; b < blockBits; ++b)
        if (owner[b] < 0)
            free.insert(b);
    return free;
}

std::set<unsigned> Range(std::initializer_list<std::pair<unsigned, unsigned>> ranges) {
    std::set<unsigned> bits;
    for (const auto& [first, last] : ranges)
        for (unsigned b = first; b <= last; ++b)
            bits.insert(b);
    return bits;
}

TEST(CodecTables, PatchToneTableMatchesTheFormatRowByRow) {
    ExpectTable(Corv::PatchToneCodecTable(), PatchToneRows());
}

TEST(CodecTables, OscTableMatchesTheFormatRowByRow) { ExpectTable(Corv::OscCodecTable(), OscRows()); }

TEST(CodecTables, FieldsNeverOverlapAndLeaveOnlyTheUnusedBits) {
    EXPECT_EQ(UncoveredBits(Corv::PatchToneCodecTable(), 8 * Corv::kPatchToneBlockBytes),
              Range({{122, 127}}));
    EXPECT_EQ(UncoveredBits(Corv::OscCodecTable(), 8 * Corv::kOscBlockBytes),
              Range({{245, 247}, {505, 511}, {615, 623}}));
}

bool InDigitChain(std::size_t n) { return (n >= 40 && n <= 51) || (n >= 92 && n <= 103); }

TEST(CodecTables, PackDefaultAndResetValueDifferExactlyWhereTheFormatSaysSo) {
    // Compared in memory form (raw pack default plus bias); digit chains have a whole-field
    // default and are left out.
    const CodecTable osc = Corv::OscCodecTable();
    std::set<int> differ;
    for (std::size_t n = 0; n < osc.size(); ++n)
        if (!InDigitChain(n) && osc[n].packDefault + osc[n].bias != osc[n].resetValue)
            differ.insert(static_cast<int>(n));
    EXPECT_EQ(differ, (std::set<int>{1, 6, 17, 64, 66, 116, 118}));
}

} // namespace
