#pragma once

#include "storage/text_out.h"

#include <QMessageBox>
#include <QPointer>

namespace CorvDesktop {

// The message sink while the program runs: every error and question of the core becomes a
// message box captioned with the application name, with the code's text and button set.
class CMessageBoxSink : public Corv::CTextOutBox {
public:
    explicit CMessageBoxSink(QWidget* parent = nullptr) : m_parent(parent) {}

    void ShowError(int code) override;
    // One box: the error's text, then the detail under it.
    void ShowErrorDetail(int code, const std::string& detail) override;
    int Ask(int buttonSet, int code) override;
    // The question with the detail under it.
    int AskDetail(int buttonSet, int code, const std::string& detail) override;
    // An information box: the first line as its text, the rest behind "Show Details...".
    void ShowNotice(const std::string& text) override;

    // The buttons of a button set: 0 OK; 1 OK, Cancel; 2 Yes, No; 3 Yes, No, Cancel.
    static QMessageBox::StandardButtons Buttons(int buttonSet);
    // The answer a clicked button gives (Cancel for every other way of closing the box).
    static int AnswerFor(QMessageBox::StandardButton button);
    // The box of an error (asQuestion false) or a question, not yet shown.
    static QMessageBox* CreateBox(QWidget* parent, bool asQuestion, int buttonSet, int code);
    // The box of an error with the line that says why, not yet shown.
    static QMessageBox* CreateErrorBox(QWidget* parent, int code, const std::string& detail);

private:
    QPointer<QWidget> m_parent;
};

} // namespace CorvDesktop
