#pragma once

#include <QString>
#include <vector>

namespace CorvDesktop {

class CFileDoc;
class CFileFrame;
class CRecentFileList;
struct VersionOrigin;

// The open projects as the windows see them: closing, saving and opening them,
// and their windows. The application's document manager implements it.
class IDocumentList {
public:
    virtual ~IDocumentList() = default;

    virtual std::vector<CFileDoc*> Documents() const = 0;
    virtual CFileFrame* FrameOf(const CFileDoc& document) const = 0;
    // Opens a project folder, or brings its window to the front; null when
    // loading failed.
    virtual CFileDoc* OpenDocumentFile(const QString& path) = 0;
    // Opens a project folder written out from a version as a read-only window; null with `why`
    // when it cannot be read. The folder `origin` names is removed when the window closes.
    virtual CFileDoc* OpenReadOnly(const QString& folder, const VersionOrigin& origin,
                                   QString& why) = 0;
    virtual bool Save(CFileDoc& document) = 0;
    virtual bool SaveAs(CFileDoc& document) = 0;
    // Asks "Save changes to %1?" for a modified document; true when closing may
    // go on.
    virtual bool SaveModified(CFileDoc& document) = 0;
    // Asks, then destroys the document with its window; false when the user
    // cancelled.
    virtual bool CloseDocument(CFileDoc& document) = 0;
    // Asks for every modified document in turn; false as soon as one is
    // cancelled.
    virtual bool SaveAllModified() = 0;
    // Destroys every document and window without asking.
    virtual void CloseAllDocuments() = 0;
    virtual CRecentFileList& RecentFiles() = 0;
};

// What the windows ask of the application: its commands and its open projects.
// The windows never name the application object; it implements this interface
// and installs itself when it is constructed, and the windows reach it through
// `Instance()`.
class IAppShell {
public:
    // The installed application, or null (windows made without one, as in tests).
    static IAppShell* Instance();
    // Installs the application; null removes it.
    static void Install(IAppShell* shell);

    virtual ~IAppShell() = default;

    virtual void OnFileNew() = 0;
    virtual void OnFileOpen() = 0;
    virtual void OnOpenRecent(int index) = 0;
    virtual void OnAppAbout() = 0;
    virtual void OnSetUpFont() = 0;
    virtual void OnManual() = 0;
    virtual void OnEditUndo() = 0;
    virtual bool CanUndo() const = 0;
    // Right after an Undo, when the same step undone again takes it back.
    virtual bool CanRedo() const { return false; }
    virtual IDocumentList& Documents() = 0;
};

} // namespace CorvDesktop
