#pragma once

#include "storage/project_document.h"

#include <QObject>
#include <QString>

namespace CorvDesktop {

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

    // "Untitled1", or the project folder's name.
    QString Title() const;
    // The project folder of the project data, or the title while the project has no folder.
    QString DisplayName() const;
    // The window title: "%s %s" of the title and "*" when modified, else an empty text (so an
    // unchanged project shows its title followed by one blank).
    QString FrameTitle() const;
    bool IsModified() const { return m_document.IsModified(); }
    // Sets the flag; every window of the document updates its title.
    void SetModifiedFlag(bool modified = true);
    // Tells every view to refill from the project data.
    void UpdateAllViews();
    // The core changed the flag on its own (after a save or an undo): titles follow.
    void NotifyModifiedChanged() { emit ModifiedChanged(); }

signals:
    void ModifiedChanged();
    void ViewsUpdateRequested();

private:
    Corv::CProjectDocument& m_document;
};

} // namespace CorvDesktop
