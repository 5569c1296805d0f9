#include "games/form4.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "games/lazy_flash.h"
#include "shared/window_manager.h"

namespace qc {

TForm4::TForm4() : TForm4(defaultFlashModuleDirs()) {}

TForm4::TForm4(const QStringList& moduleDirs) : flash_(new LazyFlash(this, moduleDirs)) {
    setObjectName("Form4");
    setWindowTitle("休闲游戏");
    setGeometry(kDesigned);              // the frame is added to it until the first restore knows its size
    auto* fill = new QVBoxLayout(this);  // alClient: the control follows every size of the window
    fill->setContentsMargins(0, 0, 0, 0);
    fill->setSpacing(0);
    fill->addWidget(flash_);
    setFocusProxy(flash_);
}

TForm4::~TForm4() = default;

FlashControl& TForm4::ShockwaveFlash1() { return *flash_; }

void TForm4::showEvent(QShowEvent* event) {
    SecondaryForm::showEvent(event);
    flash_->setFocus(Qt::ActiveWindowFocusReason);
}

void TForm4::changeEvent(QEvent* event) {
    SecondaryForm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) flash_->setFocus(Qt::ActiveWindowFocusReason);
    // Restored for the first time: the designed place and size are the frame's, which only the
    // window manager knows, now that it has framed the window.
    if (event->type() == QEvent::WindowStateChange && designedPlacePending_ &&
        (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized) &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        designedPlacePending_ = false;
        placeAsDesigned(kPlacingTries);
    }
}

// The frame's size shows only once the window manager has framed the restored window, a moment
// after the restore: until then the correction is tried again.
void TForm4::placeAsDesigned(int tries) {
    if (tries == 0 || windowState() != Qt::WindowNoState) return;
    const QRect frame = frameGeometry(), client = geometry();
    const QMargins m(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                     frame.bottom() - client.bottom());
    const QRect wanted(kDesigned.topLeft() + QPoint(m.left(), m.top()), kDesigned.size().shrunkBy(m));
    if (frame == kDesigned && client == wanted) return;
    if (client != wanted) setGeometry(wanted);
    QTimer::singleShot(kPlacingStepMs, this, [this, tries] { placeAsDesigned(tries - 1); });
}

void TForm4::firstShow() {
    designedPlacePending_ = true;
    showMaximized();
    // Without a window manager nobody maximises it, though Qt reports it maximised all the same:
    // if the work area is still not covered a little later, take it ourselves. Never beside a
    // window manager: it would keep that size as the one to restore to.
    if (QGuiApplication::platformName() != "xcb" || !windowManagerName().isEmpty()) return;
    QTimer::singleShot(kWindowManagerGraceMs, this, [this] {
        if (!isVisible() || isMinimized() || !isMaximized()) return;
        const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
        if (!frameGeometry().contains(work)) setGeometry(work);
    });
}

}  // namespace qc
