#pragma once

#include <QString>
#include <string>

// The 8-bit texts of the project data (names and memos) and the program's texts: decoded only
// for display, encoded only when the user edited them, with the legacy code page of the
// instrument's files (Windows-1252; Shift_JIS when the system language is Japanese).
class CTextCodec {
public:
    // The code page in use: "Windows-1252" or "Shift_JIS".
    static QString CodePage();
    // Forces a code page (an empty name goes back to the system's choice).
    static void SetCodePage(const QString& name);

    static QString Decode(const std::string& bytes);
    static std::string Encode(const QString& text);

    // File-system paths are not record texts: they pass in the file system's own encoding.
    static QString DecodePath(const std::string& path);
    static std::string EncodePath(const QString& path);
};
