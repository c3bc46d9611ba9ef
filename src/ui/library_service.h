#pragma once

#include "library/catalogue.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace CorvDesktop {

// The desktop program's side of the library catalogue: the file it lives in, a connection for
// the window's searches and tag changes (on the main thread; searches are short), and a worker
// thread with its own connection for the work that reads project folders — scans, and the
// projects the user opens or saves, which join the catalogue as they come. The worker's
// progress and its end arrive as signals on the main thread; a scan can be cancelled.
class CLibrary : public QObject {
    Q_OBJECT
public:
    CLibrary();
    ~CLibrary() override;

    // The catalogue file: CORVANE_LIBRARY when it is set, else library.sqlite3 in the data
    // folder (the one that holds the work folder). Changing it stops the worker and closes
    // the catalogue; it opens again at its next use.
    void SetFile(const QString& path);
    const QString& File() const { return m_file; }
    static QString FileFor(const QString& dataFolder);

    // The main thread's catalogue, opened at first use (null with `Problem()` set when it
    // cannot be had). A catalogue that had to be set aside and built anew says so once through
    // the `Notice` signal, and a scan of the roots starts.
    Corv::Library::CCatalogue* Catalogue();
    const QString& Problem() const { return m_problem; }

    // Work for the worker thread, done in the order given: a scan of every root (`full`: read
    // every project, changed or not), or one project folder read into the catalogue.
    void StartScan(bool full);
    void NoteProject(const QString& folder);
    // Asks the scan in progress to stop at the next project.
    void CancelScan() { m_cancel = true; }
    bool Busy() const;
    // Waits until the worker has done all it was given (tests; closing the program).
    void WaitIdle();
    // Ends the worker thread (what it was given and has not started is dropped).
    void Stop();

signals:
    // A scan moved on: `done` of `total` projects, the folder it reads.
    void ScanProgress(int done, int total, const QString& folder);
    // A scan ended: one line for the status bar ("Library scan: 3 read, 47 unchanged, …").
    void ScanFinished(const QString& summary);
    // What the catalogue holds changed (a scan, a project noted, a tag): searches run again.
    void Changed();
    // Something the user should hear once (a catalogue set aside and rebuilt).
    void Notice(const QString& text);

private:
    using Job = std::function<void(Corv::Library::CCatalogue&)>;
    void Post(Job job);
    void StartCheck();
    void Run();
    void Report(std::function<void()> onMainThread);

    QString m_file;
    QString m_problem;
    std::unique_ptr<Corv::Library::CCatalogue> m_catalogue;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_working = false;
    bool m_stopping = false;
    std::atomic<bool> m_cancel = false;
    std::atomic<bool> m_reopen = false; // the worker opens the catalogue again before its next job
    std::thread m_thread;
};

// The words of a scan's end for the status bar.
QString ScanSummary(const Corv::Library::ScanReport& report);

} // namespace CorvDesktop
