#include "player/player_control.h"

#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "player/http_prober.h"
#include "player/transport_bar.h"
#include "player/video_surface.h"
#include "shared/guard.h"

namespace qc {

namespace {
constexpr int kTickMs = 100;  // finer than the stall bound, so a stall shows within ~1.1 s
}

TWindowsMediaPlayer::TWindowsMediaPlayer(QWidget* parent, MediaEngine& engine) : QWidget(parent), engine_(engine) {
    setObjectName("WindowsMediaPlayer1");
    setContextMenuPolicy(Qt::NoContextMenu);  // enableContextMenu off

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    body_ = new QWidget(this);
    body_->setObjectName("playerBody");
    outer->addWidget(body_);
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    video_ = new VideoSurface(body_);
    layout->addWidget(video_, 1);
    bar_ = new TransportBar(body_);
    layout->addWidget(bar_);
    fullFrame_ = std::make_unique<FullScreenFrame>();

    clock_.start();
    prober_ = std::make_unique<HttpProber>();
    session_ = std::make_unique<PlayerSession>(engine_, *prober_, [this] { return clock_.elapsed(); });
    session_->setListener([this] { sessionChanged(); });
    session_->setPictureSink(video_);
    engine_.setVolume(bar_->volume->value());
    engine_.setMute(false);
    connectControls();
    // Only while the session has something to watch: an idle player wakes nothing up.
    tick_.setInterval(kTickMs);
    connectGuarded(&tick_, &QTimer::timeout, this, [this] { session_->tick(); });
    kick_.setSingleShot(true);
    kick_.setInterval(0);
    connectGuarded(&kick_, &QTimer::timeout, this, [this] {
        pending_ = false;
        session_->setUrl(pendingUrl_);
    });
    bar_->showStatus({});
}

TWindowsMediaPlayer::~TWindowsMediaPlayer() {
    tick_.stop();
    session_.reset();  // closes what it had open, and takes itself from the engine
}

void TWindowsMediaPlayer::connectControls() {
    // The double-click is the control's event: Form1 connects its handler to our signal, guarded.
    connect(video_, &VideoSurface::doubleClicked, this, &TWindowsMediaPlayer::doubleClicked);
    connectGuarded(video_, &VideoSurface::escapePressed, this, [this] {
        if (fullScreen_) setFullScreen(kControlFalse);
    });
    connectGuarded(bar_->playPause, &QToolButton::clicked, this, [this] { session_->playPause(); });
    connectGuarded(bar_->stop, &QToolButton::clicked, this, [this] {
        kick_.stop();
        pending_ = false;
        session_->stop();
    });
    connectGuarded(bar_->mute, &QToolButton::clicked, this, [this] {
        muted_ = !muted_;
        session_->setMute(muted_);
        bar_->showMuted(muted_);
    });
    connectGuarded(bar_->volume, &QSlider::valueChanged, this, [this](int v) { session_->setVolume(v); });
    // A drag seeks where it is let go; a click on the groove jumps there (the bar's style) and
    // is let go at once.
    connectGuarded(bar_->position, &QSlider::sliderReleased, this,
                   [this] { session_->seek(bar_->position->value() / 1000.0); });
}

void TWindowsMediaPlayer::setUrl(const std::string& url) {
    if (url.empty()) {  // stops at once
        kick_.stop();
        pending_ = false;
        session_->setUrl(url);
        return;
    }
    pendingUrl_ = url;
    if (!pending_) bar_->showStatus(QString::fromStdString(statusText(PlayerStatus::Connecting)));
    pending_ = true;
    kick_.start();
}

void TWindowsMediaPlayer::sessionChanged() {
    if (!session_->needsTicks()) tick_.stop();
    else if (!tick_.isActive()) tick_.start();
    const int state = session_->playState();
    bar_->showStatus(QString::fromStdString(statusText(session_->status(), session_->statusNumber())));
    if (state == kPlaying || state == kPaused || state == kBuffering) {
        const PlayerSession::Position p = session_->position();
        bar_->showPosition(p.seekable, static_cast<float>(p.where), p.timeMs, p.lengthMs);
    } else {
        bar_->clearPosition();
    }
    if (state == shownState_) return;
    shownState_ = state;
    bar_->showPlaying(state == kPlaying || state == kBuffering);
    emit playStateChanged(state);
}

QString TWindowsMediaPlayer::statusLine() const { return bar_->statusLabel->text(); }

int TWindowsMediaPlayer::volume() const { return bar_->volume->value(); }

void TWindowsMediaPlayer::setFullScreen(ControlBool on) {
    const bool want = on != 0;
    if (want == (fullScreen_ != 0)) return;
    fullScreen_ = want ? kControlTrue : kControlFalse;
    if (want) fullFrame_->enter(this, body_, video_, [this] { setFullScreen(kControlFalse); });
    else fullFrame_->leave(this, body_);
}

}  // namespace qc
