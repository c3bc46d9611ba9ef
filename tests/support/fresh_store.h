#pragma once

#include "support/scripted_sink.h"

#include <chrono>
#include <memory>
#include <string>

namespace Corv {
class CDomain;
class CUndoStep;
} // namespace Corv

// Test support: the one way tests set up the state the programs share.
namespace CorvTest {

// While it lives, the process's services and open projects are the test's own: on
// construction and again on destruction every open document is closed, the undo step is
// forgotten, the lock wait is the default and the services are emptied (no sinks, no work
// folder, the work-file counter at 0).
class FreshStore {
public:
    FreshStore();
    ~FreshStore();
    FreshStore(const FreshStore&) = delete;
    FreshStore& operator=(const FreshStore&) = delete;

    // Starts afresh now, as on construction.
    void Renew() { Empty(); }
    // Installs a scripted sink that answers every question with `defaultAnswer` and returns its
    // log (see `SinkLog`); it replaces the sink installed before.
    std::shared_ptr<SinkLog> InstallSink(int defaultAnswer = SinkLog::kAgree);
    // The folder work files go to (ends in "/").
    void SetWorkFolder(const std::string& folder);
    // How long opening and saving wait for a lock another program holds (the default again at
    // the end).
    void SetLockWait(std::chrono::milliseconds wait);

    // The services and the undo step the edits of a test record into.
    static Corv::CDomain& Services();
    static Corv::CUndoStep& UndoStep();

private:
    static void Empty();
};

} // namespace CorvTest
