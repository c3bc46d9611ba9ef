#pragma once

#include "storage/project_document.h"
#include "ui/app_shell.h"
#include "ui/recent_files.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class CFileDoc;
class CFileFrame;
class CMainFrame;
class IProjectChooser;

// The open project documents of the desktop program, on top of the core's: one CFileDoc and one
// project frame per core document. Creates them (New, Open, the recent-file list, the command
// line, a dropped folder), saves them, asks before a modified one closes, and follows the
// core's document hooks (remembered folder, recent files, wait cursor, activation, titles).
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
    CRecentFileList& RecentFiles() override { return m_recent; }

    // New: an empty project titled "Untitled<n>".
    CFileDoc* NewDocument();
    // Opens a project folder, or brings its window to the front when it is open already; null
    // when loading failed (the core showed its message).
    CFileDoc* OpenDocumentFile(const QString& path) override;
    // File > Open: the chooser in open mode, starting in the remembered folder.
    CFileDoc* ChooseAndOpen();
    // Opens entry `index` of the recent-file list; an entry that fails to open is dropped.
    CFileDoc* OpenRecentFile(int index);

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
    };

    CFileDoc* Attach(Corv::CProjectDocument& core);
    void Destroy(CFileDoc& document);
    void Forget(CFileDoc* document);
    bool ChooseFolder(bool openMode, const QString& start, QString& chosen);
    bool ChooseSaveFolder(CFileDoc& document, std::string& folder);
    int AskSaveChanges(const QString& name);

    std::vector<Entry> m_entries;
    CMainFrame* m_mainFrame = nullptr;
    IProjectChooser* m_chooser = nullptr;
    std::function<int(const QString&)> m_ask;
    CRecentFileList m_recent;
};
