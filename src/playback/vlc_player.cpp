#include "playback/vlc_player.h"

#include <QGuiApplication>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "core/playback/playlist.h"
#include "playback/transport_bar.h"
#include "playback/video_surface.h"
#include "playback/vlc_engine.h"
#include "shared/guard.h"

namespace qc {

namespace {

// Set on our thread when the first engine is handed over; every call below comes after that.
const VlcApi* vlc = nullptr;

bool isHttp(const std::string& a) {
    auto lower = QString::fromStdString(a.substr(0, 8)).toLower();
    return lower.startsWith("http://") || lower.startsWith("https://");
}

}  // namespace

TWindowsMediaPlayer::TWindowsMediaPlayer(QWidget* parent, const std::vector<std::string>& engineArgs)
    : QWidget(parent) {
    setObjectName("WindowsMediaPlayer1");
    setContextMenuPolicy(Qt::NoContextMenu);  // enableContextMenu off
    embed_ = QGuiApplication::platformName() == "xcb";
    std::vector<std::string> args = {"--quiet", "--no-video-title-show", "--no-snapshot-preview",
                                     "--no-stats", "--no-lua"};
    if (embed_) args.push_back("--no-xlib");
    else args.insert(args.end(), {"--vout=vdummy", "--aout=adummy"});
    args.insert(args.end(), engineArgs.begin(), engineArgs.end());
    // The engine takes a while to start (its plugins, the audio output): it starts on a thread of
    // its own while the windows are built.
    starting_ = startVlcEngine(std::move(args));

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
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, &TWindowsMediaPlayer::watchdogFired);
    positionTimer_.setInterval(250);
    connect(&positionTimer_, &QTimer::timeout, this, &TWindowsMediaPlayer::updatePosition);
    setStatus(PlayerStatus::Idle);
}

void TWindowsMediaPlayer::waitForEngine() {
    if (!engine()) throw std::runtime_error("The media player component could not be created");
}

libvlc_media_player_t* TWindowsMediaPlayer::engine() {
    if (!starting_.valid()) return mp_;
    VlcEngine e = starting_.get();
    vlc_ = e.vlc;
    mp_ = e.mp;
    if (!mp_) return nullptr;
    vlc = e.api;
    // Let double-clicks and keys reach our widget instead of the engine's window.
    vlc->libvlc_video_set_mouse_input(mp_, false);
    vlc->libvlc_video_set_key_input(mp_, false);
    vlc->libvlc_audio_set_volume(mp_, bar_->volume->value());
    if (muted_) vlc->libvlc_audio_set_mute(mp_, true);
    libvlc_event_manager_t* em = vlc->libvlc_media_player_event_manager(mp_);
    for (libvlc_event_e type : kEngineEvents)
        vlc->libvlc_event_attach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
    return mp_;
}

TWindowsMediaPlayer::~TWindowsMediaPlayer() {
    if (probe_) probe_->abort();
    if (starting_.valid()) {  // never used: nothing is attached to it yet
        releaseVlcEngine(starting_.get());
    } else if (mp_) {
        libvlc_event_manager_t* em = vlc->libvlc_media_player_event_manager(mp_);
        for (libvlc_event_e type : kEngineEvents)
            vlc->libvlc_event_detach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
        vlc->libvlc_media_player_stop(mp_);
        vlc->libvlc_media_player_release(mp_);
        vlc->libvlc_release(vlc_);
    }
}

void TWindowsMediaPlayer::connectControls() {
    // The double-click is the control's event: Form1 connects its handler to our signal, guarded.
    connect(video_, &VideoSurface::doubleClicked, this, &TWindowsMediaPlayer::doubleClicked);
    connectGuarded(video_, &VideoSurface::escapePressed, this, [this] {
        if (fullScreen_) setFullScreen(kControlFalse);
    });
    connectGuarded(bar_->playPause, &QToolButton::clicked, this, [this] {
        if (state_ == kPlaying) {
            vlc->libvlc_media_player_set_pause(mp_, 1);
        } else if (state_ == kPaused) {
            vlc->libvlc_media_player_set_pause(mp_, 0);
        } else if (!candidates_.empty() && !probe_ && !engineActive_) {
            next_ = 0;  // start the current address over
            startCandidate();
        }
    });
    connectGuarded(bar_->stop, &QToolButton::clicked, this, [this] {
        watchdog_.stop();
        if (probe_) probe_->abort();
        stopEngine();
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
    });
    connectGuarded(bar_->mute, &QToolButton::clicked, this, [this] {
        muted_ = !muted_;
        if (mp_) vlc->libvlc_audio_set_mute(mp_, muted_);  // else applied when the engine is ready
        bar_->showMuted(muted_);
    });
    connectGuarded(bar_->volume, &QSlider::valueChanged, this, [this](int v) {
        if (mp_) vlc->libvlc_audio_set_volume(mp_, v);
    });
    connectGuarded(bar_->position, &QSlider::sliderReleased, this, [this] {
        if (engineActive_ && vlc->libvlc_media_player_is_seekable(mp_))
            vlc->libvlc_media_player_set_position(mp_, bar_->position->value() / 1000.0f);
    });
}

