#pragma once
// The Qt side of the update check: message boxes, the memo, the timer, the main window and the
// updater's start, and the two handlers wired to the real widgets.

#include <memory>

#include "core/update/update_check.h"
#include "update/curl_download.h"
#include "update/update_folders.h"

class QPlainTextEdit;
class QTimer;
class QWidget;

namespace qc {

// One "OK" button, default and also pressed by Escape and the close box; modal; centred on the
// screen. Caption and icon by kind: "Information" / information, "Confirm" / question mark.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void show(MessageKind kind, const std::string& textUtf8) override;

private:
    QWidget* parent_;
};

// The widget holds Unicode lines; the port speaks GBK with CR LF between lines.
class QtMemo : public Memo {
public:
    explicit QtMemo(QPlainTextEdit& m) : m_(m) {}
    void setText(const std::string& gbk) override;
    std::string text() const override;

private:
    QPlainTextEdit& m_;
};

class QtTimer : public Timer {
public:
    explicit QtTimer(QTimer& t) : t_(t) {}
    void disable() override;

private:
    QTimer& t_;
};

class QtUpdateHost : public UpdateHost {
public:
    explicit QtUpdateHost(QWidget& mainWindow) : window_(mainWindow) {}
    std::string caption() const override;
    void closeMainWindow() override;

private:
    QWidget& window_;
};

class DetachedLauncher : public ProcessLauncher {
public:
    void startDetached(const std::string& program) override;
};

// What of the update check reaches beyond the windows; made where the program is put together.
struct UpdateAdapters {
    Download& download;
    UpdateFolders& folders;
    ProcessLauncher& launcher;
};

// The main window's two checks, on the real widgets and the adapters given.
class MainWindowUpdate {
public:
    MainWindowUpdate(QWidget& mainWindow, QPlainTextEdit& m, QTimer& Timer1, std::string address,
                     UpdateAdapters adapters);
    void Image3Click();
    void Timer1Timer();

private:
    QtMemo memo_;
    QtMessageBoxes boxes_;
    QtUpdateHost host_;
    QtTimer timer_;
    UpdatePorts ports_;
};

}  // namespace qc
