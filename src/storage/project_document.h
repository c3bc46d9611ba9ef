#pragma once

#include "storage/folder_signature.h"
#include "storage/lum_file_document.h"
#include "storage/project_lock.h"
#include "storage/undo_step.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Corv {

class CProjectDocument;

// What the program around the core does when documents come and go: the desktop program
// remembers folders in its settings, shows a wait cursor and brings windows to the front; the
// command-line tool ignores most of it.
class CDocumentHooks {
public:
    virtual ~CDocumentHooks() = default;
    // A folder was loaded or saved to: the desktop program adds it to the recent-file list.
    virtual void RecentFile(const std::string& /*path*/) {}
    // A folder was opened, or chosen in the Save As chooser and saved to: the desktop program
    // stores it under "OpenFolder"/"FolderName" (followed by a backslash) as the start folder
    // of the next chooser.
    virtual void RememberFolder(const std::string& /*path*/) {}
    // An already open document was asked for again: bring its window to the front.
    virtual void Activate(CProjectDocument& /*document*/) {}
    // The modified flag of a document changed: titles follow.
    virtual void ModifiedChanged(CProjectDocument& /*document*/) {}
    // Long work starts and ends (wait cursor).
    virtual void BeginWait() {}
    virtual void EndWait() {}
};

// One open project. The set of open documents is kept by `CProjectDocuments`.
class CProjectDocument : public CLumFileDocument {
public:
    std::vector<CLumData*> ModifiedProjectData() override;
    std::vector<CLumFileDocument*> OpenProjectDocuments() override;
    CUndoStep& UndoStep() override;
    CDomain& Services() override;
    std::string Label() const override {
        return Data().ProjectFolder().empty() ? m_title : Data().ProjectFolder();
    }

    // The number the set of open projects gave the document when it was opened, never given to
    // another in this process: a drag names its source project by it.
    std::uint64_t Id() const { return m_id; }
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);
    // The folder as the user gave it when it was last loaded or saved; empty for a new project.
    const std::string& PathName() const { return m_pathName; }
    const std::string& Title() const { return m_title; }
    void SetTitle(std::string title) { m_title = std::move(title); }

    // Loads a project folder into this (new) document; shows "This project could not be
    // loaded." on failure. The folder's lock is held in `mode` from then on: shared by a
    // program that may save later, exclusive by one that loads only to change and save it.
    bool LoadProject(const std::string& path, LockMode mode = LockMode::Shared);
    // Reads a project folder into this (new) document only to look at it: under the shared
    // lock, released again at the end; nothing in the folder is written (a folder that holds an
    // interrupted save is refused rather than completed, leftovers stay) and no error is shown.
    // False with `why` set when the folder cannot be read.
    bool ReadProject(const std::string& path, std::string& why);
    // Saves into a folder (in place when it is the project's own); shows "This project could
    // not be saved." on failure.
    bool SaveProject(const std::string& path);
    // Save (with the current folder) or Save As (without): a document without a folder saves
    // only through the chooser, which returns false when the user cancels. No to replacing an
    // existing project shows the chooser again.
    bool DoSave(bool saveAs, const std::function<bool(std::string&)>& chooseFolder);

    // True when another program changed the project's folder since it was loaded or saved here.
    bool ChangedOnDisk() const;
    // A document read only to be looked at and taken from (a version of a project written out
    // by the program): it is never saved and its folder is not watched for changes.
    bool IsReadOnly() const { return m_readOnly; }

