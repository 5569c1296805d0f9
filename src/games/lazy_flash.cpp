#include "games/lazy_flash.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QVBoxLayout>
#include <stdexcept>

#include "core/games/engine_drawing.h"
#include "shared/child_environment.h"
#include "shared/program_folders.h"

namespace qc {

namespace {

bool helperProcessPresent() {
    for (const QString& dir :
         {QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath), QCoreApplication::applicationDirPath()}) {
        QFileInfo helper(dir + "/QtWebEngineProcess");
        if (helper.isFile() && helper.isExecutable()) return true;
    }
    return false;
}

// A GPU this user may draw on: a render node of the kernel's graphics drivers.
bool gpuPresent() {
    const QDir dri("/dev/dri");
    for (const QString& node : dri.entryList({"renderD*"}, QDir::System))
        if (::access(QFile::encodeName(dri.filePath(node)).constData(), R_OK | W_OK) == 0) return true;
    return false;
}

EngineDrawing chosenDrawing = EngineDrawing::CanvasFirst;

}  // namespace

void prepareFlashEngine() {
    // Chromium sends nothing of its own anywhere: the only traffic is the movie, through us.
    QByteArray flags =
        "--disable-background-networking --disable-component-update --disable-domain-reliability"
        " --disable-sync --disable-breakpad --no-pings --dns-prefetch-disable --no-proxy-server"
        " --disable-features=NetworkTimeServiceQuerying,OptimizationHints,MediaRouter,AutofillServerCommunication"
        // Sound plays from our own process: one helper process fewer (9 MB).
        ",AudioServiceOutOfProcess"
        // Ruffle is 14 MB of wasm. Compiled as it runs, and optimized only where a movie's code is
        // really hot (not all that runs while Ruffle starts), the first game shows in 0.7 of the
        // time and the engine holds 60 MB less; a busy movie's script runs as fast as before.
        " --js-flags=--wasm-lazy-compilation,--wasm-tiering-budget=1000000000";
    if (geteuid() == 0) flags += " --no-sandbox";  // Chromium refuses to run as root with its sandbox
    const DrawingChoice choice = chooseEngineDrawing(qgetenv(kEngineGpuVariable).toStdString(), gpuPresent());
    chosenDrawing = choice.drawing;
    if (choice.drawing == EngineDrawing::Canvas) {
        flags += " --disable-gpu";
        // Nothing in the viewer draws with OpenGL then: without this, the engine's start loads
        // Mesa's software OpenGL only to look at it (44 MB).
        if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) setOwnVariable("QT_XCB_GL_INTEGRATION", "none");
    } else if (choice.drawing == EngineDrawing::CanvasFirst) {
        // OpenGL for the movies' WebGL only, in software: the page is composited without it.
        flags += " --enable-webgl-software-rendering --disable-gpu-compositing --ignore-gpu-blocklist";
    } else if (choice.forced) {
        flags += " --ignore-gpu-blocklist";  // software OpenGL, which Chromium won't use of itself
    }
    setOwnVariable("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

QStringList defaultFlashModuleDirs() {
    // The build tree has it beside the viewer; installed, it lies in the private library folder.
    return {QCoreApplication::applicationDirPath(), privateLibraryFolder(), configuredPrivateLibraryFolder()};
}

LazyFlash::LazyFlash(QWidget* parent, const QStringList& moduleDirs) : QWidget(parent) {
    setObjectName("ShockwaveFlash1");
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    for (const QString& dir : moduleDirs) {
        QFileInfo f(dir + "/" + kFlashModule);
        if (f.isFile()) {
            modulePath_ = f.absoluteFilePath();
            break;
        }
    }
    if (modulePath_.isEmpty())
        throw std::runtime_error(std::string("The Flash component could not be created: ") + kFlashModule +
                                 " is missing");
    if (!helperProcessPresent())
        throw std::runtime_error("The Flash component could not be created: QtWebEngineProcess is missing");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window's only control, at tab order 0: it takes the keyboard, and hands it to the movie.
    setFocusPolicy(Qt::StrongFocus);
}

LazyFlash::~LazyFlash() = default;  // the engine is a child widget; the module stays loaded

void LazyFlash::setMovie(const std::string& address) {
    if (!engine_) {
        QLibrary module(modulePath_);
        auto create = reinterpret_cast<CreateFlashEngine>(module.resolve(kCreateFlashEngine));
        if (!create)
            throw std::runtime_error("The Flash component could not be loaded: " + module.errorString().toStdString());
        engine_ = create(this, chosenDrawing);
        layout()->addWidget(engine_->widget());
        setFocusProxy(engine_->widget());
    }
    engine_->setMovie(address);
    // Keys go to the new movie without a click.
    if (window()->isActiveWindow()) setFocus(Qt::OtherFocusReason);
}

}  // namespace qc
