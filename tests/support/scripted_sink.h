#pragma once

#include "storage/text_out.h"

#include <memory>
#include <string>
#include <vector>

// Test support: a message sink that records what the core reports and answers from a script.
namespace CorvTest {

// One call the core made on the message sink.
struct SinkCall {
    bool question = false; // Ask (true) or ShowError (false)
    int buttonSet = 0;     // Ask only
    int code = 0;
    int answer = -1;    // the answer given; -1 for an error
    std::string detail; // what an error said about why, or a question about what, if anything
    // "error CODE", "error CODE: DETAIL", "ask SET CODE -> ANSWER" or
    // "ask SET CODE -> ANSWER: DETAIL".
    std::string Describe() const;
};

// What the sink saw and how it answers; the test keeps it after the sink was installed.
class SinkLog {
public:
    // Answers a question with its set's agreeing button: OK for sets 0 and 1, Yes for 2 and 3.
    static constexpr int kAgree = -1;

    // The answer every question gets (`kAgree` or one of `Corv::Answer`).
    void SetDefaultAnswer(int answer) { m_defaultAnswer = answer; }

    const std::vector<SinkCall>& Calls() const { return m_calls; }
    std::vector<int> Errors() const { return Codes(false); }
    std::vector<int> Questions() const { return Codes(true); }
    // Every call described on its own line (empty when there was none).
    std::string Describe() const;
    void Clear() { m_calls.clear(); }

    // Called by the sink.
    void RecordError(int code, const std::string& detail = {}) {
        m_calls.push_back({false, 0, code, -1, detail});
    }
    void RecordNotice(const std::string& text) { m_notices.push_back(text); }
    // The notices shown, in order (they are not among the calls).
    const std::vector<std::string>& Notices() const { return m_notices; }
    int Answer(int buttonSet, int code, const std::string& detail = {});

private:
    std::vector<int> Codes(bool questions) const;

    std::vector<SinkCall> m_calls;
    std::vector<std::string> m_notices;
    int m_defaultAnswer = kAgree;
};

// The sink itself: passes every call to a shared log.
class ScriptedSink : public Corv::CTextOutBox {
public:
    explicit ScriptedSink(std::shared_ptr<SinkLog> log) : m_log(std::move(log)) {}
    void ShowError(int code) override { m_log->RecordError(code); }
    void ShowErrorDetail(int code, const std::string& detail) override {
        m_log->RecordError(code, detail);
    }
    int Ask(int buttonSet, int code) override { return m_log->Answer(buttonSet, code); }
    int AskDetail(int buttonSet, int code, const std::string& detail) override {
        return m_log->Answer(buttonSet, code, detail);
    }
    void ShowNotice(const std::string& text) override { m_log->RecordNotice(text); }

private:
    std::shared_ptr<SinkLog> m_log;
};

} // namespace CorvTest
