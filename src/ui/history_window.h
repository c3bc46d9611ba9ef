#pragma once

#include "history/history_store.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace Corv::History {
class CHistoryRecorder;
}

namespace CorvDesktop {

// Project > History…: the versions of one project that its saves kept, newest first (number,
// when it was saved, the bytes it stores, what the next save changed), and the differences of a
// version against the project now or against the version after it. Restore This Version makes
// the project folder equal to the chosen version through a save (so it can be taken back
// itself) after saying what it will change; Export… writes a version as a project folder; Open
// Read-Only shows a version in a read-only project window to take entries back from.
class CHistoryWindow : public QDialog {
    Q_OBJECT
public:
    // `project` is the project folder (the core's path form); `scratch` a folder for versions
    // written out for a comparison (the work folder).
    CHistoryWindow(Corv::History::CHistoryRecorder& recorder, std::string project,
                   std::string scratch, QWidget* parent = nullptr);

    // Reads the versions again.
    void Refresh();
    // The version shown on a row (0 when none).
    int VersionAt(int row) const;
    // The difference lines of the version on `row` against the project now, or against the
    // next newer version; shown below the list and returned.
    QStringList CompareWithNow(int row);
    QStringList CompareWithNext(int row);
    // Restores the version on `row` after `confirm` agrees to what it will change (the window
    // asks with a question box unless tests put their own); the application closes the project
    // first and opens it again after (`restore` does the whole of it and returns why not, or
    // empty). True when the folder holds the version.
    bool RestoreRow(int row);
    std::function<bool(const QString& what, const QStringList& changes)> confirm;
    std::function<QString(int version)> restore;
    // A project without versions whose content matches the history of another folder (it was
    // moved): asks `attach` (a question box unless tests put their own) and takes that history
    // along. True when the project has a history now.
    bool OfferMovedHistory();
    std::function<bool(const QString& question)> attach;
    // Opens the version on `row` read-only through `openReadOnly` (the application's; it returns
    // why not, or empty). True when it opened.
    bool OpenReadOnlyRow(int row);
    std::function<QString(int version)> openReadOnly;

    QTreeWidget* Versions() const { return m_versions; }
    QPlainTextEdit* Differences() const { return m_differences; }

private:
    QStringList ShowDifferences(int id, int against, const QString& title);
    void Export(int row);

    Corv::History::CHistoryRecorder& m_recorder;
    std::string m_project;
    std::string m_scratch;
    QLabel* m_summary = nullptr;
    QTreeWidget* m_versions = nullptr;
    QPlainTextEdit* m_differences = nullptr;
    std::vector<Corv::History::VersionInfo> m_list;
};

// The size of the history in words ("12.3 MB").
QString HistorySizeText(std::uint64_t bytes);

} // namespace CorvDesktop
