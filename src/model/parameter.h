#pragma once

#include "model/data.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {

// The record kinds, also used to select arrays, subfolders, lists and undo snapshots.
enum ListKind : int { kPatchKind = 0, kToneKind = 1, kWaveKind = 2 };

// True for the three list kinds (an `int` kind from outside may be anything).
constexpr bool IsKind(int kind) {
    return kind == kPatchKind || kind == kToneKind || kind == kWaveKind;
}

// A set of list kinds: one of them, or all three (an undo step that saves every array, a search
// that looks in every list).
class KindSet {
public:
    static constexpr KindSet All() { return KindSet(0b111u); }
    // The set of one kind; empty for a value that is no kind.
    static constexpr KindSet Of(int kind) { return KindSet(IsKind(kind) ? 1u << kind : 0u); }

    constexpr bool Has(int kind) const { return IsKind(kind) && ((m_bits >> kind) & 1u) != 0; }
    constexpr bool IsAll() const { return m_bits == 0b111u; }
    constexpr bool operator==(const KindSet&) const = default;

private:
    constexpr explicit KindSet(unsigned bits) : m_bits(bits) {}
    unsigned m_bits;
};

// A 0-based slot index as the record arrays take it.
inline std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

inline constexpr std::size_t kNameLength = 12;
// The longest memo a memo file gives back: its lines are read into a 1024-character buffer.
inline constexpr std::size_t kMemoLength = 1023;

// Base of the patch, tone and wave records: file path, name and four memos. A record whose
// file path is empty is an empty slot.
class CParameter {
public:
    CParameter() = default;
    virtual ~CParameter() = default;
    virtual std::unique_ptr<CParameter> Clone() const = 0;
    // Empties the file path, the name and the four memos.
    virtual void ClearTexts();

    bool IsEmpty() const { return m_filePath.empty(); }

    const std::string& FilePath() const { return m_filePath; }
    void SetFilePath(std::string path) { m_filePath = std::move(path); }

    const std::string& Name() const { return m_name; }
    // Stores a name of at most 12 characters (a double-byte character is never cut in half).
    // With `fromFileName` the text is the path of a file and the name is `NameOfFile`.
    void SetName(std::string_view text, bool fromFileName = false);

    // Memo 1 to 4.
    const std::string& Memo(int n) const { return m_memos[static_cast<std::size_t>(n - 1)]; }
    // Stores a memo as the memo file can give it back: at most 1023 characters, on one line
    // (a line break becomes a blank), so that what is saved is what reloads.
    void SetMemo(int n, std::string text);

    // True when the file's extension is ".w00" in any letter case: an instrument wave file.
    bool HasW00Extension() const;

protected:
    CParameter(const CParameter&) = default;
    CParameter& operator=(const CParameter&) = default;
    bool TextsEqual(const CParameter& other) const;

private:
    std::string m_filePath;
    std::string m_name;
    std::array<std::string, 4> m_memos;
};

// The name part of a path: after the last "/", after the first blank, before the last ".".
std::string NamePart(std::string_view path);
// The name a record takes from the path of its file: the name part, turned from UTF-8 (the
// file names' encoding) into the code page when it is UTF-8, cut to 12 characters.
std::string NameOfFile(std::string_view path);
// The extension of a path from its last "." on; the whole path when it has no ".".
std::string Extension(std::string_view path);

// A record that other records refer to; its user list holds the 0-based indices of the
// referring records (patches of a tone, tones of a wave).
class CReferencedParameter : public CParameter {
public:
    // Appends the index unless it is present and duplicates are not allowed.
    void AddUser(std::int32_t index, bool allowDuplicate = false);
    // Removes the first occurrence of the index; nothing when absent.
    void RemoveUser(std::int32_t index);
    bool HasUser(std::int32_t index) const;

    std::vector<std::int32_t>& Users() { return m_users; }
    const std::vector<std::int32_t>& Users() const { return m_users; }

protected:
    bool UsersAndTextsEqual(const CReferencedParameter& other) const;

private:
    std::vector<std::int32_t> m_users;
};

// A patch: two tone slots (slot 0 shown as "U", slot 1 as "L").
class CPatch : public CParameter {
public:
    std::unique_ptr<CParameter> Clone() const override { return std::make_unique<CPatch>(*this); }

    CPatchTone& Slot(int n) { return m_slots[static_cast<std::size_t>(n)]; }
    const CPatchTone& Slot(int n) const { return m_slots[static_cast<std::size_t>(n)]; }

    // Slot 0's switch + 2 x slot 1's switch.
    int ToneSwitchMask() const;
    // Tone numbers of both slots, ascending, without duplicates; may hold 0.
    std::vector<int> ReferencedTones() const;
    // Tone numbers of slot 0 and slot 1 as they stand (a repeat and 0 kept), without allocating.
    std::array<int, 2> ToneNumbers() const { return {Slot(0).ToneNumber(), Slot(1).ToneNumber()}; }
    void ResetToneSlot(int n) { Slot(n).ResetToDefaults(); }
    void ResetToneSlots();

    bool operator==(const CPatch& other) const;

private:
    std::array<CPatchTone, 2> m_slots;
};

// A tone: sixteen oscillators; its user list holds the patches that refer to it.
class CTone : public CReferencedParameter {
public:
    static constexpr int kOscCount = 16;

    std::unique_ptr<CParameter> Clone() const override { return std::make_unique<CTone>(*this); }

    COsc& Osc(int n) { return m_oscs[static_cast<std::size_t>(n)]; }
    const COsc& Osc(int n) const { return m_oscs[static_cast<std::size_t>(n)]; }

    // Wave numbers of all 32 oscillator sides, ascending, without duplicates; may hold 0.
    std::vector<int> ReferencedWaves() const;
    // Wave numbers of the sides in oscillator order, side 0 before side 1 (repeats and 0 kept),
    // without allocating.
    std::array<int, 2 * kOscCount> WaveNumbers() const;

    bool operator==(const CTone& other) const;

private:
    std::array<COsc, kOscCount> m_oscs;
};

// A wave: only texts; its user list holds the tones that refer to it.
class CWave : public CReferencedParameter {
public:
    std::unique_ptr<CParameter> Clone() const override { return std::make_unique<CWave>(*this); }

    bool operator==(const CWave& other) const { return UsersAndTextsEqual(other); }
};

} // namespace Corv
