#pragma once

#include "model/file_system.h"

#include <chrono>
#include <memory>
#include <string>

namespace Corv {

// The advisory lock a process holds on a project folder: shared while it has the project
// loaded, exclusive while it saves or completes an interrupted save. Other programs that follow
// the same rule never read a save in flight and never save over each other. The lock is taken
// on the folder itself; nothing is added to the instrument's folder for it.
class CProjectLock {
public:
    enum class Outcome {
        Locked,      // held in the mode asked for
        Busy,        // another program held it for the whole wait
        Unsupported, // the folder's file system takes no locks: work goes on without
        NoFolder,    // the folder cannot be opened
    };

    CProjectLock() = default;
    CProjectLock(CProjectLock&&) noexcept = default;
    CProjectLock& operator=(CProjectLock&&) noexcept = default;
    CProjectLock(const CProjectLock&) = delete;
    CProjectLock& operator=(const CProjectLock&) = delete;

    // Takes the lock of a folder (a lock held on another folder is released first), trying
    // again until `wait` has passed while another program holds it.
    Outcome Take(const std::string& folder, LockMode mode, std::chrono::milliseconds wait);
    // Changes the mode of the held lock, waiting as `Take` does. When the change cannot be
    // made, the old mode is taken back (waiting as long again) and Busy is returned.
    Outcome Change(LockMode mode, std::chrono::milliseconds wait);
    void Release();

    // True when the lock is held, or when the file system takes none (nothing to hold).
    bool Held() const { return m_held || m_unsupported; }
    bool Unsupported() const { return m_unsupported; }
    LockMode Mode() const { return m_mode; }
    const std::string& Folder() const { return m_folder; }

private:
    Outcome TryFor(LockMode mode, std::chrono::milliseconds wait);

    std::unique_ptr<IFolderLock> m_lock;
    std::string m_folder;
    LockMode m_mode = LockMode::Shared;
    bool m_held = false;
    bool m_unsupported = false;
};

// How long a process waits for a lock that another program holds (a save lasts seconds).
inline constexpr std::chrono::milliseconds kDefaultLockWait{5000};

// The texts that say why a project could not be had.
std::string OpenForChangesText(const std::string& folder);
std::string BeingSavedText(const std::string& folder);
std::string NoLocksText(const std::string& folder);

} // namespace Corv
