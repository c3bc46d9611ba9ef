#pragma once

#include "storage/journal_text.h"
#include "storage/save_paths.h"
#include "storage/trash.h"

#include <functional>
#include <string>
#include <vector>

namespace Corv {

// Moves files out of a project folder (into the trash, or beside the project), each filed under
// the path it had in the project. One result per file: false when it stays where it is.
using MoveOutFunction = std::function<std::vector<bool>(const std::vector<FileToRemove>& files)>;

// Puts the files of a save in place so that an interruption at any point (an error, a kill, a
// power loss) leaves the folder in its old state or lets `RecoverProjectFolder` complete it
// into the new one. Every new content must already lie, durable, under a staged name.
//
// One step is done directly (a rename or a removal is atomic by itself). Several steps are
// written to a journal in the folder first and then run in three phases: originals aside, files
// into place (from here on the save counts as done), then removals and moves out. The journal
// is removed at the end; the folders are synced after each phase.
class CFolderTransaction {
public:
    // `folder` is the project folder (ends in "/"); `moveOut` takes replaced originals.
    CFolderTransaction(std::string folder, MoveOutFunction moveOut);

    void Add(CommitStep::Kind kind, std::string from, std::string to = {});
    const std::vector<CommitStep>& Steps() const { return m_steps; }

    enum class Result {
        Committed,          // the new state is in place and nothing is left over
        CommittedLeftovers, // in place, but some removals failed (`Leftovers`); the journal
                            // stays so that the next open finishes them
        Failed,             // nothing changed: the steps done were undone
        Pending,            // neither undoing nor completing worked: the journal stays, and the
                            // next open completes the save
    };
    Result Commit();
    // Relative paths of files a committed save could not remove or move out.
    const std::vector<std::string>& Leftovers() const { return m_leftovers; }

private:
    bool RunDirect(const CommitStep& step);
    bool WriteJournal(const std::string& name) const;
    bool RunPhase(CommitStep::Kind kind, std::vector<const CommitStep*>& done);
    bool RollBack(const std::vector<const CommitStep*>& done);
    void Finish();
    bool SyncFolders(CommitStep::Kind kind) const;

    std::string m_folder;
    MoveOutFunction m_moveOut;
    std::vector<CommitStep> m_steps;
    std::vector<std::string> m_leftovers;
};

// Brings a project folder to a consistent state after a save that did not finish: a journal
// is completed (or, when it was not written completely, dropped) and the files an interrupted
// save left at the top of the folder are cleared. A journal is only replayed when every path
// it names is one a save writes inside the folder, and what it removes (but staged files)
// goes out through `moveOut`, never deleted. True when the folder is consistent (also
// when there was nothing to do); false with `problem` set when it could not be brought there.
// The subfolders' leftovers are found by whoever lists them (`ClearSaveLeftovers`).
enum class Recovery {
    Clean,     // there was nothing to do
    Completed, // an interrupted save was completed: the folder holds the saved state
    Undone,    // an interrupted save had changed nothing: what it left was cleared
    Failed,    // the folder could not be brought to a consistent state (`problem` says why)
    Refused,   // the journal names a file no save writes, or reaches one through a link: nothing
               // was done but moving the journal out of the folder (`problem` is the notice)
    Unsafe,    // Patch/, Tone/ or Wave/ is a link or no folder: nothing was done, and nothing may
               // be written there (`problem` is the notice; see `UnsafeSubfolder`)
};
Recovery RecoverProjectFolder(const std::string& folder, const MoveOutFunction& moveOut,
                              std::string& problem);

// Removes staged files that no journal names any more, and moves out originals that were set
// aside by a save whose journal is gone (never deleting them). Paths are relative to the
// folder. True when none is left.
bool ClearSaveLeftovers(const std::string& folder, const std::vector<std::string>& leftovers,
                        const MoveOutFunction& moveOut);

} // namespace Corv
