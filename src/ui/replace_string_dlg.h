#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;

namespace CorvDesktop {

class CCodePage;

// Edit Name / Edit Memo: one line of text for a name (field 1) or a memo (fields 2 to 5).
// Below the field it says, while the user types, what will be stored when that differs from
// the text typed, and why.
class CReplaceStringDlg : public QDialog {
    Q_OBJECT
public:
    // What a typed text becomes when it is stored in a field, in the code page in use.
    struct Stored {
        QString text;
        // One sentence for each way it differs from the typed text; empty when it does not.
        QStringList reasons;
    };
    static Stored StoredText(int field, const QString& typed, const CCodePage& page);

    CReplaceStringDlg(int field, const QString& text, const CCodePage& page,
                      QWidget* parent = nullptr);

    QString Text() const;
    QString Label() const;
    // The note under the field; empty when the text is stored as typed.
    QString Note() const;

private:
    void UpdateNote();

    int m_field;
    const CCodePage& m_page;
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace CorvDesktop