void TWindowsMediaPlayer::setUrl(const std::string& url) {
    watchdog_.stop();
    if (probe_) {
        probe_->disconnect(this);
        probe_->abort();
    }
    candidates_.clear();
    next_ = 0;
    nesting_ = 0;
    if (url.empty()) {
        // Never hand the engine an empty location: stop and show nothing.
        stopEngine();
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
        return;
    }
    candidates_.push_back(url);
    startCandidate();
}

void TWindowsMediaPlayer::startCandidate() {
    reachedPlaying_ = false;
    const std::string address = candidates_[next_++];
    setState(kTransitioning);
    setStatus(PlayerStatus::Connecting);
    watchdog_.start(connectTimeoutMs_);
    if (isHttp(address)) probe(address);
    else playInEngine(address);
}

void TWindowsMediaPlayer::probe(const std::string& address) {
    QNetworkRequest req(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(5);
    req.setHeader(QNetworkRequest::UserAgentHeader, "NSPlayer/9.0 qingchuan/1.31");
    probeData_.clear();
    probe_ = net_->get(req);
    probe_->setProperty("address", QString::fromStdString(address));
    connect(probe_, &QNetworkReply::readyRead, this, &TWindowsMediaPlayer::onProbeData);
    connect(probe_, &QNetworkReply::finished, this, &TWindowsMediaPlayer::onProbeFinished);
}

void TWindowsMediaPlayer::onProbeData() {
    QNetworkReply* r = probe_;
    if (!r || r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400) return;
    probeData_ += r->read(kMaxPlaylistBytes + 1 - probeData_.size());
    // Media starts with binary data; a playlist with "<" or "[" (after blanks or a byte-order mark).
    QByteArray head = probeData_.left(64);
    int i = 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\r' || head[i] == '\n' || head[i] == '\t')) ++i;
    bool textual = head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
                   (i < head.size() && (head[i] == '<' || head[i] == '['));
    if (i == head.size() && head.size() < 64) return;  // not enough to tell yet
    if (textual && probeData_.size() <= kMaxPlaylistBytes) return;  // read it whole
    // Media (or far too big for a playlist): the engine fetches it itself.
    std::string address = r->property("address").toString().toStdString();
    r->disconnect(this);
    r->abort();
    r->deleteLater();
    playInEngine(address);
}

void TWindowsMediaPlayer::onProbeFinished() {
    QNetworkReply* r = probe_;
    if (!r) return;
    r->deleteLater();
    probe_ = nullptr;
    std::string address = r->property("address").toString().toStdString();
    int code = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (code >= 400) {
        failCandidate(code == 404 || code == 410 ? PlayerStatus::NotFound : PlayerStatus::HttpError, code);
        return;
    }
    switch (r->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::HostNotFoundError:
        failCandidate(PlayerStatus::HostNotFound);
        return;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        failCandidate(PlayerStatus::TimedOut);
        return;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        failCandidate(PlayerStatus::Refused);
        return;
    default:
        if (probeData_.isEmpty()) {
            failCandidate(PlayerStatus::CannotPlay);
            return;
        }
        break;  // cut short: read what came
    }
    probeData_ += r->readAll();
    Playlist list = parsePlaylist(std::string_view(probeData_.constData(), probeData_.size()), address);
    if (!list.recognised) {
        playInEngine(address);
        return;
    }
    if (list.refs.empty() || nesting_ >= kMaxNesting) {
        failCandidate(PlayerStatus::EmptyPlaylist);
        return;
    }
    ++nesting_;
    size_t room = kMaxCandidates > candidates_.size() ? kMaxCandidates - candidates_.size() : 0;
    if (list.refs.size() > room) list.refs.resize(room);
    candidates_.insert(candidates_.begin() + next_, list.refs.begin(), list.refs.end());
    setStatus(PlayerStatus::OpeningPlaylist);
    startCandidate();
}

void TWindowsMediaPlayer::playInEngine(const std::string& address) {
    libvlc_media_t* m = engine() ? vlc->libvlc_media_new_location(vlc_, engineLocation(address).c_str()) : nullptr;
    if (!m) {
        failCandidate(PlayerStatus::CannotPlay);
        return;
    }
    vlc->libvlc_media_player_set_media(mp_, m);
    vlc->libvlc_media_release(m);
    // The picture's own X window is made here, at the first play: made with the main window, it
    // cost start-up round trips to the X server.
    if (embed_) vlc->libvlc_media_player_set_xwindow(mp_, static_cast<uint32_t>(video_->winId()));
    engineActive_ = true;
    if (vlc->libvlc_media_player_play(mp_) != 0) failCandidate(PlayerStatus::CannotPlay);
}

void TWindowsMediaPlayer::onVlcEvent(const libvlc_event_t* ev, void* self) {
    // On one of the engine's threads: hand over to ours.
    auto* player = static_cast<TWindowsMediaPlayer*>(self);
    int type = ev->type;
    int cache = type == libvlc_MediaPlayerBuffering ? static_cast<int>(ev->u.media_player_buffering.new_cache) : 0;
    QMetaObject::invokeMethod(
        player, [player, type, cache] {
            guarded([&] {
                player->statusNumber_ = type == libvlc_MediaPlayerBuffering ? cache : player->statusNumber_;
                player->engineEvent(type);
            });
        },
        Qt::QueuedConnection);
}

void TWindowsMediaPlayer::engineEvent(int) {
    if (!engineActive_) return;
    // Judge by the engine's state now, not by the event: events of a replaced media may still be
    // in the queue.
    switch (vlc->libvlc_media_player_get_state(mp_)) {
    case libvlc_Opening:
        setState(kTransitioning);
        setStatus(PlayerStatus::Connecting);
        break;
    case libvlc_Buffering:
        if (!reachedPlaying_ && statusNumber_ < 100) {
            setState(kBuffering);
            setStatus(PlayerStatus::Buffering, statusNumber_);
        }
        break;
    case libvlc_Playing:
        reachedPlaying_ = true;
        watchdog_.stop();
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
            failCandidate(PlayerStatus::CannotPlay);
            break;
        }
        engineActive_ = false;
        setState(kMediaEnded);
        setStatus(PlayerStatus::Ended);
        break;
    case libvlc_Error:
        failCandidate(PlayerStatus::CannotPlay);
        break;
    case libvlc_NothingSpecial:
        break;
    }
}

