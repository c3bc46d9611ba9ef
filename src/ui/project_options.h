#pragma once

#include "edit/clean.h"

#include <array>
#include <cstdint>

namespace CorvDesktop {

// The desktop program's project options, read from the settings at start-up and written back
// at exit (section "Option"): the grid switch of every list, and the four Clean Project options
// in the dialog's order (unused waves, unused tones, tone numbering, patch numbering). Each is
// 0 or 1.
class CProjectOptions {
public:
    std::uint32_t m_gridSw = 0;
    std::array<std::uint32_t, 4> m_cleanOptions{};

    // Stores the clean options chosen in the dialog (each becomes 0 or 1).
    void SetCleanOptions(const std::array<std::uint32_t, 4>& options);
    // The clean options as the core takes them.
    Corv::CleanOptions CleanOptions() const;
};

// Clean options in the dialog's order (each 0 or 1) as the core takes them.
Corv::CleanOptions CleanOptionsOf(const std::array<std::uint32_t, 4>& options);

} // namespace CorvDesktop
