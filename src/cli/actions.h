#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Corv {
class CProjectDocument;
struct DropPreview;
} // namespace Corv

namespace Corv::Cli {

// The editing commands of the tool. Each hands its work to the same core operation that the
// desktop program calls and then marks the documents it changed modified, as a project window
// does. Each returns false when the operation was refused or failed (the core has printed its
// message, if it has one).

// One complete drag and drop of `rows` (0-based) of a kind from `source` onto `at` of `target`.
bool Drop(CProjectDocument& source, int kind, const std::vector<int>& rows,
          CProjectDocument& target, int at, bool insert, std::optional<bool> copy);
// What `Drop` with the same arguments would do, worked out without asking, without changing
// anything and without touching the undo step; `targetName` names the target in the text.
DropPreview PreviewDropOf(CProjectDocument& source, int kind, const std::vector<int>& rows,
                          CProjectDocument& target, int at, bool insert, std::optional<bool> copy,
                          const std::string& targetName, const std::string& sourceName);
// "preview ok: TEXT" or "preview refused: TEXT".
std::string PreviewLine(const DropPreview& preview);
// The name of a project's folder ("B.prj"), or `fallback` for a project without one.
std::string FolderName(const CProjectDocument& document, const std::string& fallback);

// The Delete command (asks "OK to delete?").
bool Delete(CProjectDocument& document, int kind, const std::vector<int>& rows);
// Sets the name of one row (filtered and cut to 12 characters as in the list). Throws Refusal
// for an empty slot and for a name that would be stored as nothing (`typed`, the text as the
// user typed it, is quoted in the reason).
bool Rename(CProjectDocument& document, int kind, int row, const std::string& text,
            const std::string& typed);
// The same for a text typed as the code page's bytes.
bool Rename(CProjectDocument& document, int kind, int row, const std::string& text);
// Sets memo `memo` (1-4) of one row.
bool SetMemo(CProjectDocument& document, int kind, int row, int memo, const std::string& text);

// The four options of Clean Project, each on or off.
struct CleanOptions {
    bool keepUnusedWaves = false;
    bool keepUnusedTones = false;
    bool keepToneNumbering = false;
    bool keepPatchNumbering = false;
};
// Clean Project with exactly these options on.
bool Clean(CProjectDocument& document, const CleanOptions& options);
// What `Clean` with these options would do, changing nothing: the summary line, then one line
// per entry that moves or goes ("tone 12 -> 3  Name", "wave 7 removed  Name").
std::vector<std::string> CleanPreviewLines(const CProjectDocument& document,
                                           const CleanOptions& options);
// Wave import of files (absolute paths); true when at least one wave was imported.
bool Import(CProjectDocument& document, const std::vector<std::string>& files);
// The Undo command; does nothing when there is no step.
void Undo();

// Save in place; a project without a folder fails with "This project could not be saved.".
bool Save(CProjectDocument& document);
// Save into another folder (asks before an existing project is replaced).
bool SaveAs(CProjectDocument& document, const std::string& folder);

} // namespace Corv::Cli
