#include "storage/domain.h"

namespace Corv {

CDomain& CDomain::Get() {
    static CDomain domain;
    return domain;
}

void CDomain::Reset() {
    CDomain& domain = Get();
    domain.m_messageSink.reset();
    domain.m_textBuffer.reset();
    domain.m_progress.reset();
    domain.m_saveRecorder.reset();
    domain.m_workFolder.clear();
    domain.m_workFileCounter = 0;
}

CDomain::~CDomain() = default;

void CDomain::SetMessageSink(std::unique_ptr<CTextOutBox> sink) {
    m_messageSink = std::move(sink);
}

void CDomain::SetTextBuffer(std::unique_ptr<CLumTextOutBuffer> buffer) {
    m_textBuffer = std::move(buffer);
}

void CDomain::SetProgressSink(std::unique_ptr<CLumProgressBar> sink) {
    m_progress = std::move(sink);
}

void CDomain::SetSaveRecorder(std::unique_ptr<ISaveRecorder> recorder) {
    m_saveRecorder = std::move(recorder);
}

CLumProgressBar& CDomain::Progress() {
    if (!m_progress)
        m_progress = std::make_unique<CLumProgressBar>();
    return *m_progress;
}

void CDomain::ShowError(int code) {
    if (m_textBuffer)
        m_textBuffer->SetLastError(code);
    if (m_messageSink)
        m_messageSink->ShowError(code);
}

void CDomain::ShowError(int code, const std::string& detail) {
    if (m_textBuffer)
        m_textBuffer->SetLastError(code);
    if (m_messageSink)
        m_messageSink->ShowErrorDetail(code, detail);
}

void CDomain::ShowNotice(const std::string& text) {
    if (m_messageSink)
        m_messageSink->ShowNotice(text);
}

int CDomain::Ask(int buttonSet, int code) {
    return m_messageSink ? m_messageSink->Ask(buttonSet, code) : kAnswerCancel;
}

int CDomain::Ask(int buttonSet, int code, const std::string& detail) {
    return m_messageSink ? m_messageSink->AskDetail(buttonSet, code, detail) : kAnswerCancel;
}

} // namespace Corv
