#pragma once

#include "cli/console_sink.h"
#include "model/file_system.h"

#include <string>

namespace Corv {
class CDomain;
class CProjectDocument;
} // namespace Corv

namespace Corv::Cli {

// The environment variable that names a work folder to use instead of a temporary one.
inline constexpr const char* kWorkFolderVariable = "CORVANE_WORK_FOLDER";
// The environment variable that sets how many seconds a run waits for a project that another
// program has locked (a decimal number; 5 when it is not set).
inline constexpr const char* kLockWaitVariable = "CORVANE_LOCK_WAIT";

// One run of the tool: the services of the open projects with the tool's message sink, and the
// work folder.
// The work folder is a new temporary folder removed at the end, or the folder named by
// CORVANE_WORK_FOLDER (created when missing), emptied of the work files at the end like the
// desktop program's. The end of a session closes every open document first. A temporary folder
// stays locked while its run lives; a run that makes one first removes those that killed runs
// left behind, never one that a live run uses (a folder named by CORVANE_WORK_FOLDER included).
class CSession {
public:
    explicit CSession(AnswerPolicy policy);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Creates the work folder; false (with `error` set) when it cannot be made.
    bool Start(std::string& error);

    CConsoleSink& Sink() { return *m_sink; }
    const std::string& WorkFolder() const { return m_workFolder; }

    // Opens a project folder given on the command line (made absolute first); an open folder
    // gives its open document. Null, after the core's message, when the folder cannot be loaded.
    // The folder's lock is held in `mode` until the document closes.
    CProjectDocument* Open(const std::string& folder, LockMode mode = LockMode::Shared);

    // Errors printed so far; a command that printed one has failed even when the core
    // operation went on.
    int ErrorCount() const { return m_sink->ErrorCount(); }

    // Closes every document, empties the work folder (and removes a temporary one). Runs again
    // harmlessly at destruction.
    void Finish();

private:
    CDomain& m_services;
    CConsoleSink* m_sink = nullptr; // owned by the store
    std::string m_workFolder;
    bool m_temporary = false;
    int m_lock = -1;       // the locked descriptor that marks the work folder as in use
    int m_folderLock = -1; // a named work folder, locked itself while this run uses it
};

} // namespace Corv::Cli
