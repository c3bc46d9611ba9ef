#include "app/folder_watch.h"

#include <QDir>
#include <QFileInfo>

namespace CorvDesktop {

CFolderWatch::CFolderWatch(QObject* parent) : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &CFolderWatch::OnQuiet);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CFolderWatch::OnEvent);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CFolderWatch::OnEvent);
}

void CFolderWatch::SetFolder(const QString& folder) {
    QString trimmed = folder;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    if (trimmed != m_folder)
        m_quiet.stop(); // what was pending concerned the other folder
    m_folder = trimmed;
    Rewatch();
}

void CFolderWatch::Postpone() {
    m_quiet.start();
}

QStringList CFolderWatch::WatchedPaths() const {
    return m_watcher.directories() + m_watcher.files();
}

void CFolderWatch::OnEvent() {
    if (!m_folder.isEmpty())
        m_quiet.start(); // restarted by every event of a burst
}

void CFolderWatch::OnQuiet() {
    Rewatch();
    emit Changed();
}

void CFolderWatch::Rewatch() {
    const QStringList watched = WatchedPaths();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (m_folder.isEmpty())
        return;
    QStringList paths;
    const QDir folder(m_folder);
    if (folder.exists())
        paths << m_folder;
    for (const char* subfolder : {"Patch", "Tone", "Wave"})
        if (QFileInfo(folder.filePath(QLatin1String(subfolder))).isDir())
            paths << folder.filePath(QLatin1String(subfolder));
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files))
        paths << file.filePath();
    if (!paths.isEmpty())
        m_watcher.addPaths(paths);
}

} // namespace CorvDesktop
