#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
namespace Corv {
class CLumData;
}

namespace CorvDesktop {

class CCodePage;

// The `kind` that stands for all three lists at once.
inline constexpr int kAllLists = -1;

// "Patches", "Tones" or "Waves": a list's name in titles and file names.
QString ListTitle(int kind);

// The 0-based indices of the used slots of a kind, in list order. Empty slots are left out of
// every exported or printed list: a paper list of a set names what is in it.
std::vector<int> UsedSlots(const Corv::CLumData& data, int kind);

// The 1-based numbers of the entries that a used slot is linked to, ascending, each once:
// for a patch the tones it plays, for a tone the patches that play it, for a wave the tones
// that play it. Only used patches and tones count as users; numbers beyond the lists are left
// out.
std::vector<int> LinkedNumbers(const Corv::CLumData& data, int kind, int index);

// The used entries of one list (or of all three with kAllLists) as CSV: UTF-8 with a byte order
// mark, CR LF line ends, fields quoted where they hold a comma, quote or line break. Columns:
// List (all three only), Number, Name, Memo 1-4, Users (the linked numbers, blank-separated).
// Names and memos are decoded with the code page.
QByteArray ListCsv(const Corv::CLumData& data, const CCodePage& page, int kind);

// Replaces the file at `path` with `bytes` all at once: on failure nothing of the new content
// is left behind, an existing file keeps its content, and `reason` says what went wrong.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& reason);

// The file name the Export List dialog proposes, in the home folder: "<project> patches.csv"
// (tones, waves) for one list, "<project>.csv" for all three.
QString SuggestedCsvPath(const QString& projectTitle, int kind);

// What the Export List command asks the user. Each entry is empty by default, which shows the
// real dialog; tests put scripted answers in its place.
struct CListExportChoosers {
    // Which lists: the active kind or kAllLists; nothing when cancelled.
    std::function<std::optional<int>(QWidget* parent, int activeKind)> lists;
    // The file to write, starting from the proposed path; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& proposedPath)> fileName;
};

// File > Export List...: asks for the active list or all three (only all three when no list is
// active, `activeKind` -1), then for a file name, and writes the CSV, with the lists' code page.
// A failure is shown with its reason through the notice of the desktop's choosers. True when
// the file was written.
bool ExportListInteractively(QWidget* parent, const Corv::CLumData& data, int activeKind,
                             const QString& projectTitle, const CListExportChoosers& choosers = {});

} // namespace CorvDesktop
