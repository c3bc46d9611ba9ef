#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QFileDialog;
class QWidget;

namespace CorvDesktop {

// A file dialog that remembers in the settings the folder it showed last, the file chosen last
// and the filter chosen last, each under its own (section, entry) pair.
class CProfiledFileDialog {
public:
    struct Entry {
        QString section;
        QString entry;
        QString defaultValue;
        bool IsSet() const { return !section.isEmpty() && !entry.isEmpty(); }
    };

    Entry m_folder;
    Entry m_fileName;
    Entry m_filterIndex; // 1 = the first filter; 0 or missing also means the first

    // Puts the remembered folder, file name and filter into a dialog before it is shown.
    void Prepare(QFileDialog& dialog) const;
    // Writes back what the dialog showed: the folder always, the chosen file on OK only, the
    // filter in every case.
    void Remember(const QFileDialog& dialog, bool accepted) const;

    // The Import Wave dialog (section "WAV"): several existing files at once; `prepare` adds to
    // the dialog before it shows. The chosen paths in dialog order, empty when cancelled.
    static QStringList ChooseImportFiles(QWidget* parent,
                                         const std::function<void(QFileDialog&)>& prepare = {});
    // The Import Wave dialog's filters and remembered entries, ready to be shown.
    static CProfiledFileDialog ImportProfile();
    static QStringList ImportFilters();
};

} // namespace CorvDesktop
