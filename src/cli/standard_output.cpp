#include "cli/standard_output.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace Corv::Cli {

CStandardOutput::CStandardOutput() {
    std::signal(SIGPIPE, SIG_IGN);
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    m_previous = std::cout.rdbuf(this);
}

CStandardOutput::~CStandardOutput() {
    Finish();
    std::cout.rdbuf(m_previous);
}

int CStandardOutput::Finish() {
    WriteBuffer();
    return m_error;
}

CStandardOutput::int_type CStandardOutput::overflow(int_type c) {
    if (!WriteBuffer())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int CStandardOutput::sync() {
    return WriteBuffer() ? 0 : -1;
}

bool CStandardOutput::WriteBuffer() {
    const char* next = pbase();
    while (m_error == 0 && next < pptr()) {
        const ssize_t written =
            ::write(STDOUT_FILENO, next, static_cast<std::size_t>(pptr() - next));
        if (written > 0)
            next += written;
        else if (written == 0)
            m_error = EIO; // no progress and no reason: never wait on it
        else if (errno != EINTR)
            m_error = errno;
    }
    // After a failure the rest is dropped: what follows it could only mislead a reader.
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return m_error == 0;
}

} // namespace Corv::Cli
