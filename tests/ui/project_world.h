// The ground of the project window's tests: own settings, a fresh store, a recording sink,
// real dialogs replaced, and the song project every case starts from.
#pragma once

#include "storage/project_document.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"
#include "ui/choosers.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"
#include "ui/project_options.h"

#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

namespace CorvUiTest {

using namespace CorvDesktop;

using Rows = std::vector<int>;

// One case's ground: own settings, a fresh store, a recording sink and real dialogs replaced.
class World {
public:
    World() {
        static QTemporaryDir settings;
        QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("UiTests"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        m_sink = m_store.InstallSink();
        m_store.SetWorkFolder(m_work.Path() + "/");
        CDesktop::Get().Options() = {};
        CDesktop::Get().Choosers() = CUiChoosers();
        // The missing-files notice is recorded instead of shown.
        CDesktop::Get().Choosers().notice = [this](QWidget*, const QString& text) {
            m_notices << text;
        };
        QSettings().clear();
    }
    ~World() { CDesktop::Get().Choosers() = CUiChoosers(); }

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
    CorvTest::FreshStore m_store; // closes the documents before the folders go
};

// The centre of a cell in the list's viewport.
inline QPoint CellCentre(const CParameterListCtrl& list, int row, int column) {
    return list.visualRect(list.model()->index(row, column)).center();
}

// Drags as the platform's drag loop sends them: events to the lists' viewports.
class DragDriver {
public:
    std::unique_ptr<QMimeData> m_data;

    // Starts a drag of these rows of a list, pressed on `pressed`.
    bool Begin(CParameterListCtrl& list, const Rows& rows, int pressed) {
        list.SelectRows(rows);
        m_data = list.BeginDrag(pressed);
        return m_data != nullptr;
    }
    // Enters and moves over a point of a list with keys held; the effect the list answers.
    Qt::DropAction Over(CParameterListCtrl& list, QPoint at, Qt::KeyboardModifiers keys = {}) {
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        QDragMoveEvent move(at, actions, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    Qt::DropAction Over(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        return Over(list, CellCentre(list, row, 1), keys);
    }
    // Drops on a row and ends the drag as the drag loop does; true when the drop was done.
    bool DropOn(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        Over(list, row, keys);
        QDropEvent drop(CellCentre(list, row, 1), Qt::CopyAction | Qt::MoveAction, m_data.get(),
                        Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &drop);
        const bool done = drop.isAccepted();
        CDesktop::Get().Drag().End();
        return done;
    }
};

} // namespace CorvUiTest
