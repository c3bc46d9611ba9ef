#pragma once

#include <memory>
#include <vector>

namespace CorvDesktop {

class CCodePage;
class CDragState;
class CFileView;
class CLibrary;
class CListFont;
class CProjectOptions;
class CStatusLine;
class CListClipboard;
struct CUiChoosers;
class CWaveServices;

// The desktop program's services below the application object, one set per program: the lists'
// font, code page and options, the answers of the windows' dialogs (scripted by tests), the open
// project windows, and the one drag in progress. Each part is made when it is first asked for,
// once the application (and its settings) exists.
class CDesktop {
public:
    static CDesktop& Get();
    ~CDesktop();

    CListFont& ListFont();
    CCodePage& CodePage();
    CProjectOptions& Options();
    CUiChoosers& Choosers();
    CDragState& Drag();
    CStatusLine& Status();
    CListClipboard& Clipboard();
    // The library catalogue and its worker thread.
    CLibrary& Library();
    // The waves' pictures, the audition player and their switches.
    CWaveServices& Waves();

    // Every open project window, in opening order, and the one activated last (null: none).
    std::vector<CFileView*>& Views() { return m_views; }
    CFileView*& CurrentView() { return m_currentView; }

private:
    CDesktop();

    std::unique_ptr<CListFont> m_font;
    std::unique_ptr<CCodePage> m_codePage;
    std::unique_ptr<CProjectOptions> m_options;
    std::unique_ptr<CUiChoosers> m_choosers;
    std::unique_ptr<CDragState> m_drag;
    std::unique_ptr<CStatusLine> m_status;
    std::unique_ptr<CListClipboard> m_clipboard;
    std::unique_ptr<CLibrary> m_library;
    std::unique_ptr<CWaveServices> m_waves;
    std::vector<CFileView*> m_views;
    CFileView* m_currentView = nullptr;
};

} // namespace CorvDesktop
