#pragma once

#include "storage/progress_bar.h"

#include <QElapsedTimer>
#include <QPointer>

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace CorvDesktop {

// The progress sink while the program runs: a small window with the operation's text, the count
// done ("12 of 240"), a bar and Cancel. Begin and End nest: only the outermost Begin counts (it
// disables the main window until the matching End); nested operations cannot move the outer
// bar. The window shows only once an operation has run for `ShowDelay` (short work does not
// flash a window), and while it runs the program keeps painting its windows: each step lets
// the events other than input be handled, a few times a second.
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

    // How long an operation runs before its window shows (0: at once).
    void SetShowDelay(int milliseconds) { m_showDelay = milliseconds; }
    static constexpr int kShowDelayMs = 500;

    // The window while it shows (null otherwise).
    QDialog* Window() const { return m_window; }
    QProgressBar* Bar() const { return m_bar; }
    QLabel* Label() const { return m_label; }
    QLabel* CountLabel() const { return m_count; }
    QPushButton* CancelButton() const { return m_cancel; }

private:
    void CreateWindow();
    // Shows the window once the operation has run long enough, and lets the windows paint.
    void KeepAlive();
    void ShowCount();

    QPointer<QWidget> m_mainWindow;
    QPointer<QDialog> m_window;
    QLabel* m_label = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancellable = false;
    int m_maximum = 0;
    int m_showDelay = kShowDelayMs;
    QElapsedTimer m_started;
    QElapsedTimer m_lastEvents;
};

} // namespace CorvDesktop
