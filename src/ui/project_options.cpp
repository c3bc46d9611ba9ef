#include "ui/project_options.h"

namespace CorvDesktop {

void CProjectOptions::SetCleanOptions(const std::array<std::uint32_t, 4>& options) {
    for (std::size_t i = 0; i < options.size(); ++i)
        m_cleanOptions[i] = options[i] != 0 ? 1 : 0;
}

Corv::CleanOptions CProjectOptions::CleanOptions() const {
    return CleanOptionsOf(m_cleanOptions);
}

Corv::CleanOptions CleanOptionsOf(const std::array<std::uint32_t, 4>& options) {
    return {options[0] != 0, options[1] != 0, options[2] != 0, options[3] != 0};
}

} // namespace CorvDesktop
