#pragma once

#include <cstdint>
#include <string>

namespace Corv::Cli {

struct DemoOptions {
    std::uint32_t seed = 1;
    // Every slot used, the waves summing to just under the 64 MB limit.
    bool full = false;
};

// Writes a synthetic project into a folder that does not exist yet (its parent folders are
// created): patch and tone files built from records with the instrument's headers and the
// parameter codec, wave files of plausible sizes with mixed extensions, the five system files
// and the three memo files. Patches use one or two project tones or refer to preset tones,
// tones share waves, some tones and waves are unused and the numbering has gaps (unless
// `full`). Deterministic for a seed. False, with `error` set, when the folder exists or a file
// cannot be written.
bool WriteDemoProject(const std::string& folder, const DemoOptions& options, std::string& error);

} // namespace Corv::Cli
