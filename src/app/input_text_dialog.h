#pragma once

#include <QDialog>
#include <QLineEdit>

class QPushButton;

namespace CorvDesktop {

// An edit field for folder names: the characters " * / : < > ? \ | and control characters are
// silently dropped as they are typed or pasted.
class CFolderNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CFolderNameEdit(QWidget* parent = nullptr);

    // True for the characters a folder name may not contain.
    static bool IsForbidden(QChar c);
    // The text without them.
    static QString Filtered(const QString& text);

private:
    void DropForbidden(const QString& text);
};

// A one-line text input ("New Project"): the field gets the focus with its whole initial text
// selected; a caption may replace the OK button's text.
class CInputTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit CInputTextDialog(const QString& title, QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;
    CFolderNameEdit* Edit() const { return m_edit; }

private:
    CFolderNameEdit* m_edit;
    QPushButton* m_ok;
};

} // namespace CorvDesktop
