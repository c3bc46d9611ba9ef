#pragma once

#include <string>
#include <vector>

namespace Corv {

// Button sets of a question and the answers they give.
enum ButtonSet : int {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsYesNo = 2,
    kButtonsYesNoCancel = 3
};
enum Answer : int { kAnswerOk = 0, kAnswerCancel = 1, kAnswerYes = 2, kAnswerNo = 3 };

// The message codes shared by every layer.
enum MessageCode : int {
    kMsgLoadFailed = 1,
    kMsgSaveFailed = 2,
    kMsgWaveSpace = 6,
    kMsgReplaceProject = 7,
    kMsgWaveBytes = 8,
    kMsgDelete = 9,
    kMsgImportConditions = 9,
    kMsgOverwrite = 10,
    kMsgToneSpace = 11,
    kMsgInsert = 11,
    kMsgChangedOnDisk = 12,
};

// The text of a message code shown as an error or asked as a question; "Undefined error." for
// an unknown error code and an empty text for an unknown question code.
std::string MessageText(int code, bool asQuestion);

// Where the core reports to the user: errors with an OK button and questions.
class CTextOutBox {
public:
    virtual ~CTextOutBox() = default;
    virtual void ShowError(int code) = 0;
    // Shows an error together with one line that says why (which file kept a project from
    // loading, and what is wrong with it). The error's text stays as it is; a sink without a
    // place of its own for the detail shows the error and then the detail as a notice.
    virtual void ShowErrorDetail(int code, const std::string& detail) {
        ShowError(code);
        if (!detail.empty())
            ShowNotice(detail);
    }
    // Returns one of `Answer`; any other way of closing the question counts as Cancel.
    virtual int Ask(int buttonSet, int code) = 0;
    // Asks with one more line under the question that says what it is about (which entries a
    // delete takes). A sink without a place of its own for it shows it as a notice first.
    virtual int AskDetail(int buttonSet, int code, const std::string& detail) {
        if (!detail.empty())
            ShowNotice(detail);
        return Ask(buttonSet, code);
    }
    // Tells the user what happened besides the operation itself (files moved out of a project,
    // files left out of a load). The first line sums it up; later lines give the details, one
    // item a line. Needs no answer.
    virtual void ShowNotice(const std::string& text) = 0;
};

// The text of a notice about several items: the summary line, then one item a line.
std::string NoticeText(const std::string& summary, const std::vector<std::string>& items);
// The same with a summary that counts the items: `one` for a single item, otherwise the number,
// a blank and `many` ("2 files are ...").
std::string NoticeText(const std::string& one, const std::string& many,
                       const std::vector<std::string>& items);

// A text sink.
class CLumTextOut {
public:
    virtual ~CLumTextOut() = default;
    virtual void Write(const std::string& text) = 0;
};

// Collects text, remembers the last error code reported to it and holds a deferred message
// code (0 = none) that the desktop program shows when it is idle.
class CLumTextOutBuffer : public CLumTextOut {
public:
    void Write(const std::string& text) override { m_text += text; }
    const std::string& Text() const { return m_text; }

    void SetLastError(int code) { m_lastError = code; }
    int LastError() const { return m_lastError; }

    void SetDeferredMessage(int code) { m_deferred = code; }
    int DeferredMessage() const { return m_deferred; }

private:
    std::string m_text;
    int m_lastError = 0;
    int m_deferred = 0;
};

} // namespace Corv
