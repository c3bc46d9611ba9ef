#pragma once

#include "edit/clean.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace CorvDesktop {

class CCodePage;

// Clean Project: the four clean options as check boxes and, given the project, a summary of what
// the clean with the chosen options would do, with the full list a button away.
class CCleanProjectDlg : public QDialog {
    Q_OBJECT
public:
    // Options in the order wave, tone, tone numbering, patch numbering (0 or 1 each).
    // Names in the preview are shown in `page`.
    CCleanProjectDlg(const std::array<std::uint32_t, 4>& options, const CCodePage& page,
                     QWidget* parent = nullptr);
    std::array<std::uint32_t, 4> Options() const;

    // Shows the preview of a clean of `project`, which must outlive the dialog; it follows the
    // check boxes.
    void ShowPreviewOf(const Corv::CLumData& project);
    // The summary line shown, empty without a preview.
    QString Summary() const;
    // The plan for the options now chosen; null without a preview.
    const Corv::CleanPlan* Plan() const;

private:
    void UpdatePreview();
    void ShowDetails();

    std::array<QCheckBox*, 4> m_boxes{};
    QLabel* m_summary = nullptr;
    QPushButton* m_details = nullptr;
    const CCodePage& m_page;
    const Corv::CLumData* m_data = nullptr;
    // The plans worked out so far, by option bits: each is computed once per dialog.
    std::array<std::optional<Corv::CleanPlan>, 16> m_plans;
};

// The full list of a clean preview: kind, number, what it becomes (a new number or "removed")
// and name, one row per entry that moves or goes.
class CCleanDetailsDlg : public QDialog {
    Q_OBJECT
public:
    CCleanDetailsDlg(const Corv::CleanPlan& plan, const QString& summary, const CCodePage& page,
                     QWidget* parent = nullptr);
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list = nullptr;
};

} // namespace CorvDesktop
