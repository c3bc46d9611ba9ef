#include "ui/about_dialog.h"

#include "gp/version_info.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

namespace CorvDesktop {

CAboutDlg::CAboutDlg(QWidget* parent, bool withProductVersion)
    : QDialog(parent), m_description(new QLabel(this)), m_version(new QLabel(this)),
      m_legal(new QLabel(this)) {
    const QString description = GP::VersionString(QStringLiteral("FileDescription"));
    setWindowTitle(QStringLiteral("About ") + description);
    m_description->setText(description);
    m_version->setText(VersionLine(withProductVersion));
    m_legal->setText(GP::VersionString(QStringLiteral("LegalCopyright")));

    auto* icon = new QLabel(this);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(appIcon.pixmap(48, 48));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(m_description, 0, 1);
    layout->addWidget(m_version, 1, 1);
    layout->addWidget(m_legal, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
}

QString CAboutDlg::VersionLine(bool withProductVersion) {
    QString line = QStringLiteral("Version ") + GP::VersionString(QStringLiteral("FileVersion"));
    if (withProductVersion) {
        int numbers[4];
        GP::VersionNumbers(GP::VersionString(QStringLiteral("ProductVersion")), numbers);
        line += QStringLiteral(" (%1%2%3%4)")
                    .arg(numbers[0])
                    .arg(numbers[1])
                    .arg(numbers[2])
                    .arg(numbers[3]);
    }
    return line;
}

void ShowAboutBox(QWidget* parent) {
    const bool ctrl = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    CAboutDlg dialog(parent, ctrl);
    dialog.exec();
}

} // namespace CorvDesktop
