#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Test support: an environment variable set for the life of the object, then put back.
namespace CorvTest {

class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        ::setenv(m_name.c_str(), value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (m_old)
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// The user's data folder (and with it the trash that saves move files into) inside a test's
// own temporary folder, never the real one.
class ScopedDataHome : public ScopedEnvironment {
public:
    explicit ScopedDataHome(const std::string& folder) : ScopedEnvironment("XDG_DATA_HOME", folder + "/data-home") {}
    static std::string TrashFiles(const std::string& folder) { return folder + "/data-home/Trash/files/"; }
};

} // namespace CorvTest
