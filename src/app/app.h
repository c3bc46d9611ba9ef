#pragma once

#include "app/doc_manager.h"
#include "app/select_project_dialog.h"
#include "storage/progress_bar.h"
#include "storage/text_out.h"
#include "ui/app_shell.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

namespace GP {
class CMMF;
}

namespace Corv {
class CDomain;
} // namespace Corv

namespace CorvDesktop {

class CMainFrame;

// The folder of the manual for a program in `programFolder`: "Manual" beside it (the build
// tree), or else the documentation folder of an installation around it
// (PREFIX/bin -> PREFIX/share/doc/corvane-librarian) when the manual is there.
QString ManualFolderFor(const QString& programFolder);

// The application object: starts the program (single instance, settings, main frame, sinks,
// work folder, a project named on the command line, language), serves the application-level
// commands and, at exit, writes the settings back and empties the work folder.
class CApp : public QObject, public IAppShell {
    Q_OBJECT
public:
    // What start-up uses from its surroundings; tests replace the parts that would show a
    // modal window or touch the user's folders.
    struct Environment {
        // The single-instance socket name; empty: named after the application and the user.
        QString instanceName;
        // The folder the work folder is made under; empty: the user's data folder.
        QString dataFolder;
        // The message sink installed into the store; null: message boxes.
        std::function<std::unique_ptr<Corv::CTextOutBox>()> messageSink;
        // The progress sink; null: the progress dialog.
        std::function<std::unique_ptr<Corv::CLumProgressBar>()> progressSink;
        // The project folder chooser (not owned); null: the project dialog.
        IProjectChooser* chooser = nullptr;
        // The close question ("Save changes to %1?"); null: a message box.
        std::function<int(const QString&)> saveQuestion;
        // The program's own questions with buttons of their own (reload, Save Both, moved
        // entries): the index of the chosen button; null: a message box.
        std::function<int(const CQuestion&)> question;
        // Notices of the program's own (a missing manual); null: a message box.
        std::function<void(const QString&)> notify;
        // Opens a document with the desktop's viewer; null: QDesktopServices.
        std::function<bool(const QString&)> openDocument;
        // The folder that holds the manual; empty: the one ManualFolderFor finds.
        QString manualFolder;
        bool showMainWindow = true;
    };

    // The buttons of the question about the moved entries an earlier run left.
    enum MovedEntriesAnswer : int { kOpenThem = 0, kPutThemInTheTrash = 1 };

    CApp();
    explicit CApp(Environment environment);
    ~CApp() override;
    // The running application object (the first one constructed, which is also the one the
    // windows reach as their `IAppShell`), or null.
    static CApp* Instance();

    // Start-up; false ends the program (then the exit-work flag tells whether another instance
    // took over). `arguments` excludes the program name; relative paths among them are taken
    // from the current folder.
    bool InitInstance(const QStringList& arguments);
    // Exit: unless another instance took over, writes the settings, closes the documents, puts
    // the entries still listed as moved but not saved into the trash (with a notice), empties
    // the work folder and releases the store's sinks.
    void ExitInstance();

    bool ExitWork() const { return m_exitWork; }
    QString WorkFolder() const;
    CMainFrame* MainFrame() const { return m_mainFrame; }
    CDocManager& Documents() override { return *m_documents; }

    // Opens the project named by a command line's single plain parameter; true when there was
    // none or it opened.
    bool OpenFromArguments(const QStringList& arguments);
    // Another start handed its command line over: opens its project unless the program is busy.
    void OnHandedOver(const QStringList& arguments);
    // The path the Manual command opens.
    QString ManualPath();

    // Application-level commands.
    void OnFileNew() override;
    void OnFileOpen() override;
    void OnOpenRecent(int index) override;
    void OnAppAbout() override;
    void OnSetUpFont() override;
    void OnManual() override;
    void OnEditUndo() override;
    bool CanUndo() const override;
    bool CanRedo() const override;
    // Shows a deferred message of the store, if any (when the event loop is idle).
    void OnIdle();

private:
    bool CreateWorkFolder();
    // Entries that an earlier run moved between projects and never saved (it did not end
    // normally) are offered: opened in a new project, or put into the trash.
    void OfferMovedEntries();
    void InstallSinks();
    void Notify(const QString& text);
    void ScheduleIdle();

    Environment m_env;
    // The services of the core (sinks, work folder) that the program installs and uses.
    Corv::CDomain& m_services;
    std::unique_ptr<GP::CMMF> m_guard;
    std::unique_ptr<CDocManager> m_documents;
    std::unique_ptr<CDialogProjectChooser> m_dialogChooser;
    CMainFrame* m_mainFrame = nullptr; // owned
    bool m_exitWork = false;
    bool m_started = false;
    bool m_idlePending = false;
    QString m_language = QStringLiteral("E");
    QString m_manualPath;
};

} // namespace CorvDesktop
