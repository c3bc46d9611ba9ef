#include "ui/progress_dialog.h"

#include "ui/code_page.h"
#include "ui/desktop.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace CorvDesktop {

CProgressBar::CProgressBar(QWidget* mainWindow) : m_mainWindow(mainWindow) {}

CProgressBar::~CProgressBar() {
    delete m_window;
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

void CProgressBar::Begin(int maximum, const std::string& title, bool cancellable) {
    Corv::CLumProgressBar::Begin(maximum, title, cancellable);
    if (Nesting() != 1)
        return;
    m_cancellable = cancellable;
    m_maximum = std::max(0, maximum);
    m_started.start();
    m_lastEvents.start();
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    if (m_showDelay <= 0)
        CreateWindow();
}

void CProgressBar::CreateWindow() {
    // A window of its own, not a child of the main window: disabling the main window would
    // disable it too.
    m_window = new QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    m_window->setWindowTitle(QStringLiteral("Corvane Librarian"));
    m_label = new QLabel(CDesktop::Get().CodePage().Decode(Title()), m_window);
    m_count = new QLabel(m_window);
    m_bar = new QProgressBar(m_window);
    m_bar->setRange(0, m_maximum);
    m_bar->setValue(Position());
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), m_window);
    m_cancel->setVisible(m_cancellable);
    QObject::connect(m_cancel, &QPushButton::clicked, m_window, [this] {
        if (m_cancellable)
            RequestCancel();
    });
    auto* layout = new QVBoxLayout(m_window);
    layout->addWidget(m_label);
    layout->addWidget(m_count);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    ShowCount();
    m_window->setMinimumWidth(360);
    m_window->adjustSize();
    if (m_mainWindow) {
        const QRect outer = m_mainWindow->frameGeometry();
        m_window->move(outer.center() - m_window->rect().center());
    }
    m_window->show();
    m_window->raise();
    m_window->repaint();
}

void CProgressBar::ShowCount() {
    if (m_count != nullptr)
        m_count->setText(m_maximum > 0 ? QStringLiteral("%1 of %2").arg(Position()).arg(m_maximum)
                                       : QString());
}

void CProgressBar::KeepAlive() {
    if (!m_window && m_started.isValid() && m_started.elapsed() >= m_showDelay)
        CreateWindow();
    // Painting, timers and the like go on; input waits (the main window is disabled anyway).
    if (m_lastEvents.elapsed() >= 50) {
        m_lastEvents.restart();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    }
}

void CProgressBar::SetPosition(int position) {
    if (Nesting() != 1)
        return;
    Corv::CLumProgressBar::SetPosition(position);
    KeepAlive();
    if (m_bar != nullptr && m_window) {
        m_bar->setValue(position);
        ShowCount();
        m_window->repaint();
    }
}

void CProgressBar::SetText(const std::string& text) {
    if (Nesting() != 1)
        return;
    Corv::CLumProgressBar::SetText(text);
    KeepAlive();
    if (m_label != nullptr && m_window) {
        m_label->setText(CDesktop::Get().CodePage().Decode(text));
        m_label->repaint();
    }
}

bool CProgressBar::IsCancelled() {
    KeepAlive();
    QCoreApplication::processEvents();
    return Corv::CLumProgressBar::IsCancelled();
}

void CProgressBar::End() {
    if (Nesting() == 0)
        return;
    Corv::CLumProgressBar::End();
    if (Nesting() != 0)
        return;
    delete m_window;
    m_label = nullptr;
    m_count = nullptr;
    m_bar = nullptr;
    m_cancel = nullptr;
    m_started.invalidate();
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

} // namespace CorvDesktop
