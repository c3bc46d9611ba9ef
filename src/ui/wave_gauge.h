#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

namespace CorvDesktop {

// The project's wave bytes as a bar against the instrument's wave limit: the usual highlight
// colour up to 90 %, amber above it, red when the limit is reached.
class CWaveGauge : public QWidget {
    Q_OBJECT
public:
    enum Level { kNormal, kAmber, kFull };

    explicit CWaveGauge(QWidget* parent = nullptr);

    // The level a wave total shows as.
    static Level LevelOf(std::uint64_t bytes);
    // The bar's colour at a level (the normal one follows the palette).
    QColor BarColor(Level level) const;

    void SetBytes(std::uint64_t bytes);
    std::uint64_t Bytes() const { return m_bytes; }
    Level CurrentLevel() const { return LevelOf(m_bytes); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint64_t m_bytes = 0;
};

} // namespace CorvDesktop
