#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/codec.h"

namespace {

using Corv::CodecTable;
using Bytes = std::vector<std::uint8_t>;

struct TableCase {
    const char* name;
    CodecTable table;
    std::size_t blockBytes;
};

std::vector<TableCase> Tables() {
    return {{"patch tone", Corv::PatchToneCodecTable(), Corv::kPatchToneBlockBytes},
            {"oscillator", Corv::OscCodecTable(), Corv::kOscBlockBytes}};
}

Bytes RandomBlock(std::mt19937& random, std::size_t n) {
    Bytes block(n);
    for (auto& b : block)
        b = static_cast<std::uint8_t>(random() & 0xFF);
    return block;
}

int Count(CodecTable table) { return static_cast<int>(table.size()); }

bool BitOf(const Bytes& block, unsigned bit) { return (block[bit / 8] >> (7 - bit % 8)) & 1; }

// Marks the bits that belong to some parameter.
std::vector<bool> CoveredBits(CodecTable table, std::size_t blockBytes) {
    std::vector<bool> covered(8 * blockBytes, false);
    for (const auto& p : table)
        for (unsigned b = p.firstBit; b < p.firstBit + p.width; ++b)
            covered[b] = true;
    return covered;
}

// The first digit of the chain that parameter n belongs to, or -1.
int ChainStart(CodecTable table, int n) {
    for (int first = n; first >= 0 && n - first < 8; --first) {
        const auto& p = table[static_cast<std::size_t>(first)];
        if (p.chainDigits > 1)
            return n < first + p.chainDigits ? first : -1;
    }
    return -1;
}

TEST(Codec, ReadsAndWritesFieldsAsOneBigEndianBitStream) {
    Bytes block(4, 0);
    Corv::WriteField(block.data(), 6, 7, 0x7F); // crosses the first byte boundary
    EXPECT_EQ(block, (Bytes{0x03, 0xF8, 0x00, 0x00}));
    EXPECT_EQ(Corv::ReadField(block.data(), 6, 7), 0x7Fu);
    Corv::WriteField(block.data(), 0, 32, 0xA1B2C3D4);
    EXPECT_EQ(block, (Bytes{0xA1, 0xB2, 0xC3, 0xD4}));
    Corv::WriteField(block.data(), 13, 3, 0);
    EXPECT_EQ(block, (Bytes{0xA1, 0xB0, 0xC3, 0xD4}));
    EXPECT_EQ(Corv::ReadField(block.data(), 4, 12), 0x1B0u);
}

// Every raw value of every field survives unpacking and packing back into the same bytes, and
// unpacks to raw + bias.
TEST(Codec, EveryValueOfEveryFieldRoundTrips) {
    std::mt19937 random(11);
    for (const TableCase& t : Tables()) {
        SCOPED_TRACE(t.name);
        const int count = Count(t.table);
        Bytes params(static_cast<std::size_t>(count));
        for (int n = 0; n < count; ++n) {
            const auto& p = t.table[static_cast<std::size_t>(n)];
            for (std::uint32_t raw = 0; raw < (1u << p.width); ++raw) {
                Bytes block = RandomBlock(random, t.blockBytes);
                Corv::WriteField(block.data(), p.firstBit, p.width, raw);
                ASSERT_EQ(Corv::UnpackParameters(block.data(), t.table, params.data(), count), count);
                ASSERT_EQ(params[static_cast<std::size_t>(n)], raw + p.bias) << "P" << n;
                Bytes packed = block;
                ASSERT_EQ(Corv::PackParameters(packed.data(), t.table, params.data(), count), count);
                ASSERT_EQ(packed, block) << "P" << n << " raw " << raw;
            }
        }
    }
}

// Packing into another buffer takes every parameter bit from the unpacked values and keeps
// every other bit of the buffer.
TEST(Codec, PackingKeepsTheBitsOutsideEveryField) {
    std::mt19937 random(12);
    for (const TableCase& t : Tables()) {
        SCOPED_TRACE(t.name);
        const std::vector<bool> covered = CoveredBits(t.table, t.blockBytes);
        const int count = Count(t.table);
        for (int round = 0; round < 200; ++round) {
            const Bytes source = RandomBlock(random, t.blockBytes);
            const Bytes target = RandomBlock(random, t.blockBytes);
            Bytes params(static_cast<std::size_t>(count));
            ASSERT_EQ(Corv::UnpackParameters(source.data(), t.table, params.data(), count), count);
            Bytes packed = target;
            ASSERT_EQ(Corv::PackParameters(packed.data(), t.table, params.data(), count), count);
            for (unsigned bit = 0; bit < covered.size(); ++bit)
                ASSERT_EQ(BitOf(packed, bit), BitOf(covered[bit] ? source : target, bit)) << bit;
        }
    }
}

// A value below the bias or above the field writes the field's pack default.
TEST(Codec, ValuesThatDoNotFitWriteThePackDefault) {
    std::mt19937 random(13);
    for (const TableCase& t : Tables()) {
        SCOPED_TRACE(t.name);
        const int count = Count(t.table);
        for (int n = 0; n < count; ++n) {
            const auto& p = t.table[static_cast<std::size_t>(n)];
            if (ChainStart(t.table, n) >= 0)
                continue;
            std::vector<int> misfits;
            if (p.bias > 0)
                misfits.push_back(p.bias - 1);
            if ((1u << p.width) + p.bias <= 255)
                misfits.push_back(static_cast<int>((1u << p.width) + p.bias));
            misfits.push_back(255);
            for (const int value : misfits) {
                Bytes block = RandomBlock(random, t.blockBytes);
                Bytes params(static_cast<std::size_t>(count));
                Corv::UnpackParameters(block.data(), t.table, params.data(), count);
                params[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(value);
                ASSERT_EQ(Corv::PackParameters(block.data(), t.table, params.data(), count), count);
                EXPECT_EQ(Corv::ReadField(block.data(), p.firstBit, p.width), p.packDefault)
                    << "P" << n << " value " << value;
            }
        }
    }
}

TEST(Codec, SixBitSignedParameterCentresOn64) {
    const CodecTable osc = Corv::OscCodecTable();
    const auto& p8 = osc[8];
    struct Case {
        std::uint8_t unpacked;
        std::uint32_t raw;
    };
    for (const Case c : {Case{64, 32}, Case{32, 0}, Case{95, 63}, Case{10, 32}, Case{96, 32}}) {
        Bytes block(Corv::kOscBlockBytes, 0);
        Bytes params(Corv::kOscParameterCount);
        Corv::UnpackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
        params[8] = c.unpacked;
        Corv::PackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
        EXPECT_EQ(Corv::ReadField(block.data(), p8.firstBit, p8.width), c.raw) << int{c.unpacked};
    }
}

struct ChainCase {
    int first;
    int digits;
};

// Both sides' wave number chains (16 bits) and the two 32-bit chains.
const ChainCase kChains[] = {{40, 4}, {44, 8}, {92, 4}, {96, 8}};

TEST(Codec, DigitChainsCombineMostSignificantDigitFirst) {
    const CodecTable osc = Corv::OscCodecTable();
    for (const ChainCase c : kChains) {
        const auto& head = osc[static_cast<std::size_t>(c.first)];
        ASSERT_EQ(head.chainDigits, c.digits);
        Bytes block(Corv::kOscBlockBytes, 0xFF);
        Bytes params(Corv::kOscParameterCount);
        Corv::UnpackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
        std::uint32_t expected = 0;
        for (int d = 0; d < c.digits; ++d) {
            params[static_cast<std::size_t>(c.first + d)] = static_cast<std::uint8_t>((d * 5 + 3) % 16);
            expected = (expected << 4) | static_cast<std::uint32_t>((d * 5 + 3) % 16);
        }
        Corv::PackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
        const unsigned width = 4u * static_cast<unsigned>(c.digits);
        EXPECT_EQ(Corv::ReadField(block.data(), head.firstBit, width), expected) << "P" << c.first;

        // Unpacking gives each digit on its own again.
        Bytes again(Corv::kOscParameterCount);
        Corv::UnpackParameters(block.data(), osc, again.data(), Corv::kOscParameterCount);
        for (int d = 0; d < c.digits; ++d)
            EXPECT_EQ(again[static_cast<std::size_t>(c.first + d)], (d * 5 + 3) % 16);
    }
}

TEST(Codec, DigitChainWithADigitAbove15WritesTheChainDefault) {
    const CodecTable osc = Corv::OscCodecTable();
    for (const ChainCase c : kChains) {
        for (int bad = 0; bad < c.digits; ++bad) {
            const auto& head = osc[static_cast<std::size_t>(c.first)];
            Bytes block(Corv::kOscBlockBytes, 0x5A);
            Bytes params(Corv::kOscParameterCount);
            Corv::UnpackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
            params[static_cast<std::size_t>(c.first + bad)] = 16;
            Corv::PackParameters(block.data(), osc, params.data(), Corv::kOscParameterCount);
            EXPECT_EQ(Corv::ReadField(block.data(), head.firstBit, 4u * static_cast<unsigned>(c.digits)),
                      head.packDefault)
                << "P" << c.first << " digit " << bad;
        }
    }
    EXPECT_EQ(osc[40].packDefault, 1u);
    EXPECT_EQ(osc[44].packDefault, 0u);
}

TEST(Codec, MalformedChainIsRefused) {
    using P = Corv::ParameterDescriptor;
    // A plain field, then a chain whose digits claim more room than a 32-bit field has.
    const std::vector<P> tooWide = {{0, 4, 0, 0, 0, 0}, {4, 4, 0, 0, 0, 9}, {8, 4, 0, 0, 0, 0},
                                    {12, 4, 0, 0, 0, 0}, {16, 4, 0, 0, 0, 0}, {20, 4, 0, 0, 0, 0},
                                    {24, 4, 0, 0, 0, 0}, {28, 4, 0, 0, 0, 0}, {32, 4, 0, 0, 0, 0},
                                    {36, 4, 0, 0, 0, 0}};
    // A chain whose second digit does not follow the first.
    const std::vector<P> gap = {{0, 4, 0, 0, 0, 2}, {8, 4, 0, 0, 0, 0}};
    // A chain cut short by the count.
    const std::vector<P> cut = {{0, 4, 0, 0, 0, 4}, {4, 4, 0, 0, 0, 0}, {8, 4, 0, 0, 0, 0},
                                {12, 4, 0, 0, 0, 0}};
    struct Case {
        const std::vector<P>* table;
        int count;
        int packed;
    };
    for (const Case c : {Case{&tooWide, 10, 1}, Case{&gap, 2, 0}, Case{&cut, 3, 0}}) {
        Bytes block(8, 0x11);
        Bytes params(10, 3);
        const CodecTable table(c.table->data(), c.table->size());
        EXPECT_EQ(Corv::UnpackParameters(block.data(), table, params.data(), c.count), -1);
        const int written = Corv::PackParameters(block.data(), table, params.data(), c.count);
        EXPECT_EQ(written, c.packed);
        EXPECT_LT(written, c.count);
    }
}

} // namespace
