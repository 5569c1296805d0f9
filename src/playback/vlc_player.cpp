#include "playback/vlc_player.h"

#include <dlfcn.h>
#include <vlc/vlc.h>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <future>
#include <stdexcept>

#include "playback/playlist.h"

namespace qc {

// libvlc and what it pulls in are loaded on the engine's own thread, not with the program, so that
// their loading overlaps the building of the windows.
#define QC_VLC_FUNCTIONS(X) \
    X(libvlc_audio_set_mute) \
    X(libvlc_audio_set_volume) \
    X(libvlc_event_attach) \
    X(libvlc_event_detach) \
    X(libvlc_media_new_location) \
    X(libvlc_media_player_event_manager) \
    X(libvlc_media_player_get_length) \
    X(libvlc_media_player_get_position) \
    X(libvlc_media_player_get_state) \
    X(libvlc_media_player_get_time) \
    X(libvlc_media_player_is_seekable) \
    X(libvlc_media_player_new) \
    X(libvlc_media_player_play) \
    X(libvlc_media_player_release) \
    X(libvlc_media_player_set_media) \
    X(libvlc_media_player_set_pause) \
    X(libvlc_media_player_set_position) \
    X(libvlc_media_player_set_xwindow) \
    X(libvlc_media_player_stop) \
    X(libvlc_media_release) \
    X(libvlc_new) \
    X(libvlc_release) \
    X(libvlc_set_user_agent) \
    X(libvlc_video_set_key_input) \
    X(libvlc_video_set_mouse_input)

struct VlcApi {
#define QC_VLC_POINTER(f) decltype(&::f) f = nullptr;
    QC_VLC_FUNCTIONS(QC_VLC_POINTER)
#undef QC_VLC_POINTER
};

namespace {

// Null when libvlc can't be loaded whole; then no engine can be created.
const VlcApi* loadVlc() {
    static const VlcApi* api = []() -> const VlcApi* {
        void* lib = ::dlopen("libvlc.so.5", RTLD_NOW | RTLD_LOCAL);  // libvlc 3's soname
        if (!lib) return nullptr;
        static VlcApi a;
        bool ok = true;
#define QC_VLC_RESOLVE(f) ok = ok && (a.f = reinterpret_cast<decltype(a.f)>(::dlsym(lib, #f))) != nullptr;
        QC_VLC_FUNCTIONS(QC_VLC_RESOLVE)
#undef QC_VLC_RESOLVE
        return ok ? &a : nullptr;
    }();
    return api;
}

// Set on our thread when the first engine is handed over; every call below comes after that.
const VlcApi* vlc = nullptr;

constexpr qint64 kMaxPlaylistBytes = 1 << 20;  // a playlist is a few hundred bytes
constexpr int kMaxNesting = 4;
constexpr size_t kMaxCandidates = 64;

bool isHttp(const std::string& a) {
    auto lower = QString::fromStdString(a.substr(0, 8)).toLower();
    return lower.startsWith("http://") || lower.startsWith("https://");
}

// The engine wants a URI: escape what a URI can't hold raw (non-ASCII bytes, blanks).
std::string engineLocation(const std::string& address) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : address) {
        if (c >= 0x80 || c == ' ') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

constexpr libvlc_event_e kEngineEvents[] = {
    libvlc_MediaPlayerOpening, libvlc_MediaPlayerBuffering,  libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPaused,  libvlc_MediaPlayerStopped,    libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError};

enum class Glyph { Play, Pause, Stop, Volume, Muted };

// The transport buttons' glyphs, drawn here: the icon theme's lookup is slow at start-up and its
// look differs from desktop to desktop.
QIcon glyph(Glyph g) {
    const qreal dpr = 2;  // sharp on high-density screens too
    QPixmap pm(QSize(14, 14) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xdf, 0xe9, 0xf5);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (g) {
    case Glyph::Play:
        p.drawPolygon(QPolygonF({{3.5, 2}, {12, 7}, {3.5, 12}}));
        break;
    case Glyph::Pause:
        p.drawRect(QRectF(3, 2.5, 3, 9));
        p.drawRect(QRectF(8, 2.5, 3, 9));
        break;
    case Glyph::Stop:
        p.drawRect(QRectF(3, 3, 8, 8));
        break;
    case Glyph::Volume:
    case Glyph::Muted: {
        p.drawPolygon(QPolygonF({{1.5, 5}, {4, 5}, {7.5, 2}, {7.5, 12}, {4, 9}, {1.5, 9}}));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1.3, Qt::SolidLine, Qt::RoundCap));
        if (g == Glyph::Volume) {
            p.drawArc(QRectF(6, 4.5, 5, 5), -50 * 16, 100 * 16);
            p.drawArc(QRectF(5.5, 2.5, 8, 9), -50 * 16, 100 * 16);
        } else {
            p.drawLine(QPointF(9.5, 5), QPointF(13, 9));
            p.drawLine(QPointF(13, 5), QPointF(9.5, 9));
        }
        break;
    }
    }
    return QIcon(pm);
}

