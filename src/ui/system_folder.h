#pragma once

#include <QString>

namespace CorvDesktop {

// A folder as the operating system resolves it: links and "." and ".." parts are followed as
// the system follows them, never folded on the text (through a link, "a/link/.." is the folder
// beside the link's target, not "a"). A folder that does not exist is returned as given.
QString SystemFolder(const QString& folder);

} // namespace CorvDesktop
