#pragma once

#include "model/lum_data.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {

class CUndoStep;

// A typed name made fit for a file name: every double-byte character (a lead byte 0x81-0x9F
// or 0xE0-0xFC with the byte after it), every \ / * ? : " < > | and every control byte (below
// 0x20) is removed. In a single-byte code page (`doubleByte` false) such a lead-range byte is a
// character of its own: it is removed alone and never takes the character after it along.
std::string FilterName(std::string_view text, bool doubleByte = true);
// The name a typed text is stored as: filtered, then cut to its first 12 characters.
std::string StoredName(std::string_view text, bool doubleByte = true);

// Why a typed name whose stored name (`StoredName`) is empty is refused: an entry without a name
// looks like an empty slot, and its file would be named by its number alone. `typed` is the
// text as the user typed it, `codePage` the name of the code page of names.
std::string EmptyNameRefusal(std::string_view typed, std::string_view codePage);

// A typed memo made fit for its line of the memo file: a line break or tab becomes a blank,
// every other control byte (below 0x20) is removed.
std::string FilterMemo(std::string_view text);
// The memo a typed text is stored as: filtered, then cut to the longest memo a memo file keeps.
std::string StoredMemo(std::string_view text);

// Sets the same name (filtered, at most 12 characters kept) on several rows of one list. The
// list's array replaces the undo step once, before the first row changes, so that one Undo
// takes the whole edit back. False, with nothing recorded, when a row lies outside the list
// or no row is given; true when the names were set and the document is to be marked modified.
bool SetNames(CLumData& project, int kind, const std::vector<int>& rows, std::string_view text,
              CUndoStep& undo, bool doubleByte = true);

// Sets memo `memo` (1 to 4) of several rows of one list to the text as it stands (a typed text
// is made fit by `StoredMemo` first); undo and result as for `SetNames`.
bool SetMemos(CLumData& project, int kind, const std::vector<int>& rows, int memo,
              const std::string& text, CUndoStep& undo);

// Sets the memos that have a value (memo 1 to 4, texts as they stand) on several rows of one
// list, as one undo step; memos without a value stay as they are. Result as for `SetNames`;
// false also when no memo has a value.
bool SetMemoFields(CLumData& project, int kind, const std::vector<int>& rows,
                   const std::array<std::optional<std::string>, 4>& memos, CUndoStep& undo);

} // namespace Corv
