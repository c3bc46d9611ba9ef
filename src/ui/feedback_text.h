#pragma once

#include <QString>
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

} // namespace CorvDesktop
