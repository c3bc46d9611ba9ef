// Patch and tone files: any input is read as a patch file and as a tone file.
//
// Properties: a read succeeds exactly when the file is at least as long as its prefix and its
// first 30 bytes are the template's; a failed read leaves a default record. The codec is
// lossless for every value it reads, so writing a record that was read back into its own file
// changes no byte; a changed reference is written only into the record area, keeps the file's
// length and reads back as written; a file that ends inside its record area is not written.
#include "fuzz_check.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "storage/svd_file.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const kPath = "/record";

void Store(CorvTest::MemoryFileSystem& memory, const Bytes& content) {
    auto file = memory.Open(kPath, Corv::OpenMode::Write);
    FUZZ_CHECK(file && file->Write(content.data(), content.size()));
}

Bytes Load(CorvTest::MemoryFileSystem& memory) {
    auto file = memory.Open(kPath, Corv::OpenMode::Read);
    FUZZ_CHECK(file);
    Bytes content(static_cast<std::size_t>(file->Size()));
    FUZZ_CHECK(file->Read(content.data(), content.size()) ==
               static_cast<std::int64_t>(content.size()));
    return content;
}

bool ExpectedToRead(const Bytes& input, std::size_t prefixBytes,
                    const std::array<std::uint8_t, Corv::kSvdHeaderBytes>& header) {
    return input.size() >= prefixBytes &&
           std::equal(header.begin(), header.begin() + Corv::kSvdComparedHeaderBytes,
                      input.begin());
}

// True when the two files differ at most inside [offset, offset + bytes).
bool SameOutside(const Bytes& a, const Bytes& b, std::size_t offset, std::size_t bytes) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((i < offset || i >= offset + bytes) && a[i] != b[i])
            return false;
    return true;
}

// Reads the input as one kind of file and checks the properties above. `Change` sets a
// reference from a number taken from the input and returns a check that the re-read record
// holds it.
template <class Record, class ReadFile, class WriteFile, class Change>
void CheckKind(const Bytes& input, std::size_t prefixBytes, std::size_t areaOffset,
               std::size_t areaBytes, const std::array<std::uint8_t, Corv::kSvdHeaderBytes>& header,
               ReadFile read, WriteFile write, Change change) {
    CorvTest::MemoryFileSystem memory;
    Corv::SetFileSystem(&memory);
    Store(memory, input);
    Record record;
    const bool readOk = read(kPath, record, nullptr);
    FUZZ_CHECK(readOk == ExpectedToRead(input, prefixBytes, header));
    if (!readOk) {
        FUZZ_CHECK(record == Record());
        Corv::SetFileSystem(nullptr);
        return;
    }
    FUZZ_CHECK(write(kPath, &record));
    FUZZ_CHECK(Load(memory) == input);

    Record again;
    FUZZ_CHECK(read(kPath, again, nullptr) && again == record);

    const auto holds = change(record, input);
    FUZZ_CHECK(write(kPath, &record));
    const Bytes changed = Load(memory);
    FUZZ_CHECK(SameOutside(changed, input, areaOffset, areaBytes));
    Record reread;
    FUZZ_CHECK(read(kPath, reread, nullptr) && holds(reread));

    // A file cut inside its record area is refused and stays as it is, never extended.
    const Bytes cut(input.begin(), input.begin() + static_cast<long>(input[0] % prefixBytes));
    Store(memory, cut);
    FUZZ_CHECK(!write(kPath, &record));
    FUZZ_CHECK(Load(memory) == cut);
    Corv::SetFileSystem(nullptr);
}

// A number from the last bytes of the input, so that the mutator can steer it.
int NumberFrom(const Bytes& input, int limit) {
    const std::size_t n = input.size();
    return static_cast<int>((std::size_t{input[n - 1]} << 8 | input[n - 2]) % limit) + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes input(data, data + size);
    CheckKind<Corv::CPatch>(input, Corv::kPatchPrefixBytes, Corv::kPatchAreaOffset,
                            Corv::kPatchAreaBytes, Corv::PatchHeaderTemplate(), Corv::ReadPatchFile,
                            Corv::WritePatchFile, [](Corv::CPatch& patch, const Bytes& bytes) {
                                const int tone = NumberFrom(bytes, Corv::kToneSlots);
                                patch.Slot(1).SetToneNumber(tone);
                                const Corv::CPatchTone slot0 = patch.Slot(0);
                                return [tone, slot0](const Corv::CPatch& read) {
                                    return read.Slot(1).ToneNumber() == tone &&
                                           read.Slot(0) == slot0;
                                };
                            });
    CheckKind<Corv::CTone>(input, Corv::kTonePrefixBytes, Corv::kToneAreaOffset,
                           Corv::kToneAreaBytes, Corv::ToneHeaderTemplate(), Corv::ReadToneFile,
                           Corv::WriteToneFile, [](Corv::CTone& tone, const Bytes& bytes) {
                               const int wave = NumberFrom(bytes, Corv::kWaveSlots);
                               Corv::COsc& osc = tone.Osc(15);
                               osc.SetP(70, Corv::COsc::kUserWaveSource);
                               FUZZ_CHECK(osc.SetWaveNumber(1, wave));
                               const Corv::COsc osc0 = tone.Osc(0);
                               return [wave, osc0](const Corv::CTone& read) {
                                   return read.Osc(15).WaveNumber(1) == wave && read.Osc(0) == osc0;
                               };
                           });
    return 0;
}
