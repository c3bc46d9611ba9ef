#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

// Gives the test program a settings store of its own in a temporary folder.
inline void UseTemporarySettings(QTemporaryDir& dir) {
    QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    QSettings().clear();
}
