#pragma once

#include "audio/peak_cache.h"
#include "audio/sound_file.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <map>
#include <memory>
#include <set>

namespace CorvDesktop {

// What the windows know of a wave's picture.
struct WavePicture {
    enum class State { Pending, Done, NoPicture };
    State state = State::Pending;
    Corv::Audio::WaveFacts facts;
    Corv::Audio::WavePeaks peaks; // the list's resolution (or the detail area's width)
    QString reason;               // why there is no picture
    bool floating = false;        // the samples are floating-point numbers

    bool Ready() const { return state != State::Pending; }
};

// The pictures and facts of waves for every window of the program: computed on worker threads
// (never on the GUI thread) through one peak cache kept in memory and on disk, delivered back
// to the GUI thread by a queued signal. Everything but the workers runs on the GUI thread.
class CWavePictures : public QObject {
    Q_OBJECT
public:
    // The columns the list keeps per channel of a wave: wider than any list cell is drawn.
    static constexpr int kListColumns = 256;

    // `cacheFolder` empty: the peaks are kept in memory only.
    explicit CWavePictures(const QString& cacheFolder, QObject* parent = nullptr);
    // Stops every computation and waits for the workers.
    ~CWavePictures() override;

    // The user's cache folder for peaks (".../Brisko/Corvane Librarian/peaks/").
    static QString DefaultCacheFolder();
    Corv::Audio::CPeakCache& Cache() { return m_cache; }

    // The picture of a wave as far as it is known; null when nobody asked for it yet.
    const WavePicture* Find(const QString& path) const;
    // The pictures `owner` shows now, the most wanted first: those not known yet, or whose file
    // changed (its size or time) since, are computed; the owner's computations of waves no
    // longer among them are cancelled.
    void Want(const void* owner, const QStringList& paths);
    // Cancels every computation the owner asked for, and lets go of the pictures it was shown
    // that no other owner shows.
    void Forget(const void* owner);
    // The waves whose pictures are held or being made.
    std::size_t Count() const;

    // A wave's picture at a width (the detail area's) made on a worker; `DetailReady` says when
    // it can be taken.
    quint64 RequestDetail(const QString& path, int width);
    bool TakeDetail(quint64 ticket, WavePicture& picture);

    // Waits until no computation is running or queued (tests and benchmarks); false on timeout.
    bool WaitForIdle(int milliseconds);

signals:
    // A wave's picture (or the reason it has none) is known now.
    void Ready(const QString& path);
    void DetailReady(quint64 ticket);

private:
    struct Entry {
        WavePicture picture;
        Corv::Audio::WaveIdentity identity;
        std::shared_ptr<std::atomic<bool>> stop; // set while a computation runs
        std::set<const void*> owners;            // the windows that showed it
        quint64 generation = 0;
    };
    bool Current(const QString& path, const Corv::Audio::WaveIdentity& identity) const;
    void Start(const void* owner, const QString& path, const Corv::Audio::WaveIdentity& identity,
               int priority);
    void Deliver(const QString& path, quint64 generation, const WavePicture& picture);
    // Stops the computation of an entry, if one runs, and forgets the entry.
    std::map<QString, Entry>::iterator Drop(std::map<QString, Entry>::iterator entry);

    Corv::Audio::CPeakCache m_cache;
    QThreadPool m_pool;
    std::map<QString, Entry> m_entries;
    std::map<quint64, WavePicture> m_details;
    quint64 m_generation = 0;
};

// Computes a wave's facts and its peaks at a width through a cache (on any thread).
WavePicture MakeWavePicture(Corv::Audio::CPeakCache& cache, const QString& path, int width,
                            const Corv::Audio::StopRequest& stop = {});

} // namespace CorvDesktop
