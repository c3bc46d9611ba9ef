#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace Corv {
class CParameter;
}

namespace CorvDesktop {

// One column of a list: alignment, value kind, whether it can become the current column, and
// the bounds of a number column.
struct SELVColumn {
    static constexpr std::uint32_t kAlignMask = 0x3; // 0 left, 1 right, 2 centre
    static constexpr std::uint32_t kKindMask = 0x70; // value kind
    static constexpr std::uint32_t kKindText = 0x10;
    static constexpr std::uint32_t kKindText2 = 0x20;
    static constexpr std::uint32_t kKindNumber = 0x40;
    static constexpr std::uint32_t kEditable = 0x10000; // may be current and edited

    std::uint32_t flags = 0;
    double minValue = -1.0;
    double maxValue = -1.0;
    // Carried with the descriptor and never read.
    std::int32_t extra[4] = {-1, -1, -1, 0};

    int Alignment() const { return static_cast<int>(flags & kAlignMask); }
    bool IsEditable() const { return (flags & kEditable) != 0; }
    bool IsText() const {
        const std::uint32_t kind = flags & kKindMask;
        return kind == kKindText || kind == kKindText2;
    }
    bool IsNumber() const { return (flags & kKindMask) == kKindNumber; }
};

// What a column shows.
enum ColumnId : int {
    kColNumber = 0,
    kColName = 1,
    kColMemo1 = 2,
    kColMemo4 = 5,
    kColToneSwitch = 6,
    kColWaveform = 7, // the wave's picture, drawn from its peaks
    kColLength = 8,   // the wave's length in minutes, seconds and milliseconds
};

// A column of a list's column table: header text, what it shows and its descriptor.
struct ParameterColumn {
    const char* title;
    int columnId;
    SELVColumn column;
};

// The column table of a list kind (0 patches, 1 tones, 2 waves), in column order.
const std::vector<ParameterColumn>& ColumnTable(int kind);
// The settings group of a list kind's column widths: "PatchListCtrl", "ToneListCtrl" or
// "WaveListCtrl" (entry "ColumnWidth").
QString ColumnWidthSection(int kind);
// The width a column takes when the stored text gives none.
int DefaultColumnWidth(int kind, int column);
// The widths of a kind's columns from a stored text such as "56,136,76,50,50,50,50": missing
// or empty fields (and fields that are no decimal number) take the default. A wave list's text
// stored before it had its Waveform and Length columns keeps its widths for the columns it
// named.
std::vector<int> ParseColumnWidths(int kind, const QString& stored);
// The widths joined by "," without blanks.
QString FormatColumnWidths(const std::vector<int>& widths);

// The 8-bit text of one cell of a record at `index` (0-based) in a list of `kind`.
std::string CellText(int kind, const Corv::CParameter& record, int index, int columnId);
// The two-character prefix of a name in the list: "* " for an instrument wave file, two blanks
// for any other used wave slot, nothing otherwise.
std::string NamePrefix(int kind, const Corv::CParameter& record);
// The field number of the edit dialog for a column position: 1 for the name, 2 to 5 for the
// memos (the patch list's ToneSwitch column is skipped); 0 for a column that has none.
int EditFieldNumber(int kind, int column);
// True when a text is a valid value for a column: text kinds always, a number within bounds.
bool ValidateCellValue(const SELVColumn& column, const QString& text);

} // namespace CorvDesktop
