#include "model/parameter.h"

#include "model/text_encoding.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace Corv {

void CParameter::ClearTexts() {
    m_filePath.clear();
    m_name.clear();
    for (std::string& memo : m_memos)
        memo.clear();
}

void CParameter::SetName(std::string_view text, bool fromFileName) {
    m_name = fromFileName ? NameOfFile(text)
                          : std::string(text.substr(0, CharacterCut(text, kNameLength)));
}

void CParameter::SetMemo(int n, std::string text) {
    if (text.size() > kMemoLength)
        text.resize(kMemoLength);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    m_memos[static_cast<std::size_t>(n - 1)] = std::move(text);
}

bool CParameter::HasW00Extension() const {
    const std::string ext = Extension(m_filePath);
    if (ext.size() != 4)
        return false;
    std::string lower(ext);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == ".w00";
}

bool CParameter::TextsEqual(const CParameter& other) const {
    return m_filePath == other.m_filePath && m_name == other.m_name && m_memos == other.m_memos;
}

std::string NamePart(std::string_view path) {
    if (const auto slash = path.rfind('/'); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    if (const auto blank = path.find(' '); blank != std::string_view::npos)
        path.remove_prefix(blank + 1);
    if (const auto dot = path.rfind('.'); dot != std::string_view::npos)
        path = path.substr(0, dot);
    return std::string(path);
}

std::string NameOfFile(std::string_view path) {
    std::string name = FileNameToCodePage(NamePart(path));
    name.resize(CharacterCut(name, kNameLength));
    return name;
}

std::string Extension(std::string_view path) {
    const auto dot = path.rfind('.');
    return std::string(dot == std::string_view::npos ? path : path.substr(dot));
}

void CReferencedParameter::AddUser(std::int32_t index, bool allowDuplicate) {
    // The last user first: a record that refers to this one from several places adds itself
    // several times in a row.
    if (allowDuplicate || !((!m_users.empty() && m_users.back() == index) || HasUser(index)))
        m_users.push_back(index);
}

void CReferencedParameter::RemoveUser(std::int32_t index) {
    if (const auto it = std::find(m_users.begin(), m_users.end(), index); it != m_users.end())
        m_users.erase(it);
}

bool CReferencedParameter::HasUser(std::int32_t index) const {
    return std::find(m_users.begin(), m_users.end(), index) != m_users.end();
}

bool CReferencedParameter::UsersAndTextsEqual(const CReferencedParameter& other) const {
    return TextsEqual(other) && m_users == other.m_users;
}

namespace {
// Sorted ascending, each value once. The lists are tiny (2 or 32 numbers) and the list edits
// ask for them of every record, so they are sorted in place without any allocation but the
// result's.
template <std::size_t N> std::vector<int> SortedUnique(std::array<int, N> values) {
    std::sort(values.begin(), values.end());
    return {values.begin(), std::unique(values.begin(), values.end())};
}
} // namespace

int CPatch::ToneSwitchMask() const {
    return Slot(0).Switch() * 1 + Slot(1).Switch() * 2;
}

std::vector<int> CPatch::ReferencedTones() const {
    return SortedUnique(ToneNumbers());
}

void CPatch::ResetToneSlots() {
    ResetToneSlot(0);
    ResetToneSlot(1);
}

bool CPatch::operator==(const CPatch& other) const {
    return TextsEqual(other) && m_slots == other.m_slots;
}

std::vector<int> CTone::ReferencedWaves() const {
    return SortedUnique(WaveNumbers());
}

std::array<int, 2 * CTone::kOscCount> CTone::WaveNumbers() const {
    std::array<int, 2 * kOscCount> waves{};
    for (std::size_t osc = 0; osc < m_oscs.size(); ++osc) {
        waves[2 * osc] = m_oscs[osc].WaveNumber(0);
        waves[2 * osc + 1] = m_oscs[osc].WaveNumber(1);
    }
    return waves;
}

bool CTone::operator==(const CTone& other) const {
    return UsersAndTextsEqual(other) && m_oscs == other.m_oscs;
}

} // namespace Corv
