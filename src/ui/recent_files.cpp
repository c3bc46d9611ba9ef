#include "ui/recent_files.h"

#include "storage/lum_file_document.h"
#include "ui/system_folder.h"
#include "ui/text_codec.h"

#include <QSettings>

namespace CorvDesktop {

namespace {

const QString kSection = QStringLiteral("Recent File List");

QString Entry(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

// Two spellings of one folder are one entry: "\" or "/", a trailing separator, and, while the
// folder is there, links and "." and ".." parts as the system resolves them.
QString Identity(const QString& path) {
    return SystemFolder(
        CTextCodec::DecodePath(Corv::NormaliseFolderPath(CTextCodec::EncodePath(path))));
}

} // namespace

void CRecentFileList::Load() {
    QSettings settings;
    m_entries.clear();
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings.value(kSection + u'/' + Entry(i)).toString();
        if (!path.isEmpty())
            m_entries << path;
    }
}

void CRecentFileList::Save() const {
    QSettings settings;
    for (int i = 0; i < kSize; ++i) {
        const QString key = kSection + u'/' + Entry(i);
        if (i < m_entries.size())
            settings.setValue(key, m_entries[i]);
        else
            settings.remove(key);
    }
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString key = Identity(path);
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i)
        if (Identity(m_entries[i]) == key)
            m_entries.removeAt(i);
    m_entries.prepend(path);
    while (m_entries.size() > kSize)
        m_entries.removeLast();
    Save();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_entries.size())
        return;
    m_entries.removeAt(index);
    Save();
}

} // namespace CorvDesktop
