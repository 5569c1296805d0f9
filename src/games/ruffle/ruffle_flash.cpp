#include "games/ruffle/ruffle_flash.h"

#include <malloc.h>
#include <signal.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLibraryInfo>
#include <QOpenGLContext>
#include <QPointer>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "core/games/page_answer.h"
#include "core/games/page_log.h"
#include "games/ruffle/engine_memory_watch.h"
#include "games/ruffle/ruffle_loads.h"
#include "games/ruffle/ruffle_scheme.h"
#include "shared/guard.h"

// Qt's own (exported, not in its public headers).
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace qc {

namespace {

// The player's page: it goes nowhere else, and opens no windows.
class GamePage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    std::function<void(int level, const QString& text, int line, const QString& source)> console;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return url.scheme() == kRuffleScheme;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& text, int line,
                                  const QString& source) override {
        if (console) guarded([&] { console(int(level), text, line, source); });
    }
};

// What our page says on the console when the player gives up on a movie, then the movie's address.
const QString kPanicSaid = QStringLiteral("qcgame:panic ");

// The page reaches nothing but our scheme, which asks the sandbox: not file:, not the web
// directly, whatever a movie or a fault in the page tries.
class OwnSchemeOnly : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != kRuffleScheme && scheme != "data" && scheme != "blob") info.block(true);
    }
};

}  // namespace

RuffleFlash::RuffleFlash(QWidget* parent, EngineDrawing drawing)
    : QWebEngineView(parent), drawing_(drawing), cover_(new QWidget(this)) {
    setObjectName("RuffleView");
    message_ = new QLabel(this);
    message_->setObjectName("GameMessage");
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setStyleSheet("QLabel { background: black; color: #e8e8e8; font-size: 16pt; padding: 24px; }");
    message_->hide();
    setFocusPolicy(Qt::StrongFocus);
    cover_->setObjectName("RuffleCover");
    QPalette black = cover_->palette();
    black.setColor(QPalette::Window, Qt::black);
    cover_->setPalette(black);
    cover_->setAutoFillBackground(true);
    cover_->hide();
    // Whenever the view takes the keyboard (the window shows, comes to the front, a new movie),
    // the page hands it on to the player.
    connectGuarded(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && (now == this || isAncestorOf(now)) && ready_) page_->runJavaScript("qcFocus();");
    });
    if (!ruffleSchemeRegistered())
        throw std::runtime_error("The Flash component could not be created: its scheme was registered too late");
    for (const char* name : {"ruffle.js", "player.html", "shim.js"}) {
        const QString file = ruffleFolder() + "/" + name;
        if (!QFileInfo(file).isFile())
            throw std::runtime_error("The Flash component could not be created: " + file.toStdString() + " is missing");
    }
}

RuffleFlash::~RuffleFlash() {
    // The page must go before its profile.
    delete page_;
}

