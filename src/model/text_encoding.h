#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Corv {

// The legacy code page of the 8-bit texts in records and memos (the bytes the instrument's files
// and the memo files hold). File names on this platform are UTF-8 instead, so a name becomes part
// of a file name, or comes back from one, through the conversions below. One code page holds for
// the whole process.
enum class CodePage { Windows1252, ShiftJis };

// The process's code page: Windows-1252 until one is chosen.
CodePage CurrentCodePage();
void SetCodePage(CodePage page);
// The code page a name stands for ("windows-1252", "cp1252", "Shift_JIS", "sjis", "cp932" and
// their spellings in any letter case); none for other names.
std::optional<CodePage> CodePageNamed(std::string_view name);
// The name a code page is shown by in messages: "Windows-1252" or "Shift_JIS".
const char* CodePageName(CodePage page);
// A function the core calls once, the first time it needs the code page while none has been
// chosen: for a program whose choice can be read only after it has started.
void SetCodePageSource(void (*source)());

// True when the code page has double-byte characters (their lead bytes 0x81-0x9F and 0xE0-0xFC).
bool IsDoubleByteCodePage();

bool IsValidUtf8(std::string_view text);

// Code-page bytes as UTF-8 text. Bytes that stand for no character of the code page are left out,
// so that the result is always valid UTF-8; ASCII stays as it is.
std::string CodePageToUtf8(std::string_view bytes);
// UTF-8 text in the code page. Characters the code page cannot hold (and bytes that are not
// UTF-8) are left out, never replaced by a substitute; ASCII stays as it is.
std::string Utf8ToCodePage(std::string_view text);
// True when the code page holds every character of the UTF-8 text: `Utf8ToCodePage` leaves
// nothing out and its bytes read back as the same text.
bool CodePageHolds(std::string_view text);
// A name read from a file name: converted from UTF-8 into the code page when it is UTF-8, taken
// as it stands when it is not (file names written by earlier versions hold code-page bytes).
std::string FileNameToCodePage(std::string_view text);

// The length of the longest start of `bytes`, at most `limit` long, that does not end inside a
// double-byte character of the code page.
std::size_t CharacterCut(std::string_view bytes, std::size_t limit);

} // namespace Corv
