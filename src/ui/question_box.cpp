#include "ui/question_box.h"

#include <QAbstractButton>
#include <QPushButton>
#include <memory>

namespace CorvDesktop {

namespace {

// Each button knows its place in the question: the box keeps its buttons in the platform's
// order, not in the question's.
const char* const kIndex = "questionIndex";

} // namespace

QStringList CQuestion::ButtonTexts() const {
    QStringList texts;
    for (const Button& button : buttons)
        texts << button.text;
    return texts;
}

QMessageBox* CQuestionBox::Create(QWidget* parent, const CQuestion& question) {
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(QStringLiteral("Corvane Librarian"));
    box->setIcon(QMessageBox::Question);
    box->setText(question.text);
    box->setInformativeText(question.informative);
    const QList<CQuestion::Button>& buttons = question.buttons;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        QPushButton* button = box->addButton(buttons[i].text, buttons[i].role);
        button->setProperty(kIndex, static_cast<int>(i));
        if (i == question.defaultButton)
            box->setDefaultButton(button);
        if (i == question.escapeButton)
            box->setEscapeButton(button);
    }
    return box;
}

int CQuestionBox::Ask(QWidget* parent, const CQuestion& question) {
    const std::unique_ptr<QMessageBox> box(Create(parent, question));
    box->exec();
    const QAbstractButton* clicked = box->clickedButton();
    return clicked != nullptr ? clicked->property(kIndex).toInt() : question.escapeButton;
}

} // namespace CorvDesktop