void RuffleFlash::setMovie(const std::string& address) {
    pending_ = QString::fromStdString(address);
    message_->hide();
    wanted_ = true;
    cover(true);  // the old movie's picture goes now, however busy its page is
    if (page_) {
        page_->setAudioMuted(false);
        if (page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
            page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    }
    if (ready_) playPending();
    else if (!loading_ && !ending_) startPage();
    // From here on the sandbox is the new movie's, and the old one's loads are over.
    scheme_->startMovie(pending_);
}

void RuffleFlash::startPage() {
    if (!page_) {
        profile_ = new QWebEngineProfile(this);  // off the record: nothing is written to disk
        profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        scheme_ = new RuffleScheme(this);
        profile_->installUrlSchemeHandler(kRuffleScheme, scheme_);
        profile_->setUrlRequestInterceptor(new OwnSchemeOnly(profile_));
        auto* page = new GamePage(profile_, this);
        page->console = [this](int level, const QString& text, int line, const QString& source) {
            consoleMessage(level, text, line, source);
        };
        page_ = page;
        const FlashSandbox::Limits& limits = scheme_->loads().sandbox().limits();
        log_ = std::make_unique<PageLog>(limits.logLineBytes, limits.logLines, limits.logWindowMs);
        memory_ = new EngineMemoryWatch(
            page_, limits, [this] { endedFor_ = GameFailure::OutOfMemory; }, this);
        QWebEngineSettings* settings = page_->settings();
        settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        page_->setBackgroundColor(Qt::black);
        setPage(page_);
        connectGuarded(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            loading_ = false;
            ready_ = ok;
            if (ok) memory_->pageLoaded();
            if (!ok || !wanted_) return;
            playPending();
            // A fresh renderer draws into a view of its own: the keyboard goes to it.
            // (the games window's only control).
            if (window()->isActiveWindow()) setFocus(Qt::OtherFocusReason);
        });
        // A crashed page, or one the memory watch ended, is loaded afresh with the next movie (and
        // says why); a busy one we ended, at once if a movie is wanted.
        connectGuarded(page_, &QWebEnginePage::renderProcessTerminated, this,
                       [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                           ++asked_;  // what the old renderer still owed answers nothing now
                           ready_ = loading_ = false;
                           const bool ended = ending_;
                           ending_ = false;
                           if (endedFor_) showFailure(*endedFor_);
                           else if (!ended && status != QWebEnginePage::NormalTerminationStatus)
                               showFailure(GameFailure::EngineFailed);
                           endedFor_.reset();
                           if (ended && wanted_) startPage();
                       });
    }
    loading_ = true;
    // The page chooses Ruffle's renderer by how the engine draws.
    page_->load(QUrl(kRuffleOrigin + "/player.html?drawing=" +
                     QString::fromUtf8(drawingName(drawing_).data(), qsizetype(drawingName(drawing_).size()))));
}

void RuffleFlash::resizeEvent(QResizeEvent* event) {
    QWebEngineView::resizeEvent(event);
    message_->setGeometry(rect());
    cover_->setGeometry(rect());
}

void RuffleFlash::showFailure(GameFailure failure) {
    message_->setText(QString::fromStdString(gameFailureText(failure)));
    message_->setGeometry(rect());
    message_->raise();  // over the view's own child, which the page makes after ours
    message_->show();
}

void RuffleFlash::consoleMessage(int level, const QString& text, int line, const QString& source) {
    // Our page (its address carries how the engine draws), not a movie's own script.
    const QUrl from(source);
    if (from.adjusted(QUrl::RemoveQuery) == QUrl(kRuffleOrigin + "/player.html") && text.startsWith(kPanicSaid)) {
        if (text.mid(kPanicSaid.size()) == pending_)
            showFailure(scheme_->loads().movieFailure().value_or(GameFailure::NotAMovie));
        return;
    }
    // A trap in Ruffle's wasm (its memory capped, or a fault of its own) leaves the engine unusable
    // for every later movie, with no word of it on the page: the page is ended, and loaded afresh
    // with the next movie.
    if (level == QWebEnginePage::ErrorMessageLevel && source.startsWith("wasm://") && text.contains("RuntimeError") &&
        !endedFor_)
        endedFor_ = memory_->endPage() ? GameFailure::OutOfMemory : GameFailure::EngineFailed;
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    const auto kind = level == QWebEnginePage::ErrorMessageLevel     ? PageLog::Level::Error
                      : level == QWebEnginePage::WarningMessageLevel ? PageLog::Level::Warning
                                                                     : PageLog::Level::Info;
    for (const std::string& out : log_->message(kind, text.toStdString(), source.toStdString(), line, clock.elapsed()))
        std::fprintf(stderr, "%s\n", out.c_str());
}

void RuffleFlash::playPending() {
    const QString arg = QString::fromUtf8(QJsonDocument(QJsonArray{pending_}).toJson(QJsonDocument::Compact));
    whenAnswering("qcPlay(" + arg + "[0]);", [this](const QVariant& played) {
        // The player showed its error panel: start a fresh page, which then plays the pending movie.
        if (!played.toBool()) {
            ready_ = false;
            startPage();
            return;
        }
        cover(false);  // the old player is gone from the page: the new movie shows as it loads
    });
}

void RuffleFlash::whenAnswering(const QString& script, std::function<void(const QVariant&)> answered) {
    const uint64_t ask = ++asked_;
    page_->runJavaScript(script, [this, ask, answered = std::move(answered)](const QVariant& value) {
        if (ask != asked_ || ending_) return;  // a later script, or a fresh page, is what counts
        answered_ = ask;
        answered(value);
    });
    watchAnswer(ask, std::make_shared<PageAnswer>(rendererSleeps()));
}

