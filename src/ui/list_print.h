#pragma once

#include <QString>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPrinter;
class QWidget;
namespace Corv {
class CLumData;
}

namespace CorvDesktop {

class CCodePage;

// Rows of one list on a printed page; a page that is too small for them squeezes them rather
// than spilling onto another page, so the page count depends on the project alone.
inline constexpr int kPrintRowsPerPage = 64;

// One printed page: a run of used entries of one list.
struct CPrintedPage {
    int kind = 0;
    // Into the list's used slots (UsedSlots), not slot indices.
    int firstRow = 0;
    int rowCount = 0;

    bool operator==(const CPrintedPage&) const = default;
};

// The pages of a project's printout: each list with used entries starts on a page of its own
// and fills kPrintRowsPerPage rows a page; an empty list gets no page. A project without any
// used entry gets none at all (printing it still gives one page that says so).
std::vector<CPrintedPage> PrintedPages(const Corv::CLumData& data);

// Draws the printout onto a printer or PDF writer: on each page a title line ("<project> —
// Patches"), a table of Number, Name and Memo 1-4 (texts that do not fit are cut short with an
// ellipsis) and the page number. Pages from `firstPage` to `lastPage` (1-based, 0: the last)
// only. False with `reason` when the device cannot be drawn on.
bool PrintLists(QPagedPaintDevice& device, const Corv::CLumData& data, const CCodePage& page,
                const QString& projectTitle, QString& reason, int firstPage = 1, int lastPage = 0);

// What the Print command asks the user. Empty by default, which shows the real dialog; tests
// put a scripted answer in its place.
struct CListPrintChoosers {
    // Sets up the printer (a real one or PDF output) and its page range; false when cancelled.
    std::function<bool(QWidget* parent, QPrinter& printer, int pageCount)> printer;
};

// File > Print...: shows the print dialog (which offers PDF output too) and prints the
// project's lists with the lists' code page. A failure is shown through the notice of the
// desktop's choosers. True when the printout was made.
bool PrintInteractively(QWidget* parent, const Corv::CLumData& data, const QString& projectTitle,
                        const CListPrintChoosers& choosers = {});

} // namespace CorvDesktop
