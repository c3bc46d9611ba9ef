#pragma once

#include "support/audio_files.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace CorvAudioTest {

using CorvTest::AudioContainer;
using CorvTest::AudioSpec;
using CorvTest::Bytes;
using CorvTest::Spec;

// Tests that write audio files into a temporary folder of their own.
class AudioTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::string path = m_temp / name;
        CorvTest::WriteBytes(path, bytes);
        return path;
    }
    std::string WriteAudio(const std::string& name, const AudioSpec& spec,
                           const std::vector<double>& samples) const {
        return Write(name, CorvTest::AudioBytes(spec, samples));
    }

    CorvTest::TempDir m_temp;
};

// A stereo test signal whose values every sample size holds exactly: left and right differ, so
// that a swapped or dropped channel shows.
inline const std::vector<double> kStereo = {0.5, -0.25, -1.0, 0.25, 0.25,  0.5,
                                            0.0, -0.5,  -0.5, 0.75, 0.125, -0.125};

} // namespace CorvAudioTest
