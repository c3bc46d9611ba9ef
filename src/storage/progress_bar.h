#pragma once

#include <string>

namespace Corv {

// The progress sink: long operations report their progress through it. The base stores what
// it is told, so that a sink without a window still answers; the desktop program shows a
// progress dialog on top of it. Begin and End nest: only the outermost pair shows a window.
class CLumProgressBar {
public:
    virtual ~CLumProgressBar() = default;

    virtual void Begin(int /*maximum*/, const std::string& title, bool cancellable) {
        if (m_nesting++ == 0) {
            m_title = title;
            m_cancellable = cancellable;
            m_position = 0;
            m_cancelled = false;
        }
    }
    virtual void SetPosition(int position) { m_position = position; }
    virtual void SetText(const std::string& text) { m_text = text; }
    // True once the user asked to cancel (only for a cancellable operation).
    virtual bool IsCancelled() { return m_cancellable && m_cancelled; }
    virtual void End() {
        if (m_nesting > 0)
            --m_nesting;
    }

    int Nesting() const { return m_nesting; }
    int Position() const { return m_position; }
    const std::string& Title() const { return m_title; }
    const std::string& Text() const { return m_text; }

protected:
    void RequestCancel() { m_cancelled = true; }

private:
    int m_nesting = 0;
    int m_position = 0;
    bool m_cancellable = false;
    bool m_cancelled = false;
    std::string m_title;
    std::string m_text;
};

// Begins an operation on a progress sink and ends it when it goes out of scope, however the
// operation ends.
class CProgressScope {
public:
    CProgressScope(CLumProgressBar& bar, int maximum, const std::string& title,
                   bool cancellable = false)
        : m_bar(bar) {
        m_bar.Begin(maximum, title, cancellable);
    }
    ~CProgressScope() { m_bar.End(); }
    CProgressScope(const CProgressScope&) = delete;
    CProgressScope& operator=(const CProgressScope&) = delete;

private:
    CLumProgressBar& m_bar;
};

} // namespace Corv
