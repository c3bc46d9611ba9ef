#include "storage/project_lock.h"

#include "storage/domain.h"

#include <thread>

namespace Corv {

namespace {

// Short enough that a save that ends is noticed at once, long enough to cost nothing.
constexpr std::chrono::milliseconds kRetryInterval{20};

} // namespace

// A program that wants the exclusive lock first closes a gate that readers pass on their way
// in: an exclusive lock on the project's Patch/ folder, which a reader holds shared only while
// it takes its own lock. New readers then wait, the ones inside finish, and a stream of readers
// cannot keep a save out for ever. Nothing is added to the folder for the gate either.
CProjectLock::Outcome CProjectLock::TryFor(LockMode mode, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_ptr<IFolderLock> gate = FileSystem().OpenFolderLock(m_folder + "Patch/");
    bool through = false; // the gate is held in `mode`
    for (;;) {
        if (gate && !through) {
            const LockResult result = gate->TryLock(mode);
            through = result == LockResult::Locked;
            if (result == LockResult::Unsupported)
                gate.reset();
        }
        if (!gate || through) {
            switch (m_lock->TryLock(mode)) {
            case LockResult::Locked:
                m_held = true;
                m_mode = mode;
                return Outcome::Locked; // the gate opens as it goes
            case LockResult::Unsupported:
                m_held = false;
                m_unsupported = true;
                return Outcome::Unsupported;
            case LockResult::Busy:
                m_held = false;
                break;
            }
            if (through && mode == LockMode::Shared) { // a waiting reader keeps no writer out
                gate->Unlock();
                through = false;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Outcome::Busy;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

CProjectLock::Outcome CProjectLock::Take(const std::string& folder, LockMode mode,
                                         std::chrono::milliseconds wait) {
    Release();
    m_folder = folder;
    m_lock = FileSystem().OpenFolderLock(folder);
    if (!m_lock) {
        m_unsupported = true; // nothing to hold: the work goes on, as without locks
        return Outcome::NoFolder;
    }
    const Outcome outcome = TryFor(mode, wait);
    if (outcome != Outcome::Locked && outcome != Outcome::Unsupported)
        m_lock.reset();
    return outcome;
}

CProjectLock::Outcome CProjectLock::Change(LockMode mode, std::chrono::milliseconds wait) {
    if (m_unsupported)
        return Outcome::Unsupported;
    if (!m_lock)
        return Outcome::NoFolder;
    if (m_held && m_mode == mode)
        return Outcome::Locked;
    const LockMode old = m_mode;
    const Outcome outcome = TryFor(mode, wait);
    if (outcome == Outcome::Busy && TryFor(old, wait) != Outcome::Locked)
        m_held = false;
    return outcome;
}

void CProjectLock::Release() {
    if (m_lock)
        m_lock->Unlock();
    m_lock.reset();
    m_folder.clear();
    m_held = false;
    m_unsupported = false;
}

std::string OpenForChangesText(const std::string& folder) {
    return folder + " is open for changes in another program";
}

std::string BeingSavedText(const std::string& folder) {
    return folder + " is being saved by another program and could not be read; try again when "
                    "that save has ended";
}

std::string NoLocksText(const std::string& folder) {
    return "The file system of " + folder +
           " takes no locks: other programs are not kept from changing the project while it is "
           "open here.";
}

} // namespace Corv
