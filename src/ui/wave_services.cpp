#include "ui/wave_services.h"

#include "ui/sound_output.h"
#include "ui/status_line.h"
#include "ui/wave_pictures.h"
#include "ui/wave_player.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

namespace CorvDesktop {

CWavePictures& CWaveServices::Pictures() {
    if (m_pictures == nullptr)
        m_pictures =
            new CWavePictures(CWavePictures::DefaultCacheFolder(), QCoreApplication::instance());
    return *m_pictures;
}

void CWaveServices::UsePictures(CWavePictures* pictures) {
    delete m_pictures;
    m_pictures = pictures;
    if (pictures != nullptr)
        pictures->setParent(QCoreApplication::instance());
}

IWavePlayer& CWaveServices::Player() {
    if (m_player != nullptr)
        return *m_player;
    if (m_ownPlayer == nullptr) {
        m_ownPlayer =
            new CWavePlayer(std::make_unique<CSoundOutput>(), QCoreApplication::instance());
        // Nothing goes on sounding once the program ends.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, m_ownPlayer,
                &IWavePlayer::Stop);
    }
    m_player = m_ownPlayer;
    Attach(m_player);
    return *m_player;
}

void CWaveServices::Attach(IWavePlayer* player) {
    for (const QMetaObject::Connection& connection : m_said)
        disconnect(connection);
    m_said.clear();
    m_outputMissingSaid = false;
    if (player == nullptr)
        return;
    // No message box: the status bar says it. A missing output is said once, not at every wave
    // Auto-Play tries; once sound played, a later failure is news again.
    const auto say = [this](const QString& text) {
        if (m_status != nullptr)
            m_status->Say(text);
    };
    m_said << connect(player, &IWavePlayer::Unavailable, this, [this, say](const QString& text) {
        if (!m_outputMissingSaid)
            say(text);
        m_outputMissingSaid = true;
    }) << connect(player, &IWavePlayer::PositionChanged, this, [this] {
        m_outputMissingSaid = false;
    }) << connect(player, &IWavePlayer::Refused, this, [say](const QString& reason) {
        say(tr("The wave cannot be played: %1").arg(reason));
    });
}

void CWaveServices::SetPlayer(IWavePlayer* player) {
    if (m_player != nullptr && m_player != player)
        m_player->Stop();
    m_player = player;
    Attach(player);
}

QAction* CWaveServices::Switch(QPointer<QAction>& action, const QString& text, const QString& key,
                               bool initial) {
    if (action == nullptr) {
        action = new QAction(text, QCoreApplication::instance());
        action->setCheckable(true);
        action->setChecked(QSettings().value(key, initial).toBool());
        connect(action, &QAction::toggled, this, [key](bool on) { QSettings().setValue(key, on); });
    }
    return action;
}

QAction* CWaveServices::AutoPlayAction() {
    return Switch(m_autoPlay, QStringLiteral("&Auto-Play"), QStringLiteral("Wave/AutoPlay"), false);
}

QAction* CWaveServices::DetailsAction() {
    const bool made = m_details != nullptr;
    QAction* action =
        Switch(m_details, QStringLiteral("Wave &Details"), QStringLiteral("Wave/Details"), true);
    if (!made)
        connect(action, &QAction::toggled, this, &CWaveServices::DetailsToggled);
    return action;
}

bool CWaveServices::AutoPlay() {
    return AutoPlayAction()->isChecked();
}

bool CWaveServices::DetailsShown() {
    return DetailsAction()->isChecked();
}

} // namespace CorvDesktop
