#pragma once

#include "gp/mdi_child_ex.h"

namespace CorvDesktop {

class CFileDoc;
class CFileView;

// A child window of the main frame.
class CChildFrame : public GP::CMDIChildWndEx {
    Q_OBJECT
public:
    using GP::CMDIChildWndEx::CMDIChildWndEx;
};

// The project window's frame: holds the project's view, is at least 720 × 160 pixels, titles
// itself after its document ("%s %s": title and "*" when modified) and asks before a modified
// project closes.
class CFileFrame : public CChildFrame {
    Q_OBJECT
public:
    // The kind number of project windows (the settings entry "Position4107").
    static constexpr int kProjectKind = 4107;
    static constexpr int kMinWidth = 720;
    static constexpr int kMinHeight = 160;

    explicit CFileFrame(CFileDoc& document, QWidget* parent = nullptr);

    CFileDoc& Document() const { return m_document; }
    CFileView* View() const { return m_view; }
    void UpdateTitle();
    // The document's close question was answered already: the next close goes through.
    void SetCloseApproved(bool approved) { m_closeApproved = approved; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CFileDoc& m_document;
    CFileView* m_view;
    bool m_closeApproved = false;
};

} // namespace CorvDesktop
