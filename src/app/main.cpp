// Start-up: the three windows in their order, then the message loop until the main window closes.
// The one place where the windows and the adapters that reach the world are made and put together.

#include <QApplication>
#include <QIcon>
#include <memory>
#include <stdexcept>

#include "app/form1.h"
#include "app/startup.h"
#include "core/app/app_text.h"
#include "games/form4.h"
#include "games/lazy_flash.h"
#include "help/form8.h"
#include "player/engine_process.h"
#include "player/player_control.h"
#include "shared/guard.h"
#include "shared/xdg_shell.h"
#include "update/curl_download.h"
#include "update/qt_update.h"
#include "update/update_folders.h"

namespace {

struct Windows {
    std::unique_ptr<qc::TForm1> form1;
    std::unique_ptr<qc::TForm8> form8;
    std::unique_ptr<qc::TForm4> form4;
};

// What the windows act on beyond themselves, for the life of the program.
struct Adapters {
    // The media engine runs in a confined process of its own: no stream can crash or take over
    // the viewer. Started first, it loads libvlc while the windows are built.
    qc::EngineProcess playerEngine{qc::EngineProcess::enginePath()};
    Adapters() { playerEngine.start(); }
    qc::XdgShell shell;
    qc::CurlDownload download;
    qc::QtUpdateFolders folders;
    qc::DetachedLauncher launcher;
};

Windows createWindows(Adapters& a) {
    Windows w;
    w.form1 = std::make_unique<qc::TForm1>(a.shell, qc::Form1Parts{.playerEngine = a.playerEngine,
                                                                   .update = {a.download, a.folders, a.launcher},
                                                                   .updateAddress = QINGCHUAN_UPDATE_URL});
    w.form8 = std::make_unique<qc::TForm8>(a.shell);
    w.form4 = std::make_unique<qc::TForm4>();
    w.form1->attach(w.form4->ShockwaveFlash1(), *w.form4, *w.form8);
    if (!a.playerEngine.waitUntilStarted()) throw std::runtime_error("The media player component could not be created");
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    qc::prepareFlashEngine();  // the web engine reads its switches when it starts
    qc::addPlatformFallbacks();
    QApplication app(argc, argv);
    const QString exe = QCoreApplication::applicationFilePath();
    qc::setApplicationTitle(qc::applicationTitle(exe.toStdString()));
    app.setWindowIcon(QIcon(":/pictures/qingchuan.ico"));
    app.setQuitOnLastWindowClosed(false);  // only the main window ends the program

    Adapters adapters;
    Windows windows;
    try {
        windows = createWindows(adapters);
    } catch (const std::exception& e) {
        return qc::reportStartupFailure(e, exe, reinterpret_cast<const void*>(&createWindows));
    }
    windows.form1->showCentred();
    return app.exec();
}
