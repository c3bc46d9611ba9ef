#include <gtest/gtest.h>

#include <random>
#include <set>
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

const TableCase kTables[] = {{"patch tone", Corv::PatchToneCodecTable(), Corv::kPatchToneBlockBytes},
                             {"oscillator", Corv::OscCodecTable(), Corv::kOscBlockBytes}};

Bytes RandomBlock(std::mt19937& random, std::size_t n) {
    Bytes block(n);
    for (auto& b : block)
        b = static_cast<std::uint8_t>(random() & 0xFF);
    return block;
}

int Count(CodecTable table) { return static_cast<int>(table.size()); }

Bytes Unpack(CodecTable table, const Bytes& block) {
    Bytes params(table.size());
    EXPECT_EQ(Corv::UnpackParameters(block.data(), table, params.data(), Count(table)), Count(table));
    return params;
}

void Pack(CodecTable table, Bytes& block, const Bytes& params) {
    EXPECT_EQ(Corv::PackParameters(block.data(), table, params.data(), Count(table)), Count(table));
}

// Owner of every bit of a block (-1: none); fails when two parameters overlap.
std::vector<int> BitOwners(CodecTable table, std::size_t blockBytes) {
    std::vector<int> owner(8 * blockBytes, -1);
    for (std::size_t n = 0; n < table.size(); ++n)
        for (unsigned b = table[n].firstBit; b < table[n].firstBit + table[n].width; ++b) {
            if (b >= owner.size() || owner[b] >= 0)
                ADD_FAILURE() << "bit " << b << " of P" << n << " is outside or shared";
            else
                owner[b] = static_cast<int>(n);
        }
    return owner;
}

// The bits of `fields` where a parameter lies, the bits of `rest` elsewhere.
Bytes Merge(const Bytes& fields, const Bytes& rest, const std::vector<int>& owner) {
    Bytes out = rest;
    for (unsigned bit = 0; bit < owner.size(); ++bit) {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        if (owner[bit] >= 0)
            out[bit / 8] = static_cast<std::uint8_t>((out[bit / 8] & ~mask) | (fields[bit / 8] & mask));
    }
    return out;
}

// Parameters that are digits of a chain (packed as one whole field).
std::set<std::size_t> ChainDigits(CodecTable table) {
    std::set<std::size_t> digits;
    for (std::size_t n = 0; n < table.size(); ++n)
        for (std::size_t d = 0; table[n].chainDigits > 1 && d < table[n].chainDigits; ++d)
            digits.insert(n + d);
    return digits;
}

TEST(Codec, ReadsAndWritesFieldsAsOneBigEndianBitStream) {
    Bytes block(4, 0);
    Corv::WriteField(block.data(), 6, 7, 0x7F); // crosses the first byte boundary
    EXPECT_EQ(block, (Bytes{0x03, 0xF8, 0x00, 0x00}));
    Corv::WriteField(block.data(), 0, 32, 0xA1B2C3D4);
    Corv::WriteField(block.data(), 13, 3, 0);
    EXPECT_EQ(block, (Bytes{0xA1, 0xB0, 0xC3, 0xD4}));
    EXPECT_EQ(Corv::ReadField(block.data(), 4, 12), 0x1B0u);
}

TEST(Codec, FieldsNeverOverlapAndLeaveOnlyTheUnusedBits) {
    using Runs = std::vector<std::pair<unsigned, unsigned>>;
    const Runs unused[] = {{{122, 127}}, {{245, 247}, {505, 511}, {615, 623}}};
    for (std::size_t t = 0; t < 2; ++t) {
        const std::vector<int> owner = BitOwners(kTables[t].table, kTables[t].blockBytes);
        std::set<unsigned> unowned, expected;
        for (unsigned b = 0; b < owner.size(); ++b)
            if (owner[b] < 0)
                unowned.insert(b);
        for (const auto& [first, last] : unused[t])
            for (unsigned b = first; b <= last; ++b)
                expected.insert(b);
        EXPECT_EQ(unowned, expected) << kTables[t].name;
    }
}

// Compared in memory form (raw pack default plus bias); digit chains have a whole-field default.
TEST(Codec, PackDefaultAndResetValueDifferForExactlySevenOscParameters) {
    const CodecTable osc = Corv::OscCodecTable();
    const std::set<std::size_t> chains = ChainDigits(osc);
    std::set<int> differ;
    for (std::size_t n = 0; n < osc.size(); ++n)
        if (!chains.count(n) && osc[n].packDefault + osc[n].bias != osc[n].resetValue)
            differ.insert(static_cast<int>(n));
    EXPECT_EQ(differ, (std::set<int>{1, 6, 17, 64, 66, 116, 118}));
}

