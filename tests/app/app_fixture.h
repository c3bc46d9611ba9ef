#pragma once

// Desktop test support: private settings, data and work folders, and every dialog scripted.
#include "app/app.h"
#include "storage/domain.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"
#include "ui/child_frame.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/main_frame.h"
#include "ui/parameter_list.h"
#include "ui/project_options.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace CorvDesktop;

namespace AppTest {

// Answers the project chooser from a queue (empty: Cancel); records "open|save <start folder>".
struct ScriptedChooser : IProjectChooser {
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        m_calls << (openMode ? QStringLiteral("open ") : QStringLiteral("save ")) + initialFolder;
        chosen = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        return !chosen.isEmpty();
    }
    QStringList m_answers;
    QStringList m_calls;
};

// What the scripted dialogs were asked and answer.
struct Script {
    std::shared_ptr<CorvTest::SinkLog> sink = std::make_shared<CorvTest::SinkLog>();
    ScriptedChooser chooser;
    QStringList saveQuestions;
    QList<int> saveAnswers; // taken in order; then No
    QList<CQuestion> questions;
    QList<int> questionAnswers; // taken in order; then the question's escape button
};

// The application's surroundings; a test class derives from it and calls Reset() before each case.
struct World : Script {
    ~World() { Reset(); }

    void Reset() {
        if (app)
            app->ExitInstance();
        app.reset();
        static_cast<Script&>(*this) = Script();
        static int counter = 0;
        instance = QStringLiteral("corv-apptest-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(++counter);
        QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSettings().clear();
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        store.Renew();
        CDesktop::Get().Options() = {};
    }
    // The environment of an application whose every dialog is scripted.
    CApp::Environment Environment(const QString& dataFolder) {
        CApp::Environment env;
        env.instanceName = instance;
        env.dataFolder = dataFolder;
        env.messageSink = [log = sink] { return std::make_unique<CorvTest::ScriptedSink>(log); };
        env.progressSink = [] { return std::make_unique<Corv::CLumProgressBar>(); };
        env.chooser = &chooser;
        env.saveQuestion = [this](const QString& text) {
            saveQuestions << text;
            return saveAnswers.isEmpty() ? int(Corv::kAnswerNo) : saveAnswers.takeFirst();
        };
        env.question = [this](const CQuestion& question) {
            questions << question;
            return questionAnswers.isEmpty() ? question.escapeButton : questionAnswers.takeFirst();
        };
        return env;
    }
    // Starts the application; false when start-up ended.
    bool Start(const QStringList& arguments = {}) {
        app = std::make_unique<CApp>(Environment(data.path()));
        return app->InitInstance(arguments);
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    CDocManager& Docs() { return app->Documents(); }
    std::vector<CFileDoc*> Documents() { return app->Documents().Documents(); }
    // "documents, core documents, windows": what is open, counted three ways.
    QString Counts() {
        return QStringLiteral("%1 %2 %3")
            .arg(Documents().size())
            .arg(Corv::CProjectDocuments::Get().Documents().size())
            .arg(Frame().MdiArea()->subWindowList().size());
    }
    // A project folder in the data folder with one patch, tone and wave.
    QString Project(const QString& name) {
        const QString folder = data.filePath(name);
        CorvTest::ProjectBuilder(folder.toStdString())
            .Patch(1, "Lead", 1)
            .Tone(1, "Pad", {1})
            .Wave(1, "Sine", 64);
        return folder;
    }
    CFileDoc* Open(const QString& name) { return Docs().OpenDocumentFile(Project(name)); }
    // Brings the main window to the front so that keys reach it.
    bool Activate() {
        Frame().UpdateCommandUi();
        Frame().activateWindow();
        return QTest::qWaitForWindowActive(&Frame());
    }

    QTemporaryDir settings;
    QTemporaryDir data;
    CorvTest::ScopedDataHome dataHome{data.path().toStdString()};
    QString instance;
    CorvTest::FreshStore store;
    std::unique_ptr<CApp> app;
};

} // namespace AppTest
