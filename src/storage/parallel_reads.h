#pragma once

#include <cstddef>
#include <functional>

namespace Corv {

// Runs `read(0)` to `read(count - 1)` and returns the lowest index whose read failed, or
// `count` when none did. Where the file system allows it, the reads run on a small pool of
// threads: on a medium where every operation waits (a memory card, a network share) the waits
// overlap. Every read below the returned index has run, as it would one after the other;
// reads above a failure may run or not. Otherwise the reads run in order and stop at the
// first failure. An exception thrown by a read is thrown again here, after every thread ended.
std::size_t ReadEach(std::size_t count, const std::function<bool(std::size_t)>& read);

} // namespace Corv
