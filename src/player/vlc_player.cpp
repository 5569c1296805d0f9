#include "player/vlc_player.h"

#include <QGuiApplication>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "core/app/version.h"
#include "core/player/playlist.h"
#include "player/transport_bar.h"
#include "player/video_surface.h"
#include "player/vlc_engine.h"
#include "shared/guard.h"

namespace qc {

TWindowsMediaPlayer::TWindowsMediaPlayer(QWidget* parent, std::future<VlcEngine> engine)
    : QWidget(parent), starting_(std::move(engine)) {
    setObjectName("WindowsMediaPlayer1");
    setContextMenuPolicy(Qt::NoContextMenu);  // enableContextMenu off
    embed_ = drawsIntoOwnWindow();

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
    connectControls();
    net_ = new QNetworkAccessManager(this);
    silence_.setSingleShot(true);
    connectGuarded(&silence_, &QTimer::timeout, this, [this] { candidateFailed(PlayerStatus::TimedOut); });
    deadline_.setSingleShot(true);
    connectGuarded(&deadline_, &QTimer::timeout, this, [this] { finish(PlayerStatus::TimedOut); });
    positionTimer_.setInterval(250);
    connectGuarded(&positionTimer_, &QTimer::timeout, this, [this] { updatePosition(); });
    setStatus(PlayerStatus::Idle);
}

void TWindowsMediaPlayer::waitForEngine() {
    if (!engine()) throw std::runtime_error("The media player component could not be created");
}

libvlc_media_player_t* TWindowsMediaPlayer::engine() {
    if (!starting_.valid()) return mp();
    engine_ = starting_.get();
    if (!mp()) return nullptr;
    // Let double-clicks and keys reach our widget instead of the engine's window.
    vlc().libvlc_video_set_mouse_input(mp(), false);
    vlc().libvlc_video_set_key_input(mp(), false);
    vlc().libvlc_audio_set_volume(mp(), bar_->volume->value());
    if (muted_) vlc().libvlc_audio_set_mute(mp(), true);
    libvlc_event_manager_t* em = vlc().libvlc_media_player_event_manager(mp());
    for (libvlc_event_e type : kEngineEvents)
        vlc().libvlc_event_attach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
    return mp();
}

TWindowsMediaPlayer::~TWindowsMediaPlayer() {
    cancelProbe();
    // An engine never handed over has nothing attached; it goes with the future.
    if (!mp()) return;
    libvlc_event_manager_t* em = vlc().libvlc_media_player_event_manager(mp());
    for (libvlc_event_e type : kEngineEvents)
        vlc().libvlc_event_detach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
    vlc().libvlc_media_player_stop(mp());
}

void TWindowsMediaPlayer::connectControls() {
    // The double-click is the control's event: Form1 connects its handler to our signal, guarded.
    connect(video_, &VideoSurface::doubleClicked, this, &TWindowsMediaPlayer::doubleClicked);
    connectGuarded(video_, &VideoSurface::escapePressed, this, [this] {
        if (fullScreen_) setFullScreen(kControlFalse);
    });
    connectGuarded(bar_->playPause, &QToolButton::clicked, this, [this] {
        if (state_ == kPlaying) {
            vlc().libvlc_media_player_set_pause(mp(), 1);
        } else if (state_ == kPaused) {
            vlc().libvlc_media_player_set_pause(mp(), 0);
        } else if (!url_.empty() && !chooser_.active() && !engineActive_) {
            begin();  // the current address over again
        }
    });
    connectGuarded(bar_->stop, &QToolButton::clicked, this, [this] {
        cancelAttempt();
        stopEngine();
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
    });
    connectGuarded(bar_->mute, &QToolButton::clicked, this, [this] {
        muted_ = !muted_;
        if (mp()) vlc().libvlc_audio_set_mute(mp(), muted_);  // else applied when the engine is ready
        bar_->showMuted(muted_);
    });
    connectGuarded(bar_->volume, &QSlider::valueChanged, this, [this](int v) {
        if (mp()) vlc().libvlc_audio_set_volume(mp(), v);
    });
    connectGuarded(bar_->position, &QSlider::sliderReleased, this, [this] {
        if (engineActive_ && vlc().libvlc_media_player_is_seekable(mp()))
            vlc().libvlc_media_player_set_position(mp(), bar_->position->value() / 1000.0f);
    });
}

void TWindowsMediaPlayer::setUrl(const std::string& url) {
    cancelAttempt();
    url_ = url;
    if (url.empty()) {
        // Never hand the engine an empty location: stop and show nothing.
        stopEngine();
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
        return;
    }
    begin();
}

void TWindowsMediaPlayer::begin() {
    deadline_.start(chooser_.bounds().deadline);
    act(chooser_.start(url_));
}

void TWindowsMediaPlayer::act(const Step& step) {
    if (step.kind == Step::Kind::Read) return;
    if (step.kind == Step::Kind::Fail) {
        finish(step.status, step.number);
        return;
    }
    stopEngine();
    reachedPlaying_ = false;
    setState(kTransitioning);
    setStatus(step.status, step.number);
    silence_.start(std::min(chooser_.silenceBound(), chooser_.bounds().deadline));
    if (step.kind == Step::Kind::Fetch) fetch(step.address);
    else playInEngine(step.address);
}

void TWindowsMediaPlayer::fetch(const std::string& address) {
    QNetworkRequest req(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
    // Redirects are the chooser's to judge, one by one.
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    req.setHeader(QNetworkRequest::UserAgentHeader,
                  QByteArray("NSPlayer/9.0 qingchuan/") + QByteArray(kVersion.data(), kVersion.size()));
    probeData_.clear();
    probe_ = net_->get(req);
    // Whatever the server sends, no more than a playlist's cap is ever held.
    probe_->setReadBufferSize(kMaxPlaylistBytes + 1);
    connectGuarded(probe_.data(), &QNetworkReply::metaDataChanged, this, [this] {
        silence_.stop();  // it answered
        reportProbe(false);
    });
    connectGuarded(probe_.data(), &QNetworkReply::readyRead, this, [this] { reportProbe(false); });
    connectGuarded(probe_.data(), &QNetworkReply::finished, this, [this] { reportProbe(true); });
}

void TWindowsMediaPlayer::readProbe() {
    if (probeData_.size() <= kMaxPlaylistBytes) probeData_ += probe_->read(kMaxPlaylistBytes + 1 - probeData_.size());
}

void TWindowsMediaPlayer::reportProbe(bool finished) {
    if (!probe_) return;
    QNetworkReply* r = probe_;
    readProbe();
    FetchReport report;
    report.status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    report.contentType = r->rawHeader("Content-Type").toStdString();
    report.server = r->rawHeader("Server").toStdString();
    report.pragma = r->rawHeader("Pragma").toStdString();
    report.location = r->rawHeader("Location").toStdString();
    report.body = std::string_view(probeData_.constData(), probeData_.size());  // not copied
    report.complete = finished;
    if (finished) {
        switch (r->error()) {
        case QNetworkReply::NoError: break;
        case QNetworkReply::HostNotFoundError: report.failure = FetchReport::Failure::HostNotFound; break;
        case QNetworkReply::TimeoutError: report.failure = FetchReport::Failure::TimedOut; break;
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::UnknownNetworkError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::TemporaryNetworkFailureError: report.failure = FetchReport::Failure::Refused; break;
        default: report.failure = FetchReport::Failure::Other; break;  // cut short: judge what came
        }
    }
    Step step = chooser_.fetched(report);
    if (step.kind == Step::Kind::Read) return;
    cancelProbe();
    act(step);
}

// The one way a fetch ends early: nothing it says afterwards is heard.
void TWindowsMediaPlayer::cancelProbe() {
    if (probe_) {
        probe_->disconnect(this);
        probe_->abort();
        probe_->deleteLater();
        probe_ = nullptr;
    }
    probeData_.clear();
}

// Ends the current choice: nothing of it starts later.
void TWindowsMediaPlayer::cancelAttempt() {
    cancelProbe();
    silence_.stop();
    deadline_.stop();
    chooser_.abandon();
}

void TWindowsMediaPlayer::candidateFailed(PlayerStatus why, int number) {
    cancelProbe();
    stopEngine();
    act(chooser_.failed(why, number));
}

void TWindowsMediaPlayer::finish(PlayerStatus why, int number) {
    cancelAttempt();
    stopEngine();
    setState(kStopped);
    setStatus(why, number);
}

void TWindowsMediaPlayer::playInEngine(const std::string& address) {
    // The last guard, whoever calls: nothing outside the allow-list, nothing empty or holding a
    // NUL, reaches the engine.
    if (!isAllowedAddress(address) || !engine()) {
        candidateFailed(PlayerStatus::CannotPlay);
        return;
    }
    VlcHandle<libvlc_media_t> m(vlc().libvlc_media_new_location(engine_.vlc.get(), engineLocation(address).c_str()),
                                {engine_.api});
    if (!m) {
        candidateFailed(PlayerStatus::CannotPlay);
        return;
    }
    vlc().libvlc_media_player_set_media(mp(), m.get());
    // The picture's own X window is made here, at the first play: made with the main window, it
    // cost start-up round trips to the X server.
    if (embed_) vlc().libvlc_media_player_set_xwindow(mp(), static_cast<uint32_t>(video_->winId()));
    engineActive_ = true;
    if (vlc().libvlc_media_player_play(mp()) != 0) candidateFailed(PlayerStatus::CannotPlay);
}

void TWindowsMediaPlayer::onVlcEvent(const libvlc_event_t* ev, void* self) {
    // On one of the engine's threads: hand over to ours.
    auto* player = static_cast<TWindowsMediaPlayer*>(self);
    int type = ev->type;
    int cache = type == libvlc_MediaPlayerBuffering ? static_cast<int>(ev->u.media_player_buffering.new_cache) : 0;
    QMetaObject::invokeMethod(
        player,
        [player, type, cache] {
            guarded([&] {
                player->statusNumber_ = type == libvlc_MediaPlayerBuffering ? cache : player->statusNumber_;
                player->engineChanged();
            });
        },
        Qt::QueuedConnection);
}

void TWindowsMediaPlayer::engineChanged() {
    if (!engineActive_) return;
    // Judge by the engine's state now, not by the event: events of a replaced media may still be
    // in the queue.
    switch (vlc().libvlc_media_player_get_state(mp())) {
    case libvlc_Opening: setState(kTransitioning); break;
    case libvlc_Buffering:
        silence_.stop();  // data arrives
        if (!reachedPlaying_ && statusNumber_ < 100) {
            setState(kBuffering);
            setStatus(PlayerStatus::Buffering, statusNumber_);
        }
        break;
    case libvlc_Playing:
        reachedPlaying_ = true;
        silence_.stop();
        deadline_.stop();
        setState(kPlaying);
        setStatus(PlayerStatus::Playing);
        break;
    case libvlc_Paused:
        setState(kPaused);
        setStatus(PlayerStatus::Paused);
        break;
    case libvlc_Stopped:
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
        break;
    case libvlc_Ended:
        if (!reachedPlaying_) {
            candidateFailed(PlayerStatus::CannotPlay);
            break;
        }
        engineActive_ = false;
        cancelAttempt();
        setState(kMediaEnded);
        setStatus(PlayerStatus::Ended);
        break;
    case libvlc_Error: candidateFailed(PlayerStatus::CannotPlay); break;
    case libvlc_NothingSpecial: break;
    }
}

void TWindowsMediaPlayer::stopEngine() {
    if (!engineActive_) return;
    engineActive_ = false;
    vlc().libvlc_media_player_stop(mp());
}

void TWindowsMediaPlayer::setState(int state) {
    if (state == state_) return;
    state_ = state;
    bar_->showPlaying(state == kPlaying);
    if (state == kPlaying || state == kPaused) {
        positionTimer_.start();
    } else {
        positionTimer_.stop();
        bar_->clearPosition();
    }
    emit playStateChanged(state);
}

void TWindowsMediaPlayer::setStatus(PlayerStatus s, int number) {
    statusNumber_ = number;
    bar_->showStatus(QString::fromStdString(statusText(s, number)));
}

QString TWindowsMediaPlayer::statusLine() const { return bar_->statusLabel->text(); }

int TWindowsMediaPlayer::volume() const { return bar_->volume->value(); }

void TWindowsMediaPlayer::updatePosition() {
    if (!engineActive_) return;
    libvlc_time_t length = vlc().libvlc_media_player_get_length(mp());
    bool seekable = vlc().libvlc_media_player_is_seekable(mp()) && length > 0;
    bar_->showPosition(seekable, vlc().libvlc_media_player_get_position(mp()), vlc().libvlc_media_player_get_time(mp()),
                       length);
}

void TWindowsMediaPlayer::setFullScreen(ControlBool on) {
    const bool want = on != 0;
    if (want == (fullScreen_ != 0)) return;
    fullScreen_ = want ? kControlTrue : kControlFalse;
    if (want) fullFrame_->enter(this, body_, video_, [this] { setFullScreen(kControlFalse); });
    else fullFrame_->leave(this, body_);
}

}  // namespace qc
