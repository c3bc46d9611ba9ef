#pragma once

#include <QString>
#include <QStringList>

namespace CorvDesktop {

// The recent-file list: the most recently opened or saved project folders, newest first, at
// most eight, kept in section "Recent File List" as "File1" to "File8".
class CRecentFileList {
public:
    static constexpr int kSize = 8;

    // Reads the list from the settings.
    void Load();
    // Writes the list to the settings (entries past its end removed).
    void Save() const;
    // Puts a folder at the top (an entry of the same folder moves up); writes the list.
    void Add(const QString& path);
    // Drops an entry (a folder that could not be opened); writes the list.
    void Remove(int index);

    const QStringList& Entries() const { return m_entries; }

private:
    QStringList m_entries;
};

} // namespace CorvDesktop
