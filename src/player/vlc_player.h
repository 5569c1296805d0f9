#pragma once
// The embedded media player control, on libvlc: replaces what plays on every URL write, reports
// play states with the control's numbering, shows its own transport controls and a status line,
// and goes to and from full screen.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/player/player_status.h"
#include "core/player/source_chooser.h"
#include "core/ports/media_player.h"
#include "player/vlc_engine.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace qc {

class FullScreenFrame;
class TransportBar;
class VideoSurface;

class TWindowsMediaPlayer : public QWidget, public MediaPlayerControl {
    Q_OBJECT
public:
    // Plays on `engine` (startPlayerEngine), which may still be starting.
    TWindowsMediaPlayer(QWidget* parent, std::future<VlcEngine> engine);
    ~TWindowsMediaPlayer() override;

    // Waits until the engine has started; throws when it couldn't be created.
    void waitForEngine();

    void setUrl(const std::string& url) override;
    int playState() const override { return state_; }
    ControlBool fullScreen() const override { return fullScreen_; }
    void setFullScreen(ControlBool on) override;

    // How long a choice and each of its sources may take before the player gives up on them.
    void setAttemptBounds(AttemptBounds bounds) { chooser_ = SourceChooser(bounds); }
    // What the allow-list kept from the engine since the last address was written.
    const std::vector<std::string>& droppedAddresses() const { return chooser_.dropped(); }
    QString statusLine() const;
    int volume() const;

signals:
    void doubleClicked(short button, short shiftState, int x, int y);
    void playStateChanged(int state);

private:
    void begin();
    void act(const Step& step);
    void fetch(const std::string& address);
    void readProbe();
    void reportProbe(bool finished);
    void cancelProbe();
    void cancelAttempt();
    void candidateFailed(PlayerStatus why, int number = 0);
    void finish(PlayerStatus why, int number = 0);
    void playInEngine(const std::string& address);
    // The engine said something: its state now says what (events may be of a media replaced since).
    void engineChanged();
    void stopEngine();
    void setState(int state);
    void setStatus(PlayerStatus s, int number = 0);
    void updatePosition();
    void connectControls();
    static void onVlcEvent(const libvlc_event_t* ev, void* self);
    // The engine's player, once started (waits for it the first time); null if it couldn't be.
    libvlc_media_player_t* engine();
    const VlcApi& vlc() const { return *engine_.api; }
    libvlc_media_player_t* mp() const { return engine_.mp.get(); }

    std::future<VlcEngine> starting_;
    bool embed_ = false;  // draws into our own X window

    VlcEngine engine_;  // once started
    QNetworkAccessManager* net_ = nullptr;
    QPointer<QNetworkReply> probe_;
    QByteArray probeData_;

    std::string url_;            // the address last written
    SourceChooser chooser_;      // what of it, and of what the network said, reaches the engine
    bool engineActive_ = false;  // libvlc holds a media of the current attempt
    bool reachedPlaying_ = false;

    int state_ = kUndefined;
    ControlBool fullScreen_ = kControlFalse;
    int statusNumber_ = 0;
    bool muted_ = false;

    QWidget* body_ = nullptr;  // picture and controls; moves into the full-screen frame
    VideoSurface* video_ = nullptr;
    TransportBar* bar_ = nullptr;
    std::unique_ptr<FullScreenFrame> fullFrame_;
    QTimer silence_;   // the current source showed no sign of life
    QTimer deadline_;  // the whole choice
    QTimer positionTimer_;
};

}  // namespace qc