void TWindowsMediaPlayer::failCandidate(PlayerStatus why, int number) {
    stopEngine();
    if (next_ < candidates_.size()) {
        startCandidate();
        return;
    }
    watchdog_.stop();
    setState(kStopped);
    setStatus(why, number);
}

void TWindowsMediaPlayer::watchdogFired() {
    if (reachedPlaying_) return;
    if (probe_) {
        probe_->disconnect(this);
        probe_->abort();
        probe_->deleteLater();
        probe_ = nullptr;
    }
    failCandidate(PlayerStatus::TimedOut);
}

void TWindowsMediaPlayer::stopEngine() {
    if (!engineActive_) return;
    engineActive_ = false;
    vlc->libvlc_media_player_stop(mp_);
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
    status_ = s;
    statusNumber_ = number;
    bar_->showStatus(QString::fromStdString(statusText(s, number)));
}

QString TWindowsMediaPlayer::statusLine() const { return bar_->statusLabel->text(); }

int TWindowsMediaPlayer::volume() const { return bar_->volume->value(); }

void TWindowsMediaPlayer::updatePosition() {
    if (!engineActive_) return;
    libvlc_time_t length = vlc->libvlc_media_player_get_length(mp_);
    bool seekable = vlc->libvlc_media_player_is_seekable(mp_) && length > 0;
    bar_->showPosition(seekable, vlc->libvlc_media_player_get_position(mp_),
                       vlc->libvlc_media_player_get_time(mp_), length);
}

void TWindowsMediaPlayer::setFullScreen(ControlBool on) {
    const bool want = on != 0;
    if (want == (fullScreen_ != 0)) return;
    fullScreen_ = want ? kControlTrue : kControlFalse;
    if (want) fullFrame_->enter(this, body_, video_, [this] { setFullScreen(kControlFalse); });
    else fullFrame_->leave(this, body_);
}

}  // namespace qc
