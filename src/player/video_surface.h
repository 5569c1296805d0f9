#pragma once
// The picture area, and full screen: the player's body moved into a frameless window over the
// whole screen, and back.

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/ports/media_engine.h"

namespace qc {

// Paints the engine's pictures, scaled to fit, black where there are none; an ordinary widget
// (no native window), so that nothing of the engine's can cover the controls. Reports
// double-clicks.
class VideoSurface : public QWidget, public PictureSink {
    Q_OBJECT
public:
    explicit VideoSurface(QWidget* parent);
    void picture(const std::uint8_t* pixels, int width, int height, int pitch) override;
    void clearPicture() override;
    bool hasPicture() const { return !frame_.isNull(); }
signals:
    // Button and shift state as the control numbers them (1 left, 2 right, 4 middle; 1 shift,
    // 2 control, 4 alt); position inside the picture.
    void doubleClicked(short button, short shiftState, int x, int y);
    void escapePressed();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QImage frame_;
};

// Without help from the window manager: playback goes on while the body moves.
class FullScreenFrame {
public:
    ~FullScreenFrame();
    bool active() const { return window_ != nullptr; }
    // Moves `body` out of `home` into a frameless window over home's screen; `focus` gets the
    // keyboard, and Escape there calls `leave`.
    void enter(QWidget* home, QWidget* body, QWidget* focus, std::function<void()> leave);
    // Gives `body` back to `home`'s layout.
    void leave(QWidget* home, QWidget* body);

private:
    QPointer<QWidget> window_;
};

}  // namespace qc
