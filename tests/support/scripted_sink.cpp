#include "support/scripted_sink.h"

#include "edit/domain.h"

namespace CorvTest {

std::string SinkCall::Describe() const {
    if (!question)
        return "error " + std::to_string(code);
    return "ask " + std::to_string(buttonSet) + " " + std::to_string(code) + " -> " +
           std::to_string(answer);
}

void SinkLog::QueueAnswers(const std::vector<int>& answers) {
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

std::vector<int> SinkLog::Errors() const {
    std::vector<int> codes;
    for (const SinkCall& call : m_calls)
        if (!call.question)
            codes.push_back(call.code);
    return codes;
}

std::vector<int> SinkLog::Questions() const {
    std::vector<int> codes;
    for (const SinkCall& call : m_calls)
        if (call.question)
            codes.push_back(call.code);
    return codes;
}

std::string SinkLog::Describe() const {
    std::string text;
    for (const SinkCall& call : m_calls)
        text += call.Describe() + "\n";
    return text;
}

void SinkLog::RecordError(int code) {
    m_calls.push_back({false, 0, code, -1});
}

int SinkLog::Answer(int buttonSet, int code) {
    int answer = m_defaultAnswer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    if (answer == kAgree)
        answer = buttonSet >= Corv::kButtonsYesNo ? Corv::kAnswerYes : Corv::kAnswerOk;
    m_calls.push_back({true, buttonSet, code, answer});
    return answer;
}

std::shared_ptr<SinkLog> InstallScriptedSink(int defaultAnswer) {
    auto log = std::make_shared<SinkLog>();
    log->SetDefaultAnswer(defaultAnswer);
    Corv::CDomain::Get().SetMessageSink(std::make_unique<ScriptedSink>(log));
    return log;
}

} // namespace CorvTest
