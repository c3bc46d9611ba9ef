#pragma once

#include <QDialog>

class QRadioButton;

namespace CorvDesktop {

// Set Up Grid: grid lines off (0) or on (1) in every list.
class CSetGridDlg : public QDialog {
    Q_OBJECT
public:
    CSetGridDlg(int gridSw, QWidget* parent = nullptr);
    int Value() const;

private:
    QRadioButton* m_off = nullptr;
    QRadioButton* m_on = nullptr;
};

} // namespace CorvDesktop
