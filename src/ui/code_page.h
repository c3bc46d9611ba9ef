#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// The legacy code page of the 8-bit texts (names and memos) the program shows: the core keeps
// them as bytes, the windows decode them only for display and encode only what the user typed.
class CCodePage {
public:
    // Windows-1252, or Shift_JIS when the system language is Japanese; the settings entry
    // "Option"/"CodePage" overrides both when it names a code page this system knows.
    static CCodePage& Get();
    // Chooses the code page by name (an unknown name keeps the current one); false when unknown.
    bool Select(const QString& name);
    const QString& Name() const { return m_name; }
    // True for a code page in which bytes 0x81-0x9F and 0xE0-0xFC start double-byte characters.
    bool IsDoubleByte() const { return m_doubleByte; }

    QString Decode(const std::string& bytes) const;
    std::string Encode(const QString& text) const;
    // The bytes that stand for `edited`: the original bytes when the text shown for them was
    // left as it was, so that bytes the user did not change never pass through a conversion.
    std::string EncodeEdited(const QString& edited, const std::string& original) const;

private:
    CCodePage();
    QString m_name;
    bool m_doubleByte = false;
};
