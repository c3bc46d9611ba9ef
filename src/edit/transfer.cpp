#include "edit/transfer.h"

#include <mutex>
#include <numeric>

namespace Corv {

namespace {

// Records of transfers that have gone, for the next transfer to copy into instead of allocating
// every record anew. Never destroyed: a transfer may go at the end of the program, after the
// other objects of the process.
struct Spares {
    std::mutex mutex;
    CPatchArray patches;
    CToneArray tones;
    CWaveArray waves;
};

Spares& SpareRecords() {
    static Spares* const spares = new Spares;
    return *spares;
}

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

// Copies of the records at the given 0-based indices, made in spare records where there are
// any.
template <class T>
CConcreteParameterArray<T> CopiesOf(const CConcreteParameterArray<T>& records,
                                    const std::vector<int>& indices,
                                    CConcreteParameterArray<T>& spares) {
    CConcreteParameterArray<T> copies;
    for (const int index : indices)
        copies.AppendCopy(records[At(index)], spares);
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
void CarryWaves(const CLumData& source, const std::vector<int>& tones, CTransfer& transfer,
                Spares& spares) {
    const std::vector<int> waves = WavesUsedBy(source, tones);
    transfer.waves = CopiesOf(source.Waves(), waves, spares.waves);
    transfer.waveOrigins = NumbersOf(waves);
}

void StorePatches(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer,
                  Spares& spares) {
    transfer.patches = CopiesOf(source.Patches(), rows, spares.patches);
    const std::vector<int> tones = TonesUsedBy(source, rows);
    transfer.tones = CopiesOf(source.Tones(), tones, spares.tones);
    transfer.toneOrigins = NumbersOf(tones);
    CarryWaves(source, tones, transfer, spares);
}

void StoreTones(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer,
                Spares& spares) {
    transfer.tones = CopiesOf(source.Tones(), rows, spares.tones);
    transfer.toneOrigins = NumbersOf(rows);
    CarryWaves(source, rows, transfer, spares);
    transfer.patchPicture = CopiesOf(source.Patches(), AllOf(source.Patches()), spares.patches);
}

void StoreWaves(const CLumData& source, const std::vector<int>& rows, CTransfer& transfer,
                Spares& spares) {
    transfer.waves = CopiesOf(source.Waves(), rows, spares.waves);
    transfer.waveOrigins = NumbersOf(rows);
    transfer.tonePicture = CopiesOf(source.Tones(), AllOf(source.Tones()), spares.tones);
}

} // namespace

CTransfer& CTransfer::operator=(CTransfer&& other) noexcept {
    if (this == &other)
        return *this;
    Recycle();
    kind = other.kind;
    patches = std::move(other.patches);
    tones = std::move(other.tones);
    waves = std::move(other.waves);
    toneOrigins = std::move(other.toneOrigins);
    waveOrigins = std::move(other.waveOrigins);
    patchPicture = std::move(other.patchPicture);
    tonePicture = std::move(other.tonePicture);
    return *this;
}

CTransfer::~CTransfer() {
    Recycle();
}

void CTransfer::Recycle() noexcept {
    Spares& spares = SpareRecords();
    const std::lock_guard lock(spares.mutex);
    patches.MoveAllTo(spares.patches);
    patchPicture.MoveAllTo(spares.patches);
    tones.MoveAllTo(spares.tones);
    tonePicture.MoveAllTo(spares.tones);
    waves.MoveAllTo(spares.waves);
}

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
    Spares& spares = SpareRecords();
    const std::lock_guard lock(spares.mutex);
    if (kind == kPatchKind)
        StorePatches(source, valid, transfer, spares);
    else if (kind == kToneKind)
        StoreTones(source, valid, transfer, spares);
    else
        StoreWaves(source, valid, transfer, spares);
    return transfer;
}

} // namespace Corv
