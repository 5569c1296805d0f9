#include "player/transport_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace qc {

namespace {

enum class Glyph { Play, Pause, Stop, Volume, Muted };

// The buttons' glyphs, drawn here: the icon theme's lookup is slow at start-up and its look
// differs from desktop to desktop.
QIcon glyph(Glyph g) {
    const qreal dpr = 2;  // sharp on high-density screens too
    QPixmap pm(QSize(14, 14) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xdf, 0xe9, 0xf5);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (g) {
    case Glyph::Play: p.drawPolygon(QPolygonF({{3.5, 2}, {12, 7}, {3.5, 12}})); break;
    case Glyph::Pause:
        p.drawRect(QRectF(3, 2.5, 3, 9));
        p.drawRect(QRectF(8, 2.5, 3, 9));
        break;
    case Glyph::Stop: p.drawRect(QRectF(3, 3, 8, 8)); break;
    case Glyph::Volume:
    case Glyph::Muted: {
        p.drawPolygon(QPolygonF({{1.5, 5}, {4, 5}, {7.5, 2}, {7.5, 12}, {4, 9}, {1.5, 9}}));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1.3, Qt::SolidLine, Qt::RoundCap));
        if (g == Glyph::Volume) {
            p.drawArc(QRectF(6, 4.5, 5, 5), -50 * 16, 100 * 16);
            p.drawArc(QRectF(5.5, 2.5, 8, 9), -50 * 16, 100 * 16);
        } else {
            p.drawLine(QPointF(9.5, 5), QPointF(13, 9));
            p.drawLine(QPointF(13, 5), QPointF(9.5, 9));
        }
        break;
    }
    }
    return QIcon(pm);
}

// Flat buttons that light up under the mouse, painted here rather than by a style sheet, which
// costs milliseconds at start-up.
class GlyphButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override { return iconSize() + QSize(4, 4); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isEnabled() && (isDown() || underMouse())) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, isDown() ? 70 : 40));
            p.drawRoundedRect(QRectF(rect()), 3, 3);
        }
        QRect r(QPoint(0, 0), iconSize());
        r.moveCenter(rect().center());
        icon().paint(&p, r, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
};

// A click on the groove puts the handle there (and so seeks), as players do; the style's own
// default pages one step toward the click.
class JumpToClick : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

QString clock(qint64 ms) {
    if (ms < 0) ms = 0;
    qint64 s = ms / 1000;
    return s >= 3600 ? QString::asprintf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60)
                     : QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

}  // namespace

TransportBar::TransportBar(QWidget* parent) : QWidget(parent) {
    setObjectName("transportBar");
    QPalette light = palette();
    light.setColor(QPalette::WindowText, QColor(0xdf, 0xe9, 0xf5));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(1);
    position = new QSlider(Qt::Horizontal, this);
    position->setObjectName("position");
    position->setRange(0, 1000);
    position->setEnabled(false);
    position->setFixedHeight(12);
    auto* jump = new JumpToClick;
    jump->setParent(position);
    position->setStyle(jump);
    layout->addWidget(position);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    layout->addLayout(row);
    auto button = [&](Glyph icon, const QString& tip, const char* name) {
        auto* b = new GlyphButton(this);
        b->setObjectName(name);
        b->setIcon(glyph(icon));
        b->setIconSize(QSize(14, 14));
        b->setToolTip(tip);
        b->setAttribute(Qt::WA_Hover);
        row->addWidget(b);
        return b;
    };
    playPause = button(Glyph::Play, "播放", "playPause");
    stop = button(Glyph::Stop, "停止", "stop");
    statusLabel = new QLabel(this);
    statusLabel->setObjectName("statusLine");
    statusLabel->setPalette(light);
    statusLabel->setMinimumWidth(60);
    row->addWidget(statusLabel, 1);
    timeLabel = new QLabel(this);
    timeLabel->setObjectName("time");
    timeLabel->setPalette(light);
    row->addWidget(timeLabel);
    mute = button(Glyph::Volume, "静音", "mute");
    volume = new QSlider(Qt::Horizontal, this);
    volume->setObjectName("volume");
    volume->setRange(0, 100);
    volume->setValue(50);
    volume->setFixedWidth(56);
    volume->setToolTip("音量");
    row->addWidget(volume);
}

void TransportBar::showPlaying(bool playing) {
    playPause->setIcon(glyph(playing ? Glyph::Pause : Glyph::Play));
    playPause->setToolTip(playing ? "暂停" : "播放");
}

void TransportBar::showMuted(bool muted) { mute->setIcon(glyph(muted ? Glyph::Muted : Glyph::Volume)); }

void TransportBar::showStatus(const QString& text) {
    statusLabel->setText(text);
    statusLabel->setToolTip(text);
}

void TransportBar::showPosition(bool seekable, float where, qint64 nowMs, qint64 lengthMs) {
    position->setEnabled(seekable);
    if (seekable && !position->isSliderDown()) position->setValue(static_cast<int>(where * 1000));
    timeLabel->setText(lengthMs > 0 ? clock(nowMs) + " / " + clock(lengthMs) : clock(nowMs));
}

void TransportBar::clearPosition() {
    position->setValue(0);
    position->setEnabled(false);
    timeLabel->clear();
}

void TransportBar::paintEvent(QPaintEvent*) {
    // A dark gradient under light labels.
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x3b, 0x4f, 0x6b));
    g.setColorAt(1, QColor(0x1c, 0x28, 0x38));
    p.fillRect(rect(), g);
}

}  // namespace qc
