#include "player/video_surface.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "shared/guard.h"

namespace qc {

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
