#pragma once

#include "storage/progress_bar.h"

#include <QPointer>

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace CorvDesktop {

// The progress sink while the program runs: a small window with the operation's text, a bar
// and Cancel. Begin and End nest: only the outermost Begin shows the window (and disables the
// main window until the matching End); nested operations cannot move the outer bar.
class CProgressBar : public Corv::CLumProgressBar {
public:
    explicit CProgressBar(QWidget* mainWindow = nullptr);
    ~CProgressBar() override;

    void Begin(int maximum, const std::string& title, bool cancellable) override;
    void SetPosition(int position) override;
    void SetText(const std::string& text) override;
    // Processes pending input, then tells whether the user cancelled.
    bool IsCancelled() override;
    void End() override;

    // The window while it shows (null otherwise).
    QDialog* Window() const { return m_window; }
    QProgressBar* Bar() const { return m_bar; }
    QLabel* Label() const { return m_label; }
    QPushButton* CancelButton() const { return m_cancel; }

private:
    void CreateWindow(int maximum, const std::string& title, bool cancellable);

    QPointer<QWidget> m_mainWindow;
    QPointer<QDialog> m_window;
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancellable = false;
};

} // namespace CorvDesktop
