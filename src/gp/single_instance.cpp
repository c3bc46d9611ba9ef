#include "gp/single_instance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <sys/stat.h>
#include <unistd.h>

namespace GP {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 3000;
// How long a later start waits for the running program to take its command line. A program
// that is busy for longer is left alone: the later start runs on its own.
constexpr int kAnswerTimeoutMs = 5000;
// The byte the first instance answers with once it has taken a command line.
constexpr char kTaken = 'k';

QString UserId() {
    return QString::number(::getuid());
}

QString Sanitised(QString text) {
    text.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return text;
}

// Stats the path itself, links not followed.
bool LinkStatus(const QString& path, struct stat& status) {
    const QByteArray native = QFile::encodeName(path);
    return !native.isEmpty() && ::lstat(native.constData(), &status) == 0;
}

bool Exists(const QString& path) {
    struct stat status {};
    return LinkStatus(path, status);
}

// A socket of this user: anything else at the path (a file, a link, someone else's socket) is
// never connected to, and never removed.
bool IsOwnSocket(const QString& path) {
    struct stat status {};
    return LinkStatus(path, status) && S_ISSOCK(status.st_mode) && status.st_uid == ::getuid();
}

// The folder part of a socket path ("/" for a socket at the root).
QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

CMMF::CMMF(QString name, QObject* parent) : QObject(parent) {
    if (name.contains(u'/')) {
        m_path = std::move(name);
        return;
    }
    const QString folder = RuntimeFolder();
    if (!folder.isEmpty())
        m_path = folder + u'/' + name;
}

CMMF::~CMMF() = default;

QString CMMF::DefaultName(const QString& applicationName) {
    // Two programs of one user on two displays (another seat, a remote session) are two
    // programs: each keeps its own windows.
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = QStringLiteral("none");
    return Sanitised(applicationName + u'-' + UserId() + u'-' + display);
}

bool CMMF::IsPrivateFolder(const QString& path) {
    struct stat status {};
    return LinkStatus(path, status) && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString CMMF::RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    // Made with mode 700 by this call, or found so from an earlier start; a folder of that name
    // that someone else made, or opened to others, is not used.
    const QString fallback = QDir::tempPath() + u'/' +
                             Sanitised(QCoreApplication::applicationName()) +
                             QStringLiteral("-runtime-") + UserId();
    ::mkdir(QFile::encodeName(fallback).constData(), S_IRWXU);
    return IsPrivateFolder(fallback) ? fallback : QString();
}

bool CMMF::IsListening() const {
    return m_server != nullptr && m_server->isListening();
}

bool CMMF::Create(const QStringList& arguments) {
    if (m_path.isEmpty() || !IsPrivateFolder(FolderOf(m_path)))
        return true; // nowhere safe to meet: this start runs on its own
    if (Exists(m_path)) {
        if (!IsOwnSocket(m_path))
            return true;
        switch (HandOver(arguments)) {
        case HandOverResult::Done:
            return false;
        case HandOverResult::Failed:
            return true; // a program is there but did not take it: never take its name
        case HandOverResult::NoListener:
            // A socket left behind by a program that ended without cleaning up.
            QLocalServer::removeServer(m_path);
            break;
        }
    }
    // Another start may have taken the name in the meantime: then that one is the first.
    return Listen() || !IsOwnSocket(m_path) || HandOver(arguments) != HandOverResult::Done;
}

bool CMMF::Listen() {
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_path)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &CMMF::Accept);
    return true;
}

CMMF::HandOverResult CMMF::HandOver(const QStringList& arguments) {
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return socket.error() == QLocalSocket::ConnectionRefusedError ||
                       socket.error() == QLocalSocket::ServerNotFoundError
                   ? HandOverResult::NoListener
                   : HandOverResult::Failed;
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << arguments;
    }
    QDataStream stream(&socket);
    stream << payload;
    if (!socket.waitForBytesWritten(kWriteTimeoutMs) && socket.bytesToWrite() > 0)
        return HandOverResult::Failed;
    // The answer comes through the event loop, so that a program whose first instance runs in
    // this very process (tests) can answer too.
    if (socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState) {
        QEventLoop loop;
        connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
        connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer::singleShot(kAnswerTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    char answer = 0;
    const bool taken = socket.getChar(&answer) && answer == kTaken;
    socket.disconnectFromServer();
    return taken ? HandOverResult::Done : HandOverResult::Failed;
}

void CMMF::Accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        Read(socket);
    }
}

void CMMF::Read(QLocalSocket* socket) {
    QDataStream stream(socket);
    stream.startTransaction();
    QByteArray payload;
    stream >> payload;
    if (!stream.commitTransaction())
        return; // more bytes to come
    // A start that gave up waiting has gone on by itself: its command line is not ours.
    if (socket->state() != QLocalSocket::ConnectedState || !socket->putChar(kTaken) ||
        !socket->flush())
        return;
    QStringList arguments;
    QDataStream in(payload);
    in >> arguments;
    BringToFront();
    emit ArgumentsReceived(arguments);
}

void CMMF::BringToFront() {
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    QWidget* front = QApplication::activeModalWidget();
    if (front == nullptr)
        front = m_window;
    front->raise();
    front->activateWindow();
}

} // namespace GP
