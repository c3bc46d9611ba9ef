#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Edit Name / Edit Memo: one line of text for a name (field 1) or a memo (fields 2 to 5).
class CReplaceStringDlg : public QDialog {
    Q_OBJECT
public:
    CReplaceStringDlg(int field, const QString& text, QWidget* parent = nullptr);

    QString Text() const;
    QString Label() const;

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
};
