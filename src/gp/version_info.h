#pragma once

#include <QString>

namespace GP {

// The program's version information, from the build: "FileDescription", "FileVersion",
// "ProductVersion" ("%d,%d,%d,%d"), "ProductName", "CompanyName" and "LegalCopyright". An
// unknown name gives an empty text.
QString VersionString(const QString& name);

// The four numbers of a version text read as "%d,%d,%d,%d" (missing or unreadable numbers
// are 0).
void VersionNumbers(const QString& text, int numbers[4]);

} // namespace GP
