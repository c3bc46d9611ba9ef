#pragma once

#include "model/parameter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Corv {

inline constexpr std::size_t kSvdHeaderBytes = 32;
inline constexpr std::size_t kSvdComparedHeaderBytes = 30;
inline constexpr std::size_t kPatchPrefixBytes = 170;
inline constexpr std::size_t kTonePrefixBytes = 1510;
inline constexpr std::size_t kPatchAreaOffset = 138;
inline constexpr std::size_t kToneAreaOffset = 262;
inline constexpr std::size_t kPatchAreaBytes = 32;
inline constexpr std::size_t kToneAreaBytes = 1248;

// The 32-byte headers of patch (".d00", type tag "PRFa") and tone (".p00", "PATa") files.
const std::array<std::uint8_t, kSvdHeaderBytes>& PatchHeaderTemplate();
const std::array<std::uint8_t, kSvdHeaderBytes>& ToneHeaderTemplate();

// Converts between a patch record and the 32-byte record area of its file.
class CPatchSvdManager {
public:
    virtual ~CPatchSvdManager() = default;
    bool ReadRecord(const std::uint8_t* area, CPatch& patch) const;
    // Packs into the area in place: bits that belong to no parameter keep their values.
    bool WriteRecord(const CPatch& patch, std::uint8_t* area) const;
};

// Converts between a tone record and the 1248-byte record area of its file.
class CToneSvdManager {
public:
    virtual ~CToneSvdManager() = default;
    bool ReadRecord(const std::uint8_t* area, CTone& tone) const;
    bool WriteRecord(const CTone& tone, std::uint8_t* area) const;
};

// Reads the record area of a patch or tone file into the record; false when the file cannot
// be opened, is shorter than its prefix or its header differs from the template. `area` (may be
// null) receives the record area's bytes as the file holds them.
bool ReadPatchFile(const std::string& path, CPatch& patch,
                   std::vector<std::uint8_t>* area = nullptr);
bool ReadToneFile(const std::string& path, CTone& tone, std::vector<std::uint8_t>* area = nullptr);

// Rewrites the record area of an existing file from the record (a null record succeeds and
// writes nothing). The file is never created or truncated and keeps every byte outside the
// record area, and the bits inside it that belong to no parameter.
bool WritePatchFile(const std::string& path, const CPatch* patch);
bool WriteToneFile(const std::string& path, const CTone* tone);

// The record area of a patch (kind 0) or tone (kind 1) file as the file holds it; false when
// the file cannot be read or ends before the area's end.
bool ReadRecordArea(int kind, const std::string& path, std::vector<std::uint8_t>& area);
// Packs a record into an area read by `ReadRecordArea`, in place: bits that belong to no
// parameter keep their values. False for a record whose parameters do not fit.
bool PackRecordArea(int kind, const CParameter& record, std::vector<std::uint8_t>& area);
// Where the record area of a kind's file starts.
std::size_t RecordAreaOffset(int kind);

// The parameters that packing a patch or tone record writes, block after block; empty when a
// block does not hold exactly its parameters. Packing the same parameters into an area twice
// leaves it as the first packing did, so a record whose parameters are those an area was packed
// from (or left unchanged by) is unchanged without being packed again.
std::vector<std::uint8_t> PackedParameters(int kind, const CParameter& record);
// True when the record has exactly these parameters (from `PackedParameters`, not empty).
bool HasPackedParameters(int kind, const CParameter& record,
                         const std::vector<std::uint8_t>& parameters);
// The record's parameters when packing it into the area leaves the area as it is; else empty.
std::vector<std::uint8_t> ParametersKeeping(int kind, const CParameter& record,
                                            const std::vector<std::uint8_t>& area);

} // namespace Corv
