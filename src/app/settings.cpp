#include "app/settings.h"

#include "gp/profile.h"
#include "storage/domain.h"
#include "ui/font_setup.h"

#include <QString>
#include <cstdint>

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
    Corv::CDomain& domain = Corv::CDomain::Get();
    Serialize(save, "GridSw", domain.m_gridSw);
    Serialize(save, "WaveOption", domain.m_waveOption);
    Serialize(save, "ToneOption", domain.m_toneOption);
    Serialize(save, "TnumOption", domain.m_tnumOption);
    Serialize(save, "PnumOption", domain.m_pnumOption);
    if (save)
        CListFont::Get().Save();
    else
        CListFont::Get().Load();
}
