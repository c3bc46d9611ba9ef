#pragma once

#include <QObject>
#include <QPointer>

class QAction;

namespace CorvDesktop {

class CStatusLine;
class CWavePictures;
class IWavePlayer;

// The waves' services every project window shares: the pictures, the one player of auditions,
// and the two switches the View menu and the wave list's context menu show (Auto-Play, Wave
// Details), kept in the settings. Made when first asked for; what is made belongs to the
// application object, so that it goes (and playing stops) before the program ends.
class CWaveServices : public QObject {
    Q_OBJECT
public:
    // Where the players' failures are said.
    void SetStatus(CStatusLine* status) { m_status = status; }
    CWavePictures& Pictures();
    IWavePlayer& Player();
    // Puts another player (a test's) in place of the program's; null brings the program's back.
    // The caller keeps it.
    void SetPlayer(IWavePlayer* player);
    // Puts a picture service with another cache folder in place (tests); it belongs to the
    // application object like the program's.
    void UsePictures(CWavePictures* pictures);

    // Selecting a wave plays it.
    QAction* AutoPlayAction();
    // The project windows show the detail area below the wave list.
    QAction* DetailsAction();
    bool AutoPlay();
    bool DetailsShown();

signals:
    void DetailsToggled(bool shown);

private:
    // The status bar tells what a player cannot play.
    void Attach(IWavePlayer* player);
    QAction* Switch(QPointer<QAction>& action, const QString& text, const QString& key,
                    bool initial);

    QPointer<CWavePictures> m_pictures;
    QPointer<IWavePlayer> m_player;
    QPointer<IWavePlayer> m_ownPlayer;
    QPointer<QAction> m_autoPlay;
    QPointer<QAction> m_details;
    QList<QMetaObject::Connection> m_said;
    CStatusLine* m_status = nullptr;
    bool m_outputMissingSaid = false; // "No audio output available" is in the status bar
};

} // namespace CorvDesktop
