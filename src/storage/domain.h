#pragma once

#include "storage/progress_bar.h"
#include "storage/save_recorder.h"
#include "storage/text_out.h"

#include <memory>
#include <string>

namespace Corv {

// The services of the process that every open project shares: the user-facing sinks, and the
// work folder with the counter that numbers the files made there. It holds no state of any one
// edit: edits get their transfer, options and undo step as arguments.
class CDomain {
public:
    // The one store of the process, created on first access.
    static CDomain& Get();
    // Empties the store in place (sinks, work folder and counter), so that objects given the
    // store keep a valid reference; tests start every case from it.
    static void Reset();

    CDomain() = default;
    virtual ~CDomain();
    CDomain(const CDomain&) = delete;
    CDomain& operator=(const CDomain&) = delete;

    // --- Work folder (ends in "/") and the counter that numbers every file created there.
    std::string m_workFolder;
    unsigned m_workFileCounter = 0;
    // Takes the counter's value and raises it.
    unsigned NextWorkFileNumber() { return m_workFileCounter++; }

    // --- Sinks, owned by the store (installing replaces and destroys the previous one).
    void SetMessageSink(std::unique_ptr<CTextOutBox> sink);
    void SetTextBuffer(std::unique_ptr<CLumTextOutBuffer> buffer);
    void SetProgressSink(std::unique_ptr<CLumProgressBar> sink);
    CTextOutBox* MessageSink() const { return m_messageSink.get(); }
    CLumTextOutBuffer* TextBuffer() const { return m_textBuffer.get(); }
    // Never null: a storing sink stands in until one is installed.
    CLumProgressBar& Progress();

    // Shows an error through the message sink (and records it in the text buffer).
    void ShowError(int code);
    // The same with the line that says why (see `CTextOutBox::ShowErrorDetail`).
    void ShowError(int code, const std::string& detail);
    // Asks a question; Cancel when no sink is installed.
    int Ask(int buttonSet, int code);
    // The same with a line of detail under the question (see `CTextOutBox::AskDetail`).
    int Ask(int buttonSet, int code, const std::string& detail);
    // Shows a notice (summary line, then detail lines) through the message sink.
    void ShowNotice(const std::string& text);

    // --- What keeps a version of a project before each save (null: no history is kept).
    void SetSaveRecorder(std::unique_ptr<ISaveRecorder> recorder);
    ISaveRecorder* SaveRecorder() const { return m_saveRecorder.get(); }

private:
    std::unique_ptr<CTextOutBox> m_messageSink;
    std::unique_ptr<CLumTextOutBuffer> m_textBuffer;
    std::unique_ptr<CLumProgressBar> m_progress;
    std::unique_ptr<ISaveRecorder> m_saveRecorder;
};

} // namespace Corv
