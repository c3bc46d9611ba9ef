#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace CorvDesktop {

// Chooses a folder from a folder tree: the folder the user enters, selects or types into the
// field is tested with IsAcceptableFolder and, when it passes, shown in the field and taken by
// the accept button. In save mode "N&ew Project" creates a folder and takes it at once.
//
// The tree starts at the home folder (or at the root for a folder outside it; "&Up" climbs to
// the root), shows no hidden folders, and selects and scrolls to the start folder. In open mode
// a double click on an acceptable folder takes it.
class CSelectFolderDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { kSaveMode = 0, kOpenMode = 1 };

    CSelectFolderDialog(Mode mode, const QString& initialFolder, const QString& acceptText,
                        const QString& title, QWidget* parent = nullptr);

    // The base test: the path is an existing folder.
    virtual bool IsAcceptableFolder(const QString& path) const;

    // The folder that Accept takes; empty when the current folder is not acceptable.
    QString ChosenFolder() const { return m_chosen; }
    // The folder being browsed (New Project creates its folder there).
    QString CurrentFolder() const { return m_current; }
    // The folder the tree shows at its top.
    QString TreeRoot() const;

    // The user entered or selected a folder.
    void EnterFolder(const QString& path);
    // The user typed or pasted a path into the field (a folder, "~/...", a file URL, or a path
    // relative to the current folder) and pressed Enter: the tree goes there. False when no
    // folder is there; the text then stays for the user to mend.
    bool GoToTyped(const QString& text);
    // The accept button: OK with an acceptable chosen folder; otherwise the dialog stays open
    // and says what is missing. A path typed into the field and not yet entered is entered
    // first.
    void OnAccept();
    // The Up button: the tree shows the folder above its top.
    void OnUp();
    // The New Project button: asks for a name (through the name input) and creates the folder.
    void OnNewProject();
    // Creates the project folder of a typed name in the current folder and ends the dialog with
    // it. A folder of that name that is there already is not taken silently: the user is told,
    // it becomes the chosen folder and the dialog stays open. When no folder can be made,
    // "This project could not be saved." is shown and the dialog stays open.
    bool CreateNewProject(const QString& name);
    // The folder name of a typed project name: ".prj" appended unless it ends so already.
    static QString ProjectFolderName(const QString& name);

    // Replaces the name dialog (tests script it); returns false for Cancel.
    void SetNameInput(std::function<bool(QString&)> input) { m_nameInput = std::move(input); }

    QLineEdit* ChosenField() const { return m_field; }
    QPushButton* UpButton() const { return m_up; }
    // The line that shows the folder being browsed, and the one that says why Accept did not
    // take it (hidden until then).
    QLabel* PathLine() const { return m_path; }
    QLabel* HintLine() const { return m_hint; }
    QTreeView* Tree() const { return m_tree; }

protected:
    void showEvent(QShowEvent* event) override;
    // Enter in the field goes to the typed folder; it never ends the dialog by itself.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CurrentChanged(const QModelIndex& index);
    void DoubleClicked(const QModelIndex& index);
    void ShowInTree(const QString& folder);
    void SetTreeRoot(const QString& folder);
    void ScrollToCurrent();
    bool AskName(QString& name);

    Mode m_mode;
    QString m_current;
    QString m_chosen;
    bool m_started = false;
    // Until the user moves, the tree keeps scrolling to the start folder as its folders load.
    bool m_userMoved = false;
    std::function<bool(QString&)> m_nameInput;
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLineEdit* m_field;
    QPushButton* m_up;
    QPushButton* m_accept;
    QPushButton* m_newProject;
    QLabel* m_path;
    QLabel* m_hint;
};

// The project chooser: only folders whose name ends in ".prj" (any letter case) are taken.
class CSelectProjectDialog : public CSelectFolderDialog {
    Q_OBJECT
public:
    using CSelectFolderDialog::CSelectFolderDialog;
    bool IsAcceptableFolder(const QString& path) const override;
};

// How the program asks the user for a project folder; tests install a scripted one.
class IProjectChooser {
public:
    virtual ~IProjectChooser() = default;
    // Open mode ("Open Project") or save mode ("Save Project"), starting in a folder; true with
    // the chosen folder, false when the user cancelled.
    virtual bool Choose(bool openMode, const QString& initialFolder, QString& chosen) = 0;
};

// The chooser of the running program: the project dialog, shown modally.
class CDialogProjectChooser : public IProjectChooser {
public:
    explicit CDialogProjectChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override;

    // The dialog Choose shows, with its title and accept text for the mode.
    static std::unique_ptr<CSelectProjectDialog>
    CreateDialog(bool openMode, const QString& initialFolder, QWidget* parent);
    // The folder a dialog that has ended took; false when it was cancelled.
    static bool Result(const CSelectFolderDialog& dialog, QString& chosen);

private:
    QWidget* m_parent;
};

} // namespace CorvDesktop
