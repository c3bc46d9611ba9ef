#include "ui/wave_pictures.h"

#include "ui/wave_text.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <set>

namespace CorvDesktop {

namespace {

using Corv::Audio::PeakStatus;
using Corv::Audio::WaveIdentity;

// Finished detail pictures nobody took (their widget went) are not kept beyond these.
constexpr std::size_t kKeptDetails = 4;

std::string Encoded(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

WavePicture MakeWavePicture(Corv::Audio::CPeakCache& cache, const QString& path, int width,
                            const Corv::Audio::StopRequest& stop) {
    WavePicture picture;
    const std::string file = Encoded(path);
    picture.facts = Corv::Audio::ReadWaveFacts(file);
    if (!picture.facts.Readable()) {
        picture.state = WavePicture::State::NoPicture;
        picture.reason = QString::fromStdString(picture.facts.reason);
        return picture;
    }
    picture.floating = picture.facts.bits >= 32 && HasFloatingSamples(path);
    std::string reason;
    switch (cache.Peaks(file, width, picture.peaks, reason, stop)) {
    case PeakStatus::Done:
        picture.state = WavePicture::State::Done;
        break;
    case PeakStatus::NoPicture:
        picture.state = WavePicture::State::NoPicture;
        picture.reason = QString::fromStdString(reason);
        break;
    case PeakStatus::Cancelled:
        picture.state = WavePicture::State::Pending;
        break;
    }
    return picture;
}

CWavePictures::CWavePictures(const QString& cacheFolder, QObject* parent)
    : QObject(parent), m_cache(cacheFolder.isEmpty() ? std::string() : Encoded(cacheFolder)) {
    // One worker less than the machine has, so that the window keeps a core of its own.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

CWavePictures::~CWavePictures() {
    for (auto& [path, entry] : m_entries)
        if (entry.stop)
            *entry.stop = true;
    m_pool.clear();
    m_pool.waitForDone();
}

QString CWavePictures::DefaultCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Brisko/Corvane Librarian/peaks/");
}

const WavePicture* CWavePictures::Find(const QString& path) const {
    const auto found = m_entries.find(path);
    return found == m_entries.end() ? nullptr : &found->second.picture;
}

bool CWavePictures::Current(const QString& path, const WaveIdentity& identity) const {
    const auto found = m_entries.find(path);
    return found != m_entries.end() && found->second.identity == identity;
}

void CWavePictures::Want(const void* owner, const QStringList& paths) {
    const std::set<QString> wanted(paths.begin(), paths.end());
    // What the owner no longer shows stops being computed (unless another window still wants
    // it), and is asked for anew when it shows; what it has is kept while the owner lives.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        Entry& entry = it->second;
        if (entry.stop && wanted.count(it->first) == 0)
            entry.owners.erase(owner);
        it = entry.owners.empty() ? Drop(it) : std::next(it);
    }
    int priority = static_cast<int>(paths.size());
    for (const QString& path : paths) {
        --priority;
        if (Corv::Audio::IsInstrumentWavePath(Encoded(path))) {
            Entry& entry = m_entries[path];
            if (entry.owners.empty()) {
                entry.picture.state = WavePicture::State::NoPicture;
                entry.picture.facts.format = "instrument";
                entry.picture.reason = QStringLiteral("the instrument's own format");
            }
            entry.owners.insert(owner);
            continue;
        }
        WaveIdentity identity;
        Corv::Audio::IdentifyWave(Encoded(path), identity); // a missing file: the empty one
        if (!Current(path, identity))
            Start(owner, path, identity, priority);
        else
            m_entries[path].owners.insert(owner);
    }
}

void CWavePictures::Forget(const void* owner) {
    // The pictures no other window shows go: a project opened again takes them from the peak
    // cache, in memory or on disk.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        it->second.owners.erase(owner);
        it = it->second.owners.empty() ? Drop(it) : std::next(it);
    }
}

std::map<QString, CWavePictures::Entry>::iterator
CWavePictures::Drop(std::map<QString, Entry>::iterator entry) {
    if (entry->second.stop)
        *entry->second.stop = true;
    return m_entries.erase(entry);
}

std::size_t CWavePictures::Count() const {
    return m_entries.size();
}

void CWavePictures::Start(const void* owner, const QString& path, const WaveIdentity& identity,
                          int priority) {
    Entry& entry = m_entries[path];
    if (entry.stop)
        *entry.stop = true; // the file changed while its old content was being read
    std::set<const void*> owners = std::move(entry.owners);
    owners.insert(owner);
    entry = Entry{};
    entry.identity = identity;
    entry.owners = std::move(owners);
    entry.generation = ++m_generation;
    entry.stop = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = entry.generation;
    const std::shared_ptr<std::atomic<bool>> stop = entry.stop;
    m_pool.start(
        [this, path, generation, stop] {
            if (*stop)
                return;
            const WavePicture picture =
                MakeWavePicture(m_cache, path, kListColumns, [stop] { return stop->load(); });
            if (picture.Ready())
                QMetaObject::invokeMethod(
                    this, [this, path, generation, picture] { Deliver(path, generation, picture); },
                    Qt::QueuedConnection);
        },
        priority);
}

void CWavePictures::Deliver(const QString& path, quint64 generation, const WavePicture& picture) {
    const auto found = m_entries.find(path);
    // A result of a computation cancelled or replaced since is dropped.
    if (found == m_entries.end() || found->second.generation != generation)
        return;
    found->second.picture = picture;
    found->second.stop.reset();
    emit Ready(path);
}

quint64 CWavePictures::RequestDetail(const QString& path, int width) {
    const quint64 ticket = ++m_generation;
    m_pool.start(
        [this, path, width, ticket] {
            const WavePicture picture = MakeWavePicture(m_cache, path, std::max(1, width));
            QMetaObject::invokeMethod(
                this,
                [this, ticket, picture] {
                    m_details[ticket] = picture;
                    while (m_details.size() > kKeptDetails)
                        m_details.erase(m_details.begin());
                    emit DetailReady(ticket);
                },
                Qt::QueuedConnection);
        },
        // The wave the user looks at comes before the list's.
        1 << 20);
    return ticket;
}

bool CWavePictures::TakeDetail(quint64 ticket, WavePicture& picture) {
    const auto found = m_details.find(ticket);
    if (found == m_details.end())
        return false;
    picture = std::move(found->second);
    m_details.erase(found);
    return true;
}

bool CWavePictures::WaitForIdle(int milliseconds) {
    return m_pool.waitForDone(milliseconds);
}

} // namespace CorvDesktop
