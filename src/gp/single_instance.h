#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace GP {

// The single-instance guard: the first start of the program listens on a local socket in the
// user's private runtime folder, named after the application, the user id and the display; a
// later start of the same user on the same display hands its command line to the first one and
// ends once the first has acknowledged it. The first instance then brings its main window (or
// its open dialog) to the front and reports the arguments it was handed.
//
// A socket is only ever used in a folder that belongs to the user and is closed to everyone
// else, and only when the user owns it; otherwise, and whenever handing over fails, the start
// goes on as a program of its own.
class CMMF : public QObject {
    Q_OBJECT
public:
    // `name` is a socket name, placed in the runtime folder, or a full path.
    explicit CMMF(QString name, QObject* parent = nullptr);
    ~CMMF() override;

    // The socket name for an application: its name, the user id and the display.
    static QString DefaultName(const QString& applicationName);
    // The user's private runtime folder: $XDG_RUNTIME_DIR when it is private, otherwise a
    // folder of mode 700 made for the user in the temporary folder; empty when neither can be
    // had.
    static QString RuntimeFolder();
    // True when the path is a folder itself (not a link), owned by this user, that nobody
    // else may read, write or enter.
    static bool IsPrivateFolder(const QString& path);

    // Where the socket is; empty when there is no private folder for it.
    QString SocketPath() const { return m_path; }

    // Becomes the first instance, or hands the arguments to the running one; false then.
    bool Create(const QStringList& arguments);
    // True while this instance listens for later starts.
    bool IsListening() const;
    // The window to bring forward when another start hands its arguments over.
    void SetMainWindow(QWidget* window) { m_window = window; }

signals:
    // Another start handed these arguments over (its program name not included).
    void ArgumentsReceived(const QStringList& arguments);

private:
    enum class HandOverResult { Done, NoListener, Failed };

    HandOverResult HandOver(const QStringList& arguments);
    bool Listen();
    void Accept();
    void Read(QLocalSocket* socket);
    void BringToFront();

    QString m_path;
    QLocalServer* m_server = nullptr;
    QPointer<QWidget> m_window;
};

} // namespace GP
