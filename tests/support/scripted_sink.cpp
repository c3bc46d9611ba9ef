#include "support/scripted_sink.h"

#include "storage/text_out.h"

namespace CorvTest {

std::string SinkCall::Describe() const {
    return (question ? "ask " + std::to_string(buttonSet) + " " + std::to_string(code) + " -> " +
                           std::to_string(answer)
                     : "error " + std::to_string(code)) +
           (detail.empty() ? "" : ": " + detail);
}

std::vector<int> SinkLog::Codes(bool questions) const {
    std::vector<int> codes;
    for (const SinkCall& call : m_calls)
        if (call.question == questions)
            codes.push_back(call.code);
    return codes;
}

std::string SinkLog::Describe() const {
    std::string text;
    for (const SinkCall& call : m_calls)
        text += call.Describe() + "\n";
    return text;
}

int SinkLog::Answer(int buttonSet, int code, const std::string& detail) {
    int answer = m_defaultAnswer;
    if (answer == kAgree)
        answer = buttonSet >= Corv::kButtonsYesNo ? Corv::kAnswerYes : Corv::kAnswerOk;
    m_calls.push_back({true, buttonSet, code, answer, detail});
    return answer;
}

} // namespace CorvTest
