// The desktop program: starts the application object and runs the event loop.
#include "app/app.h"
#include "app/program_icon.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
    QApplication::setWindowIcon(ProgramIcon());

    int result = 0;
    {
        CApp app;
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        if (app.InitInstance(arguments)) {
            // CORV_SCREENSHOT=<file.png>: a picture of the screen once the window has settled,
            // then the program ends (scripts/screenshot).
            const QString screenshot = qEnvironmentVariable("CORV_SCREENSHOT");
            if (!screenshot.isEmpty())
                QTimer::singleShot(2000, &application, [screenshot] {
                    QGuiApplication::primaryScreen()->grabWindow(0).save(screenshot);
                    QCoreApplication::quit();
                });
            result = QApplication::exec();
        }
        app.ExitInstance();
    }
    return result;
}
