#include "storage/svd_file.h"

#include "model/codec.h"
#include "model/file_system.h"
#include "storage/domain.h"

#include <algorithm>
#include <vector>

namespace Corv {

namespace {

using Header = std::array<std::uint8_t, kSvdHeaderBytes>;

constexpr void PutTag(Header& header, std::size_t at, const char (&tag)[5]) {
    for (std::size_t i = 0; i < 4; ++i)
        header[at + i] = static_cast<std::uint8_t>(tag[i]);
}

// Both headers differ only in the type tag at byte 16; bytes 30 and 31 are never compared.
constexpr Header MakeHeader(const char (&typeTag)[5]) {
    Header header{};
    header[1] = 0x1E;
    PutTag(header, 2, "SVD0");
    PutTag(header, 16, typeTag);
    PutTag(header, 20, "QUIL");
    header[27] = 0x20;
    return header;
}

constexpr Header kPatchHeader = MakeHeader("PRFa");
constexpr Header kToneHeader = MakeHeader("PATa");

// Where a kind of file keeps its record and how it is recognised.
struct SvdLayout {
    const Header& header;
    std::size_t prefixBytes;
    std::size_t areaOffset;
    std::size_t areaBytes;
};

constexpr SvdLayout kPatchLayout{kPatchHeader, kPatchPrefixBytes, kPatchAreaOffset,
                                 kPatchAreaBytes};
constexpr SvdLayout kToneLayout{kToneHeader, kTonePrefixBytes, kToneAreaOffset, kToneAreaBytes};

// Unpacks `count` consecutive blocks of one table into the parameter arrays of `blocks`.
template <class Block>
bool UnpackBlocks(const std::uint8_t* area, std::size_t blockBytes, CodecTable table, int count,
                  Block* const* blocks, std::size_t blockCount) {
    bool ok = true;
    for (std::size_t n = 0; n < blockCount; ++n) {
        std::vector<std::uint8_t>& params = blocks[n]->Params();
        params.resize(static_cast<std::size_t>(count));
        ok = UnpackParameters(area + blockBytes * n, table, params.data(), count) == count && ok;
    }
    return ok;
}

// Packs the parameter arrays of `blocks` into consecutive blocks of the area, in place.
template <class Block>
bool PackBlocks(const Block* const* blocks, std::size_t blockCount, std::size_t blockBytes,
                CodecTable table, int count, std::uint8_t* area) {
    for (std::size_t n = 0; n < blockCount; ++n) {
        const std::vector<std::uint8_t>& params = blocks[n]->Params();
        if (params.size() < static_cast<std::size_t>(count))
            return false;
        if (PackParameters(area + blockBytes * n, table, params.data(), count) != count)
            return false;
    }
    return true;
}

// Reads the prefix of a file and checks its header; false on any failure, a failed close
// included.
bool ReadPrefix(const std::string& path, const SvdLayout& layout,
                std::vector<std::uint8_t>& prefix) {
    auto file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return false;
    prefix.assign(layout.prefixBytes, 0);
    const bool read =
        file->Read(prefix.data(), prefix.size()) == static_cast<std::int64_t>(prefix.size());
    const bool headerOk =
        read && std::equal(layout.header.begin(), layout.header.begin() + kSvdComparedHeaderBytes,
                           prefix.begin());
    const bool closed = file->Close();
    return headerOk && closed;
}

template <class Record, class Manager>
bool ReadSvdFile(const std::string& path, Record& record, const SvdLayout& layout,
                 std::vector<std::uint8_t>* area) {
    std::vector<std::uint8_t> prefix;
    if (ReadPrefix(path, layout, prefix) &&
        Manager().ReadRecord(prefix.data() + layout.areaOffset, record)) {
        const auto start = prefix.begin() + static_cast<std::ptrdiff_t>(layout.areaOffset);
        if (area != nullptr)
            area->assign(start, start + static_cast<std::ptrdiff_t>(layout.areaBytes));
        return true;
    }
    // No partial record survives a failed read.
    record = Record();
    return false;
}

// Rewrites the record area of an existing file. The current area is read first and the
// record packed into it, so the bits that belong to no parameter keep what the file holds. A
// file that ends before the area's end is refused rather than extended.
template <class Record, class Manager>
bool WriteSvdFile(const std::string& path, const Record* record, const SvdLayout& layout) {
    if (record == nullptr)
        return true;
    auto file = FileSystem().Open(path, OpenMode::Update);
    if (!file)
        return false;
    std::vector<std::uint8_t> area(layout.areaBytes, 0);
    const auto areaSize = static_cast<std::int64_t>(area.size());
    if (!file->Seek(layout.areaOffset) || file->Read(area.data(), area.size()) != areaSize)
        return false;
    if (!Manager().WriteRecord(*record, area.data()))
        return false;
    if (!file->Seek(layout.areaOffset) || !file->Write(area.data(), area.size()))
        return false;
    return file->Close();
}

} // namespace

const std::array<std::uint8_t, kSvdHeaderBytes>& PatchHeaderTemplate() {
    return kPatchHeader;
}
const std::array<std::uint8_t, kSvdHeaderBytes>& ToneHeaderTemplate() {
    return kToneHeader;
}

bool CPatchSvdManager::ReadRecord(const std::uint8_t* area, CPatch& patch) const {
    CPatchTone* slots[2] = {&patch.Slot(0), &patch.Slot(1)};
    return UnpackBlocks(area, kPatchToneBlockBytes, PatchToneCodecTable(), kPatchToneParameterCount,
                        slots, 2);
}

bool CPatchSvdManager::WriteRecord(const CPatch& patch, std::uint8_t* area) const {
    const CPatchTone* slots[2] = {&patch.Slot(0), &patch.Slot(1)};
    return PackBlocks(slots, 2, kPatchToneBlockBytes, PatchToneCodecTable(),
                      kPatchToneParameterCount, area);
}

bool CToneSvdManager::ReadRecord(const std::uint8_t* area, CTone& tone) const {
    COsc* oscs[CTone::kOscCount];
    for (int n = 0; n < CTone::kOscCount; ++n)
        oscs[n] = &tone.Osc(n);
    return UnpackBlocks(area, kOscBlockBytes, OscCodecTable(), kOscParameterCount, oscs,
                        CTone::kOscCount);
}

bool CToneSvdManager::WriteRecord(const CTone& tone, std::uint8_t* area) const {
    const COsc* oscs[CTone::kOscCount];
    for (int n = 0; n < CTone::kOscCount; ++n)
        oscs[n] = &tone.Osc(n);
    return PackBlocks(oscs, CTone::kOscCount, kOscBlockBytes, OscCodecTable(), kOscParameterCount,
                      area);
}

bool ReadPatchFile(const std::string& path, CPatch& patch, std::vector<std::uint8_t>* area) {
    return ReadSvdFile<CPatch, CPatchSvdManager>(path, patch, kPatchLayout, area);
}

bool ReadToneFile(const std::string& path, CTone& tone, std::vector<std::uint8_t>* area) {
    return ReadSvdFile<CTone, CToneSvdManager>(path, tone, kToneLayout, area);
}

bool WritePatchFile(const std::string& path, const CPatch* patch) {
    return WriteSvdFile<CPatch, CPatchSvdManager>(path, patch, kPatchLayout);
}

bool WriteToneFile(const std::string& path, const CTone* tone) {
    return WriteSvdFile<CTone, CToneSvdManager>(path, tone, kToneLayout);
}

namespace {

const SvdLayout& LayoutOf(int kind) {
    return kind == kPatchKind ? kPatchLayout : kToneLayout;
}

} // namespace

bool ReadRecordArea(int kind, const std::string& path, std::vector<std::uint8_t>& area) {
    const SvdLayout& layout = LayoutOf(kind);
    auto file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return false;
    area.assign(layout.areaBytes, 0);
    return file->Seek(layout.areaOffset) &&
           file->Read(area.data(), area.size()) == static_cast<std::int64_t>(area.size());
}

bool PackRecordArea(int kind, const CParameter& record, std::vector<std::uint8_t>& area) {
    if (area.size() != LayoutOf(kind).areaBytes)
        return false;
    if (kind == kPatchKind)
        return CPatchSvdManager().WriteRecord(static_cast<const CPatch&>(record), area.data());
    return CToneSvdManager().WriteRecord(static_cast<const CTone&>(record), area.data());
}

std::size_t RecordAreaOffset(int kind) {
    return LayoutOf(kind).areaOffset;
}

namespace {

// The parameter blocks of a record that packing writes, with the count of each.
template <class Visit> bool ForEachBlock(int kind, const CParameter& record, Visit visit) {
    if (kind == kPatchKind) {
        const auto& patch = static_cast<const CPatch&>(record);
        return visit(patch.Slot(0).Params(), kPatchToneParameterCount) &&
               visit(patch.Slot(1).Params(), kPatchToneParameterCount);
    }
    const auto& tone = static_cast<const CTone&>(record);
    for (int n = 0; n < CTone::kOscCount; ++n)
        if (!visit(tone.Osc(n).Params(), kOscParameterCount))
            return false;
    return true;
}

} // namespace

std::vector<std::uint8_t> PackedParameters(int kind, const CParameter& record) {
    std::vector<std::uint8_t> parameters;
    const bool exact =
        ForEachBlock(kind, record, [&](const std::vector<std::uint8_t>& params, int count) {
            if (params.size() != static_cast<std::size_t>(count))
                return false;
            parameters.insert(parameters.end(), params.begin(), params.end());
            return true;
        });
    return exact ? parameters : std::vector<std::uint8_t>{};
}

bool HasPackedParameters(int kind, const CParameter& record,
                         const std::vector<std::uint8_t>& parameters) {
    std::size_t at = 0;
    return !parameters.empty() &&
           ForEachBlock(kind, record,
                        [&](const std::vector<std::uint8_t>& params, int count) {
                            const auto n = static_cast<std::size_t>(count);
                            if (params.size() != n || at + n > parameters.size() ||
                                !std::equal(params.begin(), params.end(),
                                            parameters.begin() + static_cast<std::ptrdiff_t>(at)))
                                return false;
                            at += n;
                            return true;
                        }) &&
           at == parameters.size();
}

std::vector<std::uint8_t> ParametersKeeping(int kind, const CParameter& record,
                                            const std::vector<std::uint8_t>& area) {
    std::vector<std::uint8_t> packed = area;
    if (!PackRecordArea(kind, record, packed) || packed != area)
        return {};
    return PackedParameters(kind, record);
}

} // namespace Corv