// Every raw value of every field unpacks to raw + bias; packing into another block takes every
// parameter bit from the source and keeps every other bit of the target.
TEST(Codec, EveryValueOfEveryFieldRoundTripsAndOtherBitsStay) {
    std::mt19937 random(11);
    for (const TableCase& t : kTables) {
        SCOPED_TRACE(t.name);
        const std::vector<int> owner = BitOwners(t.table, t.blockBytes);
        for (std::size_t n = 0; n < t.table.size(); ++n) {
            const auto& p = t.table[n];
            for (std::uint32_t raw = 0; raw < (1u << p.width); ++raw) {
                Bytes source = RandomBlock(random, t.blockBytes);
                Corv::WriteField(source.data(), p.firstBit, p.width, raw);
                const Bytes params = Unpack(t.table, source);
                ASSERT_EQ(params[n], raw + p.bias) << "P" << n;
                Bytes packed = RandomBlock(random, t.blockBytes);
                const Bytes expected = Merge(source, packed, owner);
                Pack(t.table, packed, params);
                ASSERT_EQ(packed, expected) << "P" << n << " raw " << raw;
            }
        }
    }
}

// A value below the bias or above the field writes the field's pack default.
TEST(Codec, ValuesThatDoNotFitWriteThePackDefault) {
    std::mt19937 random(13);
    for (const TableCase& t : kTables) {
        const std::set<std::size_t> chains = ChainDigits(t.table);
        for (std::size_t n = 0; n < t.table.size(); ++n) {
            const auto& p = t.table[n];
            std::vector<unsigned> misfits = {255};
            if (p.bias > 0)
                misfits.push_back(p.bias - 1u);
            if ((1u << p.width) + p.bias <= 255)
                misfits.push_back((1u << p.width) + p.bias);
            for (std::size_t m = 0; m < misfits.size() && !chains.count(n); ++m) {
                Bytes block = RandomBlock(random, t.blockBytes);
                Bytes params = Unpack(t.table, block);
                params[n] = static_cast<std::uint8_t>(misfits[m]);
                Pack(t.table, block, params);
                EXPECT_EQ(Corv::ReadField(block.data(), p.firstBit, p.width), p.packDefault)
                    << t.name << " P" << n << " value " << misfits[m];
            }
        }
    }
}

// Digits combine most significant first; one digit above 15 writes the chain's pack default.
TEST(Codec, DigitChainsCombineOrFallBackToTheChainDefault) {
    struct Chain {
        std::size_t first;
        unsigned digits;
    };
    const CodecTable osc = Corv::OscCodecTable();
    for (const Chain c : {Chain{40, 4}, Chain{44, 8}, Chain{92, 4}, Chain{96, 8}}) {
        const auto& head = osc[c.first];
        ASSERT_EQ(head.chainDigits, c.digits);
        for (int bad = -1; bad < static_cast<int>(c.digits); ++bad) {
            Bytes block(Corv::kOscBlockBytes, 0xFF);
            Bytes params = Unpack(osc, block);
            std::uint32_t value = 0;
            for (unsigned d = 0; d < c.digits; ++d) {
                const auto digit = static_cast<std::uint8_t>((d * 5 + 3) % 16);
                params[c.first + d] = static_cast<int>(d) == bad ? 16 : digit;
                value = (value << 4) | digit;
            }
            Pack(osc, block, params);
            EXPECT_EQ(Corv::ReadField(block.data(), head.firstBit, 4 * c.digits),
                      bad < 0 ? value : head.packDefault)
                << "P" << c.first << " bad digit " << bad;
        }
    }
}

TEST(Codec, MalformedChainIsRefused) {
    using P = Corv::ParameterDescriptor;
    // A plain field, then a chain whose digits claim more room than a 32-bit field has.
    std::vector<P> tooWide = {{0, 4, 0, 0, 0, 0}, {4, 4, 0, 0, 0, 9}};
    for (std::uint16_t bit = 8; bit < 40; bit += 4)
        tooWide.push_back({bit, 4, 0, 0, 0, 0});
    const std::vector<P> gap = {{0, 4, 0, 0, 0, 2}, {8, 4, 0, 0, 0, 0}}; // second digit elsewhere
    const std::vector<P> cut = {{0, 4, 0, 0, 0, 4}, {4, 4, 0, 0, 0, 0}, {8, 4, 0, 0, 0, 0}};
    struct Case {
        const std::vector<P>* table;
        int packed;
    };
    for (const Case c : {Case{&tooWide, 1}, Case{&gap, 0}, Case{&cut, 0}}) {
        Bytes block(8, 0x11);
        Bytes params(10, 3);
        const CodecTable table(c.table->data(), c.table->size());
        const int count = Count(table);
        EXPECT_EQ(Corv::UnpackParameters(block.data(), table, params.data(), count), -1);
        EXPECT_EQ(Corv::PackParameters(block.data(), table, params.data(), count), c.packed);
    }
}

} // namespace
