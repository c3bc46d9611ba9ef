#pragma once

#include "ui/wave_pictures.h"

#include <QTimer>
#include <QWidget>
#include <utility>

class QLabel;

namespace CorvDesktop {

// The detail area below the wave list: the current wave's picture at the area's width, its loop
// start and end as vertical lines, the playhead while it plays, and its format line; for a wave
// without a picture the line says why.
class CWaveDetail : public QWidget {
    Q_OBJECT
public:
    explicit CWaveDetail(QWidget* parent = nullptr);

    // Shows a wave (empty: none).
    void SetWave(const QString& path);
    const QString& Wave() const { return m_path; }
    // The line below the picture.
    QString Line() const;
    // The picture is there (not still being made).
    bool HasPicture() const { return m_picture.state == WavePicture::State::Done; }
    // Where the picture is drawn, in the widget.
    QRect WaveRect() const;
    // The x of the loop's start and end lines in the widget; (-1, -1) without a loop.
    std::pair<int, int> LoopMarkers() const;
    // The x of the playhead; -1 while the wave does not play.
    int PlayheadX() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Request();
    void OnDetailReady(quint64 ticket);
    void ShowLine();

    QString m_path;
    WavePicture m_picture;
    quint64 m_ticket = 0;
    int m_requestedWidth = 0;
    double m_playhead = -1; // seconds
    QLabel* m_line = nullptr;
    QTimer m_resized; // asks for the picture at the new width once resizing rests
};

} // namespace CorvDesktop
