#pragma once

#include "storage/text_out.h"

#include <iosfwd>
#include <string>

namespace Corv::Cli {

// How questions are answered: always OK/Yes, always Cancel/No, or by asking on the terminal.
enum class AnswerPolicy { Affirmative, Negative, Terminal };

// The answer a question of a button set gets when the user agrees or declines: OK or Yes,
// Cancel or No (a Yes/No/Cancel question declined is cancelled; an OK-only box is always OK).
int AnswerFor(int buttonSet, bool affirmative);
// "ok", "cancel", "yes" or "no".
const char* AnswerName(int answer);

// "error CODE: TEXT"; the lines of a multi-line text are joined by " | ".
std::string ErrorLine(int code);
// "ask SET CODE: TEXT -> ANSWER".
std::string AskLine(int buttonSet, int code, int answer);

// The tool's message sink: prints every error and question as one line on the output and
// answers questions by its policy. Notices go to a stream of their own (standard error), so
// that what a command prints on the output — a JSON dump among it — stays whole.
class CConsoleSink : public CTextOutBox {
public:
    CConsoleSink(std::ostream& out, std::ostream& notes, AnswerPolicy policy)
        : m_out(out), m_notes(notes), m_policy(policy) {}

    void ShowError(int code) override;
    // The error line as it always is, then the detail as "note: LINE" on the notes stream.
    void ShowErrorDetail(int code, const std::string& detail) override;
    int Ask(int buttonSet, int code) override;
    // Prints every line of the notice as "note: LINE" on the notes stream.
    void ShowNotice(const std::string& text) override;

    void SetPolicy(AnswerPolicy policy) { m_policy = policy; }
    // The number of errors printed so far.
    int ErrorCount() const { return m_errors; }

private:
    // Prompts on the terminal until the user gives an answer; end of input declines.
    bool AskTerminal(int buttonSet, int code);

    std::ostream& m_out;
    std::ostream& m_notes;
    AnswerPolicy m_policy;
    int m_errors = 0;
};

} // namespace Corv::Cli
