// The single-instance guard between real processes: this test program starts copies of itself
// as guarded programs ("probes") and watches which of them meet.
#include "gp/single_instance.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kProbe = QStringLiteral("Guard Probe");

// A guarded program: prints "handed" when a running one took its arguments, otherwise
// "first SOCKET LISTENING" and then "received ARG|ARG..." for every start handed to it.
int RunProbe(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(kProbe);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QTextStream out(stdout);
    GP::CMMF guard(GP::CMMF::DefaultName(kProbe));
    if (!guard.Create(arguments)) {
        out << "handed\n";
        return 0;
    }
    out << "first " << guard.SocketPath() << ' ' << int(guard.IsListening()) << Qt::endl;
    QObject::connect(&guard, &GP::CMMF::ArgumentsReceived, [&out](const QStringList& handed) {
        out << "received " << handed.join(u'|') << Qt::endl;
    });
    QTimer::singleShot(30000, &application, &QCoreApplication::quit); // never outlives the test
    return QApplication::exec();
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private:
    // Starts a probe with its own runtime folder and display; the temporary folder is shared.
    std::unique_ptr<QProcess> Start(const QString& runtime, const QString& display,
                                    const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CORV_GUARD_PROBE", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("DISPLAY", display);
        env.insert("TMPDIR", m_temp.path());
        env.remove("WAYLAND_DISPLAY");
        process->setProcessEnvironment(env);
        process->start(QCoreApplication::applicationFilePath(), arguments);
        return process;
    }
    QString Folder(const QString& name) {
        const QString path = m_root.filePath(name);
        ::mkdir(QFile::encodeName(path).constData(), S_IRWXU);
        return path;
    }

private slots:
    void Meeting_data() {
        QTest::addColumn<QString>("secondRuntime");
        QTest::addColumn<QString>("secondDisplay");
        QTest::addColumn<QString>("between"); // what happens after the first has started
        // "handed", or "first", the folder of the second's socket and whether it listens.
        QTest::addColumn<QString>("secondSays");
        const char* const rows[][5] = {
            {"same user and display", "A", ":1", "", "handed"},
            {"another runtime folder", "B", ":1", "", "first B 1"},
            {"another display", "A", ":2", "", "first A 1"},
            {"first one gone", "A", ":1", "kill", "first A 1"},
            {"folder opened to others", "A", ":1", "chmod", "first tmp 1"},
            // A socket that is someone else's is neither used nor replaced.
            {"socket of another user", "A", ":1", "chown", "first A 0"}};
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3])
                                  << QString(row[4]);
    }

    void Meeting() {
        QFETCH(QString, secondRuntime);
        QFETCH(QString, secondDisplay);
        QFETCH(QString, between);
        QFETCH(QString, secondSays);
        if (between == "chown" && ::getuid() != 0)
            QSKIP("giving a socket to another user needs root");
        const QString a = Folder("A");
        auto first = Start(a, ":1", {});
        QTRY_VERIFY_WITH_TIMEOUT(first->canReadLine(), 15000);
        const QString socket = a + "/Guard_Probe-" + QString::number(::getuid()) + "-_1";
        QCOMPARE(QString::fromUtf8(first->readLine()).trimmed(), "first " + socket + " 1");
        if (between == "kill") {
            first->kill();
            first->waitForFinished();
        } else if (between == "chmod") {
            QVERIFY(::chmod(QFile::encodeName(a).constData(), 0755) == 0);
        } else if (between == "chown") {
            QVERIFY(::lchown(QFile::encodeName(socket).constData(), 4242, 4242) == 0);
        }
        const QString runtime = Folder(secondRuntime);
        auto second = Start(runtime, secondDisplay, {"/music/My Song.prj"});
        QTRY_VERIFY_WITH_TIMEOUT(second->canReadLine(), 15000);
        QString said = QString::fromUtf8(second->readLine()).trimmed();
        if (said.startsWith("first ")) { // the socket's folder, shortened as in the table
            const QString folder = QFileInfo(said.section(u' ', 1, -2)).path();
            const QString tmp =
                m_temp.path() + "/Guard_Probe-runtime-" + QString::number(::getuid());
            said = "first " +
                   (folder == tmp ? "tmp" : QDir(m_root.path()).relativeFilePath(folder)) + ' ' +
                   said.section(u' ', -1);
        }
        QCOMPARE(said, secondSays);
        // The first is handed the second's arguments, or nothing.
        if (secondSays == "handed")
            QTRY_VERIFY(first->canReadLine());
        else
            QTest::qWait(200);
        QCOMPARE(QString::fromUtf8(first->readLine()).trimmed(),
                 secondSays == "handed" ? "received /music/My Song.prj" : "");
        for (QProcess* process : {first.get(), second.get()}) {
            process->kill();
            process->waitForFinished();
        }
        QDir(a).removeRecursively();
        QDir(runtime).removeRecursively();
    }

private:
    QTemporaryDir m_root;
    QTemporaryDir m_temp;
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("CORV_GUARD_PROBE"))
        return RunProbe(argc, argv);
    QApplication application(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "single_instance_test.moc"
