#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;

// Clean Project: the four clean options as check boxes.
class CCleanProjectDlg : public QDialog {
    Q_OBJECT
public:
    // Options in the order wave, tone, tone numbering, patch numbering (0 or 1 each).
    CCleanProjectDlg(const std::array<std::uint32_t, 4>& options, QWidget* parent = nullptr);
    std::array<std::uint32_t, 4> Options() const;

    // The store's options in the dialog's order, and storing them back.
    static std::array<std::uint32_t, 4> StoreOptions();
    static void SetStoreOptions(const std::array<std::uint32_t, 4>& options);

private:
    std::array<QCheckBox*, 4> m_boxes{};
};
