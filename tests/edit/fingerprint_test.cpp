#include "edit/fingerprint.h"
#include "support/project_builder.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using Corv::Fingerprint;

// A project in memory: records placed into the arrays, wave files with the given bytes.
struct Side {
    CorvTest::TempDir dir;
    Corv::CLumData data;

    void Patch(int n, const std::string& name, int tone0, int tone1 = 0) {
        Corv::CPatch patch = CorvTest::MakePatch(name, tone0, tone1);
        patch.SetFilePath(dir / ("P" + std::to_string(n)));
        data.Patches().PlaceClone(static_cast<std::size_t>(n - 1), patch);
    }
    void Tone(int n, const std::string& name, const std::vector<int>& waves) {
        Corv::CTone tone = CorvTest::MakeTone(name, waves);
        tone.SetFilePath(dir / ("T" + std::to_string(n)));
        data.Tones().PlaceClone(static_cast<std::size_t>(n - 1), tone);
    }
    void Wave(int n, const std::string& name, std::uint8_t fill, std::size_t size = 100) {
        const std::string path = dir / ("W" + std::to_string(n) + ".w00");
        CorvTest::WriteBytes(path, CorvTest::Bytes(size, fill));
        data.Waves().PlaceClone(static_cast<std::size_t>(n - 1), CorvTest::MakeWave(name, path));
    }
    Fingerprint Of(int kind, int number) const {
        const auto print = Corv::FingerprintProject(data).Of(kind, number - 1);
        EXPECT_TRUE(print.has_value()) << "no fingerprint for " << kind << " " << number;
        return print.value_or(Fingerprint{});
    }
};

// Patch 1 "Lead" on tones 1 and 2; tone 1 on waves 1 and 2, tone 2 on wave 3.
void Base(Side& s) {
    s.Wave(1, "Saw", 1), s.Wave(2, "Sine", 2), s.Wave(3, "Noise", 3);
    s.Tone(1, "Pad", {1, 2}), s.Tone(2, "Bass", {3});
    s.Patch(1, "Lead", 1, 2);
}

struct PropertyCase {
    const char* what;
    std::function<void(Side&)> build; // the second project, to compare with Base
    bool patchSame;
    bool toneSame; // tone 1 of Base against the tone `otherTone` of the second project
    int otherPatch;
    int otherTone;
};

class FingerprintProperty : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(FingerprintProperty, FollowsContentNotPlaceOrName) {
    const PropertyCase& c = GetParam();
    Side a, b;
    Base(a);
    c.build(b);
    EXPECT_EQ(a.Of(Corv::kPatchKind, 1) == b.Of(Corv::kPatchKind, c.otherPatch), c.patchSame)
        << c.what;
    EXPECT_EQ(a.Of(Corv::kToneKind, 1) == b.Of(Corv::kToneKind, c.otherTone), c.toneSame) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintProperty,
    ::testing::Values(PropertyCase{"the same project", Base, true, true, 1, 1},
                      // Patch, tones and waves copied into other slots of another project, renamed.
                      PropertyCase{"copied elsewhere and renamed",
                                   [](Side& s) {
                                       s.Wave(40, "Saw copy", 1), s.Wave(41, "Sine", 2),
                                           s.Wave(7, "N", 3);
                                       s.Tone(12, "Pad 2", {40, 41}), s.Tone(3, "Bass", {7});
                                       s.Patch(200, "Solo", 12, 3);
                                   },
                                   true, true, 200, 12},
                      PropertyCase{"a parameter byte of a tone changed",
                                   [](Side& s) {
                                       Base(s);
                                       s.data.Tones()[0].Osc(5).SetP(3, 17);
                                   },
                                   false, false, 1, 1},
                      PropertyCase{"a byte of a wave changed",
                                   [](Side& s) {
                                       Base(s);
                                       s.Wave(2, "Sine", 2, 101);
                                   },
                                   false, false, 1, 1},
                      PropertyCase{"a patch parameter changed",
                                   [](Side& s) {
                                       Base(s);
                                       s.data.Patches()[0].Slot(1).SetP(10, 5);
                                   },
                                   false, true, 1, 1},
                      PropertyCase{"a wave reference points at an empty slot",
                                   [](Side& s) {
                                       Base(s);
                                       s.Tone(1, "Pad", {1, 9});
                                   },
                                   false, false, 1, 1}),
    [](const ::testing::TestParamInfo<PropertyCase>& test) {
        std::string name;
        for (const char* c = test.param.what; *c != '\0'; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(Fingerprint, PatchesTonesAndWavesNeverShareOne) {
    Side s;
    Base(s);
    // A patch, a tone and a wave never share a fingerprint, whatever their bytes.
    EXPECT_NE(s.Of(Corv::kPatchKind, 1), s.Of(Corv::kToneKind, 1));
    EXPECT_NE(s.Of(Corv::kToneKind, 1), s.Of(Corv::kToneKind, 2));
    EXPECT_NE(s.Of(Corv::kWaveKind, 1), s.Of(Corv::kWaveKind, 2));
}

TEST(Fingerprint, EmptySlotsAndUnreadableWavesHaveNone) {
    Side s;
    Base(s);
    s.data.Waves()[2].SetFilePath(s.dir / "missing.w00");
    const Corv::ProjectFingerprints prints = Corv::FingerprintProject(s.data);
    EXPECT_FALSE(prints.Of(Corv::kPatchKind, 1).has_value());
    EXPECT_FALSE(prints.Of(Corv::kWaveKind, 2).has_value());
    // The tone on the unreadable wave still has one.
    EXPECT_TRUE(prints.Of(Corv::kToneKind, 1).has_value());
}

TEST(Fingerprint, HexTextRoundTripsAndRefusesOtherText) {
    const Fingerprint print{0x0123456789abcdefull, 0xfedcba9876543210ull};
    EXPECT_EQ(print.Hex(), "0123456789abcdeffedcba9876543210");
    EXPECT_EQ(Fingerprint::FromHex(print.Hex()), print);
    for (const char* bad :
         {"", "0123", "0123456789ABCDEFfedcba9876543210", "0123456789abcdeffedcba987654321g",
          "0123456789abcdeffedcba98765432100"})
        EXPECT_FALSE(Fingerprint::FromHex(bad).has_value()) << bad;
}

TEST(Fingerprint, FileFingerprintIsTheHashOfTheBytes) {
    CorvTest::TempDir dir;
    CorvTest::Bytes bytes(200000); // more than one read buffer
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    CorvTest::WriteBytes(dir / "w", bytes);
    EXPECT_EQ(Corv::FileFingerprint(dir / "w"), Corv::HashBytes(bytes.data(), bytes.size()));
    EXPECT_FALSE(Corv::FileFingerprint(dir / "none").has_value());
}

// Files of sizes around the read buffer's, hashed one after the other on one thread, largest
// first: what an earlier, longer file left in the buffer must never count for a shorter one.
TEST(Fingerprint, FileFingerprintOfFilesHashedInTurn) {
    CorvTest::TempDir dir;
    const std::size_t sizes[] = {200000, 65537, 65536, 65535, 4096, 1, 0};
    for (const std::size_t size : sizes) {
        CorvTest::Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 13 + size);
        const std::string path = dir / ("w" + std::to_string(size));
        CorvTest::WriteBytes(path, bytes);
        EXPECT_EQ(Corv::FileFingerprint(path), Corv::HashBytes(bytes.data(), bytes.size()))
            << size << " bytes";
    }
}

} // namespace
