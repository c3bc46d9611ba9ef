#pragma once

#include <QDialog>

class QLabel;

namespace CorvDesktop {

// The About box: the program's description, version (with the product version's four numbers
// when Ctrl is held as it opens) and legal notice, all from the version information.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, bool withProductVersion = false);

    // The version line: "Version <file version>", with " (abcd)" of the product version's four
    // numbers when asked for.
    static QString VersionLine(bool withProductVersion);

    QLabel* Description() const { return m_description; }
    QLabel* Version() const { return m_version; }

private:
    QLabel* m_description;
    QLabel* m_version;
    QLabel* m_legal;
};

// Shows the About box (the Ctrl key held at that moment adds the product version).
void ShowAboutBox(QWidget* parent);

} // namespace CorvDesktop
