#include "ui/wave_detail.h"

#include "ui/desktop.h"
#include "ui/wave_drawing.h"
#include "ui/wave_player.h"
#include "ui/wave_services.h"
#include "ui/wave_text.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

const QColor kLoopColour(0, 140, 60);
const QColor kPlayheadColour(220, 30, 30);

} // namespace

CWaveDetail::CWaveDetail(QWidget* parent) : QWidget(parent), m_line(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addStretch(1);
    layout->addWidget(m_line);
    m_line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    m_resized.setSingleShot(true);
    m_resized.setInterval(60);
    connect(&m_resized, &QTimer::timeout, this, &CWaveDetail::Request);
    CWaveServices& waves = CDesktop::Get().Waves();
    connect(&waves.Pictures(), &CWavePictures::DetailReady, this, &CWaveDetail::OnDetailReady);
    IWavePlayer& player = waves.Player();
    connect(&player, &IWavePlayer::PositionChanged, this, [this](double seconds) {
        if (CDesktop::Get().Waves().Player().Path() == m_path) {
            m_playhead = seconds;
            update(WaveRect());
        }
    });
    connect(&player, &IWavePlayer::Stopped, this, [this] {
        m_playhead = -1;
        update(WaveRect());
    });
}

QSize CWaveDetail::sizeHint() const {
    return {300, 120};
}

QSize CWaveDetail::minimumSizeHint() const {
    return {80, m_line->sizeHint().height() + 24};
}

void CWaveDetail::SetWave(const QString& path) {
    if (path == m_path)
        return;
    m_path = path;
    m_picture = WavePicture{};
    m_playhead = -1;
    m_ticket = 0;
    Request();
    ShowLine();
    update();
}

void CWaveDetail::Request() {
    m_requestedWidth = WaveRect().width();
    if (m_path.isEmpty() || m_requestedWidth <= 0)
        return;
    m_ticket = CDesktop::Get().Waves().Pictures().RequestDetail(m_path, m_requestedWidth);
}

void CWaveDetail::OnDetailReady(quint64 ticket) {
    if (ticket != m_ticket)
        return;
    CDesktop::Get().Waves().Pictures().TakeDetail(ticket, m_picture);
    ShowLine();
    update();
}

void CWaveDetail::ShowLine() {
    m_line->setText(Line());
}

QString CWaveDetail::Line() const {
    if (m_path.isEmpty())
        return tr("No wave selected");
    switch (m_picture.state) {
    case WavePicture::State::Pending:
        return {};
    case WavePicture::State::NoPicture:
        return tr("No picture: %1").arg(m_picture.reason);
    case WavePicture::State::Done:
        break;
    }
    return FormatLine(m_picture.facts, m_picture.floating);
}

QRect CWaveDetail::WaveRect() const {
    const QMargins margins = contentsMargins() + layout()->contentsMargins();
    QRect area = rect().marginsRemoved(margins);
    area.setBottom(m_line->geometry().top() - 4);
    return area;
}

std::pair<int, int> CWaveDetail::LoopMarkers() const {
    const Corv::Audio::WaveFacts& facts = m_picture.facts;
    if (!HasPicture() || !facts.loop)
        return {-1, -1};
    const QRect area = WaveRect();
    return {area.left() + FrameColumn(facts.loop->start, facts.frames, area.width()),
            area.left() + FrameColumn(facts.loop->end, facts.frames, area.width())};
}

int CWaveDetail::PlayheadX() const {
    if (m_playhead < 0 || !HasPicture() || m_picture.facts.seconds <= 0)
        return -1;
    const QRect area = WaveRect();
    const auto frames = static_cast<std::uint64_t>(m_playhead * m_picture.facts.sampleRate);
    return area.left() + FrameColumn(frames, m_picture.facts.frames, area.width());
}

void CWaveDetail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = WaveRect();
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    painter.setPen(Blend(base, text, 0.2));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    if (m_path.isEmpty() || m_picture.state == WavePicture::State::NoPicture)
        return;
    if (!HasPicture()) {
        DrawWavePlaceholder(painter, area, Blend(base, text, 0.3));
        return;
    }
    DrawWave(painter, area, m_picture.peaks, QColor(40, 90, 170), Blend(base, text, 0.35));
    const auto [loopStart, loopEnd] = LoopMarkers();
    if (loopStart >= 0) {
        painter.setPen(QPen(kLoopColour, 1, Qt::DashLine));
        painter.drawLine(loopStart, area.top(), loopStart, area.bottom());
        painter.drawLine(loopEnd, area.top(), loopEnd, area.bottom());
    }
    if (const int x = PlayheadX(); x >= 0) {
        painter.setPen(kPlayheadColour);
        painter.drawLine(x, area.top(), x, area.bottom());
    }
}

void CWaveDetail::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (WaveRect().width() != m_requestedWidth)
        m_resized.start();
}

} // namespace CorvDesktop