// A page stuck in a movie's script has its renderer ended, and a fresh one takes the next movie;
// one that is only slow is waited for.
void RuffleFlash::watchAnswer(uint64_t ask, std::shared_ptr<PageAnswer> watch) {
    QTimer::singleShot(PageAnswer::kLookMs, this, [this, ask, watch] {
        if (ask != asked_ || answered_ == ask || ending_) return;
        if (watch->look(rendererSleeps()) == PageAnswer::Verdict::Wait) watchAnswer(ask, watch);
        else endBusyRenderer();
    });
}

long RuffleFlash::rendererSleeps() const {
    const qint64 pid = page_ ? page_->renderProcessPid() : 0;
    if (pid <= 0) return -1;
    // The main thread is the process's first.
    std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::atol(line.c_str() + 24);
    return -1;
}

void RuffleFlash::endBusyRenderer() {
    ready_ = false;
    loading_ = false;
    const qint64 pid = page_->renderProcessPid();
    if (pid <= 0) {
        if (wanted_) startPage();
        return;
    }
    // Not through the page, whose main thread is the one that is busy: sound and work stop now.
    ending_ = true;
    ::kill(pid_t(pid), SIGKILL);
}

void RuffleFlash::hideEvent(QHideEvent* event) {
    QWebEngineView::hideEvent(event);
    wanted_ = false;
    if (!page_) return;
    page_->setAudioMuted(true);  // sound plays from our own process: silent at once
    if (!ready_) return;
    // The player pauses a hidden page's movie itself; a page too busy to notice is ended, and one
    // that answers is frozen, so that nothing of it runs until the next movie.
    whenAnswering("0", [this](const QVariant&) {
        if (!wanted_ && !isVisible()) page_->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
    });
}

void RuffleFlash::cover(bool on) {
    if (!on) {
        cover_->hide();
        return;
    }
    cover_->setGeometry(rect());
    cover_->raise();  // over the page's own view, which a fresh renderer makes anew
    cover_->show();
}

}  // namespace qc

extern "C" Q_DECL_EXPORT qc::FlashEngine* qingchuan_create_flash_engine(QWidget* parent, qc::EngineDrawing drawing) {
    // A movie's bodies pass through here a megabyte at a time. glibc's threshold for giving large
    // blocks their own mapping rises with each one freed, after which they come from the heap and
    // stay there: measured, 100 MB and more kept by this process after a movie's large loads. A
    // fixed threshold gives every such block back as it is freed.
    mallopt(M_MMAP_THRESHOLD, 256 << 10);
    // Ruffle's heap is its wasm memory: capped a little over the engine's budget, so that no
    // single step of a movie, however large, takes the page far past it before the memory watch
    // looks (wasm memory never shrinks: the watch then ends the page all the same). Set before the
    // web engine starts, which reads its switches then.
    const QByteArray pages = QByteArray::number((qc::FlashSandbox::Limits{}.engineBytes + (128 << 20)) >> 16);
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--js-flags=")) flags.replace("--js-flags=", "--js-flags=--wasm-max-mem-pages=" + pages + ",");
    else flags += " --js-flags=--wasm-max-mem-pages=" + pages;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    // Drawing on canvas only, the view that shows the engine's frames draws in software too, and no
    // OpenGL is set up at all. The web engine gives its pages WebGL only where the view draws
    // with OpenGL.
    const bool openGl = drawing != qc::EngineDrawing::Canvas;
    if (!openGl) QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // The web engine wants the application's shared OpenGL context, which an application makes at
    // its start when asked to (Qt::AA_ShareOpenGLContexts). Asking costs every start-up ~50 ms of
    // OpenGL set-up, for games that may never be played: make that context here instead. Drawing
    // in software, the engine only reads it: an uncreated one will do.
    if (!qt_gl_global_share_context()) {
        auto* shared = new QOpenGLContext(qApp);
        if (openGl) shared->create();
        qt_gl_set_global_share_context(shared);
    }
    // Before the first profile exists, which is as early as a scheme can be made known.
    qc::registerRuffleScheme();
    return new qc::RuffleFlash(parent, drawing);
}
