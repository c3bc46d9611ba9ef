#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace CorvDesktop {

// Watches a project folder for changes other programs make: the folder itself, its Patch/,
// Tone/ and Wave/ subfolders (files added, removed or renamed) and the files at its top (the
// memo and system files, which editors may rewrite in place). A burst of events, such as a
// program copying files in, gives one `Changed` once the folder has been quiet for a moment.
class CFolderWatch : public QObject {
    Q_OBJECT
public:
    // How long the folder must be quiet before `Changed` is emitted.
    static constexpr int kQuietMs = 250;

    explicit CFolderWatch(QObject* parent = nullptr);

    // Watches this folder (a trailing slash is allowed); an empty path stops watching. The same
    // folder again watches what is there now (a save may have made a subfolder).
    void SetFolder(const QString& folder);
    const QString& Folder() const { return m_folder; }
    // The program cannot attend to a change now: waits another quiet time.
    void Postpone();
    // The paths under watch (for tests and diagnostics).
    QStringList WatchedPaths() const;

signals:
    void Changed();

private:
    void OnEvent();
    void OnQuiet();
    // Watches what is there now: a subfolder or a file that appeared, or one that was replaced
    // by another under the same name, is watched from here on.
    void Rewatch();

    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QString m_folder;
};

} // namespace CorvDesktop
