#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// How the real file system's CopyFile moves the bytes between two open regular files. It is
// declared apart from the seam so that tests can reach the read/write path, which the kernel of
// a given machine may never fall back to on its own. Defined in file_system.cpp.
namespace Corv::FileCopy {

// One step of the kernel's copy on the two descriptors' own offsets: the count copied (0 when
// the kernel copied nothing), or -1 with errno set.
using KernelStep = std::function<std::int64_t(int in, int out, std::size_t n)>;

// copy_file_range(2) on the descriptors' offsets.
std::int64_t KernelCopyStep(int in, int out, std::size_t n);

// Copies all of `in` (opened and not read yet) onto `out`. The kernel copies first, sharing the
// blocks where the file system can; when it refuses (EXDEV, ENOSYS, EOPNOTSUPP, EINVAL) or copies
// nothing before the end, the read/write loop goes on from where it stopped. An empty file (or
// one whose size the file system does not tell) is read to its end. False when a step fails.
bool CopyContent(int in, int out, const KernelStep& step = KernelCopyStep);

// The read/write loop alone: copies from the offset of `in` to its end onto `out`.
bool CopyByReadWrite(int in, int out);

} // namespace Corv::FileCopy
