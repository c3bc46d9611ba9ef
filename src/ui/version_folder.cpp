#include "ui/version_folder.h"

#include "ui/text_codec.h"

#include <QDir>
#include <QFileInfo>

namespace CorvDesktop {

namespace {

constexpr const char* kVersions = "Versions/";
constexpr int kAttempts = 10000;

// `<work>Versions/` as the file system names it; empty without a work folder.
QString VersionsFolder(const std::string& work) {
    if (work.empty())
        return {};
    QString folder = CTextCodec::DecodePath(work);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QLatin1String(kVersions);
}

} // namespace

std::string MakeVersionFolder(const std::string& work) {
    const QString versions = VersionsFolder(work);
    if (versions.isEmpty() || !QDir().mkpath(versions))
        return {};
    const QDir parent(versions);
    // mkdir fails on a folder that exists: the first name it makes is this one's alone.
    for (int n = 1; n <= kAttempts; ++n)
        if (const QString name = QString::number(n); !parent.exists(name) && parent.mkdir(name))
            return CTextCodec::EncodePath(parent.filePath(name)) + '/';
    return {};
}

bool RemoveVersionFolder(const std::string& work, const std::string& folder) {
    const QString versions = VersionsFolder(work);
    const QString path = QDir::cleanPath(CTextCodec::DecodePath(folder));
    const QString inside = QDir::cleanPath(versions);
    // One level below Versions/ and nothing else: no "..", no Versions/ itself.
    if (versions.isEmpty() || QFileInfo(path).path() != inside || QFileInfo(path).isSymLink())
        return false;
    return QDir(path).removeRecursively();
}

} // namespace CorvDesktop
