#include "cli/console_sink.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace Corv::Cli {

namespace {

// Message texts are printed on one line: a line break becomes " | ".
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n')
            line += " | ";
        else if (c != '\r')
            line += c;
    }
    return line;
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The choices offered on the terminal for a button set.
const char* Choices(int buttonSet) {
    switch (buttonSet) {
    case kButtonsOkCancel:
        return "ok/cancel";
    case kButtonsYesNo:
        return "yes/no";
    case kButtonsYesNoCancel:
        return "yes/no/cancel";
    default:
        return "ok";
    }
}

} // namespace

int AnswerFor(int buttonSet, bool affirmative) {
    switch (buttonSet) {
    case kButtonsOkCancel:
        return affirmative ? kAnswerOk : kAnswerCancel;
    case kButtonsYesNo:
        return affirmative ? kAnswerYes : kAnswerNo;
    case kButtonsYesNoCancel:
        return affirmative ? kAnswerYes : kAnswerCancel;
    default:
        return kAnswerOk; // a box with only OK cannot be declined
    }
}

const char* AnswerName(int answer) {
    switch (answer) {
    case kAnswerOk:
        return "ok";
    case kAnswerYes:
        return "yes";
    case kAnswerNo:
        return "no";
    default:
        return "cancel";
    }
}

std::string ErrorLine(int code) {
    return "error " + std::to_string(code) + ": " + OneLine(MessageText(code, false));
}

std::string AskLine(int buttonSet, int code, int answer) {
    return "ask " + std::to_string(buttonSet) + " " + std::to_string(code) + ": " +
           OneLine(MessageText(code, true)) + " -> " + AnswerName(answer);
}

void CConsoleSink::ShowError(int code) {
    ++m_errors;
    m_out << ErrorLine(code) << std::endl;
}

void CConsoleSink::ShowErrorDetail(int code, const std::string& detail) {
    ShowError(code);
    if (!detail.empty())
        ShowNotice(detail);
}

int CConsoleSink::Ask(int buttonSet, int code) {
    bool affirmative = m_policy == AnswerPolicy::Affirmative;
    if (m_policy == AnswerPolicy::Terminal)
        affirmative = AskTerminal(buttonSet, code);
    const int answer = AnswerFor(buttonSet, affirmative);
    m_out << AskLine(buttonSet, code, answer) << std::endl;
    return answer;
}

void CConsoleSink::ShowNotice(const std::string& text) {
    // What the output holds so far comes first where both streams reach one terminal.
    m_out << std::flush;
    // Every line on its own, so that a script can pick out the files it names.
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        m_notes << "note: " << text.substr(start, end - start) << '\n';
        start = end + 1;
    }
    m_notes << std::flush;
}

bool CConsoleSink::AskTerminal(int buttonSet, int code) {
    if (buttonSet == kButtonsOk) {
        std::cerr << OneLine(MessageText(code, true)) << std::endl;
        return true;
    }
    for (;;) {
        std::cerr << OneLine(MessageText(code, true)) << " [" << Choices(buttonSet) << "] "
                  << std::flush;
        std::string reply;
        if (!std::getline(std::cin, reply))
            return false;
        reply = Lowered(reply);
        if (reply == "ok" || reply == "o" || reply == "yes" || reply == "y")
            return true;
        if (reply == "cancel" || reply == "c" || reply == "no" || reply == "n")
            return false;
    }
}

} // namespace Corv::Cli
