#include "ui/library_service.h"

#include "storage/progress_bar.h"
#include "ui/text_codec.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

namespace CorvDesktop {

namespace {

using Corv::Library::CCatalogue;

// The scan's progress sink on the worker thread: it hands every step to the main thread and
// asks the service's flag whether to stop.
class CWorkerProgress : public Corv::CLumProgressBar {
public:
    CWorkerProgress(std::atomic<bool>& cancel, std::function<void(int, int, std::string)> step)
        : m_cancel(cancel), m_step(std::move(step)) {}

    void Begin(int maximum, const std::string& title, bool cancellable) override {
        CLumProgressBar::Begin(maximum, title, cancellable);
        if (Nesting() == 1 || maximum > 0)
            m_maximum = maximum;
    }
    void SetText(const std::string& text) override {
        CLumProgressBar::SetText(text);
        m_step(m_done++, m_maximum, text);
    }
    bool IsCancelled() override { return m_cancel.load(); }

private:
    std::atomic<bool>& m_cancel;
    std::function<void(int, int, std::string)> m_step;
    int m_maximum = 0;
    int m_done = 0;
};

} // namespace

QString ScanSummary(const Corv::Library::ScanReport& report) {
    QString text = report.cancelled ? QStringLiteral("Library scan cancelled: ")
                                    : QStringLiteral("Library scan: ");
    text += QStringLiteral("%1 read, %2 unchanged").arg(report.read).arg(report.unchanged);
    if (report.offline > 0)
        text += QStringLiteral(", %1 offline").arg(report.offline);
    if (!report.failures.empty())
        text += QStringLiteral(", %1 could not be read (%2)")
                    .arg(report.failures.size())
                    .arg(QString::fromStdString(report.failures.front()));
    if (!report.skipped.empty())
        text += QStringLiteral(", %1 passed over").arg(report.skipped.size());
    return text;
}

CLibrary::CLibrary() {
    const QByteArray chosen = qgetenv("CORVANE_LIBRARY");
    if (!chosen.isEmpty())
        m_file = QString::fromLocal8Bit(chosen);
}

CLibrary::~CLibrary() {
    Stop();
}

QString CLibrary::FileFor(const QString& dataFolder) {
    const QByteArray chosen = qgetenv("CORVANE_LIBRARY");
    if (!chosen.isEmpty())
        return QString::fromLocal8Bit(chosen);
    return CTextCodec::DecodePath(Corv::Library::CatalogueFileIn(
        CTextCodec::EncodePath(QDir(dataFolder).absolutePath() + u'/')));
}

void CLibrary::SetFile(const QString& path) {
    if (path == m_file)
        return;
    Stop();
    m_catalogue.reset();
    m_problem.clear();
    m_file = path;
}

CCatalogue* CLibrary::Catalogue() {
    if (m_catalogue != nullptr)
        return m_catalogue.get();
    if (m_file.isEmpty()) {
        m_problem = QStringLiteral("The library has no catalogue file.");
        return nullptr;
    }
    auto catalogue = std::make_unique<CCatalogue>();
    std::string error;
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    if (!catalogue->Open(CTextCodec::EncodePath(m_file), error)) {
        m_problem = QStringLiteral("The library catalogue %1 cannot be opened: %2")
                        .arg(m_file, QString::fromStdString(error));
        return nullptr;
    }
    m_problem.clear();
    m_catalogue = std::move(catalogue);
    if (m_catalogue->NeedsCheck())
        StartCheck();
    if (m_catalogue->Rebuilt()) {
        emit Notice(QStringLiteral("The library catalogue could not be read. It was set aside as "
                                   "%1 and is built again from your folders, with the tags of "
                                   "its last export.")
                        .arg(CTextCodec::DecodePath(m_catalogue->SetAside())));
        StartScan(false);
    }
    return m_catalogue.get();
}

void CLibrary::Post(Job job) {
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable()) {
        m_stopping = false;
        m_thread = std::thread([this] { Run(); });
    }
    m_jobs.push_back(std::move(job));
    m_wake.notify_one();
}

bool CLibrary::Busy() const {
    std::lock_guard lock(m_mutex);
    return m_working || !m_jobs.empty();
}

void CLibrary::WaitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_working && m_jobs.empty(); });
}

void CLibrary::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
        m_cancel = true;
        m_wake.notify_one();
    }
    if (m_thread.joinable())
        m_thread.join();
    m_cancel = false;
}

void CLibrary::Report(std::function<void()> onMainThread) {
    QMetaObject::invokeMethod(this, std::move(onMainThread), Qt::QueuedConnection);
}

// A program that used the catalogue ended without closing it: a full check runs on the worker,
// on a connection of its own. A damaged catalogue is set aside and built again; then every
// connection opens the new file.
void CLibrary::StartCheck() {
    const std::string path = CTextCodec::EncodePath(m_file);
    Post([this, path](CCatalogue&) {
        std::string message;
        const Corv::Library::CheckOutcome outcome = Corv::Library::CheckCatalogue(path, message);
        if (outcome == Corv::Library::CheckOutcome::Sound)
            return;
        if (outcome == Corv::Library::CheckOutcome::Rebuilt)
            m_reopen = true;
        const QString text = QString::fromStdString(message);
        Report([this, outcome, text] {
            if (outcome == Corv::Library::CheckOutcome::Rebuilt) {
                m_catalogue.reset();
                Catalogue();
                StartScan(false);
                emit Changed();
            }
            emit Notice(text);
        });
    });
}

// The worker: its own connection to the catalogue, opened with its first job.
void CLibrary::Run() {
    const std::string path = CTextCodec::EncodePath(m_file);
    auto catalogue = std::make_unique<CCatalogue>();
    bool opened = false;
    std::string error;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_working = false;
            m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_working = true;
        }
        if (m_reopen.exchange(false)) {
            catalogue = std::make_unique<CCatalogue>();
            opened = false;
        }
        if (!opened && !(opened = catalogue->Open(path, error))) {
            const QString text = QStringLiteral("The library catalogue cannot be opened: %1")
                                     .arg(QString::fromStdString(error));
            Report([this, text] { emit ScanFinished(text); });
            continue;
        }
        job(*catalogue);
    }
}

void CLibrary::StartScan(bool full) {
    m_cancel = false;
    Post([this, full](CCatalogue& catalogue) {
        CWorkerProgress progress(m_cancel, [this](int done, int total, const std::string& folder) {
            const QString text = CTextCodec::DecodePath(folder);
            Report([this, done, total, text] { emit ScanProgress(done, total, text); });
        });
        const Corv::Library::ScanReport report = catalogue.Scan(full, progress);
        m_cancel = false;
        const QString summary = ScanSummary(report);
        Report([this, summary] {
            emit Changed();
            emit ScanFinished(summary);
        });
    });
}

void CLibrary::NoteProject(const QString& folder) {
    // Opening a project makes no catalogue: one is made when the library is first used.
    if (m_file.isEmpty() || !QFileInfo::exists(m_file))
        return;
    const std::string path = CTextCodec::EncodePath(folder);
    Post([this, path](CCatalogue& catalogue) {
        std::string why;
        if (catalogue.ScanProject(path, false, why) == Corv::Library::ScanOutcome::Read)
            Report([this] { emit Changed(); });
    });
}

} // namespace CorvDesktop
