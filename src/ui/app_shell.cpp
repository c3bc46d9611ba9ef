#include "ui/app_shell.h"

namespace CorvDesktop {

namespace {

IAppShell*& Installed() {
    static IAppShell* shell = nullptr;
    return shell;
}

} // namespace

IAppShell* IAppShell::Instance() {
    return Installed();
}

void IAppShell::Install(IAppShell* shell) {
    Installed() = shell;
}

} // namespace CorvDesktop
