#include "ui/project_options.h"

CProjectOptions& CProjectOptions::Get() {
    static CProjectOptions options;
    return options;
}

Corv::CleanOptions CProjectOptions::CleanOptions() const {
    return CleanOptionsOf(m_cleanOptions);
}

Corv::CleanOptions CleanOptionsOf(const std::array<std::uint32_t, 4>& options) {
    return {options[0] != 0, options[1] != 0, options[2] != 0, options[3] != 0};
}
