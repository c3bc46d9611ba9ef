#include "ui/message_box_sink.h"

#include "ui/code_page.h"
#include "ui/desktop.h"

#include <QPushButton>

namespace CorvDesktop {

QMessageBox::StandardButtons CMessageBoxSink::Buttons(int buttonSet) {
    switch (buttonSet) {
    case Corv::kButtonsOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Corv::kButtonsYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Corv::kButtonsYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int CMessageBoxSink::AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return Corv::kAnswerOk;
    case QMessageBox::Yes:
        return Corv::kAnswerYes;
    case QMessageBox::No:
        return Corv::kAnswerNo;
    default:
        return Corv::kAnswerCancel;
    }
}

QMessageBox* CMessageBoxSink::CreateBox(QWidget* parent, bool asQuestion, int buttonSet, int code) {
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(QStringLiteral("Corvane Librarian"));
    box->setText(CDesktop::Get().CodePage().Decode(Corv::MessageText(code, asQuestion)));
    box->setIcon(asQuestion ? QMessageBox::Question : QMessageBox::Warning);
    box->setStandardButtons(asQuestion ? Buttons(buttonSet) : QMessageBox::Ok);
    // Closing the box with Escape or its close button counts as Cancel where there is one.
    if (asQuestion && (Buttons(buttonSet) & QMessageBox::Cancel))
        box->setEscapeButton(QMessageBox::Cancel);
    // Replacing a project folder cannot be undone: a hasty Enter keeps the folder.
    if (asQuestion && code == Corv::kMsgReplaceProject && (Buttons(buttonSet) & QMessageBox::No))
        box->setDefaultButton(QMessageBox::No);
    // Saving over another program's changes loses them: only a deliberate click does it.
    if (asQuestion && code == Corv::kMsgChangedOnDisk && buttonSet == Corv::kButtonsYesNo) {
        box->button(QMessageBox::Yes)->setText(QStringLiteral("Save Over Them"));
        box->button(QMessageBox::No)->setText(QStringLiteral("Don't Save"));
        box->setDefaultButton(QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
    }
    return box;
}

void CMessageBoxSink::ShowError(int code) {
    QMessageBox* box = CreateBox(m_parent, false, Corv::kButtonsOk, code);
    box->exec();
    delete box;
}

QMessageBox* CMessageBoxSink::CreateErrorBox(QWidget* parent, int code, const std::string& detail) {
    QMessageBox* box = CreateBox(parent, false, Corv::kButtonsOk, code);
    // The detail names files, and file names on this platform are UTF-8.
    box->setInformativeText(QString::fromStdString(detail));
    return box;
}

void CMessageBoxSink::ShowErrorDetail(int code, const std::string& detail) {
    QMessageBox* box = CreateErrorBox(m_parent, code, detail);
    box->exec();
    delete box;
}

void CMessageBoxSink::ShowNotice(const std::string& text) {
    // Notices name files, and file names on this platform are UTF-8.
    const QString decoded = QString::fromStdString(text);
    const qsizetype lineEnd = decoded.indexOf(QLatin1Char('\n'));
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("Corvane Librarian"));
    box.setIcon(QMessageBox::Information);
    box.setText(lineEnd < 0 ? decoded : decoded.left(lineEnd));
    if (lineEnd >= 0)
        box.setDetailedText(decoded.mid(lineEnd + 1));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

int CMessageBoxSink::Ask(int buttonSet, int code) {
    return AskDetail(buttonSet, code, {});
}

int CMessageBoxSink::AskDetail(int buttonSet, int code, const std::string& detail) {
    QMessageBox* box = CreateBox(m_parent, true, buttonSet, code);
    // The detail is made by this program's windows, in UTF-8.
    if (!detail.empty())
        box->setInformativeText(QString::fromStdString(detail));
    const int result = box->exec();
    const auto clicked = box->clickedButton() != nullptr ? box->standardButton(box->clickedButton())
                                                         : QMessageBox::NoButton;
    delete box;
    return AnswerFor(clicked != QMessageBox::NoButton
                         ? clicked
                         : static_cast<QMessageBox::StandardButton>(result));
}

} // namespace CorvDesktop
