#include "ui/list_columns.h"

#include "model/list_text.h"
#include "model/parameter.h"

#include <QStringList>
#include <array>

namespace CorvDesktop {

namespace {

constexpr SELVColumn kNumberColumn{0x11141, 0.0, 127.0, {0, 0, 2, 0}};
constexpr SELVColumn kTextColumn{0x10010, -1.0, -1.0, {-1, -1, -1, 0}};
// Shown, never edited: the keyboard's current column passes them by.
constexpr SELVColumn kPictureColumn{0x00000, -1.0, -1.0, {-1, -1, -1, 0}};
constexpr SELVColumn kLengthColumn{0x00011, -1.0, -1.0, {-1, -1, -1, 0}};

const std::vector<ParameterColumn> kPatchColumns = {{"Number", kColNumber, kNumberColumn},
                                                    {"PatchName", kColName, kTextColumn},
                                                    {"ToneSwitch", kColToneSwitch, kTextColumn},
                                                    {"Memo1", 2, kTextColumn},
                                                    {"Memo2", 3, kTextColumn},
                                                    {"Memo3", 4, kTextColumn},
                                                    {"Memo4", 5, kTextColumn}};
const std::vector<ParameterColumn> kToneColumns = {{"Number", kColNumber, kNumberColumn},
                                                   {"ToneName", kColName, kTextColumn},
                                                   {"Memo1", 2, kTextColumn},
                                                   {"Memo2", 3, kTextColumn},
                                                   {"Memo3", 4, kTextColumn},
                                                   {"Memo4", 5, kTextColumn}};
const std::vector<ParameterColumn> kWaveColumns = {{"Number", kColNumber, kNumberColumn},
                                                   {"WaveName", kColName, kTextColumn},
                                                   {"Waveform", kColWaveform, kPictureColumn},
                                                   {"Length", kColLength, kLengthColumn},
                                                   {"Memo1", 2, kTextColumn},
                                                   {"Memo2", 3, kTextColumn},
                                                   {"Memo3", 4, kTextColumn},
                                                   {"Memo4", 5, kTextColumn}};

std::string ToneSwitchCell(const Corv::CParameter& record) {
    const auto* patch = dynamic_cast<const Corv::CPatch*>(&record);
    return patch == nullptr ? std::string() : Corv::ToneSwitchText(*patch);
}

} // namespace

const std::vector<ParameterColumn>& ColumnTable(int kind) {
    switch (kind) {
    case Corv::kPatchKind:
        return kPatchColumns;
    case Corv::kToneKind:
        return kToneColumns;
    default:
        return kWaveColumns;
    }
}

QString ColumnWidthSection(int kind) {
    static const std::array<const char*, 3> sections = {"PatchListCtrl", "ToneListCtrl",
                                                        "WaveListCtrl"};
    return QString::fromLatin1(
        sections[static_cast<std::size_t>(kind == 0 || kind == 1 ? kind : 2)]);
}

// The wave list's columns before the Waveform and Length columns came after its name.
constexpr int kWaveColumnsBefore = 6;
constexpr int kWaveformPosition = 2;

int DefaultColumnWidth(int kind, int column) {
    if (column == 0)
        return 56;
    if (column == 1)
        return 136;
    if (kind == Corv::kPatchKind && column == 2)
        return 76;
    if (kind == Corv::kWaveKind && column == kWaveformPosition)
        return 96;
    if (kind == Corv::kWaveKind && column == kWaveformPosition + 1)
        return 64;
    return 50;
}

std::vector<int> ParseColumnWidths(int kind, const QString& stored) {
    QStringList fields = stored.split(',');
    if (kind == Corv::kWaveKind && fields.size() == kWaveColumnsBefore)
        for (int i = 0; i < 2; ++i)
            fields.insert(kWaveformPosition, QString());
    const int count = static_cast<int>(ColumnTable(kind).size());
    std::vector<int> widths;
    for (int column = 0; column < count; ++column) {
        bool ok = false;
        const int width = column < fields.size() ? fields[column].trimmed().toInt(&ok, 10) : 0;
        // A negative or absurd width would hide or swamp the column: take the default.
        widths.push_back(ok && width >= 0 && width <= 10000 ? width
                                                            : DefaultColumnWidth(kind, column));
    }
    return widths;
}

QString FormatColumnWidths(const std::vector<int>& widths) {
    QStringList fields;
    for (const int width : widths)
        fields << QString::number(width);
    return fields.join(',');
}

std::string NamePrefix(int kind, const Corv::CParameter& record) {
    return Corv::ListNamePrefix(kind, record);
}

std::string CellText(int kind, const Corv::CParameter& record, int index, int columnId) {
    switch (columnId) {
    case kColNumber:
        return std::to_string(index + 1);
    case kColName:
        return NamePrefix(kind, record) + record.Name();
    case kColToneSwitch:
        return ToneSwitchCell(record);
    default:
        if (columnId >= kColMemo1 && columnId <= kColMemo4)
            return record.Memo(columnId - kColMemo1 + 1);
        return {};
    }
}

int EditFieldNumber(int kind, int column) {
    const auto& table = ColumnTable(kind);
    if (column < 0 || column >= static_cast<int>(table.size()))
        return 0;
    const int id = table[static_cast<std::size_t>(column)].columnId;
    if (id == kColName)
        return 1;
    if (id >= kColMemo1 && id <= kColMemo4)
        return id;
    return 0;
}

bool ValidateCellValue(const SELVColumn& column, const QString& text) {
    if (column.IsText())
        return true;
    if (column.IsNumber()) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        return ok && value >= column.minValue && value <= column.maxValue;
    }
    return false;
}

} // namespace CorvDesktop
