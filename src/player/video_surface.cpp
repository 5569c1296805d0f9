#include "player/video_surface.h"

#include <cstring>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "shared/guard.h"

namespace qc {

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted here
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void VideoSurface::picture(const std::uint8_t* pixels, int width, int height, int pitch) {
    if (!pixels || width <= 0 || height <= 0 || pitch < width * 4) return;
    if (frame_.width() != width || frame_.height() != height) frame_ = QImage(width, height, QImage::Format_RGB32);
    // B, G, R, unused in memory order is what RGB32 holds on this byte order; copied, since the
    // engine's buffer is ours only during the call.
    const auto row = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(frame_.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * pitch, row);
    update();
}

void VideoSurface::clearPicture() {
    frame_ = QImage();
    update();
}

void VideoSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (frame_.isNull()) return;
    QSize size = frame_.size().scaled(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(rect().center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, frame_);
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

FullScreenFrame::~FullScreenFrame() { delete window_; }

void FullScreenFrame::enter(QWidget* home, QWidget* body, QWidget* focus, std::function<void()> leave) {
    window_ = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window_->setObjectName("fullScreenWindow");
    window_->setWindowTitle(home->window()->windowTitle());
    QPalette p = window_->palette();
    p.setColor(QPalette::Window, Qt::black);
    window_->setPalette(p);
    auto* l = new QVBoxLayout(window_);
    l->setContentsMargins(0, 0, 0, 0);
    body->setParent(window_);
    l->addWidget(body);
    body->show();
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
    connectGuarded(esc, &QShortcut::activated, home, std::move(leave));
    QScreen* s = home->screen() ? home->screen() : QGuiApplication::primaryScreen();
    window_->setGeometry(s->geometry());
    window_->showFullScreen();
    window_->raise();
    window_->activateWindow();
    focus->setFocus();
}

void FullScreenFrame::leave(QWidget* home, QWidget* body) {
    body->setParent(home);
    home->layout()->addWidget(body);
    body->show();
    window_->hide();
    window_->deleteLater();
    window_ = nullptr;
}

}  // namespace qc
