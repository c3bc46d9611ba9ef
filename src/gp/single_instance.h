#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace GP {

// The single-instance guard: the first start of the program listens on a local socket named
// after the application and the user; a later start hands its command line to the first one
// and ends. The first instance then brings its main window (or its open dialog) to the front
// and reports the arguments it was handed.
class CMMF : public QObject {
    Q_OBJECT
public:
    explicit CMMF(QString name, QObject* parent = nullptr);
    ~CMMF() override;

    // The socket name for an application: its name and the user's.
    static QString DefaultName(const QString& applicationName);

    // Becomes the first instance, or hands the arguments to the running one; false then.
    bool Create(const QStringList& arguments);
    bool IsFirstInstance() const { return m_first; }
    // The window to bring forward when another start hands its arguments over.
    void SetMainWindow(QWidget* window) { m_window = window; }

signals:
    // Another start handed these arguments over (its program name not included).
    void ArgumentsReceived(const QStringList& arguments);

private:
    bool HandOver(const QStringList& arguments);
    void Accept();
    void Read(QLocalSocket* socket);
    void BringToFront();

    QString m_name;
    QLocalServer* m_server = nullptr;
    QPointer<QWidget> m_window;
    bool m_first = false;
};

} // namespace GP
