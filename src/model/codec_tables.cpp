#include <array>

#include "model/codec.h"

// The two codec tables, one row per parameter in parameter order. Columns: first bit, width,
// bias, pack default, reset value, and for the first digit of a digit chain the number of
// digits (the pack default of a chain applies to the whole field).

namespace Corv {

namespace {

using P = ParameterDescriptor;

// Patch tone slot: 16 bytes, bits 122-127 unused. Reset values are all 0.
constexpr std::array<P, kPatchToneParameterCount> MakePatchToneTable() {
    std::array<P, kPatchToneParameterCount> t{{
        //  first width bias packDefault reset chain
        {0, 1, 0, 0, 0, 0},    // P0  tone switch
        {1, 7, 0, 87, 0, 0},   // P1  bank code (87 = project tone)
        {8, 7, 0, 0, 0, 0},    // P2  tone number, high part
        {15, 7, 0, 0, 0, 0},   // P3  tone number, low part
        {22, 7, 0, 127, 0, 0}, // P4
        {29, 7, 0, 64, 0, 0},  // P5
        {36, 7, 0, 0, 0, 0},   // P6
        {43, 7, 0, 127, 0, 0}, // P7
        {50, 7, 0, 0, 0, 0},   // P8
        {57, 7, 0, 0, 0, 0},   // P9
        {64, 7, 0, 0, 0, 0},   // P10
        {71, 7, 0, 0, 0, 0},   // P11
    }};
    // P12 to P55: one bit each at bit 66 + n, pack default 1.
    for (int n = 12; n < kPatchToneParameterCount; ++n)
        t[static_cast<std::size_t>(n)] = {static_cast<std::uint16_t>(66 + n), 1, 0, 1, 0, 0};
    return t;
}

// Oscillator block: 78 bytes; bits 245-247, 505-511 and 615-623 belong to no parameter.
constexpr std::array<P, 70> kOscSide0{{
    //  first width bias packDefault reset chain
    {0, 2, 0, 0, 0, 0},      // P0
    {2, 1, 0, 0, 1, 0},      // P1
    {3, 3, 0, 0, 0, 0},      // P2
    {6, 7, 0, 127, 127, 0},  // P3
    {13, 7, 0, 0, 0, 0},     // P4
    {20, 7, 0, 0, 0, 0},     // P5
    {27, 1, 0, 0, 1, 0},     // P6
    {28, 7, 0, 127, 127, 0}, // P7
    {35, 6, 32, 32, 64, 0},  // P8
    {41, 7, 0, 64, 64, 0},   // P9
    {48, 7, 0, 64, 64, 0},   // P10
    {55, 6, 32, 32, 64, 0},  // P11
    {61, 7, 0, 64, 64, 0},   // P12
    {68, 7, 0, 127, 127, 0}, // P13
    {75, 7, 0, 0, 0, 0},     // P14
    {82, 7, 0, 0, 0, 0},     // P15
    {89, 2, 0, 0, 0, 0},     // P16
    {91, 1, 0, 0, 1, 0},     // P17
    {92, 2, 0, 0, 0, 0},     // P18 wave source, side 0
    {94, 5, 48, 16, 64, 0},  // P19
    {99, 7, 0, 64, 64, 0},   // P20
    {106, 6, 32, 42, 74, 0}, // P21
    {112, 7, 0, 64, 64, 0},  // P22
    {119, 7, 0, 64, 64, 0},  // P23
    {126, 7, 0, 64, 64, 0},  // P24
    {133, 7, 0, 64, 64, 0},  // P25
    {140, 5, 0, 0, 0, 0},    // P26
    {145, 7, 0, 127, 127, 0},// P27
    {152, 6, 32, 32, 64, 0}, // P28
    {158, 7, 0, 64, 64, 0},  // P29
    {165, 4, 0, 0, 0, 0},    // P30
    {169, 6, 0, 10, 10, 0},  // P31
    {175, 7, 0, 64, 64, 0},  // P32
    {182, 6, 32, 32, 64, 0}, // P33
    {188, 7, 0, 64, 64, 0},  // P34
    {195, 7, 0, 64, 64, 0},  // P35
    {202, 7, 0, 0, 0, 0},    // P36
    {209, 6, 32, 32, 64, 0}, // P37
    {215, 7, 0, 64, 64, 0},  // P38
    {222, 7, 0, 64, 64, 0},  // P39
    {229, 4, 0, 1, 0, 4},    // P40 wave number of side 0: 16-bit chain P40-P43, default 1
    {233, 4, 0, 0, 0, 0},    // P41
    {237, 4, 0, 0, 0, 0},    // P42
    {241, 4, 0, 0, 0, 0},    // P43
    {248, 4, 0, 0, 0, 8},    // P44 32-bit chain P44-P51, default 0
    {252, 4, 0, 0, 0, 0},    // P45
    {256, 4, 0, 0, 0, 0},    // P46
    {260, 4, 0, 0, 0, 0},    // P47
    {264, 4, 0, 0, 0, 0},    // P48
    {268, 4, 0, 0, 0, 0},    // P49
    {272, 4, 0, 0, 0, 0},    // P50
    {276, 4, 0, 0, 0, 0},    // P51
    {280, 7, 0, 64, 64, 0},  // P52
    {287, 6, 32, 32, 64, 0}, // P53
    {293, 7, 0, 64, 64, 0},  // P54
    {300, 7, 0, 64, 64, 0},  // P55
    {307, 2, 0, 2, 2, 0},    // P56
    {309, 7, 0, 64, 64, 0},  // P57
    {316, 6, 32, 32, 64, 0}, // P58
    {322, 7, 0, 64, 64, 0},  // P59
    {329, 7, 0, 64, 64, 0},  // P60
    {336, 1, 0, 0, 0, 0},    // P61
    {337, 1, 0, 0, 0, 0},    // P62
    {338, 2, 0, 0, 0, 0},    // P63
    {340, 1, 0, 0, 1, 0},    // P64
    {341, 1, 0, 1, 1, 0},    // P65
    {342, 7, 0, 1, 0, 0},    // P66
    {349, 1, 0, 1, 1, 0},    // P67
    {350, 1, 0, 1, 1, 0},    // P68
    {351, 1, 0, 0, 0, 0},    // P69
}};

// Side 1 repeats side 0: P70-P95 are P18-P43 moved 260 bits on, P96-P120 are P44-P68 moved
// 264 bits on.
constexpr std::array<P, kOscParameterCount> MakeOscTable() {
    std::array<P, kOscParameterCount> t{};
    for (std::size_t n = 0; n < kOscSide0.size(); ++n)
        t[n] = kOscSide0[n];
    for (std::size_t n = 70; n <= 95; ++n) {
        t[n] = kOscSide0[n - 52];
        t[n].firstBit = static_cast<std::uint16_t>(t[n].firstBit + 260);
    }
    for (std::size_t n = 96; n <= 120; ++n) {
        t[n] = kOscSide0[n - 52];
        t[n].firstBit = static_cast<std::uint16_t>(t[n].firstBit + 264);
    }
    return t;
}

constexpr auto kPatchToneTable = MakePatchToneTable();
constexpr auto kOscTable = MakeOscTable();

static_assert(kOscTable[70].firstBit == 352 && kOscTable[92].firstBit == 489);
static_assert(kOscTable[96].firstBit == 512 && kOscTable[120].firstBit == 614);
static_assert(kPatchToneTable[55].firstBit == 121);

} // namespace

CodecTable PatchToneCodecTable() { return kPatchToneTable; }
CodecTable OscCodecTable() { return kOscTable; }

} // namespace Corv
