// The desktop program: starts the application object and runs the event loop.
#include "app/app.h"
#include "app/program_icon.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>

#include "ui/file_view.h"
#include "ui/parameter_list.h"

namespace {

// For pictures of the program (scripts/screenshot): fills the screen with the main window and
// the active project window, and selects rows given as "KIND:ROW,ROW,..." (kind 0 patches,
// 1 tones, 2 waves; rows numbered as the lists show them) so that the other two lists show
// what belongs to them.
void PrepareScreenshot(const QString& selection) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<QMainWindow*>(widget))
            frame->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    CFileView* view = CFileView::Current();
    if (view == nullptr)
        return;
    for (QWidget* parent = view->parentWidget(); parent != nullptr; parent = parent->parentWidget())
        if (auto* child = qobject_cast<QMdiSubWindow*>(parent))
            child->showMaximized();
    const QStringList parts = selection.split(':');
    if (parts.size() != 2)
        return;
    CParameterListCtrl* list = view->List(parts[0].toInt());
    if (list == nullptr)
        return;
    std::vector<int> rows;
    for (const QString& row : parts[1].split(','))
        rows.push_back(row.toInt() - 1);
    list->setFocus();
    list->SelectRows(rows);
    view->LinkSelection(*list);
}

} // namespace

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
            if (!screenshot.isEmpty()) {
                const QString selection = qEnvironmentVariable("CORV_SCREENSHOT_SELECT");
                QTimer::singleShot(1000, &application, [selection] { PrepareScreenshot(selection); });
                QTimer::singleShot(2000, &application, [screenshot] {
                    QGuiApplication::primaryScreen()->grabWindow(0).save(screenshot);
                    QCoreApplication::quit();
                });
            }
            result = QApplication::exec();
        }
        app.ExitInstance();
    }
    return result;
}
