#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <cmath>

#include "core/app/app_text.h"
#include "core/app/fullscreen.h"
#include "player/player_control.h"
#include "shared/caption_bar.h"
#include "shared/guard.h"
#include "shared/picture.h"
#include "update/qt_update.h"

// The pictures live in a static library, whose resources must be registered by hand.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace qc {

namespace {

// Long menus scroll in one column instead of breaking into several; the bar's captions sit
// tight enough for ten of them to share 588 pixels. (A style sheet would do the same at a cost
// of milliseconds at start-up.)
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_Menu_Scrollable) return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_MenuBarItemSpacing) return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    // The item a keyboard user is on (Alt, the arrows) shows as the open one does: the style alone
    // marks it only while its menu is open. At fractional scales the style's lines stop a pixel
    // short of the next item (and of the bar's end), which showed as seams: each box reaches one
    // pixel on.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if ((element != CE_MenuBarItem && element != CE_MenuBarEmptyArea) || !item)
            return QProxyStyle::drawControl(element, option, painter, widget);
        QStyleOptionMenuItem drawn = *item;
        if (element == CE_MenuBarItem && (drawn.state & State_Selected) && widget && widget->hasFocus())
            drawn.state |= State_Sunken;
        const qreal scale = painter->device()->devicePixelRatio();
        if (scale != std::floor(scale)) drawn.rect.adjust(0, 0, 1, 0);
        QProxyStyle::drawControl(element, &drawn, painter, widget);
    }
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuBarItem && !size.isEmpty()) return size + QSize(2 * 6, 2 * 3);
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
};

}  // namespace

TForm1::TForm1(Shell& shell, Form1Parts parts)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      shell_(shell) {
    initResources();
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8(kMainCaption.data(), kMainCaption.size()));
    if (frameFixedWindow(this)) setContentsMargins(0, CaptionBar::kHeight, 0, 0);

    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setFixedSize(588, 341);
    setCentralWidget(client);

    // Children in stacking order, bottom first.
    Image1 = new TImage(client, "Image1", ":/pictures/image1.bmp", {0, 0, 588, 341});
    Image3 = new TImage(client, "Image3", ":/pictures/image3.bmp", {496, 308, 65, 33});
    Image3->makeButton("升级更新");
    Image6 = new TImage(client, "Image6", ":/pictures/image6.bmp", {400, 6, 70, 20});
    Image6->makeButton("全屏观看");
    // The memo lies below the client area: a text buffer the user never sees.
    m = new QPlainTextEdit(client);
    m->setObjectName("m");
    m->setGeometry(160, 396, 185, 25);
    Panel1 = new QFrame(client);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(8, 34, 391, 307);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    auto* caption = new QLabel("Panel1", Panel1);
    caption->setGeometry(Panel1->rect());
    caption->setAlignment(Qt::AlignCenter);
    Image4 = new TImage(Panel1, "Image4", ":/pictures/image4.bmp", {0, 263, 17, 41});
    Image5 = new TImage(Panel1, "Image5", ":/pictures/image5.bmp", {376, 264, 17, 41});
    WindowsMediaPlayer1 = new TWindowsMediaPlayer(Panel1, parts.playerEngine);
    WindowsMediaPlayer1->setGeometry(1, 1, 389, 305);

    connectGuarded(Image3, &TImage::clicked, this, [this] { Image3Click(); });
    connectGuarded(Image6, &TImage::clicked, this, [this] { Image6Click(); });
    connectGuarded(WindowsMediaPlayer1, &TWindowsMediaPlayer::doubleClicked, this,
                   [this](short b, short s, int x, int y) { WindowsMediaPlayer1DoubleClick(b, s, x, y); });

    buildMenuBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connectGuarded(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
    update_ = std::make_unique<MainWindowUpdate>(*this, *m, *Timer1, std::move(parts.updateAddress), parts.update);

    adjustSize();
    setFixedSize(sizeHint());
}

TForm1::~TForm1() = default;

void TForm1::attach(FlashControl& flash, SecondaryWindow& games, SecondaryWindow& about) {
    dispatcher_.emplace(ActionTargets{*WindowsMediaPlayer1, shell_, flash, games, about});
}

void TForm1::buildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    bar->setNativeMenuBar(false);
    // Ten captions must share 588 pixels without an overflow button.
    QFont small = bar->font();
    small.setPixelSize(12);
    bar->setFont(small);
    menuStyle_ = new MenuStyle;
    menuStyle_->setParent(this);
    bar->setStyle(menuStyle_);
    // F10 opens the first menu, as on other desktops.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connectGuarded(f10, &QShortcut::activated, this, [bar] {
        for (QAction* a : bar->actions())
            if (a->isVisible()) return bar->setActiveAction(a);
    });
    for (const Entry& menu : Catalogue::builtIn().menus()) {
        if (!menu.visible) continue;  // hidden for the life of the program: never built
        QMenu* sub = bar->addMenu(QString::fromStdString(menu.caption));
        sub->setObjectName(QString::fromStdString(menu.name));
        sub->setStyle(menuStyle_);
        addEntries(sub, menu);
    }
}

void TForm1::addEntries(QMenu* menu, const Entry& group) {
    for (const Entry& e : group.children) {
        if (!e.visible) continue;
        const Entry* entry = &e;  // the catalogue lives as long as the program
        if (e.isGroup()) {
            QMenu* sub = menu->addMenu(QString::fromStdString(e.caption));
            sub->setObjectName(QString::fromStdString(e.name));
            sub->setStyle(menuStyle_);
            if (e.action != Action::None)
                connectGuarded(sub, &QMenu::aboutToShow, this, [this, entry] {
                    if (dispatcher_) dispatcher_->opened(*entry);
                });
            addEntries(sub, e);
        } else {
            QAction* a = menu->addAction(QString::fromStdString(e.caption));
            a->setObjectName(QString::fromStdString(e.name));
            connectGuarded(a, &QAction::triggered, this, [this, entry] {
                if (dispatcher_) dispatcher_->choose(*entry);
            });
        }
    }
}

void TForm1::showCentred() {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
    show();
}

void TForm1::Image6Click() { toggleFullScreen(*WindowsMediaPlayer1); }

void TForm1::WindowsMediaPlayer1DoubleClick(short, short, int, int) { toggleFullScreen(*WindowsMediaPlayer1); }

void TForm1::Image3Click() { update_->Image3Click(); }

void TForm1::Timer1Timer() { update_->Timer1Timer(); }

void TForm1::closeEvent(QCloseEvent* e) {
    // The main window ends the program, whatever else is open.
    e->accept();
    QApplication::quit();
}

}  // namespace qc