// The bar under the picture: a dark gradient, light labels, flat buttons that light up under the
// mouse. Painted here rather than by a style sheet, which costs milliseconds at start-up.
class TransportBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(0x3b, 0x4f, 0x6b));
        g.setColorAt(1, QColor(0x1c, 0x28, 0x38));
        p.fillRect(rect(), g);
    }
};

class GlyphButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override { return iconSize() + QSize(4, 4); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isEnabled() && (isDown() || underMouse())) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, isDown() ? 70 : 40));
            p.drawRoundedRect(QRectF(rect()), 3, 3);
        }
        QRect r(QPoint(0, 0), iconSize());
        r.moveCenter(rect().center());
        icon().paint(&p, r, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
};

QString clock(libvlc_time_t ms) {
    if (ms < 0) ms = 0;
    qint64 s = ms / 1000;
    return s >= 3600 ? QString::asprintf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60)
                     : QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

}  // namespace

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent) {
    // Becomes a native window of its own when the engine first needs one to draw into (winId()),
    // not at start-up; its parents stay as they are.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void VideoSurface::mouseDoubleClickEvent(QMouseEvent* e) {
    short button = e->button() == Qt::RightButton ? 2 : e->button() == Qt::MiddleButton ? 4 : 1;
    Qt::KeyboardModifiers m = e->modifiers();
    short shift = (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
    QPoint pos = e->position().toPoint();
    emit doubleClicked(button, shift, pos.x(), pos.y());
}

void VideoSurface::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) emit escapePressed();
    else QWidget::keyPressEvent(e);
}

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
    starting_ = std::async(std::launch::async, [args = std::move(args)] {
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        EngineParts e;
        const VlcApi* api = loadVlc();
        if (!api) return e;
        e.api = api;
        e.vlc = api->libvlc_new(static_cast<int>(argv.size()), argv.data());
        if (!e.vlc) return e;
        api->libvlc_set_user_agent(e.vlc, "qingchuan 1.31", "qingchuan/1.31");
        e.mp = api->libvlc_media_player_new(e.vlc);
        if (!e.mp) {
            api->libvlc_release(e.vlc);
            e.vlc = nullptr;
        }
        return e;
    });

    buildControls();
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
    EngineParts e = starting_.get();
    vlc_ = e.vlc;
    mp_ = e.mp;
    if (!mp_) return nullptr;
    vlc = e.api;
    // Let double-clicks and keys reach our widget instead of the engine's window.
    vlc->libvlc_video_set_mouse_input(mp_, false);
    vlc->libvlc_video_set_key_input(mp_, false);
    vlc->libvlc_audio_set_volume(mp_, volumeSlider_->value());
    if (muted_) vlc->libvlc_audio_set_mute(mp_, true);
    libvlc_event_manager_t* em = vlc->libvlc_media_player_event_manager(mp_);
    for (libvlc_event_e type : kEngineEvents)
        vlc->libvlc_event_attach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
    return mp_;
}

TWindowsMediaPlayer::~TWindowsMediaPlayer() {
    if (probe_) probe_->abort();
    if (starting_.valid()) {  // never used: nothing is attached to it yet
        EngineParts e = starting_.get();
        if (e.mp) e.api->libvlc_media_player_release(e.mp);
        if (e.vlc) e.api->libvlc_release(e.vlc);
    } else if (mp_) {
        libvlc_event_manager_t* em = vlc->libvlc_media_player_event_manager(mp_);
        for (libvlc_event_e type : kEngineEvents)
            vlc->libvlc_event_detach(em, type, &TWindowsMediaPlayer::onVlcEvent, this);
        vlc->libvlc_media_player_stop(mp_);
        vlc->libvlc_media_player_release(mp_);
        vlc->libvlc_release(vlc_);
    }
    delete fullWindow_;
}

