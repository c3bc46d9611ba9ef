#pragma once

#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"
#include "ui/choosers.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

// Ground shared by the window tests: settings in a folder of their own, and each case started
// from a fresh store, no open documents, a recording message sink and real dialogs replaced.
namespace CorvUiTest {

using Rows = std::vector<int>;

// A fresh world for one case.
class World {
public:
    World() {
        static QTemporaryDir settings;
        QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("UiTests"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        m_sink = CorvTest::InstallScriptedSink();
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
        CUiChoosers::Reset();
        // The missing-files notice is recorded instead of shown.
        CUiChoosers::Get().notice = [this](QWidget*, const QString& text) { m_notices << text; };
        QSettings().clear();
    }
    ~World() {
        CUiChoosers::Reset();
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }

    // Builds the song project under a name and opens it. Patches 1 Lead (tone 3; memo 4 "m4"),
    // 2 Pad (tones 3, 5), 5 Bass (second slot: tone 9); tones 3 Saw (waves 2, 4; memo 1 "m1"),
    // 5 Str (wave 4), 7 Sub (unused), 9 Lonely (wave 6); waves 2 Kick.w00 (100 bytes),
    // 4 Snare.wav (50), 6 Hat.W00 (2000).
    Corv::CProjectDocument& OpenSong(const std::string& name) {
        const std::string folder = m_dir / (name + ".prj/");
        CorvTest::ProjectBuilder song(folder);
        song.Patch(1, "Lead", 3).Patch(2, "Pad", 3, 5).Patch(5, "Bass", 0, 9);
        song.Tone(3, "Saw", {2, 4}).Tone(5, "Str", {4}).Tone(7, "Sub", {}).Tone(9, "Lonely", {6});
        song.Wave(2, "Kick", 100, ".w00").Wave(4, "Snare", 50, ".wav").Wave(6, "Hat", 2000, ".W00");
        song.Memos(Corv::kPatchKind, {"", "", "", "m4"});
        song.Memos(Corv::kToneKind, {"", "", "", "", "", "", "", "", "m1"});
        Corv::CProjectDocument* document = Corv::CProjectDocuments::Get().OpenProject(folder);
        if (document == nullptr)
            qFatal("the test project did not load");
        return *document;
    }
    // A project window over an open document, shown at a fixed size.
    std::unique_ptr<CFileView> Show(Corv::CProjectDocument& document) {
        m_docs.push_back(std::make_unique<CFileDoc>(document));
        auto view = std::make_unique<CFileView>(*m_docs.back());
        view->resize(1100, 420);
        view->show();
        return view;
    }
    std::string Scratch(const std::string& name) const { return m_dir / name; }

    std::shared_ptr<CorvTest::SinkLog> m_sink;
    QStringList m_notices;

private:
    CorvTest::TempDir m_dir;
    CorvTest::TempDir m_work;
    CorvTest::ScopedDataHome m_dataHome{m_dir.Path()};
    std::vector<std::unique_ptr<CFileDoc>> m_docs;
};

// The centre of a cell in the list's viewport.
inline QPoint CellCentre(const CParameterListCtrl& list, int row, int column) {
    return list.visualRect(list.model()->index(row, column)).center();
}

} // namespace CorvUiTest
