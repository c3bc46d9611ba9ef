#include "ui/desktop.h"

#include "model/text_encoding.h"
#include "ui/choosers.h"
#include "ui/code_page.h"
#include "ui/drag_state.h"
#include "ui/font_setup.h"
#include "ui/library_service.h"
#include "ui/list_clipboard.h"
#include "ui/project_options.h"
#include "ui/status_line.h"
#include "ui/wave_services.h"

namespace CorvDesktop {

namespace {

template <class Part> Part& Made(std::unique_ptr<Part>& part) {
    if (part == nullptr)
        part = std::make_unique<Part>();
    return *part;
}

// The core turns names into file names and back with the code page of the lists. It asks for it
// when it first needs one (loading the first project), once the settings can be read.
const bool kCoreAsks = (Corv::SetCodePageSource([] { CDesktop::Get().CodePage(); }), true);

} // namespace

CDesktop& CDesktop::Get() {
    static CDesktop desktop;
    return desktop;
}

CDesktop::CDesktop() = default;
CDesktop::~CDesktop() = default;

CListFont& CDesktop::ListFont() {
    return Made(m_font);
}
CCodePage& CDesktop::CodePage() {
    return Made(m_codePage);
}
CProjectOptions& CDesktop::Options() {
    return Made(m_options);
}
CUiChoosers& CDesktop::Choosers() {
    return Made(m_choosers);
}
CDragState& CDesktop::Drag() {
    return Made(m_drag);
}
CStatusLine& CDesktop::Status() {
    return Made(m_status);
}
CListClipboard& CDesktop::Clipboard() {
    return Made(m_clipboard);
}
CLibrary& CDesktop::Library() {
    return Made(m_library);
}
CWaveServices& CDesktop::Waves() {
    if (m_waves == nullptr)
        Made(m_waves).SetStatus(&Status());
    return *m_waves;
}

} // namespace CorvDesktop
