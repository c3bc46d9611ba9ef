#include <gtest/gtest.h>

#include "model/parameter_array.h"

namespace {

using Corv::CToneArray;
using Corv::CWaveArray;

CWaveArray Waves(std::initializer_list<const char*> names) {
    CWaveArray array;
    for (const char* name : names) {
        auto wave = std::make_unique<Corv::CWave>();
        wave->SetName(name);
        wave->SetFilePath(std::string("Wave/") + name);
        wave->AddUser(static_cast<std::int32_t>(array.Size()));
        array.Append(std::move(wave));
    }
    return array;
}

std::vector<std::string> Names(const CWaveArray& array) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < array.Size(); ++i)
        names.push_back(array[i].Name());
    return names;
}

TEST(ParameterArray, CopyClonesEveryElement) {
    const CWaveArray source = Waves({"a", "b", "c"});
    CWaveArray copy(source);
    ASSERT_TRUE(copy == source);
    for (std::size_t i = 0; i < source.Size(); ++i)
        EXPECT_NE(&copy[i], &source[i]);
    copy[1].SetName("changed");
    copy[1].AddUser(40);
    EXPECT_EQ(source[1].Name(), "b");
    EXPECT_EQ(source[1].Users(), std::vector<std::int32_t>{1});
}

TEST(ParameterArray, AssignmentReplacesAllElementsWithClones) {
    const CWaveArray source = Waves({"x", "y"});
    CWaveArray target = Waves({"1", "2", "3", "4"});
    target = source;
    EXPECT_EQ(Names(target), (std::vector<std::string>{"x", "y"}));
    target[0].SetName("z");
    EXPECT_EQ(source[0].Name(), "x");

    // Assigning an array to itself keeps it as it is.
    CWaveArray& alias = target;
    target = alias;
    EXPECT_EQ(Names(target), (std::vector<std::string>{"z", "y"}));
}

TEST(ParameterArray, ResizeShrinksFromTheEndAndGrowsWithDefaultRecords) {
    CWaveArray array = Waves({"a", "b", "c"});
    array.Resize(1);
    EXPECT_EQ(Names(array), std::vector<std::string>{"a"});
    array.Resize(3);
    ASSERT_EQ(array.Size(), 3u);
    EXPECT_EQ(array[0].Name(), "a");
    EXPECT_TRUE(array[1].IsEmpty());
    EXPECT_TRUE(array[2].Users().empty());

    CToneArray tones;
    tones.Resize(2);
    EXPECT_EQ(tones[1].Osc(15).Params().size(), 121u);
    EXPECT_EQ(tones[1].Osc(15).P(3), 127);
}

} // namespace
