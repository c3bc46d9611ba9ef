#pragma once

#include <QString>
#include <string>

namespace CorvDesktop {

// The 8-bit texts of the project data (names and memos) and the program's texts: decoded only
// for display, encoded only when the user edited them, with the legacy code page of the
// instrument's files (Windows-1252; Shift_JIS when the system language is Japanese).
class CTextCodec {
public:
    // The system's choice of code page: "Windows-1252", or "Shift_JIS" when the system language
    // is Japanese.
    static QString SystemCodePage();
    // Texts in a code page (the lists' code page is `CDesktop::Get().CodePage()`); Latin-1 when
    // the name is unknown.
    static QString Decode(const std::string& bytes, const QString& codePage);
    static std::string Encode(const QString& text, const QString& codePage);

    // File-system paths are not record texts: they pass in the file system's own encoding.
    static QString DecodePath(const std::string& path);
    static std::string EncodePath(const QString& path);
};

} // namespace CorvDesktop
