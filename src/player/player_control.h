#pragma once
// The embedded media player control: replaces what plays on every URL write, reports play states
// with the control's numbering, shows its own transport controls and a status line, and goes to
// and from full screen. What it does with an address is the core's PlayerSession; this widget
// shows it, on the media engine it is given, and fetches for it.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/player/player_session.h"
#include "core/player/source_chooser.h"
#include "core/ports/media_engine.h"
#include "core/ports/media_player.h"

namespace qc {

class FullScreenFrame;
class HttpProber;
class TransportBar;
class VideoSurface;

class TWindowsMediaPlayer : public QWidget, public MediaPlayerControl {
    Q_OBJECT
public:
    // Plays on `engine`, which outlives this control.
    TWindowsMediaPlayer(QWidget* parent, MediaEngine& engine);
    ~TWindowsMediaPlayer() override;

    void setUrl(const std::string& url) override;
    int playState() const override { return pending_ ? kTransitioning : session_->playState(); }
    ControlBool fullScreen() const override { return fullScreen_; }
    void setFullScreen(ControlBool on) override;

    // How long a choice and each of its sources may take before the player gives up on them.
    void setAttemptBounds(AttemptBounds bounds) { session_->setBounds(bounds); }
    // What the allow-list kept from the engine since the last address was written.
    const std::vector<std::string>& droppedAddresses() const { return session_->droppedAddresses(); }
    QString statusLine() const;
    int volume() const;

signals:
    void doubleClicked(short button, short shiftState, int x, int y);
    void playStateChanged(int state);

private:
    void sessionChanged();
    void connectControls();

    MediaEngine& engine_;
    QElapsedTimer clock_;
    std::unique_ptr<HttpProber> prober_;
    std::unique_ptr<PlayerSession> session_;  // after what it uses: it goes first

    int shownState_ = kUndefined;
    ControlBool fullScreen_ = kControlFalse;
    bool muted_ = false;

    QWidget* body_ = nullptr;  // picture and controls; moves into the full-screen frame
    VideoSurface* video_ = nullptr;
    TransportBar* bar_ = nullptr;
    std::unique_ptr<FullScreenFrame> fullFrame_;
    QTimer tick_;  // the session's bounds, stalls and retries
    // Addresses written in one turn of the event loop: only the last one reaches the session, so
    // that a burst of writes never piles up sources for the engine to stop.
    QTimer kick_;
    std::string pendingUrl_;
    bool pending_ = false;
};

}  // namespace qc
