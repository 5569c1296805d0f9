#pragma once
// The main window: background picture, the player in its panel, two picture buttons, the hidden
// memo, the start-up timer and the menu bar with the whole catalogue.

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue/dispatcher.h"
#include "core/ports/media_engine.h"
#include "update/qt_update.h"

class QFrame;
class QMenu;
class QPlainTextEdit;
class QStyle;
class QTimer;

namespace qc {

class MainWindowUpdate;
class TImage;
class TWindowsMediaPlayer;

// What the main window is given by whoever puts the program together (main, or a test).
struct Form1Parts {
    MediaEngine& playerEngine;  // outlives the window
    UpdateAdapters update;
    std::string updateAddress;  // the update descriptor's address
};

class TForm1 : public QMainWindow {
public:
    // Throws when a part can't be created (the player engine, say).
    TForm1(Shell& shell, Form1Parts parts);
    ~TForm1() override;

    // The windows created after this one, that some entries act on.
    void attach(FlashControl& flash, SecondaryWindow& games, SecondaryWindow& about);
    // First showing: centred on the screen.
    void showCentred();

    void Image3Click();
    void Image6Click();
    void Timer1Timer();
    void WindowsMediaPlayer1DoubleClick(short nButton, short nShiftState, int fX, int fY);

    TImage* Image1 = nullptr;
    TImage* Image3 = nullptr;
    TImage* Image6 = nullptr;
    QPlainTextEdit* m = nullptr;
    QFrame* Panel1 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image5 = nullptr;
    TWindowsMediaPlayer* WindowsMediaPlayer1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenuBar();
    void addEntries(QMenu* menu, const Entry& group);

    Shell& shell_;
    std::optional<Dispatcher> dispatcher_;
    QStyle* menuStyle_ = nullptr;
    std::unique_ptr<MainWindowUpdate> update_;  // the two update checks
};

}  // namespace qc
