#include "shared/caption_bar.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "shared/guard.h"
#include "shared/window_manager.h"

namespace qc {

namespace {

constexpr int kButtonWidth = 20, kButtonHeight = 16;

class CaptionButton : public QAbstractButton {
public:
    enum Glyph { Minimise, Close };
    CaptionButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), glyph_(glyph) {
        setFixedSize(kButtonWidth, kButtonHeight);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QColor face(isDown() ? QColor(196, 204, 216) : underMouse() ? QColor(250, 252, 255) : QColor(236, 240, 246));
        p.setPen(QColor(60, 74, 104));
        p.setBrush(face);
        p.drawRect(box);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 24, 32), 1.6, Qt::SolidLine, Qt::SquareCap));
        const QPointF c = box.center();
        if (glyph_ == Minimise) {
            p.drawLine(QPointF(c.x() - 4, c.y() + 3), QPointF(c.x() + 3, c.y() + 3));
        } else {
            p.drawLine(QPointF(c.x() - 3.5, c.y() - 3.5), QPointF(c.x() + 3.5, c.y() + 3.5));
            p.drawLine(QPointF(c.x() - 3.5, c.y() + 3.5), QPointF(c.x() + 3.5, c.y() - 3.5));
        }
    }

private:
    Glyph glyph_;
};

}  // namespace

CaptionBar::CaptionBar(QWidget* window)
    : QWidget(window),
      minimise_(new CaptionButton(CaptionButton::Minimise, this)),
      close_(new CaptionButton(CaptionButton::Close, this)) {
    setObjectName("caption");
    minimise_->setObjectName("minimise");
    close_->setObjectName("close");
    minimise_->setToolTip("最小化");
    close_->setToolTip("关闭");
    // Plain connections: they only hand the click to the window, as the desktop's frame would.
    // Closing runs the window's own close handling: guarded like every handler.
    connectGuarded(minimise_, &QAbstractButton::clicked, window, [window] { window->showMinimized(); });
    connectGuarded(close_, &QAbstractButton::clicked, window, [window] { window->close(); });
    setGeometry(0, 0, window->width(), kHeight);
    window->installEventFilter(this);
}

bool CaptionBar::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window() && e->type() == QEvent::Resize) setGeometry(0, 0, window()->width(), kHeight);
    return false;
}

void CaptionBar::resizeEvent(QResizeEvent*) {
    const int top = (kHeight - kButtonHeight) / 2;
    close_->move(width() - 3 - kButtonWidth, top);
    minimise_->move(close_->x() - 2 - kButtonWidth, top);
}

void CaptionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool active = window()->isActiveWindow();
    QLinearGradient g(0, 0, width(), 0);
    g.setColorAt(0, active ? QColor(10, 36, 106) : QColor(128, 128, 128));
    g.setColorAt(1, active ? QColor(166, 202, 240) : QColor(192, 192, 192));
    p.fillRect(rect(), g);
    const QIcon icon = window()->windowIcon();
    if (!icon.isNull()) icon.paint(&p, QRect(3, (kHeight - 16) / 2, 16, 16));
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(active ? Qt::white : QColor(224, 224, 224));
    p.drawText(QRect(23, 0, minimise_->x() - 27, kHeight), Qt::AlignLeft | Qt::AlignVCenter, window()->windowTitle());
}

void CaptionBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && window()->windowHandle()) window()->windowHandle()->startSystemMove();
}

void CaptionBar::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }  // no maximise

bool CaptionBar::event(QEvent* e) {
    // Children hear of their window's activation by these, not by ActivationChange.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) update();
    return QWidget::event(e);
}

bool desktopOffersDeadMaximise() {
    // Asked once (three round trips to the X server), for both windows.
    static const bool dead = [] {
        const QString platform = QGuiApplication::platformName();
        return platform == "wayland" || (platform == "xcb" && windowManagerName() == "Openbox");
    }();
    return dead;
}

namespace {

// Takes back a maximise (or full screen) of a fixed-size window as soon as it is asked for or
// done: under Wayland before the compositor answers with a size the window can't take (it would
// end the window), on X where a window manager maximises whatever it is asked to (weston's).
class KeepsFixed : public QObject {
public:
    explicit KeepsFixed(QWidget* window) : QObject(window) { window->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show && !watching_) {
            QWindow* handle = static_cast<QWidget*>(watched)->windowHandle();
            if (!handle) return false;
            watching_ = true;
            connectGuarded(handle, &QWindow::windowStateChanged, this, [handle](Qt::WindowState state) {
                if (state == Qt::WindowMaximized || state == Qt::WindowFullScreen)
                    handle->setWindowStates(handle->windowStates() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
            });
        }
        return false;
    }

private:
    bool watching_ = false;
};

}  // namespace

CaptionBar* frameFixedWindow(QWidget* window) {
    new KeepsFixed(window);
    if (!desktopOffersDeadMaximise()) return nullptr;
    // Only the type: with any button hint beside it, Qt would put the frame back.
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    return new CaptionBar(window);
}

}  // namespace qc