private:
    friend class CProjectDocuments;
    // Does work that changes the folder (completing an interrupted save) under the exclusive
    // lock and goes back to the document's mode after; false when the lock could not be had.
    bool Exclusively(const std::function<void()>& work);
    // Takes the lock of the folder for loading; why not, or empty. Without `tell` a folder
    // whose file system has no locks is read without telling the user (a read-only look, also
    // from a worker thread, which must not show anything).
    std::string TakeLock(const std::string& folder, LockMode mode, bool tell = true);
    // Saves in place or into another folder with the locks that takes; on failure
    // `SaveProblem()` says why where it can. Declined: the user would not save over changes
    // another program made.
    enum class SaveOutcome { Saved, Failed, Declined };
    SaveOutcome SaveLocked(const std::string& folder, SaveMode mode, bool elsewhere);
    // The folder is as this document last saw it: its changes are its own.
    void NoteFolderSeen();
    // True when the folder's signature read now differs from the one last seen here.
    bool ChangedSinceSeen(const CFolderSignature& now) const;

    CProjectLock m_lock;
    LockMode m_lockMode = LockMode::Shared;
    CFolderSignature m_seen; // the folder's signature when it was last loaded or saved here
    std::uint64_t m_id = 0;
    bool m_modified = false;
    bool m_replaceDeclined = false; // the last SaveProject ended at No to replacing a project
    bool m_readOnly = false;
    std::string m_pathName;
    std::string m_title;
};

// The open project documents of the process, in opening order, with the undo step of the
// last edit of one of them and the services they share. Owns the documents and the step.
class CProjectDocuments {
public:
    // The documents of the process, sharing the process-wide services.
    static CProjectDocuments& Get();

    explicit CProjectDocuments(CDomain& services) : m_services(services) {}
    CProjectDocuments(const CProjectDocuments&) = delete;
    CProjectDocuments& operator=(const CProjectDocuments&) = delete;

    CDomain& Services() { return m_services; }
    // The one undo step of the program, over whichever open projects the last edit changed.
    CUndoStep& UndoStep() { return m_undo; }

    void SetHooks(CDocumentHooks* hooks) { m_hooks = hooks; }
    CDocumentHooks& Hooks();

    // A new, empty project titled "Untitled<n>" with the next untitled number.
    CProjectDocument& New();
    // The open document whose folder is the path's: the same text once normalised, or the same
    // folder on disk however it is spelled; null when none.
    CProjectDocument* FindOpenProject(const std::string& path);
    // Activates an open document of that folder, or loads the folder into a new document
    // holding its lock in `mode`; null (and no document left behind) when loading fails.
    CProjectDocument* OpenProject(const std::string& path, LockMode mode = LockMode::Shared);
    // Reads a project folder into a new read-only document (see ReadProject: nothing in the
    // folder is written, no lock is kept, no recent folder is noted); null with `why` when it
    // cannot be read.
    CProjectDocument* OpenReadOnly(const std::string& path, std::string& why);
    // The other modified projects that hold entries moved out of `source` whose files its
    // next save drops (no record of `source` names them any more). Saved before `source`, none
    // of those entries is ever only in the work folder.
    std::vector<CProjectDocument*> UnsavedHolders(const CProjectDocument& source) const;
    // A new, untitled project holding the entries that a work folder lists as moved but not
    // saved, each in the slot it had in the project that held it (the next free one when two
    // want the same), with its name and memos: the way back to them after a crash. Null when
    // none of their files is there.
    CProjectDocument* OpenMovedEntries(const std::string& workFolder);
    // Hands shared files over and destroys the document (no question is asked here); an undo
    // step that holds its project goes with it.
    void Close(CProjectDocument& document);
    void CloseAll();

    const std::vector<std::unique_ptr<CProjectDocument>>& Documents() const { return m_documents; }
    // The document that owns a project data object, or null.
    CProjectDocument* DocumentOf(const CLumData* data);
    // Marks every document that owned a part of the undo step modified after an undo.
    std::vector<CProjectDocument*> Undo();

    // How long a process waits for a lock that another program holds.
    std::chrono::milliseconds LockWait() const { return m_lockWait; }
    void SetLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    // Tells the user once per run that a folder's file system takes no locks.
    void TellNoLocks(const std::string& folder);

private:
    CProjectDocument& Create();

    CDomain& m_services;
    CUndoStep m_undo;
    std::vector<std::unique_ptr<CProjectDocument>> m_documents;
    CDocumentHooks* m_hooks = nullptr;
    CDocumentHooks m_noHooks; // what happens when no program asked to be told: nothing
    unsigned m_untitledCounter = 0;
    std::uint64_t m_lastId = 0;
    std::chrono::milliseconds m_lockWait = kDefaultLockWait;
    bool m_toldNoLocks = false;
};

} // namespace Corv
