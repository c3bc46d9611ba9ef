#include "app/settings.h"

#include "gp/profile.h"
#include "ui/desktop.h"
#include "ui/font_setup.h"
#include "ui/project_options.h"

#include <QString>
#include <cstdint>

namespace CorvDesktop {

namespace {

const QString kOption = QStringLiteral("Option");

void Serialize(bool save, const char* entry, std::uint32_t& value) {
    const QString key = QString::fromLatin1(entry);
    if (save)
        GP::WriteProfileInt(kOption, key, static_cast<int>(value));
    else
        value = static_cast<std::uint32_t>(GP::GetProfileInt(kOption, key, 0));
}

} // namespace

void SerializeSettings(bool save) {
    CProjectOptions& options = CDesktop::Get().Options();
    Serialize(save, "GridSw", options.m_gridSw);
    Serialize(save, "WaveOption", options.m_cleanOptions[0]);
    Serialize(save, "ToneOption", options.m_cleanOptions[1]);
    Serialize(save, "TnumOption", options.m_cleanOptions[2]);
    Serialize(save, "PnumOption", options.m_cleanOptions[3]);
    if (save)
        CDesktop::Get().ListFont().Save();
    else
        CDesktop::Get().ListFont().Load();
}

} // namespace CorvDesktop
