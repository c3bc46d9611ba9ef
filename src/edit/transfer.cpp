#include "edit/transfer.h"

#include <numeric>

namespace Corv {

namespace {

// The numbers marked true, ascending.
std::vector<int> Marked(const std::vector<bool>& marks) {
    std::vector<int> numbers;
    for (std::size_t n = 0; n < marks.size(); ++n)
        if (marks[n])
            numbers.push_back(static_cast<int>(n));
    return numbers;
}

// The project tones (0-based) that the given patches refer to, ascending, each once.
std::vector<int> TonesUsedBy(const CLumData& source, const std::vector<int>& patches) {
    std::vector<bool> used(At(kToneSlots));
    for (const int p : patches)
        for (const int t : source.Patches()[At(p)].ToneNumbers())
            if (IsToneNumber(t))
                used[At(t - 1)] = true;
    return Marked(used);
}

// The project waves (0-based) that the given tones (0-based) refer to, ascending, each once.
std::vector<int> WavesUsedBy(const CLumData& source, const std::vector<int>& tones) {
    std::vector<bool> used(At(kWaveSlots));
    for (const int t : tones)
        for (const int w : source.Tones()[At(t)].WaveNumbers())
            if (IsWaveNumber(w))
                used[At(w - 1)] = true;
    return Marked(used);
}

// Copies of the records at the given 0-based indices.
template <class T>
CConcreteParameterArray<T> CopiesOf(const CConcreteParameterArray<T>& records,
                                    const std::vector<int>& indices) {
    CConcreteParameterArray<T> copies;
    for (const int index : indices)
        copies.AppendCopy(records[At(index)]);
    return copies;
}

// Every index of an array.
std::vector<int> AllOf(const CParameterArray& records) {
    std::vector<int> indices(records.Size());
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

// The 1-based numbers of 0-based indices.
std::vector<int> NumbersOf(std::vector<int> indices) {
    for (int& index : indices)
        ++index;
    return indices;
}

// The waves the given tones use come along.
void CarryWaves(const CLumData& source, const std::vector<int>& tones, CTransfer& transfer) {
    const std::vector<int> waves = WavesUsedBy(source, tones);
    transfer.waves = CopiesOf(source.Waves(), waves);
    transfer.waveOrigins = NumbersOf(waves);
}

void StorePatches(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer) {
    transfer.patches = CopiesOf(source.Patches(), rows);
    const std::vector<int> tones = TonesUsedBy(source, rows);
    transfer.tones = CopiesOf(source.Tones(), tones);
    transfer.toneOrigins = NumbersOf(tones);
    CarryWaves(source, tones, transfer);
}

void StoreTones(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer) {
    transfer.tones = CopiesOf(source.Tones(), rows);
    transfer.toneOrigins = NumbersOf(rows);
    CarryWaves(source, rows, transfer);
    transfer.patchPicture = CopiesOf(source.Patches(), AllOf(source.Patches()));
}

void StoreWaves(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer) {
    transfer.waves = CopiesOf(source.Waves(), rows);
    transfer.waveOrigins = NumbersOf(rows);
    transfer.tonePicture = CopiesOf(source.Tones(), AllOf(source.Tones()));
}

} // namespace

const CParameterArray& CTransfer::Dragged() const {
    return kind == kPatchKind  ? static_cast<const CParameterArray&>(patches)
           : kind == kToneKind ? static_cast<const CParameterArray&>(tones)
                               : static_cast<const CParameterArray&>(waves);
}

CTransfer StoreSelection(const CLumData& source, const std::vector<int>& rows, int kind) {
    CTransfer transfer;
    transfer.kind = kind;
    if (!IsKind(kind))
        return transfer;
    std::vector<int> valid;
    const int size = static_cast<int>(source.Records(kind).Size());
    for (const int row : rows)
        if (row >= 0 && row < size)
            valid.push_back(row);
    if (kind == kPatchKind)
        StorePatches(source, valid, transfer);
    else if (kind == kToneKind)
        StoreTones(source, valid, transfer);
    else
        StoreWaves(source, valid, transfer);
    return transfer;
}

} // namespace Corv
