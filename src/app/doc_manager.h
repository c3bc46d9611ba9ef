#pragma once

#include "app/folder_watch.h"
#include "storage/project_document.h"
#include "ui/app_shell.h"
#include "ui/question_box.h"
#include "ui/recent_files.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace CorvDesktop {

class CFileDoc;
class CFileFrame;
class CMainFrame;
class IProjectChooser;

// The open project documents of the desktop program, on top of the core's: one CFileDoc and one
// project frame per core document. Creates them (New, Open, the recent-file list, the command
// line, a dropped folder), saves them, asks before a modified one closes, and follows the
// core's document hooks (remembered folder, recent files, wait cursor, activation, titles).
// It watches the folder of every open project and offers to reload one that another program
// changed.
class CDocManager : public QObject, public Corv::CDocumentHooks, public IDocumentList {
    Q_OBJECT
public:
    explicit CDocManager(QObject* parent = nullptr);
    ~CDocManager() override;

    // Reads the recent-file list and becomes the core's document hooks.
    void Install();
    // Where the project frames go; without one, documents have no window (tests of the core).
    void SetMainFrame(CMainFrame* frame) { m_mainFrame = frame; }
    // The folder chooser of Open, Save As and Save of a new project (not owned).
    void SetChooser(IProjectChooser* chooser) { m_chooser = chooser; }
    // The close question "Save changes to %1?": returns Corv::kAnswerYes, kAnswerNo or
    // kAnswerCancel.
    void SetSaveQuestion(std::function<int(const QString&)> ask) { m_ask = std::move(ask); }
    // The program's own questions (reload, Save Both, moved entries): returns the index of the
    // chosen button.
    void SetQuestion(std::function<int(const CQuestion&)> ask) { m_question = std::move(ask); }
    int Ask(const CQuestion& question);
    CRecentFileList& RecentFiles() override { return m_recent; }

    // The buttons of the reload offer and of the Save Both question, as `Ask` returns them.
    enum ReloadAnswer : int { kReload = 0, kKeepThisVersion = 1 };
    enum SaveBothAnswer : int { kSaveBoth = 0, kSaveOnly = 1, kCancelSave = 2 };

    // New: an empty project titled "Untitled<n>".
    CFileDoc* NewDocument();
    // Opens a project folder, or brings its window to the front when it is open already; null
    // when loading failed (the core showed its message).
    CFileDoc* OpenDocumentFile(const QString& path) override;
    CFileDoc* OpenReadOnly(const QString& folder, const VersionOrigin& origin,
                           QString& why) override;
    // File > Open: the chooser in open mode, starting in the remembered folder.
    CFileDoc* ChooseAndOpen();
    // Opens entry `index` of the recent-file list; an entry that fails to open is dropped.
    CFileDoc* OpenRecentFile(int index);
    // A new untitled project holding the entries a work folder lists as moved but not saved;
    // null when none of them could be placed.
    CFileDoc* OpenMovedEntries(const std::string& workFolder);
    // Closes the document without asking and opens its folder again; false when the folder is
    // gone (then the document stays, to be saved elsewhere) or could not be loaded.
    bool Reload(CFileDoc& document);

    // Save; a project whose moved-out entries other unsaved projects hold asks first whether to
    // save those projects too (Save Both, the default), before it.
    bool Save(CFileDoc& document) override;
    bool SaveAs(CFileDoc& document) override;
    // Asks "Save changes to %1?" for a modified document; true when closing may go on.
    bool SaveModified(CFileDoc& document) override;
    // Close: asks, then destroys the document with its window; false when the user cancelled.
    bool CloseDocument(CFileDoc& document) override;
    // Exit: asks for every modified document in turn; false as soon as one is cancelled.
    bool SaveAllModified() override;
    // Destroys every document and window without asking.
    void CloseAllDocuments() override;

    std::vector<CFileDoc*> Documents() const override;
    CFileDoc* Find(const Corv::CProjectDocument& core) const;
    CFileFrame* FrameOf(const CFileDoc& document) const override;
    // The folder the choosers start in ("OpenFolder"/"FolderName").
    static QString RememberedFolder();
    // Where Save As starts: the project's own folder; for a project without one, the folder
    // that holds the remembered one, so that no other project is chosen to begin with.
    static QString SaveStartFolder(const CFileDoc& document);

    // --- Corv::CDocumentHooks
    void RecentFile(const std::string& path) override;
    void RememberFolder(const std::string& path) override;
    void Activate(Corv::CProjectDocument& document) override;
    void ModifiedChanged(Corv::CProjectDocument& document) override;
    void BeginWait() override;
    void EndWait() override;

signals:
    void DocumentsChanged();
    void RecentFilesChanged();

private:
    struct Entry {
        std::unique_ptr<CFileDoc> document;
        QPointer<CFileFrame> frame;
        QPointer<CFolderWatch> watch; // a child of the manager
        // The folder's signature when the user last chose to keep this version: the same change
        // is not offered again.
        std::uint64_t kept = 0;
    };

    CFileDoc* Attach(Corv::CProjectDocument& core, const VersionOrigin* origin = nullptr);
    Entry* EntryOf(const CFileDoc* document);
    // Points the document's watch at its folder as it is now (none for a new project).
    void Watch(CFileDoc& document);
    // The watch of a document saw its folder change and come to rest.
    void OnFolderChanged(CFileDoc* document);
    // True while the program cannot ask: a save runs, a question or another modal window is
    // open, the main window is disabled by a long operation, or a drag is under way.
    bool Busy() const;
    // Saves one project (Save, or Save As) and watches its folder as it is after.
    bool SaveFolder(CFileDoc& document, bool saveAs);
    std::vector<CFileDoc*> UnsavedHolders(const CFileDoc& document) const;
    void Destroy(CFileDoc& document);
    void Forget(CFileDoc* document);
    bool ChooseFolder(bool openMode, const QString& start, QString& chosen);
    bool ChooseSaveFolder(CFileDoc& document, std::string& folder);
    int AskSaveChanges(const QString& name);

    std::vector<Entry> m_entries;
    CMainFrame* m_mainFrame = nullptr;
    IProjectChooser* m_chooser = nullptr;
    std::function<int(const QString&)> m_ask;
    std::function<int(const CQuestion&)> m_question;
    CRecentFileList m_recent;
    int m_saving = 0;
    bool m_asking = false;
};

} // namespace CorvDesktop
