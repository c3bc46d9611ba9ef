#pragma once

// Test support for the desktop program: a private settings store, a work folder under a
// temporary folder, scripted message sink, chooser and close question, so that no test ever
// shows a modal window.
#include "app/app.h"
#include "edit/domain.h"
#include "storage/project_document.h"
#include "support/scripted_sink.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace AppTest {

// Answers the project chooser from a queue; an empty queue cancels.
class ScriptedChooser : public IProjectChooser {
public:
    struct Call {
        bool openMode;
        QString initialFolder;
    };
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        m_calls.push_back({openMode, initialFolder});
        if (m_answers.isEmpty())
            return false;
        chosen = m_answers.takeFirst();
        return !chosen.isEmpty();
    }
    QStringList m_answers;
    std::vector<Call> m_calls;
};

// Everything a test wants to see of what the program asked or showed.
struct Script {
    std::shared_ptr<CorvTest::SinkLog> sink = std::make_shared<CorvTest::SinkLog>();
    ScriptedChooser chooser;
    QStringList saveQuestions;
    std::vector<int> saveAnswers; // taken in order; then No
    QStringList notices;
    QStringList opened;
    bool openSucceeds = true;
};

// A fresh settings store and store for every case.
inline void ResetProcessState(const QTemporaryDir& settings) {
    QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QSettings().clear();
    Corv::CProjectDocuments::Get().CloseAll();
    Corv::CDomain::Reset();
}

// The environment of a CApp whose every dialog is scripted.
inline CApp::Environment ScriptedEnvironment(Script& script, const QString& dataFolder,
                                             const QString& instance) {
    CApp::Environment env;
    env.instanceName = instance;
    env.dataFolder = dataFolder;
    auto log = script.sink;
    env.messageSink = [log] { return std::make_unique<CorvTest::ScriptedSink>(log); };
    env.progressSink = [] { return std::make_unique<Corv::CLumProgressBar>(); };
    env.chooser = &script.chooser;
    env.saveQuestion = [&script](const QString& text) {
        script.saveQuestions << text;
        if (script.saveAnswers.empty())
            return static_cast<int>(Corv::kAnswerNo);
        const int answer = script.saveAnswers.front();
        script.saveAnswers.erase(script.saveAnswers.begin());
        return answer;
    };
    env.notify = [&script](const QString& text) { script.notices << text; };
    env.openDocument = [&script](const QString& path) {
        script.opened << path;
        return script.openSucceeds;
    };
    return env;
}

// A socket name of its own for each test program and case.
inline QString InstanceName(const char* tag) {
    static int counter = 0;
    return QStringLiteral("corv-apptest-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(tag))
        .arg(++counter);
}

} // namespace AppTest
