#pragma once

#include <QString>
#include <array>
#include <vector>

namespace Corv {
class CLumData;
}

namespace CorvDesktop {

class CCodePage;

// "1 patch", "512 patches", "3 tones", "1 wave".
QString CountText(int count, int kind);

// How a list shows an entry in a sentence: its number and name ("12 Brass Stab"), an entry
// whose name is empty as "(no name)".
QString EntryText(const Corv::CLumData& project, int kind, int row, const CCodePage& codePage);

// The line under "OK to delete?": what the rows hold that a delete takes, by count, project
// and the first names ("512 patches of Live.prj: 1 Brass Stab, 2 Bowed Glass, …"). Empty slots
// among the rows are not counted.
QString DeletionDetail(const Corv::CLumData& project, int kind, const std::vector<int>& rows,
                       const QString& projectTitle, const CCodePage& codePage);

// Why a typed name is refused when it would be stored as no name at all: it is empty, or none of
// its characters can be stored in the project's code page (named `codePage`).
QString EmptyNameRefusal(const QString& typed, const QString& codePage);

// What an edit did, in the status line's words (`done`), and the name of its undo step (`what`,
// after "Undone: ").
struct EditReport {
    QString done;
    QString what;
};

// A name (field 1, `name` as stored) or memo (fields 2-5; 2 also stands for several memos at
// once) set on `rows`: "Renamed patch 5 to “Brass”", "Memo 2 of 3 patches set".
EditReport CellEditReport(int kind, const std::vector<int>& rows, int field, const QString& name);

// "Deleted 3 patches of Live.prj", "delete of 3 patches".
EditReport DeleteReport(int kind, int count, const QString& projectTitle);

// What a clean took out, from the used counts (patches, tones, waves) before and after:
// "Clean removed 2 tones, 5 waves from Live.prj" or "Clean found nothing to remove in Live.prj".
EditReport CleanReport(const std::array<int, 3>& before, const std::array<int, 3>& after,
                       const QString& projectTitle);

// "Imported 3 waves into Live.prj rows 5-7" (rows 0-based, in slot order).
EditReport ImportReport(const std::vector<int>& rows, const QString& projectTitle);

// "Saved Live.prj: 3 files written, 2 renamed (0.4 s)"; "…: nothing to write (0.1 s)".
QString SaveStatus(const QString& projectTitle, int written, int renamed, int removed,
                   double seconds);
// A save that did not happen: why, and what became of the folder (`pending`: the save stopped
// with its journal in the folder, which the next open completes).
QString SaveFailedStatus(const QString& projectTitle, const QString& problem, bool pending);

// The files a project misses, named relative to its folder where they lie in it: "Missing from
// Live.prj (3): Patch/001 Lead.d00, Tone/003 Saw.p00, Wave/Kick.w00" (the first ten, then "…").
QString MissingFilesDetail(const std::vector<std::string>& paths, const std::string& projectFolder,
                           const QString& projectTitle);

// "2 of 512 patches selected".
QString SelectionStatus(int selected, int total, int kind);

} // namespace CorvDesktop
