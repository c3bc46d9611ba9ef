// The desktop program: starts the application object and runs the event loop.
#include "app/app.h"
#include "app/program_icon.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/library_model.h"
#include "ui/library_window.h"
#include "ui/main_frame.h"
#include "ui/parameter_list.h"
#include "ui/progress_dialog.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QSaveFile>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <string_view>

using namespace CorvDesktop;

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
    list->SetFocusedRow(rows.empty() ? 0 : rows.front());
    // CORV_SCREENSHOT_SHOW: what else the picture shows — the lists' context menu ("menu"), a
    // paste over used rows waiting at its question with its preview in the status bar
    // ("paste"), the progress window of a long save ("progress"), or the library window with
    // the search CORV_SCREENSHOT_SEARCH ("library").
    const QString show = qEnvironmentVariable("CORV_SCREENSHOT_SHOW");
    auto* frame = qobject_cast<CMainFrame*>(view->window());
    if (show == u"menu" && frame != nullptr) {
        const QRect cell = list->visualRect(list->model()->index(std::max(0, rows.front()), 1));
        QTimer::singleShot(0, frame, [frame, list, cell] {
            frame->ShowListMenu(list->viewport()->mapToGlobal(cell.center()));
        });
    } else if (show == u"paste") {
        view->Copy(false);
        list->SetFocusedRow(std::max(0, rows.back() + 3));
        QTimer::singleShot(0, view, [view] { view->Paste(false); });
    } else if (show == u"progress") {
        static CProgressBar progress(view->window());
        progress.SetShowDelay(0);
        progress.Begin(2410, "Saving Full.prj: writing 2410 files", false);
        progress.SetPosition(964);
    } else if (show == u"library" && frame != nullptr) {
        frame->ShowLibrary();
        frame->LibraryWindow()->SearchField()->setText(
            qEnvironmentVariable("CORV_SCREENSHOT_SEARCH"));
        frame->LibraryWindow()->Refresh();
    }
}

// For tests that drive the program with the real pointer and keyboard: a description of the
// project windows, rewritten whole every tenth of a second. One line per window
// ("window TITLE MODIFIED ACTIVE"), one per list ("list TITLE KIND X Y WIDTH HEIGHT ROWHEIGHT
// TOPROW NAMEX": the list's rows on the screen, the height of a row, the first row shown and the
// middle of the name column), one for the library window while it shows ("library X Y WIDTH
// HEIGHT ROWHEIGHT ROWS NAMEX": its results on the screen as for a list, and how many there are),
// "history 1" while a history window shows, and "modal 1" while a dialog waits for an answer.
// A title is one word: its blanks are written as "_" ("A.prj_—_version_2" for a version).
QByteArray LibraryLayout() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* frame = qobject_cast<CMainFrame*>(widget);
        const CLibraryWindow* library = frame != nullptr ? frame->LibraryWindow() : nullptr;
        if (library == nullptr || !library->isVisible())
            continue;
        const QTableView* table = library->Table();
        const QWidget* rows = table->viewport();
        const QPoint origin = rows->mapToGlobal(QPoint(0, 0));
        const int count = table->model()->rowCount();
        const QList<int> numbers = {
            origin.x(),
            origin.y(),
            rows->width(),
            rows->height(),
            table->verticalHeader()->defaultSectionSize(),
            count,
            table->visualRect(table->model()->index(0, CLibraryModel::kName)).center().x()};
        QByteArray text = "library";
        for (const int number : numbers)
            text += ' ' + QByteArray::number(number);
        return text + '\n';
    }
    return {};
}

QByteArray HistoryLayout() {
    bool shown = false;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (const auto* frame = qobject_cast<CMainFrame*>(widget);
            frame != nullptr && frame->HistoryWindow() != nullptr)
            shown = shown || frame->HistoryWindow()->isVisible();
    return "history " + QByteArray::number(shown ? 1 : 0) + '\n';
}

void WriteLayout(const QString& path) {
    QByteArray text;
    for (CFileView* view : CFileView::Views()) {
        const QByteArray title = view->Title().replace(u' ', u'_').toUtf8();
        text += "window " + title + ' ' +
                QByteArray::number(view->Document().IsModified() ? 1 : 0) + ' ' +
                QByteArray::number(view == CFileView::Current() ? 1 : 0) + '\n';
        for (int kind = 0; kind < 3; ++kind) {
            const CParameterListCtrl* list = view->List(kind);
            const QWidget* rows = list->viewport();
            const QPoint origin = rows->mapToGlobal(QPoint(0, 0));
            const QRect name = list->visualRect(list->model()->index(list->TopRow(), 1));
            const QList<int> numbers = {kind,           origin.x(),       origin.y(),
                                        rows->width(),  rows->height(),   list->rowHeight(0),
                                        list->TopRow(), name.center().x()};
            text += "list " + title;
            for (const int number : numbers)
                text += ' ' + QByteArray::number(number);
            text += '\n';
        }
    }
    text += LibraryLayout();
    text += HistoryLayout();
    text +=
        "modal " + QByteArray::number(QApplication::activeModalWidget() != nullptr ? 1 : 0) + '\n';
    QSaveFile file(path); // replaced whole: a reader never sees half of it
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        file.commit();
}

// --version and --help are answered before anything needs a display.
bool AnsweredFromTheCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version") {
            std::printf("corvane-librarian %s\n", CORV_VERSION);
            return true;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("Usage: corvane-librarian [PROJECT]\n"
                        "Opens the project folder (.prj) in a window; a program already running\n"
                        "on the same display is handed the project instead.\n\n"
                        "  -h, --help   Show this text and exit\n"
                        "  --version    Show the version and exit\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnsweredFromTheCommandLine(argc, argv))
        return 0;
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(CORV_APP_ID)); // its desktop entry
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
                QTimer::singleShot(1000, &application,
                                   [selection] { PrepareScreenshot(selection); });
                QTimer::singleShot(2000, &application, [screenshot] {
                    QGuiApplication::primaryScreen()->grabWindow(0).save(screenshot);
                    QCoreApplication::quit();
                });
            }
            const QString layout = qEnvironmentVariable("CORV_LAYOUT_FILE");
            if (!layout.isEmpty()) {
                auto* timer = new QTimer(&application);
                QObject::connect(timer, &QTimer::timeout, [layout] { WriteLayout(layout); });
                timer->start(100);
            }
            result = QApplication::exec();
        }
        app.ExitInstance();
    }
    return result;
}
