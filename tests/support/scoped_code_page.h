#pragma once

#include "model/text_encoding.h"

// Test support: the core's code page chosen for the life of the object, then put back.
namespace CorvTest {

class ScopedCodePage {
public:
    explicit ScopedCodePage(Corv::CodePage page) : m_old(Corv::CurrentCodePage()) {
        Corv::SetCodePage(page);
    }
    ~ScopedCodePage() { Corv::SetCodePage(m_old); }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    Corv::CodePage m_old;
};

} // namespace CorvTest
