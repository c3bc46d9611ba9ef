#pragma once

#include <QStringList>
#include <QWidget>
#include <array>

class CFileDoc;

// The project window's content: the three lists of one project side by side, with the status
// text, and the commands that act on the project.
class CFileView : public QWidget {
    Q_OBJECT
public:
    explicit CFileView(CFileDoc& document, QWidget* parent = nullptr);
    ~CFileView() override;

    CFileDoc& Document() const { return m_document; }

    // Refills the three lists from the project data (after every change of the project).
    void OnUpdate();
    // The window became the active project window: warns once about missing files.
    void OnActivateView();
    // The first visible row of the patch, tone and wave lists, and scrolling back to them.
    std::array<int, 3> TopRows() const;
    void SetTopRows(const std::array<int, 3>& rows);

public slots:
    void Delete();
    void SelectAll();
    void SetUpGrid();
    void CleanProject();
    void ImportWave();
    // Imports files dropped on the main window into this project.
    void ImportFiles(const QStringList& paths);

private:
    CFileDoc& m_document;
    struct Private;
    Private* m_private = nullptr;
};
