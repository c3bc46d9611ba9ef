#pragma once

#include <array>
#include <streambuf>

namespace Corv::Cli {

// Standard output of one run, written through a buffer of the tool's own that keeps the reason
// of the first write that failed: a full disk or a closed pipe must end the run with an error,
// and by the end of the run errno no longer tells why. While it lives, std::cout writes through
// it, and a closed pipe is a failed write like any other instead of a signal that ends the
// process wherever it stands (in the middle of a save, say).
class CStandardOutput : public std::streambuf {
public:
    CStandardOutput();
    ~CStandardOutput() override;
    CStandardOutput(const CStandardOutput&) = delete;
    CStandardOutput& operator=(const CStandardOutput&) = delete;

    // Writes what is buffered. 0 when everything written so far reached standard output,
    // otherwise the errno of the first write that failed.
    int Finish();

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Writes the buffer out and empties it; false once any write has failed.
    bool WriteBuffer();

    std::array<char, 65536> m_buffer{};
    std::streambuf* m_previous = nullptr;
    int m_error = 0;
};

} // namespace Corv::Cli
