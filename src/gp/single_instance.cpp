#include "gp/single_instance.h"

#include <QApplication>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QWidget>

namespace GP {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 3000;

} // namespace

CMMF::CMMF(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

CMMF::~CMMF() = default;

QString CMMF::DefaultName(const QString& applicationName) {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    QString name = applicationName + u'-' + user;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return name;
}

bool CMMF::Create(const QStringList& arguments) {
    if (HandOver(arguments)) {
        m_first = false;
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left behind by a program that ended without cleaning up.
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
    connect(m_server, &QLocalServer::newConnection, this, &CMMF::Accept);
    m_first = true;
    return true;
}

bool CMMF::HandOver(const QStringList& arguments) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << arguments;
    }
    QDataStream stream(&socket);
    stream << payload;
    socket.waitForBytesWritten(kWriteTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kWriteTimeoutMs);
    return true;
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
