#pragma once

#include <string>
#include <vector>

namespace Corv {
class CLumData;
class CParameter;
class CPatch;
class CProjectDocument;
} // namespace Corv

namespace Corv::Cli {

// The Name cell of a list: the wave list puts "* " before an instrument wave (".w00") and two
// blanks before any other used wave; the other lists show the name alone.
std::string NameCell(int kind, const CParameter& record);
// The ToneSwitch cell of the patch list: "L/U", "L/_", "_/U" or "_/_"; empty for a free slot.
std::string ToneSwitchCell(const CPatch& patch);

// The rows of a list as the desktop shows them, one line per slot: a used-marker (">") for a
// tone or wave that is used, the number, the name, the tone switches (patches) and the memos.
// Only used slots unless `all`.
std::vector<std::string> ListLines(const CLumData& data, int kind, bool all);
// One row of a list as `ListLines` gives it; `slot` is 0-based.
std::string ListRow(const CLumData& data, int kind, int slot);

// The summary of a project: folder, used slots per kind, wave bytes, rejected files and files
// of used slots that cannot be opened.
std::vector<std::string> InfoLines(const CProjectDocument& document);

// The script's status of a project: modified flag, folder, wave bytes and whether Undo can run.
std::vector<std::string> StatusLines(const CProjectDocument& document);

// The paths of used slots whose files cannot be opened for reading, patches, tones, waves.
std::vector<std::string> MissingFiles(const CLumData& data);

} // namespace Corv::Cli
