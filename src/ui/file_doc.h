#pragma once

#include "storage/project_document.h"

#include <QObject>
#include <QString>
#include <optional>
#include <string>

namespace CorvDesktop {

// Where a read-only window's project comes from: a version of a project in the history,
// written out into a scratch folder of the work folder that goes when the window closes.
struct VersionOrigin {
    std::string project; // the project folder the version belongs to (the core's path form)
    int version = 0;
    std::string scratch; // the folder that holds the written-out project folder
};

// The desktop program's view of one open project document of the core: its title, its
// modified flag and the signals the windows follow. The core document (and its project data)
// is owned by Corv::CProjectDocuments; this object lives exactly as long as the window that
// shows it.
class CFileDoc : public QObject {
    Q_OBJECT
public:
    explicit CFileDoc(Corv::CProjectDocument& document, QObject* parent = nullptr);

    Corv::CProjectDocument& Core() const { return m_document; }
    Corv::CLumData& Data() const { return m_document.Data(); }

    // "Untitled1", or the project folder's name; for a version "NAME.prj — version 12".
    QString Title() const;
    // The project folder of the project data, or the title while the project has no folder.
    QString DisplayName() const;
    // The window title: "%s %s" of the title and "*" when modified, else an empty text (so an
    // unchanged project shows its title followed by one blank).
    QString FrameTitle() const;
    bool IsModified() const { return m_document.IsModified(); }
    // Sets the flag; every window of the document updates its title. A read-only document is
    // never modified.
    void SetModifiedFlag(bool modified = true);
    // A version of a project shown to be read and taken from, never changed.
    bool IsReadOnly() const { return m_document.IsReadOnly(); }
    void SetOrigin(VersionOrigin origin) { m_origin = std::move(origin); }
    const std::optional<VersionOrigin>& Origin() const { return m_origin; }
    // "NAME.prj — version 12 is read-only: …", the status line's word for a refused change.
    QString ReadOnlyRefusal() const;
    // Tells every view to refill from the project data.
    void UpdateAllViews();
    // The core changed the flag on its own (after a save or an undo): titles follow.
    void NotifyModifiedChanged() { emit ModifiedChanged(); }

signals:
    void ModifiedChanged();
    void ViewsUpdateRequested();

private:
    Corv::CProjectDocument& m_document;
    std::optional<VersionOrigin> m_origin;
};

} // namespace CorvDesktop
