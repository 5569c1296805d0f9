#include "games/form4.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "games/lazy_flash.h"

namespace qc {

TForm4::TForm4() : TForm4(defaultFlashModuleDirs()) {}

TForm4::TForm4(const QStringList& moduleDirs) : flash_(new LazyFlash(this, moduleDirs)) {
    setObjectName("Form4");
    setWindowTitle("休闲游戏");
    setGeometry(204, 157, 544, 375);
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
}

void TForm4::firstShow() {
    showMaximized();
    // Without a window manager nobody maximises it, though Qt reports it maximised all the same:
    // if the work area is still not covered a little later, take it ourselves.
    QTimer::singleShot(kWindowManagerGraceMs, this, [this] {
        if (!isVisible() || isMinimized() || !isMaximized()) return;
        const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
        if (!frameGeometry().contains(work)) setGeometry(work);
    });
}

}  // namespace qc