void TWindowsMediaPlayer::buildControls() {
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

    auto* bar = new TransportBar(body_);
    bar->setObjectName("transportBar");
    QPalette light = bar->palette();
    light.setColor(QPalette::WindowText, QColor(0xdf, 0xe9, 0xf5));
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(4, 2, 4, 2);
    barLayout->setSpacing(1);
    position_ = new QSlider(Qt::Horizontal, bar);
    position_->setRange(0, 1000);
    position_->setEnabled(false);
    position_->setFixedHeight(12);
    barLayout->addWidget(position_);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    barLayout->addLayout(row);
    auto button = [&](Glyph icon, const QString& tip) {
        auto* b = new GlyphButton(bar);
        b->setIcon(glyph(icon));
        b->setIconSize(QSize(14, 14));
        b->setToolTip(tip);
        b->setAttribute(Qt::WA_Hover);
        row->addWidget(b);
        return b;
    };
    playPause_ = button(Glyph::Play, "播放");
    playPause_->setObjectName("playPause");
    stop_ = button(Glyph::Stop, "停止");
    stop_->setObjectName("stop");
    status_label_ = new QLabel(bar);
    status_label_->setObjectName("statusLine");
    status_label_->setPalette(light);
    status_label_->setMinimumWidth(60);
    row->addWidget(status_label_, 1);
    time_label_ = new QLabel(bar);
    time_label_->setPalette(light);
    row->addWidget(time_label_);
    mute_ = button(Glyph::Volume, "静音");
    mute_->setObjectName("mute");
    volumeSlider_ = new QSlider(Qt::Horizontal, bar);
    volumeSlider_->setObjectName("volume");
    volumeSlider_->setRange(0, 100);
    volumeSlider_->setValue(50);
    volumeSlider_->setFixedWidth(56);
    volumeSlider_->setToolTip("音量");
    row->addWidget(volumeSlider_);
    layout->addWidget(bar);

    connect(video_, &VideoSurface::doubleClicked, this, &TWindowsMediaPlayer::doubleClicked);
    connect(video_, &VideoSurface::escapePressed, this, [this] {
        if (fullScreen_) setFullScreen(kControlFalse);
    });
    connect(playPause_, &QToolButton::clicked, this, [this] {
        if (state_ == kPlaying) {
            vlc->libvlc_media_player_set_pause(mp_, 1);
        } else if (state_ == kPaused) {
            vlc->libvlc_media_player_set_pause(mp_, 0);
        } else if (!candidates_.empty() && !probe_ && !engineActive_) {
            next_ = 0;  // start the current address over
            startCandidate();
        }
    });
    connect(stop_, &QToolButton::clicked, this, [this] {
        watchdog_.stop();
        if (probe_) probe_->abort();
        stopEngine();
        setState(kStopped);
        setStatus(PlayerStatus::Stopped);
    });
    connect(mute_, &QToolButton::clicked, this, [this] {
        muted_ = !muted_;
        if (mp_) vlc->libvlc_audio_set_mute(mp_, muted_);  // else applied when the engine is ready
        mute_->setIcon(glyph(muted_ ? Glyph::Muted : Glyph::Volume));
    });
    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) {
        if (mp_) vlc->libvlc_audio_set_volume(mp_, v);
    });
    connect(position_, &QSlider::sliderReleased, this, [this] {
        if (engineActive_ && vlc->libvlc_media_player_is_seekable(mp_))
            vlc->libvlc_media_player_set_position(mp_, position_->value() / 1000.0f);
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
            player->statusNumber_ = type == libvlc_MediaPlayerBuffering ? cache : player->statusNumber_;
            player->engineEvent(type);
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
    playPause_->setIcon(glyph(state == kPlaying ? Glyph::Pause : Glyph::Play));
    playPause_->setToolTip(state == kPlaying ? "暂停" : "播放");
    if (state == kPlaying || state == kPaused) {
        positionTimer_.start();
    } else {
        positionTimer_.stop();
        position_->setValue(0);
        position_->setEnabled(false);
        time_label_->clear();
    }
    emit playStateChanged(state);
}

void TWindowsMediaPlayer::setStatus(PlayerStatus s, int number) {
    status_ = s;
    statusNumber_ = number;
    status_label_->setText(QString::fromStdString(statusText(s, number)));
    status_label_->setToolTip(status_label_->text());
}

QString TWindowsMediaPlayer::statusLine() const { return status_label_->text(); }

int TWindowsMediaPlayer::volume() const { return volumeSlider_->value(); }

void TWindowsMediaPlayer::updatePosition() {
    if (!engineActive_) return;
    libvlc_time_t length = vlc->libvlc_media_player_get_length(mp_);
    libvlc_time_t now = vlc->libvlc_media_player_get_time(mp_);
    bool seekable = vlc->libvlc_media_player_is_seekable(mp_) && length > 0;
    position_->setEnabled(seekable);
    if (seekable && !position_->isSliderDown())
        position_->setValue(static_cast<int>(vlc->libvlc_media_player_get_position(mp_) * 1000));
    time_label_->setText(length > 0 ? clock(now) + " / " + clock(length) : clock(now));
}

void TWindowsMediaPlayer::setFullScreen(ControlBool on) {
    const bool want = on != 0;
    if (want == (fullScreen_ != 0)) return;
    fullScreen_ = want ? kControlTrue : kControlFalse;
    if (want) {
        // The picture moves into a frameless window over the whole screen; playback goes on.
        fullWindow_ = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
        fullWindow_->setObjectName("fullScreenWindow");
        fullWindow_->setWindowTitle(window()->windowTitle());
        QPalette p = fullWindow_->palette();
        p.setColor(QPalette::Window, Qt::black);
        fullWindow_->setPalette(p);
        auto* l = new QVBoxLayout(fullWindow_);
        l->setContentsMargins(0, 0, 0, 0);
        body_->setParent(fullWindow_);
        l->addWidget(body_);
        body_->show();
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), fullWindow_);
        connect(esc, &QShortcut::activated, this, [this] { setFullScreen(kControlFalse); });
        QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        fullWindow_->setGeometry(s->geometry());
        fullWindow_->showFullScreen();
        fullWindow_->raise();
        fullWindow_->activateWindow();
        video_->setFocus();
    } else {
        body_->setParent(this);
        layout()->addWidget(body_);
        body_->show();
        fullWindow_->hide();
        fullWindow_->deleteLater();
        fullWindow_ = nullptr;
    }
}

}  // namespace qc
