#pragma once

#include <string>
#include <vector>

namespace Corv {

// One step of putting a save's files in place. Paths are relative to the project folder.
struct CommitStep {
    enum class Kind {
        Aside,   // an original moves to a hidden name, out of the way of what replaces it
        Place,   // a file takes its final name (a staged file, an original renamed or moved)
        Remove,  // a file no slot uses any more goes
        MoveOut, // a replaced original leaves the project folder (trash)
    };
    Kind kind = Kind::Place;
    std::string from; // the file the step works on
    std::string to;   // Aside/Place: the new name; MoveOut: the original name
};

// The journal's text for a list of steps, and the steps read back from such a text (false for
// a text that was not written completely).
std::string JournalText(const std::vector<CommitStep>& steps);
bool ParseJournal(const std::string& text, std::vector<CommitStep>& steps);
// The checksum the journal's last line carries for the text before it.
std::string JournalChecksum(const std::string& text);

// A path as the journal writes it, and as a notice quotes it: any byte but the escape itself
// and the three that would break a line apart (tab, CR, LF), which are written as %XX.
std::string JournalEscaped(const std::string& path);
// The text back from its escaped form; false for a text that no escaping made.
bool JournalUnescaped(const std::string& text, std::string& out);
// A step as the user is shown it: its kind and its paths as the journal holds them, the second
// after an arrow ("place .corvane-new-1 -> PatchMemo.txt").
std::string StepText(const CommitStep& step);

// The parts of a text between its separators, empty ones included.
std::vector<std::string> SplitAt(const std::string& text, char separator);

} // namespace Corv
