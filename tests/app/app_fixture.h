#pragma once

// Test support for the desktop program: a private settings store, a work folder under a
// temporary folder, and a scripted message sink, chooser and close question, so that no test
// ever shows a modal window.
#include "app/app.h"
#include "app/file_doc.h"
#include "edit/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace AppTest {

// Answers the project chooser from a queue; an empty queue cancels. Records each call's mode
// ("open" or "save") and starting folder.
class ScriptedChooser : public IProjectChooser {
public:
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        m_calls << (openMode ? QStringLiteral("open ") : QStringLiteral("save ")) + initialFolder;
        chosen = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        return !chosen.isEmpty();
    }
    QStringList m_answers;
    QStringList m_calls;
};

// One test case's surroundings: fresh settings and store, a data folder, every dialog scripted,
// and the application started in them, which exits when the world ends.
struct World {
    World() {
        static int counter = 0;
        instance = QStringLiteral("corv-apptest-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(++counter);
        QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }
    ~World() {
        if (app)
            app->ExitInstance();
    }

    // The environment of an application whose every dialog is scripted by this world.
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
        env.notify = [this](const QString& text) { notices << text; };
        env.openDocument = [this](const QString& path) {
            opened << path;
            return openSucceeds;
        };
        return env;
    }
    // Starts the application; false when start-up ended.
    bool Start(const QStringList& arguments = {}) {
        app = std::make_unique<CApp>(Environment(data.path()));
        return app->InitInstance(arguments);
    }
    CApp& Started() {
        if (!Start())
            qFatal("start-up failed");
        return *app;
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    std::vector<CFileDoc*> Documents() { return app->Documents().Documents(); }
    // A project folder in the data folder with one patch, tone and wave.
    QString Project(const QString& name) {
        const QString folder = data.filePath(name);
        CorvTest::ProjectBuilder(folder.toStdString())
            .Patch(1, "Lead", 1)
            .Tone(1, "Pad", {1})
            .Wave(1, "Sine", 64);
        return folder;
    }
    CFileDoc* Open(const QString& name) { return app->Documents().OpenDocumentFile(Project(name)); }

    QTemporaryDir settings;
    QTemporaryDir data;
    QString instance;
    std::shared_ptr<CorvTest::SinkLog> sink = std::make_shared<CorvTest::SinkLog>();
    ScriptedChooser chooser;
    QStringList saveQuestions;
    QList<int> saveAnswers; // taken in order; then No
    QStringList notices;
    QStringList opened;
    bool openSucceeds = true;
    std::unique_ptr<CApp> app;
};

} // namespace AppTest
