#pragma once

#include "model/lum_data.h"

#include <cstdint>
#include <string>

namespace Corv {

// What became of a memo file at load.
enum class MemoRead {
    Read,       // its lines are the memos
    Absent,     // missing or not readable: the memos stay as they were
    NotRegular, // a FIFO, device, socket or folder: refused unopened, the memos stay
    TooLarge,   // larger than any memo file of the kind: refused unread, the memos stay
};

// The largest memo file of a kind: four lines of 1023 characters and CR LF per slot.
std::uint64_t MaxMemoFileBytes(int kind);

// Reads the memo file of a kind from the project folder into Memo1-Memo4 of every slot. A
// missing file leaves the memos as they are. Lines end in CR LF or LF; a line longer than 1023
// characters keeps its first 1023 and the rest of that line is skipped; a last line without a
// line end is not stored; lines after the last slot are ignored. A file that is not a regular
// file, or is larger than `MaxMemoFileBytes`, is never read. `text` (may be null) receives the
// file's content when it was read.
MemoRead ReadMemoFile(CLumData& data, int kind, std::string* text = nullptr);

// The content of the memo file of a kind (0, 1 or 2) as the project's memos make it: four lines
// per slot, every slot, CR LF line ends; empty for another kind.
std::string MemoFileText(const CLumData& data, int kind);

// Writes the memo file of a kind: four lines per slot, every slot, CR LF line ends. False for a
// kind other than 0, 1 or 2 and when the file cannot be created or written.
bool WriteMemoFile(const CLumData& data, int kind);

} // namespace Corv
