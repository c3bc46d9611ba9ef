#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace CorvDesktop {

// A question of the desktop program's own whose buttons say what they do ("Reload", "Save
// Both"), unlike the core's questions, which come with standard button sets.
struct CQuestion {
    struct Button {
        QString text;
        // Where the platform's button order puts it, and what kind of answer it is.
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
    };

    QString text;
    // A second paragraph under the text; may be empty.
    QString informative;
    QList<Button> buttons;
    // Indexes into `buttons`: what Enter answers, and what Escape or the close box answers.
    int defaultButton = 0;
    int escapeButton = 0;

    QStringList ButtonTexts() const;
};

// Shows questions as message boxes captioned with the application name.
class CQuestionBox {
public:
    // The box of a question, not yet shown; its buttons are added in the question's order.
    static QMessageBox* Create(QWidget* parent, const CQuestion& question);
    // Asks modally; the index of the button clicked, the escape button for any other way of
    // closing the box.
    static int Ask(QWidget* parent, const CQuestion& question);
};

} // namespace CorvDesktop
