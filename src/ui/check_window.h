#pragma once

#include "edit/project_check.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

namespace Corv {
class CProjectDocument;
} // namespace Corv

class QMdiArea;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace CorvDesktop {

class CFileView;

// Project > Check: a non-modal window that lists the problems the integrity check finds in
// the active project ("No problems found." when there are none). Activating a line (double
// click or Enter) selects the entry concerned in its list, scrolls it into view and activates
// its project window; a line about a file or the whole project has no entry to select.
class CCheckWindow : public QDialog {
    Q_OBJECT
public:
    // A window over `parent`, which follows the project windows of `area`; `activeView` tells
    // which project window is the active one (null: none).
    CCheckWindow(QWidget& parent, QMdiArea* area, std::function<CFileView*()> activeView);

    // Checks the active project again and lists what it finds; an empty list and a note when
    // no project window is active.
    void Refresh();
    // Selects the entry of line `row` in its project window; false when the line names no
    // entry or the project is no longer open.
    bool ActivateLine(int row);

    QListWidget* Lines() const { return m_lines; }
    QString Summary() const;

    // The status bar text for a project that was just opened: "NAME: N problems found —
    // Project > Check lists them"; empty when the check finds nothing.
    static QString OpeningNotice(const Corv::CProjectDocument& document, const QString& name);

private:
    void ActiveProjectChanged();

    std::function<CFileView*()> m_activeView;
    QLabel* m_summary = nullptr;
    QListWidget* m_lines = nullptr;
    const Corv::CProjectDocument* m_checked = nullptr;
    std::vector<Corv::ProjectProblem> m_problems;
};

} // namespace CorvDesktop
