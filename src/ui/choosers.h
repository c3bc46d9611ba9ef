#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

class QFileDialog;
class QWidget;
namespace Corv {
class CLumData;
}

namespace CorvDesktop {

class CCodePage;

// The answers the project window and its lists get from their modal dialogs. Each entry is
// empty by default, which shows the real dialog; tests put scripted answers in its place so
// that no modal dialog ever opens.
struct CUiChoosers {
    // Edit Name / Edit Memo: field 1 = name, 2-5 = memo 1-4; true with the text on OK.
    std::function<bool(QWidget* parent, int field, QString& text)> editText;
    // Set Up Grid: true with the chosen switch (0 off, 1 on) on OK.
    std::function<bool(QWidget* parent, int& gridSw)> setUpGrid;
    // Clean Project: the options in the order wave, tone, tone numbering, patch numbering;
    // true with the chosen values on OK.
    std::function<bool(QWidget* parent, std::array<std::uint32_t, 4>& options)> cleanProject;
    // Import Wave: the chosen files, empty when cancelled.
    std::function<QStringList(QWidget* parent)> importWave;
    // Edit Memos: the four memos of an entry; true with the texts on OK.
    std::function<bool(QWidget* parent, std::array<QString, 4>& memos)> editMemos;
    // A notice with an OK button (the missing-files warning).
    std::function<void(QWidget* parent, const QString& text)> notice;
    // Library > Add Folder…: the chosen folder, empty when cancelled.
    std::function<QString(QWidget* parent)> libraryFolder;
    // Library > Add Tag…: true with the tag on OK.
    std::function<bool(QWidget* parent, QString& tag)> tagName;

    // The real dialogs show texts in `page`.
    bool EditText(QWidget* parent, int field, QString& text, const CCodePage& page) const;
    bool SetUpGrid(QWidget* parent, int& gridSw) const;
    // The real dialog previews the clean of `data` when given.
    bool CleanProject(QWidget* parent, std::array<std::uint32_t, 4>& options, const CCodePage& page,
                      const Corv::CLumData* data = nullptr) const;
    // `prepare` adds to the real dialog before it shows (the preview of the files).
    QStringList ImportWave(QWidget* parent,
                           const std::function<void(QFileDialog&)>& prepare = {}) const;
    void Notice(QWidget* parent, const QString& text) const;
    QString LibraryFolder(QWidget* parent) const;
    bool TagName(QWidget* parent, QString& tag) const;
    // `title` names the entry ("Patch 5 Brass Stab"); `length` is the longest memo in bytes.
    bool EditMemos(QWidget* parent, const QString& title, std::array<QString, 4>& memos,
                   int length) const;
};

} // namespace CorvDesktop
