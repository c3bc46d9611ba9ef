#pragma once

namespace Corv::Cli {

// Chooses the code page of names for this run: the one `CORVANE_CODE_PAGE` names
// ("windows-1252" or "Shift_JIS"), or else Shift_JIS under a Japanese locale (the first of
// LC_ALL, LC_CTYPE and LANG that is set) and Windows-1252 under any other, as the desktop
// program chooses. Throws UsageError, choosing nothing, when the variable names another.
void ChooseCodePage();

// True when the locale's character type (the first of LC_ALL, LC_CTYPE and LANG that is set)
// is UTF-8, as in "C.UTF-8" or "de_DE.utf8": the terminal then shows and types UTF-8 text.
bool Utf8Locale();

} // namespace Corv::Cli
